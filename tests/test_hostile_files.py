"""Damaged files of every kind: cut at every byte offset and with bytes changed
at random (seeded). Each case must end in a value or one of the errors the
readers report for bad files, with no file left open."""
import os
import pathlib
import random
import shutil
import struct
import tempfile
import unittest

from src import kestrinpy
from tests import fixtures
from tests.fixtures import FeatureFile

# The errors a damaged file may give: short records, seeks before the start,
# missing directory entries or ring vertices, and the format checks.
ALLOWED = (struct.error, OSError, IndexError)


def sample_files():
    lines = FeatureFile("line")
    lines.add_field("名称", 0, size=6)
    lines.add_field("V", 5, digits=2)
    lines.add_field("D", 6)
    lines.add_field("T", 7)
    lines.add_line([(0, 0), (1, 1), (1, 1)], attributes=["路", 1.5, (2025, 1, 2), (1, 2, 3.5)])
    lines.add_line([(2, 2)], flag=0)
    points = FeatureFile("point")
    points.add_field("B", 8)
    for point_type in range(7):
        points.add_point(point_type, 0, point_type=point_type, text="注", attributes=[1])
    polygons = FeatureFile("polygon")
    polygons.add_field("ID", 3)
    for vertices, start, finish in [([(0, 0), (4, 0)], 1, 2), ([(4, 0), (4, 3)], 2, 3), ([(4, 3), (0, 0)], 3, 1),
                                    ([(1, 1), (2, 1), (1, 2), (1, 1)], 4, 4)]:
        polygons.add_arc(vertices, start, finish)
    polygons.add_polygon([1, -2, 3, 0, 4], attributes=[7])
    polygons.add_polygon([0, 0], attributes=[8])
    return {
        "colours": fixtures.colour_library([(0, 10, 20, 30, 40, 50), (255, 0, 0, 0, 0, 0)]),
        "project": fixtures.project_file([dict(Type=1, File=b"a.WT"), dict(Type=2)]),
        "lines": lines.build(),
        "points": points.build(),
        "polygons": polygons.build(),
    }


class HostileFilesTest(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        self.path = self.folder / "input"
        self.output = str(self.folder / "out.json")

    def read(self, kind):
        """Reads the file at self.path as `kind` as far as it goes."""
        if kind == "colours":
            colours = kestrinpy.MapGisColorLib(str(self.path))
            return [colours.HEX(number) for number in range(colours.count + 2)]
        if kind == "project":
            return kestrinpy.MapGisProject(str(self.path)).Files
        opened = kestrinpy.MapGisFile(str(self.path))
        features = [feature for feature in opened.getFeature()]
        opened.saveAsGeoJson(self.output)
        return features

    def check(self, kind, data):
        self.path.write_bytes(data)
        before = len(os.listdir("/proc/self/fd"))
        try:
            self.read(kind)
        except ALLOWED:
            pass
        except Exception as error:  # the format checks raise plain Exceptions only
            self.assertIs(type(error), Exception, repr(error))
            self.assertRegex(str(error), r"\] (invalid file format|format invalid)\.$")
        self.assertEqual(len(os.listdir("/proc/self/fd")), before, "a file was left open")

    def test_cut_at_every_offset(self):
        for kind, data in sample_files().items():
            for size in range(len(data) + 1):
                with self.subTest(kind=kind, size=size):
                    self.check(kind, data[:size])

    def test_bytes_changed_at_random(self):
        rng = random.Random(7)
        for kind, data in sample_files().items():
            for case in range(300):
                damaged = bytearray(data)
                for _ in range(rng.randint(1, 8)):
                    damaged[rng.randrange(len(damaged))] = rng.randrange(256)
                with self.subTest(kind=kind, case=case):
                    self.check(kind, bytes(damaged))


if __name__ == "__main__":
    unittest.main()
