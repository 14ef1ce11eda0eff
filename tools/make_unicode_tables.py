"""Writes src/pymath/unicode_tables.inc: the host's white space (str.isspace,
which is also `\\s` of re) and the first code point of every run of ten
decimal digits (`\\d` of re, and what int() and float() read as digits), from
the running interpreter's Unicode database.

    python3.12 tools/make_unicode_tables.py
"""
import os
import sys
import unicodedata

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def main():
    spaces = [c for c in range(sys.maxunicode + 1) if chr(c).isspace()]
    zeros = [c for c in range(sys.maxunicode + 1) if unicodedata.decimal(chr(c), -1) == 0]
    for zero in zeros:  # every run is ten consecutive digits 0 to 9
        assert all(unicodedata.decimal(chr(zero + i), -1) == i for i in range(10))
    digit_count = sum(1 for c in range(sys.maxunicode + 1) if unicodedata.decimal(chr(c), -1) >= 0)
    assert digit_count == 10 * len(zeros)

    def rows(values):
        items = [f"0x{v:04X}" for v in values]
        return "\n".join("    " + ", ".join(items[i:i + 8]) + "," for i in range(0, len(items), 8))

    text = (
        f"// Made by tools/make_unicode_tables.py from Unicode {unicodedata.unidata_version}"
        f" (Python {sys.version_info.major}.{sys.version_info.minor}); do not edit.\n"
        "// NOLINTBEGIN\n"
        f"inline constexpr char32_t kSpaces[] = {{\n{rows(spaces)}\n}};\n"
        f"inline constexpr char32_t kDigitZeros[] = {{\n{rows(zeros)}\n}};\n"
        "// NOLINTEND\n"
    )
    with open(os.path.join(ROOT, "src", "pymath", "unicode_tables.inc"), "w", encoding="utf-8") as out:
        out.write(text)


if __name__ == "__main__":
    main()
