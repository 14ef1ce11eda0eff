#include "mapgis/classes.h"

namespace mapgis {

const host::ClassSpec& feature_file_class() {
  static const host::ClassSpec spec{
      .name = "MapGisFile",
      .base = "KestrinBase",
      .doc = "MapGIS 点、线、面文件（WT、WL、WP）读取器。",
      .members = {host::base_constructor("打开 MapGIS 点、线、面文件。")},
  };
  return spec;
}

}  // namespace mapgis
