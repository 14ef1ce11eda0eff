// The ranges of geographic positions in degrees, tested as the host's chained
// comparison -bound <= value <= bound reads it: both bounds included, NaN
// outside. One test for the projections, the zones, the sheets and the
// graticule. No host types.
#pragma once

#include <cstdint>

namespace projection {

constexpr bool within(double value, double bound) { return -bound <= value && value <= bound; }
constexpr bool longitude_in_range(double longitude) { return within(longitude, 180.0); }
constexpr bool latitude_in_range(double latitude) { return within(latitude, 90.0); }

// The range tests of a position, in the order they run: the longitude, -180
// to 180, then the latitude, -90 to 90.
enum class PositionFault : std::uint8_t { None, Longitude, Latitude };
constexpr PositionFault position_fault(double longitude, double latitude) {
  if (!longitude_in_range(longitude)) return PositionFault::Longitude;
  if (!latitude_in_range(latitude)) return PositionFault::Latitude;
  return PositionFault::None;
}

}  // namespace projection
