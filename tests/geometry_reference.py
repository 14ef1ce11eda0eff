"""The geometry text readers written with the host's re and json, step by step:
the reference that the module's C++ scanners are held against, on many random
texts, in tests/test_geometry_scanners.py."""
import random
import re

GEOJSON_TEST = r"\[[\s\S]+?\]"
WKT_TEST = r"\([\s\S]+?\)"
WKT_SPLIT = r"[\s]*([^\(\)]*)[\s]*(\([\s\S]+\))"
POINT_STEP = r"^\(([^\(,\)]*)\)$"
LINE_STEP = r"^\(([^\(\)]*)\)$"
# The ring-list step as first written backtracks exponentially on hostile
# texts; the second form matches the same texts with the same group.
RING_LIST_STEP = r"^\(\s*((\([^\(\)]+\)\s*,?\s*)*)\s*\)$"
RING_LIST_STEP_LINEAR = r"^\(\s*((?:\([^\(\)]+\)\s*(?:,\s*)?)*)\s*\)$"
MEMBER = r"((Point|MultiPoint|LineString|MultiLineString|Polygon|MultiPolygon)[\s]*\([^\(\)]+\))"
POLYGON = r"(\(\s*(\([^\(\)]+\)\s*,?)+\s*\))"
RING = r"\([^\(\)]*\)"


def free_text_tokens(text):
    text = re.sub(r"(\s*[,，]+\s*)+", ",", text.strip())
    text = re.sub(r"[\s　]+", " ", text)
    return re.split(r"[,\s]+", text)


def first_word(name):
    return re.sub(r"([\S]+)[\s\S]*", r"\1", name, flags=re.MULTILINE)


def body_step(body, step):
    pattern = {"point": POINT_STEP, "line": LINE_STEP, "rings": RING_LIST_STEP_LINEAR}[step]
    match = re.search(pattern, body)
    return match.group(1) if match else None


# ---- the JSON texts the coordinate readers build ----

def vertex_json(vertex):
    return "[{}]".format(re.sub(r"\s+", ",", vertex.strip()))


def point_json(text):
    return "[{}]".format(",".join(re.split(r"[\s]+", text)))


def line_json(text):
    return "[{}]".format(",".join(vertex_json(v) for v in re.split(",+", text)))


def ring_json(ring):
    inner = re.search(r"\(([\s\S]*)\)", ring).group(1)
    return "[{}]".format(",".join(vertex_json(v) for v in re.split(",+", inner)))


def rings_json(text):
    return "[{}]".format(",".join(ring_json(r) for r in re.findall(RING, text)))


def polygons_json(text):
    polygons = re.findall(POLYGON, text)
    return "[{}]".format(",".join(
        "[{}]".format(",".join(ring_json(r) for r in re.findall(RING, p[0]))) for p in polygons))


def free_json(text, depth):
    tokens = free_text_tokens(text)
    if depth == 1:
        return "[{}]".format(",".join(tokens))
    points = ["[{},{}]".format(tokens[2 * i], tokens[2 * i + 1]) for i in range(len(tokens) // 2)]
    return ("[{}]" if depth == 2 else "[[{}]]").format(",".join(points))


# ---- random texts ----

# Characters that matter to the patterns, the white space of \s (with the near
# misses U+200B and U+FEFF that are not), letters IGNORECASE folds onto ASCII,
# and a few others of each storage width.
SPACES = " \t\n\r\x0b\x0c\x1c\x1d\x1e\x1f\x85\xa0\u1680\u2000\u2007\u2028\u2029\u202f\u205f\u3000"
NEAR_MISSES = "\u200b\ufeff\u180e"
FOLDED = "\u0130\u0131\u017f\u212a"
OTHERS = "\u00e9\u4e2d\U0001f600\ud800"


def random_text(rng, alphabet, length):
    return "".join(rng.choice(alphabet) for _ in range(rng.randint(0, length)))


def structured_text(rng, length=40):
    """A text made mostly of the pieces of WKT and free text, so that the
    patterns match often and fail in every way."""
    pieces = ["(", ")", "(", ")", ",", ",", " ", "  ", "1", "-2.5", "3e1", "0", "x", "(1 2)", "((1 2,3 4))",
              "POINT", "point", "LineString", "MultiPolygon", "Polygon", "MULTIPOINT", "\n", "，", "[", "]"]
    pieces += list(SPACES) + list(NEAR_MISSES) + list(FOLDED) + list(OTHERS)
    out = []
    while len("".join(out)) < rng.randint(0, length):
        out.append(rng.choice(pieces))
    return "".join(out)


def spell(rng, word):
    """A word in random letter case, with letters IGNORECASE folds onto it."""
    out = []
    for letter in word:
        choices = [letter.upper(), letter.lower()]
        choices += {"I": ["\u0130", "\u0131"], "S": ["\u017f"], "K": ["\u212a"]}.get(letter.upper(), [])
        out.append(rng.choice(choices))
    return "".join(out)


def make_rng(seed):
    return random.Random(seed)


# ---- the whole text branch, for WKT and free text ----

WORDS = {"POINT": "Point", "MULTIPOINT": "MultiPoint", "LINESTRING": "LineString",
         "MULTILINESTRING": "MultiLineString", "POLYGON": "Polygon", "MULTIPOLYGON": "MultiPolygon",
         "GEOMETRYCOLLECTION": "GeometryCollection"}
ADMITTED = {-1: set(WORDS), 0: {"POINT", "MULTIPOINT", "GEOMETRYCOLLECTION"},
            1: {"LINESTRING", "MULTILINESTRING", "GEOMETRYCOLLECTION"},
            2: {"POLYGON", "MULTIPOLYGON", "GEOMETRYCOLLECTION"}}
STEPS = {-1: ["point", "line", "rings", "collection", "polygons"], 0: ["point", "line", "collection"],
         1: ["line", "rings", "collection"], 2: ["rings", "collection", "polygons"]}
STEP_TYPES = {  # (type when none was named, the names allowed), by step and branch
    ("point", -1): ("Point", {"Point"}), ("point", 0): ("Point", {"Point"}),
    ("line", -1): ("LineString", {"MultiPoint", "LineString"}), ("line", 0): ("MultiPoint", {"MultiPoint"}),
    ("line", 1): ("LineString", {"LineString"}),
    ("rings", -1): ("Polygon", {"MultiLineString", "Polygon"}), ("rings", 1): ("MultiLineString", {"MultiLineString"}),
    ("rings", 2): ("Polygon", {"Polygon"}),
}
READERS = {"point": point_json, "line": line_json, "rings": rings_json}


def text_loads(normalise, text, code=-1):
    """loads of a WKT or free text, as the readers are written with re and json;
    `normalise(type, list, code)` is the module's normalisation."""
    import json
    if code == -1 or code is None:
        branch = -1
    elif code in (0, 1, 2):
        branch = code
    else:
        raise Exception("[{}] should be one of [-1,0,1,2] in [code] parameter.".format(code))
    if re.search(GEOJSON_TEST, text):
        raise ValueError("GeoJSON text is not modelled here")
    if not re.search(WKT_TEST, text):
        tokens = free_text_tokens(text)
        n = len(tokens)
        kind = {-1: {2: "Point"}, 0: {2: "Point"}}.get(branch, {}).get(n)
        if kind is None and n % 2 == 0:
            kind = {-1: "LineString", 0: "MultiPoint", 1: "LineString"}.get(branch) if n >= 4 else None
            if branch == 2 and n >= 6:
                kind = "Polygon"
        if kind is None:
            raise Exception("Invalid parameter.")
        depth = {"Point": 1, "Polygon": 3}.get(kind, 2)
        return normalise(kind, json.loads(free_json(text, depth)), code)
    match = re.search(WKT_SPLIT, text)
    name, body = match.group(1), match.group(2)
    kind = None
    if name.strip():
        word = first_word(name).upper()
        if word not in ADMITTED[branch]:
            raise Exception("Invalid type in [coordinates] parameter.")
        kind = WORDS[word]
    for step in STEPS[branch]:
        if step == "collection":
            members = re.findall(MEMBER, body, re.IGNORECASE)
            if members:
                return {"type": "GeometryCollection",
                        "geometries": [text_loads(normalise, m[0]) for m in members]}
        elif step == "polygons":
            if re.findall(POLYGON, body):
                return normalise("MultiPolygon", json.loads(polygons_json(body)), code)
        else:
            group = body_step(body, step)
            if group:
                fallback, allowed = STEP_TYPES[step, branch]
                kind = kind or fallback
                if kind not in allowed:
                    raise Exception("Invalid type in [coordinates] parameter.")
                return normalise(kind, json.loads(READERS[step](group)), code)
    raise Exception("Invalid [coordinates] parameter.")


def wkt_like(rng):
    """A random text near WKT: a type word (most often the one that fits the
    body) or none, a body of nested parentheses holding vertices, with now and
    then a bad token or a stray character."""
    def number():
        if rng.random() < 0.04:
            return rng.choice(["12345678901234567890", "01", "+1", ".5", "x", "", "true"])
        return rng.choice(["0", "1", "-2.5", "1e3", "3.25", "NaN", "7", "-0.0", "1E-7", "2", "5"])

    def vertex():
        return rng.choice([" ", " ", "  ", "\t", "\u3000"]).join(number() for _ in range(rng.choice([2, 2, 2, 3, 1])))

    def ring():
        return "(" + rng.choice([",", ",", ", ", ",,"]).join(vertex() for _ in range(rng.randint(1, 5))) + ")"

    def nested(depth):
        if depth == 1:
            return ring()
        separator = rng.choice([",", ",", ", ", " ", ""])
        return "(" + separator.join(nested(depth - 1) for _ in range(rng.randint(1, 3))) + ")"

    depth = rng.choice([0, 1, 2, 3])
    body = "(" + vertex() + ")" if depth == 0 else nested(depth)
    fitting = {0: ["POINT", "point z", ""], 1: ["LINESTRING", "MultiPoint", "", "LineString M"],
               2: ["POLYGON", "MULTILINESTRING", ""], 3: ["MULTIPOLYGON", "POLYGON", ""]}[depth]
    others = ["POINTZ", "SRID=4326;POINT", "MULTIPOLYGON", "POINT", "GEOMETRYCOLLECTION"]
    word = rng.choice(fitting) if rng.random() < 0.8 else rng.choice(others)
    if word == "GEOMETRYCOLLECTION" or rng.random() < 0.05:
        members = [rng.choice(["POINT", "linestring", "Polygon", "MULTIPOINT"]) + rng.choice(["", " "]) +
                   rng.choice([ring(), "(" + vertex() + ")", "(" + ring() + ")"]) for _ in range(rng.randint(1, 3))]
        body = "(" + rng.choice([",", ", "]).join(members) + ")"
    text = word + rng.choice(["", " ", "  "]) + body
    if rng.random() < 0.05:
        position = rng.randint(0, len(text))
        text = text[:position] + rng.choice("()x, \n") + text[position:]
    return text + rng.choice(["", "", " tail"])


def free_like(rng):
    """A random free text: numbers (now and then a bad one) and separators."""
    tokens = [rng.choice(["0", "1", "-2.5", "1e2", "120", "38", "NaN", "1", "2", "-0.0"]) if rng.random() < 0.95
              else rng.choice(["true", "x", "+1", "01", ""]) for _ in range(rng.randint(0, 8))]
    separators = [" ", ",", "，", "\u3000", " , ", ",,", "\t", "\x1c"]
    text = "".join(t + rng.choice(separators) for t in tokens)
    return rng.choice(["", " ", ","]) + text.rstrip() if rng.random() < 0.5 else text


# ---- loads of lists and dictionaries, swapXY, getXY and toWkt, step by step ----
#
# The plain forms the hostile-object suite holds the module against (and the
# text benchmark times beside it): every host call (conversion, repr,
# comparison, truth, item and length access, store, release) in the order the
# steps make it. Texts are not modelled here.

DIMENSION = "Invalid [coordinates] parameter. Dimension should be greater than 1."
LINE_COUNT = "Invalid [coordinates] parameter. The number of vertices should be greater than 1."
RING_COUNT = "Invalid [coordinates] parameter. The number of vertices should be greater than 2."
SHOULD_BE_LIST = "Invalid type in [coordinates] parameter. Should be [list]"
SHOULD_BE_DICT = "Invalid type in [coordinates] parameter. Should be [dict]"
INVALID_GEOMETRY_TYPE = "Invalid geometry type."
SIMPLE_DEPTHS = (("Point", 1), ("MultiPoint", 2), ("LineString", 2), ("MultiLineString", 3), ("Polygon", 3),
                 ("MultiPolygon", 4))
TYPE_CODES = {"Point": 0, "MultiPoint": 0, "LineString": 1, "MultiLineString": 1, "Polygon": 2, "MultiPolygon": 2}
_ABSENT = object()


def _held(geometry, key):
    """geometry[key] if the dictionary holds the key, else _ABSENT (one look-up)."""
    return geometry.get(key, _ABSENT) if type(geometry) is dict else (geometry[key] if key in geometry else _ABSENT)


def _simple_type(geometry_type):
    """The first simple type name that geometry_type == name holds for, or None."""
    for name, _ in SIMPLE_DEPTHS:
        if geometry_type == name:
            return name
    return None


def set_point(vertex):
    if len(vertex) > 0:
        vertex[0] = float(vertex[0])
    if len(vertex) > 1:
        vertex[1] = float(vertex[1])
    return vertex


def check_vertex(vertex):
    if type(vertex) is not list:
        raise Exception(DIMENSION)
    set_point(vertex)
    if len(vertex) < 2:
        raise Exception(DIMENSION)


def first_two(vertex):
    if not hasattr(type(vertex), "__getitem__"):
        raise TypeError("'%.200s' object is unsliceable" % type(vertex).__name__)
    return vertex[:2]


def remove_duplicates(line):
    overlays, pre_vertex = [], None
    for i in range(len(line)):
        key = repr(first_two(line[i]))
        if pre_vertex is not None and key == pre_vertex:
            overlays.append(i)
        else:
            pre_vertex = key
    for i in sorted(overlays, reverse=True):
        del line[i]


def normalise_line(line, ring):
    remove_duplicates(line)
    if ring:
        if len(line) < 3:
            raise Exception(RING_COUNT)
        if repr(line[0]) != repr(line[-1]):
            line.append(line[0])
    elif len(line) < 2:
        raise Exception(LINE_COUNT)
    for vertex in line:
        check_vertex(vertex)


def normalise(geometry_type, coordinates, code):
    kind = _simple_type(geometry_type)
    if kind is None:
        raise Exception("Invalid parameter.")
    accepted = TYPE_CODES[kind]
    if code is not None and code != -1 and code != accepted:
        raise Exception("[{}] should be one of [-1,{}] in [code] parameter.".format(code, accepted))
    if kind == "Point":
        if type(coordinates) is not list:
            raise TypeError("Expected list, got %.200s" % type(coordinates).__name__)
        set_point(coordinates)
        if len(coordinates) < 2:
            raise Exception(DIMENSION)
    elif kind == "MultiPoint":
        for vertex in coordinates:
            check_vertex(vertex)
    elif kind == "LineString":
        normalise_line(coordinates, False)
    elif kind in ("MultiLineString", "Polygon"):
        for line in coordinates:
            normalise_line(line, kind == "Polygon")
    else:
        for polygon in coordinates:
            if type(polygon) is not list:
                raise Exception(SHOULD_BE_LIST)
            for ring in polygon:
                if type(ring) is not list:
                    raise Exception(SHOULD_BE_LIST)
                normalise_line(ring, True)
    return {"type": geometry_type, "coordinates": coordinates}


def _infer(coordinates, code):
    # Only the types of the first elements are looked at: none is held.
    if type(coordinates[0]) is not list:
        if len(coordinates) < 2:
            raise Exception(DIMENSION)
        if code not in (-1, 0, None):
            raise Exception("[{}] should be one of [-1,0] in [code] parameter.".format(code))
        return normalise("Point", coordinates, code)
    if type(coordinates[0][0]) is not list:
        if code == 0:
            return normalise("MultiPoint", coordinates, code)
        if code == 1 or code == -1:
            return normalise("LineString", coordinates, code)
        raise Exception("[{}] should be one of [-1,0,1] in [code] parameter.".format(code))
    if type(coordinates[0][0][0]) is not list:
        if code == 1:
            return normalise("MultiLineString", coordinates, code)
        if code == 2 or code == -1:
            return normalise("Polygon", coordinates, code)
        raise Exception("[{}] should be one of [-1,1,2] in [code] parameter.".format(code))
    if type(coordinates[0][0][0][0]) is not list:
        return normalise("MultiPolygon", coordinates, code)
    raise Exception("Invalid [coordinates] parameter.")


def loads(coordinates, code=-1):
    """Geometry.loads of a list, a dictionary or another object (not of text)."""
    if type(coordinates) is list:
        return _infer(coordinates, code)
    if type(coordinates) is dict:
        geometry_list = _held(coordinates, "coordinates")
        if geometry_list is not _ABSENT:
            if type(geometry_list) is not list:
                raise Exception(SHOULD_BE_LIST)
            geometry_type = _held(coordinates, "type")
            if geometry_type is not _ABSENT and geometry_type is not None:
                return normalise(geometry_type, geometry_list, code)
            return _infer(geometry_list, code)
        members = _held(coordinates, "geometries")
        if members is not _ABSENT:
            if not isinstance(members, list):
                raise Exception(SHOULD_BE_LIST)
            loaded = []
            for member in members:
                if not isinstance(member, dict):
                    raise Exception(SHOULD_BE_DICT)
                loaded.append(loads(member))
            return {"type": "GeometryCollection", "geometries": loaded}
        raise Exception('Invalid [coordinates] parameter. ["coordinates/geometries" not found]')
    if type(coordinates) is str:
        raise NotImplementedError("text is not modelled here")
    raise Exception("[{}] is not a valid type in [coordinates] parameter.".format(type(coordinates).__name__))


def _begin(value, refuse_false_type=True):
    """The steps toWkt, swapXY and getXY start with: the input rule, the type
    and its truth, then the coordinates and the simple type name that the type
    equals. (geometry, type, coordinates, name), the name None without
    coordinates; None for a false type that is not refused."""
    geometry = value if type(value) is dict else loads(value)
    geometry_type = geometry["type"]
    if not geometry_type:
        if refuse_false_type:
            raise Exception(INVALID_GEOMETRY_TYPE)
        return None
    coordinates = _held(geometry, "coordinates")
    if coordinates is _ABSENT:
        return geometry, geometry_type, None, None
    kind = _simple_type(geometry_type)
    if kind is None:
        raise Exception(INVALID_GEOMETRY_TYPE)
    return geometry, geometry_type, coordinates, kind


def _collection_members(geometry, geometry_type):
    """The members of a collection, or None for any other type or members value."""
    members = _held(geometry, "geometries")
    if members is not _ABSENT and geometry_type == "GeometryCollection" and type(members) is list:
        return members
    return None


def swap_xy(geometry):
    geometry, geometry_type, coordinates, kind = _begin(geometry)
    if kind is not None:
        seen = {}  # id -> the vertex, held until the call ends

        def exchange(vertex):
            if id(vertex) in seen:
                return
            seen[id(vertex)] = vertex
            second = vertex[1]
            first = vertex[0]
            vertex[0] = second
            vertex[1] = first

        def walk(items, depth):
            if depth == 1:
                exchange(items)
            else:
                for item in items:
                    walk(item, depth - 1)

        walk(coordinates, dict(SIMPLE_DEPTHS)[kind])
    else:
        members = _collection_members(geometry, geometry_type)
        if members is None:
            raise Exception(INVALID_GEOMETRY_TYPE)
        for member in members:
            swap_xy(member)
    if type(geometry) is not dict:
        raise TypeError("Expected dict, got %.200s" % type(geometry).__name__)
    return geometry


def get_xy(geometry, endpoint=True):
    result = []
    begun = _begin(geometry, refuse_false_type=False)
    if begun is None:
        return result
    geometry, geometry_type, coordinates, kind = begun

    def as_tuple(vertex):
        return vertex if type(vertex) is tuple else tuple(vertex)

    def line(vertices):
        if endpoint:
            result.append(as_tuple(vertices[0]))
            result.append(as_tuple(vertices[-1]))
        else:
            for vertex in vertices:
                result.append(as_tuple(vertex))

    if kind is not None:
        if kind == "Point":
            result.append(as_tuple(coordinates))
        elif kind == "MultiPoint":
            for vertex in coordinates:
                result.append(as_tuple(vertex))
        elif kind == "LineString":
            line(coordinates)
        elif kind in ("MultiLineString", "Polygon"):
            for part in coordinates:
                line(part)
        else:
            for polygon in coordinates:
                for ring in polygon:
                    line(ring)
        return result
    for member in _collection_members(geometry, geometry_type) or ():
        for item in get_xy(member, endpoint):
            result.append(item)
    return result


def to_wkt(geometry):
    geometry, geometry_type, coordinates, kind = _begin(geometry)
    if kind is not None:
        def body(items, depth):
            if depth == 1:
                return "(" + " ".join(str(value) for value in items) + ")"
            if depth == 2:
                return "(" + ",".join(" ".join(str(value) for value in vertex) for vertex in items) + ")"
            return "(" + ",".join(body(item, depth - 1) for item in items) + ")"

        return kind.upper() + " " + body(coordinates, dict(SIMPLE_DEPTHS)[kind])
    members = _collection_members(geometry, geometry_type)
    if members is None:
        raise Exception(INVALID_GEOMETRY_TYPE)
    return "GEOMETRYCOLLECTION (" + ",".join(to_wkt(member) for member in members) + ")"


def dumps(geometry):
    import json
    return json.dumps(geometry if type(geometry) is dict else loads(geometry), ensure_ascii=False, indent=4)
