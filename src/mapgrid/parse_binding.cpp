// MapGrid.parse: the scale and the boundary of the sheet that a new or an old
// sheet code names.
//
// An old code is read into the new code of the same sheet, which cls.parse
// reads again. While parse and the corner are the class's own, that second
// reading gives the boundary of the row and column just found, so it is
// computed at once; otherwise the new code is written out and read through
// the class.
#include <initializer_list>
#include <string>

#include "host/text_units.h"
#include "mapgrid/code_scanner.h"
#include "mapgrid/members.h"
#include "mapgrid/names.h"
#include "pymath/unicode.h"

namespace mapgrid {

using host::Args;
using host::checked;
using host::Ref;

namespace {

using scan::Span;

Ref joined(std::initializer_list<Ref> parts) {
  Ref text = host::text("");
  for (const Ref& part : parts) text = checked(PyUnicode_Concat(text.get(), part.get()));
  return text;
}

Ref piece(PyObject* code, Span span) {
  return checked(PyUnicode_Substring(code, static_cast<Py_ssize_t>(span.begin), static_cast<Py_ssize_t>(span.end)));
}

Ref letter_text(char32_t letter) { return checked(PyUnicode_FromOrdinal(static_cast<int>(letter))); }

[[noreturn]] void raise_range(const Ref& written, long long limit) {
  host::raise_text(PyExc_Exception, joined({host::text("["), written,
                                            host::text("] should be between [1～" + std::to_string(limit) +
                                                       "] in [code] parameter.")}));
}

[[noreturn]] void raise_failure(PyObject* code, const scan::Failure& failure) {
  using Kind = scan::Failure::Kind;
  switch (failure.kind) {
    case Kind::NotPositive:
      host::raise_text(PyExc_Exception,
                       joined({host::text("["), piece(code, failure.text), host::text(" "), piece(code, failure.second),
                               host::text("] should be greater than 0 in [code] parameter.")}));
    case Kind::Range:
      raise_range(piece(code, failure.text), failure.limit);
    case Kind::WholeCodeRange:
      raise_range(Ref::borrow(code), failure.limit);
    case Kind::ScaleLetter:
      host::raise_text(PyExc_Exception, joined({host::text("["), letter_text(failure.letter),
                                                host::text("] should be one of [BCDEFGHIJK] in [code] parameter.")}));
    case Kind::Quarter:
      host::raise_text(PyExc_Exception, joined({host::text("["), letter_text(failure.letter),
                                                host::text("] should be one of [ABCD] in [code] parameter.")}));
    case Kind::Invalid:
    case Kind::None:
      break;
  }
  raise_invalid_code();
}

// The quarter alphabets looked up on the class at the moment of use.
class ClassQuarters final : public scan::QuarterAlphabets {
 public:
  explicit ClassQuarters(PyObject* cls) : cls_(cls) {}
  long long quarter(char upper) override { return index(Alphabet::Quarters, upper, upper - 'A'); }
  long long quarter_lower(char lower) override { return index(Alphabet::QuartersLower, lower, lower - 'a'); }

 private:
  long long index(Alphabet alphabet, char letter, long long own_index) {
    const AlphabetValue value(cls_, alphabet);
    if (value.own()) return own_index;
    return value.find(letter_text(static_cast<char32_t>(letter)).get());
  }
  PyObject* cls_;
};

// The 1:1,000,000 part of a code, as its pieces: the hemisphere ("N" or "S"),
// the row letter upper-cased (after a "*" where one was written) and the column.
struct Pieces {
  bool southern;
  bool star;
  char32_t letter;
  long long column;
  char column_digits[2];
};

// The pieces joined: the text handed to the corner, and the head of a rewritten code.
void append_pieces(std::u32string& text, const Pieces& pieces) {
  text.push_back(pieces.southern ? U'S' : U'N');
  if (pieces.star) text.push_back(U'*');
  text.push_back(pieces.letter);
  text.push_back(static_cast<char32_t>(pieces.column_digits[0]));
  text.push_back(static_cast<char32_t>(pieces.column_digits[1]));
}

Ref text_of(const std::u32string& text) {
  return checked(PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, text.data(), static_cast<Py_ssize_t>(text.size())));
}

CornerEdges corner_of_pieces(PyObject* cls, const Pieces& pieces, bool own_corner) {
  if (own_corner) {
    if (pieces.star) raise_invalid_code();  // the corner admits no "*" before the row letter
    return CornerEdges(own_corner_of(host::class_bound_to(cls), pieces.southern, pieces.letter, pieces.column));
  }
  std::u32string text;
  append_pieces(text, pieces);
  Ref answer = host::call_method(cls, names::_MapGrid__corner1000000, text_of(text).get());
  return CornerEdges(answer.get());
}

Ref parse_result(int scale, Ref boundary) {
  return host::DictBuilder(2).put(names::scale, scale_object(scale)).put(names::boundary, boundary).take();
}

// The boundary of a new code: lat + ((n - r) * 4.0) / n, then + 4.0 / n, and the
// same for the columns with 6.0, as boundary_of computes it (4.0 / n and 6.0 / n
// are the heights and widths of the scale table).
Ref sheet_result(const CornerEdges& corner, int scale, long long row, long long col) {
  const Scale& level = kScales[scale];
  const double south = corner.south_degrees(CornerEdges::Use::Added, (static_cast<double>(level.n - row) * 4.0) / level.n);
  const double west = corner.west_degrees(CornerEdges::Use::Added, (static_cast<double>(col - 1) * 6.0) / level.n);
  return parse_result(scale, boundary_dict(boundary_of(Cell{row, col}, west, south, level)));
}

Ref parse_code(PyObject* cls, PyObject* code);

// The result of cls.parse on the new code of an old code's sheet. Its members
// are asked again here: a replaced quarter alphabet's code may have changed
// the class since the old code's corner was found. The class's own parse runs
// on the class it is bound to.
Ref reparse(PyObject* cls, const Pieces& pieces, const scan::Reading& sheet) {
  const Scale& level = kScales[sheet.scale];
  const bool own_parse = host::finds_own_member(cls, names::parse, parse_body);
  PyObject* bound = host::class_bound_to(cls);
  if (own_parse && host::finds_own_member(bound, names::_MapGrid__corner1000000, corner_body) && sheet.row >= 1 &&
      sheet.row <= level.n && sheet.col >= 1 && sheet.col <= level.n) {
    return sheet_result(corner_of_pieces(bound, pieces, true), sheet.scale, sheet.row, sheet.col);
  }
  std::u32string text;
  append_pieces(text, pieces);
  text.push_back(static_cast<char32_t>('B' + level.letter));
  std::string digits;
  append_padded(digits, sheet.row, level.digits);
  append_padded(digits, sheet.col, level.digits);
  text.append(digits.begin(), digits.end());
  Ref new_code = text_of(text);
  Ref result = own_parse ? parse_code(bound, new_code.get()) : host::call_method(cls, names::parse, new_code.get());
  host::expect_exact(result.get(), &PyDict_Type);
  return result;
}

template <typename Unit>
Ref parse_units(PyObject* cls, PyObject* code, const Unit* text, std::size_t size) {
  const auto prefix = scan::find_code_prefix(text, size);
  if (!prefix) host::raise(PyExc_Exception, "Unable to recognize [code] parameter.");

  const Span& hemisphere = prefix->hemisphere;
  Pieces pieces{};
  pieces.southern = !hemisphere.empty() && pymath::unicode::folded_ascii_letter(text[hemisphere.begin]) == 'S';
  pieces.star = prefix->row.size() == 2;
  pieces.letter = scan::upper_admitted(text[prefix->row.end - 1]);
  pieces.column = scan::digits_value(text, prefix->column);
  pieces.column_digits[0] = static_cast<char>(text[prefix->column.begin]);
  pieces.column_digits[1] = static_cast<char>(text[prefix->column.begin + 1]);

  const bool own_corner = host::finds_own_member(cls, names::_MapGrid__corner1000000, corner_body);
  const CornerEdges corner = corner_of_pieces(cls, pieces, own_corner);

  const Span rest = scan::strip(text, prefix->rest);
  if (rest.empty()) {
    Ref boundary = host::DictBuilder(4)
                       .put(names::north, corner.south_plus(4))
                       .put(names::south, corner.south_plus(0))
                       .put(names::west, corner.west_plus(0))
                       .put(names::east, corner.west_plus(6))
                       .take();
    return parse_result(k1M, std::move(boundary));
  }

  ClassQuarters quarters(cls);
  const scan::Reading reading = scan::read_subcode(text, rest, quarters);
  switch (reading.kind) {
    case scan::Reading::Kind::NewCode:
    case scan::Reading::Kind::Sheet200K:
      return sheet_result(corner, reading.scale, reading.row, reading.col);
    case scan::Reading::Kind::OldCode:
      return reparse(cls, pieces, reading);
    case scan::Reading::Kind::Failed:
      break;
  }
  raise_failure(code, reading.failure);
}

Ref parse_code(PyObject* cls, PyObject* code) {
  return host::with_units(code, [&](const auto* text, std::size_t size) { return parse_units(cls, code, text, size); });
}

}  // namespace

Ref parse_body(const Args& args) { return parse_code(args.self(), args[0]); }

}  // namespace mapgrid
