"""Runs every test of the project and ends with one line "N passed, N failed".

The C++ unit tests of the pure cores run first (each binary named by --gtest),
then the Python suites under tests/. --module-root points the suites at another
build of the module (the sanitizer build keeps its own src/ folder there), and
its probe/ folder holds the test probe of that build (default: build/probe).
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run_gtest(binary):
    """Runs one GoogleTest binary; returns (passed, failed)."""
    with tempfile.TemporaryDirectory() as folder:
        report = os.path.join(folder, "report.json")
        completed = subprocess.run([binary, "--gtest_brief=1", f"--gtest_output=json:{report}"])
        if not os.path.exists(report):
            print(f"{binary}: no report (exit code {completed.returncode})")
            return 0, 1
        with open(report, encoding="utf-8") as stream:
            results = json.load(stream)
    passed = failed = 0
    for suite in results.get("testsuites", []):
        for case in suite.get("testsuite", []):
            if case.get("failures"):
                failed += 1
            elif case.get("result") == "COMPLETED":
                passed += 1
    if completed.returncode != 0 and failed == 0:
        failed = 1
    return passed, failed


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--module-root", help="folder whose src/ holds the module build to test")
    parser.add_argument("--gtest", action="append", default=[], help="a GoogleTest binary to run")
    parser.add_argument("--pattern", default="test*.py", help="file pattern of the suites to discover")
    parser.add_argument("names", nargs="*", help="test names (default: discover all)")
    options = parser.parse_args()

    search = [ROOT]
    if options.module_root:
        search.insert(0, os.path.abspath(options.module_root))
    search.append(os.path.join(os.path.abspath(options.module_root or os.path.join(ROOT, "build")), "probe"))
    sys.path[0:1] = search
    # Child processes started by the tests import the same build.
    os.environ["PYTHONPATH"] = os.pathsep.join(search)

    passed = failed = 0
    for binary in options.gtest:
        gtest_passed, gtest_failed = run_gtest(binary)
        passed += gtest_passed
        failed += gtest_failed

    loader = unittest.defaultTestLoader
    if options.names:
        suite = loader.loadTestsFromNames(options.names)
    else:
        suite = loader.discover(os.path.join(ROOT, "tests"), pattern=options.pattern, top_level_dir=ROOT)
    result = unittest.TextTestRunner(verbosity=1).run(suite)
    skipped = len(result.skipped)
    python_failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    passed += result.testsRun - python_failed - skipped
    failed += python_failed

    line = f"{passed} passed, {failed} failed"
    if skipped:
        line += f", {skipped} skipped"
    print(line)
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
