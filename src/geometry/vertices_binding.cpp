// Geometry.swapXY and Geometry.getXY: x and y exchanged in place in every
// vertex (each vertex object once per call), and the vertices listed as tuples.
// A plain dict is used as it stands; anything else is loaded through cls.loads.
#include <cstdint>
#include <optional>
#include <vector>

#include "geometry/codec.h"
#include "geometry/names.h"

namespace geometry {

using host::checked;
using host::checked_status;
using host::Ref;

namespace {

// The objects met in one call, by identity: an open-addressing table of
// pointers. It holds a reference to each, so none can be freed and its address
// reused by a new one while the call runs.
class IdentitySet {
 public:
  // Adds `object`; false when it was there already.
  bool insert(PyObject* object) {
    if ((held_.size() + 1) * 2 > slots_.size()) grow();
    std::size_t slot = position(object);
    while (slots_[slot] != nullptr) {
      if (slots_[slot] == object) return false;
      slot = (slot + 1) & (slots_.size() - 1);
    }
    slots_[slot] = object;
    held_.push_back(Ref::borrow(object));
    return true;
  }

 private:
  std::size_t position(PyObject* vertex) const {
    const auto bits = reinterpret_cast<std::uintptr_t>(vertex) >> 4;
    return static_cast<std::size_t>(bits * 0x9E3779B97F4A7C15ULL >> shift_);
  }
  void grow() {
    std::vector<PyObject*> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, nullptr);
    shift_ = 64 - static_cast<unsigned>(__builtin_ctzll(slots_.size()));
    for (PyObject* vertex : old) {
      if (vertex == nullptr) continue;
      std::size_t slot = position(vertex);
      while (slots_[slot] != nullptr) slot = (slot + 1) & (slots_.size() - 1);
      slots_[slot] = vertex;
    }
  }

  std::vector<PyObject*> slots_;
  std::vector<Ref> held_;
  unsigned shift_ = 58;
};

// Exchanges items 0 and 1: item 1 read, then item 0, then both stored.
void exchange(PyObject* vertex) {
  if (PyList_CheckExact(vertex) && PyList_GET_SIZE(vertex) >= 2) {
    PyObject** items = PySequence_Fast_ITEMS(vertex);
    std::swap(items[0], items[1]);
    return;
  }
  Ref second = host::get_index(vertex, 1);
  Ref first = host::get_index(vertex, 0);
  Ref zero = host::integer(0);
  Ref one = host::integer(1);
  checked_status(PyObject_SetItem(vertex, zero.get(), second.get()));
  checked_status(PyObject_SetItem(vertex, one.get(), first.get()));
}

void swap_level(PyObject* coordinates, int depth, IdentitySet& seen) {
  if (depth == 1) {
    if (seen.insert(coordinates)) exchange(coordinates);
    return;
  }
  for_each_item(coordinates, [&](PyObject* item) { swap_level(item, depth - 1, seen); });
}

// Whether walking `list` down to the vertices runs no host code: every level a
// plain list, every vertex a plain list of at least two items and not the top
// list. `shared` is set where a line, ring or polygon is held elsewhere too;
// `look_into` refuses also a vertex whose first item is a plain list.
bool plain_levels(PyObject* list, int depth, PyObject* top, bool look_into, bool& shared) {
  if (!PyList_CheckExact(list)) return false;
  if (depth == 2) {  // its items are vertices: checked here, without a call for each
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
      PyObject* vertex = PyList_GET_ITEM(list, i);
      if (!PyList_CheckExact(vertex) || PyList_GET_SIZE(vertex) < 2 || vertex == top ||
          (look_into && PyList_CheckExact(PyList_GET_ITEM(vertex, 0)))) {
        return false;
      }
    }
    return true;
  }
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
    PyObject* item = PyList_GET_ITEM(list, i);
    if (!host::sole_owner(item)) shared = true;
    if (!plain_levels(item, depth - 1, top, look_into, shared)) return false;
  }
  return true;
}

// Whether the plain walk below may exchange the vertices of `coordinates`: it
// runs no host code, and no line, ring or polygon is a vertex too, so that
// exchanging the items of vertices changes no list that the walk goes through.
// Where every line, ring and polygon has its parent as its one holder, each
// is met at one level only, and so is the top list unless it is a vertex; the
// first items of vertices need looking at only where one is held elsewhere
// (a line, ring or polygon is a list of plain lists, or empty, and a vertex
// is never empty). `depth` is 2 or more.
bool plain_coordinates(PyObject* coordinates, int depth) {
  bool shared = false;
  if (!plain_levels(coordinates, depth, coordinates, false, shared)) return false;
  return !shared || plain_levels(coordinates, depth, coordinates, true, shared);
}

// The walk of swap_level for plain coordinates, where nothing can tell how it
// finds each vertex once. A list that nothing but its one parent refers to is
// met once when its parent is; only lists held elsewhere too are recorded, by
// the level they are met at. A vertex met again is left as it is, and a line,
// ring or polygon met again is passed over: its items are the ones it had
// (only vertices change), all exchanged already.
class PlainSwap {
 public:
  void walk(PyObject* list, int depth) {
    IdentitySet& met = met_[depth - 1];  // the level of the items
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
      PyObject* item = PyList_GET_ITEM(list, i);
      if (!host::sole_owner(item) && !met.insert(item)) continue;
      if (depth > 2) {
        walk(item, depth - 1);
      } else {
        PyObject** values = PySequence_Fast_ITEMS(item);
        std::swap(values[0], values[1]);
      }
    }
  }

 private:
  IdentitySet met_[4];  // vertices at 1, lines and rings at 2, polygons at 3
};

Ref swap_xy(PyObject* cls, PyObject* value);

// cls.swapXY(member), run here while swapXY is the class's own, on the class
// the method is bound to, as the call's body would be.
void swap_member(PyObject* cls, PyObject* member) {
  if (host::finds_own_member(cls, names::swapXY, swap_xy_method)) {
    swap_xy(host::class_bound_to(cls), member);
  } else {
    host::call_method(cls, names::swapXY, member);
  }
}

Ref swap_xy(PyObject* cls, PyObject* value) {
  const RecursionGuard guard(" while swapping axes");
  Ref geometry = geometry_of(cls, value);
  Ref type = type_of(geometry.get());
  if (!host::truth(type.get())) refuse(kInvalidGeometryType);
  if (Ref coordinates = value_if_held(geometry.get(), names::coordinates)) {
    const GeometryType named = simple_type_named(type.get());
    const int depth = coordinate_depth(named);
    if (depth >= 2 && plain_coordinates(coordinates.get(), depth)) {
      PlainSwap().walk(coordinates.get(), depth);
    } else {
      IdentitySet seen;
      swap_level(coordinates.get(), depth, seen);
    }
  } else if (Ref members = value_if_held(geometry.get(), names::geometries)) {
    if (!is_named(type.get(), GeometryType::GeometryCollection) || !PyList_CheckExact(members.get())) {
      refuse(kInvalidGeometryType);
    }
    for_each_item(members.get(), [&](PyObject* member) { swap_member(cls, member); });
  } else {
    refuse(kInvalidGeometryType);
  }
  if (!PyDict_CheckExact(geometry.get())) {
    host::raise_format(PyExc_TypeError, "Expected %s, got %.200s", "dict", Py_TYPE(geometry.get())->tp_name);
  }
  return geometry;
}

// ---- getXY ----

// Whether listing the vertices of `coordinates` runs no host code: every level
// a plain list, every vertex a plain list or tuple.
bool plain_vertices(PyObject* coordinates, int depth) {
  if (depth == 1) return PyList_CheckExact(coordinates) || PyTuple_CheckExact(coordinates);
  if (!PyList_CheckExact(coordinates)) return false;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(coordinates); ++i) {
    if (!plain_vertices(PyList_GET_ITEM(coordinates, i), depth - 1)) return false;
  }
  return true;
}

// tuple(vertex): a tuple as it stands, anything else copied.
void append_tuple(PyObject* result, PyObject* vertex) {
  Ref tuple = PyTuple_CheckExact(vertex) ? Ref::borrow(vertex) : checked(PySequence_Tuple(vertex));
  checked_status(PyList_Append(result, tuple.get()));
}

// A line or ring: its first and last vertex, or all of them. The truth of
// `endpoint` is taken here, for each line.
void append_line(PyObject* result, PyObject* line, PyObject* endpoint) {
  if (!host::truth(endpoint)) {
    for_each_item(line, [&](PyObject* vertex) { append_tuple(result, vertex); });
    return;
  }
  append_tuple(result, host::get_index(line, 0).get());
  Ref last = PyList_CheckExact(line) && PyList_GET_SIZE(line) > 0
                 ? Ref::borrow(PyList_GET_ITEM(line, PyList_GET_SIZE(line) - 1))
                 : host::get_index(line, -1);
  append_tuple(result, last.get());
}

void get_xy(PyObject* cls, PyObject* value, PyObject* endpoint, PyObject* result);

// The items of cls.getXY(member, endpoint), appended to `result`; run here on
// the class the method is bound to, as the call's body would be.
void extend_with_member(PyObject* cls, PyObject* member, PyObject* endpoint, PyObject* result) {
  if (host::finds_own_member(cls, names::getXY, get_xy_method)) {
    get_xy(host::class_bound_to(cls), member, endpoint, result);
    return;
  }
  Ref items = host::call_method(cls, names::getXY, member, endpoint);
  for_each_item(items.get(), [&](PyObject* item) { checked_status(PyList_Append(result, item)); });
}

void get_xy(PyObject* cls, PyObject* value, PyObject* endpoint, PyObject* result) {
  const RecursionGuard guard(" while listing vertices");
  Ref geometry = geometry_of(cls, value);
  Ref type = type_of(geometry.get());
  if (!host::truth(type.get())) return;
  if (Ref coordinates = value_if_held(geometry.get(), names::coordinates)) {
    const GeometryType named = simple_type_named(type.get());
    PyObject* c = coordinates.get();
    std::optional<CollectorPause> pause;  // many new tuples, and no host code to run
    if (host::plain_value(endpoint) && plain_vertices(c, coordinate_depth(named))) pause.emplace();
    switch (named) {
      case GeometryType::Point: append_tuple(result, c); break;
      case GeometryType::MultiPoint:
        for_each_item(c, [&](PyObject* vertex) { append_tuple(result, vertex); });
        break;
      case GeometryType::LineString: append_line(result, c, endpoint); break;
      case GeometryType::MultiLineString:
      case GeometryType::Polygon:
        for_each_item(c, [&](PyObject* line) { append_line(result, line, endpoint); });
        break;
      default:
        for_each_item(c, [&](PyObject* polygon) {
          for_each_item(polygon, [&](PyObject* ring) { append_line(result, ring, endpoint); });
        });
    }
    return;
  }
  Ref members = value_if_held(geometry.get(), names::geometries);
  if (!members || !is_named(type.get(), GeometryType::GeometryCollection) || !PyList_CheckExact(members.get())) {
    return;
  }
  for_each_item(members.get(), [&](PyObject* member) { extend_with_member(cls, member, endpoint, result); });
}

}  // namespace

Ref swap_xy_method(const host::Args& args) { return swap_xy(args.self(), args[0]); }

Ref get_xy_method(const host::Args& args) {
  Ref result = checked(PyList_New(0));
  get_xy(args.self(), args[0], args[1], result.get());
  return result;
}

}  // namespace geometry
