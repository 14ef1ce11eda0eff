// The entry of Geometry.loads: the way is chosen by the exact type of the input
// (list, dict, str, anything else); dictionaries name their type or leave it
// to depth inference; collections are loaded member by member through cls.loads.
#include "geometry/codec.h"
#include "geometry/names.h"

namespace geometry {

using host::checked;
using host::checked_status;
using host::Ref;

Code Code::of(PyObject* code) {
  Code result{Ref::borrow(code), std::nullopt};
  if (PyLong_Check(code)) {
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(code, &overflow);
    if (value == -1 && PyErr_Occurred()) host::raise_pending();
    if (overflow == 0) result.value = value;
  }
  return result;
}

Code Code::automatic() { return Code{host::integer(-1), -1}; }

void refuse(const char* message) { host::raise(PyExc_Exception, message); }

void refuse_with(const char* prefix, PyObject* value, const char* suffix) {
  host::raise_text(PyExc_Exception, host::concat_format(prefix, value, suffix));
}

PyObject* type_name_object(GeometryType type) {
  switch (type) {
    case GeometryType::Point: return names::Point;
    case GeometryType::MultiPoint: return names::MultiPoint;
    case GeometryType::LineString: return names::LineString;
    case GeometryType::MultiLineString: return names::MultiLineString;
    case GeometryType::Polygon: return names::Polygon;
    case GeometryType::MultiPolygon: return names::MultiPolygon;
    case GeometryType::GeometryCollection: break;
  }
  return names::GeometryCollection;
}

bool is_named(PyObject* value, GeometryType type) {
  PyObject* name = type_name_object(type);
  if (PyUnicode_CheckExact(value)) {
    return value == name || PyUnicode_CompareWithASCIIString(value, type_name(type).data()) == 0;
  }
  return checked_status(PyObject_RichCompareBool(value, name, Py_EQ)) != 0;
}

std::optional<GeometryType> type_named(PyObject* value, std::span<const GeometryType> candidates) {
  if (PyUnicode_CheckExact(value)) {  // names are interned: most often one of them itself
    for (GeometryType type : candidates) {
      if (value == type_name_object(type)) return type;
    }
  }
  for (GeometryType type : candidates) {
    if (is_named(value, type)) return type;
  }
  return std::nullopt;
}

GeometryType simple_type_named(PyObject* value) {
  const std::optional<GeometryType> named = type_named(value, kSimpleTypes);
  if (!named) refuse(kInvalidGeometryType);
  return *named;
}

namespace {

// list[0] of a plain list, with the host's IndexError for an empty one.
PyObject* first_of(PyObject* list) {
  if (PyList_GET_SIZE(list) == 0) host::raise(PyExc_IndexError, "list index out of range");
  return PyList_GET_ITEM(list, 0);
}

Ref load_collection(PyObject* cls, PyObject* members) {
  if (!PyList_Check(members)) refuse(kShouldBeList);
  Ref loaded = checked(PyList_New(0));
  for_each_item(members, [&](PyObject* member) {
    if (!PyDict_Check(member)) refuse(kShouldBeDict);
    checked_status(PyList_Append(loaded.get(), load_through_class(cls, member).get()));
  });
  return host::DictBuilder(2).put(names::type, names::GeometryCollection).put(names::geometries, loaded).take();
}

Ref load_dict(PyObject* cls, PyObject* dict, const Code& code) {
  if (Ref coordinates = dict_value(dict, names::coordinates)) {
    if (!PyList_CheckExact(coordinates.get())) refuse(kShouldBeList);
    Ref type = dict_value(dict, names::type);
    if (type && type.get() != Py_None) return normalise(type.get(), coordinates.get(), code);
    return infer_and_normalise(coordinates.get(), code);
  }
  if (Ref members = dict_value(dict, names::geometries)) return load_collection(cls, members.get());
  refuse("Invalid [coordinates] parameter. [\"coordinates/geometries\" not found]");
}

// Input that is not exactly a list, dict or str. An object whose type is named
// like a geometry type goes to a subclass's own loads; the module's own loads
// has no conversion for it and refuses it like any other type, instead of
// handing it to itself for ever.
Ref load_other(PyObject* cls, PyObject* value) {
  Ref name = checked(PyType_GetName(Py_TYPE(value)));
  const auto refuse_type = [&] { refuse_with("[", name.get(), "] is not a valid type in [coordinates] parameter."); };
  if (!type_named(name.get())) refuse_type();
  if (host::finds_own_member(cls, names::loads, loads_method)) refuse_type();
  return load_dict_through_class(cls, value);
}

}  // namespace

Ref infer_and_normalise(PyObject* list, const Code& code) {
  PyObject* e0 = first_of(list);
  if (!PyList_CheckExact(e0)) {
    if (PyList_GET_SIZE(list) < 2) refuse("Invalid [coordinates] parameter. Dimension should be greater than 1.");
    if (!code.is_automatic() && !code.is(0)) {
      refuse_with("[", code.object.get(), "] should be one of [-1,0] in [code] parameter.");
    }
    return normalise(names::Point, list, code);
  }
  PyObject* e1 = first_of(e0);
  if (!PyList_CheckExact(e1)) {
    if (code.is(0)) return normalise(names::MultiPoint, list, code);
    if (code.is(1) || code.is(-1)) return normalise(names::LineString, list, code);
    refuse_with("[", code.object.get(), "] should be one of [-1,0,1] in [code] parameter.");
  }
  PyObject* e2 = first_of(e1);
  if (!PyList_CheckExact(e2)) {
    if (code.is(1)) return normalise(names::MultiLineString, list, code);
    if (code.is(2) || code.is(-1)) return normalise(names::Polygon, list, code);
    refuse_with("[", code.object.get(), "] should be one of [-1,1,2] in [code] parameter.");
  }
  if (!PyList_CheckExact(first_of(e2))) return normalise(names::MultiPolygon, list, code);
  refuse(kInvalidCoordinates);
}

Ref load(PyObject* cls, PyObject* coordinates, const Code& code) {
  const RecursionGuard guard(" while loading a geometry");
  if (PyList_CheckExact(coordinates)) return infer_and_normalise(coordinates, code);
  if (PyDict_CheckExact(coordinates)) return load_dict(cls, coordinates, code);
  if (PyUnicode_CheckExact(coordinates)) return load_text(cls, coordinates, code);
  return load_other(cls, coordinates);
}

Ref load_through_class(PyObject* cls, PyObject* value) {
  // Run here, the body gets the class the method is bound to, as the call's would.
  if (host::finds_own_member(cls, names::loads, loads_method)) {
    return load(host::class_bound_to(cls), value, Code::automatic());
  }
  return host::call_method(cls, names::loads, value);
}

Ref load_dict_through_class(PyObject* cls, PyObject* value) {
  Ref result = load_through_class(cls, value);
  host::expect_exact(result.get(), &PyDict_Type);
  return result;
}

Ref loads_method(const host::Args& args) { return load(args.self(), args[0], Code::of(args[1])); }

}  // namespace geometry
