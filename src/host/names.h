// Interned strings made once at start-up: attribute names the module looks up
// and every dictionary key it produces.
#pragma once

#include "host/ref.h"

namespace host::names {

#define KESTRIN_NAMES(X) \
  X(subscribers)         \
  X(append)              \
  X(remove)              \
  X(clear)               \
  X(print)               \
  X(__init__)            \
  X(__name__)            \
  X(__qualname__)        \
  X(__module__)          \
  X(__doc__)

#define KESTRIN_DECLARE_NAME(name) extern PyObject* name;
KESTRIN_NAMES(KESTRIN_DECLARE_NAME)
#undef KESTRIN_DECLARE_NAME

// Creates the strings once per process; later calls do nothing.
void intern_all();

}  // namespace host::names
