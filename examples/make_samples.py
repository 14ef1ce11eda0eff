"""Writes the bundled sample files under examples/sample/ with the test fixture writer."""
import os
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT))

from tests import fixtures  # noqa: E402

SAMPLE = ROOT / "examples" / "sample"


def main():
    colours = [(0, 0, 0, 0, 0, 0), (255, 0, 0, 0, 0, 0), (0, 255, 0, 0, 0, 0), (0, 0, 255, 0, 0, 0),
               (0, 0, 0, 255, 0, 0), (0, 0, 0, 0, 255, 0), (0, 0, 0, 0, 0, 255), (0, 10, 20, 30, 40, 50),
               (76, 0, 0, 0, 0, 0), (153, 64, 0, 0, 0, 0)]
    fixtures.write(SAMPLE, "Pcolor.lib", fixtures.colour_library(colours))
    entries = [
        dict(Type=1, File="居民点.WT".encode("gb2312"), Description="居民点".encode("gb2312"),
             XMin=500000.0, YMin=3000000.0, XMax=520000.0, YMax=3020000.0, ScaleMax=50000.0),
        dict(Type=0, File="道路.WL".encode("gb2312"), Description="道路".encode("gb2312"),
             XMin=500000.0, YMin=3000000.0, XMax=520000.0, YMax=3020000.0, LabelHeight=2.5, LabelColor=3),
        dict(Type=2, File="地块.WP".encode("gb2312"), Description="地块".encode("gb2312"),
             XMin=500000.0, YMin=3000000.0, XMax=520000.0, YMax=3020000.0),
    ]
    fixtures.write(SAMPLE, "sample.MPJ", fixtures.project_file(
        entries, Title="示例工程".encode("gb2312"), XMin=500000.0, YMin=3000000.0, XMax=520000.0, YMax=3020000.0,
        LayoutWidth=297.0, LayoutHeight=210.0, layoutXscale=1.0, layoutYscale=1.0))
    print(f"wrote {os.path.relpath(SAMPLE, ROOT)}/Pcolor.lib and sample.MPJ")


if __name__ == "__main__":
    main()
