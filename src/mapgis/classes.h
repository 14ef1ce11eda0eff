// The MapGIS reader classes.
#pragma once

#include <cstdint>

#include "host/classes.h"
#include "host/kept.h"
#include "host/ops.h"

namespace mapgis {

const host::ClassSpec& project_class();
const host::ClassSpec& color_lib_class();
const host::ClassSpec& feature_file_class();

// Whether colours.HEX, and the RGB and CMYK it reaches, are the module's own,
// so that a colour text is made without running a script's code.
bool own_colours(PyObject* colours);

// HEX of a colour library whose conversions are the module's own, for a
// stretch of work in which no script code can run: `count` and the colour
// buffer, read from the library's own dictionary, are what every HEX call
// would read while the library's class and attributes stay unchanged (a
// host::Stamp of members_of and attributes_of the library says so). Not valid
// (call HEX through the library) when the conversions are a script's or the
// attributes unusual. It holds the buffer borrowed: the library's dictionary
// holds it for as long as that stamp holds.
class ColourSnapshot {
 public:
  ColourSnapshot() = default;
  explicit ColourSnapshot(PyObject* colours);
  bool valid() const { return valid_; }
  // colours.HEX(number, fallback)
  host::Ref text(std::int32_t number, PyObject* fallback) const;

 private:
  bool valid_ = false;
  long long count_ = 0;
  PyObject* buffer_ = nullptr;
};

}  // namespace mapgis
