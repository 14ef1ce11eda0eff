// Projection.angle: decimal degrees to and from degree-minute-second text.
//
// Both directions read the text form of their argument (a str as it stands,
// anything else through str()), so numbers and texts are read alike.
#include <cmath>

#include "host/ops.h"
#include "host/text_units.h"
#include "projection/angle_text.h"
#include "projection/classes.h"
#include "pymath/float_text.h"

namespace projection {

namespace {

using angle_text::Form;
using angle_text::Reading;
using host::Ref;

// Runs `read` on the code units of the text of `value`.
template <typename Read>
Reading read_text_of(PyObject* value, Read read) {
  if (PyFloat_CheckExact(value)) {  // repr, without making the str
    char text[pymath::kFloatTextSize];
    const std::size_t size = pymath::float_text(PyFloat_AS_DOUBLE(value), text);
    return read(reinterpret_cast<const std::uint8_t*>(text), size);
  }
  Ref text = PyUnicode_CheckExact(value) ? Ref::borrow(value) : host::checked(PyObject_Str(value));
  return host::with_units(text.get(), read);
}

struct ReadDecimal {
  bool with_number;
  template <typename Unit>
  Reading operator()(const Unit* text, std::size_t size) const {
    return angle_text::read_decimal(text, size, with_number);
  }
};

struct ReadAny {
  template <typename Unit>
  Reading operator()(const Unit* text, std::size_t size) const {
    return angle_text::read_any(text, size);
  }
};

// abs(int(digit)), as round() takes it (clamped to the host's index range).
Py_ssize_t decimal_places(PyObject* digit) {
  if (PyLong_CheckExact(digit)) {
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(digit, &overflow);
    if (overflow == 0 && value > -PY_SSIZE_T_MAX && value <= PY_SSIZE_T_MAX) return value < 0 ? -value : value;
  }
  Ref integer = host::checked(PyNumber_Long(digit));
  Ref magnitude = host::checked(PyNumber_Absolute(integer.get()));
  const Py_ssize_t places = PyNumber_AsSsize_t(magnitude.get(), nullptr);
  if (places == -1 && PyErr_Occurred()) host::raise_pending();
  return places;
}

// `value`, or round(value, abs(int(digit))) when a digit is given.
double rounded(double value, PyObject* digit) {
  if (digit == Py_None) return value;
  pymath::Error error{};
  return host::checked_math(pymath::round_digits(value, decimal_places(digit), error), error);
}

Ref text_of(const char16_t* text, std::size_t size) {
  // Two-byte storage, the narrowest for a text that always holds ′ (U+2032).
  Ref str = host::checked(PyUnicode_New(static_cast<Py_ssize_t>(size), 0x2033));
  Py_UCS2* data = PyUnicode_2BYTE_DATA(str.get());
  for (std::size_t i = 0; i < size; ++i) data[i] = text[i];
  return str;
}

Ref degrees_to_text(PyObject* deg, PyObject* digit) {
  // A float's text reads back to the float itself.
  const bool is_float = PyFloat_CheckExact(deg);
  const Reading reading = read_text_of(deg, ReadDecimal{.with_number = !is_float});
  if (reading.form == Form::None) host::raise(PyExc_Exception, "Invalid [deg] parameter.");
  const double magnitude = is_float ? std::fabs(PyFloat_AS_DOUBLE(deg)) : reading.number;
  if (!(magnitude <= 360.0)) {
    host::raise_text(PyExc_Exception, host::concat_format("[", host::real(magnitude).get(),
                                                          "] should be between [-360 ～ +360] in [deg] parameter."));
  }
  const angle_text::Sexagesimal parts = angle_text::split(magnitude);
  const double seconds = rounded(parts.seconds, digit);
  char16_t text[angle_text::kTextSize];
  return text_of(text, angle_text::write_text(text, reading.negative, parts.degrees, parts.minutes, seconds));
}

Ref text_to_degrees(PyObject* dms, PyObject* digit) {
  const Reading reading = read_text_of(dms, ReadAny{});
  if (reading.form == Form::None) host::raise(PyExc_Exception, "Invalid [dms] parameter.");
  const double result = angle_text::degrees_of(reading);
  if (!(std::fabs(result) <= 360.0)) {
    host::raise_text(PyExc_Exception,
                     host::concat_format("[", dms, "] should be between [-360 ～ +360] in [dms] parameter."));
  }
  return host::real(rounded(result, digit));
}

}  // namespace

Ref angle(const host::Args& args) {
  PyObject* deg = args[0];
  PyObject* dms = args[1];
  PyObject* digit = args[2];
  if (deg != Py_None) return degrees_to_text(deg, digit);
  if (dms != Py_None) return text_to_degrees(dms, digit);
  host::raise(PyExc_Exception, "Invalid parameter.");
}

}  // namespace projection
