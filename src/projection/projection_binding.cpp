#include "projection/classes.h"

namespace projection {

const host::ClassSpec& projection_class() {
  static const host::ClassSpec spec{
      .name = "Projection",
      .base = "KestrinBase",
      .doc = "轻量级坐标投影：高斯-克吕格投影、球面墨卡托投影、阿尔伯斯投影、兰伯特投影。",
      .members = {host::base_constructor("创建坐标投影工具。")},
  };
  return spec;
}

}  // namespace projection
