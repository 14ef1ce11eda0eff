#include "projection/transform_binding.h"

#include "projection/names.h"

namespace projection::binding {

using host::Ref;

Ref reference_table(PyObject* cls) { return host::get_attr(cls, names::datum); }

Ref reference_system(PyObject* cls, PyObject* key) {
  Ref table = reference_table(cls);
  return host::get_item(table.get(), key);
}

namespace {

bool scan_plain_keys(PyObject* table) {
  Py_ssize_t position = 0;
  PyObject* key = nullptr;
  PyObject* value = nullptr;
  while (PyDict_Next(table, &position, &key, &value)) {
    if (!PyLong_CheckExact(key) && !PyUnicode_CheckExact(key)) return false;
  }
  return true;
}

// Whether every key of the table is exactly an int or a str; kept under the
// table's stamp, as the class's one table is asked at every call and rarely changes.
bool plain_keys(PyObject* table) {
  static host::Kept<bool> verdict;
  const host::Stamp now = host::Stamp().dict(table);
  if (const bool* known = verdict.find(now)) return *known;
  const bool plain = scan_plain_keys(table);
  verdict.keep(now, plain);
  return plain;
}

}  // namespace

PlainRecord plain_record(PyObject* cls, PyObject* key) {
  if (!PyLong_CheckExact(key)) return {};
  PyObject* table = host::plain_class_attribute(cls, names::datum);
  if (table == nullptr || !PyDict_CheckExact(table) || !plain_keys(table)) return {};
  // An int compared with ints and strs runs no code: the look-up is invisible.
  PyObject* record = PyDict_GetItemWithError(table, key);
  if (record == nullptr && PyErr_Occurred()) host::raise_pending();
  return {true, record};
}

double record_real(PyObject* record, PyObject* field) {
  Ref value = host::get_attr(record, field);
  PyObject* v = value.get();
  if (PyFloat_Check(v)) return PyFloat_AS_DOUBLE(v);
  if (PyLong_Check(v)) {
    const double converted = PyLong_AsDouble(v);
    if (converted == -1.0 && PyErr_Occurred()) host::raise_pending();
    return converted;
  }
  host::raise_format(PyExc_TypeError, "Expected float, got %.200s", Py_TYPE(v)->tp_name);
}

namespace {


constexpr const char* kDegrees180 = "] parameter. Should be between -180 and +180.";
constexpr const char* kDegrees90 = "] parameter. Should be between -90 and +90.";

[[noreturn]] void raise_range(const char* head, double value, const char* tail) {
  Ref number = host::real(value);
  host::raise_text(PyExc_Exception, host::concat_format(head, number.get(), tail));
}

}  // namespace

void raise_fault(Fault fault, pymath::Error math, const FaultValues& v) {
  switch (fault) {
    case Fault::CentralMeridian: raise_range("Invalid [centralMeridian: ", v.central_meridian, kDegrees180);
    case Fault::OriginLatitude: raise_range("Invalid [originLatitude: ", v.origin_latitude, kDegrees90);
    case Fault::Parallel1: raise_range("Invalid [parallel1: ", v.parallel1, kDegrees90);
    case Fault::Parallel2: raise_range("Invalid [parallel2: ", v.parallel2, kDegrees90);
    case Fault::Longitude: raise_range("Invalid [longitude: ", v.longitude, kDegrees180);
    case Fault::Latitude: raise_range("Invalid [latitude: ", v.latitude, kDegrees90);
    case Fault::Arithmetic: host::raise_math(math);
    case Fault::None: break;
  }
  host::raise(PyExc_SystemError, "no projection failure to raise");
}

void raise_no_pair() { host::raise(PyExc_Exception, "Invalid parameter."); }

Ref pair_of(const Transformed& result, const FaultValues& values) {
  if (!result.ok()) raise_fault(result.fault, result.math, values);
  Ref pair = host::checked(PyTuple_New(2));
  PyTuple_SET_ITEM(pair.get(), 0, host::real(result.first).release());
  PyTuple_SET_ITEM(pair.get(), 1, host::real(result.second).release());
  return pair;
}

}  // namespace projection::binding
