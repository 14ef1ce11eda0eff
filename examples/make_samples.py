"""Writes the bundled sample files under examples/sample/ with the test fixture writer."""
import os
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT))

from tests import fixtures  # noqa: E402
from tests.fixtures import FeatureFile  # noqa: E402

SAMPLE = ROOT / "examples" / "sample"


def main():
    colours = [(0, 0, 0, 0, 0, 0), (255, 0, 0, 0, 0, 0), (0, 255, 0, 0, 0, 0), (0, 0, 255, 0, 0, 0),
               (0, 0, 0, 255, 0, 0), (0, 0, 0, 0, 255, 0), (0, 0, 0, 0, 0, 255), (0, 10, 20, 30, 40, 50),
               (76, 0, 0, 0, 0, 0), (153, 64, 0, 0, 0, 0)]
    fixtures.write(SAMPLE, "Pcolor.lib", fixtures.colour_library(colours, head=fixtures.COLOUR_MAGIC))
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
    write_parcels()
    print(f"wrote {os.path.relpath(SAMPLE, ROOT)}/Pcolor.lib, sample.MPJ and parcels.WP")


def write_parcels():
    """A polygon file of a 4 x 3 grid of land parcels with shared boundaries,
    one parcel with a hole; coordinates in Gauss-Krüger metres on Xi'an 1980.
    As in real files, the central meridian is stored as packed degrees,
    minutes and seconds (1170000.0 for 117°00′00″) and the eastings carry the
    false easting but no zone prefix."""
    layer = FeatureFile("polygon", crs=3, projectionType=5, ellipsoidCode=2, units=1, central_meridian=1170000.0,
                        false_easting=500000.0, xMin=500000.0, yMin=3000000.0, xMax=500400.0, yMax=3000300.0)
    layer.add_field("名称", 0, size=20)
    layer.add_field("用途", 0, size=10)
    layer.add_field("面积", 5, digits=2)
    uses = ["耕地", "林地", "园地", "住宅用地"]
    size, columns, rows = 100.0, 4, 3
    x0, y0 = 500000.0, 3000000.0
    arcs = {}

    def arc(a, b):
        """The signed number of the boundary from grid node a to grid node b."""
        key = (min(a, b), max(a, b))
        if key not in arcs:
            start, finish = key
            vertices = [(x0 + start[0] * size, y0 + start[1] * size), (x0 + finish[0] * size, y0 + finish[1] * size)]
            node = lambda n: n[1] * (columns + 1) + n[0] + 1
            arcs[key] = layer.add_arc(vertices, node(start), node(finish))
        return arcs[key] if key == (a, b) else -arcs[key]

    hole = layer.add_arc([(x0 + 130, y0 + 130), (x0 + 170, y0 + 130), (x0 + 170, y0 + 170), (x0 + 130, y0 + 170),
                          (x0 + 130, y0 + 130)], 99, 99)
    for row in range(rows):
        for column in range(columns):
            corners = [(column, row), (column + 1, row), (column + 1, row + 1), (column, row + 1)]
            numbers = [arc(corners[k], corners[(k + 1) % 4]) for k in range(4)]
            area = size * size
            if (column, row) == (1, 1):
                numbers += [0, hole]
                area -= 40 * 40
            layer.add_polygon(numbers, attributes=[f"地块{row * columns + column + 1:02d}", uses[(row + column) % 4], area],
                              FillColor=(row * columns + column) % 9 + 1, PatternColor=2)
    fixtures.write(SAMPLE, "parcels.WP", layer.build())


if __name__ == "__main__":
    main()
