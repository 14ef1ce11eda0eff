"""A surveyor's morning with kestrinpy, on the bundled samples: open the
parcels of a MapGIS polygon file, read its central meridian and reference
system, stream the parcels, turn each parcel's first vertex from Gauss-Krüger
coordinates into longitude and latitude, name its 1:10,000 sheet, write one
parcel as WKT and read it back, measure the distance between two parcels, read
one sheet's new and old codes back to its scale and boundary, and draw the
sheet lines of that sheet at a finer zoom level."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))

from src.kestrinpy import Geometry, MapGisFile, MapGisProject, MapGrid, Projection  # noqa: E402

SAMPLE = os.path.join(HERE, "sample")
GAUSS_KRUGER_SYSTEMS = {4214: 1954, 4610: 1980}  # a MapGIS file's EPSG code: the reference system of its metres


def main():
    project = MapGisProject(os.path.join(SAMPLE, "sample.MPJ"))
    print(f"project {project.Description['title']!r}: "
          + ", ".join(entry["description"] for entry in project.Files))

    parcels = MapGisFile(os.path.join(SAMPLE, "parcels.WP"), os.path.join(SAMPLE, "Pcolor.lib"))
    summary = parcels.getCapabilities()
    # MapGIS stores the central meridian as packed degrees, minutes and seconds
    # (1170000.0 is 117°00′00″), and its EPSG codes 4214 and 4610 stand for
    # Gauss-Krüger on Beijing 1954 and Xi'an 1980.
    stored = parcels.Parameters["central_meridian"]
    meridian = Projection.angle(dms=stored)
    crs = GAUSS_KRUGER_SYSTEMS[parcels.EPSG]
    print(f"{summary['name']}: {parcels.FeatureCount} parcels, {summary['crs']['properties']['name']}: "
          f"Gauss-Krüger on the {Projection.datum[crs].name}, central meridian {stored} = {meridian}°")

    # Each parcel's first vertex: [easting, northing] in metres. The eastings
    # carry no zone number, so the inverse needs the central meridian.
    positions = {}
    for parcel in parcels.getFeature():
        easting, northing = parcel["geometry"]["coordinates"][0][0]
        longitude, latitude = Projection.gaussKruger(centralMeridian=meridian, x=northing, y=easting, crs=crs)
        sheet = MapGrid.map(longitude, latitude, 10000)
        name = parcel["properties"]["名称"]["value"]
        positions[name] = (longitude, latitude)
        print(f"  {name} {parcel['properties']['用途']['value']:<4} {parcel['style']['fillColor']} "
              f"{Projection.angle(deg=longitude, digit=2)} {Projection.angle(deg=latitude, digit=2)}  "
              f"1:10,000 sheet {sheet['new']} ({sheet['old']})")
        if parcel["id"] == 5:  # the parcel with a hole
            holed = parcel["geometry"]

    wkt = Geometry.toWkt(holed)
    print(f"as WKT: {wkt}")
    back = Geometry.loads(wkt)
    print(f"read back: a {back['type']} of {len(back['coordinates'])} rings, "
          f"{len(Geometry.getXY(back, endpoint=False))} vertices, ring ends {Geometry.getXY(back)}")

    first, last = positions["地块01"], positions["地块12"]
    print(f"地块01 to 地块12: {Projection.geodesics(first, last, crs):.3f} m on the {Projection.datum[crs].name}")

    sheet = MapGrid.map(*first, 10000)
    boundary = sheet["boundary"]
    print(f"地块01's sheet {sheet['new']} ({sheet['old']}): boundary {boundary}")
    for code in (sheet["new"], sheet["old"]):
        read = MapGrid.parse(code)  # new and old codes read back to the same sheet
        print(f"  parse({code!r}): scale 1:{read['scale']}, boundary {read['boundary']}")
    print(f"sheet {sheet['new']} at zoom 13 (1:5,000 sheet lines):")
    for line in MapGrid.grid(boundary["north"], boundary["south"], boundary["west"], boundary["east"], zoom=13):
        (x1, y1), (x2, y2) = line["coordinates"]
        print(f"  {line['remarks']:<9} ({x1}, {y1}) - ({x2}, {y2})")


if __name__ == "__main__":
    main()
