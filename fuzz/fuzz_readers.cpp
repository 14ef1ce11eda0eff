// A coverage-guided fuzz target for the MapGIS readers: the same pure C++ record
// readers, vertex and arc runs, ring assembly and attribute readers that the
// module uses, fed arbitrary bytes as a colour library, a project file and a
// point, line or polygon file, and as text for the gb2312 and gbk decoders,
// without the interpreter.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "mapgis/attribute_format.h"
#include "mapgis/byte_source.h"
#include "mapgis/colour.h"
#include "mapgis/feature_format.h"
#include "mapgis/feature_walk.h"
#include "mapgis/project_file.h"
#include "mapgis/rings.h"
#include "pymath/chinese_codecs.h"

namespace {

using namespace mapgis;
using feature::LayoutId;

void colour_library(std::string_view bytes) {
  const std::size_t head = colour::head_layout().size();
  const std::size_t record = colour::record_layout().size();
  for (std::size_t offset = head; offset + record <= bytes.size(); offset += record) {
    char text[8];
    colour::hex_text(colour::rgb_of_record(reinterpret_cast<const unsigned char*>(bytes.data()) + offset), text);
  }
}

void project_file(std::string_view bytes) {
  MemorySource source(bytes);
  std::vector<unsigned char> buffer(project::head_layout().size());
  source.read_exact(buffer.data(), buffer.size());
  const project::Header header = project::parse_header(buffer.data());
  buffer.resize(project::body_layout().size());
  for (int k = 0; k < header.files; ++k) {
    source.read_exact(buffer.data(), buffer.size());
    const project::Entry entry = project::parse_entry(buffer.data());
    (void)project::type_name(static_cast<unsigned char>(entry.type[0]));
  }
}

struct Field {
  std::uint8_t type;
  std::int16_t size;
};

void attributes(MemorySource& source, std::int64_t position, const std::vector<Field>& fields) {
  source.seek(position + 1);
  for (const Field& field : fields) {
    const int code = field.type <= 8 ? field.type : -1;
    const feature::RawValue value = feature::read_raw_value(source, code, field.size);
    if (const auto* date = std::get_if<feature::Date>(&value)) (void)feature::date_text(*date);
    if (const auto* time = std::get_if<feature::Time>(&value)) (void)feature::clock_text(*time);
  }
}

// The directory as the file holds it.
class FixedDirectory final : public feature::Directory {
 public:
  explicit FixedDirectory(const std::vector<feature::DataHead>& entries) : entries_(entries) {}
  std::int64_t area_start(std::size_t entry) override { return entries_.at(entry).data_start; }

 private:
  const std::vector<feature::DataHead>& entries_;
};

void feature_file(std::string_view bytes) {
  MemorySource source(bytes);
  std::vector<unsigned char> buffer;
  const feature::FileHead head = feature::parse_file_head(feature::read_record(source, LayoutId::FileHead, buffer).data());
  const std::int32_t kind = head.file_type_code;
  if (kind < 0 || kind > 2) return;
  source.seek(head.start);
  std::vector<feature::DataHead> entries;
  for (std::int32_t k = 0; k < head.heads; ++k) {
    entries.push_back(feature::parse_data_head(feature::read_record(source, LayoutId::DataHead, buffer).data()));
  }
  const std::size_t attribute_entry = kind == 2 ? feature::kPolygonAttributeArea : feature::kLinePointAttributeArea;
  if (entries.size() <= attribute_entry) return;
  const std::int64_t attribute_start = entries[attribute_entry].data_start;
  source.seek(attribute_start);
  const feature::FieldHead field_head =
      feature::parse_field_head(feature::read_record(source, LayoutId::FieldHead, buffer).data());
  std::vector<Field> fields;
  for (std::int16_t k = 0; k < field_head.field_count; ++k) {
    const feature::FieldDefinition definition =
        feature::parse_field(feature::read_record(source, LayoutId::Field, buffer).data());
    fields.push_back({definition.field_type, definition.size});
  }
  FixedDirectory directory(entries);
  feature::RecordWalk walk(source, directory);
  const std::int64_t field_offset = attribute_start + field_head.field_size + field_head.fields_length;
  const std::int64_t limit = static_cast<std::int64_t>(kind == 2 ? head.total_polygons : head.total) - 1;
  for (std::int64_t i = 0; i < limit; ++i) {
    const std::int64_t attribute_position = field_offset + i * field_head.fields_length;
    if (kind == 0) {
      const feature::Polyline line = walk.line(i);
      if (line.flag != 1) continue;
      attributes(source, attribute_position, fields);
      walk.line_vertices(line, walk.area_start(feature::kCoordinateArea));
    } else if (kind == 1) {
      const feature::PointHead point = walk.point_head(i);
      if (point.flag != 1) continue;
      walk.point_sub(point);
      if (point.point_type == 0 || point.point_type == 4 || point.point_type == 5) {
        walk.seek_point_text(point);
        read_up_to(source, feature::text_width(point.string_count));
      }
      attributes(source, attribute_position, fields);
    } else {
      const feature::Polygon polygon = walk.polygon(i);
      if (polygon.flag != 1) continue;
      const std::int64_t coordinate_start = walk.area_start(feature::kCoordinateArea);
      if (walk.rings(walk.arc_numbers(polygon, coordinate_start), coordinate_start).empty()) continue;
      attributes(source, attribute_position, fields);
    }
  }
}

template <typename Read>
void guarded(Read read, std::string_view bytes) {
  try {
    read(bytes);
  } catch (const ShortRecord&) {
  } catch (const NegativeSeek&) {
  } catch (const OffsetOverflow&) {
  } catch (const feature::MissingVertex&) {
  } catch (const std::out_of_range&) {  // an entry past the directory
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  guarded(colour_library, bytes);
  guarded(project_file, bytes);
  guarded(feature_file, bytes);
  // The text fields of every file go through the gb2312 and gbk decoders.
  std::u16string text;
  pymath::decode_ignoring(pymath::ChineseCodec::GB2312, bytes, text);
  pymath::decode_ignoring(pymath::ChineseCodec::GBK, bytes, text);
  return 0;
}
