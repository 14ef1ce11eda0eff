"""Prints, per file, the time of saveAsGeoJson and the MB/s it writes, beside
the time json.dumps(feature, ensure_ascii=False) alone takes for the same
features collected beforehand; then the peak memory of the export on a file
ten times larger. Figures only: nothing here is asserted."""
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, ROOT)

from src import kestrinpy  # noqa: E402
from tests.fixtures import FeatureFile  # noqa: E402


def line_file(folder, vertices, lines):
    layer = FeatureFile("line")
    layer.add_field("名称", 0, size=10)
    layer.add_field("ID", 3)
    per = vertices // lines
    for k in range(lines):
        layer.add_line([(500000.0 + k + j * 0.25, 3000000.0 + j * 0.5) for j in range(per)], attributes=["道路", k])
    return layer.write(folder, f"lines{vertices}.WL")


def polygon_file(folder, vertices, polygons):
    layer = FeatureFile("polygon")
    layer.add_field("名称", 0, size=10)
    layer.add_field("AREA", 5, digits=2)
    per = vertices // polygons
    for k in range(polygons):
        ring = [(500000.0 + k + j * 0.25, 3000000.0 + (j % 7) * 0.5) for j in range(per - 1)]
        layer.add_arc(ring + [ring[0]], k + 1, k + 1)
        layer.add_polygon([k + 1], attributes=["地块", k * 1.5])
    return layer.write(folder, f"polygons{vertices}.WP")


def point_file(folder, points):
    layer = FeatureFile("point")
    layer.add_field("名称", 0, size=10)
    layer.add_field("ID", 3)
    for k in range(points):
        kind = k % 3  # markers, circles and labels
        if kind == 0:
            layer.add_point(500000.0 + k * 0.25, 3000000.0 + k * 0.5, point_type=1, attributes=["界桩", k],
                            sub_fields=dict(Color=k % 50, Height=2.0, Width=2.0))
        elif kind == 1:
            layer.add_point(500000.0 + k * 0.25, 3000000.0, point_type=2, attributes=["井", k],
                            sub_fields=dict(Color=3, FillColor=k % 7, Radius=1.5))
        else:
            layer.add_point(500000.0, 3000000.0 + k * 0.5, point_type=0, text="高程点", attributes=["注记", k],
                            sub_fields=dict(FontColor=2, Height=3.0))
    return layer.write(folder, f"points{points}.WT")


def measure(path, output):
    opened = kestrinpy.MapGisFile(path)
    started = time.perf_counter()
    opened.saveAsGeoJson(output)
    export = time.perf_counter() - started
    size = os.path.getsize(output)
    features = []
    for feature in opened.getFeature():
        feature["properties"] = {name: value["value"] for name, value in feature["properties"].items()}
        features.append(feature)
    started = time.perf_counter()
    for feature in features:
        json.dumps(feature, ensure_ascii=False)
    dumps = time.perf_counter() - started
    print(f"{os.path.basename(path):<20} export {export:6.2f} s  {size / export / 1e6:6.1f} MB/s   "
          f"json.dumps alone {dumps:6.2f} s   ratio {export / dumps:4.2f}")


def peak_memory(path, output):
    code = ("import sys; sys.path.insert(0, %r); from src import kestrinpy; "
            "kestrinpy.MapGisFile(%r).saveAsGeoJson(%r); "
            "print([l.split()[1] for l in open('/proc/self/status') if l.startswith('VmHWM')][0])") % (ROOT, path, output)
    return int(subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout)


def main():
    folder = pathlib.Path(tempfile.mkdtemp())
    output = str(folder / "out.json")
    lines = line_file(folder, 1_000_000, 10_000)
    polygons = polygon_file(folder, 1_000_000, 10_000)
    points = point_file(folder, 300_000)
    measure(lines, output)
    measure(polygons, output)
    measure(points, output)
    small = line_file(folder, 100_000, 1_000)
    print(f"peak memory of a process exporting 100,000 vertices: {peak_memory(small, output)} kB; "
          f"1,000,000 vertices: {peak_memory(lines, output)} kB")


if __name__ == "__main__":
    main()
