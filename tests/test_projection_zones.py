"""Zone numbers and central meridians: borders, both zone widths, the host's
float % and // on many longitudes, argument rules, and subclasses that replace zone."""
import math
import random
import unittest

from src.kestrinpy import Projection
from tests import projection_reference as reference

LONGITUDE_MESSAGE = "Invalid [longitude: {}] parameter. Should be between -180 and +180."


class ZoneTest(unittest.TestCase):
    def test_zone_numbers(self):
        cases = [(0, 6, 1), (5.9999, 6, 1), (6, 6, 2), (116.3, 6, 20), (-0.0001, 6, 60), (-6, 6, 60),
                 (-6.0001, 6, 59), (180, 6, 31), (-180, 6, 31), (-1e-20, 6, 1), (-0.0, 6, 1),
                 (0.5, 3, 1), (1.5, 3, 1), (4.4999, 3, 1), (4.5, 3, 2), (116.3, 3, 39), (178.5, 3, 60),
                 (180, 3, 60), (-180, 3, 60), (-1.5, 3, 120), (-1.5001, 3, 119), (-1e-20, 3, 1),
                 (100, 5, 17), (100, 0, 17), (100, -3, 17), (100, 10**30, 17), (True, 6, 1)]
        for longitude, code, expected in cases:
            with self.subTest(longitude=longitude, zoneCode=code):
                answer = Projection.zone(longitude, code)
                self.assertIs(type(answer), int)
                self.assertEqual(answer, expected)
        self.assertEqual(Projection.zone(longitude=116.3, zoneCode=3), 39)
        self.assertEqual(Projection.zone(100), 17)

    def test_host_arithmetic_on_many_longitudes(self):
        rng = random.Random(14)
        # the doubles nearest every zone border (the multiples of 1.5°)
        borders = []
        for border in [b / 2 for b in range(-360, 361, 3)]:
            below = above = float(border)
            for _ in range(6):
                borders += [below, above]
                below, above = math.nextafter(below, -math.inf), math.nextafter(above, math.inf)
        longitudes = [rng.uniform(-180, 180) for _ in range(20000)] + [b for b in borders if -180 <= b <= 180]
        longitudes += [-1e-20, -5e-324, 5e-324, -1e-300, 1e-16, -1e-13]
        for code in (3, 6):
            for longitude in longitudes:
                if Projection.zone(longitude, code) != reference.zone(Projection, longitude, code):
                    self.fail(f"zone({longitude!r}, {code})")

    def test_out_of_range(self):
        for longitude, text in [(180.0001, "180.0001"), (200, "200.0"), (-1e300, "-1e+300"),
                                (float("nan"), "nan"), (float("inf"), "inf")]:
            with self.subTest(longitude):
                with self.assertRaises(Exception) as caught:
                    Projection.zone(longitude)
                self.assertIs(type(caught.exception), Exception)
                self.assertEqual(str(caught.exception), LONGITUDE_MESSAGE.format(text))

    def test_argument_types(self):
        cases = [((100, True), TypeError, "Argument 'zoneCode' has incorrect type (expected int, got bool)"),
                 ((100, 6.0), TypeError, "Argument 'zoneCode' has incorrect type (expected int, got float)"),
                 ((None,), TypeError, "must be real number, not NoneType"),
                 (("1",), TypeError, "must be real number, not str"),
                 ((10**400,), OverflowError, "int too large to convert to float"),
                 # the float conversion of longitude comes before the type test of zoneCode
                 ((None, None), TypeError, "must be real number, not NoneType")]
        for args, error, text in cases:
            with self.subTest(args=args):
                with self.assertRaises(error) as caught:
                    Projection.zone(*args)
                self.assertEqual(str(caught.exception), text)


class CentralMeridianTest(unittest.TestCase):
    def test_meridians(self):
        cases = [({"zone": 20}, 117.0), ({"zone": 1}, 3.0), ({"zone": 30}, 177.0), ({"zone": 31}, -177.0),
                 ({"zone": 60}, -3.0), ({"zone": 60, "zoneCode": 3}, 180), ({"zone": 61, "zoneCode": 3}, -177),
                 ({"zone": 120, "zoneCode": 3}, 0), ({"zone": 1, "zoneCode": 3}, 3),
                 ({"longitude": 116.3}, 117.0), ({"longitude": 116.3, "zoneCode": 3}, 117),
                 ({"longitude": 0.5, "zoneCode": 3}, 3), ({"longitude": 116.3, "zone": 5}, 117.0),
                 ({"longitude": 180.0}, -177.0), ({"longitude": -180.0}, -177.0), ({"longitude": -0.5}, -3.0),
                 ({"zone": 20, "zoneCode": 4}, 117.0)]
        for kwargs, expected in cases:
            with self.subTest(**kwargs):
                answer = Projection.centralMeridian(**kwargs)
                self.assertIs(type(answer), type(expected))
                self.assertEqual(answer, expected)
        for zone in range(1, 61):
            self.assertEqual(Projection.centralMeridian(zone=zone), (zone - 0.5) * 6 - (0 if zone <= 30 else 360))

    def test_failures(self):
        cases = [({}, Exception, "Invalid [zone] parameter."),
                 ({"zoneCode": 3}, Exception, "Invalid [zone] parameter."),
                 ({"zone": 0}, Exception, "Invalid [zone: 0] parameter. Should be between 1 and 60."),
                 ({"zone": 61}, Exception, "Invalid [zone: 61] parameter. Should be between 1 and 60."),
                 ({"zone": -10**30}, Exception,
                  f"Invalid [zone: {-10**30}] parameter. Should be between 1 and 60."),
                 ({"zone": 100, "zoneCode": 4}, Exception,
                  "Invalid [zone: 100] parameter. Should be between 1 and 60."),
                 ({"zone": 121, "zoneCode": 3}, Exception,
                  "Invalid [zone: 121] parameter. Should be between 1 and 120."),
                 ({"longitude": 181.0}, Exception, LONGITUDE_MESSAGE.format("181.0")),
                 ({"longitude": float("nan"), "zone": 3}, Exception, LONGITUDE_MESSAGE.format("nan")),
                 ({"longitude": 116}, TypeError,
                  "Argument 'longitude' has incorrect type (expected float, got int)"),
                 ({"zone": 20.0}, TypeError, "Argument 'zone' has incorrect type (expected int, got float)"),
                 ({"zone": True}, TypeError, "Argument 'zone' has incorrect type (expected int, got bool)"),
                 ({"zone": 20, "zoneCode": None}, TypeError,
                  "Argument 'zoneCode' has incorrect type (expected int, got NoneType)"),
                 ({"longitude": 1, "zone": 1.0}, TypeError,
                  "Argument 'longitude' has incorrect type (expected float, got int)")]
        for kwargs, error, text in cases:
            with self.subTest(**kwargs):
                with self.assertRaises(error) as caught:
                    Projection.centralMeridian(**kwargs)
                self.assertIs(type(caught.exception), error)
                self.assertEqual(str(caught.exception), text)

    def test_zone_is_reached_through_the_class(self):
        calls = []

        class Shifted(Projection):
            @classmethod
            def zone(cls, longitude, zoneCode=6):
                calls.append((longitude, zoneCode))
                return super().zone(longitude, zoneCode) + 1

        self.assertEqual(Shifted.centralMeridian(116.3), 123.0)
        self.assertEqual(Shifted.centralMeridian(116.3, zoneCode=3), 120)
        self.assertEqual(calls, [(116.3, 6), (116.3, 3)])
        self.assertEqual(Shifted().centralMeridian(116.3), 123.0)
        with self.assertRaises(Exception) as caught:
            Shifted.centralMeridian(-1.0)
        self.assertEqual(str(caught.exception), "Invalid [zone: 61] parameter. Should be between 1 and 60.")
        self.assertEqual(Projection.centralMeridian(116.3), 117.0)

    def test_replaced_zone_answers(self):
        cases = [("20", TypeError, "Expected int, got str"), (20.0, TypeError, "Expected int, got float"),
                 (True, TypeError, "Expected int, got bool"), (None, Exception, "Invalid [zone] parameter."),
                 (10**30, Exception, f"Invalid [zone: {10**30}] parameter. Should be between 1 and 60.")]
        for answer, error, text in cases:
            with self.subTest(answer=answer):
                Fixed = type("Fixed", (Projection,), {"zone": classmethod(lambda cls, longitude, zoneCode: answer)})
                with self.assertRaises(error) as caught:
                    Fixed.centralMeridian(1.0)
                self.assertIs(type(caught.exception), error)
                self.assertEqual(str(caught.exception), text)

    def test_zone_called_by_keyword(self):
        class Keywords(Projection):
            @classmethod
            def zone(cls, *, longitude, zoneCode):
                return 10

        self.assertEqual(Keywords.centralMeridian(1.0), 57.0)


if __name__ == "__main__":
    unittest.main()
