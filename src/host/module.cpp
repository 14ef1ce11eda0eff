#include "host/module.h"

#include "host/ops.h"

namespace host {

Ref module_global(PyObject* name) {
  PyObject* module = held_module();
  if (module == nullptr) raise(PyExc_SystemError, "the module is not loaded");
  PyObject* value = PyDict_GetItemWithError(PyModule_GetDict(module), name);
  if (value == nullptr) {
    if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
    raise_pending();
  }
  return Ref::borrow(value);
}

}  // namespace host
