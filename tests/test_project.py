"""MapGisProject: the header and file list of MPJ project files."""
import os
import pathlib
import shutil
import struct
import tempfile
import unittest

from src import kestrinpy
from tests import fixtures

Project = kestrinpy.MapGisProject

DESCRIPTION_KEYS = ["identification", "typeCode", "files", "title", "environment", "layoutWidth", "layoutHeight",
                    "layoutRotate", "layoutXoffset", "layoutYoffset", "layoutXscale", "layoutYscale", "xMin", "yMin",
                    "xMax", "yMax", "sourceFile"]
ENTRY_KEYS = ["type", "statusCode", "file", "description", "xmin", "ymin", "xmax", "ymax", "userType", "groupCode",
              "netWorkData", "scaleMin", "scaleMax", "labelFlag", "labelFields", "labelHeight", "labelColor",
              "labelFont", "legendType"]


class ProjectTestCase(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)

    def project(self, data, name="map.MPJ"):
        return fixtures.write(self.folder, name, data)


class ReadingTest(ProjectTestCase):
    def test_header_and_entries(self):
        head = dict(Title="地质图".encode("gb2312"), Environment=b"C:\\MAPGIS\\SLIB  ", XMin=1.5, YMin=-2.25,
                    XMax=3e5, YMax=4e6, layoutXoffset=0.5, layoutYoffset=0.25, layoutXscale=2.0, layoutYscale=3.0,
                    LayoutRotate=90.0, LayoutWidth=297.0, LayoutHeight=210.0, Start=999, Dictionary=-7,
                    DefaultParameter=b"\xff" * 169)
        entries = [
            dict(Type=1, StatusCode=3, File="点.WT".encode("gb2312"), Description=b"points", XMin=1.0, YMin=2.0,
                 XMax=3.0, YMax=4.0, UserType=5, GroupCode=6, NetWorkData=b"net", ScaleMin=0.0, ScaleMax=5e5,
                 LabelFlag=1, LabelFields=b"NAME", LabelHeight=0.1, LabelColor=-1, LabelFont=2, LegendType=9),
            dict(Type=0, File=b"L" * 128),
            dict(Type=2),
            dict(Type=3),
            dict(Type=255),
        ]
        path = self.project(fixtures.project_file(entries, **head) + b"trailing bytes are never read")
        project = Project(path)
        self.assertEqual(list(project.Description), DESCRIPTION_KEYS)
        self.assertEqual(project.Description, {
            "identification": "WMAP`D2:", "typeCode": 9, "files": 5, "title": "地质图",
            "environment": "C:\\MAPGIS\\SLIB", "layoutWidth": 297.0, "layoutHeight": 210.0, "layoutRotate": 90.0,
            "layoutXoffset": 0.5, "layoutYoffset": 0.25, "layoutXscale": 2.0, "layoutYscale": 3.0, "xMin": 1.5,
            "yMin": -2.25, "xMax": 3e5, "yMax": 4e6, "sourceFile": path})
        self.assertEqual([list(entry) for entry in project.Files], [ENTRY_KEYS] * 5)
        first = project.Files[0]
        self.assertEqual(first, {
            "type": "Point", "statusCode": 3, "file": "点.WT", "description": "points", "xmin": 1.0, "ymin": 2.0,
            "xmax": 3.0, "ymax": 4.0, "userType": 5, "groupCode": 6, "netWorkData": "net", "scaleMin": 0.0,
            "scaleMax": 5e5, "labelFlag": 1, "labelFields": "NAME",
            "labelHeight": struct.unpack("<f", struct.pack("<f", 0.1))[0], "labelColor": -1, "labelFont": 2,
            "legendType": 9})
        self.assertNotEqual(first["labelHeight"], 0.1)
        self.assertEqual(project.Files[1]["file"], "L" * 128)
        self.assertEqual([entry["type"] for entry in project.Files], ["Point", "LineString", "Polygon", "Unknown", "Unknown"])

    def test_counts_that_read_no_records(self):
        for count in (0, -1, -32768):
            with self.subTest(count=count):
                project = Project(self.project(fixtures.project_file([], Files=count)))
                self.assertEqual((project.Description["files"], project.Files), (count, []))

    def test_largest_count(self):
        project = Project(self.project(fixtures.project_file([dict(Type=2, StatusCode=k % 256) for k in range(32767)])))
        self.assertEqual(len(project.Files), 32767)
        self.assertEqual(project.Files[-1]["statusCode"], 32766 % 256)

    def test_paths_that_are_not_files(self):
        link = self.folder / "dangling"
        link.symlink_to(self.folder / "nowhere")
        for path in [str(self.folder), str(self.folder / "missing.MPJ"), str(link), "bad\0name"]:
            with self.subTest(path=path):
                project = Project(path, "no-such-codec")
                self.assertEqual((project.Description, project.Files), (None, None))
                self.assertEqual(project.subscribers, {})

    def test_source_file_is_the_argument_as_given(self):
        self.project(fixtures.project_file([]), name="rel.MPJ")
        cwd = os.getcwd()
        os.chdir(self.folder)
        self.addCleanup(os.chdir, cwd)
        self.assertEqual(Project("./rel.MPJ").Description["sourceFile"], "./rel.MPJ")
        (self.folder / "link.MPJ").symlink_to(self.folder / "rel.MPJ")
        self.assertEqual(Project("link.MPJ").Description["files"], 0)

    def test_encoding_is_used_for_every_text(self):
        data = fixtures.project_file([dict(File="名称".encode("utf-8"))], Title="标题".encode("utf-8"))
        project = Project(self.project(data), encoding="utf-8")
        self.assertEqual((project.Description["title"], project.Files[0]["file"]), ("标题", "名称"))

    def test_helpers_are_called_through_the_object_in_key_order(self):
        calls = []

        class Traced(Project):
            def bytesToStr(self, data, encoding="GB2312"):
                calls.append(("text", len(data)))
                return super().bytesToStr(data, encoding).upper()

            def bytesInteger(self, data):
                calls.append(("int", len(data)))
                return super().bytesInteger(data) + 100

        project = Traced(self.project(fixtures.project_file([dict(Type=1, File=b"abc")], Title=b"t")))
        self.assertEqual(calls, [("text", 8), ("text", 60), ("text", 640), ("int", 1), ("int", 1), ("text", 128),
                                 ("text", 128), ("int", 1), ("int", 1), ("text", 32), ("int", 1), ("text", 21),
                                 ("int", 1), ("int", 1)])
        entry = project.Files[0]
        self.assertEqual((entry["type"], entry["statusCode"], entry["file"]), ("Unknown", 100, "ABC"))
        self.assertEqual(project.Description["title"], "T")


def failed_state(path, *args):
    """The error of constructing a project on `path`, with Description and
    Files as the failed constructor left them."""
    seen = {}

    class Watched(Project):
        def __init__(self, *args):
            try:
                super().__init__(*args)
            finally:
                seen["state"] = (self.Description, self.Files)

    try:
        Watched(path, *args)
    except Exception as error:
        return (error, *seen["state"])
    raise AssertionError("no error")


class FailureTest(ProjectTestCase):
    def test_identification_failures(self):
        cases = [
            ("wrong_magic", fixtures.project_file([], Identification=b"WMAP`D22")),
            ("wrong_type", fixtures.project_file([], TypeCode=8)),
            ("padded", fixtures.project_file([], Identification=b"WMAP`D2")),
        ]
        for name, data in cases:
            with self.subTest(name):
                path = self.project(data, name=name)
                error, description, files = failed_state(path)
                self.assertIs(type(error), Exception)
                self.assertEqual(str(error), f"[{path}] format invalid.")
                self.assertEqual((description, files), (None, None))
        path = self.project(fixtures.project_file([]), name="utf16")
        with self.assertRaises(Exception) as caught:
            Project(path, "utf-16")
        self.assertEqual(str(caught.exception), f"[{path}] format invalid.")

    def test_short_files(self):
        whole = fixtures.project_file([dict(Type=1), dict(Type=2), dict(Type=0)])
        for size, message, description, files in [
            (0, "unpack requires a buffer of 1113 bytes", None, None),
            (1112, "unpack requires a buffer of 1113 bytes", None, None),
            (1113, "unpack requires a buffer of 400 bytes", True, []),
            (1113 + 400 + 399, "unpack requires a buffer of 400 bytes", True, ["Point"]),
            (1113 + 800 + 1, "unpack requires a buffer of 400 bytes", True, ["Point", "Polygon"]),
        ]:
            with self.subTest(size=size):
                error, state_description, state_files = failed_state(self.project(whole[:size], name=f"cut{size}"))
                self.assertIs(type(error), struct.error)
                self.assertEqual(str(error), message)
                self.assertEqual(state_description is None, description is None)
                self.assertEqual(None if state_files is None else [e["type"] for e in state_files], files)

    def test_unknown_codec_on_a_real_file(self):
        with self.assertRaises(LookupError):
            Project(self.project(fixtures.project_file([])), "no-such-codec")

    def test_argument_types(self):
        template = "Argument '{}' has incorrect type (expected {}, got {})"
        for args, fields in [((None,), ("file", "str", "NoneType")), ((b"x",), ("file", "str", "bytes")),
                             ((pathlib.Path("x"),), ("file", "str", "PosixPath")),
                             (("x", None), ("encoding", "str", "NoneType"))]:
            with self.subTest(args=args), self.assertRaises(TypeError) as caught:
                Project(*args)
            self.assertEqual(str(caught.exception), template.format(*fields))
        with self.assertRaises(TypeError) as caught:
            Project()
        self.assertEqual(str(caught.exception), "__init__() takes at least 2 positional arguments (1 given)")

    def test_files_are_closed_on_every_path(self):
        good = self.project(fixtures.project_file([dict(Type=1)]), name="good")
        bad = self.project(fixtures.project_file([], TypeCode=1), name="bad")
        short = self.project(fixtures.project_file([dict(Type=1)])[:1500], name="short")
        before = len(os.listdir("/proc/self/fd"))
        for _ in range(30):
            Project(good)
            for path in (bad, short):
                with self.assertRaises(Exception):
                    Project(path)
        self.assertEqual(len(os.listdir("/proc/self/fd")), before)

    def test_class_constants(self):
        self.assertEqual(Project._MapGisProject__ProjectHead, fixtures.PROJECT_HEAD)
        self.assertEqual(Project._MapGisProject__ProjectBody, fixtures.PROJECT_BODY)
        self.assertEqual(struct.calcsize(Project._MapGisProject__ProjectHead), 1113)
        self.assertEqual(struct.calcsize(Project._MapGisProject__ProjectBody), 400)
        self.assertFalse(hasattr(Project, "__ProjectHead"))


if __name__ == "__main__":
    unittest.main()
