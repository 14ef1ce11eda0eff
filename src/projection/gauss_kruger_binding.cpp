// Projection.gaussKruger: the choice of reference system and direction, the
// automatic central meridian, and the failures of the core in host terms.
#include "host/ops.h"
#include "projection/classes.h"
#include "projection/gauss_kruger.h"
#include "projection/names.h"
#include "projection/transform_binding.h"

namespace projection {

namespace {

using gk::Failure;
using gk::Outcome;
using host::Ref;

constexpr const char* kRangeTail = "] parameter. Should be between -180 and +180.";

[[noreturn]] void raise_range(const char* head, double value, const char* tail = kRangeTail) {
  host::raise_text(PyExc_Exception, host::concat_format(head, host::real(value).get(), tail));
}

Ref tuple_or_raise(const Outcome& outcome, double longitude, double latitude) {
  switch (outcome.failure) {
    case Failure::None:
      break;
    case Failure::Math:
      host::raise_math(outcome.math);
    case Failure::CentralMeridianRange:
      raise_range("Invalid [centralMeridian: ", outcome.meridian);
    case Failure::LongitudeRange:
      raise_range("Invalid [longitude: ", longitude);
    case Failure::LatitudeRange:
      raise_range("Invalid [latitude: ", latitude, "] parameter. Should be between -90 and +90.");
    case Failure::NoZone:
      host::raise(PyExc_Exception, "Invalid [y] parameter.");
    case Failure::NoFootpoint:
      host::raise(PyExc_Exception, "Invalid [x] parameter.");
  }
  Ref result = host::checked(PyTuple_New(2));
  PyTuple_SET_ITEM(result.get(), 0, host::real(outcome.first).release());
  PyTuple_SET_ITEM(result.get(), 1, host::real(outcome.second).release());
  return result;
}

// The semi-major axis: cls.datum[crs].a, read at every call (records may change).
double semi_major_axis(PyObject* cls, PyObject* crs) {
  Ref record = binding::reference_system(cls, crs);
  return binding::record_real(record.get(), names::a);
}

Ref forward(PyObject* cls, const host::Args& args, double a, const gk::Series& series) {
  std::optional<double> meridian = args.optional_real(0);
  double longitude = *args.optional_real(3);
  const double latitude = *args.optional_real(4);
  if (!meridian) {
    // 180° is the meridian -180°: the zone east of the border is zone 1 from
    // 180° W, which -180 is the first longitude of (180 itself would lie 357°
    // from that zone's meridian).
    Ref given = Ref::borrow(args[3]);
    if (longitude == 180.0) {
      longitude = -180.0;
      given = host::real(longitude);
    }
    meridian = automatic_meridian(cls, given.get());
    if (!meridian) {
      // None passes the type test and fails at the first range comparison,
      // after the zone prefix (whose failure comes first).
      pymath::Error error{};
      gk::zone_prefix(longitude, error);
      if (error != pymath::Error::None) host::raise_math(error);
      Ref bound = host::integer(-180);
      host::checked(PyObject_RichCompare(bound.get(), Py_None, Py_LE));
      host::raise(PyExc_SystemError, "a comparison with None succeeded");
    }
  }
  return tuple_or_raise(gk::forward(a, series, *meridian, longitude, latitude), longitude, latitude);
}

}  // namespace

Ref gauss_kruger(const host::Args& args) {
  PyObject* cls = args.self();
  PyObject* crs = args[5];
  int overflow = 0;
  const long long year = PyLong_AsLongLongAndOverflow(crs, &overflow);
  if (year == -1 && PyErr_Occurred()) host::raise_pending();
  const gk::Series* series = overflow == 0 ? gk::series_of(year) : nullptr;
  if (series == nullptr) host::raise(PyExc_Exception, "Invalid [crs] parameter.");
  const double a = semi_major_axis(cls, crs);

  const std::optional<double> x = args.optional_real(1);
  const std::optional<double> y = args.optional_real(2);
  if (x && y) return tuple_or_raise(gk::inverse(a, *series, args.optional_real(0), *x, *y), 0.0, 0.0);
  if (!args.is_none(3) && !args.is_none(4)) return forward(cls, args, a, *series);
  host::raise(PyExc_Exception, "Invalid parameter.");
}

}  // namespace projection
