// Decoding of raw record fields through the reading object's own helpers, so a
// subclass that replaces bytesToStr or bytesInteger changes what is read.
#pragma once

#include <string_view>

#include "core/classes.h"
#include "host/function.h"
#include "host/kept.h"
#include "host/ops.h"
#include "mapgis/names.h"

namespace mapgis {

// self.bytesToStr(field, encoding)
inline host::Ref decode_text(PyObject* self, std::string_view field, PyObject* encoding) {
  if (PyUnicode_CheckExact(encoding) && host::finds_own_member(self, names::bytesToStr, core::bytes_to_str)) {
    return core::field_text(field, encoding);
  }
  return host::call_method(self, names::bytesToStr, host::bytes(field).get(), encoding);
}

// self.bytesInteger(field)
inline host::Ref decode_code(PyObject* self, std::string_view field) {
  if (host::finds_own_member(self, names::bytesInteger, core::bytes_integer)) return core::field_integer(field);
  return host::call_method(self, names::bytesInteger, host::bytes(field).get());
}

// The two helpers for one object and one encoding.
class Decoder {
 public:
  Decoder(PyObject* self, PyObject* encoding) : self_(self), encoding_(encoding) {}
  host::Ref text(std::string_view field) const { return decode_text(self_, field, encoding_); }
  host::Ref code(std::string_view field) const { return decode_code(self_, field); }

 private:
  PyObject* self_;
  PyObject* encoding_;
};

}  // namespace mapgis
