#include "mapgis/names.h"

namespace mapgis::names {
KESTRIN_DEFINE_NAMES(MAPGIS_NAMES)
}  // namespace mapgis::names
