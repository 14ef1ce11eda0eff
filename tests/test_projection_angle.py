"""Angle conversion both ways: the worked cases, the failures and their order,
the conversions of digit, and many texts held against the host's own re,
float, int and round (tests/angle_reference.py)."""
import random
import unittest

from src.kestrinpy import Projection
from tests.angle_reference import angle as reference

DEG_RANGE = "[{}] should be between [-360 ～ +360] in [deg] parameter."
DMS_RANGE = "[{}] should be between [-360 ～ +360] in [dms] parameter."


def outcome(function, **arguments):
    try:
        value = function(**arguments)
        return type(value), repr(value)
    except Exception as error:  # the type and text are what is compared
        return type(error), str(error)


class Text:
    def __str__(self):
        return "116°30′"


class AngleTest(unittest.TestCase):
    def test_degrees_to_text(self):
        cases = [({"deg": 116.5}, "116°30′0.0″"), ({"deg": 116.01}, "116°0′36.00000000001842″"),
                 ({"deg": 116.01, "digit": 2}, "116°0′36.0″"), ({"deg": 116.01, "digit": "2"}, "116°0′36.0″"),
                 ({"deg": 116.01, "digit": -2}, "116°0′36.0″"), ({"deg": 116.01, "digit": 0}, "116°0′36.0″"),
                 ({"deg": -0.5}, "-0°30′0.0″"), ({"deg": 360}, "360°0′0.0″"), ({"deg": 0}, "0°0′0.0″"),
                 ({"deg": -0.0}, "-0°0′0.0″"), ({"deg": " -116.5 度 "}, "-116°30′0.0″"),
                 ({"deg": "116.5°"}, "116°30′0.0″"), ({"deg": "+3.５"}, "3°30′0.0″"),
                 ({"deg": 1.9999999, "digit": 2}, "1°59′60.0″"), ({"deg": 116.01, "digit": 2.9}, "116°0′36.0″"),
                 ({"deg": 116.01, "digit": True}, "116°0′36.0″"), ({"deg": 116.01, "digit": 10**30},
                                                                   "116°0′36.00000000001842″"),
                 ({"deg": 116.01, "dms": "x"}, "116°0′36.00000000001842″")]
        for arguments, expected in cases:
            with self.subTest(**arguments):
                self.assertEqual(Projection.angle(**arguments), expected)

    def test_text_to_degrees(self):
        cases = [("116°30′30″", 116.50833333333334), ("116度30分30秒", 116.50833333333334),
                 (1163030, 116.50833333333334), ("1163030.5", 116.50847222222222), ("12345", 1 + 23 / 60 + 45 / 3600),
                 ("30′", 0.5), ("45″", 0.0125), ("-116°30′", -116.5), ("116°", 116.0), ("", 0.0), (" \u3000", 0.0),
                 ("-", -0.0), ("1°60′", 2.0), ("0006060", 1.0166666666666666), ("1°59′60.0″", 2.0),
                 (116.5, 116.5), ("٣°", 3.0), ("+1163030度 ", 116.50833333333334), (Text(), 116.5)]
        for dms, expected in cases:
            with self.subTest(dms=dms):
                answer = Projection.angle(dms=dms)
                self.assertIs(type(answer), float)
                self.assertEqual(repr(answer), repr(expected))
        self.assertEqual(Projection.angle(dms=1163030, digit=4), 116.5083)
        self.assertEqual(Projection.angle(dms="116°30′30″", digit="2"), 116.51)
        self.assertEqual(Projection.angle(None, "30′", None), 0.5)

    def test_failures(self):
        cases = [({"deg": -365}, Exception, DEG_RANGE.format("365.0")),
                 ({"deg": "399.5"}, Exception, DEG_RANGE.format("399.5")),
                 ({"deg": 400}, Exception, "Invalid [deg] parameter."),
                 ({"deg": 0.00001}, Exception, "Invalid [deg] parameter."),
                 ({"deg": True}, Exception, "Invalid [deg] parameter."),
                 ({"deg": float("nan")}, Exception, "Invalid [deg] parameter."),
                 ({"deg": "٣.5"}, Exception, "Invalid [deg] parameter."),  # degrees in ASCII digits only
                 ({"deg": "abc", "dms": "116.5"}, Exception, "Invalid [deg] parameter."),
                 ({}, Exception, "Invalid parameter."), ({"digit": 2}, Exception, "Invalid parameter."),
                 ({"dms": "116° 30′"}, Exception, "Invalid [dms] parameter."),
                 ({"dms": "116°30'"}, Exception, "Invalid [dms] parameter."),
                 ({"dms": "1234567"}, Exception, "Invalid [dms] parameter."),
                 ({"dms": "400"}, Exception, "Invalid [dms] parameter."),
                 ({"dms": "365"}, Exception, DMS_RANGE.format("365")),
                 ({"dms": 3605959}, Exception, DMS_RANGE.format("3605959")),
                 ({"dms": 365.0}, Exception, DMS_RANGE.format("365.0")),
                 ({"deg": 116.5, "digit": "x"}, ValueError, "invalid literal for int() with base 10: 'x'"),
                 ({"deg": 116.5, "digit": float("nan")}, ValueError, "cannot convert float NaN to integer"),
                 ({"dms": "1", "digit": object()}, TypeError,
                  "int() argument must be a string, a bytes-like object or a real number, not 'object'"),
                 ({"deg": "abc", "digit": "x"}, Exception, "Invalid [deg] parameter."),
                 ({"dms": "365", "digit": "x"}, Exception, DMS_RANGE.format("365"))]
        for arguments, error, text in cases:
            with self.subTest(**arguments):
                with self.assertRaises(error) as caught:
                    Projection.angle(**arguments)
                self.assertIs(type(caught.exception), error)
                self.assertEqual(str(caught.exception), text)

    def test_texts_against_the_host(self):
        rng = random.Random(102)
        digits = list("0123456789") * 6 + ["٣", "０", "５", "६", "𝟘", "߁"]
        spaces = [" ", "", "", "\u3000", "\x1c", "\x85", "\t", "\n", "\u200b"]

        def number(low, high):
            return "".join(rng.choice(digits) if rng.random() < 0.2 else rng.choice("0123456789")
                           for _ in range(rng.randint(low, high)))

        def fraction():
            return rng.choice(["", "", ".", "." + number(1, 3), "." + number(1, 25)])

        def text():
            form = rng.randrange(3)
            t = rng.choice(spaces) + rng.choice(["", "", "-", "+", "--"])
            if form == 0:
                t += number(0, 4) + fraction() + rng.choice(spaces) + rng.choice(["", "°", "度", "′"])
            elif form == 1:
                t += number(4, 8) + fraction() + rng.choice(["", "°", "度", " °"])
            else:
                if rng.random() < 0.7:
                    t += number(0, 4) + rng.choice("°度′")
                if rng.random() < 0.7:
                    t += rng.choice([number(0, 3), "60", "61", "6٠"]) + rng.choice("′分″")
                if rng.random() < 0.7:
                    t += rng.choice([number(0, 3), "60", "61"]) + fraction() + rng.choice("″秒′")
            t += rng.choice(spaces)
            if rng.random() < 0.2 and t:  # one character dropped, changed or added
                i, edit = rng.randrange(len(t)), rng.randrange(3)
                c = rng.choice(digits + spaces + list("°度′分″秒.-+"))
                t = t[:i] + (c if edit else "") + t[i + (edit != 2):]
            return t

        for _ in range(20000):
            t = text()
            for arguments in ({"dms": t}, {"deg": t}, {"dms": t, "digit": rng.randint(-4, 12)},
                              {"deg": t, "digit": rng.choice([None, 0, 3, "2", 2.7])}):
                if outcome(Projection.angle, **arguments) != outcome(reference, **arguments):
                    self.fail(f"angle(**{arguments!r})")

    def test_numbers_against_the_host(self):
        rng = random.Random(103)
        for _ in range(20000):
            x = rng.choice([rng.uniform(-400, 400), rng.uniform(-1e-3, 1e-3), rng.randint(-400, 4000000),
                            round(rng.uniform(-400, 400), rng.randint(0, 6))])
            for arguments in ({"dms": x}, {"deg": x}, {"deg": x, "digit": rng.randint(0, 14)},
                              {"dms": x, "digit": rng.randint(0, 14)}):
                if outcome(Projection.angle, **arguments) != outcome(reference, **arguments):
                    self.fail(f"angle(**{arguments!r})")


if __name__ == "__main__":
    unittest.main()
