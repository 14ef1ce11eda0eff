"""MapGisColorLib: reading Pcolor.lib, the default search, and the conversions."""
import os
import pathlib
import shutil
import sys
import tempfile
import unittest

from src import kestrinpy
from tests import fixtures
from tests.support import run_child

ColorLib = kestrinpy.MapGisColorLib

# (record bytes K, C, M, Y, M100Y100, M25Y100), CMYK, RGB, HEX
WORKED = [
    ((0, 0, 0, 0, 0, 0), (0, 0, 0, 0), (255, 255, 255), "#FFFFFF"),
    ((255, 0, 0, 0, 0, 0), (0, 0, 0, 100), (0, 0, 0), "#000000"),
    ((0, 255, 0, 0, 0, 0), (100, 0, 0, 0), (0, 255, 255), "#00FFFF"),
    ((0, 0, 0, 0, 255, 0), (0, 100, 100, 0), (255, 0, 0), "#FF0000"),
    ((0, 0, 0, 0, 0, 255), (0, 25, 100, 0), (255, 191, 0), "#FFBF00"),
    ((0, 10, 20, 30, 40, 50), (4, 29, 48, 0), (245, 181, 133), "#F5B585"),
    ((0, 0, 200, 200, 255, 255), (0, 100, 100, 0), (255, 0, 0), "#FF0000"),
    ((0, 0, 0, 0, 0, 5), (0, 0, 2, 0), None, None),      # 0.5 rounds to 0
    ((0, 0, 0, 0, 0, 25), (0, 2, 10, 0), None, None),    # 2.5 rounds to 2
    ((76, 0, 0, 0, 0, 0), (0, 0, 0, 30), (178, 178, 178), "#B2B2B2"),
    ((153, 64, 0, 0, 0, 0), (25, 0, 0, 60), (76, 102, 102), "#4C6666"),
]


def reference(shares):
    """The conversions written out in the host's own arithmetic."""
    k, c, m, y, m100y100, m25y100 = shares
    p = round(100.0 * m100y100 / 255.0)
    q = round(100.0 * m25y100 / 255.0)
    cmyk = (round(100.0 * c / 255.0), min(round(100.0 * m / 255.0 + p + q * 0.25), 100),
            min(round(100.0 * y / 255.0 + p + q), 100), round(100.0 * k / 255.0))
    cc, mm, yy, kk = (v / 100.0 for v in cmyk)
    rgb = tuple(max(min(round((255 * (1 - v)) * (1 - kk)), 255), 0) for v in (cc, mm, yy))
    return cmyk, rgb, "#{:02X}{:02X}{:02X}".format(*rgb)


class LibraryTestCase(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)

    def library(self, records, tail=b"", name="Pcolor.lib"):
        return fixtures.write(self.folder, name, fixtures.colour_library(records, tail=tail))


class ConversionTest(LibraryTestCase):
    def test_worked_table(self):
        colours = ColorLib(self.library([shares for shares, *_ in WORKED]))
        self.assertEqual(colours.count, len(WORKED))
        for number, (shares, cmyk, rgb, hex_text) in enumerate(WORKED, 1):
            with self.subTest(shares=shares):
                self.assertEqual(colours.CMYK(number), cmyk)
                self.assertEqual((colours.CMYK(number), colours.RGB(number), colours.HEX(number)), reference(shares))
                if rgb:
                    self.assertEqual(colours.RGB(number), rgb)
                    self.assertEqual(colours.HEX(number, "#123456"), hex_text)

    def test_every_byte_value_matches_the_host(self):
        records = [(v, v, 255 - v, v // 2, v % 7 * 40, 255 - v // 3) for v in range(256)]
        records += [(0, 0, 0, 0, 0, v) for v in range(256)] + [(v, 0, 0, 0, 0, 0) for v in range(256)]
        records += [(v, (v * 37) % 256, 0, 0, 0, 0) for v in range(256)]
        colours = ColorLib(self.library(records))
        for number, shares in enumerate(records, 1):
            with self.subTest(shares=shares):
                self.assertEqual((colours.CMYK(number), colours.RGB(number), colours.HEX(number)), reference(shares))

    def test_out_of_range_answers_the_very_default(self):
        colours = ColorLib(self.library([(0, 0, 0, 0, 0, 0)] * 3, tail=b"x" * 31))
        self.assertEqual(colours.count, 3)
        marker, text = (), "not a colour"
        for number in (0, -1, 4, 2 ** 70, -2 ** 70):
            with self.subTest(number=number):
                self.assertIs(colours.CMYK(number, marker), marker)
                self.assertIs(colours.RGB(number, marker), marker)
                self.assertIs(colours.HEX(number, text), text)
        self.assertEqual(colours.HEX(3, "#FFFFFF"), "#FFFFFF")
        self.assertEqual(colours.HEX(index=1, defaultColor="#FFFFFF"), "#FFFFFF")

    def test_defaults_of_the_methods(self):
        colours = ColorLib(str(self.folder / "missing.lib"))
        self.assertEqual((colours.CMYK(), colours.RGB(), colours.HEX()), ((0, 0, 0, 100), (0, 0, 0), "#000000"))
        self.assertEqual(ColorLib.CMYK.__defaults__, (1, (0, 0, 0, 100)))
        self.assertEqual(ColorLib.HEX.__annotations__, {"index": "int", "defaultColor": "str",
                                                        "return": "Union[str, None]"})

    def test_argument_types(self):
        colours = ColorLib(None)
        template = "Argument '{}' has incorrect type (expected {}, got {})"
        cases = [
            (lambda: colours.CMYK(True), ("index", "int", "bool")),
            (lambda: colours.RGB(1.0), ("index", "int", "float")),
            (lambda: colours.CMYK(1, [0, 0, 0, 0]), ("defaultColor", "tuple", "list")),
            (lambda: colours.RGB(1, None), ("defaultColor", "tuple", "NoneType")),
            (lambda: colours.HEX(1, None), ("defaultColor", "str", "NoneType")),
            (lambda: ColorLib(b"Pcolor.lib"), ("mapGisColorLib", "str", "bytes")),
        ]
        for call, fields in cases:
            with self.subTest(fields), self.assertRaises(TypeError) as caught:
                call()
            self.assertEqual(str(caught.exception), template.format(*fields))


class ScriptChangesTest(LibraryTestCase):
    def setUp(self):
        super().setUp()
        self.colours = ColorLib(self.library([(0, 10, 20, 30, 40, 50)]))

    def test_count_raised_past_the_buffer_raises(self):
        import struct
        self.colours.count = 5
        with self.assertRaises(struct.error) as caught:
            self.colours.CMYK(2)
        self.assertEqual(str(caught.exception), "unpack requires a buffer of 32 bytes")
        self.colours.count = 2 ** 80
        with self.assertRaises(struct.error):
            self.colours.HEX(2 ** 70)

    def test_buffer_replaced_by_a_script(self):
        self.colours._MapGisColorLib__ColorBuffer = bytearray(fixtures.colour_library([(255, 0, 0, 0, 0, 0)])[156:])
        self.assertEqual(self.colours.CMYK(1), (0, 0, 0, 100))
        self.colours._MapGisColorLib__ColorBuffer = None
        with self.assertRaises(TypeError):
            self.colours.CMYK(1)
        self.colours.count = 0
        self.assertEqual(self.colours.CMYK(1), (0, 0, 0, 100))

    def test_replaced_methods_are_used(self):
        class Plain(ColorLib):
            def CMYK(self, index=1, defaultColor=(0, 0, 0, 100)):
                return (0, 0, 0, 50)

        class Wide(ColorLib):
            def RGB(self, index=1, defaultColor=(0, 0, 0)):
                return (256, 0, 15)

        class Odd(ColorLib):
            def CMYK(self, index=1, defaultColor=()):
                return (12.5, 0, 0, 0)

        path = self.colours.PcolorLibFile
        self.assertEqual(Plain(path).RGB(1), (128, 128, 128))
        self.assertEqual(Plain(path).HEX(1), "#808080")
        self.assertEqual(Wide(path).HEX(1), "#100000F")
        self.assertEqual(Odd(path).RGB(1), reference_rgb((12.5, 0, 0, 0)))
        instance = ColorLib(path)
        instance.RGB = lambda index: (1, 2, 3)
        self.assertEqual(instance.HEX(1), "#010203")

    def test_answers_that_do_not_unpack(self):
        cases = [((1, 2, 3), ValueError, "not enough values to unpack (expected 4, got 3)"),
                 ((1, 2, 3, 4, 5), ValueError, "too many values to unpack (expected 4)"),
                 (7, TypeError, "cannot unpack non-iterable int object")]
        for answer, error, text in cases:
            with self.subTest(answer=answer):
                class Broken(ColorLib):
                    def CMYK(self, index=1, defaultColor=()):
                        return answer

                with self.assertRaises(error) as caught:
                    Broken(self.colours.PcolorLibFile).RGB(1)
                self.assertEqual(str(caught.exception), text)

    def test_none_answers_give_the_default(self):
        class Silent(ColorLib):
            def RGB(self, index=1, defaultColor=()):
                return None

        self.assertEqual(Silent(self.colours.PcolorLibFile).HEX(1, "#ABCDEF"), "#ABCDEF")

    def test_unusual_numbers_follow_the_host(self):
        from fractions import Fraction
        for cmyk in [(Fraction(1, 3), 0, 0, 0), (True, 0, 0, 0), (1e308, -1e308, 0, 0), (0, 0, 0, 2 ** 2000),
                     (float("nan"), 0, 0, 0), (float("inf"), 0, 0, 0)]:
            with self.subTest(cmyk=cmyk):
                class Given(ColorLib):
                    def CMYK(self, index=1, defaultColor=()):
                        return cmyk

                try:
                    expected = reference_rgb(cmyk)
                except Exception as error:
                    with self.assertRaises(type(error)) as caught:
                        Given(self.colours.PcolorLibFile).RGB(1)
                    self.assertEqual(str(caught.exception), str(error))
                else:
                    self.assertEqual(Given(self.colours.PcolorLibFile).RGB(1), expected)


def reference_rgb(cmyk):
    c, m, y, k = cmyk
    c, m, y, k = c / 100.0, m / 100.0, y / 100.0, k / 100.0
    return tuple(max(min(round((255 * (1 - v)) * (1 - k)), 255), 0) for v in (c, m, y))


class ReadingTest(LibraryTestCase):
    def test_file_sizes(self):
        cases = [(b"\0" * 100, 0), (b"\0" * 156, 0), (b"\0" * 170, 0), (b"\0" * (156 + 32 * 3 + 31), 3)]
        for data, count in cases:
            with self.subTest(size=len(data)):
                path = fixtures.write(self.folder, f"lib{len(data)}", data)
                colours = ColorLib(path)
                self.assertEqual((colours.PcolorLibFile, colours.count), (path, count))
                self.assertEqual(colours._MapGisColorLib__ColorBuffer, data[156:])

    def test_names_that_load_nothing(self):
        link = self.folder / "dangling"
        link.symlink_to(self.folder / "nowhere")
        for name in [str(self.folder / "missing"), str(self.folder), str(link), "x\0y", "\udcff" * 3]:
            with self.subTest(name=name):
                colours = ColorLib(name)
                self.assertEqual((colours.PcolorLibFile, colours.count), (None, 0))
                self.assertIsNone(colours._MapGisColorLib__ColorBuffer)

    def test_name_is_kept_as_given(self):
        path = self.library([(0, 0, 0, 0, 0, 0)], name="with blank ")
        link = self.folder / "link"
        link.symlink_to(path)
        cwd = os.getcwd()
        os.chdir(self.folder)
        self.addCleanup(os.chdir, cwd)
        for name in ["with blank ", "./with blank ", str(link)]:
            with self.subTest(name=name):
                colours = ColorLib(name)
                self.assertEqual((colours.PcolorLibFile, colours.count), (name, 1))
        self.assertEqual(ColorLib(" with blank").count, 0)  # not trimmed, so not found

    def test_unreadable_file_loads_nothing(self):
        if os.geteuid() == 0:
            self.skipTest("root reads every file")
        path = self.library([(0, 0, 0, 0, 0, 0)])
        os.chmod(path, 0)
        colours = ColorLib(path)
        self.assertEqual((colours.PcolorLibFile, colours.count), (None, 0))

    def test_read_absorbs_ordinary_errors_only(self):
        path = self.library([(0, 0, 0, 0, 0, 0)] * 2)
        for error, absorbed in [(ValueError, True), (OSError, True), (KeyboardInterrupt, False), (SystemExit, False)]:
            with self.subTest(error=error.__name__):
                class Failing(ColorLib):
                    @property
                    def PcolorLibFile(self):
                        return self.__dict__.get("_name")

                    @PcolorLibFile.setter
                    def PcolorLibFile(self, value):
                        if value is not None:
                            raise error("late")
                        self.__dict__["_name"] = value

                if absorbed:
                    colours = Failing(path)
                    self.assertEqual((colours.PcolorLibFile, colours.count), (None, 0))
                    self.assertEqual(len(colours._MapGisColorLib__ColorBuffer), 64)  # set before the failure
                else:
                    with self.assertRaises(error):
                        Failing(path)

    def test_file_handles_are_closed(self):
        path = self.library([(0, 0, 0, 0, 0, 0)])
        before = len(os.listdir("/proc/self/fd"))
        for _ in range(50):
            ColorLib(path)
        self.assertEqual(len(os.listdir("/proc/self/fd")), before)


class DefaultSearchTest(unittest.TestCase):
    """The search beside the module and under the root, with a copy of the
    module in a scratch folder so that nothing is written beside the real one."""

    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        package = self.folder / "src"
        package.mkdir()
        shutil.copy(kestrinpy.__file__, package)
        self.beside = package / "MapGIS" / "Slib" / "Pcolor.lib"

    def child(self, code, root=None):
        script = f"import sys; sys.path.insert(0, {str(root or self.folder)!r}); from src import kestrinpy\n" + code
        completed = run_child(script)
        self.assertEqual(completed.returncode, 0, completed.stderr)
        return completed.stdout.split()

    def test_blank_names_search_beside_the_module(self):
        self.beside.parent.mkdir(parents=True)
        self.beside.write_bytes(fixtures.colour_library([(0, 255, 0, 0, 0, 0)] * 2))
        real = self.folder / "real"
        real.mkdir()
        link_root = self.folder / "linked"
        link_root.symlink_to(self.folder)
        out = self.child("""
for name in (None, "", "  \\t\\n"):
    colours = kestrinpy.MapGisColorLib(name) if name is not None else kestrinpy.MapGisColorLib()
    print(colours.PcolorLibFile, colours.count, colours.HEX(2))
""", root=link_root)
        resolved = str(self.beside.resolve())
        self.assertEqual(out, [resolved, "2", "#00FFFF"] * 3)

    def test_folder_beside_the_module_is_taken_and_loads_nothing(self):
        self.beside.mkdir(parents=True)
        self.assertEqual(self.child("c = kestrinpy.MapGisColorLib(); print(c.PcolorLibFile, c.count)"),
                         ["None", "0"])

    def test_failing_test_beside_the_module_goes_on_to_the_root(self):
        # A folder beside the module that denies access makes the existence test
        # fail; that counts as "not there". Root sees every folder, so the child
        # gives up its rights after the import.
        if os.geteuid() != 0:
            self.skipTest("needs to drop root rights in the child")
        self.beside.parent.mkdir(parents=True)
        self.beside.write_bytes(fixtures.colour_library([(0, 0, 0, 0, 0, 0)]))
        os.chmod(self.beside.parent.parent, 0)
        self.addCleanup(os.chmod, self.beside.parent.parent, 0o755)
        expected = os.path.realpath("/MapGIS/Slib/Pcolor.lib") if os.path.exists("/MapGIS/Slib/Pcolor.lib") else "None"
        out = self.child("import os; os.setgid(65534); os.setuid(65534)\n"
                         "c = kestrinpy.MapGisColorLib(); print(c.PcolorLibFile)")
        self.assertEqual(out, [expected])

    def test_root_place_when_nothing_is_beside_the_module(self):
        root_place = pathlib.Path("/MapGIS/Slib/Pcolor.lib")
        if os.path.lexists("/MapGIS") or not os.access("/", os.W_OK):
            self.skipTest("the root place is not ours to use here")
        root_place.parent.mkdir(parents=True)
        self.addCleanup(shutil.rmtree, "/MapGIS", True)
        root_place.write_bytes(fixtures.colour_library([(255, 0, 0, 0, 0, 0)]))
        self.assertEqual(self.child("c = kestrinpy.MapGisColorLib(); print(c.PcolorLibFile, c.count, c.HEX(1, 'x'))"),
                         [str(root_place), "1", "#000000"])
        shutil.rmtree("/MapGIS")
        self.assertEqual(self.child("c = kestrinpy.MapGisColorLib(); print(c.PcolorLibFile, c.count)"), ["None", "0"])


if __name__ == "__main__":
    unittest.main()
