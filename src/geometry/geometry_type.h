// The seven geometry type names, their WKT type words and the nesting depth of
// their coordinates. No host types.
#pragma once

#include <array>
#include <string_view>

namespace geometry {

enum class GeometryType : unsigned char {
  Point,
  MultiPoint,
  LineString,
  MultiLineString,
  Polygon,
  MultiPolygon,
  GeometryCollection,
};

inline constexpr std::array<GeometryType, 7> kGeometryTypes = {
    GeometryType::Point,   GeometryType::MultiPoint,   GeometryType::LineString,        GeometryType::MultiLineString,
    GeometryType::Polygon, GeometryType::MultiPolygon, GeometryType::GeometryCollection,
};

constexpr std::string_view type_name(GeometryType type) {
  constexpr std::string_view kNames[] = {"Point",   "MultiPoint",   "LineString",        "MultiLineString",
                                         "Polygon", "MultiPolygon", "GeometryCollection"};
  return kNames[static_cast<int>(type)];
}

// The WKT keyword: the type name upper-cased.
constexpr std::string_view type_word(GeometryType type) {
  constexpr std::string_view kWords[] = {"POINT",   "MULTIPOINT",   "LINESTRING",        "MULTILINESTRING",
                                         "POLYGON", "MULTIPOLYGON", "GEOMETRYCOLLECTION"};
  return kWords[static_cast<int>(type)];
}

// Levels of lists in `coordinates`: 1 for a Point (one vertex) to 4 for a MultiPolygon.
constexpr int coordinate_depth(GeometryType type) {
  switch (type) {
    case GeometryType::Point: return 1;
    case GeometryType::MultiPoint:
    case GeometryType::LineString: return 2;
    case GeometryType::MultiLineString:
    case GeometryType::Polygon: return 3;
    case GeometryType::MultiPolygon: return 4;
    case GeometryType::GeometryCollection: break;
  }
  return 0;
}

}  // namespace geometry
