"""Writes MapGIS test files byte by byte from their record layouts.

Every field can be set; what is not given is zero. Tests use these to make
valid, short and damaged files in a temporary folder.
"""
import functools
import struct

COLOUR_HEAD = "<8s1h146s"
COLOUR_MAGIC = b"PCOLOR"
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
    return tuple(codes)


@functools.lru_cache(maxsize=None)
def _template(layout):
    """The compiled layout and the zero value of each of its fields (cached:
    feature files pack a record per feature, a million of them in benchmarks)."""
    return struct.Struct(layout), tuple(_zero(code) for code in _codes(layout))


def pack(layout, names, fields):
    """Packs a record; `fields` maps field names to values (ints for "c" codes
    are turned into one byte)."""
    unknown = [name for name in fields if name not in names]
    if unknown:
        raise KeyError(f"unknown fields {sorted(unknown)}")
    compiled, zeros = _template(layout)
    values = list(zeros)
    for name, value in fields.items():
        index = names.index(name)
        if isinstance(value, int) and zeros[index] == b"\0":
            value = bytes([value])
        values[index] = value
    return compiled.pack(*values)


def colour_library(records, head=COLOUR_MAGIC, tail=b""):
    """A Pcolor.lib: `records` are tuples (K, C, M, Y, M100Y100, M25Y100);
    `head` fills the first 8 bytes, which begin "PCOLOR" in a real library."""
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


# --- Feature files (WT points, WL lines, WP polygons) -------------------------

FEATURE_FILE_HEAD = "<8s3i71s2c16s2c13d1c2d28s6i20s4d"
FEATURE_DATA_HEAD = "<2i1h"
FEATURE_FIELD_HEAD = "<2c1h2c6s2i4s128s128s40s2c1h1i1h18s"
FEATURE_FIELD = "<20s1B1i2h1B3c2h2s"
FEATURE_POINT_HEAD = "<1B1h1i2d8s1b1B"
FEATURE_POINT_STRING = "<4f2h2B20s1i4s1i"
FEATURE_POINT_MARKER = "<1i3f26s1i4s1i"
FEATURE_POINT_CIRCLE = "<1d1i1f1B25s1i4s1i"
FEATURE_POINT_ARC = "<1d3f22s1i4s1i"
FEATURE_POINT_IMAGE = "<2d1f"
FEATURE_POINT_TEXT = "<4f2h1B3f1B8s1i4s1i"
FEATURE_POLYLINE = "<2B5i1h2B1i1f1B2f3i1h"
FEATURE_POLYGON = "<1B3i1h2f1h1i1B1h8s"
TOPOLOGY = "<4i8s"
FEATURE_NODE = "<2d2h31s"

FEATURE_FILE_HEAD_FIELDS = [
    "identification", "fileTypeCode", "start", "heads", "unknownString0", "crs", "units", "unknownString1",
    "projectionType", "ellipsoidCode", "west", "south", "westX", "southY", "xDenominator", "central_meridian",
    "unknown0", "unknown1", "latitude_of_origin", "standard_parallel_1", "standard_parallel_2", "false_easting",
    "false_northing", "unknown2", "ellipsoidElevation", "projectionElevation", "unknownString2", "valid", "total",
    "validNodes", "totalNodes", "validPolygons", "totalPolygons", "unknownString3", "xMin", "yMin", "xMax", "yMax",
]
FEATURE_DATA_HEAD_FIELDS = ["DataStart", "DataCount", "DataEndFlag"]
FEATURE_FIELD_HEAD_FIELDS = [
    "Flag", "FlagCode", "Year", "Month", "Day", "Unnamed0", "fieldSize", "Objects", "Unnamed1", "DefaultWorkPath",
    "CurrentWorkPath", "unknown3", "unknown4", "unknown5", "fieldCount", "records", "fieldsLength", "unknown6",
]
FEATURE_FIELD_FIELDS = [
    "Name", "fieldType", "Offset", "size", "Length", "Digits", "Unknown0", "Unknown1", "Unnamed", "FieldNo",
    "Unknown2", "Unknown3",
]
FEATURE_POINT_HEAD_FIELDS = [
    "Flag", "pointStringCount", "pointStringOffset", "X", "Y", "Unknown0", "pointType", "transparent",
]
FEATURE_POINT_STRING_FIELDS = [
    "Height", "Width", "Gap", "Angle", "FontChinese", "FontEnglish", "FontStyle", "Arrangement", "Unknown0",
    "FontColor", "Unknown1", "Layer",
]
FEATURE_POINT_MARKER_FIELDS = ["Marker", "Height", "Width", "Angle", "Unknown0", "Color", "Unknown1", "Layer"]
FEATURE_POINT_CIRCLE_FIELDS = ["Radius", "Color", "Width", "Flag", "Unknown0", "FillColor", "Unknown1", "Layer"]
FEATURE_POINT_ARC_FIELDS = ["Radius", "StartAngle", "EndAngle", "Width", "Unknown0", "Color", "Unknown1", "Layer"]
FEATURE_POINT_IMAGE_FIELDS = ["Width", "Height", "Angle"]
FEATURE_POINT_TEXT_FIELDS = [
    "Height", "Width", "XGap", "Angle", "FontChinese", "FontEnglish", "FontStyle", "YGap", "LayoutHeight",
    "LayoutWidth", "Arrangement", "Unknown0", "Color", "Unknown1", "Layer",
]
FEATURE_POLYLINE_FIELDS = [
    "Flag", "SubFlag", "Unknown0", "Unknown1", "Vertices", "Start", "Unknown2", "LineNo", "SubLineNo", "Transparent",
    "Color", "Width", "LineType", "XScale", "YScale", "SubColor", "Layer", "Unknown3", "Unknown4",
]
FEATURE_POLYGON_FIELDS = [
    "Flag", "Polylines", "Start", "FillColor", "FillPattern", "PatternHeight", "PatternWidth", "LineWidth",
    "PatternColor", "Transparent", "Layer", "Remainder",
]
TOPOLOGY_FIELDS = ["StartVertex", "FinishVertex", "LeftPolygon", "RightPolygon", "Others"]
FEATURE_NODE_FIELDS = ["X", "Y", "Unknown0", "Unknown1", "Unknown2"]

# Sub-record of a point record by its pointType: (layout, field names).
POINT_SUB_RECORDS = {
    0: (FEATURE_POINT_STRING, FEATURE_POINT_STRING_FIELDS),
    1: (FEATURE_POINT_MARKER, FEATURE_POINT_MARKER_FIELDS),
    2: (FEATURE_POINT_CIRCLE, FEATURE_POINT_CIRCLE_FIELDS),
    3: (FEATURE_POINT_ARC, FEATURE_POINT_ARC_FIELDS),
    4: (FEATURE_POINT_IMAGE, FEATURE_POINT_IMAGE_FIELDS),
    5: (FEATURE_POINT_TEXT, FEATURE_POINT_TEXT_FIELDS),
}
POINT_RECORD_SIZE = 93  # the stride of point records, longer than head + any sub-record
VERTEX = "<2d"
ARC_NUMBER = "<l"

# Layouts of attribute values by type code; text (0) and unknown codes take the field's size.
VALUE_LAYOUTS = {1: "B", 2: "<h", 3: "<l", 4: "<f", 5: "<d", 6: "<1H2B", 7: "<2B1d", 8: "B"}

# Directory entries of the data areas.
FEATURE_RECORD_AREA = 0
COORDINATE_AREA = 1
TOPOLOGY_AREA = 3
POLYGON_RECORD_AREA = 8
ATTRIBUTE_AREA = {"line": 2, "point": 2, "polygon": 9}

# kind: (magic, fileTypeCode, directory entries a file of that kind needs)
FEATURE_KINDS = {"line": (b"WMAP`D21", 0, 3), "point": (b"WMAP`D22", 1, 3), "polygon": (b"WMAP`D23", 2, 10)}

HEAD_SIZE = struct.calcsize(FEATURE_FILE_HEAD)
ENTRY_SIZE = struct.calcsize(FEATURE_DATA_HEAD)
FIELD_HEAD_SIZE = struct.calcsize(FEATURE_FIELD_HEAD)
FIELD_SIZE = struct.calcsize(FEATURE_FIELD)
POLYLINE_SIZE = struct.calcsize(FEATURE_POLYLINE)
POLYGON_SIZE = struct.calcsize(FEATURE_POLYGON)
TOPOLOGY_SIZE = struct.calcsize(TOPOLOGY)


def value_width(type_code, size):
    """Bytes an attribute value takes in a record: fixed by codes 1 to 8, the
    field's size (never below 0) for text and unknown codes."""
    layout = VALUE_LAYOUTS.get(type_code)
    return struct.calcsize(layout) if layout else max(size, 0)


def _fit(data, width):
    return data[:width].ljust(width, b"\0")


def _vertices(vertices):
    flat = [coordinate for vertex in vertices for coordinate in vertex]
    return struct.pack(f"<{len(flat)}d", *flat)


class FeatureFile:
    """Builds a MapGIS point, line or polygon file.

    FeatureFile(kind, encoding="GB2312", entries=None, **header_fields): kind is
    "line", "point" or "polygon"; `encoding` encodes text given as str (field
    names, text attributes, point texts); `entries` is the number of directory
    entries written (default 3, or 10 for polygon files); `header_fields` set
    any field of FEATURE_FILE_HEAD_FIELDS.

    Layout of the built file: header at 0, directory right behind it, then the
    areas in entry order, one after another. place() moves the directory or an
    area. Overriding a field (header, directory entry, record) only changes the
    number written, never where data goes: FeatureFile("line", total=100) with
    two lines declares records that run past the end of the file, and
    set_entry(1, DataStart=10**6) points the coordinate area outside it. The
    one exception is the attribute area's fieldSize and fieldsLength
    (set_field_head): the attribute records are laid out by them.

    Filled in unless given: identification and fileTypeCode from the kind,
    start and heads from the directory, valid and total (slot 0 counted,
    valid = records whose Flag is 1), and for polygon files validPolygons and
    totalPolygons. Everything else is zero. No node area is written; set_area()
    adds one (records packed with FEATURE_NODE) if a test wants it.

    Damaged copies: cut() and patch() below work on the built bytes, e.g. a
    record that ends past the end of the file is cut(data, offsets[0] + 57 * 2
    + 10), and an attribute schema whose records lie beyond the end is a file
    cut behind the field definitions.

    After build(), `offsets` maps "directory", each area's entry number and
    "end" (the file size) to absolute offsets.
    """

    def __init__(self, kind, encoding="GB2312", entries=None, **header_fields):
        if kind not in FEATURE_KINDS:
            raise ValueError(f"unknown kind {kind!r}")
        self.kind = kind
        self.encoding = encoding
        self.attribute_entry = ATTRIBUTE_AREA[kind]
        self.entries = FEATURE_KINDS[kind][2] if entries is None else entries
        self.header_fields = header_fields
        self.field_head = {}
        self.fields = []          # (definition fields, type code, width)
        self.records = []         # packed records 1..n of featureRecordArea
        self.flags = []
        self.coordinates = []     # chunks of coordinateArea
        self.coordinate_size = 0
        self.topology = []        # packed topology records 1..n (polygon files)
        self.polygons = []        # packed polygon records 1..n (polygon files)
        self.polygon_flags = []
        self.attributes = []      # attribute records 1..n, not yet fitted to the stride
        self.entry_fields = {}
        self.directory = None     # list of entry field dicts once set_entries() is used
        self.places = {}
        self.areas = {}
        self.offsets = {}

    # -- schema and records ----------------------------------------------------

    def add_field(self, name, type_code, size=None, length=None, digits=0, **definition_fields):
        """Adds an attribute field; `name` is str (encoded) or bytes.

        `size` defaults to the width of the type code (1 to 8) and must be given
        for text (0) and unknown codes; it is written as given, but the value
        of codes 1 to 8 always takes the code's own width. `length` defaults to
        `size`. `Offset` defaults to the value's position in the record (the
        first field is at 1). Returns the field's index."""
        if size is None:
            if type_code not in VALUE_LAYOUTS:
                raise ValueError("text fields need a size")
            size = struct.calcsize(VALUE_LAYOUTS[type_code])
        if isinstance(name, str):
            name = name.encode(self.encoding)
        definition = dict(Name=name, fieldType=type_code, size=size, Length=size if length is None else length,
                          Digits=digits, Offset=1 + sum(width for _, _, width in self.fields))
        definition.update(definition_fields)
        self.fields.append((definition, type_code, value_width(type_code, size)))
        return len(self.fields) - 1

    def add_line(self, vertices, flag=1, attributes=None, **record_fields):
        """Adds a line record (FEATURE_POLYLINE_FIELDS) with its vertex list,
        [(x, y), ...]; returns its record number (from 1)."""
        self._expect("line")
        self._attributes(attributes)
        return self._polyline(vertices, flag, record_fields)

    def add_point(self, x, y, point_type=0, text="", flag=1, attributes=None, sub_fields=None, tail=b"",
                  **head_fields):
        """Adds a point record; returns its record number (from 1).

        `text` (str, encoded, or bytes) goes into the coordinate area and sets
        pointStringOffset and pointStringCount. `sub_fields` are the fields of
        the sub-record that `point_type` selects (POINT_SUB_RECORDS), or the
        raw bytes of it; a type outside 0 to 5 has none. `tail` follows the
        sub-record; the record is padded with zeros, or cut, to 93 bytes.
        `head_fields` override FEATURE_POINT_HEAD_FIELDS."""
        self._expect("point")
        self._attributes(attributes)
        if isinstance(text, str):
            text = text.encode(self.encoding)
        head = dict(Flag=flag, X=x, Y=y, pointType=point_type, pointStringOffset=self.add_coordinates(text),
                    pointStringCount=len(text))
        head.update(head_fields)
        sub = sub_fields if isinstance(sub_fields, (bytes, bytearray)) else b""
        if point_type in POINT_SUB_RECORDS and not isinstance(sub_fields, (bytes, bytearray)):
            sub = pack(*POINT_SUB_RECORDS[point_type], sub_fields or {})
        record = pack(FEATURE_POINT_HEAD, FEATURE_POINT_HEAD_FIELDS, head) + sub + tail
        self.records.append(_fit(record, POINT_RECORD_SIZE))
        self.flags.append(head["Flag"])
        return len(self.records)

    def add_arc(self, vertices, start_node, end_node, left=0, right=0, flag=1, **record_fields):
        """Adds an arc of a polygon file: its record (FEATURE_POLYLINE_FIELDS),
        vertex list and topology record; returns the arc number (from 1)."""
        self._expect("polygon")
        self.topology.append(struct.pack(TOPOLOGY, start_node, end_node, left, right, b""))
        return self._polyline(vertices, flag, record_fields)

    def add_polygon(self, arc_numbers, flag=1, attributes=None, lead=b"\0\0\0\0", **record_fields):
        """Adds a polygon record (FEATURE_POLYGON_FIELDS); its arc list, the 4
        bytes `lead` and then the int32 arc numbers, goes into the coordinate
        area. Polylines defaults to len(arc_numbers) + 1. Returns its number."""
        self._expect("polygon")
        self._attributes(attributes)
        arc_list = lead + struct.pack(f"<{len(arc_numbers)}l", *arc_numbers)
        fields = dict(Flag=flag, Polylines=len(arc_numbers) + 1, Start=self.add_coordinates(arc_list))
        fields.update(record_fields)
        self.polygons.append(pack(FEATURE_POLYGON, FEATURE_POLYGON_FIELDS, fields))
        self.polygon_flags.append(fields["Flag"])
        return len(self.polygons)

    def add_coordinates(self, data):
        """Appends raw bytes to the coordinate area; returns their offset in it
        (for records that share a run or point into odd places via Start)."""
        offset = self.coordinate_size
        self.coordinates.append(data)
        self.coordinate_size += len(data)
        return offset

    def _expect(self, kind):
        if self.kind != kind:
            raise TypeError(f"a {self.kind} file has no such records")

    def _polyline(self, vertices, flag, record_fields):
        fields = dict(Flag=flag, Vertices=len(vertices), Start=self.add_coordinates(_vertices(vertices)))
        fields.update(record_fields)
        self.records.append(pack(FEATURE_POLYLINE, FEATURE_POLYLINE_FIELDS, fields))
        self.flags.append(fields["Flag"])
        return len(self.records)

    def _attributes(self, values):
        """Packs one attribute record: byte 0 (zero), then one value per field.

        `values` is None (a record of zeros), raw bytes (the whole record from
        byte 0), or a list with one value per field: text as str or bytes,
        padded or cut to the field's width; numbers for codes 1 to 5 and 8;
        (year, month, day) for 6; (hour, minute, seconds) for 7; bytes for a
        raw value of any length; None for zeros of the field's width."""
        if values is None or isinstance(values, (bytes, bytearray)):
            self.attributes.append(bytes(values or b""))
            return
        if len(values) != len(self.fields):
            raise ValueError(f"{len(values)} values for {len(self.fields)} fields")
        parts = [b"\0"]
        for (_, code, width), value in zip(self.fields, values):
            layout = VALUE_LAYOUTS.get(code)
            if value is None:
                parts.append(bytes(width))
            elif layout is None:
                parts.append(_fit(value.encode(self.encoding) if isinstance(value, str) else value, width))
            elif isinstance(value, (bytes, bytearray)):
                parts.append(bytes(value))
            else:
                parts.append(struct.pack(layout, *value) if code in (6, 7) else struct.pack(layout, value))
        self.attributes.append(b"".join(parts))

    # -- structure -------------------------------------------------------------

    def set_field_head(self, **fields):
        """Overrides fields of the attribute area head (FEATURE_FIELD_HEAD_FIELDS).
        Filled in unless given: fieldCount, fieldSize (348 + 39 × fields),
        fieldsLength (1 + the value widths) and records (number of records);
        the attribute records are placed by fieldSize and fieldsLength."""
        self.field_head.update(fields)
        return self

    def set_entry(self, k, **fields):
        """Overrides fields of directory entry k (FEATURE_DATA_HEAD_FIELDS)."""
        if not 0 <= k < self.entries:
            raise IndexError(f"no directory entry {k}")
        self.entry_fields.setdefault(k, {}).update(fields)
        return self

    def set_entries(self, entries):
        """Replaces the directory: one dict of fields per entry, what is not
        given zero (no DataStart is filled in). heads defaults to its length."""
        self.directory = [dict(entry) for entry in entries]
        return self

    def place(self, what, offset):
        """Puts the directory ("directory") or the area of entry `what` at the
        absolute `offset`, or at "end" (after everything else, in the order
        directory, areas by entry). Start and DataStart follow unless given."""
        self.places[what] = offset
        return self

    def set_area(self, k, data):
        """Makes `data` the whole area of entry k, replacing the built one (or
        adding an area, e.g. behind entries 4 to 7)."""
        self.areas[k] = [(0, bytes(data))]
        return self

    def _built_areas(self):
        areas = {
            FEATURE_RECORD_AREA: [(0, b"".join([bytes(self._record_size())] + self.records))],
            COORDINATE_AREA: [(0, b"".join(self.coordinates))],
            self.attribute_entry: self._attribute_area(),
        }
        if self.kind == "polygon":
            areas[TOPOLOGY_AREA] = [(0, b"".join([bytes(TOPOLOGY_SIZE)] + self.topology))]
            areas[POLYGON_RECORD_AREA] = [(0, b"".join([bytes(POLYGON_SIZE)] + self.polygons))]
        areas.update(self.areas)
        return areas

    def _record_size(self):
        return POINT_RECORD_SIZE if self.kind == "point" else POLYLINE_SIZE

    def _attribute_area(self):
        widths = [width for _, _, width in self.fields]
        head = dict(fieldCount=len(self.fields), fieldSize=FIELD_HEAD_SIZE + FIELD_SIZE * len(self.fields),
                    fieldsLength=1 + sum(widths), records=len(self.attributes))
        head.update(self.field_head)
        stride = max(head["fieldsLength"], 0)
        schema = [pack(FEATURE_FIELD_HEAD, FEATURE_FIELD_HEAD_FIELDS, head)]
        schema += [pack(FEATURE_FIELD, FEATURE_FIELD_FIELDS, definition) for definition, _, _ in self.fields]
        records = [bytes(stride)] + [_fit(record, stride) for record in self.attributes]
        return [(0, b"".join(schema)), (head["fieldSize"], b"".join(records))]

    def build(self):
        areas = self._built_areas()
        extents = {k: max((at + len(data) for at, data in pieces), default=0) for k, pieces in areas.items()}
        directory_size = ENTRY_SIZE * (self.entries if self.directory is None else len(self.directory))
        extents["directory"] = directory_size
        positions, cursor = {}, HEAD_SIZE
        order = ["directory"] + sorted(areas)
        for what in order:
            place = self.places.get(what)
            if place is None:
                positions[what], cursor = cursor, cursor + extents[what]
            elif place != "end":
                positions[what] = place
        unknown = set(self.places) - set(order)
        if unknown:
            raise KeyError(f"nothing to place for {sorted(unknown, key=str)}")
        end = max([cursor] + [positions[what] + extents[what] for what in positions])
        for what in order:
            if self.places.get(what) == "end":
                positions[what], end = end, end + extents[what]

        if self.directory is None:
            entries = []
            for k in range(self.entries):
                entry = dict(DataStart=positions.get(k, 0))
                entry.update(self.entry_fields.get(k, {}))
                entries.append(entry)
        else:
            entries = self.directory
        directory = b"".join(pack(FEATURE_DATA_HEAD, FEATURE_DATA_HEAD_FIELDS, entry) for entry in entries)

        magic, type_code, _ = FEATURE_KINDS[self.kind]
        head = dict(identification=magic, fileTypeCode=type_code, start=positions["directory"], heads=len(entries),
                    valid=self.flags.count(1), total=len(self.records) + 1)
        if self.kind == "polygon":
            head.update(validPolygons=self.polygon_flags.count(1), totalPolygons=len(self.polygons) + 1)
        head.update(self.header_fields)

        data = bytearray(end)
        pieces = [(0, pack(FEATURE_FILE_HEAD, FEATURE_FILE_HEAD_FIELDS, head)), (positions["directory"], directory)]
        for k in sorted(areas):
            pieces += [(positions[k] + at, chunk) for at, chunk in areas[k]]
        for at, chunk in pieces:
            if at < 0:
                raise ValueError(f"data placed at negative offset {at}")
            data[at:at + len(chunk)] = chunk
        self.offsets = dict(positions, end=end)
        return bytes(data)

    def write(self, folder, name):
        """Builds the file and writes it to folder/name; returns the path."""
        return write(folder, name, self.build())


def cut(data, offset):
    """The file ending at `offset` (negative: that many bytes before the end)."""
    return data[:offset]


def patch(data, offset, value):
    """`data` with the bytes at `offset` replaced: `value` is one byte as an int
    (0 to 255) or a byte string of the same length as what it replaces."""
    value = bytes([value]) if isinstance(value, int) else bytes(value)
    if offset < 0 or offset + len(value) > len(data):
        raise IndexError(f"patch at {offset} leaves the data")
    return data[:offset] + value + data[offset + len(value):]


def small_samples():
    """One small file of each kind, with a bit of everything the readers decode:
    {"colours": bytes, "project": ..., "lines": ..., "points": ..., "polygons": ...}."""
    lines = FeatureFile("line")
    lines.add_field("名称", 0, size=6)
    lines.add_field("V", 5, digits=2)
    lines.add_field("D", 6)
    lines.add_field("T", 7)
    lines.add_line([(0, 0), (1, 1), (1, 1)], attributes=["路", 1.5, (2025, 1, 2), (1, 2, 3.5)])
    lines.add_line([(2, 2)], flag=0)
    points = FeatureFile("point")
    points.add_field("B", 8)
    for point_type in range(7):
        points.add_point(point_type, 0, point_type=point_type, text="注", attributes=[1])
    polygons = FeatureFile("polygon")
    polygons.add_field("ID", 3)
    for vertices, start, finish in [([(0, 0), (4, 0)], 1, 2), ([(4, 0), (4, 3)], 2, 3), ([(4, 3), (0, 0)], 3, 1),
                                    ([(1, 1), (2, 1), (1, 2), (1, 1)], 4, 4)]:
        polygons.add_arc(vertices, start, finish)
    polygons.add_polygon([1, -2, 3, 0, 4], attributes=[7])
    polygons.add_polygon([0, 0], attributes=[8])
    return {
        "colours": colour_library([(0, 10, 20, 30, 40, 50), (255, 0, 0, 0, 0, 0)]),
        "project": project_file([dict(Type=1, File=b"a.WT"), dict(Type=2)]),
        "lines": lines.build(),
        "points": points.build(),
        "polygons": polygons.build(),
    }
