"""MapGisFile: opening point, line and polygon files, and the file-level queries."""
import os
import pathlib
import shutil
import struct
import tempfile
import time
import unittest

from src import kestrinpy
from tests import fixtures
from tests.fixtures import FeatureFile

MapGisFile = kestrinpy.MapGisFile

ATTRIBUTE_ORDER = ["subscribers", "FileName", "FileType", "BBox", "EPSG", "Parameters", "TimeStamp", "RecordCount",
                   "FeatureCount", "PcolorLibFile", "Encoding", "FieldStruct", "StyleItems", "_featureDataHeads"]
PARAMETER_KEYS = ["projectionTypeCode", "fileTypeCode", "ellipsoidCode", "unitsCode", "central_meridian",
                  "latitude_of_origin", "standard_parallel_1", "standard_parallel_2", "false_easting",
                  "false_northing", "ellipsoidElevation", "projectionElevation"]


def open_descriptors():
    return len(os.listdir("/proc/self/fd"))


class FeatureFileTestCase(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)

    def write(self, data, name="layer.WL"):
        return fixtures.write(self.folder, name, data)

    def line_file(self, **header):
        layer = FeatureFile("line", **header)
        layer.add_field("名称", 0, size=10)
        layer.add_field("AREA", 5, length=15, digits=6)
        layer.add_line([(0.0, 0.0), (1.0, 1.0)])
        layer.add_line([(2.0, 2.0), (3.0, 3.0)], flag=0)
        return layer


class OpeningTest(FeatureFileTestCase):
    def test_line_file(self):
        layer = self.line_file(xMin=1.5, yMin=-2.0, xMax=3e5, yMax=4e6, crs=3, projectionType=5, ellipsoidCode=2,
                               units=1, central_meridian=117.0, latitude_of_origin=0.5, standard_parallel_1=25.0,
                               standard_parallel_2=47.0, false_easting=5e5, false_northing=-1.0,
                               ellipsoidElevation=12.5, projectionElevation=-3.25)
        path = layer.write(self.folder, "layer.WL")
        opened = MapGisFile(path, "colours.lib")
        self.assertEqual(list(vars(opened)), ATTRIBUTE_ORDER)
        self.assertEqual((opened.FileName, opened.FileType, opened.BBox, opened.EPSG),
                         (path, "LineString", [1.5, -2.0, 3e5, 4e6], 4610))
        self.assertEqual(list(opened.Parameters), PARAMETER_KEYS)
        self.assertEqual(opened.Parameters, dict(
            projectionTypeCode=5, fileTypeCode=0, ellipsoidCode=2, unitsCode=1, central_meridian=117.0,
            latitude_of_origin=0.5, standard_parallel_1=25.0, standard_parallel_2=47.0, false_easting=5e5,
            false_northing=-1.0, ellipsoidElevation=12.5, projectionElevation=-3.25))
        self.assertEqual((opened.RecordCount, opened.FeatureCount), (2, 1))
        self.assertEqual((opened.PcolorLibFile, opened.Encoding, opened.StyleItems), ("colours.lib", "GB2312", None))
        self.assertEqual(opened.FieldStruct, {
            "fieldCount": 2, "fieldLength": 1 + 10 + 8, "fieldSize": 348 + 39 * 2, "recordCount": 2, "featureCount": 1,
            "fields": [{"name": "名称", "type": "string", "typeCode": 0, "size": 10, "length": 10},
                       {"name": "AREA", "type": "double", "typeCode": 5, "size": 8, "length": 15, "decimal": 6}]})
        self.assertEqual(opened._featureDataHeads, [(layer.offsets[k], 0, 0) for k in range(3)])
        self.assertFalse(hasattr(opened, "ArcTotalCount"))
        self.assertEqual(opened.subscribers, {})

    def test_point_and_polygon_files(self):
        points = FeatureFile("point", valid=7)
        points.add_point(1.0, 2.0)
        opened = MapGisFile(points.write(self.folder, "p.WT"))
        self.assertEqual((opened.FileType, opened.RecordCount, opened.FeatureCount), ("Point", 1, 7))
        self.assertEqual(opened.FieldStruct["fields"], [])

        polygons = FeatureFile("polygon", entries=12, total=11, valid=9, totalPolygons=4, validPolygons=2)
        polygons.add_field("ID", 3, length=8)
        opened = MapGisFile(polygons.write(self.folder, "a.WP"))
        self.assertEqual((opened.FileType, opened.RecordCount, opened.FeatureCount), ("Polygon", 3, 2))
        self.assertEqual((opened.ArcTotalCount, opened.ArcValidCount), (10, 9))
        self.assertEqual(list(vars(opened))[-2:], ["ArcTotalCount", "ArcValidCount"])
        self.assertEqual(len(opened._featureDataHeads), 12)
        self.assertEqual(opened.describeProperty(),
                         [{"name": "ID", "type": "long", "typeCode": 3, "size": 4, "length": 8}])

    def test_counts_are_taken_as_stated(self):
        opened = MapGisFile(self.write(FeatureFile("line", total=1, valid=5).build()))
        self.assertEqual((opened.RecordCount, opened.FeatureCount), (0, 5))
        opened = MapGisFile(self.write(FeatureFile("line", total=-2 ** 31, valid=2 ** 31 - 1).build()))
        self.assertEqual((opened.RecordCount, opened.FeatureCount), (-2 ** 31 - 1, 2 ** 31 - 1))

    def test_epsg_rule(self):
        cases = [((1, 0, 7, 4), 4326), ((1, 0, 7, 3), -1), ((0, 9, 9, 9), 0), ((3, 5, 2, 0), 4610),
                 ((3, 5, 1, 0), 4214), ((3, 3, 0, 0), 9802), ((3, 2, 0, 0), 9822), ((3, 4, 0, 0), 9804),
                 ((3, 5, 3, 0), -3), ((3, 1, 1, 0), -3), ((200, 0, 7, 4), -200), ((255, 0, 0, 0), -255)]
        for (crs, projection, ellipsoid, units), epsg in cases:
            with self.subTest(codes=(crs, projection, ellipsoid, units)):
                data = FeatureFile("line", crs=crs, projectionType=projection, ellipsoidCode=ellipsoid,
                                   units=units).build()
                self.assertEqual(MapGisFile(self.write(data)).EPSG, epsg)

    def test_field_types(self):
        layer = FeatureFile("point")
        codes = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 255]
        for code in codes:
            layer.add_field(f"F{code}", code, size=5 if code in (0, 9, 255) else None, digits=3)
        layer.add_field("odd", 2, size=-1, length=-1)  # size and length are signed
        fields = MapGisFile(self.write(layer.build(), "t.WT")).describeProperty()
        names = ["string", "byte", "int", "long", "float", "double", "string", "string", "bool", "string", "string"]
        for field, code, name in zip(fields, codes, names):
            with self.subTest(code=code):
                self.assertEqual((field["type"], field["typeCode"]), (name, code))
                self.assertEqual(field.get("decimal"), 3 if code in (4, 5) else None)
                self.assertEqual(list(field)[-1], "decimal" if code in (4, 5) else "length")
        self.assertEqual((fields[-1]["size"], fields[-1]["length"]), (-1, -1))

    def test_helpers_are_reached_through_the_object(self):
        calls = []

        class Traced(MapGisFile):
            def bytesToStr(self, data, encoding="GB2312"):
                calls.append(("text", data))
                return super().bytesToStr(data, encoding)

            def bytesInteger(self, data):
                calls.append(("code", data))
                return super().bytesInteger(data) + 1

        layer = FeatureFile("line", crs=1, projectionType=2, ellipsoidCode=3, units=4)
        layer.add_field(b"ID", 3)
        opened = Traced(self.write(layer.build()))
        self.assertEqual(calls, [("text", b"WMAP`D21"), ("code", b"\x02"), ("code", b"\x03"), ("code", b"\x04"),
                                 ("code", b"\x01"), ("text", b"ID" + bytes(18))])
        self.assertEqual((opened.Parameters["projectionTypeCode"], opened.EPSG), (3, -2))

    def test_encoding_and_names(self):
        layer = FeatureFile("line", encoding="utf-8")
        layer.add_field("名称", 0, size=4)
        path = self.write(layer.build())
        self.assertEqual(MapGisFile(path, encoding="utf-8").describeProperty()[0]["name"], "名称")
        self.assertEqual(MapGisFile(path, None, "utf-8").Encoding, "utf-8")
        relative = os.path.relpath(path)
        self.assertEqual(MapGisFile(relative).FileName, relative)

    def test_time_stamp_is_local_time(self):
        path = self.write(FeatureFile("line").build())
        os.utime(path, (0, 1714523400.75))  # 2024-05-01 00:30:00.75 UTC
        saved = os.environ.get("TZ")

        def restore():
            if saved is None:
                os.environ.pop("TZ", None)
            else:
                os.environ["TZ"] = saved
            time.tzset()

        self.addCleanup(restore)
        for zone, text in [("UTC0", "2024-05-01T00:30:00+0000"), ("CST-8", "2024-05-01T08:30:00+0800"),
                           ("EST5", "2024-04-30T19:30:00-0500")]:
            with self.subTest(zone=zone):
                os.environ["TZ"] = zone
                time.tzset()
                self.assertEqual(MapGisFile(path).TimeStamp, text)

    def test_time_stamp_equals_the_hosts_time_functions(self):
        path = self.write(FeatureFile("line").build())
        # Nanoseconds that round the float of the time up to the next second, times before 1970.
        for nanoseconds in (1714523400_999_999_999, 1714523400_000_000_001, -1_500_000_000, 0, 253402300799 * 10 ** 9):
            with self.subTest(nanoseconds=nanoseconds):
                os.utime(path, ns=(0, nanoseconds))
                expected = time.strftime("%Y-%m-%dT%H:%M:%S%z", time.localtime(os.path.getmtime(path)))
                self.assertEqual(MapGisFile(path).TimeStamp, expected)


class ClassConstantsTest(unittest.TestCase):
    def test_layouts_in_order(self):
        layouts = [("FeatureFileHead", fixtures.FEATURE_FILE_HEAD, 336), ("FeatureDataHead", fixtures.FEATURE_DATA_HEAD, 10),
                   ("FeatureFieldHead", fixtures.FEATURE_FIELD_HEAD, 348), ("FeatureField", fixtures.FEATURE_FIELD, 39),
                   ("FeaturePointHead", fixtures.FEATURE_POINT_HEAD, 33),
                   ("FeaturePointString", fixtures.FEATURE_POINT_STRING, 54),
                   ("FeaturePointMarker", fixtures.FEATURE_POINT_MARKER, 54),
                   ("FeaturePointCircle", fixtures.FEATURE_POINT_CIRCLE, 54),
                   ("FeaturePointArc", fixtures.FEATURE_POINT_ARC, 54),
                   ("FeaturePointImage", fixtures.FEATURE_POINT_IMAGE, 20),
                   ("FeaturePointText", fixtures.FEATURE_POINT_TEXT, 54),
                   ("FeaturePolyline", fixtures.FEATURE_POLYLINE, 57), ("FeaturePolygon", fixtures.FEATURE_POLYGON, 40),
                   ("Topology", fixtures.TOPOLOGY, 24), ("FeatureNode", fixtures.FEATURE_NODE, 51)]
        stored = [name for name in vars(MapGisFile) if name.startswith("_MapGisFile__")]
        self.assertEqual(stored, ["_MapGisFile__" + name for name, _, _ in layouts])
        for name, layout, size in layouts:
            with self.subTest(name):
                self.assertEqual(getattr(MapGisFile, "_MapGisFile__" + name), layout)
                self.assertEqual(struct.calcsize(layout), size)
        self.assertEqual([name for name in vars(MapGisFile) if not name.startswith("_")],
                         ["describeProperty", "getCapabilities", "getFeature", "saveAsGeoJson"])


class FailureTest(FeatureFileTestCase):
    def failure(self, path, *args):
        """The error of opening `path` and the attributes the failed
        constructor left (seen from inside a subclass)."""
        seen = {}

        class Watched(MapGisFile):
            def __init__(self, *args):
                try:
                    super().__init__(*args)
                finally:
                    seen.update(vars(self))

        before = open_descriptors()
        with self.assertRaises(BaseException) as caught:
            Watched(path, *args)
        self.assertEqual(open_descriptors(), before, "a file was left open")
        return caught.exception, seen

    def test_paths_that_are_not_files(self):
        link = self.folder / "dangling"
        link.symlink_to(self.folder / "nowhere")
        for path in [str(self.folder / "missing.WL"), str(self.folder), str(link), "x\0y", ""]:
            with self.subTest(path=path):
                error, seen = self.failure(path)
                self.assertIs(type(error), FileNotFoundError)
                self.assertEqual((str(error), error.args), (path, (path,)))
                self.assertIsNone(seen["FileName"])

    def test_magic_and_type_code(self):
        cases = [
            ("wrong magic", FeatureFile("line", identification=b"WMAP`D24").build(), None),
            ("project file", fixtures.project_file([]), None),
            ("point magic, line code", FeatureFile("point", fileTypeCode=0).build(), True),
            ("line magic, polygon code", FeatureFile("line", fileTypeCode=2, entries=10).build(), True),
            ("unknown type code", FeatureFile("line", fileTypeCode=3).build(), True),
        ]
        for name, data, directory_read in cases:
            with self.subTest(name):
                path = self.write(data, name)
                error, seen = self.failure(path)
                self.assertIs(type(error), Exception)
                self.assertEqual(str(error), f"[{path}] invalid file format.")
                self.assertEqual("_featureDataHeads" in seen, bool(directory_read))
                self.assertEqual(seen["EPSG"] is not None, bool(directory_read))
                self.assertIsNone(seen["FileType"])

    def test_damaged_directory_fails_before_the_type_check(self):
        layer = FeatureFile("point", fileTypeCode=0)
        layer.place("directory", "end")
        data = layer.build()
        error, _ = self.failure(self.write(fixtures.cut(data, -5)))
        self.assertIs(type(error), struct.error)
        self.assertEqual(str(error), "unpack requires a buffer of 10 bytes")

    def test_positions_and_counts_from_the_file(self):
        cases = [
            ("negative start", FeatureFile("line", start=-10).build(), OSError, "[Errno 22] Invalid argument"),
            ("directory past the end", FeatureFile("line", start=2 ** 31 - 1).build(), struct.error,
             "unpack requires a buffer of 10 bytes"),
            ("huge directory count", FeatureFile("line", heads=2 ** 31 - 1).build(), struct.error,
             "unpack requires a buffer of 10 bytes"),
            ("too few entries", FeatureFile("line", entries=2).build(), IndexError, "list index out of range"),
            ("polygon with 9 entries", FeatureFile("polygon", entries=9).build(), IndexError,
             "list index out of range"),
        ]
        for name, data, error_type, text in cases:
            with self.subTest(name):
                error, _ = self.failure(self.write(data, name))
                self.assertIs(type(error), error_type)
                self.assertEqual(str(error), text)

    def test_attribute_area_out_of_reach(self):
        cases = []
        layer = FeatureFile("line")
        layer.set_entry(2, DataStart=2 ** 31 - 1)
        cases.append(("head past the end", layer.build(), 348, False))
        layer = FeatureFile("line")
        layer.set_entry(2, DataStart=-1)
        cases.append(("negative area", layer.build(), None, False))
        layer = FeatureFile("line")
        layer.set_field_head(fieldCount=32767)
        cases.append(("count past the end", layer.build(), 39, True))
        for name, data, size, schema in cases:
            with self.subTest(name):
                error, seen = self.failure(self.write(data, name))
                if size is None:
                    self.assertIs(type(error), OSError)
                else:
                    self.assertEqual((type(error), str(error)), (struct.error, f"unpack requires a buffer of {size} bytes"))
                self.assertEqual(seen["FieldStruct"] is not None, schema)
                if schema:
                    self.assertNotIn("fields", seen["FieldStruct"])
                self.assertEqual(seen["FileType"], "LineString")

    def test_cut_at_every_offset(self):
        layer = self.line_file()
        data = layer.build()
        schema_end = layer.offsets[2] + 348 + 39 * 2
        for size in range(schema_end):
            with self.subTest(size=size):
                error, _ = self.failure(self.write(data[:size], "cut"))
                self.assertIn(type(error), (struct.error, Exception))
                if type(error) is Exception:
                    self.assertTrue(str(error).endswith("] invalid file format."), error)
        self.assertEqual(MapGisFile(self.write(data[:schema_end], "whole")).FieldStruct["fieldCount"], 2)

    def test_unknown_codec_fails_at_the_magic(self):
        error, seen = self.failure(self.write(FeatureFile("line").build()), None, "no-such-codec")
        self.assertIsInstance(error, LookupError)
        self.assertIsNotNone(seen["TimeStamp"])
        self.assertIsNone(seen["BBox"])

    def test_argument_types(self):
        path = self.write(FeatureFile("line").build())

        class Text(str):
            pass

        template = "Argument '{}' has incorrect type (expected {}, got {})"
        cases = [((path.encode(),), ("mapGisFile", "str", "bytes")),
                 ((pathlib.Path(path),), ("mapGisFile", "str", "PosixPath")),
                 ((Text(path),), ("mapGisFile", "str", "Text")), ((None,), ("mapGisFile", "str", "NoneType")),
                 ((path, b"lib"), ("mapGisColorLib", "str", "bytes")),
                 ((path, None, None), ("encoding", "str", "NoneType"))]
        for args, fields in cases:
            with self.subTest(args=args), self.assertRaises(TypeError) as caught:
                MapGisFile(*args)
            self.assertEqual(str(caught.exception), template.format(*fields))
        for call, text in [(lambda: MapGisFile(), "__init__() takes at least 2 positional arguments (1 given)"),
                           (lambda: MapGisFile(path, None, "x", 4), "__init__() takes at most 4 positional arguments (5 given)"),
                           (lambda: MapGisFile(path, colours=None), "__init__() got an unexpected keyword argument 'colours'")]:
            with self.subTest(text), self.assertRaises(TypeError) as caught:
                call()
            self.assertEqual(str(caught.exception), text)
        self.assertEqual(MapGisFile(mapGisFile=path, mapGisColorLib="").PcolorLibFile, "")


class QueriesTest(FeatureFileTestCase):
    def setUp(self):
        super().setUp()
        self.opened = MapGisFile(self.write(self.line_file(crs=3, projectionType=9).build(), "WP.WP"))

    def test_capabilities(self):
        summary = self.opened.getCapabilities()
        self.assertEqual(list(summary), ["type", "fileType", "timeStamp", "name", "bbox", "crs", "properties"])
        self.assertEqual(summary["type"], "FeatureCollection")
        self.assertEqual((summary["fileType"], summary["timeStamp"], summary["name"]),
                         ("LineString", self.opened.TimeStamp, "WP"))
        self.assertIs(summary["bbox"], self.opened.BBox)
        self.assertEqual(summary["crs"], {"type": "name", "properties": {
            "name": "EPSG:-3", "parameters": self.opened.Parameters, "crs": None}})
        self.assertIs(summary["crs"]["properties"]["parameters"], self.opened.Parameters)
        self.assertEqual(summary["properties"], {"fieldCount": 2, "featureCount": 1})
        self.assertIsNot(summary, self.opened.getCapabilities())

    def test_name_rule(self):
        for file_name, name in [("WP.WP", "WP"), ("dir.x/a.b.c", "a.b"), ("/data/.hidden", ".hidden"),
                                ("noext", "noext"), ("..two", "..two"), ("a.", "a"), ("dir/", "")]:
            with self.subTest(file_name=file_name):
                self.opened.FileName = file_name
                self.assertEqual(self.opened.getCapabilities()["name"], name)

    def test_without_schema_or_file(self):
        self.opened.FieldStruct = None
        self.assertEqual(len(self.opened.getCapabilities()), 6)
        self.assertIsNone(self.opened.describeProperty())
        self.opened.FileType = None
        self.assertIsNone(self.opened.getCapabilities())

    def test_describe_property(self):
        fields = self.opened.describeProperty()
        self.assertIs(fields, self.opened.FieldStruct["fields"])
        self.assertIs(self.opened.describeProperty(), fields)
        del self.opened.FieldStruct["fields"]
        self.assertIsNone(self.opened.describeProperty())
        self.opened.FieldStruct["fields"] = ()
        with self.assertRaises(TypeError) as caught:
            self.opened.describeProperty()
        self.assertEqual(str(caught.exception), "Expected list, got tuple")

    def test_capabilities_need_the_counts(self):
        del self.opened.FieldStruct["featureCount"]
        with self.assertRaises(KeyError):
            self.opened.getCapabilities()


if __name__ == "__main__":
    unittest.main()
