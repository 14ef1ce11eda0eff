"""Writes the seed corpus of one fuzz target into a folder:

    python3.12 fuzz/make_corpus.py readers build-fuzz/corpus-readers

readers: one small colour library, project file and point, line and polygon
file, from the test fixture writer; angle_text: angle texts of every form.
Other targets add their seeds below."""
import os
import pathlib
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from tests import fixtures  # noqa: E402


def readers():
    return fixtures.small_samples()


def angle_text():
    """Texts of the three angle forms, marks as the target's bytes 0xF0 to 0xF5."""
    texts = [b" -116.5\xf0 ", b"1163030.5", b"+0006060\xf1", b"116\xf030\xf230.25\xf4", b"116\xf130\xf330\xf5",
             b"-\xf260\xf3", b"\xf6\xf7.5", b""]
    return {f"angle-{i}": text for i, text in enumerate(texts)}


SEEDS = {
    "readers": readers,
    "angle_text": angle_text,
}


def main(target, folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in SEEDS[target]().items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
