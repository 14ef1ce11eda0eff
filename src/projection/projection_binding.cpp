// Projection: the class frame, the reference-system record and table, and the
// member table that registers every method with its parameters.
#include <iterator>
#include <string>

#include "host/ops.h"
#include "projection/classes.h"

namespace projection {

namespace {

using host::param;
using host::Ref;

// One reference system: its record values and the keys that share its record.
struct ReferenceSystem {
  long long year;
  std::initializer_list<const char*> aliases;
  double a;  // semi-major axis, metres
  double f;  // flattening: the double of 1 / (inverse flattening)
  const char* name;
  const char* spheroid;
  const char* datum;
};

// Krassowsky 1940 (1/298.3), IAG 1975 (1/298.257), WGS 84 (1/298.257223563)
// and GRS 1980 (1/298.257222101).
const ReferenceSystem kSystems[] = {
    {1954, {"beijing", "peking", "beijing1954"}, 6378245.0, 0.003352329869259135,
     "1954 Beijing coordinate system", "Krassowsky 1940", "Krassowsky_1940"},
    {1980, {"xian", "xi'an", "xi an", "xian1980"}, 6378140.0, 0.0033528131778969143,
     "1980 Xi'an coordinate system", "IAG 1975", "IAG_1975"},
    {1984, {"wgs", "wgs84", "wgs1984"}, 6378137.0, 0.0033528106647474805,
     "1984 International geodetic coordinate system", "WGS 84", "WGS_1984"},
    {2000, {"cgcs", "cgcs2000"}, 6378137.0, 0.003352810681182319,
     "2000 National coordinate system", "GRS 1980", "GRS_1980"},
};

Ref make_crs(const host::ClassContext& context) {
  return host::make_record_class(context, "CRS", "参考椭球体-坐标参照系（Coordinate Reference System）概要结构",
                                 {{"a", "float"}, {"f", "float"}, {"name", "str"}, {"spheroid", "str"},
                                  {"datum", "str"}});
}

// Every key of a system maps to the one record of that system.
Ref make_datum(const host::ClassContext& context) {
  // Owned: making a record runs the record class's own __init__.
  const Ref crs = Ref::borrow(PyDict_GetItemString(context.namespace_, "CRS"));
  if (!crs) host::raise(PyExc_SystemError, "the CRS record class is made before the table");
  host::DictBuilder table(16);
  for (std::size_t i = 0; i < std::size(kSystems); ++i) {
    const ReferenceSystem& system = kSystems[i];
    Ref record = host::call(crs.get(), host::real(system.a).get(), host::real(system.f).get(),
                            host::text(system.name).get(), host::text(system.spheroid).get(),
                            host::text(system.datum).get());
    Ref year = host::integer(system.year);
    table.put(year.get(), record);
    for (const char* alias : system.aliases) table.put(host::text(alias).get(), record);
  }
  return table.take();
}

constexpr const char* kClassDoc = "几何要素坐标投影变换类，支持高斯-克吕格、球体墨卡托、阿尔勃斯、兰伯特投影正反算";

constexpr const char* kAngleDoc =
    "角度格式转换：十进制度与度分秒文本互转。\n"
    "\n"
    "参数：\n"
    "    deg: 十进制度（数值或文本，如 116.5、'-116.5°'），范围 -360 ～ +360；给出时转换为度分秒文本，\n"
    "         不再读取 dms。\n"
    "    dms: 度分秒（数值或文本），可写作十进制度 '116.5'、连写 '1163030.5'（DDDMMSS）或带符号\n"
    "         '116°30′30″'、'116度30分30秒'；结果范围 -360 ～ +360。\n"
    "    digit: 秒（deg 时）或度（dms 时）保留的小数位数，取整数的绝对值；默认 None 不取舍。\n"
    "返回：deg 给出时为文本 '116°30′0.0″'，否则为十进制度（浮点数）。\n";

constexpr const char* kGeodesicsDoc =
    "两点间的椭球面大地线长度（Vincenty 反算公式）。\n"
    "\n"
    "参数：\n"
    "    point1, point2: 两点坐标 (经度, 纬度)，十进制度。\n"
    "    crs: 参考椭球体，1954、1980、1984 或 2000，默认 1984。\n"
    "返回：距离（米）；迭代不收敛时为 None。\n";

constexpr const char* kZoneDoc =
    "经度所在的投影带号。\n"
    "\n"
    "参数：\n"
    "    longitude: 经度，十进制度，-180 ～ +180。\n"
    "    zoneCode: 分带方式，3 为 3 度带，其余为 6 度带，默认 6。\n"
    "返回：带号，6 度带 1～60，3 度带 1～120；分带线上的经度属于其东侧的带。\n";

constexpr const char* kCentralMeridianDoc =
    "投影带的中央经线。\n"
    "\n"
    "参数：\n"
    "    longitude: 经度，十进制度，-180 ～ +180（浮点数）；给出时由它求带号，忽略 zone。\n"
    "    zone: 带号，6 度带 1～60，3 度带 1～120。\n"
    "    zoneCode: 分带方式，3 为 3 度带，其余为 6 度带，默认 6。\n"
    "返回：中央经线，十进制度；6 度带为浮点数，3 度带为整数。\n";

constexpr const char* kWebMercatorDoc =
    "球体（Web）墨卡托投影正反算，WGS 84 椭球长半轴为球半径。\n"
    "\n"
    "参数：\n"
    "    longitude, latitude: 经纬度，十进制度；两者都给出时正算。\n"
    "    x, y: 平面坐标（米）；经纬度不全时反算。\n"
    "返回：正算为 (x, y)，反算为 (经度, 纬度)。\n";

constexpr const char* kGaussKrugerDoc =
    "高斯-克吕格投影正反算。\n"
    "\n"
    "参数：\n"
    "    centralMeridian: 中央经线，十进制度，-180 ～ +180；默认 None 自动取经度所在 6 度带（正算），\n"
    "                     或取 y 的带号（反算，带号 1～30 为 6 度带，31 以上为 3 度带）。\n"
    "    x, y: 纵坐标（北向，米）与横坐标（东向，米，可带带号与 500 千米东偏）；两者都给出时反算。\n"
    "    longitude, latitude: 经度 -180 ～ +180、纬度 -90 ～ +90，十进制度；正算输入。\n"
    "    crs: 参考椭球体，1954、1980、1984 或 2000，默认 2000。\n"
    "返回：正算为 (带号加东偏的横坐标 y, 纵坐标 x)，反算为 (经度, 纬度)。\n";

constexpr const char* kConicParameters =
    "参数：\n"
    "    longitude, latitude: 经纬度，十进制度；两者都给出时正算。\n"
    "    centralMeridian: 中央经线，十进制度，默认 0.0。\n"
    "    originLatitude: 原点纬度，十进制度，默认 0.0。\n"
    "    parallel1, parallel2: 两条标准纬线，十进制度，默认 20.0 与 50.0。\n"
    "    x, y: 平面坐标（米）；经纬度不全时反算。\n"
    "    crs: 参考椭球体，1954、1980、1984 或 2000，默认 2000。\n"
    "返回：正算为 (x, y)，反算为 (经度, 纬度)。\n";

const std::string kAlbersDoc = std::string("阿尔勃斯等积圆锥投影正反算（球体，半径为椭球长半轴）。\n\n") + kConicParameters;
const std::string kLambertDoc = std::string("兰伯特等角圆锥投影正反算（椭球）。\n\n") + kConicParameters;

host::Param optional_float(const char* name) {
  return param(name, "float").optional_real().defaults_to(host::none_default());
}

host::Param year(long long fallback) {
  return param("crs", "int").exactly(&PyLong_Type).defaults_to(host::int_default(fallback));
}

// The nine parameters that albers and lambert share.
std::vector<host::Param> conic_params() {
  return {optional_float("longitude"),
          optional_float("latitude"),
          param("centralMeridian", "float").real().defaults_to(host::real_default(0.0)),
          param("originLatitude", "float").real().defaults_to(host::real_default(0.0)),
          param("parallel1", "float").real().defaults_to(host::real_default(20.0)),
          param("parallel2", "float").real().defaults_to(host::real_default(50.0)),
          optional_float("x"),
          optional_float("y"),
          year(2000)};
}

}  // namespace

const host::ClassSpec& projection_class() {
  using host::MethodKind;
  const auto angle_text = [](const char* name) {
    return param(name, "Union[float, str]").defaults_to(host::none_default());
  };
  static const host::ClassSpec spec{
      .name = "Projection",
      .base = "KestrinBase",
      .doc = kClassDoc,
      .members =
          {
              host::base_constructor("创建坐标投影工具（类方法无需实例即可调用）。"),
              host::Constant{.name = "CRS", .make = make_crs},
              host::Constant{.name = "datum", .make = make_datum},
              host::Method{.name = "angle",
                           .kind = MethodKind::Static,
                           .params = {angle_text("deg"), angle_text("dms"),
                                      param("digit", "Union[int, str]").defaults_to(host::none_default())},
                           .returns = "Union[float, str]",
                           .doc = kAngleDoc,
                           .body = angle},
              host::Method{.name = "geodesics",
                           .kind = MethodKind::Class,
                           .params = {param("point1", "Union[list, tuple]"), param("point2", "Union[list, tuple]"),
                                      year(1984)},
                           .returns = "Union[float, None]",
                           .doc = kGeodesicsDoc,
                           .body = geodesics},
              host::Method{.name = "zone",
                           .kind = MethodKind::Class,
                           .params = {param("longitude", "float").real(),
                                      param("zoneCode", "int").exactly(&PyLong_Type).defaults_to(host::int_default(6))},
                           .returns = "int",
                           .doc = kZoneDoc,
                           .body = zone},
              host::Method{.name = "centralMeridian",
                           .kind = MethodKind::Class,
                           .params = {optional_float("longitude"),
                                      param("zone", "int").exactly(&PyLong_Type).or_none().defaults_to(
                                          host::none_default()),
                                      param("zoneCode", "int").exactly(&PyLong_Type).defaults_to(host::int_default(6))},
                           .returns = "float",
                           .doc = kCentralMeridianDoc,
                           .body = central_meridian},
              host::Method{.name = "webMercator",
                           .kind = MethodKind::Class,
                           .params = {optional_float("longitude"), optional_float("latitude"), optional_float("x"),
                                      optional_float("y")},
                           .returns = "tuple",
                           .doc = kWebMercatorDoc,
                           .body = web_mercator},
              host::Method{.name = "gaussKruger",
                           .kind = MethodKind::Class,
                           .params = {optional_float("centralMeridian"), optional_float("x"), optional_float("y"),
                                      optional_float("longitude"), optional_float("latitude"), year(2000)},
                           .returns = "tuple",
                           .doc = kGaussKrugerDoc,
                           .body = gauss_kruger},
              host::Method{.name = "albers",
                           .kind = MethodKind::Class,
                           .params = conic_params(),
                           .returns = "tuple",
                           .doc = kAlbersDoc.c_str(),
                           .body = albers},
              host::Method{.name = "lambert",
                           .kind = MethodKind::Class,
                           .params = conic_params(),
                           .returns = "tuple",
                           .doc = kLambertDoc.c_str(),
                           .body = lambert},
          },
      .annotations = {{"datum", "dict[Union[int, str], CRS]"}},
  };
  return spec;
}

}  // namespace projection
