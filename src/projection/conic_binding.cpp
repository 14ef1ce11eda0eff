// Projection.albers and Projection.lambert: the conic projections with two
// standard parallels. Both check their reference system, then the ranges of the
// cone parameters, make the cone (before the coordinates are looked at), and
// project forward or inverse.
#include "projection/albers.h"
#include "projection/classes.h"
#include "projection/lambert.h"
#include "projection/names.h"
#include "projection/transform_binding.h"

namespace projection {

namespace {

using host::Args;
using host::Ref;

// Parameter positions, after the class.
enum : std::size_t { kLongitude, kLatitude, kCentralMeridian, kOriginLatitude, kParallel1, kParallel2, kX, kY, kCrs };

ConeParameters cone_parameters(const Args& args) {
  return {args.real(kCentralMeridian), args.real(kOriginLatitude), args.real(kParallel1), args.real(kParallel2)};
}

binding::FaultValues named_values(const ConeParameters& p) {
  return {.central_meridian = p.central_meridian,
          .origin_latitude = p.origin_latitude,
          .parallel1 = p.parallel1,
          .parallel2 = p.parallel2};
}

// The record of `crs` once it is known to be a key of the class's table, and
// the cone parameters once they are known to lie in their ranges. The table is
// asked for membership first, and read again from the class for the record once
// the ranges have passed (the membership test may run a script's code that
// replaces it).
Ref checked_reference_system(const Args& args, const ConeParameters& p) {
  PyObject* crs = args[kCrs];
  const binding::PlainRecord plain = binding::plain_record(args.self(), crs);
  const bool present = plain.plain ? plain.record != nullptr
                                   : host::contains(binding::reference_table(args.self()).get(), crs);
  if (!present) host::raise(PyExc_Exception, "Invalid [crs] parameter.");
  if (const Fault fault = check_cone_parameters(p); fault != Fault::None) {
    binding::raise_fault(fault, pymath::Error::None, named_values(p));
  }
  if (plain.plain) return Ref::borrow(plain.record);  // no code has run since the look-up
  return binding::reference_system(args.self(), crs);
}

// The cone of the exact doubles it is made from, by `make` (a setup, or a
// failure raised): a pure function of them, so a run of calls with one cone
// makes it once. The call works with its own copy.
template <typename Cone, typename Make>
Cone cone_of(host::Kept<Cone>& kept, const host::Stamp& key, const ConeParameters& p, Make make) {
  if (const Cone* known = kept.find(key)) return *known;
  const auto setup = make();
  if (setup.fault != Fault::None) binding::raise_fault(setup.fault, setup.math, named_values(p));
  kept.keep(key, setup.cone);
  return setup.cone;
}

// The stamp of a cone: the cone parameters after the record's fields.
host::Stamp& cone_key(host::Stamp& fields, const ConeParameters& p) {
  return fields.bits(p.central_meridian).bits(p.origin_latitude).bits(p.parallel1).bits(p.parallel2);
}

// Forward when longitude and latitude are both given, else inverse when x and
// y are, else "Invalid parameter.".
template <typename Cone>
Ref project(const Args& args, const Cone& cone, const ConeParameters& p,
            Transformed (*forward)(const Cone&, double, double), Transformed (*inverse)(const Cone&, double, double)) {
  const std::optional<double> longitude = args.optional_real(kLongitude), latitude = args.optional_real(kLatitude);
  if (longitude && latitude) {
    binding::FaultValues values = named_values(p);
    values.longitude = *longitude;
    values.latitude = *latitude;
    return binding::pair_of(forward(cone, *longitude, *latitude), values);
  }
  const std::optional<double> x = args.optional_real(kX), y = args.optional_real(kY);
  if (x && y) return binding::pair_of(inverse(cone, *x, *y), named_values(p));
  binding::raise_no_pair();
}

}  // namespace

Ref albers(const Args& args) {
  const ConeParameters p = cone_parameters(args);
  Ref record = checked_reference_system(args, p);
  const double a = binding::record_real(record.get(), names::a);

  static host::Kept<AlbersCone> kept;
  host::Stamp key;
  const AlbersCone cone = cone_of(kept, cone_key(key.bits(a), p), p, [&] { return albers_cone(a, p); });
  return project(args, cone, p, albers_forward, albers_inverse);
}

Ref lambert(const Args& args) {
  const ConeParameters p = cone_parameters(args);
  Ref record = checked_reference_system(args, p);
  const double a = binding::record_real(record.get(), names::a);
  const double f = binding::record_real(record.get(), names::f);

  static host::Kept<LambertCone> kept;
  host::Stamp key;
  const LambertCone cone = cone_of(kept, cone_key(key.bits(a).bits(f), p), p, [&] { return lambert_cone(a, f, p); });
  return project(args, cone, p, lambert_forward, lambert_inverse);
}

}  // namespace projection
