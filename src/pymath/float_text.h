// The host's text form of a double (repr): the shortest digits that read back
// to the same double, ".0" after an integral value, and exponent form when the
// decimal point would lie more than 16 places right or 4 places left of the
// first digit ("1e+16", "1e-05"). No host types here.
#pragma once

#include <cstddef>
#include <string>

namespace pymath {

// Room for any double's text.
inline constexpr std::size_t kFloatTextSize = 32;

// Writes the text of `value` into `out` (kFloatTextSize bytes, no terminator
// added) and returns its length. NaN is "nan", infinities "inf" and "-inf".
std::size_t float_text(double value, char* out);

// format(value, '.<digits>f'): exactly `digits` decimals (no point for 0),
// correctly rounded on the exact double with ties to even; "nan", "inf",
// "-inf", and "-0.00" for a negative value that rounds to zero.
std::string fixed_text(double value, int digits);

}  // namespace pymath
