"""Helpers shared by the test suites."""
import subprocess
import sys
import textwrap


def run_child(code):
    """Runs `code` in a fresh interpreter (the same build of the module); returns
    the completed process with its standard output and error as text."""
    return subprocess.run([sys.executable, "-P", "-c", textwrap.dedent(code)],
                          capture_output=True, text=True, timeout=120)
