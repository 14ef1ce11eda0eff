// A coverage-guided fuzz target for the MapGIS readers: the same pure C++ record
// readers, vertex and arc runs, ring assembly and attribute readers that the
// module uses, fed arbitrary bytes as a colour library, a project file and a
// point, line or polygon file, without the interpreter.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mapgis/attribute_format.h"
#include "mapgis/byte_source.h"
#include "mapgis/colour.h"
#include "mapgis/feature_format.h"
#include "mapgis/project_file.h"
#include "mapgis/rings.h"

namespace {

using namespace mapgis;
using feature::LayoutId;

void colour_library(std::string_view bytes) {
  const std::size_t head = colour::head_layout().size();
  const std::size_t record = colour::record_layout().size();
  for (std::size_t offset = head; offset + record <= bytes.size(); offset += record) {
    const colour::Cmyk v = colour::cmyk_of(colour::shares_of(reinterpret_cast<const unsigned char*>(bytes.data()) + offset));
    char text[8];
    colour::hex_text(colour::rgb_of(v.c / 100.0, v.m / 100.0, v.y / 100.0, v.k / 100.0), text);
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
    switch (field.type) {
      case 1: case 8: read_up_to(source, 1); break;
      case 2: feature::read_value<std::int16_t>(source); break;
      case 3: feature::read_value<std::int32_t>(source); break;
      case 4: feature::read_value<float>(source); break;
      case 5: feature::read_value<double>(source); break;
      case 6: (void)feature::date_text(feature::read_date(source)); break;
      case 7: (void)feature::clock_text(feature::read_time(source)); break;
      default: read_up_to(source, feature::text_width(field.size));
    }
  }
}

class MemoryArcs final : public feature::ArcSource {
 public:
  MemoryArcs(MemorySource& source, const std::vector<feature::DataHead>& directory)
      : source_(source), directory_(directory) {}
  feature::Arc read(std::int32_t number) override {
    const std::int64_t slot = number < 0 ? -static_cast<std::int64_t>(number) : number;
    source_.seek(feature::record_position(directory_[feature::kTopologyArea].data_start, slot, 24));
    const feature::Topology topology =
        feature::parse_topology(feature::read_record(source_, LayoutId::Topology, buffer_).data());
    source_.seek(feature::record_position(directory_[feature::kFeatureRecordArea].data_start, slot, 57));
    const feature::Polyline line = feature::parse_polyline(feature::read_record(source_, LayoutId::Polyline, buffer_).data());
    return {topology.start_vertex, topology.finish_vertex,
            feature::read_vertex_list(source_, std::int64_t{directory_[feature::kCoordinateArea].data_start} + line.start,
                                      line.vertices)};
  }

 private:
  MemorySource& source_;
  const std::vector<feature::DataHead>& directory_;
  std::vector<unsigned char> buffer_;
};

void feature_file(std::string_view bytes) {
  MemorySource source(bytes);
  std::vector<unsigned char> buffer;
  const feature::FileHead head = feature::parse_file_head(feature::read_record(source, LayoutId::FileHead, buffer).data());
  const std::int32_t kind = head.file_type_code;
  if (kind < 0 || kind > 2) return;
  source.seek(head.start);
  std::vector<feature::DataHead> directory;
  for (std::int32_t k = 0; k < head.heads; ++k) {
    directory.push_back(feature::parse_data_head(feature::read_record(source, LayoutId::DataHead, buffer).data()));
  }
  const std::size_t attribute_entry = kind == 2 ? feature::kPolygonAttributeArea : feature::kLinePointAttributeArea;
  if (directory.size() <= attribute_entry) return;
  const std::int64_t attribute_start = directory[attribute_entry].data_start;
  source.seek(attribute_start);
  const feature::FieldHead field_head =
      feature::parse_field_head(feature::read_record(source, LayoutId::FieldHead, buffer).data());
  std::vector<Field> fields;
  for (std::int16_t k = 0; k < field_head.field_count; ++k) {
    const feature::FieldDefinition definition =
        feature::parse_field(feature::read_record(source, LayoutId::Field, buffer).data());
    fields.push_back({definition.field_type, definition.size});
  }
  const std::int64_t field_offset = attribute_start + field_head.field_size + field_head.fields_length;
  const std::int64_t limit = static_cast<std::int64_t>(kind == 2 ? head.total_polygons : head.total) - 1;
  for (std::int64_t i = 0; i < limit; ++i) {
    const std::int64_t attribute_position = field_offset + i * field_head.fields_length;
    if (kind == 0) {
      source.seek(feature::record_position(directory[0].data_start, i + 1, 57));
      const feature::Polyline line = feature::parse_polyline(feature::read_record(source, LayoutId::Polyline, buffer).data());
      if (line.flag != 1) continue;
      attributes(source, attribute_position, fields);
      feature::read_vertex_list(source, std::int64_t{directory[1].data_start} + line.start, line.vertices);
    } else if (kind == 1) {
      source.seek(feature::record_position(directory[0].data_start, i + 1, feature::kPointRecordSize));
      const feature::PointRecord point = feature::read_point(source);
      if (point.head.flag != 1) continue;
      if (point.head.point_type == 0 || point.head.point_type == 4 || point.head.point_type == 5) {
        source.seek(std::int64_t{directory[1].data_start} + point.head.string_offset);
        read_up_to(source, feature::text_width(point.head.string_count));
      }
      attributes(source, attribute_position, fields);
    } else {
      if (directory.size() <= feature::kPolygonRecordArea) return;
      source.seek(feature::record_position(directory[8].data_start, i + 1, 40));
      const feature::Polygon polygon = feature::parse_polygon(feature::read_record(source, LayoutId::Polygon, buffer).data());
      if (polygon.flag != 1) continue;
      source.seek(std::int64_t{directory[1].data_start} + polygon.start + feature::kArcNumberSize);
      std::vector<std::int32_t> numbers;
      feature::read_arc_numbers(source, static_cast<std::int64_t>(polygon.polylines) - 1,
                                [&](std::int32_t number) { numbers.push_back(number); });
      MemoryArcs arcs(source, directory);
      const std::vector<feature::VertexList> rings = feature::assemble_rings(numbers, arcs);
      if (rings.empty()) continue;
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
  } catch (const feature::MissingVertex&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  guarded(colour_library, bytes);
  guarded(project_file, bytes);
  guarded(feature_file, bytes);
  return 0;
}
