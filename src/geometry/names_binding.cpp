#include "geometry/names.h"

namespace geometry::names {
KESTRIN_DEFINE_NAMES(GEOMETRY_NAMES)
}  // namespace geometry::names
