"""Every public method and generator called with a receiver of every kind: a
class, a subclass, an object of another public class, an object made by
object.__new__ alone (no constructor run), None. The module decides at many
places whether a sibling method is its own and then runs its C++ body; such a
decision must hold for the receiver it was made for. Projection rows are held
against the plain forms (the Plain class of the projection suite); every
other row must answer or raise an Exception, never crash, and never raise
SystemError (a body meeting what it was not declared for)."""
import os
import pathlib
import shutil
import tempfile
import unittest

from src.kestrinpy import Geometry, MapGisColorLib, MapGisFile, MapGisProject, MapGrid, Messenger, Projection
from tests import fixtures
from tests.support import outcome
from tests.test_hostile_mapgis import Layer
from tests.test_hostile_projection import Plain

LINE = {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}


def arguments(folder):
    """{(class, name): (positional, keywords)} for every public member of every class."""
    lines = str(folder / "lines.WL")
    project = str(folder / "sample.MPJ")
    colours = str(folder / "Pcolor.lib")
    out = str(folder / "out.json")
    return {
        (Messenger, "__init__"): ((), {}),
        (Messenger, "subscribe"): (("k", print), {}),
        (Messenger, "unsubscribe"): (("k",), {}),
        (Messenger, "publish"): (("k", 1), {}),
        (MapGisProject, "__init__"): ((project,), {}),
        (MapGisColorLib, "__init__"): ((colours,), {}),
        (MapGisColorLib, "CMYK"): ((1,), {}),
        (MapGisColorLib, "RGB"): ((1,), {}),
        (MapGisColorLib, "HEX"): ((1,), {}),
        (MapGisFile, "__init__"): ((lines, colours), {}),
        (MapGisFile, "describeProperty"): ((), {}),
        (MapGisFile, "getCapabilities"): ((), {}),
        (MapGisFile, "getFeature"): ((), {}),
        (MapGisFile, "saveAsGeoJson"): ((out,), {}),
        (Projection, "__init__"): ((), {}),
        (MapGrid, "__init__"): ((), {}),
        (Geometry, "__init__"): ((), {}),
        (Projection, "zone"): ((116.3,), {}),
        (Projection, "centralMeridian"): ((), {"longitude": 116.3}),
        (Projection, "webMercator"): ((116.3, 39.9), {}),
        (Projection, "geodesics"): (((116.0, 39.0), (117.0, 40.0)), {}),
        (Projection, "gaussKruger"): ((), {"longitude": 116.3, "latitude": 39.9}),
        (Projection, "albers"): ((116.3, 39.9), {"centralMeridian": 105.0}),
        (Projection, "lambert"): ((116.3, 39.9), {"centralMeridian": 105.0}),
        (MapGrid, "map"): ((116.3, 39.9, 10000), {}),
        (MapGrid, "parse"): (("J50D001001",), {}),
        (Geometry, "loads"): (([[1, 2], [3, 4]],), {}),
        (Geometry, "dumps"): ((LINE,), {}),
        (Geometry, "toWkt"): ((LINE,), {}),
        (Geometry, "swapXY"): (({"type": "LineString", "coordinates": [[1.0, 2.0]]},), {}),
        (Geometry, "getXY"): ((LINE,), {}),
    }


def receivers(cls):
    """(label, receiver) pairs for a method of `cls`."""
    other = Projection() if cls is not Projection else MapGrid()
    # Made afresh for each call: a constructor called so sets attributes on them.
    return [("a class", type("Stranger", (), {})), ("a subclass", type("Sub", (cls,), {})), ("another class's object", other),
            ("a bare object", object.__new__(cls)), ("None", None)]


def unwrapped(cls, name):
    """The function stored under `name`, without its class or static method wrapper."""
    member = vars(cls)[name]
    return getattr(member, "__func__", member)


def settled(value):
    """A generator's items, or the value itself."""
    return list(value) if hasattr(value, "__next__") else value


class ReceiverTest(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        samples = fixtures.small_samples()
        for name, kind in (("lines.WL", "lines"), ("sample.MPJ", "project"), ("Pcolor.lib", "colours")):
            (self.folder / name).write_bytes(samples[kind])

    def test_every_method_with_every_receiver(self):
        table = arguments(self.folder)
        for cls in (Messenger, MapGisProject, MapGisColorLib, MapGisFile, Projection, MapGrid, Geometry):
            for name in [name for (owner, name) in table if owner is cls]:
                if isinstance(vars(cls)[name], staticmethod):
                    continue  # no receiver to vary
                positional, keywords = table[(cls, name)]
                for label, receiver in receivers(cls):
                    with self.subTest(method=f"{cls.__name__}.{name}", receiver=label):
                        ours = outcome(lambda: settled(unwrapped(cls, name)(receiver, *positional, **keywords)))
                        if cls is Projection and name in vars(Plain):
                            plain = outcome(lambda: unwrapped(Plain, name)(receiver, *positional, **keywords))
                            self.assertEqual(ours, plain)
                        elif isinstance(ours, tuple) and len(ours) == 2 and isinstance(ours[0], type):
                            self.assertNotEqual(ours[0], SystemError, ours[1])

    def test_every_member_is_in_the_table(self):
        # A method added later gets a row here too.
        table = arguments(self.folder)
        for cls in (Messenger, MapGisProject, MapGisColorLib, MapGisFile, Projection, MapGrid, Geometry):
            for name, member in vars(cls).items():
                function = getattr(member, "__func__", member)
                if isinstance(member, staticmethod) or not callable(function) or name.startswith("_") and name != "__init__":
                    continue
                if isinstance(function, type(Messenger.subscribe)):
                    with self.subTest(f"{cls.__name__}.{name}"):
                        self.assertTrue((cls, name) in table, "no row for it")

    def test_a_class_as_the_layer_of_an_export(self):
        # self.publish of a class is the plain function: called with
        # "progress" as its object, as the host calls it.
        out = str(self.folder / "layer.json")
        self.assertEqual(outcome(MapGisFile.saveAsGeoJson, Layer, out),
                         (TypeError, "Argument 'key' has incorrect type (expected str, got dict)"))
        self.assertTrue(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
