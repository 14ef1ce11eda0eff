"""Sheet codes and graticules, in one run, beside the host's own calls:
MapGrid.map on 10^6 random positions (73 to 135 E, 3 to 53 N) at 1:1,000,000,
1:10,000 and 1:500 beside 10^6 math.hypot calls on the same values; and
MapGrid.grid(0.001, 0, -180, 180, 16) (138,241 lines) per line and its peak
memory, beside the plain Python generator of the tests."""
import gc
import math
import os
import random
import sys
import tracemalloc

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path[0:0] = [ROOT]

from src.kestrinpy import MapGrid  # noqa: E402
from timing import least_time  # noqa: E402
from tests.mapgrid_plain import PlainGrid  # noqa: E402

N = 1_000_000
REPEAT = 3


def best_ns(run, count):
    """The fastest of REPEAT runs, in nanoseconds per item."""
    return least_time(run, REPEAT) * 1e9 / count


def drain(lines):
    for _ in lines:
        pass


def peak_bytes(make):
    gc.collect()
    tracemalloc.start()
    drain(make())
    peak = tracemalloc.get_traced_memory()[1]
    tracemalloc.stop()
    return peak


def main():
    rng = random.Random(1)
    positions = [(rng.uniform(73, 135), rng.uniform(3, 53)) for _ in range(N)]
    hypot = math.hypot
    mapping = MapGrid.map

    def hypot_run():
        for x, y in positions:
            hypot(x, y)

    def map_run(scale):
        def run():
            for x, y in positions:
                mapping(x, y, scale)
        return run

    base = best_ns(hypot_run, N)
    print(f"math.hypot(x, y)                            {base:8.1f} ns")
    for scale, goal in ((1000000, 10), (10000, None), (500, 25)):
        cost = best_ns(map_run(scale), N)
        verdict = f"  goal {goal}x: {'met' if cost <= goal * base else 'NOT met'}" if goal else ""
        print(f"MapGrid.map(x, y, {scale:<7d})                {cost:8.1f} ns  {cost / base:5.2f}x hypot{verdict}")

    window = (0.001, 0, -180, 180, 16)
    lines = sum(1 for _ in MapGrid.grid(*window))
    grid_ns = best_ns(lambda: drain(MapGrid.grid(*window)), lines)
    plain_ns = best_ns(lambda: drain(PlainGrid.grid(*window)), lines)
    print(f"MapGrid.grid{window}: {lines} lines")
    print(f"  per line                                  {grid_ns:8.1f} ns  {grid_ns / plain_ns:5.2f}x the plain "
          f"generator ({plain_ns:.1f} ns)  goal 0.3x: {'met' if grid_ns <= 0.3 * plain_ns else 'NOT met'}")
    small = (10, 0, 0, 10, 6)
    print(f"  peak memory while drained                 {peak_bytes(lambda: MapGrid.grid(*window)):8d} bytes"
          f"  (window {small}, {sum(1 for _ in MapGrid.grid(*small))} lines: "
          f"{peak_bytes(lambda: MapGrid.grid(*small))} bytes)")


if __name__ == "__main__":
    main()
