// The module's function object and the declarative member tables that make it.
//
// Every method of every class is described once, as data: its name, kind,
// parameters (name, annotation text, default, accepted type) and the C++ body.
// The argument binder reads that description, so every method reports argument
// errors with the same texts and in the same order of checks.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "host/ref.h"

namespace host {

// A parameter default, made once when the function object is created.
struct Default {
  enum class Kind { Required, None, Integer, Real, Text, Boolean, IntegerTuple };
  Kind kind = Kind::Required;
  long long integer = 0;
  double real = 0.0;
  const char* text = nullptr;
  std::vector<long long> items{};

  Ref make() const;
};

inline Default none_default() { return {.kind = Default::Kind::None}; }
inline Default int_default(long long v) { return {.kind = Default::Kind::Integer, .integer = v}; }
inline Default real_default(double v) { return {.kind = Default::Kind::Real, .real = v}; }
inline Default text_default(const char* v) { return {.kind = Default::Kind::Text, .text = v}; }
inline Default bool_default(bool v) { return {.kind = Default::Kind::Boolean, .integer = v}; }
inline Default tuple_default(std::initializer_list<long long> v) {
  return {.kind = Default::Kind::IntegerTuple, .items = v};
}

struct Param {
  const char* name;
  const char* annotation = nullptr;  // the annotation text; null for none
  Default fallback{};                  // Kind::Required when the parameter has no default
  PyTypeObject* exact_type = nullptr;  // null: any object is accepted
  bool none_admitted = false;

  // Accept exactly objects of `type` (subclasses refused).
  Param exactly(PyTypeObject* type) const {
    Param p = *this;
    p.exact_type = type;
    return p;
  }
  Param or_none() const {
    Param p = *this;
    p.none_admitted = true;
    return p;
  }
  Param defaults_to(Default value) const {
    Param p = *this;
    p.fallback = std::move(value);
    return p;
  }
  bool required() const { return fallback.kind == Default::Kind::Required; }
};

inline Param param(const char* name, const char* annotation = nullptr) {
  return Param{.name = name, .annotation = annotation};
}

enum class MethodKind {
  Instance,  // receives the object as `self`
  Class,     // receives the class as `cls`
  Static,    // receives no object
};

class Args;
using Body = Ref (*)(const Args&);

struct Method {
  const char* name;
  MethodKind kind = MethodKind::Instance;
  std::vector<Param> params{};     // without the object the method receives
  const char* returns = nullptr;  // the result annotation text; null for none
  const char* doc = nullptr;
  Body body = nullptr;
};

// The most parameters a method may have, its receiver included.
constexpr std::size_t kMaxParams = 16;

struct FunctionObject;

// The bound arguments of one call, as borrowed references.
class Args {
 public:
  Args(FunctionObject* function, PyObject* const* values, bool has_receiver)
      : function_(function), values_(values), offset_(has_receiver ? 1 : 0) {}

  // The object (or class) the method was called on.
  PyObject* self() const { return values_[0]; }
  // Parameter `index`, not counting the receiver.
  PyObject* operator[](std::size_t index) const { return values_[index + offset_]; }
  // The class the function was registered in.
  PyObject* owner() const;
  FunctionObject* function() const { return function_; }

 private:
  FunctionObject* function_;
  PyObject* const* values_;
  std::size_t offset_;
};

// Makes the type of the function objects ready; once per process.
void ready_function_type();

// A new function object for `method`, with `qualname` such as "Messenger.subscribe".
Ref make_function(const Method& method, PyObject* qualname, PyObject* module_name);

// Records the class a function belongs to (for `super()` in constructors).
void set_function_owner(PyObject* function, PyObject* owner);

// Whether `self.name` would find the module's own method with `body`: no
// instance attribute, no override in a subclass, no custom attribute look-up.
// Lets a method skip calling its sibling through the object when nothing could
// tell the difference.
bool finds_own_method(PyObject* self, PyObject* name, Body body);

// The type object of the module's functions.
PyTypeObject* function_type();

}  // namespace host
