"""Rules of the sources that no compiler checks."""
import pathlib
import re
import unittest

ROOT = pathlib.Path(__file__).resolve().parent.parent
# The interpreter's private interfaces: names it marks private or unstable,
# and fields of its structures that its public interface does not offer.
PRIVATE = re.compile(r"\b_Py[A-Za-z_]+|\bPyUnstable_\w+|\bma_version_tag\b|\bma_values\b|\btp_version_tag\b|\bob_refcnt\b")
GATHERED = {"src/host/interpreter.h", "src/host/interpreter.cpp", "src/host/interpreter_state.c"}


class PrivateInterfaceTest(unittest.TestCase):
    def test_private_interfaces_are_used_through_one_header(self):
        # Each use is checked against one interpreter version there; a use
        # elsewhere would escape that check.
        sources = [path for folder in ("src", "tests/probe") for path in (ROOT / folder).rglob("*")
                   if path.suffix in (".cpp", ".h", ".c", ".inc")]
        self.assertTrue(sources)
        for path in sources:
            name = path.relative_to(ROOT).as_posix()
            if name in GATHERED:
                continue
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                with self.subTest(f"{name}:{number}"):
                    self.assertIsNone(PRIVATE.search(line), line.strip())


if __name__ == "__main__":
    unittest.main()
