// The class Geometry: its member table. The methods are class methods that
// reach each other through the class they were called on.
#include "geometry/classes.h"
#include "geometry/codec.h"

namespace geometry {

namespace {

constexpr const char* kGeometryDoc =
    "几何对象的加载、编码、转换与序列化。\n"
    "\n"
    "loads 把自由文本、WKT、GeoJSON 文本、嵌套列表或字典加载为 GeoJSON 几何字典；\n"
    "dumps、toWkt 把几何写为 GeoJSON 文本或 WKT；swapXY 交换坐标轴；getXY 提取顶点。\n";

constexpr const char* kLoadsDoc =
    "加载几何：coordinates 可为自由文本、WKT、GeoJSON 文本、嵌套列表或字典；\n"
    "code 为类型代码：-1 自动（默认），0 点，1 线，2 面，None 同 -1。\n"
    "列表与字典中的坐标列表就地规范化（x、y 转为浮点数，删除相邻重复顶点，闭合环），返回新的几何字典。";

host::Param geometry_param() { return host::param("geometry", "Union[dict, list, str]"); }

}  // namespace

const host::ClassSpec& geometry_class() {
  using host::MethodKind;
  using host::param;
  static const host::ClassSpec spec{
      .name = "Geometry",
      .base = "KestrinBase",
      .doc = kGeometryDoc,
      .members = {
          host::base_constructor("创建几何工具（各方法均为类方法，无须创建对象）。"),
          host::Method{
              .name = "loads",
              .kind = MethodKind::Class,
              .params = {param("coordinates", "Union[str, list, dict]"),
                         param("code", "Union[int, None]")
                             .exactly(&PyLong_Type)
                             .or_none()
                             .defaults_to(host::int_default(-1))},
              .returns = "dict",
              .doc = kLoadsDoc,
              .body = loads_method,
          },
          host::Method{
              .name = "dumps",
              .kind = MethodKind::Class,
              .params = {geometry_param()},
              .returns = "str",
              .doc = "把几何写为 GeoJSON 文本（缩进 4 格，保留非 ASCII 字符）；非字典先经 loads 加载。",
              .body = dumps_method,
          },
          host::Method{
              .name = "toWkt",
              .kind = MethodKind::Class,
              .params = {geometry_param()},
              .returns = "str",
              .doc = "把几何写为 WKT 文本；非字典先经 loads 加载。",
              .body = to_wkt_method,
          },
          host::Method{
              .name = "swapXY",
              .kind = MethodKind::Class,
              .params = {geometry_param()},
              .returns = "dict",
              .doc = "就地交换每个顶点的 x、y（每个顶点对象只交换一次），返回该几何字典。",
              .body = swap_xy_method,
          },
          host::Method{
              .name = "getXY",
              .kind = MethodKind::Class,
              .params = {geometry_param(), param("endpoint", "bool").defaults_to(host::bool_default(true))},
              .returns = "list",
              .doc = "提取顶点为元组列表；endpoint 为真时线与环只取首末顶点。",
              .body = get_xy_method,
          },
      },
  };
  return spec;
}

}  // namespace geometry
