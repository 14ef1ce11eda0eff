"""The byte helpers of KestrinBase, checked against the host's own operations."""
import random
import sys
import unittest

from src import kestrinpy

B = kestrinpy.KestrinBase


def host_text(data, encoding="GB2312"):
    return data.split(b"\0", 1)[0].decode(encoding, "ignore").rstrip()


class BytesToStrTest(unittest.TestCase):
    def test_cases(self):
        cases = [
            (b"\x41\x42\x00\x43\x44\x00\x00", "GB2312", "AB"),
            (b"\x00ABC", "GB2312", ""),
            (b"ABC", "GB2312", "ABC"),
            (b"", "GB2312", ""),
            (b"  lead\t\r\n \x0b\x0c\x1c\x1f", "GB2312", "  lead"),
            ("测试".encode("gb2312") + b"\xa1\xa1\xa1\xa1", "GB2312", "测试"),  # ideographic spaces
            ("测试".encode("gb2312") + b"\xb2", "GB2312", "测试"),  # half a character at the end
            (b"A\xff\xfeB", "GB2312", "AB"),
            ("名称".encode("utf-8"), "utf-8", "名称"),
            (b"x\xc2\x85\xc2\xa0\xe3\x80\x80", "utf-8", "x"),
            (b"x\xe2\x80\x8b", "utf-8", "x\u200b"),  # a zero-width space is not white space
        ]
        for data, encoding, expected in cases:
            with self.subTest(data=data, encoding=encoding):
                self.assertEqual(B.bytesToStr(data, encoding), expected)
                self.assertEqual(B.bytesToStr(data, encoding), host_text(data, encoding))
        self.assertEqual(B.bytesToStr(b"AB\0"), "AB")
        self.assertEqual(kestrinpy.Geometry().bytesToStr(b"AB", encoding="ascii"), "AB")

    def test_every_host_white_space_is_stripped(self):
        spaces = "".join(chr(c) for c in range(sys.maxunicode + 1) if chr(c).isspace())
        self.assertEqual(B.bytesToStr(("a" + spaces + "b" + spaces).encode("utf-8"), "utf-8"),
                         "a" + spaces + "b")

    def test_matches_the_host_on_random_fields(self):
        rng = random.Random(20251210)
        alphabet = [b"\0", b" ", b"\xa1\xa1", b"\xb2\xe2", b"\xa3", b"A", b"\t", b"\xff", b"\xc2\xa0", b"\xe3\x80\x80"]
        for encoding in ("GB2312", "gbk", "cp936", "EUC_CN", "gb18030", "utf-8", "latin-1", "ascii", "utf-16-le",
                         "cp1252", "GB2312"):
            for _ in range(400):
                data = b"".join(rng.choice(alphabet) for _ in range(rng.randrange(12)))
                with self.subTest(encoding=encoding, data=data):
                    self.assertEqual(B.bytesToStr(data, encoding), host_text(data, encoding))

    def test_codec_errors_are_the_hosts(self):
        with self.assertRaises(LookupError):
            B.bytesToStr(b"abc", "no-such-codec")
        with self.assertRaisesRegex(LookupError, "^'hex' is not a text encoding; use codecs.decode"):
            B.bytesToStr(b"abc", "hex")
        for encoding in ("utf-8\0junk", "\udcff"):
            with self.subTest(encoding=encoding):
                with self.assertRaises(Exception) as ours:
                    B.bytesToStr(b"abc", encoding)
                with self.assertRaises(Exception) as hosts:
                    b"abc".decode(encoding, "ignore")
                self.assertIs(type(ours.exception), type(hosts.exception))
        with self.assertRaises(LookupError):
            B.bytesToStr(b"abc", "base64")  # not a text encoding


class BytesIntegerTest(unittest.TestCase):
    def test_cases(self):
        for data, expected in [(b"\xff", 255), (b"\x01\x02", 513), (b"", 0), (b"\x00" * 9, 0),
                               (b"\xff" * 10, 2 ** 80 - 1), (b"\x01" + b"\x00" * 8, 1)]:
            with self.subTest(data=data):
                self.assertEqual(B.bytesInteger(data), expected)

    def test_matches_the_host_at_every_length(self):
        rng = random.Random(7)
        for size in range(40):
            data = bytes(rng.randrange(256) for _ in range(size))
            with self.subTest(size=size):
                self.assertEqual(B.bytesInteger(data), int.from_bytes(data, "little"))


if __name__ == "__main__":
    unittest.main()
