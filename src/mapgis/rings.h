// Vertex lists and the chaining of a polygon's arcs into rings. No host types.
//
// An arc number n names arc |n|; a negative number walks it backwards; 0 ends
// the current chain. Arcs are chained in the order listed, and every chain
// becomes one ring when it is closed.
#pragma once

#include <cstdint>
#include <vector>

#include "mapgis/byte_source.h"
#include "mapgis/feature_format.h"

namespace mapgis::feature {

using VertexList = std::vector<Vertex>;

// Two coordinates are the same when their host texts are: bit equality,
// except that every NaN reads "nan" (0.0 and -0.0 differ).
bool same_coordinate(double a, double b);
bool same_vertex(const Vertex& a, const Vertex& b);

// `count` vertices from `position`, each repeat of the one before it dropped.
// The list grows with what is read, never with the stored count.
VertexList read_vertex_list(ByteSource& source, std::int64_t position, std::int64_t count);

// An arc as stored: its start and finish node numbers and its vertices.
struct Arc {
  std::int32_t start, finish;
  VertexList vertices;
};

// Reads arc |number| (its topology and vertex list, as stored).
class ArcSource {
 public:
  virtual ~ArcSource() = default;
  virtual Arc read(std::int32_t number) = 0;
};

// A ring rule met an empty vertex list where it needs a vertex (the host
// reports this as an IndexError).
struct MissingVertex {};

// The rings of a polygon from its arc numbers.
std::vector<VertexList> assemble_rings(const std::vector<std::int32_t>& numbers, ArcSource& arcs);

}  // namespace mapgis::feature
