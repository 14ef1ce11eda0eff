"""Writes MapGIS test files byte by byte from their record layouts.

Every field can be set; what is not given is zero. Tests use these to make
valid, short and damaged files in a temporary folder.
"""
import struct

COLOUR_HEAD = "<8s1h146s"
COLOUR_RECORD = "<4B2B26s"
PROJECT_HEAD = "<8s1i1h4d640s60s2i7d1h1i169s128s"
PROJECT_BODY = "<2c128s128s4d2c32s2d1c21s1f1h2c30s"

PROJECT_HEAD_FIELDS = [
    "Identification", "TypeCode", "Files", "XMin", "YMin", "XMax", "YMax", "Environment", "Title",
    "Dictionary", "Start", "layoutXoffset", "layoutYoffset", "layoutXscale", "layoutYscale",
    "LayoutRotate", "LayoutWidth", "LayoutHeight", "ProjectType", "LegendStart", "DefaultParameter",
    "UnUsed",
]
PROJECT_BODY_FIELDS = [
    "Type", "StatusCode", "File", "Description", "XMin", "YMin", "XMax", "YMax", "UserType",
    "GroupCode", "NetWorkData", "ScaleMin", "ScaleMax", "LabelFlag", "LabelFields", "LabelHeight",
    "LabelColor", "LabelFont", "LegendType", "UnUsed",
]


def _zero(code):
    return b"" if code == "s" else b"\0" if code == "c" else 0


def _codes(layout):
    """One struct code per field of `layout`, in order."""
    codes, count = [], ""
    for ch in layout[1:]:
        if ch.isdigit():
            count += ch
            continue
        codes.extend([ch] if ch == "s" else [ch] * int(count or 1))
        count = ""
    return codes


def pack(layout, names, fields):
    """Packs a record; `fields` maps field names to values (ints for "c" codes
    are turned into one byte)."""
    unknown = set(fields) - set(names)
    if unknown:
        raise KeyError(f"unknown fields {sorted(unknown)}")
    values = []
    for name, code in zip(names, _codes(layout)):
        value = fields.get(name, _zero(code))
        if code == "c" and isinstance(value, int):
            value = bytes([value])
        values.append(value)
    return struct.pack(layout, *values)


def colour_library(records, head=b"", tail=b""):
    """A Pcolor.lib: `records` are tuples (K, C, M, Y, M100Y100, M25Y100)."""
    data = struct.pack(COLOUR_HEAD, head, 0, b"")
    for shares in records:
        data += struct.pack(COLOUR_RECORD, *shares, b"")
    return data + tail


def project_head(**fields):
    fields.setdefault("Identification", b"WMAP`D2:")
    fields.setdefault("TypeCode", 9)
    return pack(PROJECT_HEAD, PROJECT_HEAD_FIELDS, fields)


def project_entry(**fields):
    return pack(PROJECT_BODY, PROJECT_BODY_FIELDS, fields)


def project_file(entries=(), **head_fields):
    """An MPJ file; the header's record count defaults to len(entries)."""
    entries = list(entries)
    head_fields.setdefault("Files", len(entries))
    return project_head(**head_fields) + b"".join(project_entry(**entry) for entry in entries)


def write(folder, name, data):
    path = folder / name
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)
    return str(path)
