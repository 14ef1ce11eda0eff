// Zones of the national Gauss-Krüger system and their central meridians.
//
// 6° zone n covers the east longitudes 6(n - 1)° up to 6n°, counted eastward
// from 0° over the full circle (zones 31 to 60 lie west of 0°); 3° zone n is
// centred on the meridian 3n°. A longitude on a border belongs to the zone
// east of it. No host types.
#pragma once

#include "projection/ranges.h"

namespace projection::zones {

// Whether `longitude` (degrees) lies in the range that zones are numbered for:
// -180 to 180, bounds included; false for NaN.
using projection::longitude_in_range;

// The zone number of a longitude in range: 1 to 60 for 6° zones, 1 to 120 for
// 3° zones (the longitudes below 1.5° count as 3° zone 1). Bit-exact with the
// host's float arithmetic (its % and // of floats).
int zone_number(double longitude, bool three_degree);

// Whether `zone` numbers a zone of its width: 1 to 60, or 1 to 120 for 3° zones.
inline bool zone_in_range(long long zone, bool three_degree) { return zone >= 1 && zone <= (three_degree ? 120 : 60); }

// The central meridian of 6° zone 1 to 60, degrees: 3.0 to 177.0 for zones 1
// to 30, -177.0 to -3.0 for 31 to 60. Bit-exact with the host's arithmetic.
double six_degree_meridian(long long zone);

// The central meridian of 3° zone 1 to 120, whole degrees: 3 to 180 for zones
// 1 to 60, -177 to 0 for 61 to 120.
long long three_degree_meridian(long long zone);

}  // namespace projection::zones
