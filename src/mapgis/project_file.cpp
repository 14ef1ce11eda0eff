#include "mapgis/project_file.h"

namespace mapgis::project {

namespace {

// Field positions in the header layout.
enum HeadField : std::size_t {
  kIdentificationField, kTypeCodeField, kFilesField, kXMin, kYMin, kXMax, kYMax, kEnvironment, kTitle,
  kDictionary, kStart, kLayoutXoffset, kLayoutYoffset, kLayoutXscale, kLayoutYscale, kLayoutRotate,
  kLayoutWidth, kLayoutHeight, kProjectType, kLegendStart, kDefaultParameter, kHeadUnused,
};

// Field positions in the file-record layout.
enum BodyField : std::size_t {
  kType, kStatusCode, kFile, kDescription, kEntryXMin, kEntryYMin, kEntryXMax, kEntryYMax, kUserType,
  kGroupCode, kNetWorkData, kScaleMin, kScaleMax, kLabelFlag, kLabelFields, kLabelHeight, kLabelColor,
  kLabelFont, kLegendType, kBodyUnused,
};

}  // namespace

const Layout& head_layout() {
  static const Layout layout(kHeadLayout);
  return layout;
}

const Layout& body_layout() {
  static const Layout layout(kBodyLayout);
  return layout;
}

Header parse_header(const unsigned char* bytes) {
  const Record r(head_layout(), bytes);
  return {
      .identification = r.bytes(kIdentificationField),
      .environment = r.bytes(kEnvironment),
      .title = r.bytes(kTitle),
      .type_code = r.int32(kTypeCodeField),
      .files = r.int16(kFilesField),
      .x_min = r.float64(kXMin),
      .y_min = r.float64(kYMin),
      .x_max = r.float64(kXMax),
      .y_max = r.float64(kYMax),
      .layout_x_offset = r.float64(kLayoutXoffset),
      .layout_y_offset = r.float64(kLayoutYoffset),
      .layout_x_scale = r.float64(kLayoutXscale),
      .layout_y_scale = r.float64(kLayoutYscale),
      .layout_rotate = r.float64(kLayoutRotate),
      .layout_width = r.float64(kLayoutWidth),
      .layout_height = r.float64(kLayoutHeight),
  };
}

Entry parse_entry(const unsigned char* bytes) {
  const Record r(body_layout(), bytes);
  return {
      .type = r.bytes(kType),
      .status_code = r.bytes(kStatusCode),
      .file = r.bytes(kFile),
      .description = r.bytes(kDescription),
      .x_min = r.float64(kEntryXMin),
      .y_min = r.float64(kEntryYMin),
      .x_max = r.float64(kEntryXMax),
      .y_max = r.float64(kEntryYMax),
      .user_type = r.bytes(kUserType),
      .group_code = r.bytes(kGroupCode),
      .net_work_data = r.bytes(kNetWorkData),
      .scale_min = r.float64(kScaleMin),
      .scale_max = r.float64(kScaleMax),
      .label_flag = r.bytes(kLabelFlag),
      .label_fields = r.bytes(kLabelFields),
      .label_height = r.float32(kLabelHeight),
      .label_color = r.int16(kLabelColor),
      .label_font = r.bytes(kLabelFont),
      .legend_type = r.bytes(kLegendType),
  };
}

std::string_view type_name(std::uint64_t type) {
  switch (type) {
    case 0: return "LineString";
    case 1: return "Point";
    case 2: return "Polygon";
    default: return "Unknown";
  }
}

}  // namespace mapgis::project
