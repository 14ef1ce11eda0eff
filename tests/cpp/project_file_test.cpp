#include "mapgis/project_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace mapgis::project;

TEST(ProjectFile, HeaderFieldsAtTheirOffsets) {
  std::vector<unsigned char> bytes(head_layout().size(), 0);
  std::memcpy(bytes.data(), "WMAP`D2:", 8);
  const std::int32_t type = 9;
  std::memcpy(bytes.data() + 8, &type, 4);
  const std::int16_t files = -3;
  std::memcpy(bytes.data() + 12, &files, 2);
  const double x_min = 12.25, height = 297.0;
  std::memcpy(bytes.data() + 14, &x_min, 8);
  std::memcpy(bytes.data() + 802, &height, 8);
  std::memcpy(bytes.data() + 686, "Title", 5);

  const Header header = parse_header(bytes.data());
  EXPECT_EQ(header.identification, kIdentification);
  EXPECT_EQ(header.type_code, 9);
  EXPECT_EQ(header.files, -3);
  EXPECT_EQ(header.x_min, 12.25);
  EXPECT_EQ(header.layout_height, 297.0);
  EXPECT_EQ(header.title.size(), 60u);
  EXPECT_EQ(header.title.substr(0, 5), "Title");
  EXPECT_EQ(header.environment.size(), 640u);
}

TEST(ProjectFile, EntryFieldsAtTheirOffsets) {
  std::vector<unsigned char> bytes(body_layout().size(), 0);
  bytes[0] = 2;
  bytes[369] = 7;
  const float height = 0.1f;
  std::memcpy(bytes.data() + 362, &height, 4);
  bytes[366] = 0xFF;
  bytes[367] = 0xFF;
  const double scale_max = 5e5;
  std::memcpy(bytes.data() + 332, &scale_max, 8);

  const Entry entry = parse_entry(bytes.data());
  EXPECT_EQ(entry.type, std::string_view("\x02", 1));
  EXPECT_EQ(entry.legend_type, std::string_view("\x07", 1));
  EXPECT_EQ(entry.label_height, 0.1f);
  EXPECT_EQ(entry.label_color, -1);
  EXPECT_EQ(entry.scale_max, 5e5);
  EXPECT_EQ(entry.file.size(), 128u);
  EXPECT_EQ(entry.label_fields.size(), 21u);
}

TEST(ProjectFile, TypeNames) {
  EXPECT_EQ(type_name(0), "LineString");
  EXPECT_EQ(type_name(1), "Point");
  EXPECT_EQ(type_name(2), "Polygon");
  EXPECT_EQ(type_name(3), "Unknown");
  EXPECT_EQ(type_name(255), "Unknown");
}
