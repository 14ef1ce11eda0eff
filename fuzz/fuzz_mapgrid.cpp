// A coverage-guided fuzz target for the sheet-code scanner and the sheet
// arithmetic: arbitrary bytes read as code points (Latin-1 bytes, and the same
// code points widened to two and four bytes, as the host stores a str) through
// the prefix matchers and the sub-code reader, with the class's own quarter
// alphabets and with replaced ones that answer odd indexes; the three widths
// must read alike, every span must lie inside the text, every sheet that a
// code or a position names must lie inside its 1:1,000,000 sheet, and every
// graticule line inside its window.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "mapgrid/code_scanner.h"
#include "mapgrid/graticule.h"
#include "mapgrid/sheet.h"

namespace {

using namespace mapgrid;
using namespace mapgrid::scan;

void require(bool condition) {
  if (!condition) std::abort();
}

// Quarter alphabets replaced by a subclass: any index, -1 included.
class OddAlphabets final : public QuarterAlphabets {
 public:
  explicit OddAlphabets(long long seed) : seed_(seed) {}
  long long quarter(char upper) override { return pick(upper); }
  long long quarter_lower(char lower) override { return pick(lower); }

 private:
  long long pick(char letter) {
    static const long long kIndexes[] = {-1, 0, 3, 4, 7, 1000, 2147483647, -2147483647};
    return kIndexes[static_cast<unsigned long long>(seed_ + letter) % (sizeof kIndexes / sizeof kIndexes[0])];
  }
  long long seed_;
};

struct Scan {
  std::optional<Prefix> prefix, corner;
  Reading own, odd;
};

bool same_span(const Span& a, const Span& b) { return a.begin == b.begin && a.end == b.end; }

bool same_prefix(const std::optional<Prefix>& a, const std::optional<Prefix>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (same_span(a->hemisphere, b->hemisphere) && same_span(a->row, b->row) &&
                same_span(a->column, b->column) && same_span(a->rest, b->rest));
}

bool same_reading(const Reading& a, const Reading& b) {
  return a.kind == b.kind && a.scale == b.scale && a.row == b.row && a.col == b.col &&
         a.failure.kind == b.failure.kind && same_span(a.failure.text, b.failure.text) &&
         same_span(a.failure.second, b.failure.second) && a.failure.limit == b.failure.limit &&
         a.failure.letter == b.failure.letter;
}

void check_prefix(const std::optional<Prefix>& prefix, const std::vector<std::uint32_t>& text) {
  if (!prefix) return;
  const Span spans[] = {prefix->hemisphere, prefix->row, prefix->column, prefix->rest};
  for (const Span& span : spans) require(span.begin <= span.end && span.end <= text.size());
  require(prefix->hemisphere.size() <= 1 && prefix->row.size() >= 1 && prefix->row.size() <= 2);
  require(prefix->column.size() == 2);
  const long long column = (text[prefix->column.begin] - '0') * 10 + (text[prefix->column.begin + 1] - '0');
  require(column >= 1 && column <= 60);
}

void check_reading(const Reading& reading, std::size_t size, bool own) {
  const Span spans[] = {reading.failure.text, reading.failure.second};
  for (const Span& span : spans) require(span.begin <= span.end && span.end <= size);
  if (reading.kind == Reading::Kind::Failed || !own) return;
  const long long n = kScales[reading.scale].n;
  require(reading.row >= 1 && reading.row <= n && reading.col >= 1 && reading.col <= n);
}

template <typename Unit>
Scan scan_text(const std::vector<Unit>& text, long long seed) {
  Scan result;
  result.prefix = find_code_prefix(text.data(), text.size());
  result.corner = search_prefix(text.data(), text.size(), PrefixForm::Corner);
  if (result.prefix) {
    const Span rest = strip(text.data(), result.prefix->rest);
    if (!rest.empty()) {
      OwnQuarterAlphabets own;
      OddAlphabets odd(seed);
      result.own = read_subcode(text.data(), rest, own);
      result.odd = read_subcode(text.data(), rest, odd);
    }
  }
  return result;
}

bool same_scan(const Scan& a, const Scan& b) {
  return same_prefix(a.prefix, b.prefix) && same_prefix(a.corner, b.corner) && same_reading(a.own, b.own) &&
         same_reading(a.odd, b.odd);
}

// Two doubles from the input as a position: its sheet at every scale stays inside its 1:1,000,000 sheet.
void check_position_sheets(const std::uint8_t* data, std::size_t size) {
  if (size < 16) return;
  double longitude, latitude;
  std::memcpy(&longitude, data, 8);
  std::memcpy(&latitude, data + 8, 8);
  if (check_position(longitude, latitude) != PositionFault::None) return;
  const Frame frame = frame_of(longitude, latitude);
  require(frame.row_index >= 0 && frame.row_index <= 22 && frame.column >= 1 && frame.column <= 61);
  if (frame.column > 60) return;
  const Corner corner = corner_of(frame.column, frame.row_index, frame.southern);
  for (int scale = k500K; scale < kScaleCount; ++scale) {
    Chain chain{};
    require(chain_of(longitude, latitude, static_cast<double>(corner.west), static_cast<double>(corner.south), scale,
                     chain) == pymath::Error::None);
    const Cell cell = chain.cells[scale];
    require(cell.row >= 1 && cell.row <= kScales[scale].n && cell.col >= 1 && cell.col <= kScales[scale].n);
    const Boundary b = boundary_of(cell, static_cast<double>(corner.west), static_cast<double>(corner.south),
                                   kScales[scale]);
    require(b.south >= corner.south - 1e-9 && b.north <= corner.south + 4 + 1e-9);
    require(b.west >= corner.west - 1e-9 && b.east <= corner.west + 6 + 1e-9);
  }
  require(column_200k(longitude) >= 1 && column_200k(longitude) <= 61);
}

// Four doubles and a zoom level from the input as a window: its first lines lie inside it.
// (Not for subnormal edges: there the snapped edge edge / step * step can underflow
// to 0.0 on the inner side of the edge, and a clipped parallel then ends at 0.0.)
void check_window_lines(const std::uint8_t* data, std::size_t size) {
  if (size < 33) return;
  double edges[4];
  std::memcpy(edges, data, sizeof edges);
  for (double edge : edges) {
    if (std::fpclassify(edge) == FP_SUBNORMAL) return;
  }
  const long long zoom = static_cast<std::int8_t>(data[32]);
  Graticule machine(edges[0], edges[1], edges[2], edges[3], zoom, size % 2 == 0);
  for (int i = 0; i < 1000; ++i) {
    const Graticule::Item item = machine.next();
    if (item.kind == Graticule::Item::Kind::End || item.kind == Graticule::Item::Kind::Failed) return;
    if (item.kind == Graticule::Item::Kind::Summary) {
      require(item.count[0] >= 1 && item.count[1] >= 1);
      continue;
    }
    for (const double* vertex : {item.from, item.to}) {
      require(vertex[0] >= edges[2] && vertex[0] <= edges[3] && vertex[1] >= edges[1] && vertex[1] <= edges[0]);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Bytes 0xF0 and above stand for the letters that fold onto ASCII letters,
  // wide digits and spaces, so the fuzzer reaches them without UTF-8.
  static const std::uint32_t kWide[] = {0x212A, 0x0130, 0x0131, 0x017F, 0xFF10, 0xFF15, 0x0663,
                                        0x1D7CE, 0x3000, 0x0085, 0x2028, 0x200B, 0x1F600, 0xD800};
  std::vector<std::uint32_t> points;
  for (std::size_t i = 0; i < size; ++i) {
    points.push_back(data[i] >= 0xF0 ? kWide[(data[i] - 0xF0) % (sizeof kWide / sizeof kWide[0])] : data[i]);
  }
  bool narrow = true, two_bytes = true;
  for (std::uint32_t c : points) {
    narrow = narrow && c < 0x100;
    two_bytes = two_bytes && c < 0x10000;
  }
  const long long seed = size > 0 ? data[0] : 0;
  const Scan four = scan_text(points, seed);
  check_prefix(four.prefix, points);
  check_prefix(four.corner, points);
  check_reading(four.own, points.size(), true);
  check_reading(four.odd, points.size(), false);
  if (two_bytes) require(same_scan(four, scan_text(std::vector<std::uint16_t>(points.begin(), points.end()), seed)));
  if (narrow) require(same_scan(four, scan_text(std::vector<std::uint8_t>(points.begin(), points.end()), seed)));
  check_position_sheets(data, size);
  check_window_lines(data, size);
  return 0;
}
