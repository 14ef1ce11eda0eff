// The MapGIS colour library Pcolor.lib: a 156-byte header, then 32-byte colour
// records. Colour number n (from 1) is record n - 1. No host types here.
//
// Results are bit-exact with the host: every expression is evaluated in doubles
// in the order written, and rounding goes half to even on the exact double.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "mapgis/layout.h"

namespace mapgis::colour {

inline constexpr const char* kHeadLayout = "<8s1h146s";
inline constexpr const char* kRecordLayout = "<4B2B26s";
inline constexpr std::size_t kRecordSize = layout_size(kRecordLayout);

const Layout& head_layout();
const Layout& record_layout();

// The first six bytes of a record, in file order; 255 is a full share.
struct Shares {
  std::uint8_t k, c, m, y, m100y100, m25y100;
};

Shares shares_of(const unsigned char* record);

// Percentages 0 to 100, in result order.
struct Cmyk {
  std::int64_t c, m, y, k;
};

// 0 to 255 each.
struct Rgb {
  std::int64_t r, g, b;
};

Cmyk cmyk_of(const Shares& shares);

// The RGB of CMYK percentages (c, m, y, k each already divided by 100).
// Each channel is (255 * (1 - share)) * (1 - k), rounded half to even and
// clamped to 0..255; the channel values must be finite.
Rgb rgb_of(double c, double m, double y, double k);

// The RGB of one 32-byte colour record, by way of its CMYK percentages, as
// the library's own RGB computes it.
inline Rgb rgb_of_record(const unsigned char* record) {
  const Cmyk v = cmyk_of(shares_of(record));
  return rgb_of(v.c / 100.0, v.m / 100.0, v.y / 100.0, v.k / 100.0);
}

// One channel of rgb_of before rounding, for callers that check it first.
inline double channel(double share, double k) { return (255.0 * (1.0 - share)) * (1.0 - k); }
std::int64_t clamp_channel(double rounded);

// "#RRGGBB" with upper-case digits, into `out` (8 bytes with the terminator).
void hex_text(const Rgb& rgb, char out[8]);

}  // namespace mapgis::colour
