"""Polygon files: rings chained from arcs, the polygon style, and polygons
that yield no feature."""
import os
import pathlib
import shutil
import struct
import tempfile
import unittest

from src import kestrinpy
from tests import fixtures
from tests.fixtures import FeatureFile

MapGisFile = kestrinpy.MapGisFile

# arc number: (start node, finish node, vertices)
ARCS = {
    1: (1, 2, [(0, 0), (4, 0)]),
    2: (2, 3, [(4, 0), (4, 3)]),
    3: (3, 1, [(4, 3), (0, 0)]),
    4: (3, 2, [(4, 3), (4, 0)]),
    5: (4, 4, [(1, 1), (2, 1), (1, 2), (1, 1)]),
    6: (5, 5, [(5, 5), (6, 5), (5, 6), (5, 5)]),
    7: (6, 6, [(7, 7), (8, 7), (7, 8), (7, 7)]),
    8: (2, 1, [(4, 0), (0, 0)]),
    9: (5, 6, [(7, 7), (8, 8)]),
    10: (0, 0, [(0, 0), (1, 0)]),
    11: (0, 0, [(1, 0), (1, 1), (0, 0)]),
    12: (0, 0, [(1, 0), (1, 1), (1, 0)]),
    13: (1, 1, []),
    14: (0, 0, []),
}


def floats(vertices):
    return [[float(x), float(y)] for x, y in vertices]


class PolygonTestCase(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)

    def polygon_file(self, polygons, arcs=ARCS, **header):
        """`polygons`: a list of arc-number lists, or (arc numbers, record fields) pairs."""
        layer = FeatureFile("polygon", **header)
        layer.add_field("ID", 3)
        for number in range(1, max(arcs) + 1):
            start, finish, vertices = arcs.get(number, (0, 0, []))
            layer.add_arc(vertices, start, finish)
        for k, polygon in enumerate(polygons):
            numbers, fields = polygon if isinstance(polygon, tuple) else (polygon, {})
            layer.add_polygon(numbers, attributes=[k], **fields)
        return MapGisFile(layer.write(self.folder, "a.WP"))

    def rings(self, numbers):
        return [f["geometry"]["coordinates"] for f in self.polygon_file([numbers]).getFeature()]


class RingTest(PolygonTestCase):
    def test_worked_cases(self):
        triangle = floats([(0, 0), (4, 0), (4, 3), (0, 0)])
        cases = [
            ([1, 2, 3], [triangle]),
            ([1, -4, 3], [triangle]),
            ([1, 2, 3, 0, 5], [triangle, floats(ARCS[5][2])]),
            ([5, 6, 7], [floats(ARCS[5][2]), floats(ARCS[6][2]), floats(ARCS[7][2])]),
            ([1, 1], [floats(ARCS[1][2])]),
            ([8, 2], [floats([(0, 0), (4, 0), (4, 3)])]),
            ([1, 9], [floats([(0, 0), (4, 0), (8, 8)])]),  # arc 9 loses its first vertex; nothing is added
            ([10, 11], [floats([(0, 0), (1, 0), (1, 1), (0, 0)])]),
            ([10, 12], [floats(ARCS[10][2]), floats(ARCS[12][2])]),
            ([13, 2], [floats([(4, 0), (4, 3)])]),  # an empty first arc: the next keeps its first vertex
        ]
        for numbers, rings in cases:
            with self.subTest(numbers=numbers):
                self.assertEqual(self.rings(numbers), [rings])

    def test_open_arcs_are_dropped_only_when_repeated(self):
        # A hole touching the outer boundary at node 1: the lobe comes back to a
        # node the chain already reached, and every arc stays.
        arcs = {1: (1, 2, [(0, 0), (4, 0)]), 2: (2, 1, [(4, 0), (0, 0)]), 3: (1, 3, [(0, 0), (0, 4)]),
                4: (3, 1, [(0, 4), (0, 0)])}
        opened = self.polygon_file([[1, 2, 3, 4]], arcs=arcs)
        ring = next(opened.getFeature())["geometry"]["coordinates"][0]
        self.assertEqual(ring, floats([(0, 0), (4, 0), (0, 0), (0, 4), (0, 0)]))
        # The first arc stored reversed closes as a triangle once it is turned round.
        arcs = {7: (1, 2, [(4, 0), (0, 0)]), 2: (1, 3, [(4, 0), (4, 3)]), 5: (3, 2, [(4, 3), (0, 0)])}
        opened = self.polygon_file([[7, 2, 5]], arcs=arcs)
        ring = next(opened.getFeature())["geometry"]["coordinates"][0]
        self.assertEqual(ring, floats([(0, 0), (4, 0), (4, 3), (0, 0)]))

    def test_polygons_without_rings_use_no_id(self):
        polygons = [([], dict(Polylines=1)), ([], dict(Polylines=0)), ([], dict(Polylines=-3)), [0, 0], [1, 2, 3],
                    ([1, 2, 3], dict(Flag=0)), [5]]
        features = list(self.polygon_file(polygons).getFeature())
        self.assertEqual([f["id"] for f in features], [0, 1])
        self.assertEqual([f["properties"]["ID"]["value"] for f in features], [4, 6])

    def test_arc_list_skips_its_first_four_bytes(self):
        layer = FeatureFile("polygon")
        for number in (1, 2, 3):
            start, finish, vertices = ARCS[number]
            layer.add_arc(vertices, start, finish, flag=0)  # an arc's own Flag is not tested
        layer.add_polygon([1, 2, 3], lead=struct.pack("<l", 99))
        feature = next(MapGisFile(layer.write(self.folder, "b.WP")).getFeature())
        self.assertEqual(len(feature["geometry"]["coordinates"][0]), 4)

    def test_errors(self):
        cases = [([1, 14], IndexError), ([13], IndexError), ([40], struct.error)]
        for numbers, error in cases:
            with self.subTest(numbers=numbers):
                before = len(os.listdir("/proc/self/fd"))
                with self.assertRaises(error):
                    list(self.polygon_file([numbers]).getFeature())
                self.assertEqual(len(os.listdir("/proc/self/fd")), before)


class PolygonFeatureTest(PolygonTestCase):
    def test_feature_and_style(self):
        fields = dict(FillColor=3, FillPattern=-2, PatternHeight=0.1, PatternWidth=2.5, LineWidth=4,
                      PatternColor=99, Transparent=1, Layer=-7)
        layer = FeatureFile("polygon")
        layer.add_field("名称", 0, size=6)
        for number in (1, 2, 3):
            start, finish, vertices = ARCS[number]
            layer.add_arc(vertices, start, finish, Layer=50, Transparent=0)
        layer.add_polygon([1, 2, 3], attributes=["甲"], **fields)
        library = fixtures.write(self.folder, "Pcolor.lib", fixtures.colour_library(
            [(0, 0, 0, 0, 0, 0), (255, 0, 0, 0, 0, 0), (0, 255, 0, 0, 0, 0)]))
        opened = MapGisFile(layer.write(self.folder, "c.WP"), library)
        feature = next(opened.getFeature())
        self.assertEqual(opened.StyleItems, ["fillColor", "fillPattern", "patternHeight", "patternWidth",
                                             "lineWidth", "patternColor", "layer", "transparent"])
        self.assertEqual(list(feature), ["type", "id", "geometry", "style", "properties", "timeStamp"])
        self.assertEqual(feature["geometry"]["type"], "Polygon")
        self.assertEqual(feature["style"], dict(fillColor="#00FFFF", fillPattern=-2,
                                                patternHeight=struct.unpack("<f", struct.pack("<f", 0.1))[0],
                                                patternWidth=2.5, lineWidth=4, patternColor="#FFFFFF", layer=-7,
                                                transparent=1))
        self.assertEqual(feature["properties"], {"名称": {"type": "string", "length": 6, "value": "甲"}})
        style = next(MapGisFile(opened.FileName).getFeature())["style"]
        self.assertEqual((style["fillColor"], style["patternColor"]), ("#FFFFFF", "#FFFFFF"))

    def test_cut_at_every_offset(self):
        layer = FeatureFile("polygon")
        layer.add_field("ID", 3)
        for number in (1, 2, 3, 5):
            start, finish, vertices = ARCS[number]
            layer.add_arc(vertices, start, finish)
        layer.add_polygon([1, 2, 3], attributes=[1])
        layer.add_polygon([5], attributes=[2])
        layer.place(9, 300)  # the schema first, so that every cut still opens
        data = layer.build()
        path = self.folder / "cut.WP"
        start = 300 + 348 + 39
        for size in range(start, len(data)):
            with self.subTest(size=size):
                path.write_bytes(data[:size])
                ids = []
                try:
                    for feature in MapGisFile(str(path)).getFeature():
                        ids.append(feature["id"])
                except (struct.error, IndexError):
                    pass
                self.assertEqual(ids, list(range(len(ids))))


if __name__ == "__main__":
    unittest.main()
