"""The cost of the binding toolkit, beside the host's own calls in the same run:
a class method bound with five keyword arguments of mixed kinds (converted
float, optional float, exact int, truth value, exact str; its body only reads
them) against
math.hypot(x, y), and a class method that reaches its sibling through the class
against the sibling alone. Needs the test probe (make build puts it in
build/probe)."""
import math
import os
import sys
import timeit

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path[0:0] = [ROOT, os.path.join(ROOT, "build", "probe")]

from _kestrin_probe import Sample  # noqa: E402

N = 1_000_000


def per_call(statement, setup_globals):
    best = min(timeit.repeat(statement, globals=setup_globals, number=N, repeat=5))
    return best / N * 1e9


def main():
    names = {"Sample": Sample, "math": math, "x": 3.0, "y": 4.0}
    hypot = per_call("math.hypot(x, y)", names)
    keywords = per_call("Sample.bind_only(a=x, b=y, n=3, flag=True, text='t')", names)
    positional = per_call("Sample.bind_only(x, y, 3, True, 't')", names)
    sibling = per_call("Sample.outer(x)", names)
    alone = per_call("Sample.inner(x)", names)
    print(f"math.hypot(x, y)                         {hypot:7.1f} ns")
    print(f"class method, 5 keyword arguments        {keywords:7.1f} ns  {keywords / hypot:4.2f}x hypot")
    print(f"class method, 5 positional arguments     {positional:7.1f} ns  {positional / hypot:4.2f}x hypot")
    print(f"class method calling its own sibling     {sibling:7.1f} ns  (the sibling alone: {alone:.1f} ns)")


if __name__ == "__main__":
    main()
