"""Prints ns per call of web Mercator, Albers and Lambert (10^6 points forward,
and the inverse of their results) and of geodesics between the neighbouring
vertices of a 10^6-vertex polyline, beside the host floor math.hypot(x, y)
called over the same points in the same loop.

Figures only: nothing here is asserted. Each figure is the best of a few runs
of one `for` loop over seeded points with the call in its body, so every row
(the floor included) carries the loop; each row is timed in turns with the
floor and the empty loop, and the last column gives the ratio net of the loop.
"""
import math
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src.kestrinpy import Projection  # noqa: E402

N = 1_000_000
REPEATS = 5
GOALS = {"webMercator": 3, "albers": 8, "lambert": 8, "geodesics": 10}


def best_ns(run):
    start = time.perf_counter_ns()
    run()
    return (time.perf_counter_ns() - start) / N


def main():
    rng = random.Random(16)
    china = [(rng.uniform(73.0, 135.0), rng.uniform(18.0, 53.0)) for _ in range(N)]
    world = [(rng.uniform(-180.0, 180.0), rng.uniform(-85.0, 85.0)) for _ in range(N)]
    # A closed polyline of N vertices some metres to a few hundred metres apart.
    vertex = (116.0, 40.0)
    polyline = [vertex]
    for _ in range(N - 1):
        vertex = (vertex[0] + rng.uniform(-2e-3, 2e-3), vertex[1] + rng.uniform(-2e-3, 2e-3))
        polyline.append(vertex)
    edges = list(zip(polyline, polyline[1:] + polyline[:1]))

    P = Projection
    hypot, web, alb, lcc, geodesics = math.hypot, P.webMercator, P.albers, P.lambert, P.geodesics
    mercator = [web(lon, lat) for lon, lat in world]
    albers = [alb(lon, lat, centralMeridian=105.0, parallel1=25.0, parallel2=47.0) for lon, lat in china]
    lambert = [lcc(lon, lat, centralMeridian=105.0, parallel1=25.0, parallel2=47.0) for lon, lat in china]

    def empty_loop():
        for u, v in world:
            pass

    def floor():
        for u, v in world:
            hypot(u, v)

    def mercator_forward():
        for u, v in world:
            web(u, v)

    def mercator_inverse():
        for u, v in mercator:
            web(x=u, y=v)

    def albers_forward():
        for u, v in china:
            alb(u, v, centralMeridian=105.0, parallel1=25.0, parallel2=47.0)

    def albers_inverse():
        for u, v in albers:
            alb(x=u, y=v, centralMeridian=105.0, parallel1=25.0, parallel2=47.0)

    def lambert_forward():
        for u, v in china:
            lcc(u, v, centralMeridian=105.0, parallel1=25.0, parallel2=47.0)

    def lambert_inverse():
        for u, v in lambert:
            lcc(x=u, y=v, centralMeridian=105.0, parallel1=25.0, parallel2=47.0)

    def neighbouring_vertices():
        for u, v in edges:
            geodesics(u, v)

    rows = [
        ("webMercator forward", "webMercator", mercator_forward),
        ("webMercator(x=, y=) inverse", "webMercator", mercator_inverse),
        ("albers forward, CM 105, 25/47", "albers", albers_forward),
        ("albers inverse", "albers", albers_inverse),
        ("lambert forward, CM 105, 25/47", "lambert", lambert_forward),
        ("lambert inverse", "lambert", lambert_inverse),
        ("geodesics, neighbouring vertices", "geodesics", neighbouring_vertices),
    ]
    # The machine is shared: each row is timed in turns with the floor and the
    # empty loop, the best of each kept, so a busy spell weighs on both alike.
    print(f"{'':38s} {'ns/call':>8s} {'hypot':>7s} {'loop':>6s}  ratio to hypot (goal), net of the loop")
    for label, method, run in rows:
        ns, base, loop = (min(column) for column in zip(*((best_ns(run), best_ns(floor), best_ns(empty_loop))
                                                           for _ in range(REPEATS))))
        ratio, net = ns / base, (ns - loop) / (base - loop)
        verdict = "met" if ratio <= GOALS[method] else "NOT met"
        print(f"{label:38s} {ns:8.1f} {base:7.1f} {loop:6.1f}  {ratio:5.2f}x ({GOALS[method]}x: {verdict}), "
              f"{net:5.2f}x")

if __name__ == "__main__":
    main()
