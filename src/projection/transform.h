// What the point projections (web Mercator, Albers, Lambert) share: the result
// of one forward or inverse, the failures the binding turns into the host's
// exceptions, and the parameters of a cone with their range tests. No host types.
#pragma once

#include <cstdint>

#include "projection/ranges.h"
#include "pymath/arithmetic.h"

namespace projection {

// Why a projection gave no result, in the order the checks run.
enum class Fault : std::uint8_t {
  None,
  CentralMeridian,  // a cone parameter outside its range (or NaN)
  OriginLatitude,
  Parallel1,
  Parallel2,
  Longitude,   // a forward coordinate outside its range (or NaN)
  Latitude,
  Arithmetic,  // the host's arithmetic failed: `math` says how
};

// One projected pair, (x, y) forward or (longitude, latitude) inverse, or the
// first failure; the doubles are meaningless after a failure.
struct Transformed {
  double first = 0.0;
  double second = 0.0;
  Fault fault = Fault::None;
  pymath::Error math = pymath::Error::None;

  bool ok() const { return fault == Fault::None; }
};

// The result of a computation that recorded `math`: arithmetic failure or pair.
inline Transformed settle(double first, double second, pymath::Error math) {
  if (math != pymath::Error::None) return {0.0, 0.0, Fault::Arithmetic, math};
  return {first, second};
}

// The forward range tests of every projection: longitude, then latitude.
inline Fault check_position(double longitude, double latitude) {
  switch (position_fault(longitude, latitude)) {
    case PositionFault::Longitude: return Fault::Longitude;
    case PositionFault::Latitude: return Fault::Latitude;
    case PositionFault::None: break;
  }
  return Fault::None;
}

// The parameters of a conic projection with two standard parallels, degrees.
struct ConeParameters {
  double central_meridian = 0.0;
  double origin_latitude = 0.0;
  double parallel1 = 20.0;
  double parallel2 = 50.0;
};

// The range tests of the cone parameters, in the order they run.
inline Fault check_cone_parameters(const ConeParameters& p) {
  if (!longitude_in_range(p.central_meridian)) return Fault::CentralMeridian;
  if (!latitude_in_range(p.origin_latitude)) return Fault::OriginLatitude;
  if (!latitude_in_range(p.parallel1)) return Fault::Parallel1;
  if (!latitude_in_range(p.parallel2)) return Fault::Parallel2;
  return Fault::None;
}

// math.pi / 180: the degrees-to-radians factor the cones multiply by.
inline constexpr double kDegree = pymath::kPi / 180.0;

}  // namespace projection
