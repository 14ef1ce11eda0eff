#include "projection/zones.h"

#include <cmath>

namespace projection::zones {

namespace {

// v // width for 0 < v < 400 and a width of 3 or 6: the host takes
// (v - fmod(v, width)) / width, which is exactly the floor of the true
// quotient here (v - fmod(v, width) is a small multiple of the width, so
// exact). floor(v / width) can only be one too high, where the quotient
// rounds up to the next integer; the product test takes it back.
double floor_quotient(double v, double width) {
  double quotient = std::floor(v / width);
  if (quotient * width > v) quotient -= 1.0;
  return quotient;
}

}  // namespace

int zone_number(double longitude, bool three_degree) {
  // (longitude + 360) % 360, the sum rounded first (-1e-20 + 360 is 360.0,
  // whose remainder is 0): the sum lies in [180, 540], where the host's
  // remainder is the sum itself below 360 and the exact difference sum - 360
  // from there (+0.0 at 360).
  const double sum = longitude + 360.0;
  const double circle360 = sum >= 360.0 ? sum - 360.0 : sum;
  if (three_degree) {
    const double zone = floor_quotient(circle360 + 1.5, 3.0);
    return zone < 1.0 ? 1 : static_cast<int>(zone);
  }
  return static_cast<int>(floor_quotient(circle360 + 6.0, 6.0));
}

double six_degree_meridian(long long zone) {
  const double meridian = (static_cast<double>(zone) - 0.5) * 6.0;
  return zone <= 30 ? meridian - 0.0 : meridian - 360.0;
}

long long three_degree_meridian(long long zone) { return zone * 3 - (zone <= 60 ? 0 : 360); }

}  // namespace projection::zones
