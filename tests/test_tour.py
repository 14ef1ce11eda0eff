"""The tour of the README runs on the bundled samples and shows what it promises."""
import os
import subprocess
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class TourTest(unittest.TestCase):
    def test_tour_runs_on_the_samples(self):
        completed = subprocess.run([sys.executable, os.path.join(ROOT, "examples", "tour.py")],
                                   capture_output=True, text=True, timeout=120)
        self.assertEqual(completed.returncode, 0, completed.stderr)
        lines = completed.stdout.splitlines()
        self.assertIn("parcels: 12 parcels, EPSG:4610, central meridian 117.0", lines)
        self.assertIn("  地块01 耕地   #FFFFFF 117°0′0.0″ 27°6′41.89″  1:10,000 sheet G50G022049 (G-50-31-(41))", lines)
        self.assertTrue(any(line.startswith("as WKT: POLYGON ((39500100.0 3000100.0,") for line in lines))
        self.assertIn("地块01 to 地块12: 360.555 m on CGCS2000", lines)
        boundary = "boundary {'north': 27.125, 'south': 27.083333333333332, 'west': 117.0, 'east': 117.0625}"
        self.assertIn(f"地块01's sheet G50G022049 (G-50-31-(41)): {boundary}", lines)
        for code in ("G50G022049", "G-50-31-(41)"):
            self.assertIn(f"  parse({code!r}): scale 1:10000, {boundary}", lines)
        self.assertEqual(sum(line.startswith("  longitude") for line in lines), 3)
        self.assertEqual(sum(line.startswith("  latitude") for line in lines), 3)


if __name__ == "__main__":
    unittest.main()
