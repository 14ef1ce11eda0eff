"""examples/convert.py as a user meets it, run as a child process: the export it
writes, its progress bar, and one line on standard error for every file it
cannot use."""
import os
import pathlib
import pty
import shutil
import subprocess
import sys
import tempfile
import unittest

from src import kestrinpy
from tests import fixtures
from tests.fixtures import FeatureFile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPT = os.path.join(ROOT, "examples", "convert.py")


class ConvertTest(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        self.data = self.parcels()
        self.layer = fixtures.write(self.folder, "parcels.WP", self.data)
        self.library = fixtures.write(self.folder, "Pcolor.lib", fixtures.colour_library(
            [(0, 10, 20, 30, 40, 50), (255, 0, 0, 0, 0, 0), (0, 255, 0, 0, 0, 0)]))
        self.output = str(self.folder / "out.json")

    @staticmethod
    def parcels(damaged=None):
        """Twelve parcels; the arc list of parcel `damaged` is placed past the end of the file."""
        layer = FeatureFile("polygon")
        layer.add_field("名称", 0, size=8)
        for k in range(12):
            arc = layer.add_arc([(k, 0), (k + 1, 0), (k + 1, 1), (k, 0)], k + 1, k + 1)
            placed = dict(Start=10 ** 6) if k == damaged else {}
            layer.add_polygon([arc], attributes=[f"地块{k}"], FillColor=k % 3 + 1, **placed)
        return layer.build()

    def convert(self, *args):
        return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True, timeout=120)

    def test_export_and_progress_into_a_pipe(self):
        completed = self.convert(self.layer, self.output, "--colour-library", self.library)
        self.assertEqual((completed.returncode, completed.stderr), (0, ""))
        expected = str(self.folder / "expected.json")
        kestrinpy.MapGisFile(self.layer, self.library).saveAsGeoJson(expected)
        self.assertEqual(pathlib.Path(self.output).read_bytes(), pathlib.Path(expected).read_bytes())
        lines = completed.stdout.split("\n")
        self.assertNotIn("\r", completed.stdout)
        self.assertEqual(lines[:4], [f"[{'#' * (10 * k)}{'.' * (40 - 10 * k)}] {3 * k}/12" for k in (1, 2, 3, 4)])
        self.assertRegex(lines[4], rf"^Polygon file, 12 features, EPSG 0: wrote {self.output} "
                                   rf"\({os.path.getsize(expected)} bytes\) in [0-9.]+ ms$")
        self.assertEqual(lines[5:], [""])

    def test_progress_redrawn_on_a_terminal(self):
        leader, follower = pty.openpty()
        with os.fdopen(leader, "rb") as terminal:
            child = subprocess.Popen([sys.executable, SCRIPT, self.layer, self.output], stdout=follower,
                                     stderr=subprocess.PIPE)
            os.close(follower)
            shown = b""
            while True:
                try:
                    chunk = os.read(terminal.fileno(), 4096)
                except OSError:  # the child has gone and closed the terminal
                    break
                if not chunk:
                    break
                shown += chunk
            self.assertEqual(child.wait(timeout=120), 0)
            child.stderr.close()
        text = shown.decode("utf-8").replace("\r\n", "\n")
        self.assertEqual(text.count("\r"), 12)
        self.assertTrue(text.startswith(f"\r[###{'.' * 37}] 1/12\r"))
        self.assertIn(f"\r[{'#' * 40}] 12/12\nPolygon file, 12 features", text)

    def test_files_it_cannot_use(self):
        missing = str(self.folder / "missing.WP")
        text = fixtures.write(self.folder, "notes.txt", b"not a MapGIS file\n" * 30)
        project = fixtures.write(self.folder, "project.MPJ", fixtures.project_file([dict(Type=2)]))
        cut = fixtures.write(self.folder, "cut.WP", self.data[:100])
        damaged = fixtures.write(self.folder, "damaged.WP", self.parcels(damaged=6))
        tiny_library = fixtures.write(self.folder, "tiny.lib", b"\0" * 60)
        no_folder = str(self.folder / "no" / "out.json")
        folder = str(self.folder)
        cases = [
            ([missing, self.output], f"{missing}: no such file"),
            ([folder, self.output], f"{folder}: is a folder, not a MapGIS file"),
            ([text, self.output], f"{text}: not a MapGIS point, line or polygon file"),
            ([project, self.output], f"{project}: not a MapGIS point, line or polygon file"),
            ([cut, self.output], f"{cut}: damaged or cut short (unpack requires a buffer of 336 bytes)"),
            ([damaged, self.output], f"{damaged}: damaged or cut short (unpack requires a buffer of 4 bytes)"),
            ([self.layer, self.output, "--encoding", "no-such-codec"], f"{self.layer}: unknown encoding 'no-such-codec'"),
            ([self.layer, self.output, "--colour-library", missing], f"{missing}: no such file"),
            ([self.layer, self.output, "--colour-library", folder], f"{folder}: is a folder, not a colour library"),
            ([self.layer, self.output, "--colour-library", tiny_library],
             f"{tiny_library}: not a colour library file (Pcolor.lib)"),
            ([self.layer, self.output, "--colour-library", self.layer],
             f"{self.layer}: not a colour library file (Pcolor.lib)"),
            ([self.layer, no_folder], f"{no_folder}: cannot be written (No such file or directory)"),
        ]
        for args, line in cases:
            with self.subTest(line=line):
                completed = self.convert(*args)
                self.assertEqual((completed.returncode, completed.stderr), (1, f"convert.py: {line}\n"))

    def test_bad_usage_is_left_to_argparse(self):
        completed = self.convert(self.layer)
        self.assertEqual(completed.returncode, 2)
        self.assertTrue(completed.stderr.startswith("usage: convert.py"))
        self.assertIn("convert.py: error: the following arguments are required: output", completed.stderr)


if __name__ == "__main__":
    unittest.main()
