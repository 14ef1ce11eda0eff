// Small host operations that throw `HostError` instead of returning error codes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "host/ref.h"

namespace host {

// Calls `callable(args...)`; every argument is a borrowed PyObject*.
template <typename... Objects>
Ref call(PyObject* callable, Objects... args) {
  std::array<PyObject*, sizeof...(args) + 1> stack{nullptr, args...};
  return checked(PyObject_Vectorcall(callable, stack.data() + 1,
                                     sizeof...(args) | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}

// Calls `object.name(args...)` through the object, so a subclass's override is used.
template <typename... Objects>
Ref call_method(PyObject* object, PyObject* name, Objects... args) {
  std::array<PyObject*, sizeof...(args) + 1> stack{object, args...};
  return checked(PyObject_VectorcallMethod(name, stack.data(),
                                           stack.size() | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}

// Sets a host error whose value is the text object `message`, and throws.
[[noreturn]] inline void raise_text(PyObject* type, const Ref& message) {
  PyErr_SetObject(type, message.get());
  throw HostError{};
}

// A new dictionary with room for `keys` keys without growing.
inline Ref new_dict(Py_ssize_t keys) { return checked(_PyDict_NewPresized(keys)); }

inline Ref get_item(PyObject* container, PyObject* key) {
  if (PyDict_CheckExact(container)) {  // a plain dict: no subscript dispatch
    PyObject* value = PyDict_GetItemWithError(container, key);
    if (value != nullptr) return Ref::borrow(value);
    if (!PyErr_Occurred()) {
      Ref wrapped = PyTuple_Check(key) ? checked(PyTuple_Pack(1, key)) : Ref::borrow(key);
      PyErr_SetObject(PyExc_KeyError, wrapped.get());  // as dict[key] reports it
    }
    raise_pending();
  }
  return checked(PyObject_GetItem(container, key));
}

// container[index] for an integer index, without making the index object for
// a plain list or tuple.
inline Ref get_index(PyObject* container, Py_ssize_t index) {
  if ((PyList_CheckExact(container) || PyTuple_CheckExact(container)) && index >= 0 && index < Py_SIZE(container)) {
    return Ref::borrow(PySequence_Fast_ITEMS(container)[index]);
  }
  Ref key = checked(PyLong_FromSsize_t(index));
  return checked(PyObject_GetItem(container, key.get()));
}

inline Ref get_attr(PyObject* object, PyObject* name) {
  return checked(PyObject_GetAttr(object, name));
}

inline void set_attr(PyObject* object, PyObject* name, PyObject* value) {
  checked_status(PyObject_SetAttr(object, name, value));
}

inline bool truth(PyObject* object) { return checked_status(PyObject_IsTrue(object)) != 0; }

inline bool contains(PyObject* container, PyObject* item) {
  return checked_status(PySequence_Contains(container, item)) != 0;
}

inline Ref integer(long long value) { return checked(PyLong_FromLongLong(value)); }
inline Ref real(double value) { return checked(PyFloat_FromDouble(value)); }
inline Ref bytes(std::string_view raw) {
  return checked(PyBytes_FromStringAndSize(raw.data(), static_cast<Py_ssize_t>(raw.size())));
}

// value == number by the host's equality; a plain int is compared directly.
bool equals(PyObject* value, long long number);

// The first integer of first..last that `value` equals, or -1.
long long first_equal(PyObject* value, long long first, long long last);

// An integer of the host (an int, or any object with __index__) as a 64-bit
// value; OverflowError beyond that range.
std::int64_t as_int64(PyObject* value);

// The UTF-8 text of a str, held by the str itself.
std::string_view utf8(PyObject* text);

inline Ref text(std::string_view utf8) {
  return checked(PyUnicode_FromStringAndSize(utf8.data(), static_cast<Py_ssize_t>(utf8.size())));
}

// The text that "{}".format(object) puts in place of the braces.
inline Ref format_text(PyObject* object) { return checked(PyObject_Format(object, nullptr)); }

// `prefix` followed by "{}".format(object).
Ref concat_format(std::string_view prefix, PyObject* object, std::string_view suffix = {});

// `text` without its trailing white space, exactly as str.rstrip() strips it.
Ref rstrip_text(Ref text);

// Unpacks `value` into exactly `count` items, as `a, b, c = value` does, with the
// host's errors for values that are not iterable or have another length.
void unpack(PyObject* value, std::size_t count, Ref* items);

// The host's text form of a float: repr(value).
Ref float_text(double value);

Ref import_module(const char* name);

// A built-in of the running frame (print, round...); NameError when absent.
Ref builtin(PyObject* name);

}  // namespace host
