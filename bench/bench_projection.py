"""Prints ns per call of the zone, central-meridian and angle conversions of
Projection beside a host floor: math.hypot(x, y), a call with two floats.

Figures only: nothing here is asserted. Every row loops over the same seeded
longitudes in the same way, the best of several repeats.
"""
import math
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src.kestrinpy import Projection  # noqa: E402
from tests.angle_reference import angle as plain_angle  # noqa: E402

REPEATS = 5


def best_ns(run, count):
    best = math.inf
    for _ in range(REPEATS):
        start = time.perf_counter_ns()
        run()
        best = min(best, time.perf_counter_ns() - start)
    return best / count


def main():
    rng = random.Random(14)
    longitudes = [rng.uniform(-180.0, 180.0) for _ in range(1_000_000)]
    latitudes = [rng.uniform(-90.0, 90.0) for _ in range(1_000_000)]
    few = longitudes[:100_000]
    texts = [Projection.angle(deg=abs(lon), digit=2) for lon in few]
    zone, central_meridian, angle, hypot = Projection.zone, Projection.centralMeridian, Projection.angle, math.hypot

    def host_floor():
        for x, y in zip(longitudes, latitudes):
            hypot(x, y)

    def zones():
        for x, y in zip(longitudes, latitudes):
            zone(x)

    def meridians():
        for x, y in zip(longitudes, latitudes):
            central_meridian(x)

    def to_text(function):
        def run():
            for x in few:
                function(deg=x, digit=2)
        return run

    def to_degrees(function):
        def run():
            for t in texts:
                function(dms=t)
        return run

    def loop_alone():
        for x, y in zip(longitudes, latitudes):
            pass

    floor = best_ns(host_floor, len(longitudes))
    print(f"{'(the loop alone)':<32} {best_ns(loop_alone, len(longitudes)):8.1f} ns")
    print(f"{'math.hypot(x, y)':<32} {floor:8.1f} ns")
    for label, run, count, goal in [("zone(lon)", zones, len(longitudes), 2.0),
                                    ("centralMeridian(lon)", meridians, len(longitudes), 3.0)]:
        ns = best_ns(run, count)
        print(f"{label:<32} {ns:8.1f} ns   {ns / floor:5.2f}x hypot (goal within {goal:.0f}x)")
    for label, ours, plain in [("angle(deg=lon, digit=2)", to_text(angle), to_text(plain_angle)),
                               ("angle(dms=text)", to_degrees(angle), to_degrees(plain_angle))]:
        ns = best_ns(ours, len(few))
        plain_ns = best_ns(plain, len(few))
        print(f"{label:<32} {ns:8.1f} ns   plain re form {plain_ns:8.1f} ns   "
              f"{plain_ns / ns:5.1f}x faster (goal 10x)")


if __name__ == "__main__":
    main()
