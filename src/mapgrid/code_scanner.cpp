#include "mapgrid/code_scanner.h"

#include <cmath>

#include "mapgrid/sheet.h"
#include "pymath/unicode.h"

namespace mapgrid::scan {

namespace {

using pymath::unicode::digit_value;
using pymath::unicode::folded_ascii_letter;
using pymath::unicode::is_space;

// A position in a text of `end` code points.
template <typename Unit>
struct Cursor {
  const Unit* text;
  std::size_t at;
  std::size_t end;

  bool done() const { return at >= end; }
  char32_t peek() const { return done() ? 0 : static_cast<char32_t>(text[at]); }
  // The ASCII letter the code point folds onto under IGNORECASE, or 0.
  char folded() const { return done() ? 0 : folded_ascii_letter(peek()); }

  void skip_spaces() {
    while (!done() && is_space(peek())) ++at;
  }
  bool take(char32_t c) {
    if (done() || peek() != c) return false;
    ++at;
    return true;
  }
  // One letter that the class [first-last] admits under IGNORECASE.
  bool take_letter(char first, char last, Span& span) {
    const char letter = folded();
    if (letter < first || letter > last) return false;
    span = {at, at + 1};
    ++at;
    return true;
  }
  // One ASCII digit first..last.
  bool take_ascii_digit(char first, char last, Span& span) {
    const char32_t c = peek();
    if (done() || c < static_cast<char32_t>(first) || c > static_cast<char32_t>(last)) return false;
    span = {at, at + 1};
    ++at;
    return true;
  }
  // min..max decimal digits, as many as there are (the following token is
  // never a digit, so the greedy count is the only one that can succeed).
  bool take_digits(std::size_t min, std::size_t max, Span& span) {
    const std::size_t start = at;
    while (!done() && at - start < max && digit_value(peek()) >= 0) ++at;
    span = {start, at};
    if (at - start >= min) return true;
    at = start;
    return false;
  }
  // (([1-5][0-9])|(0[1-9])|(60)): the column of a 1:1,000,000 sheet.
  bool take_column(Span& span) {
    if (at + 2 > end) return false;
    const char32_t a = text[at];
    const char32_t b = text[at + 1];
    const bool digit = b >= '0' && b <= '9';
    const bool valid = (a >= '1' && a <= '5' && digit) || (a == '0' && digit && b != '0') || (a == '6' && b == '0');
    if (!valid) return false;
    span = {at, at + 2};
    at += 2;
    return true;
  }
  // (.*)$ under MULTILINE: up to the next line feed or the end.
  Span take_line() {
    const std::size_t start = at;
    while (!done() && peek() != '\n') ++at;
    return {start, at};
  }
};

// The prefix pattern from `start`, the first position that is not white space.
// `[NS]?` is greedy: the hemisphere letter is tried first, and given up to
// the row letter when the rest does not follow.
template <typename Unit>
std::optional<Prefix> prefix_at(const Unit* text, std::size_t size, std::size_t start, PrefixForm form) {
  auto rest_from = [&](std::size_t at, Span hemisphere) -> std::optional<Prefix> {
    Cursor<Unit> c{text, at, size};
    Prefix prefix{};
    prefix.hemisphere = hemisphere;
    c.skip_spaces();
    const std::size_t row_start = c.at;
    if (form != PrefixForm::Corner) c.take('*');
    Span letter;
    if (!c.take_letter('A', 'W', letter)) return std::nullopt;
    prefix.row = {row_start, c.at};
    c.skip_spaces();
    if (form == PrefixForm::Hyphen) {
      if (!c.take('-')) return std::nullopt;
      c.skip_spaces();
    } else if (form == PrefixForm::Corner && c.take('-')) {
      c.skip_spaces();
    }
    if (!c.take_column(prefix.column)) return std::nullopt;
    if (form != PrefixForm::Corner) prefix.rest = c.take_line();
    return prefix;
  };
  Cursor<Unit> c{text, start, size};
  Span hemisphere;
  if (c.take_letter('N', 'N', hemisphere) || c.take_letter('S', 'S', hemisphere)) {
    if (auto prefix = rest_from(c.at, hemisphere)) return prefix;
  }
  return rest_from(start, Span{start, start});
}

}  // namespace

template <typename Unit>
std::optional<Prefix> search_prefix(const Unit* text, std::size_t size, PrefixForm form) {
  // Every line start inside a run of white space reaches the same first
  // character after it, where the attempt is the same: try it once, then go
  // on from the line feed after it.
  std::size_t line = 0;
  while (true) {
    Cursor<Unit> c{text, line, size};
    c.skip_spaces();
    if (auto prefix = prefix_at(text, size, c.at, form)) return prefix;
    while (!c.done() && c.peek() != '\n') ++c.at;
    if (c.done()) return std::nullopt;
    line = c.at + 1;
  }
}

template <typename Unit>
std::optional<Prefix> find_code_prefix(const Unit* text, std::size_t size) {
  if (auto prefix = search_prefix(text, size, PrefixForm::Hyphen)) return prefix;
  return search_prefix(text, size, PrefixForm::Plain);
}

template <typename Unit>
Span strip(const Unit* text, Span span) {
  while (span.begin < span.end && is_space(static_cast<char32_t>(text[span.begin]))) ++span.begin;
  while (span.end > span.begin && is_space(static_cast<char32_t>(text[span.end - 1]))) --span.end;
  return span;
}

template <typename Unit>
std::optional<NewSubCode> match_new_subcode(const Unit* text, Span span, int digits) {
  Cursor<Unit> c{text, span.begin, span.end};
  NewSubCode code{};
  c.skip_spaces();
  const bool letter = digits == 3 ? c.take_letter('B', 'I', code.letter) : c.take_letter('J', 'K', code.letter);
  if (!letter) return std::nullopt;
  const auto count = static_cast<std::size_t>(digits);
  c.skip_spaces();
  if (!c.take_digits(count, count, code.row)) return std::nullopt;
  c.skip_spaces();
  if (!c.take_digits(count, count, code.col)) return std::nullopt;
  c.skip_spaces();
  if (!c.done()) return std::nullopt;
  return code;
}

template <typename Unit>
std::optional<OldElement> match_old_element(const Unit* text, Span span, Element element, Tail tail) {
  Cursor<Unit> c{text, span.begin, span.end};
  OldElement found{};
  c.skip_spaces();
  if (!c.take('-')) return std::nullopt;
  c.skip_spaces();
  bool matched = false;
  switch (element) {
    case Element::Quarter:
      matched = c.take_letter('A', 'D', found.element);
      break;
    case Element::Bracketed:
      matched = c.take('[') && c.take_digits(1, 2, found.element) && c.take(']');
      break;
    case Element::Parenthesized:
      matched = c.take('(') && c.take_digits(1, 2, found.element) && c.take(')');
      break;
    case Element::Number:
      matched = c.take_digits(1, 3, found.element);
      break;
    case Element::OneToNine:
      matched = c.take_ascii_digit('1', '9', found.element);
      break;
    case Element::OneToFour:
      matched = c.take_ascii_digit('1', '4', found.element);
      break;
  }
  if (!matched) return std::nullopt;
  if (tail == Tail::Rest) {
    found.rest = c.take_line();
  } else {
    c.skip_spaces();
    found.rest = {c.at, c.at};
  }
  // "$" holds at the end or before a line feed.
  if (!c.done() && c.peek() != '\n') return std::nullopt;
  return found;
}

char32_t upper_admitted(char32_t letter) {
  if (letter >= 'a' && letter <= 'z') return letter - 'a' + 'A';
  if (letter == 0x0131) return 'I';  // dotless i
  if (letter == 0x017F) return 'S';  // long s
  return letter;
}

template <typename Unit>
long long digits_value(const Unit* text, Span span) {
  long long value = 0;
  for (std::size_t i = span.begin; i < span.end; ++i) value = value * 10 + digit_value(text[i]);
  return value;
}

namespace {

// ceil((p + offset) / k) in the host's double arithmetic, as an integer: the
// row of local number p (offset -0.5) or of quarter index p (offset +0.5).
long long ceil_quotient(long long p, double offset, int k) {
  return static_cast<long long>(std::ceil((static_cast<double>(p) + offset) / static_cast<double>(k)));
}

Reading failed(Failure::Kind kind, Span text = {}, long long limit = 0) {
  Reading reading{};
  reading.failure = Failure{kind, text, {}, limit, 0};
  return reading;
}

// The sheets of `scale` in one sheet of its parent, numbered 1 to k * k.
long long sheets_in_parent(int scale) { return static_cast<long long>(kScales[scale].k) * kScales[scale].k; }

Reading sheet(Reading::Kind kind, int scale, long long row, long long col) {
  Reading reading{};
  reading.kind = kind;
  reading.scale = scale;
  reading.row = row;
  reading.col = col;
  return reading;
}

template <typename Unit>
Reading read_new(const Unit* text, const NewSubCode& code) {
  const long long r = digits_value(text, code.row);
  const long long c = digits_value(text, code.col);
  if (r * c <= 0) {
    Reading reading = failed(Failure::Kind::NotPositive, code.row);
    reading.failure.second = code.col;
    return reading;
  }
  // The finest scale's n bounds every scale's, and is tested first.
  const long long finest = kScales[k500].n;
  if (r > finest) return failed(Failure::Kind::Range, code.row, finest);
  if (c > finest) return failed(Failure::Kind::Range, code.col, finest);
  const char32_t letter = upper_admitted(text[code.letter.begin]);
  if (letter < 'B' || letter > 'K') {
    Reading reading = failed(Failure::Kind::ScaleLetter);
    reading.failure.letter = letter;
    return reading;
  }
  const int scale = static_cast<int>(letter - 'B') + k500K + (letter >= 'D' ? 1 : 0);  // 1:200,000 has no letter
  const long long n = kScales[scale].n;
  if (r > n) return failed(Failure::Kind::Range, code.row, n);
  if (c > n) return failed(Failure::Kind::Range, code.col, n);
  return sheet(Reading::Kind::NewCode, scale, r, c);
}

// The levels of an old code below a 1:100,000 sheet (row100, col100).
template <typename Unit>
Reading read_below_100k(const Unit* text, Span rest, long long row100, long long col100,
                        QuarterAlphabets& alphabets) {
  const auto letter_at = [&](const Span& s) { return static_cast<char>(folded_ascii_letter(text[s.begin])); };
  if (auto quarter = match_old_element(text, rest, Element::Quarter, Tail::Rest)) {
    const int k50 = kScales[k50K].k;
    const long long p = alphabets.quarter(letter_at(quarter->element));
    const long long row50 = (row100 - 1) * k50 + ceil_quotient(p, 0.5, k50);
    const long long col50 = (col100 - 1) * k50 + floor_mod(p, k50) + 1;
    if (quarter->rest.empty()) return sheet(Reading::Kind::OldCode, k50K, row50, col50);
    const int k25 = kScales[k25K].k;
    auto number = match_old_element(text, quarter->rest, Element::OneToFour, Tail::End);
    if (!number) return failed(Failure::Kind::WholeCodeRange, Span{}, sheets_in_parent(k25K));
    const long long q = digits_value(text, number->element);
    return sheet(Reading::Kind::OldCode, k25K, (row50 - 1) * k25 + ceil_quotient(q, -0.5, k25),
                 (col50 - 1) * k25 + floor_mod(q - 1, k25) + 1);
  }

  auto sheet10 = match_old_element(text, rest, Element::Parenthesized, Tail::Rest);
  if (!sheet10) return failed(Failure::Kind::Invalid);
  const int k10 = kScales[k10K].k;
  const long long p = digits_value(text, sheet10->element);
  if (!(p > 0 && p <= sheets_in_parent(k10K))) {
    return failed(Failure::Kind::Range, sheet10->element, sheets_in_parent(k10K));
  }
  long long row = (row100 - 1) * k10 + ceil_quotient(p, -0.5, k10);
  long long col = (col100 - 1) * k10 + floor_mod(p - 1, k10) + 1;
  rest = strip(text, sheet10->rest);
  if (rest.empty()) return sheet(Reading::Kind::OldCode, k10K, row, col);

  auto quarter = match_old_element(text, rest, Element::Quarter, Tail::Rest);
  if (!quarter) return failed(Failure::Kind::Invalid);
  const int k5 = kScales[k5K].k;
  const long long q = alphabets.quarter_lower(static_cast<char>(letter_at(quarter->element) - 'A' + 'a'));
  row = (row - 1) * k5 + ceil_quotient(q, 0.5, k5);
  col = (col - 1) * k5 + floor_mod(q, k5) + 1;
  rest = strip(text, quarter->rest);
  if (rest.empty()) return sheet(Reading::Kind::OldCode, k5K, row, col);

  // 1:2,000 (one digit 1 to 9), then 1:1,000 and 1:500 (1 to 4).
  struct Level {
    Element element;
    int scale;
  };
  static constexpr Level kLevels[] = {{Element::OneToNine, k2K}, {Element::OneToFour, k1K},
                                      {Element::OneToFour, k500}};
  for (const Level& level : kLevels) {
    auto number = match_old_element(text, rest, level.element, Tail::Rest);
    if (!number) return failed(Failure::Kind::Invalid);
    const int k = kScales[level.scale].k;
    const long long m = digits_value(text, number->element);
    row = (row - 1) * k + ceil_quotient(m, -0.5, k);
    col = (col - 1) * k + floor_mod(m - 1, k) + 1;
    rest = strip(text, number->rest);
    if (level.scale == k500 || rest.empty()) return sheet(Reading::Kind::OldCode, level.scale, row, col);
  }
  return failed(Failure::Kind::Invalid);  // not reached: 1:500 always ends the loop
}

}  // namespace

template <typename Unit>
Reading read_subcode(const Unit* text, Span rest, QuarterAlphabets& alphabets) {
  if (auto code = match_new_subcode(text, rest, 3)) return read_new(text, *code);
  if (auto code = match_new_subcode(text, rest, 4)) return read_new(text, *code);

  if (auto quarter = match_old_element(text, rest, Element::Quarter, Tail::End)) {
    const char letter = static_cast<char>(folded_ascii_letter(text[quarter->element.begin]));
    const long long p = alphabets.quarter(letter);
    if (p == -1) {
      Reading reading = failed(Failure::Kind::Quarter);
      reading.failure.letter = static_cast<char32_t>(letter);
      return reading;
    }
    const int k = kScales[k500K].k;
    return sheet(Reading::Kind::OldCode, k500K, ceil_quotient(p, 0.5, k), floor_mod(p, k) + 1);
  }
  if (auto sheet250 = match_old_element(text, rest, Element::Bracketed, Tail::End)) {
    const int k = kScales[k250K].k;
    const long long p = digits_value(text, sheet250->element);
    if (!(p > 0 && p <= sheets_in_parent(k250K))) {
      return failed(Failure::Kind::Range, sheet250->element, sheets_in_parent(k250K));
    }
    return sheet(Reading::Kind::OldCode, k250K, ceil_quotient(p, -0.5, k), floor_mod(p - 1, k) + 1);
  }
  if (auto sheet200 = match_old_element(text, rest, Element::Parenthesized, Tail::End)) {
    const int k = kScales[k200K].k;
    const long long p = digits_value(text, sheet200->element);
    if (!(p > 0 && p <= sheets_in_parent(k200K))) {
      return failed(Failure::Kind::Range, sheet200->element, sheets_in_parent(k200K));
    }
    const long long row = (p - 1) / k + 1;
    return sheet(Reading::Kind::Sheet200K, k200K, row, p - (row - 1) * k);
  }
  if (auto sheet100 = match_old_element(text, rest, Element::Number, Tail::Rest)) {
    const int k = kScales[k100K].k;
    const long long p = digits_value(text, sheet100->element);
    if (!(p > 0 && p <= sheets_in_parent(k100K))) {
      return failed(Failure::Kind::Range, sheet100->element, sheets_in_parent(k100K));
    }
    const Span below = strip(text, sheet100->rest);
    const long long row = ceil_quotient(p, -0.5, k);
    const long long col = floor_mod(p - 1, k) + 1;
    if (below.empty()) return sheet(Reading::Kind::OldCode, k100K, row, col);
    return read_below_100k(text, below, row, col, alphabets);
  }
  return failed(Failure::Kind::Invalid);
}

#define MAPGRID_SCANNER_INSTANCES(Unit)                                                             \
  template std::optional<Prefix> search_prefix(const Unit*, std::size_t, PrefixForm);             \
  template std::optional<Prefix> find_code_prefix(const Unit*, std::size_t);                      \
  template Span strip(const Unit*, Span);                                                         \
  template std::optional<NewSubCode> match_new_subcode(const Unit*, Span, int);                   \
  template std::optional<OldElement> match_old_element(const Unit*, Span, Element, Tail);         \
  template long long digits_value(const Unit*, Span);                                             \
  template Reading read_subcode(const Unit*, Span, QuarterAlphabets&);

MAPGRID_SCANNER_INSTANCES(std::uint8_t)
MAPGRID_SCANNER_INSTANCES(std::uint16_t)
MAPGRID_SCANNER_INSTANCES(std::uint32_t)

}  // namespace mapgrid::scan
