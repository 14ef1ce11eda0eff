// What the binding files of the geometry codec share: the type code of a loads
// call, the stages of loads, the sibling calls through the class, and small
// helpers on host sequences. Host types: included by *_binding.cpp only.
#pragma once

#include <array>
#include <optional>
#include <span>

#include "geometry/geometry_type.h"
#include "host/function.h"
#include "host/kept.h"
#include "host/ops.h"
#include "host/stack.h"

namespace geometry {

// The type code of a loads call: an int of any size, or None, as the caller gave it.
struct Code {
  host::Ref object;
  std::optional<long long> value;  // none for None and for ints beyond 64 bits

  static Code of(PyObject* code);
  static Code automatic();  // -1, the default
  bool is_none() const { return object.get() == Py_None; }
  bool is(long long v) const { return value && *value == v; }
  // -1 or None: the automatic branch.
  bool is_automatic() const { return is_none() || is(-1); }
};

// One level of a walk over nesting that the caller's objects decide (a
// collection inside a collection): the host's recursion count, and the C stack
// left to the thread, so that a geometry that contains itself, or one nested
// very deep, ends in RecursionError instead of a stack overflow.
class RecursionGuard {
 public:
  explicit RecursionGuard(const char* where) {
    host::check_stack();
    if (Py_EnterRecursiveCall(where)) host::raise_pending();
  }
  ~RecursionGuard() { Py_LeaveRecursiveCall(); }
  RecursionGuard(const RecursionGuard&) = delete;
  RecursionGuard& operator=(const RecursionGuard&) = delete;
};

// Keeps the host's cyclic collector from being set off by the many objects
// that code running no host code makes. On 3.12 no collection runs inside such
// code anyway: an allocation past the threshold only asks for one, which runs
// at the next check of the evaluation loop (or of signals), right after the
// call, while what the call made is still alive. Paused, the request is made
// by the first allocation after the call instead, and where the caller has let
// go of the objects by then (a result looked at and dropped), there is little
// left to collect.
class CollectorPause {
 public:
  CollectorPause() : was_enabled_(PyGC_Disable() != 0) {}
  ~CollectorPause() {
    if (was_enabled_) PyGC_Enable();
  }
  CollectorPause(const CollectorPause&) = delete;
  CollectorPause& operator=(const CollectorPause&) = delete;

 private:
  bool was_enabled_;
};

// An Exception with the codec's own message.
[[noreturn]] void refuse(const char* message);
// An Exception "<prefix>{}<suffix>" with "{}" filled by str.format of `value`.
[[noreturn]] void refuse_with(const char* prefix, PyObject* value, const char* suffix);

inline constexpr const char* kShouldBeList = "Invalid type in [coordinates] parameter. Should be [list]";
inline constexpr const char* kShouldBeDict = "Invalid type in [coordinates] parameter. Should be [dict]";
inline constexpr const char* kInvalidParameter = "Invalid parameter.";
inline constexpr const char* kInvalidCoordinates = "Invalid [coordinates] parameter.";
inline constexpr const char* kInvalidGeometryType = "Invalid geometry type.";

// The six simple types, in the order the codec compares a type value with their names.
inline constexpr std::array<GeometryType, 6> kSimpleTypes = {
    GeometryType::Point,   GeometryType::MultiPoint,   GeometryType::LineString, GeometryType::MultiLineString,
    GeometryType::Polygon, GeometryType::MultiPolygon,
};

// The first of `candidates` whose name `value` equals, as `value == name`
// decides it: an exact str by its text, anything else by the host's
// comparison, which may run a script's __eq__ (and raise).
std::optional<GeometryType> type_named(PyObject* value, std::span<const GeometryType> candidates = kGeometryTypes);

// value == name of `type`, by the same rule.
bool is_named(PyObject* value, GeometryType type);

// The simple type that a geometry's `type` value names, by the same rule;
// an Exception "Invalid geometry type." for any other value.
GeometryType simple_type_named(PyObject* value);

// The interned str of a type name.
PyObject* type_name_object(GeometryType type);

// Calls `body(item)` for each item of a host sequence in order: a plain list or
// tuple by position (its length read at every step, as the host's iterator
// does), anything else through the host's iteration. Each item is held, like
// the variable of a for statement, until the next one has been taken (and the
// last one until the end): letting go of it may run a script's code, which
// then meets the sequence with the next item already taken.
template <typename Body>
void for_each_item(PyObject* sequence, Body&& body) {
  host::Ref item;
  if (PyList_CheckExact(sequence) || PyTuple_CheckExact(sequence)) {
    for (Py_ssize_t i = 0; i < Py_SIZE(sequence); ++i) {
      item = host::Ref::borrow(PySequence_Fast_ITEMS(sequence)[i]);
      body(item.get());
    }
    return;
  }
  host::Ref iterator = host::checked(PyObject_GetIter(sequence));
  while (host::Ref next = host::Ref::steal(PyIter_Next(iterator.get()))) {
    item = std::move(next);
    body(item.get());
  }
  if (PyErr_Occurred()) host::raise_pending();
}

// dict[key] of a plain dict, held for the caller, or an empty Ref when the key is absent.
inline host::Ref dict_value(PyObject* dict, PyObject* key) {
  PyObject* value = PyDict_GetItemWithError(dict, key);
  if (value == nullptr && PyErr_Occurred()) host::raise_pending();
  return host::Ref::borrow(value);
}

// len(sequence)
inline Py_ssize_t size_of(PyObject* sequence) {
  if (PyList_CheckExact(sequence)) return PyList_GET_SIZE(sequence);
  const Py_ssize_t size = PyObject_Size(sequence);
  if (size < 0) host::raise_pending();
  return size;
}

// ---- the stages of loads ----

// Geometry.loads(coordinates, code) on class `cls`, under the recursion guard.
host::Ref load(PyObject* cls, PyObject* coordinates, const Code& code);

// cls.loads(value) with the default code: the module's own loads run directly
// while it is the class's, the class's own loads through the host otherwise.
host::Ref load_through_class(PyObject* cls, PyObject* value);

// The same, for a value whose result the caller declares a dictionary:
// anything but a dict or None raises TypeError "Expected dict, got ...".
host::Ref load_dict_through_class(PyObject* cls, PyObject* value);

// Depth inference along first elements of a plain list, then normalisation.
host::Ref infer_and_normalise(PyObject* list, const Code& code);

// Geometry normalisation: checks `code` against `type`, normalises the
// coordinate list in place and returns {"type": type, "coordinates": list}.
host::Ref normalise(PyObject* type, PyObject* coordinates, const Code& code);

// The text branch of loads.
host::Ref load_text(PyObject* cls, PyObject* text, const Code& code);

// ---- dumps, toWkt, swapXY, getXY ----

// The input rule: a plain dict as it stands, anything else what cls.loads makes of it.
host::Ref geometry_of(PyObject* cls, PyObject* value);

// geometry["type"], with the host's KeyError.
host::Ref type_of(PyObject* geometry);

// geometry[key] when `key in geometry`, else an empty Ref.
host::Ref value_if_held(PyObject* geometry, PyObject* key);

// ---- the class methods ----

host::Ref loads_method(const host::Args& args);
host::Ref dumps_method(const host::Args& args);
host::Ref to_wkt_method(const host::Args& args);
host::Ref swap_xy_method(const host::Args& args);
host::Ref get_xy_method(const host::Args& args);

}  // namespace geometry
