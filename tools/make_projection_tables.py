"""Writes the reference tables of the projection tests from outside tools.

    python3.12 tools/make_projection_tables.py

Runs PROJ's `proj` (Debian package proj-bin) for web Mercator (+proj=merc
+R=6378137), Albers on the sphere of radius a (+proj=aea +R=a) and Lambert
(+proj=lcc on the ellipsoid a, 1/f), forward and inverse, and GeographicLib's
`GeodSolve -i` (package geographiclib-tools) for geodesic lengths, on inputs
drawn from a fixed seed, and writes

    tests/data/proj_reference.csv      projection, crs, cone, direction, input, PROJ's output
    tests/data/geodsolve_reference.csv crs, two positions, GeodSolve's length

Each group of rows is preceded by a comment line holding the exact command that
made it. The tests read these tables and never run the tools.
"""
import csv
import io
import os
import random
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data")

# The four reference systems: semi-major axis (metres) and inverse flattening.
ELLIPSOIDS = {
    1954: (6378245.0, 298.3),
    1980: (6378140.0, 298.257),
    1984: (6378137.0, 298.257223563),
    2000: (6378137.0, 298.257222101),
}

# Cones: (crs, centralMeridian, originLatitude, parallel1, parallel2).
ALBERS_CONES = [
    (2000, 105.0, 0.0, 25.0, 47.0),
    (1954, 0.0, 0.0, 20.0, 50.0),
    (1980, -96.0, 23.0, 29.5, 45.5),
    (1984, 132.0, 0.0, -18.0, -36.0),  # southern cone, n < 0
    (2000, 20.0, -10.0, 10.0, -40.0),  # parallels on both sides, n < 0
]
LAMBERT_CONES = [
    (2000, 105.0, 0.0, 25.0, 47.0),
    (1984, 0.0, 0.0, 20.0, 50.0),
    (2000, 3.0, 46.5, 44.0, 49.0),
    (1954, 145.0, -37.0, -36.0, -38.0),  # southern cone, n < 0
    (1980, -60.0, -20.0, 10.0, -40.0),  # parallels on both sides, n < 0
]


def run(command, lines):
    """The output lines of `command` fed with `lines`, split into fields."""
    completed = subprocess.run(command, input="\n".join(lines) + "\n", capture_output=True, text=True, check=True)
    return [line.split() for line in completed.stdout.splitlines()]


def degrees_text(value):
    return f"{value:.6f}"


def points_on(rng, central_meridian, southern, count):
    """Positions within 60 degrees of the central meridian, on the cone's side of the globe."""
    points = []
    for _ in range(count):
        longitude = central_meridian + rng.uniform(-60.0, 60.0)
        longitude = max(-180.0, min(180.0, longitude))
        latitude = rng.uniform(-30.0, 80.0)
        points.append((degrees_text(longitude), degrees_text(-latitude if southern else latitude)))
    return points


def forward_and_inverse(label, fields, options, points):
    """Two groups of rows: PROJ's forward of `points`, and its inverse of those
    results rounded to the millimetre; each headed by its command."""
    forward = ["proj", "-f", "%.10f"] + options
    results = run(forward, [" ".join(point) for point in points])
    planes = [(f"{float(x):.3f}", f"{float(y):.3f}") for x, y in results]
    inverse = ["proj", "-I", "-f", "%.12f"] + options
    back = run(inverse, [" ".join(plane) for plane in planes])
    return [("# " + " ".join(forward), [[label, *fields, "forward", *p, *r] for p, r in zip(points, results)]),
            ("# " + " ".join(inverse), [[label, *fields, "inverse", *p, *r] for p, r in zip(planes, back)])]


def cone_groups(label, proj_name, cones, ellipsoid_options, rng):
    groups = []
    for crs, cm, origin, p1, p2 in cones:
        options = ["+proj=" + proj_name, f"+lat_1={p1!r}", f"+lat_2={p2!r}", f"+lat_0={origin!r}", f"+lon_0={cm!r}"]
        southern = p1 + p2 < 0
        points = points_on(rng, cm, southern, 10)
        if proj_name == "aea":  # the equal-area cone reaches the opposite pole's neighbourhood
            points.append((degrees_text(cm + 30.0), "85.000000" if southern else "-85.000000"))
        # Far from the central meridian: beyond a quarter turn about the apex.
        far = cm + 170.0 if cm + 170.0 <= 180.0 else cm - 170.0
        points.append((degrees_text(far), "-40.000000" if southern else "40.000000"))
        groups += forward_and_inverse(label, [crs, cm, origin, p1, p2], options + ellipsoid_options(crs), points)
    return groups


def projection_table(rng):
    # Web Mercator on WGS 84's semi-major axis.
    points = [(degrees_text(rng.uniform(-180.0, 180.0)), degrees_text(rng.uniform(-85.0, 85.0))) for _ in range(16)]
    points += [("180.000000", "0.000000"), ("-180.000000", "89.000000"), ("0.000000", "-89.900000")]
    groups = forward_and_inverse("webMercator", [1984, "", "", "", ""], ["+proj=merc", "+R=6378137"], points)
    groups += cone_groups("albers", "aea", ALBERS_CONES, lambda crs: [f"+R={ELLIPSOIDS[crs][0]!r}"], rng)
    groups += cone_groups("lambert", "lcc", LAMBERT_CONES,
                          lambda crs: [f"+a={ELLIPSOIDS[crs][0]!r}", f"+rf={ELLIPSOIDS[crs][1]!r}"], rng)
    header = ["projection", "crs", "centralMeridian", "originLatitude", "parallel1", "parallel2", "direction",
              "in1", "in2", "out1", "out2"]
    return header, groups


def geodesic_lines(rng):
    """Pairs of positions (lon1, lat1, lon2, lat2): neighbouring vertices, regional and long lines."""
    lines = []
    for _ in range(8):  # vertices a few metres to a few kilometres apart
        lon, lat = rng.uniform(-180.0, 180.0), rng.uniform(-80.0, 80.0)
        step = 10 ** rng.uniform(-4.0, -1.5)
        lines.append((lon, lat, lon + rng.uniform(-step, step), lat + rng.uniform(-step, step)))
    for _ in range(6):  # regional, in and around China
        lines.append((rng.uniform(73.0, 135.0), rng.uniform(18.0, 53.0), rng.uniform(73.0, 135.0), rng.uniform(18.0, 53.0)))
    for _ in range(6):  # long lines, kept well away from antipodal
        lon1, lat1 = rng.uniform(-180.0, 180.0), rng.uniform(-70.0, 70.0)
        lines.append((lon1, lat1, lon1 + rng.uniform(-150.0, 150.0), rng.uniform(-70.0, 70.0)))
    lines += [(0.0, 0.0, 0.0, 1.0), (10.0, 0.0, 70.0, 0.0), (-30.0, 89.0, 150.0, 89.5), (100.0, -45.0, 100.0, 45.0)]
    return [tuple(round(v, 6) for v in line) for line in lines]


def geodesic_table(rng):
    lines = geodesic_lines(rng)
    groups = []
    for crs, (a, inverse_flattening) in ELLIPSOIDS.items():
        command = ["GeodSolve", "-i", "-p", "9", "-e", repr(a), repr(1 / inverse_flattening)]
        # GeodSolve reads lat1 lon1 lat2 lon2 and answers azi1 azi2 s12.
        results = run(command, [f"{lat1!r} {lon1!r} {lat2!r} {lon2!r}" for lon1, lat1, lon2, lat2 in lines])
        rows = [[crs, repr(lon1), repr(lat1), repr(lon2), repr(lat2), result[2]]
                for (lon1, lat1, lon2, lat2), result in zip(lines, results)]
        groups.append(("# " + " ".join(command), rows))
    return ["crs", "lon1", "lat1", "lon2", "lat2", "length"], groups


def write(name, header, groups):
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(header)
    for comment, rows in groups:
        out.write(comment + "\n")
        writer.writerows(rows)
    os.makedirs(DATA, exist_ok=True)
    with open(os.path.join(DATA, name), "w", encoding="utf-8") as stream:
        stream.write(out.getvalue())


def main():
    write("proj_reference.csv", *projection_table(random.Random(20240916)))
    write("geodsolve_reference.csv", *geodesic_table(random.Random(19750401)))


if __name__ == "__main__":
    main()
