"""Projection.webMercator: spherical Mercator on the WGS 84 semi-major axis,
forward and inverse, against PROJ and against the formulas written out in
Python, with its argument and range checks."""
import math
import random
import unittest

from src.kestrinpy import Projection
from tests import projection_reference as reference
from tests.support import outcome, same

NAN = float("nan")
INF = float("inf")


class AgreementTest(unittest.TestCase):
    def test_agrees_with_proj(self):
        # Forward to a few nanometres (more near the poles, where y changes
        # fastest); the inverse of PROJ's millimetre-rounded planes to 1e-9°.
        for row in reference.read_table("proj_reference.csv"):
            if row["projection"] != "webMercator":
                continue
            in1, in2, out1, out2 = (float(row[k]) for k in ("in1", "in2", "out1", "out2"))
            with self.subTest(row=row):
                if row["direction"] == "forward":
                    x, y = Projection.webMercator(in1, in2)
                    tolerance = 3e-9 if abs(in2) <= 85 else 3e-7
                    self.assertLess(abs(x - out1), tolerance)
                    self.assertLess(abs(y - out2), tolerance)
                else:
                    longitude, latitude = Projection.webMercator(x=in1, y=in2)
                    self.assertLess(abs((longitude - out1 + 180) % 360 - 180), 1e-9)
                    self.assertLess(abs(latitude - out2), 1e-9)

    def test_bit_exact_with_the_written_formulas(self):
        rng = random.Random(104)
        edges = [0.0, -0.0, 180.0, -180.0, 90.0, -90.0, 200.0, -90.5, NAN, INF, -INF, 1e-300, 4.5e9, -1e10]
        for _ in range(3000):
            a, b = (rng.choice(edges) if rng.random() < 0.1 else rng.uniform(-190.0, 190.0) for _ in range(2))
            x, y = rng.uniform(-2.1e7, 2.1e7), rng.choice([rng.uniform(-4e7, 4e7), rng.choice(edges)])
            for keywords in ({"longitude": a, "latitude": b / 2}, {"x": x, "y": y}):
                ours = outcome(Projection.webMercator, **keywords)
                theirs = outcome(reference.web_mercator, Projection, **keywords)
                self.assertTrue(same(ours, theirs), (keywords, ours, theirs))


class BehaviourTest(unittest.TestCase):
    def test_worked_values(self):
        radius = 6378137.0
        cases = [
            # The tangent of the halved right angle comes out just below 1.
            ((0.0, 0.0), (0.0, -7.081154551613622e-10)),
            ((180.0, 0.0), (math.radians(180) * radius, -7.081154551613622e-10)),
            ((-180.0, 0.0), (-math.radians(180) * radius, -7.081154551613622e-10)),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                self.assertTrue(same(Projection.webMercator(*arguments), expected))
        self.assertGreater(Projection.webMercator(0.0, 90.0)[1], 2.3e8)
        self.assertTrue(same(Projection.webMercator(x=0.0, y=0.0), (0.0, 0.0)))
        x180 = Projection.webMercator(180.0, 0.0)[0]
        self.assertEqual(Projection.webMercator(x=x180, y=0.0)[0], 180.00000000000003)
        self.assertEqual(Projection.webMercator(x=0.0, y=-1.0e10), (0.0, -90.0))

    def test_round_trip_within_a_few_units_in_the_last_place(self):
        x, y = Projection.webMercator(116.3913112879, 39.9055966108)
        longitude, latitude = Projection.webMercator(x=x, y=y)
        self.assertAlmostEqual(longitude, 116.3913112879, delta=3e-14)
        self.assertAlmostEqual(latitude, 39.9055966108, delta=3e-14)

    def test_direction_and_failures(self):
        message = "Invalid [{}: {}] parameter. Should be between -{} and +{}."
        cases = [
            ((200.0, 0.0), {}, Exception, message.format("longitude", "200.0", 180, 180)),
            ((360.0, 100.0), {}, Exception, message.format("longitude", "360.0", 180, 180)),
            ((0.0, 100.0), {}, Exception, message.format("latitude", "100.0", 90, 90)),
            ((NAN, 0.0), {}, Exception, message.format("longitude", "nan", 180, 180)),
            ((0.0, -90.0), {}, ValueError, "math domain error"),
            ((), {"x": 0.0, "y": 1.0e10}, OverflowError, "math range error"),
            ((), {"longitude": 1.0}, Exception, "Invalid parameter."),
            ((), {}, Exception, "Invalid parameter."),
            ((1.0, None, 2.0), {}, Exception, "Invalid parameter."),
            ((116, 39), {}, TypeError,
             "Argument 'longitude' has incorrect type (expected float, got int)"),
            ((1.0, 2.0, 3, 4), {}, TypeError, "Argument 'x' has incorrect type (expected float, got int)"),
            ((1.0, 2.0, 3.0, 4.0, 5.0), {}, TypeError, None),
            ((), {"lon": 1.0}, TypeError, None),
        ]
        for arguments, keywords, error, text in cases:
            with self.subTest(arguments=arguments, keywords=keywords):
                with self.assertRaises(error) as caught:
                    Projection.webMercator(*arguments, **keywords)
                self.assertIs(type(caught.exception), error)
                if text is not None:
                    self.assertEqual(str(caught.exception), text)

    def test_pairs_select_the_direction(self):
        # A longitude without a latitude falls through to x and y; both pairs run forward.
        self.assertEqual(Projection.webMercator(1.0, None, 2.0, 3.0), Projection.webMercator(x=2.0, y=3.0))
        self.assertEqual(Projection.webMercator(1.0, 2.0, 3.0, 4.0), Projection.webMercator(1.0, 2.0))

    def test_the_radius_is_read_through_the_class_at_every_call(self):
        class Doubled(Projection):
            datum = {1984: Projection.CRS(2 * 6378137.0, 0.0, "sphere", "sphere", "sphere")}

        x, y = Projection.webMercator(10.0, 20.0)
        self.assertEqual(Doubled.webMercator(10.0, 20.0), (2 * x, 2 * y))
        self.assertEqual(Doubled().webMercator(10.0, 20.0), (2 * x, 2 * y))
        record = Doubled.datum[1984]
        record.a = 6378137
        self.assertEqual(Doubled.webMercator(10.0, 20.0), (x, y))
        record.a = "far"
        with self.assertRaisesRegex(TypeError, "^Expected float, got str$"):
            Doubled.webMercator(x=1.0, y=2.0)

        class Elsewhere(Projection):
            datum = {2000: Projection.datum[2000]}

        with self.assertRaises(KeyError):
            Elsewhere.webMercator(1.0, 2.0)


if __name__ == "__main__":
    unittest.main()
