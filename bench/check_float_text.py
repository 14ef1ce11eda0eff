"""Checks the exported float text against the host's repr on millions of
random doubles of all magnitudes and bit patterns (a longer run of the test
suite's differential check). Prints the number compared and any difference."""
import json
import os
import pathlib
import random
import struct
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, ROOT)

from src import kestrinpy  # noqa: E402
from tests.fixtures import FeatureFile  # noqa: E402

COUNT = int(sys.argv[1]) if len(sys.argv) > 1 else 3_000_000


def main():
    rng = random.Random(1)
    folder = pathlib.Path(tempfile.mkdtemp())
    third = COUNT // 3
    doubles = [struct.unpack("<d", struct.pack("<Q", rng.getrandbits(64)))[0] for _ in range(third)]
    doubles += [float(f"{rng.randint(1, 10 ** rng.randint(1, 17))}e{rng.randint(-340, 320)}") for _ in range(third)]
    # Coordinate-like values: integers over a power of ten, in and around the fast path's range.
    doubles += [rng.randrange(-10 ** rng.randint(1, 17), 10 ** 17) / 10 ** rng.randint(0, 7)
                for _ in range(COUNT - 2 * third)]
    layer = FeatureFile("line")
    step = 100_000
    for start in range(0, len(doubles), step):
        chunk = doubles[start:start + step]
        layer.add_line(list(zip(chunk[0::2], chunk[1::2])))
    opened = kestrinpy.MapGisFile(layer.write(folder, "floats.WL"))
    output = folder / "out.json"
    opened.saveAsGeoJson(str(output))
    written = output.read_text(encoding="utf-8")
    differences = compared = lines = 0
    for feature in opened.getFeature():
        lines += 1
        text = json.dumps(feature["geometry"], ensure_ascii=False)
        if text not in written:
            differences += 1
        compared += sum(len(v) for v in feature["geometry"]["coordinates"])
    print(f"{compared} doubles compared in {lines} lines, {differences} lines differ")


if __name__ == "__main__":
    main()
