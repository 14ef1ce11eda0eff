// Attribute values: the attribute record of one feature decoded field by field
// into property dictionaries. The field list and the encoding are read from the
// object at every call, so a change a script makes during a run shows.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "mapgis/names.h"
#include "host/ops.h"
#include "mapgis/attribute_format.h"
#include "mapgis/decoder.h"
#include "mapgis/feature_stream.h"
#include "pymath/arithmetic.h"
#include "pymath/float_text.h"

namespace mapgis {

using host::checked;
using host::checked_status;
using host::Ref;

namespace {

// float(("{:." + str(decimal) + "f}").format(value)): the value rounded on its
// exact binary value, ties to even, and read back, which is round(value, decimal).
Ref rounded(double value, PyObject* decimal) {
  if (PyLong_CheckExact(decimal)) {
    int overflow = 0;
    const long long digits = PyLong_AsLongLongAndOverflow(decimal, &overflow);
    if (overflow == 0 && digits >= 0 && digits <= 10000) {
      pymath::Error error{};
      const double back = pymath::round_digits(value, digits, error);
      return host::real(host::checked_math(back, error));
    }
  }
  Ref digits = checked(PyObject_Str(decimal));
  Ref format = checked(PyUnicode_FromFormat("{:.%Uf}", digits.get()));
  Ref number = checked(PyFloat_FromDouble(value));
  Ref text = host::call_method(format.get(), checked(PyUnicode_FromString("format")).get(), number.get());
  return checked(PyFloat_FromString(text.get()));
}

// The host value of a stored attribute; text, byte and boolean values go
// through the object's bytesToStr and bytesInteger.
Ref decode_value(PyObject* self, FileSource& source, int code, PyObject* size, PyObject* decimal) {
  // A negative text size reads nothing: the text is empty and the next field starts here.
  const std::int64_t width = code >= 1 && code <= 8 ? 0 : host::as_int64(size);
  feature::RawValue raw = feature::read_raw_value(source, code, width);
  switch (code) {
    case 1:
      return decode_code(self, std::get<std::string>(raw));
    case 2: case 3:
      return host::integer(std::get<std::int64_t>(raw));
    case 4: case 5:
      return rounded(std::get<double>(raw), decimal);
    case 6:
      return host::text(feature::date_text(std::get<feature::Date>(raw)));
    case 7: {
      // The seconds are zero-filled on the left to six characters whatever they hold ("000nan", "00-inf").
      const feature::Time& time = std::get<feature::Time>(raw);
      return host::text(feature::clock_text(time) + feature::padded_seconds(pymath::fixed_text(time.seconds, 3)));
    }
    case 8: {
      Ref number = decode_code(self, std::get<std::string>(raw));
      return checked(PyBool_FromLong(!host::equals(number.get(), 0)));
    }
    default: {
      Ref encoding = host::get_attr(self, names::Encoding);
      return decode_text(self, std::get<std::string>(raw), encoding.get());
    }
  }
}

}  // namespace

namespace {

// A plain int small enough that offsets built from it cannot overflow.
bool small_int(PyObject* value, std::int64_t& out) {
  if (!PyLong_CheckExact(value)) return false;
  int overflow = 0;
  out = PyLong_AsLongLongAndOverflow(value, &overflow);
  constexpr std::int64_t kLimit = std::int64_t{1} << 40;
  return overflow == 0 && out > -kLimit && out < kLimit;
}

}  // namespace

void AttributeRecords::start(std::int64_t data_start, PyObject* field_size, PyObject* fields_length) {
  std::int64_t size = 0;
  plain_ = small_int(field_size, size) && small_int(fields_length, stride_);
  if (plain_) {
    offset_ = data_start + size + stride_;
    return;
  }
  Ref start = host::integer(data_start);
  Ref partial = checked(PyNumber_Add(start.get(), field_size));
  offset_object_ = checked(PyNumber_Add(partial.get(), fields_length));
  stride_object_ = Ref::borrow(fields_length);
}

std::int64_t AttributeRecords::position(std::int64_t slot) const {
  if (plain_) return offset_ + slot * stride_;
  Ref index = host::integer(slot);
  Ref step = checked(PyNumber_Multiply(index.get(), stride_object_.get()));
  Ref position = checked(PyNumber_Add(offset_object_.get(), step.get()));
  if (!PyLong_CheckExact(position.get())) host::raise_argument_type("position", &PyLong_Type, position.get());
  return host::as_int64(position.get());
}

Ref read_properties(PyObject* self, FileSource& source, std::int64_t position) {
  Ref schema = host::get_attr(self, names::FieldStruct);
  Ref fields = host::get_item(schema.get(), names::fields);
  source.seek(position + 1);
  Ref properties = checked(PyDict_New());
  Ref iterator = checked(PyObject_GetIter(fields.get()));
  while (Ref field = Ref::steal(PyIter_Next(iterator.get()))) {
    Ref name = host::get_item(field.get(), names::name);
    Ref type = host::get_item(field.get(), names::type);
    Ref code = host::get_item(field.get(), names::typeCode);
    Ref size = host::get_item(field.get(), names::size);
    Ref length = host::get_item(field.get(), names::length);
    const int branch = static_cast<int>(host::first_equal(code.get(), 0, 8));  // -1: text
    const bool has_decimal = branch == 4 || branch == 5;
    Ref decimal = has_decimal ? host::get_item(field.get(), names::decimal) : Ref();

    Ref value = decode_value(self, source, branch, size.get(), decimal.get());
    Ref property = checked(PyDict_New());
    checked_status(PyDict_SetItem(property.get(), names::type, type.get()));
    checked_status(PyDict_SetItem(property.get(), names::length, length.get()));
    if (has_decimal) checked_status(PyDict_SetItem(property.get(), names::decimal, decimal.get()));
    checked_status(PyDict_SetItem(property.get(), names::value, value.get()));
    checked_status(PyObject_SetItem(properties.get(), name.get(), property.get()));
  }
  if (PyErr_Occurred()) host::raise_pending();
  return properties;
}

}  // namespace mapgis
