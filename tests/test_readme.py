"""The README's code sample runs as written when pasted line by line into the
interactive interpreter in a fresh folder, and writes its file under build/."""
import os
import re
import subprocess
import sys
import tempfile
import textwrap
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Feeds standard input to the interactive console line by line, as a paste does,
# and fails on the first line it cannot take.
CONSOLE = textwrap.dedent("""
    import code, sys
    console = code.InteractiveConsole()
    failed = []
    console.showsyntaxerror = lambda *a, **k: failed.append("syntax")
    console.showtraceback = lambda *a, **k: failed.append(repr(sys.exc_info()[1]))
    for line in sys.stdin.read().splitlines():
        console.push(line)
    console.push("")
    print("FAILED" if failed else "OK", failed)
""")


class ReadmeTest(unittest.TestCase):
    def test_sample_pastes_into_the_interactive_interpreter(self):
        with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as stream:
            sample = re.search(r"```python\n(.*?)```", stream.read(), re.S).group(1)
        self.assertIn('"build/', sample)
        with tempfile.TemporaryDirectory() as folder:
            os.symlink(os.path.join(ROOT, "examples"), os.path.join(folder, "examples"))  # and no build/
            completed = subprocess.run([sys.executable, "-c", CONSOLE], input=sample, cwd=folder,
                                       capture_output=True, text=True, timeout=120)
            self.assertEqual(completed.returncode, 0, completed.stderr)
            self.assertTrue(completed.stdout.rstrip().endswith("OK []"), completed.stdout[-2000:])
            self.assertTrue(os.path.getsize(os.path.join(folder, "build", "parcels.json")) > 0)
            self.assertEqual(sorted(os.listdir(folder)), ["build", "examples"])  # nothing beside them


if __name__ == "__main__":
    unittest.main()
