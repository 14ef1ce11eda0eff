#include "host/kept.h"

namespace host {

namespace {

// Whether `type` itself (the metaclass of the module's classes) has a member
// `name`, which a class attribute access would meet first.
bool type_has_member(PyObject* name) { return interpreter::class_member(&PyType_Type, name) != nullptr; }

bool scan_text_keys(PyObject* dict) {
  Py_ssize_t position = 0;
  PyObject* key;
  PyObject* value;
  while (PyDict_Next(dict, &position, &key, &value)) {
    if (!PyUnicode_CheckExact(key)) return false;
  }
  return true;
}

}  // namespace

bool text_keys_only(PyObject* dict) {
  // A split table (the attributes of most objects) holds str keys alone: a
  // key of any other kind turns it into a combined one.
  return interpreter::dict_is_split(dict) || scan_text_keys(dict);
}

PyObject* plain_class_attribute(PyObject* cls, PyObject* name) {
  if (!Py_IS_TYPE(cls, &PyType_Type) || type_has_member(name)) return nullptr;
  PyObject* found = interpreter::class_member(reinterpret_cast<PyTypeObject*>(cls), name);
  return found != nullptr && Py_TYPE(found)->tp_descr_get == nullptr ? found : nullptr;
}

bool reads_own_attribute(PyObject* object, PyObject* name) {
  PyTypeObject* type = Py_TYPE(object);
  if (type->tp_getattro != PyObject_GenericGetAttr || interpreter::class_member(type, name) != nullptr) return false;
  PyObject** slot = interpreter::dict_slot(object);
  return slot == nullptr || *slot == nullptr || text_keys_only(*slot);
}

}  // namespace host
