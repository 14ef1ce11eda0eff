#pragma once

#include "host/classes.h"

namespace projection {

const host::ClassSpec& projection_class();

}  // namespace projection
