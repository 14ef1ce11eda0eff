"""examples/convert.py as a user meets it, run as a child process: the export it
writes, its progress bar, one line on standard error for every file it cannot
use, the files it will not write over, and its warnings."""
import json
import os
import pathlib
import pty
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import threading
import unittest

from src import kestrinpy
from tests import fixtures
from tests.fixtures import FeatureFile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPT = os.path.join(ROOT, "examples", "convert.py")


class ConvertTest(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        self.data = self.parcels()
        self.layer = fixtures.write(self.folder, "parcels.WP", self.data)
        self.library = fixtures.write(self.folder, "Pcolor.lib", fixtures.colour_library(
            [(0, 10, 20, 30, 40, 50), (255, 0, 0, 0, 0, 0), (0, 255, 0, 0, 0, 0)]))
        self.output = str(self.folder / "out.json")

    @staticmethod
    def parcels(damaged=None):
        """Twelve parcels; the arc list of parcel `damaged` is placed past the end of the file."""
        layer = FeatureFile("polygon")
        layer.add_field("名称", 0, size=8)
        for k in range(12):
            arc = layer.add_arc([(k, 0), (k + 1, 0), (k + 1, 1), (k, 0)], k + 1, k + 1)
            placed = dict(Start=10 ** 6) if k == damaged else {}
            layer.add_polygon([arc], attributes=[f"地块{k}"], FillColor=k % 3 + 1, **placed)
        return layer.build()

    def convert(self, *args, umask=None):
        preexec = None if umask is None else (lambda: os.umask(umask))
        return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True, timeout=120,
                              preexec_fn=preexec)

    def expected_export(self, layer=None, library=None):
        expected = str(self.folder / "expected" / "out.json")
        os.makedirs(os.path.dirname(expected), exist_ok=True)
        kestrinpy.MapGisFile(layer or self.layer, library).saveAsGeoJson(expected)
        return pathlib.Path(expected).read_bytes()

    def test_export_and_progress_into_a_pipe(self):
        completed = self.convert(self.layer, self.output, "--colour-library", self.library)
        self.assertEqual((completed.returncode, completed.stderr), (0, ""))
        expected = str(self.folder / "expected.json")
        kestrinpy.MapGisFile(self.layer, self.library).saveAsGeoJson(expected)
        self.assertEqual(pathlib.Path(self.output).read_bytes(), pathlib.Path(expected).read_bytes())
        lines = completed.stdout.split("\n")
        self.assertNotIn("\r", completed.stdout)
        self.assertEqual(lines[:4], [f"[{'#' * (10 * k)}{'.' * (40 - 10 * k)}] {3 * k}/12" for k in (1, 2, 3, 4)])
        self.assertRegex(lines[4], rf"^Polygon file, 12 features, EPSG 0: wrote {self.output} "
                                   rf"\({os.path.getsize(expected)} bytes\) in [0-9.]+ ms$")
        self.assertEqual(lines[5:], [""])

    def test_progress_redrawn_on_a_terminal(self):
        leader, follower = pty.openpty()
        with os.fdopen(leader, "rb") as terminal:
            child = subprocess.Popen([sys.executable, SCRIPT, self.layer, self.output], stdout=follower,
                                     stderr=subprocess.PIPE)
            os.close(follower)
            shown = b""
            while True:
                try:
                    chunk = os.read(terminal.fileno(), 4096)
                except OSError:  # the child has gone and closed the terminal
                    break
                if not chunk:
                    break
                shown += chunk
            self.assertEqual(child.wait(timeout=120), 0)
            child.stderr.close()
        text = shown.decode("utf-8").replace("\r\n", "\n")
        self.assertEqual(text.count("\r"), 12)
        self.assertTrue(text.startswith(f"\r[###{'.' * 37}] 1/12\r"))
        self.assertIn(f"\r[{'#' * 40}] 12/12\nPolygon file, 12 features", text)

    def test_files_it_cannot_use(self):
        missing = str(self.folder / "missing.WP")
        text = fixtures.write(self.folder, "notes.txt", b"not a MapGIS file\n" * 30)
        project = fixtures.write(self.folder, "project.MPJ", fixtures.project_file([dict(Type=2)]))
        cut = fixtures.write(self.folder, "cut.WP", self.data[:100])
        damaged = fixtures.write(self.folder, "damaged.WP", self.parcels(damaged=6))
        tiny_library = fixtures.write(self.folder, "tiny.lib", b"\0" * 60)
        no_folder = str(self.folder / "no" / "out.json")
        folder = str(self.folder)
        cases = [
            ([missing, self.output], f"{missing}: no such file"),
            ([folder, self.output], f"{folder}: is a folder, not a MapGIS file"),
            ([text, self.output], f"{text}: not a MapGIS point, line or polygon file"),
            ([project, self.output], f"{project}: not a MapGIS point, line or polygon file"),
            ([cut, self.output], f"{cut}: damaged or cut short (unpack requires a buffer of 336 bytes)"),
            ([damaged, self.output], f"{damaged}: damaged or cut short (unpack requires a buffer of 4 bytes)"),
            ([self.layer, self.output, "--encoding", "no-such-codec"], f"{self.layer}: unknown encoding 'no-such-codec'"),
            ([self.layer, self.output, "--colour-library", missing], f"{missing}: no such file"),
            ([self.layer, self.output, "--colour-library", folder], f"{folder}: is a folder, not a colour library"),
            ([self.layer, self.output, "--colour-library", tiny_library],
             f"{tiny_library}: not a colour library file (Pcolor.lib)"),
            ([self.layer, self.output, "--colour-library", self.layer],
             f"{self.layer}: not a colour library file (Pcolor.lib)"),
            ([self.layer, no_folder], f"{no_folder}: cannot be written (No such file or directory)"),
        ]
        for args, line in cases:
            with self.subTest(line=line):
                completed = self.convert(*args)
                self.assertEqual((completed.returncode, completed.stderr), (1, f"convert.py: {line}\n"))

    def test_refuses_to_write_over_what_it_reads(self):
        layer, library = self.layer, self.library
        os.symlink(layer, self.folder / "link.json")
        os.link(library, self.folder / "hard.lib")
        os.link(layer, self.folder / "hard.WP")
        kept = fixtures.write(self.folder, "kept.json", b"the previous export")
        cases = [
            ([layer, layer], f"{layer}: is the file to convert; choose another output"),
            ([layer, str(self.folder / "." / "parcels.WP")],
             f"{self.folder / '.' / 'parcels.WP'}: is the file to convert; choose another output"),
            ([layer, str(self.folder / "link.json")],
             f"{self.folder / 'link.json'}: is the file to convert; choose another output"),
            ([layer, library, "--colour-library", library], f"{library}: is the colour library; choose another output"),
            ([layer, str(self.folder / "hard.lib"), "--colour-library", library],
             f"{self.folder / 'hard.lib'}: is the colour library; choose another output"),
            # A name ending in a slash names a folder: the file before the slash is not replaced.
            ([layer, kept + "/"], f"{kept}/: cannot be written (Not a directory)"),
            ([layer, f"{self.folder / 'hard.WP'}/"], f"{self.folder / 'hard.WP'}/: cannot be written (Not a directory)"),
            ([layer, f"{self.folder / 'new'}/"], f"{self.folder / 'new'}/: cannot be written (Is a directory)"),
        ]
        before = {path.name: path.read_bytes() for path in self.folder.iterdir()}
        for args, line in cases:
            with self.subTest(line=line):
                completed = self.convert(*args)
                self.assertEqual((completed.returncode, completed.stderr), (1, f"convert.py: {line}\n"))
                self.assertEqual({path.name: path.read_bytes() for path in self.folder.iterdir()}, before)

    def test_failed_export_keeps_the_existing_output(self):
        damaged = fixtures.write(self.folder, "damaged.WP", self.parcels(damaged=6))
        cases = [
            ("a damaged input", damaged, False,
             f"{damaged}: damaged or cut short (unpack requires a buffer of 4 bytes)"),
            # The progress goes to a pipe whose reader has gone: the line names
            # that, not the output, which could be written.
            ("progress into a closed pipe", self.layer, True, "standard output: cannot be written (Broken pipe)"),
        ]
        for name, path, closed_stdout, line in cases:
            with self.subTest(name):
                pathlib.Path(self.output).write_bytes(b"the previous export")
                before = sorted(os.listdir(self.folder))
                reader, writer = os.pipe()
                if closed_stdout:
                    os.close(reader)
                try:
                    completed = subprocess.run([sys.executable, SCRIPT, path, self.output], stdout=writer,
                                               stderr=subprocess.PIPE, text=True, timeout=120)
                finally:
                    os.close(writer)
                    if not closed_stdout:
                        os.close(reader)
                self.assertEqual((completed.returncode, completed.stderr), (1, f"convert.py: {line}\n"))
                self.assertEqual(pathlib.Path(self.output).read_bytes(), b"the previous export")
                self.assertEqual(sorted(os.listdir(self.folder)), before)  # no temporary file left

    def test_interrupted_export_keeps_the_existing_output(self):
        layer = FeatureFile("line")
        for k in range(5000):
            layer.add_line([(k, 0), (k + 1, 1)])
        path = layer.write(self.folder, "long.WL")
        # Ctrl-C, `kill` and a closed terminal: each ends the export with the
        # temporary file removed and the previous output in place.
        cases = [
            (signal.SIGINT, b"KeyboardInterrupt"),
            (signal.SIGTERM, b""),
            (signal.SIGHUP, b""),
        ]
        for signum, shown in cases:
            with self.subTest(signal=signum.name):
                pathlib.Path(self.output).write_bytes(b"the previous export")
                before = sorted(os.listdir(self.folder))
                leader, follower = pty.openpty()
                with os.fdopen(leader, "rb", buffering=0) as terminal:
                    child = subprocess.Popen([sys.executable, SCRIPT, path, self.output], stdout=follower,
                                             stderr=subprocess.PIPE)
                    os.close(follower)
                    # The bar is redrawn for every feature: the export cannot end before
                    # the terminal is read, so the signal comes in the middle of it.
                    terminal.read(1)
                    child.send_signal(signum)
                    while True:
                        try:
                            if not terminal.read(4096):
                                break
                        except OSError:  # the child has gone and closed the terminal
                            break
                    self.assertNotEqual(child.wait(timeout=120), 0)
                    self.assertIn(shown, child.stderr.read())
                    child.stderr.close()
                self.assertEqual(pathlib.Path(self.output).read_bytes(), b"the previous export")
                self.assertEqual(sorted(os.listdir(self.folder)), before)

    def test_output_as_a_write_in_place_leaves_it(self):
        expected = self.expected_export()
        with self.subTest("a new file takes its mode from the umask"):
            self.assertEqual(self.convert(self.layer, self.output, umask=0o027).returncode, 0)
            self.assertEqual(stat.S_IMODE(os.stat(self.output).st_mode), 0o640)
            self.assertEqual(pathlib.Path(self.output).read_bytes(), expected)
        with self.subTest("an existing file keeps its mode"):
            os.chmod(self.output, 0o604)
            self.assertEqual(self.convert(self.layer, self.output, umask=0o022).returncode, 0)
            self.assertEqual(stat.S_IMODE(os.stat(self.output).st_mode), 0o604)
        with self.subTest("a link stays a link, its target replaced"):
            target = self.folder / "elsewhere" / "target.json"
            target.parent.mkdir()
            target.write_bytes(b"old")
            link = self.folder / "link.json"
            os.symlink(target, link)
            self.assertEqual(self.convert(self.layer, str(link)).returncode, 0)
            self.assertTrue(link.is_symlink())
            self.assertEqual(target.read_bytes(), expected)
            self.assertEqual(os.listdir(target.parent), ["target.json"])
        with self.subTest("a pipe is written into, not replaced"):
            pipe = self.folder / "pipe"
            os.mkfifo(pipe)
            received = []
            reader = threading.Thread(target=lambda: received.append(pipe.read_bytes()), daemon=True)
            reader.start()
            completed = self.convert(self.layer, str(pipe))
            reader.join(timeout=120)
            self.assertEqual((completed.returncode, completed.stderr), (0, ""))
            self.assertTrue(stat.S_ISFIFO(os.lstat(pipe).st_mode))
            self.assertEqual(received, [expected])

    def test_encodings_it_cannot_use(self):
        reason = "cannot decode arbitrary bytes, even dropping what it cannot read"
        cases = [
            ("idna", f"encoding 'idna' {reason} (UnicodeError: Unsupported error handling ignore)"),
            ("undefined", f"encoding 'undefined' {reason} (UnicodeError: undefined encoding)"),
            ("punycode", f"encoding 'punycode' {reason} (UnicodeDecodeError: 'ascii' codec can't decode byte 0x80 "
                         "in position 0: ordinal not in range(128))"),
            ("utf-16", "encoding 'utf-16' does not read ASCII as ASCII, as the MapGIS magic and field names need"),
            ("utf-32", "encoding 'utf-32' does not read ASCII as ASCII, as the MapGIS magic and field names need"),
            ("unicode_escape",
             "encoding 'unicode_escape' does not read ASCII as ASCII, as the MapGIS magic and field names need"),
            ("rot13", "encoding 'rot13' is a codec but not a text encoding"),
            ("hex", "encoding 'hex' is a codec but not a text encoding"),
            ("base64", "encoding 'base64' is a codec but not a text encoding"),
            ("", "unknown encoding ''"),
        ]
        for encoding, line in cases:
            with self.subTest(encoding=encoding):
                completed = self.convert(self.layer, self.output, "--encoding", encoding)
                self.assertEqual((completed.returncode, completed.stderr), (1, f"convert.py: {self.layer}: {line}\n"))
                self.assertFalse(os.path.exists(self.output))

    def test_warns_of_field_names_the_encoding_loses(self):
        layer = FeatureFile("line", encoding="GBK")
        for name, code in [("名称", 0), ("面积", 5), ("ID", 3), ("周长", 5), ("地类编码", 0), ("喆", 0)]:
            layer.add_field(name, code, size=8 if code == 0 else None)  # 喆 is in GBK, not in GB2312
        layer.add_line([(0, 0), (1, 1)], attributes=["路", 1.5, 7, 2.5, "0101", "x"])
        path = layer.write(self.folder, "HB.WL")
        cases = [
            ("utf-8", "fields 1 '' (empty), 2 '' (empty, same name as field 1), 4 'ܳ' (bytes dropped), "
                      "5 '' (empty, same name as field 1), 6 '' (empty, same name as field 1); "
                      "features carry 3 of 6 fields", 3),
            ("GB2312", "fields 6 '' (empty); features carry 6 of 6 fields", 6),
            ("GBK", None, 6),
        ]
        for encoding, fields, carried in cases:
            with self.subTest(encoding=encoding):
                completed = self.convert(path, self.output, "--encoding", encoding)
                self.assertEqual(completed.returncode, 0)
                warning = "" if fields is None else (
                    f"convert.py: warning: {path}: with encoding {encoding!r} field names lose bytes or repeat: "
                    f"{fields}; try --encoding GB2312 or GBK\n")
                self.assertEqual(completed.stderr, warning)
                with open(self.output, encoding="utf-8") as stream:
                    self.assertEqual(len(json.load(stream)["features"][0]["properties"]), carried)

    def test_warns_of_a_colour_library_without_its_header(self):
        notes = fixtures.write(self.folder, "notes.txt", b"not a colour library\n" * 30)
        bare = fixtures.write(self.folder, "bare.lib", fixtures.colour_library([(255, 0, 0, 0, 0, 0)], head=b""))
        for library in (notes, bare):
            with self.subTest(library=library):
                completed = self.convert(self.layer, self.output, "--colour-library", library)
                self.assertEqual(completed.returncode, 0)
                self.assertEqual(completed.stderr, f"convert.py: warning: {library}: may not be a colour library: "
                                                   "its header does not begin with PCOLOR; reading it as one\n")
                self.assertEqual(pathlib.Path(self.output).read_bytes(), self.expected_export(library=library))

    def test_polygon_file_of_arcs_alone(self):
        layer = FeatureFile("polygon")
        for k in range(5):
            layer.add_arc([(k, 0), (k + 1, 0)], k + 1, k + 2)
        path = layer.write(self.folder, "arcs.WP")
        completed = self.convert(path, self.output)
        self.assertEqual((completed.returncode, completed.stderr), (0, ""))
        self.assertRegex(completed.stdout, rf"^Polygon file, 5 arcs and no polygons, EPSG 0: wrote {self.output} "
                                           rf"\({os.path.getsize(self.output)} bytes\) in [0-9.]+ ms\n$")

    def test_bad_usage_is_left_to_argparse(self):
        completed = self.convert(self.layer)
        self.assertEqual(completed.returncode, 2)
        self.assertTrue(completed.stderr.startswith("usage: convert.py"))
        self.assertIn("convert.py: error: the following arguments are required: output", completed.stderr)


if __name__ == "__main__":
    unittest.main()
