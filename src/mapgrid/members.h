// What the bindings of MapGrid share: the members they reach through the class
// (alphabets, the 1:1,000,000 corner, map and parse), each recognised as the
// module's own so that its C++ runs directly, and the text of sheet codes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/function.h"
#include "host/kept.h"
#include "host/ops.h"
#include "mapgrid/sheet.h"

namespace mapgrid {

// The method bodies, by which a member found on a class is known as the module's own.
host::Ref corner_body(const host::Args& args);
host::Ref map_body(const host::Args& args);
host::Ref parse_body(const host::Args& args);
host::Ref grid_body(const host::Args& args);

// The class's alphabets and their letters as the class was made.
enum class Alphabet { RowLetters, Quarters, QuartersLower, ScaleLetters };
inline constexpr std::string_view kAlphabetTexts[] = {"ABCDEFGHIJKLMNOPQRSTUVW", "ABCD", "abcd", "BCDEFGHIJK"};

// An alphabet as `cls` holds it at the moment of use: the module's own text
// (also when a subclass rebinds an equal str), or whatever replaced it.
class AlphabetValue {
 public:
  AlphabetValue(PyObject* cls, Alphabet alphabet);
  // The own text (also a subclass's equal str), found without running code.
  bool own() const { return own_; }
  // Its letter `index` (a valid index of the own text).
  char own_letter(long long index) const { return kAlphabetTexts[static_cast<int>(alphabet_)][index]; }
  // alphabet[index] through the host.
  host::Ref item(long long index) const;
  // alphabet.find(letter) through the host, for a replaced alphabet.
  long long find(PyObject* letter) const;

 private:
  Alphabet alphabet_;
  host::Ref value_;
  bool own_;
};

// Whether every alphabet of `cls` is its own; asking runs no code, so it
// changes nothing that the plain form would read later.
bool own_alphabets(PyObject* cls);

// The text of a sheet code built piece by piece: ASCII in a buffer, and where
// a replaced member supplies a piece, its "{}".format text.
class CodeText {
 public:
  void append(char c) { ascii_.push_back(c); }
  void append(std::string_view text) { ascii_.append(text); }
  void append_padded(long long value, int width) { mapgrid::append_padded(ascii_, value, width); }
  void append_object(PyObject* object);
  host::Ref text() const;

 private:
  std::string ascii_;
  std::vector<host::Ref> parts_;  // earlier pieces, when one is not ASCII
};

// The two values of a corner dictionary: the west and the south edge of a
// 1:1,000,000 sheet, whole degrees from the class's own corner.
class CornerEdges {
 public:
  explicit CornerEdges(Corner own) : own_(own), is_own_(true) {}
  // The first two values of what a replaced corner method answered, in key order.
  explicit CornerEdges(PyObject* answer);

  // An edge as the operand of the first double operation it meets: the
  // position minus the edge (map), or the edge plus an offset (parse). An int
  // is converted as the host converts it; any other value than an int or a
  // float whose type does that arithmetic as its base does (a subclass with
  // operators of its own) fails with the host's error for that operation, or,
  // should the operation succeed, with TypeError "Expected int, got <type>".
  enum class Use { SubtractedFrom, Added };
  double west_degrees(Use use, double operand) const;
  double south_degrees(Use use, double operand) const;
  // edge + offset, in the edge's own arithmetic (integers stay integers).
  host::Ref west_plus(long long offset) const;
  host::Ref south_plus(long long offset) const;

 private:
  static double degrees(const host::Ref& value, Use use, double operand);
  static host::Ref plus(const host::Ref& value, long long offset);

  Corner own_{};
  bool is_own_ = false;
  host::Ref west_, south_;
};

// cls.__corner1000000(code) for a code str: the class's own method runs directly.
CornerEdges corner_through(PyObject* cls, PyObject* code);

// The class's own corner of the first 1:1,000,000 prefix in `code`, or
// Exception "Invalid [code] parameter.".
Corner own_corner(PyObject* cls, PyObject* code);

// The class's own corner of a prefix in pieces (hemisphere, row letter upper-cased,
// column 1 to 60), as own_corner reads their joined text.
Corner own_corner_of(PyObject* cls, bool southern, char32_t row_letter, long long column);

[[noreturn]] void raise_invalid_code();

// {north, south, west, east} of doubles.
host::Ref boundary_dict(const Boundary& boundary);

// The int object of a scale denominator.
host::Ref scale_object(int scale);

}  // namespace mapgrid
