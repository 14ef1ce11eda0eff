"""Runs the module on the bundled sample: the project file's layers with their
colours from the sample colour library, and the message bus reporting progress
the way the GeoJSON export does."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))

from src import kestrinpy  # noqa: E402

SAMPLE = os.path.join(HERE, "sample")


def main():
    print(f"kestrinpy {kestrinpy.__version__}")
    for name in kestrinpy.__all__:
        print(f"  {name:<15} {getattr(kestrinpy, name).__doc__.splitlines()[0]}")

    project = kestrinpy.MapGisProject(os.path.join(SAMPLE, "sample.MPJ"))
    colours = kestrinpy.MapGisColorLib(os.path.join(SAMPLE, "Pcolor.lib"))
    description = project.Description
    print(f"\nproject {description['title']!r}: {description['files']} files, "
          f"extent ({description['xMin']}, {description['yMin']}) - ({description['xMax']}, {description['yMax']})")

    bus = kestrinpy.Messenger()
    bus.subscribe("progress", lambda value: print(f"  [{value['index'] + 1}/{value['count']}]", end=" "))
    for index, entry in enumerate(project.Files):
        bus.publish("progress", {"index": index, "count": len(project.Files)})
        colour = colours.HEX(entry["labelColor"], "#000000")
        print(f"{entry['type']:<10} {entry['file']:<10} {entry['description']:<6} label colour {colour}")


if __name__ == "__main__":
    main()
