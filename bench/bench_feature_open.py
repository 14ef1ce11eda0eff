"""Prints the time to open a point, line or polygon file beside os.stat of it.

Opening reads only the header, the directory and the attribute schema, so it
should not depend on the number of features: a file of a million line records
is opened 10,000 times. Figures only: nothing here is asserted.
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

OPENS = 10_000


def per_call(function, count):
    started = time.perf_counter()
    for _ in range(count):
        function()
    return (time.perf_counter() - started) / count


def main():
    folder = pathlib.Path(tempfile.mkdtemp())
    for records in (10, 1_000_000):
        layer = FeatureFile("line")
        layer.add_field("名称", 0, size=20)
        layer.add_field("ID", 3)
        layer.add_field("AREA", 5, digits=2)
        for k in range(records):
            layer.add_line([(float(k), 0.0), (float(k), 1.0)], attributes=["路", k, k * 0.5])
        path = layer.write(folder, f"lines{records}.WL")
        opening = per_call(lambda: kestrinpy.MapGisFile(path), OPENS)
        stat = per_call(lambda: os.stat(path), OPENS)
        print(f"{records:>9} records ({os.path.getsize(path) / 1e6:6.1f} MB): "
              f"open {opening * 1e6:6.1f} us   os.stat {stat * 1e6:5.2f} us")


if __name__ == "__main__":
    main()
