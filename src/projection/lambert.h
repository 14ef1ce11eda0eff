// Lambert conformal conic with two standard parallels on an ellipsoid of
// semi-major axis `a` metres and flattening `f` (EPSG method 9802), false
// easting and northing 0. No host types.
//
// Bit-exact with the host's arithmetic: the cone constants and the transforms
// are evaluated in the grouping below with the host's math functions, powers
// with math.pow (the square in m with `**`) and their error rules. The inverse
// latitude is iterated to a change of 1e-9 rad (at most 11 steps), which leaves
// it within about 1e-11 rad of the exact inverse.
#pragma once

#include "projection/transform.h"

namespace projection {

// The constants of one cone; immutable once made.
struct LambertCone {
  double a = 0.0;                 // semi-major axis, metres
  double central_meridian = 0.0;  // degrees
  double e = 0.0;                 // eccentricity, sqrt(2f - f*f)
  double n = 0.0;                 // ln(m1/m2) / ln(t1/t2)
  double F = 0.0;                 // m1 / (n * t1 ** n)
  double rF = 0.0;                // radius of the origin's parallel, metres
};

struct LambertSetup {
  LambertCone cone;
  Fault fault = Fault::None;  // a parameter out of range, or Arithmetic
  pymath::Error math = pymath::Error::None;
};

// Tests the parameters' ranges, then makes the cone. Degenerate cones fail as
// the host's arithmetic does: a parallel of 90 (t = 0), equal parallels (n
// undefined) and opposite ones (n = 0) with a division by zero or a domain
// error; an origin latitude of 90 on a southern cone (n < 0) with the domain
// error of 0 ** n.
LambertSetup lambert_cone(double a, double f, const ConeParameters& parameters);

// Forward: (easting, northing) in metres of a longitude in -180..180 and a
// latitude in -90..90 degrees; the longitude difference is not reduced.
Transformed lambert_forward(const LambertCone& cone, double longitude, double latitude);

// Inverse: (longitude, latitude) in degrees of any x, y in metres, unreduced.
// The angle about the apex is the arctangent of x / (rF - y), turned by half a
// turn for points beyond a quarter turn, so longitudes come back up to 180°/|n|
// from the central meridian. y equal to rF fails with a division by zero.
Transformed lambert_inverse(const LambertCone& cone, double x, double y);

}  // namespace projection
