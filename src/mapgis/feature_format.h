// The MapGIS point, line and polygon file format (WT, WL, WP): a 336-byte
// header, a directory of data areas, and the areas it points to. No host types
// here: records are parsed from byte buffers, positions are computed in 64-bit
// arithmetic, and text fields are handed out as raw bytes for the caller.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "mapgis/byte_source.h"
#include "mapgis/layout.h"

namespace mapgis::feature {

// The record layouts, in the order the class holds them.
struct LayoutConstant {
  const char* name;
  const char* format;
};
inline constexpr std::array<LayoutConstant, 15> kLayouts = {{
    {"__FeatureFileHead", "<8s3i71s2c16s2c13d1c2d28s6i20s4d"},
    {"__FeatureDataHead", "<2i1h"},
    {"__FeatureFieldHead", "<2c1h2c6s2i4s128s128s40s2c1h1i1h18s"},
    {"__FeatureField", "<20s1B1i2h1B3c2h2s"},
    {"__FeaturePointHead", "<1B1h1i2d8s1b1B"},
    {"__FeaturePointString", "<4f2h2B20s1i4s1i"},
    {"__FeaturePointMarker", "<1i3f26s1i4s1i"},
    {"__FeaturePointCircle", "<1d1i1f1B25s1i4s1i"},
    {"__FeaturePointArc", "<1d3f22s1i4s1i"},
    {"__FeaturePointImage", "<2d1f"},
    {"__FeaturePointText", "<4f2h1B3f1B8s1i4s1i"},
    {"__FeaturePolyline", "<2B5i1h2B1i1f1B2f3i1h"},
    {"__FeaturePolygon", "<1B3i1h2f1h1i1B1h8s"},
    {"__Topology", "<4i8s"},
    {"__FeatureNode", "<2d2h31s"},
}};

enum class LayoutId : std::size_t {
  FileHead, DataHead, FieldHead, Field, PointHead, PointString, PointMarker, PointCircle, PointArc,
  PointImage, PointText, Polyline, Polygon, Topology, Node,
};

const Layout& layout(LayoutId id);
inline std::size_t size_of(LayoutId id) { return layout(id).size(); }

// The stride of point records; the record is its head, a sub-record and padding.
inline constexpr std::int64_t kPointRecordSize = 93;
inline constexpr std::int64_t kVertexSize = 16;
inline constexpr std::int64_t kArcNumberSize = 4;

// Directory entries of the data areas.
inline constexpr std::size_t kFeatureRecordArea = 0;
inline constexpr std::size_t kCoordinateArea = 1;
inline constexpr std::size_t kLinePointAttributeArea = 2;
inline constexpr std::size_t kTopologyArea = 3;
inline constexpr std::size_t kPolygonRecordArea = 8;
inline constexpr std::size_t kPolygonAttributeArea = 9;

struct FileHead {
  std::string_view identification;  // raw bytes, decoded by the caller
  std::int32_t file_type_code, start, heads;
  std::string_view crs, units, projection_type, ellipsoid_code;  // one raw byte each
  double central_meridian, latitude_of_origin, standard_parallel_1, standard_parallel_2;
  double false_easting, false_northing, ellipsoid_elevation, projection_elevation;
  std::int32_t valid, total, valid_nodes, total_nodes, valid_polygons, total_polygons;
  double x_min, y_min, x_max, y_max;
};

struct DataHead {
  std::int32_t data_start, data_count;
  std::int16_t data_end_flag;
};

struct FieldHead {
  std::int32_t field_size;
  std::int16_t field_count, fields_length;
};

struct FieldDefinition {
  std::string_view name;  // raw bytes
  std::uint8_t field_type;
  std::int32_t offset;
  std::int16_t size, length;
  std::uint8_t digits;
};

struct Polyline {
  std::uint8_t flag, sub_flag;
  std::int32_t vertices, start;
  std::int16_t line_no;
  std::uint8_t sub_line_no, transparent;
  std::int32_t color;
  float width;
  std::uint8_t line_type;
  float x_scale, y_scale;
  std::int32_t sub_color, layer;
};

struct PointHead {
  std::uint8_t flag;
  std::int16_t string_count;
  std::int32_t string_offset;
  double x, y;
  std::int8_t point_type;
  std::uint8_t transparent;
};

struct Polygon {
  std::uint8_t flag;
  std::int32_t polylines, start, fill_color;
  std::int16_t fill_pattern;
  float pattern_height, pattern_width;
  std::int16_t line_width;
  std::int32_t pattern_color;
  std::uint8_t transparent;
  std::int16_t layer;
};

struct Topology {
  std::int32_t start_vertex, finish_vertex, left_polygon, right_polygon;
};

// Each parser takes a buffer of exactly its layout's size.
FileHead parse_file_head(const unsigned char* bytes);
DataHead parse_data_head(const unsigned char* bytes);
FieldHead parse_field_head(const unsigned char* bytes);
FieldDefinition parse_field(const unsigned char* bytes);
Polyline parse_polyline(const unsigned char* bytes);
PointHead parse_point_head(const unsigned char* bytes);
Polygon parse_polygon(const unsigned char* bytes);
Topology parse_topology(const unsigned char* bytes);

// Point sub-records, by point type 0 to 5.
struct PointString {
  float height, width, gap, angle;
  std::int16_t font_chinese, font_english;
  std::uint8_t font_style, arrangement;
  std::int32_t color, layer;
};
struct PointMarker {
  std::int32_t marker;
  float height, width, angle;
  std::int32_t color, layer;
};
struct PointCircle {
  double radius;
  std::int32_t color;
  float width;
  std::uint8_t flag;
  std::int32_t fill_color, layer;
};
struct PointArc {
  double radius;
  float start_angle, end_angle, width;
  std::int32_t color, layer;
};
struct PointImage {
  double width, height;
  float angle;
};
struct PointText {
  float height, width, x_gap, angle;
  std::int16_t font_chinese, font_english;
  std::uint8_t font_style;
  float y_gap, layout_height, layout_width;
  std::uint8_t arrangement;
  std::int32_t color, layer;
};
using PointSub = std::variant<std::monostate, PointString, PointMarker, PointCircle, PointArc, PointImage, PointText>;

// The layout of the point sub-record of `point_type`, or none for a type outside 0 to 5.
bool point_sub_layout(std::int8_t point_type, LayoutId& id);
// Parses a sub-record of `point_type` from a buffer of its layout's size.
PointSub parse_point_sub(std::int8_t point_type, const unsigned char* bytes);

// Reading from a source: one record at the current position, exactly its size.
std::vector<unsigned char>& read_record(ByteSource& source, LayoutId id, std::vector<unsigned char>& buffer);

struct Vertex {
  double x, y;
};
// `count` vertices read one after another from the current position.
template <typename Visit>
void read_vertices(ByteSource& source, std::int64_t count, Visit&& visit) {
  unsigned char bytes[kVertexSize];
  for (std::int64_t i = 0; i < count; ++i) {
    source.read_exact(bytes, sizeof bytes);
    Vertex vertex;
    std::memcpy(&vertex.x, bytes, 8);
    std::memcpy(&vertex.y, bytes + 8, 8);
    visit(vertex);
  }
}
// `count` arc numbers (int32) read one after another from the current position.
template <typename Visit>
void read_arc_numbers(ByteSource& source, std::int64_t count, Visit&& visit) {
  unsigned char bytes[kArcNumberSize];
  for (std::int64_t i = 0; i < count; ++i) {
    source.read_exact(bytes, sizeof bytes);
    std::int32_t number;
    std::memcpy(&number, bytes, sizeof number);
    visit(number);
  }
}

// The magics and their file type codes: 0 line, 1 point, 2 polygon.
inline constexpr std::array<std::string_view, 3> kMagics = {"WMAP`D21", "WMAP`D22", "WMAP`D23"};
inline constexpr std::array<std::string_view, 3> kFileTypes = {"LineString", "Point", "Polygon"};


// The name of an attribute type code ("string" for text, dates, times and unknown codes).
std::string_view field_type_name(std::int64_t type_code);
// Whether fields of the type code carry a number of decimals.
inline bool has_decimals(std::int64_t type_code) { return type_code == 4 || type_code == 5; }

// Positions of records and directory entries (OffsetOverflow where no seek can take them).
inline std::int64_t record_position(std::int64_t data_start, std::int64_t number, std::int64_t size) {
  return seek_offset(WideOffset{data_start} + WideOffset{size} * number);
}
inline std::int64_t directory_position(std::int64_t start, std::int64_t entry) {
  return seek_offset(WideOffset{start} + WideOffset{static_cast<std::int64_t>(size_of(LayoutId::DataHead))} * entry);
}

}  // namespace mapgis::feature
