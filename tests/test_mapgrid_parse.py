"""MapGrid.parse: the scale and the boundary of the sheet that a new or an old
sheet code names, old codes read again as the new code of their sheet."""
import math
import random
import unittest

from src import kestrinpy
from tests.mapgrid_plain import SCALES, PlainGrid
from tests.test_mapgrid_map import exact, outcome

MapGrid = kestrinpy.MapGrid
parse = MapGrid.parse

# the sheets that hold 101° E, 37° N: new code, old code, scale, north, south, west, east
SHEETS = [
    ("J47B002002", "J-47-D", 500000, 38.0, 36.0, 99.0, 102.0),
    ("J47C003004", "J-47-[12]", 250000, 38.0, 37.0, 100.5, 102.0),
    ("J47D009011", "J-47-107", 100000, 37.333333333333336, 37.0, 101.0, 101.5),
    ("J47E018021", "J-47-107-C", 50000, 37.166666666666664, 37.0, 101.0, 101.25),
    ("J47F036041", "J-47-107-C-3", 25000, 37.083333333333336, 37.0, 101.0, 101.125),
    ("J47G072081", "J-47-107-(57)", 10000, 37.041666666666664, 37.0, 101.0, 101.0625),
    ("J47H144161", "J-47-107-(57)-c", 5000, 37.020833333333336, 37.0, 101.0, 101.03125),
    ("J47I432481", "J-47-107-(57)-c-7", 2000, 37.00694444444444, 37.0, 101.0, 101.01041666666667),
    ("J47J08640961", "J-47-107-(57)-c-7-3", 1000, 37.00347222222222, 37.0, 101.0, 101.00520833333333),
    ("J47K17281921", "J-47-107-(57)-c-7-3-3", 500, 37.001736111111114, 37.0, 101.0, 101.00260416666667),
]

BETWEEN = "[{}] should be between [1～{}] in [code] parameter."
INVALID = "Invalid [code] parameter."
UNRECOGNISED = "Unable to recognize [code] parameter."


def recorded():
    """A subclass whose parse notes every code it is given, and the notes."""
    codes = []
    own = vars(MapGrid)["parse"].__func__

    def noting(cls, code):
        codes.append(code)
        return own(cls, code)
    return type("Noting", (MapGrid,), {"parse": classmethod(noting)}), codes


def rewritten(code):
    """The new code that an old code is read again as."""
    noting, codes = recorded()
    noting.parse(code)
    return codes[1] if len(codes) > 1 else None


class NewCodeTest(unittest.TestCase):
    def assertSheet(self, code, scale, boundary):
        result = parse(code)
        self.assertEqual(list(result), ["scale", "boundary"])
        self.assertEqual(list(result["boundary"]), ["north", "south", "west", "east"])
        self.assertEqual(exact([result["scale"], *result["boundary"].values()]), exact([scale, *boundary]))

    def test_1m_sheets(self):
        for codes, boundary in [(["J47", "j47", "J-47", "NJ47", "nJ47", " n j - 47 ", "J\n47", "nothing\nJ47"],
                                 (40, 36, 96, 102)),
                                (["SJ47", "s j-47", "\u017fJ47"], (-36, -40, 96, 102)), (["S47"], (76, 72, 96, 102)),
                                (["SS47"], (-72, -76, 96, 102)), (["\u013147"], (36, 32, 96, 102)),
                                (["J47\nB002002"], (40, 36, 96, 102)), (["J47\nK-48"], (44, 40, 102, 108))]:
            for code in codes:
                with self.subTest(code=code):
                    self.assertSheet(code, 1000000, boundary)

    def test_sheets_of_a_position(self):
        for new, _, scale, *boundary in SHEETS:
            with self.subTest(code=new):
                self.assertSheet(new, scale, boundary)
        for code in ["J47b002002", "J47 B 002 002", "J47B002 002", "J-47B002002", " J 47 B002002 ",
                     "J47B\uff10\uff10\uff12\uff10\uff10\uff12", "J47\tB002\u3000002\r"]:
            with self.subTest(code=code):
                self.assertSheet(code, 500000, (38.0, 36.0, 99.0, 102.0))
        self.assertSheet("J47\u0131432481", 2000, SHEETS[7][3:])

    def test_corners_of_a_1m_sheet(self):
        self.assertSheet("J47K00010001", 500, (40.0, 39.998263888888886, 96.0, 96.00260416666667))
        self.assertSheet("SJ47K23042304", 500, (-39.998263888888886, -40.0, 101.99739583333333, 102.0))

    def test_failures_in_their_order(self):
        cases = [
            ("J47B000001", "[000 001] should be greater than 0 in [code] parameter."),
            ("J47B001000", "[001 000] should be greater than 0 in [code] parameter."),
            ("J47B\uff10\uff10\uff10001", "[\uff10\uff10\uff10 001] should be greater than 0 in [code] parameter."),
            ("J47B003001", BETWEEN.format("003", 2)), ("J47B001003", BETWEEN.format("003", 2)),
            ("J47J23050001", BETWEEN.format("2305", 2304)), ("J47J00012305", BETWEEN.format("2305", 2304)),
            ("J47J11530001", BETWEEN.format("1153", 1152)),
            ("J47\u212a00010001", "[\u212a] should be one of [BCDEFGHIJK] in [code] parameter."),
            ("J47\u0130001001", "[\u0130] should be one of [BCDEFGHIJK] in [code] parameter."),
            ("J47\u212a23050001", BETWEEN.format("2305", 2304)),  # the ranges come before the letter
            ("J47B0020020", INVALID), ("J47B2002", INVALID), ("J47J001001", INVALID), ("J47B002002x", INVALID),
            ("J470", INVALID), ("J47-", INVALID), ("J047", INVALID), ("J47Z", INVALID),
            ("*J47", INVALID), ("N*J47", INVALID), ("\u212a47", INVALID), ("\u013047", INVALID),
            ("", UNRECOGNISED), ("X47", UNRECOGNISED), ("J61", UNRECOGNISED), ("J00", UNRECOGNISED),
            ("J6", UNRECOGNISED), ("J 4 7", UNRECOGNISED), ("J*47", UNRECOGNISED), (" \n" * 100000, UNRECOGNISED),
        ]
        for code, text in cases:
            with self.subTest(code=code[:20]), self.assertRaises(Exception) as caught:
                parse(code)
            self.assertIs(type(caught.exception), Exception)
            self.assertEqual(str(caught.exception), text)

    def test_code_must_be_exactly_a_str(self):
        class Text(str):
            pass

        for value, name in [(None, "NoneType"), (b"J47", "bytes"), (47, "int"), (Text("J47"), "Text")]:
            with self.subTest(value=value), self.assertRaises(TypeError) as caught:
                parse(value)
            self.assertEqual(str(caught.exception), f"Argument 'code' has incorrect type (expected str, got {name})")
        self.assertEqual(parse(code="J47")["scale"], 1000000)
        self.assertEqual(MapGrid().parse("J47"), parse("J47"))


class OldCodeTest(unittest.TestCase):
    def test_old_and_new_codes_of_a_sheet_agree(self):
        for new, old, *_ in SHEETS:
            with self.subTest(code=old):
                self.assertEqual(repr(parse(old)), repr(parse(new)))
                self.assertEqual(rewritten(old), "N" + new)

    def test_200k_sheets(self):
        self.assertEqual(exact(parse("J-47-(30)")["boundary"].values()),
                         exact([37.33333333333333, 36.666666666666664, 101.0, 102.0]))
        self.assertEqual(parse("J-47-(1)")["boundary"]["north"], 40.0)
        self.assertEqual(exact(list(parse("J-47-(36)")["boundary"].values())[:2]), exact([36.666666666666664, 36.0]))
        self.assertIsNone(rewritten("J-47-(30)"))  # computed directly, not read again
        self.assertEqual(parse("J-47-(30)")["scale"], 200000)

    def test_rewritten_codes(self):
        cases = [("j-47-d", "NJ47B002002"), ("J-47-107-c-3", "NJ47F036041"), ("S J-47-d", "SJ47B002002"),
                 ("J-47 - 107 - C - 3", "NJ47F036041"), ("J-47-[\uff11\uff12]", "NJ47C003004"),
                 ("J-47-107-(1)", "NJ47G065081"), ("J-47-107-(8)", "NJ47G065088"), ("J-47-107-(9)", "NJ47G066081"),
                 ("J-47-107-(64)", "NJ47G072088"), ("J-47-107-(01)", "NJ47G065081"),
                 ("J-47-107-(\uff15\uff17)", "NJ47G072081"),
                 ("J-47-107-(57)-a", "NJ47H143161"), ("J-47-107-(57)-b", "NJ47H143162"),
                 ("J-47-107-(57)-d", "NJ47H144162"), ("J-47-107-(57)-C", "NJ47H144161"),
                 ("J-47-107-(57)-c-1", "NJ47I430481"), ("J-47-107-(57)-c-3", "NJ47I430483"),
                 ("J-47-107-(57)-c-4", "NJ47I431481"), ("J-47-107-(57)-c-6", "NJ47I431483"),
                 ("J-47-107-(57)-c-9", "NJ47I432483"),
                 ("J-47-107-(57)-c-7-1", "NJ47J08630961"), ("J-47-107-(57)-c-7-2", "NJ47J08630962"),
                 ("J-47-107-(57)-c-7-4", "NJ47J08640962"),
                 ("J-47-107-(57)-c-7-3-1", "NJ47K17271921"), ("J-47-107-(57)-c-7-3-2", "NJ47K17271922"),
                 ("J-47-107-(57)-c-7-3-4", "NJ47K17281922"),
                 ("A-01-1-(1)-a-1-1-1", "NA01K00010001"), ("A-01-144-(64)-d-9-4-4", "NA01K23042304"),
                 ("W-60-84-(8)-b-3-2-2", "NW60K11532304"), ("SJ-47-35-(57)-c-7-3-3", "SJ47K05761921"),
                 ("J-47-107 - (57) - c", "NJ47H144161"),
                 ("J-47-107-(57)-c-7-3-3-9", "NJ47K17281921"), ("J-47-107-(57)-c-7-3-34", "NJ47K17281921"),
                 ("J-47-107-(57)-c-7-3-3 and more", "NJ47K17281921")]
        for code, new in cases:
            with self.subTest(code=code):
                self.assertEqual(rewritten(code), new)
                self.assertEqual(repr(parse(code)), repr(parse(new)))

    def test_failures(self):
        cases = [
            ("J-47-D-1", INVALID), ("J-47-[12]-3", INVALID), ("J-47-(30)x", INVALID), ("J-47-[123]", INVALID),
            ("J-47-[17]", BETWEEN.format("17", 16)), ("J-47-[0]", BETWEEN.format("0", 16)),
            ("J-47-(00)", BETWEEN.format("00", 36)), ("J-47-(37)", BETWEEN.format("37", 36)),
            ("J-47-145-C", BETWEEN.format("145", 144)), ("J-47-000", BETWEEN.format("000", 144)),
            ("J-47-1234", INVALID),
            ("J-47-107-C-5", BETWEEN.format("J-47-107-C-5", 4)), ("J-47-107-C3", BETWEEN.format("J-47-107-C3", 4)),
            ("J-47-107-Cx", BETWEEN.format("J-47-107-Cx", 4)), ("J-47-107-C-3-1", BETWEEN.format("J-47-107-C-3-1", 4)),
            (" J-47-107-C-5\n", BETWEEN.format(" J-47-107-C-5\n", 4)),
            ("J-47-107-(0)", BETWEEN.format("0", 64)), ("J-47-107-(00)", BETWEEN.format("00", 64)),
            ("J-47-107-(65)", BETWEEN.format("65", 64)), ("J-47-107-(99)", BETWEEN.format("99", 64)),
            ("J-47-107-(100)", INVALID), ("J-47-107-( 57)", INVALID), ("J-47-107-(57)c", INVALID),
            ("J-47-107-(57)-e", INVALID), ("J-47-107-(57)-c-0", INVALID), ("J-47-107-(57)-c-7-5", INVALID),
            ("J-47-107-(57)-c-7-3-", INVALID), ("J-47-", INVALID), ("J-47-(30)-a", INVALID), ("J-47-x", INVALID),
        ]
        for code, text in cases:
            with self.subTest(code=code), self.assertRaises(Exception) as caught:
                parse(code)
            self.assertIs(type(caught.exception), Exception)
            self.assertEqual(str(caught.exception), text)


class RoundTripTest(unittest.TestCase):
    """The new and the old code of every sheet that map names give map's own boundary
    back, bit for bit; at 1:200,000 only where the code's column, taken from
    the rounded sum 180 + longitude, is the column of the boundary."""

    def test_codes_of_map(self):
        rng = random.Random(18)
        for _ in range(3000):
            scale = rng.choice(list(SCALES))
            n = SCALES[scale][0]
            longitude = rng.randint(-180 * n // 6, 180 * n // 6 - 1) * 6 / n
            latitude = rng.randint(-90 * n // 4, 90 * n // 4) * 4 / n
            if rng.random() < 0.5:
                longitude, latitude = rng.uniform(-180, 180), rng.uniform(-90, 90)
            for _ in range(rng.randint(0, 2)):
                longitude = math.nextafter(longitude, rng.choice([-math.inf, math.inf]))
                latitude = math.nextafter(latitude, rng.choice([-math.inf, math.inf]))
            longitude, latitude = min(max(-180.0, longitude), 179.99), min(max(-90.0, latitude), 90.0)
            sheet = MapGrid.map(longitude, latitude, scale)
            if scale == 200000 and math.floor((180 + longitude) / 6) != math.floor(longitude / 6) + 30:
                continue
            for key in ("new", "old"):
                with self.subTest(position=(longitude, latitude), scale=scale, code=sheet[key]):
                    result = parse(sheet[key])
                    self.assertEqual(result["scale"], scale)
                    self.assertEqual(exact(result["boundary"].values()), exact(sheet["boundary"].values()))

    def test_200k_column_from_the_rounded_sum(self):
        sheet = MapGrid.map(-1e-15, 0, 200000)
        self.assertEqual(sheet["new"], "A-31-(36)")
        self.assertEqual(parse(sheet["new"])["boundary"]["west"], 5.0)
        self.assertEqual(sheet["boundary"]["west"], -1.0)


class DifferentialTest(unittest.TestCase):
    """Every result and failure as the plain Python form gives it, on real codes
    changed at random."""
    TOKENS = ["-", " ", "\n", "(", ")", "[", "]", "0", "1", "4", "9", "\uff15", "a", "C", "K", "\u212a", "\u0131",
              "S", "N", "*", "x", "--", "-(", ")-"]

    def codes(self, rng, count):
        for _ in range(count):
            longitude, latitude = rng.uniform(-180, 179.99), rng.uniform(-90, 90)
            code = MapGrid.map(longitude, latitude, rng.choice(list(SCALES)))[rng.choice(["new", "old"])]
            for _ in range(rng.randint(0, 3)):
                at = rng.randint(0, len(code))
                action = rng.random()
                if action < 0.4:
                    code = code[:at] + rng.choice(self.TOKENS) + code[at:]
                elif action < 0.7:
                    code = code[:at] + code[at + 1:]
                elif action < 0.85:
                    code = code.lower() if rng.random() < 0.5 else code.upper()
                else:
                    code = code[:at] + rng.choice(self.TOKENS) + code[at + 1:]
            yield code

    def test_changed_codes(self):
        rng = random.Random(1818)
        for code in self.codes(rng, 6000):
            self.assertEqual(outcome(parse, code), outcome(PlainGrid.parse, code), code)


def twins(members):
    return (type("Mine", (MapGrid,), members(MapGrid, "_MapGrid")),
            type("Mine", (PlainGrid,), members(PlainGrid, "_PlainGrid")))


class SubclassTest(unittest.TestCase):
    CODES = ["J47", "SJ47", "J47K17281921", "J-47-D", "j-47-b", "J-47-[12]", "J-47-(30)", "J-47-107", "J-47-107-C",
             "J-47-107-C-3", "J-47-107-(57)", "J-47-107-(57)-c", "J-47-107-(57)-c-7-3-3", "S47", "\u212a47", "*J47"]

    def assertTwins(self, mine, plain):
        for code in self.CODES:
            with self.subTest(code=code):
                self.assertEqual(outcome(mine.parse, code), outcome(plain.parse, code))

    def test_replaced_alphabets(self):
        for replaced in [{"mapword": "WXYZ"}, {"mapword": "DCBA"}, {"mapword5000": "dcba"}, {"mapword5000": "wxyz"},
                         {"mapcode": "WVUTSRQPONMLKJIHGFEDCBA"}, {"mapword": "ABCDEFGH"}, {"mapword": list("ABCD")}]:
            with self.subTest(replaced=replaced):
                self.assertTwins(*twins(lambda base, private: {f"{private}__{k}": v for k, v in replaced.items()}))

    def test_replaced_parse_reads_the_rewritten_code(self):
        def members(answer):
            def build(base, private):
                own = vars(base)["parse"].__func__

                def parse(cls, code):
                    result = own(cls, code)
                    return answer(result)
                return {"parse": classmethod(parse)}
            return build

        for answer in [lambda result: result, lambda result: None, lambda result: "text", lambda result: [result],
                       lambda result: {"scale": result["scale"]}]:
            self.assertTwins(*twins(members(answer)))
        mine = twins(members(lambda result: "text"))[0]
        with self.assertRaises(TypeError) as caught:
            mine.parse("J-47-D")
        self.assertEqual(str(caught.exception), "Expected dict, got str")
        self.assertIsNone(twins(members(lambda result: None))[0].parse("J-47-D"))

    def test_replaced_corner(self):
        calls = []

        def members(base, private):
            own = vars(base)[f"{private}__corner1000000"].__func__

            def corner(cls, code):
                calls.append(code)
                found = own(cls, code)
                return {"west": found["longitude"] + 0.25, "south": found["latitude"] * 1.0}
            return {f"{private}__corner1000000": classmethod(corner)}

        self.assertTwins(*twins(members))
        calls.clear()
        twins(members)[0].parse("j-47-107-(57)")
        self.assertEqual(calls, ["NJ47", "NJ47"])  # once for the old code, once for its new code

    def test_replaced_corner_with_other_answers(self):
        # the first two values by position: a third is not looked at, a missing second is an IndexError
        for answer in [{"longitude": 96, "latitude": 36, "source": "mine"}, {"longitude": 96}, {}, [96, 36],
                       {"a": 96.5, "b": -40.0}]:
            with self.subTest(answer=answer):
                self.assertTwins(*twins(lambda base, private: {
                    f"{private}__corner1000000": classmethod(lambda cls, code: answer)}))
        mine = twins(lambda base, private: {f"{private}__corner1000000": classmethod(
            lambda cls, code: {"longitude": 96, "latitude": 36, "source": "mine"})})[0]
        self.assertEqual(mine.parse("J47B002002"), kestrinpy.MapGrid.parse("J47B002002"))
        self.assertEqual(mine.map(101, 37, 10000), kestrinpy.MapGrid.map(101, 37, 10000))


if __name__ == "__main__":
    unittest.main()
