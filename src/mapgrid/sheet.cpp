#include "mapgrid/sheet.h"

#include <cmath>

namespace mapgrid {

int scale_index(long long denominator) {
  for (int i = 0; i < kScaleCount; ++i) {
    if (kScales[i].denominator == denominator) return i;
  }
  return -1;
}

Frame frame_of(double longitude, double latitude) {
  // Both quotients are finite for a checked position; floor of -0.0 is the integer 0.
  const int band = static_cast<int>(std::floor(std::fabs(latitude) / 4.0));
  const int column = static_cast<int>(std::floor(longitude / 6.0)) + 31;
  return {band, latitude < 0.0, column};
}

Corner corner_of(long long column, long long row_index, bool southern) {
  const long long west = (column - 1) * 6 - 180;
  long long south = row_index * 4;
  if (southern) south = -1 * (4 + south);
  return {west, south};
}

namespace {

// n - floor(((latitude - south) * n) / 4.0) and floor(((longitude - west) * n) / 6.0) + 1,
// as integral doubles (not yet clamped, so any size).
struct RawCell {
  double row, col;
};

RawCell raw_cell(double longitude, double latitude, double west, double south, int n, pymath::Error& error) {
  const double rows = static_cast<double>(n);
  const double d = latitude - south;
  const double t = d * rows;
  const double u = t / 4.0;
  const double row = rows - pymath::floor(u, error);
  const double e = longitude - west;
  const double s = e * rows;
  const double v = s / 6.0;
  const double col = pymath::floor(v, error) + 1.0;
  return {row, col};
}

long long clamp(double value, long long low, long long high) {
  if (value < static_cast<double>(low)) return low;
  if (value > static_cast<double>(high)) return high;
  return static_cast<long long>(value);
}

}  // namespace

pymath::Error chain_of(double longitude, double latitude, double west, double south, int scale, Chain& out) {
  // The scales from `scale` up to the child of the 1:1,000,000 sheet.
  int levels[kScaleCount];
  int count = 0;
  for (int s = scale; s >= 0; s = kScales[s].parent) levels[count++] = s;

  pymath::Error error = pymath::Error::None;
  RawCell raw[kScaleCount];
  for (int i = 0; i < count; ++i) {
    raw[i] = raw_cell(longitude, latitude, west, south, kScales[levels[i]].n, error);
  }
  if (error != pymath::Error::None) return error;

  Cell parent{1, 1};
  for (int i = count - 1; i >= 0; --i) {
    const Scale& level = kScales[levels[i]];
    const long long k = level.k;
    const Cell cell{clamp(raw[i].row, (parent.row - 1) * k + 1, parent.row * k),
                    clamp(raw[i].col, (parent.col - 1) * k + 1, parent.col * k)};
    out.cells[levels[i]] = cell;
    parent = cell;
  }
  return error;
}

Boundary boundary_of(const Cell& cell, double west, double south, const Scale& scale) {
  const double n = static_cast<double>(scale.n);
  const double bottom = south + (static_cast<double>(scale.n - cell.row) * 4.0) / n;
  const double left = west + (static_cast<double>(cell.col - 1) * 6.0) / n;
  return {bottom + scale.height, bottom, left, left + scale.width};
}

long long local_number(const Cell& cell, int k) {
  return floor_mod(cell.row - 1, k) * k + floor_mod(cell.col - 1, k) + 1;
}

long long column_200k(double longitude) {
  const double sum = 180.0 + longitude;
  return static_cast<long long>(std::floor(sum / 6.0)) + 1;
}

void append_padded(std::string& out, long long value, int width) {
  char text[24];
  char* end = text + sizeof text;
  char* start = end;
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  do {
    *--start = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--start = '-';
  for (long long i = end - start; i < width; ++i) out.push_back('0');
  out.append(start, end);
}

}  // namespace mapgrid
