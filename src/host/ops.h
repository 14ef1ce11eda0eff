// Small host operations that throw `HostError` instead of returning error codes.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "host/interpreter.h"
#include "host/ref.h"
#include "pymath/arithmetic.h"

namespace host {

// Calls `callable(args...)`; every argument is a borrowed PyObject* that the
// caller keeps alive for the call (an item read from a list is owned first:
// the callee may run code that lets go of it).
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

// Interned keyword names for calls made through the host, made on first use
// and kept for the process: `static const Keywords k{"longitude", "zoneCode"};`.
class Keywords {
 public:
  Keywords(std::initializer_list<const char*> names) : names_(names) {}
  // The tuple of the names (borrowed).
  PyObject* tuple() const;
  std::size_t size() const { return names_.size(); }

 private:
  std::vector<const char*> names_;
  mutable PyObject* tuple_ = nullptr;
};

// Calls `object.name(*positional, **dict(zip(keywords, values)))` through the
// object, so a subclass's override is used.
Ref call_method_keywords(PyObject* object, PyObject* name, std::initializer_list<PyObject*> positional,
                         const Keywords& keywords, std::initializer_list<PyObject*> values);

// Sets a host error whose value is the text object `message`, and throws.
[[noreturn]] inline void raise_text(PyObject* type, const Ref& message) {
  PyErr_SetObject(type, message.get());
  throw HostError{};
}

// A new dictionary with room for `keys` keys without growing.
inline Ref new_dict(Py_ssize_t keys) { return checked(interpreter::presized_dict(keys)); }

// Builds a result dictionary key by key, in the order its shape fixes.
class DictBuilder {
 public:
  explicit DictBuilder(Py_ssize_t keys = 0) : dict_(keys > 0 ? new_dict(keys) : checked(PyDict_New())) {}
  DictBuilder& put(PyObject* key, PyObject* value) {
    checked_status(PyDict_SetItem(dict_.get(), key, value));
    return *this;
  }
  DictBuilder& put(PyObject* key, const Ref& value) { return put(key, value.get()); }
  DictBuilder& put(PyObject* key, double value) { return put(key, checked(PyFloat_FromDouble(value))); }
  DictBuilder& put(PyObject* key, long long value) { return put(key, checked(PyLong_FromLongLong(value))); }
  PyObject* get() const { return dict_.get(); }
  Ref take() { return std::move(dict_); }

 private:
  Ref dict_;
};

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

// `text` without its trailing white space, exactly as str.rstrip() strips it
// (exactly a str, also for a str subclass).
Ref rstrip_text(Ref text);

// Unpacks `value` into exactly `count` items (empty references, so that no old
// value is let go while `value` is read), as `a, b, c = value` does, with the
// host's errors for values that are not iterable or have another length.
void unpack(PyObject* value, std::size_t count, Ref* items);

// The host's text form of a float: repr(value).
Ref float_text(double value);

// Raises the host's exception for a failure of its float arithmetic.
[[noreturn]] void raise_math(pymath::Error error);

// `value` once the computation that gave it is known to have succeeded.
inline double checked_math(double value, pymath::Error error) {
  if (error != pymath::Error::None) raise_math(error);
  return value;
}

// TypeError "Argument '<name>' has incorrect type (expected <type>, got <its type>)",
// the exact-type rule's failure for an argument.
[[noreturn]] void raise_argument_type(const char* name, PyTypeObject* expected, PyObject* value);

// A value declared with a built-in type holds only that type or None: anything
// else raises TypeError "Expected <type>, got <its type>".
void expect_exact(PyObject* value, PyTypeObject* type);

Ref import_module(const char* name);

// A built-in of the running frame (print, round...); NameError when absent.
Ref builtin(PyObject* name);

}  // namespace host
