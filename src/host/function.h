// The module's function object and the declarative member tables that make it.
//
// Every method of every class is described once, as data: its name, kind,
// parameters (name, annotation text, default, accepted type) and the C++ body.
// The argument binder reads that description, so every method reports argument
// errors with the same texts and in the same order of checks.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
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

// What a parameter accepts, tested or converted by the binder before the body runs.
enum class Accept : unsigned char {
  Any,    // any object, not tested
  Exact,  // exactly `exact_type` (subclasses refused), or None where admitted
  Real,   // any real number, converted to a double by the host's float protocol
  Truth,  // any object, taken by its truth value
};

struct Param {
  const char* name;
  const char* annotation = nullptr;  // the annotation text; null for none
  Default fallback{};                  // Kind::Required when the parameter has no default
  Accept accept = Accept::Any;
  PyTypeObject* exact_type = nullptr;  // for Accept::Exact
  bool none_admitted = false;

  // Accept exactly objects of `type` (subclasses refused); an int may be of any size.
  Param exactly(PyTypeObject* type) const {
    Param p = *this;
    p.accept = Accept::Exact;
    p.exact_type = type;
    return p;
  }
  Param or_none() const {
    Param p = *this;
    p.none_admitted = true;
    return p;
  }
  // A floating-point number without a None default: ints, bools and any other
  // real number are converted; anything else raises the host's TypeError.
  Param real() const {
    Param p = *this;
    p.accept = Accept::Real;
    return p;
  }
  // A floating-point number with a None default: exactly a float, or None.
  Param optional_real() const { return exactly(&PyFloat_Type).or_none(); }
  // A boolean: never tested, taken by its truth value at the call.
  Param truth() const {
    Param p = *this;
    p.accept = Accept::Truth;
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

// The values of one call after binding: the objects (borrowed: the caller
// holds the arguments, keyword names and the function for the whole call, so
// no conversion or body can free one), and the doubles and truth values of the
// converted parameters.
struct Bound {
  PyObject* objects[kMaxParams];
  double reals[kMaxParams];
  bool truths[kMaxParams];
};

// The bound arguments of one call. Parameter indexes do not count the receiver;
// an index or accessor that does not fit the declaration is a programming
// error, reported as SystemError.
class Args {
 public:
  Args(FunctionObject* function, const std::vector<Param>& params, const Bound& bound, bool has_receiver)
      : function_(function), params_(&params), bound_(bound), offset_(has_receiver ? 1 : 0) {}

  // The object (or class) the method was called on.
  PyObject* self() const { return bound_.objects[0]; }
  // Parameter `index` as the object passed (or its default).
  PyObject* operator[](std::size_t index) const { return bound_.objects[slot(index)]; }
  PyObject* object(std::size_t index) const { return (*this)[index]; }
  bool is_none(std::size_t index) const { return (*this)[index] == Py_None; }
  // The double of a parameter declared `real()`.
  double real(std::size_t index) const {
    check(index, Accept::Real);
    return bound_.reals[index + offset_];
  }
  // The double of a parameter declared `optional_real()`, or nothing for None.
  std::optional<double> optional_real(std::size_t index) const {
    check(index, Accept::Exact);
    PyObject* value = bound_.objects[index + offset_];
    if (value == Py_None) return std::nullopt;
    if (!PyFloat_CheckExact(value)) refuse(index);
    return PyFloat_AS_DOUBLE(value);
  }
  // The truth value of a parameter declared `truth()`.
  bool truth(std::size_t index) const {
    check(index, Accept::Truth);
    return bound_.truths[index + offset_];
  }
  // The class the function was registered in.
  PyObject* owner() const;
  FunctionObject* function() const { return function_; }
  // The function object itself (borrowed), to name a generator after it.
  PyObject* callable() const { return reinterpret_cast<PyObject*>(function_); }

 private:
  std::size_t slot(std::size_t index) const {
    if (index >= params_->size()) [[unlikely]] refuse(index);
    return index + offset_;
  }
  void check(std::size_t index, Accept accept) const {
    if (index >= params_->size() || (*params_)[index].accept != accept) [[unlikely]] refuse(index);
  }
  // A body that asks for what its declaration does not give: SystemError.
  [[noreturn]] void refuse(std::size_t index) const;

  FunctionObject* function_;
  const std::vector<Param>* params_;
  const Bound& bound_;
  std::size_t offset_;
};

// Makes the type of the function objects ready; once per process.
void ready_function_type();

// A new function object for `method`, with `qualname` such as "Messenger.subscribe".
Ref make_function(const Method& method, PyObject* qualname, PyObject* module_name);

// Records the class a function belongs to (for `super()` in constructors).
void set_function_owner(PyObject* function, PyObject* owner);

// The type object of the module's functions.
PyTypeObject* function_type();

}  // namespace host
