#include "text/float_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace kestrin {

std::size_t float_text(double value, char* out) {
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

}  // namespace kestrin
