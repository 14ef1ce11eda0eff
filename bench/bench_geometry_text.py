"""Prints the time of Geometry.loads on large texts (WKT, free text, GeoJSON)
beside json.loads of a JSON text of the same numbers, and beside the same
loading written straight in Python (the readers with the host's re and json,
as in the reference of the tests, and normalisation in plain Python); then the
times of hostile texts of 10^5 characters.

Figures only: nothing here is asserted. The best of several runs is shown.
"""
import json
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src import kestrinpy  # noqa: E402
from timing import least_time  # noqa: E402
from tests import geometry_reference as ref  # noqa: E402

Geometry = kestrinpy.Geometry
REPEATS = 3


def best(run, repeats=REPEATS):
    """The least processor time of `repeats` runs (the machine is shared)."""
    return least_time(run, repeats, clock=time.process_time)


def coordinates(n, seed):
    rng = random.Random(seed)
    return [(round(rng.uniform(73, 135), 6), round(rng.uniform(18, 53), 6)) for _ in range(n)]


def vertices_text(points):
    return ",".join(f"{x!r} {y!r}" for x, y in points)


def row(label, text, json_text, straightforward=True):
    megabytes = len(text.encode()) / 1e6
    ours = best(lambda: Geometry.loads(text))
    host = best(lambda: json.loads(json_text))
    line = (f"{label:<28} loads {ours * 1e3:8.1f} ms {megabytes / ours:6.1f} MB/s   "
            f"json.loads same numbers {host * 1e3:8.1f} ms   ratio {ours / host:5.2f}")
    if straightforward:
        plain = best(lambda: ref.text_loads(ref.normalise, text), 1)
        line += f"   straight Python {plain * 1e3:8.1f} ms ({plain / ours:5.1f}x)"
    print(line)


def main():
    n = 1_000_000
    points = coordinates(n, 1)
    pairs_json = json.dumps([list(p) for p in points])
    row("LINESTRING 10^6", f"LINESTRING ({vertices_text(points)})", pairs_json)
    ring = points + [points[0]]
    row("POLYGON ring 10^6", f"POLYGON (({vertices_text(ring)}))", json.dumps([[list(p) for p in ring]]))
    polygons = [coordinates(100, seed) for seed in range(10_000)]
    polygons = [p + [p[0]] for p in polygons]
    wkt = "MULTIPOLYGON (" + ",".join(f"(({vertices_text(p)}))" for p in polygons) + ")"
    row("MULTIPOLYGON 10^4 x 100", wkt, json.dumps([[[list(v) for v in p]] for p in polygons]))
    row("free text 10^6 pairs", vertices_text(points), pairs_json)
    geojson = json.dumps({"type": "LineString", "coordinates": [list(p) for p in points]})
    row("GeoJSON text 10^6 pairs", geojson, geojson, straightforward=False)

    print("hostile texts of 10^5 characters:")
    k = 100_000
    hostile = {
        "14 rings, blanks, stray char": "(" + "(1 2)" * 14 + " " * 30 + "x)",
        "ring list, blanks, stray char": "(" + "(1 2)," * (k // 6) + " " * (k // 6) + "x)",
        "'(' without ')'": "(" * k + "1 2",
        "'[' without ']'": "[" * k + " 1 2",
        "blank run in a point": "POINT (1" + " " * k + "2)",
        "blank runs in free text": "1" + " ," * k + "2",
        "deep parentheses": "(" * k + "1 2" + ")" * k,
        "nested collection members": "GEOMETRYCOLLECTION " + "(POINT " * (k // 7) + "(1 2)" + ")" * (k // 7),
    }
    for label, text in hostile.items():
        def run():
            try:
                Geometry.loads(text)
            except Exception:  # noqa: BLE001 - the error is the answer
                pass
        print(f"  {label:<30} {best(run) * 1e3:8.2f} ms")


if __name__ == "__main__":
    main()
