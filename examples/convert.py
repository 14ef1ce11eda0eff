"""Converts a MapGIS point, line or polygon file (WT, WL, WP) to GeoJSON,
showing the export's progress messages as a progress bar.

    python3.12 examples/convert.py examples/sample/parcels.WP parcels.json
    python3.12 examples/convert.py LAYER.WL out.json --encoding GBK --colour-library Slib/Pcolor.lib
"""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src import kestrinpy  # noqa: E402

BAR = 40


def main():
    parser = argparse.ArgumentParser(description="Convert a MapGIS WT, WL or WP file to GeoJSON.")
    parser.add_argument("path", help="the MapGIS file to read")
    parser.add_argument("output", help="the GeoJSON file to write")
    parser.add_argument("--encoding", default="GB2312", help="text encoding of the file (default GB2312)")
    parser.add_argument("--colour-library", default=None,
                        help="the Pcolor.lib to take style colours from (default: MapGIS/Slib/Pcolor.lib "
                             "beside the module, then under the root)")
    options = parser.parse_args()

    layer = kestrinpy.MapGisFile(options.path, options.colour_library, options.encoding)
    shown = {"done": 0}

    def progress(value):
        done = value["index"] + 1
        total = max(value["count"], done)
        filled = BAR * done // total
        print(f"\r[{'#' * filled}{'.' * (BAR - filled)}] {done}/{total}", end="", flush=True)
        shown["done"] = done

    layer.subscribe("progress", progress)
    started = time.perf_counter()
    layer.saveAsGeoJson(options.output)
    elapsed = time.perf_counter() - started
    if shown["done"]:
        print()
    print(f"{layer.FileType} file, {shown['done']} features, EPSG {layer.EPSG}: wrote {options.output} "
          f"({os.path.getsize(options.output)} bytes) in {elapsed * 1000:.1f} ms")


if __name__ == "__main__":
    main()
