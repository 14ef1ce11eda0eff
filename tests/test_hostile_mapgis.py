"""The MapGIS readers against script code that runs in the middle of a call:
the helpers, colour conversions, progress slots, attribute reads, comparisons,
hashes and releases a reader reaches, each emptying what is being read,
replacing an item, re-entering the reader or raising.

The GeoJSON export is held against its plain form, the export's steps written
in Python over the same object (its own getFeature, publish, and the host's
json): the export's own ways of writing features must not show. The colour
conversions are held against theirs. Elsewhere a call must give what the
reading rules give, or raise an Exception, with no file left open; a crash
ends the process (make sanitize, make hostile)."""
import codecs
import gc
import json
import os
import pathlib
import re
import shutil
import struct
import tempfile
import unittest
import weakref

from src import kestrinpy
from tests import fixtures
from tests.fixtures import FeatureFile
from tests.hostile import Hostile, HostileCase, OnRelease, calling, emptying, raising, replacing, returning
from tests.support import outcome, run_child

MapGisFile = kestrinpy.MapGisFile
ColorLib = kestrinpy.MapGisColorLib
KestrinBase = kestrinpy.KestrinBase


def open_descriptors():
    return len(os.listdir("/proc/self/fd"))


def layers(folder):
    """A line, a point and a polygon file of three features each, with a text,
    a byte and a double attribute and colours 1 to 3."""
    made = {}
    for kind in ("line", "point", "polygon"):
        layer = FeatureFile(kind)
        layer.add_field("名称", 0, size=8)
        layer.add_field("B", 1)
        layer.add_field("V", 5, digits=2)
        for k in range(3):
            values = [f"第{k}", k + 7, k * 1.005]
            if kind == "line":
                layer.add_line([(k, 0), (k, 1), (k + 0.5, 2)], attributes=values, Color=k + 1, SubColor=3 - k)
            elif kind == "point":
                sub = {0: dict(FontColor=k + 1), 1: dict(Color=k + 1, Height=2.5), 5: dict(Height=1.5)}
                layer.add_point(k, -k, point_type=[0, 1, 5][k], text=f"注{k}", attributes=values,
                                sub_fields=sub[[0, 1, 5][k]])
            else:
                arc = layer.add_arc([(k, 0), (k + 1, 0), (k + 1, 1), (k, 0)], k + 1, k + 1)
                layer.add_polygon([arc], attributes=values, FillColor=k + 1, PatternColor=2)
        made[kind] = layer.write(folder, f"layer.{kind}")
    return made


def colour_library(folder):
    return fixtures.write(folder, "Pcolor.lib", fixtures.colour_library(
        [(0, 10, 20, 30, 40, 50), (255, 0, 0, 0, 0, 0), (0, 255, 0, 0, 0, 0)]))


def plain_export(opened, file_name):
    """saveAsGeoJson as its steps read, in Python, over the object's own members."""
    with open(file_name, "w", encoding="utf-8") as stream:
        stream.write("{")
        text = json.dumps(opened.getCapabilities(), ensure_ascii=False)
        stream.write(re.search(r"[\s]*{([\s\S]+)}[\s]*", text, re.MULTILINE).group(1))
        stream.write(",")
        stream.write('"features":')
        stream.write("[")
        try:
            pointer = 0
            for feature in opened.getFeature():
                opened.publish("progress", {"index": pointer, "count": opened.FeatureCount})
                pointer += 1
                if pointer > 1:
                    stream.write(",")
                feature["properties"] = {name: value["value"] for name, value in feature["properties"].items()}
                stream.write(json.dumps(feature, ensure_ascii=False))
        finally:
            stream.write("]")
            stream.write("}")


def failure(error):
    """What is compared of an error: its type and text (the position in the text
    of an encoding error depends on how much is encoded at once)."""
    if isinstance(error, UnicodeEncodeError):
        return (UnicodeEncodeError, error.reason)
    return (type(error), str(error))


def exported(export, opened, file_name):
    """The text written, the error met (interrupts included) and the object's log."""
    try:
        export(opened, file_name)
        error = None
    except BaseException as caught:  # noqa: BLE001 - the failure itself is compared
        error = failure(caught)
    with open(file_name, encoding="utf-8", errors="surrogateescape") as stream:
        return stream.read(), error, opened.log


def logged(name, store):
    """A property `name` kept in the object's dictionary under `store`, whose
    every read goes into the object's log."""
    def read(self):
        self.log.append(name)
        return self.__dict__[store]

    def write(self, value):
        self.__dict__[store] = value
    return property(read, write)


class Logged(MapGisFile):
    """A MapGisFile that keeps a log of what its hostile parts saw."""

    def __init__(self, *args):
        self.log = []
        self.hooked = False  # the helpers' hooks act once the file is open
        super().__init__(*args)


# ---- export rows: each makes the object to export from the file's path ----

def mutable_time_stamp(path, folder):
    opened = Logged(path)
    opened.TimeStamp = []
    opened.subscribe("progress", lambda value: opened.TimeStamp.append(value["index"]))
    return opened


class Boxed(Logged):
    """Texts come in lists that a progress slot extends."""

    def bytesToStr(self, data, encoding="GB2312"):
        text = super().bytesToStr(data, encoding)
        if not self.hooked:
            return text
        box = [text]
        self.log.append(box)
        return box


def boxed_texts(path, folder):
    opened = Boxed(path)
    opened.hooked = True
    opened.subscribe("progress", lambda value: [box.append(value["index"]) for box in opened.log])
    return opened


class Label(str):
    pass


class Labelled(Logged):
    def bytesToStr(self, data, encoding="GB2312"):
        text = super().bytesToStr(data, encoding)
        return Label(text) if self.hooked else text


def labelled_texts(path, folder):
    opened = Labelled(path)
    opened.hooked = True
    return opened


def unencodable_text(path, folder):
    opened = Logged(path)
    opened.bytesToStr = lambda data, encoding="GB2312": KestrinBase.bytesToStr(data, encoding) + "\udc80"
    opened.subscribe("progress", lambda value: opened.log.append(value["index"]))
    return opened


def integer_too_long(path, folder):
    opened = Logged(path)
    opened.bytesInteger = lambda data: 10 ** 5000
    opened.subscribe("progress", lambda value: opened.log.append(value["index"]))
    return opened


def on_first_progress(change):
    """A progress slot that makes `change(opened)` at the first message."""
    def make(path, folder):
        opened = Logged(path)

        def slot(value):
            opened.log.append(value["index"])
            if value["index"] == 0:
                change(opened)
        opened.subscribe("progress", slot)
        return opened
    return make


def style_keys_changed(keys):
    return on_first_progress(lambda opened: setattr(opened, "StyleItems", list(keys)))


def schema_changed(path, folder):
    opened = Logged(path)

    def slot(value):
        fields = opened.FieldStruct["fields"]
        if value["index"] == 0:
            fields[2] = dict(fields[2], name=fields[0]["name"])  # two fields under one name
            opened.Encoding = "utf-8"
        elif value["index"] == 1:
            fields[0] = dict(fields[0], name=3, type=Label("string"))
    opened.subscribe("progress", slot)
    return opened


class Kept(Logged):
    def getFeature(self):
        self.kept = super().getFeature()
        return self.kept


def stream_kept_by_the_object(path, folder):
    opened = Kept(path)
    opened.subscribe("progress", lambda value: opened.log.append(json.dumps(next(opened.kept, None))))
    return opened


def stream_found_through_the_collector(path, folder):
    # Nothing but the export holds the stream, yet the collector lists it: a
    # slot that takes a feature from it gets the feature itself.
    stream_type = type(kestrinpy.MapGisFile.getFeature(None))
    opened = Logged(path)

    def slot(value):
        for found in gc.get_objects():
            if type(found) is stream_type and any(part is opened for part in gc.get_referents(found)):
                opened.log.append(json.dumps(next(found, None)))

    opened.subscribe("progress", slot)
    return opened


class Watched(Logged):
    subscribers = logged("subscribers", "table")


def subscribers_watched(with_slot):
    def make(path, folder):
        opened = Watched(path)
        if with_slot:
            opened.subscribe("progress", lambda value: None)
        del opened.log[:]
        return opened
    return make


class Shrinking(dict):
    """A property dictionary whose read of `value` empties the feature's properties."""

    def __getitem__(self, key):
        self.outer.clear()
        return dict.__getitem__(self, key)


class Scripted(Logged):
    def getFeature(self):
        outer = {}
        outer.update(a=Shrinking(value=1), b=Shrinking(value=2))
        for item in outer.values():
            item.outer = outer
        yield {"type": "Feature", "properties": outer}


def bus_key_compared(path, folder):
    """A key of the bus that stands for "progress" and logs each comparison."""
    opened = Logged(path)
    opened.subscribers[Hostile("progress", "__eq__", calling(opened.log.append, "compared"))] = []
    return opened


def subscribers_beside_a_key(path, folder):
    """A key of the object's own attributes that hashes as `subscribers` and logs
    each comparison; the first subscribes a slot."""
    opened = Logged(path)

    def compared():
        if not opened.hooked:
            return
        opened.log.append("compared")
        if opened.log.count("compared") == 1:
            opened.__dict__["subscribers"]["progress"] = [lambda value: opened.log.append(value["index"])]
    key_beside(opened, "subscribers", compared)
    opened.hooked = True
    return opened


class PublishSwapped(Logged):
    """Each read of FeatureCount swaps the object's publish for a logging one, or back."""

    @property
    def FeatureCount(self):
        if "publish" in self.__dict__:
            del self.publish
        else:
            self.publish = lambda key, value: self.log.append(("swapped", value["index"]))
        return self.__dict__["count"]

    @FeatureCount.setter
    def FeatureCount(self, value):
        self.__dict__["count"] = value


def publish_swapped_by_the_count(path, folder):
    opened = PublishSwapped(path)
    opened.subscribe("progress", lambda value: opened.log.append(("slot", value["index"])))
    return opened


def properties_emptied_while_flattened(path, folder):
    return Scripted(path)


def export_reentered(path, folder):
    opened = Logged(path)
    nested = str(folder / f"nested-{len(os.listdir(folder))}.json")

    def slot(value):
        if value["index"] == 0 and not opened.log:  # once: the export inside has this slot too
            opened.log.append("inside")
            opened.saveAsGeoJson(nested)
            opened.log.append(pathlib.Path(nested).read_text(encoding="utf-8"))
            opened.log.append(len(list(opened.getFeature())))
    opened.subscribe("progress", slot)
    return opened


def interrupted(path, folder):
    opened = Logged(path)

    def slot(value):
        if value["index"] == 1:
            raise KeyboardInterrupt
    opened.subscribe("progress", slot)
    return opened


def old_style_items_released(path, folder):
    opened = Logged(path)

    def released():
        opened.TimeStamp = "released"
        opened.StyleItems = ["z"] * 26  # the run's own list goes at once
    opened.StyleItems = [OnRelease(released)]
    return opened


def fields_emptied_while_read(path, folder):
    opened = Logged(path)
    fields = opened.FieldStruct["fields"]
    fields[0] = dict(fields[0], size=Hostile(8, "__index__", emptying(fields), times=1))
    return opened


def field_replaced_while_compared(path, folder):
    opened = Logged(path)
    fields = opened.FieldStruct["fields"]
    fields[1] = dict(fields[1], typeCode=Hostile(1, "__eq__", replacing(fields, 1, {"name": "X"}), times=1))
    return opened


def decimals_that_empty_the_schema(path, folder):
    opened = Logged(path)
    fields = opened.FieldStruct["fields"]
    fields[2] = dict(fields[2], decimal=Hostile(2, "__str__", emptying(opened.FieldStruct), times=1))
    return opened


# ---- export rows of the host's own types, shared and holding themselves ----

def shared_field(opened):
    fields = opened.FieldStruct["fields"]
    fields[1] = fields[0]  # one dictionary twice: two values under one name


def schema_list_in_itself(opened):
    fields = opened.FieldStruct["fields"]
    fields.append(fields)


def shared_directory(opened):
    heads = opened._featureDataHeads
    heads.extend(heads[:3])
    heads.append(heads)


def style_keys_in_themselves(opened):
    keys = [f"k{k}" for k in range(26)]
    keys.append(keys)
    opened.StyleItems = keys


def style_keys_as_time_stamp(opened):
    opened.TimeStamp = opened.StyleItems


def time_stamp_in_itself(opened):
    stamp = ["t"]
    stamp.append([stamp])
    opened.TimeStamp = stamp


def shared_time_stamp(opened):
    part = ["t", 1.5]
    opened.TimeStamp = [part, {"a": part}, part]


def slots_as_time_stamp(opened):
    opened.TimeStamp = opened.subscribers["progress"]


def parameters_in_themselves(path, folder):
    opened = Logged(path)
    opened.Parameters["self"] = opened.Parameters
    return opened


def shared_summary_parts(path, folder):
    opened = Logged(path)
    opened.BBox = [opened.BBox, opened.BBox, opened.Parameters]
    return opened


def progress_slots_of_two_keys(path, folder):
    opened = Logged(path)
    opened.subscribe("progress", lambda value: opened.log.append(value["index"]))
    opened.subscribers["other"] = opened.subscribers["progress"]
    opened.subscribe("other", lambda value: opened.log.append(("other", value["index"])))
    return opened


def progress_entry_the_table(path, folder):
    opened = Logged(path)
    opened.subscribers["progress"] = opened.subscribers
    return opened


class Repeating(Logged):
    """A stream of a script's that shares parts between features, hands one
    feature out twice and ends with a feature that holds itself."""

    def getFeature(self):
        part = [1, {"x": 2.5}]
        feature = {"type": "Feature", "properties": {"a": {"value": part}}}
        yield feature
        yield {"type": "Feature", "geometry": part, "properties": {"b": {"value": part}, "c": {"value": part}}}
        looped = {"type": "Feature", "properties": {}}
        looped["geometry"] = [looped]
        yield looped
        yield feature


def features_shared_and_in_themselves(path, folder):
    return Repeating(path)


EXPORT_ROWS = [
    ("a time stamp the slot changes", mutable_time_stamp),
    ("texts in lists the slot extends", boxed_texts),
    ("texts of a str subclass", labelled_texts),
    ("a text UTF-8 cannot hold", unencodable_text),
    ("an integer too long for text", integer_too_long),
    ("style keys JSON refuses", style_keys_changed([("t",)] * 26)),
    ("style keys of other types", style_keys_changed([7, 7.5, None, "x", True] + [f"s{k}" for k in range(21)])),
    ("one style key for all", style_keys_changed(["k"] * 26)),
    ("a schema the slot changes", schema_changed),
    ("a stream the object keeps", stream_kept_by_the_object),
    ("a stream found through the collector", stream_found_through_the_collector),
    ("subscribers behind a property", subscribers_watched(True)),
    ("subscribers behind a property, no slot", subscribers_watched(False)),
    ("a bus key that compares with a script's code", bus_key_compared),
    ("a key of a script's beside the bus", subscribers_beside_a_key),
    ("publish swapped by the read of the count", publish_swapped_by_the_count),
    ("properties emptied while flattened", properties_emptied_while_flattened),
    ("an export and a stream inside a slot", export_reentered),
    ("an interrupt in a slot", interrupted),
    ("the old StyleItems let go", old_style_items_released),
    ("the field list emptied while read", fields_emptied_while_read),
    ("a field replaced while compared", field_replaced_while_compared),
    ("the schema emptied by a decimal's str", decimals_that_empty_the_schema),
    ("one field dictionary twice", on_first_progress(shared_field)),
    ("a field list that holds itself", on_first_progress(schema_list_in_itself)),
    ("directory entries shared, the directory in itself", on_first_progress(shared_directory)),
    ("style keys in a list that holds itself", on_first_progress(style_keys_in_themselves)),
    ("the style keys as the time stamp", on_first_progress(style_keys_as_time_stamp)),
    ("a time stamp that holds itself", on_first_progress(time_stamp_in_itself)),
    ("a time stamp of shared parts", on_first_progress(shared_time_stamp)),
    ("the progress slots as the time stamp", on_first_progress(slots_as_time_stamp)),
    ("parameters that hold themselves", parameters_in_themselves),
    ("summary parts shared", shared_summary_parts),
    ("one slot list under two keys", progress_slots_of_two_keys),
    ("a progress entry that is the table itself", progress_entry_the_table),
    ("features shared and holding themselves", features_shared_and_in_themselves),
]


class HostileMapGisCase(HostileCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        self.layers = layers(self.folder)
        self.library = colour_library(self.folder)
        self.descriptors = open_descriptors()

    def tearDown(self):
        gc.collect()
        self.assertEqual(open_descriptors(), self.descriptors, "a file was left open")

    def use_colour_class(self, cls):
        saved = kestrinpy.MapGisColorLib
        kestrinpy.MapGisColorLib = cls
        self.addCleanup(setattr, kestrinpy, "MapGisColorLib", saved)


class ExportTest(HostileMapGisCase):
    """saveAsGeoJson writes what its plain form writes, with the same messages,
    errors and slot calls, whatever the parts it calls do."""

    def compare(self, label, make):
        for kind, path in self.layers.items():
            row = f"{label}, {kind}"
            module = exported(lambda opened, name: opened.saveAsGeoJson(name), make(path, self.folder),
                              str(self.folder / "module.json"))
            plain = exported(plain_export, make(path, self.folder), str(self.folder / "plain.json"))
            with self.subTest(row):
                self.assertEqual(module, plain)

    def test_rows(self):
        for label, make in EXPORT_ROWS:
            self.compare(label, make)

    def test_colours_of_a_script(self):
        class Swatches(ColorLib):
            """HEX answers lists that a progress slot extends."""

            def HEX(self, index=1, defaultColor="#000000"):
                swatch = [super().HEX(index, defaultColor)]
                Swatches.made.append(swatch)
                return swatch

        def make(path, folder):
            Swatches.made = []
            opened = Logged(path, self.library)
            opened.subscribe("progress", lambda value: [swatch.append(0) for swatch in Swatches.made])
            return opened

        self.use_colour_class(Swatches)
        self.compare("colours in lists the slot extends", make)


class StreamTest(HostileMapGisCase):
    """getFeature reads what the object holds at each read, as the stream's
    rules say, and fast paths that read less never show."""

    def test_style_items_read_for_every_entry(self):
        class Counted(Logged):
            StyleItems = logged("StyleItems", "items")

        def beside(opened):
            return key_beside(opened, "StyleItems", lambda: opened.log.append("StyleItems"))

        # (label, class, change answering the log entries of one read, log entries of the run's own setting)
        rows = [("behind a property", Counted, lambda opened: 1, 0), ("beside a key of a script's", Logged, beside, 1)]
        for label, cls, change, writes in rows:
            for kind, path in self.layers.items():
                with self.subTest(label, kind=kind):
                    opened = cls(path, self.library)
                    per_read = change(opened)
                    features = list(opened.getFeature())
                    reads = sum(len(feature["style"]) for feature in features)
                    self.assertEqual(opened.log.count("StyleItems"), per_read * (reads + writes))

    def test_colour_asked_of_hex_for_every_entry(self):
        class Beside(ColorLib):
            """Its own attributes hold a key that hashes as HEX and logs each comparison."""
            log = []

            def __init__(self, name=None):
                super().__init__(name)
                Beside.per_look_up = key_beside(self, "HEX", lambda: Beside.log.append("HEX"))

        self.use_colour_class(Beside)
        colours = {"color", "subColor", "circleColor", "fillColor", "patternColor"}
        for kind, path in self.layers.items():
            with self.subTest(kind):
                Beside.log = []
                features = list(MapGisFile(path, self.library).getFeature())
                asked = sum(len(colours & set(feature["style"])) for feature in features)
                self.assertEqual(len(Beside.log), Beside.per_look_up * asked)

    def test_colour_library_changed_between_features(self):
        class Other(ColorLib):
            def RGB(self, index=1, defaultColor=(0, 0, 0)):
                return (1, 2, 3)

        def own(attribute, value):
            return lambda lib: setattr(lib, attribute, value)

        def of_class(attribute, value):
            return lambda lib: setattr(type(lib), attribute, value)

        rows = [  # (label, change made after the first feature, colour of the features after it)
            ("count", own("count", 0), "#000000"),
            ("buffer", own("_MapGisColorLib__ColorBuffer", bytes(96)), "#FFFFFF"),
            ("HEX of its own", own("HEX", lambda *args: "#ABCDEF"), "#ABCDEF"),
            ("HEX of its class", of_class("HEX", lambda self, *args: "#ABCDEF"), "#ABCDEF"),
            ("count behind a property of its class", of_class("count", property(lambda self: 0)), "#000000"),
            ("its class", lambda lib: setattr(lib, "__class__", Other), "#010203"),
            ("its attributes replaced", lambda lib: setattr(lib, "__dict__", dict(vars(lib), count=0)), "#000000"),
        ]
        for label, change, expected in rows:
            held = []

            class Held(ColorLib):
                def __init__(self, name=None):
                    super().__init__(name)
                    held.append(weakref.ref(self))

            self.use_colour_class(Held)
            with self.subTest(label):
                stream = MapGisFile(self.layers["line"], self.library).getFeature()
                first = next(stream)["style"]["color"]
                change(held[-1]())
                self.assertEqual([first] + [feature["style"]["color"] for feature in stream],
                                 ["#F5B585", expected, expected])

    def test_style_key_whose_hash_changes_style_items(self):
        opened = MapGisFile(self.layers["line"], self.library)
        later = [f"later{k}" for k in range(10)]
        first = Hostile("lineNo", "__hash__", calling(setattr, opened, "StyleItems", later), times=1)

        def set_keys():
            opened.StyleItems = [first] + [f"old{k}" for k in range(1, 10)]

        stream = opened.getFeature()
        set_keys_once = OnRelease(set_keys)
        opened.StyleItems = [set_keys_once]  # let go when the run sets its own list
        del set_keys_once
        style = next(stream)["style"]
        stream.close()
        self.assertEqual([getattr(key, "value", key) for key in style], ["lineNo"] + later[1:])

    def hostile_rows(self):
        """(label, make) where make() answers a stream to drain; none has a plain form."""
        def opened(kind="line", cls=MapGisFile):
            return cls(self.layers[kind], self.library)

        def heads_emptied_by_a_text():
            layer = opened("point")
            heads = layer._featureDataHeads
            layer.bytesToStr = lambda data, encoding="GB2312": heads.clear() or "t"
            return layer.getFeature()

        def head_emptying_its_list():
            layer = opened()
            heads = layer._featureDataHeads
            heads[1] = Hostile(heads[1], "__getitem__", emptying(heads))
            return layer.getFeature()

        def style_items_emptied_by_a_colour():
            class Emptying(ColorLib):
                def HEX(self, index=1, defaultColor="#000000"):
                    layer.StyleItems.clear()
                    return defaultColor

            self.use_colour_class(Emptying)
            layer = opened()
            return layer.getFeature()

        def stream_closed_from_inside():
            layer = opened("point")
            layer.bytesToStr = lambda data, encoding="GB2312": layer.stream.close()
            layer.stream = layer.getFeature()
            return layer.stream

        def stream_thrown_into_from_inside():
            layer = opened("point")
            layer.bytesToStr = lambda data, encoding="GB2312": layer.stream.throw(KeyError("x"))
            layer.stream = layer.getFeature()
            return layer.stream

        def stream_holder_let_go_from_inside():
            layer = opened()
            layer.log = [layer.getFeature()]
            fields = layer.FieldStruct["fields"]
            fields[0] = dict(fields[0], size=Hostile(8, "__index__", emptying(layer.log)))
            return layer.log[0]

        def streams_nested_in_a_codec():
            layer = opened("point")

            def search(name):
                if name == "hostile_nested":
                    def decode(data, errors="strict"):
                        if not layer.log:  # once: the run inside decodes with this codec too
                            layer.log.append("inside")
                            layer.log.append(len(list(layer.getFeature())))
                        return data.decode("latin-1"), len(data)
                    return codecs.CodecInfo(None, decode, name="hostile_nested")
            codecs.register(search)
            self.addCleanup(codecs.unregister, search)
            layer.log = []
            layer.Encoding = "hostile_nested"
            return layer.getFeature()

        def encoding_a_str_subclass():
            layer = opened("point")
            layer.Encoding = Label("GB2312")
            return layer.getFeature()

        def colour_library_that_reenters():
            class Reentering(ColorLib):
                inside = False

                def HEX(self, index=1, defaultColor="#000000"):
                    if not Reentering.inside:  # once: the export inside makes its own library
                        Reentering.inside = True
                        layer.saveAsGeoJson(str(self_folder / "inner.json"))
                    return super().HEX(index, defaultColor)

            self_folder = self.folder
            self.use_colour_class(Reentering)
            layer = opened("polygon")
            return layer.getFeature()

        def field_dictionary_raising():
            layer = opened()
            fields = layer.FieldStruct["fields"]
            fields[1] = dict(fields[1], typeCode=Hostile(1, "__eq__", raising(ArithmeticError("no"))))
            return layer.getFeature()

        def time_stamp_let_go_between_features():
            layer = opened()
            layer.TimeStamp = OnRelease(lambda: layer.FieldStruct["fields"].clear())
            stream = layer.getFeature()
            first = next(stream)
            layer.TimeStamp = "now"
            first.clear()  # lets the old stamp go: the features after it read no field
            return stream

        def colour_library_released_by_the_run():
            class Dying(ColorLib):
                def __del__(self):
                    if not layer.log:  # once: the run inside lets its own library go too
                        layer.log.append(len(list(layer.getFeature())))
                        layer.StyleItems = None

            self.use_colour_class(Dying)
            layer = opened("polygon")
            layer.log = []
            return layer.getFeature()

        def file_name_of_a_folder():
            layer = opened()
            layer.FileName = str(self.folder)
            return layer.getFeature()

        return [
            ("directory emptied by a point's text", heads_emptied_by_a_text),
            ("a file name that names a folder", file_name_of_a_folder),
            ("a directory entry that empties the directory", head_emptying_its_list),
            ("StyleItems emptied by a colour", style_items_emptied_by_a_colour),
            ("the stream closed from inside", stream_closed_from_inside),
            ("the stream thrown into from inside", stream_thrown_into_from_inside),
            ("a holder of the stream let go from inside", stream_holder_let_go_from_inside),
            ("streams nested in a codec", streams_nested_in_a_codec),
            ("an encoding of a str subclass", encoding_a_str_subclass),
            ("a colour library that exports again", colour_library_that_reenters),
            ("a type code that raises", field_dictionary_raising),
            ("a time stamp whose release empties the schema", time_stamp_let_go_between_features),
            ("a colour library whose release starts a stream", colour_library_released_by_the_run),
        ]

    def test_hostile_rows(self):
        expected = {
            "directory emptied by a point's text": (IndexError, "list index out of range"),
            "StyleItems emptied by a colour": (IndexError, "list index out of range"),
            "the stream closed from inside": (ValueError, "generator already executing"),
            "the stream thrown into from inside": (ValueError, "generator already executing"),
            "an encoding of a str subclass": (TypeError, "Argument 'encoding' has incorrect type "
                                                         "(expected str, got Label)"),
            "a type code that raises": (ArithmeticError, "no"),
        }
        for label, make in self.hostile_rows():
            got = self.check(label, lambda: [feature for feature in make()])
            if label in expected:
                with self.subTest(label):
                    self.assertEqual(got, expected[label])
            elif label == "a time stamp whose release empties the schema":
                with self.subTest(label):
                    self.assertEqual([feature["properties"] for feature in got], [{}, {}])


# ---- positions from values a script set ----

def padded_layer(folder, kind):
    """A file of one feature of `kind` whose vertices, text or arc list lie 16
    bytes or more into the coordinate area, so that a start of that area near
    2**63 puts them past what 64 bits hold."""
    layer = FeatureFile(kind)
    layer.add_field("N", 0, size=4)
    layer.add_coordinates(bytes(16))
    if kind == "line":
        layer.add_line([(0, 0), (1, 1)], attributes=["a"])
    elif kind == "point":
        layer.add_point(1, 2, point_type=0, text="t", attributes=["a"])
    else:
        layer.add_polygon([layer.add_arc([(0, 0), (1, 0), (1, 1), (0, 0)], 1, 1)], attributes=["a"])
    return layer.write(folder, f"padded.{kind}")


class PositionTest(HostileMapGisCase):
    """Positions worked out from directory starts, the schema and the record
    count of the object, as a script may set them: worked out exactly, and
    refused where the host's seek would refuse them."""

    TOO_FAR = (ValueError, "cannot fit 'int' into an offset-sized integer")
    TOP = 2 ** 63 - 1

    def stream(self, kind, change):
        opened = MapGisFile(str(padded_layer(self.folder, kind)))
        change(opened)
        got = []
        try:
            for feature in opened.getFeature():
                got.append(feature["id"])
        except Exception as error:  # noqa: BLE001 - the failure itself is compared
            got.append((type(error), str(error)))
        return got

    def test_sums_beyond_64_bits(self):
        def start(entry, value):
            def change(opened):
                heads = opened._featureDataHeads
                heads[entry] = (value,) + tuple(heads[entry][1:])
            return change

        def attributes_at_the_top(opened):
            schema = opened.FieldStruct  # the record's position is then 2**63 - 1, its first value one further
            start(2, self.TOP - schema["fieldSize"] - schema["fieldLength"])(opened)

        def schema_value(key, value):
            return lambda opened: opened.FieldStruct.__setitem__(key, value)

        def count(value):
            return lambda opened: setattr(opened, "RecordCount", value)

        rows = [
            ("line records", "line", start(0, self.TOP), [self.TOO_FAR]),
            ("line vertices", "line", start(1, self.TOP - 8), [self.TOO_FAR]),
            ("a point's text", "point", start(1, self.TOP - 8), [self.TOO_FAR]),
            ("a polygon's arc list", "polygon", start(1, self.TOP - 8), [self.TOO_FAR]),
            ("polygon records", "polygon", start(8, self.TOP), [self.TOO_FAR]),
            ("arc records", "polygon", start(0, self.TOP), [self.TOO_FAR]),
            ("arc topology", "polygon", start(3, self.TOP), [self.TOO_FAR]),
            ("attribute records", "line", start(2, self.TOP), [self.TOO_FAR]),
            ("the first value of an attribute record", "line", attributes_at_the_top, [self.TOO_FAR]),
            ("a start beyond 64 bits", "line", start(0, 2 ** 64), [self.TOO_FAR]),
            ("an attribute start beyond 64 bits", "point", start(2, -2 ** 64), [self.TOO_FAR]),
            ("a schema size near 2**63", "line", schema_value("fieldSize", self.TOP), [self.TOO_FAR]),
            ("sizes beyond 64 bits that cancel", "line",
             lambda opened: (schema_value("fieldSize", 2 ** 70 + opened.FieldStruct["fieldSize"])(opened),
                             start(2, opened._featureDataHeads[2][0] - 2 ** 70)(opened)), [0]),
            ("an attribute start that is no int", "line", start(2, 1.5),
             [(TypeError, "Argument 'position' has incorrect type (expected int, got float)")]),
            ("a record count beyond 64 bits", "line", count(2 ** 64),
             [0, (struct.error, "unpack requires a buffer of 57 bytes")]),
            ("a record count below -2**63", "line", count(-2 ** 64), []),
        ]
        for label, kind, change, expected in rows:
            with self.subTest(label):
                self.assertEqual(self.stream(kind, change), expected)

    def test_schema_start_beyond_64_bits(self):
        class FarSchema(MapGisFile):
            def __setattr__(self, name, value):
                super().__setattr__(name, value)
                if name == "FileType" and value is not None:
                    self._featureDataHeads[2] = (2 ** 64, 0, 0)

        self.assertEqual(outcome(FarSchema, str(self.layers["line"])), self.TOO_FAR)


# ---- the colour library against its plain form ----

def plain_cmyk(self, index=1, defaultColor=(0, 0, 0, 100)):
    if not 1 <= index <= self.count:
        return defaultColor
    k, c, m, y, m100y100, m25y100, _ = struct.unpack(
        "<4B2B26s", self._MapGisColorLib__ColorBuffer[32 * (index - 1):32 * index])
    p = round(100.0 * m100y100 / 255.0)
    q = round(100.0 * m25y100 / 255.0)
    return (round(100.0 * c / 255.0), min(round(100.0 * m / 255.0 + p + q * 0.25), 100),
            min(round(100.0 * y / 255.0 + p + q), 100), round(100.0 * k / 255.0))


def plain_rgb(self, index=1, defaultColor=(0, 0, 0)):
    if not 1 <= index <= self.count:
        return defaultColor
    answer = self.CMYK(index)
    if answer is None:
        return defaultColor
    c, m, y, k = answer
    c, m, y, k = c / 100.0, m / 100.0, y / 100.0, k / 100.0
    return tuple(max(min(round((255 * (1 - share)) * (1 - k)), 255), 0) for share in (c, m, y))


def plain_hex(self, index=1, defaultColor="#000000"):
    if not 1 <= index <= self.count:
        return defaultColor
    answer = self.RGB(index)
    if answer is None:
        return defaultColor
    r, g, b = answer
    return "#{:02X}{:02X}{:02X}".format(r, g, b)


PLAIN_COLOURS = {"CMYK": plain_cmyk, "RGB": plain_rgb, "HEX": plain_hex}


def plain_class(cls):
    """`cls` with the plain forms of the conversions it does not replace itself."""
    members = {name: method for name, method in PLAIN_COLOURS.items() if getattr(cls, name) is getattr(ColorLib, name)}
    return type(cls.__name__, (cls,), members)


class Acting(int):
    """An int that runs `action` first in the slot its class writes out."""

    def __new__(cls, value, action):
        self = super().__new__(cls, value)
        self.action = action
        return self


class Count(Acting):
    """A colour count whose comparisons run the action (1 <= index <= count asks count >= index)."""

    def __ge__(self, other):
        self.action(other)
        return int(self) >= other


class Logging(ColorLib):
    def __init__(self, name=None):
        self.log = []
        super().__init__(name)


class CountBehindAProperty(Logging):
    count = logged("count", "n")


class BufferBehindAProperty(Logging):
    _MapGisColorLib__ColorBuffer = logged("buffer", "buffer")


class CountThatGoes(Logging):
    """Its count, once a change puts the property in, takes itself away when read."""


def count_that_goes(lib):
    def read(self):
        del CountThatGoes.count
        self.count = 0
        return 3
    CountThatGoes.count = property(read)


def key_beside(lib, name, action):
    """Puts a key into lib's own attributes that hashes as `name`, runs `action`
    when compared and never matches, ahead of the entry `name` may have there.
    Answers how often one look-up of `name` compares it (the host's probing of
    a small table may meet it more than once)."""
    attributes = lib.__dict__
    entry = attributes.pop(name, Ellipsis)
    measured = []

    def compared():
        if measured:
            measured.append(None)
        else:
            action()
    attributes[Hostile(name, "__eq__", returning(False, before=compared))] = None
    measured.append(None)  # the comparisons below are only counted
    if entry is not Ellipsis:
        attributes[name] = entry
    del measured[1:]
    attributes.get(name)
    per_look_up = len(measured) - 1
    measured.clear()
    return per_look_up


class Channel(Acting):
    """A channel whose text form runs the action first."""

    def __format__(self, spec):
        self.action()
        return int.__format__(self, spec)


class ColourLibraryTest(HostileMapGisCase):
    CALLS = [("HEX", (1,)), ("HEX", (3, "x")), ("RGB", (2,)), ("CMYK", (1,)), ("HEX", (0, "d")), ("RGB", (4,))]

    def rows(self):
        def counted(lib):
            lib.count = Count(lib.count, lambda index: lib.log.append(("count >=", index)))

        def buffer_shrinking(lib):
            data = lib._MapGisColorLib__ColorBuffer
            lib._MapGisColorLib__ColorBuffer = Hostile(data, "__getitem__", calling(setattr, lib, "count", 1))

        def channels_reentering(lib):
            def rgb(index=1, defaultColor=(0, 0, 0)):
                lib.log.append(index)
                return (Channel(1, lambda: lib.log.append(lib.CMYK(2))), 2,
                        Channel(3, lambda: setattr(lib, "count", 0)))
            lib.RGB = rgb

        def shares_of_a_script(lib):
            class Share(float):
                def __truediv__(self, other):
                    lib.count = 0
                    return float(self) / other
            lib.CMYK = lambda index=1, defaultColor=(): (Share(10.0), 20, 30.5, 40)

        def reinitialised(lib):
            lib.count = OnRelease(lambda: lib.log.append(lib.HEX(1)))
            lib.__init__(self.library)

        return [
            ("count behind a property", CountBehindAProperty, None),
            ("buffer behind a property", BufferBehindAProperty, None),
            ("count whose comparison is logged", Logging, counted),
            ("buffer whose slice lowers the count", Logging, buffer_shrinking),
            ("channels whose text re-enters", Logging, channels_reentering),
            ("shares whose division empties", Logging, shares_of_a_script),
            ("old count released by a new construction", Logging, reinitialised),
            ("count behind a property that takes itself away", CountThatGoes, count_that_goes),
            ("a key of a script's beside RGB that empties the count",
             Logging, lambda lib: key_beside(lib, "RGB", lambda: setattr(lib, "count", 0))),
            ("a key of a script's beside the count",
             Logging, lambda lib: key_beside(lib, "count", lambda: lib.log.append("count looked up"))),
        ]

    def run_calls(self, cls, change):
        lib = cls(self.library)
        if change:
            change(lib)
        return [outcome(getattr(lib, name), *args) for name, args in self.CALLS], lib.log

    def test_rows(self):
        for label, cls, change in self.rows():
            self.check(label, lambda: self.run_calls(cls, change), lambda: self.run_calls(plain_class(cls), change))

    def test_default_place_resolved_by_a_script(self):
        beside = pathlib.Path(self.folder) / "MapGIS" / "Slib"
        beside.mkdir(parents=True)
        (beside / "Pcolor.lib").write_bytes(fixtures.colour_library([(0, 255, 0, 0, 0, 0)]))
        saved_file, saved_realpath = kestrinpy.__file__, os.path.realpath
        self.addCleanup(setattr, kestrinpy, "__file__", saved_file)
        self.addCleanup(setattr, os.path, "realpath", saved_realpath)
        kestrinpy.__file__ = str(self.folder / "kestrinpy.so")
        place = str(beside / "Pcolor.lib")
        for answer, expected in [(b"bytes", (TypeError, "argument should be a str or an os.PathLike object where "
                                                        "__fspath__ returns a str, not 'bytes'")),
                                 (12345, (TypeError, "argument should be a str or an os.PathLike object where "
                                                     "__fspath__ returns a str, not 'int'")),
                                 (Label(place), (str, place, 1))]:
            os.path.realpath = lambda path, strict=False, answer=answer: answer
            with self.subTest(answer=answer):
                got = outcome(lambda: ColorLib())
                if isinstance(got, ColorLib):
                    got = (type(got.PcolorLibFile), got.PcolorLibFile, got.count)
                self.assertEqual(got, expected)


# ---- opening files ----

class OpeningTest(HostileMapGisCase):
    """MapGisFile and MapGisProject with helpers and comparisons of a script's:
    a value or an Exception, never a crash, and the file closed."""

    def test_rows(self):
        project = fixtures.write(self.folder, "p.MPJ", fixtures.project_file(
            [dict(Type=k % 4, File=f"f{k}.WL".encode()) for k in range(4)]))
        line = self.layers["line"]

        class MagicThatEmpties(MapGisFile):
            def bytesToStr(self, data, encoding="GB2312"):
                text = super().bytesToStr(data, encoding)
                return Hostile(text, "__eq__", emptying(self.__dict__)) if text.startswith("WMAP") else text

        class CodesThatRaise(MapGisFile):
            def bytesInteger(self, data):
                return Hostile(super().bytesInteger(data), "__eq__", raising(LookupError("code")))

        class NamesThatReplaceTheSchema(MapGisFile):
            def bytesToStr(self, data, encoding="GB2312"):
                text = super().bytesToStr(data, encoding)
                if self.FieldStruct is not None:
                    self.FieldStruct = {"replaced": True}
                return text

        class DirectoryEmptiedWithTheType(MapGisFile):
            def __setattr__(self, name, value):
                super().__setattr__(name, value)
                if name == "FileType" and value is not None:
                    self._featureDataHeads.clear()

        class ProjectThatDropsItsFiles(kestrinpy.MapGisProject):
            def bytesToStr(self, data, encoding="GB2312"):
                if self.Files:
                    self.Files = None
                return super().bytesToStr(data, encoding)

        class ProjectTypesThatReplace(kestrinpy.MapGisProject):
            def bytesInteger(self, data):
                return Hostile(super().bytesInteger(data), "__eq__", calling(setattr, self, "Description", None))

        def reopened():
            opened = MapGisFile(line)
            opened.FieldStruct = OnRelease(lambda: opened.__init__(line))  # let go inside the new construction
            opened.__init__(line)
            return opened.FeatureCount, opened.FieldStruct["fieldCount"]

        def reread_project():
            opened = kestrinpy.MapGisProject(project)
            opened.Files = OnRelease(calling(kestrinpy.MapGisProject, project))
            opened.__init__(project)
            return len(opened.Files)

        def raising_project():
            class Raising(kestrinpy.MapGisProject):
                def bytesToStr(self, data, encoding="GB2312"):
                    if self.Files:
                        raise KeyError("second")
                    return super().bytesToStr(data, encoding)

            opened = Raising.__new__(Raising)
            outcome(opened.__init__, project)
            return opened.Description["files"], len(opened.Files)

        rows = [
            ("a magic whose comparison empties the object", lambda: MagicThatEmpties(line).FileType,
             "LineString"),
            ("codes whose comparison raises", lambda: CodesThatRaise(line).EPSG, (LookupError, "code")),
            ("field names that replace the schema",
             lambda: sorted(NamesThatReplaceTheSchema(line).FieldStruct), ["fields", "replaced"]),
            ("a directory emptied when the file type is set", lambda: DirectoryEmptiedWithTheType(line).FieldStruct,
             (IndexError, "list index out of range")),
            ("a project that drops its file list", lambda: ProjectThatDropsItsFiles(project).Files,
             (AttributeError, "'NoneType' object has no attribute 'append'")),
            ("project types whose comparison clears the description",
             lambda: [entry["type"] for entry in ProjectTypesThatReplace(project).Files],
             ["LineString", "Point", "Polygon", "Unknown"]),
            ("a file opened again inside its own release", reopened, (3, 3)),
            ("a project read again inside its own release", reread_project, 4),
            ("a project helper that raises at the second entry", raising_project, (4, 1)),
        ]
        for label, call, expected in rows:
            with self.subTest(label):
                self.assertEqual(self.check(label, call), expected)

    def test_queries(self):
        line = self.layers["line"]

        def schema_emptied_while_summarised():
            opened = MapGisFile(line)
            schema = opened.FieldStruct
            opened.FieldStruct = Hostile(schema, "__getitem__", emptying(schema), times=1)
            return opened.getCapabilities()

        def summary_inside_its_own_epsg():
            opened = MapGisFile(line)
            opened.EPSG = Hostile(4326, "__format__", calling(opened.getCapabilities))
            return opened.getCapabilities()["crs"]["properties"]["name"]

        class Emptied(dict):
            def get(self, key, default=None):
                found = dict.get(self, key, default)
                found.clear()
                return found

        def fields_emptied_by_their_look_up():
            opened = MapGisFile(line)
            opened.FieldStruct = Emptied(opened.FieldStruct)
            return opened.describeProperty()

        rows = [
            ("the schema emptied while summarised", schema_emptied_while_summarised, (KeyError, "'fieldCount'")),
            ("the summary asked for inside its own EPSG", summary_inside_its_own_epsg, "EPSG:4326"),
            ("fields emptied by their look-up", fields_emptied_by_their_look_up, []),
        ]
        for label, call, expected in rows:
            with self.subTest(label):
                self.assertEqual(self.check(label, call), expected)


# ---- every method with receivers of every kind ----

class Layer(kestrinpy.Messenger):
    """A class that answers the summary and the stream of an export by itself."""
    FeatureCount = 1

    @staticmethod
    def getCapabilities():
        return {"type": "FeatureCollection"}

    @staticmethod
    def getFeature():
        yield {"type": "Feature", "properties": {"a": {"value": 1}}}


def shown(call):
    """What a call answers (generators drained), or the type name and text of
    its error, as JSON can carry it."""
    try:
        result = call()
        if type(result).__name__ == "generator":
            result = list(result)
        return repr(result)
    except Exception as error:  # noqa: BLE001 - the failure itself is compared
        return [type(error).__name__, str(error)]


def receiver_outcomes():
    """Calls every method of the MapGIS classes and the bus with receivers of
    every kind, each beside its plain form where the tests have one: a list of
    [label, the module's outcome, the plain form's outcome or None]."""
    from tests.test_hostile_core import PlainMessenger

    folder = pathlib.Path(tempfile.mkdtemp())
    made = layers(folder)
    library = colour_library(folder)
    project = fixtures.write(folder, "p.MPJ", fixtures.project_file([dict(Type=1, File=b"a.WT")]))
    out = str(folder / "out.json")

    def written(export):
        def run(receiver):
            pathlib.Path(out).unlink(missing_ok=True)
            got = shown(lambda: export(receiver, out))
            return [got, pathlib.Path(out).read_text(encoding="utf-8") if os.path.exists(out) else None]
        return run

    def method(cls, name, *args):
        return lambda receiver: shown(lambda: getattr(cls, name)(receiver, *args))

    bus = kestrinpy.Messenger
    calls = [  # (class, method, the module's call, the plain form's call or None)
        (bus, "__init__", method(bus, "__init__"), method(PlainMessenger, "__init__")),
        (bus, "subscribe", method(bus, "subscribe", "k", print), method(PlainMessenger, "subscribe", "k", print)),
        (bus, "unsubscribe", method(bus, "unsubscribe", "k"), method(PlainMessenger, "unsubscribe", "k")),
        (bus, "publish", method(bus, "publish", "k", 1), method(PlainMessenger, "publish", "k", 1)),
        (kestrinpy.MapGisProject, "__init__", method(kestrinpy.MapGisProject, "__init__", project), None),
        (ColorLib, "__init__", method(ColorLib, "__init__", library), None),
        (ColorLib, "CMYK", method(ColorLib, "CMYK", 1), lambda receiver: shown(lambda: plain_cmyk(receiver, 1))),
        (ColorLib, "RGB", method(ColorLib, "RGB", 2), lambda receiver: shown(lambda: plain_rgb(receiver, 2))),
        (ColorLib, "HEX", method(ColorLib, "HEX", 3), lambda receiver: shown(lambda: plain_hex(receiver, 3))),
        (MapGisFile, "__init__", method(MapGisFile, "__init__", made["line"]), None),
        (MapGisFile, "describeProperty", method(MapGisFile, "describeProperty"), None),
        (MapGisFile, "getCapabilities", method(MapGisFile, "getCapabilities"), None),
        (MapGisFile, "getFeature", method(MapGisFile, "getFeature"), None),
        (MapGisFile, "saveAsGeoJson", written(MapGisFile.saveAsGeoJson), written(plain_export)),
    ]
    rows = []
    for cls, name, module_call, plain_call in calls:
        other = kestrinpy.Projection if cls is bus else kestrinpy.Messenger
        receivers = [("the class", lambda: cls), ("a subclass", lambda: type("Sub", (cls,), {})),
                     ("an instance of another class", other),
                     ("an object.__new__ instance", lambda: object.__new__(cls)), ("None", lambda: None)]
        if name == "saveAsGeoJson":
            receivers.append(("a bus class with a summary and a stream of its own", lambda: Layer))
        for kind, make in receivers:
            got = unchanged_class(module_call, make())
            plain = None if plain_call is None else unchanged_class(plain_call, make())
            rows.append([f"{cls.__name__}.{name}, {kind}", got, plain])
    return rows


def unchanged_class(call, receiver):
    """call(receiver), with a class receiver's attributes put back afterwards,
    so that each call meets the class as it was."""
    if not isinstance(receiver, type):
        return call(receiver)
    before = dict(vars(receiver))
    try:
        return call(receiver)
    finally:
        for name in set(vars(receiver)) - set(before):
            delattr(receiver, name)
        for name, value in before.items():
            if vars(receiver).get(name, before) is not value:
                setattr(receiver, name, value)


class ReceiverTest(unittest.TestCase):
    """Methods called through their class with any receiver: the plain form's
    outcome where the tests have one, a host error otherwise, never a crash
    (the calls run in a child process, where a crash shows as its exit)."""

    def test_receivers_of_every_kind(self):
        child = run_child("""
            import json
            from tests.test_hostile_mapgis import receiver_outcomes
            print(json.dumps(receiver_outcomes()))
        """)
        self.assertEqual(child.returncode, 0, child.stderr[-3000:])
        for label, got, plain in json.loads(child.stdout):
            with self.subTest(label):
                if plain is not None:
                    self.assertEqual(got, plain)
                if label.endswith("a summary and a stream of its own"):
                    self.assertEqual(got[0], ["TypeError", "Argument 'key' has incorrect type (expected str, got dict)"])


if __name__ == "__main__":
    unittest.main()
