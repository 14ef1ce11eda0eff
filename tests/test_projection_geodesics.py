"""Projection.geodesics: Vincenty's inverse formula against GeographicLib's
GeodSolve, against Vincenty's own published line, and against the formula
written out in Python, with the way it reads its points and its table."""
import math
import random
import unittest

from src.kestrinpy import Projection
from tests import projection_reference as reference
from tests.support import outcome, same

NAN = float("nan")
INF = float("inf")


def dms(degrees, minutes, seconds):
    return degrees + minutes / 60 + seconds / 3600


class AgreementTest(unittest.TestCase):
    def test_agrees_with_geodsolve_to_a_tenth_of_a_millimetre(self):
        for row in reference.read_table("geodsolve_reference.csv"):
            point1 = (float(row["lon1"]), float(row["lat1"]))
            point2 = (float(row["lon2"]), float(row["lat2"]))
            with self.subTest(row=row):
                length = Projection.geodesics(point1, point2, int(row["crs"]))
                self.assertLess(abs(length - float(row["length"])), 1e-4)

    def test_vincentys_published_line(self):
        # Flinders Peak to Buninyong on GRS 1980: 54972.271 m.
        flinders_peak = (dms(144, 25, 29.52440), -dms(37, 57, 3.72030))
        buninyong = (dms(143, 55, 35.38390), -dms(37, 39, 10.15610))
        self.assertEqual(round(Projection.geodesics(flinders_peak, buninyong, 2000), 3), 54972.271)

    def test_bit_exact_with_the_written_formula(self):
        rng = random.Random(105)
        for _ in range(1500):
            lon1, lat1 = rng.uniform(-180.0, 180.0), rng.uniform(-90.0, 90.0)
            kind = rng.randrange(4)
            if kind == 0:  # neighbouring vertices
                lon2, lat2 = lon1 + rng.uniform(-1e-3, 1e-3), lat1 + rng.uniform(-1e-3, 1e-3)
            elif kind == 1:  # nearly antipodal
                lon2, lat2 = lon1 + 180.0 + rng.uniform(-1.0, 1.0), -lat1 + rng.uniform(-1.0, 1.0)
            elif kind == 2:  # along the equator or a meridian
                lon2, lat2 = (lon1 + rng.uniform(-90.0, 90.0), 0.0) if rng.random() < 0.5 else (lon1, -lat1)
                lat1 = 0.0 if lat2 == 0.0 else lat1
            else:
                lon2, lat2 = rng.uniform(-400.0, 400.0), rng.uniform(-100.0, 100.0)
            crs = rng.choice((1954, 1980, 1984, 2000))
            ours = outcome(Projection.geodesics, (lon1, lat1), [lon2, lat2], crs)
            theirs = outcome(reference.geodesics, Projection, (lon1, lat1), [lon2, lat2], crs)
            self.assertTrue(same(ours, theirs), ((lon1, lat1), (lon2, lat2), crs, ours, theirs))

    def test_bit_exact_along_a_polyline_on_changing_ellipsoids(self):
        # Each vertex ends one line and starts the next, on one ellipsoid or another.
        rng = random.Random(1051)
        vertex = (116.0, 40.0)
        record = Projection.datum[1980]
        f = record.f
        try:
            for step in range(400):
                following = (vertex[0] + rng.uniform(-1e-3, 1e-3), vertex[1] + rng.uniform(-1e-3, 1e-3))
                if step == 200:
                    record.f = f * 1.5
                crs = (1954, 1980, 1984, 2000)[step % 4 if step % 7 else 1]
                ours = Projection.geodesics(vertex, following, crs)
                self.assertTrue(same(ours, reference.geodesics(Projection, vertex, following, crs)), (step, ours))
                vertex = following
        finally:
            record.f = f


class BehaviourTest(unittest.TestCase):
    def test_worked_values(self):
        cases = [
            (((0.0, 0.0), (1.0, 0.0)), 111319.4907932264),  # along the equator: cos²(alpha) is 0
            (((0.0, 0.0), (0.0, 1.0)), 110574.38855796008),
            (((0.0, 0.0), (0.0, 0.0)), 0.0),
            (((0, 0), (0.0, -0.0)), 0.0),
            (((1, 2), [1.0, 2.0, 99.0]), 0.0),
            (((0.0, 0.0), (179.7, 0.5)), None),  # no convergence in 200 passes
            (((0.0, 0.0), (180.0, 0.0)), None),
            (((NAN, 0.0), (1.0, 0.0)), None),
            (((0.0, NAN), (0.0, NAN)), None),
        ]
        for points, expected in cases:
            with self.subTest(points=points):
                self.assertTrue(same(Projection.geodesics(*points), expected))
        length = Projection.geodesics((108.9423662424, 34.2610116842), (116.3913112879, 39.9055966108))
        self.assertEqual(round(length, 3), 910985.911)

    def test_longitudes_and_poles_are_not_special(self):
        for points in (((0.0, 20.0), (360.0, 20.0)), ((0.0, 90.0), (90.0, 90.0))):
            with self.subTest(points=points):
                length = Projection.geodesics(*points)
                self.assertLess(length, 1e-8)
                self.assertNotEqual(length, 0.0)

    def test_reference_systems(self):
        step = ((0.0, 0.0), (1.0, 0.0))
        wgs84 = Projection.geodesics(*step)
        self.assertGreater(Projection.geodesics(*step, 1954), wgs84)
        self.assertGreater(Projection.geodesics(*step, crs=1980), wgs84)
        self.assertAlmostEqual(Projection.geodesics(*step, 2000), wgs84, delta=1e-3)

    def test_failures(self):
        cases = [
            (((1.0, 2.0), (3.0, 4.0), 4326), KeyError, "4326"),
            (((0.0, 0.0), (1.0, 0.0), True), TypeError,
             "Argument 'crs' has incorrect type (expected int, got bool)"),
            (((1.0, 2.0), (1.0, 2.0), "wgs84"), TypeError,
             "Argument 'crs' has incorrect type (expected int, got str)"),
            (((1.0, 2.0), (1.0, 2.0), 1984.0), TypeError,
             "Argument 'crs' has incorrect type (expected int, got float)"),
            ((1.0, (3.0, 4.0)), TypeError, "'float' object is not subscriptable"),
            (((1.0,), (3.0, 4.0)), IndexError, "tuple index out of range"),
            ((("a", 2.0), (3.0, 4.0)), TypeError, None),
            (((1.0, "b"), (3.0, 4.0)), TypeError, "must be real number, not str"),
            (((0.0, INF), (1.0, 0.0)), ValueError, "math domain error"),
            (((0.0, 0.0), (1.0, -INF)), ValueError, "math domain error"),
            (((INF, 0.0), (1.0, 0.0)), ValueError, "math domain error"),
            (((1.0, 2.0),), TypeError, None),
            (((1.0, 2.0), (3.0, 4.0), 1984, 1), TypeError, None),
        ]
        for arguments, error, text in cases:
            with self.subTest(arguments=arguments):
                with self.assertRaises(error) as caught:
                    Projection.geodesics(*arguments)
                self.assertIs(type(caught.exception), error)
                if text is not None:
                    self.assertEqual(str(caught.exception), text)
        # Coincident positions answer before the table is read.
        self.assertEqual(Projection.geodesics((1.0, 2.0), (1.0, 2.0), 4326), 0.0)

    def test_items_are_read_by_index_where_each_step_needs_them(self):
        reads = []

        class Point:
            def __init__(self, name, lon, lat):
                self.name, self.values = name, (lon, lat)

            def __getitem__(self, index):
                reads.append((self.name, index))
                return self.values[index]

        self.assertEqual(Projection.geodesics(Point("p", 1.0, 2.0), Point("q", 3.0, 4.0)),
                         Projection.geodesics((1.0, 2.0), (3.0, 4.0)))
        self.assertEqual(reads, [("p", 0), ("q", 0), ("p", 1), ("q", 1), ("q", 0), ("p", 0)])
        reads.clear()
        Projection.geodesics(Point("p", 1.0, 2.0), Point("q", 1.0, 4.0))
        self.assertEqual(reads, [("p", 0), ("q", 0), ("p", 1), ("q", 1), ("p", 1), ("q", 1), ("q", 0), ("p", 0)])

    def test_integer_longitudes_are_subtracted_exactly(self):
        # 10**17 + 1 and 10**17 are one double apart only after subtracting.
        self.assertTrue(same(Projection.geodesics((10 ** 17, 0), (10 ** 17 + 1, 0)),
                             Projection.geodesics((0.0, 0.0), (1.0, 0.0))))

    def test_the_table_is_read_through_the_class(self):
        lookups = []

        class Table(dict):
            def __getitem__(self, key):
                lookups.append(key)
                return super().__getitem__(key)

        class Sphere(Projection):
            datum = Table({7: Projection.CRS(6371000.0, 0.0, "sphere", "sphere", "sphere")})

        self.assertAlmostEqual(Sphere.geodesics((0.0, 0.0), (90.0, 0.0), 7), 6371000.0 * math.pi / 2, delta=1e-6)
        self.assertEqual(lookups, [7, 7])  # f before the iteration, a after it
        lookups.clear()
        self.assertIsNone(Sphere().geodesics((0.0, 0.0), (NAN, 0.0), 7))  # a is never read
        self.assertEqual(lookups, [7])


if __name__ == "__main__":
    unittest.main()
