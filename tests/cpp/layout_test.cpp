#include "mapgis/layout.h"

#include <gtest/gtest.h>

#include "mapgis/colour.h"
#include "mapgis/project_file.h"

using mapgis::Layout;

TEST(Layout, SizesMatchTheHostStructModule) {
  EXPECT_EQ(Layout(mapgis::project::kHeadLayout).size(), 1113u);
  EXPECT_EQ(Layout(mapgis::project::kHeadLayout).field_count(), 22u);
  EXPECT_EQ(Layout(mapgis::project::kBodyLayout).size(), 400u);
  EXPECT_EQ(Layout(mapgis::project::kBodyLayout).field_count(), 20u);
  EXPECT_EQ(Layout(mapgis::colour::kHeadLayout).size(), 156u);
  EXPECT_EQ(Layout(mapgis::colour::kRecordLayout).size(), 32u);
  EXPECT_EQ(Layout("<8s3i71s2c16s2c13d1c2d28s6i20s4d").size(), 336u);
}

TEST(Layout, FieldsHaveOffsetsInOrder) {
  const Layout layout("<2c128s1f1h");
  ASSERT_EQ(layout.field_count(), 5u);
  EXPECT_EQ(layout[1].offset, 1u);
  EXPECT_EQ(layout[2].offset, 2u);
  EXPECT_EQ(layout[2].size, 128u);
  EXPECT_EQ(layout[3].offset, 130u);
  EXPECT_EQ(layout[4].offset, 134u);
}

TEST(Layout, RejectsMalformedFormats) {
  EXPECT_THROW(Layout("8s"), std::invalid_argument);
  EXPECT_THROW(Layout("<8"), std::invalid_argument);
  EXPECT_THROW(Layout("<8z"), std::invalid_argument);
}

TEST(Record, ReadsUnalignedLittleEndianFields) {
  const Layout layout("<1c1d1h");
  unsigned char bytes[11] = {0x7F};
  const double value = 1.5;
  std::memcpy(bytes + 1, &value, 8);
  bytes[9] = 0xFF;
  bytes[10] = 0xFF;
  const mapgis::Record record(layout, bytes);
  EXPECT_EQ(record.byte(0), 0x7F);
  EXPECT_EQ(record.float64(1), 1.5);
  EXPECT_EQ(record.int16(2), -1);
  EXPECT_THROW(record.int32(2), std::logic_error);
}
