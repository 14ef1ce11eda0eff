"""Writes the seed corpus of one fuzz target into a folder:

    python3.12 fuzz/make_corpus.py readers build-fuzz/corpus-readers

readers: one small colour library, project file and point, line and polygon
file, from the test fixture writer. Other targets add their seeds below."""
import os
import pathlib
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from tests import fixtures  # noqa: E402


def readers():
    return fixtures.small_samples()


SEEDS = {
    "readers": readers,
}


def main(target, folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in SEEDS[target]().items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
