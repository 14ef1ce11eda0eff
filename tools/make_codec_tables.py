"""Writes src/pymath/chinese_codec_tables.inc: every two-byte sequence that the
host's gb2312 and gbk codecs decode, as tables of UTF-16 code units indexed by
lead and trail byte (0 where the pair does not decode), from the running
interpreter's own codecs.

    python3.12 tools/make_codec_tables.py
"""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def table(codec):
    pairs = {}
    for lead in range(0x80, 0x100):
        for trail in range(0x100):
            try:
                text = bytes([lead, trail]).decode(codec)
            except UnicodeDecodeError:
                continue
            assert len(text) == 1 and 0 < ord(text) <= 0xFFFF, (lead, trail, text)
            pairs[lead, trail] = ord(text)
    leads = [lead for lead, _ in pairs]
    trails = [trail for _, trail in pairs]
    first_lead, last_lead = min(leads), max(leads)
    first_trail, last_trail = min(trails), max(trails)
    rows = []
    for lead in range(first_lead, last_lead + 1):
        values = [pairs.get((lead, trail), 0) for trail in range(first_trail, last_trail + 1)]
        items = [f"0x{v:04X}" for v in values]
        rows.append("\n".join("    " + ", ".join(items[i:i + 12]) + "," for i in range(0, len(items), 12)))
    name = codec.upper()
    return (f"inline constexpr unsigned char k{name}FirstLead = 0x{first_lead:02X}, k{name}LastLead = 0x{last_lead:02X};\n"
            f"inline constexpr unsigned char k{name}FirstTrail = 0x{first_trail:02X}, "
            f"k{name}LastTrail = 0x{last_trail:02X};\n"
            f"inline constexpr char16_t k{name}Pairs[] = {{\n" + "\n".join(rows) + "\n};\n")


def main():
    text = (f"// Made by tools/make_codec_tables.py from the codecs of Python "
            f"{sys.version_info.major}.{sys.version_info.minor}; do not edit.\n"
            "// NOLINTBEGIN\n" + table("gb2312") + table("gbk") + "// NOLINTEND\n")
    with open(os.path.join(ROOT, "src", "pymath", "chinese_codec_tables.inc"), "w", encoding="utf-8") as out:
        out.write(text)


if __name__ == "__main__":
    main()
