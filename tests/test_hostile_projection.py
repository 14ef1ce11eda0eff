"""Projection with a script's code in the middle of a call: arguments whose
conversions, text forms, item access and comparisons raise, answer otherwise,
change the points being read or re-enter the module; reference-system tables,
records and members of a subclass that do the same while a projection reads
them. Each row is held against the plain forms (tests/projection_reference.py,
tests/angle_reference.py) and must end as they do."""
import gc
import unittest

from src.kestrinpy import MapGrid, Projection
from tests import angle_reference, projection_reference as reference
from tests.hostile import ANSWER, Hostile, HostileCase, calling, emptying, raising, replacing, returning
from tests.support import outcome, run_child

CONE = {"centralMeridian": 105.0, "parallel1": 25.0, "parallel2": 47.0}


class Plain:
    """The plain forms as methods of a class, so that a subclass reaches them as the module's are reached."""
    CRS = Projection.CRS
    datum = Projection.datum
    angle = staticmethod(angle_reference.angle)
    zone = classmethod(reference.zone)
    centralMeridian = classmethod(reference.central_meridian)
    webMercator = classmethod(reference.web_mercator)
    geodesics = classmethod(reference.geodesics)
    gaussKruger = classmethod(reference.gauss_kruger)
    albers = classmethod(reference.albers)
    lambert = classmethod(reference.lambert)


def subclass(base, **members):
    return type("Mine", (base,), members)


class Table(dict):
    """A reference-system table whose membership test and look-up run `action` first."""

    def __init__(self, items, action):
        super().__init__(items)
        self.action = action

    def __contains__(self, key):
        self.action()
        return dict.__contains__(self, key)

    def __getitem__(self, key):
        self.action()
        return dict.__getitem__(self, key)


class Record:
    """A reference-system record whose fields run `action` when read."""

    def __init__(self, record, action):
        self.record, self.action = record, action

    @property
    def a(self):
        self.action()
        return self.record.a

    @property
    def f(self):
        self.action()
        return self.record.f


def own(name):
    return vars(Projection)[name].__func__


class ArgumentTest(HostileCase):
    """Arguments that run code when converted, read or compared."""

    def test_angle(self):
        rows = {
            "deg's str raises": {"deg": Hostile(116.5, "__str__", raising(KeyError("deg")))},
            "deg's str re-enters": {"deg": Hostile(116.5, "__str__", calling(Projection.angle, dms="116°30′30″"))},
            "deg's str answers other text": {"deg": Hostile(116.5, "__str__", returning(" -1163030 "))},
            "dms's str re-enters": {"dms": Hostile("1163030.5", "__str__",
                                                   calling(Projection.angle, deg=1.5, digit=2))},
            "dms's text form in the range message": {"dms": Hostile(3605959, "__format__", calling(Projection.angle,
                                                                                                deg=2.0))},
            "dms's text form raises": {"dms": Hostile(3605959, "__format__", raising(KeyError("format")))},
            "digit's int raises": {"deg": 116.01, "digit": Hostile(2, "__int__", raising(KeyError("digit")))},
            "digit's int re-enters": {"dms": "116.5", "digit": Hostile(2.7, "__int__", calling(Projection.angle,
                                                                                              deg=116.5, digit=3))},
            "digit's int answers a float": {"deg": 116.01, "digit": Hostile(2, "__int__", returning(2.5))},
            "digit not asked for a failing deg": {"deg": "abc", "digit": Hostile(2, "__int__", raising(KeyError()))},
        }
        for name, arguments in rows.items():
            self.check(name, lambda: Projection.angle(**arguments), lambda: angle_reference.angle(**arguments))

    def test_geodesics_points(self):
        def rows():
            """Fresh points for each run: the actions change them in place."""
            first, second = [116.0, 39.0], [117.0, 40.0]
            own = {}

            def emptying_own(key):
                return lambda *_: own[key].clear() or ANSWER

            own["latitude"] = [117.0, Hostile(40.0, "__float__", emptying_own("latitude"))]
            own["equal"] = [Hostile(1.0, "__eq__", emptying_own("equal")), 2.0]
            return {
                "item access empties the other point": (Hostile(first, "__getitem__", emptying(second)), second),
                "item access replaces the other's latitude": (
                    Hostile(first, "__getitem__", replacing(second, 1, 45.0)), second),
                "item access re-enters": (Hostile(first, "__getitem__", calling(Projection.geodesics, first, second)),
                                          second),
                "item access raises": (first, Hostile(second, "__getitem__", raising(IndexError("mine")))),
                "a latitude's float empties its own point": ([116.0, 39.0], own["latitude"]),
                "a latitude's float re-enters": ([116.0, Hostile(39.0, "__float__", calling(
                    Projection.geodesics, (1.0, 2.0), (3.0, 4.0)))], [117, 40.0]),
                "a longitude difference of ints": ([10 ** 17, 39.0], [10 ** 17 + 1, 40.0]),
                "equality answers a raising truth": (
                    [Hostile(1.0, "__eq__", returning(Hostile(True, "__bool__", raising(KeyError("truth"))))), 2.0],
                    [1.0, 2.0]),
                "equality empties its own point": (own["equal"], [1.0, 5.0]),
            }

        for name in rows():
            self.check(name, lambda: Projection.geodesics(*rows()[name]),
                       lambda: reference.geodesics(Projection, *rows()[name]))

    def test_points_that_alias(self):
        # Lists and tuples of the host's own types, shared and cyclic.
        def rows():
            point = [116.0, 39.0]
            itself = [116.0, 39.0]
            itself.append(itself)
            first, second = [116.0, 39.0], [117.0, 40.0]
            first.append(second)
            second.append(first)
            longitude_itself = [None, 39.0]
            longitude_itself[0] = longitude_itself
            holding = [[116.0], 39.0]
            holding[0].append(holding)
            return {
                "one list for both points": (point, point),
                "one tuple for both points": ((116.0, 39.0),) * 2,
                "a point that holds itself": (itself, [117.0, 40.0]),
                "a point that holds itself, twice": (itself, itself),
                "points that hold each other": (first, second),
                "a point that is its own longitude": (longitude_itself, [117.0, 40.0]),
                "the same such point twice": (longitude_itself, longitude_itself),
                "a longitude that holds its point": (holding, [117.0, 40.0]),
                "a point whose latitude is the other point": ([116.0, second], second),
            }

        for name in rows():
            self.check(name, lambda: Projection.geodesics(*rows()[name]),
                       lambda: reference.geodesics(Projection, *rows()[name]))

    def test_converted_parameters(self):
        rows = {
            "zone's longitude re-enters": (Projection.zone, reference.zone,
                                           (Hostile(116.3, "__float__", calling(Projection.zone, 1.0, 3)), 3)),
            "zone's longitude raises": (Projection.zone, reference.zone,
                                        (Hostile(116.3, "__float__", raising(KeyError("lon"))),)),
            "albers's parallel re-enters with another cone": (
                Projection.albers, reference.albers,
                (120.0, 30.0, 105.0, 0.0, Hostile(25.0, "__float__", calling(
                    Projection.albers, 10.0, 10.0, 0.0, 0.0, 10.0, 60.0)), 47.0)),
            "lambert's meridian answers another value": (
                Projection.lambert, reference.lambert,
                (120.0, 30.0, Hostile(105.0, "__float__", returning(110.0)), 0.0, 25.0, 47.0)),
        }
        for name, (call, plain, arguments) in rows.items():
            self.check(name, lambda: call(*arguments), lambda: plain(Projection, *arguments))


class ReferenceTableTest(HostileCase):
    """Tables, records and members of a subclass read in the middle of a projection."""

    def calls(self):
        """name: (method, arguments)"""
        return {
            "albers forward": ("albers", dict(longitude=120.0, latitude=30.0, **CONE)),
            "albers inverse": ("albers", dict(x=100000.0, y=3000000.0, **CONE)),
            "lambert forward": ("lambert", dict(longitude=120.0, latitude=30.0, crs=1980, **CONE)),
            "lambert inverse": ("lambert", dict(x=100000.0, y=3000000.0, crs=1954, **CONE)),
            "web Mercator": ("webMercator", dict(longitude=116.4, latitude=39.9)),
            "geodesics": ("geodesics", dict(point1=(116.0, 39.0), point2=(117.0, 40.0), crs=2000)),
            "Gauss-Krüger forward": ("gaussKruger", dict(longitude=117.3, latitude=30.0)),
            "Gauss-Krüger inverse": ("gaussKruger", dict(x=3000000.0, y=20600000.0, crs=1954)),
        }

    def tables(self, base):
        """name: the members of a subclass of `base`, made afresh."""
        datum = dict(Projection.datum)
        cone = (10.0, 10.0, 0.0, 0.0, 10.0, 60.0)
        reentry = calling(lambda: (base.albers(*cone), base.lambert(*cone), base.geodesics((0.0, 0.0), (1.0, 1.0))))
        return {
            "a table whose look-ups re-enter": {"datum": Table(datum, reentry)},
            "a table whose look-ups raise": {"datum": Table(datum, raising(KeyError("table")))},
            "a table that empties itself after one question": {"datum": self.emptied_after_one()},
            "a key whose equality re-enters": {"datum": {Hostile(year, "__eq__", reentry): Projection.datum[year]
                                                         for year in (1954, 1980, 1984, 2000)}},
            "a key whose equality empties the table": self.emptied_by_a_key(),
            "records whose fields re-enter": {"datum": {year: Record(Projection.datum[year], reentry)
                                                        for year in (1954, 1980, 1984, 2000)}},
            "records whose fields raise": {"datum": {year: Record(Projection.datum[year], raising(AttributeError("f")))
                                                     for year in (1954, 1980, 1984, 2000)}},
            "one record under most keys": {"datum": {**dict.fromkeys(Projection.datum, Projection.datum[1980]),
                                                     1954: Projection.datum[1954], 2000: Projection.datum[2000]}},
            "a table that holds itself": {"datum": self.holding_itself()},
            "the base's own table": {"datum": Projection.datum},
        }

    @staticmethod
    def holding_itself():
        table = dict(Projection.datum)
        table[1984] = table
        return table

    @staticmethod
    def emptied_after_one():
        asked = []
        table = Table(Projection.datum, lambda: asked.append(1) if not asked else dict.clear(table))
        return table

    @staticmethod
    def emptied_by_a_key():
        table = {}
        for year in (1954, 1980, 1984, 2000):
            table[Hostile(year, "__eq__", emptying(table), times=1)] = Projection.datum[year]
        return {"datum": table}

    def test_tables_and_records(self):
        for table in self.tables(Projection):
            for name, (method, arguments) in self.calls().items():
                mine = subclass(Projection, **self.tables(Projection)[table])
                plain = subclass(Plain, **self.tables(Plain)[table])
                self.check((table, name), lambda: getattr(mine, method)(**arguments),
                           lambda: getattr(plain, method)(**arguments))

    def test_a_table_changed_after_it_was_read(self):
        # What a table was found to hold is never kept past a change to it.
        def run(base, projection):
            table = dict(Projection.datum)
            project = getattr(subclass(base, datum=table), projection)
            first = outcome(project, 120.0, 30.0, **CONE)
            asked = []
            table[Hostile(2000, "__eq__", lambda other: asked.append(other) or ANSWER)] = table.pop(2000)
            second = outcome(project, 120.0, 30.0, **CONE)
            table.clear()
            return first, second, asked, outcome(project, 120.0, 30.0, **CONE)

        for projection in ("albers", "lambert"):
            self.check(projection, lambda: run(Projection, projection), lambda: run(Plain, projection))

    def test_a_table_shared_by_two_classes(self):
        # A change made through one class shows in the other's next call.
        def run(base, projection):
            table = dict(Projection.datum)
            first, second = subclass(base, datum=table), subclass(base, datum=table)
            results = [outcome(getattr(first, projection), 120.0, 30.0, **CONE)]
            second.datum[2000] = Projection.datum[1954]
            results.append(outcome(getattr(first, projection), 120.0, 30.0, **CONE))
            del second.datum[2000]
            results.append(outcome(getattr(first, projection), 120.0, 30.0, **CONE))
            return results

        for projection in ("albers", "lambert"):
            self.check(projection, lambda: run(Projection, projection), lambda: run(Plain, projection))

    def test_a_new_table_where_an_old_one_was(self):
        # A table made after another was let go of may take its place in
        # memory: what was found about the old one says nothing of it.
        def run(base, projection):
            asked, results = [], []
            for key in (2000, Hostile(2000, "__eq__", lambda other: asked.append(other) or ANSWER)):
                cls = subclass(base, datum={key: Projection.datum[2000], "cgcs": Projection.datum[2000]})
                results.append(outcome(getattr(cls, projection), 120.0, 30.0, **CONE))
                del cls
                gc.collect()
            return results, asked

        for projection in ("albers", "lambert"):
            self.check(projection, lambda: run(Projection, projection), lambda: run(Plain, projection))

    def test_a_table_replaced_while_asked(self):
        # The record comes from cls.datum as it stands after the membership test.
        other = {2000: Projection.CRS(6000000.0, 0.004, "mine", "mine", "mine")}

        def by_a_key(base):
            cls = subclass(base)

            def replace(*_):
                cls.datum = other
                return ANSWER
            cls.datum = {Hostile(2000, "__eq__", replace, times=1): Projection.datum[2000]}
            return cls

        def by_the_metaclass(base):
            tables = [Projection.datum, other]
            meta = type("Meta", (type,), {"datum": property(lambda cls: tables.pop(0) if len(tables) > 1 else tables[0])})
            return meta("Mine", (base,), {})

        for name, make in (("a key's equality", by_a_key), ("a metaclass property", by_the_metaclass)):
            for projection in ("albers", "lambert"):
                self.check((name, projection), lambda: getattr(make(Projection), projection)(120.0, 30.0, **CONE),
                           lambda: getattr(make(Plain), projection)(120.0, 30.0, **CONE))

    def test_members_reached_through_the_class(self):
        def members(base):
            zone_of, meridian_of = vars(base)["zone"].__func__, vars(base)["centralMeridian"].__func__
            return {
                "zone re-enters": {"zone": classmethod(lambda cls, longitude, zoneCode: (
                    base.centralMeridian(1.0), base.gaussKruger(longitude=1.0, latitude=1.0),
                    zone_of(cls, longitude, zoneCode))[-1])},
                "zone raises": {"zone": classmethod(lambda cls, longitude, zoneCode: {}[longitude])},
                "zone answers an int subclass": {"zone": classmethod(
                    lambda cls, longitude, zoneCode: type("Z", (int,), {})(zone_of(cls, longitude, zoneCode)))},
                "centralMeridian re-enters": {"centralMeridian": classmethod(
                    lambda cls, longitude=None, zone=None, zoneCode=6: (
                        base.gaussKruger(longitude=10.0, latitude=1.0),
                        meridian_of(cls, longitude, zone, zoneCode))[-1])},
                "centralMeridian answers a float subclass": {"centralMeridian": classmethod(
                    lambda cls, longitude=None, zone=None, zoneCode=6: type("M", (float,), {})(117.0))},
                "centralMeridian answers None": {"centralMeridian": classmethod(
                    lambda cls, longitude=None, zone=None, zoneCode=6: None)},
                "the module's zone stored as a static method": {"zone": staticmethod(own("zone"))},
                "the module's centralMeridian stored bare": {"centralMeridian": own("centralMeridian")},
            }

        calls = [("centralMeridian", dict(longitude=116.3)), ("centralMeridian", dict(longitude=116.3, zoneCode=3)),
                 ("gaussKruger", dict(longitude=117.3, latitude=30.0)),
                 ("gaussKruger", dict(longitude=-3.0, latitude=51.0))]
        for name in members(Projection):
            mine = subclass(Projection, **members(Projection)[name])
            plain = subclass(Plain, **members(Plain)[name])
            for method, arguments in calls:
                self.check((name, method, arguments), lambda: getattr(mine, method)(**arguments),
                           lambda: getattr(plain, method)(**arguments))

    def test_a_class_method_re_targeted_in_place(self):
        # classmethod.__init__ changes what the stored wrapper calls and no
        # version tag: the automatic central meridian must see it at once.
        def answer(cls, longitude=None, zone=None, zoneCode=6):
            return 105.0

        for base in (Projection, Plain):
            with self.subTest(base=base.__name__):
                mine = subclass(base, centralMeridian=classmethod(vars(base)["centralMeridian"].__func__))
                before = mine.gaussKruger(longitude=117.3, latitude=30.0)
                vars(mine)["centralMeridian"].__init__(answer)
                after = mine.gaussKruger(longitude=117.3, latitude=30.0)
                self.assertNotEqual(before, after)
                self.assertEqual(after, Plain.gaussKruger(centralMeridian=105.0, longitude=117.3, latitude=30.0))


class ReceiverTest(HostileCase):
    """Every class method of Projection called, through its function, on
    receivers of every kind: the outcome is the plain form's on the same kind
    of receiver (a bound class method's siblings are reached through the class
    it is bound to, an instance's own attributes through the instance)."""
    CALLS = [("zone", (100.0,), {}), ("centralMeridian", (), dict(longitude=117.3)),
             ("centralMeridian", (None, 20), {}), ("webMercator", (100.0, 30.0), {}),
             ("gaussKruger", (), dict(longitude=117.3, latitude=30.0)),
             ("gaussKruger", (), dict(x=3000000.0, y=20600000.0)), ("albers", (120.0, 30.0), CONE),
             ("lambert", (120.0, 30.0), CONE), ("geodesics", ((116.0, 39.0), (117.0, 40.0)), {})]

    @staticmethod
    def receivers(base):
        """name: a receiver made afresh from `base` (Projection or the plain class)."""
        def with_own(**attributes):
            receiver = object.__new__(subclass(base))
            vars(receiver).update(attributes)
            return receiver

        def five(longitude, zoneCode=6):
            return 5

        shadowing = type("Meta", (type,), {"zone": property(lambda cls: five)})
        return {
            "the class": lambda: base,
            "a subclass": lambda: subclass(base),
            "None": lambda: None,
            "an instance of another public class": lambda: MapGrid(),
            "an object made by object.__new__": lambda: object.__new__(base),
            "an instance with its own zone": lambda: with_own(zone=five),
            "an instance with its own table": lambda: with_own(datum={**Projection.datum, 1984: Projection.datum[1980]}),
            "an instance of a class whose metaclass answers zone": lambda: object.__new__(
                shadowing("Mine", (base,), {})),
        }

    def test_receivers_of_every_kind(self):
        for receiver in self.receivers(Projection):
            for method, args, keywords in self.CALLS:
                self.check((receiver, method, args, keywords),
                           lambda: vars(Projection)[method].__func__(self.receivers(Projection)[receiver](), *args,
                                                                     **keywords),
                           lambda: vars(Plain)[method].__func__(self.receivers(Plain)[receiver](), *args, **keywords))


class RecursionTest(unittest.TestCase):
    def test_a_recursion_through_the_module_on_a_small_thread_stack(self):
        # zone and centralMeridian reach each other through the class without
        # end: on a thread with a small stack and any recursion limit, as in
        # the plain form, that ends in RecursionError, not in a crash.
        child = run_child("""
            import sys, threading
            from src.kestrinpy import MapGrid, Projection
            from tests.test_hostile_projection import Plain

            def looping(base):
                return type("Looping", (base,), {"zone": classmethod(
                    lambda cls, longitude, zoneCode=6: cls.centralMeridian(longitude=longitude))})

            def run(base, limit, results):
                sys.setrecursionlimit(limit)
                try:
                    looping(base).zone(100.0)
                except RecursionError:
                    results.append("RecursionError")

            results = []
            threading.stack_size(768 * 1024)
            for limit in (1000, 100000):
                for base in (Projection, Plain):
                    thread = threading.Thread(target=run, args=(base, limit, results))
                    thread.start()
                    thread.join()
            print(results)
        """)
        self.assertEqual(child.stdout.strip(), str(["RecursionError"] * 4), child.stderr[-2000:])


if __name__ == "__main__":
    unittest.main()
