"""The sheet-code scanner against the host's re: each hand-written matcher gives
the groups that re.search gives with the same pattern under IGNORECASE and
MULTILINE, on texts of all three storage widths."""
import random
import re
import unittest

from _kestrin_probe import SheetCodeScanner as Scanner
from tests import mapgrid_plain as plain

SPACES = " \t\n\r\x0b\x0c\x1c\x1f\x85\xa0\u2028\u3000"
LETTERS = "AJKNSWXZajknswxz\u0131\u0130\u017f\u212a\u00df"
DIGITS = "0123456789\uff10\uff11\uff17\u0663\U0001d7ce"
MARKS = "-*()[]x\x00\ud800\U0001f600"
# pieces of real codes, so that texts come near a match
PIECES = ["J47", "J-47", "SJ47", "N", "S", "K", "-107", "-(57)", "-[12]", "-D", "-c", "-3", "B002002",
          "K17281921", "J08640961", "-0", "60", "61", "00", "\n", " \n", "*"]


def random_text(rng, newlines=True):
    parts = []
    for _ in range(rng.randint(0, 12)):
        kind = rng.random()
        if kind < 0.35:
            parts.append(rng.choice(PIECES))
        elif kind < 0.6:
            parts.append(rng.choice(SPACES) * rng.randint(1, 3))
        elif kind < 0.75:
            parts.append(rng.choice(LETTERS))
        elif kind < 0.9:
            parts.append(rng.choice(DIGITS))
        else:
            parts.append(rng.choice(MARKS))
    text = "".join(parts)
    return text if newlines else text.replace("\n", rng.choice(" \r"))


def digit_run(rng, low, high):
    return "".join(rng.choice(DIGITS) for _ in range(rng.randint(low, high)))


def blanks(rng):
    return rng.choice(["", "", " ", rng.choice(SPACES.replace("\n", ""))])


def subcode_text(rng):
    """Texts shaped like the sub-codes, a part changed now and then."""
    if rng.random() < 0.5:
        parts = [blanks(rng), rng.choice(LETTERS + "BbCIiJjKk"), blanks(rng), digit_run(rng, 2, 5), blanks(rng),
                 digit_run(rng, 2, 5), blanks(rng)]
    else:
        element = rng.choice([rng.choice("ABCDabcdEe\u212a"), "[" + digit_run(rng, 0, 3) + "]",
                              "(" + digit_run(rng, 0, 3) + ")", digit_run(rng, 1, 4), "( 5)"])
        parts = [blanks(rng), rng.choice("--- "), blanks(rng), element, blanks(rng),
                 rng.choice(["", "", "-c", "-3", "x", " -(57)"])]
    if rng.random() < 0.2:
        index = rng.randrange(len(parts))
        parts[index] = rng.choice(MARKS + LETTERS + DIGITS)
    return "".join(parts)


def texts(seed, count, newlines=True):
    rng = random.Random(seed)
    return [random_text(rng, newlines) for _ in range(count)]


def host_groups(pattern, text, groups):
    match = re.search(pattern, text, plain.FLAGS)
    return None if match is None else tuple(match.group(g) for g in groups)


class PrefixTest(unittest.TestCase):
    FORMS = {"hyphen": (plain.PREFIX_HYPHEN, (1, 2, 3, 7)), "plain": (plain.PREFIX_PLAIN, (1, 2, 3, 7)),
             "corner": (plain.CORNER, (1, 2, 3))}

    def test_against_the_host(self):
        corpus = texts(1, 6000) + ["J47", " \n" * 50 + "j - 47 rest\nK-48", "\n", "", "S47", "NS-47", "ſK47",
                                   "N\n\nS\n47", "\u3000J\u300047\n", "J*47", "N*J47", "*J-47"]
        for form, (pattern, groups) in self.FORMS.items():
            for text in corpus:
                self.assertEqual(Scanner.search_prefix(text, form), host_groups(pattern, text, groups),
                                 (form, text))

    def test_all_storage_widths(self):
        for text in ["\xa0J-47x", "\u3000J-47\u3000", "\U0001f600\nJ-47\U0001f600"]:
            self.assertEqual(Scanner.search_prefix(text, "hyphen")[:3], ("", "J", "47"))

    def test_blank_lines_take_linear_time(self):
        # The host's backtracking takes minutes here; the scanner one pass.
        text = " \n" * 200000 + "J-47"
        self.assertEqual(Scanner.search_prefix(text, "hyphen"), ("", "J", "47", ""))
        self.assertIsNone(Scanner.search_prefix(" \n\t" * 200000, "plain"))


class SubCodeTest(unittest.TestCase):
    OLD = [(plain.OLD_500K, 0, False), (plain.OLD_50K, 0, True), (plain.OLD_5K, 0, True),
           (plain.OLD_250K, 1, False), (plain.OLD_200K, 2, False), (plain.OLD_10K, 2, True),
           (plain.OLD_100K, 3, True), (plain.OLD_2K, 4, True), (plain.OLD_1K, 5, True), (plain.OLD_25K, 5, False)]

    def test_new_subcodes(self):
        rng = random.Random(5)
        corpus = texts(2, 2000, newlines=False) + [subcode_text(rng) for _ in range(6000)] + ["B002002", " b 002 002 ", "K17281921", "\u212a00010001",
                                                   "\u0131001001", "B\uff10\uff10\uff12002", "J001001"]
        for text in corpus:
            self.assertEqual(Scanner.new_subcode(text, 3), host_groups(plain.NEW_THREE, text, (1, 2, 3)), text)
            self.assertEqual(Scanner.new_subcode(text, 4), host_groups(plain.NEW_FOUR, text, (1, 2, 3)), text)

    def test_old_elements(self):
        rng = random.Random(6)
        corpus = texts(3, 2000, newlines=False) + [subcode_text(rng) for _ in range(6000)] + ["-D", " - d ", "-[12]", "-[１２]", "-(57)-c", "-( 57)", "-1234",
                                                   "-c-7", "-9x", "- 4 ", "-5"]
        for pattern, element, rest in self.OLD:
            groups = (1, 2) if rest else (1,)
            for text in corpus:
                self.assertEqual(Scanner.old_element(text, element, rest), host_groups(pattern, text, groups),
                                 (pattern, text))

    def test_strip(self):
        for text in texts(4, 2000, newlines=False) + ["\x1c\x85J47\u3000", "\u200bJ\ufeff"]:
            self.assertEqual(Scanner.strip(text), text.strip(), text)


if __name__ == "__main__":
    unittest.main()
