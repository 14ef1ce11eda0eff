// The two root classes of the module.
#pragma once

#include "host/classes.h"

namespace core {

const host::ClassSpec& messenger_class();
const host::ClassSpec& kestrin_base_class();

}  // namespace core
