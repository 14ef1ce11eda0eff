// A coverage-guided fuzz target for the angle-text scanners: arbitrary bytes
// read as code points (Latin-1 bytes, and the same code points widened to two
// and four bytes, as the host stores a str), in every form; the three widths
// must read alike, and a reading's degrees and text must stay in bounds.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "projection/angle_text.h"

namespace {

using namespace projection::angle_text;

bool same(const Reading& a, const Reading& b) {
  const auto same_double = [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); };
  return a.form == b.form && a.negative == b.negative && same_double(a.number, b.number) &&
         a.degrees == b.degrees && a.minutes == b.minutes && same_double(a.seconds, b.seconds);
}

void check_text(const Reading& reading) {
  if (reading.form == Form::None) return;
  const double degrees = degrees_of(reading);
  if (!(std::fabs(degrees) < 1000.0)) std::abort();
  const double magnitude = std::fabs(degrees);
  if (magnitude > 360.0) return;
  const Sexagesimal parts = split(magnitude);
  char16_t text[kTextSize];
  if (write_text(text, reading.negative, parts.degrees, parts.minutes, parts.seconds) > kTextSize) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Pairs of bytes above 0x7F stand for the marks and the wide digits and
  // spaces that the forms admit, so the fuzzer reaches them without UTF-8.
  static const std::uint32_t kWide[] = {0x00B0, 0x5EA6, 0x2032, 0x5206, 0x2033, 0x79D2, 0x0663, 0xFF10, 0x3000,
                                        0x1D7D8, 0x0085, 0x200B};
  std::vector<std::uint32_t> points;
  for (std::size_t i = 0; i < size; ++i) {
    points.push_back(data[i] >= 0xF0 ? kWide[(data[i] - 0xF0) % (sizeof kWide / sizeof kWide[0])] : data[i]);
  }
  bool narrow = true, two_bytes = true;
  for (std::uint32_t c : points) {
    narrow = narrow && c < 0x100;
    two_bytes = two_bytes && c < 0x10000;
  }
  const std::vector<std::uint16_t> wide(points.begin(), points.end());
  const std::vector<std::uint8_t> bytes(points.begin(), points.end());

  const Reading four = read_any(points.data(), points.size());
  const Reading decimal_four = read_decimal(points.data(), points.size());
  if (two_bytes && (!same(four, read_any(wide.data(), wide.size())) ||
                    !same(decimal_four, read_decimal(wide.data(), wide.size())))) {
    std::abort();
  }
  if (narrow && (!same(four, read_any(bytes.data(), bytes.size())) ||
                 !same(decimal_four, read_decimal(bytes.data(), bytes.size())))) {
    std::abort();
  }
  check_text(four);
  check_text(decimal_four);
  return 0;
}
