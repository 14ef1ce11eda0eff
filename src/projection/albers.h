// Albers equal-area conic with two standard parallels on a sphere of radius
// `a` metres (the flattening plays no part): the origin (central meridian,
// origin latitude) maps to (0, 0), x eastward, y northward, no false origin.
// No host types.
//
// Bit-exact with the host's arithmetic: the cone constants and the transforms
// are evaluated in the grouping below with the host's math functions, powers
// with math.pow and `**` (the C library's pow), and their error rules.
#pragma once

#include "projection/transform.h"

namespace projection {

// The constants of one cone; immutable once made. `ro0` is the radius of the
// origin's parallel on the unit sphere and carries the sign of `n`.
struct AlbersCone {
  double a = 0.0;                 // sphere radius, metres
  double central_meridian = 0.0;  // degrees
  double n = 0.0;                 // cone constant 0.5 * (sin phi1 + sin phi2)
  double c = 0.0;                 // cos(phi1) ** 2 + 2n sin(phi1)
  double ro0 = 0.0;               // sqrt(c - 2n sin(origin latitude)) / n
};

struct AlbersSetup {
  AlbersCone cone;
  Fault fault = Fault::None;  // a parameter out of range, or Arithmetic
  pymath::Error math = pymath::Error::None;
};

// Tests the parameters' ranges, then makes the cone. Parallels whose sines
// cancel (n = 0) fail with the host's division by zero; the parallels may be
// equal (a tangent cone) and in either order.
AlbersSetup albers_cone(double a, const ConeParameters& parameters);

// Forward: (x, y) in metres of a longitude in -180..180 and a latitude in
// -90..90 degrees; the longitude difference is not reduced.
Transformed albers_forward(const AlbersCone& cone, double longitude, double latitude);

// Inverse: (longitude, latitude) in degrees of any x, y in metres. South of
// the equator (n < 0) the signs of x', y' and ro0 are reversed in the angle, so
// the inverse undoes the forward there too, and the apex gives the central
// meridian as for n > 0; for n > 0 nothing changes. Points far outside the
// projected area fail with the domain error of asin.
Transformed albers_inverse(const AlbersCone& cone, double x, double y);

}  // namespace projection
