"""Every public entry point, its error paths included, repeated some thousands
of times: the host's count of allocated blocks must stay flat, so no call
leaks a reference. (Under the sanitizer build the host allocates with malloc
and keeps no count; there the sanitizer itself watches memory.)"""
import contextlib
import gc
import io
import pathlib
import shutil
import sys
import tempfile
import unittest

from _kestrin_probe import Sample
from src import kestrinpy
from tests import fixtures

ROUNDS = 2000
# Far below one block per call: a leak of a single object per call shows as ROUNDS.
ALLOWED_GROWTH = 100


def attempt(call, *errors):
    """A call that may raise one of `errors`, which is part of what is measured."""
    def run():
        try:
            call()
        except errors:
            pass
    return run


class LeakTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = pathlib.Path(tempfile.mkdtemp())
        samples = fixtures.small_samples()
        cls.paths = {kind: fixtures.write(cls.folder, name, samples[kind]) for kind, name in
                     [("colours", "Pcolor.lib"), ("project", "p.MPJ"), ("lines", "l.WL"), ("points", "p.WT"),
                      ("polygons", "a.WP")]}
        cls.bad = fixtures.write(cls.folder, "bad.WL", b"not a MapGIS file" * 30)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def growth(self, call):
        for _ in range(ROUNDS // 10):
            call()
        gc.collect()
        before = sys.getallocatedblocks()
        for _ in range(ROUNDS):
            call()
        gc.collect()
        return sys.getallocatedblocks() - before

    def entry_points(self):
        paths = self.paths
        messenger = kestrinpy.Messenger()
        slot = id

        def bus():
            messenger.subscribe("k", slot)
            messenger.publish("k", None)
            messenger.unsubscribe("k", slot)
            messenger.unsubscribe()

        def failing_slot(value):
            raise ValueError(value)

        def bus_errors():
            messenger.subscribe("e", failing_slot)
            with contextlib.redirect_stdout(io.StringIO()):
                messenger.publish("e", 1)
            messenger.unsubscribe("e")

        colours = kestrinpy.MapGisColorLib(str(paths["colours"]))
        layer = kestrinpy.MapGisFile(str(paths["lines"]), str(paths["colours"]))
        output = str(self.folder / "out.json")

        def partial_run():
            run = layer.getFeature()
            next(run)

        grid = kestrinpy.MapGrid

        class Grid(kestrinpy.MapGrid):  # every member reached through the host
            @classmethod
            def map(cls, longitude, latitude, scale=1000000):
                return super().map(longitude, latitude, scale)

            @classmethod
            def parse(cls, code):
                return super().parse(code)

        def partial_grid():
            lines = grid.grid(10, 0, 0, 10, 9)
            next(lines)

        return {
            "map": lambda: [grid.map(101.5, -37.2, scale) for scale in (1000000, 200000, 25000, 500)],
            "map through a subclass": lambda: Grid.map(101.5, 37.2, 500),
            "map errors": attempt(lambda: grid.map(180, 0, 500), Exception),
            "map scale errors": attempt(lambda: grid.map(101, 37, 10 ** 30), Exception),
            "map argument errors": attempt(lambda: grid.map(101, 37, True), TypeError),
            "corner": lambda: grid._MapGrid__corner1000000("\u3000sj-47"),
            "corner errors": attempt(lambda: grid._MapGrid__corner1000000("\u212a47"), Exception),
            "parse": lambda: [grid.parse(code) for code in ("J47", "SJ47K23042304", "J-47-(30)", "j-47-107-c-3",
                                                            "J-47-107-(\uff15\uff17)-c-7-3-3")],
            "parse through a subclass": lambda: Grid.parse("J-47-107-(57)-c-7-3-3"),
            "parse errors": attempt(lambda: grid.parse("J47B000001"), Exception),
            "parse old-code errors": attempt(lambda: grid.parse("J-47-107-C-5"), Exception),
            "parse scale letter errors": attempt(lambda: grid.parse("J47\u212a00010001"), Exception),
            "parse argument errors": attempt(lambda: grid.parse(None), TypeError),
            "grid": lambda: (list(grid.grid(40, 20, 80, 100)), list(grid.grid(1, 0, 0, 1, 16, True))),
            "partial grid": partial_grid,
            "grid errors": attempt(lambda: next(grid.grid(20, 40, 0, 1)), Exception),
            "Messenger": bus,
            "Messenger errors": bus_errors,
            "Messenger argument errors": attempt(lambda: messenger.subscribe("", None), TypeError),
            "unsubscribe missing": attempt(lambda: messenger.unsubscribe("missing"), TypeError),
            "bytesToStr": lambda: kestrinpy.KestrinBase.bytesToStr(b"ab\0c  ", "GBK"),
            "bytesToStr bad codec": attempt(lambda: kestrinpy.KestrinBase.bytesToStr(b"a", "nope"), LookupError),
            "bytesInteger": lambda: kestrinpy.KestrinBase.bytesInteger(b"\1\2\3\4\5\6\7\10\11"),
            "argument type": attempt(lambda: kestrinpy.KestrinBase.bytesInteger("x"), TypeError),
            "colour library": lambda: kestrinpy.MapGisColorLib(str(paths["colours"])),
            "colours": lambda: (colours.CMYK(1), colours.RGB(2), colours.HEX(1), colours.HEX(99)),
            "colour errors": attempt(lambda: colours.CMYK(True), TypeError),
            "project": lambda: kestrinpy.MapGisProject(str(paths["project"])),
            "missing project": lambda: kestrinpy.MapGisProject(str(self.folder / "none.MPJ")),
            "open and describe": lambda: kestrinpy.MapGisFile(str(paths["points"])).getCapabilities(),
            "describeProperty": layer.describeProperty,
            "missing file": attempt(lambda: kestrinpy.MapGisFile(str(self.folder / "none.WL")), FileNotFoundError),
            "bad file": attempt(lambda: kestrinpy.MapGisFile(str(self.bad)), Exception),
            "stream lines": lambda: list(layer.getFeature()),
            "stream polygons": lambda: list(kestrinpy.MapGisFile(str(paths["polygons"])).getFeature()),
            "stream points": lambda: list(kestrinpy.MapGisFile(str(paths["points"])).getFeature()),
            "partial run": partial_run,
            "export": lambda: layer.saveAsGeoJson(output),
            "projections": lambda: (kestrinpy.Projection.webMercator(116.4, 39.9), kestrinpy.Projection.webMercator(x=1.0, y=2.0),
                                    kestrinpy.Projection.geodesics((116.4, 39.9), [116.5, 40.0], 2000),
                                    kestrinpy.Projection.geodesics((0.0, 0.0), (179.7, 0.5)),
                                    kestrinpy.Projection.albers(120.0, 30.0), kestrinpy.Projection.albers(x=1e5, y=2e6),
                                    kestrinpy.Projection.lambert(120.0, 30.0, 105), kestrinpy.Projection.lambert(x=1e5, y=2e6)),
            "projection errors": attempt(lambda: kestrinpy.Projection.webMercator(200.0, 0.0), Exception),
            "projection arithmetic errors": attempt(lambda: kestrinpy.Projection.lambert(parallel1=30, parallel2=30),
                                                    ZeroDivisionError),
            "conic range errors": attempt(lambda: kestrinpy.Projection.albers(centralMeridian=200), Exception),
            "conic crs errors": attempt(lambda: kestrinpy.Projection.albers(crs=4326), Exception),
            "geodesic errors": attempt(lambda: kestrinpy.Projection.geodesics((1.0, 2.0), (3.0, "x")), TypeError),
            "geodesic table errors": attempt(lambda: kestrinpy.Projection.geodesics((1.0, 2.0), (3.0, 4.0), 7), KeyError),
            "constructors": lambda: (kestrinpy.Projection(), kestrinpy.MapGrid(), kestrinpy.Geometry()),
            "zones": lambda: (kestrinpy.Projection.zone(116.3), kestrinpy.Projection.centralMeridian(116.3, zoneCode=3),
                              kestrinpy.Projection.centralMeridian(zone=61, zoneCode=3)),
            "zone errors": attempt(lambda: kestrinpy.Projection.centralMeridian(181.0), Exception),
            "zone number errors": attempt(lambda: kestrinpy.Projection.centralMeridian(zone=10**30), Exception),
            "angle": lambda: (kestrinpy.Projection.angle(deg=116.01, digit=2), kestrinpy.Projection.angle(deg="-116.5度"),
                              kestrinpy.Projection.angle(dms="116°30′30.5″", digit="3"),
                              kestrinpy.Projection.angle(dms=1163030)),
            "angle errors": attempt(lambda: kestrinpy.Projection.angle(dms="365"), Exception),
            "angle digit errors": attempt(lambda: kestrinpy.Projection.angle(deg=1.5, digit="x"), ValueError),
            "gaussKruger": lambda: (kestrinpy.Projection.gaussKruger(longitude=116.3, latitude=39.9),
                                    kestrinpy.Projection.gaussKruger(120.0, longitude=116.3, latitude=39.9, crs=1954),
                                    kestrinpy.Projection.gaussKruger(x=4000000.0, y=20400000.0)),
            "gaussKruger errors": attempt(lambda: kestrinpy.Projection.gaussKruger(x=4e12 + 134248727036.0,
                                                                                    y=20600000.0), Exception),
            "gaussKruger range errors": attempt(lambda: kestrinpy.Projection.gaussKruger(longitude=1.0,
                                                                                          latitude=91.0), Exception),
            "toolkit": lambda: (Sample.mixed(1, 2.0, 3, 1, "t"), Sample.outer(1), list(Sample.count(3))),
            "toolkit errors": attempt(lambda: Sample.mixed("x"), TypeError),
            "toolkit C++ failure": attempt(lambda: Sample.fail("logic"), SystemError),
            **self.geometry_entry_points(),
        }

    def geometry_entry_points(self):
        Geometry = kestrinpy.Geometry
        named_point = type("Point", (), {})()
        real = type("Real", (float,), {})(1.0)

        def loads_lists():
            Geometry.loads([[0, 0], [0, 0], [1, 1.5], [1, 1.5]])
            Geometry.loads([[[0, 0], [1, 0], [1, 1]]], 1)
            Geometry.loads({"type": "MultiPolygon", "coordinates": [[[[0, 0], [1, 0], [1, 1]]]], "bbox": []})
            Geometry.loads({"geometries": [{"coordinates": [1, "2"]}, {"geometries": []}]})
            Geometry.loads([[1, 2], [real, 2.0], [10 ** 30, 3]], 0)

        def loads_errors():
            for args in [([5],), ([[1, 2], [3, 4]], 2), ([],), ([[1, 2], 3],), (["a", 1],), ((1, 2),),
                         (named_point,), ({"type": "Point"},), ({"geometries": [[1]]},),
                         ({"type": "Polygon", "coordinates": [[[0, 0], [0, 0], [1, 1]]]},)]:
                try:
                    Geometry.loads(*args)
                except Exception:
                    pass

        def loads_texts():
            Geometry.loads("POINT (1 2 12345678901234567890)")
            Geometry.loads("MULTIPOLYGON (((0 0,4 0,4 4,0 0),(1 1,2 1,2 2,1 1)),((5 5,6 5,6 6,5 5)))")
            Geometry.loads("GEOMETRYCOLLECTION (POINT (1 2), POLYGON ((0 0, 1 0, 1 1, 0 0)))")
            Geometry.loads("120 38，122 39\u3000121 40", 2)
            Geometry.loads('{"type": "LineString", "coordinates": [[1, 2], [3, 4]], "bbox": []}', 1)
            Geometry.loads("[[[0, 0], [1, 0], [1, 1]]]", 2)

        def loads_text_errors():
            for args in [("POINT (1 x)",), ("1 2 3",), ("POINTZ (1 2)",), ("[1, 2", 1), ("[ ]",), ("1 2", 7),
                         ("MULTIPOLYGON (((0 0, 4 0, 4 4, 0 0), (1 1, 2 1, 2 2, 1 1)))",), ("POINT (1 true x)",),
                         ("GEOMETRYCOLLECTION (POLYGON ((0 0, 1 1)",), ('{"type": "Point", "bbox": [1]}',)]:
                try:
                    Geometry.loads(*args)
                except Exception:
                    pass

        def output():
            ring = [[0.0, 0.0], [1.0, 0.0], [1.0, 1.0]]
            ring.append(ring[0])
            polygon = {"type": "Polygon", "coordinates": [ring], "bbox": (0, 1)}
            collection = {"type": "GeometryCollection", "geometries": [polygon, [1, 2], "LINESTRING (1 2, 3 4)"]}
            Geometry.dumps(polygon)
            Geometry.dumps({"type": "Point", "coordinates": [10 ** 30, "\ud800", 1.5], 1: None})
            Geometry.toWkt(collection)
            Geometry.toWkt({"type": "Point", "coordinates": (1.0, "\ud800", None, 10 ** 30)})
            Geometry.swapXY(polygon)
            Geometry.swapXY(collection)
            Geometry.getXY(collection)
            Geometry.getXY(polygon, False)

        def output_errors():
            loop = {"type": "GeometryCollection", "geometries": []}
            loop["geometries"].append(loop)
            for method, value in [(Geometry.toWkt, {}), (Geometry.toWkt, {"type": "x", "coordinates": []}),
                                  (Geometry.toWkt, {"type": "LineString", "coordinates": [1]}),
                                  (Geometry.swapXY, {"type": "Point", "coordinates": (1, 2)}),
                                  (Geometry.swapXY, {"type": "LineString", "coordinates": [[1, 2], [3]]}),
                                  (Geometry.getXY, {"type": "LineString", "coordinates": []}),
                                  (Geometry.dumps, {"a": [object]}), (Geometry.dumps, loop)]:
                try:
                    method(value)
                except Exception:
                    pass

        return {
            "Geometry output": output,
            "Geometry output errors": output_errors,
            "Geometry.loads texts": loads_texts,
            "Geometry.loads text errors": loads_text_errors,
            "Geometry.loads lists": loads_lists,
            "Geometry.loads errors": loads_errors,
            "Geometry.loads code type": attempt(lambda: Geometry.loads([1, 2], True), TypeError),
        }

    def test_no_entry_point_leaks(self):
        if sys.getallocatedblocks() == 0:
            self.skipTest("the host counts no blocks (PYTHONMALLOC=malloc)")
        for name, call in self.entry_points().items():
            with self.subTest(entry=name):
                # A leak shows in every measurement; a cache or free list that
                # happens to fill during one does not show again in the next.
                growth = self.growth(call)
                if growth >= ALLOWED_GROWTH:
                    growth = min(growth, self.growth(call))
                self.assertLess(growth, ALLOWED_GROWTH)


if __name__ == "__main__":
    unittest.main()
