// Findings about the members that a receiver finds through its class (that
// they are the module's own, say), kept while nothing can have changed them.
//
// What an object finds through its class, and what a class made by `type`
// itself finds, change only with a change to that class or one of its bases;
// the host then gives the class a new version tag, and tags are never reused.
// So a finding made under one tag holds while the class keeps that tag.
#pragma once

#include "host/ref.h"

namespace host {

struct ClassVersion {
  const void* type = nullptr;  // compared by address only: a class made later at the same address has another tag
  unsigned int tag = 0;        // 0: nothing can be kept

  // The version of the class through which `receiver` finds its members: the
  // receiver itself when it is a class made by `type` (a metaclass of its own
  // could add members), its class when it is any other object. Taken before a
  // finding is made, so that a change made while it is made shows as a new tag.
  static ClassVersion of(PyObject* receiver) {
    PyTypeObject* type = Py_TYPE(receiver);
    if (PyType_Check(receiver)) {
      if (type != &PyType_Type) return {};
      type = reinterpret_cast<PyTypeObject*>(receiver);
    }
    if (!PyType_HasFeature(type, Py_TPFLAGS_VALID_VERSION_TAG) && !PyUnstable_Type_AssignVersionTag(type)) return {};
    return {type, type->tp_version_tag};
  }
  bool operator==(const ClassVersion&) const = default;
};

// One finding, kept for the version of the class it was made under.
class KnownVersion {
 public:
  // Whether `receiver` finds its members through the class of the finding, unchanged since.
  bool holds(PyObject* receiver) const { return known_.tag != 0 && ClassVersion::of(receiver) == known_; }
  // Keeps a finding made under `version` (taken before it was made).
  void keep(const ClassVersion& version) { known_ = version; }
  void forget() { known_ = {}; }

 private:
  ClassVersion known_;
};

}  // namespace host
