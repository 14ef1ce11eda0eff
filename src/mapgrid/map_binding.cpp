// MapGrid.map: the new code, the old code and the boundary of the sheet of a
// scale that holds a position.
//
// The old code of a sheet at 1:50,000 and finer extends the old code that
// cls.map gives for the same position at the coarser scale. While map, the
// corner and the alphabets are the class's own, that chain is built in one
// pass; while map is its own it runs directly, level by level; otherwise each
// level goes through the class.
#include "mapgrid/members.h"
#include "mapgrid/names.h"
#include "pymath/float_text.h"

namespace mapgrid {

using host::Args;
using host::checked;
using host::Ref;

namespace {

[[noreturn]] void raise_position(const char* parameter, double value, const char* range) {
  char digits[pymath::kFloatTextSize];
  std::string message = "[";
  message.append(digits, pymath::float_text(value, digits));
  message += "] should be between ";
  message += range;
  message += " in [";
  message += parameter;
  message += "] parameter.";
  host::raise_text(PyExc_Exception, host::text(message));
}

void check_position_or_raise(double longitude, double latitude) {
  switch (check_position(longitude, latitude)) {
    case PositionFault::Longitude:
      raise_position("longitude", longitude, "[-180 ～ +180]");
    case PositionFault::Latitude:
      raise_position("latitude", latitude, "[-90 ～ +90]");
    case PositionFault::None:
      break;
  }
}

// The scale of a scale argument (exactly an int of any size), or a failure
// that names it.
int scale_of(PyObject* scale) {
  int overflow = 0;
  const long long denominator = PyLong_AsLongLongAndOverflow(scale, &overflow);
  if (denominator == -1 && PyErr_Occurred()) host::raise_pending();
  const int index = overflow == 0 ? scale_index(denominator) : -1;
  if (index < 0) {
    host::raise_text(PyExc_Exception,
                     host::concat_format("[", scale,
                                         "] Should be one of [1000000, 500000, 250000, 200000, 100000, 50000, "
                                         "25000, 10000, 5000, 2000, 1000, 500] in [scale] parameter."));
  }
  return index;
}

// Letter `index` of one of the class's alphabets, as a code writes it: the
// own alphabet's as its character, a replaced alphabet's as the object it
// gives, formatted at each code it is written into, as each "{}" of the code
// templates formats it again.
class AlphabetLetter {
 public:
  AlphabetLetter() = default;
  AlphabetLetter(const AlphabetValue& alphabet, long long index) {
    if (alphabet.own()) {
      own_ = alphabet.own_letter(index);
    } else {
      replaced_ = alphabet.item(index);
    }
  }

  void append_to(CodeText& code) const {
    if (replaced_) {
      code.append_object(replaced_.get());
    } else {
      code.append(own_);
    }
  }

 private:
  char own_ = 0;
  Ref replaced_;
};

// "S" or nothing, then the row letter: the head of every code of a position.
struct CodeHead {
  bool southern;
  AlphabetLetter letter;

  void append_to(CodeText& code) const {
    if (southern) code.append('S');
    letter.append_to(code);
  }
};

// The 1:1,000,000 sheet of a checked position: its codes and its corner.
struct Frame1M {
  Frame frame;
  CodeHead head;
  CodeText new_code;  // J47, SJ47
  CodeText old_code;  // J-47, SJ-47
  CornerEdges corner;
  bool own;           // the corner and the row letters are the class's own
};

Frame1M frame_1m(PyObject* cls, double longitude, double latitude) {
  const Frame frame = frame_of(longitude, latitude);
  const AlphabetValue rows(cls, Alphabet::RowLetters);
  CodeHead head{frame.southern, AlphabetLetter(rows, frame.row_index)};
  CodeText new_code;
  head.append_to(new_code);
  new_code.append_padded(frame.column, 2);
  CodeText old_code;
  head.append_to(old_code);
  old_code.append('-');
  old_code.append_padded(frame.column, 2);

  // The corner reads the row letters of the class it is bound to, which are
  // the ones just read only where `cls` is that class.
  const bool own_corner = host::finds_own_member(cls, names::_MapGrid__corner1000000, corner_body);
  if (own_corner && rows.own() && PyType_Check(cls)) {
    if (frame.column > 60) raise_invalid_code();  // longitude 180: no column 61
    return {frame, std::move(head), std::move(new_code), std::move(old_code),
            CornerEdges(corner_of(frame.column, frame.row_index, frame.southern)), true};
  }
  CornerEdges corner = corner_through(cls, new_code.text().get());
  return {frame, std::move(head), std::move(new_code), std::move(old_code), std::move(corner), false};
}

// What the old code of sheet `cell` of `scale` adds to its parent's: read
// (a quarter letter from the class's alphabet) before the parent's code is
// formatted, as the code template is filled with both only after both are read.
class OldSuffix {
 public:
  OldSuffix(PyObject* cls, int scale, const Cell& cell)
      : suffix_(kScales[scale].suffix), number_(local_number(cell, kScales[scale].k)) {
    if (suffix_ != Suffix::Quarter && suffix_ != Suffix::QuarterLower) return;
    const AlphabetValue quarters(cls, suffix_ == Suffix::Quarter ? Alphabet::Quarters : Alphabet::QuartersLower);
    letter_ = AlphabetLetter(quarters, number_ - 1);
  }

  void append_to(CodeText& code) const {
    code.append('-');
    switch (suffix_) {
      case Suffix::Quarter:
      case Suffix::QuarterLower:
        letter_.append_to(code);
        return;
      case Suffix::Bracketed:
        code.append('[');
        code.append_padded(number_, 0);
        code.append(']');
        return;
      case Suffix::Parenthesized:
        code.append('(');
        code.append_padded(number_, 0);
        code.append(')');
        return;
      case Suffix::Number:
      case Suffix::None:
      case Suffix::Sheet200K:
        code.append_padded(number_, 0);
        return;
    }
  }

 private:
  Suffix suffix_;
  long long number_;
  AlphabetLetter letter_;  // of a quarter suffix
};

struct SheetCodes {
  Ref new_code, old_code, boundary;
};

SheetCodes map_sheet(PyObject* cls, double longitude, double latitude, PyObject* scale_argument);

// The old code of the sheet of `scale` (1:100,000 or finer) that holds the
// position, followed by `suffix`, read after it.
CodeText parent_old_code(PyObject* cls, double longitude, double latitude, int scale, const Frame1M& frame,
                         const Chain& chain, int child, const Cell& cell) {
  CodeText code;
  if (!host::finds_own_member(cls, names::map, map_body)) {
    Ref lon = host::real(longitude);
    Ref lat = host::real(latitude);
    Ref answer = host::call_method(cls, names::map, lon.get(), lat.get(), scale_object(scale).get());
    Ref parent = host::get_item(answer.get(), names::old);
    const OldSuffix suffix(cls, child, cell);
    code.append_object(parent.get());
    suffix.append_to(code);
    return code;
  }
  // The frame's codes and corner stand for the parent's only while its corner
  // and alphabets are still the class's own: a script's code run since (a
  // replaced scale letter's text) may have changed them.
  if (!frame.own || !host::finds_own_member(cls, names::_MapGrid__corner1000000, corner_body) ||
      !own_alphabets(cls)) {
    code.append_object(
        map_sheet(host::class_bound_to(cls), longitude, latitude, scale_object(scale).get()).old_code.get());
    OldSuffix(cls, child, cell).append_to(code);
    return code;
  }
  // The whole chain is the class's own: the old code of each level from the
  // child of the 1:1,000,000 sheet down, as the nested calls would build it.
  int levels[kScaleCount];
  int count = 0;
  for (int s = scale; s >= 0; s = kScales[s].parent) levels[count++] = s;
  code = frame.old_code;
  for (int i = count - 1; i >= 0; --i) OldSuffix(cls, levels[i], chain.cells[levels[i]]).append_to(code);
  OldSuffix(cls, child, cell).append_to(code);
  return code;
}

SheetCodes map_sheet(PyObject* cls, double longitude, double latitude, PyObject* scale_argument) {
  check_position_or_raise(longitude, latitude);
  const Frame1M frame = frame_1m(cls, longitude, latitude);
  const int scale = scale_of(scale_argument);
  if (scale == k1M) {
    Ref boundary = host::DictBuilder(4)
                       .put(names::north, frame.corner.south_plus(4))
                       .put(names::south, frame.corner.south_plus(0))
                       .put(names::west, frame.corner.west_plus(0))
                       .put(names::east, frame.corner.west_plus(6))
                       .take();
    return {frame.new_code.text(), frame.old_code.text(), std::move(boundary)};
  }

  const double south = frame.corner.south_degrees(CornerEdges::Use::SubtractedFrom, latitude);
  const double west = frame.corner.west_degrees(CornerEdges::Use::SubtractedFrom, longitude);
  Chain chain;
  host::checked_math(0.0, chain_of(longitude, latitude, west, south, scale, chain));
  const Cell& cell = chain.cells[scale];
  const Scale& level = kScales[scale];
  const Ref boundary = boundary_dict(boundary_of(cell, west, south, level));

  if (scale == k200K) {
    CodeText code;
    frame.head.append_to(code);
    code.append('-');
    code.append_padded(column_200k(longitude), 2);
    code.append("-(");
    code.append_padded(local_number(cell, level.k), 2);
    code.append(')');
    Ref text = code.text();
    return {text, text, boundary};
  }

  CodeText new_code = frame.new_code;
  const AlphabetValue scale_letters(cls, Alphabet::ScaleLetters);
  if (scale_letters.own()) {
    new_code.append(scale_letters.own_letter(level.letter));
  } else {
    new_code.append_object(scale_letters.item(level.letter).get());
  }
  new_code.append_padded(cell.row, level.digits);
  new_code.append_padded(cell.col, level.digits);
  Ref new_text = new_code.text();

  if (level.parent >= 0) {
    const CodeText old_code = parent_old_code(cls, longitude, latitude, level.parent, frame, chain, scale, cell);
    return {std::move(new_text), old_code.text(), boundary};
  }
  CodeText old_code = frame.old_code;
  OldSuffix(cls, scale, cell).append_to(old_code);
  return {std::move(new_text), old_code.text(), boundary};
}

}  // namespace

Ref map_body(const Args& args) {
  SheetCodes sheet = map_sheet(args.self(), args.real(0), args.real(1), args[2]);
  return host::DictBuilder(3)
      .put(names::new_code, sheet.new_code)
      .put(names::old, sheet.old_code)
      .put(names::boundary, sheet.boundary)
      .take();
}

}  // namespace mapgrid
