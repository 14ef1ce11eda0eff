"""Prints ns per call of the module-core helpers beside their host counterparts.

Figures only: nothing here is asserted. Each pair runs in the same process, the
best of several repeats.
"""
import os
import sys
import timeit

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src import kestrinpy  # noqa: E402

REPEATS = 7
NUMBER = 1_000_000


def best_ns(statement, namespace):
    timer = timeit.Timer(statement, globals=namespace)
    return min(timer.repeat(REPEATS, NUMBER)) / NUMBER * 1e9


def row(label, ours, host, namespace):
    ours_ns = best_ns(ours, namespace)
    host_ns = best_ns(host, namespace)
    print(f"{label:<15} {ours_ns:8.1f} ns   host {host_ns:8.1f} ns   ratio {ours_ns / host_ns:5.2f}")


def main():
    KestrinBase = kestrinpy.KestrinBase
    field = "测量数据".encode("gb2312") + b"\0" * 12  # a 20-byte GB2312 field
    def python_slot(value):
        pass

    value = {"index": 0, "count": 1}
    builtin_bus = kestrinpy.Messenger()
    builtin_bus.subscribe("progress", callable)
    python_bus = kestrinpy.Messenger()
    python_bus.subscribe("progress", python_slot)
    namespace = dict(KestrinBase=KestrinBase, field=field, builtin_bus=builtin_bus, python_bus=python_bus,
                     python_slot=python_slot, value=value)

    row("bytesInteger", "KestrinBase.bytesInteger(b'\\x01')", "int.from_bytes(b'\\x01', 'little')", namespace)
    row("bytesToStr", "KestrinBase.bytesToStr(field)",
        "field.split(b'\\0', 1)[0].decode('gb2312', 'ignore').rstrip()", namespace)
    # A slot written in Python costs more when called from C than from Python
    # code, which inlines the call; the builtin slot shows the bus's own cost.
    row("publish/builtin", "builtin_bus.publish('progress', value)", "callable(value)", namespace)
    row("publish/def", "python_bus.publish('progress', value)", "python_slot(value)", namespace)


if __name__ == "__main__":
    main()
