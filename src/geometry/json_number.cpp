#include "geometry/json_number.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace geometry::text {

namespace {

constexpr std::size_t kPlainIntegerDigits = 18;  // below 2^63 whatever the digits

}  // namespace

Number read_json_number(std::string_view s) {
  if (s == "NaN") return {Number::Kind::Real, 0, std::numeric_limits<double>::quiet_NaN()};
  if (s == "Infinity") return {Number::Kind::Real, 0, std::numeric_limits<double>::infinity()};
  if (s == "-Infinity") return {Number::Kind::Real, 0, -std::numeric_limits<double>::infinity()};
  const NumberShape shape = number_shape(s.data(), s.size());
  if (!shape.valid) return {};
  if (shape.integral) {
    if (shape.whole_digits > kPlainIntegerDigits) return {};
    const auto value = static_cast<std::int64_t>(shape.digits);
    return {Number::Kind::Integer, shape.negative ? -value : value, 0.0};
  }
  double value = 0.0;
  if (fast_real(shape, value)) return {Number::Kind::Real, 0, value};
  // The general case, correctly rounded; beyond the range of doubles it is left to the host.
  const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
  if (result.ec != std::errc() || result.ptr != s.data() + s.size()) return {};
  return {Number::Kind::Real, 0, value};
}

}  // namespace geometry::text
