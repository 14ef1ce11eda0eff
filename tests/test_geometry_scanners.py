"""The C++ scanners of geometry text held against the host's re and json on many
random texts: recognition, free-text tokens, the WKT split, type word and body
steps, collection members, polygons, the JSON texts of the coordinate readers
and the number reader. Texts are read in all three storage widths of str."""
import json
import math
import re
import struct
import unittest

from _kestrin_probe import GeometryCore as Core
from tests import geometry_reference as ref

ROUNDS = 4000


def widths(text):
    """The text, whose storage width follows its widest character (the random
    alphabets mix characters of all three widths)."""
    yield text


class RecognitionTest(unittest.TestCase):
    def test_bracket_pairs_against_re(self):
        rng = ref.make_rng(21)
        alphabet = "[]()x " + ref.SPACES[:4] + "\u4e2d"
        for _ in range(ROUNDS):
            text = ref.random_text(rng, alphabet, 12)
            for pair, pattern in (("[]", ref.GEOJSON_TEST), ("()", ref.WKT_TEST)):
                expected = re.search(pattern, text) is not None
                for stored in widths(text):
                    self.assertEqual(Core.has_bracket_pair(stored, pair), expected, (text, pair))


class FreeTextTest(unittest.TestCase):
    def test_tokens_against_re(self):
        rng = ref.make_rng(22)
        alphabet = "12-.e,，x" + ref.SPACES + ref.NEAR_MISSES + "\u4e2d\U0001f600"
        for _ in range(ROUNDS):
            text = ref.random_text(rng, alphabet, 16)
            for stored in widths(text):
                self.assertEqual(Core.free_text_tokens(stored), ref.free_text_tokens(text), repr(text))

    def test_json_texts_against_the_reference(self):
        rng = ref.make_rng(23)
        alphabet = "12-.e,，x " + ref.SPACES[:6] + "\u3000"
        for _ in range(ROUNDS):
            text = ref.random_text(rng, alphabet, 20)
            n = len(ref.free_text_tokens(text))
            for depth in (1, 2, 3) if n % 2 == 0 else (1,):
                self.assertEqual(Core.reader_json(text, f"free{depth}"), ref.free_json(text, depth), repr(text))


class WktPartsTest(unittest.TestCase):
    def test_split_against_re(self):
        rng = ref.make_rng(24)
        for _ in range(ROUNDS):
            text = ref.structured_text(rng)
            match = re.search(ref.WKT_SPLIT, text)
            expected = (match.group(1), match.group(2)) if match else None
            for stored in widths(text):
                self.assertEqual(Core.split_wkt(stored), expected, repr(text))

    def test_first_word_against_re(self):
        rng = ref.make_rng(25)
        for _ in range(ROUNDS):
            name = ref.structured_text(rng, 20).replace("(", "").replace(")", "")
            for stored in widths(name):
                self.assertEqual(Core.first_word(stored), ref.first_word(name), repr(name))

    def test_body_steps_against_re(self):
        rng = ref.make_rng(26)
        for _ in range(ROUNDS):
            body = ref.structured_text(rng)
            if rng.random() < 0.7:
                body = "(" + body + ")"
            for step in ("point", "line", "rings"):
                expected = ref.body_step(body, step)
                for stored in widths(body):
                    self.assertEqual(Core.body_step(stored, step), expected, (body, step))

    def test_ring_list_forms_agree(self):
        """The linear form of the ring-list pattern matches what the first form
        matches, with the same group, on texts short enough for the first."""
        rng = ref.make_rng(27)
        pieces = ["(", ")", "(1 2)", "(x)", ",", ",", " ", "\t", "()", "a"]
        for _ in range(ROUNDS):
            body = "(" + "".join(rng.choice(pieces) for _ in range(rng.randint(0, 8))) + ")"
            first = re.search(ref.RING_LIST_STEP, body)
            linear = re.search(ref.RING_LIST_STEP_LINEAR, body)
            self.assertEqual(first.group(1) if first else None, linear.group(1) if linear else None, body)
            self.assertEqual(Core.body_step(body, "rings"), linear.group(1) if linear else None, body)

    def test_collection_members_against_re(self):
        """Members without inner parentheses are what re finds; members with
        them are read up to their balanced parenthesis, or the body is refused."""
        rng = ref.make_rng(28)
        words = ["Point", "MultiPoint", "LineString", "MultiLineString", "Polygon", "MultiPolygon", "Pointe"]
        compared = 0
        for _ in range(ROUNDS):
            parts = []
            for _ in range(rng.randint(0, 5)):
                parts.append(rng.choice([ref.spell(rng, rng.choice(words)), ref.structured_text(rng, 6)]))
                parts.append(rng.choice(["", " ", "\u3000", "\u200b", "\n\t"]))
                parts.append(rng.choice(["(1 2)", "(1 2, 3 4)", "()", "((1 2))", "(", ")", "(a)b)", ", "]))
            body = "(" + "".join(parts) + ")"
            texts, unreadable = Core.collection_members(body)
            expected = [m[0] for m in re.findall(ref.MEMBER, body, re.IGNORECASE)]
            if unreadable or any("(" in t[t.index("(") + 1:] for t in texts):
                continue
            compared += 1
            for stored in widths(body):
                self.assertEqual(Core.collection_members(stored), (expected, False), repr(body))
        self.assertGreater(compared, ROUNDS // 3)

    def test_balanced_members(self):
        cases = [
            ("(POLYGON ((0 0,1 0,1 1,0 0)), point (1 2))", ["POLYGON ((0 0,1 0,1 1,0 0))", "point (1 2)"], False),
            ("(MultiPolygon (((0 0,1 0,1 1,0 0)),((5 5,6 5,6 6,5 5))))",
             ["MultiPolygon (((0 0,1 0,1 1,0 0)),((5 5,6 5,6 6,5 5)))"], False),
            ("(GEOMETRYCOLLECTION (POINT (1 2), LINESTRING (1 2, 3 4)))", ["POINT (1 2)", "LINESTRING (1 2, 3 4)"],
             False),
            ("(POINT (), POINT (1 2))", ["POINT (1 2)"], False),
            ("(POINT EMPTY, PO\u0131NT(1 2))", ["PO\u0131NT(1 2)"], False),
            ("(POINT (1 2), POLYGON ((0 0, 1 1)", ["POINT (1 2)"], True),
            # Deeper than a MULTIPOLYGON: read as one member, unless it holds another.
            ("(POINT (1 2), MULTIPOLYGON ((((1 2,3 4,5 6,1 2)))))",
             ["POINT (1 2)", "MULTIPOLYGON ((((1 2,3 4,5 6,1 2))))"], False),
            ("(POINT (POINT (POINT (1 2))), POINT (3 4))", ["POINT (POINT (POINT (1 2)))", "POINT (3 4)"], False),
            ("(POINT (1 2), POINT (POINT (POINT (POINT (1 2)))), POINT (3 4))", ["POINT (1 2)"], True),
            ("(POINT (((LineString (1 2)))))", [], True),
        ]
        for body, texts, unreadable in cases:
            with self.subTest(body=body):
                self.assertEqual(Core.collection_members(body), (texts, unreadable))

    def test_polygons_against_re(self):
        rng = ref.make_rng(29)
        pieces = ["(", ")", "(1 2,3 4)", "(x)", ",", ", ", " ", "((1 2))", "()", "\u2028"]
        for _ in range(ROUNDS):
            body = "(" + "".join(rng.choice(pieces) for _ in range(rng.randint(0, 10))) + ")"
            expected = [m[0] for m in re.findall(ref.POLYGON, body)]
            for stored in widths(body):
                self.assertEqual(Core.multipolygon_polygons(stored)[0], expected, body)

    def test_text_left_outside_the_polygons(self):
        cases = [
            ("(((0 0,4 0,4 4,0 0),(1 1,2 1,2 2,1 1)),((5 5,6 5,6 6,5 5)))", False),
            ("(((0 0, 4 0, 4 4, 0 0)))", False),
            ("((((a))))", False),
            ("(((0 0,4 0,4 4,0 0), (1 1,2 1,2 2,1 1)),((5 5,6 5,6 6,5 5)))", True),
            ("(((0 0,1 0,1 1,0 0)), 5)", True),
        ]
        for body, left in cases:
            with self.subTest(body=body):
                self.assertEqual(Core.multipolygon_polygons(body)[1], left)


class ReaderTest(unittest.TestCase):
    def test_json_texts_against_the_reference(self):
        rng = ref.make_rng(30)
        alphabet = "12-.e,x ()" + ref.SPACES[:8] + "\u4e2d"
        builders = {"point": ref.point_json, "line": ref.line_json, "rings": ref.rings_json,
                    "polygons": ref.polygons_json}
        for _ in range(ROUNDS):
            text = ref.random_text(rng, alphabet, 24)
            for reader, build in builders.items():
                expected = build(text)
                for stored in widths(text):
                    self.assertEqual(Core.reader_json(stored, reader), expected, (text, reader))


class NumberTest(unittest.TestCase):
    """A token the reader reads itself has the value and type json.loads gives;
    every plain JSON number of up to 18 integer digits is read itself."""

    def random_token(self, rng):
        kind = rng.random()
        if kind < 0.15:
            return rng.choice(["NaN", "Infinity", "-Infinity", "nan", "inf", "true", "null", '"1"', "-", "",
                               "1.", ".5", "+1", "01", "-01", "1e", "1e+", "0x1", "1_0", "\u0661", "１",
                               "1e400", "-1e400", "1e-400", "5e-324", "2.4703282292062327e-324",
                               "1.7976931348623157e308", "1.7976931348623159e308", "9" * 18, "9" * 19,
                               "-" + "9" * 18, "0." + "0" * 400 + "1", "1" * 400 + ".5", "-0", "-0.0", "0e0"])
        if kind < 0.3:
            return repr(struct.unpack("<d", rng.getrandbits(64).to_bytes(8, "little"))[0])
        sign = rng.choice(["", "", "-"])
        whole = rng.choice(["0", str(rng.randint(1, 9)) + "".join(rng.choice("0123456789")
                                                                   for _ in range(rng.randint(0, 20)))])
        fraction = rng.choice(["", "", "." + "".join(rng.choice("0123456789") for _ in range(rng.randint(1, 25)))])
        exponent = rng.choice(["", "", "e" + rng.choice(["", "+", "-"]) + str(rng.randint(0, 330)),
                               "E" + str(rng.randint(0, 20))])
        token = sign + whole + fraction + exponent
        if rng.random() < 0.05:
            position = rng.randint(0, len(token))
            token = token[:position] + rng.choice("x.-+e \u00e9") + token[position:]
        return token

    def test_against_json(self):
        rng = ref.make_rng(31)
        read_itself = 0
        for _ in range(ROUNDS * 10):
            token = self.random_token(rng)
            ours = Core.json_number(token)
            plain = re.fullmatch(r"-?(0|[1-9][0-9]{0,17})", token) or (
                re.fullmatch(r"-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][-+]?[0-9]+)?", token)
                and not re.fullmatch(r"-?(0|[1-9][0-9]*)", token) and math.isfinite(float(token))
                and (float(token) != 0 or not re.search(r"[1-9]", token.split("e")[0].split("E")[0])))
            if plain:
                self.assertIsNotNone(ours, token)
            if ours is None:
                continue
            read_itself += 1
            expected = json.loads(token)
            self.assertIs(type(ours), type(expected), token)
            if isinstance(expected, float) and math.isnan(expected):
                self.assertTrue(math.isnan(ours), token)
            else:
                self.assertEqual(struct.pack("<d", ours) if type(ours) is float else ours,
                                 struct.pack("<d", expected) if type(expected) is float else expected, token)
        self.assertGreater(read_itself, ROUNDS * 5)


if __name__ == "__main__":
    unittest.main()


class TextBranchTest(unittest.TestCase):
    """Geometry.loads of random WKT and free texts against the readers written
    with re and json: the same result, or the same error (type, message and,
    for a JSON error, its document). The two differences on purpose: members of
    a collection are read up to their balanced parenthesis, and a multipolygon
    body with coordinates outside the polygons found is refused."""

    @staticmethod
    def outcome(call):
        try:
            return "result", repr(call())
        except Exception as error:
            return type(error).__name__, str(error), getattr(error, "doc", None)

    def test_against_the_reference(self):
        from src import kestrinpy

        Geometry = kestrinpy.Geometry

        def normalise(kind, coordinates, code):
            return Geometry.loads({"type": kind, "coordinates": coordinates}, code)

        rng = ref.make_rng(32)
        compared = results = 0
        for _ in range(ROUNDS * 2):
            text = ref.wkt_like(rng) if rng.random() < 0.7 else ref.free_like(rng)
            code = rng.choice([-1, -1, -1, None, 0, 1, 2])
            ours = self.outcome(lambda: Geometry.loads(text, code))
            expected = self.outcome(lambda: ref.text_loads(normalise, text, code))
            if ours != expected:
                split = Core.split_wkt(text)
                body = split[1] if split else ""
                texts, unreadable = Core.collection_members(body)
                inner = unreadable or any("(" in t[t.index("(") + 1:] for t in texts)
                left = Core.multipolygon_polygons(body)[1]
                self.assertTrue(inner or (left and ours[:2] == ("Exception", "Invalid [coordinates] parameter.")),
                                (text, code, ours, expected))
                continue
            compared += 1
            results += ours[0] == "result"
        self.assertGreater(compared, ROUNDS)
        self.assertGreater(results, ROUNDS // 4)
