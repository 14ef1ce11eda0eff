"""Projection.albers and Projection.lambert: the conic projections with two
standard parallels, forward and inverse, against PROJ, the EPSG worked example
and the formulas written out in Python, with their order of checks."""
import math
import random
import unittest

from src.kestrinpy import Projection
from tests import projection_reference as reference
from tests.support import outcome, same

NAN = float("nan")
INF = float("inf")
CONICS = {"albers": reference.albers, "lambert": reference.lambert}


def dms(degrees, minutes, seconds=0.0):
    return degrees + minutes / 60 + seconds / 3600


class AgreementTest(unittest.TestCase):
    def test_agrees_with_proj(self):
        # Forward to a few nanometres, a few parts in 10^15 far out on a cone
        # (the rounding of the angle about the apex grows with it); the inverse
        # of PROJ's millimetre-rounded planes to 1e-9°.
        for row in reference.read_table("proj_reference.csv"):
            if row["projection"] not in CONICS:
                continue
            method = getattr(Projection, row["projection"])
            cone = {key: float(row[key]) for key in ("centralMeridian", "originLatitude", "parallel1", "parallel2")}
            in1, in2, out1, out2 = (float(row[k]) for k in ("in1", "in2", "out1", "out2"))
            with self.subTest(row=row):
                if row["direction"] == "forward":
                    x, y = method(in1, in2, crs=int(row["crs"]), **cone)
                    tolerance = max(2e-8, 4e-15 * math.hypot(out1, out2))
                    self.assertLess(abs(x - out1), tolerance)
                    self.assertLess(abs(y - out2), tolerance)
                else:
                    longitude, latitude = method(x=in1, y=in2, crs=int(row["crs"]), **cone)
                    self.assertLess(abs((longitude - out1 + 180) % 360 - 180), 1e-9)
                    self.assertLess(abs(latitude - out2), 1e-9)

    def test_epsg_worked_example_of_the_two_parallel_lambert(self):
        # EPSG method 9802 example: Clarke 1866, false origin 27°50'N 99°W,
        # parallels 28°23'N and 30°17'N, easting at the origin 2000000 US survey feet.
        class Texas(Projection):
            datum = {1866: Projection.CRS(6378206.4, 1 / 294.978698213898, "NAD27", "Clarke 1866", "Clarke_1866")}

        cone = dict(centralMeridian=-99.0, originLatitude=dms(27, 50), parallel1=dms(28, 23), parallel2=dms(30, 17),
                    crs=1866)
        us_foot = 1200 / 3937
        x, y = Texas.lambert(-96.0, 28.5, **cone)
        self.assertEqual(round(x / us_foot + 2000000.0, 2), 2963503.91)
        self.assertEqual(round(y / us_foot, 2), 254759.80)
        longitude, latitude = Texas.lambert(x=x, y=y, **cone)
        self.assertAlmostEqual(longitude, -96.0, delta=1e-12)
        self.assertAlmostEqual(latitude, 28.5, delta=1e-9)

    def test_bit_exact_with_the_written_formulas(self):
        rng = random.Random(106)

        def angle(bound):
            if rng.random() < 0.06:
                return rng.choice([0.0, -0.0, bound, -bound, bound + 1, NAN, 90.0, -90.0])
            return rng.uniform(-bound, bound)

        for _ in range(2500):
            cone = dict(centralMeridian=angle(180.0), originLatitude=angle(90.0), parallel1=angle(90.0),
                        parallel2=angle(90.0), crs=rng.choice((1954, 1980, 1984, 2000, 2000, 4326)))
            if rng.random() < 0.05:
                cone["parallel2"] = rng.choice((cone["parallel1"], -cone["parallel1"]))
            if rng.random() < 0.5:
                coordinates = dict(longitude=angle(180.0), latitude=angle(90.0))
            else:
                coordinates = dict(x=rng.uniform(-8e6, 8e6), y=rng.uniform(-1.5e7, 1.5e7))
            for name, written in CONICS.items():
                ours = outcome(getattr(Projection, name), **coordinates, **cone)
                theirs = outcome(written, Projection, **coordinates, **cone)
                self.assertTrue(same(ours, theirs), (name, coordinates, cone, ours, theirs))


class SouthernAlbersTest(unittest.TestCase):
    # The inverse of a cone with n < 0 reverses the signs in its angle, so it
    # undoes the forward; the unreversed angle turns longitudes by 180°/n.
    CONES = [dict(parallel1=-20.0, parallel2=-50.0), dict(centralMeridian=132.0, parallel1=-18.0, parallel2=-36.0),
             dict(centralMeridian=20.0, originLatitude=-10.0, parallel1=10.0, parallel2=-40.0)]

    def test_round_trips_south_of_the_equator(self):
        for cone in self.CONES:
            centre = cone.get("centralMeridian", 0.0)
            for longitude, latitude in ((centre + 10.0, -35.0), (centre - 40.0, -60.0), (centre, -5.0)):
                with self.subTest(cone=cone, longitude=longitude, latitude=latitude):
                    x, y = Projection.albers(longitude, latitude, **cone)
                    back = Projection.albers(x=x, y=y, **cone)
                    self.assertAlmostEqual(back[0], longitude, delta=1e-9)
                    self.assertAlmostEqual(back[1], latitude, delta=1e-9)
                    self.assertGreater(abs(reference.albers(Projection, x=x, y=y, mended=False, **cone)[0] - longitude),
                                       100.0)

    def test_the_apex_gives_the_central_meridian(self):
        # At the apex the distance -ro0 + y' is +0.0: no half turn of the angle.
        apex = Projection.albers(centralMeridian=105.0, originLatitude=30, parallel1=-90.0, parallel2=47, x=-0.0,
                                 y=-30142994.34100574, crs=1954)
        self.assertEqual(repr(apex), "(105.00000000000001, -90.0)")

    def test_northern_cones_are_unchanged(self):
        rng = random.Random(1061)
        for _ in range(300):
            p1, p2 = rng.uniform(-60.0, 90.0), rng.uniform(-60.0, 90.0)
            if math.sin(math.radians(p1)) + math.sin(math.radians(p2)) <= 0:
                continue
            cone = dict(centralMeridian=rng.uniform(-180.0, 180.0), parallel1=p1, parallel2=p2)
            x, y = rng.uniform(-5e6, 5e6), rng.uniform(-5e6, 5e6)
            self.assertTrue(same(outcome(Projection.albers, x=x, y=y, **cone),
                                 outcome(reference.albers, Projection, x=x, y=y, mended=False, **cone)))


class FarLambertTest(unittest.TestCase):
    # Beyond a quarter turn about the apex (90°/|n| of longitude from the
    # central meridian) the inverse turns its angle by half a turn, so it
    # undoes the forward; the unturned angle gives a longitude 180°/|n| off.
    CONES = [{}, dict(centralMeridian=105.0, parallel1=25.0, parallel2=47.0),
             dict(parallel1=-20.0, parallel2=-50.0), dict(centralMeridian=-60.0, parallel1=10.0, parallel2=-40.0)]

    def test_round_trips_far_from_the_central_meridian(self):
        for cone in self.CONES:
            centre = cone.get("centralMeridian", 0.0)
            south = cone.get("parallel1", 20.0) < 0
            for difference in (170.0, -175.0, 120.0):
                longitude = centre + difference if -180 <= centre + difference <= 180 else centre - difference
                latitude = -35.0 if south else 35.0
                with self.subTest(cone=cone, longitude=longitude):
                    x, y = Projection.lambert(longitude, latitude, **cone)
                    back = Projection.lambert(x=x, y=y, **cone)
                    self.assertAlmostEqual(back[0], longitude, delta=1e-9)
                    self.assertAlmostEqual(back[1], latitude, delta=1e-9)
        x, y = Projection.lambert(170.0, 35.0)
        self.assertAlmostEqual(reference.lambert(Projection, x=x, y=y, mended=False)[0], -140.0, delta=0.5)

    def test_within_a_quarter_turn_nothing_changes(self):
        # |n| is at most 1: 80° of longitude is less than a quarter turn about the apex.
        rng = random.Random(1071)
        for _ in range(400):
            cone = dict(centralMeridian=rng.uniform(-100.0, 100.0), parallel1=rng.uniform(-80.0, 80.0),
                        parallel2=rng.uniform(-80.0, 80.0), originLatitude=rng.uniform(-80.0, 80.0))
            longitude = cone["centralMeridian"] + rng.uniform(-80.0, 80.0)
            plane = outcome(Projection.lambert, longitude, rng.uniform(-80.0, 80.0), **cone)
            if not (isinstance(plane, tuple) and isinstance(plane[0], float)):
                continue  # a degenerate cone
            x, y = plane
            self.assertTrue(same(Projection.lambert(x=x, y=y, **cone),
                                 reference.lambert(Projection, x=x, y=y, mended=False, **cone)), (cone, x, y))


class BehaviourTest(unittest.TestCase):
    def test_the_origin_maps_to_zero(self):
        for name in CONICS:
            method = getattr(Projection, name)
            with self.subTest(name=name):
                self.assertTrue(same(method(0.0, 0.0), (0.0, 0.0)))
                self.assertTrue(same(method(105.0, 30.0, centralMeridian=105, originLatitude=30.0), (0.0, 0.0)))

    def test_round_trips(self):
        for name in CONICS:
            method = getattr(Projection, name)
            for longitude, latitude, cone in ((1.0, 35.0, {}), (120.0, 30.0, {}),
                                              (10.0, -35.0, dict(parallel1=-20.0, parallel2=-50.0)),
                                              (100.0, 40.0, dict(centralMeridian=105, parallel1=25, parallel2=47))):
                with self.subTest(name=name, longitude=longitude, latitude=latitude, cone=cone):
                    x, y = method(longitude, latitude, **cone)
                    back = method(x=x, y=y, **cone)
                    self.assertAlmostEqual(back[0], longitude, delta=1e-9)
                    self.assertAlmostEqual(back[1], latitude, delta=1e-9)

    def test_worked_values(self):
        # The central meridian goes through radians and back.
        self.assertEqual(Projection.albers(x=0.0, y=0.0, centralMeridian=105)[0], 105.00000000000001)
        # Differences of longitude are not reduced.
        self.assertTrue(same(Projection.albers(180.0, 30.0, centralMeridian=-180.0),
                             reference.albers(Projection, 180.0, 30.0, centralMeridian=-180.0)))
        self.assertNotAlmostEqual(Projection.albers(180.0, 30.0, centralMeridian=-180.0)[0], 0.0, delta=1.0)
        # A tangent cone.
        self.assertTrue(same(Projection.lambert(10.0, 30.0, parallel1=30.0, parallel2=30.0 + 1e-9),
                             reference.lambert(Projection, 10.0, 30.0, parallel1=30.0, parallel2=30.0 + 1e-9)))
        x, y = Projection.albers(10.0, 30.0, parallel1=30.0, parallel2=30.0)
        self.assertTrue(math.isfinite(x) and math.isfinite(y))

    def test_checks_in_their_order(self):
        message = "Invalid [{}: {}] parameter. Should be between -{} and +{}."
        cases = [
            # Conversions, then exact types, then crs, then ranges, then the cone, then the direction.
            (dict(longitude=1, centralMeridian="a"), TypeError, "must be real number, not str"),
            (dict(parallel2=10 ** 400), OverflowError, "int too large to convert to float"),
            (dict(longitude=1, latitude=35.0), TypeError,
             "Argument 'longitude' has incorrect type (expected float, got int)"),
            (dict(crs=True), TypeError, "Argument 'crs' has incorrect type (expected int, got bool)"),
            (dict(crs=None), TypeError, "Argument 'crs' has incorrect type (expected int, got NoneType)"),
            (dict(crs="wgs84"), TypeError, "Argument 'crs' has incorrect type (expected int, got str)"),
            (dict(crs=4326, centralMeridian=200), Exception, "Invalid [crs] parameter."),
            (dict(centralMeridian=200), Exception, message.format("centralMeridian", "200.0", 180, 180)),
            (dict(originLatitude=NAN, parallel2=100.0), Exception, message.format("originLatitude", "nan", 90, 90)),
            (dict(parallel1=-90.5), Exception, message.format("parallel1", "-90.5", 90, 90)),
            (dict(parallel2=True + 90), Exception, message.format("parallel2", "91.0", 90, 90)),
            (dict(parallel1=30.0, parallel2=-30.0, longitude=500.0, latitude=0.0), ZeroDivisionError,
             "float division by zero"),
            (dict(parallel1=0.0, parallel2=0.0), ZeroDivisionError, "float division by zero"),
            (dict(), Exception, "Invalid parameter."),
            (dict(longitude=1.0, x=2.0), Exception, "Invalid parameter."),
            (dict(longitude=181.0, latitude=100.0), Exception, message.format("longitude", "181.0", 180, 180)),
            (dict(longitude=1.0, latitude=-90.5), Exception, message.format("latitude", "-90.5", 90, 90)),
            (dict(longitude=1.0, latitude=2.0, x=3, y=4.0), TypeError,
             "Argument 'x' has incorrect type (expected float, got int)"),
            (dict(lon=1.0), TypeError, None),
        ]
        for name in CONICS:
            method = getattr(Projection, name)
            for keywords, error, text in cases:
                with self.subTest(name=name, keywords=keywords):
                    with self.assertRaises(error) as caught:
                        method(**keywords)
                    self.assertIs(type(caught.exception), error)
                    if text is not None:
                        self.assertEqual(str(caught.exception), text)

    def test_degenerate_cones_and_points(self):
        cases = [
            ("albers", dict(x=0.0, y=-3.0e7), ValueError, "math domain error"),
            ("lambert", dict(parallel2=90.0), ZeroDivisionError, "float division by zero"),
            ("lambert", dict(parallel1=90.0), ValueError, "math domain error"),
            ("lambert", dict(parallel1=-20.0, parallel2=-50.0, originLatitude=90.0), ValueError, "math domain error"),
            ("lambert", dict(parallel1=-20.0, parallel2=-50.0, longitude=0.0, latitude=90.0), ValueError,
             "math domain error"),
            ("lambert", dict(x=5.0, y=Projection.lambert(0.0, 90.0)[1]), ZeroDivisionError,
             "float division by zero"),
        ]
        for name, keywords, error, text in cases:
            with self.subTest(name=name, keywords=keywords):
                with self.assertRaises(error) as caught:
                    getattr(Projection, name)(**keywords)
                self.assertIs(type(caught.exception), error)
                self.assertEqual(str(caught.exception), text)
        # The pole of a northern cone is its apex.
        self.assertEqual(Projection.lambert(0.0, 90.0, originLatitude=90.0), (0.0, 0.0))

    def test_the_table_is_read_through_the_class_at_every_call(self):
        # The cone made for one call is kept for the next only while its inputs are the same doubles.
        record = Projection.datum[2000]
        a, f = record.a, record.f
        expected = {name: written(Projection, 120.0, 30.0) for name, written in CONICS.items()}
        try:
            for name, written in CONICS.items():
                method = getattr(Projection, name)
                with self.subTest(name=name):
                    self.assertTrue(same(method(120.0, 30.0), expected[name]))
                    record.a = a * 2
                    self.assertTrue(same(method(120.0, 30.0), written(Projection, 120.0, 30.0)))
                    record.f = f / 2
                    self.assertTrue(same(method(120.0, 30.0), written(Projection, 120.0, 30.0)))
                    record.a, record.f = a, f
                    self.assertTrue(same(method(120.0, 30.0), expected[name]))
                    record.a = "far"
                    with self.assertRaisesRegex(TypeError, "^Expected float, got str$"):
                        method(120.0, 30.0)
                    record.a = a
        finally:
            record.a, record.f = a, f

        class Table(dict):  # a mapping of its own: asked for membership, then for the record
            def __contains__(self, key):
                return key == 7

        for table in ({7: Projection.CRS(6371000.0, 0.003, "local", "local", "local")},
                      Table({7: Projection.CRS(6371000.0, 0.003, "local", "local", "local")})):
            class Local(Projection):
                datum = table

            for name, written in CONICS.items():
                with self.subTest(name=name, table=type(table)):
                    self.assertTrue(same(getattr(Local(), name)(10.0, 40.0, crs=7),
                                         written(Local, 10.0, 40.0, crs=7)))
                    with self.assertRaisesRegex(Exception, r"^Invalid \[crs\] parameter\.$"):
                        getattr(Local, name)(10.0, 40.0)


if __name__ == "__main__":
    unittest.main()
