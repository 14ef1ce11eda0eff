#include "mapgrid/sheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace mapgrid;

TEST(MapGridSheet, HeightsAndWidthsAreTheRoundedQuotients) {
  for (const Scale& scale : kScales) {
    EXPECT_EQ(scale.height, 4.0 / scale.n) << scale.denominator;
    EXPECT_EQ(scale.width, 6.0 / scale.n) << scale.denominator;
    if (scale.parent >= 0) EXPECT_EQ(kScales[scale.parent].n * scale.k, scale.n) << scale.denominator;
    else EXPECT_EQ(scale.k, scale.n) << scale.denominator;
  }
  EXPECT_EQ(scale_index(500), k500);
  EXPECT_EQ(scale_index(3000), -1);
}

TEST(MapGridSheet, FrameAndCorner) {
  EXPECT_EQ(check_position(180.0, 90.0), PositionFault::None);
  EXPECT_EQ(check_position(NAN, NAN), PositionFault::Longitude);
  EXPECT_EQ(check_position(0.0, -90.5), PositionFault::Latitude);
  const Frame frame = frame_of(101.0, -37.0);
  EXPECT_EQ(frame.row_index, 9);
  EXPECT_TRUE(frame.southern);
  EXPECT_EQ(frame.column, 47);
  EXPECT_FALSE(frame_of(-0.0, -0.0).southern);
  EXPECT_EQ(frame_of(-0.0, -0.0).column, 31);
  EXPECT_EQ(frame_of(180.0, 0.0).column, 61);
  EXPECT_EQ(frame_of(0.0, -90.0).row_index, 22);
  const Corner corner = corner_of(47, 9, true);
  EXPECT_EQ(corner.west, 96);
  EXPECT_EQ(corner.south, -40);
}

TEST(MapGridSheet, ChainAndBoundaryOfAWorkedPosition) {
  Chain chain{};
  ASSERT_EQ(chain_of(101.0, 37.0, 96.0, 36.0, k500, chain), pymath::Error::None);
  const long long expected[][3] = {{k100K, 9, 11}, {k10K, 72, 81}, {k5K, 144, 161}, {k2K, 432, 481},
                                   {k1K, 864, 961}, {k500, 1728, 1921}};
  for (const auto& row : expected) {
    EXPECT_EQ(chain.cells[row[0]].row, row[1]);
    EXPECT_EQ(chain.cells[row[0]].col, row[2]);
  }
  const Boundary b = boundary_of(chain.cells[k500], 96.0, 36.0, kScales[k500]);
  EXPECT_EQ(b.north, 37.001736111111114);
  EXPECT_EQ(b.south, 37.0);
  EXPECT_EQ(b.east, 101.00260416666667);
  EXPECT_EQ(local_number(chain.cells[k10K], 8), 57);
}

TEST(MapGridSheet, RowsAndColumnsStayInsideTheirParents) {
  Chain chain{};
  // Just west of a 1:1,000,000 meridian the column rounds to n + 1.
  ASSERT_EQ(chain_of(-1e-17, 37.0, -6.0, 36.0, k500, chain), pymath::Error::None);
  EXPECT_EQ(chain.cells[k500].col, 2304);
  // A southern multiple of 4 lies on the north edge of its band: row 0 unclamped.
  ASSERT_EQ(chain_of(101.0, -4.0, 96.0, -8.0, k250K, chain), pymath::Error::None);
  EXPECT_EQ(chain.cells[k250K].row, 1);
  // The 1:2,000 row rounds into the next 1:5,000 sheet to the south.
  ASSERT_EQ(chain_of(61.864583333333336, 6.708333333333333, 60.0, 4.0, k2K, chain), pymath::Error::None);
  EXPECT_EQ(chain.cells[k5K].row, 62);
  EXPECT_EQ(chain.cells[k2K].row, 186);
}

TEST(MapGridSheet, FloorFailuresOfCornersThatAreNotFinite) {
  Chain chain{};
  EXPECT_EQ(chain_of(101.0, 37.0, 96.0, NAN, k500K, chain), pymath::Error::IntegerFromNaN);
  EXPECT_EQ(chain_of(101.0, 37.0, INFINITY, NAN, k500K, chain), pymath::Error::IntegerFromNaN);
  EXPECT_EQ(chain_of(101.0, 37.0, INFINITY, 36.0, k500, chain), pymath::Error::IntegerFromInfinity);
}

TEST(MapGridSheet, PaddedDigits) {
  std::string text;
  append_padded(text, 7, 3);
  append_padded(text, 1921, 4);
  append_padded(text, 12, 0);
  append_padded(text, -5, 3);
  append_padded(text, -9223372036854775807LL - 1, 2);
  EXPECT_EQ(text, "0071921120-5-9223372036854775808");
  EXPECT_EQ(column_200k(-1e-15), 31);
  EXPECT_EQ(column_200k(101.0), 47);
}
