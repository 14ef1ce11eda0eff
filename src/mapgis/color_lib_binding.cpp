// MapGisColorLib: colour numbers of Pcolor.lib to CMYK, RGB and HEX colours.
//
// The library is optional: when it cannot be found or read, the object has no
// colours and every conversion answers the caller's default. `count` and the
// buffer are read from the object at every call, and RGB and HEX reach CMYK and
// RGB through the object, so scripts and subclasses can change either.
#include <cmath>
#include <cstring>

#include "host/file.h"
#include "host/module.h"
#include "mapgis/names.h"
#include "host/kept.h"
#include "host/ops.h"
#include "mapgis/classes.h"
#include "mapgis/colour.h"

namespace mapgis {

using host::Args;
using host::checked;
using host::checked_status;
using host::Ref;

namespace {

constexpr const char* kLibraryPlace = "MapGIS/Slib/Pcolor.lib";

bool is_blank(PyObject* name) {
  const int kind = PyUnicode_KIND(name);
  const void* data = PyUnicode_DATA(name);
  for (Py_ssize_t i = 0; i < PyUnicode_GET_LENGTH(name); ++i) {
    if (!Py_UNICODE_ISSPACE(PyUnicode_READ(kind, data, i))) return false;
  }
  return true;
}

[[noreturn]] void raise_not_a_path(PyObject* value) {
  host::raise_format(PyExc_TypeError,
                     "argument should be a str or an os.PathLike object where __fspath__ returns a str, not '%.200s'",
                     Py_TYPE(value)->tp_name);
}

// Pcolor.lib inside the folder of the module's own file (pathlib's
// Path(__file__).parent), as a file-system path; empty when it cannot be formed.
std::string beside_module() {
  Ref file = host::module_global(names::__file__);
  if (!PyUnicode_Check(file.get())) raise_not_a_path(file.get());
  std::string path = host::file_system_path(file.get());
  if (path.empty()) return path;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  if (folder.back() != '/') folder += '/';
  return folder + kLibraryPlace;
}

// The text of a found place, absolute with links resolved: str(Path(place).resolve()),
// always a plain str, whatever a replaced os.path.realpath answers.
Ref resolved(const std::string& place) {
  Ref text = checked(PyUnicode_DecodeFSDefaultAndSize(place.data(), static_cast<Py_ssize_t>(place.size())));
  Ref os_path = host::import_module("os.path");
  Ref realpath = checked(PyObject_GetAttrString(os_path.get(), "realpath"));
  Ref real = host::call(realpath.get(), text.get());
  if (!PyUnicode_Check(real.get())) raise_not_a_path(real.get());
  return checked(PyUnicode_FromObject(real.get()));
}

// The default library: beside the module, then under the file-system root.
// A place that exists in any form is taken; a failing existence test counts as
// "not there", since the library is optional.
Ref default_library() {
  for (const std::string& place : {beside_module(), std::string("/") + kLibraryPlace}) {
    if (host::path_exists(place)) return resolved(place);
  }
  return host::none();
}

// Reads the colour records into the object. Ordinary errors leave the object
// without colours; interrupts and exit requests propagate.
void load(PyObject* self, PyObject* name) {
  try {
    host::InputFile file(name);
    file.seek(static_cast<long>(colour::head_layout().size()));
    const std::string body = file.read_rest();
    Ref buffer = checked(PyBytes_FromStringAndSize(body.data(), static_cast<Py_ssize_t>(body.size())));
    host::set_attr(self, names::_MapGisColorLib__ColorBuffer, buffer.get());
    Ref count = checked(PyLong_FromSize_t(body.size() / colour::record_layout().size()));
    host::set_attr(self, names::count, count.get());
    host::set_attr(self, names::PcolorLibFile, name);
  } catch (const host::HostError&) {
    if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
    PyErr_Clear();
    Ref zero = checked(PyLong_FromLong(0));
    host::set_attr(self, names::count, zero.get());
  }
}

Ref construct(const Args& args) {
  host::init_base(args);
  PyObject* self = args.self();
  PyObject* given = args[0];
  Ref name = (given == Py_None || is_blank(given)) ? default_library() : Ref::borrow(given);
  host::set_attr(self, names::PcolorLibFile, Py_None);
  Ref zero = checked(PyLong_FromLong(0));
  host::set_attr(self, names::count, zero.get());
  host::set_attr(self, names::_MapGisColorLib__ColorBuffer, Py_None);
  if (name.get() != Py_None && PyUnicode_GET_LENGTH(name.get()) > 0 && host::is_regular_file(name.get())) {
    load(self, name.get());
  }
  return host::none();
}

// 1 <= index <= self.count for an int index, with `count` read now, and only
// once 1 <= index holds, as the chained comparison reads it. `plain` tells
// whether the test ran no script code (an int count of the object's own): the
// same test in the RGB and CMYK it reaches would then answer alike, and may be
// left out.
bool in_range(PyObject* self, PyObject* index, bool* plain = nullptr) {
  if (plain != nullptr) *plain = false;
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(index, &overflow);
  if (overflow < 0 || (overflow == 0 && number < 1)) return false;
  // Decided before the read: a property's getter could take itself away.
  const bool own_count = plain != nullptr && host::reads_own_attribute(self, names::count);
  Ref count = host::get_attr(self, names::count);
  if (overflow == 0 && PyLong_CheckExact(count.get())) {
    int count_overflow = 0;
    const long long limit = PyLong_AsLongLongAndOverflow(count.get(), &count_overflow);
    if (count_overflow == 0) {
      if (plain != nullptr) *plain = own_count;
      return number <= limit;
    }
  }
  return checked_status(PyObject_RichCompareBool(index, count.get(), Py_LE)) != 0;
}

// Colour record `number` (from 1) of a plain bytes buffer; the host's unpack
// error when the buffer ends before it.
const unsigned char* record_in(PyObject* buffer, long long number) {
  const std::size_t size = colour::record_layout().size();
  const auto records = static_cast<unsigned long long>(PyBytes_GET_SIZE(buffer)) / size;
  if (static_cast<unsigned long long>(number) > records) host::raise_short_record(size);
  return reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(buffer)) + size * static_cast<std::size_t>(number - 1);
}

// The 32 bytes of colour number `index`, sliced from the buffer as
// buffer[32 * (index - 1):32 * index]; never read past its end.
void read_record(PyObject* self, PyObject* index, unsigned char* record) {
  const std::size_t size = colour::record_layout().size();
  Ref buffer = host::get_attr(self, names::_MapGisColorLib__ColorBuffer);
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(index, &overflow);
  if (PyBytes_CheckExact(buffer.get()) && overflow == 0 && number >= 1) {
    std::memcpy(record, record_in(buffer.get(), number), size);
    return;
  }
  Ref width = checked(PyLong_FromSize_t(size));
  Ref one = checked(PyLong_FromLong(1));
  Ref before = checked(PyNumber_Subtract(index, one.get()));
  Ref start = checked(PyNumber_Multiply(width.get(), before.get()));
  Ref stop = checked(PyNumber_Multiply(width.get(), index));
  Ref slice = checked(PySlice_New(start.get(), stop.get(), nullptr));
  Ref part = host::get_item(buffer.get(), slice.get());
  Py_buffer view;
  if (PyObject_GetBuffer(part.get(), &view, PyBUF_SIMPLE) < 0) {
    PyErr_Clear();
    host::raise_format(PyExc_TypeError, "a bytes-like object is required, not '%.200s'", Py_TYPE(part.get())->tp_name);
  }
  const bool whole = static_cast<std::size_t>(view.len) == size;
  if (whole) std::memcpy(record, view.buf, size);
  PyBuffer_Release(&view);
  if (!whole) host::raise_short_record(size);
}

Ref integer_tuple(std::initializer_list<std::int64_t> values) {
  Ref tuple = checked(PyTuple_New(static_cast<Py_ssize_t>(values.size())));
  Py_ssize_t i = 0;
  for (std::int64_t value : values) PyTuple_SET_ITEM(tuple.get(), i++, checked(PyLong_FromLongLong(value)).release());
  return tuple;
}

Ref cmyk(const Args& args) {
  PyObject* self = args.self();
  PyObject* index = args[0];
  if (!in_range(self, index)) return Ref::borrow(args[1]);
  unsigned char record[colour::kRecordSize];
  read_record(self, index, record);
  const colour::Cmyk v = colour::cmyk_of(colour::shares_of(record));
  return integer_tuple({v.c, v.m, v.y, v.k});
}

// The double of an exact int or float share, or false for any other object.
bool plain_number(PyObject* value, double& out) {
  if (PyFloat_CheckExact(value)) {
    out = PyFloat_AS_DOUBLE(value);
    return true;
  }
  if (PyLong_CheckExact(value) || PyBool_Check(value)) {
    out = PyLong_AsDouble(value);  // OverflowError as for int / float
    if (out == -1.0 && PyErr_Occurred()) host::raise_pending();
    return true;
  }
  return false;
}

// round(x), then min(., 255), then max(., 0), for a double x.
std::int64_t channel_value(double x) {
  pymath::Error error{};
  const double rounded = pymath::round_to_integer(x, error);
  return colour::clamp_channel(host::checked_math(rounded, error));
}

// The same steps on arbitrary host numbers, for a CMYK replaced by a script.
Ref rgb_of_objects(const Ref (&cmyk)[4]) {
  Ref hundred = checked(PyFloat_FromDouble(100.0));
  Ref one = checked(PyLong_FromLong(1));
  Ref full = checked(PyLong_FromLong(255));
  Ref zero = checked(PyLong_FromLong(0));
  Ref share[4];
  for (int i = 0; i < 4; ++i) share[i] = checked(PyNumber_TrueDivide(cmyk[i].get(), hundred.get()));
  Ref round = host::builtin(names::round);
  Ref result = checked(PyTuple_New(3));
  for (int i = 0; i < 3; ++i) {
    Ref ink = checked(PyNumber_Subtract(one.get(), share[i].get()));
    Ref scaled = checked(PyNumber_Multiply(full.get(), ink.get()));
    Ref light = checked(PyNumber_Subtract(one.get(), share[3].get()));
    Ref value = host::call(round.get(), checked(PyNumber_Multiply(scaled.get(), light.get())).get());
    if (checked_status(PyObject_RichCompareBool(full.get(), value.get(), Py_LT))) value = full;
    if (checked_status(PyObject_RichCompareBool(zero.get(), value.get(), Py_GT))) value = zero;
    PyTuple_SET_ITEM(result.get(), i, value.release());
  }
  return result;
}

// The colour of number `index` computed here, for when the object's CMYK is
// the module's own.
colour::Rgb own_rgb(PyObject* self, PyObject* index) {
  unsigned char record[colour::kRecordSize];
  read_record(self, index, record);
  return colour::rgb_of_record(record);
}

Ref rgb_of_cmyk_answer(PyObject* answer, PyObject* fallback) {
  if (answer == Py_None) return Ref::borrow(fallback);
  Ref cmyk[4];
  host::unpack(answer, 4, cmyk);
  double share[4];
  for (int i = 0; i < 4; ++i) {
    if (!plain_number(cmyk[i].get(), share[i])) return rgb_of_objects(cmyk);
    share[i] = share[i] / 100.0;
  }
  const std::int64_t r = channel_value(colour::channel(share[0], share[3]));
  const std::int64_t g = channel_value(colour::channel(share[1], share[3]));
  const std::int64_t b = channel_value(colour::channel(share[2], share[3]));
  return integer_tuple({r, g, b});
}

Ref rgb(const Args& args) {
  PyObject* self = args.self();
  PyObject* index = args[0];
  bool plain = false;
  if (!in_range(self, index, &plain)) return Ref::borrow(args[1]);
  if (plain && host::finds_own_member(self, names::CMYK, cmyk)) {
    const colour::Rgb v = own_rgb(self, index);
    return integer_tuple({v.r, v.g, v.b});
  }
  Ref answer = host::call_method(self, names::CMYK, index);
  return rgb_of_cmyk_answer(answer.get(), args[1]);
}

// "#{:02X}{:02X}{:02X}".format(r, g, b), for any values an RGB may answer.
Ref hex_of_objects(const Ref (&rgb)[3]) {
  Ref text = host::text("#");
  Ref spec = host::text("02X");
  for (const Ref& value : rgb) {
    Ref digits = checked(PyObject_Format(value.get(), spec.get()));
    text = checked(PyUnicode_Concat(text.get(), digits.get()));
  }
  return text;
}

Ref hex_of(PyObject* self, PyObject* index, PyObject* fallback) {
  bool plain = false;
  if (!in_range(self, index, &plain)) return Ref::borrow(fallback);
  char text[8];
  if (plain && host::finds_own_member(self, names::RGB, rgb) && host::finds_own_member(self, names::CMYK, cmyk)) {
    colour::hex_text(own_rgb(self, index), text);
    return checked(PyUnicode_FromStringAndSize(text, 7));
  }
  Ref answer = host::call_method(self, names::RGB, index);
  if (answer.get() == Py_None) return Ref::borrow(fallback);
  Ref channels[3];
  host::unpack(answer.get(), 3, channels);
  colour::Rgb value{};
  std::int64_t* slots[3] = {&value.r, &value.g, &value.b};
  for (int i = 0; i < 3; ++i) {
    if (!PyLong_CheckExact(channels[i].get())) return hex_of_objects(channels);
    const long number = PyLong_AsLong(channels[i].get());
    if (number < 0 || number > 255) {
      PyErr_Clear();
      return hex_of_objects(channels);
    }
    *slots[i] = number;
  }
  colour::hex_text(value, text);
  return checked(PyUnicode_FromStringAndSize(text, 7));
}

Ref hex(const Args& args) { return hex_of(args.self(), args[0], args[1]); }

}  // namespace

ColourSnapshot::ColourSnapshot(PyObject* colours) {
  // count and the buffer as HEX would read them, taken from the library's own
  // dictionary (no property or look-up of a script's runs).
  if (!own_colours(colours) || !host::reads_own_attribute(colours, names::count) ||
      !host::reads_own_attribute(colours, names::_MapGisColorLib__ColorBuffer)) {
    return;
  }
  Ref count = Ref::steal(PyObject_GetAttr(colours, names::count));
  Ref buffer = Ref::steal(PyObject_GetAttr(colours, names::_MapGisColorLib__ColorBuffer));
  if (!count || !buffer) {
    PyErr_Clear();  // a missing attribute: HEX itself reports it
    return;
  }
  int overflow = 0;
  if (PyLong_CheckExact(count.get())) {
    count_ = PyLong_AsLongLongAndOverflow(count.get(), &overflow);
    valid_ = overflow == 0 && (count_ < 1 || PyBytes_CheckExact(buffer.get()));
    buffer_ = buffer.get();
  }
}

Ref ColourSnapshot::text(std::int32_t number, PyObject* fallback) const {
  if (number < 1 || number > count_) return Ref::borrow(fallback);
  char text[8];
  colour::hex_text(colour::rgb_of_record(record_in(buffer_, number)), text);
  return checked(PyUnicode_FromStringAndSize(text, 7));
}

bool own_colours(PyObject* colours) {
  return host::finds_own_member(colours, names::HEX, hex) && host::finds_own_member(colours, names::RGB, rgb) &&
         host::finds_own_member(colours, names::CMYK, cmyk);
}

const host::ClassSpec& color_lib_class() {
  using host::param;
  static const auto index = param("index", "int").exactly(&PyLong_Type).defaults_to(host::int_default(1));
  static const host::ClassSpec spec{
      .name = "MapGisColorLib",
      .base = "KestrinBase",
      .doc = "MapGIS 颜色库（Pcolor.lib）读取器：颜色号转换为 CMYK、RGB 颜色。\n"
             "\n"
             "示例：\n"
             "    colors = MapGisColorLib()          # 在模块目录或根目录下查找 MapGIS/Slib/Pcolor.lib\n"
             "    colors.HEX(5, '#000000')\n",
      .members = {
          host::Constant{.name = "__PcolorLibHead", .text = colour::kHeadLayout},
          host::Constant{.name = "__PcolorLibBody", .text = colour::kRecordLayout},
          host::Method{
              .name = "__init__",
              .params = {param("mapGisColorLib", "str").exactly(&PyUnicode_Type).or_none().defaults_to(host::none_default())},
              .doc = "打开颜色库；不给文件名（或为空白）时查找默认颜色库。读不到颜色库时不报错，count 为 0。",
              .body = construct,
          },
          host::Method{
              .name = "CMYK",
              .params = {index, param("defaultColor", "tuple").exactly(&PyTuple_Type).defaults_to(host::tuple_default({0, 0, 0, 100}))},
              .returns = "Union[tuple, None]",
              .doc = "颜色号转换为 (C, M, Y, K) 百分比；颜色号超出范围时返回 defaultColor。",
              .body = cmyk,
          },
          host::Method{
              .name = "RGB",
              .params = {index, param("defaultColor", "tuple").exactly(&PyTuple_Type).defaults_to(host::tuple_default({0, 0, 0}))},
              .returns = "Union[tuple, None]",
              .doc = "颜色号转换为 (R, G, B)；颜色号超出范围时返回 defaultColor。",
              .body = rgb,
          },
          host::Method{
              .name = "HEX",
              .params = {index, param("defaultColor", "str").exactly(&PyUnicode_Type).defaults_to(host::text_default("#000000"))},
              .returns = "Union[str, None]",
              .doc = "颜色号转换为 \"#RRGGBB\"；颜色号超出范围时返回 defaultColor。",
              .body = hex,
          },
      },
  };
  return spec;
}

}  // namespace mapgis
