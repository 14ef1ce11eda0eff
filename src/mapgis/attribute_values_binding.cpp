// Attribute values: the attribute record of one feature decoded field by field
// into property dictionaries. The field list and the encoding are read from the
// object at every call, so a change a script makes during a run shows.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "mapgis/names.h"
#include "host/kept.h"
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

// An exact int that 64 bits hold.
bool plain_int(PyObject* value, std::int64_t& out) {
  if (!PyLong_CheckExact(value)) return false;
  int overflow = 0;
  out = PyLong_AsLongLongAndOverflow(value, &overflow);
  return overflow == 0;
}

// An exact int of any size as a wide offset; beyond 64 bits, one step further
// out than any seek can take, which is all a seek tells of it.
WideOffset wide_offset(PyObject* position) {
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(position, &overflow);
  if (overflow > 0) return WideOffset{INT64_MAX} + 1;
  if (overflow < 0) return WideOffset{INT64_MIN} - 1;
  return number;
}

}  // namespace

void AttributeRecords::start(PyObject* data_start, PyObject* field_size, PyObject* fields_length) {
  std::int64_t start = 0;
  std::int64_t size = 0;
  plain_ = plain_int(data_start, start) && plain_int(field_size, size) && plain_int(fields_length, stride_);
  if (plain_) {
    offset_ = WideOffset{start} + size + stride_;
    return;
  }
  Ref partial = checked(PyNumber_Add(data_start, field_size));
  offset_object_ = checked(PyNumber_Add(partial.get(), fields_length));
  stride_object_ = Ref::borrow(fields_length);
}

WideOffset AttributeRecords::values_start(std::int64_t slot) const {
  if (plain_) return offset_ + WideOffset{slot} * stride_ + 1;
  Ref index = host::integer(slot);
  Ref step = checked(PyNumber_Multiply(index.get(), stride_object_.get()));
  Ref position = checked(PyNumber_Add(offset_object_.get(), step.get()));
  if (!PyLong_CheckExact(position.get())) host::raise_argument_type("position", &PyLong_Type, position.get());
  Ref one = host::integer(1);
  return wide_offset(checked(PyNumber_Add(position.get(), one.get())).get());
}

namespace {

// The branch of a type code: the first of 0 to 8 that it equals, or -1 (text).
int type_branch(PyObject* code) { return static_cast<int>(host::first_equal(code, 0, 8)); }

// Decodes one field of the record and hands it to `visit`.
template <typename Visit>
void visit_field(PyObject* self, FileSource& source, PyObject* field, Visit& visit) {
  DecodedField decoded;
  decoded.name = host::get_item(field, names::name);
  decoded.type = host::get_item(field, names::type);
  Ref code = host::get_item(field, names::typeCode);
  Ref size = host::get_item(field, names::size);
  decoded.length = host::get_item(field, names::length);
  const int branch = type_branch(code.get());
  if (branch == 4 || branch == 5) decoded.decimal = host::get_item(field, names::decimal);
  decoded.value = decode_value(self, source, branch, size.get(), decoded.decimal.get());
  visit(decoded);
}

// Walks the fields of self.FieldStruct['fields'] (read afresh), decoding each
// value from `values_start` on, and hands each to `visit`.
template <typename Visit>
void walk_fields(PyObject* self, FileSource& source, WideOffset values_start, Visit&& visit) {
  Ref schema = host::get_attr(self, names::FieldStruct);
  Ref fields = host::get_item(schema.get(), names::fields);
  source.seek(seek_offset(values_start));
  if (PyList_CheckExact(fields.get())) {
    // As the list's own iterator walks it: by index, its length read at each step.
    for (Py_ssize_t k = 0; k < PyList_GET_SIZE(fields.get()); ++k) {
      visit_field(self, source, Ref::borrow(PyList_GET_ITEM(fields.get(), k)).get(), visit);
    }
    return;
  }
  Ref iterator = checked(PyObject_GetIter(fields.get()));
  while (Ref field = Ref::steal(PyIter_Next(iterator.get()))) visit_field(self, source, field.get(), visit);
  if (PyErr_Occurred()) host::raise_pending();
}

}  // namespace

namespace {

// Whether nothing of a decoded field can change, run code or be seen let go
// before the export writes it.
bool plain_field(const DecodedField& field) {
  return PyUnicode_CheckExact(field.name.get()) && host::plain_value(field.type.get()) &&
         host::plain_value(field.length.get()) && (!field.decimal || host::plain_value(field.decimal.get())) &&
         host::plain_value(field.value.get());
}

}  // namespace

void RecordProperties::read(PyObject* self, FileSource& source, WideOffset values_start, bool as_text) {
  fields_.clear();
  dict_ = as_text ? Ref() : checked(PyDict_New());
  walk_fields(self, source, values_start, [&](DecodedField& field) {
    if (!dict_) {
      if (plain_field(field)) {
        fields_.push_back(std::move(field));
        return;
      }
      dict_ = take();  // the fields before this one, which no script could tell apart
    }
    insert(field);
  });
}

// properties[name] = {'type': ..., 'length': ..., ['decimal': ...,] 'value': ...}
void RecordProperties::insert(const DecodedField& field) {
  host::DictBuilder property(4);
  property.put(names::type, field.type);
  property.put(names::length, field.length);
  if (field.decimal) property.put(names::decimal, field.decimal);
  property.put(names::value, field.value);
  checked_status(PyObject_SetItem(dict_.get(), field.name.get(), property.get()));
}

Ref RecordProperties::take() {
  if (!dict_) {
    dict_ = checked(PyDict_New());
    for (const DecodedField& field : fields_) insert(field);
    fields_.clear();
  }
  return std::move(dict_);
}

// Whether no two names of the plain fields are alike; their hashes and
// comparisons run no script code, as every name is exactly a str.
bool RecordProperties::names_distinct() const {
  for (std::size_t a = 0; a < fields_.size(); ++a) {
    PyObject* name = fields_[a].name.get();
    for (std::size_t b = a + 1; b < fields_.size(); ++b) {
      PyObject* other = fields_[b].name.get();
      if (name == other || (PyObject_Hash(name) == PyObject_Hash(other) && PyUnicode_Compare(name, other) == 0)) {
        return false;
      }
    }
  }
  return true;
}

void RecordProperties::write(std::string& out, host::JsonWriter& writer) {
  if (!names_distinct()) {
    // Repeated names: the dictionary decides which place and value stay.
    Ref flat = checked(PyDict_New());
    for (const DecodedField& field : fields_) {
      checked_status(PyObject_SetItem(flat.get(), field.name.get(), field.value.get()));
    }
    writer.write(flat.get(), out);
    return;
  }
  out += '{';
  for (std::size_t k = 0; k < fields_.size(); ++k) {
    if (k > 0) out += ", ";
    host::append_json_text(fields_[k].name.get(), out);
    out += ": ";
    writer.write(fields_[k].value.get(), out);
  }
  out += '}';
}

}  // namespace mapgis
