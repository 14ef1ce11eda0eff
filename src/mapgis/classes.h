// The MapGIS reader classes.
#pragma once

#include "host/classes.h"

namespace mapgis {

const host::ClassSpec& project_class();
const host::ClassSpec& color_lib_class();
const host::ClassSpec& feature_file_class();

}  // namespace mapgis
