"""Geometry.loads of text: the branch chosen by code, GeoJSON text read by the
host's json, free text, WKT text with or without its type word, collections,
the values and errors of the host's JSON reader, and hostile texts."""
import json
import unittest

from src import kestrinpy
from tests import geometry_reference as ref

Geometry = kestrinpy.Geometry

INVALID_PARAMETER = "Invalid parameter."
INVALID_COORDINATES = "Invalid [coordinates] parameter."
INVALID_TYPE = "Invalid type in [coordinates] parameter."
INVALID_CODE = "Invalid [code] parameter."
DIMENSION = "Invalid [coordinates] parameter. Dimension should be greater than 1."
LINE_COUNT = "Invalid [coordinates] parameter. The number of vertices should be greater than 1."
RING_COUNT = "Invalid [coordinates] parameter. The number of vertices should be greater than 2."
SHOULD_BE_LIST = "Invalid type in [coordinates] parameter. Should be [list]"

P = "Point"
MP = "MultiPoint"
L = "LineString"
ML = "MultiLineString"
PG = "Polygon"
MPG = "MultiPolygon"


class TextCaseMixin:
    def check(self, cases):
        """Rows of (text, codes, expected): a (type, coordinates) pair, a dict, or
        an (error type, message) pair."""
        for text, codes, expected in cases:
            for code in codes:
                with self.subTest(text=text, code=code):
                    if isinstance(expected, tuple) and isinstance(expected[0], type):
                        error, message = expected
                        with self.assertRaises(error) as caught:
                            Geometry.loads(text, code)
                        self.assertIs(type(caught.exception), error)
                        self.assertEqual(str(caught.exception), message)
                        continue
                    result = Geometry.loads(text, code)
                    if isinstance(expected, dict):
                        self.assertEqual(repr(result), repr(expected))
                    else:
                        self.assertEqual(list(result), ["type", "coordinates"])
                        self.assertEqual(result["type"], expected[0])
                        self.assertEqual(repr(result["coordinates"]), repr(expected[1]))


class BranchTest(TextCaseMixin, unittest.TestCase):
    def test_code_is_tested_before_the_text(self):
        for text in ("[1, 2]", "", "POINT (1 2)"):
            for code in (3, -2, 10 ** 30):
                with self.subTest(text=text, code=code):
                    with self.assertRaises(Exception) as caught:
                        Geometry.loads(text, code)
                    self.assertEqual(str(caught.exception), f"[{code}] should be one of [-1,0,1,2] in [code] parameter.")
        with self.assertRaises(TypeError):
            Geometry.loads("1 2", True)

    def test_str_subclass_is_refused_as_other_input(self):
        text = type("Text", (str,), {})("1 2")
        with self.assertRaises(Exception) as caught:
            Geometry.loads(text)
        self.assertEqual(str(caught.exception), "[Text] is not a valid type in [coordinates] parameter.")


class Traced(Geometry):
    """Records the arguments of every loads call made through it."""
    seen = []

    @classmethod
    def loads(cls, coordinates, code=-1):
        cls.seen.append((coordinates, code))
        return super().loads(coordinates, code)


class NestedCallTest(unittest.TestCase):
    def test_nested_calls_go_through_the_class_with_the_default_code(self):
        collection = '{"type": "GeometryCollection", "geometries": [{"coordinates": [1, 2]}]}'
        wkt = "GEOMETRYCOLLECTION (POINT (1 2), polygon ((0 0, 1 0, 1 1)))"
        cases = [
            ("[[1, 2], [3, 4]]", -1, [([[1.0, 2.0], [3.0, 4.0]], -1)]),
            ("[[1, 2], [3, 4]]", 0, []),  # the branches other than the automatic one infer the type themselves
            ('{"coordinates": [[1, 2], [3, 4]]}', -1, [([[1.0, 2.0], [3.0, 4.0]], -1)]),
            (collection, 2, [({"type": "GeometryCollection", "geometries": [{"coordinates": [1.0, 2.0]}]}, -1),
                             ({"coordinates": [1.0, 2.0]}, -1)]),
            (wkt, 2, [("POINT (1 2)", -1), ("polygon ((0 0, 1 0, 1 1))", -1)]),
        ]
        for text, code, nested in cases:
            with self.subTest(text=text, code=code):
                Traced.seen = []
                Traced.loads(text, code)
                self.assertEqual(Traced.seen, [(text, code)] + nested)


class GeoJsonTextTest(TextCaseMixin, unittest.TestCase):
    def test_objects_and_arrays(self):
        point = '{"type": "Point", "coordinates": [-115.81, 37.24]}'
        self.check([
            (point, [-1, None, 0], (P, [-115.81, 37.24])),
            (point, [1, 2], (Exception, INVALID_CODE)),
            ("[-115.81, 37.24]", [-1, None, 0], (P, [-115.81, 37.24])),
            ("[-115.81, 37.24]", [1, 2], (Exception, INVALID_PARAMETER)),
            ("[[1, 2], [3, 4]]", [-1, None, 1], (L, [[1.0, 2.0], [3.0, 4.0]])),
            ("[[1, 2], [3, 4]]", [0], (MP, [[1.0, 2.0], [3.0, 4.0]])),
            ("[[1, 2], [3, 4]]", [2], (Exception, INVALID_PARAMETER)),
            ("[[[0, 0], [1, 0], [1, 1]]]", [2, -1], (PG, [[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]])),
            ("[[[0, 0], [1, 0], [1, 1]]]", [1], (ML, [[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0]]])),
            ("[[[[0, 0], [1, 0], [1, 1]]]]", [2], (MPG, [[[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]]])),
            ("[[[[0, 0], [1, 0], [1, 1]]]]", [1], (Exception, INVALID_PARAMETER)),
            ('{"coordinates": [[1, 2], [3, 4]]}', [-1], (L, [[1.0, 2.0], [3.0, 4.0]])),
            ('{"coordinates": [[1, 2], [3, 4]]}', [0], (MP, [[1.0, 2.0], [3.0, 4.0]])),
            ('{"type": null, "coordinates": [1, 2]}', [-1], (P, [1.0, 2.0])),
            ('{"type": null, "coordinates": [1, 2]}', [0], (Exception, INVALID_CODE)),
            ('{"type": "LineString", "coordinates": [[1, 2], [3, 4]]}', [0], (Exception, INVALID_CODE)),
            ('{"type": "LineString", "coordinates": 5, "bbox": [0, 1]}', [-1], (Exception, INVALID_COORDINATES)),
            ('{"type": "GeometryCollection", "coordinates": [[1, 2]]}', [0], (Exception, INVALID_PARAMETER)),
            ('{"type": "Point", "coordinates": [1, 2], "bbox": [1, 2, 1, 2]}', [-1], (P, [1.0, 2.0])),
            ("[ ]", [-1, 0, 1, 2], (IndexError, "list index out of range")),
            ("[[]]", [1], (IndexError, "list index out of range")),
            ('"[1, 2]"', [-1, 0, 1, 2], (Exception, INVALID_PARAMETER)),
            ('{"bbox": [1, 2]}', [-1, 0], (Exception, INVALID_PARAMETER)),
            ('{"type": "Point", "bbox": [1, 2]}', [-1, 0], (TypeError, "Expected list, got NoneType")),
            ('{"type": "LineString", "bbox": [1, 2]}', [-1], (TypeError, "object of type 'NoneType' has no len()")),
            ('{"type": "MultiPoint", "bbox": [1, 2]}', [-1], (TypeError, "'NoneType' object is not iterable")),
            ('{"type": "Point", "bbox": [1, 2]}', [1, 2], (Exception, INVALID_CODE)),
            ('[{"a": 1}]', [2], (Exception, SHOULD_BE_LIST)),
            ('[{"a": 1}]', [1], (KeyError, "0")),
            ('[{}]', [1], (Exception, LINE_COUNT)),
            ("[1, 2]", [None], (P, [1.0, 2.0])),
            ("[[1, 2], [3, 4]]", [None], (L, [[1.0, 2.0], [3.0, 4.0]])),
        ])

    def test_collections(self):
        text = ('{"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1, 2]}, '
                '{"coordinates": [[1, 2], [3, 4]]}]}')
        expected = {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1.0, 2.0]},
                                                                 {"type": "LineString",
                                                                  "coordinates": [[1.0, 2.0], [3.0, 4.0]]}]}
        self.check([(text, [-1, 0, 1, 2], expected)])
        # Its only bracket pair is empty: not GeoJSON text but free text of four tokens.
        with self.assertRaises(json.JSONDecodeError) as caught:
            Geometry.loads('{"type": "GeometryCollection", "geometries": []}')
        self.assertEqual(caught.exception.doc, '[[{"type":,"GeometryCollection"],["geometries":,[]}]]')

    def test_a_nested_result_must_be_a_dict(self):
        class Odd(Geometry):
            @classmethod
            def loads(cls, coordinates, code=-1):
                return 5 if isinstance(coordinates, list) else super().loads(coordinates, code)

        with self.assertRaises(TypeError) as caught:
            Odd.loads("[[1, 2], [3, 4]]")
        self.assertEqual(str(caught.exception), "Expected dict, got int")

    def test_json_errors_are_the_hosts(self):
        for text in ("[1, 2] x", "['a', 1]", "[1, 2]]", "POINT [1 2]", "[" * 100000 + "]" * 100000):
            with self.subTest(text=text[:20]):
                try:
                    json.loads(text)
                except (ValueError, RecursionError) as error:
                    expected = error
                with self.assertRaises(type(expected)) as caught:
                    Geometry.loads(text)
                self.assertEqual(str(caught.exception), str(expected))


class FreeTextTest(TextCaseMixin, unittest.TestCase):
    def test_types_by_branch_and_count(self):
        four = [[120.0, 38.0], [122.0, 39.0], [99.0, 28.0], [120.0, 38.0]]
        self.check([
            ("120,38", [-1, None, 0], (P, [120.0, 38.0])),
            ("120 38", [-1], (P, [120.0, 38.0])),
            ("120 38", [1, 2], (Exception, INVALID_PARAMETER)),
            ("120 38,122 39,99 28,120 38", [-1, 1], (L, four)),
            ("120,38 122,39 99,28 120,38", [0], (MP, four)),
            ("120 38,122 39,99 28,120 38", [2], (PG, [four])),
            ("0 0,1 0,1 1", [2], (PG, [[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]])),
            ("0 0,1 1", [2], (Exception, INVALID_PARAMETER)),
            ("1 2 3", [-1, 0, 1, 2], (Exception, INVALID_PARAMETER)),
            ("", [-1, 0, 1, 2], (Exception, INVALID_PARAMETER)),
            (" \t\u3000", [-1], (Exception, INVALID_PARAMETER)),
            ("1 2,1 2", [-1], (Exception, LINE_COUNT)),
            ("1 1,1 1,2 2", [2], (Exception, RING_COUNT)),
            ("1 2 3 4", [0], (MP, [[1.0, 2.0], [3.0, 4.0]])),
        ])

    def test_separators(self):
        self.check([
            (text, [-1], (P, [1.0, 2.0])) for text in
            ["1，2", "1\u30002", " 1 ,, 2 ", "1\x1c2", "1\x852", "1\xa02", "1\u20282", "1 ，，, 2", "\t1\n2\r\n"]
        ])
        self.check([
            ("1\u200b2", [-1], (Exception, INVALID_PARAMETER)),  # not white space: one token
            ("1\ufeff 2", [-1], (json.JSONDecodeError, "Expecting ',' delimiter: line 1 column 3 (char 2)")),
            (",1,2", [-1, 0, 1, 2], (Exception, INVALID_PARAMETER)),
            ("1,2,", [-1], (Exception, INVALID_PARAMETER)),
            (",1,2,3", [-1, 0, 1], (json.JSONDecodeError, "Expecting value: line 1 column 3 (char 2)")),
            (",1,2,3", [2], (Exception, INVALID_PARAMETER)),
        ])

    def test_values_are_read_as_json_reads_them(self):
        self.check([
            ("1e2 -2.5", [-1], (P, [100.0, -2.5])),
            ("true false", [-1], (P, [1.0, 0.0])),
            ("1e2 -2.5", [1], (Exception, INVALID_PARAMETER)),
            ("NaN -Infinity", [-1], (P, [float("nan"), -float("inf")])),
            ("1e400 1e-400", [-1], (P, [float("inf"), 0.0])),
            ("12345678901234567890123 1", [-1], (P, [1.2345678901234568e+22, 1.0])),
            ("1 x", [-1], (json.JSONDecodeError, "Expecting value: line 1 column 4 (char 3)")),
            ("+1 2", [-1], (json.JSONDecodeError, "Expecting value: line 1 column 2 (char 1)")),
            ("01 2", [-1], (json.JSONDecodeError, "Expecting ',' delimiter: line 1 column 3 (char 2)")),
            ("null 2", [-1], (TypeError, "float() argument must be a string or a real number, not 'NoneType'")),
            ('"a" 2', [-1], (ValueError, "could not convert string to float: 'a'")),
        ])

    def test_json_error_document_is_the_built_text(self):
        with self.assertRaises(json.JSONDecodeError) as caught:
            Geometry.loads("1 2, 3 x")
        self.assertEqual(caught.exception.doc, "[[1,2],[3,x]]")
        self.assertEqual(caught.exception.pos, 10)


class WktTextTest(TextCaseMixin, unittest.TestCase):
    def test_type_words_and_simple_format(self):
        line = [[-155.52, 19.61], [-156.22, 20.74], [-157.97, 21.46]]
        self.check([
            ("POINT(-115.81 37.24)", [-1, 0, None], (P, [-115.81, 37.24])),
            ("(-115.81 37.24)", [-1, 0], (P, [-115.81, 37.24])),
            ("POINT(-115.81 37.24)", [1, 2], (Exception, INVALID_TYPE)),
            ("(-115.81 37.24)", [1], (Exception, LINE_COUNT)),
            ("(-115.81 37.24)", [2], (Exception, INVALID_COORDINATES)),
            ("(-155.52 19.61,-156.22  20.74,-157.97  21.46)", [-1, 1], (L, line)),
            ("(-155.52 19.61,-156.22  20.74,-157.97  21.46)", [0], (MP, line)),
            ("(-155.52 19.61,-156.22  20.74,-157.97  21.46)", [2], (Exception, INVALID_COORDINATES)),
            ("MULTIPOINT(-155.52 19.61,-156.22  20.74,-157.97  21.46)", [-1, 0], (MP, line)),
            ("MULTIPOINT (1 2)", [-1], (Exception, INVALID_TYPE)),
            ("MULTIPOINT ((1 2), (3 4))", [-1], (Exception, INVALID_TYPE)),
            ("MULTIPOINT ((1 2), (3 4))", [0], (Exception, INVALID_COORDINATES)),
            ("point z (1 2 3)", [-1], (P, [1.0, 2.0, 3])),
            ("Point ZM (1 2 3 4)", [-1], (P, [1.0, 2.0, 3, 4])),
            ("\u0070o\u0131nt (1 2)", [-1], (P, [1.0, 2.0])),  # str.upper() makes the dotless i an I
            ("LINE\ufb06RING (1 2, 3 4)", [-1], (L, [[1.0, 2.0], [3.0, 4.0]])),  # the st ligature upper-cases to ST
            ("SRID=4326;POINT (1 2)", [-1], (Exception, INVALID_TYPE)),
            ("POINTZ (1 2)", [-1], (Exception, INVALID_TYPE)),
            ("POINT (1 2) tail", [-1], (P, [1.0, 2.0])),
            ("  \n POINT\t(1 2)", [-1], (P, [1.0, 2.0])),
        ])

    def test_rings_and_polygons(self):
        outer = [[0.0, 0.0], [4.0, 0.0], [4.0, 4.0], [0.0, 0.0]]
        hole = [[1.0, 1.0], [2.0, 1.0], [2.0, 2.0], [1.0, 1.0]]
        square = [[5.0, 5.0], [6.0, 5.0], [6.0, 6.0], [5.0, 5.0]]
        two_lines = "((3.75 9.25,-130.95 1.52),(23.15 -34.25,-1.35 -4.65,3.45 77.95))"
        self.check([
            (two_lines, [1], (ML, [[[3.75, 9.25], [-130.95, 1.52]], [[23.15, -34.25], [-1.35, -4.65], [3.45, 77.95]]])),
            (two_lines, [-1, 2], (Exception, RING_COUNT)),
            (two_lines, [0], (Exception, INVALID_COORDINATES)),
            ("POLYGON ((0 0, 4 0, 4 4, 0 0), (1 1, 2 1, 2 2, 1 1))", [-1, 2], (PG, [outer, hole])),
            ("((0 0, 4 0, 4 4, 0 0)(1 1, 2 1, 2 2, 1 1))", [-1, 2], (PG, [outer, hole])),
            ("MULTIPOLYGON (((0 0,4 0,4 4,0 0),(1 1,2 1,2 2,1 1)),((5 5,6 5,6 6,5 5)))", [-1, 2],
             (MPG, [[outer, hole], [square]])),
            ("MULTIPOLYGON (((0 0, 4 0, 4 4, 0 0), (1 1, 2 1, 2 2, 1 1)))", [-1], (Exception, INVALID_COORDINATES)),
            ("POLYGON (((0 0, 4 0, 4 4, 0 0)))", [-1, 2], (MPG, [[outer]])),
            ("MULTIPOLYGON ((((0 0, 4 0, 4 4, 0 0))))", [-1], (MPG, [[outer]])),
            ("LINESTRING ( 1 2 , 3 4 )", [-1], (L, [[1.0, 2.0], [3.0, 4.0]])),
            ("LINESTRING (1 2,,3 4)", [-1], (L, [[1.0, 2.0], [3.0, 4.0]])),
            ("LINESTRING (1 2, 3 4,)", [-1], (Exception, DIMENSION)),
            ("POLYGON ((0 0, 1 0, 1 1), ())", [-1], (Exception, INVALID_COORDINATES)),  # an empty ring is no ring
        ])

    def test_a_polygon_written_apart_is_refused_not_dropped(self):
        """A polygon whose rings stand apart after a comma is not found; the
        text is refused instead of answering the other polygons alone."""
        self.check([
            ("MULTIPOLYGON (((0 0,4 0,4 4,0 0), (1 1,2 1,2 2,1 1)),((5 5,6 5,6 6,5 5)))", [-1, 2],
             (Exception, INVALID_COORDINATES)),
            ("MULTIPOLYGON (((5 5,6 5,6 6,5 5)),((0 0,4 0,4 4,0 0), (1 1,2 1,2 2,1 1)))", [-1, 2],
             (Exception, INVALID_COORDINATES)),
            ("MULTIPOLYGON (((0 0,1 0,1 1,0 0)), 5 5)", [-1], (Exception, INVALID_COORDINATES)),
        ])

    def test_collections(self):
        point = {"type": "Point", "coordinates": [-115.81, 37.24]}
        line = {"type": "LineString", "coordinates": [[8.919, 44.4074], [8.923, 44.4075]]}
        self.check([
            ("GEOMETRYCOLLECTION (POINT (-115.81 37.24),LINESTRING (8.919 44.4074,8.923 44.4075))",
             [-1, 0, 1, 2, None], {"type": "GeometryCollection", "geometries": [point, line]}),
            ("GEOMETRYCOLLECTION (linestring (1 2, 3 4))", [-1],
             {"type": "GeometryCollection",
              "geometries": [{"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}]}),
            ("POINT (POINT (1 2))", [-1, 0],
             {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1.0, 2.0]}]}),
            ("GEOMETRYCOLLECTION (1 2)", [-1, 0, 1], (Exception, INVALID_TYPE)),
            ("GEOMETRYCOLLECTION (1 2)", [2], (Exception, INVALID_COORDINATES)),
        ])

    def test_members_with_inner_parentheses_are_read(self):
        """Members are read up to their balanced parenthesis, so no polygon,
        multilinestring or multipolygon member is left out; one that cannot be
        read refuses the whole text."""
        ring = [[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]
        self.check([
            ("GEOMETRYCOLLECTION (POINT (1 2), POLYGON ((0 0, 1 0, 1 1, 0 0)))", [-1, 0],
             {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1.0, 2.0]},
                                                           {"type": "Polygon", "coordinates": [ring]}]}),
            ("GEOMETRYCOLLECTION (POLYGON ((0 0,1 0,1 1,0 0)),POLYGON ((0 0,1 0,1 1,0 0)))", [-1, 2],
             {"type": "GeometryCollection", "geometries": [{"type": "Polygon", "coordinates": [ring]}] * 2}),
            ("GEOMETRYCOLLECTION (MULTILINESTRING ((1 2, 3 4), (5 6, 7 8)), MULTIPOLYGON (((0 0,1 0,1 1,0 0))))",
             [-1],
             {"type": "GeometryCollection", "geometries": [
                 {"type": "MultiLineString", "coordinates": [[[1.0, 2.0], [3.0, 4.0]], [[5.0, 6.0], [7.0, 8.0]]]},
                 {"type": "MultiPolygon", "coordinates": [[ring]]}]}),
            ("GEOMETRYCOLLECTION (MULTIPOINT ((1 2), (3 4)))", [-1], (Exception, INVALID_TYPE)),
            ("GEOMETRYCOLLECTION (POINT (1 2), POLYGON ((0 0, 1 0, 1 1, 0 0)", [-1],
             (Exception, INVALID_COORDINATES)),
            # A redundant level of parentheses: the member loads as it does on its own.
            ("GEOMETRYCOLLECTION(POINT(1 2),MULTIPOLYGON((((0 0,1 0,1 1,0 0)))))", [-1, 0],
             {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1.0, 2.0]},
                                                           {"type": "MultiPolygon", "coordinates": [[ring]]}]}),
            ("GEOMETRYCOLLECTION(MULTIPOLYGON((((0 0,1 0,1 1,0 0)))))", [-1],
             {"type": "GeometryCollection", "geometries": [{"type": "MultiPolygon", "coordinates": [[ring]]}]}),
            ("GEOMETRYCOLLECTION (POINT (1 2), POINT (((POINT (3 4)))))", [-1], (Exception, INVALID_COORDINATES)),
        ])

    def test_values_are_read_as_json_reads_them(self):
        self.check([
            ("POINT (1e3 -2.5E-1)", [-1], (P, [1000.0, -0.25])),
            ("POINT (NaN 1)", [-1], (P, [float("nan"), 1.0])),
            ("POINT (1 2 12345678901234567890123)", [-1], (P, [1.0, 2.0, 12345678901234567890123])),
            ("POINT (1 2 true)", [-1], (P, [1.0, 2.0, True])),
            ("POINT (1\t2)", [-1], (P, [1.0, 2.0])),
            ("POINT (+1 2)", [-1], (json.JSONDecodeError, "Expecting value: line 1 column 2 (char 1)")),
            ("POINT (.5 2)", [-1], (json.JSONDecodeError, "Expecting value: line 1 column 2 (char 1)")),
            ("POINT (1. 2)", [-1], (json.JSONDecodeError, "Expecting ',' delimiter: line 1 column 3 (char 2)")),
            ("POINT ( 1 2 )", [-1], (json.JSONDecodeError, "Expecting value: line 1 column 2 (char 1)")),
            ("POINT (1 2 x)", [-1], (json.JSONDecodeError, "Expecting value: line 1 column 6 (char 5)")),
        ])
        with self.assertRaises(json.JSONDecodeError) as caught:
            Geometry.loads("LINESTRING (1 2, 3 \u4e2d)")
        self.assertEqual(caught.exception.doc, "[[1,2],[3,\u4e2d]]")


class HostileTextTest(unittest.TestCase):
    """Texts on which the readers' patterns backtrack or nest deeply: each ends
    in an answer or an error, read in linear time (bench_geometry_text.py
    prints the times)."""

    def test_hostile_texts(self):
        n = 100000
        cases = [
            ("(" + "(1 2)" * 14 + " " * 30 + "x)", INVALID_COORDINATES),
            ("(" + "(1 2)," * 5000 + " " * 5000 + "x)", INVALID_COORDINATES),
            ("(" * n + "1 2", None),
            ("(" * n + ")" * n, INVALID_COORDINATES),
            ("[" * n, None),
            ("(1" + " " * n + "2)", (1.0, 2.0)),
            ("1" + " " * n + "2", (1.0, 2.0)),
            (" ," * n, None),
            ("GEOMETRYCOLLECTION (" + "POINT (" * n + ")", INVALID_COORDINATES),
            ("GEOMETRYCOLLECTION " + "(POINT " * n + "(1 2)" + ")" * n, None),
            ("POINT (1 2)" + "(" * n, (1.0, 2.0)),
            ("MULTIPOLYGON (" + "((1 2)) " * n + ")", None),
        ]
        for text, expected in cases:
            with self.subTest(text=text[:30]):
                try:
                    result = Geometry.loads(text)
                except Exception as error:  # noqa: BLE001 - any host error is an answer here
                    if isinstance(expected, str):
                        self.assertEqual(str(error), expected)
                    continue
                if isinstance(expected, tuple):
                    self.assertEqual(tuple(result["coordinates"][:2]), expected)

    def test_deep_brackets_end_in_an_error(self):
        for text in ("[" * 100000 + "]" * 100000, "(" * 100000 + "1 2" + ")" * 100000):
            with self.subTest(text=text[:10]):
                with self.assertRaises((Exception, RecursionError)):
                    Geometry.loads(text)


if __name__ == "__main__":
    unittest.main()
