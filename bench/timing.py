"""Timing of the benchmark scripts. The machine may be shared, so a figure is
the least of several runs, and runs that are compared are taken in turn, so
that a busy moment falls on all of them alike."""
import gc
import math
import time


def least_time(run, repeats=5, clock=time.perf_counter):
    """The least time of `repeats` calls of run(), in seconds by `clock`."""
    least = math.inf
    for _ in range(repeats):
        gc.collect()
        start = clock()
        run()
        least = min(least, clock() - start)
    return least


def least_times_in_turn(runs, repeats=5):
    """The least time of each of `runs` (callables), in seconds."""
    least = [math.inf] * len(runs)
    for _ in range(repeats):
        for i, run in enumerate(runs):
            start = time.perf_counter()
            run()
            least[i] = min(least[i], time.perf_counter() - start)
    return least
