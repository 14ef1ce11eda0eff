"""saveAsGeoJson: the export text byte for byte, progress messages, failures,
and the JSON writer against the host's json.dumps."""
import contextlib
import decimal
import io
import json
import math
import os
import pathlib
import random
import shutil
import struct
import tempfile
import unittest

from src import kestrinpy
from tests.fixtures import FeatureFile

MapGisFile = kestrinpy.MapGisFile


def expected_text(opened):
    """The export text built with the host's json.dumps from the object's own
    summary and features."""
    features = []
    for feature in opened.getFeature():
        feature["properties"] = {name: value["value"] for name, value in feature["properties"].items()}
        features.append(json.dumps(feature, ensure_ascii=False))
    summary = json.dumps(opened.getCapabilities(), ensure_ascii=False)[1:-1]
    return "{" + summary + ',"features":[' + ",".join(features) + "]}"


class ExportTestCase(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        self.output = str(self.folder / "out.json")
        self.descriptors = len(os.listdir("/proc/self/fd"))

    def tearDown(self):
        self.assertEqual(len(os.listdir("/proc/self/fd")), self.descriptors, "a file was left open")

    def text(self):
        with open(self.output, "rb") as stream:
            return stream.read().decode("utf-8")

    def lines(self, count=3, **header):
        layer = FeatureFile("line", **header)
        layer.add_field("名称", 0, size=12)
        layer.add_field("面积", 5, digits=2)
        layer.add_field("OK", 8)
        for k in range(count):
            layer.add_line([(k, k + 0.5), (1e16 * k, -0.0), (math.nan, 1e-7)],
                           attributes=[f"路{k}\"\\\t", k * 1.005, k % 2])
        return MapGisFile(layer.write(self.folder, f"lines{count}.WL"))


class ExportTextTest(ExportTestCase):
    def test_kinds_of_file(self):
        polygons = FeatureFile("polygon")
        polygons.add_field("ID", 3)
        for vertices in ([(0, 0), (4, 0)], [(4, 0), (4, 3)], [(4, 3), (0, 0)]):
            polygons.add_arc(vertices, 1, 1)
        polygons.add_polygon([1, 2, 3], attributes=[7])
        points = FeatureFile("point")
        points.add_field("T", 0, size=8)
        points.add_point(1.5, -2.25, point_type=0, text="标注", attributes=["中文"])
        points.add_point(3, 4, point_type=9, attributes=["x"])
        for opened in (self.lines(), MapGisFile(polygons.write(self.folder, "a.WP")),
                       MapGisFile(points.write(self.folder, "p.WT"))):
            with self.subTest(opened.FileType):
                self.assertIsNone(opened.saveAsGeoJson(self.output))
                self.assertEqual(self.text(), expected_text(opened))
                self.assertNotIn("\\u", self.text())
                self.assertFalse(self.text().endswith("\n"))

    def test_without_features(self):
        opened = self.lines(0)
        seen = []
        opened.subscribe("progress", seen.append)
        pathlib.Path(self.output).write_text("old content that must go")
        opened.saveAsGeoJson(self.output)
        self.assertTrue(self.text().endswith(',"features":[]}'))
        self.assertEqual(self.text(), expected_text(opened))
        self.assertEqual(seen, [])

    def test_progress_comes_before_each_feature_is_written(self):
        opened = self.lines(3)
        seen = []

        def slot(value):
            seen.append((dict(value), self.text().count('"type": "Feature"')))

        opened.subscribe("progress", slot)
        opened.saveAsGeoJson(self.output)
        self.assertEqual([value for value, _ in seen], [{"index": i, "count": 3} for i in range(3)])

    def test_slot_errors_are_printed_and_the_export_goes_on(self):
        opened = self.lines(2)

        def slot(value):
            raise ValueError("slot failed")

        opened.subscribe("progress", slot)
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            opened.saveAsGeoJson(self.output)
        self.assertEqual(out.getvalue(), "Error in message slot: slot failed\n" * 2)
        self.assertEqual(self.text(), expected_text(opened))

    def test_subclass_members_are_used(self):
        class Custom(MapGisFile):
            def getCapabilities(self):
                return {"type": "FeatureCollection", "note": "mine"}

            def getFeature(self):
                yield {"type": "Feature", "properties": {"a": {"value": (1, 2)}, "b": {"value": None}}}
                yield {"type": "Feature", "properties": {}}

            def publish(self, key=None, value=None):
                published.append((key, value))

        published = []
        Custom(self.lines(1).FileName).saveAsGeoJson(self.output)
        self.assertEqual(self.text(), '{"type": "FeatureCollection", "note": "mine","features":['
                                      '{"type": "Feature", "properties": {"a": [1, 2], "b": null}},'
                                      '{"type": "Feature", "properties": {}}]}')
        self.assertEqual(published, [("progress", {"index": 0, "count": 1}), ("progress", {"index": 1, "count": 1})])


class ChangesDuringExportTest(ExportTestCase):
    """What a progress slot changes on the object shows in the features written after it."""

    def changing_slot(self, opened):
        def slot(value):
            index = value["index"]
            if index == 0:
                opened.StyleItems = ["k"] * 26  # every style entry under one key: the last value stays
                opened.TimeStamp = "then"
            elif index == 1:
                fields = opened.FieldStruct["fields"]
                fields[1] = dict(fields[1], name=fields[0]["name"])  # two fields under one name
                opened.Encoding = "utf-8"
            elif index == 2:
                opened.StyleItems = [7, 7.5, None, "x", ("t",)] + [f"s{k}" for k in range(21)]
            elif index == 3:
                opened.StyleItems = [f"s{k}" for k in range(26)]
                opened.FieldStruct["fields"][0] = dict(opened.FieldStruct["fields"][0], name=3)
        return slot

    def expected(self, opened, slot):
        summary = json.dumps(opened.getCapabilities(), ensure_ascii=False)[1:-1]
        features = []
        for index, feature in enumerate(opened.getFeature()):
            slot({"index": index, "count": opened.FeatureCount})
            feature["properties"] = {name: value["value"] for name, value in feature["properties"].items()}
            try:
                features.append(json.dumps(feature, ensure_ascii=False))
            except TypeError as error:
                return error
        return "{" + summary + ',"features":[' + ",".join(features) + "]}"

    def layers(self):
        points = FeatureFile("point")
        lines = FeatureFile("line")
        for layer in (points, lines):
            layer.add_field("名称", 0, size=8)
            layer.add_field("N", 3)
        for k in range(5):
            points.add_point(k, k, point_type=k % 3, text="标注", attributes=["点", k],
                             sub_fields=dict(Height=1.5) if k % 3 == 1 else None)
            lines.add_line([(k, 0), (k, 1)], attributes=["线", k])
        return [points.write(self.folder, "p.WT"), lines.write(self.folder, "l.WL")]

    def test_changes_show_in_later_features(self):
        for path in self.layers():
            with self.subTest(path=os.path.basename(path)):
                reference = MapGisFile(path)
                expected = self.expected(reference, self.changing_slot(reference))
                opened = MapGisFile(path)
                opened.subscribe("progress", self.changing_slot(opened))
                if isinstance(expected, TypeError):  # a tuple key: the host's json.dumps refuses it
                    with self.assertRaises(TypeError) as caught:
                        opened.saveAsGeoJson(self.output)
                    self.assertEqual(str(caught.exception), str(expected))
                else:
                    opened.saveAsGeoJson(self.output)
                    self.assertEqual(self.text(), expected)


class ExportFailureTest(ExportTestCase):
    def test_output_that_cannot_be_opened(self):
        opened = self.lines(1)
        for path in [str(self.folder / "missing" / "out.json"), str(self.folder)]:
            with self.subTest(path=path), self.assertRaises(OSError):
                opened.saveAsGeoJson(path)
        with self.assertRaises(TypeError) as caught:
            opened.saveAsGeoJson(pathlib.Path(self.output))
        self.assertEqual(str(caught.exception), "Argument 'fileName' has incorrect type (expected str, got PosixPath)")
        self.assertFalse(os.path.exists(self.output))

    def test_no_file_loaded(self):
        opened = self.lines(1)
        opened.FileType = None
        with self.assertRaises(AttributeError):
            opened.saveAsGeoJson(self.output)
        self.assertEqual(self.text(), "{")

    def test_failures_in_the_feature_loop_close_the_text(self):
        class Failing(MapGisFile):
            def getFeature(self):
                yield {"type": "Feature", "properties": {}}
                yield {"type": "Feature", "properties": {"a": {"no value": 1}}}

        opened = Failing(self.lines(1).FileName)
        with self.assertRaises(KeyError):
            opened.saveAsGeoJson(self.output)
        self.assertTrue(self.text().endswith('"features":[{"type": "Feature", "properties": {}},]}'))

        opened = self.lines(3)
        os.remove(opened.FileName)  # the stream fails at its first request
        with self.assertRaises(FileNotFoundError):
            opened.saveAsGeoJson(self.output)
        self.assertTrue(self.text().endswith('"features":[]}'))

        opened = self.lines(3)

        def interrupt(value):
            if value["index"] == 1:
                raise KeyboardInterrupt

        opened.subscribe("progress", interrupt)
        with self.assertRaises(KeyboardInterrupt):
            opened.saveAsGeoJson(self.output)
        self.assertEqual(json.loads(self.text())["features"][0]["id"], 0)
        self.assertEqual(len(json.loads(self.text())["features"]), 1)

    def test_truncated_input(self):
        opened = self.lines(3)
        data = pathlib.Path(opened.FileName).read_bytes()
        pathlib.Path(opened.FileName).write_bytes(data[:-20])  # into the last vertex list
        with self.assertRaises(struct.error):
            opened.saveAsGeoJson(self.output)
        self.assertEqual(len(json.loads(self.text())["features"]), 2)


class JsonWriterTest(ExportTestCase):
    def export(self, values):
        """The text the export writes for features holding `values`."""

        class Given(MapGisFile):
            def getCapabilities(self):
                return {"k": 1}

            def getFeature(self):
                for value in values:
                    yield {"properties": {"v": {"value": value}}}

        Given(self.lines(1).FileName).saveAsGeoJson(self.output)
        return self.text()

    def test_values_match_the_host(self):
        class Number(int):
            def __repr__(self):
                return "not used by json"

        class Real(float):
            pass

        class Text(str):
            pass

        class Mapping(dict):
            pass

        values = ["", "\0\x1f\x7f\u2028\ud7ff中", "tab\tquote\"slash\\/", 0, -1, 2 ** 64, -2 ** 200, True, False,
                  None, [], (), {}, {"nested": [1, [2, (3,)]]}, Number(5), Real(2.5), Text("t"),
                  Mapping(a=1), {1: "int key", None: "none key", 2.5: "float key", True: "bool"},
                  [math.nan, math.inf, -math.inf, -0.0, 1e16, 1e-5, 5e-324]]
        expected = '{"k": 1,"features":[' + ",".join(
            json.dumps({"properties": {"v": value}}, ensure_ascii=False) for value in values) + "]}"
        self.assertEqual(self.export(values), expected)

    def test_host_errors(self):
        cases = [(decimal.Decimal("1.5"), TypeError), (object(), TypeError), ({(1, 2): 3}, TypeError)]
        loop = []
        loop.append(loop)
        cases.append((loop, ValueError))
        deep = []
        for _ in range(100000):
            deep = [deep]
        cases.append((deep, RecursionError))
        for value, error in cases:
            with self.subTest(error=error.__name__):
                with self.assertRaises(error) as ours:
                    self.export([value])
                with self.assertRaises(error) as hosts:
                    json.dumps(value, ensure_ascii=False)
                if error is not RecursionError:
                    self.assertEqual(str(ours.exception), str(hosts.exception))

    def test_floats_of_every_kind_match_repr(self):
        rng = random.Random(20261210)
        doubles = [struct.unpack("<d", struct.pack("<Q", rng.getrandbits(64)))[0] for _ in range(40000)]
        doubles += [rng.uniform(-1e6, 1e6) for _ in range(20000)]
        doubles += [float(f"{rng.randint(1, 9999)}e{rng.randint(-330, 310)}") for _ in range(20000)]
        doubles += [rng.randrange(-10 ** 16, 10 ** 16) / 10 ** rng.randint(0, 6) for _ in range(40000)]
        doubles += [rng.randrange(-10 ** rng.randint(1, 16), 10 ** 16) / 10 ** rng.randint(0, 6) for _ in range(20000)]
        doubles += [x + delta for x in (1e-4, 1e15, 1e16) for delta in (-1e-19, 0.0, 0.5, -0.5, 1.0)]
        doubles += [10.0 ** e for e in range(-20, 22)] + [2.0 ** e for e in range(-1074, 1024, 7)]
        layer = FeatureFile("line")
        layer.add_line(list(zip(doubles[0::2], doubles[1::2])))
        opened = MapGisFile(layer.write(self.folder, "floats.WL"))
        opened.saveAsGeoJson(self.output)
        self.assertEqual(self.text(), expected_text(opened))


if __name__ == "__main__":
    unittest.main()


class BundledSampleTest(unittest.TestCase):
    def test_sample_parcels_convert(self):
        root = pathlib.Path(__file__).resolve().parent.parent / "examples" / "sample"
        opened = MapGisFile(str(root / "parcels.WP"), str(root / "Pcolor.lib"))
        features = list(opened.getFeature())
        self.assertEqual(len(features), 12)
        self.assertEqual([len(f["geometry"]["coordinates"]) for f in features].count(2), 1)  # the parcel with a hole
        self.assertTrue(all(ring[0] == ring[-1] for f in features for ring in f["geometry"]["coordinates"]))
        with tempfile.TemporaryDirectory() as folder:
            output = os.path.join(folder, "parcels.json")
            opened.saveAsGeoJson(output)
            with open(output, encoding="utf-8") as stream:
                self.assertEqual(stream.read(), expected_text(opened))
