// The walk over the records of a point, line or polygon file: where each record,
// run and arc lies, and reading them. No host types: the directory entries come
// from a Directory, which the module answers from the object's attribute each
// time (so a script's change shows) and the fuzzer from a fixed list.
#pragma once

#include <cstdint>
#include <vector>

#include "mapgis/byte_source.h"
#include "mapgis/feature_format.h"
#include "mapgis/rings.h"

namespace mapgis::feature {

class Directory {
 public:
  virtual ~Directory() = default;
  // The DataStart of directory entry `entry`.
  virtual std::int64_t area_start(std::size_t entry) = 0;
};

// Reads record slot i + 1 of a records area (enumerated records run from 1).
// A position that no seek can take throws OffsetOverflow.
class RecordWalk {
 public:
  RecordWalk(ByteSource& source, Directory& directory) : source_(source), directory_(directory) {}

  // Line record i + 1 of the feature-record area.
  Polyline line(std::int64_t i);
  // The head of point record i + 1; its sub-record is read by point_sub().
  PointHead point_head(std::int64_t i);
  // The sub-record right behind the head just read (none for a type outside 0 to 5).
  PointSub point_sub(const PointHead& head);
  // Polygon record i + 1 of the polygon-record area.
  Polygon polygon(std::int64_t i);

  // The vertex list of a line: at the coordinate area + `start`.
  VertexList line_vertices(const Polyline& line, std::int64_t coordinate_start);
  // The arc numbers of a polygon: at the coordinate area + Start + 4.
  std::vector<std::int32_t> arc_numbers(const Polygon& polygon, std::int64_t coordinate_start);
  // The rings of a polygon, its arcs read through the directory each time.
  std::vector<VertexList> rings(const std::vector<std::int32_t>& numbers, std::int64_t coordinate_start);
  // Positions the source at the text of a point (the coordinate area + offset).
  void seek_point_text(const PointHead& head);

  std::int64_t area_start(std::size_t entry) { return directory_.area_start(entry); }

 private:
  const unsigned char* record(std::size_t area, std::int64_t slot, std::int64_t stride, LayoutId id);

  ByteSource& source_;
  Directory& directory_;
  std::vector<unsigned char> buffer_;
};

}  // namespace mapgis::feature
