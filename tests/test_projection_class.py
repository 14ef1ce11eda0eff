"""The Projection class frame: its members in order, their kinds and signatures,
the CRS record type and the shared reference-system table."""
import dataclasses
import inspect
import unittest

from src import kestrinpy
from src.kestrinpy import Projection

MEMBERS = ["__init__", "CRS", "datum", "angle", "geodesics", "zone", "centralMeridian", "webMercator",
           "gaussKruger", "albers", "lambert"]

CONIC = ("(longitude: 'float' = None, latitude: 'float' = None, centralMeridian: 'float' = 0.0, "
         "originLatitude: 'float' = 0.0, parallel1: 'float' = 20.0, parallel2: 'float' = 50.0, "
         "x: 'float' = None, y: 'float' = None, crs: 'int' = 2000) -> 'tuple'")

SIGNATURES = {
    "angle": ("staticmethod", "(deg: 'Union[float, str]' = None, dms: 'Union[float, str]' = None, "
                              "digit: 'Union[int, str]' = None) -> 'Union[float, str]'"),
    "geodesics": ("classmethod", "(point1: 'Union[list, tuple]', point2: 'Union[list, tuple]', "
                                 "crs: 'int' = 1984) -> 'Union[float, None]'"),
    "zone": ("classmethod", "(longitude: 'float', zoneCode: 'int' = 6) -> 'int'"),
    "centralMeridian": ("classmethod", "(longitude: 'float' = None, zone: 'int' = None, "
                                       "zoneCode: 'int' = 6) -> 'float'"),
    "webMercator": ("classmethod", "(longitude: 'float' = None, latitude: 'float' = None, "
                                   "x: 'float' = None, y: 'float' = None) -> 'tuple'"),
    "gaussKruger": ("classmethod", "(centralMeridian: 'float' = None, x: 'float' = None, y: 'float' = None, "
                                   "longitude: 'float' = None, latitude: 'float' = None, "
                                   "crs: 'int' = 2000) -> 'tuple'"),
    "albers": ("classmethod", CONIC),
    "lambert": ("classmethod", CONIC),
}

TABLE = [
    ([1954, "beijing", "peking", "beijing1954"], 6378245.0, 298.3, "1954 Beijing coordinate system",
     "Krassowsky 1940", "Krassowsky_1940"),
    ([1980, "xian", "xi'an", "xi an", "xian1980"], 6378140.0, 298.257, "1980 Xi'an coordinate system",
     "IAG 1975", "IAG_1975"),
    ([1984, "wgs", "wgs84", "wgs1984"], 6378137.0, 298.257223563, "1984 International geodetic coordinate system",
     "WGS 84", "WGS_1984"),
    ([2000, "cgcs", "cgcs2000"], 6378137.0, 298.257222101, "2000 National coordinate system", "GRS 1980",
     "GRS_1980"),
]


class ClassFrameTest(unittest.TestCase):
    def test_members_in_order(self):
        self.assertEqual(Projection.__bases__, (kestrinpy.KestrinBase,))
        names = [name for name in vars(Projection) if name not in ("__module__", "__doc__", "__annotations__")]
        self.assertEqual(names, MEMBERS)
        self.assertEqual(Projection.__doc__,
                         "几何要素坐标投影变换类，支持高斯-克吕格、球体墨卡托、阿尔勃斯、兰伯特投影正反算")
        self.assertEqual(Projection.__annotations__, {"datum": "dict[Union[int, str], CRS]"})

    def test_methods_kinds_and_signatures(self):
        for name, (kind, text) in SIGNATURES.items():
            with self.subTest(name):
                self.assertEqual(type(vars(Projection)[name]).__name__, kind)
                self.assertEqual(str(inspect.signature(getattr(Projection, name))), text)
                self.assertTrue(getattr(Projection, name).__doc__)
        defaults = Projection.albers.__defaults__
        self.assertEqual([type(value) for value in defaults[2:6]], [float] * 4)
        self.assertIs(type(Projection.gaussKruger.__defaults__[-1]), int)

    def test_constructor(self):
        projection = Projection()
        self.assertEqual(vars(projection), {"subscribers": {}})
        self.assertEqual(str(inspect.signature(Projection)), "()")
        with self.assertRaises(TypeError):
            Projection(1)

    def test_class_methods_through_an_object(self):
        self.assertEqual(Projection().zone(116.3), Projection.zone(116.3))
        self.assertEqual(Projection().centralMeridian(116.3), 117.0)

    def test_argument_count_counts_the_class(self):
        with self.assertRaises(TypeError) as caught:
            Projection.gaussKruger(None, None, None, None, None, 2000, 1)
        self.assertEqual(str(caught.exception), "gaussKruger() takes at most 7 positional arguments (8 given)")


class ReferenceSystemTest(unittest.TestCase):
    def test_table_keys_and_shared_records(self):
        keys = [key for keys, *_ in TABLE for key in keys]
        self.assertIs(type(Projection.datum), dict)
        self.assertEqual(list(Projection.datum), keys)
        for keys, a, inverse_flattening, name, spheroid, datum in TABLE:
            with self.subTest(keys[0]):
                record = Projection.datum[keys[0]]
                for key in keys:
                    self.assertIs(Projection.datum[key], record)
                self.assertIs(type(record.a), float)
                self.assertEqual(record.a, a)
                self.assertEqual(record.f, 1 / inverse_flattening)
                self.assertEqual((record.name, record.spheroid, record.datum), (name, spheroid, datum))
        self.assertEqual(repr(Projection.datum[1954].f), "0.003352329869259135")
        self.assertIs(Projection.datum["xi an"], Projection.datum[1980])
        with self.assertRaises(KeyError):
            Projection.datum["WGS84"]

    def test_record_type(self):
        CRS = Projection.CRS
        self.assertEqual(CRS.__qualname__, "Projection.CRS")
        self.assertEqual(CRS.__doc__, "参考椭球体-坐标参照系（Coordinate Reference System）概要结构")
        self.assertTrue(dataclasses.is_dataclass(CRS))
        self.assertEqual(CRS.__bases__, (object,))
        self.assertEqual([(f.name, f.type) for f in dataclasses.fields(CRS)],
                         [("a", "float"), ("f", "float"), ("name", "str"), ("spheroid", "str"), ("datum", "str")])
        copy = CRS(6378137.0, 0.003352810681182319, "2000 National coordinate system", "GRS 1980", "GRS_1980")
        self.assertEqual(copy, Projection.datum[2000])
        self.assertIsNot(copy, Projection.datum[2000])
        self.assertNotEqual(copy, Projection.datum[1984])
        self.assertEqual(repr(copy), "Projection.CRS(a=6378137.0, f=0.003352810681182319, "
                                     "name='2000 National coordinate system', spheroid='GRS 1980', datum='GRS_1980')")
        self.assertEqual(CRS(a="x", f=None, name=1, spheroid=2, datum=3).a, "x")
        with self.assertRaises(TypeError):
            {copy: 1}
        with self.assertRaises(TypeError):
            CRS(1.0, 2.0, "n", "s")
        with self.assertRaises(TypeError):
            copy < copy

    def test_records_are_mutable(self):
        record = Projection.CRS(1.0, 2.0, "n", "s", "d")
        record.a = 3.0
        self.assertEqual(record.a, 3.0)


if __name__ == "__main__":
    unittest.main()
