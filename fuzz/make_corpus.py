"""Writes the fuzzer's seed corpus with the test fixture writer: a colour
library, a project file and small point, line and polygon files."""
import os
import pathlib
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from tests import fixtures  # noqa: E402
from tests.fixtures import FeatureFile  # noqa: E402


def main(folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "colours").write_bytes(fixtures.colour_library([(0, 10, 20, 30, 40, 50), (255, 0, 0, 0, 0, 0)]))
    (folder / "project").write_bytes(fixtures.project_file([dict(Type=1, File=b"a.WT"), dict(Type=2)]))
    lines = FeatureFile("line")
    lines.add_field("名称", 0, size=6)
    lines.add_field("V", 5, digits=2)
    lines.add_field("D", 6)
    lines.add_field("T", 7)
    lines.add_line([(0, 0), (1, 1), (1, 1)], attributes=["路", 1.5, (2025, 1, 2), (1, 2, 3.5)])
    lines.add_line([(2, 2)], flag=0)
    (folder / "lines").write_bytes(lines.build())
    points = FeatureFile("point")
    points.add_field("B", 8)
    for point_type in range(7):
        points.add_point(point_type, 0, point_type=point_type, text="注", attributes=[1])
    (folder / "points").write_bytes(points.build())
    polygons = FeatureFile("polygon")
    polygons.add_field("ID", 3)
    polygons.add_arc([(0, 0), (4, 0)], 1, 2)
    polygons.add_arc([(4, 0), (4, 3)], 2, 3)
    polygons.add_arc([(4, 3), (0, 0)], 3, 1)
    polygons.add_arc([(1, 1), (2, 1), (1, 2), (1, 1)], 4, 4)
    polygons.add_polygon([1, -2, 3, 0, 4], attributes=[7])
    polygons.add_polygon([0, 0], attributes=[8])
    (folder / "polygons").write_bytes(polygons.build())


if __name__ == "__main__":
    main(sys.argv[1])
