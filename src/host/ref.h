// Owned references and the one way a host error travels through C++ code.
//
// Conventions of the whole binding layer:
//   - a function that hands out a new reference returns a `Ref`;
//   - a `PyObject*` parameter is borrowed;
//   - once a host exception is set, the code throws `HostError` and every entry
//     point that the host calls ends with one catch that returns the failure value.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <exception>
#include <new>
#include <utility>

namespace host {

// Thrown after a host exception has been set; carries nothing itself.
struct HostError {};

[[noreturn]] inline void raise_pending() { throw HostError{}; }
[[noreturn]] void raise(PyObject* type, const char* text);
[[noreturn]] void raise_format(PyObject* type, const char* format, ...);

class Ref {
 public:
  Ref() = default;
  Ref(const Ref& other) : ptr_(Py_XNewRef(other.ptr_)) {}
  Ref(Ref&& other) noexcept : ptr_(other.ptr_) { other.ptr_ = nullptr; }
  Ref& operator=(Ref other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }
  ~Ref() { Py_XDECREF(ptr_); }

  // Takes over a new reference (which may be null).
  static Ref steal(PyObject* object) { return Ref(object); }
  // Adds a reference of its own to a borrowed object.
  static Ref borrow(PyObject* object) { return Ref(Py_XNewRef(object)); }

  PyObject* get() const { return ptr_; }
  // Hands the reference to the caller (usually the host).
  PyObject* release() { return std::exchange(ptr_, nullptr); }
  explicit operator bool() const { return ptr_ != nullptr; }

 private:
  explicit Ref(PyObject* object) : ptr_(object) {}
  PyObject* ptr_ = nullptr;
};

// A new reference from the C API, where null means a host error is set.
inline Ref checked(PyObject* object) {
  if (object == nullptr) raise_pending();
  return Ref::steal(object);
}

// A status from the C API, where a negative value means a host error is set.
inline int checked_status(int status) {
  if (status < 0) raise_pending();
  return status;
}

inline Ref none() { return Ref::borrow(Py_None); }

// Runs `body` and turns a thrown error into the host's failure value: a
// HostError keeps the host error it stands for, and any other C++ exception
// becomes MemoryError or SystemError instead of ending the process.
template <typename Result, typename Body>
Result guarded(Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (const HostError&) {
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& error) {
    PyErr_SetString(PyExc_SystemError, error.what());
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "unexpected C++ exception in kestrinpy");
  }
  return failure;
}

}  // namespace host
