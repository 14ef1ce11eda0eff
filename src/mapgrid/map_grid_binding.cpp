// MapGrid: the class, its alphabets, the 1:1,000,000 corner, and what its
// operations share (members reached through the class, code texts).
#include <climits>

#include "host/text_units.h"
#include "mapgrid/classes.h"
#include "mapgrid/code_scanner.h"
#include "mapgrid/members.h"
#include "mapgrid/names.h"
#include "pymath/unicode.h"

namespace mapgrid {

using host::Args;
using host::checked;
using host::Ref;

namespace {

PyObject* alphabet_name(Alphabet alphabet) {
  switch (alphabet) {
    case Alphabet::RowLetters:
      return names::_MapGrid__mapcode;
    case Alphabet::Quarters:
      return names::_MapGrid__mapword;
    case Alphabet::QuartersLower:
      return names::_MapGrid__mapword5000;
    case Alphabet::ScaleLetters:
      break;
  }
  return names::_MapGrid__scalecode;
}

template <Alphabet kAlphabet>
Ref make_alphabet(const host::ClassContext&) {
  return host::text(kAlphabetTexts[static_cast<int>(kAlphabet)]);
}

}  // namespace

// ---- alphabets ----

namespace {

// The alphabet of `cls` where reading it runs no code (an attribute of a class
// made by type, no descriptor), or null.
PyObject* plain_alphabet(PyObject* cls, Alphabet alphabet) {
  return host::plain_class_attribute(cls, alphabet_name(alphabet));
}

bool is_own_text(PyObject* value, Alphabet alphabet) {
  const std::string_view own = kAlphabetTexts[static_cast<int>(alphabet)];
  return PyUnicode_CheckExact(value) && PyUnicode_IS_ASCII(value) &&
         static_cast<std::size_t>(PyUnicode_GET_LENGTH(value)) == own.size() &&
         std::string_view(static_cast<const char*>(PyUnicode_DATA(value)), own.size()) == own;
}

}  // namespace

AlphabetValue::AlphabetValue(PyObject* cls, Alphabet alphabet) : alphabet_(alphabet), own_(false) {
  // An alphabet read through code (a descriptor, a metaclass) is no own one,
  // even when it gives the own text: that code may have changed the class.
  if (PyObject* plain = plain_alphabet(cls, alphabet)) {
    value_ = Ref::borrow(plain);
    own_ = is_own_text(plain, alphabet);
  } else {
    value_ = host::get_attr(cls, alphabet_name(alphabet));
  }
}

Ref AlphabetValue::item(long long index) const {
  Ref key = host::integer(index);
  return checked(PyObject_GetItem(value_.get(), key.get()));
}

long long AlphabetValue::find(PyObject* letter) const {
  Ref found = host::call_method(value_.get(), names::find, letter);
  const long long index = host::as_int64(found.get());
  if (index > INT_MAX || index < INT_MIN) host::raise(PyExc_OverflowError, "alphabet index out of range");
  return index;
}

bool own_alphabets(PyObject* cls) {
  for (Alphabet alphabet : {Alphabet::RowLetters, Alphabet::Quarters, Alphabet::QuartersLower, Alphabet::ScaleLetters}) {
    PyObject* plain = plain_alphabet(cls, alphabet);
    if (plain == nullptr || !is_own_text(plain, alphabet)) return false;
  }
  return true;
}

// ---- code texts ----

void CodeText::append_object(PyObject* object) {
  Ref piece = checked(PyObject_Format(object, nullptr));
  if (PyUnicode_IS_ASCII(piece.get())) {
    ascii_.append(static_cast<const char*>(PyUnicode_DATA(piece.get())),
                  static_cast<std::size_t>(PyUnicode_GET_LENGTH(piece.get())));
    return;
  }
  if (!ascii_.empty()) {
    parts_.push_back(host::text(ascii_));
    ascii_.clear();
  }
  parts_.push_back(std::move(piece));
}

Ref CodeText::text() const {
  if (parts_.empty()) return host::text(ascii_);
  Ref list = checked(PyList_New(0));
  for (const Ref& part : parts_) host::checked_status(PyList_Append(list.get(), part.get()));
  if (!ascii_.empty()) host::checked_status(PyList_Append(list.get(), host::text(ascii_).get()));
  Ref empty = host::text("");
  return checked(PyUnicode_Join(empty.get(), list.get()));
}

// ---- the corner ----

void raise_invalid_code() { host::raise(PyExc_Exception, "Invalid [code] parameter."); }

CornerEdges::CornerEdges(PyObject* answer) {
  // list(answer.values())[0] and [1]: further values are not looked at, and a
  // missing one fails with the list's IndexError.
  Ref values = PyDict_CheckExact(answer) ? checked(PyDict_Values(answer))
                                         : checked(PySequence_List(host::call_method(answer, names::values).get()));
  west_ = host::get_index(values.get(), 0);
  south_ = host::get_index(values.get(), 1);
}

namespace {

// Whether the host's arithmetic of `use` takes an edge by its value alone, so
// that no script code runs and the double of the value stands for it: an int
// or a float whose type adds as its base does (map adds an edge to a sheet's
// offset too), and for a float that map subtracts from the position, also
// subtracts so (a float's subclass is asked first for `position - edge`).
bool taken_by_value(PyObject* v, CornerEdges::Use use) {
  const PyNumberMethods* own = Py_TYPE(v)->tp_as_number;
  if (PyFloat_Check(v)) {
    const PyNumberMethods* base = PyFloat_Type.tp_as_number;
    return own->nb_add == base->nb_add &&
           (use == CornerEdges::Use::Added || own->nb_subtract == base->nb_subtract);
  }
  return PyLong_Check(v) && own->nb_add == PyLong_Type.tp_as_number->nb_add;
}

}  // namespace

double CornerEdges::degrees(const Ref& value, Use use, double operand) {
  PyObject* v = value.get();
  if (taken_by_value(v, use)) {
    if (PyFloat_Check(v)) return PyFloat_AS_DOUBLE(v);
    const double degrees = PyLong_AsDouble(v);  // correctly rounded, as an int meets a float in the host
    if (degrees == -1.0 && PyErr_Occurred()) host::raise_pending();
    return degrees;
  }
  // Anything else meets the operation, whose failure passes; what it answers is no edge.
  Ref number = host::real(operand);
  Ref outcome = checked(use == Use::SubtractedFrom ? PyNumber_Subtract(number.get(), v) : PyNumber_Add(v, number.get()));
  host::raise_format(PyExc_TypeError, "Expected int, got %.200s", Py_TYPE(v)->tp_name);
}

double CornerEdges::west_degrees(Use use, double operand) const {
  return is_own_ ? static_cast<double>(own_.west) : degrees(west_, use, operand);
}
double CornerEdges::south_degrees(Use use, double operand) const {
  return is_own_ ? static_cast<double>(own_.south) : degrees(south_, use, operand);
}

Ref CornerEdges::plus(const Ref& value, long long offset) {
  if (offset == 0) return value;
  Ref amount = host::integer(offset);
  return checked(PyNumber_Add(value.get(), amount.get()));
}

Ref CornerEdges::west_plus(long long offset) const {
  return is_own_ ? host::integer(own_.west + offset) : plus(west_, offset);
}
Ref CornerEdges::south_plus(long long offset) const {
  return is_own_ ? host::integer(own_.south + offset) : plus(south_, offset);
}

Corner own_corner_of(PyObject* cls, bool southern, char32_t row_letter, long long column) {
  const AlphabetValue rows(cls, Alphabet::RowLetters);
  long long index = -1;
  if (rows.own()) {
    if (row_letter >= 'A' && row_letter <= 'W') index = row_letter - 'A';
  } else {
    Ref letter = checked(PyUnicode_FromOrdinal(static_cast<int>(row_letter)));
    index = rows.find(letter.get());
  }
  // A letter that the case-blind pattern admits but whose upper case is no row
  // letter (the Kelvin sign, I with a dot) names no band.
  if (index < 0) raise_invalid_code();
  return corner_of(column, index, southern);
}

Corner own_corner(PyObject* cls, PyObject* code) {
  struct Found {
    bool matched;
    bool southern;
    char32_t letter;
    long long column;
  };
  const Found found = host::with_units(code, [](const auto* text, std::size_t size) -> Found {
    const auto prefix = scan::search_prefix(text, size, scan::PrefixForm::Corner);
    if (!prefix) return {false, false, 0, 0};
    const bool southern = !prefix->hemisphere.empty() &&
                          pymath::unicode::folded_ascii_letter(text[prefix->hemisphere.begin]) == 'S';
    return {true, southern, scan::upper_admitted(text[prefix->row.begin]), scan::digits_value(text, prefix->column)};
  });
  if (!found.matched) raise_invalid_code();
  return own_corner_of(cls, found.southern, found.letter, found.column);
}

CornerEdges corner_through(PyObject* cls, PyObject* code) {
  if (host::finds_own_member(cls, names::_MapGrid__corner1000000, corner_body)) {
    return CornerEdges(own_corner(host::class_bound_to(cls), code));
  }
  Ref answer = host::call_method(cls, names::_MapGrid__corner1000000, code);
  return CornerEdges(answer.get());
}

Ref corner_body(const Args& args) {
  const Corner corner = own_corner(args.self(), args[0]);
  return host::DictBuilder(2).put(names::longitude, corner.west).put(names::latitude, corner.south).take();
}

// ---- results ----

Ref boundary_dict(const Boundary& boundary) {
  return host::DictBuilder(4)
      .put(names::north, boundary.north)
      .put(names::south, boundary.south)
      .put(names::west, boundary.west)
      .put(names::east, boundary.east)
      .take();
}

Ref scale_object(int scale) { return host::integer(kScales[scale].denominator); }

// ---- the class ----

namespace {

constexpr const char* kClassDoc =
    "基本比例尺地形图分幅网格与图幅编号。\n"
    "\n"
    "依据 GB/T 13989-2012《国家基本比例尺地形图分幅和编号》（2012-06-29 发布，2012-10-01 实施），\n"
    "支持 1:1000000、1:500000、1:250000、1:100000、1:50000、1:25000、1:10000、1:5000、\n"
    "1:2000、1:1000、1:500 共十一种比例尺，另加标准之外、沿用旧编号的 1:200000。\n"
    "\n"
    "    map    由经纬度与比例尺求图幅的新图号、旧图号与图幅范围\n"
    "    parse  由新图号或旧图号求比例尺与图幅范围\n"
    "    grid   视窗内的分幅格网线（生成器）\n";

constexpr const char* kCornerDoc =
    "图号中 1:1000000 图幅部分（如 J47、J-47、SJ47）所指图幅的西南角点，\n"
    "返回 {'longitude': 西图廓经度, 'latitude': 南图廓纬度}，均为整度数。\n"
    "例：J47 → {'longitude': 96, 'latitude': 36}；SJ47 → {'longitude': 96, 'latitude': -40}。";

constexpr const char* kMapDoc =
    "由经纬度求所在图幅的新图号、旧图号与图幅范围。\n"
    "\n"
    "longitude：经度，-180～+180（180 无对应图幅）；latitude：纬度，-90～+90；\n"
    "scale：比例尺分母，为 1000000、500000、250000、200000、100000、50000、25000、\n"
    "10000、5000、2000、1000、500 之一，默认 1000000。\n"
    "返回 {'new': 新图号, 'old': 旧图号, 'boundary': {'north', 'south', 'west', 'east'}}；\n"
    "位于图廓线上的点归北侧、东侧图幅。1:200000 只有一种图号，新旧相同。\n"
    "\n"
    "例：map(101, 37) → new 'J47'，old 'J-47'，范围北 40、南 36、西 96、东 102；\n"
    "    map(101, 37, 500) → new 'J47K17281921'，old 'J-47-107-(57)-c-7-3-3'。";

constexpr const char* kParseDoc =
    "由图号求比例尺与图幅范围。\n"
    "\n"
    "code：新图号（如 J47、J47D009011、J47K17281921）或旧图号（如 J-47-D、J-47-[12]、\n"
    "J-47-(30)、J-47-107、J-47-107-C-3、J-47-107-(57)-c-7-3-3），大小写均可，\n"
    "各部分之间可有空白；南半球图号以 S 开头。旧图号先换算为同一图幅的新图号再解析。\n"
    "返回 {'scale': 比例尺分母, 'boundary': {'north', 'south', 'west', 'east'}}。\n"
    "\n"
    "例：parse('J-47-107-(57)') 与 parse('J47G072081') 都得到 scale 10000，\n"
    "    范围北 37.041666666666664、南 37.0、西 101.0、东 101.0625。";

constexpr const char* kGridDoc =
    "视窗内的分幅格网线，逐条生成。\n"
    "\n"
    "north、south：-90～+90，north 不小于 south；west、east：-180～+180，east 不小于 west；\n"
    "zoom：缩放级别，6 至 15 依次对应 1:500000 至 1:1000，16 及以上为 1:500，其余为 1:1000000；\n"
    "summary 为真时只生成一个摘要 {'count': [经线数, 纬线数], 'step': [经差, 纬差], 'scale': 比例尺分母}。\n"
    "否则先自西向东生成经线，再自南向北生成纬线，每条为\n"
    "{'remarks': 'longitude' 或 'latitude', 'type': 'LineString', 'coordinates': [[经, 纬], [经, 纬]], 'scale': 比例尺分母}。\n"
    "\n"
    "例：grid(40, 20, 80, 100) 生成经线 84.0、90.0、96.0 与纬线 20.0、24.0 … 40.0。";

}  // namespace

const host::ClassSpec& map_grid_class() {
  using host::MethodKind;
  using host::param;
  static const host::ClassSpec spec{
      .name = "MapGrid",
      .base = "KestrinBase",
      .doc = kClassDoc,
      .members =
          {
              host::base_constructor("创建分幅网格工具（无实例状态，各方法均可在类上直接调用）。"),
              host::Constant{.name = "__mapcode", .make = make_alphabet<Alphabet::RowLetters>},
              host::Constant{.name = "__mapword", .make = make_alphabet<Alphabet::Quarters>},
              host::Constant{.name = "__mapword5000", .make = make_alphabet<Alphabet::QuartersLower>},
              host::Constant{.name = "__scalecode", .make = make_alphabet<Alphabet::ScaleLetters>},
              host::Method{.name = "__corner1000000",
                           .kind = MethodKind::Class,
                           .params = {param("code", "str").exactly(&PyUnicode_Type)},
                           .returns = "Union[dict, None]",
                           .doc = kCornerDoc,
                           .body = corner_body},
              host::Method{.name = "map",
                           .kind = MethodKind::Class,
                           .params = {param("longitude", "float").real(), param("latitude", "float").real(),
                                      param("scale", "int").exactly(&PyLong_Type).defaults_to(host::int_default(1000000))},
                           .returns = "dict",
                           .doc = kMapDoc,
                           .body = map_body},
              host::Method{.name = "parse",
                           .kind = MethodKind::Class,
                           .params = {param("code", "str").exactly(&PyUnicode_Type)},
                           .returns = "dict",
                           .doc = kParseDoc,
                           .body = parse_body},
              host::Method{.name = "grid",
                           .kind = MethodKind::Static,
                           .params = {param("north", "float").real(), param("south", "float").real(),
                                      param("west", "float").real(), param("east", "float").real(),
                                      param("zoom", "int").exactly(&PyLong_Type).defaults_to(host::int_default(0)),
                                      param("summary", "bool").defaults_to(host::bool_default(false))},
                           .returns = "Iterator",
                           .doc = kGridDoc,
                           .body = grid_body},
          },
  };
  return spec;
}

}  // namespace mapgrid
