#include "mapgis/feature_format.h"

#include <vector>

namespace mapgis::feature {

namespace {

// Field positions of the file header.
enum HeadField : std::size_t {
  kIdentification, kFileTypeCode, kStart, kHeads, kUnknownString0, kCrs, kUnits, kUnknownString1,
  kProjectionType, kEllipsoidCode, kWest, kSouth, kWestX, kSouthY, kXDenominator, kCentralMeridian,
  kUnknown0, kUnknown1, kLatitudeOfOrigin, kStandardParallel1, kStandardParallel2, kFalseEasting,
  kFalseNorthing, kUnknown2, kEllipsoidElevation, kProjectionElevation, kUnknownString2, kValid, kTotal,
  kValidNodes, kTotalNodes, kValidPolygons, kTotalPolygons, kUnknownString3, kXMin, kYMin, kXMax, kYMax,
};

}  // namespace

const Layout& layout(LayoutId id) {
  static const std::vector<Layout> layouts = [] {
    std::vector<Layout> all;
    for (const LayoutConstant& constant : kLayouts) all.emplace_back(constant.format);
    return all;
  }();
  return layouts[static_cast<std::size_t>(id)];
}

FileHead parse_file_head(const unsigned char* bytes) {
  const Record r(layout(LayoutId::FileHead), bytes);
  return {
      .identification = r.bytes(kIdentification),
      .file_type_code = r.int32(kFileTypeCode),
      .start = r.int32(kStart),
      .heads = r.int32(kHeads),
      .crs = r.bytes(kCrs),
      .units = r.bytes(kUnits),
      .projection_type = r.bytes(kProjectionType),
      .ellipsoid_code = r.bytes(kEllipsoidCode),
      .central_meridian = r.float64(kCentralMeridian),
      .latitude_of_origin = r.float64(kLatitudeOfOrigin),
      .standard_parallel_1 = r.float64(kStandardParallel1),
      .standard_parallel_2 = r.float64(kStandardParallel2),
      .false_easting = r.float64(kFalseEasting),
      .false_northing = r.float64(kFalseNorthing),
      .ellipsoid_elevation = r.float64(kEllipsoidElevation),
      .projection_elevation = r.float64(kProjectionElevation),
      .valid = r.int32(kValid),
      .total = r.int32(kTotal),
      .valid_nodes = r.int32(kValidNodes),
      .total_nodes = r.int32(kTotalNodes),
      .valid_polygons = r.int32(kValidPolygons),
      .total_polygons = r.int32(kTotalPolygons),
      .x_min = r.float64(kXMin),
      .y_min = r.float64(kYMin),
      .x_max = r.float64(kXMax),
      .y_max = r.float64(kYMax),
  };
}

DataHead parse_data_head(const unsigned char* bytes) {
  const Record r(layout(LayoutId::DataHead), bytes);
  return {r.int32(0), r.int32(1), r.int16(2)};
}

FieldHead parse_field_head(const unsigned char* bytes) {
  // Flag, FlagCode, Year, Month, Day, -, fieldSize, Objects, -, DefaultWorkPath,
  // CurrentWorkPath, unknown3, unknown4, unknown5, fieldCount, records, fieldsLength, unknown6
  const Record r(layout(LayoutId::FieldHead), bytes);
  return {.field_size = r.int32(6), .field_count = r.int16(14), .fields_length = r.int16(16)};
}

FieldDefinition parse_field(const unsigned char* bytes) {
  // Name, fieldType, Offset, size, Length, Digits, Unknown0, Unknown1, -, FieldNo, Unknown2, Unknown3
  const Record r(layout(LayoutId::Field), bytes);
  return {.name = r.bytes(0), .field_type = r.byte(1), .offset = r.int32(2), .size = r.int16(3),
          .length = r.int16(4), .digits = r.byte(5)};
}

Polyline parse_polyline(const unsigned char* bytes) {
  // Flag, SubFlag, Unknown0, Unknown1, Vertices, Start, Unknown2, LineNo, SubLineNo, Transparent,
  // Color, Width, LineType, XScale, YScale, SubColor, Layer, Unknown3, Unknown4
  const Record r(layout(LayoutId::Polyline), bytes);
  return {.flag = r.byte(0), .sub_flag = r.byte(1), .vertices = r.int32(4), .start = r.int32(5),
          .line_no = r.int16(7), .sub_line_no = r.byte(8), .transparent = r.byte(9), .color = r.int32(10),
          .width = r.float32(11), .line_type = r.byte(12), .x_scale = r.float32(13), .y_scale = r.float32(14),
          .sub_color = r.int32(15), .layer = r.int32(16)};
}

PointHead parse_point_head(const unsigned char* bytes) {
  // Flag, pointStringCount, pointStringOffset, X, Y, Unknown0, pointType, transparent
  const Record r(layout(LayoutId::PointHead), bytes);
  return {.flag = r.byte(0), .string_count = r.int16(1), .string_offset = r.int32(2), .x = r.float64(3),
          .y = r.float64(4), .point_type = r.get<std::int8_t>(6), .transparent = r.byte(7)};
}

Polygon parse_polygon(const unsigned char* bytes) {
  // Flag, Polylines, Start, FillColor, FillPattern, PatternHeight, PatternWidth, LineWidth,
  // PatternColor, Transparent, Layer, Remainder
  const Record r(layout(LayoutId::Polygon), bytes);
  return {.flag = r.byte(0), .polylines = r.int32(1), .start = r.int32(2), .fill_color = r.int32(3),
          .fill_pattern = r.int16(4), .pattern_height = r.float32(5), .pattern_width = r.float32(6),
          .line_width = r.int16(7), .pattern_color = r.int32(8), .transparent = r.byte(9), .layer = r.int16(10)};
}

Topology parse_topology(const unsigned char* bytes) {
  const Record r(layout(LayoutId::Topology), bytes);
  return {r.int32(0), r.int32(1), r.int32(2), r.int32(3)};
}

bool point_sub_layout(std::int8_t point_type, LayoutId& id) {
  static constexpr LayoutId kSubLayouts[] = {LayoutId::PointString, LayoutId::PointMarker, LayoutId::PointCircle,
                                             LayoutId::PointArc,    LayoutId::PointImage,  LayoutId::PointText};
  if (point_type < 0 || point_type > 5) return false;
  id = kSubLayouts[point_type];
  return true;
}

PointSub parse_point_sub(std::int8_t point_type, const unsigned char* bytes) {
  LayoutId id;
  if (!point_sub_layout(point_type, id)) return std::monostate{};
  const Record r(layout(id), bytes);
  switch (point_type) {
    case 0:  // Height, Width, Gap, Angle, FontChinese, FontEnglish, FontStyle, Arrangement, -, FontColor, -, Layer
      return PointString{r.float32(0), r.float32(1), r.float32(2), r.float32(3), r.int16(4), r.int16(5),
                         r.byte(6),    r.byte(7),    r.int32(9),   r.int32(11)};
    case 1:  // Marker, Height, Width, Angle, -, Color, -, Layer
      return PointMarker{r.int32(0), r.float32(1), r.float32(2), r.float32(3), r.int32(5), r.int32(7)};
    case 2:  // Radius, Color, Width, Flag, -, FillColor, -, Layer
      return PointCircle{r.float64(0), r.int32(1), r.float32(2), r.byte(3), r.int32(5), r.int32(7)};
    case 3:  // Radius, StartAngle, EndAngle, Width, -, Color, -, Layer
      return PointArc{r.float64(0), r.float32(1), r.float32(2), r.float32(3), r.int32(5), r.int32(7)};
    case 4:  // Width, Height, Angle
      return PointImage{r.float64(0), r.float64(1), r.float32(2)};
    default:  // Height, Width, XGap, Angle, FontChinese, FontEnglish, FontStyle, YGap, LayoutHeight,
              // LayoutWidth, Arrangement, -, Color, -, Layer
      return PointText{r.float32(0), r.float32(1), r.float32(2), r.float32(3), r.int16(4),
                       r.int16(5),   r.byte(6),    r.float32(7), r.float32(8), r.float32(9),
                       r.byte(10),   r.int32(12),  r.int32(14)};
  }
}

std::vector<unsigned char>& read_record(ByteSource& source, LayoutId id, std::vector<unsigned char>& buffer) {
  buffer.resize(size_of(id));
  source.read_exact(buffer.data(), buffer.size());
  return buffer;
}

std::string_view field_type_name(std::int64_t type_code) {
  switch (type_code) {
    case 1: return "byte";
    case 2: return "int";
    case 3: return "long";
    case 4: return "float";
    case 5: return "double";
    case 8: return "bool";
    default: return "string";
  }
}

}  // namespace mapgis::feature
