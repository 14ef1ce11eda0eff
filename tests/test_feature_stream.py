"""MapGisFile.getFeature(): the generator, line and point features, styles,
colours and attribute values."""
import collections.abc
import math
import os
import pathlib
import shutil
import struct
import tempfile
import unittest

from src import kestrinpy
from tests import fixtures
from tests.fixtures import FeatureFile

MapGisFile = kestrinpy.MapGisFile

LINE_STYLE = ["lineNo", "subLineNo", "lineType", "width", "color", "subColor", "xScale", "yScale", "layer",
              "transparent"]
POINT_STYLE = ["subGraph", "height", "width", "angle", "lineWidth", "lineSubColor", "radius", "circleColor", "flag",
               "startAngle", "endAngle", "text", "file", "gap", "xGap", "yGap", "fontChinese", "fontEnglish",
               "fontStyle", "layoutHeight", "layoutWidth", "color", "layer", "arrangement", "transparent", "fillColor"]
SUB_TYPE_KEYS = {
    0: ["text", "height", "width", "gap", "angle", "fontChinese", "fontEnglish", "fontStyle", "color", "layer",
        "arrangement", "transparent"],
    1: ["subGraph", "height", "width", "angle", "color", "layer", "transparent"],
    2: ["radius", "circleColor", "width", "flag", "fillColor", "layer", "transparent"],
    3: ["radius", "startAngle", "endAngle", "width", "circleColor", "layer", "transparent"],
    4: ["file", "height", "width", "angle", "transparent"],
    5: ["text", "height", "width", "angle", "xGap", "yGap", "fontChinese", "fontEnglish", "fontStyle",
        "layoutHeight", "layoutWidth", "arrangement", "transparent"],
}


def single(value):
    """The double that a single-precision field holding `value` reads as."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def open_descriptors():
    return len(os.listdir("/proc/self/fd"))


class StreamTestCase(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        self.descriptors = open_descriptors()

    def assert_closed(self):
        self.assertEqual(open_descriptors(), self.descriptors, "a file was left open")

    def write(self, layer, name="layer"):
        return layer.write(self.folder, name)

    def colour_library(self):
        records = [(0, 0, 0, 0, 0, 0), (255, 0, 0, 0, 0, 0), (0, 255, 0, 0, 0, 0), (0, 0, 0, 0, 255, 0)]
        return fixtures.write(self.folder, "Pcolor.lib", fixtures.colour_library(records))


class GeneratorTest(StreamTestCase):
    def lines(self, count=3):
        layer = FeatureFile("line")
        for k in range(count):
            layer.add_line([(k, k)])
        return MapGisFile(self.write(layer))

    def test_generator_protocol(self):
        opened = self.lines()
        stream = opened.getFeature()
        self.assertIsInstance(stream, collections.abc.Generator)
        self.assertEqual((stream.__name__, stream.__qualname__), ("getFeature", "MapGisFile.getFeature"))
        self.assertIs(iter(stream), stream)
        self.assertEqual(MapGisFile.getFeature.__annotations__, {"return": "Iterator"})
        self.assertIsNone(opened.StyleItems)  # nothing happens before the first request
        self.assert_closed()
        with self.assertRaises(TypeError) as caught:
            stream.send(1)
        self.assertEqual(str(caught.exception), "can't send non-None value to a just-started generator")
        self.assertEqual(stream.send(None)["id"], 0)
        self.assertEqual(opened.StyleItems, LINE_STYLE)
        self.assertEqual(stream.send("ignored")["id"], 1)
        self.assertEqual(next(stream)["id"], 2)
        with self.assertRaises(StopIteration):
            next(stream)
        self.assert_closed()
        with self.assertRaises(StopIteration):
            stream.send(None)

    def test_close_throw_and_release_close_the_file(self):
        opened = self.lines()
        for finish in (lambda g: g.close(), lambda g: self.assertRaises(KeyError, g.throw, KeyError("x")),
                       lambda g: self.assertRaises(GeneratorExit, g.throw, GeneratorExit), lambda g: g.__del__()
                       if hasattr(g, "__del__") else None):
            with self.subTest():
                stream = opened.getFeature()
                next(stream)
                self.assertEqual(open_descriptors(), self.descriptors + 1)
                finish(stream)
                if not hasattr(stream, "__del__"):
                    del stream
                    self.assert_closed()
                    continue
                self.assert_closed()
                self.assertEqual(list(stream), [])
        self.assertEqual([f["id"] for f in opened.getFeature()], [0, 1, 2])  # a new run starts afresh

    def test_throw_before_the_first_request(self):
        stream = self.lines().getFeature()
        with self.assertRaises(ValueError):
            stream.throw(ValueError("early"))
        self.assertEqual(list(stream), [])
        self.assert_closed()

    def test_interleaved_runs(self):
        opened = self.lines()
        first, second = opened.getFeature(), opened.getFeature()
        ids = [(next(first)["id"], next(second)["id"]) for _ in range(3)]
        self.assertEqual(ids, [(0, 0), (1, 1), (2, 2)])

    def test_reentrant_request_is_refused(self):
        layer = FeatureFile("point")
        layer.add_point(1, 2, point_type=0, text="a")
        layer.add_point(1, 2, point_type=0, text="b")

        class Reentrant(MapGisFile):
            def bytesToStr(self, data, encoding="GB2312"):
                if data in (b"a", b"b"):
                    next(self.stream)
                return super().bytesToStr(data, encoding)

        opened = Reentrant(self.write(layer))
        opened.stream = opened.getFeature()
        with self.assertRaises(ValueError) as caught:
            next(opened.stream)
        self.assertEqual(str(caught.exception), "generator already executing")
        self.assert_closed()

    def test_runs_that_end_before_opening(self):
        made = []

        class Counting(kestrinpy.MapGisColorLib):
            def __init__(self, name=None):
                made.append(name)
                super().__init__(name)

        saved = kestrinpy.MapGisColorLib
        kestrinpy.MapGisColorLib = Counting
        self.addCleanup(setattr, kestrinpy, "MapGisColorLib", saved)
        opened = self.lines()
        for attribute, value in [("FeatureCount", 0), ("FeatureCount", -1), ("FeatureCount", None), ("FileName", None)]:
            with self.subTest(attribute=attribute, value=value):
                fresh = self.lines()
                setattr(fresh, attribute, value)
                self.assertEqual(list(fresh.getFeature()), [])
                self.assertIsNone(fresh.StyleItems)
        self.assertEqual(made, [])
        opened.PcolorLibFile = "given.lib"
        self.assertEqual(len(list(opened.getFeature())), 3)
        self.assertEqual(made, ["given.lib"])  # one colour library per run

    def test_file_gone_or_unknown_kind(self):
        opened = self.lines()
        stream = opened.getFeature()  # made while the file is there
        os.remove(opened.FileName)
        with self.assertRaises(FileNotFoundError):
            next(stream)
        opened = self.lines()
        opened.Parameters["fileTypeCode"] = 7
        self.assertEqual(list(opened.getFeature()), [])
        self.assertIsNone(opened.StyleItems)
        self.assert_closed()


class LineFeatureTest(StreamTestCase):
    def test_features_records_and_attributes(self):
        layer = FeatureFile("line")
        layer.add_field("ID", 3)
        layer.add_line([(1, 2), (1, 2), (3, 4), (1, 2)], attributes=[10], LineNo=-2, SubLineNo=3, LineType=4,
                       Width=0.1, Color=2, SubColor=9, XScale=1.5, YScale=-2.5, Layer=7, Transparent=1)
        layer.add_line([(5, 5)], flag=0, attributes=[20])
        layer.add_line([(0.0, 0.0), (-0.0, 0.0), (math.nan, 1.0), (-math.nan, 1.0)], attributes=[30], flag=1)
        layer.add_line([], attributes=[40], Flag=255)
        layer.add_line([], attributes=[50])
        opened = MapGisFile(self.write(layer), self.colour_library())
        features = list(opened.getFeature())
        self.assertEqual([list(f) for f in features], [["type", "id", "geometry", "style", "properties", "timeStamp"]] * 3)
        self.assertEqual([f["id"] for f in features], [0, 1, 2])
        self.assertEqual([f["properties"]["ID"]["value"] for f in features], [10, 30, 50])
        first = features[0]
        self.assertEqual(first["geometry"], {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0], [1.0, 2.0]]})
        self.assertEqual(list(first["style"]), LINE_STYLE)
        self.assertEqual(first["style"], dict(lineNo=-2, subLineNo=3, lineType=4, width=single(0.1), color="#000000",
                                              subColor="#FFFFFF", xScale=1.5, yScale=-2.5, layer=7, transparent=1))
        self.assertEqual(first["timeStamp"], opened.TimeStamp)
        coordinates = features[1]["geometry"]["coordinates"]
        self.assertEqual([str(c) for c in coordinates], ["[0.0, 0.0]", "[-0.0, 0.0]", "[nan, 1.0]"])
        self.assertEqual(features[2]["geometry"]["coordinates"], [])

    def test_colours_without_a_library(self):
        layer = FeatureFile("line")
        layer.add_line([(0, 0)], Color=2, SubColor=3)
        style = next(MapGisFile(self.write(layer), str(self.folder / "none.lib")).getFeature())["style"]
        self.assertEqual((style["color"], style["subColor"]), ("#000000", "#FFFFFF"))
        style = next(MapGisFile(self.write(layer), self.colour_library()).getFeature())["style"]
        self.assertEqual((style["color"], style["subColor"]), ("#000000", "#00FFFF"))

    def test_colour_library_class_changed_during_a_run(self):
        layer = FeatureFile("line")
        for _ in range(4):
            layer.add_line([(0, 0)], Color=2, SubColor=3)
        library = kestrinpy.MapGisColorLib
        original_hex = library.__dict__["HEX"]
        changes = [lambda: setattr(library, "HEX", lambda self, index=1, defaultColor="#000000": "#ABCDEF"),
                   lambda: setattr(library, "HEX", original_hex) or setattr(library, "count", property(lambda s: 0)),
                   lambda: delattr(library, "count")]
        seen = []
        try:
            run = MapGisFile(self.write(layer), self.colour_library()).getFeature()
            for change in [*changes, None]:
                style = next(run)["style"]
                seen.append((style["color"], style["subColor"]))
                if change:
                    change()
        finally:
            library.HEX = original_hex
            if "count" in library.__dict__:
                del library.count
        self.assertEqual(seen, [("#000000", "#00FFFF"), ("#ABCDEF", "#ABCDEF"), ("#000000", "#FFFFFF"),
                                ("#000000", "#00FFFF")])

    def test_what_is_read_again_during_a_run(self):
        layer = FeatureFile("line")
        layer.add_field("名", 0, size=4)
        layer.add_line([(1, 1)], attributes=["甲"])
        layer.add_line([(2, 2)], attributes=["乙"])
        layer.add_line([(3, 3)], attributes=["丙"])
        opened = MapGisFile(self.write(layer))
        stream = opened.getFeature()
        self.assertEqual(next(stream)["properties"]["名"]["value"], "甲")
        opened.StyleItems = [f"k{i}" for i in range(10)]
        opened.TimeStamp = "later"
        opened.RecordCount = 1  # read once: the run keeps its bound
        opened.Encoding = "latin-1"
        second = next(stream)
        self.assertEqual(list(second["style"]), [f"k{i}" for i in range(10)])
        self.assertEqual(second["timeStamp"], "later")
        self.assertEqual(second["properties"]["名"]["value"], "乙".encode("gb2312").decode("latin-1"))
        opened.FieldStruct["fields"] = []
        heads = opened._featureDataHeads
        heads[1] = (heads[1][0] + 16, 0, 0)  # the coordinate area moves by one vertex
        third = next(stream)
        self.assertEqual(third["properties"], {})
        self.assertEqual(len(list(stream)), 0)
        self.assertEqual(opened.StyleItems, [f"k{i}" for i in range(10)])

    def test_file_cut_inside_records_and_runs(self):
        layer = FeatureFile("line")
        layer.add_field("ID", 3)
        layer.add_field("N", 0, size=3)
        for k in range(3):
            layer.add_line([(k, k), (k + 1, k)], attributes=[k, "abc"])
        layer.place(1, "end")  # vertices last, then the cut runs through them
        data = layer.build()
        path = self.folder / "cut.WL"
        head_end = layer.offsets[2] + 348 + 39 * 2
        for size in range(head_end, len(data)):
            with self.subTest(size=size):
                path.write_bytes(data[:size])
                opened = MapGisFile(str(path))
                seen = []
                try:
                    for feature in opened.getFeature():
                        seen.append(feature["id"])
                except struct.error as error:
                    self.assertRegex(str(error), r"^unpack requires a buffer of \d+ bytes$")
                else:
                    self.assertEqual(size, len(data))
                self.assertEqual(seen, list(range(len(seen))))
                self.assert_closed()


class PointFeatureTest(StreamTestCase):
    def test_sub_types(self):
        layer = FeatureFile("point")
        layer.add_field("ID", 3)
        fields = {
            0: dict(Height=1.5, Width=0.1, Gap=2.0, Angle=30.0, FontChinese=3, FontEnglish=-4, FontStyle=5,
                    Arrangement=6, FontColor=3, Layer=8),
            1: dict(Marker=11, Height=1.0, Width=2.0, Angle=3.0, Color=1, Layer=4),
            2: dict(Radius=2.5, Color=4, Width=0.5, Flag=1, FillColor=9, Layer=5),
            3: dict(Radius=1.25, StartAngle=10.0, EndAngle=20.0, Width=1.0, Color=1, Layer=6),
            4: dict(Width=4.0, Height=5.0, Angle=0.25),
            5: dict(Height=1.0, Width=2.0, XGap=0.5, Angle=45.0, FontChinese=1, FontEnglish=2, FontStyle=3,
                    YGap=0.75, LayoutHeight=6.0, LayoutWidth=7.0, Arrangement=1, Color=2, Layer=9),
        }
        texts = {0: "  标注\t ", 4: "symbol.png", 5: b"note\0hidden"}
        for point_type in range(6):
            layer.add_point(point_type, -point_type, point_type=point_type, text=texts.get(point_type, ""),
                            sub_fields=fields[point_type], attributes=[point_type], transparent=point_type % 2)
        layer.add_point(9, 9, point_type=6, attributes=[6])
        layer.add_point(9, 9, point_type=-1, attributes=[7])
        opened = MapGisFile(self.write(layer, "p.WT"), self.colour_library())
        features = list(opened.getFeature())
        self.assertEqual(opened.StyleItems, POINT_STYLE)
        self.assertEqual([list(f) for f in features],
                         [["type", "subType", "id", "geometry", "timeStamp", "style", "properties"]] * 8)
        self.assertEqual([f["subType"] for f in features], [0, 1, 2, 3, 4, 5, 6, -1])
        self.assertEqual([f["id"] for f in features], list(range(8)))
        self.assertEqual([f["properties"]["ID"]["value"] for f in features], list(range(8)))
        self.assertEqual(features[3]["geometry"], {"type": "Point", "coordinates": [3.0, -3.0]})
        for point_type, keys in SUB_TYPE_KEYS.items():
            with self.subTest(point_type=point_type):
                self.assertEqual(list(features[point_type]["style"]), keys)
                self.assertEqual(features[point_type]["style"]["transparent"], point_type % 2)
        self.assertEqual(features[0]["style"], dict(
            text="  标注", height=1.5, width=single(0.1), gap=2.0, angle=30.0, fontChinese=3, fontEnglish=-4,
            fontStyle=5, color="#00FFFF", layer=8, arrangement=6, transparent=0))
        self.assertEqual(features[1]["style"]["subGraph"], 11)
        self.assertEqual(features[1]["style"]["color"], "#FFFFFF")
        self.assertEqual(features[2]["style"], dict(radius=2.5, circleColor="#FF0000", width=0.5, flag=1,
                                                    fillColor="#000000", layer=5, transparent=0))
        self.assertEqual(features[3]["style"]["circleColor"], "#FFFFFF")
        self.assertEqual(features[4]["style"], dict(file="symbol.png", height=5.0, width=4.0, angle=0.25,
                                                    transparent=0))
        self.assertEqual(features[5]["style"]["text"], "note")
        self.assertEqual((features[6]["style"], features[7]["style"]), (None, None))

    def test_point_texts(self):
        layer = FeatureFile("point")
        first = layer.add_point(0, 0, point_type=0, text="ab")
        layer.add_point(0, 0, point_type=0, text="", pointStringCount=-5)  # reads nothing
        layer.add_point(0, 0, point_type=0, text="", pointStringOffset=10 ** 9, pointStringCount=10)
        layer.add_point(0, 0, point_type=5, text="tail", pointStringCount=30000)  # runs to the end of the file
        layer.place(1, "end")
        texts = [f["style"]["text"] for f in MapGisFile(self.write(layer, "t.WT")).getFeature()]
        self.assertEqual(first, 1)
        self.assertEqual(texts, ["ab", "", "", "tail"])

    def test_only_the_head_is_read_for_other_types(self):
        layer = FeatureFile("point")
        layer.add_point(1, 2, point_type=7)
        layer.place(0, "end")
        data = layer.build()
        path = fixtures.write(self.folder, "h.WT", fixtures.cut(data, layer.offsets[0] + 93 + 33))
        opened = MapGisFile(path)
        opened.FieldStruct["fields"] = []
        self.assertEqual([f["subType"] for f in opened.getFeature()], [7])


class AttributeValueTest(StreamTestCase):
    def values(self, fields, values, **point):
        layer = FeatureFile("point")
        for field in fields:
            layer.add_field(*field[:2], **field[2])
        layer.add_point(0, 0, point_type=7, attributes=values, **point)
        return next(MapGisFile(self.write(layer, "a.WT")).getFeature())["properties"]

    def test_every_type_code(self):
        fields = [("T", 0, dict(size=6)), ("B", 1, {}), ("I", 2, {}), ("L", 3, {}), ("F", 4, dict(digits=2)),
                  ("D", 5, dict(digits=3, length=12)), ("DATE", 6, {}), ("TIME", 7, {}), ("OK", 8, {}),
                  ("X", 9, dict(size=3))]
        values = ["名 ", 200, -1, -70000, 0.1, 2.71828, (2025, 2, 30), (9, 5, 5.25), 2, "xyz"]
        properties = self.values(fields, values)
        self.assertEqual(list(properties), [name for name, _, _ in fields])
        self.assertEqual(properties["T"], {"type": "string", "length": 6, "value": "名"})
        self.assertEqual(properties["F"], {"type": "float", "length": 4, "decimal": 2, "value": 0.1})
        self.assertEqual(properties["D"], {"type": "double", "length": 12, "decimal": 3, "value": 2.718})
        self.assertEqual([properties[k]["value"] for k in ("B", "I", "L", "DATE", "TIME", "OK", "X")],
                         [200, -1, -70000, "2025-02-30", "09:05:05.250", True, "xyz"])
        self.assertEqual([properties[k]["type"] for k in ("B", "I", "L", "DATE", "TIME", "OK", "X")],
                         ["byte", "int", "long", "string", "string", "bool", "string"])

    def test_rounding_on_the_exact_value(self):
        cases = [(5, 1.005, 2, 1.0), (5, 0.125, 2, 0.12), (5, 2.5, 0, 2.0), (5, 3.5, 0, 4.0), (4, 0.1, 2, 0.1),
                 (4, 0.1, 9, float(format(single(0.1), ".9f"))), (4, 0.0, 0, 0.0), (5, -0.001, 2, -0.0),
                 (5, math.inf, 3, math.inf), (5, 1e300, 255, float(format(1e300, ".255f"))), (5, 1234.5678, 1, 1234.6)]
        for code, stored, digits, expected in cases:
            with self.subTest(code=code, stored=stored, digits=digits):
                value = self.values([("V", code, dict(digits=digits))], [stored])["V"]["value"]
                self.assertEqual(struct.pack("<d", value), struct.pack("<d", expected))
        value = self.values([("V", 5, dict(digits=2))], [math.nan])["V"]["value"]
        self.assertTrue(math.isnan(value))

    def test_date_and_time_texts(self):
        cases = [((0, 0, 0), None, "0000-00-00"), ((65535, 255, 255), None, "65535-255-255"),
                 (None, (23, 59, 59.9999), "23:59:60.000"), (None, (0, 0, -1.5), "00:00:-1.500"),
                 (None, (1, 2, 100.0), "01:02:100.000"), (None, (255, 255, math.nan), "255:255:000nan"),
                 (None, (0, 0, math.inf), "00:00:000inf"), (None, (0, 0, -math.inf), "00:00:00-inf")]
        for date, clock, text in cases:
            with self.subTest(text=text):
                fields = [("V", 6 if date else 7, {})]
                self.assertEqual(self.values(fields, [date or clock])["V"]["value"], text)

    def test_packing_and_odd_schemas(self):
        fields = [("A", 8, dict(size=2)), ("N", 0, dict(size=0)), ("A", 2, {}), ("B", 1, dict(size=4)),
                  ("Z", 3, {})]
        properties = self.values(fields, [0, "", 7, 9, 11])
        self.assertEqual(list(properties), ["A", "N", "B", "Z"])  # the repeated name keeps its first place
        self.assertEqual(properties["A"], {"type": "int", "length": 2, "value": 7})
        self.assertEqual((properties["N"]["value"], properties["B"]["value"], properties["Z"]["value"]), ("", 9, 11))

    def test_negative_text_size_takes_no_bytes(self):
        fields = [("S", 0, dict(size=-1)), ("L", 3, {})]
        layer = FeatureFile("point")
        for name, code, extra in fields:
            layer.add_field(name, code, **extra)
        layer.add_point(0, 0, point_type=7, attributes=b"\0" + struct.pack("<l", 42) + b"rest")
        properties = next(MapGisFile(self.write(layer, "n.WT")).getFeature())["properties"]
        self.assertEqual((properties["S"]["value"], properties["L"]["value"]), ("", 42))

    def test_record_past_the_end(self):
        layer = FeatureFile("point")
        layer.add_field("T", 0, size=4)
        layer.add_field("B", 1)
        layer.add_field("OK", 8)
        layer.add_point(0, 0, point_type=7, attributes=["ab", 1, 1])
        data = layer.build()
        record = layer.offsets[2] + 348 + 39 * 3 + (1 + 4 + 1 + 1)  # attribute record 1
        opened = MapGisFile(fixtures.write(self.folder, "e.WT", fixtures.cut(data, record + 1)))
        properties = next(opened.getFeature())["properties"]
        self.assertEqual([p["value"] for p in properties.values()], ["", 0, False])
        opened.FieldStruct["fields"].append({"name": "I", "type": "int", "typeCode": 2, "size": 2, "length": 2})
        with self.assertRaises(struct.error) as caught:
            next(opened.getFeature())
        self.assertEqual(str(caught.exception), "unpack requires a buffer of 2 bytes")
        opened.FieldStruct["fields"][-1] = {"name": "I"}
        with self.assertRaises(KeyError):
            next(opened.getFeature())
        self.assert_closed()

    def test_record_stride_taken_from_the_schema(self):
        layer = FeatureFile("point")
        layer.add_field("L", 3)
        for value in (10, 20):
            layer.add_point(0, 0, point_type=7, attributes=[value])
        path = self.write(layer, "s.WT")
        cases = [(True, None, None),  # the host's arithmetic takes a bool for 1: positions stay ints
                 (4.0, TypeError, "Argument 'position' has incorrect type (expected int, got float)"),
                 ("5", TypeError, "unsupported operand type(s) for +: 'int' and 'str'")]
        for stride, error, expected in cases:
            with self.subTest(stride=stride):
                opened = MapGisFile(path)
                opened.FieldStruct["fieldLength"] = stride
                if error is None:
                    values = [f["properties"]["L"]["value"] for f in opened.getFeature()]
                    self.assertEqual(len(values), 2)
                else:
                    with self.assertRaises(error) as caught:
                        next(opened.getFeature())
                    self.assertEqual(str(caught.exception), expected)
                self.assert_closed()

    def test_helpers_through_the_object(self):
        layer = FeatureFile("point")
        layer.add_field("T", 0, size=2)
        layer.add_field("B", 1)
        layer.add_field("OK", 8)
        layer.add_point(0, 0, point_type=0, text="pt", attributes=["tx", 5, 0])

        class Traced(MapGisFile):
            def bytesToStr(self, data, encoding="GB2312"):
                text = super().bytesToStr(data, encoding)
                return f"<{text}>" if text in ("pt", "tx") else text

            def bytesInteger(self, data):
                return super().bytesInteger(data) + 1

        feature = next(Traced(self.write(layer, "h.WT")).getFeature())
        self.assertEqual(feature["style"]["text"], "<pt>")
        self.assertEqual([p["value"] for p in feature["properties"].values()], ["<tx>", 6, True])


if __name__ == "__main__":
    unittest.main()
