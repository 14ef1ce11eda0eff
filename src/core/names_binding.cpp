#include "core/names.h"

namespace core::names {
KESTRIN_DEFINE_NAMES(CORE_NAMES)
}  // namespace core::names
