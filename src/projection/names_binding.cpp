#include "projection/names.h"

namespace projection::names {
KESTRIN_DEFINE_NAMES(PROJECTION_NAMES)
}  // namespace projection::names
