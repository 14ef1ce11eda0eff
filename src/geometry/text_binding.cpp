// The text branch of Geometry.loads: the branch chosen by `code`, then GeoJSON
// text (read by the host's json.loads), WKT text or free text, recognised in
// that order. WKT and free text are scanned in C++ on the str's own storage;
// their values are read directly where every token is a plain number, and by
// the host's json.loads of the JSON text the readers build otherwise.
#include <type_traits>
#include <vector>

#include "geometry/codec.h"
#include "geometry/coordinate_text.h"
#include "geometry/json_number.h"
#include "geometry/names.h"
#include "geometry/text_scan.h"
#include "host/module.h"
#include "host/text_units.h"

namespace geometry {

using host::checked;
using host::checked_status;
using host::Ref;
using text::Span;
using text::Text;

namespace {

constexpr const char* kInvalidType = "Invalid type in [coordinates] parameter.";

enum class Branch { Automatic, Points, Lines, Polygons };

Branch branch_of(const Code& code) {
  if (code.is(-1) || code.is_none()) return Branch::Automatic;
  if (code.is(0)) return Branch::Points;
  if (code.is(1)) return Branch::Lines;
  if (code.is(2)) return Branch::Polygons;
  refuse_with("[", code.object.get(), "] should be one of [-1,0,1,2] in [code] parameter.");
}

// json.loads(document), as the plain form calls it: read at each call from the
// module's global `json`, so that a script that replaces or patches it, and
// undoes that, is honoured at once.
Ref json_loads(PyObject* document) {
  Ref json = host::module_global(names::json);
  Ref loads = host::get_attr(json.get(), names::loads);
  return host::call(loads.get(), document);
}

Ref substring(PyObject* s, Span span) {
  return checked(PyUnicode_Substring(s, static_cast<Py_ssize_t>(span.begin), static_cast<Py_ssize_t>(span.end)));
}

// ---- coordinate lists from tokens ----

// The readers' visitor that makes the lists directly while every token is a
// plain number; at the first other token it lets go of what it made.
template <typename Unit>
class DirectLists {
 public:
  explicit DirectLists(Text<Unit> t) : t_(t) {}
  ~DirectLists() { release(); }
  DirectLists(const DirectLists&) = delete;
  DirectLists& operator=(const DirectLists&) = delete;

  void open() { ++depth_; }
  void token(Span token) {
    if (failed_) return;
    const text::Number number = text::read_json_number(t_, token);
    PyObject* value = nullptr;
    switch (number.kind) {
      case text::Number::Kind::Integer: value = PyLong_FromLongLong(number.integer); break;
      case text::Number::Kind::Real: value = PyFloat_FromDouble(number.real); break;
      case text::Number::Kind::Other: release(); return;
    }
    keep(value);
  }
  void close() {
    const int depth = depth_--;
    if (failed_) return;
    std::vector<PyObject*>& items = items_[depth];
    PyObject* list = PyList_New(static_cast<Py_ssize_t>(items.size()));
    if (list != nullptr) {
      for (std::size_t k = 0; k < items.size(); ++k) PyList_SET_ITEM(list, static_cast<Py_ssize_t>(k), items[k]);
      items.clear();
    }
    keep(list);
  }
  // The lists made, or an empty Ref when a token was not plain.
  Ref take() { return std::move(result_); }

 private:
  static constexpr int kLevels = 6;

  // Holds a new reference at the current depth (the result at depth 0).
  void keep(PyObject* value) {
    if (value == nullptr) {
      release();
      host::raise_pending();
    }
    if (depth_ == 0) {
      result_ = Ref::steal(value);
    } else {
      items_[depth_].push_back(value);
    }
  }
  void release() {
    failed_ = true;
    for (std::vector<PyObject*>& items : items_) {
      for (PyObject* item : items) Py_DECREF(item);
      items.clear();
    }
  }

  Text<Unit> t_;
  std::vector<PyObject*> items_[kLevels];
  int depth_ = 0;
  bool failed_ = false;
  Ref result_;
};

// The coordinate list a reader gives: json.loads of its JSON text, made
// directly where every token is a plain number. `read(visitor)` runs the reader.
template <typename Unit, typename Read>
Ref coordinate_list(Text<Unit> t, Read&& read) {
  {
    const CollectorPause pause;
    DirectLists<Unit> direct(t);
    read(direct);
    if (Ref lists = direct.take()) return lists;
  }
  std::vector<Unit> json;
  json.reserve(t.size() + 16);
  text::JsonTextWriter<Unit, std::vector<Unit>> writer(t, json);
  read(writer);
  constexpr int kKind = sizeof(Unit) == 1 ? PyUnicode_1BYTE_KIND : sizeof(Unit) == 2 ? PyUnicode_2BYTE_KIND
                                                                                   : PyUnicode_4BYTE_KIND;
  Ref document = checked(PyUnicode_FromKindAndData(kKind, json.data(), static_cast<Py_ssize_t>(json.size())));
  return json_loads(document.get());
}

// ---- free text ----

std::optional<GeometryType> free_text_type(Branch branch, std::size_t tokens) {
  const bool pairs = tokens % 2 == 0;
  switch (branch) {
    case Branch::Automatic:
      if (tokens == 2) return GeometryType::Point;
      if (pairs && tokens >= 4) return GeometryType::LineString;
      break;
    case Branch::Points:
      if (tokens == 2) return GeometryType::Point;
      if (pairs && tokens >= 4) return GeometryType::MultiPoint;
      break;
    case Branch::Lines:
      if (pairs && tokens >= 4) return GeometryType::LineString;
      break;
    case Branch::Polygons:
      if (pairs && tokens >= 6) return GeometryType::Polygon;
      break;
  }
  return std::nullopt;
}

template <typename Unit>
Ref load_free_text(Text<Unit> t, Branch branch, const Code& code) {
  const std::optional<GeometryType> type = free_text_type(branch, text::free_text_token_count(t));
  if (!type) refuse(kInvalidParameter);  // normalisation refuses a missing type
  const int depth = *type == GeometryType::Point ? 1 : *type == GeometryType::Polygon ? 3 : 2;
  Ref list = coordinate_list(t, [&](auto& visit) { text::read_free_text(t, depth, visit); });
  return normalise(type_name_object(*type), list.get(), code);
}

// ---- WKT ----

// The type names a type word may give under each branch.
bool admitted(Branch branch, GeometryType type) {
  using G = GeometryType;
  switch (branch) {
    case Branch::Automatic: return true;
    case Branch::Points: return type == G::Point || type == G::MultiPoint || type == G::GeometryCollection;
    case Branch::Lines: return type == G::LineString || type == G::MultiLineString || type == G::GeometryCollection;
    case Branch::Polygons: return type == G::Polygon || type == G::MultiPolygon || type == G::GeometryCollection;
  }
  return false;
}

// The type set by the word before the body, if there is one: its first
// run of non-white-space, upper-cased by the host's str.upper().
template <typename Unit>
std::optional<GeometryType> type_of_word(PyObject* s, Text<Unit> t, Span name, Branch branch) {
  if (text::skip_space(t, name.begin, name.end) == name.end) return std::nullopt;
  Ref word = host::call_method(substring(s, text::first_word(t, name)).get(), names::upper);
  for (GeometryType type : kGeometryTypes) {
    if (admitted(branch, type) && PyUnicode_CompareWithASCIIString(word.get(), type_word(type).data()) == 0) {
      return type;
    }
  }
  refuse(kInvalidType);
}

enum class Step { Point, Line, RingList, Collection, MultiPolygon };

std::vector<Step> steps_of(Branch branch) {
  switch (branch) {
    case Branch::Automatic: return {Step::Point, Step::Line, Step::RingList, Step::Collection, Step::MultiPolygon};
    case Branch::Points: return {Step::Point, Step::Line, Step::Collection};
    case Branch::Lines: return {Step::Line, Step::RingList, Step::Collection};
    case Branch::Polygons: return {Step::RingList, Step::Collection, Step::MultiPolygon};
  }
  return {};
}

// What a search step makes of the body when the type word left the type open,
// and the types it accepts.
struct StepTypes {
  GeometryType fallback;
  GeometryType first, second;  // the accepted types (the same twice for one)
};

StepTypes step_types(Step step, Branch branch) {
  using G = GeometryType;
  switch (step) {
    case Step::Point: return {G::Point, G::Point, G::Point};
    case Step::Line:
      if (branch == Branch::Points) return {G::MultiPoint, G::MultiPoint, G::MultiPoint};
      if (branch == Branch::Lines) return {G::LineString, G::LineString, G::LineString};
      return {G::LineString, G::MultiPoint, G::LineString};
    default:
      if (branch == Branch::Lines) return {G::MultiLineString, G::MultiLineString, G::MultiLineString};
      if (branch == Branch::Polygons) return {G::Polygon, G::Polygon, G::Polygon};
      return {G::Polygon, G::MultiLineString, G::Polygon};
  }
}

// A search step that applies: the type it decides, then the reader's list normalised.
template <typename Unit>
Ref search_step(Text<Unit> t, Step step, Branch branch, std::optional<GeometryType> type, Span group,
                const Code& code) {
  const StepTypes types = step_types(step, branch);
  const GeometryType decided = type.value_or(types.fallback);
  if (decided != types.first && decided != types.second) refuse(kInvalidType);
  Ref list = coordinate_list(t, [&](auto& visit) {
    if (step == Step::Point) {
      text::read_point(t, group, visit);
    } else if (step == Step::Line) {
      text::read_line(t, group, visit);
    } else {
      text::read_rings(t, group, visit);
    }
  });
  return normalise(type_name_object(decided), list.get(), code);
}

Ref collection_of(PyObject* cls, PyObject* s, const std::vector<Span>& members) {
  Ref loaded = checked(PyList_New(0));
  for (const Span& member : members) {
    Ref text = substring(s, member);
    checked_status(PyList_Append(loaded.get(), load_through_class(cls, text.get()).get()));
  }
  return host::DictBuilder(2).put(names::type, names::GeometryCollection).put(names::geometries, loaded).take();
}

template <typename Unit>
Ref load_wkt(PyObject* cls, PyObject* s, Text<Unit> t, Branch branch, const Code& code) {
  const std::optional<text::WktParts> parts = text::split_wkt(t);
  if (!parts) refuse(kInvalidCoordinates);
  const std::optional<GeometryType> type = type_of_word(s, t, parts->name, branch);
  const Span body = parts->body;
  for (Step step : steps_of(branch)) {
    std::optional<Span> group;
    switch (step) {
      case Step::Point: group = text::flat_body(t, body, false); break;
      case Step::Line: group = text::flat_body(t, body, true); break;
      case Step::RingList: group = text::ring_list_body(t, body); break;
      case Step::Collection: {
        const text::Members members = text::collection_members(t, body);
        // A member that cannot be read would be lost: refuse the text.
        if (members.unreadable) refuse(kInvalidCoordinates);
        if (!members.texts.empty()) return collection_of(cls, s, members.texts);
        continue;
      }
      case Step::MultiPolygon: {
        const std::vector<Span> polygons = text::multipolygon_polygons(t, body);
        if (polygons.empty()) continue;
        // Coordinates outside the polygons found (a polygon whose rings are
        // written apart) would be lost: refuse the text.
        if (text::text_left_outside(t, body, polygons)) refuse(kInvalidCoordinates);
        Ref list = coordinate_list(t, [&](auto& visit) { text::read_polygons(t, polygons, visit); });
        return normalise(names::MultiPolygon, list.get(), code);
      }
    }
    if (group && !group->empty()) return search_step(t, step, branch, type, *group, code);
  }
  refuse(kInvalidCoordinates);
}

// ---- GeoJSON text ----

// The type of a bare array in the points, lines and polygons branches, from
// its first elements; none where no row fits.
std::optional<GeometryType> type_of_first_elements(PyObject* list, Branch branch) {
  const auto first = [](PyObject* of) {
    if (PyList_GET_SIZE(of) == 0) host::raise(PyExc_IndexError, "list index out of range");
    return PyList_GET_ITEM(of, 0);
  };
  PyObject* e0 = first(list);
  if (branch == Branch::Points) return PyList_CheckExact(e0) ? GeometryType::MultiPoint : GeometryType::Point;
  const GeometryType many = branch == Branch::Lines ? GeometryType::MultiLineString : GeometryType::MultiPolygon;
  if (PyDict_CheckExact(e0)) return many;
  if (!PyList_CheckExact(e0)) return std::nullopt;
  PyObject* e1 = first(e0);
  if (branch == Branch::Lines && !PyList_CheckExact(e1)) return GeometryType::LineString;
  if (!PyList_CheckExact(e1)) return std::nullopt;
  PyObject* e2 = first(e1);
  if (!PyList_CheckExact(e2)) return branch == Branch::Lines ? GeometryType::MultiLineString : GeometryType::Polygon;
  if (branch == Branch::Lines) return std::nullopt;
  return PyList_CheckExact(first(e2)) ? std::nullopt : std::optional(GeometryType::MultiPolygon);
}

Ref load_geojson(PyObject* cls, PyObject* s, Branch branch, const Code& code) {
  Ref value = json_loads(s);
  Ref type;  // what the object holds under "type", or empty
  Ref list;  // the coordinate list, or empty
  if (PyDict_CheckExact(value.get())) {
    type = dict_value(value.get(), names::type);
    if (type && branch != Branch::Automatic) {
      const std::optional<GeometryType> named = type_named(type.get());
      if (!named || !admitted(branch, *named)) refuse("Invalid [code] parameter.");
    }
    list = dict_value(value.get(), names::coordinates);
    if (list && !PyList_CheckExact(list.get())) refuse(kInvalidCoordinates);
    if (!list && dict_value(value.get(), names::geometries)) return load_dict_through_class(cls, value.get());
    const bool untyped = !type || type.get() == Py_None;
    if (branch == Branch::Automatic && untyped && list) return load_dict_through_class(cls, list.get());
  } else if (PyList_CheckExact(value.get())) {
    if (branch == Branch::Automatic) return load_dict_through_class(cls, value.get());
    list = value;
  }
  if (branch != Branch::Automatic && !type && list) {
    if (const std::optional<GeometryType> inferred = type_of_first_elements(list.get(), branch)) {
      type = Ref::borrow(type_name_object(*inferred));
    }
  }
  return normalise(type ? type.get() : Py_None, list ? list.get() : Py_None, code);
}

}  // namespace

Ref load_text(PyObject* cls, PyObject* s, const Code& code) {
  const Branch branch = branch_of(code);
  return host::with_units(s, [&](const auto* units, std::size_t size) -> Ref {
    using Unit = std::remove_cv_t<std::remove_pointer_t<decltype(units)>>;
    const Text<Unit> t(units, size);
    if (text::has_bracket_pair(t, '[', ']')) return load_geojson(cls, s, branch, code);
    if (text::has_bracket_pair(t, '(', ')')) return load_wkt(cls, s, t, branch, code);
    return load_free_text(t, branch, code);
  });
}

}  // namespace geometry
