#include "mapgrid/classes.h"

namespace mapgrid {

const host::ClassSpec& map_grid_class() {
  static const host::ClassSpec spec{
      .name = "MapGrid",
      .base = "KestrinBase",
      .doc = "基本比例尺地形图分幅网格与图幅编号。",
      .members = {host::base_constructor("创建分幅网格工具。")},
  };
  return spec;
}

}  // namespace mapgrid
