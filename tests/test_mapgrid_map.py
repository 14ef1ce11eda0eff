"""MapGrid: the class and its alphabets, the 1:1,000,000 corner, and map (the
new code, the old code and the boundary of the sheet that holds a position)."""
import inspect
import math
import random
import unittest

from src import kestrinpy
from tests.mapgrid_plain import SCALES, PlainGrid

MapGrid = kestrinpy.MapGrid
corner = MapGrid._MapGrid__corner1000000
NAN = float("nan")
INF = float("inf")


def exact(values):
    """Values with their exact text and type: 40 is not 40.0, nor 0.0 -0.0."""
    return [(repr(v), type(v)) for v in values]


def outcome(call, *args):
    """The result of a call, or its exception as (type, text)."""
    try:
        return repr(call(*args))
    except Exception as error:  # the failures are part of what is compared
        return type(error).__name__, str(error)


# position, scale, new code, old code, boundary north, south, west, east
WORKED = [
    ((101, 37), 1000000, "J47", "J-47", (40, 36, 96, 102)),
    ((101, 37), 500000, "J47B002002", "J-47-D", (38.0, 36.0, 99.0, 102.0)),
    ((101, 37), 250000, "J47C003004", "J-47-[12]", (38.0, 37.0, 100.5, 102.0)),
    ((101, 37), 200000, "J-47-(30)", "J-47-(30)", (37.33333333333333, 36.666666666666664, 101.0, 102.0)),
    ((101, 37), 100000, "J47D009011", "J-47-107", (37.333333333333336, 37.0, 101.0, 101.5)),
    ((101, 37), 50000, "J47E018021", "J-47-107-C", (37.166666666666664, 37.0, 101.0, 101.25)),
    ((101, 37), 25000, "J47F036041", "J-47-107-C-3", (37.083333333333336, 37.0, 101.0, 101.125)),
    ((101, 37), 10000, "J47G072081", "J-47-107-(57)", (37.041666666666664, 37.0, 101.0, 101.0625)),
    ((101, 37), 5000, "J47H144161", "J-47-107-(57)-c", (37.020833333333336, 37.0, 101.0, 101.03125)),
    ((101, 37), 2000, "J47I432481", "J-47-107-(57)-c-7", (37.00694444444444, 37.0, 101.0, 101.01041666666667)),
    ((101, 37), 1000, "J47J08640961", "J-47-107-(57)-c-7-3", (37.00347222222222, 37.0, 101.0, 101.00520833333333)),
    ((101, 37), 500, "J47K17281921", "J-47-107-(57)-c-7-3-3", (37.001736111111114, 37.0, 101.0, 101.00260416666667)),
    ((102, 36), 1000000, "J48", "J-48", (40, 36, 102, 108)),
    ((102, 36), 500000, "J48B002001", "J-48-C", (38.0, 36.0, 102.0, 105.0)),
    ((-180, 0), 1000000, "A01", "A-01", (4, 0, -180, -174)),
    ((-0.0, -0.0), 1000000, "A31", "A-31", (4, 0, 0, 6)),
    ((101, -37), 1000000, "SJ47", "SJ-47", (-36, -40, 96, 102)),
    ((101, -37), 500000, "SJ47B001002", "SJ-47-B", (-36.0, -38.0, 99.0, 102.0)),
    ((101, -37), 200000, "SJ-47-(12)", "SJ-47-(12)", (-36.66666666666667, -37.333333333333336, 101.0, 102.0)),
    ((101, -37), 50000, "SJ47E006021", "SJ-47-35-C", (-36.833333333333336, -37.0, 101.0, 101.25)),
    ((101, -37), 25000, "SJ47F012041", "SJ-47-35-C-3", (-36.916666666666664, -37.0, 101.0, 101.125)),
    ((0, 90), 1000000, "W31", "W-31", (92, 88, 0, 6)),
    ((0, 90), 500000, "W31B001001", "W-31-A", (92.0, 90.0, 0.0, 3.0)),
    ((0, -90), 1000000, "SW31", "SW-31", (-88, -92, 0, 6)),
    ((101.9, 39.9), 250000, "J47C001004", "J-47-[4]", (40.0, 39.0, 100.5, 102.0)),
    ((101.9, 39.9), 200000, "J-47-(06)", "J-47-(06)", (40.0, 39.333333333333336, 101.0, 102.0)),
    ((101.9, 39.9), 100000, "J47D001012", "J-47-12", (40.0, 39.666666666666664, 101.5, 102.0)),
    ((101.9, 39.9), 50000, "J47E001024", "J-47-12-B", (40.0, 39.833333333333336, 101.75, 102.0)),
    ((96.1, 36.1), 100000, "J47D012001", "J-47-133", (36.333333333333336, 36.0, 96.0, 96.5)),
    ((96.1, 36.1), 50000, "J47E024001", "J-47-133-C", (36.166666666666664, 36.0, 96.0, 96.25)),
    ((-1e-15, 0), 200000, "A-31-(36)", "A-31-(36)", (0.6666666666666666, 0.0, -1.0, 0.0)),
    ((101.004, 37.003), 500, "J47K17271922", "J-47-107-(57)-c-7-3-2",
     (37.00347222222223, 37.001736111111114, 101.00260416666667, 101.00520833333334)),
]

# position, scale, new code (or None), old code, some boundary values
PARTIAL = [
    ((101.01, 37.32), 10000, None, "J-47-107-(1)", {}),
    ((101.45, 37.32), 10000, "J47G065088", "J-47-107-(8)", {}),
    ((101.49, 37.001), 10000, "J47G072088", "J-47-107-(64)", {}),
    ((101.03, 37.02), 2000, None, "J-47-107-(57)-c-3", {}),
    ((101.03, 37.001), 2000, None, "J-47-107-(57)-c-9", {}),
    ((101.002, 37.005), 1000, None, "J-47-107-(57)-c-7-1", {}),
    ((101.008, 37.005), 1000, None, "J-47-107-(57)-c-7-2", {}),
    ((101.008, 37.001), 1000, None, "J-47-107-(57)-c-7-4", {}),
    ((101.004, 37.004), 500, "J47K17261922", None, {"south": 37.00347222222222}),
    ((101, -37), 500, "SJ47K05761921", "SJ-47-35-(57)-c-7-3-3", {"north": -36.998263888888886, "south": -37.0}),
    ((-180, 0), 500, "A01K23040001", None, {"west": -180.0, "south": 0.0}),
    ((179.999, 89.999), 500, "W60K11532304", "W-60-84-(8)-b-3-2-2", {"east": 180.0, "north": 90.0}),
    ((101, 90), 25000, "W47F024041", "W-47-71-C-3", {"south": 90.0, "north": 90.08333333333333}),
]

SCALE_MESSAGE = ("[{}] Should be one of [1000000, 500000, 250000, 200000, 100000, 50000, 25000, 10000, 5000, 2000, "
                 "1000, 500] in [scale] parameter.")


class ClassTest(unittest.TestCase):
    def test_members_in_order_with_their_kinds(self):
        members = [name for name in vars(MapGrid) if name not in ("__module__", "__doc__")]
        self.assertEqual(members, ["__init__", "_MapGrid__mapcode", "_MapGrid__mapword", "_MapGrid__mapword5000",
                                   "_MapGrid__scalecode", "_MapGrid__corner1000000", "map", "parse", "grid"])
        kinds = {name: type(vars(MapGrid)[name]) for name in members}
        self.assertEqual([kinds[n] for n in ("_MapGrid__corner1000000", "map", "parse", "grid")],
                         [classmethod, classmethod, classmethod, staticmethod])
        self.assertEqual((MapGrid._MapGrid__mapcode, MapGrid._MapGrid__mapword, MapGrid._MapGrid__mapword5000,
                          MapGrid._MapGrid__scalecode), ("ABCDEFGHIJKLMNOPQRSTUVW", "ABCD", "abcd", "BCDEFGHIJK"))
        self.assertIs(MapGrid.__bases__[0], kestrinpy.KestrinBase)

    def test_signatures_and_documentation(self):
        self.assertEqual(str(inspect.signature(corner)), "(code: 'str') -> 'Union[dict, None]'")
        self.assertEqual(str(inspect.signature(MapGrid.map)),
                         "(longitude: 'float', latitude: 'float', scale: 'int' = 1000000) -> 'dict'")
        self.assertEqual(str(inspect.signature(MapGrid.parse)), "(code: 'str') -> 'dict'")
        self.assertEqual(str(inspect.signature(MapGrid.grid)),
                         "(north: 'float', south: 'float', west: 'float', east: 'float', zoom: 'int' = 0, "
                         "summary: 'bool' = False) -> 'Iterator'")
        self.assertEqual((corner.__name__, MapGrid.map.__qualname__), ("__corner1000000", "MapGrid.map"))
        self.assertIn("2012-06-29", MapGrid.__doc__)
        self.assertIn("2012-10-01", MapGrid.__doc__)
        for method in (corner, MapGrid.map, MapGrid.parse, MapGrid.grid):
            self.assertRegex(method.__doc__, "[\u4e00-\u9fff]")

    def test_objects_answer_as_the_class(self):
        grid = MapGrid()
        self.assertEqual(grid.subscribers, {})
        self.assertEqual(grid.map(101, 37, 500), MapGrid.map(101, 37, 500))
        self.assertEqual(MapGrid.map(longitude=101.0, latitude=37, scale=10000), MapGrid.map(101, 37, 10000))


class CornerTest(unittest.TestCase):
    def test_corners(self):
        cases = [
            (["J47", "J-47", "j47", "J47D009011", "J-47-107-(57)-c-7-3-3", "  J47", "J - 47", "\t\n J-  47",
              "NJ47", "n j-47", "first line\nJ47", "\n\n  J47x", "J\n47"], (96, 36)),
            (["SJ47", "s j-47", "sj-47", "\u017fJ47"], (96, -40)),
            (["A01"], (-180, 0)), (["SA01"], (-180, -4)), (["W60"], (174, 88)), (["SV60"], (174, -88)),
            (["S47", "\u017f47"], (96, 72)), (["N47"], (96, 52)), (["J047"], (-162, 36)),
            (["\u013147"], (96, 32)),  # dotless i is upper-cased to I
        ]
        for codes, (west, south) in cases:
            for code in codes:
                with self.subTest(code=code):
                    result = corner(code)
                    self.assertEqual(exact(result.values()), exact([west, south]))
                    self.assertEqual(list(result), ["longitude", "latitude"])

    def test_codes_without_a_corner(self):
        # The Kelvin sign and I with a dot match the row letters case-blind, but
        # their upper case is no row letter: they name no band.
        for code in ["J7", "J61", "J00", "X47", "47J", "", "\u212a47", "\u013047", "J\n", "*J47"]:
            with self.subTest(code=code), self.assertRaises(Exception) as caught:
                corner(code)
            self.assertEqual(str(caught.exception), "Invalid [code] parameter.")

    def test_code_must_be_exactly_a_str(self):
        class Text(str):
            pass

        for value, name in [(None, "NoneType"), (b"J47", "bytes"), (Text("J47"), "Text")]:
            with self.subTest(value=value), self.assertRaises(TypeError) as caught:
                corner(value)
            self.assertEqual(str(caught.exception),
                             f"Argument 'code' has incorrect type (expected str, got {name})")


class WorkedExamplesTest(unittest.TestCase):
    def test_full_rows(self):
        for position, scale, new, old, boundary in WORKED:
            with self.subTest(position=position, scale=scale):
                result = MapGrid.map(*position, scale)
                self.assertEqual(list(result), ["new", "old", "boundary"])
                self.assertEqual(list(result["boundary"]), ["north", "south", "west", "east"])
                self.assertEqual((result["new"], result["old"]), (new, old))
                self.assertEqual(exact(result["boundary"].values()), exact(boundary))

    def test_partial_rows(self):
        for position, scale, new, old, edges in PARTIAL:
            with self.subTest(position=position, scale=scale):
                result = MapGrid.map(*position, scale)
                if new is not None:
                    self.assertEqual(result["new"], new)
                if old is not None:
                    self.assertEqual(result["old"], old)
                for key, value in edges.items():
                    self.assertEqual(repr(result["boundary"][key]), repr(value))

    def test_neighbouring_edges_keep_their_own_rounding(self):
        self.assertEqual(repr(MapGrid.map(101.004, 37.003, 500)["boundary"]["north"]), "37.00347222222223")
        self.assertEqual(repr(MapGrid.map(101, 37, 1000)["boundary"]["north"]), "37.00347222222222")

    def test_old_code_extends_the_coarser_one(self):
        chain = {500: 1000, 1000: 2000, 2000: 5000, 5000: 10000, 10000: 100000, 25000: 50000, 50000: 100000}
        rng = random.Random(17)
        for _ in range(200):
            position = rng.uniform(-180, 179.99), rng.uniform(-90, 90)
            for scale, coarser in chain.items():
                self.assertTrue(MapGrid.map(*position, scale)["old"].startswith(
                    MapGrid.map(*position, coarser)["old"] + "-"))

    def test_200k_code_and_sheet_numbers(self):
        self.assertEqual(MapGrid.map(96.5, 39.9, 200000)["new"], "J-47-(01)")
        result = MapGrid.map(101.5, 36.1, 200000)
        self.assertEqual(result["new"], "J-47-(36)")
        self.assertIs(result["new"], result["old"])


class FailureTest(unittest.TestCase):
    def assertFails(self, call, error, text):
        with self.assertRaises(error) as caught:
            call()
        self.assertIs(type(caught.exception), error)
        self.assertEqual(str(caught.exception), text)

    def test_positions_out_of_range(self):
        longitude = "[{}] should be between [-180 ～ +180] in [longitude] parameter."
        latitude = "[{}] should be between [-90 ～ +90] in [latitude] parameter."
        for position, text in [((200, 100), longitude.format("200.0")), ((0, 100), latitude.format("100.0")),
                               ((-180.00000000000003, 0), longitude.format("-180.00000000000003")),
                               ((NAN, 0), longitude.format("nan")), ((0, NAN), latitude.format("nan")),
                               ((-INF, 0), longitude.format("-inf")), ((0, -90.5), latitude.format("-90.5")),
                               ((200, 0, 3000), longitude.format("200.0"))]:
            with self.subTest(position=position):
                self.assertFails(lambda: MapGrid.map(*position), Exception, text)

    def test_longitude_180_names_no_sheet(self):
        for scale in [1000000, 500000, 500, 3]:
            with self.subTest(scale=scale):
                self.assertFails(lambda: MapGrid.map(180, 0, scale), Exception, "Invalid [code] parameter.")

    def test_unknown_scales(self):
        for scale in [3000, 0, -500, 10 ** 30, -(10 ** 30), 1000001]:
            with self.subTest(scale=scale):
                self.assertFails(lambda: MapGrid.map(101, 37, scale), Exception, SCALE_MESSAGE.format(scale))

    def test_argument_types(self):
        for scale, name in [(True, "bool"), (1000000.0, "float"), (None, "NoneType"), ("500", "str")]:
            with self.subTest(scale=scale):
                # the type test comes before any range check
                self.assertFails(lambda: MapGrid.map(200, 100, scale), TypeError,
                                 f"Argument 'scale' has incorrect type (expected int, got {name})")
        self.assertFails(lambda: MapGrid.map("a", 37, None), TypeError, "must be real number, not str")
        self.assertFails(lambda: MapGrid.map(101, [37]), TypeError, "must be real number, not list")
        self.assertFails(lambda: MapGrid.map(10 ** 400, 37), OverflowError, "int too large to convert to float")
        self.assertFails(lambda: MapGrid.map(101), TypeError, "map() takes at least 3 positional arguments (2 given)")
        self.assertEqual(MapGrid.map(True, False)["new"], "A31")


class MendedEdgesTest(unittest.TestCase):
    """Near the edge of a sheet rounding may step outside the sheet that the
    coarser step chose: the row and column stay inside it, so the new code, the
    old code and the boundary name one sheet."""

    def assertOneSheet(self, longitude, latitude, scale):
        result = MapGrid.map(longitude, latitude, scale)
        n, _, digits, height, width, parent, k, _ = SCALES[scale]
        new = result["new"]
        row, col = int(new[-2 * digits:-digits]), int(new[-digits:])
        self.assertTrue(1 <= row <= n and 1 <= col <= n, new)
        sheet = MapGrid.map(longitude, latitude, 1000000)["boundary"]
        south = sheet["south"] + ((n - row) * 4.0) / n
        west = sheet["west"] + ((col - 1) * 6.0) / n
        self.assertEqual(result["boundary"], {"north": south + height, "south": south, "west": west,
                                              "east": west + width})
        if parent is not None:
            parent_new = MapGrid.map(longitude, latitude, parent)["new"]
            parent_digits = SCALES[parent][2]
            parent_row = int(parent_new[-2 * parent_digits:-parent_digits])
            parent_col = int(parent_new[-parent_digits:])
            self.assertEqual(((row - 1) // k + 1, (col - 1) // k + 1), (parent_row, parent_col), new)
        return result

    def test_edges_of_the_1m_sheet(self):
        positions = [(-1e-17, 37), (101, -1e-17), (-5e-324, -5e-324), (math.nextafter(6, 0), 37),
                     (101, math.nextafter(4, 0)), (101, -4), (101, -88), (-0.0, -4.0), (math.nextafter(180, 0), 1)]
        for position in positions:
            for scale in [s for s in SCALES if s not in (1000000, 200000)]:
                with self.subTest(position=position, scale=scale):
                    self.assertOneSheet(*position, scale)

    def test_southern_multiples_of_4_lie_in_the_band_below(self):
        result = MapGrid.map(101, -4, 500)
        self.assertEqual((result["new"], result["old"]), ("SB47K00011921", "SB-47-11-(1)-a-1-1-1"))
        self.assertEqual(MapGrid.map(101, -4)["new"], "SB47")

    def test_coarser_and_finer_scales_name_one_parent(self):
        # At this position the 1:2,000 row rounds into the 1:5,000 sheet south
        # of the one that the 1:5,000 step chose.
        result = self.assertOneSheet(61.864583333333336, 6.708333333333333, 2000)
        self.assertEqual((result["new"], result["old"]), ("B41I186180", "B-41-40-(54)-d-9"))
        self.assertEqual(MapGrid.map(61.864583333333336, 6.708333333333333, 5000)["new"], "B41H062060")

    def test_worked_rows_stay_as_they_are(self):
        for position, scale, *_ in WORKED + PARTIAL:
            if scale not in (1000000, 200000):
                with self.subTest(position=position, scale=scale):
                    self.assertOneSheet(*position, scale)


class DifferentialTest(unittest.TestCase):
    """Every result bit for bit as the plain Python form computes it."""

    @staticmethod
    def positions(rng, count):
        for _ in range(count):
            yield rng.uniform(-180, 180), rng.uniform(-90, 90)
        for _ in range(count):
            n = SCALES[rng.choice(list(SCALES))][0]
            longitude = rng.randint(-180 * n // 6, 180 * n // 6 - 1) * 6 / n
            latitude = rng.randint(-90 * n // 4, 90 * n // 4) * 4 / n
            for _ in range(rng.randint(0, 2)):
                longitude = math.nextafter(longitude, rng.choice([-INF, INF]))
                latitude = math.nextafter(latitude, rng.choice([-INF, INF]))
            yield max(-180.0, longitude), min(max(-90.0, latitude), 90.0)

    def test_random_and_edge_positions(self):
        rng = random.Random(2025)
        for longitude, latitude in self.positions(rng, 1500):
            for scale in SCALES:
                self.assertEqual(outcome(MapGrid.map, longitude, latitude, scale),
                                 outcome(PlainGrid.map, longitude, latitude, scale), (longitude, latitude, scale))


def twins(members):
    """A subclass of MapGrid and one of the plain form with the same members,
    each made by members(base) for its base class."""
    return (type("Mine", (MapGrid,), members(MapGrid, "_MapGrid")),
            type("Mine", (PlainGrid,), members(PlainGrid, "_PlainGrid")))


def own(base, private, name):
    return vars(base)[f"{private}__{name}" if name.startswith("corner") else name].__func__


class SubclassTest(unittest.TestCase):
    """Members reached through the class: a subclass that replaces one changes
    the results of the others, exactly as the plain form does."""
    POSITIONS = [(101, 37), (101, -37), (101.004, 37.003), (-1e-15, 0), (179.999, 89.999), (180, 0)]

    def assertTwins(self, mine, plain):
        for position in self.POSITIONS:
            for scale in list(SCALES) + [3]:
                with self.subTest(position=position, scale=scale):
                    self.assertEqual(outcome(mine.map, *position, scale), outcome(plain.map, *position, scale))

    def test_replaced_alphabets(self):
        replacements = [{"mapcode": "WVUTSRQPONMLKJIHGFEDCBA"}, {"scalecode": "bcdefghijk"},
                        {"mapword": "WXYZ", "mapword5000": "wxyz"}, {"scalecode": "\u03b2\u03b3\u03b4\u03b5\u03b6\u03b7\u03b8\u03b9\u03ba\u03bb"},
                        {"mapword": "ABCD", "scalecode": "BCDEFGHIJK"}, {"mapcode": list("ABCDEFGHIJKLMNOPQRSTUVW")},
                        {"mapcode": "ABC"}, {"mapword5000": ["one", "two", "three", "four"]}]
        for replaced in replacements:
            with self.subTest(replaced=replaced):
                self.assertTwins(*twins(lambda base, private: {f"{private}__{k}": v for k, v in replaced.items()}))

    def test_replaced_map_is_reached_by_each_level(self):
        calls = []

        def members(base, private):
            original = own(base, private, "map")

            def map(cls, longitude, latitude, scale=1000000):
                calls.append(scale)
                result = original(cls, longitude, latitude, scale)
                return {"new": result["new"], "old": result["old"].lower() + "~", "boundary": None}
            return {"map": classmethod(map)}

        mine, plain = twins(members)
        self.assertTwins(mine, plain)
        calls.clear()
        self.assertEqual(mine.map(101, 37, 500)["old"], "j-47-107~-(57)~-c~-7~-3~-3~")
        self.assertEqual(calls, [500, 1000, 2000, 5000, 10000, 100000])

    def test_replaced_corner(self):
        calls = []

        def members(base, private):
            original = own(base, private, "corner1000000")

            def shifted(cls, code):
                calls.append(code)
                found = original(cls, code)
                return {"west": found["longitude"] + 0.5, "south": found["latitude"] - 1}
            return {f"{private}__corner1000000": classmethod(shifted)}

        self.assertTwins(*twins(members))
        calls.clear()
        mine = twins(members)[0]
        mine.map(101, 37, 500)
        self.assertEqual(calls, ["J47"] * 6)

    def test_replaced_corner_with_other_answers(self):
        answers = [{"a": 1, "b": 2, "c": 3}, {"a": 1}, None, [90, 36], {"a": "96", "b": 36}, {"a": 96, "b": 10 ** 400},
                   {"a": INF, "b": 36}, {"a": 96, "b": NAN}]
        for answer in answers:
            with self.subTest(answer=answer):
                self.assertTwins(*twins(lambda base, private: {
                    f"{private}__corner1000000": classmethod(lambda cls, code: answer)}))


if __name__ == "__main__":
    unittest.main()
