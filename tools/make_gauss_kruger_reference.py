"""Writes tests/data/gauss_kruger_proj.csv: positions within 3° of the meridian
117° E (CGCS2000) and their exact transverse Mercator coordinates from PROJ
(Debian's proj-bin), with the command that made them:

    proj -f %.9f +proj=tmerc +lon_0=117 +k=1 +x_0=500000 +ellps=GRS80

    python3.12 tools/make_gauss_kruger_reference.py

Columns: longitude, latitude (degrees), easting with the 500,000 m false
easting, northing (metres)."""
import os
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COMMAND = ["proj", "-f", "%.9f", "+proj=tmerc", "+lon_0=117", "+k=1", "+x_0=500000", "+ellps=GRS80"]


def positions():
    longitudes = [114.0, 114.25, 115.0, 116.0, 116.9, 117.0, 117.5, 118.3, 119.0, 119.75, 119.999]
    latitudes = [-45.0, -10.0, 0.0, 0.5, 18.0, 23.5, 30.0, 36.2, 41.7, 47.0, 53.0, 66.5, 80.0, 89.0]
    return [(lon, lat) for lat in latitudes for lon in longitudes]


def main():
    points = positions()
    text = "".join(f"{lon!r} {lat!r}\n" for lon, lat in points)
    completed = subprocess.run(COMMAND, input=text, capture_output=True, text=True, check=True)
    rows = [line.split() for line in completed.stdout.splitlines()]
    assert len(rows) == len(points)
    path = os.path.join(ROOT, "tests", "data", "gauss_kruger_proj.csv")
    with open(path, "w", encoding="utf-8") as stream:
        stream.write("# " + " ".join(COMMAND) + "\n")
        stream.write("longitude,latitude,easting,northing\n")
        for (lon, lat), (easting, northing) in zip(points, rows):
            stream.write(f"{lon!r},{lat!r},{easting},{northing}\n")


if __name__ == "__main__":
    main()
