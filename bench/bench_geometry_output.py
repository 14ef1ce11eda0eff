"""Prints the times of Geometry.toWkt, dumps, swapXY and getXY on a 10^6-vertex
LineString and a MultiPolygon of 10^4 polygons of 100 vertices, beside the host
doing the same work: json.dumps of the same coordinates (compact, and indented
as dumps writes them), a join of '%r %r' texts, and plain loops that exchange
or copy every vertex.

Figures only: nothing here is asserted. The least processor time of several
runs is shown (the machine is shared).
"""
import json
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src import kestrinpy  # noqa: E402
from timing import least_time  # noqa: E402

Geometry = kestrinpy.Geometry
REPEATS = 3


def best(run, repeats=REPEATS):
    """The least processor time of `repeats` runs (the machine is shared)."""
    return least_time(run, repeats, clock=time.process_time)


def coordinates(n, seed):
    rng = random.Random(seed)
    return [[round(rng.uniform(73, 135), 6), round(rng.uniform(18, 53), 6)] for _ in range(n)]


def vertices_of(geometry):
    if geometry["type"] == "LineString":
        return geometry["coordinates"]
    return [v for polygon in geometry["coordinates"] for ring in polygon for v in ring]


def host_wkt(geometry):
    if geometry["type"] == "LineString":
        return "LINESTRING (" + ",".join("%r %r" % (x, y) for x, y in geometry["coordinates"]) + ")"
    return "MULTIPOLYGON (" + ",".join(
        "(" + ",".join("(" + ",".join("%r %r" % (x, y) for x, y in ring) + ")" for ring in polygon) + ")"
        for polygon in geometry["coordinates"]) + ")"


def swap_loop(vertices):
    for v in vertices:
        v[0], v[1] = v[1], v[0]


def swap_loop_once(vertices):
    seen = set()
    for v in vertices:
        if id(v) not in seen:
            seen.add(id(v))
            v[0], v[1] = v[1], v[0]


def report(label, geometry):
    n = len(vertices_of(geometry))
    wkt = Geometry.toWkt(geometry)
    megabytes = len(wkt) / 1e6
    ours = best(lambda: Geometry.toWkt(geometry), 5)
    joined = best(lambda: host_wkt(geometry))
    compact = best(lambda: json.dumps(geometry["coordinates"]))
    compact_megabytes = len(json.dumps(geometry["coordinates"])) / 1e6
    print(f"{label}")
    print(f"  toWkt    {ours * 1e3:8.1f} ms {megabytes / ours:7.1f} MB/s   '%r %r' join {joined * 1e3:8.1f} ms "
          f"({joined / ours:4.1f}x)   json.dumps coordinates {compact * 1e3:7.1f} ms "
          f"{compact_megabytes / compact:6.1f} MB/s")
    ours = best(lambda: Geometry.dumps(geometry), 2)
    host = best(lambda: json.dumps(geometry, ensure_ascii=False, indent=4), 1)
    print(f"  dumps    {ours * 1e3:8.1f} ms   json.dumps(indent=4) {host * 1e3:8.1f} ms   ratio {ours / host:5.2f}")
    # Timed while nothing else refers to the vertices, as in a geometry just loaded.
    ours = best(lambda: Geometry.swapXY(geometry))
    vertices = vertices_of(geometry)
    plain = best(lambda: swap_loop(vertices))
    once = best(lambda: swap_loop_once(vertices))
    shared = best(lambda: Geometry.swapXY(geometry))
    print(f"  swapXY   {ours / n * 1e9:6.1f} ns/vertex   host loop {plain / n * 1e9:6.1f} ns/vertex "
          f"(ratio {ours / plain:4.2f}), with a seen set {once / n * 1e9:6.1f} ns/vertex; "
          f"swapXY while a list holds every vertex {shared / n * 1e9:6.1f} ns/vertex")
    ours = best(lambda: Geometry.getXY(geometry, False))
    host = best(lambda: [tuple(v) for v in vertices])
    print(f"  getXY    {ours / n * 1e9:6.1f} ns/vertex   [tuple(v) for v in vertices] {host / n * 1e9:6.1f} ns/vertex "
          f"(ratio {ours / host:4.2f})")


def main():
    report("LineString 10^6", {"type": "LineString", "coordinates": coordinates(1_000_000, 1)})
    polygons = []
    for seed in range(10_000):
        ring = coordinates(99, seed)
        polygons.append([ring + [ring[0]]])
    report("MultiPolygon 10^4 x 100", {"type": "MultiPolygon", "coordinates": polygons})


if __name__ == "__main__":
    main()
