"""Self-checks of the feature file writer: what it builds is read back with the
record layouts, following the stored positions the way a reader does."""
import pathlib
import shutil
import struct
import tempfile
import unittest

from tests import fixtures as fx

LAYOUTS = [
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, 336), (fx.FEATURE_DATA_HEAD, fx.FEATURE_DATA_HEAD_FIELDS, 10),
    (fx.FEATURE_FIELD_HEAD, fx.FEATURE_FIELD_HEAD_FIELDS, 348), (fx.FEATURE_FIELD, fx.FEATURE_FIELD_FIELDS, 39),
    (fx.FEATURE_POINT_HEAD, fx.FEATURE_POINT_HEAD_FIELDS, 33),
    (fx.FEATURE_POINT_STRING, fx.FEATURE_POINT_STRING_FIELDS, 54),
    (fx.FEATURE_POINT_MARKER, fx.FEATURE_POINT_MARKER_FIELDS, 54),
    (fx.FEATURE_POINT_CIRCLE, fx.FEATURE_POINT_CIRCLE_FIELDS, 54),
    (fx.FEATURE_POINT_ARC, fx.FEATURE_POINT_ARC_FIELDS, 54),
    (fx.FEATURE_POINT_IMAGE, fx.FEATURE_POINT_IMAGE_FIELDS, 20),
    (fx.FEATURE_POINT_TEXT, fx.FEATURE_POINT_TEXT_FIELDS, 54), (fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, 57),
    (fx.FEATURE_POLYGON, fx.FEATURE_POLYGON_FIELDS, 40), (fx.TOPOLOGY, fx.TOPOLOGY_FIELDS, 24),
    (fx.FEATURE_NODE, fx.FEATURE_NODE_FIELDS, 51),
]

# (layout, names, field, offset, one-field layout at that offset, value): a field
# packed by name must land at the offset of the format tables.
FIELD_OFFSETS = [
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "fileTypeCode", 8, "<i", 2),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "crs", 91, "B", 0xFE),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "ellipsoidCode", 110, "B", 7),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "west", 111, "<d", 1.5),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "westX", 127, "<d", 0.125),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "central_meridian", 151, "<d", 117.0),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "latitude_of_origin", 175, "<d", 30.5),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "false_northing", 207, "<d", -2.5),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "unknown2", 215, "B", 9),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "ellipsoidElevation", 216, "<d", -1.75),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "projectionElevation", 224, "<d", 3.25),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "valid", 260, "<i", -4),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "totalPolygons", 280, "<i", 11),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "xMin", 304, "<d", 4e5),
    (fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, "yMax", 328, "<d", 3e6),
    (fx.FEATURE_FIELD_HEAD, fx.FEATURE_FIELD_HEAD_FIELDS, "fieldSize", 12, "<i", 777),
    (fx.FEATURE_FIELD_HEAD, fx.FEATURE_FIELD_HEAD_FIELDS, "fieldCount", 322, "<h", 5),
    (fx.FEATURE_FIELD_HEAD, fx.FEATURE_FIELD_HEAD_FIELDS, "fieldsLength", 328, "<h", 33),
    (fx.FEATURE_FIELD, fx.FEATURE_FIELD_FIELDS, "fieldType", 20, "B", 6),
    (fx.FEATURE_FIELD, fx.FEATURE_FIELD_FIELDS, "size", 25, "<h", -1),
    (fx.FEATURE_FIELD, fx.FEATURE_FIELD_FIELDS, "Digits", 29, "B", 3),
    (fx.FEATURE_FIELD, fx.FEATURE_FIELD_FIELDS, "FieldNo", 33, "<h", 12),
    (fx.FEATURE_POINT_HEAD, fx.FEATURE_POINT_HEAD_FIELDS, "pointStringOffset", 3, "<i", 70000),
    (fx.FEATURE_POINT_HEAD, fx.FEATURE_POINT_HEAD_FIELDS, "Y", 15, "<d", -7.75),
    (fx.FEATURE_POINT_HEAD, fx.FEATURE_POINT_HEAD_FIELDS, "pointType", 31, "b", -1),
    (fx.FEATURE_POINT_TEXT, fx.FEATURE_POINT_TEXT_FIELDS, "YGap", 21, "<f", 0.5),
    (fx.FEATURE_POINT_TEXT, fx.FEATURE_POINT_TEXT_FIELDS, "Arrangement", 33, "B", 2),
    (fx.FEATURE_POINT_CIRCLE, fx.FEATURE_POINT_CIRCLE_FIELDS, "FillColor", 42, "<i", 44),
    (fx.FEATURE_POINT_STRING, fx.FEATURE_POINT_STRING_FIELDS, "Layer", 50, "<i", 8),
    (fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, "Start", 14, "<i", 160),
    (fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, "Color", 26, "<i", 301),
    (fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, "XScale", 35, "<f", 1.25),
    (fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, "Unknown4", 55, "<h", -9),
    (fx.FEATURE_POLYGON, fx.FEATURE_POLYGON_FIELDS, "Start", 5, "<i", 48),
    (fx.FEATURE_POLYGON, fx.FEATURE_POLYGON_FIELDS, "Layer", 30, "<h", 6),
    (fx.TOPOLOGY, fx.TOPOLOGY_FIELDS, "RightPolygon", 12, "<i", -3),
]


def read(layout, names, data, offset):
    """The record of `layout` at `offset` as a dict; fails past the end like a reader."""
    size = struct.calcsize(layout)
    if offset < 0 or offset + size > len(data):
        raise struct.error(f"record at {offset} ends beyond {len(data)}")
    return dict(zip(names, struct.unpack_from(layout, data, offset)))


def head(data):
    return read(fx.FEATURE_FILE_HEAD, fx.FEATURE_FILE_HEAD_FIELDS, data, 0)


def entry(data, k):
    return read(fx.FEATURE_DATA_HEAD, fx.FEATURE_DATA_HEAD_FIELDS, data, head(data)["start"] + 10 * k)


def vertices(data, record):
    base = entry(data, 1)["DataStart"] + record["Start"]
    flat = struct.unpack_from(f"<{2 * record['Vertices']}d", data, base)
    return list(zip(flat[0::2], flat[1::2]))


def schema(data, k):
    """(attribute head, field definitions) of the attribute area of entry k."""
    base = entry(data, k)["DataStart"]
    field_head = read(fx.FEATURE_FIELD_HEAD, fx.FEATURE_FIELD_HEAD_FIELDS, data, base)
    definitions = [read(fx.FEATURE_FIELD, fx.FEATURE_FIELD_FIELDS, data, base + 348 + 39 * i)
                   for i in range(field_head["fieldCount"])]
    return field_head, definitions


def attributes(data, k, n):
    """Values of attribute record n, unpacked one after another from byte 1."""
    field_head, definitions = schema(data, k)
    position = entry(data, k)["DataStart"] + field_head["fieldSize"] + field_head["fieldsLength"] * n + 1
    values = []
    for definition in definitions:
        layout = fx.VALUE_LAYOUTS.get(definition["fieldType"], f"{definition['size']}s")
        value = struct.unpack_from(layout, data, position)
        values.append(value if len(value) > 1 else value[0])
        position += struct.calcsize(layout)
    return values


class LayoutTest(unittest.TestCase):
    def test_sizes_and_names(self):
        for layout, names, size in LAYOUTS:
            with self.subTest(layout=layout):
                self.assertEqual(struct.calcsize(layout), size)
                self.assertEqual(len(struct.unpack(layout, bytes(size))), len(names))
                self.assertEqual(len(set(names)), len(names))

    def test_fields_land_at_their_offsets(self):
        for layout, names, field, offset, code, value in FIELD_OFFSETS:
            with self.subTest(field=field, layout=layout):
                expected = bytearray(struct.calcsize(layout))
                struct.pack_into(code, expected, offset, value)
                self.assertEqual(fx.pack(layout, names, {field: value}), expected, "other bytes stay zero")


class LineFileTest(unittest.TestCase):
    FIELDS = [("ID", 3, None), ("名称", 0, 12), ("AREA", 5, None), ("DAY", 6, None), ("AT", 7, None),
              ("OK", 8, None), ("B", 1, None), ("S", 2, None), ("F", 4, None), ("ODD", 13, 3)]
    VALUES = [[-70000, "河流", 2.5, (2024, 2, 29), (23, 59, 1.5), True, 255, -300, 0.25, b"xyz"],
              None,
              [7, b"A" * 20, -1e300, (1, 12, 31), (0, 0, 0.0), False, 0, 32767, -8.0, "w"]]

    def setUp(self):
        builder = fx.FeatureFile("line", crs=5, central_meridian=117.0, xMax=4e5, unknownString0=b"\xff" * 71)
        for name, code, size in self.FIELDS:
            builder.add_field(name, code, size=size, digits=2 if code == 5 else 0)
        self.lines = [[(1.0, 2.0), (3.5, -4.25)], [(9.0, 9.0)], [(0.0, 0.0), (1e6, 2e6), (-1.0, 0.5)]]
        self.numbers = [builder.add_line(self.lines[0], attributes=self.VALUES[0], Color=301, XScale=1.25),
                        builder.add_line(self.lines[1], flag=0),
                        builder.add_line(self.lines[2], attributes=self.VALUES[2], LineNo=-2, Layer=6)]
        self.data = builder.build()

    def test_header_and_directory(self):
        file_head = head(self.data)
        self.assertEqual(self.numbers, [1, 2, 3])
        self.assertEqual((file_head["identification"], file_head["fileTypeCode"]), (b"WMAP`D21", 0))
        self.assertEqual((file_head["start"], file_head["heads"]), (336, 3))
        self.assertEqual((file_head["valid"], file_head["total"]), (2, 4))
        self.assertEqual((file_head["crs"], file_head["central_meridian"], file_head["xMax"]), (b"\x05", 117.0, 4e5))
        self.assertEqual(file_head["unknownString0"], b"\xff" * 71)
        starts = [entry(self.data, k)["DataStart"] for k in range(3)]
        self.assertEqual(starts, sorted(starts))
        self.assertEqual(starts[0], 336 + 30, "areas follow the directory")

    def test_records_and_vertices(self):
        base = entry(self.data, 0)["DataStart"]
        self.assertEqual(self.data[base:base + 57], bytes(57), "slot 0 is empty")
        for n, line in enumerate(self.lines, 1):
            with self.subTest(record=n):
                record = read(fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, self.data, base + 57 * n)
                self.assertEqual(record["Flag"], 0 if n == 2 else 1)
                self.assertEqual(record["Vertices"], len(line))
                self.assertEqual(vertices(self.data, record), line)
        third = read(fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, self.data, base + 57 * 3)
        first = read(fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, self.data, base + 57)
        self.assertEqual((first["Color"], first["XScale"], third["LineNo"], third["Layer"]), (301, 1.25, -2, 6))

    def test_schema_and_attribute_records(self):
        field_head, definitions = schema(self.data, 2)
        widths = [4, 12, 8, 4, 10, 1, 1, 2, 4, 3]
        self.assertEqual((field_head["fieldCount"], field_head["fieldSize"], field_head["fieldsLength"]),
                         (10, 348 + 39 * 10, 1 + sum(widths)))
        self.assertEqual([d["Name"].rstrip(b"\0").decode("gb2312") for d in definitions],
                         [name for name, _, _ in self.FIELDS])
        self.assertEqual([d["fieldType"] for d in definitions], [code for _, code, _ in self.FIELDS])
        self.assertEqual([d["size"] for d in definitions], widths)
        self.assertEqual([d["Length"] for d in definitions], widths)
        self.assertEqual([d["Offset"] for d in definitions], [1 + sum(widths[:i]) for i in range(10)])
        self.assertEqual(definitions[2]["Digits"], 2)

        records_at = entry(self.data, 2)["DataStart"] + field_head["fieldSize"]
        stride = field_head["fieldsLength"]
        self.assertEqual(self.data[records_at:records_at + stride], bytes(stride), "slot 0 is empty")
        self.assertEqual(attributes(self.data, 2, 1), [
            -70000, "河流".encode("gb2312").ljust(12, b"\0"), 2.5, (2024, 2, 29), (23, 59, 1.5), 1, 255, -300, 0.25,
            b"xyz"])
        self.assertEqual(self.data[records_at + stride * 2:records_at + stride * 3], bytes(stride),
                         "a record without attributes is zeros")
        self.assertEqual(attributes(self.data, 2, 3), [
            7, b"A" * 12, -1e300, (1, 12, 31), (0, 0, 0.0), 0, 0, 32767, -8.0, b"w\0\0"])
        self.assertEqual(len(self.data), records_at + stride * 4, "the file ends with the last record")


class PointFileTest(unittest.TestCase):
    # (pointType, sub-record fields, text)
    POINTS = [
        (0, dict(Height=2.0, Angle=45.0, FontChinese=3, Arrangement=1, FontColor=12, Layer=4), "注记"),
        (1, dict(Marker=17, Width=1.5, Color=-1, Layer=2), ""),
        (2, dict(Radius=0.75, Color=5, Flag=1, FillColor=6, Layer=3), ""),
        (3, dict(Radius=2.5, StartAngle=10.0, EndAngle=350.0, Color=9), ""),
        (4, dict(Width=3.0, Height=4.0, Angle=-90.0), "c:\\img\\a.bmp"),
        (5, dict(Height=1.0, XGap=0.5, YGap=0.25, LayoutWidth=8.0, Arrangement=2, Color=7, Layer=1), "多行\n文本"),
        (-1, None, ""),
    ]

    def setUp(self):
        builder = fx.FeatureFile("point", encoding="GB2312")
        builder.add_field("CODE", 2)
        for i, (point_type, sub, text) in enumerate(self.POINTS):
            builder.add_point(100.0 + i, -200.5 - i, point_type=point_type, text=text, sub_fields=sub,
                              flag=255 if point_type == 3 else 1, attributes=[i * 10], tail=b"\xee" * 70,
                              transparent=i)
        self.data = builder.build()

    def test_points(self):
        file_head = head(self.data)
        self.assertEqual((file_head["identification"], file_head["fileTypeCode"]), (b"WMAP`D22", 1))
        self.assertEqual((file_head["valid"], file_head["total"]), (6, 8))
        base, texts = entry(self.data, 0)["DataStart"], entry(self.data, 1)["DataStart"]
        self.assertEqual(self.data[base:base + 93], bytes(93))
        for n, (point_type, sub, text) in enumerate(self.POINTS, 1):
            with self.subTest(pointType=point_type):
                at = base + 93 * n
                point = read(fx.FEATURE_POINT_HEAD, fx.FEATURE_POINT_HEAD_FIELDS, self.data, at)
                self.assertEqual((point["Flag"], point["X"], point["Y"], point["pointType"], point["transparent"]),
                                 (255 if point_type == 3 else 1, 99.0 + n, -199.5 - n, point_type, n - 1))
                start, count = texts + point["pointStringOffset"], point["pointStringCount"]
                self.assertEqual(self.data[start:start + count].decode("gb2312"), text)
                width = 0
                if sub is not None:
                    layout, names = fx.POINT_SUB_RECORDS[point_type]
                    width = struct.calcsize(layout)
                    stored = read(layout, names, self.data, at + 33)
                    self.assertEqual({name: stored[name] for name in sub}, sub)
                    rest = [stored[name] for name in names if name not in sub]
                    self.assertFalse(any(any(value) if isinstance(value, bytes) else value for value in rest),
                                     "fields not given are zero")
                self.assertEqual(self.data[at + 33 + width:at + 93], b"\xee" * (60 - width), "the tail, cut to 93")
                self.assertEqual(attributes(self.data, 2, n), [(n - 1) * 10])


class PolygonFileTest(unittest.TestCase):
    ARCS = [([(0.0, 0.0), (1.0, 0.0), (1.0, 1.0)], 1, 2, 1, 0),
            ([(0.0, 0.0), (0.0, 1.0), (1.0, 1.0)], 1, 2, 0, 1),
            ([(5.0, 5.0), (6.0, 5.0), (5.0, 5.0)], 3, 3, 2, 0)]
    POLYGONS = [([1, -2], 1, dict(FillColor=4, PatternHeight=1.5, Layer=2)),
                ([1, -2, 0, 3], 0, {}),
                ([], 1, dict(Polylines=1)),
                ([3], 1, dict(Remainder=b"\x01" * 8))]

    def setUp(self):
        builder = fx.FeatureFile("polygon")
        builder.add_field("NAME", 0, size=6)
        self.arc_numbers = [builder.add_arc(points, start, end, left, right, flag=0 if start == 3 else 1, Color=9)
                            for points, start, end, left, right in self.ARCS]
        for arcs, flag, fields in self.POLYGONS:
            builder.add_polygon(arcs, flag=flag, attributes=[f"p{len(arcs)}"], lead=b"\xab" * 4, **fields)
        self.data = builder.build()

    def test_header_and_directory(self):
        file_head = head(self.data)
        self.assertEqual((file_head["identification"], file_head["fileTypeCode"]), (b"WMAP`D23", 2))
        self.assertEqual(file_head["heads"], 10)
        self.assertEqual((file_head["valid"], file_head["total"]), (2, 4))
        self.assertEqual((file_head["validPolygons"], file_head["totalPolygons"]), (3, 5))
        self.assertEqual([entry(self.data, k)["DataStart"] for k in (2, 4, 5, 6, 7)], [0] * 5, "no area")
        starts = [entry(self.data, k)["DataStart"] for k in (0, 1, 3, 8, 9)]
        self.assertEqual(starts, sorted(starts))

    def test_arcs_and_topology(self):
        arcs_at, topology_at = entry(self.data, 0)["DataStart"], entry(self.data, 3)["DataStart"]
        self.assertEqual(self.arc_numbers, [1, 2, 3])
        self.assertEqual(self.data[topology_at:topology_at + 24], bytes(24))
        for n, (points, start, end, left, right) in enumerate(self.ARCS, 1):
            with self.subTest(arc=n):
                arc = read(fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, self.data, arcs_at + 57 * n)
                self.assertEqual((arc["Flag"], arc["Color"]), (0 if n == 3 else 1, 9))
                self.assertEqual(vertices(self.data, arc), points)
                topology = read(fx.TOPOLOGY, fx.TOPOLOGY_FIELDS, self.data, topology_at + 24 * n)
                self.assertEqual(topology, dict(StartVertex=start, FinishVertex=end, LeftPolygon=left,
                                                RightPolygon=right, Others=bytes(8)))

    def test_polygons_and_arc_lists(self):
        polygons_at, coordinates_at = entry(self.data, 8)["DataStart"], entry(self.data, 1)["DataStart"]
        self.assertEqual(self.data[polygons_at:polygons_at + 40], bytes(40))
        for n, (arcs, flag, fields) in enumerate(self.POLYGONS, 1):
            with self.subTest(polygon=n):
                polygon = read(fx.FEATURE_POLYGON, fx.FEATURE_POLYGON_FIELDS, self.data, polygons_at + 40 * n)
                self.assertEqual(polygon["Flag"], flag)
                self.assertEqual(polygon["Polylines"], len(arcs) + 1)
                self.assertEqual({name: polygon[name] for name in fields}, fields)
                at = coordinates_at + polygon["Start"]
                self.assertEqual(self.data[at:at + 4], b"\xab" * 4)
                self.assertEqual(list(struct.unpack_from(f"<{len(arcs)}l", self.data, at + 4)), arcs)
                self.assertEqual(attributes(self.data, 9, n), [f"p{len(arcs)}".encode().ljust(6, b"\0")])


class StructureTest(unittest.TestCase):
    def line_file(self, **header_fields):
        builder = fx.FeatureFile("line", **header_fields)
        builder.add_field("ID", 3)
        builder.add_line([(1.0, 2.0), (3.0, 4.0)], attributes=[11])
        builder.add_line([(5.0, 6.0)], attributes=[22])
        return builder

    def assert_readable(self, data, attribute_entry=2):
        """Every record, vertex list and attribute record is where the file says."""
        base = entry(data, 0)["DataStart"]
        second = read(fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, data, base + 57 * 2)
        self.assertEqual(vertices(data, second), [(5.0, 6.0)])
        self.assertEqual(attributes(data, attribute_entry, 2), [22])

    def test_moved_parts_are_followed(self):
        def attribute_tail(d, b):
            record = b.offsets[2] + 500 + 9 * 2
            return d[record + 5:record + 9]

        cases = [  # (case, constructor arguments, change, check)
            ("directory at the end", {}, lambda b: b.place("directory", "end"),
             lambda d, b: head(d)["start"] == len(d) - 30),
            ("areas reversed", {}, lambda b: b.place(2, 1000).place(1, 3000).place(0, 5001),
             lambda d, b: [entry(d, k)["DataStart"] for k in range(3)] == [5001, 3000, 1000]),
            ("more entries", dict(entries=12), lambda b: b,
             lambda d, b: head(d)["heads"] == 12 and entry(d, 11)["DataStart"] == 0),
            ("wider attribute records", {}, lambda b: b.set_field_head(fieldsLength=9, fieldSize=500),
             lambda d, b: schema(d, 2)[0]["fieldsLength"] == 9 and attribute_tail(d, b) == bytes(4)),
            ("an extra area", dict(entries=6), lambda b: b.set_area(5, b"node").set_entry(5, DataCount=1),
             lambda d, b: d[b.offsets[5]:b.offsets[5] + 4] == b"node"
             and entry(d, 5) == dict(DataStart=b.offsets[5], DataCount=1, DataEndFlag=0)),
        ]
        for name, arguments, change, check in cases:
            with self.subTest(name):
                builder = self.line_file(**arguments)
                change(builder)
                data = builder.build()
                self.assertTrue(check(data, builder))
                self.assert_readable(data)
                self.assertEqual(builder.offsets["end"], len(data))

    def test_overrides_change_only_the_numbers_written(self):
        plain = self.line_file().build()
        cases = [
            ("count past the end", dict(total=100), lambda d: head(d)["total"] == 100),
            ("directory elsewhere", dict(start=10 ** 6, heads=-1), lambda d: head(d)["start"] == 10 ** 6),
            ("wrong magic", dict(identification=b"WMAP`D22"), lambda d: head(d)["fileTypeCode"] == 0),
        ]
        for name, header_fields, check in cases:
            with self.subTest(name):
                data = self.line_file(**header_fields).build()
                self.assertTrue(check(data))
                self.assertEqual(len(data), len(plain))
                self.assertEqual(data[336:], plain[336:])
        builder = self.line_file()
        builder.set_entry(1, DataStart=len(plain) + 5)
        data = builder.build()
        self.assertEqual(data[:346] + data[356:], plain[:346] + plain[356:], "only entry 1 differs")
        with self.assertRaises(struct.error):
            vertices(data, read(fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, data, entry(data, 0)["DataStart"] + 57))

    def test_directory_replaced(self):
        builder = self.line_file()
        builder.set_entries([dict(DataStart=7, DataEndFlag=-1)])
        data = builder.build()
        self.assertEqual(head(data)["heads"], 1)
        self.assertEqual(entry(data, 0), dict(DataStart=7, DataCount=0, DataEndFlag=-1))
        self.assertEqual(builder.offsets[0], 336 + 10, "the areas follow the one entry")
        self.assertEqual(read(fx.FEATURE_POLYLINE, fx.FEATURE_POLYLINE_FIELDS, data, 346 + 57)["Vertices"], 2)

    def test_damaged_copies(self):
        data = self.line_file().build()
        self.assertEqual(fx.cut(data, 100), data[:100])
        self.assertEqual(fx.cut(data, -3), data[:-3])
        changed = fx.patch(data, 31, 0xFF)
        self.assertEqual((len(changed), changed[31], changed[:31], changed[32:]), (len(data), 255, data[:31], data[32:]))
        self.assertEqual(fx.patch(data, 260, struct.pack("<i", 9))[260:264], struct.pack("<i", 9))
        with self.assertRaises(IndexError):
            fx.patch(data, len(data) - 1, b"ab")

    def test_wrong_use_is_refused(self):
        builder = self.line_file()
        cases = [
            ("text field without size", ValueError, lambda: builder.add_field("NAME", 0)),
            ("values do not match fields", ValueError, lambda: builder.add_line([], attributes=[1, 2])),
            ("unknown record field", KeyError, lambda: builder.add_line([], Colour=1)),
            ("point in a line file", TypeError, lambda: builder.add_point(0.0, 0.0)),
            ("arc in a line file", TypeError, lambda: builder.add_arc([], 0, 0)),
            ("missing directory entry", IndexError, lambda: builder.set_entry(3, DataStart=0)),
            ("unknown kind", ValueError, lambda: fx.FeatureFile("WL")),
        ]
        for name, error, call in cases:
            with self.subTest(name):
                self.assertRaises(error, call)

    def test_write(self):
        folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, folder)
        builder = self.line_file()
        path = builder.write(folder, "sub/河流.WL")
        self.assertEqual(pathlib.Path(path).read_bytes(), builder.build())


if __name__ == "__main__":
    unittest.main()
