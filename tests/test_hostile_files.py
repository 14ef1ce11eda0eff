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

# The errors a damaged file may give: short records, seeks before the start,
# missing directory entries or ring vertices, and the format checks.
ALLOWED = (struct.error, OSError, IndexError)


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
        for kind, data in fixtures.small_samples().items():
            for size in range(len(data) + 1):
                with self.subTest(kind=kind, size=size):
                    self.check(kind, data[:size])

    def test_bytes_changed_at_random(self):
        rng = random.Random(7)
        for kind, data in fixtures.small_samples().items():
            for case in range(300):
                damaged = bytearray(data)
                for _ in range(rng.randint(1, 8)):
                    damaged[rng.randrange(len(damaged))] = rng.randrange(256)
                with self.subTest(kind=kind, case=case):
                    self.check(kind, bytes(damaged))


if __name__ == "__main__":
    unittest.main()
