#pragma once

#include "host/classes.h"

namespace geometry {

const host::ClassSpec& geometry_class();

}  // namespace geometry
