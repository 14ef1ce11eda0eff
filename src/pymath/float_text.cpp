#include "pymath/float_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace pymath {

namespace {

// Values that are k / 10^d exactly for an integer k below 10^15 and d up to 8
// (most map coordinates): any two decimals of at most 15 significant digits
// read back to different doubles, so k / 10^d without its trailing zeros is
// the shortest text, found without the general conversion.
bool short_decimal_text(double value, char* out, std::size_t& length) {
  static constexpr double kPowers[] = {1.0, 10.0, 100.0, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 1e-4 && magnitude < 1e15)) return false;
  for (int d = 0; d < 9; ++d) {
    const double scaled = magnitude * kPowers[d];
    if (scaled >= 1e15) return false;
    if (scaled != std::trunc(scaled)) continue;
    const auto k = static_cast<std::uint64_t>(scaled);
    if (static_cast<double>(k) / kPowers[d] != magnitude) continue;
    char digits[24];
    std::size_t count = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, k).ptr - digits);
    char* p = out;
    if (value < 0) *p++ = '-';
    const std::size_t whole = count > static_cast<std::size_t>(d) ? count - static_cast<std::size_t>(d) : 0;
    if (whole == 0) {
      *p++ = '0';
    } else {
      std::memcpy(p, digits, whole);
      p += whole;
    }
    *p++ = '.';
    // The fraction: d digits, zero-filled on the left, trailing zeros dropped.
    char fraction[16];
    const std::size_t lead = static_cast<std::size_t>(d) - (count - whole);
    std::memset(fraction, '0', lead);
    std::memcpy(fraction + lead, digits + whole, count - whole);
    std::size_t kept = static_cast<std::size_t>(d);
    while (kept > 0 && fraction[kept - 1] == '0') --kept;
    if (kept == 0) {
      *p++ = '0';
    } else {
      std::memcpy(p, fraction, kept);
      p += kept;
    }
    length = static_cast<std::size_t>(p - out);
    return true;
  }
  return false;
}

}  // namespace

std::size_t float_text(double value, char* out) {
  std::size_t length = 0;
  if (short_decimal_text(value, out, length)) return length;
  char* p = out;
  if (std::isnan(value)) {
    std::memcpy(out, "nan", 3);
    return 3;
  }
  if (std::signbit(value)) {
    *p++ = '-';
    value = -value;
  }
  if (std::isinf(value)) {
    std::memcpy(p, "inf", 3);
    return static_cast<std::size_t>(p - out) + 3;
  }
  // Shortest round-trip digits in scientific form: d[.ddd]e±XX.
  char scientific[kFloatTextSize];
  const auto result = std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific);
  char digits[20];
  std::size_t count = 0;
  const char* q = scientific;
  for (; q < result.ptr && *q != 'e'; ++q) {
    if (*q != '.') digits[count++] = *q;
  }
  int exponent = 0;
  std::from_chars(q + (q[1] == '+' ? 2 : 1), result.ptr, exponent);
  const int point = exponent + 1;  // the decimal point lies after this many digits

  if (point <= -4 || point > 16) {
    *p++ = digits[0];
    if (count > 1) {
      *p++ = '.';
      std::memcpy(p, digits + 1, count - 1);
      p += count - 1;
    }
    *p++ = 'e';
    *p++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) *p++ = '0';
    p = std::to_chars(p, out + kFloatTextSize, magnitude).ptr;
    return static_cast<std::size_t>(p - out);
  }
  if (point <= 0) {
    *p++ = '0';
    *p++ = '.';
    std::memset(p, '0', static_cast<std::size_t>(-point));
    p += -point;
    std::memcpy(p, digits, count);
    p += count;
  } else if (static_cast<std::size_t>(point) < count) {
    std::memcpy(p, digits, static_cast<std::size_t>(point));
    p += point;
    *p++ = '.';
    std::memcpy(p, digits + point, count - static_cast<std::size_t>(point));
    p += count - static_cast<std::size_t>(point);
  } else {
    std::memcpy(p, digits, count);
    p += count;
    std::memset(p, '0', static_cast<std::size_t>(point) - count);
    p += static_cast<std::size_t>(point) - count;
    *p++ = '.';
    *p++ = '0';
  }
  return static_cast<std::size_t>(p - out);
}

std::string fixed_text(double value, int digits) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  // The integer part of a double has at most 309 digits.
  std::string text(static_cast<std::size_t>(digits) + 330, '\0');
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, digits);
  text.resize(static_cast<std::size_t>(result.ptr - text.data()));
  return text;
}

}  // namespace pymath
