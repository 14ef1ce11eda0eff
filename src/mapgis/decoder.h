// Decoding of raw record fields through the reading object's own helpers, so a
// subclass that replaces bytesToStr or bytesInteger changes what is read.
#pragma once

#include <string_view>

#include "host/names.h"
#include "host/ops.h"

namespace mapgis {

class Decoder {
 public:
  Decoder(PyObject* self, PyObject* encoding) : self_(self), encoding_(encoding) {}
  // self.bytesToStr(field, encoding)
  host::Ref text(std::string_view field) const {
    return host::call_method(self_, host::names::bytesToStr, host::bytes(field).get(), encoding_);
  }
  // self.bytesInteger(field)
  host::Ref code(std::string_view field) const {
    return host::call_method(self_, host::names::bytesInteger, host::bytes(field).get());
  }

 private:
  PyObject* self_;
  PyObject* encoding_;
};

}  // namespace mapgis
