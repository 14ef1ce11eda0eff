"""Prints ns per call of the zone, central-meridian and angle conversions of
Projection beside a host floor: math.hypot(x, y), a call with two floats.

Figures only: nothing here is asserted. Every row loops over the same seeded
longitudes in the same way, the best of several repeats.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src.kestrinpy import Projection  # noqa: E402
from timing import least_times_in_turn  # noqa: E402
from tests.angle_reference import angle as plain_angle  # noqa: E402

REPEATS = 9


def best_ns(runs, counts):
    """The best time of each run per call, in nanoseconds."""
    return [seconds * 1e9 / count for seconds, count in zip(least_times_in_turn(runs, REPEATS), counts)]


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

    many, few_count = len(longitudes), len(few)
    loop, floor, zone_ns, meridian_ns, text_ns, plain_text_ns, degrees_ns, plain_degrees_ns = best_ns(
        [loop_alone, host_floor, zones, meridians, to_text(angle), to_text(plain_angle), to_degrees(angle),
         to_degrees(plain_angle)],
        [many, many, many, many, few_count, few_count, few_count, few_count])
    print(f"{'(the loop alone)':<32} {loop:8.1f} ns")
    print(f"{'math.hypot(x, y)':<32} {floor:8.1f} ns")
    for label, ns, goal in [("zone(lon)", zone_ns, 2), ("centralMeridian(lon)", meridian_ns, 3)]:
        print(f"{label:<32} {ns:8.1f} ns   {ns / floor:5.2f}x hypot (goal within {goal}x)")
    for label, ns, plain_ns in [("angle(deg=lon, digit=2)", text_ns, plain_text_ns),
                                ("angle(dms=text)", degrees_ns, plain_degrees_ns)]:
        print(f"{label:<32} {ns:8.1f} ns   plain re form {plain_ns:8.1f} ns   "
              f"{plain_ns / ns:5.1f}x faster (goal 10x)")

if __name__ == "__main__":
    main()
