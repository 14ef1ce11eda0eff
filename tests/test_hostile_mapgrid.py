"""MapGrid with a script's code in the middle of a call: arguments whose
conversions raise, answer otherwise or re-enter the module, members of a
subclass that do the same while map and parse read them, and graticule lines
that the caller changes, keeps parts of or lets go of while the generator runs.
Each row is held against the plain form (tests/mapgrid_plain.py) where that
form decides the outcome, and must otherwise end in a value or an Exception."""
import gc
import unittest

from src.kestrinpy import MapGrid, Projection
from tests.hostile import ANSWER, Hostile, HostileCase, OnRelease, calling, raising, returning
from tests.mapgrid_plain import PlainGrid
from tests.support import outcome
from tests.test_mapgrid_grid import exact, run

WINDOW = (1, 0, 0, 1, 12)  # 17 meridians, then 25 parallels


def subclass(base, **members):
    """A subclass of MapGrid or of the plain form; the keys corner, mapcode,
    mapword, mapword5000 and scalecode name the class-private members."""
    private = "_MapGrid" if issubclass(base, MapGrid) else "_PlainGrid"
    named = {(f"{private}__corner1000000" if key == "corner" else f"{private}__{key}"
              if key in ("mapcode", "mapword", "mapword5000", "scalecode") else key): value
             for key, value in members.items()}
    return type("Mine", (base,), named)


class Letters(str):
    """An alphabet whose item access and find run `action` first."""

    def __new__(cls, text, action):
        self = super().__new__(cls, text)
        self.action = action
        return self

    def __getitem__(self, index):
        self.action()
        return str.__getitem__(self, index)

    def find(self, *args):
        self.action()
        return str.find(self, *args)


class Counted:
    """A letter whose text form tells how often it has been formatted."""

    def __init__(self, letter):
        self.letter, self.count = letter, 0

    def __format__(self, spec):
        self.count += 1
        return f"{self.letter}{self.count}"


class CountedLetters(str):
    """An alphabet whose items are Counted letters."""

    def __getitem__(self, index):
        return Counted(str.__getitem__(self, index))


class ValuesHook(dict):
    """A corner answer whose values() runs `action` first."""

    def __init__(self, items, action):
        super().__init__(items)
        self.action = action

    def values(self):
        self.action(self)
        return dict.values(self)


class Announcing:
    """A class attribute whose every read runs `action` first, then gives `value`."""

    def __init__(self, value, action):
        self.value, self.action = value, action

    def __get__(self, instance, owner):
        self.action()
        return self.value


def private(base, key):
    """The name under which `base` keeps the member `key` (corner, the alphabets, map, parse)."""
    prefix = "_MapGrid" if issubclass(base, MapGrid) else "_PlainGrid"
    return {"corner": f"{prefix}__corner1000000", "map": "map", "parse": "parse"}.get(key, f"{prefix}__{key}")


def holding_itself(container, key):
    container[key] = container
    return container


def cleared(answer):
    answer.clear()


def own_map(base):
    return vars(base)["map"].__func__


def own_corner(base):
    return vars(base)["_MapGrid__corner1000000" if issubclass(base, MapGrid) else "_PlainGrid__corner1000000"].__func__


class ArgumentTest(HostileCase):
    """map and grid convert their real arguments when called: whatever those
    conversions do, the call raises what the plain form raises or answers as it does."""

    def test_map_arguments(self):
        rows = {
            "__float__ raises": lambda G: G.map(Hostile(101.0, "__float__", raising(KeyError("lon"))), 37.0),
            "__float__ answers a str": lambda G: G.map(101.0, Hostile(37.0, "__float__", returning("37"))),
            "__float__ answers another float": lambda G: G.map(101.0, Hostile(37.0, "__float__", returning(39.5)), 500),
            "__float__ re-enters map": lambda G: G.map(Hostile(101.0, "__float__", calling(G.map, 101.0, 37.0, 500)),
                                                       37.0, 10000),
            "__float__ re-enters parse": lambda G: G.map(
                101.0, Hostile(-37.0, "__float__", calling(G.parse, "SJ-47-35-(57)-c-7-3-3")), 500),
        }
        for name, row in rows.items():
            self.check(name, lambda: repr(row(MapGrid)), lambda: repr(row(PlainGrid)))

    def test_grid_arguments(self):
        rows = {
            "__float__ raises": lambda G: G.grid(Hostile(1.0, "__float__", raising(KeyError("north"))), 0, 0, 1),
            "__float__ re-enters grid": lambda G: G.grid(1, 0, Hostile(0.0, "__float__",
                                                                       calling(lambda: list(G.grid(*WINDOW)))), 1, 12),
            "__bool__ raises": lambda G: G.grid(1, 0, 0, 1, 12, Hostile(True, "__bool__", raising(KeyError("s")))),
            "__bool__ after a failed window check": lambda G: G.grid(100, 0, 0, 1, 0, Hostile(
                True, "__bool__", raising(AssertionError("asked before the window check")))),
            "__bool__ re-enters grid": lambda G: G.grid(*WINDOW, Hostile(False, "__bool__",
                                                                         calling(lambda: list(G.grid(*WINDOW, True))))),
        }
        for name, row in rows.items():
            self.check(name, lambda: run(row(MapGrid)), lambda: run(row(PlainGrid)))

    def test_summary_truth_is_taken_at_the_first_request(self):
        def asked(G):
            calls = []
            lines = G.grid(*WINDOW, Hostile(True, "__bool__", lambda: calls.append("bool") or ANSWER))
            before = list(calls)
            first = next(lines)
            return before, exact(first), calls, run(lines)

        self.check("truth at the first request", lambda: asked(MapGrid), lambda: asked(PlainGrid))

        def asks_the_generator(G):
            holder = {}
            asking = Hostile(False, "__bool__", calling(lambda: next(holder["lines"])))
            lines = holder["lines"] = G.grid(*WINDOW, asking)
            return run(lines, 3)

        self.check("truth that asks the generator", lambda: asks_the_generator(MapGrid),
                   lambda: asks_the_generator(PlainGrid))


class MemberTest(HostileCase):
    """Members reached through the class run a subclass's code between the
    steps of map and parse; the outcome is the plain form's."""
    CODES = ["J47", "SJ47B001002", "J-47-D", "J-47-107-C-3", "J-47-107-(57)-c-7-3-3"]
    POSITIONS = [(101.0, 37.0, 1000000), (101.0, 37.0, 50000), (101.004, 37.003, 500), (101.0, -37.0, 5000),
                 (101.0, 37.0, 200000)]

    def members(self, G):
        """name: the members of a subclass of G."""
        return {
            "corner answers three values": {"corner": classmethod(
                lambda cls, code: {**own_corner(G)(cls, code), "source": "mine"})},
            "corner answers one value": {"corner": classmethod(lambda cls, code: {"longitude": 96})},
            "corner's values() empties it": {"corner": classmethod(
                lambda cls, code: ValuesHook(own_corner(G)(cls, code), cleared))},
            "corner's values() raises": {"corner": classmethod(lambda cls, code: ValuesHook(
                own_corner(G)(cls, code), raising(KeyError("values"))))},
            "corner re-enters map and parse": {"corner": classmethod(lambda cls, code: (
                G.map(101.0, 37.0, 500), G.parse("J-47-107-(57)-c-7-3-3"), own_corner(G)(cls, code))[-1])},
            "row letters re-enter map": {"mapcode": Letters("ABCDEFGHIJKLMNOPQRSTUVW",
                                                            calling(G.map, 101.0, 37.0, 500))},
            "row letters raise": {"mapcode": Letters("ABCDEFGHIJKLMNOPQRSTUVW", raising(KeyError("row")))},
            "row letters formatted at each use": {"mapcode": CountedLetters("ABCDEFGHIJKLMNOPQRSTUVW")},
            "quarters re-enter parse": {"mapword": Letters("ABCD", calling(G.parse, "J-47-107-(57)-c-7-3-3")),
                                        "mapword5000": Letters("abcd", calling(G.map, 101.0, 37.0, 500))},
            "scale letters raise": {"scalecode": Letters("BCDEFGHIJK", raising(KeyError("scale")))},
            "map's old code formats by re-entering": {"map": classmethod(lambda cls, lon, lat, scale=1000000: {
                **own_map(G)(cls, lon, lat, scale),
                "old": Hostile(own_map(G)(cls, lon, lat, scale)["old"], "__format__", calling(G.map, lon, lat, 500))})},
            "map's old code replaces the quarters when formatted": {"map": classmethod(
                lambda cls, lon, lat, scale=1000000: (lambda answer: {**answer, "old": Hostile(
                    answer["old"], "__format__", lambda *_: setattr(cls, private(G, "mapword"), "DCBA") or ANSWER)}
                    if scale == 100000 else answer)(own_map(G)(cls, lon, lat, scale)))},
            "map's old code fails to format": {"map": classmethod(lambda cls, lon, lat, scale=1000000: {
                "old": Hostile("J-47-107", "__format__", raising(KeyError("format")))})},
            "map answers no old code": {"map": classmethod(lambda cls, lon, lat, scale=1000000: {"new": "J47"})},
            "the module's corner stored as a static method": {"corner": staticmethod(own_corner(MapGrid))},
            "corner answers one object for both edges": {"corner": classmethod(
                lambda cls, code: dict.fromkeys(("longitude", "latitude"), own_corner(G)(cls, code)["longitude"]))},
            "corner answers a dictionary that holds itself": {"corner": classmethod(lambda cls, code: holding_itself(
                {"longitude": None, **own_corner(G)(cls, code)}, "longitude"))},
            "map's old code is a list that holds itself": {"map": classmethod(lambda cls, lon, lat, scale=1000000: {
                "old": holding_itself(["J-47-107", None], 1)})},
        }

    def test_members_while_map_and_parse_read_them(self):
        for name in self.members(MapGrid):
            mine = subclass(MapGrid, **self.members(MapGrid)[name])
            plain = subclass(PlainGrid, **self.members(PlainGrid)[name])
            for position in self.POSITIONS:
                self.check((name, "map", position), lambda: repr(mine.map(*position)),
                           lambda: repr(plain.map(*position)))
            for code in self.CODES:
                self.check((name, "parse", code), lambda: repr(mine.parse(code)), lambda: repr(plain.parse(code)))

    def test_corner_edges_with_arithmetic_of_their_own(self):
        # An edge is taken by its value only where the host's arithmetic would
        # take it so; an edge whose own operators the plain form would run
        # (once per sheet level) is refused instead of passed over.
        adding = type("Edge", (int,), {"__add__": lambda self, other: int(self) + other + 1000})
        subtracted = type("Edge", (float,), {"__rsub__": lambda self, other: other - float(self) + 1000})
        map_ = lambda G: G.map(101.0, 37.0, 500000)  # noqa: E731
        parse = lambda G: G.parse("J47B002002")  # noqa: E731
        rows = [  # (label, edge type, call, refused)
            ("an int subclass, map", type("Edge", (int,), {}), map_, False),
            ("a float subclass, parse", type("Edge", (float,), {}), parse, False),
            ("an int subclass that adds, map", adding, map_, True),
            ("an int subclass that adds, parse", adding, parse, True),
            ("a float subclass that is subtracted, map", subtracted, map_, True),
            ("a float subclass that is subtracted, parse", subtracted, parse, False),
        ]
        for label, kind, call, refused in rows:
            edges = classmethod(lambda cls, code: {"longitude": kind(96), "latitude": kind(36)})
            mine, plain = subclass(MapGrid, corner=edges), subclass(PlainGrid, corner=edges)
            if refused:
                self.assertEqual(self.check(label, lambda: outcome(call, mine)), (TypeError, "Expected int, got Edge"))
            else:
                self.check(label, lambda: call(mine), lambda: call(plain))

    def test_members_replaced_in_the_middle_of_a_call(self):
        # What map and parse found to be the class's own is asked again after
        # a script's code has run, as the plain form reaches each member afresh.
        def replacement(G, key):
            if key == "corner":
                corner = own_corner(G)
                return classmethod(lambda cls, code: {"longitude": corner(cls, code)["longitude"] + 6,
                                                      "latitude": corner(cls, code)["latitude"]})
            if key == "mapcode":
                return "AJCDEFGHIBKLMNOPQRSTUVW"
            return classmethod(lambda cls, lon, lat, scale=1000000: {**own_map(G)(G, lon, lat, scale), "old": "mine"})

        def build(G, reader, alphabet, key):
            holder = {}

            def replace():
                if "done" not in holder:
                    holder["done"] = True
                    setattr(holder["cls"], private(G, key), replacement(G, key))

            letters = {"mapword": "ABCD", "mapword5000": "abcd", "scalecode": "BCDEFGHIJK"}[alphabet]
            value = Letters(letters, replace) if reader == "letters" else Announcing(letters, replace)
            holder["cls"] = subclass(G, **{alphabet: value})
            return holder["cls"]

        for reader in ("letters", "descriptor"):
            for alphabet in ("mapword", "mapword5000", "scalecode"):
                for key in ("corner", "mapcode", "map"):
                    for code in self.CODES:
                        self.check((reader, alphabet, key, code), lambda: repr(build(MapGrid, reader, alphabet, key).parse(code)),
                                   lambda: repr(build(PlainGrid, reader, alphabet, key).parse(code)))
                    for position in self.POSITIONS:
                        self.check((reader, alphabet, key, position),
                                   lambda: repr(build(MapGrid, reader, alphabet, key).map(*position)),
                                   lambda: repr(build(PlainGrid, reader, alphabet, key).map(*position)))

    def test_parse_that_re_enters_itself(self):
        def reparse(G):
            def parse(cls, code):
                G.parse("J-47-107-(57)-c-7-3-3")
                result = vars(G)["parse"].__func__(cls, code)
                return dict(result) if result is not None else None
            return subclass(G, parse=classmethod(parse))

        for code in self.CODES + ["J47Z", "J-47-(30)"]:
            self.check(code, lambda: repr(reparse(MapGrid).parse(code)), lambda: repr(reparse(PlainGrid).parse(code)))


class ReceiverTest(HostileCase):
    """map, parse and the corner called, through their functions, on receivers
    of every kind: the outcome is the plain form's on the same kind of receiver
    (the members a bound class method reaches are those of the class it is
    bound to, an instance's own attributes are read from the instance)."""
    CALLS = [("corner", ("J47",)), ("map", (101.0, 37.0)), ("map", (101.004, 37.003, 500)),
             ("map", (101.0, 37.0, 50000)), ("parse", ("J-47-107-(57)-c-7-3-3",)), ("parse", ("J47K17281921",))]

    @staticmethod
    def receivers(G):
        """name: a receiver made afresh from G (MapGrid or the plain form)."""
        def with_own(**members):
            receiver = object.__new__(subclass(G))
            for key, value in members.items():
                setattr(receiver, private(G, key), value)
            return receiver

        return {
            "the class": lambda: G,
            "a subclass": lambda: subclass(G),
            "None": lambda: None,
            "an instance of another public class": lambda: Projection(),
            "an object made by object.__new__": lambda: object.__new__(G),
            "an instance with its own row letters": lambda: with_own(mapcode="ABCDEFGHIKJLMNOPQRSTUVW"),
            "an instance with its own quarters": lambda: with_own(mapword="DCBA", mapword5000="dcba"),
            "an instance with its own corner and map": lambda: with_own(
                corner=lambda code: {"longitude": 0, "latitude": 0},
                map=lambda longitude, latitude, scale=1000000: {"old": "mine"}),
        }

    def test_receivers_of_every_kind(self):
        def call(G, receiver, method, args):
            function = vars(G)[private(G, method)].__func__
            got = outcome(function, self.receivers(G)[receiver](), *args)
            return repr(got).replace("_PlainGrid", "_MapGrid")

        for receiver in self.receivers(MapGrid):
            for method, args in self.CALLS:
                self.check((receiver, method, args), lambda: call(MapGrid, receiver, method, args),
                           lambda: call(PlainGrid, receiver, method, args))


class DroppedLineTest(HostileCase):
    """A line the caller changed and let go of ends as the plain form's does:
    what it holds is let go of before the next request, whose code may use the
    generator; a line reused in place is never one a script can tell apart."""

    def scenario(self, G, change):
        """The items around a first line that `change(G, line, lines, seen)` changes before it is let go of."""
        lines = G.grid(*WINDOW)
        seen = []
        line = next(lines)
        change(G, line, lines, seen)
        del line
        rest = run(lines)
        return seen, rest

    def test_changed_lines(self):
        def released(action):
            return OnRelease(action)

        changes = {
            "a vertex value that takes the next line when released": lambda G, line, lines, seen:
                line["coordinates"][0].__setitem__(0, released(lambda: seen.append(exact(next(lines))))),
            "an added key that takes the next line when released": lambda G, line, lines, seen:
                line.__setitem__("mine", released(lambda: seen.append(exact(next(lines))))),
            "a vertex value that closes the generator when released": lambda G, line, lines, seen:
                line["coordinates"][1].append(released(lines.close)),
            "a vertex value that drains another graticule when released": lambda G, line, lines, seen:
                line["coordinates"][1].__setitem__(1, released(lambda: seen.append(run(G.grid(*WINDOW))))),
            "a float subclass in place of a vertex value": lambda G, line, lines, seen:
                line["coordinates"][0].__setitem__(0, type("F", (float,), {})(2.5)),
            "coordinates kept by the caller": lambda G, line, lines, seen: seen.append(line["coordinates"]),
            "a vertex kept by the caller": lambda G, line, lines, seen: seen.append(line["coordinates"][0]),
            "coordinates replaced by a hostile value": lambda G, line, lines, seen:
                line.__setitem__("coordinates", Hostile([], "__len__", raising(KeyError()))),
            "keys reordered": lambda G, line, lines, seen: line.__setitem__("type", line.pop("type")),
            "coordinates that hold themselves": lambda G, line, lines, seen:
                line["coordinates"].append(line["coordinates"]),
            "a vertex that holds itself": lambda G, line, lines, seen:
                line["coordinates"][0].append(line["coordinates"][0]),
            "a line that holds itself": lambda G, line, lines, seen: line.__setitem__("line", line),
            "one vertex for both ends": lambda G, line, lines, seen:
                line["coordinates"].__setitem__(1, line["coordinates"][0]),
            "a vertex moved into the next line": lambda G, line, lines, seen:
                next(lines)["coordinates"].__setitem__(0, line["coordinates"][0]),
            "coordinates shared with the next line, kept": lambda G, line, lines, seen:
                seen.append(next(lines).__setitem__("coordinates", line["coordinates"]) or line["coordinates"]),
        }
        for name, change in changes.items():
            self.check(name, lambda: repr(self.scenario(MapGrid, change)),
                       lambda: repr(self.scenario(PlainGrid, change)))

    def test_lines_found_through_the_collector(self):
        # A release that empties every line the collector can find: the
        # module's own lines among them must never be refilled half-emptied.
        def empty_all_lines():
            for found in gc.get_objects():
                if type(found) is dict and found.get("type") == "LineString" and "coordinates" in found:
                    coordinates = found["coordinates"]
                    if type(coordinates) is list:
                        for vertex in coordinates:
                            if type(vertex) is list:
                                vertex.clear()
                        coordinates.clear()

        def scenario():
            lines = MapGrid.grid(*WINDOW)
            for index, line in enumerate(lines):
                if index % 3 == 0:
                    line["coordinates"][0][0] = OnRelease(empty_all_lines)
                assert len(line["coordinates"]) in (0, 2)
            return True

        self.assertIs(self.check("emptied through the collector", scenario), True)

    def test_a_cycle_through_a_changed_line(self):
        def scenario():
            # The holder is bound to the action itself, so that letting go of
            # the names leaves the generator, its line and the action in a cycle.
            holder = {"lines": MapGrid.grid(*WINDOW)}
            line = next(holder["lines"])
            line["coordinates"][0][0] = OnRelease(lambda holder=holder: next(holder["lines"], None))
            del line, holder
            gc.collect()
            return True

        self.assertIs(self.check("a cycle collected", scenario), True)


if __name__ == "__main__":
    unittest.main()
