"""Geometry: the class frame, and loads of nested lists and dictionaries: the way
chosen by the exact input type, depth inference, dictionaries and collections,
and the normalisation in place of the caller's lists (float x and y, adjacent
duplicates by the text of the first two values, counts, rings closed with their
own first vertex)."""
import inspect
import math
import random
import sys
import unittest

from _kestrin_probe import GeometryCore
from src import kestrinpy

Geometry = kestrinpy.Geometry

DIMENSION = "Invalid [coordinates] parameter. Dimension should be greater than 1."
LINE_COUNT = "Invalid [coordinates] parameter. The number of vertices should be greater than 1."
RING_COUNT = "Invalid [coordinates] parameter. The number of vertices should be greater than 2."
SHOULD_BE_LIST = "Invalid type in [coordinates] parameter. Should be [list]"
SHOULD_BE_DICT = "Invalid type in [coordinates] parameter. Should be [dict]"
NOT_FOUND = 'Invalid [coordinates] parameter. ["coordinates/geometries" not found]'


def code_message(code, codes):
    return f"[{code}] should be one of [{codes}] in [code] parameter."


def not_valid(name):
    return f"[{name}] is not a valid type in [coordinates] parameter."


class CaseMixin:
    def assert_refused(self, call, error, text):
        with self.assertRaises(error) as caught:
            call()
        self.assertIs(type(caught.exception), error)
        self.assertEqual(str(caught.exception), text)


class ClassFrameTest(unittest.TestCase):
    def test_place_base_and_members(self):
        self.assertIs(Geometry.__bases__[0], kestrinpy.KestrinBase)
        self.assertEqual(kestrinpy.__all__[-1], "Geometry")
        members = [name for name in vars(Geometry) if not name.startswith("__")]
        self.assertEqual(members, ["loads", "dumps", "toWkt", "swapXY", "getXY"])
        for name in members:
            self.assertIsInstance(vars(Geometry)[name], classmethod)
        self.assertEqual(vars(Geometry()), {"subscribers": {}})

    def test_signatures(self):
        self.assertEqual(str(inspect.signature(Geometry.loads)),
                         "(coordinates: 'Union[str, list, dict]', code: 'Union[int, None]' = -1) -> 'dict'")
        self.assertEqual(str(inspect.signature(Geometry.getXY)),
                         "(geometry: 'Union[dict, list, str]', endpoint: 'bool' = True) -> 'list'")
        for name, result in [("dumps", "str"), ("toWkt", "str"), ("swapXY", "dict")]:
            self.assertEqual(str(inspect.signature(getattr(Geometry, name))),
                             f"(geometry: 'Union[dict, list, str]') -> '{result}'")

    def test_called_on_an_object_and_by_keyword(self):
        self.assertEqual(Geometry().loads(coordinates=[1, 2], code=None),
                         {"type": "Point", "coordinates": [1.0, 2.0]})

    def test_argument_errors(self):
        cases = [
            ((), {}, "loads() takes at least 2 positional arguments (1 given)"),
            (([1, 2], 0, 1), {}, "loads() takes at most 3 positional arguments (4 given)"),
            (([1, 2],), {"kind": 0}, "loads() got an unexpected keyword argument 'kind'"),
            (([1, 2], True), {}, "Argument 'code' has incorrect type (expected int, got bool)"),
            (([1, 2], 0.0), {}, "Argument 'code' has incorrect type (expected int, got float)"),
            (([1, 2], "0"), {}, "Argument 'code' has incorrect type (expected int, got str)"),
        ]
        for args, kwargs, text in cases:
            with self.subTest(args=args, kwargs=kwargs):
                with self.assertRaises(TypeError) as caught:
                    Geometry.loads(*args, **kwargs)
                self.assertEqual(str(caught.exception), text)


class DepthInferenceTest(CaseMixin, unittest.TestCase):
    def test_type_by_depth_and_code(self):
        point = [1, 2]
        line = [[1, 2], [3, 4]]
        rings = [[[0, 0], [1, 0], [1, 1]]]
        polygons = [[[[0, 0], [1, 0], [1, 1]]]]
        cases = [
            (point, -1, "Point"), (point, 0, "Point"), (point, None, "Point"),
            (line, -1, "LineString"), (line, 1, "LineString"), (line, 0, "MultiPoint"),
            (rings, -1, "Polygon"), (rings, 2, "Polygon"), (rings, 1, "MultiLineString"),
            (polygons, -1, "MultiPolygon"), (polygons, 2, "MultiPolygon"), (polygons, None, "MultiPolygon"),
        ]
        for coordinates, code, expected in cases:
            with self.subTest(coordinates=coordinates, code=code):
                given = eval(repr(coordinates))
                result = Geometry.loads(given, code)
                self.assertEqual(list(result), ["type", "coordinates"])
                self.assertEqual(result["type"], expected)
                self.assertIs(result["coordinates"], given)

    def test_refusals(self):
        cases = [
            ([5], -1, Exception, DIMENSION),
            ([5], 1, Exception, DIMENSION),  # the length comes before the code
            ([1, 2], 1, Exception, code_message(1, "-1,0")),
            ([1, 2], 10 ** 30, Exception, code_message(10 ** 30, "-1,0")),
            ([[1, 2], [3, 4]], 2, Exception, code_message(2, "-1,0,1")),
            ([[1, 2], [3, 4]], None, Exception, code_message(None, "-1,0,1")),
            ([[[0, 0], [1, 0], [1, 1]]], 0, Exception, code_message(0, "-1,1,2")),
            ([[[0, 0], [1, 0], [1, 1]]], None, Exception, code_message(None, "-1,1,2")),
            ([[[[0, 0], [1, 0], [1, 1]]]], 1, Exception, code_message(1, "-1,2")),
            ([[[[[0, 0]]]]], -1, Exception, "Invalid [coordinates] parameter."),
            ([], -1, IndexError, "list index out of range"),
            ([[]], -1, IndexError, "list index out of range"),
            ([[1, 2], 3], -1, TypeError, "'int' object is unsliceable"),
            ([(1, 2), (3, 4)], -1, TypeError, "float() argument must be a string or a real number, not 'tuple'"),
        ]
        for coordinates, code, error, text in cases:
            with self.subTest(coordinates=coordinates, code=code):
                self.assert_refused(lambda: Geometry.loads(coordinates, code), error, text)

    def test_other_input_types(self):
        class Sub(list):
            pass

        class SubDict(dict):
            pass

        cases = [((1, 2), "tuple"), (None, "NoneType"), (b"POINT", "bytes"), (Sub([1, 2]), "Sub"),
                 (SubDict(coordinates=[1, 2]), "SubDict"), (7, "int")]
        for value, name in cases:
            with self.subTest(value=value):
                self.assert_refused(lambda: Geometry.loads(value), Exception, not_valid(name))


class DictionaryInputTest(CaseMixin, unittest.TestCase):
    def test_type_given_or_inferred(self):
        cases = [
            ({"coordinates": [1, 2]}, "Point"),
            ({"type": None, "coordinates": [1, 2]}, "Point"),
            ({"type": "MultiPoint", "coordinates": [[1, 2], [1, 2]]}, "MultiPoint"),
            ({"coordinates": [[1, 2], [3, 4]], "geometries": []}, "LineString"),
        ]
        for given, expected in cases:
            with self.subTest(given=given):
                result = Geometry.loads(given)
                self.assertEqual(list(result), ["type", "coordinates"])
                self.assertEqual(result["type"], expected)
                self.assertIs(result["coordinates"], given["coordinates"])

    def test_new_dictionary_keeps_the_input_keys(self):
        name = type("Name", (str,), {})("Point")
        given = {"bbox": [0, 0, 1, 1], "type": name, "coordinates": [1, 2]}
        result = Geometry.loads(given)
        self.assertIsNot(result, given)
        self.assertIs(result["type"], name)  # the object that decided the type
        self.assertEqual(list(given), ["bbox", "type", "coordinates"])
        self.assertEqual(given["coordinates"], [1.0, 2.0])

    def test_refusals(self):
        cases = [
            ({"type": "point", "coordinates": [1, 2]}, "Invalid parameter."),
            ({"type": "GeometryCollection", "coordinates": [1, 2]}, "Invalid parameter."),
            ({"type": 5, "coordinates": [1, 2]}, "Invalid parameter."),
            ({"coordinates": (1, 2)}, SHOULD_BE_LIST),
            ({"type": "Point"}, NOT_FOUND),
            ({}, NOT_FOUND),
            ({"geometries": ({"coordinates": [1, 2]},)}, SHOULD_BE_LIST),
            ({"geometries": [[1, 2]]}, SHOULD_BE_DICT),
            ({"type": "LineString", "coordinates": [[1, 2], [3, 4]]}, code_message(0, "-1,1")),
        ]
        for given, text in cases:
            with self.subTest(given=given):
                self.assert_refused(lambda: Geometry.loads(given, 0), Exception, text)


class CollectionTest(CaseMixin, unittest.TestCase):
    def test_members_loaded_with_the_default_code(self):
        line = [[1, 2], [3, 4]]
        given = {"type": "Point", "geometries": [{"coordinates": line}, {"geometries": []}]}
        result = Geometry.loads(given, 0)
        self.assertEqual(result, {"type": "GeometryCollection", "geometries": [
            {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]},
            {"type": "GeometryCollection", "geometries": []}]})
        self.assertIs(result["geometries"][0]["coordinates"], line)

    def test_list_subclass_of_members_and_dict_subclass_member(self):
        class Members(list):
            pass

        class Member(dict):
            pass

        self.assertEqual(Geometry.loads({"geometries": Members([{"coordinates": [1, 2]}])})["geometries"],
                         [{"type": "Point", "coordinates": [1.0, 2.0]}])
        self.assert_refused(lambda: Geometry.loads({"geometries": [Member(coordinates=[1, 2])]}),
                            Exception, not_valid("Member"))

    def test_members_go_through_the_class(self):
        seen = []

        class Traced(Geometry):
            @classmethod
            def loads(cls, coordinates, code=-1):
                seen.append(code)
                return super().loads(coordinates, code)

        Traced.loads({"geometries": [{"coordinates": [1, 2]}, {"coordinates": [3, 4]}]}, 0)
        self.assertEqual(seen, [0, -1, -1])

    def test_earlier_members_stay_loaded_on_error(self):
        first = [[0, 0], [0, 0], [1, 1]]
        given = {"geometries": [{"coordinates": first}, {"coordinates": [[1, 2], (3, 4)]}]}
        self.assert_refused(lambda: Geometry.loads(given), Exception, DIMENSION)
        self.assertEqual(first, [[0.0, 0.0], [1.0, 1.0]])

    def test_self_containing_collections_end_in_recursion_error(self):
        direct = {"geometries": []}
        direct["geometries"].append(direct)
        a, b = {"geometries": []}, {"geometries": []}
        a["geometries"].append(b)
        b["geometries"].append(a)

        class Sub(Geometry):
            @classmethod
            def loads(cls, coordinates, code=-1):
                return super().loads(coordinates, code)

        for cls in (Geometry, Sub):
            for given in (direct, a):
                with self.subTest(cls=cls, given=given is a):
                    with self.assertRaises(RecursionError):
                        cls.loads(given)

    def test_deep_but_finite_collections(self):
        given = {"coordinates": [1, 2]}
        for _ in range(200):
            given = {"geometries": [given]}
        result = Geometry.loads(given)
        for _ in range(200):
            result = result["geometries"][0]
        self.assertEqual(result, {"type": "Point", "coordinates": [1.0, 2.0]})


class NamedLikeAGeometryTest(CaseMixin, unittest.TestCase):
    """An object whose type is named like a geometry type goes to a subclass's own
    loads; the module's own loads refuses it instead of handing it to itself."""

    def setUp(self):
        self.point_class = type("Point", (), {})

    def test_refused_by_the_module_own_loads(self):
        self.assert_refused(lambda: Geometry.loads(self.point_class()), Exception, not_valid("Point"))
        sub = type("Plain", (Geometry,), {})
        self.assert_refused(lambda: sub.loads(self.point_class()), Exception, not_valid("Point"))

    def test_handed_to_a_subclass_loads(self):
        point_class = self.point_class

        class Converting(Geometry):
            @classmethod
            def loads(cls, coordinates, code=-1):
                if type(coordinates) is point_class:
                    return answer
                return super().loads(coordinates, code)

        for answer in ({"type": "Point", "coordinates": [0.0, 0.0]}, None):
            with self.subTest(answer=answer):
                self.assertIs(Geometry.loads.__func__(Converting, point_class()), answer)
        answer = [1, 2]
        self.assert_refused(lambda: Geometry.loads.__func__(Converting, point_class()), TypeError,
                            "Expected dict, got list")

    def test_subclass_that_only_delegates_ends_in_recursion_error(self):
        class Delegating(Geometry):
            @classmethod
            def loads(cls, coordinates, code=-1):
                return super().loads(coordinates, code)

        with self.assertRaises(RecursionError):
            Delegating.loads(self.point_class())


class NormalisationTest(CaseMixin, unittest.TestCase):
    def load(self, type_name, coordinates, code=-1):
        return Geometry.loads({"type": type_name, "coordinates": coordinates}, code)

    def test_lines_and_rings_in_place(self):
        v = [[0, 0], [1, 0], [1, 1], [0, 0]]
        cases = [
            ("LineString", [[0, 0], [0, 0], [1, 1]], [[0.0, 0.0], [1.0, 1.0]]),
            ("LineString", [[0, 0], [1, 1], [0, 0]], [[0.0, 0.0], [1.0, 1.0], [0.0, 0.0]]),
            ("LineString", [[1, 2, 3], [1, 2, 4]], [[1, 2, 3]]),  # then fails the count
            ("LineString", [[1, 2], [1.0, 2.0]], [[1.0, 2.0], [1.0, 2.0]]),
            ("MultiLineString", [[[0, 0], [1, 1]]], [[[0.0, 0.0], [1.0, 1.0]]]),
            ("Polygon", [[[0, 0], [1, 0], [0, 0]]], [[[0.0, 0.0], [1.0, 0.0], [0.0, 0.0]]]),
            ("Polygon", [[[0, 0, 5], [1, 0], [1, 1], [0, 0, 6]]],
             [[[0.0, 0.0, 5], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0, 6], [0.0, 0.0, 5]]]),
            ("Polygon", [[[0, 0], [1, 0], [1, 1], [0.0, 0.0]]],
             [[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0], [0.0, 0.0]]]),
            ("MultiPolygon", [[v[:3]], [v[:3] + [[2, 2]]]], None),
            ("MultiPoint", [[1, 2], [1, 2]], [[1.0, 2.0], [1.0, 2.0]]),
            ("Point", [1, 2, 3, 4], [1.0, 2.0, 3, 4]),
            ("Point", ["1", " 2 "], [1.0, 2.0]),
            ("Point", [True, False], [1.0, 0.0]),
        ]
        for type_name, coordinates, expected in cases:
            with self.subTest(type_name=type_name, coordinates=coordinates):
                given = eval(repr(coordinates))
                try:
                    result = self.load(type_name, given)
                    self.assertIs(result["coordinates"], given)
                except Exception as error:
                    self.assertEqual(str(error), LINE_COUNT)
                if expected is not None:
                    self.assertEqual(repr(given), repr(expected))
                for value in ([given] if type_name == "Point" else []):
                    self.assertIs(type(value[0]), float)

    def test_ring_closed_with_its_own_first_vertex(self):
        ring = [[0, 0], [1, 0], [1, 1]]
        first = ring[0]
        Geometry.loads([ring])
        self.assertEqual(len(ring), 4)
        self.assertIs(ring[-1], first)
        polygons = [[[[0, 0], [1, 0], [1, 1]], [[5, 5], [6, 5], [6, 6]]]]
        Geometry.loads(polygons)
        for ring in polygons[0]:
            self.assertIs(ring[0], ring[-1])

    def test_lines_and_vertices_are_the_callers(self):
        vertices = [[0, 0], [1, 1]]
        line = list(vertices)
        Geometry.loads({"type": "MultiLineString", "coordinates": [line]})
        self.assertIs(line[0], vertices[0])
        self.assertIs(line[1], vertices[1])

    def test_refusals_and_what_stays_done(self):
        cases = [
            ("LineString", [[0, 0], [0, 0]], Exception, LINE_COUNT, [[0, 0]]),
            ("LineString", [], Exception, LINE_COUNT, []),
            ("Point", [], Exception, DIMENSION, []),
            ("Point", [5], Exception, DIMENSION, [5.0]),
            ("Point", ["a", 2], ValueError, "could not convert string to float: 'a'", ["a", 2]),
            ("Point", [10 ** 400, 2], OverflowError, "int too large to convert to float", [10 ** 400, 2]),
            ("Point", [[1], 2], TypeError, "float() argument must be a string or a real number, not 'list'",
             [[1], 2]),
            ("MultiPoint", [[1, 2], (3, 4)], Exception, DIMENSION, [[1.0, 2.0], (3, 4)]),
            ("MultiPoint", [[1, 2], [3]], Exception, DIMENSION, [[1.0, 2.0], [3.0]]),
            ("Polygon", [[[0, 0], [1, 0]]], Exception, RING_COUNT, None),
            ("Polygon", [[[0, 0], [0, 0], [1, 0], [1, 0]]], Exception, RING_COUNT, [[[0, 0], [1, 0]]]),
            ("Polygon", [[(0, 0), (1, 0), (1, 1)]], Exception, DIMENSION, None),
            ("Polygon", [[[0, 0], 5, [1, 1]]], TypeError, "'int' object is unsliceable", [[[0, 0], 5, [1, 1]]]),
            ("Polygon", [5], TypeError, "object of type 'int' has no len()", None),
            ("Polygon", [((0, 0), (1, 0), (1, 1))], AttributeError, "'tuple' object has no attribute 'append'",
             None),
            ("MultiLineString", [((0, 0), (0, 0), (1, 1))], TypeError,
             "'tuple' object doesn't support item deletion", None),
            ("MultiPolygon", [([[0, 0], [1, 0], [1, 1]],)], Exception, SHOULD_BE_LIST, None),
            ("MultiPolygon", [[([0, 0], [1, 0], [1, 1])]], Exception, SHOULD_BE_LIST, None),
            ("MultiPolygon", [[[[0, 0], [1, 0], [1, 1]]], [[[0, 0], [1, 0]]]], Exception, RING_COUNT,
             [[[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]], [[[0, 0], [1, 0]]]]),
            ("Feature", [1, 2], Exception, "Invalid parameter.", [1, 2]),
        ]
        for type_name, coordinates, error, text, after in cases:
            with self.subTest(type_name=type_name, coordinates=coordinates):
                given = eval(repr(coordinates))
                with self.assertRaises(error) as caught:
                    Geometry.loads.__func__(Geometry, {"type": type_name, "coordinates": given})
                self.assertEqual(str(caught.exception), text)
                if after is not None:
                    self.assertEqual(given, after)

    def test_code_against_the_type(self):
        cases = [
            ("Point", 1, code_message(1, "-1,0")), ("MultiPoint", 2, code_message(2, "-1,0")),
            ("LineString", 2, code_message(2, "-1,1")), ("MultiLineString", 0, code_message(0, "-1,1")),
            ("Polygon", 1, code_message(1, "-1,2")), ("MultiPolygon", -2, code_message(-2, "-1,2")),
        ]
        for type_name, code, text in cases:
            with self.subTest(type_name=type_name, code=code):
                self.assert_refused(lambda: self.load(type_name, [], code), Exception, text)
        for type_name in ("MultiPoint", "MultiLineString", "Polygon", "MultiPolygon"):
            with self.subTest(type_name=type_name):
                given = []
                self.assertIs(self.load(type_name, given, None)["coordinates"], given)
        self.assert_refused(lambda: self.load("Polygon", [], 7), Exception, code_message(7, "-1,2"))
        self.assert_refused(lambda: self.load("Nothing", [], 7), Exception, "Invalid parameter.")

    def test_every_other_vertex_a_duplicate(self):
        line = [[float(i // 2), 0.5] for i in range(20000)]
        kept = line[::2]
        Geometry.loads(line)
        self.assertEqual(len(line), 10000)
        self.assertTrue(all(a is b for a, b in zip(line, kept)))


class DuplicateKeyTest(unittest.TestCase):
    """The duplicate key is repr(vertex[:2]) of the values as handed in; the fast
    comparison of plain floats and ints must agree with it everywhere."""

    class Real(float):
        pass

    class Whole(int):
        pass

    def values(self):
        return [0, 1, -1, 0.0, -0.0, 1.0, 2.5, float("nan"), -float("nan"), float("inf"), -float("inf"),
                2 ** 63 - 1, -2 ** 63, 2 ** 63, 10 ** 20, True, False, "1", "1.0", None, 1e16, 1e-5,
                self.Real(1.0), self.Real(-0.0), self.Whole(1), 5e-324]

    def test_plain_keys_against_repr(self):
        rng = random.Random(11)
        plain = [v for v in self.values() if type(v) in (int, float) and -2 ** 63 <= v < 2 ** 63
                 or type(v) is float]
        for _ in range(20000):
            a = [rng.choice(plain) for _ in range(rng.randint(0, 2))]
            b = [rng.choice(plain) for _ in range(rng.randint(0, 2))]
            self.assertEqual(GeometryCore.key_text(a), repr(a))
            self.assertEqual(GeometryCore.same_key(a, b), repr(a) == repr(b), (a, b))
        for _ in range(20000):
            x = struct_double(rng)
            y = struct_double(rng)
            self.assertEqual(GeometryCore.key_text([x, y]), repr([x, y]))

    def test_removal_against_the_text_rule(self):
        rng = random.Random(12)
        values = self.values()
        for _ in range(3000):
            line = []
            for _ in range(rng.randint(0, 8)):
                if line and rng.random() < 0.4:  # a repeat, often with a different text form
                    vertex = list(rng.choice(line)[:2])
                    if rng.random() < 0.5:
                        vertex[rng.randrange(len(vertex))] = rng.choice(values) if vertex else 0
                else:
                    vertex = [rng.choice(values) for _ in range(rng.choice([1, 2, 2, 2, 3]))]
                line.append(vertex)
            keys = [repr(v[:2]) for v in line]
            expected = [v for i, v in enumerate(line) if i == 0 or keys[i] != keys[i - 1]]
            given = list(line)
            try:
                Geometry.loads({"type": "LineString", "coordinates": given})
            except (Exception,):
                pass
            self.assertEqual(len(given), len(expected), keys)
            self.assertTrue(all(a is b for a, b in zip(given, expected)))

    def test_ring_closing_against_the_text_rule(self):
        rng = random.Random(13)
        values = self.values()
        for _ in range(3000):
            first = [rng.choice(values) for _ in range(rng.randint(2, 3))]
            last = list(first) if rng.random() < 0.5 else [rng.choice(values) for _ in range(rng.randint(2, 3))]
            if rng.random() < 0.5:
                last[rng.randrange(len(last))] = rng.choice(values)
            middle = [[0.25, 0.75], [0.5, 0.125]]
            ring = [first] + middle + [last]
            open_ring = repr(first) != repr(last)
            try:
                Geometry.loads({"type": "Polygon", "coordinates": [ring]})
            except (ValueError, TypeError, OverflowError):
                pass
            self.assertEqual(len(ring), 5 if open_ring else 4)
            if open_ring:
                self.assertIs(ring[-1], first)

    def test_unusual_vertices_keep_the_host_errors(self):
        class Sliced:
            def __getitem__(self, key):
                raise LookupError(repr(key))

        cases = [
            ([[1, 2], 7], TypeError, "'int' object is unsliceable"),
            ([[1, 2], {"x": 1}], KeyError, "slice(None, 2, None)"),
            ([[1, 2], Sliced()], LookupError, "slice(None, 2, None)"),
        ]
        for line, error, text in cases:
            with self.subTest(line=line):
                given = list(line)
                with self.assertRaises(error) as caught:
                    Geometry.loads(given)
                self.assertEqual(str(caught.exception), text)
                self.assertEqual(given, line)  # nothing deleted, nothing converted


def struct_double(rng):
    import struct
    return struct.unpack("<d", rng.getrandbits(64).to_bytes(8, "little"))[0]


class HostileListsTest(unittest.TestCase):
    def test_deep_nesting_and_a_list_that_holds_itself(self):
        deep = [1, 2]
        for _ in range(100000):
            deep = [deep]
        with self.assertRaises(Exception) as caught:
            Geometry.loads(deep)
        self.assertEqual(str(caught.exception), "Invalid [coordinates] parameter.")
        loop = []
        loop.append(loop)
        with self.assertRaises(Exception) as caught:
            Geometry.loads(loop)
        self.assertEqual(str(caught.exception), "Invalid [coordinates] parameter.")
        line = [[0, 0], [1, 1]]
        line[1].append(line)  # a further value that holds the line: carried, never read
        self.assertIs(Geometry.loads(line)["coordinates"], line)

    def test_a_float_conversion_that_changes_the_vertex(self):
        vertex = [None, 2]

        class Shrinking:
            def __float__(self):
                del vertex[:]
                return 1.0

        vertex[0] = Shrinking()
        with self.assertRaises(IndexError):
            Geometry.loads(vertex)

    def test_a_text_key_that_changes_the_line(self):
        line = [[0, 0], [0, 0], None, [1, 1]]

        class Shrinking:
            def __repr__(self):
                line.pop()
                return "x"

        line[2] = [Shrinking(), 0]
        with self.assertRaises(IndexError):
            Geometry.loads(line)
        self.assertEqual(len(line), 3)


if __name__ == "__main__":
    unittest.main()
