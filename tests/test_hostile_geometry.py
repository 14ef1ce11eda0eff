"""Geometry's entry points against script code that runs in the middle of a
call: conversions, repr, comparisons, truth, item and length access and the
release of a value, each emptying what is being read, replacing an item,
dropping the last reference, re-entering the same entry point or raising.

Each row builds fresh inputs for the module and for the plain form
(tests/geometry_reference.py), and both must end alike: the same result or
error, and the same inputs afterwards (the methods work in place)."""
import math
import unittest

from src import kestrinpy
from tests import geometry_reference as plain
from tests.hostile import (HostileCase, Hostile, HostileStr, OnRelease, calling, emptying, on_call, raising,
                           replacing, returning)
from tests.support import outcome

Geometry = kestrinpy.Geometry


class Plain:
    """The plain forms under the names of Geometry's methods."""
    loads = staticmethod(plain.loads)
    swapXY = staticmethod(plain.swap_xy)
    getXY = staticmethod(plain.get_xy)
    toWkt = staticmethod(plain.to_wkt)
    dumps = staticmethod(plain.dumps)


def shape(value, open_=()):
    """What a value holds, as plain data, read without calling any of its slots."""
    if isinstance(value, Hostile):
        return ("Hostile", shape(value.value, open_))
    kind = type(value)
    if kind is float:
        return ("float", "nan" if math.isnan(value) else repr(value))
    if kind in (int, str, bool, type(None)):
        return value
    if isinstance(value, str):
        return (kind.__name__, str.__str__(value))
    if kind in (list, tuple, dict):
        if id(value) in open_:
            return ("cycle",)
        inner = open_ + (id(value),)
        items = value.items() if kind is dict else value
        return (kind.__name__, [shape(item, inner) for item in items])
    if kind is type and issubclass(value, Exception):
        return value.__name__
    return (kind.__name__,)


def run(entry, make, api):
    """api.<entry>(*inputs) on fresh inputs from make(api): its outcome and what
    became of the inputs."""
    inputs = make(api)
    return shape(outcome(getattr(api, entry), *inputs)), shape(inputs)


def line_letting_go():
    """A line whose first vertex, once iterated, leaves the line, and empties
    it when let go of: a walk over the line holds it until the next vertex is
    taken, as the variable of a for statement does."""
    line = [None, [3.0, 4.0]]
    line[0] = Hostile([1.5, 2.5], "__iter__", replacing(line, 0, [7.0, 8.0]))
    line[0].releasing = OnRelease(line.clear)
    return line


class HostileGeometryTest(HostileCase):
    def check_rows(self, entry, rows):
        for label, make in rows:
            self.check(label, lambda: run(entry, make, Geometry), lambda: run(entry, make, Plain))

    def test_loads(self):
        def float_emptying(result):
            def make(api):
                vertex = [None, 2.0]
                vertex[0] = Hostile(1.5, "__float__", returning(result, before=vertex.clear))
                return [vertex]
            return make

        def line_float_emptying(api):
            vertex = [None, 2.0]
            vertex[0] = Hostile(1.5, "__float__", returning("not a float", before=vertex.clear))
            return [{"type": "LineString", "coordinates": [vertex, [3.0, 4.0]]}]

        def float_replacing(result):
            def make(api):
                vertex = [None, 2]  # the value being converted is let go, and its stand-in at the store
                vertex[0] = Hostile(1, "__float__", returning(result, before=replacing(vertex, 0, OnRelease(vertex.clear))))
                return [vertex]
            return make

        def float_reentering(api):
            line = [[0, 0], [1, 1]]
            line[1][0] = Hostile(1, "__float__", calling(api.loads, line), times=1)
            return [line]

        def float_raising(api):
            return [[[0, 0], [Hostile(1, "__float__", raising(ArithmeticError("no float"))), 1]]]

        def key_emptying_line(api):
            line = [[0, 0], [None, 0], [1, 1]]
            line[1][0] = Hostile(0, "__repr__", emptying(line))
            return [line]

        def key_replacing_next(api):
            line = [[0, 0], [None, 0], [5, 5], [1, 1]]
            line[1][0] = Hostile(0, "__repr__", replacing(line, 2, [0, 0]))
            return [line]

        def closing_key_emptying_ring(api):
            ring = [[None, 0], [1, 0], [1, 1]]
            ring[0][0] = Hostile(0, "__repr__", on_call(2, emptying(ring)))  # the first call is its duplicate key
            return [{"type": "Polygon", "coordinates": [ring]}]

        def closing_key_replacing_first(api):
            ring = [[None, 0], [1, 0], [1, 1]]
            ring[0][0] = Hostile(0, "__repr__", on_call(2, replacing(ring, 0, [7, 7])))
            return [{"type": "Polygon", "coordinates": [ring]}]

        def duplicate_released(api):
            line = [[0, 0], [0, 0], [0, 0, None], [1, 1]]
            line[2][2] = OnRelease(line.clear)  # deleted first, from the highest position down
            return [{"type": "LineString", "coordinates": line}]

        def duplicate_release_reentering(api):
            line = [[0, 0], [0, 0, None], [1, 1], [1, 1]]
            line[1][2] = OnRelease(calling(api.loads, line))
            return [line]

        def type_eq(action):
            def make(api):
                coordinates = [[0, 0], [1, 1]]
                return [{"type": HostileStr("LineString", action(api, coordinates)), "coordinates": coordinates}]
            return make

        def key_of_the_input(api):
            geometry = {"type": "Point"}
            geometry[HostileStr("coordinates", emptying(geometry))] = [3, 4]  # compared when "coordinates" is looked up
            return [geometry]

        def line_length_emptying(api):
            inner = [[0, 0], [0, 0], [1, 1]]
            return [{"type": "MultiLineString", "coordinates": [Hostile(inner, "__len__", emptying(inner))]}]

        def ring_item_emptying(api):
            inner = [[0, 0], [1, 0], [1, 1]]
            return [{"type": "Polygon", "coordinates": [Hostile(inner, "__getitem__", on_call(4, emptying(inner)))]}]

        def member_type_emptying_members(api):
            members = [{"type": None, "coordinates": [1, 2]}, {"type": "Point", "coordinates": [3, 4]}]
            members[0]["type"] = Hostile("Point", "__eq__", emptying(members))
            return [{"geometries": members}]

        self.check_rows("loads", [
            ("__float__ empties the vertex, answers a str", float_emptying("not a float")),
            ("__float__ empties the vertex, answers a float", float_emptying(2.5)),
            ("__float__ of a LineString vertex empties it", line_float_emptying),
            ("__float__ replaces the value, by one that empties the vertex on release", float_replacing(1.0)),
            ("__float__ replaces the value, answers a str", float_replacing("not a float")),
            ("__float__ re-enters loads on the line", float_reentering),
            ("__float__ raises", float_raising),
            ("duplicate key's __repr__ empties the line", key_emptying_line),
            ("duplicate key's __repr__ replaces the next vertex", key_replacing_next),
            ("closing key's __repr__ empties the ring", closing_key_emptying_ring),
            ("closing key's __repr__ replaces the first vertex", closing_key_replacing_first),
            ("a deleted duplicate empties the line on release", duplicate_released),
            ("a deleted duplicate re-enters loads on release", duplicate_release_reentering),
            ("type's __eq__ raises", type_eq(lambda api, coordinates: raising(LookupError("eq")))),
            ("type's __eq__ empties the coordinates", type_eq(lambda api, coordinates: emptying(coordinates))),
            ("type's __eq__ re-enters loads", type_eq(lambda api, coordinates: calling(api.loads, coordinates))),
            ("a key of the input empties it when compared", key_of_the_input),
            ("a line's __len__ empties it", line_length_emptying),
            ("a ring's __getitem__ empties it at closing", ring_item_emptying),
            ("a member's type empties the member list", member_type_emptying_members),
        ])

    def test_swap_xy(self):
        def shared(api):
            line = [[1.0, 2.0], [3.0, 4.0]]
            ring = [[0.0, 1.0], [2.0, 3.0], [4.0, 5.0]]
            ring.append(ring[0])
            polygon = [ring]
            twice = [[[0.0, 1.0], [2.0, 3.0], [4.0, 5.0], [0.0, 1.0]]]  # met as a polygon and as a ring
            return [{"type": "MultiLineString", "coordinates": [line, line]},
                    {"type": "MultiPolygon", "coordinates": [[ring], [ring], polygon, polygon]},
                    {"type": "Polygon", "coordinates": (line, line)},
                    {"type": "MultiPolygon", "coordinates": [twice, [twice]]}]

        def type_truth(action):
            def make(api):
                coordinates = [[1.0, 2.0], [3.0, 4.0]]
                geometry = {"type": None, "coordinates": coordinates}
                geometry["type"] = Hostile("LineString", "__bool__", action(api, geometry, coordinates), times=1)
                return [geometry]
            return make

        def vertex_item(action):
            def make(api):
                line = [[1.0, 2.0], None, [5.0, 6.0]]
                line[1] = Hostile([3.0, 4.0], "__getitem__", action(line))
                return [{"type": "LineString", "coordinates": line}]
            return make

        def line_iteration_emptying(api):
            inner = [[1.0, 2.0], [3.0, 4.0]]
            return [{"type": "MultiLineString", "coordinates": [Hostile(inner, "__iter__", emptying(inner)), inner]}]

        def member_type_reentering(api):
            point = {"type": None, "coordinates": [1.0, 2.0]}
            collection = {"type": "GeometryCollection", "geometries": [point, point]}
            point["type"] = Hostile("Point", "__bool__", calling(api.swapXY, collection), times=1)
            return [collection]

        def member_type_emptying_members(api):
            members = [{"type": None, "coordinates": [1.0, 2.0]}, {"type": "Point", "coordinates": [3.0, 4.0]}]
            members[0]["type"] = Hostile("Point", "__bool__", emptying(members))
            return [{"type": "GeometryCollection", "geometries": members}]

        def swapped_each(api):
            return [api.swapXY(geometry) for geometry in shared(api)]

        self.check("shared lines, rings and polygons", lambda: shape(swapped_each(Geometry)),
                   lambda: shape(swapped_each(Plain)))
        self.check_rows("swapXY", [
            ("type's __bool__ empties the coordinates", type_truth(lambda api, g, c: emptying(c))),
            ("type's __bool__ drops the coordinates from the geometry", type_truth(lambda api, g, c: emptying(g))),
            ("type's __bool__ replaces the coordinates",
             type_truth(lambda api, g, c: replacing(g, "coordinates", [5, 6]))),
            ("type's __bool__ re-enters swapXY", type_truth(lambda api, g, c: calling(api.swapXY, g))),
            ("type's __bool__ raises", type_truth(lambda api, g, c: raising(RuntimeError("truth")))),
            ("a vertex's __getitem__ empties the line", vertex_item(emptying)),
            ("a vertex's __getitem__ replaces the next vertex", vertex_item(lambda line: replacing(line, 2, [0, 1]))),
            ("a line's __iter__ empties it", line_iteration_emptying),
            ("a member re-enters swapXY on the collection", member_type_reentering),
            ("a member empties the member list", member_type_emptying_members),
        ])

    def test_get_xy(self):
        def endpoint(geometry, action, value=True, times=None):
            def make(api):
                coordinates = [[0, 0], [1, 1], [2, 2]] if geometry in ("LineString", "MultiPoint") else \
                    [[[0, 0], [1, 1]], [[2, 2], [3, 3], [4, 4]]] if geometry == "MultiLineString" else [1, 2]
                return [{"type": geometry, "coordinates": coordinates},
                        Hostile(value, "__bool__", action(coordinates), times)]
            return make

        def vertex_iteration_emptying(api):
            line = [[0, 0], None, [2, 2]]
            line[1] = Hostile([1, 1], "__iter__", emptying(line))
            return [{"type": "LineString", "coordinates": line}, False]

        def member_emptying_members(api):
            members = [{"type": None, "coordinates": [1, 2]}, {"type": "Point", "coordinates": [3, 4]}]
            members[0]["type"] = Hostile("Point", "__bool__", emptying(members))
            return [{"type": "GeometryCollection", "geometries": members}]

        def member_reentering(api):
            members = [{"type": None, "coordinates": [1, 2]}, [[0, 0], [5, 5]]]
            collection = {"type": "GeometryCollection", "geometries": members}
            members[0]["type"] = Hostile("Point", "__bool__", calling(api.getXY, collection), times=1)
            return [collection]

        raises = lambda coordinates: raising(RuntimeError("truth"))  # noqa: E731
        self.check_rows("getXY", [
            ("a vertex let go of empties the line once the next is taken",
             lambda api: [{"type": "LineString", "coordinates": line_letting_go()}, False]),
            ("endpoint's __bool__ is not consulted for a Point", endpoint("Point", raises)),
            ("endpoint's __bool__ is not consulted for a MultiPoint", endpoint("MultiPoint", raises)),
            ("endpoint's __bool__ raises for a LineString", endpoint("LineString", raises)),
            ("endpoint's __bool__ is not consulted for an empty MultiLineString",
             lambda api: [{"type": "MultiLineString", "coordinates": []}, Hostile(True, "__bool__", raises(None))]),
            ("endpoint's __bool__ empties the line", endpoint("LineString", emptying)),
            ("endpoint's truth is taken for each line", endpoint("MultiLineString", lambda c: returning(False),
                                                                 times=1)),
            ("endpoint's __bool__ empties the lines", endpoint("MultiLineString", emptying)),
            ("a vertex's __iter__ empties the line", vertex_iteration_emptying),
            ("a member empties the member list", member_emptying_members),
            ("a member re-enters getXY on the collection", member_reentering),
        ])

    def test_to_wkt_and_dumps(self):
        def value_text(action):
            def make(api):
                vertex = [1.5, None]
                line = [vertex, [3.0, 4.0]]
                vertex[1] = Hostile(2.5, "__str__", action(api, vertex, line))
                return [{"type": "LineString", "coordinates": line}]
            return make

        def type_eq(action):
            def make(api):
                coordinates = [[[0, 0], [1, 1]]]
                return [{"type": HostileStr("MultiLineString", action(coordinates)), "coordinates": coordinates}]
            return make

        def member_reentering(api):
            members = [[1, 2], None]
            collection = {"type": "GeometryCollection", "geometries": members}
            members[1] = [Hostile(3, "__float__", calling(api.toWkt, collection), times=1), 4]
            return [collection]

        def float_emptying(api):
            vertex = [None, 2.0]
            vertex[0] = Hostile(1.5, "__float__", returning("not a float", before=vertex.clear))
            return [vertex]

        self.check_rows("toWkt", [
            ("a vertex let go of empties the line once the next is taken",
             lambda api: [{"type": "LineString", "coordinates": line_letting_go()}]),
            ("a value's __str__ empties its vertex", value_text(lambda api, vertex, line: emptying(vertex))),
            ("a value's __str__ empties the line", value_text(lambda api, vertex, line: emptying(line))),
            ("a value's __str__ replaces the next vertex",
             value_text(lambda api, vertex, line: replacing(line, 1, [7, 8, 9]))),
            ("a value's __str__ re-enters toWkt", value_text(lambda api, vertex, line: calling(api.toWkt, line))),
            ("type's __eq__ raises", type_eq(lambda c: raising(LookupError("eq")))),
            ("type's __eq__ empties the coordinates", type_eq(emptying)),
            ("type's __eq__ answers True once", type_eq(lambda c: on_call(1, lambda *_: True))),
            ("a member re-enters toWkt on the collection", member_reentering),
            ("a value's __float__ empties the vertex while loading", float_emptying),
        ])
        self.check_rows("dumps", [
            ("a value's __float__ empties the vertex while loading", float_emptying),
            ("a value the host's json cannot write", value_text(lambda api, vertex, line: emptying(line))),
        ])

    def test_collection_members_written_by_a_subclass(self):
        # Every member is written before the texts are joined.
        def subclass_writing(answers):
            own = vars(Geometry)["toWkt"].__func__

            def to_wkt(cls, geometry):
                return answers[geometry["coordinates"][0]]() if type(geometry) is dict and \
                    "coordinates" in geometry else own(cls, geometry)
            return type("Mine", (Geometry,), {"toWkt": classmethod(to_wkt)})

        def plain_join(cls, collection):
            return "GEOMETRYCOLLECTION (" + ",".join(cls.toWkt(member) for member in collection["geometries"]) + ")"

        def raises():
            raise LookupError("second member")

        rows = {"a member answers an int, a later one raises": {1: lambda: 5, 3: raises}}
        for label, answers in rows.items():
            mine = subclass_writing(answers)
            members = lambda: {"type": "GeometryCollection", "geometries": [  # noqa: E731
                {"type": "Point", "coordinates": [1, 2]}, {"type": "Point", "coordinates": [3, 4]}]}
            self.check(label, lambda: outcome(mine.toWkt, members()), lambda: outcome(plain_join, mine, members()))

    def test_own_methods_in_another_wrapper(self):
        # The module's own function stored as a static method or bare receives
        # no class: each sibling call through the class ends as that call does.
        def own(name):
            return vars(Geometry)[name].__func__

        def collection():
            return {"type": "GeometryCollection", "geometries": [[1, 2], {"type": "Point", "coordinates": [3, 4]}]}

        rows = {  # label: (the member stored otherwise, the entry called, its arguments, the sibling call it makes)
            "a collection member loaded": ("loads", "loads", lambda: ({"geometries": [{"coordinates": [1, 2]}]},),
                                           lambda: ({"coordinates": [1, 2]},)),
            "a WKT collection member loaded": ("loads", "loads", lambda: ("GEOMETRYCOLLECTION (POINT (1 2))",),
                                               lambda: ("POINT (1 2)",)),
            "toWkt's input loaded": ("loads", "toWkt", lambda: ([1, 2],), lambda: ([1, 2],)),
            "dumps's input loaded": ("loads", "dumps", lambda: ([1, 2],), lambda: ([1, 2],)),
            "swapXY's input loaded": ("loads", "swapXY", lambda: ([1, 2],), lambda: ([1, 2],)),
            "getXY's input loaded": ("loads", "getXY", lambda: ([1, 2],), lambda: ([1, 2],)),
            "a collection member written": ("toWkt", "toWkt", lambda: (collection(),), lambda: ([1, 2],)),
            "a collection member swapped": ("swapXY", "swapXY", lambda: (collection(),),
                                            lambda: ({"type": "Point", "coordinates": [3, 4]},)),
            "a collection member listed": ("getXY", "getXY", lambda: (collection(), True), lambda: ([1, 2], True)),
        }
        for wrapper, wrap in (("static method", staticmethod), ("bare function", lambda function: function)):
            for label, (name, entry, arguments, sibling) in rows.items():
                mine = type("Mine", (Geometry,), {name: wrap(own(name))})
                self.check((label, wrapper), lambda: outcome(own(entry), mine, *arguments()),
                           lambda: outcome(getattr(mine, name), *sibling()))

if __name__ == "__main__":
    unittest.main()
