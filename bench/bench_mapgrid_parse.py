"""Reading sheet codes, in one run: MapGrid.parse of 10^6 new codes (every
scale but 1:200,000) and of 10^6 old 1:500 codes, of positions in 73 to 135 E,
3 to 53 N, beside the plain Python form of the tests (re.search with the
prefix, sub-code and old-code patterns) on the first 10^5 of them; and
parse(" \\n" * N) for N = 10^3 to 10^5, which the scanner reads in one pass,
beside the plain form on N = 100 to 400 (the host's backtracking over blank
lines takes cubic time)."""
import math
import os
import random
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path[0:0] = [ROOT]

from src.kestrinpy import MapGrid  # noqa: E402
from timing import least_time  # noqa: E402
from tests.mapgrid_plain import SCALES, PlainGrid  # noqa: E402

N = 1_000_000
PLAIN_N = 100_000
REPEAT = 3


def best_ns(parse, codes):
    """The fastest of REPEAT runs, in nanoseconds per code."""

    def run():
        for code in codes:
            parse(code)

    return least_time(run, REPEAT) * 1e9 / len(codes)


def seconds_to_refuse(parse, text, repeat=1):
    """The fastest of `repeat` runs of parse(text), which refuses it."""
    best = math.inf
    for _ in range(repeat):
        start = time.perf_counter()
        try:
            parse(text)
        except Exception:  # "Unable to recognize [code] parameter." is the expected end
            pass
        best = min(best, time.perf_counter() - start)
    return best


def main():
    rng = random.Random(1)
    scales = [scale for scale in SCALES if scale != 200000]
    mapping = MapGrid.map
    new_codes = [mapping(rng.uniform(73, 135), rng.uniform(3, 53), rng.choice(scales))["new"] for _ in range(N)]
    old_codes = [mapping(rng.uniform(73, 135), rng.uniform(3, 53), 500)["old"] for _ in range(N)]
    for name, codes, goal in (("new codes", new_codes, 10), ("old 1:500 codes", old_codes, 10)):
        ours = best_ns(MapGrid.parse, codes)
        plain = best_ns(PlainGrid.parse, codes[:PLAIN_N])
        print(f"MapGrid.parse, {name:16s} {ours:8.1f} ns   plain form {plain:8.1f} ns   {plain / ours:5.1f}x faster"
              f"  goal {goal}x: {'met' if plain >= goal * ours else 'NOT met'}")
    for lines in (1_000, 10_000, 100_000):
        cost = seconds_to_refuse(MapGrid.parse, " \n" * lines, repeat=5)
        print(f'MapGrid.parse(" \\n" * {lines:<6d})          {cost * 1e6:9.1f} us   {cost * 1e9 / lines:6.2f} ns per line')
    for lines in (100, 200, 400):
        cost = seconds_to_refuse(PlainGrid.parse, " \n" * lines)
        print(f'plain form (" \\n" * {lines:<6d})             {cost:9.3f} s')


if __name__ == "__main__":
    main()
