#pragma once

#include "host/classes.h"

namespace mapgrid {

const host::ClassSpec& map_grid_class();

}  // namespace mapgrid
