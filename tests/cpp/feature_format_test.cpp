#include "mapgis/feature_format.h"
#include "mapgis/feature_walk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace mapgis::feature;

namespace {

template <typename T>
void put(std::vector<unsigned char>& bytes, std::size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

}  // namespace

TEST(FeatureFormat, LayoutSizesAndFieldCounts) {
  const std::size_t sizes[] = {336, 10, 348, 39, 33, 54, 54, 54, 54, 20, 54, 57, 40, 24, 51};
  const std::size_t fields[] = {38, 3, 18, 12, 8, 12, 8, 8, 8, 3, 15, 19, 12, 5, 5};
  for (std::size_t i = 0; i < kLayouts.size(); ++i) {
    EXPECT_EQ(layout(static_cast<LayoutId>(i)).size(), sizes[i]) << kLayouts[i].name;
    EXPECT_EQ(layout(static_cast<LayoutId>(i)).field_count(), fields[i]) << kLayouts[i].name;
  }
}

TEST(FeatureFormat, HeaderFieldsAtOddOffsets) {
  std::vector<unsigned char> bytes(336, 0);
  std::memcpy(bytes.data(), "WMAP`D23", 8);
  put<std::int32_t>(bytes, 8, 2);
  put<std::int32_t>(bytes, 12, -7);
  bytes[91] = 3;
  bytes[109] = 5;
  put(bytes, 151, 117.0);
  put(bytes, 207, 1e7);
  put(bytes, 224, -2.5);
  put<std::int32_t>(bytes, 264, 11);
  put<std::int32_t>(bytes, 280, 4);
  put(bytes, 328, 99.5);
  const FileHead head = parse_file_head(bytes.data());
  EXPECT_EQ(head.identification, "WMAP`D23");
  EXPECT_EQ(head.file_type_code, 2);
  EXPECT_EQ(head.start, -7);
  EXPECT_EQ(head.crs, std::string_view("\x03", 1));
  EXPECT_EQ(head.projection_type, std::string_view("\x05", 1));
  EXPECT_EQ(head.central_meridian, 117.0);
  EXPECT_EQ(head.false_northing, 1e7);
  EXPECT_EQ(head.projection_elevation, -2.5);
  EXPECT_EQ(head.total, 11);
  EXPECT_EQ(head.total_polygons, 4);
  EXPECT_EQ(head.y_max, 99.5);
}

TEST(FeatureFormat, RecordsKeepSignedAndUnsignedCodes) {
  std::vector<unsigned char> point(33, 0);
  point[0] = 0xFF;
  put<std::int16_t>(point, 1, -2);
  put<std::int32_t>(point, 3, 123456);
  put(point, 7, 1.25);
  point[31] = 0xFF;
  const PointHead head = parse_point_head(point.data());
  EXPECT_EQ(head.flag, 255);
  EXPECT_EQ(head.string_count, -2);
  EXPECT_EQ(head.string_offset, 123456);
  EXPECT_EQ(head.x, 1.25);
  EXPECT_EQ(head.point_type, -1);

  std::vector<unsigned char> line(57, 0);
  line[0] = 1;
  put<std::int32_t>(line, 10, 4);
  put<std::int32_t>(line, 14, 64);
  put<std::int32_t>(line, 26, 7);
  put(line, 35, 0.5f);
  put<std::int32_t>(line, 47, -3);
  const Polyline polyline = parse_polyline(line.data());
  EXPECT_EQ(polyline.vertices, 4);
  EXPECT_EQ(polyline.start, 64);
  EXPECT_EQ(polyline.color, 7);
  EXPECT_EQ(polyline.x_scale, 0.5f);
  EXPECT_EQ(polyline.layer, -3);

  std::vector<unsigned char> field(39, 0);
  field[20] = 5;
  field[25] = 0xFF;
  field[26] = 0xFF;
  field[29] = 6;
  const FieldDefinition definition = parse_field(field.data());
  EXPECT_EQ(definition.field_type, 5);
  EXPECT_EQ(definition.size, -1);
  EXPECT_EQ(definition.digits, 6);
}

TEST(FeatureFormat, FieldTypesAndPointSubRecords) {
  EXPECT_EQ(field_type_name(1), "byte");
  EXPECT_EQ(field_type_name(5), "double");
  EXPECT_EQ(field_type_name(8), "bool");
  for (int code : {0, 6, 7, 9, 255}) EXPECT_EQ(field_type_name(code), "string");
  LayoutId id;
  ASSERT_TRUE(point_sub_layout(4, id));
  EXPECT_EQ(size_of(id), 20u);
  EXPECT_FALSE(point_sub_layout(6, id));
  EXPECT_FALSE(point_sub_layout(-1, id));
}

TEST(FeatureFormat, PositionsDoNotWrap) {
  EXPECT_EQ(record_position(2'000'000'000, 2'000'000'000, 93), 2'000'000'000LL + 93LL * 2'000'000'000LL);
  EXPECT_EQ(directory_position(-10, 3), 20);
}

namespace {

std::string bytes_of(std::initializer_list<std::pair<std::size_t, std::string>> parts, std::size_t size) {
  std::string bytes(size, '\0');
  for (const auto& [offset, text] : parts) bytes.replace(offset, text.size(), text);
  return bytes;
}

template <typename T>
std::string raw(T value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A directory whose feature-record area puts point record 1 at offset 0.
class PointsAtStart final : public mapgis::feature::Directory {
 public:
  std::int64_t area_start(std::size_t) override { return -kPointRecordSize; }
};

// Point record 1 of `bytes`: its head, then the sub-record its type selects.
std::pair<PointHead, PointSub> read_point(const std::string& bytes) {
  mapgis::MemorySource source(bytes);
  PointsAtStart directory;
  RecordWalk walk(source, directory);
  const PointHead head = walk.point_head(0);
  return {head, walk.point_sub(head)};
}

}  // namespace

TEST(FeatureReading, PointRecordsReadTheirSubRecord) {
  // A circle point: head, then the 54-byte circle sub-record at byte 33.
  const std::string circle = bytes_of({{0, "\x01"}, {7, raw(3.5)}, {31, "\x02"}, {33, raw(2.25)}, {41, raw<std::int32_t>(9)},
                                       {49, "\x01"}, {75, raw<std::int32_t>(12)}, {83, raw<std::int32_t>(-4)}},
                                      93);
  const auto [head, point_sub] = read_point(circle);
  EXPECT_EQ(head.x, 3.5);
  const auto& sub = std::get<PointCircle>(point_sub);
  EXPECT_EQ(sub.radius, 2.25);
  EXPECT_EQ(sub.color, 9);
  EXPECT_EQ(sub.flag, 1);
  EXPECT_EQ(sub.fill_color, 12);
  EXPECT_EQ(sub.layer, -4);

  // A type outside 0 to 5 reads nothing behind the head: a 33-byte file is enough.
  EXPECT_TRUE(std::holds_alternative<std::monostate>(read_point(bytes_of({{31, "\x07"}}, 33)).second));

  // The image sub-record is 20 bytes; the text sub-record keeps its fields apart.
  const auto image = read_point(bytes_of({{31, "\x04"}, {33, raw(4.0)}, {41, raw(5.0)}, {49, raw(0.5f)}}, 53));
  EXPECT_EQ(std::get<PointImage>(image.second).angle, 0.5f);
  const auto text =
      read_point(bytes_of({{31, "\x05"}, {33 + 21, raw(1.5f)}, {33 + 33, "\x03"}, {33 + 50, raw<std::int32_t>(6)}}, 93));
  const auto sub_text = std::get<PointText>(text.second);
  EXPECT_EQ(sub_text.y_gap, 1.5f);
  EXPECT_EQ(sub_text.arrangement, 3);
  EXPECT_EQ(sub_text.layer, 6);
}

TEST(FeatureReading, ShortRecordsAndRunsFailAtTheFirstMissingItem) {
  try {
    read_point(bytes_of({{31, "\x01"}}, 60));
    FAIL() << "a cut sub-record was read";
  } catch (const mapgis::ShortRecord& error) {
    EXPECT_EQ(error.size, 54u);
  }

  const std::string vertices = raw(1.0) + raw(2.0) + raw(3.0) + raw(4.0) + raw(5.0);
  mapgis::MemorySource source(vertices);
  std::vector<Vertex> seen;
  EXPECT_THROW(read_vertices(source, 3, [&](const Vertex& v) { seen.push_back(v); }), mapgis::ShortRecord);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].x, 3.0);
  EXPECT_EQ(seen[1].y, 4.0);

  // A count far beyond the data reads item by item and stops at the end.
  const std::string arc_bytes = raw<std::int32_t>(-5) + raw<std::int32_t>(0);
  mapgis::MemorySource arcs(arc_bytes);
  std::vector<std::int32_t> numbers;
  EXPECT_THROW(read_arc_numbers(arcs, 2'000'000'000, [&](std::int32_t n) { numbers.push_back(n); }),
               mapgis::ShortRecord);
  EXPECT_EQ(numbers, (std::vector<std::int32_t>{-5, 0}));
  EXPECT_THROW(arcs.seek(-1), mapgis::NegativeSeek);
}
