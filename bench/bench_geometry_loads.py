"""Prints the time of Geometry.loads on large nested lists beside a host loop
over the same lists that only converts x and y of every vertex:

    for v in vertices: float(v[0]); float(v[1])

Figures only: nothing here is asserted. loads works in place, so every run gets
freshly built lists; the best of several runs is shown.
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src import kestrinpy  # noqa: E402

Geometry = kestrinpy.Geometry
REPEATS = 5


def line_of_floats(n):
    return [[i * 0.001 + 100.0, i * 0.002 + 30.0] for i in range(n)]


def line_with_duplicates(n):
    return [[(i // 2) * 0.001 + 100.0, (i // 2) * 0.002 + 30.0] for i in range(n)]


def multipolygon(polygons, vertices):
    return [[[[p + k * 0.001, p - k * 0.001] for k in range(vertices)]] for p in range(polygons)]


def vertices_of(coordinates, depth):
    if depth == 2:
        return coordinates
    return [v for part in coordinates for v in vertices_of(part, depth - 1)]


def best(make, run):
    times = []
    for _ in range(REPEATS):
        data = make()
        start = time.perf_counter()
        run(data)
        times.append(time.perf_counter() - start)
    return min(times)


def host_loop(vertices):
    for v in vertices:
        float(v[0])
        float(v[1])


def row(label, make, depth, vertex_count, note=""):
    ours = best(make, Geometry.loads)
    host = best(lambda: vertices_of(make(), depth), host_loop)
    print(f"{label:<36} loads {ours * 1e3:8.1f} ms ({ours / vertex_count * 1e9:5.1f} ns/vertex)   "
          f"host float loop {host * 1e3:8.1f} ms   ratio {ours / host:5.2f}{note}")


def drop_every_other(line):
    del line[1::2]


def main():
    n = 1_000_000
    row("LineString 10^6 floats", lambda: line_of_floats(n), 2, n)
    # Half the vertex lists are dropped: the host's own cost of releasing them
    # (del line[1::2]) is shown beside; the time per vertex stays flat with n.
    released = best(lambda: line_with_duplicates(n), drop_every_other)
    row("LineString 10^6, every other dup", lambda: line_with_duplicates(n), 2, n,
        f"   (host del line[1::2] alone {released * 1e3:.1f} ms)")
    row("LineString 10^5, every other dup", lambda: line_with_duplicates(n // 10), 2, n // 10)
    row("MultiPolygon 10^4 x 100", lambda: multipolygon(10_000, 100), 4, 1_000_000)


if __name__ == "__main__":
    main()
