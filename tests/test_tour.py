"""The tour of the README runs on the bundled samples and shows what it promises;
the samples are what examples/make_samples.py writes."""
import contextlib
import importlib.util
import io
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLES = os.path.join(ROOT, "examples")


class TourTest(unittest.TestCase):
    def test_tour_runs_on_the_samples(self):
        completed = subprocess.run([sys.executable, os.path.join(EXAMPLES, "tour.py")],
                                   capture_output=True, text=True, timeout=120)
        self.assertEqual(completed.returncode, 0, completed.stderr)
        lines = completed.stdout.splitlines()
        # The file stores its central meridian as packed degrees, minutes and seconds.
        self.assertIn("parcels: 12 parcels, EPSG:4610: Gauss-Krüger on the 1980 Xi'an coordinate system, "
                      "central meridian 1170000.0 = 117.0°", lines)
        # (500000, 3000000) on Xi'an 1980, central meridian 117°: 27.111622894651° N, 117° E by PROJ.
        self.assertIn("  地块01 耕地   #FFFFFF 117°0′0.0″ 27°6′41.84″  1:10,000 sheet G50G022049 (G-50-31-(41))", lines)
        self.assertTrue(any(line.startswith("as WKT: POLYGON ((500100.0 3000100.0,") for line in lines))
        self.assertIn("地块01 to 地块12: 360.555 m on the 1980 Xi'an coordinate system", lines)
        boundary = "boundary {'north': 27.125, 'south': 27.083333333333332, 'west': 117.0, 'east': 117.0625}"
        self.assertIn(f"地块01's sheet G50G022049 (G-50-31-(41)): {boundary}", lines)
        for code in ("G50G022049", "G-50-31-(41)"):
            self.assertIn(f"  parse({code!r}): scale 1:10000, {boundary}", lines)
        self.assertEqual(sum(line.startswith("  longitude") for line in lines), 3)
        self.assertEqual(sum(line.startswith("  latitude") for line in lines), 3)

    def test_samples_are_what_make_samples_writes(self):
        spec = importlib.util.spec_from_file_location("make_samples", os.path.join(EXAMPLES, "make_samples.py"))
        make_samples = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(make_samples)
        with tempfile.TemporaryDirectory() as folder:
            make_samples.SAMPLE = pathlib.Path(folder)
            with contextlib.redirect_stdout(io.StringIO()):
                make_samples.main()
            written = {path.name: path.read_bytes() for path in pathlib.Path(folder).iterdir()}
        bundled = {path.name: path.read_bytes() for path in pathlib.Path(EXAMPLES, "sample").iterdir()}
        self.assertEqual(written, bundled)


if __name__ == "__main__":
    unittest.main()
