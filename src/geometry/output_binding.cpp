// Geometry.dumps and Geometry.toWkt: a geometry written as indented GeoJSON
// text and as WKT text. A plain dict is written as it stands; anything else is
// loaded through cls.loads first.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "geometry/codec.h"
#include "geometry/names.h"
#include "host/json_writer.h"
#include "host/module.h"
#include "pymath/float_text.h"

namespace geometry {

using host::checked;
using host::checked_status;
using host::Ref;

// ---- reading a geometry (shared with swapXY and getXY) ----

Ref geometry_of(PyObject* cls, PyObject* value) {
  if (PyDict_CheckExact(value)) return Ref::borrow(value);
  return load_through_class(cls, value);
}

Ref type_of(PyObject* geometry) { return host::get_item(geometry, names::type); }

Ref value_if_held(PyObject* geometry, PyObject* key) {
  if (PyDict_CheckExact(geometry)) return dict_value(geometry, key);
  if (!host::contains(geometry, key)) return Ref();
  return host::get_item(geometry, key);
}

namespace {

// ---- dumps ----

// json.dumps(value, ensure_ascii=False, indent=4) for plain values: dicts with
// str keys, lists, tuples, str, int, float, bool and None. Anything else (a
// subclass, another key, a circular or very deep structure, a str the UTF-8
// codec refuses) makes it give up, and the host writes the whole value, with
// its own text and errors.
class IndentedJson {
 public:
  explicit IndentedJson(std::string& out) : out_(out) {}

  bool write(PyObject* value, std::size_t level) {
    if (value == Py_None) {
      out_ += "null";
    } else if (value == Py_True) {
      out_ += "true";
    } else if (value == Py_False) {
      out_ += "false";
    } else if (PyUnicode_CheckExact(value)) {
      return write_text(value);
    } else if (PyFloat_CheckExact(value)) {
      host::append_json_float(PyFloat_AS_DOUBLE(value), out_);
    } else if (PyLong_CheckExact(value)) {
      int overflow = 0;
      const long long integer = PyLong_AsLongLongAndOverflow(value, &overflow);
      if (overflow != 0) return false;  // long integers: the host's text and digit limit
      host::append_json_integer(integer, out_);
    } else if (PyList_CheckExact(value) || PyTuple_CheckExact(value)) {
      return write_sequence(value, level);
    } else if (PyDict_CheckExact(value)) {
      return write_dict(value, level);
    } else {
      return false;
    }
    return true;
  }

 private:
  static constexpr std::size_t kIndent = 4;
  static constexpr std::size_t kMaxLevel = 200;  // deeper: the host's own recursion rules

  bool write_text(PyObject* text) {
    if (PyUnicode_AsUTF8AndSize(text, nullptr) == nullptr) {
      PyErr_Clear();  // lone surrogates: the host writes them
      return false;
    }
    host::append_json_text(text, out_);
    return true;
  }

  void new_line(std::size_t level) {
    out_ += '\n';
    out_.append(level * kIndent, ' ');
  }

  // Opens a container, with the stack left checked: false when it is already
  // open (the host reports the circular reference) or too deep.
  bool enter(PyObject* container, std::size_t level) {
    host::check_stack();
    if (level >= kMaxLevel || std::find(open_.begin(), open_.end(), container) != open_.end()) return false;
    open_.push_back(container);
    return true;
  }

  bool write_sequence(PyObject* sequence, std::size_t level) {
    const Py_ssize_t size = Py_SIZE(sequence);
    if (size == 0) {
      out_ += "[]";
      return true;
    }
    if (!enter(sequence, level)) return false;
    out_ += '[';
    PyObject** items = PySequence_Fast_ITEMS(sequence);
    for (Py_ssize_t i = 0; i < size; ++i) {
      if (i > 0) out_ += ',';
      new_line(level + 1);
      if (!write(items[i], level + 1)) return false;
    }
    new_line(level);
    out_ += ']';
    open_.pop_back();
    return true;
  }

  bool write_dict(PyObject* dict, std::size_t level) {
    if (PyDict_GET_SIZE(dict) == 0) {
      out_ += "{}";
      return true;
    }
    if (!enter(dict, level)) return false;
    out_ += '{';
    Py_ssize_t position = 0;
    PyObject* key;
    PyObject* value;
    bool first = true;
    while (PyDict_Next(dict, &position, &key, &value)) {
      if (!PyUnicode_CheckExact(key)) return false;  // the host turns other keys into text
      if (!first) out_ += ',';
      first = false;
      new_line(level + 1);
      if (!write_text(key)) return false;
      out_ += ": ";
      if (!write(value, level + 1)) return false;
    }
    new_line(level);
    out_ += '}';
    open_.pop_back();
    return true;
  }

  std::string& out_;
  std::vector<PyObject*> open_;
};

// json.dumps(value, ensure_ascii=False, indent=4), read at each call from the
// module's global `json`, as the plain form reads it.
Ref host_dumps(PyObject* value) {
  Ref json = host::module_global(names::json);
  Ref dumps = host::get_attr(json.get(), names::dumps);
  static const host::Keywords kKeywords{"ensure_ascii", "indent"};  // the module's own names
  Ref indent = host::integer(4);
  std::array<PyObject*, 4> stack{nullptr, value, Py_False, indent.get()};
  return checked(PyObject_Vectorcall(dumps.get(), stack.data() + 1, 1 | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                     kKeywords.tuple()));
}

// ---- toWkt ----

// Appends the UTF-8 of a str; lone surrogates pass as themselves (the text is
// decoded with the same error handler).
void append_str(PyObject* text, std::string& out) {
  Py_ssize_t size = 0;
  if (const char* bytes = PyUnicode_AsUTF8AndSize(text, &size)) {
    out.append(bytes, static_cast<std::size_t>(size));
    return;
  }
  PyErr_Clear();
  Ref encoded = checked(PyUnicode_AsEncodedString(text, "utf-8", "surrogatepass"));
  out.append(PyBytes_AS_STRING(encoded.get()), static_cast<std::size_t>(PyBytes_GET_SIZE(encoded.get())));
}

// A value's host text form, str(value): floats by the host's repr, ints in
// digits, str as it is, anything else by its own str().
void append_value_text(PyObject* value, std::string& out) {
  if (PyFloat_CheckExact(value)) {
    char text[pymath::kFloatTextSize];
    out.append(text, pymath::float_text(PyFloat_AS_DOUBLE(value), text));
    return;
  }
  if (PyLong_CheckExact(value)) {
    int overflow = 0;
    const long long integer = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (overflow == 0) {
      host::append_json_integer(integer, out);
      return;
    }
  }
  if (PyUnicode_CheckExact(value)) {
    append_str(value, out);
    return;
  }
  Ref text = checked(PyObject_Str(value));
  append_str(text.get(), out);
}

// A vertex: its values, whatever their number, one blank apart.
void append_vertex(PyObject* vertex, std::string& out) {
  bool first = true;
  for_each_item(vertex, [&](PyObject* value) {
    if (!first) out += ' ';
    first = false;
    append_value_text(value, out);
  });
}

// "(" and ")" round the items of a level, "," between them; the items at
// depth 1 are the vertex values themselves.
void append_body(PyObject* coordinates, int depth, std::string& out) {
  out += '(';
  if (depth == 1) {
    append_vertex(coordinates, out);
  } else {
    bool first = true;
    for_each_item(coordinates, [&](PyObject* item) {
      if (!first) out += ',';
      first = false;
      if (depth == 2) {
        append_vertex(item, out);
      } else {
        append_body(item, depth - 1, out);
      }
    });
  }
  out += ')';
}

Ref decoded(const std::string& out) {
  return checked(PyUnicode_DecodeUTF8(out.data(), static_cast<Py_ssize_t>(out.size()), "surrogatepass"));
}

void append_wkt(PyObject* cls, PyObject* geometry, std::string& out);

// cls.toWkt(member): its text, run here while toWkt is the class's own.
Ref member_wkt(PyObject* cls, PyObject* member) {
  if (!host::finds_own_member(cls, names::toWkt, to_wkt_method)) return host::call_method(cls, names::toWkt, member);
  // The body runs on the class the method is bound to, as the call's would.
  PyObject* bound = host::class_bound_to(cls);
  const RecursionGuard guard(" while writing a geometry");
  Ref geometry = geometry_of(bound, member);
  std::string out;
  append_wkt(bound, geometry.get(), out);
  return decoded(out);
}

// The WKT of a geometry: its type word, a blank and its body; a collection's
// members each written by cls.toWkt.
void append_wkt(PyObject* cls, PyObject* geometry, std::string& out) {
  Ref type = type_of(geometry);
  if (!host::truth(type.get())) refuse(kInvalidGeometryType);
  if (Ref coordinates = value_if_held(geometry, names::coordinates)) {
    const GeometryType named = simple_type_named(type.get());
    const int depth = coordinate_depth(named);
    if (depth == 2 && PyList_CheckExact(coordinates.get())) {
      out.reserve(out.size() + 40 * static_cast<std::size_t>(PyList_GET_SIZE(coordinates.get())));  // a vertex's text
    }
    out += type_word(named);
    out += ' ';
    append_body(coordinates.get(), depth, out);
    return;
  }
  Ref members = value_if_held(geometry, names::geometries);
  if (!members || !is_named(type.get(), GeometryType::GeometryCollection) || !PyList_CheckExact(members.get())) {
    refuse(kInvalidGeometryType);
  }
  // Every member is written before the texts are joined, as str.join takes
  // all items of what it joins before it refuses one that is not a str.
  std::vector<Ref> texts;
  for_each_item(members.get(), [&](PyObject* member) { texts.push_back(member_wkt(cls, member)); });
  out += "GEOMETRYCOLLECTION (";
  for (std::size_t index = 0; index < texts.size(); ++index) {
    PyObject* text = texts[index].get();
    if (!PyUnicode_Check(text)) {
      host::raise_format(PyExc_TypeError, "sequence item %zd: expected str instance, %.80s found",
                         static_cast<Py_ssize_t>(index), Py_TYPE(text)->tp_name);
    }
    if (index > 0) out += ',';
    append_str(text, out);
  }
  out += ')';
}

}  // namespace

Ref dumps_method(const host::Args& args) {
  const RecursionGuard guard(" while writing a geometry");
  Ref geometry = geometry_of(args.self(), args[0]);
  std::string out;
  if (IndentedJson(out).write(geometry.get(), 0)) return decoded(out);
  return host_dumps(geometry.get());
}

Ref to_wkt_method(const host::Args& args) {
  const RecursionGuard guard(" while writing a geometry");
  Ref geometry = geometry_of(args.self(), args[0]);
  std::string out;
  append_wkt(args.self(), geometry.get(), out);
  return decoded(out);
}

}  // namespace geometry
