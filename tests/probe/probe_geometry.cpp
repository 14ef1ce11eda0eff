// Probe classes of the geometry codec's pure cores, for differential tests
// against the host's own repr, re and json.
#include "geometry/vertex_key.h"
#include "host/classes.h"
#include "host/ops.h"
#include "probe/probe.h"

namespace {

using host::Args;
using host::checked;
using host::param;
using host::Ref;

geometry::PlainValue plain_of(PyObject* value) {
  if (PyFloat_CheckExact(value)) return geometry::PlainValue::of_real(PyFloat_AS_DOUBLE(value));
  if (!PyLong_CheckExact(value)) host::raise(PyExc_TypeError, "a plain value is a float or an int");
  return geometry::PlainValue::of_integer(host::as_int64(value));
}

geometry::PlainKey key_of(PyObject* values) {
  if (!PyList_CheckExact(values) || PyList_GET_SIZE(values) > 2) host::raise(PyExc_TypeError, "a list of up to two");
  geometry::PlainKey key;
  key.count = static_cast<std::uint8_t>(PyList_GET_SIZE(values));
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(values); ++i) key.values[i] = plain_of(PyList_GET_ITEM(values, i));
  return key;
}

// key_text(values): the key's text, written without the host.
Ref key_text(const Args& args) { return host::text(geometry::key_text(key_of(args[0]))); }

// same_key(a, b): whether two keys compare equal, without their texts.
Ref same_key(const Args& args) {
  return checked(PyBool_FromLong(geometry::same_key(key_of(args[0]), key_of(args[1]))));
}

const host::ClassSpec& geometry_core_class() {
  using host::MethodKind;
  static const host::ClassSpec spec{
      .name = "GeometryCore",
      .base = nullptr,
      .doc = "The pure cores of the geometry codec.",
      .members = {
          host::Method{.name = "key_text", .kind = MethodKind::Static, .params = {param("values")}, .body = key_text},
          host::Method{.name = "same_key", .kind = MethodKind::Static, .params = {param("a"), param("b")},
                       .body = same_key},
      },
  };
  return spec;
}

const bool registered = probe::add_class(geometry_core_class);

}  // namespace
