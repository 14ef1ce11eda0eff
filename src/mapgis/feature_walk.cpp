#include "mapgis/feature_walk.h"

#include <cstdlib>

namespace mapgis::feature {

namespace {

std::int64_t stride_of(LayoutId id) { return static_cast<std::int64_t>(size_of(id)); }

// An arc read through the directory: its topology record, its line record and
// its vertex list, each at the slot of its number.
class DirectoryArcs final : public ArcSource {
 public:
  DirectoryArcs(ByteSource& source, Directory& directory, std::int64_t coordinate_start)
      : source_(source), directory_(directory), coordinate_start_(coordinate_start) {}

  Arc read(std::int32_t number) override {
    const std::int64_t slot = std::abs(static_cast<std::int64_t>(number));
    source_.seek(record_position(directory_.area_start(kTopologyArea), slot, stride_of(LayoutId::Topology)));
    const Topology topology = parse_topology(read_record(source_, LayoutId::Topology, buffer_).data());
    source_.seek(record_position(directory_.area_start(kFeatureRecordArea), slot, stride_of(LayoutId::Polyline)));
    const Polyline line = parse_polyline(read_record(source_, LayoutId::Polyline, buffer_).data());
    return {topology.start_vertex, topology.finish_vertex,
            read_vertex_list(source_, seek_offset(WideOffset{coordinate_start_} + line.start), line.vertices)};
  }

 private:
  ByteSource& source_;
  Directory& directory_;
  std::int64_t coordinate_start_;
  std::vector<unsigned char> buffer_;
};

}  // namespace

const unsigned char* RecordWalk::record(std::size_t area, std::int64_t slot, std::int64_t stride, LayoutId id) {
  source_.seek(record_position(directory_.area_start(area), slot, stride));
  return read_record(source_, id, buffer_).data();
}

Polyline RecordWalk::line(std::int64_t i) {
  return parse_polyline(record(kFeatureRecordArea, i + 1, stride_of(LayoutId::Polyline), LayoutId::Polyline));
}

PointHead RecordWalk::point_head(std::int64_t i) {
  return parse_point_head(record(kFeatureRecordArea, i + 1, kPointRecordSize, LayoutId::PointHead));
}

PointSub RecordWalk::point_sub(const PointHead& head) {
  LayoutId id;
  if (!point_sub_layout(head.point_type, id)) return std::monostate{};
  return parse_point_sub(head.point_type, read_record(source_, id, buffer_).data());
}

Polygon RecordWalk::polygon(std::int64_t i) {
  return parse_polygon(record(kPolygonRecordArea, i + 1, stride_of(LayoutId::Polygon), LayoutId::Polygon));
}

VertexList RecordWalk::line_vertices(const Polyline& line, std::int64_t coordinate_start) {
  return read_vertex_list(source_, seek_offset(WideOffset{coordinate_start} + line.start), line.vertices);
}

std::vector<std::int32_t> RecordWalk::arc_numbers(const Polygon& polygon, std::int64_t coordinate_start) {
  source_.seek(seek_offset(WideOffset{coordinate_start} + polygon.start + kArcNumberSize));
  std::vector<std::int32_t> numbers;
  read_arc_numbers(source_, static_cast<std::int64_t>(polygon.polylines) - 1,
                   [&](std::int32_t number) { numbers.push_back(number); });
  return numbers;
}

std::vector<VertexList> RecordWalk::rings(const std::vector<std::int32_t>& numbers, std::int64_t coordinate_start) {
  DirectoryArcs arcs(source_, directory_, coordinate_start);
  return assemble_rings(numbers, arcs);
}

void RecordWalk::seek_point_text(const PointHead& head) {
  source_.seek(seek_offset(WideOffset{directory_.area_start(kCoordinateArea)} + head.string_offset));
}

}  // namespace mapgis::feature
