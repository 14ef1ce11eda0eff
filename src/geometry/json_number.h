// A value token read as the host's json.loads reads it, where that is plain.
// No host types.
//
// JSON numbers (RFC 8259, ASCII digits only) without a fraction or exponent are
// integers; with one they are doubles, correctly rounded; "NaN", "Infinity"
// and "-Infinity" are the host's constants. Everything else the reader calls
// Other and leaves to the host's json.loads (which decides the value or the
// error): words, strings, malformed numbers, integers beyond 18 digits and
// doubles beyond the range of doubles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "geometry/text_scan.h"

namespace geometry::text {

struct Number {
  enum class Kind : std::uint8_t { Integer, Real, Other };
  Kind kind = Kind::Other;
  std::int64_t integer = 0;
  double real = 0.0;
};

// The shape of a JSON number token, found by one pass over its characters.
struct NumberShape {
  bool valid = false;     // the whole token is one JSON number
  bool negative = false;
  bool integral = true;   // no fraction, no exponent
  std::uint64_t digits = 0;       // the significand's digits as an integer (exact when `exact`)
  bool exact = true;              // at most 19 digits in the significand
  std::size_t whole_digits = 0;   // digits before the point
  std::int64_t exponent = 0;      // the power of ten to scale `digits` by
};

template <typename Char>
constexpr bool is_ascii_digit(Char c) {
  return c >= '0' && c <= '9';
}

// The shape of `s[0..n)` as a JSON number: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][-+]?[0-9]+)?
template <typename Char>
NumberShape number_shape(const Char* s, std::size_t n) {
  NumberShape shape;
  const Char* p = s;
  const Char* const end = s + n;
  if (p < end && *p == '-') {
    shape.negative = true;
    ++p;
  }
  if (p == end || !is_ascii_digit(*p)) return shape;
  std::uint64_t digits = 0;
  std::size_t significant = 0;  // digits taken into `digits`, leading zeros not counted
  const Char* const whole = p;
  if (*p == '0') {
    ++p;
  } else {
    for (; p < end && is_ascii_digit(*p); ++p) {
      if (++significant <= 19) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    }
  }
  shape.whole_digits = static_cast<std::size_t>(p - whole);
  std::int64_t scale = 0;
  if (p < end && *p == '.') {
    shape.integral = false;
    const Char* const fraction = ++p;
    for (; p < end && is_ascii_digit(*p); ++p) {
      if (significant == 0 && *p == '0') {
        --scale;  // a leading zero of the fraction
      } else if (++significant <= 19) {
        digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
        --scale;
      }
    }
    if (p == fraction) return shape;
  }
  if (p < end && (*p == 'e' || *p == 'E')) {
    shape.integral = false;
    ++p;
    bool below = false;
    if (p < end && (*p == '+' || *p == '-')) below = *p++ == '-';
    const Char* const exponent = p;
    std::int64_t power = 0;
    for (; p < end && is_ascii_digit(*p); ++p) {
      if (power < 100000) power = power * 10 + (*p - '0');
    }
    if (p == exponent) return shape;
    scale += below ? -power : power;
  }
  shape.digits = digits;
  shape.exact = significant <= 19;
  shape.exponent = scale;
  shape.valid = p == end;
  return shape;
}

// The value of an ASCII token; bit-exact with the host's json.loads where not Other.
Number read_json_number(std::string_view token);

// Powers of ten that doubles hold exactly.
inline constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The value of a valid non-integral number whose digits are exact and small
// enough for Clinger's fast path: a significand below 2^53 and a power of ten
// that doubles hold exactly make one multiplication or division, which rounds
// once, correctly. False otherwise.
inline bool fast_real(const NumberShape& shape, double& value) {
  if (!shape.exact || shape.digits > (std::uint64_t{1} << 53)) return false;
  if (shape.exponent < -22 || shape.exponent > 22) return false;
  const auto significand = static_cast<double>(shape.digits);
  value = shape.exponent < 0 ? significand / kExactPowers[-shape.exponent] : significand * kExactPowers[shape.exponent];
  if (shape.negative) value = -value;
  return true;
}

// The same for a token of a host text; a token with a code point beyond ASCII is Other.
template <typename Unit>
Number read_json_number(Text<Unit> t, Span token) {
  const Unit* s = t.data() + token.begin;
  const NumberShape shape = number_shape(s, token.size());
  if (shape.valid && !shape.integral) {
    double value;
    if (fast_real(shape, value)) return {Number::Kind::Real, 0, value};
  }
  if (shape.valid && shape.integral && shape.whole_digits <= 18) {
    const auto value = static_cast<std::int64_t>(shape.digits);
    return {Number::Kind::Integer, shape.negative ? -value : value, 0.0};
  }
  if (!shape.valid && (token.size() < 3 || token.size() > 9)) return {};  // no number, and not NaN or Infinity
  // The rest in ASCII: long numbers, and the constants.
  char small[64];
  std::string large;
  char* ascii = small;
  if (token.size() > sizeof small) {
    large.resize(token.size());
    ascii = large.data();
  }
  for (std::size_t k = 0; k < token.size(); ++k) {
    if (s[k] >= 0x80) return {};
    ascii[k] = static_cast<char>(s[k]);
  }
  return read_json_number(std::string_view(ascii, token.size()));
}

}  // namespace geometry::text
