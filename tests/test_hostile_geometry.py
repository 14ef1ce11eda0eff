"""Geometry's entry points against script code that runs in the middle of a
call: conversions, repr, comparisons, truth, item and length access and the
release of a value, each emptying what is being read, replacing an item,
dropping the last reference, re-entering the same entry point or raising.

Each row builds fresh inputs for the module and for the plain form
(tests/geometry_reference.py), and both must end alike: the same result or
error, and the same inputs afterwards (the methods work in place)."""
import gc
import json
import math
import random
import unittest
import unittest.mock

from src import kestrinpy
from tests import geometry_reference as plain
from tests.hostile import (ANSWER, HostileCase, Hostile, HostileStr, OnRelease, calling, emptying, on_call, raising,
                           replacing, returning)
from tests.support import outcome, run_child

Geometry = kestrinpy.Geometry


class Plain:
    """The plain forms under the names of Geometry's methods."""
    loads = staticmethod(plain.loads)
    swapXY = staticmethod(plain.swap_xy)
    getXY = staticmethod(plain.get_xy)
    toWkt = staticmethod(plain.to_wkt)
    dumps = staticmethod(plain.dumps)


def shape(value, met=None):
    """What a value holds, as plain data, read without calling any of its slots.
    A list, tuple or dictionary met again (a cycle, or one held twice) shows as
    ("same", n), n counting the containers in the order they are first met, so
    that which objects are shared is compared too."""
    met = {} if met is None else met
    if isinstance(value, Hostile):
        return ("Hostile", shape(value.value, met))
    kind = type(value)
    if kind is float:
        return ("float", "nan" if math.isnan(value) else repr(value))
    if kind in (int, str, bool, type(None)):
        return value
    if isinstance(value, str):
        return (kind.__name__, str.__str__(value))
    if kind in (list, tuple, dict):
        if id(value) in met:
            return ("same", met[id(value)][0])
        met[id(value)] = (len(met), value)  # held, so that no id is used again meanwhile
        if kind is dict:
            return ("dict", [(shape(key, met), shape(item, met)) for key, item in value.items()])
        return (kind.__name__, [shape(item, met) for item in value])
    if kind is type and issubclass(value, Exception):
        return value.__name__
    return (kind.__name__,)


def run(entry, make, api):
    """api.<entry>(*inputs) on fresh inputs from make(api): its outcome and what
    became of the inputs."""
    inputs = make(api)
    return shape((outcome(getattr(api, entry), *inputs), inputs))


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


# ---- aliasing and cycles among the host's own lists and dictionaries ----

DEPTHS = dict(plain.SIMPLE_DEPTHS)
ENTRIES = (("loads", ()), ("swapXY", ()), ("getXY", (True,)), ("getXY", (False,)), ("toWkt", ()), ("dumps", ()))


def ring_as_its_own_vertex():
    """A polygon whose rings are a line and the polygon itself: the polygon is
    met as a ring and as a vertex of that ring, and its first exchange turns it
    round while it is being walked."""
    line = [[1.0, 2.0], [3.0, 4.0]]
    polygon = [None, line]
    polygon[0] = polygon
    return {"type": "Polygon", "coordinates": polygon}


def shared_inputs():
    """label: a function making one fresh input, holding shared and circular lists and dictionaries."""
    def vertex_twice():
        v = [1, 2]
        return [v, v, [3, 4]]

    def line_twice(kind):
        line = [[0, 0], [0, 0], [1, 1], [1, 0]]
        return {"type": kind, "coordinates": [line, line]}

    def polygons():
        ring = [[0, 0], [1, 0], [1, 1]]
        polygon = [ring]
        return {"type": "MultiPolygon", "coordinates": [polygon, polygon, [ring, ring]]}

    def vertex_in_two_lines():
        v = [1, 2]
        return {"type": "MultiLineString", "coordinates": [[v, [3, 4]], [[5, 6], v, v]]}

    def ring_closed_by_its_first_vertex():
        v = [0, 0]
        return {"type": "Polygon", "coordinates": [[v, [1, 0], [1, 1], v]]}

    def line_in_itself():
        line = [[1, 2], [3, 4]]
        line.append(line)
        return line

    def vertex_in_itself():
        v = [1.0, 2.0]
        v.append(v)
        return {"type": "LineString", "coordinates": [v, [3.0, 4.0], v]}

    def list_in_itself(kind):
        coordinates = []
        coordinates.append(coordinates)
        return {"type": kind, "coordinates": coordinates} if kind else coordinates

    def polygon_in_its_rings():
        ring = [[0, 0], [1, 0], [1, 1]]
        polygon = [ring]
        polygon.append(polygon)
        return {"type": "Polygon", "coordinates": polygon}

    def line_as_a_vertex():
        line = [[1.0, 2.0], [3.0, 4.0]]
        return {"type": "MultiLineString", "coordinates": [line, [line, [5.0, 6.0]], line]}

    def member_twice():
        member = {"type": "LineString", "coordinates": [[0, 0], [0, 0], [1, 1]]}
        return {"type": "GeometryCollection", "geometries": [member, member, member["coordinates"]]}

    def members_sharing_lines():
        line = [[0.0, 1.0], [2.0, 3.0], [4.0, 5.0]]
        return {"type": "GeometryCollection", "geometries": [
            {"type": "LineString", "coordinates": line}, {"type": "Polygon", "coordinates": [line, line]}]}

    def collection_in_itself(typed):
        collection = {"type": "GeometryCollection", "geometries": []} if typed else {"geometries": []}
        collection["geometries"].append(collection)
        return collection

    return {
        "a vertex twice in a line": vertex_twice,
        "a line twice in a MultiLineString": lambda: line_twice("MultiLineString"),
        "a ring twice in a Polygon": lambda: line_twice("Polygon"),
        "a polygon twice, its ring at another level": polygons,
        "a vertex in two lines": vertex_in_two_lines,
        "a ring closed by its own first vertex": ring_closed_by_its_first_vertex,
        "a line that holds itself": line_in_itself,
        "a vertex that holds itself": vertex_in_itself,
        "a list that holds itself": lambda: list_in_itself(None),
        "a MultiPolygon list that holds itself": lambda: list_in_itself("MultiPolygon"),
        "a polygon among its own rings": polygon_in_its_rings,
        "a line that is a vertex of another line": line_as_a_vertex,
        "a polygon that is its own ring and vertex": ring_as_its_own_vertex,
        "the same, in a MultiPolygon": lambda: {"type": "MultiPolygon",
                                                "coordinates": [ring_as_its_own_vertex()["coordinates"]]},
        "a member twice, and its coordinates": member_twice,
        "members sharing a line": members_sharing_lines,
        "a collection among its own members": lambda: collection_in_itself(True),
        "an untyped collection among its own members": lambda: collection_in_itself(False),
    }


def random_shared_input(seed):
    """A geometry of random type whose vertices, lines, rings and polygons are
    drawn now and then again from those made before, at their own level or at
    another, and now and then hold themselves."""
    rng = random.Random(seed)
    made = {depth: [] for depth in range(1, 5)}

    def build(depth):
        draw = rng.random()
        if draw < 0.35 and made[depth]:
            return rng.choice(made[depth])
        if draw < 0.42 and depth > 1 and made[depth - 1]:
            return rng.choice(made[rng.choice([d for d in made if made[d]])])
        if depth == 1:
            item = [rng.choice([0, 1, 2, 3, 0.0, 1.0, 2.5, -0.0]) for _ in range(rng.choice([2, 2, 2, 3, 1]))]
        else:
            item = [build(depth - 1) for _ in range(rng.randint(1, 4))]
        if rng.random() < 0.05:
            item.append(item)
        made[depth].append(item)
        return item

    kind = rng.choice(list(DEPTHS) + ["GeometryCollection"])
    if kind != "GeometryCollection":
        coordinates = build(DEPTHS[kind])
        return coordinates if rng.random() < 0.3 else {"type": kind, "coordinates": coordinates}
    members = []
    for _ in range(rng.randint(1, 3)):
        member_kind = rng.choice(list(DEPTHS))
        members.append({"type": member_kind, "coordinates": build(DEPTHS[member_kind])})
        if rng.random() < 0.3:
            members.append(rng.choice(members))
    return {"type": kind, "geometries": members}


def ending(result):
    """A RecursionError by its type alone: where the host's count runs out, and so its text, differs."""
    return (RecursionError, "") if isinstance(result, tuple) and result[:1] == (RecursionError,) else result


class SharedAndCircularTest(HostileCase):
    """Host lists and dictionaries only, shared and circular: every entry point
    gives the plain form's result and leaves its input as the plain form does."""

    def check_inputs(self, label, make):
        for entry, extra in ENTRIES:
            def run(api):
                value = make()
                return shape((ending(outcome(getattr(api, entry), value, *extra)), value))
            self.check((label, entry, extra), lambda: run(Geometry), lambda: run(Plain))

    def test_shared_and_circular_inputs(self):
        for label, make in shared_inputs().items():
            self.check_inputs(label, make)

    def test_random_shared_inputs(self):
        for seed in range(2500):
            self.check_inputs(("seed", seed), lambda: random_shared_input(seed))

    def test_deep_nesting(self):
        # Deeper than any recursion limit: the plain form ends in RecursionError
        # (json.dumps too, and json.loads of the text).
        def collection(depth, typed=True):
            member = {"type": "Point", "coordinates": [1.0, 2.0]}
            for _ in range(depth):
                member = {"type": "GeometryCollection", "geometries": [member]} if typed else {"geometries": [member]}
            return member

        def deep_list(depth):
            value = [1.0, 2.0]
            for _ in range(depth):
                value = [value]
            return value

        rows = {
            "collections": lambda: collection(100_000),
            "untyped collections": lambda: collection(100_000, False),
            "a point nested in lists": lambda: {"type": "Point", "coordinates": deep_list(100_000)},
            "GeoJSON text": lambda: "[" * 100_000 + "]" * 100_000,
        }
        for label, make in rows.items():
            for entry, extra in ENTRIES:
                value = make()
                got = ending(outcome(getattr(Geometry, entry), value, *extra))
                self.check((label, entry), lambda: got[:1] if type(got) is tuple else got,
                           lambda: ending(outcome(getattr(Plain, entry), value, *extra))[:1]
                           if not isinstance(value, str) else (RecursionError,))

    def test_deep_nesting_on_a_small_thread_stack(self):
        # The module's own recursion through collections checks the stack at
        # each level: RecursionError, not a crash, whatever the recursion limit.
        child = run_child("""
            import sys, threading
            from src.kestrinpy import Geometry

            def collection(depth, typed):
                member = {"type": "Point", "coordinates": [1.0, 2.0]}
                for _ in range(depth):
                    member = {"type": "GeometryCollection", "geometries": [member]} if typed else {"geometries": [member]}
                return member

            def run(results):
                # dumps leaves what is deeper than its own writer goes to the
                # host's json.dumps, whose encoder is quadratic in the depth:
                # under the default limit only.
                for entry, limit in (("loads", 10 ** 6), ("swapXY", 10 ** 6), ("getXY", 10 ** 6),
                                     ("toWkt", 10 ** 6), ("dumps", 1000)):
                    sys.setrecursionlimit(limit)
                    try:
                        getattr(Geometry, entry)(collection(100_000, entry != "loads"))
                        results.append("answered")
                    except RecursionError:
                        results.append("RecursionError")

            results = []
            threading.stack_size(256 * 1024)
            thread = threading.Thread(target=run, args=(results,))
            thread.start()
            thread.join()
            print(results)
        """)
        self.assertEqual(child.stdout.strip(), str(["RecursionError"] * 5), child.stderr[-2000:])


class ReceiverTest(unittest.TestCase):
    def test_members_run_on_the_class_the_method_is_bound_to(self):
        # A method's function called on an instance: the members of a
        # collection go to instance.method, which finds the class method and
        # binds it to the class, so the members of a member are reached through
        # the class. An attribute the instance gains meanwhile (here while the
        # inner type is compared) is never met.
        class Sub(Geometry):
            pass

        def collection(receiver, name, met):
            class Type(str):
                __hash__ = str.__hash__

                def __eq__(self, other):
                    vars(receiver)[name] = lambda *args: met.append(name)
                    return str.__eq__(self, other)

            point = {"type": "Point", "coordinates": [1, 2]}
            return {"type": "GeometryCollection",
                    "geometries": [{"type": Type("GeometryCollection"), "geometries": [point]}]}

        rows = [("swapXY", ()), ("getXY", (False,)), ("toWkt", ()), ("loads", ()), ("dumps", ())]
        for name, extra in rows:
            with self.subTest(name):
                receiver, met = object.__new__(Sub), []
                got = vars(Geometry)[name].__func__(receiver, collection(receiver, name, met), *extra)
                expected = getattr(Sub, name)(collection(object.__new__(Sub), name, []), *extra)
                self.assertEqual((got, met), (expected, []))


class CollectorTest(unittest.TestCase):
    def test_the_collector_is_on_whenever_script_code_runs(self):
        # The module keeps the collector from being set off only over code of
        # its own that makes many objects.
        states = []

        def record(*_):
            states.append(gc.isenabled())
            return ANSWER

        def loads_recording(text, loads=json.loads):
            record()
            return loads(text)

        Geometry.getXY({"type": "LineString", "coordinates": [[0, 0], Hostile([1, 1], "__iter__", record)]}, False)
        Geometry.getXY({"type": "LineString", "coordinates": [[0, 0], [1, 1]]}, Hostile(False, "__bool__", record))
        with unittest.mock.patch("json.loads", loads_recording):
            Geometry.loads("LINESTRING (0 0, 1 12345678901234567890)")
        self.assertEqual(states, [True] * 3)


class JsonFunctionsTest(unittest.TestCase):
    def test_json_functions_are_read_at_each_call(self):
        # Patched at the first call that uses them, then restored: the module
        # calls the patch while it stands and the host's own functions after,
        # as the plain form, which reads json.loads and json.dumps at each call.
        child = run_child("""
            import json
            from unittest import mock
            from src import kestrinpy
            Geometry = kestrinpy.Geometry

            # Integers beyond 18 digits are left to json.loads by the readers.
            texts = ['{"type": "Point", "coordinates": [1, 2]}', "POINT (1234567890123456789 2)", "1 2 3 4e999"]
            geometry = {"type": "Point", "coordinates": [10 ** 20, 1.0]}  # an int the module leaves to json.dumps

            def stand_in(text):
                seen.append(text)
                return {"type": "Point", "coordinates": [9, 9]} if text[0] == "{" else \
                    [9, 9] if text.count(",") == 1 else [[9, 9], [8, 8]]

            def run():
                return [Geometry.loads(text) for text in texts] + [Geometry.dumps(geometry)]

            seen = []
            with mock.patch("json.loads", stand_in), mock.patch("json.dumps", lambda *a, **k: repr((a, k))):
                print(run())
            print(seen)
            print(run())
            fake = type("json", (), {"loads": staticmethod(stand_in), "dumps": staticmethod(lambda *a, **k: "fake")})
            with mock.patch.object(kestrinpy, "json", fake):
                print(run())
        """)
        lines = child.stdout.splitlines()
        mocked = [{"type": "Point", "coordinates": [9.0, 9.0]}, {"type": "Point", "coordinates": [9.0, 9.0]},
                  {"type": "LineString", "coordinates": [[9.0, 9.0], [8.0, 8.0]]}]
        dumped = repr(((({"type": "Point", "coordinates": [10 ** 20, 1.0]},), {"ensure_ascii": False, "indent": 4})))
        self.assertEqual(lines[:1], [repr(mocked + [dumped])], child.stderr[-2000:])
        self.assertEqual(lines[1], repr(['{"type": "Point", "coordinates": [1, 2]}', "[1234567890123456789,2]",
                                         "[[1,2],[3,4e999]]"]))
        self.assertEqual(lines[2], repr([{"type": "Point", "coordinates": [1.0, 2.0]},
                                         {"type": "Point", "coordinates": [1234567890123456789.0, 2.0]},
                                         {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, math.inf]]},
                                         '{\n    "type": "Point",\n    "coordinates": [\n'
                                         '        100000000000000000000,\n        1.0\n    ]\n}']))
        self.assertEqual(lines[3], repr(mocked + ["fake"]))


if __name__ == "__main__":
    unittest.main()
