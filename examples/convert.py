"""Converts a MapGIS point, line or polygon file (WT, WL, WP) to GeoJSON,
showing the export's progress messages as a progress bar.

    python3.12 examples/convert.py examples/sample/parcels.WP parcels.json
    python3.12 examples/convert.py LAYER.WL out.json --encoding GBK --colour-library Slib/Pcolor.lib

A file that cannot be converted ends the script with one line on standard error
that names the file and the cause, and exit status 1.
"""
import argparse
import errno
import os
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src import kestrinpy  # noqa: E402

BAR = 40
LOG_LINES = 4  # progress lines written when the output is not a terminal
MAPGIS_MAGIC = b"WMAP`D2"  # the start of every MapGIS point, line, polygon and project file


class UserError(Exception):
    """A file the user named that cannot be used: the file and the cause."""

    def __init__(self, path, cause):
        super().__init__(f"{path}: {cause}")


def missing_file(path, kind):
    if os.path.isdir(path):
        return UserError(path, f"is a folder, not {kind}")
    if not os.path.lexists(path):
        return UserError(path, "no such file")
    return UserError(path, f"cannot be read as {kind}")


def checked_colour_library(name):
    """The colour library the user asked for, refused when it cannot serve: the
    module's own reader fails soft (no colours) where a user wants to know."""
    if name is None:
        return None
    library = kestrinpy.MapGisColorLib(name)
    if library.PcolorLibFile is None:
        raise missing_file(name, "a colour library")
    with open(library.PcolorLibFile, "rb") as stream:
        head = stream.read(len(MAPGIS_MAGIC))
    if library.count == 0 or head == MAPGIS_MAGIC:
        raise UserError(name, "not a colour library file (Pcolor.lib)")
    return name


def opened_layer(path, colour_library, encoding):
    try:
        return kestrinpy.MapGisFile(path, colour_library, encoding)
    except FileNotFoundError:
        raise missing_file(path, "a MapGIS file") from None
    except LookupError:
        raise UserError(path, f"unknown encoding {encoding!r}") from None
    except (struct.error, IndexError) as error:
        raise UserError(path, f"damaged or cut short ({error})") from None
    except OSError as error:
        raise UserError(path, f"cannot be read ({error.strerror or error})") from None
    except Exception as error:  # the module's format check
        if str(error).endswith("] invalid file format."):
            raise UserError(path, "not a MapGIS point, line or polygon file") from None
        raise


class ProgressBar:
    """Draws the export's progress: redrawn in place on a terminal, a few whole
    lines into a log or a pipe."""

    def __init__(self, stream):
        self.stream = stream
        self.redraw = stream.isatty()
        self.done = 0
        self.logged = 0

    def __call__(self, value):
        done = value["index"] + 1
        total = max(value["count"], done)
        self.done = done
        if self.redraw:
            print(f"\r{self.bar(done, total)}", end="", file=self.stream, flush=True)
            return
        step = LOG_LINES * done // total
        if step > self.logged:
            self.logged = step
            print(self.bar(done, total), file=self.stream, flush=True)

    @staticmethod
    def bar(done, total):
        filled = BAR * done // total
        return f"[{'#' * filled}{'.' * (BAR - filled)}] {done}/{total}"

    def finish(self):
        if self.redraw and self.done:
            print(file=self.stream)


def export(layer, path, output, progress):
    try:
        layer.saveAsGeoJson(output)
    except OSError as error:
        cause = error.strerror or str(error)
        if error.filename == path:
            raise UserError(path, f"cannot be read ({cause})") from None
        if error.errno == errno.EINVAL and error.filename is None:  # a record placed before the start
            raise UserError(path, f"damaged or cut short ({cause})") from None
        raise UserError(output, f"cannot be written ({cause})") from None
    except (struct.error, IndexError) as error:
        raise UserError(path, f"damaged or cut short ({error})") from None
    finally:
        progress.finish()


def main():
    parser = argparse.ArgumentParser(description="Convert a MapGIS WT, WL or WP file to GeoJSON.")
    parser.add_argument("path", help="the MapGIS file to read")
    parser.add_argument("output", help="the GeoJSON file to write")
    parser.add_argument("--encoding", default="GB2312", help="text encoding of the file (default GB2312)")
    parser.add_argument("--colour-library", default=None,
                        help="the Pcolor.lib to take style colours from (default: MapGIS/Slib/Pcolor.lib "
                             "beside the module, then under the root)")
    options = parser.parse_args()

    try:
        layer = opened_layer(options.path, checked_colour_library(options.colour_library), options.encoding)
        progress = ProgressBar(sys.stdout)
        layer.subscribe("progress", progress)
        started = time.perf_counter()
        export(layer, options.path, options.output, progress)
    except UserError as error:
        print(f"{parser.prog}: {error}", file=sys.stderr)
        return 1
    elapsed = time.perf_counter() - started
    print(f"{layer.FileType} file, {progress.done} features, EPSG {layer.EPSG}: wrote {options.output} "
          f"({os.path.getsize(options.output)} bytes) in {elapsed * 1000:.1f} ms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
