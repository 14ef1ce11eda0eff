"""Angle conversion written plainly with the host's re, float, int, math and
round: the reference that the tests hold the module's scanners against, and the
baseline that the benchmark compares with."""
import math
import re

DECIMAL = r"^\s*([+-]?)([0-3]?[0-9]{1,2}((\.\d*)|()))\s*(度|°)?\s*$"
PACKED = r"^\s*([\-+]?)([0-3]?[0-9]{1,2})(([0-5][0-9])|(60))((([0-5][0-9])|(60))((\.\d*)|()))(度|°)?\s*$"
MARKED = (r"^\s*([\-+]?)(([0-3]?\d{1,2})[°度])?((([0-5]?\d)|(60))[′分])?"
          r"(((([0-5]?\d)|(60))((\.\d*)|()))[″秒])?\s*$")


def text_of(value):
    return value if type(value) is str else str(value)


def angle(deg=None, dms=None, digit=None):
    if deg is not None:
        match = re.search(DECIMAL, text_of(deg))
        if not match:
            raise Exception("Invalid [deg] parameter.")
        sign = match.group(1) == "-"
        magnitude = float(match.group(2))
        if not magnitude <= 360:
            raise Exception("[{}] should be between [-360 ～ +360] in [deg] parameter.".format(magnitude))
        d = math.floor(magnitude)
        m = math.floor((magnitude - d) * 60)
        s = (magnitude - d) * 3600.0 - m * 60.0
        if s >= 60.0:
            s -= 60
            m += 1
        if m >= 60:
            m -= 60
            d += 1
        seconds = s if digit is None else round(s, abs(int(digit)))
        return "{}{}°{}′{}″".format("-" if sign else "", d, m, seconds)
    if dms is not None:
        text = text_of(dms)
        match = re.search(DECIMAL, text)
        if match:
            result = float(match.group(2))
            if match.group(1) == "-":
                result *= -1
        else:
            match = re.search(PACKED, text)
            if match:
                sign = match.group(1) == "-"
                d, m, s = int(match.group(2)), int(match.group(3)), float(match.group(6))
            else:
                match = re.search(MARKED, text)
                if not match:
                    raise Exception("Invalid [dms] parameter.")
                sign = match.group(1) == "-"
                d = int(match.group(3)) if match.group(3) else 0
                m = int(match.group(5)) if match.group(5) else 0
                s = float(match.group(9)) if match.group(9) else 0.0
            result = (-1 if sign else 1) * ((d + m / 60.0) + s / 3600.0)
        if not abs(result) <= 360:
            raise Exception("[{}] should be between [-360 ～ +360] in [dms] parameter.".format(dms))
        return result if digit is None else round(result, abs(int(digit)))
    raise Exception("Invalid parameter.")
