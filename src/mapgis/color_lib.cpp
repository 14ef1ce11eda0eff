#include "mapgis/classes.h"

namespace mapgis {

const host::ClassSpec& color_lib_class() {
  static const host::ClassSpec spec{
      .name = "MapGisColorLib",
      .base = "KestrinBase",
      .doc = "MapGIS 颜色库（Pcolor.lib）读取器：颜色号转换为 CMYK、RGB 颜色。",
      .members = {host::base_constructor("打开 MapGIS 颜色库。")},
  };
  return spec;
}

}  // namespace mapgis
