"""Helpers shared by the test suites."""
import math
import struct
import subprocess
import sys
import textwrap


def run_child(code):
    """Runs `code` in a fresh interpreter (the same build of the module); returns
    the completed process with its standard output and error as text."""
    return subprocess.run([sys.executable, "-P", "-c", textwrap.dedent(code)],
                          capture_output=True, text=True, timeout=120)


def outcome(call, *args, **keywords):
    """What the call answers, or the type and text of what it raises."""
    try:
        return call(*args, **keywords)
    except Exception as error:  # noqa: BLE001 - the failure itself is compared
        return (type(error), str(error))


def same(a, b):
    """Bit equality of floats (NaNs all equal), element-wise in tuples, equality otherwise."""
    if isinstance(a, float) and isinstance(b, float):
        return (math.isnan(a) and math.isnan(b)) or struct.pack("<d", a) == struct.pack("<d", b)
    if isinstance(a, tuple) and isinstance(b, tuple):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    return type(a) is type(b) and a == b
