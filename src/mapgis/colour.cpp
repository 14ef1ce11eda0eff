#include "mapgis/colour.h"

#include <algorithm>

#include "pymath/arithmetic.h"

namespace mapgis::colour {

const Layout& head_layout() {
  static const Layout layout(kHeadLayout);
  return layout;
}

const Layout& record_layout() {
  static const Layout layout(kRecordLayout);
  return layout;
}

Shares shares_of(const unsigned char* bytes) {
  const Record record(record_layout(), bytes);
  return {record.byte(0), record.byte(1), record.byte(2), record.byte(3), record.byte(4), record.byte(5)};
}

Cmyk cmyk_of(const Shares& s) {
  const double p = pymath::round_half_even(100.0 * s.m100y100 / 255.0);
  const double q = pymath::round_half_even(100.0 * s.m25y100 / 255.0);
  const double c = pymath::round_half_even(100.0 * s.c / 255.0);
  const double m = std::min(pymath::round_half_even(100.0 * s.m / 255.0 + p + q * 0.25), 100.0);
  const double y = std::min(pymath::round_half_even(100.0 * s.y / 255.0 + p + q), 100.0);
  const double k = pymath::round_half_even(100.0 * s.k / 255.0);
  return {static_cast<std::int64_t>(c), static_cast<std::int64_t>(m), static_cast<std::int64_t>(y),
          static_cast<std::int64_t>(k)};
}

std::int64_t clamp_channel(double rounded) {
  return static_cast<std::int64_t>(std::max(std::min(rounded, 255.0), 0.0));
}

Rgb rgb_of(double c, double m, double y, double k) {
  return {clamp_channel(pymath::round_half_even(channel(c, k))), clamp_channel(pymath::round_half_even(channel(m, k))),
          clamp_channel(pymath::round_half_even(channel(y, k)))};
}

void hex_text(const Rgb& rgb, char out[8]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out[0] = '#';
  const std::int64_t channels[3] = {rgb.r, rgb.g, rgb.b};
  for (int i = 0; i < 3; ++i) {
    out[1 + 2 * i] = kDigits[(channels[i] >> 4) & 0xF];
    out[2 + 2 * i] = kDigits[channels[i] & 0xF];
  }
  out[7] = '\0';
}

}  // namespace mapgis::colour
