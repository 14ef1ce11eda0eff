#include "mapgis/classes.h"

namespace mapgis {

const host::ClassSpec& project_class() {
  static const host::ClassSpec spec{
      .name = "MapGisProject",
      .base = "KestrinBase",
      .doc = "MapGIS 工程文件（MPJ）读取器。\n\n示例：\n    project = MapGisProject('工程.MPJ')\n    print(project.Description, project.Files)\n",
      .members = {host::base_constructor("打开 MapGIS 工程文件。")},
  };
  return spec;
}

}  // namespace mapgis
