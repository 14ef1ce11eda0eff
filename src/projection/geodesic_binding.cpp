// Projection.geodesics: the length of the geodesic between two positions by
// Vincenty's inverse formula, None where it does not converge.
#include <cmath>

#include "projection/classes.h"
#include "projection/geodesic.h"
#include "projection/names.h"
#include "projection/transform_binding.h"

namespace projection {

namespace {

using host::Ref;

// Item `index` of a point: a plain list or tuple directly, anything else by
// the host's subscript (its TypeError or IndexError passes through).
Ref item(PyObject* point, Py_ssize_t index) { return host::get_index(point, index); }

// A coordinate as math.radians reads it: the host's float conversion.
double coordinate(const Ref& value) {
  const double converted = PyFloat_AsDouble(value.get());
  if (converted == -1.0 && PyErr_Occurred()) host::raise_pending();
  return converted;
}

// point1[i] == point2[i] by the host's equality and truth value.
bool same_item(PyObject* point1, PyObject* point2, Py_ssize_t index) {
  Ref first = item(point1, index);
  Ref second = item(point2, index);
  Ref equal = host::checked(PyObject_RichCompare(first.get(), second.get(), Py_EQ));
  return host::truth(equal.get());
}

// A latitude, read where the reduced latitude needs it: an infinite one fails
// there, in tan, before the next item is read.
double latitude_of(PyObject* point) {
  const double latitude = coordinate(item(point, 1));
  if (std::isinf(latitude)) host::raise_math(pymath::Error::MathDomain);
  return latitude;
}

// point2[0] - point1[0] in degrees, subtracted as the host subtracts the two
// objects (integers exactly), then converted.
double longitude_difference(PyObject* point1, PyObject* point2) {
  Ref second = item(point2, 0);
  Ref first = item(point1, 0);
  return coordinate(host::checked(PyNumber_Subtract(second.get(), first.get())));
}

// The reduced latitude of a latitude, its arithmetic failure raised.
ReducedLatitude reduced_of(double latitude, double f) {
  pymath::Error error{};
  const ReducedLatitude reduced = reduced_latitude(latitude, f, error);
  host::checked_math(0.0, error);
  return reduced;
}

}  // namespace

Ref geodesics(const host::Args& args) {
  PyObject* cls = args.self();
  PyObject* point1 = args[0];
  PyObject* point2 = args[1];
  PyObject* crs = args[2];
  // Coincident positions answer 0.0 before the table is read.
  if (same_item(point1, point2, 0) && same_item(point1, point2, 1)) return host::real(0.0);

  const double f = binding::record_real(binding::reference_system(cls, crs).get(), names::f);
  const double latitude1 = latitude_of(point1);
  const double latitude2 = latitude_of(point2);
  const double difference = longitude_difference(point1, point2);
  const ReducedLatitude u1 = reduced_of(latitude1, f);
  const ReducedLatitude u2 = reduced_of(latitude2, f);
  const VincentyLine line = vincenty_iterate(u1, u2, difference, f);
  switch (line.end) {
    case VincentyLine::End::Coincident: return host::real(0.0);
    case VincentyLine::End::NotConverged: return host::none();
    case VincentyLine::End::Arithmetic: host::raise_math(line.error);
    case VincentyLine::End::Converged: break;
  }
  // The semi-major axis is looked up again, only for a converged line.
  const double a = binding::record_real(binding::reference_system(cls, crs).get(), names::a);
  pymath::Error error{};
  const double metres = vincenty_length(line, f, a, error);
  return host::real(host::checked_math(metres, error));
}

}  // namespace projection
