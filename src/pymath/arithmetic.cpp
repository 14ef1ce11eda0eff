#include "pymath/arithmetic.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace pymath {

namespace {

// Read through a volatile pointer, so the compiler can neither inline pow nor
// rewrite a call with a constant exponent.
double (*volatile const pow_of_library)(double, double) = &::pow;

bool is_odd_integer(double x) { return std::fmod(std::fabs(x), 2.0) == 1.0; }

// The host's checks after a math function of one argument.
double checked_result(double x, double r, bool can_overflow, Error& error) {
  if (std::isnan(r) && !std::isnan(x)) {
    fail(error, Error::MathDomain);
  } else if (std::isinf(r) && std::isfinite(x)) {
    fail(error, can_overflow ? Error::MathRange : Error::MathDomain);
  }
  return r;
}

// Reads the decimal text `text` (correctly rounded); false when it overflows.
bool read_decimal(const std::string& text, double& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc();
}

// round(x, ndigits) for ndigits < 0 and a finite x: the exact decimal digits
// of |x| rounded half to even at 10^-ndigits.
double round_to_tens(double x, std::int64_t ndigits, Error& error) {
  // A double has at most 767 significant decimal digits: 770 keeps them all.
  char buffer[800];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x), std::chars_format::scientific, 770);
  const char* end = written.ptr;
  const char* e = static_cast<const char*>(std::memchr(buffer, 'e', static_cast<std::size_t>(end - buffer)));
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
  std::string digits(1, buffer[0]);
  digits.append(static_cast<const char*>(buffer + 2), e);  // |x| = d.ddd... × 10^exponent

  // Digits of weight 10^-ndigits and above.
  const std::int64_t kept = exponent + ndigits + 1;
  if (kept < 0) return std::copysign(0.0, x);
  const char first_dropped = digits[static_cast<std::size_t>(kept)];
  const bool rest_nonzero =
      digits.find_first_not_of('0', static_cast<std::size_t>(kept) + 1) != std::string::npos;
  std::string head = digits.substr(0, static_cast<std::size_t>(kept));
  const bool last_odd = !head.empty() && (head.back() - '0') % 2 == 1;
  const bool up = first_dropped > '5' || (first_dropped == '5' && (rest_nonzero || last_odd));
  if (up) {
    std::size_t i = head.size();
    while (i > 0 && head[i - 1] == '9') head[--i] = '0';
    if (i == 0) {
      head.insert(head.begin(), '1');
    } else {
      ++head[i - 1];
    }
  }
  if (head.empty() || head.find_first_not_of('0') == std::string::npos) return std::copysign(0.0, x);
  const std::string text = (x < 0 ? "-" : "") + head + "e" + std::to_string(-ndigits);
  double value = 0.0;
  if (!read_decimal(text, value)) fail(error, Error::RoundedTooLarge);
  return value;
}

}  // namespace

double libm_pow(double x, double y) { return pow_of_library(x, y); }

double divide(double a, double b, Error& error) {
  if (b == 0.0) fail(error, Error::DivisionByZero);
  return a / b;
}

double remainder(double a, double b, Error& error) {
  if (b == 0.0) {
    fail(error, Error::ModuloByZero);
    return 0.0;
  }
  double mod = std::fmod(a, b);
  if (mod) {
    if ((b < 0) != (mod < 0)) mod += b;  // the sign of the divisor
  } else {
    mod = std::copysign(0.0, b);
  }
  return mod;
}

namespace {

QuotientRemainder div_mod(double a, double b) {
  double mod = std::fmod(a, b);
  // fmod is exact, so a - mod is close to a multiple of b; the quotient is snapped below.
  double div = (a - mod) / b;
  if (mod) {
    if ((b < 0) != (mod < 0)) {
      mod += b;
      div -= 1.0;
    }
  } else {
    mod = std::copysign(0.0, b);
  }
  double floordiv;
  if (div) {
    floordiv = std::floor(div);
    if (div - floordiv > 0.5) floordiv += 1.0;
  } else {
    floordiv = std::copysign(0.0, a / b);
  }
  return {floordiv, mod};
}

}  // namespace

double floor_divide(double a, double b, Error& error) {
  if (b == 0.0) {
    fail(error, Error::FloorDivisionByZero);
    return 0.0;
  }
  return div_mod(a, b).quotient;
}

QuotientRemainder divmod(double a, double b, Error& error) {
  if (b == 0.0) {
    fail(error, Error::DivmodByZero);
    return {0.0, 0.0};
  }
  return div_mod(a, b);
}

double power(double x, double y, Error& error) {
  if (y == 0.0) return 1.0;
  if (std::isnan(x)) return x;
  if (std::isnan(y)) return x == 1.0 ? 1.0 : y;
  if (std::isinf(y)) {
    const double magnitude = std::fabs(x);
    if (magnitude == 1.0) return 1.0;
    if ((y > 0.0) == (magnitude > 1.0)) return std::fabs(y);
    return 0.0;
  }
  if (std::isinf(x)) {
    const bool odd = is_odd_integer(y);
    if (y > 0.0) return odd ? x : std::fabs(x);
    return odd ? std::copysign(0.0, x) : 0.0;
  }
  if (x == 0.0) {
    if (y < 0.0) {
      fail(error, Error::ZeroToNegativePower);
      return 0.0;
    }
    return is_odd_integer(y) ? x : 0.0;
  }
  bool negate = false;
  if (x < 0.0) {
    if (y != std::floor(y)) {
      fail(error, Error::ComplexPower);
      return 0.0;
    }
    x = -x;
    negate = is_odd_integer(y);
  }
  if (x == 1.0) return negate ? -1.0 : 1.0;
  double result = libm_pow(x, y);
  // An infinite result of finite operands is an overflow; underflow passes.
  if (std::isinf(result)) fail(error, Error::PowerRange);
  return negate ? -result : result;
}

double math_pow(double x, double y, Error& error) {
  if (!std::isfinite(x) || !std::isfinite(y)) {
    if (std::isnan(x)) return y == 0.0 ? 1.0 : x;
    if (std::isnan(y)) return x == 1.0 ? 1.0 : y;
    if (std::isinf(x)) {
      const bool odd = std::isfinite(y) && is_odd_integer(y);
      if (y > 0.0) return odd ? x : std::fabs(x);
      if (y == 0.0) return 1.0;
      return odd ? std::copysign(0.0, x) : 0.0;
    }
    if (std::fabs(x) == 1.0) return 1.0;
    if (y > 0.0 && std::fabs(x) > 1.0) return y;
    if (y < 0.0 && std::fabs(x) < 1.0) return -y;
    return 0.0;
  }
  const double result = libm_pow(x, y);
  if (std::isnan(result)) {
    fail(error, Error::MathDomain);
  } else if (std::isinf(result)) {
    fail(error, x == 0.0 ? Error::MathDomain : Error::MathRange);
  }
  return result;
}

double sin(double x, Error& error) { return checked_result(x, std::sin(x), false, error); }
double cos(double x, Error& error) { return checked_result(x, std::cos(x), false, error); }
SinCos sin_cos(double x, Error& error) {
  SinCos result;
  ::sincos(x, &result.sin, &result.cos);
  checked_result(x, result.sin, false, error);
  return result;
}
double tan(double x, Error& error) { return checked_result(x, std::tan(x), false, error); }
double asin(double x, Error& error) { return checked_result(x, std::asin(x), false, error); }
double acos(double x, Error& error) { return checked_result(x, std::acos(x), false, error); }
double atan(double x, Error& error) { return checked_result(x, std::atan(x), false, error); }
double sqrt(double x, Error& error) { return checked_result(x, std::sqrt(x), false, error); }
double exp(double x, Error& error) { return checked_result(x, std::exp(x), true, error); }
double log(double x, Error& error) { return checked_result(x, std::log(x), false, error); }

double atan2(double y, double x, Error&) {
  // The host's own special cases (C99 Annex F), then the library.
  if (std::isnan(x) || std::isnan(y)) return NAN;
  if (std::isinf(y)) {
    if (std::isinf(x)) return std::copysign(std::copysign(1.0, x) == 1.0 ? 0.25 * kPi : 0.75 * kPi, y);
    return std::copysign(0.5 * kPi, y);
  }
  if (std::isinf(x) || y == 0.0) {
    return std::copysign(1.0, x) == 1.0 ? std::copysign(0.0, y) : std::copysign(kPi, y);
  }
  return std::atan2(y, x);
}

double radians(double x) {
  static constexpr double kDegreesToRadians = kPi / 180.0;
  return kDegreesToRadians * x;
}

double degrees(double x) {
  static constexpr double kRadiansToDegrees = 180.0 / kPi;
  return kRadiansToDegrees * x;
}

double floor(double x, Error& error) {
  fail(error, integer_error(x));
  return std::floor(x);
}

double ceil(double x, Error& error) {
  fail(error, integer_error(x));
  return std::ceil(x);
}

double round_half_even(double x) {
  double rounded = std::round(x);
  if (std::fabs(x - rounded) == 0.5) rounded = 2.0 * std::round(x / 2.0);
  return rounded;
}

double round_to_integer(double x, Error& error) {
  fail(error, integer_error(x));
  return round_half_even(x);
}

double round_digits(double x, std::int64_t ndigits, Error& error) {
  // Beyond these bounds every double rounds to itself, or to a signed zero.
  constexpr std::int64_t kMostDigits = 323;
  constexpr std::int64_t kFewestDigits = -308;
  if (!std::isfinite(x) || ndigits > kMostDigits) return x;
  if (ndigits < kFewestDigits) return 0.0 * x;
  if (ndigits < 0) return round_to_tens(x, ndigits, error);
  char buffer[700];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, static_cast<int>(ndigits));
  double value = 0.0;
  const auto read = std::from_chars(buffer, written.ptr, value);
  if (read.ec != std::errc()) fail(error, Error::RoundedTooLarge);
  return value;
}

}  // namespace pymath
