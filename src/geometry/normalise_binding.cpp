// Geometry normalisation: the last stage of loads for every simple geometry.
// It works in place on the caller's lists, in order, and rolls nothing back:
// x and y of every vertex become floats, adjacent duplicate vertices leave
// lines and rings, counts are checked and rings are closed with their own
// first vertex object.
#include <optional>
#include <vector>

#include "geometry/codec.h"
#include "geometry/names.h"
#include "geometry/vertex_key.h"

namespace geometry {

using host::checked;
using host::checked_status;
using host::Ref;

namespace {

constexpr const char* kDimension = "Invalid [coordinates] parameter. Dimension should be greater than 1.";
constexpr const char* kLineCount = "Invalid [coordinates] parameter. The number of vertices should be greater than 1.";
constexpr const char* kRingCount = "Invalid [coordinates] parameter. The number of vertices should be greater than 2.";

// ---- keys ----

// The value of a vertex key for an exact float, or an exact int within 64 bits
// (into `out`); false for any other value, whose key is its host text.
bool key_value_of(PyObject* value, KeyNumber& out) {
  if (PyFloat_CheckExact(value)) {
    out = KeyNumber::of_real(PyFloat_AS_DOUBLE(value));
    return true;
  }
  if (PyLong_CheckExact(value)) {
    int overflow = 0;
    const long long integer = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (overflow != 0) return false;
    out = KeyNumber::of_integer(integer);
    return true;
  }
  return false;
}

// vertex[:2]: a subscript receives slice(None, 2, None); an object without
// one raises TypeError "'<type>' object is unsliceable".
Ref first_two(PyObject* vertex) {
  if (PyList_CheckExact(vertex)) return checked(PyList_GetSlice(vertex, 0, 2));
  const PyMappingMethods* mapping = Py_TYPE(vertex)->tp_as_mapping;
  if (mapping == nullptr || mapping->mp_subscript == nullptr) {
    host::raise_format(PyExc_TypeError, "'%.200s' object is unsliceable", Py_TYPE(vertex)->tp_name);
  }
  Ref stop = host::integer(2);
  Ref slice = checked(PySlice_New(Py_None, stop.get(), Py_None));
  return checked(PyObject_GetItem(vertex, slice.get()));
}

// The duplicate key of a vertex: the text of vertex[:2]. Plain floats and ints
// keep their values; anything else keeps the host's text.
class DuplicateKey {
 public:
  static DuplicateKey of(PyObject* vertex) {
    DuplicateKey key;
    if (PyList_CheckExact(vertex)) {
      const Py_ssize_t count = PyList_GET_SIZE(vertex) < 2 ? PyList_GET_SIZE(vertex) : 2;
      key.plain_.count = static_cast<std::uint8_t>(count);
      bool plain = true;
      for (Py_ssize_t i = 0; i < count && plain; ++i) {
        plain = key_value_of(PyList_GET_ITEM(vertex, i), key.plain_.values[i]);
      }
      key.floats_ = plain && count == 2 && key.plain_.values[0].kind == KeyNumber::Kind::Real &&
                    key.plain_.values[1].kind == KeyNumber::Kind::Real;
      if (plain) return key;
    }
    const Ref held = Ref::borrow(vertex);  // host code runs from here on
    Ref head = first_two(vertex);
    key.text_ = checked(PyObject_Repr(head.get()));
    return key;
  }

  bool same(const DuplicateKey& other) const {
    if (!text_ && !other.text_) return same_key(plain_, other.plain_);
    return checked_status(PyObject_RichCompareBool(text().get(), other.text().get(), Py_EQ)) != 0;
  }

  // Whether the vertex is a list whose x and y are floats already: the vertex
  // check would leave it as it is.
  bool floats() const { return floats_; }
  // Whether the key was taken without host code.
  bool plain() const { return !text_; }

 private:
  Ref text() const { return text_ ? text_ : host::text(key_text(plain_)); }

  NumberKey plain_;
  bool floats_ = false;
  Ref text_;  // set for a vertex that is not plain
};

// Compares two plain lists value by value; nothing when either holds a value
// that is not plain. (Texts of plain values hold no ", ", so the list texts are
// equal exactly when the counts and the value texts are.)
std::optional<bool> same_plain_lists(PyObject* a, PyObject* b) {
  KeyNumber x, y;
  for (PyObject* list : {a, b}) {
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
      if (!key_value_of(PyList_GET_ITEM(list, i), x)) return std::nullopt;
    }
  }
  if (PyList_GET_SIZE(a) != PyList_GET_SIZE(b)) return false;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(a); ++i) {
    key_value_of(PyList_GET_ITEM(a, i), x);
    key_value_of(PyList_GET_ITEM(b, i), y);
    if (!same_text(x, y)) return false;
  }
  return true;
}

// ---- lines and rings ----

// line[index] for a non-negative index or -1, with the host's IndexError.
Ref item_at(PyObject* line, Py_ssize_t index) {
  if (PyList_CheckExact(line)) {
    const Py_ssize_t size = PyList_GET_SIZE(line);
    const Py_ssize_t position = index < 0 ? size + index : index;
    if (position < 0 || position >= size) host::raise(PyExc_IndexError, "list index out of range");
    return Ref::borrow(PyList_GET_ITEM(line, position));
  }
  Ref key = checked(PyLong_FromSsize_t(index));
  return checked(PyObject_GetItem(line, key.get()));
}

// Whether letting go of a vertex can run no script code: a plain list of
// plain values frees nothing that has a __del__. Its values before `known` are
// already known to be such.
inline bool releases_quietly(PyObject* vertex, Py_ssize_t known = 0) {
  if (!PyList_CheckExact(vertex)) return false;
  for (Py_ssize_t i = known; i < PyList_GET_SIZE(vertex); ++i) {
    if (!host::plain_value(PyList_GET_ITEM(vertex, i))) return false;
  }
  return true;
}

bool all_release_quietly(PyObject* list, const std::vector<Py_ssize_t>& positions) {
  for (Py_ssize_t position : positions) {
    if (!releases_quietly(PyList_GET_ITEM(list, position))) return false;
  }
  return true;
}

// Drops the items at the ascending `positions` of a plain list in one pass:
// the kept items move up in order, and one slice deletion releases the rest.
void compact(PyObject* list, const std::vector<Py_ssize_t>& positions) {
  PyObject** items = PySequence_Fast_ITEMS(list);
  const Py_ssize_t size = PyList_GET_SIZE(list);
  std::vector<PyObject*> dropped;
  dropped.reserve(positions.size());
  Py_ssize_t kept = 0;
  std::size_t next = 0;
  for (Py_ssize_t i = 0; i < size; ++i) {
    if (next < positions.size() && positions[next] == i) {
      dropped.push_back(items[i]);
      ++next;
    } else {
      items[kept++] = items[i];
    }
  }
  for (std::size_t k = 0; k < dropped.size(); ++k) items[kept + static_cast<Py_ssize_t>(k)] = dropped[k];
  checked_status(PyList_SetSlice(list, kept, size, nullptr));
}

// Removes adjacent duplicate vertices from a line or ring: all keys are taken
// first (an error leaves the line as it was), then the duplicates go. Answers
// whether the line is a list that is left with float vertices only and no host
// code ran meanwhile, so that the vertex checks have nothing to do.
bool remove_duplicates(PyObject* line) {
  const Py_ssize_t count = size_of(line);
  std::vector<Py_ssize_t> duplicates;
  std::optional<DuplicateKey> previous;
  bool floats = PyList_CheckExact(line);
  bool keys_plain = true;  // no host code ran
  bool quiet = true;       // each duplicate, when met, released quietly
  for (Py_ssize_t i = 0; i < count; ++i) {
    // The list holds the vertex while its key is taken (which holds it too
    // before any host code runs).
    Ref held;
    PyObject* vertex;
    if (PyList_CheckExact(line) && i < PyList_GET_SIZE(line)) {
      vertex = PyList_GET_ITEM(line, i);
    } else {
      held = item_at(line, i);
      vertex = held.get();
    }
    // A key's host code may free `vertex`: it is read again only after a plain key.
    DuplicateKey key = DuplicateKey::of(vertex);
    floats = floats && key.floats();
    keys_plain = keys_plain && key.plain();
    if (previous && key.same(*previous)) {
      duplicates.push_back(i);
      // While it is at hand; a plain key has shown its first two values plain.
      if (keys_plain) quiet = quiet && releases_quietly(vertex, 2);
    } else {
      previous = std::move(key);
    }
  }
  if (duplicates.empty()) return floats;
  // At once where releasing the duplicates runs no script code, so that none
  // can see the line between two deletions. A key's host code may have
  // changed the duplicates since they were met: then they are looked at again.
  const bool at_once = PyList_CheckExact(line) && PyList_GET_SIZE(line) == count &&
                       (keys_plain ? quiet : all_release_quietly(line, duplicates));
  if (at_once) {
    compact(line, duplicates);
    return false;
  }
  // Otherwise as written: del line[i], highest first.
  for (auto position = duplicates.rbegin(); position != duplicates.rend(); ++position) {
    Ref key = checked(PyLong_FromSsize_t(*position));
    checked_status(PyObject_DelItem(line, key.get()));
  }
  return false;
}

// ring.append(ring[0]): the method is looked up before the item is read.
void append_first(PyObject* ring) {
  if (PyList_CheckExact(ring)) {
    checked_status(PyList_Append(ring, item_at(ring, 0).get()));
    return;
  }
  Ref append = host::get_attr(ring, names::append);
  host::call(append.get(), item_at(ring, 0).get());
}

// Appends ring[0] (the same object) when the closing keys of ring[0] and
// ring[-1], the texts of the whole vertices, differ. The first vertex's text
// is taken before the last vertex is read, as its __repr__ may change the
// ring. Answers whether this ran no host code: a list ring whose first and
// last vertex are plain lists, compared by value.
bool close_ring(PyObject* ring) {
  Ref first = item_at(ring, 0);
  if (PyList_CheckExact(ring) && PyList_CheckExact(first.get())) {
    PyObject* last = PyList_GET_ITEM(ring, PyList_GET_SIZE(ring) - 1);
    if (PyList_CheckExact(last)) {
      if (const std::optional<bool> same = same_plain_lists(first.get(), last)) {
        if (!*same) checked_status(PyList_Append(ring, first.get()));
        return true;
      }
    }
  }
  Ref first_text = checked(PyObject_Repr(first.get()));
  Ref last = item_at(ring, -1);
  Ref last_text = checked(PyObject_Repr(last.get()));
  Ref differ = checked(PyObject_RichCompare(first_text.get(), last_text.get(), Py_NE));
  if (host::truth(differ.get())) append_first(ring);
  return false;
}

// ---- vertices ----

// vertex[i] = float(vertex[i]) for positions 0 and 1, in place. The
// conversion may change the vertex: the value is held while it runs (and let
// go before the store, as the host's own statement does), the length is read
// again before each step, and the store raises IndexError where the vertex
// has become too short.
void set_point(PyObject* vertex) {
  for (Py_ssize_t i = 0; i < 2 && i < PyList_GET_SIZE(vertex); ++i) {
    PyObject* value = PyList_GET_ITEM(vertex, i);
    if (PyFloat_CheckExact(value)) continue;
    Ref converted;
    {
      const Ref held = Ref::borrow(value);
      converted = checked(PyNumber_Float(held.get()));
    }
    checked_status(PyList_SetItem(vertex, i, converted.release()));
  }
}

// The vertex check: exactly a list, converted, with at least two values.
void check_vertex(PyObject* vertex) {
  if (!PyList_CheckExact(vertex)) refuse(kDimension);
  set_point(vertex);
  if (PyList_GET_SIZE(vertex) < 2) refuse(kDimension);
}

void check_vertices(PyObject* line) { for_each_item(line, check_vertex); }

// A line, or a ring (closed), of a MultiLineString, Polygon or MultiPolygon.
void normalise_line(PyObject* line, bool ring) {
  bool converted = remove_duplicates(line);
  const Py_ssize_t count = size_of(line);
  if (ring) {
    if (count < 3) refuse(kRingCount);
    converted = close_ring(line) && converted;
  } else if (count < 2) {
    refuse(kLineCount);
  }
  if (!converted) check_vertices(line);
}

void normalise_point(PyObject* coordinates) {
  if (!PyList_CheckExact(coordinates)) {
    host::raise_format(PyExc_TypeError, "Expected %s, got %.200s", "list", Py_TYPE(coordinates)->tp_name);
  }
  set_point(coordinates);
  if (PyList_GET_SIZE(coordinates) < 2) refuse(kDimension);
}

void normalise_multi_polygon(PyObject* coordinates) {
  for_each_item(coordinates, [](PyObject* polygon) {
    if (!PyList_CheckExact(polygon)) refuse(kShouldBeList);
    for_each_item(polygon, [](PyObject* ring) {
      if (!PyList_CheckExact(ring)) refuse(kShouldBeList);
      normalise_line(ring, true);
    });
  });
}

// The code each type admits besides -1 and None, and the message otherwise.
struct CodeRule {
  long long code;
  const char* message;
};

CodeRule code_rule(GeometryType type) {
  switch (type) {
    case GeometryType::Point:
    case GeometryType::MultiPoint: return {0, "] should be one of [-1,0] in [code] parameter."};
    case GeometryType::LineString:
    case GeometryType::MultiLineString: return {1, "] should be one of [-1,1] in [code] parameter."};
    default: return {2, "] should be one of [-1,2] in [code] parameter."};
  }
}

}  // namespace

Ref normalise(PyObject* type, PyObject* coordinates, const Code& code) {
  const std::optional<GeometryType> named = type_named(type, kSimpleTypes);
  if (!named) refuse(kInvalidParameter);
  const CodeRule rule = code_rule(*named);
  if (!code.is_automatic() && !code.is(rule.code)) refuse_with("[", code.object.get(), rule.message);

  switch (*named) {
    case GeometryType::Point:
      normalise_point(coordinates);
      break;
    case GeometryType::MultiPoint:
      check_vertices(coordinates);
      break;
    case GeometryType::LineString:
      normalise_line(coordinates, false);
      break;
    case GeometryType::MultiLineString:
    case GeometryType::Polygon: {
      const bool rings = *named == GeometryType::Polygon;
      for_each_item(coordinates, [rings](PyObject* line) { normalise_line(line, rings); });
      break;
    }
    case GeometryType::MultiPolygon:
      normalise_multi_polygon(coordinates);
      break;
    case GeometryType::GeometryCollection:
      break;
  }
  return host::DictBuilder(2).put(names::type, type).put(names::coordinates, coordinates).take();
}

}  // namespace geometry
