// The MapGIS reader classes.
#pragma once

#include "host/classes.h"

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

}  // namespace mapgis
