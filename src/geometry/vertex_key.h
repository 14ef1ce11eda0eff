// Vertex keys of numbers, compared as the host texts they stand for. No host types.
//
// Loading decides whether two adjacent vertices are duplicates by the text of a
// list of their first two values ("[1.0, 2.0]"), and whether a ring is closed by
// the text of its whole first and last vertex. For values that are plain floats
// and integers the texts need not be built: two floats have the same text when
// their bits are equal or both are NaN (so 0.0 and -0.0 differ); two integers
// when their values are; a float's text never equals an integer's (it always
// holds ".", "e", "nan" or "inf").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace geometry {

// One number of a vertex key: a double, or an integer within 64 bits.
struct KeyNumber {
  enum class Kind : std::uint8_t { Real, Integer };
  Kind kind = Kind::Real;
  double real = 0.0;
  std::int64_t integer = 0;

  static KeyNumber of_real(double value) { return {Kind::Real, value, 0}; }
  static KeyNumber of_integer(std::int64_t value) { return {Kind::Integer, 0.0, value}; }
};

// Whether two key numbers have the same host text (repr); exact.
bool same_text(const KeyNumber& a, const KeyNumber& b);

// Appends the host text (repr) of a key number; exact.
void append_text(const KeyNumber& value, std::string& out);

// The key of up to two numbers: the text of the list of them.
struct NumberKey {
  std::uint8_t count = 0;  // 0, 1 or 2 values
  KeyNumber values[2];
};

// Whether two keys have the same text; exact.
bool same_key(const NumberKey& a, const NumberKey& b);

// The key's text, as the host writes the list: "[]", "[1.0]", "[1.0, 2]".
std::string key_text(const NumberKey& key);

}  // namespace geometry
