"""Prints the cost of the colour conversions and of reading a large project file.

Figures only: nothing here is asserted.
"""
import os
import pathlib
import sys
import tempfile
import time
import timeit

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, ROOT)

from src import kestrinpy  # noqa: E402
from tests import fixtures  # noqa: E402

CALLS = 1_000_000


def main():
    folder = pathlib.Path(tempfile.mkdtemp())
    records = [(i % 256, (i * 7) % 256, (i * 13) % 256, (i * 29) % 256, i % 3 * 100, i % 5 * 50) for i in range(1000)]
    library = fixtures.write(folder, "Pcolor.lib", fixtures.colour_library(records))
    colours = kestrinpy.MapGisColorLib(library)
    r, g, b = 18, 52, 86

    def ours():
        hex_of = colours.HEX
        for i in range(CALLS):
            hex_of(i % 1000 + 1, "#000000")

    def host():
        fmt = "#{:02X}{:02X}{:02X}".format
        for i in range(CALLS):
            fmt(r, g, b)

    def loop():
        for i in range(CALLS):
            i % 1000 + 1

    base = min(timeit.repeat(loop, number=1, repeat=5))
    ours_s = min(timeit.repeat(ours, number=1, repeat=5)) - base
    host_s = min(timeit.repeat(host, number=1, repeat=5))
    print(f"HEX(i % 1000 + 1, '#000000')  {ours_s / CALLS * 1e9:7.1f} ns per call")
    print(f"'#{{:02X}}{{:02X}}{{:02X}}'.format {host_s / CALLS * 1e9:7.1f} ns per call")

    entries = [dict(Type=k % 3, File=f"file{k}.WL".encode(), Description=b"layer", XMax=float(k)) for k in range(32767)]
    project = fixtures.write(folder, "big.MPJ", fixtures.project_file(entries))
    started = time.perf_counter()
    loaded = kestrinpy.MapGisProject(project)
    elapsed = time.perf_counter() - started
    print(f"MapGisProject, {len(loaded.Files)} records   {elapsed * 1e3:7.1f} ms "
          f"({elapsed / len(loaded.Files) * 1e9:.0f} ns per record)")


if __name__ == "__main__":
    main()
