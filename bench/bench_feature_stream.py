"""Prints the time to drain getFeature() on a line file of 1,000,000 vertices in
10,000 lines and on a point file of 1,000,000 points, beside the time to build
the same number of [x, y] lists of two floats in Python, the floor for any
reader that hands out host objects. Figures only: nothing here is asserted.
"""
import os
import pathlib
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, ROOT)

from src import kestrinpy  # noqa: E402
from tests.fixtures import FeatureFile  # noqa: E402

VERTICES = 1_000_000
LINES = 10_000
POINTS = 1_000_000


def best(function, repeat=3):
    times = []
    for _ in range(repeat):
        started = time.perf_counter()
        function()
        times.append(time.perf_counter() - started)
    return min(times)


def drain(path):
    for _ in kestrinpy.MapGisFile(path).getFeature():
        pass


def main():
    folder = pathlib.Path(tempfile.mkdtemp())
    lines = FeatureFile("line")
    lines.add_field("ID", 3)
    per_line = VERTICES // LINES
    for k in range(LINES):
        lines.add_line([(float(k * per_line + j), float(j)) for j in range(per_line)], attributes=[k], Color=k % 50)
    line_path = lines.write(folder, "lines.WL")

    points = FeatureFile("point")
    points.add_field("ID", 3)
    for k in range(POINTS):
        points.add_point(float(k), float(k), point_type=1, attributes=[k], sub_fields=dict(Color=k % 50, Height=2.0))
    point_path = points.write(folder, "points.WT")

    floor = best(lambda: [[float(i), float(i)] for i in range(VERTICES)])
    line_time = best(lambda: drain(line_path))
    point_time = best(lambda: drain(point_path))
    print(f"floor: {VERTICES} [x, y] lists in Python   {floor * 1e3:7.1f} ms  ({floor / VERTICES * 1e9:5.1f} ns each)")
    print(f"line file, {VERTICES} vertices in {LINES} lines {line_time * 1e3:7.1f} ms  "
          f"({line_time / VERTICES * 1e9:5.1f} ns per vertex, {line_time / floor:4.2f}x the floor)")
    print(f"point file, {POINTS} points            {point_time * 1e3:7.1f} ms  "
          f"({point_time / POINTS * 1e6:5.2f} us per feature)")


if __name__ == "__main__":
    main()
