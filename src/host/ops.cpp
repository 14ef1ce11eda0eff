#include "host/ops.h"

#include <cstdarg>

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
  if (end == length) return text;
  return checked(PyUnicode_Substring(s, 0, end));
}

Ref float_text(double value) {
  char* digits = PyOS_double_to_string(value, 'r', 0, Py_DTSF_ADD_DOT_0, nullptr);
  if (digits == nullptr) raise_pending();
  PyObject* result = PyUnicode_FromString(digits);
  PyMem_Free(digits);
  return checked(result);
}

Ref import_module(const char* name) { return checked(PyImport_ImportModule(name)); }

}  // namespace host
