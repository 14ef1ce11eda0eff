// Names of the geometry codec: its methods, the keys of a geometry, the type names.
#pragma once

#include "core/names.h"

namespace geometry::names {

using namespace core::names;

#define GEOMETRY_NAMES(X)                                                               \
  /* the class methods, reached through the class */                                  \
  X(loads) X(dumps) X(toWkt) X(swapXY) X(getXY)                                         \
  /* keys of a geometry dictionary */                                                   \
  X(type) X(coordinates) X(geometries)                                                  \
  /* the seven type names */                                                            \
  X(Point) X(MultiPoint) X(LineString) X(MultiLineString) X(Polygon) X(MultiPolygon)    \
  X(GeometryCollection)                                                                 \
  /* host methods used on caller objects, and the module's global json */             \
  X(upper) X(json)
KESTRIN_DECLARE_NAMES(GEOMETRY_NAMES)

}  // namespace geometry::names
