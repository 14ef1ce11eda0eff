#include "projection/lambert.h"

#include <cmath>

namespace projection {

using pymath::Error;

namespace {

constexpr double kFalseEasting = 0.0;
constexpr double kFalseNorthing = 0.0;
// The inverse latitude: the change that ends the iteration, and the most repeats.
constexpr double kLatitudeTolerance = 1e-9;
constexpr int kMostRepeats = 10;

// cos(phi) / sqrt(1 - es * sin(phi) ** 2)
double calc_m(double phi, double es, Error& error) {
  const double cos_phi = pymath::cos(phi, error);
  const double sin_squared = pymath::power(pymath::sin(phi, error), 2.0, error);
  return pymath::divide(cos_phi, pymath::sqrt(1.0 - es * sin_squared, error), error);
}

// ((1 - esinphi) / (1 + esinphi)) ** (e / 2), with math.pow.
double flattening_factor(double esinphi, double e, Error& error) {
  return pymath::math_pow(pymath::divide(1.0 - esinphi, 1.0 + esinphi, error), 0.5 * e, error);
}

// tan(pi/4 - phi/2) / ((1 - e sin(phi)) / (1 + e sin(phi))) ** (e / 2)
double calc_t(double phi, double e, Error& error) {
  const double esinphi = e * pymath::sin(phi, error);
  const double tangent = pymath::tan(pymath::kPi * 0.25 - 0.5 * phi, error);
  return pymath::divide(tangent, flattening_factor(esinphi, e, error), error);
}

// (a F) t ** n
double calc_r(double a, double F, double t, double n, Error& error) {
  return (a * F) * pymath::math_pow(t, n, error);
}

// pi/2 - 2 atan(t_i ((1 - e sin(phi)) / (1 + e sin(phi))) ** (e / 2))
double calc_phi(double t_i, double e, double phi, Error& error) {
  // At phi = 0 (where the inverse starts) e sin(phi) is 0 and the power is 1.0
  // exactly: t_i times it is t_i.
  if (phi == 0.0 && std::isfinite(e)) return pymath::kPi * 0.5 - 2.0 * pymath::atan(t_i, error);
  const double esinphi = e * pymath::sin(phi, error);
  return pymath::kPi * 0.5 - 2.0 * pymath::atan(t_i * flattening_factor(esinphi, e, error), error);
}

// The latitude whose t is t_i, repeating calc_phi from `init` until it moves
// by at most 1e-9 or has repeated ten times.
double solve_phi(double t_i, double e, double init, Error& error) {
  int i = 0;
  double phi = init;
  double newphi = calc_phi(t_i, e, phi, error);
  while (std::fabs(newphi - phi) > kLatitudeTolerance && i < kMostRepeats) {
    if (error != Error::None) break;
    ++i;
    phi = newphi;
    newphi = calc_phi(t_i, e, phi, error);
  }
  return newphi;
}

}  // namespace

LambertSetup lambert_cone(double a, double f, const ConeParameters& p) {
  LambertSetup setup;
  if ((setup.fault = check_cone_parameters(p)) != Fault::None) return setup;
  Error error{};
  LambertCone& cone = setup.cone;
  cone.a = a;
  cone.central_meridian = p.central_meridian;
  const double phi1 = p.parallel1 * kDegree;
  const double phi2 = p.parallel2 * kDegree;
  const double es = 2.0 * f - f * f;
  cone.e = pymath::sqrt(es, error);
  const double m1 = calc_m(phi1, es, error);
  const double m2 = calc_m(phi2, es, error);
  const double tF = calc_t(pymath::radians(p.origin_latitude), cone.e, error);
  const double t1 = calc_t(phi1, cone.e, error);
  const double t2 = calc_t(phi2, cone.e, error);
  const double log_m = pymath::log(pymath::divide(m1, m2, error), error);
  const double log_t = pymath::log(pymath::divide(t1, t2, error), error);
  cone.n = pymath::divide(log_m, log_t, error);
  cone.F = pymath::divide(m1, cone.n * pymath::math_pow(t1, cone.n, error), error);
  cone.rF = calc_r(a, cone.F, tF, cone.n, error);
  if (error != Error::None) {
    setup.fault = Fault::Arithmetic;
    setup.math = error;
  }
  return setup;
}

Transformed lambert_forward(const LambertCone& cone, double longitude, double latitude) {
  if (const Fault fault = check_position(longitude, latitude); fault != Fault::None) return {.fault = fault};
  Error error{};
  const double t = calc_t(pymath::radians(latitude), cone.e, error);
  const double r = calc_r(cone.a, cone.F, t, cone.n, error);
  const double theta = cone.n * (pymath::radians(longitude) - pymath::radians(cone.central_meridian));
  // The false origin is added as written: a product of -0.0 becomes 0.0.
  const pymath::SinCos turn = pymath::sin_cos(theta, error);
  const double easting = kFalseEasting + r * turn.sin;
  const double northing = (kFalseNorthing + cone.rF) - r * turn.cos;
  return settle(easting, northing, error);
}

Transformed lambert_inverse(const LambertCone& cone, double x, double y) {
  Error error{};
  const double east = x - kFalseEasting;
  const double toward_apex = cone.rF - (y - kFalseNorthing);
  double theta_i = pymath::atan(pymath::divide(east, toward_apex, error), error);
  // The one-argument arctangent gives the angle about the apex only within a
  // quarter turn; a point beyond it (its distance toward the apex of the other
  // sign than n) lies a half turn further round.
  if (toward_apex * cone.n < 0.0) theta_i += east * cone.n >= 0.0 ? pymath::kPi : -pymath::kPi;
  const double sign = cone.n > 0.0 ? 1.0 : -1.0;
  const double r_i = sign * pymath::sqrt(east * east + toward_apex * toward_apex, error);
  const double exponent_base = pymath::divide(r_i, cone.a * cone.F, error);
  const double t_i = pymath::math_pow(exponent_base, pymath::divide(1.0, cone.n, error), error);
  const double longitude =
      pymath::degrees(pymath::divide(theta_i, cone.n, error) + pymath::radians(cone.central_meridian));
  const double latitude = pymath::degrees(solve_phi(t_i, cone.e, 0.0, error));
  return settle(longitude, latitude, error);
}

}  // namespace projection
