"""Writes the seed corpus of one fuzz target into a folder:

    python3.12 fuzz/make_corpus.py readers build-fuzz/corpus-readers

readers: one small colour library, project file and point, line and polygon
file, from the test fixture writer; angle_text: angle texts of every form;
mapgrid: new and old sheet codes of every scale, some messy, positions and
view windows; geometry: WKT, free and GeoJSON texts of every shape.
Other targets add their seeds below."""
import os
import pathlib
import struct
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


def mapgrid():
    """Sheet codes as Latin-1 bytes (0xF0 stands for the Kelvin sign, 0xF4 for a
    full-width zero, 0xF8 for an ideographic space), positions as two
    little-endian doubles before a code, and windows as four doubles and a zoom level."""
    codes = [b"J47", b"SJ-47", b"J47B002002", b"J47K17281921", b"SJ47K23042304", b"J-47-D", b"J-47-[12]",
             b"J-47-(30)", b"J-47-107", b"J-47-107-C-3", b"J-47-107-(57)-c-7-3-3", b"W-60-84-(8)-b-3-2-2",
             b" n j - 47 - 107 - (57) - c", b"x\nJ47\nK-48", b"\xf047", b"J47\xf000010001", b"J-47-[\xf4\xf5]",
             b"\xf8J-47-107-C-5", b"J 4 7", b"*J47", b" \n" * 64]
    seeds = {f"code-{i}": code for i, code in enumerate(codes)}
    for i, (longitude, latitude) in enumerate([(101.0, 37.0), (-1e-17, -4.0), (179.999, 89.999), (-5e-324, 0.0)]):
        seeds[f"position-{i}"] = struct.pack("<dd", longitude, latitude) + codes[i]
    for i, (window, zoom) in enumerate([((40, 20, 80, 100), 0), ((0.01, 0, 100, 100.02), 16), ((6, 4, 100, 101), 8)]):
        seeds[f"window-{i}"] = struct.pack("<4db", *window, zoom)
    return seeds


def geometry():
    """Geometry texts as Latin-1 bytes (0xF0 stands for an ideographic space,
    0xF1 for a full-width comma, 0xF9 for a dotless i)."""
    texts = [b"POINT (-115.81 37.24)", b"point z (1 2 3)", b"(-155.52 19.61,-156.22  20.74)",
             b"MULTIPOINT(1 2,3 4)", b"LINESTRING ( 1 2 , 3 4 ,)", b"POLYGON ((0 0, 4 0, 4 4, 0 0), (1 1, 2 1, 2 2, 1 1))",
             b"((0 0, 4 0, 4 4, 0 0)(1 1, 2 1, 2 2, 1 1))",
             b"MULTIPOLYGON (((0 0,4 0,4 4,0 0),(1 1,2 1,2 2,1 1)),((5 5,6 5,6 6,5 5)))",
             b"MULTIPOLYGON (((0 0, 4 0, 4 4, 0 0), (1 1, 2 1, 2 2, 1 1)))",
             b"GEOMETRYCOLLECTION (POINT (1 2),linestring (1 2, 3 4), POLYGON ((0 0,1 0,1 1,0 0)))",
             b"GEOMETRYCOLLECTION (GEOMETRYCOLLECTION (PO\xf9NT (1 2)))", b"SRID=4326;POINT (1e3 -2.5E-1)",
             b"POINT (NaN -Infinity 12345678901234567890)", b"120 38,122 39\xf199 28\xf0120 38", b" ,1,2,3 ",
             b'{"type": "Point", "coordinates": [1, 2]}', b"[[1, 2], [3, 4]]", b"(" + b"(1 2)" * 14 + b"   x)",
             b"(((((1 2)))))", b"1 x", b""]
    return {f"text-{i}": text for i, text in enumerate(texts)}


SEEDS = {
    "readers": readers,
    "angle_text": angle_text,
    "mapgrid": mapgrid,
    "geometry": geometry,
}


def main(target, folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in SEEDS[target]().items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
