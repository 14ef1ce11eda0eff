#include "projection/angle_text.h"

#include <charconv>
#include <cmath>
#include <string>

#include "pymath/float_text.h"
#include "pymath/unicode.h"

namespace projection::angle_text {

namespace {

using pymath::unicode::digit_value;
using pymath::unicode::is_ascii_digit;
using pymath::unicode::is_space;

constexpr char32_t kDegreeSign = 0x00B0;    // °
constexpr char32_t kDegreeWord = 0x5EA6;    // 度
constexpr char32_t kPrime = 0x2032;         // ′
constexpr char32_t kMinuteWord = 0x5206;    // 分
constexpr char32_t kDoublePrime = 0x2033;   // ″
constexpr char32_t kSecondWord = 0x79D2;    // 秒

// A cursor over the code units of one text.
template <typename Unit>
struct Cursor {
  const Unit* at;
  const Unit* end;

  bool done() const { return at == end; }
  char32_t peek() const { return at == end ? 0xFFFFFFFF : static_cast<char32_t>(*at); }
  void skip_space() {
    while (at != end && is_space(static_cast<char32_t>(*at))) ++at;
  }
  // [+-]?: whether it was "-".
  bool sign() {
    const char32_t c = peek();
    if (c == '-' || c == '+') {
      ++at;
      return c == '-';
    }
    return false;
  }
  const Unit* run(bool (*admits)(char32_t)) {
    while (at != end && admits(static_cast<char32_t>(*at))) ++at;
    return at;
  }
  bool take(char32_t c) {
    if (peek() != c) return false;
    ++at;
    return true;
  }
  bool take_degree_mark() { return take(kDegreeSign) || take(kDegreeWord); }
};

bool any_digit(char32_t c) { return digit_value(c) >= 0; }
bool ascii_digit(char32_t c) { return is_ascii_digit(c); }

// [0-3]?X{1,2} over a whole run: one or two digits, or three with an ASCII 0-3 first.
template <typename Unit>
bool degree_digits(const Unit* begin, const Unit* end) {
  const std::ptrdiff_t length = end - begin;
  if (length == 3) return begin[0] >= '0' && begin[0] <= '3';
  return length == 1 || length == 2;
}

// ([0-5]?\d)|(60) over a whole run of \d.
template <typename Unit>
bool sixty_digits(const Unit* begin, const Unit* end) {
  const std::ptrdiff_t length = end - begin;
  if (length == 1) return true;
  if (length != 2) return false;
  return (begin[0] >= '0' && begin[0] <= '5') || (begin[0] == '6' && begin[1] == '0');
}

// ([0-5][0-9])|(60): two ASCII digits.
template <typename Unit>
bool sixty_ascii(const Unit* p) {
  return (p[0] >= '0' && p[0] <= '5') || (p[0] == '6' && p[1] == '0');
}

// int() of a run of decimal digits (at most three here).
template <typename Unit>
int integer_of(const Unit* begin, const Unit* end) {
  int value = 0;
  for (const Unit* p = begin; p != end; ++p) value = value * 10 + digit_value(static_cast<char32_t>(*p));
  return value;
}

// float() of digits, an optional point and digits: the digits read by value,
// then correctly rounded, as the host reads them.
template <typename Unit>
double number_of(const Unit* begin, const Unit* end) {
  char small[64];
  std::string large;
  char* out = small;
  const std::size_t size = static_cast<std::size_t>(end - begin);
  if (size > sizeof small) {
    large.resize(size);
    out = large.data();
  }
  std::size_t length = 0;
  for (const Unit* p = begin; p != end; ++p) {
    const char32_t c = static_cast<char32_t>(*p);
    out[length++] = c == '.' ? '.' : static_cast<char>('0' + digit_value(c));
  }
  if (length > 0 && out[length - 1] == '.') --length;  // "116." reads as 116
  double value = 0.0;
  std::from_chars(out, out + length, value);
  return value;
}

// (\.\d*)? at the cursor.
template <typename Unit>
void skip_fraction(Cursor<Unit>& cursor) {
  if (cursor.take('.')) cursor.run(any_digit);
}

template <typename Unit>
Reading decimal_form(const Unit* text, std::size_t size, bool with_number) {
  Cursor<Unit> c{text, text + size};
  c.skip_space();
  const bool negative = c.sign();
  const Unit* number = c.at;
  if (!degree_digits(number, c.run(ascii_digit))) return {};
  skip_fraction(c);
  const Unit* number_end = c.at;
  c.skip_space();
  c.take_degree_mark();
  c.skip_space();
  if (!c.done()) return {};
  return {.form = Form::Decimal, .negative = negative, .number = with_number ? number_of(number, number_end) : 0.0};
}

template <typename Unit>
Reading packed_form(const Unit* text, std::size_t size) {
  Cursor<Unit> c{text, text + size};
  c.skip_space();
  const bool negative = c.sign();
  const Unit* digits = c.at;
  const Unit* digits_end = c.run(ascii_digit);
  const std::ptrdiff_t length = digits_end - digits;
  if (length < 5 || length > 7) return {};
  const Unit* minutes = digits_end - 4;
  const Unit* seconds = digits_end - 2;
  if (!degree_digits(digits, minutes) || !sixty_ascii(minutes) || !sixty_ascii(seconds)) return {};
  skip_fraction(c);
  const Unit* seconds_end = c.at;
  c.take_degree_mark();
  c.skip_space();
  if (!c.done()) return {};
  return {.form = Form::Packed,
          .negative = negative,
          .degrees = integer_of(digits, minutes),
          .minutes = integer_of(minutes, seconds),
          .seconds = number_of(seconds, seconds_end)};
}

template <typename Unit>
Reading marked_form(const Unit* text, std::size_t size) {
  Cursor<Unit> c{text, text + size};
  c.skip_space();
  Reading reading{.form = Form::Marked, .negative = c.sign()};
  // Each part is a run of digits closed by its own mark, so a part either
  // matches as a whole at the cursor or is absent.
  {
    Cursor<Unit> part = c;
    const Unit* digits = part.at;
    const Unit* digits_end = part.run(any_digit);
    if (degree_digits(digits, digits_end) && part.take_degree_mark()) {
      reading.degrees = integer_of(digits, digits_end);
      c = part;
    }
  }
  {
    Cursor<Unit> part = c;
    const Unit* digits = part.at;
    const Unit* digits_end = part.run(any_digit);
    if (sixty_digits(digits, digits_end) && (part.take(kPrime) || part.take(kMinuteWord))) {
      reading.minutes = integer_of(digits, digits_end);
      c = part;
    }
  }
  {
    Cursor<Unit> part = c;
    const Unit* digits = part.at;
    if (sixty_digits(digits, part.run(any_digit))) {
      skip_fraction(part);
      const Unit* seconds_end = part.at;
      if (part.take(kDoublePrime) || part.take(kSecondWord)) {
        reading.seconds = number_of(digits, seconds_end);
        c = part;
      }
    }
  }
  c.skip_space();
  if (!c.done()) return {};
  return reading;
}

}  // namespace

template <typename Unit>
Reading read_decimal(const Unit* text, std::size_t size, bool with_number) {
  return decimal_form(text, size, with_number);
}

template <typename Unit>
Reading read_any(const Unit* text, std::size_t size) {
  Reading reading = decimal_form(text, size, true);
  if (reading.form == Form::None) reading = packed_form(text, size);
  if (reading.form == Form::None) reading = marked_form(text, size);
  return reading;
}

double degrees_of(const Reading& reading) {
  if (reading.form == Form::Decimal) return reading.negative ? reading.number * -1.0 : reading.number;
  const double sign = reading.negative ? -1.0 : 1.0;
  return sign * ((static_cast<double>(reading.degrees) + static_cast<double>(reading.minutes) / 60.0) +
                 reading.seconds / 3600.0);
}

Sexagesimal split(double magnitude) {
  double degrees = std::floor(magnitude);
  double minutes = std::floor((magnitude - degrees) * 60.0);
  double seconds = (magnitude - degrees) * 3600.0 - minutes * 60.0;
  if (seconds >= 60.0) {
    seconds -= 60.0;
    minutes += 1.0;
  }
  if (minutes >= 60.0) {
    minutes -= 60.0;
    degrees += 1.0;
  }
  return {degrees, minutes, seconds};
}

namespace {

char16_t* write_integer(char16_t* out, double value) {
  char digits[24];
  const auto written = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value));
  for (const char* p = digits; p != written.ptr; ++p) *out++ = static_cast<char16_t>(*p);
  return out;
}

}  // namespace

std::size_t write_text(char16_t* out, bool negative, double degrees, double minutes, double seconds) {
  char16_t* at = out;
  if (negative) *at++ = u'-';
  at = write_integer(at, degrees);
  *at++ = static_cast<char16_t>(kDegreeSign);
  at = write_integer(at, minutes);
  *at++ = static_cast<char16_t>(kPrime);
  char text[pymath::kFloatTextSize];
  const std::size_t length = pymath::float_text(seconds, text);
  for (std::size_t i = 0; i < length; ++i) *at++ = static_cast<char16_t>(text[i]);
  *at++ = static_cast<char16_t>(kDoublePrime);
  return static_cast<std::size_t>(at - out);
}

template Reading read_decimal(const std::uint8_t*, std::size_t, bool);
template Reading read_decimal(const std::uint16_t*, std::size_t, bool);
template Reading read_decimal(const std::uint32_t*, std::size_t, bool);
template Reading read_any(const std::uint8_t*, std::size_t);
template Reading read_any(const std::uint16_t*, std::size_t);
template Reading read_any(const std::uint32_t*, std::size_t);

}  // namespace projection::angle_text
