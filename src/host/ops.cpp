#include "host/ops.h"

#include <cerrno>
#include <cstdarg>

#include "pymath/float_text.h"

namespace host {

void raise(PyObject* type, const char* text) {
  PyErr_SetString(type, text);
  throw HostError{};
}

void raise_format(PyObject* type, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  PyErr_FormatV(type, format, arguments);
  va_end(arguments);
  throw HostError{};
}

Ref concat_format(std::string_view prefix, PyObject* object, std::string_view suffix) {
  Ref middle = format_text(object);
  Ref head = text(prefix);
  Ref joined = checked(PyUnicode_Concat(head.get(), middle.get()));
  if (suffix.empty()) return joined;
  Ref tail = text(suffix);
  return checked(PyUnicode_Concat(joined.get(), tail.get()));
}

Ref rstrip_text(Ref text) {
  PyObject* s = text.get();
  const int kind = PyUnicode_KIND(s);
  const void* data = PyUnicode_DATA(s);
  const Py_ssize_t length = PyUnicode_GET_LENGTH(s);
  Py_ssize_t end = length;
  while (end > 0 && Py_UNICODE_ISSPACE(PyUnicode_READ(kind, data, end - 1))) --end;
  if (end == length && PyUnicode_CheckExact(s)) return text;
  return checked(PyUnicode_Substring(s, 0, end));  // always exactly a str, as str.rstrip() answers
}

void unpack(PyObject* value, std::size_t count, Ref* items) {
  if ((PyTuple_CheckExact(value) || PyList_CheckExact(value)) && static_cast<std::size_t>(Py_SIZE(value)) == count) {
    PyObject** source = PySequence_Fast_ITEMS(value);
    for (std::size_t i = 0; i < count; ++i) items[i] = Ref::borrow(source[i]);
    return;
  }
  PyObject* iterator = PyObject_GetIter(value);
  if (iterator == nullptr) {
    if (PyErr_ExceptionMatches(PyExc_TypeError) && Py_TYPE(value)->tp_iter == nullptr &&
        !PySequence_Check(value)) {
      PyErr_Clear();
      raise_format(PyExc_TypeError, "cannot unpack non-iterable %.200s object", Py_TYPE(value)->tp_name);
    }
    raise_pending();
  }
  Ref owned = Ref::steal(iterator);
  for (std::size_t i = 0; i < count; ++i) {
    items[i] = Ref::steal(PyIter_Next(iterator));
    if (!items[i]) {
      if (PyErr_Occurred()) raise_pending();
      raise_format(PyExc_ValueError, "not enough values to unpack (expected %zd, got %zd)",
                   static_cast<Py_ssize_t>(count), static_cast<Py_ssize_t>(i));
    }
  }
  Ref extra = Ref::steal(PyIter_Next(iterator));
  if (extra) {
    raise_format(PyExc_ValueError, "too many values to unpack (expected %zd)", static_cast<Py_ssize_t>(count));
  }
  if (PyErr_Occurred()) raise_pending();
}

Ref float_text(double value) {
  char digits[pymath::kFloatTextSize];
  return checked(PyUnicode_FromStringAndSize(digits, static_cast<Py_ssize_t>(pymath::float_text(value, digits))));
}

void raise_math(pymath::Error error) {
  using pymath::Error;
  switch (error) {
    case Error::None: break;
    case Error::MathDomain: raise(PyExc_ValueError, "math domain error");
    case Error::MathRange: raise(PyExc_OverflowError, "math range error");
    case Error::DivisionByZero: raise(PyExc_ZeroDivisionError, "float division by zero");
    case Error::ModuloByZero: raise(PyExc_ZeroDivisionError, "float modulo");
    case Error::FloorDivisionByZero: raise(PyExc_ZeroDivisionError, "float floor division by zero");
    case Error::DivmodByZero: raise(PyExc_ZeroDivisionError, "float divmod()");
    case Error::ZeroToNegativePower: raise(PyExc_ZeroDivisionError, "0.0 cannot be raised to a negative power");
    case Error::PowerRange:
      errno = ERANGE;
      PyErr_SetFromErrno(PyExc_OverflowError);
      raise_pending();
    case Error::ComplexPower:
      // The host's power is complex here, and the next math function refuses it so.
      raise(PyExc_TypeError, "must be real number, not complex");
    case Error::IntegerFromNaN: raise(PyExc_ValueError, "cannot convert float NaN to integer");
    case Error::IntegerFromInfinity: raise(PyExc_OverflowError, "cannot convert float infinity to integer");
    case Error::RoundedTooLarge: raise(PyExc_OverflowError, "rounded value too large to represent");
  }
  raise(PyExc_SystemError, "no arithmetic error to raise");
}

void raise_argument_type(const char* name, PyTypeObject* expected, PyObject* value) {
  raise_format(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)", name,
               expected->tp_name, Py_TYPE(value)->tp_name);
}

void expect_exact(PyObject* value, PyTypeObject* type) {
  if (Py_IS_TYPE(value, type) || value == Py_None) return;
  raise_format(PyExc_TypeError, "Expected %s, got %.200s", type->tp_name, Py_TYPE(value)->tp_name);
}

PyObject* Keywords::tuple() const {
  if (tuple_ == nullptr) {
    Ref names = checked(PyTuple_New(static_cast<Py_ssize_t>(names_.size())));
    for (std::size_t i = 0; i < names_.size(); ++i) {
      PyTuple_SET_ITEM(names.get(), static_cast<Py_ssize_t>(i), checked(PyUnicode_InternFromString(names_[i])).release());
    }
    tuple_ = names.release();
  }
  return tuple_;
}

Ref call_method_keywords(PyObject* object, PyObject* name, std::initializer_list<PyObject*> positional,
                         const Keywords& keywords, std::initializer_list<PyObject*> values) {
  if (values.size() != keywords.size()) raise(PyExc_SystemError, "keyword names and values differ in number");
  std::vector<PyObject*> stack;
  stack.reserve(1 + positional.size() + values.size());
  stack.push_back(object);
  stack.insert(stack.end(), positional.begin(), positional.end());
  stack.insert(stack.end(), values.begin(), values.end());
  const std::size_t counted = 1 + positional.size();
  return checked(PyObject_VectorcallMethod(name, stack.data(), counted | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                           keywords.tuple()));
}

bool equals(PyObject* value, long long number) {
  if (PyLong_CheckExact(value)) {
    int overflow = 0;
    const long long plain = PyLong_AsLongLongAndOverflow(value, &overflow);
    return overflow == 0 && plain == number;
  }
  // Held across the comparison: its __eq__ may let go of the last other reference.
  const Ref held = Ref::borrow(value);
  Ref other = checked(PyLong_FromLongLong(number));
  return checked_status(PyObject_RichCompareBool(held.get(), other.get(), Py_EQ)) != 0;
}

long long first_equal(PyObject* value, long long first, long long last) {
  const Ref held = Ref::borrow(value);  // alive for every comparison after the first
  for (long long candidate = first; candidate <= last; ++candidate) {
    if (equals(held.get(), candidate)) return candidate;
  }
  return -1;
}

std::int64_t as_int64(PyObject* value) {
  Ref index = PyLong_CheckExact(value) ? Ref::borrow(value) : checked(PyNumber_Index(value));
  const long long number = PyLong_AsLongLong(index.get());
  if (number == -1 && PyErr_Occurred()) raise_pending();
  return number;
}

std::string_view utf8(PyObject* text) {
  Py_ssize_t size = 0;
  const char* bytes = PyUnicode_AsUTF8AndSize(text, &size);
  if (bytes == nullptr) raise_pending();
  return {bytes, static_cast<std::size_t>(size)};
}

Ref import_module(const char* name) { return checked(PyImport_ImportModule(name)); }

Ref builtin(PyObject* name) {
  PyObject* builtins = PyEval_GetBuiltins();
  if (PyDict_CheckExact(builtins)) {
    PyObject* value = PyDict_GetItemWithError(builtins, name);
    if (value == nullptr) {
      if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
      raise_pending();
    }
    return Ref::borrow(value);
  }
  // Code run by exec() may have any mapping for its built-ins, read by subscript.
  const Ref mapping = Ref::borrow(builtins);
  PyObject* value = PyObject_GetItem(mapping.get(), name);
  if (value == nullptr && PyErr_ExceptionMatches(PyExc_KeyError)) {
    PyErr_Clear();
    PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
  }
  return checked(value);
}

}  // namespace host
