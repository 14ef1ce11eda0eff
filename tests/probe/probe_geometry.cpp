// Probe classes of the geometry codec's pure cores, for differential tests
// against the host's own repr, re and json.
#include <type_traits>
#include <vector>

#include "geometry/coordinate_text.h"
#include "geometry/json_number.h"
#include "geometry/text_scan.h"
#include "geometry/vertex_key.h"
#include "host/classes.h"
#include "host/ops.h"
#include "host/text_units.h"
#include "probe/probe.h"

namespace {

using host::Args;
using host::checked;
using host::param;
using host::Ref;

geometry::KeyNumber plain_of(PyObject* value) {
  if (PyFloat_CheckExact(value)) return geometry::KeyNumber::of_real(PyFloat_AS_DOUBLE(value));
  if (!PyLong_CheckExact(value)) host::raise(PyExc_TypeError, "a plain value is a float or an int");
  return geometry::KeyNumber::of_integer(host::as_int64(value));
}

geometry::NumberKey key_of(PyObject* values) {
  if (!PyList_CheckExact(values) || PyList_GET_SIZE(values) > 2) host::raise(PyExc_TypeError, "a list of up to two");
  geometry::NumberKey key;
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

// ---- text scanners ----

using geometry::text::Span;
using geometry::text::Text;

// Runs `body(text)` on the str's storage, one code point per unit.
template <typename Body>
Ref with_storage(PyObject* s, Body&& body) {
  if (!PyUnicode_CheckExact(s)) host::raise(PyExc_TypeError, "a str");
  return host::with_units(s, [&](const auto* units, std::size_t size) {
    using Unit = std::remove_cv_t<std::remove_pointer_t<decltype(units)>>;
    return body(Text<Unit>(units, size));
  });
}

Ref piece(PyObject* s, Span span) {
  return checked(PyUnicode_Substring(s, static_cast<Py_ssize_t>(span.begin), static_cast<Py_ssize_t>(span.end)));
}

Ref pieces(PyObject* s, const std::vector<Span>& spans) {
  Ref list = checked(PyList_New(0));
  for (const Span& span : spans) host::checked_status(PyList_Append(list.get(), piece(s, span).get()));
  return list;
}

Ref optional_piece(PyObject* s, const std::optional<Span>& span) { return span ? piece(s, *span) : host::none(); }

Span whole(PyObject* s) { return {0, static_cast<std::size_t>(PyUnicode_GET_LENGTH(s))}; }

// has_bracket_pair(text, "[]")
Ref has_bracket_pair(const Args& args) {
  if (!PyUnicode_Check(args[1]) || PyUnicode_GET_LENGTH(args[1]) != 2) host::raise(PyExc_ValueError, "two brackets");
  const char open = static_cast<char>(PyUnicode_READ_CHAR(args[1], 0));
  const char close = static_cast<char>(PyUnicode_READ_CHAR(args[1], 1));
  return with_storage(args[0], [&](auto t) {
    return checked(PyBool_FromLong(geometry::text::has_bracket_pair(t, open, close)));
  });
}

Ref free_text_tokens(const Args& args) {
  return with_storage(args[0], [&](auto t) { return pieces(args[0], geometry::text::free_text_tokens(t)); });
}

// split_wkt(text): (name, body) or None
Ref split_wkt(const Args& args) {
  return with_storage(args[0], [&](auto t) -> Ref {
    const auto parts = geometry::text::split_wkt(t);
    if (!parts) return host::none();
    return checked(PyTuple_Pack(2, piece(args[0], parts->name).get(), piece(args[0], parts->body).get()));
  });
}

// first_word(name): the name up to the end of its first word
Ref first_word(const Args& args) {
  return with_storage(args[0],
                      [&](auto t) { return piece(args[0], geometry::text::first_word(t, whole(args[0]))); });
}

// body_step(body, step): group 1 of the point, line or ring-list step, or None
Ref body_step(const Args& args) {
  const std::string_view step = host::utf8(args[1]);
  return with_storage(args[0], [&](auto t) {
    const Span body = whole(args[0]);
    if (step == "point") return optional_piece(args[0], geometry::text::flat_body(t, body, false));
    if (step == "line") return optional_piece(args[0], geometry::text::flat_body(t, body, true));
    return optional_piece(args[0], geometry::text::ring_list_body(t, body));
  });
}

// collection_members(body): (member texts, unreadable)
Ref collection_members(const Args& args) {
  return with_storage(args[0], [&](auto t) {
    const auto members = geometry::text::collection_members(t, whole(args[0]));
    Ref unreadable = checked(PyBool_FromLong(members.unreadable));
    return checked(PyTuple_Pack(2, pieces(args[0], members.texts).get(), unreadable.get()));
  });
}

// multipolygon_polygons(body): (polygon texts, whether coordinate text is left outside them)
Ref multipolygon_polygons(const Args& args) {
  return with_storage(args[0], [&](auto t) {
    const Span body = whole(args[0]);
    const auto polygons = geometry::text::multipolygon_polygons(t, body);
    Ref left = checked(PyBool_FromLong(geometry::text::text_left_outside(t, body, polygons)));
    return checked(PyTuple_Pack(2, pieces(args[0], polygons).get(), left.get()));
  });
}

// reader_json(text, reader): the JSON text a coordinate reader builds from
// `text` ("point", "line", "rings", "polygons": the polygons the multipolygon
// step finds in it; "free1", "free2", "free3": free-text tokens at that depth).
Ref reader_json(const Args& args) {
  const std::string_view reader = host::utf8(args[1]);
  return with_storage(args[0], [&](auto t) {
    namespace text = geometry::text;
    using Unit = std::remove_const_t<typename decltype(t)::element_type>;
    const Span all = whole(args[0]);
    std::vector<Py_UCS4> out;
    text::JsonTextWriter<Unit, std::vector<Py_UCS4>> writer(t, out);
    if (reader == "point") text::read_point(t, all, writer);
    else if (reader == "line") text::read_line(t, all, writer);
    else if (reader == "rings") text::read_rings(t, all, writer);
    else if (reader == "polygons") text::read_polygons(t, text::multipolygon_polygons(t, all), writer);
    else if (reader == "free1" || reader == "free2" || reader == "free3") text::read_free_text(t, reader.back() - '0', writer);
    else host::raise(PyExc_ValueError, "no such reader");
    return checked(PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, out.data(), static_cast<Py_ssize_t>(out.size())));
  });
}

// json_number(token): the int or float read without the host, or None where
// the host's json.loads is left to decide
Ref json_number(const Args& args) {
  return with_storage(args[0], [&](auto t) -> Ref {
    const auto number = geometry::text::read_json_number(t, whole(args[0]));
    switch (number.kind) {
      case geometry::text::Number::Kind::Integer: return host::integer(number.integer);
      case geometry::text::Number::Kind::Real: return host::real(number.real);
      default: return host::none();
    }
  });
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
          host::Method{.name = "has_bracket_pair", .kind = MethodKind::Static,
                       .params = {param("text"), param("pair")}, .body = has_bracket_pair},
          host::Method{.name = "free_text_tokens", .kind = MethodKind::Static, .params = {param("text")},
                       .body = free_text_tokens},
          host::Method{.name = "split_wkt", .kind = MethodKind::Static, .params = {param("text")}, .body = split_wkt},
          host::Method{.name = "first_word", .kind = MethodKind::Static, .params = {param("name")},
                       .body = first_word},
          host::Method{.name = "body_step", .kind = MethodKind::Static, .params = {param("body"), param("step")},
                       .body = body_step},
          host::Method{.name = "collection_members", .kind = MethodKind::Static, .params = {param("body")},
                       .body = collection_members},
          host::Method{.name = "multipolygon_polygons", .kind = MethodKind::Static, .params = {param("body")},
                       .body = multipolygon_polygons},
          host::Method{.name = "reader_json", .kind = MethodKind::Static,
                       .params = {param("text"), param("reader")}, .body = reader_json},
          host::Method{.name = "json_number", .kind = MethodKind::Static, .params = {param("token")},
                       .body = json_number},
      },
  };
  return spec;
}

const bool registered = probe::add_class(geometry_core_class);

}  // namespace
