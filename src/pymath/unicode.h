// The host's character classes, for hand-written scanners: what `\s`, `\d`
// and the ASCII classes of a str pattern of the host's re admit, and how
// IGNORECASE widens an ASCII letter. No host types.
//
// `\s` is exactly str.isspace() (U+001C to U+001F, U+0085, U+00A0, U+3000 and
// the other Unicode spaces; not U+200B nor U+FEFF); `\d` is any Unicode decimal
// digit, which int() and float() read by its value; `[0-9]` is ASCII only.
//
// Scanners of host text read the str's own storage (one code point per unit:
// 1, 2 or 4 bytes wide), so they see exactly the code points the host's re
// sees, lone surrogates included.
#pragma once

#include <algorithm>
#include <iterator>

namespace pymath::unicode {

#include "pymath/unicode_tables.inc"

// `\s`
constexpr bool is_space(char32_t c) {
  if (c < 0x80) return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20);
  return std::find(std::begin(kSpaces), std::end(kSpaces), c) != std::end(kSpaces);
}

// The value 0 to 9 of a Unicode decimal digit (`\d`), or -1.
constexpr int digit_value(char32_t c) {
  if (c < 0x80) return c >= '0' && c <= '9' ? static_cast<int>(c - '0') : -1;
  const auto* after = std::upper_bound(std::begin(kDigitZeros), std::end(kDigitZeros), c);
  if (after == std::begin(kDigitZeros)) return -1;
  const char32_t zero = *(after - 1);
  return c - zero < 10 ? static_cast<int>(c - zero) : -1;
}

// `\d`
constexpr bool is_digit(char32_t c) { return digit_value(c) >= 0; }

// `[0-9]`
constexpr bool is_ascii_digit(char32_t c) { return c >= '0' && c <= '9'; }

// The upper-case ASCII letter whose one-letter class `[X]` matches `c` under
// IGNORECASE, or 0: the letter in either case, and four non-ASCII letters that
// fold onto one (U+0130 and U+0131 onto I, U+017F onto S, U+212A onto K).
constexpr char folded_ascii_letter(char32_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c);
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  switch (c) {
    case 0x0130: case 0x0131: return 'I';
    case 0x017F: return 'S';
    case 0x212A: return 'K';
    default: return 0;
  }
}

}  // namespace pymath::unicode
