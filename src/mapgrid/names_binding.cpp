#include "mapgrid/names.h"

namespace mapgrid::names {

KESTRIN_DEFINE_NAMES(MAPGRID_NAMES)

PyObject* new_code = nullptr;
[[maybe_unused]] static const bool registered_new_code = ::host::register_name(&new_code, "new");

}  // namespace mapgrid::names
