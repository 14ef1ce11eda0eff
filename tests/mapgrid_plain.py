"""MapGrid written plainly in Python, step by step with the host's own re and
math: the oracle of the differential tests and the baseline of the
benchmarks. Where rounding at a sheet edge would step outside the sheet that
the coarser step chose, rows and columns are clamped into it, as the module
does; a row letter whose upper case is no row letter is refused."""
import math
import re

FLAGS = re.IGNORECASE | re.MULTILINE

CORNER = r"^[\s]*([NS]?)[\s]*([A-W]{1})[\s]*[-]?[\s]*(([1-5][0-9])|(0[1-9])|(60))"
PREFIX_HYPHEN = r"^\s*([NS]?)\s*(\*?[A-W]{1})\s*-\s*(([1-5][0-9])|(0[1-9])|(60))(.*)$"
PREFIX_PLAIN = r"^[\s]*([NS]?)[\s]*(\*?[A-W]{1})[\s]*(([1-5][0-9])|(0[1-9])|(60))(.*)$"
NEW_THREE = r"^\s*([B-I])\s*(\d{3})\s*(\d{3})\s*$"
NEW_FOUR = r"^\s*([JK])\s*(\d{4})\s*(\d{4})\s*$"
OLD_500K = r"^\s*-\s*([A-D])\s*$"
OLD_250K = r"^\s*-\s*\[(\d{1,2})\]\s*$"
OLD_200K = r"^\s*-\s*\((\d{1,2})\)\s*$"
OLD_100K = r"^\s*-\s*(\d{1,3})(.*)$"
OLD_50K = r"^\s*-\s*([A-D])(.*)$"
OLD_25K = r"^\s*-\s*([1-4])\s*$"
OLD_10K = r"^\s*-\s*\((\d{1,2})\)(.*)$"
OLD_5K = r"^\s*-\s*([abcd])(.*)$"
OLD_2K = r"^\s*-\s*([1-9])(.*)$"
OLD_1K = r"^\s*-\s*([1-4])(.*)$"

SCALE_TEXT = "[1000000, 500000, 250000, 200000, 100000, 50000, 25000, 10000, 5000, 2000, 1000, 500]"

# scale: n, scale letter index, digits, height, width, parent scale, k, old-code suffix
SCALES = {
    1000000: (1, None, 2, 4, 6, None, 1, None),
    500000: (2, 0, 3, 2.0, 3.0, None, 2, "quarter"),
    250000: (4, 1, 3, 1.0, 1.5, None, 4, "[{}]"),
    200000: (6, None, 2, 0.6666666666666666, 1.0, None, 6, None),
    100000: (12, 2, 3, 0.3333333333333333, 0.5, None, 12, "{}"),
    50000: (24, 3, 3, 0.16666666666666666, 0.25, 100000, 2, "quarter"),
    25000: (48, 4, 3, 0.08333333333333333, 0.125, 50000, 2, "{}"),
    10000: (96, 5, 3, 0.041666666666666664, 0.0625, 100000, 8, "({})"),
    5000: (192, 6, 3, 0.020833333333333332, 0.03125, 10000, 2, "lower"),
    2000: (576, 7, 3, 0.006944444444444444, 0.010416666666666666, 5000, 3, "{}"),
    1000: (1152, 8, 4, 0.003472222222222222, 0.005208333333333333, 2000, 2, "{}"),
    500: (2304, 9, 4, 0.001736111111111111, 0.0026041666666666665, 1000, 2, "{}"),
}
NEW_LETTERS = {"B": (2, 500000), "C": (4, 250000), "D": (12, 100000), "E": (24, 50000), "F": (48, 25000),
               "G": (96, 10000), "H": (192, 5000), "I": (576, 2000), "J": (1152, 1000), "K": (2304, 500)}
ZOOMS = {15: (1000, 0.005208333333333333, 0.003472222222222222),
         14: (2000, 0.010416666666666666, 0.006944444444444444),
         13: (5000, 0.03125, 0.020833333333333332), 12: (10000, 0.0625, 0.041666666666666664),
         11: (25000, 0.125, 0.08333333333333333), 10: (50000, 0.25, 0.16666666666666666),
         9: (100000, 0.5, 0.3333333333333333), 8: (200000, 1.0, 0.6666666666666666), 7: (250000, 1.5, 1.0),
         6: (500000, 3.0, 2.0)}


def cell(longitude, latitude, lon1000000, lat1000000, scale):
    """Row and column of the sheet, clamped into the sheet of the parent scale."""
    n, _, _, _, _, parent, k, _ = SCALES[scale]
    row = n - math.floor(((latitude - lat1000000) * n) / 4.0)
    col = math.floor(((longitude - lon1000000) * n) / 6.0) + 1
    parent_row, parent_col = (1, 1) if parent is None else cell(longitude, latitude, lon1000000, lat1000000, parent)
    row = min(max(row, (parent_row - 1) * k + 1), parent_row * k)
    col = min(max(col, (parent_col - 1) * k + 1), parent_col * k)
    return row, col


def corner_edges(corner):
    """The first two values of a corner dictionary, by position."""
    values = list(corner.values())
    return values[0], values[1]


class PlainGrid:
    __mapcode = "ABCDEFGHIJKLMNOPQRSTUVW"
    __mapword = "ABCD"
    __mapword5000 = "abcd"
    __scalecode = "BCDEFGHIJK"

    @classmethod
    def __corner1000000(cls, code):
        match = re.search(CORNER, code, FLAGS)
        if match is None:
            raise Exception("Invalid [code] parameter.")
        index = cls.__mapcode.find(match.group(2).upper())
        if index < 0:
            raise Exception("Invalid [code] parameter.")
        south = index * 4
        if match.group(1).upper() == "S":
            south = -1 * (4 + south)
        return {"longitude": (int(match.group(3)) - 1) * 6 - 180, "latitude": south}


    @classmethod
    def map(cls, longitude, latitude, scale=1000000):
        longitude, latitude = float(longitude), float(latitude)
        if type(scale) is not int:
            raise TypeError("scale")
        if not -180 <= longitude <= 180:
            raise Exception("[{}] should be between [-180 ～ +180] in [longitude] parameter.".format(longitude))
        if not -90 <= latitude <= 90:
            raise Exception("[{}] should be between [-90 ～ +90] in [latitude] parameter.".format(latitude))
        row_index = math.floor(abs(latitude) / 4)
        sign = "" if latitude >= 0 else "S"
        letter = cls.__mapcode[row_index]
        column = math.floor(longitude / 6) + 31
        new1000000 = "{}{}{:0>2d}".format(sign, letter, column)
        old1000000 = "{}{}-{:0>2d}".format(sign, letter, column)
        lon1000000, lat1000000 = corner_edges(cls.__corner1000000(new1000000))
        if scale not in SCALES:
            raise Exception("[{}] Should be one of {} in [scale] parameter.".format(scale, SCALE_TEXT))
        if scale == 1000000:
            return {"new": new1000000, "old": old1000000,
                    "boundary": {"north": lat1000000 + 4, "south": lat1000000, "west": lon1000000,
                                 "east": lon1000000 + 6}}
        n, letter_index, digits, height, width, parent, k, suffix = SCALES[scale]
        row, col = cell(longitude, latitude, lon1000000, lat1000000, scale)
        if scale == 200000:
            new = old = "{}{}-{:0>2d}-({:0>2d})".format(sign, letter, math.floor((180 + longitude) / 6) + 1,
                                                          (row - 1) * 6 + col)
        else:
            new = "{}{}{:0>{d}d}{:0>{d}d}".format(new1000000, cls.__scalecode[letter_index], row, col, d=digits)
            head = old1000000 if parent is None else cls.map(longitude, latitude, parent)["old"]
            number = ((row - 1) % k) * k + (col - 1) % k + 1
            if suffix == "quarter":
                element = cls.__mapword[number - 1]
            elif suffix == "lower":
                element = cls.__mapword5000[number - 1]
            else:
                element = suffix.format(number)
            old = "{}-{}".format(head, element)
        south = lat1000000 + ((n - row) * 4.0) / n
        west = lon1000000 + ((col - 1) * 6.0) / n
        return {"new": new, "old": old,
                "boundary": {"north": south + height, "south": south, "west": west, "east": west + width}}

    @classmethod
    def parse(cls, code):
        if type(code) is not str:
            raise TypeError("code")
        match = re.search(PREFIX_HYPHEN, code, FLAGS) or re.search(PREFIX_PLAIN, code, FLAGS)
        if match is None:
            raise Exception("Unable to recognize [code] parameter.")
        parameter = ["S" if match.group(1).upper() == "S" else "N", match.group(2).upper(), match.group(3)]
        lon, lat = corner_edges(cls.__corner1000000("".join(parameter)))
        reset = match.group(7).strip()
        if len(reset) == 0:
            return {"scale": 1000000, "boundary": {"north": lat + 4, "south": lat, "west": lon, "east": lon + 6}}
        new = re.search(NEW_THREE, reset, FLAGS) or re.search(NEW_FOUR, reset, FLAGS)
        if new is not None:
            return cls.__new_code(new, lon, lat)
        # The helpers take the receiver as it is, so that an instance's own
        # attributes are read as parse itself would read them.
        return PlainGrid.__old_code(cls, code, reset, parameter, lon, lat)

    @classmethod
    def __new_code(cls, match, lon, lat):
        letter, row_text, col_text = match.groups()
        r, c = int(row_text), int(col_text)
        if not r * c > 0:
            raise Exception("[{} {}] should be greater than 0 in [code] parameter.".format(row_text, col_text))
        for text, value in ((row_text, r), (col_text, c)):
            if value > 2304:
                raise Exception("[{}] should be between [1～2304] in [code] parameter.".format(text))
        first = letter.upper()[0]
        if first not in NEW_LETTERS:
            raise Exception("[{}] should be one of [BCDEFGHIJK] in [code] parameter.".format(first))
        n, scale = NEW_LETTERS[first]
        for text, value in ((row_text, r), (col_text, c)):
            if value > n:
                raise Exception("[{}] should be between [1～{}] in [code] parameter.".format(text, n))
        return {"scale": scale, "boundary": {"north": (lat + ((n - r) * 4.0) / n) + (4.0 / n),
                                             "south": lat + ((n - r) * 4.0) / n,
                                             "west": lon + ((c - 1) * 6.0) / n,
                                             "east": (lon + ((c - 1) * 6.0) / n) + (6.0 / n)}}

    @staticmethod
    def __rewrite(cls, parameter, letter, row, col):
        width = "{:0>4d}" if letter in "JK" else "{:0>3d}"
        result = cls.parse("".join(parameter + [letter, width.format(row), width.format(col)]))
        if result is not None and type(result) is not dict:
            raise TypeError("Expected dict, got {}".format(type(result).__name__))
        return result

    @staticmethod
    def __check(text, limit):
        if not 0 < int(text) <= limit:
            raise Exception("[{}] should be between [1～{}] in [code] parameter.".format(text, limit))
        return int(text)

    @staticmethod
    def __old_code(cls, code, reset, parameter, lon, lat):
        match = re.search(OLD_500K, reset, FLAGS)
        if match:
            letter = match.group(1).upper()
            p = cls.__mapword.find(letter[0])
            if p == -1:
                raise Exception("[{}] should be one of [ABCD] in [code] parameter.".format(letter))
            return PlainGrid.__rewrite(cls, parameter, "B", math.ceil((p + 0.5) / 2), p % 2 + 1)
        match = re.search(OLD_250K, reset, FLAGS)
        if match:
            p = cls.__check(match.group(1), 16)
            return PlainGrid.__rewrite(cls, parameter, "C", math.ceil((p - 0.5) / 4), (p - 1) % 4 + 1)
        match = re.search(OLD_200K, reset, FLAGS)
        if match:
            p = cls.__check(match.group(1), 36)
            row = (p - 1) // 6 + 1
            col = p - (row - 1) * 6
            return {"scale": 200000, "boundary": {"north": (lat + ((6 - row) * 4.0) / 6.0) + 0.6666666666666666,
                                                  "south": lat + ((6 - row) * 4.0) / 6.0,
                                                  "west": lon + ((col - 1) * 6.0) / 6.0,
                                                  "east": (lon + ((col - 1) * 6.0) / 6.0) + 1.0}}
        match = re.search(OLD_100K, reset, FLAGS)
        if not match:
            raise Exception("Invalid [code] parameter.")
        p = cls.__check(match.group(1), 144)
        reset = match.group(2).strip()
        row, col = math.ceil((p - 0.5) / 12), (p - 1) % 12 + 1
        if not reset:
            return PlainGrid.__rewrite(cls, parameter, "D", row, col)
        match = re.search(OLD_50K, reset, FLAGS)
        if match:
            p = cls.__mapword.find(match.group(1).upper()[0])
            row, col = (row - 1) * 2 + math.ceil((p + 0.5) / 2), (col - 1) * 2 + p % 2 + 1
            reset = match.group(2)
            if not reset:
                return PlainGrid.__rewrite(cls, parameter, "E", row, col)
            match = re.search(OLD_25K, reset, FLAGS)
            if not match:
                raise Exception("[{}] should be between [1～4] in [code] parameter.".format(code))
            p = int(match.group(1))
            return PlainGrid.__rewrite(cls, parameter, "F", (row - 1) * 2 + math.ceil((p - 0.5) / 2),
                                 (col - 1) * 2 + (p - 1) % 2 + 1)
        match = re.search(OLD_10K, reset, FLAGS)
        if not match:
            raise Exception("Invalid [code] parameter.")
        p = cls.__check(match.group(1), 64)
        row, col = (row - 1) * 8 + math.ceil((p - 0.5) / 8), (col - 1) * 8 + (p - 1) % 8 + 1
        reset = match.group(2).strip()
        if not reset:
            return PlainGrid.__rewrite(cls, parameter, "G", row, col)
        match = re.search(OLD_5K, reset, FLAGS)
        if not match:
            raise Exception("Invalid [code] parameter.")
        p = cls.__mapword5000.find(match.group(1).lower()[0])
        row, col = (row - 1) * 2 + math.ceil((p + 0.5) / 2), (col - 1) * 2 + p % 2 + 1
        reset = match.group(2).strip()
        if not reset:
            return PlainGrid.__rewrite(cls, parameter, "H", row, col)
        for pattern, k, letter in ((OLD_2K, 3, "I"), (OLD_1K, 2, "J"), (OLD_1K, 2, "K")):
            match = re.search(pattern, reset, FLAGS)
            if not match:
                raise Exception("Invalid [code] parameter.")
            p = int(match.group(1))
            row, col = (row - 1) * k + math.ceil((p - 0.5) / k), (col - 1) * k + (p - 1) % k + 1
            reset = match.group(2).strip()
            if not reset or letter == "K":
                return PlainGrid.__rewrite(cls, parameter, letter, row, col)

    @staticmethod
    def grid(north, south, west, east, zoom=0, summary=False):
        north, south, west, east = float(north), float(south), float(west), float(east)
        if type(zoom) is not int:
            raise TypeError("zoom")
        return PlainGrid.__lines(north, south, west, east, zoom, summary)

    @staticmethod
    def __lines(north, south, west, east, zoom, summary):
        if not -90 <= north <= 90:
            raise Exception("[{}] should be between [-90 ～ +90] in [north] parameter.".format(north))
        if not -90 <= south <= 90:
            raise Exception("[{}] should be between [-90 ～ +90] in [south] parameter.".format(south))
        if north < south:
            raise Exception("[north:{}] should be greater than [south:{}] in parameters.".format(north, south))
        if not -180 <= west <= 180:
            raise Exception("[{}] should be between [-180 ～ +180] in [west] parameter.".format(west))
        if not -180 <= east <= 180:
            raise Exception("[{}] should be between [-180 ～ +180] in [east] parameter.".format(east))
        if west > east:
            raise Exception("[east:{}] should be greater than [west:{}] in parameters.".format(east, west))
        if zoom >= 16:
            scale, delta_lng, delta_lat = 500, 0.0026041666666666665, 0.001736111111111111
        else:
            scale, delta_lng, delta_lat = ZOOMS.get(zoom, (1000000, 6.0, 4.0))
        north_grid = math.ceil(north / delta_lat) * delta_lat
        south_grid = math.floor(south / delta_lat) * delta_lat
        west_grid = math.floor(west / delta_lng) * delta_lng
        east_grid = math.ceil(east / delta_lng) * delta_lng
        if summary:
            yield {"count": [int((east_grid - west_grid) // delta_lng) + 1,
                             int((north_grid - south_grid) // delta_lat) + 1],
                   "step": [delta_lng, delta_lat], "scale": scale}
            return
        lng, lat = west_grid, south_grid
        while lng <= east_grid:
            if west <= lng <= east:
                yield {"remarks": "longitude", "type": "LineString",
                       "coordinates": [[lng, max(south_grid, south)], [lng, min(north_grid, north)]], "scale": scale}
            lng = lng + delta_lng
        while lat <= north_grid:
            if south <= lat <= north:
                yield {"remarks": "latitude", "type": "LineString",
                       "coordinates": [[max(west_grid, west), lat], [min(east_grid, east), lat]], "scale": scale}
            lat = lat + delta_lat
