#include "projection/zones.h"

#include "pymath/arithmetic.h"

namespace projection::zones {

int zone_number(double longitude, bool three_degree) {
  pymath::Error unused{};  // the divisors are never zero
  // The sum is rounded first: -1e-20 + 360 is 360.0, whose remainder is 0.
  const double circle360 = pymath::remainder(longitude + 360.0, 360.0, unused);
  if (three_degree) {
    const double zone = pymath::floor_divide(circle360 + 1.5, 3.0, unused);
    return zone < 1.0 ? 1 : static_cast<int>(zone);
  }
  return static_cast<int>(pymath::floor_divide(circle360 + 6.0, 6.0, unused));
}

double six_degree_meridian(long long zone) {
  const double meridian = (static_cast<double>(zone) - 0.5) * 6.0;
  return zone <= 30 ? meridian - 0.0 : meridian - 360.0;
}

long long three_degree_meridian(long long zone) { return zone * 3 - (zone <= 60 ? 0 : 360); }

}  // namespace projection::zones
