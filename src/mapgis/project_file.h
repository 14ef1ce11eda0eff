// The MapGIS project file (MPJ): a 1113-byte header, then one 400-byte record
// per listed file, read one after another. No host types here: text fields are
// handed out as raw bytes for the caller to decode.
#pragma once

#include <cstdint>
#include <string_view>

#include "mapgis/layout.h"

namespace mapgis::project {

inline constexpr const char* kHeadLayout = "<8s1i1h4d640s60s2i7d1h1i169s128s";
inline constexpr const char* kBodyLayout = "<2c128s128s4d2c32s2d1c21s1f1h2c30s";

const Layout& head_layout();
const Layout& body_layout();

inline constexpr std::string_view kIdentification = "WMAP`D2:";
inline constexpr std::int32_t kTypeCode = 9;

// Header fields used by the reader; text fields are views into the record bytes.
struct Header {
  std::string_view identification, environment, title;
  std::int32_t type_code;
  std::int16_t files;
  double x_min, y_min, x_max, y_max;
  double layout_x_offset, layout_y_offset, layout_x_scale, layout_y_scale;
  double layout_rotate, layout_width, layout_height;
};

struct Entry {
  std::string_view type, status_code, file, description;  // type and codes: one raw byte each
  double x_min, y_min, x_max, y_max;
  std::string_view user_type, group_code, net_work_data;
  double scale_min, scale_max;
  std::string_view label_flag, label_fields;
  float label_height;
  std::int16_t label_color;
  std::string_view label_font, legend_type;
};

// `bytes` holds head_layout().size() bytes.
Header parse_header(const unsigned char* bytes);
// `bytes` holds body_layout().size() bytes.
Entry parse_entry(const unsigned char* bytes);

// The name of a listed file's kind, from its type byte.
std::string_view type_name(std::uint64_t type);

}  // namespace mapgis::project
