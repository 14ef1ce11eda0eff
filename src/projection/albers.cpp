#include "projection/albers.h"

namespace projection {

using pymath::Error;

AlbersSetup albers_cone(double a, const ConeParameters& p) {
  AlbersSetup setup;
  if ((setup.fault = check_cone_parameters(p)) != Fault::None) return setup;
  Error error{};
  AlbersCone& cone = setup.cone;
  cone.a = a;
  cone.central_meridian = p.central_meridian;
  const double phi1 = p.parallel1 * kDegree;
  const double phi2 = p.parallel2 * kDegree;
  const double sin_phi1 = pymath::sin(phi1, error);
  cone.n = 0.5 * (sin_phi1 + pymath::sin(phi2, error));
  cone.c = pymath::math_pow(pymath::cos(phi1, error), 2.0, error) + (2.0 * cone.n) * sin_phi1;
  const double origin = pymath::sin(pymath::radians(p.origin_latitude), error);
  cone.ro0 = pymath::divide(pymath::sqrt(cone.c - (2.0 * cone.n) * origin, error), cone.n, error);
  if (error != Error::None) {
    setup.fault = Fault::Arithmetic;
    setup.math = error;
  }
  return setup;
}

Transformed albers_forward(const AlbersCone& cone, double longitude, double latitude) {
  if (const Fault fault = check_position(longitude, latitude); fault != Fault::None) return {.fault = fault};
  Error error{};
  const double n = cone.n;
  const double cita = n * (pymath::radians(longitude) - pymath::radians(cone.central_meridian));
  const double under = cone.c - (2.0 * n) * pymath::sin(pymath::radians(latitude), error);
  const double ro = pymath::divide(pymath::sqrt(under, error), n, error);
  const pymath::SinCos turn = pymath::sin_cos(cita, error);
  const double x = (ro * turn.sin) * cone.a;
  const double y = (cone.ro0 - ro * turn.cos) * cone.a;
  return settle(x, y, error);
}

Transformed albers_inverse(const AlbersCone& cone, double x, double y) {
  Error error{};
  const double n = cone.n;
  const double xs = pymath::divide(x, cone.a, error);
  const double ys = pymath::divide(y, cone.a, error);
  const double toward_apex = cone.ro0 - ys;
  // For n < 0 the radii carry a negative sign: reversing the signs gives the
  // angle that the forward turned through. -ro0 + y' is -(ro0 - y') to the bit
  // except at the apex, where it is +0.0 and the angle 0, as for n > 0.
  const double angle =
      n > 0.0 ? pymath::atan2(xs, toward_apex, error) : pymath::atan2(-xs, -cone.ro0 + ys, error);
  const double longitude = pymath::degrees(pymath::radians(cone.central_meridian) + pymath::divide(angle, n, error));
  const double radius = pymath::sqrt(xs * xs + toward_apex * toward_apex, error);
  const double sine = pymath::divide(cone.c - pymath::square(radius, error) * n * n, 2.0 * n, error);
  const double latitude = pymath::degrees(pymath::asin(sine, error));
  return settle(longitude, latitude, error);
}

}  // namespace projection
