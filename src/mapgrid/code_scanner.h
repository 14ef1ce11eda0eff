// The scanner of sheet codes: the 1:1,000,000 prefix found anywhere in a
// text, the sub-codes that follow it, and the reading of a sub-code into the
// scale, row and column of its sheet. No host types.
//
// Codes are read as the host's `re.search` reads them under IGNORECASE and
// MULTILINE: "^" at the start and after every line feed, "$" at the end and
// before every line feed, `\s` is str.isspace(), `\d` any Unicode decimal
// digit, `[0-9]` ASCII only, and an ASCII letter class also admits the four
// non-ASCII letters that fold onto its letters (pymath/unicode.h). Every
// matcher gives the same groups as the host's `re` with the same pattern,
// which tests hold against the host on random texts, but in linear time: the
// host's backtracking over runs of white space and line feeds is cubic.
//
// Texts are the host str's own storage: one code point per unit, 1, 2 or 4
// bytes wide (instantiated for std::uint8_t, std::uint16_t and std::uint32_t).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace mapgrid::scan {

// A stretch [begin, end) of the text, in code points.
struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t size() const { return end - begin; }
  bool empty() const { return end == begin; }
};

// The three forms of the 1:1,000,000 prefix, each at the start of a line,
// white space allowed before it and between its parts:
//   Hyphen  ^\s*([NS]?)\s*(\*?[A-W]{1})\s*-\s*(([1-5][0-9])|(0[1-9])|(60))(.*)$
//   Plain   ^[\s]*([NS]?)[\s]*(\*?[A-W]{1})[\s]*(([1-5][0-9])|(0[1-9])|(60))(.*)$
//   Corner  ^[\s]*([NS]?)[\s]*([A-W]{1})[\s]*[-]?[\s]*(([1-5][0-9])|(0[1-9])|(60))
enum class PrefixForm { Hyphen, Plain, Corner };

struct Prefix {
  Span hemisphere;  // one letter N or S (either case, or U+017F), or empty
  Span row;         // the row letter, after a "*" where the form admits one
  Span column;      // two ASCII digits, 01 to 60
  Span rest;        // the rest of the line after the column (Hyphen and Plain)
};

// The first match of `form` in the text, as re.search finds it.
template <typename Unit>
std::optional<Prefix> search_prefix(const Unit* text, std::size_t size, PrefixForm form);

// The prefix of a sheet code: the hyphen form on any line, else the plain form.
template <typename Unit>
std::optional<Prefix> find_code_prefix(const Unit* text, std::size_t size);

// `span` without its leading and trailing white space, as str.strip() leaves it.
template <typename Unit>
Span strip(const Unit* text, Span span);

// A new sub-code over the whole of `span`:
//   ^\s*([B-I])\s*(\d{3})\s*(\d{3})\s*$   (three digits), or
//   ^\s*([JK])\s*(\d{4})\s*(\d{4})\s*$    (four digits).
struct NewSubCode {
  Span letter, row, col;
};
template <typename Unit>
std::optional<NewSubCode> match_new_subcode(const Unit* text, Span span, int digits);

// One element of an old sub-code over `span` (which holds no line feed):
// ^\s*-\s* then the element, then the tail.
enum class Element : unsigned char {
  Quarter,        // ([A-D]), the same set as ([abcd]) under IGNORECASE
  Bracketed,      // \[(\d{1,2})\]
  Parenthesized,  // \((\d{1,2})\)
  Number,         // (\d{1,3})
  OneToNine,      // ([1-9])
  OneToFour,      // ([1-4])
};
enum class Tail : unsigned char {
  End,   // \s*$
  Rest,  // (.*)$
};
struct OldElement {
  Span element;  // group 1, the brackets excluded
  Span rest;     // group 2 for Tail::Rest
};
template <typename Unit>
std::optional<OldElement> match_old_element(const Unit* text, Span span, Element element, Tail tail);

// The upper-case form, as str.upper() gives it, of a letter that an ASCII
// letter class admits under IGNORECASE: a to z, U+0131 (I) and U+017F (S)
// change; A to Z, U+0130 and U+212A stay themselves.
char32_t upper_admitted(char32_t letter);

// The integer value of a run of decimal digits (any Unicode decimal digits).
template <typename Unit>
long long digits_value(const Unit* text, Span span);

// ---- reading a sub-code ----

// Where the quarter letters of the 1:500,000 and 1:50,000 codes, and those of
// 1:5,000, are looked up (the alphabets are members of the class, which a
// subclass may replace): the index of the letter, or -1 when it is not found.
class QuarterAlphabets {
 public:
  virtual ~QuarterAlphabets() = default;
  virtual long long quarter(char upper) = 0;        // A to D
  virtual long long quarter_lower(char lower) = 0;  // a to d
};

// The alphabets "ABCD" and "abcd".
class OwnQuarterAlphabets final : public QuarterAlphabets {
 public:
  long long quarter(char upper) override { return upper - 'A'; }
  long long quarter_lower(char lower) override { return lower - 'a'; }
};

struct Failure {
  enum class Kind : unsigned char {
    None,
    Invalid,         // "Invalid [code] parameter."
    NotPositive,     // "[{} {}] should be greater than 0 ...": `text` and `second`
    Range,           // "[{}] should be between [1～{limit}] ...": `text`
    WholeCodeRange,  // the same, with the whole code in place of `text`
    ScaleLetter,     // "[{}] should be one of [BCDEFGHIJK] ...": `letter`
    Quarter,         // "[{}] should be one of [ABCD] ...": `letter`
  };
  Kind kind = Kind::None;
  Span text{};
  Span second{};
  long long limit = 0;
  char32_t letter = 0;
};

struct Reading {
  enum class Kind : unsigned char {
    NewCode,    // a new sub-code, checked: its boundary follows from `scale`, `row`, `col`
    OldCode,    // an old code, to be read again as the new code of `scale`, `row`, `col`
    Sheet200K,  // a 1:200,000 sheet `row`, `col` (1 to 6), whose boundary is computed directly
    Failed,     // `failure`
  };
  Kind kind = Kind::Failed;
  int scale = 0;  // a mapgrid::ScaleIndex
  long long row = 0;
  long long col = 0;
  Failure failure{};
};

// What the non-empty, stripped text `rest` after a 1:1,000,000 prefix names:
// a new sub-code with its checks in order (row and column above 0, each at most
// 2304, the scale letter, each at most n), else the first of the old patterns
// of 1:500,000, 1:250,000, 1:200,000 and 1:100,000 that matches, followed down
// the old levels (1:50,000 and 1:25,000, or 1:10,000 to 1:500). Rows and
// columns count from 1 at the north-west corner of the 1:1,000,000 sheet.
template <typename Unit>
Reading read_subcode(const Unit* text, Span rest, QuarterAlphabets& alphabets);

}  // namespace mapgrid::scan
