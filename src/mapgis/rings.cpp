#include "mapgis/rings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mapgis::feature {

namespace {

// A chain entry: an oriented arc and its signed number, by which a repeated
// arc is recognised.
struct ChainEntry {
  std::int32_t start, finish;
  VertexList vertices;
  std::int32_t number;
};

// Closes the chain into a ring, then the current closed arc (if any) into one of its own.
void close_chain(std::vector<ChainEntry>& chain, std::vector<VertexList>& rings, ChainEntry* current) {
  if (chain.size() >= 2 && chain[0].start == chain[1].start && chain[0].start != 0) {
    std::reverse(chain[0].vertices.begin(), chain[0].vertices.end());
  }
  if (!chain.empty()) {
    VertexList ring;
    for (const ChainEntry& entry : chain) {
      // Every entry gives all its vertices but its first once the ring holds one.
      const std::size_t first = ring.empty() ? 0 : 1;
      if (entry.vertices.size() > first) ring.insert(ring.end(), entry.vertices.begin() + first, entry.vertices.end());
    }
    rings.push_back(std::move(ring));
  }
  if (current != nullptr) rings.push_back(std::move(current->vertices));
  chain.clear();
}

}  // namespace

bool same_coordinate(double a, double b) {
  if (std::isnan(a) && std::isnan(b)) return true;
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool same_vertex(const Vertex& a, const Vertex& b) { return same_coordinate(a.x, b.x) && same_coordinate(a.y, b.y); }

VertexList read_vertex_list(ByteSource& source, std::int64_t position, std::int64_t count) {
  source.seek(position);
  VertexList list;
  read_vertices(source, count, [&](const Vertex& v) {
    if (!list.empty() && same_vertex(v, list.back())) return;
    list.push_back(v);
  });
  return list;
}

std::vector<VertexList> assemble_rings(const std::vector<std::int32_t>& numbers, ArcSource& arcs) {
  std::vector<VertexList> rings;
  std::vector<ChainEntry> chain;
  for (std::size_t pass = 0; pass <= numbers.size(); ++pass) {
    if (pass == numbers.size() || numbers[pass] == 0) {
      close_chain(chain, rings, nullptr);
      continue;
    }
    const std::int32_t number = numbers[pass];
    Arc stored = arcs.read(number);
    ChainEntry arc{stored.start, stored.finish, std::move(stored.vertices), number};
    if (number < 0) {
      std::reverse(arc.vertices.begin(), arc.vertices.end());
      std::swap(arc.start, arc.finish);
    }
    if (chain.empty()) {
      chain.push_back(std::move(arc));
    } else if (arc.start != arc.finish) {
      // An open arc is dropped only when the chain already holds this very arc:
      // a ring that comes back to a node it reached before keeps all its arcs.
      const bool repeat = std::any_of(chain.begin(), chain.end(),
                                      [&](const ChainEntry& entry) { return entry.number == arc.number; });
      if (!repeat) chain.push_back(std::move(arc));
    } else if (arc.start == 0) {
      if (arc.vertices.empty()) throw MissingVertex{};
      if (!same_vertex(arc.vertices.front(), arc.vertices.back())) {
        chain.push_back(std::move(arc));
      } else {
        close_chain(chain, rings, &arc);
      }
    } else if (chain.front().start != chain.back().finish) {
      chain.push_back(std::move(arc));
    } else {
      close_chain(chain, rings, &arc);
    }
  }
  return rings;
}

}  // namespace mapgis::feature
