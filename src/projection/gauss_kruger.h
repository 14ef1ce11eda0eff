// Gauss-Krüger (gk) projection, forward and inverse, on the four national and
// international reference systems. No host types.
//
// Plane coordinates: the northing x, metres from the equator along the central
// meridian, and the easting y, metres. The forward answers the universal
// easting: the zone prefix times 1,000,000 m, plus the false easting of
// 500,000 m, plus the natural easting. Each formula is evaluated in the
// grouping written, so the results are bit-exact with the host's float
// arithmetic and math functions. Within 3° of the central meridian the series
// agree with the exact transverse Mercator to about 0.1 mm forward and
// 0.35 mm inverse.
#pragma once

#include <cstdint>
#include <optional>

#include "pymath/arithmetic.h"

namespace projection::gk {

// The fixed series constants of one reference system: the first and second
// eccentricities squared and the coefficients of the meridian arc, a1 for the
// latitude in radians and b1 to g1 for the sines of 2 to 12 times it.
struct Series {
  double e12, e22, a1, b1, c1, d1, e1, f1, g1;
};

// The series of 1954, 1980, 1984 or 2000; null for any other year.
const Series* series_of(long long year);

enum class Failure : std::uint8_t {
  None,
  Math,                  // the host's arithmetic failed (`math` says how)
  CentralMeridianRange,  // the central meridian (`meridian`) is outside -180 to 180, or NaN
  LongitudeRange,        // outside -180 to 180, or NaN
  LatitudeRange,         // outside -90 to 90, or NaN
  NoZone,                // no central meridian and no zone number in the easting
  NoFootpoint,           // the footpoint latitude does not settle
};

struct Outcome {
  double first = 0.0;   // the easting, or the longitude in degrees
  double second = 0.0;  // the northing, or the latitude in degrees
  Failure failure = Failure::None;
  pymath::Error math = pymath::Error::None;
  double meridian = 0.0;  // the central meridian that was tested
};

// The zone prefix of the forward, from the longitude alone (degrees):
// floor(lon / 6) + 1 east of 0°, floor((lon + 180) / 6) + 1 west of it (zones
// counted from 180° W), 0 for 0, -0.0 and NaN. An integral double, which may
// exceed every integer type; `error` gets math.floor's failure for an infinity.
double zone_prefix(double longitude, pymath::Error& error);

// The forward on the ellipsoid of semi-major axis `a` (metres): checks the
// central meridian, the longitude and the latitude in that order (bounds
// included), then answers (universal easting, northing) in metres.
Outcome forward(double a, const Series& series, double central_meridian, double longitude, double latitude);

// The footpoint passes allowed: real northings settle in at most 5, and every
// northing below 10^14 m in magnitude that settles at all does so within 10;
// beyond that the iterates may alternate between two values for ever.
inline constexpr int kMaxFootpointPasses = 30;

// The inverse: the zone number is read from an easting of 1,000,000 m or more
// (a central meridian not given is derived from it: 1 to 30 as 6° zones, above
// as 3° zones), the false easting taken off a positive easting, the footpoint
// latitude found by Newton's method on the meridian arc; answers (longitude,
// latitude) in degrees. A NaN northing answers (NaN, NaN).
Outcome inverse(double a, const Series& series, std::optional<double> central_meridian, double x, double y);

}  // namespace projection::gk
