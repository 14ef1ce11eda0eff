#include "host/json_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "host/module.h"
#include "host/names.h"
#include "host/ops.h"
#include "host/stack.h"
#include "pymath/float_text.h"

namespace host {

namespace {

// Keeps a container on the open list while its members are written, and the
// host's recursion limit in force, as json's own encoder does.
class Nested {
 public:
  Nested(std::vector<PyObject*>& open, PyObject* container) : open_(open) {
    if (std::find(open.begin(), open.end(), container) != open.end()) {
      raise(PyExc_ValueError, "Circular reference detected");
    }
    check_stack();
    if (Py_EnterRecursiveCall(" while encoding a JSON object")) raise_pending();
    open.push_back(container);
  }
  ~Nested() {
    open_.pop_back();
    Py_LeaveRecursiveCall();
  }
  Nested(const Nested&) = delete;
  Nested& operator=(const Nested&) = delete;

 private:
  std::vector<PyObject*>& open_;
};

constexpr char kHex[] = "0123456789abcdef";

struct RawJsonObject {
  PyObject_HEAD
  std::string* text;
};

void raw_json_dealloc(PyObject* self) {
  delete reinterpret_cast<RawJsonObject*>(self)->text;
  PyObject_Free(self);
}

PyTypeObject& raw_json_type() {
  static PyTypeObject type = [] {
    PyTypeObject t{};
    interpreter::make_immortal(&t);
    t.tp_name = "kestrinpy.raw_json";
    t.tp_basicsize = sizeof(RawJsonObject);
    t.tp_flags = Py_TPFLAGS_DEFAULT;
    t.tp_dealloc = raw_json_dealloc;
    return t;
  }();
  if (!(type.tp_flags & Py_TPFLAGS_READY)) checked_status(PyType_Ready(&type));
  return type;
}

}  // namespace

Ref raw_json(std::string text) {
  RawJsonObject* object = PyObject_New(RawJsonObject, &raw_json_type());
  if (object == nullptr) raise_pending();
  object->text = new std::string(std::move(text));
  return Ref::steal(reinterpret_cast<PyObject*>(object));
}

const std::string* raw_json_text(PyObject* object) {
  return Py_IS_TYPE(object, &raw_json_type()) ? reinterpret_cast<RawJsonObject*>(object)->text : nullptr;
}

void append_json_integer(long long value, std::string& out) {
  char digits[24];
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, static_cast<std::size_t>(end - digits));
}

char* write_json_float(double value, char* out) {
  if (std::isnan(value)) {
    std::memcpy(out, "NaN", 3);
    return out + 3;
  }
  if (std::isinf(value)) {
    if (value > 0) {
      std::memcpy(out, "Infinity", 8);
      return out + 8;
    }
    std::memcpy(out, "-Infinity", 9);
    return out + 9;
  }
  return out + pymath::float_text(value, out);
}

void append_json_float(double value, std::string& out) {
  char text[kJsonFloatSize];
  out.append(text, static_cast<std::size_t>(write_json_float(value, text) - text));
}

void JsonWriter::write(PyObject* value, std::string& out) { write_value(value, out); }

void JsonWriter::write_value(PyObject* value, std::string& out) {
  if (value == Py_None) {
    out += "null";
  } else if (value == Py_True) {
    out += "true";
  } else if (value == Py_False) {
    out += "false";
  } else if (PyUnicode_CheckExact(value)) {
    write_text(value, out);
  } else if (PyFloat_CheckExact(value)) {
    write_float(PyFloat_AS_DOUBLE(value), out);
  } else if (PyLong_CheckExact(value)) {
    write_integer(value, out);
  } else if (PyList_CheckExact(value) || PyTuple_CheckExact(value)) {
    write_sequence(value, out);
  } else if (Py_IS_TYPE(value, &raw_json_type())) {
    out += *reinterpret_cast<RawJsonObject*>(value)->text;
  } else if (!PyDict_CheckExact(value) || !write_dict(value, out)) {
    write_by_host(value, out);
  }
}

void JsonWriter::write_text(PyObject* text, std::string& out) { append_json_text(text, out); }

void append_json_text(PyObject* text, std::string& out) {
  const std::string_view bytes = utf8(text);
  out += '"';
  const char* run = bytes.data();
  const char* end = bytes.data() + bytes.size();
  for (const char* p = run; p < end; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(run, static_cast<std::size_t>(p - run));
    run = p + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
  }
  out.append(run, static_cast<std::size_t>(end - run));
  out += '"';
}

void JsonWriter::write_float(double value, std::string& out) { append_json_float(value, out); }

void JsonWriter::write_integer(PyObject* value, std::string& out) {
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(value, &overflow);
  if (overflow == 0) {
    if (number == -1 && PyErr_Occurred()) raise_pending();
    append_json_integer(number, out);
    return;
  }
  Ref digits = checked(PyObject_Repr(value));  // the host's own limits on very long integers apply
  out += utf8(digits.get());
}

void JsonWriter::write_sequence(PyObject* sequence, std::string& out) {
  const Nested nested(open_containers_, sequence);
  out += '[';
  // A list may change while its members are written (a float subclass's repr...);
  // read its length at every step, as the host does.
  for (Py_ssize_t i = 0; i < Py_SIZE(sequence); ++i) {
    if (i > 0) out += ", ";
    Ref item = Ref::borrow(PySequence_Fast_ITEMS(sequence)[i]);
    write_value(item.get(), out);
  }
  out += ']';
}

// False (nothing written) for a dictionary with a key that is not plain text:
// the host writes those.
bool JsonWriter::write_dict(PyObject* dict, std::string& out) {
  Py_ssize_t position = 0;
  PyObject* key;
  PyObject* value;
  while (PyDict_Next(dict, &position, &key, &value)) {
    if (!PyUnicode_CheckExact(key)) return false;
  }
  const Nested nested(open_containers_, dict);
  out += '{';
  position = 0;
  bool first = true;
  while (PyDict_Next(dict, &position, &key, &value)) {
    if (!first) out += ", ";
    first = false;
    Ref held_key = Ref::borrow(key);
    Ref held_value = Ref::borrow(value);
    if (PyUnicode_CheckExact(key)) {
      write_text(key, out);
    } else {
      write_key(key, out);  // put in by a value's own code while the dictionary was being written
    }
    out += ": ";
    write_value(held_value.get(), out);
  }
  out += '}';
  return true;
}

// A key that is not plain text, as the host's encoder writes it: the text of a
// str, float, int, True, False or None, quoted; TypeError for any other.
void JsonWriter::write_key(PyObject* key, std::string& out) {
  if (PyUnicode_Check(key)) {
    append_json_text(key, out);
    return;
  }
  std::string text;
  if (PyFloat_Check(key)) {
    append_json_float(PyFloat_AS_DOUBLE(key), text);
  } else if (key == Py_True || key == Py_False || key == Py_None) {
    text = key == Py_True ? "true" : key == Py_False ? "false" : "null";
  } else if (PyLong_Check(key)) {
    Ref digits = checked(PyLong_Type.tp_repr(key));  // an int subclass's own repr is not used
    text = utf8(digits.get());
  } else {
    raise_format(PyExc_TypeError, "keys must be str, int, float, bool or None, not %.100s", Py_TYPE(key)->tp_name);
  }
  out += '"';
  out += text;
  out += '"';
}

void JsonWriter::write_by_host(PyObject* value, std::string& out) {
  // json.dumps as the module's code would call it, read at each use: a
  // script may patch or replace it between two features.
  Ref json = module_global(names::json);
  Ref dumps = get_attr(json.get(), names::dumps);
  Ref args = checked(PyTuple_Pack(1, value));
  Ref keywords = checked(Py_BuildValue("{s:O}", "ensure_ascii", Py_False));
  Ref text = checked(PyObject_Call(dumps.get(), args.get(), keywords.get()));
  out += utf8(text.get());
}

}  // namespace host
