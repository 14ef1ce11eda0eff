"""Writes the fuzzer's seed corpus with the test fixture writer: one small
colour library, project file and point, line and polygon file."""
import os
import pathlib
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from tests import fixtures  # noqa: E402


def main(folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in fixtures.small_samples().items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1])
