// The host's float arithmetic, bit for bit: its division, remainder and floor
// division, its `**` and math.pow, the math functions with the host's error
// rules, and the integer conversions of floor, ceil and round. No host types.
//
// C returns NaN or an infinity where the host raises. Every function here that
// can fail takes an `Error&` and records the first failure of a computation in
// it (a later failure never overwrites an earlier one), so a formula can be
// written straight through and checked once at the end, as the host would have
// stopped at the first failing step. The value returned after a failure is
// meaningless.
#pragma once

#include <bit>
#include <cstdint>

namespace pymath {

enum class Error : std::uint8_t {
  None,
  MathDomain,           // ValueError "math domain error"
  MathRange,            // OverflowError "math range error"
  DivisionByZero,       // ZeroDivisionError "float division by zero"
  ModuloByZero,         // ZeroDivisionError "float modulo"
  FloorDivisionByZero,  // ZeroDivisionError "float floor division by zero"
  DivmodByZero,         // ZeroDivisionError "float divmod()"
  ZeroToNegativePower,  // ZeroDivisionError "0.0 cannot be raised to a negative power"
  PowerRange,           // OverflowError (34, 'Numerical result out of range') of `**`
  ComplexPower,         // `**` of a negative base and a fractional exponent: the host answers a complex
  IntegerFromNaN,       // ValueError "cannot convert float NaN to integer"
  IntegerFromInfinity,  // OverflowError "cannot convert float infinity to integer"
  RoundedTooLarge,      // OverflowError "rounded value too large to represent"
};

// Records `error` unless an earlier one is recorded.
inline void fail(Error& slot, Error error) {
  if (slot == Error::None) slot = error;
}

// The C library's pow, never replaced by the compiler: g++ folds pow(x, 2.0)
// into x * x, which differs from the library's result in about one case in 1,200.
double libm_pow(double x, double y);

// a / b
double divide(double a, double b, Error& error);
// a % b: the remainder takes the sign of b.
double remainder(double a, double b, Error& error);
// a // b: a double, as the host computes it (not floor(a / b)).
double floor_divide(double a, double b, Error& error);
// divmod(a, b)
struct QuotientRemainder {
  double quotient, remainder;
};
QuotientRemainder divmod(double a, double b, Error& error);

// x ** y for two floats.
double power(double x, double y, Error& error);
// math.pow(x, y)
double math_pow(double x, double y, Error& error);
// x ** 2, exactly power(x, 2.0) but cheaper: the product x * x where it is
// provably the library's answer (the exact square lies well inside its rounding
// interval, and the library's pow errs by at most 0.54 ULP), the library otherwise.
inline double square(double x, Error& error) {
  // Within these bounds the product neither overflows nor loses its exact
  // remainder to underflow, and Dekker's splitting is exact.
  constexpr double kLeast = 0x1p-450, kMost = 0x1p+450;
  const double magnitude = x < 0.0 ? -x : x;
  if (!(magnitude >= kLeast && magnitude <= kMost)) return power(x, 2.0, error);
  const double product = magnitude * magnitude;
  // The exact remainder magnitude² - product (Dekker's two-product).
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1
  const double scaled = kSplitter * magnitude;
  const double high = scaled - (scaled - magnitude);
  const double low = magnitude - high;
  const double remainder = ((high * high - product) + 2.0 * high * low) + low * low;
  constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(product);
  // At a power of two the spacing below is half the spacing above: ask the library.
  if ((bits & kFraction) == 0) return power(x, 2.0, error);
  const double ulp = std::bit_cast<double>((bits & ~kFraction) - (std::uint64_t{52} << 52));
  // A remainder of at most 0.45 ULP keeps both neighbours beyond the library's error.
  if ((remainder < 0.0 ? -remainder : remainder) <= 0.45 * ulp) return product;
  return power(x, 2.0, error);
}

// The math module's functions of one argument and atan2.
double sin(double x, Error& error);
double cos(double x, Error& error);
// math.sin(x) and math.cos(x) at once, by the library's sincos (the same
// doubles as sin and cos apart, for a little less than their cost).
struct SinCos {
  double sin, cos;
};
SinCos sin_cos(double x, Error& error);
double tan(double x, Error& error);
double asin(double x, Error& error);
double acos(double x, Error& error);
double atan(double x, Error& error);
double atan2(double y, double x, Error& error);
double sqrt(double x, Error& error);
double exp(double x, Error& error);
double log(double x, Error& error);  // natural logarithm
// math.pi
inline constexpr double kPi = 3.141592653589793;

// math.radians and math.degrees: one multiplication by the rounded constant.
double radians(double x);
double degrees(double x);

// The failure of int(x) for a double, or Error::None for a finite x.
inline Error integer_error(double x) {
  if (x != x) return Error::IntegerFromNaN;
  if (x - x != 0.0) return Error::IntegerFromInfinity;
  return Error::None;
}
// math.floor and math.ceil: the integral double; the host's int of it follows.
double floor(double x, Error& error);
double ceil(double x, Error& error);
// round(x) of a finite double: the nearest integral double, halves to even.
double round_half_even(double x);
// round(x) for any double, with the host's failure of its int for NaN and infinities.
double round_to_integer(double x, Error& error);
// round(x, ndigits) for any ndigits, correctly rounded on the exact double.
double round_digits(double x, std::int64_t ndigits, Error& error);

}  // namespace pymath
