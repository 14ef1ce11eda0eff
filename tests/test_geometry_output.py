"""Geometry.dumps (indented GeoJSON text equal to the host's json.dumps),
Geometry.toWkt, Geometry.swapXY and Geometry.getXY: the input rule (a plain
dict as it stands, anything else through cls.loads), collections through the
class, errors, and collections that contain themselves."""
import json
import math
import random
import struct
import unittest

from src import kestrinpy

Geometry = kestrinpy.Geometry
INVALID = "Invalid geometry type."


def host_dumps(value):
    return json.dumps(value, ensure_ascii=False, indent=4)


def self_containing():
    collection = {"type": "GeometryCollection", "geometries": []}
    collection["geometries"].append(collection)
    return collection


class Real(float):
    def __repr__(self):
        return "Real"


class Whole(int):
    pass


class Text(str):
    pass


class DumpsTest(unittest.TestCase):
    def random_value(self, rng, depth=0):
        kind = rng.random()
        if depth > 4 or kind < 0.45:
            return rng.choice([
                lambda: struct.unpack("<d", rng.getrandbits(64).to_bytes(8, "little"))[0],
                lambda: rng.uniform(-180, 180),
                lambda: rng.choice([0.0, -0.0, float("nan"), float("inf"), -float("inf"), 1e16, 1e-5, 5e-324]),
                lambda: rng.randint(-2 ** 70, 2 ** 70),
                lambda: rng.choice([True, False, None, 0, -1]),
                lambda: "".join(rng.choice('ab"\\/\n\t\r\x00\x1f\x7f\u00e9\u4e2d\U0001f600 ')
                                for _ in range(rng.randint(0, 6))),
            ])()
        if kind < 0.7:
            items = [self.random_value(rng, depth + 1) for _ in range(rng.randint(0, 4))]
            return tuple(items) if rng.random() < 0.2 else items
        return {"".join(rng.choice("abc\u00e9\"") for _ in range(rng.randint(0, 3))): self.random_value(rng, depth + 1)
                for _ in range(rng.randint(0, 4))}

    def test_equal_to_the_host_on_random_values(self):
        rng = random.Random(41)
        for _ in range(3000):
            value = {"type": "Point", "coordinates": self.random_value(rng), "extra": self.random_value(rng)}
            self.assertEqual(Geometry.dumps(value), host_dumps(value))

    def test_values_the_host_writes(self):
        ring = [[0.0, 0.0], [1.0, 0.0], [1.0, 1.0]]
        ring.append(ring[0])  # a shared closing vertex is no cycle
        cases = [
            {},
            {"type": "Point", "coordinates": [Real(1.5), Whole(2), Text("x")]},
            {"type": "Point", "coordinates": [1.0, 2.0], 5: "int key", 1.5: "float key", None: 0, True: 1},
            {"type": "Polygon", "coordinates": [ring]},
            {"type": "Point", "coordinates": [10 ** 100, "\ud800"]},
            {"b": 1, "a": 2, "\u4e2d": {"nested": ()}},
        ]
        for value in cases:
            with self.subTest(value=value):
                self.assertEqual(Geometry.dumps(value), host_dumps(value))

    def test_errors_are_the_hosts(self):
        loop = []
        loop.append(loop)
        cases = [
            ({"type": "Point", "coordinates": loop}, ValueError, "Circular reference detected"),
            ({"type": "Point", "coordinates": [object]}, TypeError, "Object of type type is not JSON serializable"),
            ({(1, 2): 3}, TypeError, "keys must be str, int, float, bool or None, not tuple"),
        ]
        for value, error, text in cases:
            with self.subTest(value=value):
                with self.assertRaises(error) as caught:
                    Geometry.dumps(value)
                self.assertEqual(str(caught.exception), text)
        deep = [1.0, 2.0]
        for _ in range(100000):
            deep = [deep]
        with self.assertRaises(RecursionError):
            Geometry.dumps({"coordinates": deep})

    def test_other_input_is_loaded_first(self):
        self.assertEqual(Geometry.dumps([1, 2]), host_dumps({"type": "Point", "coordinates": [1.0, 2.0]}))
        self.assertEqual(Geometry.dumps("LINESTRING (1 2, 3 4)"),
                         host_dumps({"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}))
        seen = []

        class Traced(Geometry):
            @classmethod
            def loads(cls, coordinates, code=-1):
                seen.append(coordinates)
                return {"type": "Point", "coordinates": [0.0, 0.0], "from": "subclass"}

        mapping = type("Mapping", (dict,), {})(a=1)
        self.assertEqual(json.loads(Traced.dumps(mapping))["from"], "subclass")
        self.assertEqual(seen, [mapping])
        self.assertEqual(Traced.dumps({"type": "x"}), host_dumps({"type": "x"}))


class ToWktTest(unittest.TestCase):
    def test_bodies(self):
        cases = [
            ({"type": "Point", "coordinates": [120, 38]}, "POINT (120 38)"),
            ([120, 38], "POINT (120.0 38.0)"),
            ([1, 2, 3], "POINT (1.0 2.0 3)"),
            ({"type": "Point", "coordinates": [1.0, 2.0, 3.0, 4.0]}, "POINT (1.0 2.0 3.0 4.0)"),
            ({"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}, "MULTIPOINT (1.0 2.0,3.0 4.0)"),
            ([[[0, 0], [1, 0], [1, 1]]], "POLYGON ((0.0 0.0,1.0 0.0,1.0 1.0,0.0 0.0))"),
            ({"type": "MultiPolygon", "coordinates": [[[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]],
                                                      [[[5.0, 5.0], [6.0, 5.0], [6.0, 6.0], [5.0, 5.0]]]]},
             "MULTIPOLYGON (((0.0 0.0,1.0 0.0,1.0 1.0,0.0 0.0)),((5.0 5.0,6.0 5.0,6.0 6.0,5.0 5.0)))"),
            ({"type": "MultiLineString", "coordinates": (((1, 2), (3, 4)), [(5, 6)])}, "MULTILINESTRING ((1 2,3 4),(5 6))"),
            ({"type": "LineString", "coordinates": []}, "LINESTRING ()"),
            ({"type": "Polygon", "coordinates": []}, "POLYGON ()"),
            ({"type": "MultiPolygon", "coordinates": []}, "MULTIPOLYGON ()"),
            ({"type": "Polygon", "coordinates": [[]]}, "POLYGON (())"),
            ({"type": "GeometryCollection", "geometries": []}, "GEOMETRYCOLLECTION ()"),
            ({"type": "GeometryCollection", "geometries": [[1, 2]]}, "GEOMETRYCOLLECTION (POINT (1.0 2.0))"),
            ({"type": "GeometryCollection", "geometries": [{"type": "GeometryCollection", "geometries": [[1, 2]]}]},
             "GEOMETRYCOLLECTION (GEOMETRYCOLLECTION (POINT (1.0 2.0)))"),
            ({"type": "Point", "coordinates": [float("nan"), float("inf"), -0.0, 1e16, 1e-05, "x y", None, True,
                                               [1, 2], Real(2.5), Whole(7), 10 ** 30]},
             "POINT (nan inf -0.0 1e+16 1e-05 x y None True [1, 2] Real 7 " + str(10 ** 30) + ")"),
            ({"type": "Point", "coordinates": "ab"}, "POINT (a b)"),
            ({"type": Text("LineString"), "coordinates": [[1, 2]], "geometries": 5}, "LINESTRING (1 2)"),
            ("GEOMETRYCOLLECTION (POINT (1 2),LINESTRING (1 2,3 4))",
             "GEOMETRYCOLLECTION (POINT (1.0 2.0),LINESTRING (1.0 2.0,3.0 4.0))"),
        ]
        for geometry, text in cases:
            with self.subTest(geometry=geometry):
                self.assertEqual(Geometry.toWkt(geometry), text)
        self.assertEqual(Geometry.toWkt({"type": "Point", "coordinates": ["\ud800", "\u4e2d"]}),
                         "POINT (\ud800 \u4e2d)")

    def test_float_text_against_repr(self):
        rng = random.Random(42)
        for _ in range(20000):
            x, y = (struct.unpack("<d", rng.getrandbits(64).to_bytes(8, "little"))[0] for _ in range(2))
            self.assertEqual(Geometry.toWkt({"type": "Point", "coordinates": [x, y]}), f"POINT ({x!r} {y!r})")

    def test_refusals(self):
        cases = [
            ({}, KeyError, "'type'"),
            ({"type": "point", "coordinates": [1, 2]}, Exception, INVALID),
            ({"type": "Point"}, Exception, INVALID),
            ({"type": "", "coordinates": [1, 2]}, Exception, INVALID),
            ({"type": None, "coordinates": [1, 2]}, Exception, INVALID),
            ({"type": "GeometryCollection", "coordinates": [1, 2]}, Exception, INVALID),
            ({"type": "GeometryCollection", "geometries": ([1, 2],)}, Exception, INVALID),
            ({"type": "Point", "geometries": []}, Exception, INVALID),
            ({"type": "Feature", "coordinates": [1, 2]}, Exception, INVALID),
            ({"type": "LineString", "coordinates": [[1, 2], 3]}, TypeError, "'int' object is not iterable"),
            ({"type": "GeometryCollection", "geometries": [[1, 2], [5]]}, Exception,
             "Invalid [coordinates] parameter. Dimension should be greater than 1."),
            ((1, 2), Exception, "[tuple] is not a valid type in [coordinates] parameter."),
        ]
        for geometry, error, text in cases:
            with self.subTest(geometry=geometry):
                with self.assertRaises(error) as caught:
                    Geometry.toWkt(geometry)
                self.assertIs(type(caught.exception), error)
                self.assertEqual(str(caught.exception), text)

    def test_members_go_through_the_class(self):
        class Marked(Geometry):
            @classmethod
            def toWkt(cls, geometry):
                text = super().toWkt(geometry)
                return text if text.startswith("GEOMETRYCOLLECTION") else text.lower()

        collection = {"type": "GeometryCollection", "geometries": [[1, 2], {"type": "Point", "coordinates": [3, 4]}]}
        self.assertEqual(Marked.toWkt(collection), "GEOMETRYCOLLECTION (point (1.0 2.0),point (3 4))")

        class Odd(Geometry):
            @classmethod
            def toWkt(cls, geometry):
                return 5 if geometry.get("type") == "Point" else super().toWkt(geometry)

        with self.assertRaises(TypeError) as caught:
            Odd.toWkt({"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [3, 4]}]})
        self.assertEqual(str(caught.exception), "sequence item 0: expected str instance, int found")


class SwapTest(unittest.TestCase):
    def test_in_place_once_per_vertex(self):
        point = {"type": "Point", "coordinates": [120.0, 38.0, 5.0]}
        self.assertIs(Geometry.swapXY(point), point)
        self.assertEqual(point["coordinates"], [38.0, 120.0, 5.0])
        result = Geometry.swapXY([[[1, 0], [2, 0], [2, 2]]])
        self.assertEqual(result, {"type": "Polygon", "coordinates": [[[0.0, 1.0], [0.0, 2.0], [2.0, 2.0],
                                                                       [0.0, 1.0]]]})
        vertex = [1.0, 2.0]
        line = {"type": "LineString", "coordinates": [vertex, [3.0, 4.0], vertex, vertex]}
        Geometry.swapXY(line)
        self.assertEqual(line["coordinates"], [[2.0, 1.0], [4.0, 3.0], [2.0, 1.0], [2.0, 1.0]])
        shared = {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": vertex}] * 2}
        Geometry.swapXY(shared)  # once per member call: twice in all
        self.assertEqual(vertex, [2.0, 1.0])
        line = [[1.0, 2.0], [3.0, 4.0]]
        ring = [[0.0, 1.0], [2.0, 3.0], [4.0, 5.0]]
        ring.append(ring[0])
        cases = [({"type": "MultiLineString", "coordinates": [line, line]}, line),
                 ({"type": "MultiLineString", "coordinates": [line, tuple(line)]}, line),
                 ({"type": "MultiPolygon", "coordinates": [[ring], [ring, ring]]}, ring)]
        for geometry, part in cases:
            with self.subTest(geometry=geometry):  # each vertex list once, however often it is met
                before = [list(vertex) for vertex in part]
                Geometry.swapXY(geometry)
                self.assertEqual(part, [[y, x] for x, y in before])
        many = [[float(i), -float(i)] for i in range(5000)]
        polygon = {"type": "MultiPolygon", "coordinates": [[many + [many[0]]], [many[::-1]]]}
        Geometry.swapXY(polygon)
        self.assertTrue(all(v == [-float(i), float(i)] for i, v in enumerate(many)))

    def test_empty_and_collections(self):
        for type_name in ("MultiPoint", "LineString", "MultiLineString", "Polygon", "MultiPolygon"):
            geometry = {"type": type_name, "coordinates": []}
            self.assertIs(Geometry.swapXY(geometry), geometry)
        collection = {"type": "GeometryCollection", "geometries": []}
        self.assertIs(Geometry.swapXY(collection), collection)
        members = {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1, 2]}, [5, 6]]}
        Geometry.swapXY(members)
        self.assertEqual(members["geometries"][0], {"type": "Point", "coordinates": [2, 1]})
        self.assertEqual(members["geometries"][1], [6.0, 5.0])  # loaded: its own list, exchanged
        untyped = {"type": "GeometryCollection", "geometries": [{"coordinates": [[1, 2], [3, 4]]}]}
        with self.assertRaises(KeyError):
            Geometry.swapXY(untyped)

    def test_refusals_after_the_earlier_exchanges(self):
        cases = [
            ({"type": "Point", "coordinates": [5.0]}, IndexError, "list index out of range", [5.0]),
            ({"type": "Point", "coordinates": (1.0, 2.0)}, TypeError,
             "'tuple' object does not support item assignment", (1.0, 2.0)),
            ({"type": "Point", "coordinates": []}, IndexError, "list index out of range", []),
            ({"type": "LineString", "coordinates": [[1, 2], [3, 4], [5]]}, IndexError, "list index out of range",
             [[2, 1], [4, 3], [5]]),
            ({"type": "LineString", "coordinates": [[1, 2], 7]}, TypeError, "'int' object is not subscriptable",
             [[2, 1], 7]),
            ({"type": "GeometryCollection", "geometries": ([1, 2],)}, Exception, INVALID, None),
            ({"type": "", "coordinates": [1, 2]}, Exception, INVALID, [1, 2]),
            ({"type": "Feature", "coordinates": [1, 2]}, Exception, INVALID, [1, 2]),
            ({"type": "Point"}, Exception, INVALID, None),
            ({"coordinates": [1, 2]}, KeyError, "'type'", [1, 2]),
        ]
        for geometry, error, text, after in cases:
            with self.subTest(geometry=geometry):
                with self.assertRaises(error) as caught:
                    Geometry.swapXY(geometry)
                self.assertIs(type(caught.exception), error)
                self.assertEqual(str(caught.exception), text)
                if after is not None:
                    self.assertEqual(geometry["coordinates"], after)

    def test_dict_like_results_of_a_subclass_loads(self):
        class Mapping(dict):
            pass

        class Loose(Geometry):
            @classmethod
            def loads(cls, coordinates, code=-1):
                return Mapping(type="Point", coordinates=coordinates)

        vertex = [1, 2]
        with self.assertRaises(TypeError) as caught:
            Loose.swapXY(vertex)
        self.assertEqual(str(caught.exception), "Expected dict, got Mapping")
        self.assertEqual(vertex, [2, 1])  # after the exchange

    def test_members_go_through_the_class(self):
        seen = []

        class Traced(Geometry):
            @classmethod
            def swapXY(cls, geometry):
                seen.append(geometry.get("type") if isinstance(geometry, dict) else repr(geometry))
                return super().swapXY(geometry)

        Traced.swapXY({"type": "GeometryCollection", "geometries": [[1, 2], {"type": "Point", "coordinates": [1, 2]}]})
        self.assertEqual(seen, ["GeometryCollection", "[1, 2]", "Point"])


class GetXYTest(unittest.TestCase):
    def test_vertices_and_endpoints(self):
        ring = [[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]
        cases = [
            ([[0, 0], [1, 1], [2, 2]], True, [(0.0, 0.0), (2.0, 2.0)]),
            ([[0, 0], [1, 1], [2, 2]], False, [(0.0, 0.0), (1.0, 1.0), (2.0, 2.0)]),
            ({"type": "Polygon", "coordinates": [ring]}, True, [(0.0, 0.0), (0.0, 0.0)]),
            ({"type": "LineString", "coordinates": [[1.0, 2.0]]}, 1, [(1.0, 2.0), (1.0, 2.0)]),
            ({"type": "MultiPoint", "coordinates": [[1.0, 2.0, 3.0], [4.0, 5.0]]}, True, [(1.0, 2.0, 3.0), (4.0, 5.0)]),
            ({"type": "Point", "coordinates": [1.0, 2.0]}, False, [(1.0, 2.0)]),
            ({"type": "MultiPolygon", "coordinates": [[ring, ring], [ring]]}, True, [(0.0, 0.0)] * 6),
            ({"type": "MultiLineString", "coordinates": ([[1, 2], [3, 4]], ([5, 6], [7, 8]))}, "",
             [(1, 2), (3, 4), (5, 6), (7, 8)]),
            ({"type": "GeometryCollection", "geometries": [[1, 2], {"type": "LineString",
                                                                   "coordinates": [[0, 0], [5, 5], [9, 9]]}]},
             True, [(1.0, 2.0), (0, 0), (9, 9)]),
            ({"type": "GeometryCollection", "geometries": ([1, 2],)}, True, []),
            ({"type": "", "coordinates": [1, 2]}, True, []),
            ({"type": "Point"}, True, []),
            ({"type": "Point", "geometries": [[1, 2]]}, True, []),
            ({"type": "Point", "coordinates": []}, True, [()]),
            ({"type": "MultiPolygon", "coordinates": []}, True, []),
            ({"type": "LineString", "coordinates": []}, False, []),
        ]
        for geometry, endpoint, expected in cases:
            with self.subTest(geometry=geometry, endpoint=endpoint):
                self.assertEqual(Geometry.getXY(geometry, endpoint), expected)

    def test_tuples_kept_and_copied(self):
        kept = (1.0, 2.0)
        result = Geometry.getXY({"type": "MultiPoint", "coordinates": [kept, [3.0, 4.0]]})
        self.assertIs(result[0], kept)
        self.assertIs(type(result[1]), tuple)

    def test_refusals(self):
        cases = [
            ({"type": "LineString", "coordinates": []}, True, IndexError, "list index out of range"),
            ({"type": "Feature", "coordinates": [1, 2]}, True, Exception, INVALID),
            ({"type": "MultiPoint", "coordinates": [[1, 2], 3]}, True, TypeError, "'int' object is not iterable"),
            ({"coordinates": [1, 2]}, True, KeyError, "'type'"),
            ({"type": "MultiLineString", "coordinates": [{1, 2}]}, True, TypeError,
             "'set' object is not subscriptable"),
        ]
        for geometry, endpoint, error, text in cases:
            with self.subTest(geometry=geometry):
                with self.assertRaises(error) as caught:
                    Geometry.getXY(geometry, endpoint)
                self.assertIs(type(caught.exception), error)
                self.assertEqual(str(caught.exception), text)

    def test_members_go_through_the_class_with_the_same_endpoint(self):
        seen = []
        marker = object()

        class Traced(Geometry):
            @classmethod
            def getXY(cls, geometry, endpoint=True):
                seen.append(endpoint)
                return super().getXY(geometry, endpoint)

        result = Traced.getXY({"type": "GeometryCollection", "geometries": [[[0, 0], [1, 1], [2, 2]]]}, marker)
        self.assertEqual(seen, [marker, marker])
        self.assertEqual(result, [(0.0, 0.0), (2.0, 2.0)])

        class Generated(Geometry):
            @classmethod
            def getXY(cls, geometry, endpoint=True):
                return iter([("a",)]) if geometry is not outer else super().getXY(geometry, endpoint)

        outer = {"type": "GeometryCollection", "geometries": [[1, 2], [3, 4]]}
        self.assertEqual(Generated.getXY(outer), [("a",), ("a",)])


class SelfContainingTest(unittest.TestCase):
    def test_every_method_ends_in_recursion_error(self):
        class Sub(Geometry):
            @classmethod
            def toWkt(cls, geometry):
                return super().toWkt(geometry)

            @classmethod
            def swapXY(cls, geometry):
                return super().swapXY(geometry)

            @classmethod
            def getXY(cls, geometry, endpoint=True):
                return super().getXY(geometry, endpoint)

        for cls in (Geometry, Sub):
            for method in ("toWkt", "swapXY", "getXY"):
                with self.subTest(cls=cls, method=method):
                    with self.assertRaises(RecursionError):
                        getattr(cls, method)(self_containing())
        with self.assertRaises(ValueError) as caught:
            Geometry.dumps(self_containing())
        self.assertEqual(str(caught.exception), "Circular reference detected")
        with self.assertRaises(RecursionError):
            Geometry.loads(self_containing())


if __name__ == "__main__":
    unittest.main()
