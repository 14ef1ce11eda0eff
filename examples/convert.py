"""Converts a MapGIS point, line or polygon file (WT, WL, WP) to GeoJSON,
showing the export's progress messages as a progress bar.

    python3.12 examples/convert.py examples/sample/parcels.WP parcels.json
    python3.12 examples/convert.py LAYER.WL out.json --encoding GBK --colour-library Slib/Pcolor.lib

A file that cannot be converted ends the script with one line on standard error
that names the file and the cause, and exit status 1. The output is written
under a temporary name in its own folder and moved into place only once the
export has succeeded, so an existing output survives a failed conversion; the script
refuses to write over its input or the colour library it reads.
"""
import argparse
import codecs
import errno
import os
import signal
import stat
import struct
import sys
import tempfile
import time
import warnings

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from src import kestrinpy  # noqa: E402

BAR = 40
LOG_LINES = 4  # progress lines written when the output is not a terminal
MAPGIS_MAGIC = b"WMAP`D2"  # the start of every MapGIS point, line, polygon and project file
COLOUR_MAGIC = b"PCOLOR"  # the start of the 8-byte header of a MapGIS colour library

# The reader decodes the bytes of a text field before its first zero byte,
# dropping what the codec cannot read: an encoding must take any such bytes.
ARBITRARY_BYTES = [bytes([b]) for b in range(1, 256)] + [bytes(range(1, 256)), bytes(range(255, 0, -1))]
# Printable ASCII and a few backslash escapes, which text is made of and which
# escape codecs would turn into other characters.
ASCII = bytes(range(0x20, 0x7F)) + b"\\n\\x41\\u0041"
FIELD_HEAD_SIZE = struct.calcsize(kestrinpy.MapGisFile._MapGisFile__FeatureFieldHead)
FIELD_SIZE = struct.calcsize(kestrinpy.MapGisFile._MapGisFile__FeatureField)
FIELD_NAME_SIZE = 20  # the name leads each field definition


class UserError(Exception):
    """A file the user named that cannot be used: the file and the cause."""

    def __init__(self, path, cause):
        super().__init__(f"{path}: {cause}")


def checked_encoding(path, name):
    """Refuses an encoding the reader cannot decode MapGIS text with, which
    would otherwise end in a traceback or in calling the file no MapGIS file."""
    try:
        codec = codecs.lookup(name)
    except (LookupError, ValueError, UnicodeError):
        raise UserError(path, f"unknown encoding {name!r}") from None
    if not getattr(codec, "_is_text_encoding", True):
        raise UserError(path, f"encoding {name!r} is a codec but not a text encoding")
    with warnings.catch_warnings():  # escape codecs warn of the escapes they meet
        warnings.simplefilter("ignore")
        for probe in ARBITRARY_BYTES:
            try:
                probe.decode(name, "ignore")
            except Exception as error:  # noqa: BLE001 - whatever the codec raises, it cannot serve
                raise UserError(path, f"encoding {name!r} cannot decode arbitrary bytes, even dropping what it "
                                      f"cannot read ({type(error).__name__}: {error})") from None
        ascii_read = ASCII.decode(name, "ignore")
    if ascii_read != ASCII.decode("ascii"):
        raise UserError(path, f"encoding {name!r} does not read ASCII as ASCII, as the MapGIS magic and "
                              "field names need")


def same_file(a, b):
    try:
        return os.path.samefile(a, b)
    except OSError:  # one of them does not exist (yet)
        return os.path.realpath(a) == os.path.realpath(b)


def refuse_overwriting(output, path, colour_library):
    """Refuses an output that would replace the input or the colour library the
    export reads, before anything is opened for writing."""
    if same_file(output, path):
        raise UserError(output, "is the file to convert; choose another output")
    if colour_library is not None and same_file(output, colour_library):
        raise UserError(output, "is the colour library; choose another output")


def colour_library_read(name):
    """The colour library the export will read: the one named, or the default
    that the module finds when none is named (None when there is none)."""
    return name if name is not None else kestrinpy.MapGisColorLib().PcolorLibFile


def missing_file(path, kind):
    if os.path.isdir(path):
        return UserError(path, f"is a folder, not {kind}")
    if not os.path.lexists(path):
        return UserError(path, "no such file")
    return UserError(path, f"cannot be read as {kind}")


def checked_colour_library(name, notes):
    """The colour library the user asked for, refused when it cannot serve: the
    module's own reader fails soft (no colours) where a user wants to know.
    Any file reads as colours, so one whose header does not start as a colour
    library's does is used with a warning."""
    if name is None:
        return None
    library = kestrinpy.MapGisColorLib(name)
    if library.PcolorLibFile is None:
        raise missing_file(name, "a colour library")
    with open(library.PcolorLibFile, "rb") as stream:
        head = stream.read(8)
    if library.count == 0 or head.startswith(MAPGIS_MAGIC):
        raise UserError(name, "not a colour library file (Pcolor.lib)")
    if not head.startswith(COLOUR_MAGIC):
        notes.append(f"{name}: may not be a colour library: its header does not begin with "
                     f"{COLOUR_MAGIC.decode()}; reading it as one")
    return name


def opened_layer(path, colour_library, encoding):
    try:
        return kestrinpy.MapGisFile(path, colour_library, encoding)
    except FileNotFoundError:
        raise missing_file(path, "a MapGIS file") from None
    except LookupError:
        raise UserError(path, f"unknown encoding {encoding!r}") from None
    except UnicodeError as error:
        raise UserError(path, f"encoding {encoding!r} cannot decode its text ({error})") from None
    except (struct.error, IndexError) as error:
        raise UserError(path, f"damaged or cut short ({error})") from None
    except OSError as error:
        raise UserError(path, f"cannot be read ({error.strerror or error})") from None
    except Exception as error:  # the module's format check
        if str(error).endswith("] invalid file format."):
            raise UserError(path, "not a MapGIS point, line or polygon file") from None
        raise


def lossy_field_names(layer, path, encoding):
    """A warning when the encoding loses field names: a name that drops bytes
    (strict decoding fails where the reader's lenient one succeeds), decodes
    empty, or repeats another; features then carry fewer fields, one value
    overwriting another's. None when the names decode whole."""
    fields = layer.FieldStruct["fields"]
    start = layer._featureDataHeads[9 if layer.FileType == "Polygon" else 2][0]
    if not fields or start < 0:
        return None
    try:
        with open(path, "rb") as stream:
            raw = []
            for k in range(len(fields)):
                stream.seek(start + FIELD_HEAD_SIZE + FIELD_SIZE * k)
                raw.append(stream.read(FIELD_NAME_SIZE).split(b"\0", 1)[0])
    except OSError:  # the reader has just read them; a file changed since is not this check's to report
        return None
    names = [field["name"] for field in fields]
    problems, first = [], {}
    for k, (name, data) in enumerate(zip(names, raw)):
        causes = []
        try:
            data.decode(encoding)
        except ValueError:
            causes.append("empty" if not name else "bytes dropped")
        earlier = first.setdefault(name, k)
        if earlier != k and raw[earlier] != data:
            causes.append(f"same name as field {earlier + 1}")
        if causes:
            problems.append(f"{k + 1} {name!r} ({', '.join(causes)})")
    if not problems:
        return None
    return (f"{path}: with encoding {encoding!r} field names lose bytes or repeat: fields {', '.join(problems)}; "
            f"features carry {len(first)} of {len(names)} fields; try --encoding GB2312 or GBK")


class ProgressBar:
    """Draws the export's progress: redrawn in place on a terminal, a few whole
    lines into a log or a pipe."""

    def __init__(self, stream):
        self.stream = stream
        self.redraw = stream.isatty()
        self.done = 0
        self.logged = 0
        self.failed = None  # the error of a stream that could not be written, such as a closed pipe

    def __call__(self, value):
        try:
            self.draw(value)
        except OSError as error:
            self.failed = error
            raise

    def draw(self, value):
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


def export(layer, path, target, output, progress):
    """Exports the layer into the file `target`; errors name `output`, the
    file the user asked for."""
    try:
        layer.saveAsGeoJson(target)
    except OSError as error:
        cause = error.strerror or str(error)
        if progress.failed is not None:
            # The bar could not be drawn (a pipe whose reader has gone); the
            # messenger's report of that, printed to the same stream, failed
            # too and ended the export. The output is not at fault.
            failed = progress.failed
            raise UserError("standard output", f"cannot be written ({failed.strerror or failed})") from None
        if error.filename == path:
            raise UserError(path, f"cannot be read ({cause})") from None
        if error.errno == errno.EINVAL and error.filename is None:  # a record placed before the start
            raise UserError(path, f"damaged or cut short ({cause})") from None
        raise UserError(output, f"cannot be written ({cause})") from None
    except UnicodeError as error:
        raise UserError(path, f"encoding {layer.Encoding!r} cannot decode its text ({error})") from None
    except (struct.error, IndexError) as error:
        raise UserError(path, f"damaged or cut short ({error})") from None
    finally:
        progress.finish()


def current_umask():
    mask = os.umask(0o022)
    os.umask(mask)
    return mask


def synced(path):
    """Flushes a file (or a folder's entries) to the disk: the export must be
    on the disk before it takes the old output's name, or a power cut could
    leave an empty file where a good one was."""
    handle = os.open(path, os.O_RDONLY)
    try:
        os.fsync(handle)
    finally:
        os.close(handle)


def written_safely(output, write):
    """Runs write(name) on a new file in the output's folder and moves it over
    the output only when it has succeeded: an existing output is never lost
    and no partial file is left. The new file gets what the output would have
    kept had it been written in place: its mode (and owner, where that can be
    set), or for a new output the mode open() gives; a link to the output
    stays a link, its target replaced."""
    target = os.path.realpath(output)
    try:
        # Looked up as named, not as resolved: "out.json/" names a folder, and
        # realpath would drop the slash and let the file out.json be replaced.
        info = os.stat(output)
    except FileNotFoundError:
        info = None
    except OSError as error:
        raise UserError(output, f"cannot be written ({error.strerror or error})") from None
    if info is None and os.path.basename(output) in ("", os.curdir, os.pardir):  # a folder yet to be made
        raise UserError(output, f"cannot be written ({os.strerror(errno.EISDIR)})")
    if info is not None and stat.S_ISDIR(info.st_mode):
        raise UserError(output, f"cannot be written ({os.strerror(errno.EISDIR)})")
    if info is not None and not stat.S_ISREG(info.st_mode):
        write(output)  # a device or a pipe (/dev/null, a FIFO) is written as it is, never replaced
        return
    if info is not None and not os.access(target, os.W_OK):  # a write-protected output stays protected
        raise UserError(output, f"cannot be written ({os.strerror(errno.EACCES)})")
    folder, name = os.path.split(target)
    try:
        handle, temporary = tempfile.mkstemp(dir=folder, prefix=f".{name}.", suffix=".tmp")
    except OSError as error:
        raise UserError(output, f"cannot be written ({error.strerror or error})") from None
    try:
        try:
            if info is None:
                os.fchmod(handle, 0o666 & ~current_umask())
            else:
                if (info.st_uid, info.st_gid) != (os.geteuid(), os.getegid()):
                    try:
                        os.fchown(handle, info.st_uid, info.st_gid)
                    except OSError:  # only root may give a file away
                        pass
                os.fchmod(handle, stat.S_IMODE(info.st_mode))
        finally:
            os.close(handle)
        write(temporary)
        try:
            synced(temporary)
            os.replace(temporary, target)
        except OSError as error:
            raise UserError(output, f"cannot be written ({error.strerror or error})") from None
        try:
            synced(folder)
        except OSError:  # the export is in place; some file systems cannot sync a folder
            pass
    except BaseException:  # an interrupt too: no partial file is left behind
        try:
            os.unlink(temporary)
        except FileNotFoundError:
            pass
        raise


def ended_by_signal(signum, frame):
    """Turns a request to end into an exception, as Ctrl-C is, so that an export
    cut short by `kill` or a closed terminal removes its temporary file too;
    the exit status is the shell's for a process ended by that signal."""
    raise SystemExit(128 + signum)


def main():
    for signum in (signal.SIGTERM, signal.SIGHUP):
        if signal.getsignal(signum) == signal.SIG_DFL:  # one ignored (nohup) stays ignored
            signal.signal(signum, ended_by_signal)
    parser = argparse.ArgumentParser(description="Convert a MapGIS WT, WL or WP file to GeoJSON.")
    parser.add_argument("path", help="the MapGIS file to read")
    parser.add_argument("output", help="the GeoJSON file to write")
    parser.add_argument("--encoding", default="GB2312", help="text encoding of the file (default GB2312)")
    parser.add_argument("--colour-library", default=None,
                        help="the Pcolor.lib to take style colours from (default: MapGIS/Slib/Pcolor.lib "
                             "beside the module, then under the root)")
    options = parser.parse_args()

    notes = []
    try:
        refuse_overwriting(options.output, options.path, colour_library_read(options.colour_library))
        checked_encoding(options.path, options.encoding)
        colour_library = checked_colour_library(options.colour_library, notes)
        layer = opened_layer(options.path, colour_library, options.encoding)
        notes.append(lossy_field_names(layer, options.path, options.encoding))
        for warning in filter(None, notes):
            print(f"{parser.prog}: warning: {warning}", file=sys.stderr)
        progress = ProgressBar(sys.stdout)
        layer.subscribe("progress", progress)
        started = time.perf_counter()
        written_safely(options.output, lambda target: export(layer, options.path, target, options.output, progress))
    except UserError as error:
        print(f"{parser.prog}: {error}", file=sys.stderr)
        return 1
    elapsed = time.perf_counter() - started
    held = f"{progress.done} features"
    if layer.FileType == "Polygon" and progress.done == 0 and layer.ArcValidCount > 0:
        held = f"{layer.ArcValidCount} arcs and no polygons"
    print(f"{layer.FileType} file, {held}, EPSG {layer.EPSG}: wrote {options.output} "
          f"({os.path.getsize(options.output)} bytes) in {elapsed * 1000:.1f} ms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
