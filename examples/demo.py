"""Shows what the module offers: its version, its classes, and the message bus
reporting progress the way the GeoJSON export will."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src import kestrinpy  # noqa: E402


def main():
    print(f"kestrinpy {kestrinpy.__version__}")
    for name in kestrinpy.__all__:
        cls = getattr(kestrinpy, name)
        print(f"  {name:<15} {cls.__doc__.splitlines()[0]}")

    bus = kestrinpy.Messenger()
    bus.subscribe("progress", lambda value: print(f"  progress {value['index'] + 1}/{value['count']}"))
    for index in range(3):
        bus.publish("progress", {"index": index, "count": 3})


if __name__ == "__main__":
    main()
