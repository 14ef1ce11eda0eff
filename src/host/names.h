// Interned strings made once at start-up: attribute names the module looks up
// and the dictionary keys it produces. Each subsystem declares its own list in
// its own `names.h` (namespace <subsystem>::names) with these macros; the lists
// register themselves, and start-up interns them all at once.
//
//   #define GEOMETRY_NAMES(X) X(type) X(coordinates)
//   KESTRIN_DECLARE_NAMES(GEOMETRY_NAMES)      // in the header
//   KESTRIN_DEFINE_NAMES(GEOMETRY_NAMES)       // in one source file
#pragma once

#include "host/ref.h"

namespace host {

// Records `slot`, to be set to the interned `text` by intern_names(); called
// during static initialisation by KESTRIN_DEFINE_NAMES.
bool register_name(PyObject** slot, const char* text);

// Interns every registered name once per process; later calls do nothing.
void intern_names();

}  // namespace host

#define KESTRIN_DECLARE_NAME_(name) extern PyObject* name;
#define KESTRIN_DEFINE_NAME_(name) \
  PyObject* name = nullptr;        \
  [[maybe_unused]] static const bool registered_##name = ::host::register_name(&name, #name);
#define KESTRIN_DECLARE_NAMES(LIST) LIST(KESTRIN_DECLARE_NAME_)
#define KESTRIN_DEFINE_NAMES(LIST) LIST(KESTRIN_DEFINE_NAME_)

// The toolkit's own names.
namespace host::names {

#define HOST_NAMES(X) X(__init__) X(__name__) X(__qualname__) X(__module__) X(__doc__) X(__file__) X(json) X(dumps)
KESTRIN_DECLARE_NAMES(HOST_NAMES)

}  // namespace host::names
