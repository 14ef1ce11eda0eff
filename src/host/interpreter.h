// The interpreter's private interfaces that the toolkit relies on, gathered
// here and nowhere else. Each was checked against CPython 3.12.1, the version
// the module is built for (start-up refuses any other minor version); each
// says why the public interface does not serve.
#pragma once

#include "host/ref.h"

#include <cstdint>

namespace host::interpreter {

// What an attribute look-up finds in the class and its bases, before any
// descriptor is applied (borrowed, or null), from the host's own method
// cache. `_PyType_Lookup`: the public route, PyObject_GetAttr, would run
// the descriptor's and the metaclass's code.
inline PyObject* class_member(PyTypeObject* type, PyObject* name) { return _PyType_Lookup(type, name); }

// The slot of an object's own attribute dictionary, or null when its class
// gives it none. `_PyObject_GetDictPtr`: PyObject_GenericGetDict makes a new
// reference and a dictionary where none was needed. On 3.12 it turns an
// object's inline attribute values into a dictionary, which no script can tell.
inline PyObject** dict_slot(PyObject* object) { return _PyObject_GetDictPtr(object); }

// The version tag of a dictionary: the host moves it on every change and
// gives every dictionary a number never used before (`ma_version_tag`,
// deprecated for extensions in 3.12 but still kept so; dictionary watchers
// serve one table, not every dictionary a call meets).
inline std::uint64_t dict_version(PyObject* dict) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return reinterpret_cast<PyDictObject*>(dict)->ma_version_tag;
#pragma GCC diagnostic pop
}

// Whether a dictionary is a split table (`ma_values`): the shared-key
// attribute table of most objects, which holds str keys alone.
inline bool dict_is_split(PyObject* dict) { return reinterpret_cast<PyDictObject*>(dict)->ma_values != nullptr; }

// A new dictionary with room for `keys` keys (`_PyDict_NewPresized`): result
// dictionaries of a known shape then never grow.
inline PyObject* presized_dict(Py_ssize_t keys) { return _PyDict_NewPresized(keys); }

// A class's version tag, assigned if it has none yet (0: the class cannot
// have one). The host gives a class a new tag on any change to it or its
// bases, and never reuses one (`tp_version_tag`, `PyUnstable_Type_AssignVersionTag`).
inline unsigned int class_version(PyTypeObject* type) {
  if (!PyType_HasFeature(type, Py_TPFLAGS_VALID_VERSION_TAG) && !PyUnstable_Type_AssignVersionTag(type)) return 0;
  return type->tp_version_tag;
}

// The callable a classmethod or staticmethod object wraps, read from their
// shared 3.12 layout (its `__func__` attribute would run code); null when the
// layout was not confirmed at start-up. The wrapper's own `__init__` may
// re-target it in place without moving any version tag, so it is read anew
// at every use.
PyObject* wrapped_callable(PyObject* wrapper);
// Confirms that layout on two wrappers made for the purpose; once, at start-up.
void learn_wrapper_layout();

// Marks a static type immortal, as the host's own static types are
// (`_Py_IMMORTAL_REFCNT`): it is never released.
inline void make_immortal(PyTypeObject* type) {
  Py_SET_REFCNT(reinterpret_cast<PyObject*>(type), _Py_IMMORTAL_REFCNT);
}

// An unsigned little-endian integer of any length (`_PyLong_FromByteArray`:
// 3.12 has no public form for more than eight bytes).
inline PyObject* unsigned_from_little_endian(const unsigned char* bytes, std::size_t size) {
  return _PyLong_FromByteArray(bytes, size, /*little_endian=*/1, /*is_signed=*/0);
}

// The codec the registry answers for `encoding`, as bytes.decode finds it
// (`_PyCodec_Lookup`: codecs.lookup would be a call through the host).
inline PyObject* codec_lookup(const char* encoding) { return _PyCodec_Lookup(encoding); }

// The registry's cache of codecs by normalised name (borrowed, or null), the
// dictionary that `codecs.unregister` clears. It is a field of the interpreter
// state that only the interpreter's internal headers describe, which compile
// as C alone: interpreter_state.c reads it.
PyObject* kestrin_codec_cache_found();  // found once (see interpreter.cpp)
inline PyObject* codec_cache() {
  extern PyObject* g_codec_cache;
  return g_codec_cache != nullptr ? g_codec_cache : kestrin_codec_cache_found();
}

}  // namespace host::interpreter
