// Spherical (web) Mercator on a sphere of radius `a` metres: origin at
// longitude 0 on the equator, x eastward, y northward, no false origin, no
// clamping of latitudes and no wrapping of longitudes. No host types.
//
// Bit-exact with the host's arithmetic: each formula is evaluated in the
// grouping below with the host's math functions and their error rules.
#pragma once

#include "projection/transform.h"

namespace projection {

// Forward: (x, y) in metres of a longitude in -180..180 and a latitude in
// -90..90 degrees (Fault::Longitude, then Fault::Latitude, for values outside
// or NaN). x = radians(longitude) * a; y = log(tan(radians(90 + latitude) / 2)) * a.
// Latitude -90 fails with the domain error of the logarithm; latitude 90 gives
// a finite y of about 2.4e8 m.
Transformed web_mercator_forward(double a, double longitude, double latitude);

// Inverse: (longitude, latitude) in degrees of any x, y in metres, unreduced.
// longitude = degrees(x / a); latitude = degrees(2 * atan(exp(y / a)) - pi / 2).
// A y beyond some 4.5e9 m fails with the range error of exp.
Transformed web_mercator_inverse(double a, double x, double y);

}  // namespace projection
