// The test probe, `_kestrin_probe`: an extension module of the tests alone.
// It exposes the pure cores of host arithmetic and text, so Python tests can
// hold them against the host's own results, and a class `Sample` made with the
// binding toolkit the way the module's classes are, to test the toolkit itself.
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/kept.h"
#include "host/classes.h"
#include "host/function.h"
#include "host/generator.h"
#include "host/json_writer.h"
#include "host/module.h"
#include "host/names.h"
#include "host/ops.h"
#include "pymath/arithmetic.h"
#include "pymath/chinese_codecs.h"
#include "pymath/float_text.h"
#include "pymath/unicode.h"
#include "probe/probe.h"

namespace {

using host::Args;
using host::checked;
using host::checked_status;
using host::Ref;
using host::param;

#define PROBE_NAMES(X) X(inner) X(static_inner) X(direct) X(_Sample__secret)
PyObject* through_host = nullptr;  // "host"
PyObject* kept_how = nullptr;      // "kept"
KESTRIN_DECLARE_NAMES(PROBE_NAMES)
KESTRIN_DEFINE_NAMES(PROBE_NAMES)

PyObject* g_module = nullptr;

std::vector<probe::ClassMaker>& makers() {
  static std::vector<probe::ClassMaker> registered;
  return registered;
}

// ---- host arithmetic and text ----

Ref float_text(const Args& args) { return host::float_text(args.real(0)); }

Ref fixed_text(const Args& args) {
  const long long digits = host::as_int64(args[1]);
  if (digits < 0 || digits > 10000) host::raise(PyExc_ValueError, "digits out of the probe's range");
  return host::text(pymath::fixed_text(args.real(0), static_cast<int>(digits)));
}

Ref round_digits(const Args& args) {
  const Py_ssize_t ndigits = PyNumber_AsSsize_t(args[1], nullptr);  // clamped, as round() takes it
  if (ndigits == -1 && PyErr_Occurred()) host::raise_pending();
  pymath::Error error{};
  const double value = pymath::round_digits(args.real(0), ndigits, error);
  return host::real(host::checked_math(value, error));
}

Ref round_half_even(const Args& args) {
  pymath::Error error{};
  const double value = pymath::round_to_integer(args.real(0), error);
  return checked(PyLong_FromDouble(host::checked_math(value, error)));
}

// binary(op, x, y): the host's x op y for the operators and functions of two doubles.
Ref binary(const Args& args) {
  const std::string_view op = host::utf8(args[0]);
  const double x = args.real(1);
  const double y = args.real(2);
  pymath::Error error{};
  if (op == "divmod") {
    const auto result = pymath::divmod(x, y, error);
    host::checked_math(0.0, error);
    Ref pair = checked(PyTuple_New(2));
    PyTuple_SET_ITEM(pair.get(), 0, host::real(result.quotient).release());
    PyTuple_SET_ITEM(pair.get(), 1, host::real(result.remainder).release());
    return pair;
  }
  double value = 0.0;
  if (op == "/") value = pymath::divide(x, y, error);
  else if (op == "%") value = pymath::remainder(x, y, error);
  else if (op == "//") value = pymath::floor_divide(x, y, error);
  else if (op == "**") value = pymath::power(x, y, error);
  else if (op == "pow") value = pymath::math_pow(x, y, error);
  else if (op == "atan2") value = pymath::atan2(x, y, error);
  else if (op == "libm_pow") value = pymath::libm_pow(x, y);
  else host::raise(PyExc_ValueError, "unknown operator");
  return host::real(host::checked_math(value, error));
}

// unary(name, x): math.<name>(x), or x ** 2 for "square" and one half of
// pymath::sin_cos for "sin_cos.sin" and "sin_cos.cos"; floor and ceil answer the host's int.
Ref unary(const Args& args) {
  const std::string_view name = host::utf8(args[0]);
  const double x = args.real(1);
  pymath::Error error{};
  double value = 0.0;
  bool integral = false;
  if (name == "sin") value = pymath::sin(x, error);
  else if (name == "cos") value = pymath::cos(x, error);
  else if (name == "tan") value = pymath::tan(x, error);
  else if (name == "asin") value = pymath::asin(x, error);
  else if (name == "acos") value = pymath::acos(x, error);
  else if (name == "atan") value = pymath::atan(x, error);
  else if (name == "sqrt") value = pymath::sqrt(x, error);
  else if (name == "exp") value = pymath::exp(x, error);
  else if (name == "log") value = pymath::log(x, error);
  else if (name == "square") value = pymath::square(x, error);
  else if (name == "sin_cos.sin") value = pymath::sin_cos(x, error).sin;
  else if (name == "sin_cos.cos") value = pymath::sin_cos(x, error).cos;
  else if (name == "radians") value = pymath::radians(x);
  else if (name == "degrees") value = pymath::degrees(x);
  else if (name == "floor") value = pymath::floor(x, error), integral = true;
  else if (name == "ceil") value = pymath::ceil(x, error), integral = true;
  else host::raise(PyExc_ValueError, "unknown function");
  host::checked_math(value, error);
  return integral ? checked(PyLong_FromDouble(value)) : host::real(value);
}

// chinese_decode(codec, data): data.decode(codec, "ignore") by the core's own tables.
Ref chinese_decode(const Args& args) {
  const std::string_view codec = host::utf8(args[0]);
  PyObject* data = args[1];
  std::u16string units;
  pymath::decode_ignoring(codec == "gbk" ? pymath::ChineseCodec::GBK : pymath::ChineseCodec::GB2312,
                          {PyBytes_AS_STRING(data), static_cast<std::size_t>(PyBytes_GET_SIZE(data))}, units);
  return checked(PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, units.data(), static_cast<Py_ssize_t>(units.size())));
}

// Three bytes per code point, for all of them: 1 when `\s`, the digit value
// plus 1 (0 for none), and the ASCII letter that IGNORECASE folds it onto (0 for none).
Ref character_classes(const Args&) {
  constexpr Py_ssize_t kCodePoints = 0x110000;
  Ref table = checked(PyBytes_FromStringAndSize(nullptr, 3 * kCodePoints));
  char* out = PyBytes_AS_STRING(table.get());
  for (char32_t c = 0; c < kCodePoints; ++c) {
    out[3 * c] = pymath::unicode::is_space(c) ? 1 : 0;
    out[3 * c + 1] = static_cast<char>(pymath::unicode::digit_value(c) + 1);
    out[3 * c + 2] = pymath::unicode::folded_ascii_letter(c);
  }
  return table;
}

// ---- a class made with the toolkit ----

// mixed(a, b=None, n=6, flag=False, text=None): what the binder made of each.
Ref mixed(const Args& args) {
  const std::optional<double> b = args.optional_real(1);
  Ref b_value = b ? host::real(*b) : host::none();
  Ref a_value = host::real(args.real(0));
  Ref flag = checked(PyBool_FromLong(args.truth(3)));
  return checked(PyTuple_Pack(6, args.self(), a_value.get(), b_value.get(), args[2], flag.get(), args[4]));
}

// bind_only(...): the same parameters as mixed, read and dropped: the binder's cost.
Ref bind_only(const Args& args) {
  (void)args.real(0);
  (void)args.optional_real(1);
  (void)args.truth(3);
  return host::none();
}

Ref inner_body(const Args& args) { return host::real(args.real(0) * 2.0); }
Ref static_inner_body(const Args& args) { return host::real(args.real(0) + 1.0); }

// ("direct", value) or ("host", value): how a sibling was reached, and what it gave.
Ref reached(PyObject* how, const Ref& value) { return checked(PyTuple_Pack(2, how, value.get())); }

// cls.inner(x=x) through the host.
Ref call_inner(const Args& args) {
  static const host::Keywords keywords{"x"};
  Ref x = host::real(args.real(0));
  return host::call_method_keywords(args.self(), inner, {}, keywords, {x.get()});
}

// outer(x): cls.inner(x=x), run directly while `inner` is the class's own.
Ref outer(const Args& args) {
  if (host::finds_own_member(args.self(), inner, inner_body)) return reached(direct, host::real(args.real(0) * 2.0));
  return reached(through_host, call_inner(args));
}

Ref static_outer(const Args& args) {
  if (host::finds_own_member(args.self(), static_inner, static_inner_body)) {
    return reached(direct, host::real(args.real(0) + 1.0));
  }
  Ref x = host::real(args.real(0));
  return reached(through_host, host::call_method(args.self(), static_inner, x.get()));
}

// kept_secret(): ("kept", text) or ("host", text), text being cls.__secret:
// a plain str of the class is kept, as its UTF-8, under the stamp of the
// class it was read through, and handed out again while that stamp holds.
Ref kept_secret(const Args& args) {
  static host::Kept<std::string> kept;
  PyObject* cls = args.self();
  const host::Stamp now = host::Stamp().members_of(cls);
  if (const std::string* known = kept.find(now)) return reached(kept_how, host::text(*known));
  PyObject* plain = host::plain_class_attribute(cls, _Sample__secret);
  if (plain == nullptr || !PyUnicode_CheckExact(plain)) return reached(through_host, host::get_attr(cls, _Sample__secret));
  kept.keep(now, std::string(host::utf8(plain)));
  return reached(through_host, Ref::borrow(plain));
}

// json_text(value): the toolkit's JSON text of value.
Ref json_text(const Args& args) {
  std::string text;
  host::JsonWriter().write(args[0], text);
  return host::text(text);
}

// first_equal_in(items, first, last): first_equal of items[0], which only the
// list holds (the caller borrows it, as a walk over a list does).
Ref first_equal_in(const Args& args) {
  PyObject* items = args[0];
  if (PyList_GET_SIZE(items) == 0) host::raise(PyExc_IndexError, "no item");
  return host::integer(host::first_equal(PyList_GET_ITEM(items, 0), host::as_int64(args[1]), host::as_int64(args[2])));
}

// count(n): a generator of 0 .. n-1 driven by a plain C++ counter; n < 0
// fails at the first request.
struct Counter {
  long long limit;
  long long next = 0;
};

Ref count(const Args& args) {
  const long long limit = host::as_int64(args[0]);
  return host::make_machine_generator(
      Counter{limit},
      [](Counter& counter) -> Ref {
        if (counter.limit < 0) host::raise(PyExc_ValueError, "negative count");
        if (counter.next >= counter.limit) return Ref();
        return host::integer(counter.next++);
      },
      args.callable());
}

// fail(kind): throws a C++ exception of the named kind past the body.
Ref fail(const Args& args) {
  const std::string_view kind = host::utf8(args[0]);
  if (kind == "logic") throw std::logic_error("a programming error");
  if (kind == "memory") throw std::bad_alloc();
  if (kind == "other") throw 42;
  if (kind == "accessor") args.real(0);  // not a converted parameter
  return host::none();
}

Ref make_record(const host::ClassContext& context) {
  return host::make_record_class(context, "Record", "A record of the probe.",
                                 {{"a", "float"}, {"name", "str"}});
}

// table: {"one": Record(1.0, "one")}, made from the record class made before it.
Ref make_table(const host::ClassContext& context) {
  Ref record = Ref::borrow(PyDict_GetItemString(context.namespace_, "Record"));
  if (!record) host::raise(PyExc_SystemError, "no record class");
  Ref one = host::real(1.0);
  Ref name = host::text("one");
  Ref value = host::call(record.get(), one.get(), name.get());
  return host::DictBuilder().put(name.get(), value).take();
}

// The parameters of mixed and bind_only: one of each kind.
std::vector<host::Param> mixed_params() {
  return {param("a", "float").real(), param("b", "float").optional_real().defaults_to(host::none_default()),
          param("n", "int").exactly(&PyLong_Type).defaults_to(host::int_default(6)),
          param("flag", "bool").truth().defaults_to(host::bool_default(false)),
          param("text", "str").exactly(&PyUnicode_Type).or_none().defaults_to(host::none_default())};
}

const host::ClassSpec& sample_class() {
  using host::MethodKind;
  static const host::ClassSpec spec{
      .name = "Sample",
      .base = nullptr,
      .doc = "A class made with the binding toolkit.",
      .members = {
          host::Constant{.name = "Record", .make = make_record},
          host::Constant{.name = "table", .make = make_table},
          host::Constant{.name = "__secret", .text = "hidden"},
          host::Method{.name = "mixed", .kind = MethodKind::Class, .params = mixed_params(), .returns = "tuple",
                       .body = mixed},
          host::Method{.name = "bind_only", .kind = MethodKind::Class, .params = mixed_params(), .body = bind_only},
          host::Method{.name = "inner", .kind = MethodKind::Class, .params = {param("x", "float").real()},
                       .body = inner_body},
          host::Method{.name = "outer", .kind = MethodKind::Class, .params = {param("x", "float").real()},
                       .body = outer},
          host::Method{.name = "kept_secret", .kind = MethodKind::Class, .body = kept_secret},
          host::Method{.name = "static_inner", .kind = MethodKind::Static, .params = {param("x", "float").real()},
                       .body = static_inner_body},
          host::Method{.name = "static_outer", .kind = MethodKind::Class, .params = {param("x", "float").real()},
                       .body = static_outer},
          host::Method{.name = "count", .kind = MethodKind::Static,
                       .params = {param("n", "int").exactly(&PyLong_Type)}, .returns = "Iterator", .body = count},
          host::Method{.name = "fail", .kind = MethodKind::Static, .params = {param("kind", "str")}, .body = fail},
          host::Method{.name = "json_text", .kind = MethodKind::Static, .params = {param("value")}, .body = json_text},
          host::Method{.name = "first_equal_in", .kind = MethodKind::Static,
                       .params = {param("items").exactly(&PyList_Type), param("first").exactly(&PyLong_Type),
                                  param("last").exactly(&PyLong_Type)},
                       .body = first_equal_in},
      },
      .annotations = {{"table", "dict[str, Record]"}},
  };
  return spec;
}

const host::ClassSpec& functions_class() {
  using host::MethodKind;
  static const host::ClassSpec spec{
      .name = "Arithmetic",
      .base = nullptr,
      .doc = "The pure cores of host arithmetic and text.",
      .members = {
          host::Method{.name = "float_text", .kind = MethodKind::Static, .params = {param("x").real()},
                       .body = float_text},
          host::Method{.name = "fixed_text", .kind = MethodKind::Static,
                       .params = {param("x").real(), param("digits").exactly(&PyLong_Type)}, .body = fixed_text},
          host::Method{.name = "round_digits", .kind = MethodKind::Static,
                       .params = {param("x").real(), param("ndigits").exactly(&PyLong_Type)}, .body = round_digits},
          host::Method{.name = "round_half_even", .kind = MethodKind::Static, .params = {param("x").real()},
                       .body = round_half_even},
          host::Method{.name = "binary", .kind = MethodKind::Static,
                       .params = {param("op").exactly(&PyUnicode_Type), param("x").real(), param("y").real()},
                       .body = binary},
          host::Method{.name = "unary", .kind = MethodKind::Static,
                       .params = {param("name").exactly(&PyUnicode_Type), param("x").real()}, .body = unary},
          host::Method{.name = "character_classes", .kind = MethodKind::Static, .body = character_classes},
          host::Method{.name = "chinese_decode", .kind = MethodKind::Static,
                       .params = {param("codec").exactly(&PyUnicode_Type), param("data").exactly(&PyBytes_Type)},
                       .body = chinese_decode},
      },
  };
  return spec;
}

// Multi-phase start-up, as the module's: the module is in sys.modules while
// its classes are made (dataclass looks it up there).
int exec_probe(PyObject* module) {
  return host::guarded<int>(-1, [&] {
    g_module = module;
    host::intern_names();
    through_host = checked(PyUnicode_InternFromString("host")).release();
    kept_how = checked(PyUnicode_InternFromString("kept")).release();
    host::ready_function_type();
    host::ready_generator_type();
    // The module's globals that the toolkit reads, as the module unit binds them.
    checked_status(PyObject_SetAttrString(module, "json", host::import_module("json").get()));
    Ref dataclasses = host::import_module("dataclasses");
    checked_status(PyObject_SetAttrString(module, "dataclass",
                                          checked(PyObject_GetAttrString(dataclasses.get(), "dataclass")).get()));
    host::build_class(module, sample_class());
    host::build_class(module, functions_class());
    for (probe::ClassMaker maker : makers()) host::build_class(module, maker());
    return 0;
  });
}

PyModuleDef_Slot probe_slots[] = {{Py_mod_exec, reinterpret_cast<void*>(exec_probe)}, {0, nullptr}};

PyModuleDef probe_def = {PyModuleDef_HEAD_INIT, "_kestrin_probe", nullptr, 0, nullptr, probe_slots,
                         nullptr,               nullptr,          nullptr};

}  // namespace

namespace probe {

bool add_class(ClassMaker maker) {
  makers().push_back(maker);
  return true;
}

}  // namespace probe

namespace host {

PyObject* held_module() { return g_module; }

}  // namespace host

PyMODINIT_FUNC PyInit__kestrin_probe() { return PyModuleDef_Init(&probe_def); }
