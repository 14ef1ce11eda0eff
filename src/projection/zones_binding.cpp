// Projection.zone and Projection.centralMeridian.
#include "host/kept.h"
#include "host/ops.h"
#include "projection/classes.h"
#include "projection/names.h"
#include "projection/zones.h"

namespace projection {

namespace {

using host::Args;
using host::Ref;

// zoneCode 3 selects 3° zones; every other integer, of any size, 6° zones.
bool three_degree(PyObject* zone_code) {
  int overflow = 0;
  const long long code = PyLong_AsLongLongAndOverflow(zone_code, &overflow);
  if (code == -1 && PyErr_Occurred()) host::raise_pending();
  return overflow == 0 && code == 3;
}

int checked_zone_number(double longitude, bool three) {
  if (!zones::longitude_in_range(longitude)) {
    host::raise_text(PyExc_Exception, host::concat_format("Invalid [longitude: ", host::real(longitude).get(),
                                                          "] parameter. Should be between -180 and +180."));
  }
  return zones::zone_number(longitude, three);
}

// The zone as a 64-bit number, or nothing when it lies beyond that range.
std::optional<long long> small_zone(PyObject* zone) {
  int overflow = 0;
  const long long value = PyLong_AsLongLongAndOverflow(zone, &overflow);
  if (value == -1 && PyErr_Occurred()) host::raise_pending();
  if (overflow != 0) return std::nullopt;
  return value;
}

Ref meridian_of(PyObject* zone_object, long long zone, bool in_range, bool three) {
  if (!in_range) {
    host::raise_text(PyExc_Exception,
                     host::concat_format("Invalid [zone: ", zone_object,
                                         three ? "] parameter. Should be between 1 and 120."
                                               : "] parameter. Should be between 1 and 60."));
  }
  if (three) return host::integer(zones::three_degree_meridian(zone));
  return host::real(zones::six_degree_meridian(zone));
}

}  // namespace

Ref zone(const Args& args) {
  const double longitude = args.real(0);
  const int number = checked_zone_number(longitude, three_degree(args[1]));
  return host::integer(number);
}

Ref central_meridian(const Args& args) {
  PyObject* cls = args.self();
  PyObject* zone_code = args[2];
  const bool three = three_degree(zone_code);
  if (const std::optional<double> longitude = args.optional_real(0)) {
    if (host::finds_own_member(cls, names::zone, zone)) {
      // The class's zone is the module's own: its number directly, always in range.
      const long long number = checked_zone_number(*longitude, three);
      return meridian_of(nullptr, number, true, three);
    }
    static const host::Keywords kKeywords{"longitude", "zoneCode"};
    Ref answer = host::call_method_keywords(cls, names::zone, {}, kKeywords, {args[0], zone_code});
    host::expect_exact(answer.get(), &PyLong_Type);
    if (answer.get() == Py_None) host::raise(PyExc_Exception, "Invalid [zone] parameter.");
    const std::optional<long long> number = small_zone(answer.get());
    return meridian_of(answer.get(), number.value_or(0), number && zones::zone_in_range(*number, three), three);
  }
  PyObject* given = args[1];
  if (given == Py_None) host::raise(PyExc_Exception, "Invalid [zone] parameter.");
  const std::optional<long long> number = small_zone(given);
  return meridian_of(given, number.value_or(0), number && zones::zone_in_range(*number, three), three);
}

namespace {

// Whether cls.centralMeridian is the module's own, and so the zone that it
// asks of the class it is bound to: asked at every call, as a class method's
// wrapper can be re-targeted in place.
bool own_meridian_and_zone(PyObject* cls) {
  return host::finds_own_member(cls, names::centralMeridian, central_meridian) &&
         host::finds_own_member(host::class_bound_to(cls), names::zone, zone);
}

}  // namespace

std::optional<double> automatic_meridian(PyObject* cls, PyObject* longitude) {
  if (own_meridian_and_zone(cls)) {
    return zones::six_degree_meridian(checked_zone_number(PyFloat_AS_DOUBLE(longitude), false));
  }
  static const host::Keywords kKeywords{"longitude", "zoneCode"};
  Ref six = host::integer(6);
  Ref answer = host::call_method_keywords(cls, names::centralMeridian, {}, kKeywords, {longitude, six.get()});
  host::expect_exact(answer.get(), &PyFloat_Type);
  if (answer.get() == Py_None) return std::nullopt;
  return PyFloat_AS_DOUBLE(answer.get());
}

}  // namespace projection
