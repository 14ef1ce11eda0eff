// The sheet arithmetic of the national topographic map series: which sheet of
// a scale holds a position, its row and column inside its 1:1,000,000 sheet,
// the boundary of a sheet, and the digit fields of sheet codes. No host types.
//
// Every formula is evaluated in the grouping the series is defined by, one
// rounded double operation at a time (the build keeps FMA contraction off):
// sheet lines are compared on their last digits, so a "better" rewrite of any
// of them would change results.
#pragma once

#include <cstddef>
#include <string>

#include "projection/ranges.h"
#include "pymath/arithmetic.h"

namespace mapgrid {

// The twelve scales in the order `map` compares them.
enum ScaleIndex : int { k1M, k500K, k250K, k200K, k100K, k50K, k25K, k10K, k5K, k2K, k1K, k500 };
inline constexpr int kScaleCount = 12;

// What an old code appends to the old code of its parent sheet.
enum class Suffix : unsigned char {
  None,           // 1:1,000,000: the old code is the sheet's own
  Quarter,        // "-" and a letter of the quarter alphabet (A to D)
  Bracketed,      // "-[m]"
  Sheet200K,      // 1:200,000 writes a code of its own
  Number,         // "-m"
  Parenthesized,  // "-(m)"
  QuarterLower,   // "-" and a letter of the lower-case quarter alphabet (a to d)
};

struct Scale {
  long long denominator;
  int n;            // sheet rows, and columns, in one 1:1,000,000 sheet
  int letter;       // index of the scale letter in the scale alphabet, or -1 for none
  int digits;       // width of the row and the column field of the new code
  double height;    // the sheet's extent in degrees: the doubles nearest 4/n
  double width;     //   and 6/n, held as literals
  int parent;       // the scale whose old code this one extends, or -1 for the 1:1,000,000 sheet
  int k;            // sheets of this scale along each side of one parent sheet
  Suffix suffix;
};

inline constexpr Scale kScales[kScaleCount] = {
    {1000000, 1, -1, 2, 4.0, 6.0, -1, 1, Suffix::None},
    {500000, 2, 0, 3, 2.0, 3.0, -1, 2, Suffix::Quarter},
    {250000, 4, 1, 3, 1.0, 1.5, -1, 4, Suffix::Bracketed},
    {200000, 6, -1, 2, 0.6666666666666666, 1.0, -1, 6, Suffix::Sheet200K},
    {100000, 12, 2, 3, 0.3333333333333333, 0.5, -1, 12, Suffix::Number},
    {50000, 24, 3, 3, 0.16666666666666666, 0.25, k100K, 2, Suffix::Quarter},
    {25000, 48, 4, 3, 0.08333333333333333, 0.125, k50K, 2, Suffix::Number},
    {10000, 96, 5, 3, 0.041666666666666664, 0.0625, k100K, 8, Suffix::Parenthesized},
    {5000, 192, 6, 3, 0.020833333333333332, 0.03125, k10K, 2, Suffix::QuarterLower},
    {2000, 576, 7, 3, 0.006944444444444444, 0.010416666666666666, k5K, 3, Suffix::Number},
    {1000, 1152, 8, 4, 0.003472222222222222, 0.005208333333333333, k2K, 2, Suffix::Number},
    {500, 2304, 9, 4, 0.001736111111111111, 0.0026041666666666665, k1K, 2, Suffix::Number},
};

// The scale of `denominator`, or -1 when it is none of the twelve.
int scale_index(long long denominator);

// Python's `a % b` for integers: the remainder takes the sign of b (b > 0).
constexpr long long floor_mod(long long a, long long b) {
  const long long r = a % b;
  return r < 0 ? r + b : r;
}

// ---- the 1:1,000,000 sheet of a position ----

// Longitude first; each must lie in its closed range, and NaN never does.
using projection::PositionFault;
constexpr PositionFault check_position(double longitude, double latitude) {
  return projection::position_fault(longitude, latitude);
}

struct Frame {
  int row_index;  // the 4° band counted from the equator, 0 to 22 (W holds 88° to 90°)
  bool southern;  // latitude below 0 (negative zero is northern)
  int column;     // 1 to 60, and 61 for longitude 180, which names no sheet
};

// The band and column of a checked position: floor(|latitude| / 4) and
// floor(longitude / 6) + 31, bit-exact with the host's arithmetic.
Frame frame_of(double longitude, double latitude);

// The south-west corner of a 1:1,000,000 sheet in whole degrees: west from the
// column 1 to 60, south from the band index, negated for a southern sheet.
struct Corner {
  long long west, south;
};
Corner corner_of(long long column, long long row_index, bool southern);

// ---- rows, columns and boundaries at the finer scales ----

struct Cell {
  long long row;  // from 1 at the north edge of the 1:1,000,000 sheet
  long long col;  // from 1 at its west edge
};

// The rows and columns of a position at one scale and at every coarser scale
// its old code is nested in (only those entries are set).
struct Chain {
  Cell cells[kScaleCount];
};

// The sheet of `scale` (not 1:1,000,000) holding (longitude, latitude) inside
// the 1:1,000,000 sheet whose corner is (west, south) in degrees, and of each
// scale its old code is nested in. Row and column are
//   n - floor(((latitude - south) * n) / 4.0) and floor(((longitude - west) * n) / 6.0) + 1,
// bit-exact with the host's arithmetic, then clamped into 1..n and into the
// sheet that the parent scale picks for the same position: rounding at a sheet
// edge may otherwise step outside the sheet that the coarser step chose.
// Returns the host's failure of math.floor (a NaN or infinite quotient, only
// possible for a corner that is not finite), rows before columns.
pymath::Error chain_of(double longitude, double latitude, double west, double south, int scale, Chain& out);

struct Boundary {
  double north, south, west, east;
};

// The boundary of sheet `cell` of `scale`, bit-exact with the host's arithmetic:
//   south = south1M + ((n - row) * 4.0) / n,  north = south + height,
//   west = west1M + ((col - 1) * 6.0) / n,    east = west + width.
Boundary boundary_of(const Cell& cell, double west, double south, const Scale& scale);

// The number 1 to k*k of sheet `cell` inside its parent, which is divided
// k x k and numbered row by row from the north-west corner.
long long local_number(const Cell& cell, int k);

// The 1:1,000,000 column that the 1:200,000 code writes: floor((180 + longitude) / 6) + 1,
// the sum rounded first (1 to 61).
long long column_200k(double longitude);

// ---- digit fields ----

// Appends "{:0>{width}d}".format(value): the decimal text, sign included,
// padded on the left with zeros to `width` characters.
void append_padded(std::string& out, long long value, int width);

}  // namespace mapgrid
