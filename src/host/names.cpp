#include "host/names.h"

namespace host::names {

#define KESTRIN_DEFINE_NAME(name) PyObject* name = nullptr;
KESTRIN_NAMES(KESTRIN_DEFINE_NAME)
#undef KESTRIN_DEFINE_NAME

void intern_all() {
#define KESTRIN_INTERN_NAME(name) \
  if (name == nullptr) name = checked(PyUnicode_InternFromString(#name)).release();
  KESTRIN_NAMES(KESTRIN_INTERN_NAME)
#undef KESTRIN_INTERN_NAME
}

}  // namespace host::names
