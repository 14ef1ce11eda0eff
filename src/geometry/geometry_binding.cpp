#include "geometry/classes.h"

namespace geometry {

const host::ClassSpec& geometry_class() {
  static const host::ClassSpec spec{
      .name = "Geometry",
      .base = "KestrinBase",
      .doc = "几何对象的加载、编码、转换与序列化。",
      .members = {host::base_constructor("创建几何工具。")},
  };
  return spec;
}

}  // namespace geometry
