"""Prints ns per call of the Gauss-Krüger projection on 10^6 seeded positions
in China (longitude 73 to 135, latitude 18 to 53) beside a host floor:
math.hypot(x, y), a call with two floats.

Figures only: nothing here is asserted. Every row loops over the same
positions in the same way, the best of several repeats.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src.kestrinpy import Projection  # noqa: E402
from timing import least_times_in_turn  # noqa: E402

REPEATS = 9
COUNT = 1_000_000


def best_ns(runs):
    """The best time of each run per call, in nanoseconds."""
    return [seconds * 1e9 / COUNT for seconds in least_times_in_turn(runs, REPEATS)]


def main():
    rng = random.Random(15)
    positions = [(rng.uniform(73.0, 135.0), rng.uniform(18.0, 53.0)) for _ in range(COUNT)]
    gauss_kruger, hypot = Projection.gaussKruger, math.hypot
    plane = [gauss_kruger(longitude=lon, latitude=lat) for lon, lat in positions]

    def loop_alone():
        for lon, lat in positions:
            pass

    def host_floor():
        for lon, lat in positions:
            hypot(lon, lat)

    def forward_automatic():
        for lon, lat in positions:
            gauss_kruger(longitude=lon, latitude=lat)

    def forward_given():
        for lon, lat in positions:
            gauss_kruger(117.0, longitude=lon, latitude=lat)

    def inverse():
        for y, x in plane:
            gauss_kruger(x=x, y=y)

    rows = [("forward, automatic meridian", forward_automatic, 5),
            ("forward, centralMeridian=117.0", forward_given, 5),
            ("inverse of the prefixed results", inverse, 9)]
    loop, floor, *times = best_ns([loop_alone, host_floor] + [run for _, run, _ in rows])
    print(f"{'(the loop alone)':<44} {loop:8.1f} ns")
    print(f"{'math.hypot(x, y)':<44} {floor:8.1f} ns")
    for (label, _, goal), ns in zip(rows, times):
        print(f"{label:<44} {ns:8.1f} ns   {ns / floor:5.2f}x hypot (goal within {goal}x)")

if __name__ == "__main__":
    main()
