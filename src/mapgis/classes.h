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

// colours.HEX(number, fallback), called directly while the object's HEX is the
// module's own (nothing could tell the difference), through the object otherwise.
host::Ref colour_text(PyObject* colours, PyObject* number, PyObject* fallback);

// Whether colours.HEX, and the RGB and CMYK it reaches, are the module's own,
// so that a colour text is made without running a script's code.
bool own_colours(PyObject* colours);

// HEX of a colour library whose conversions are the module's own, for a
// stretch of work in which no script code can run: `count` and the colour
// buffer, read once from the library's own dictionary, are what every HEX call
// would read while that dictionary stays unchanged (current()). Not valid (use
// colour_text) when the conversions are a script's or the attributes unusual.
class ColourSnapshot {
 public:
  explicit ColourSnapshot(PyObject* colours);
  bool valid() const { return valid_; }
  // Whether the library's attributes are still those the snapshot was taken of.
  bool current(PyObject* colours) const { return host::Stamp().attributes_of(colours) == stamp_; }
  // colours.HEX(number, fallback)
  host::Ref text(std::int32_t number, PyObject* fallback) const;

 private:
  bool valid_ = false;
  long long count_ = 0;
  host::Ref buffer_;
  host::Stamp stamp_;
};

}  // namespace mapgis
