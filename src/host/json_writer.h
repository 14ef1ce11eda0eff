// JSON text of host objects, the same as json.dumps(value, ensure_ascii=False):
// separators ", " and ": ", no indentation, non-ASCII text as itself (UTF-8),
// floats in the host's text form, NaN, Infinity and -Infinity.
//
// Plain dictionaries with text keys, lists, tuples, text, integers, floats,
// booleans and None are written here; any other object is handed to the host's
// json.dumps, so its text and its errors stay the host's.
#pragma once

#include <string>
#include <vector>

#include "host/ref.h"

namespace host {

// An object that stands for ready JSON text: the writer copies its text as it is.
Ref raw_json(std::string text);
// The text of such an object, or null for any other object.
const std::string* raw_json_text(PyObject* object);

// A float as JSON writes it: the host's text form, NaN, Infinity, -Infinity.
void append_json_float(double value, std::string& out);
// The same into `out` (room for kJsonFloatSize bytes); answers the end.
inline constexpr std::size_t kJsonFloatSize = 32;
char* write_json_float(double value, char* out);
// An integer as JSON writes it.
void append_json_integer(long long value, std::string& out);
// A str as JSON writes it with ensure_ascii=False: quoted, '"', '\\' and the
// control characters escaped, everything else as itself (UTF-8).
void append_json_text(PyObject* text, std::string& out);

class JsonWriter {
 public:
  // Appends the JSON text of `value` to `out` (UTF-8).
  void write(PyObject* value, std::string& out);

 private:
  void write_value(PyObject* value, std::string& out);
  void write_text(PyObject* text, std::string& out);
  void write_float(double value, std::string& out);
  void write_integer(PyObject* value, std::string& out);
  void write_sequence(PyObject* sequence, std::string& out);
  bool write_dict(PyObject* dict, std::string& out);
  void write_key(PyObject* key, std::string& out);
  void write_by_host(PyObject* value, std::string& out);

  std::vector<PyObject*> open_containers_;  // for the host's circular-reference check
};

}  // namespace host
