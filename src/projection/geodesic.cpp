#include "projection/geodesic.h"

#include <cmath>

namespace projection {

using pymath::Error;
using pymath::square;  // v ** 2 of the host: the C library's pow, never v * v

ReducedLatitude reduced_latitude(double latitude, double f, Error& error) {
  const double U = pymath::atan((1.0 - f) * pymath::tan(pymath::radians(latitude), error), error);
  const pymath::SinCos sc = pymath::sin_cos(U, error);
  return {sc.sin, sc.cos};
}

VincentyLine vincenty_iterate(const ReducedLatitude& u1, const ReducedLatitude& u2, double longitude_difference,
                              double f) {
  using End = VincentyLine::End;
  VincentyLine line;
  Error& error = line.error;
  const double sinU1 = u1.sin, cosU1 = u1.cos, sinU2 = u2.sin, cosU2 = u2.cos;
  const double L = pymath::radians(longitude_difference);
  double lambda = L;

  for (int pass = 1; pass <= kVincentyMaxIterations; ++pass) {
    const pymath::SinCos turn = pymath::sin_cos(lambda, error);
    const double sinLambda = turn.sin, cosLambda = turn.cos;
    const double across = square(cosU2 * sinLambda, error);
    const double along = square(cosU1 * sinU2 - (sinU1 * cosU2) * cosLambda, error);
    const double sinSigma = pymath::sqrt(across + along, error);
    if (error != Error::None) break;
    if (sinSigma == 0.0) {
      line.end = End::Coincident;
      return line;
    }
    const double cosSigma = sinU1 * sinU2 + (cosU1 * cosU2) * cosLambda;
    const double sigma = pymath::atan2(sinSigma, cosSigma, error);
    const double sinAlpha = ((cosU1 * cosU2) * sinLambda) / sinSigma;
    const double cosSqAlpha = 1.0 - square(sinAlpha, error);
    // Along the equator cos²(alpha) is 0: the host's division fails there and
    // the term is taken as 0.
    const double cos2SigmaM = cosSqAlpha == 0.0 ? 0.0 : cosSigma - ((2.0 * sinU1) * sinU2) / cosSqAlpha;
    const double C = ((f / 16.0) * cosSqAlpha) * (4.0 + f * (4.0 - 3.0 * cosSqAlpha));
    const double previous = lambda;
    const double cos2SigmaM_squared = square(cos2SigmaM, error);
    const double bend = -1.0 + 2.0 * cos2SigmaM_squared;
    lambda = L + (((1.0 - C) * f) * sinAlpha) * (sigma + (C * sinSigma) * (cos2SigmaM + (C * cosSigma) * bend));
    if (error != Error::None) break;
    line.sigma = sigma;
    line.sin_sigma = sinSigma;
    line.cos_sigma = cosSigma;
    line.cos_2sigma_m = cos2SigmaM;
    line.cos_sq_alpha = cosSqAlpha;
    line.cos_2sigma_m_squared = cos2SigmaM_squared;
    if (std::fabs(lambda - previous) < kVincentyThreshold) return line;
  }
  line.end = error != Error::None ? End::Arithmetic : End::NotConverged;
  return line;
}

double vincenty_length(const VincentyLine& line, double f, double a, Error& error) {
  const double sinSigma = line.sin_sigma, cosSigma = line.cos_sigma, cos2SigmaM = line.cos_2sigma_m;
  const double b = (1.0 - f) * a;
  // b ** 2 twice and cos2SigmaM ** 2 (already squared by the last pass) are the
  // same doubles each time: each is squared once.
  const double a2 = square(a, error);
  const double b2 = square(b, error);
  const double uSq = pymath::divide(line.cos_sq_alpha * (a2 - b2), b2, error);
  const double A = 1.0 + (uSq / 16384.0) * (4096.0 + uSq * (-768.0 + uSq * (320.0 - 175.0 * uSq)));
  const double B = (uSq / 1024.0) * (256.0 + uSq * (-128.0 + uSq * (74.0 - 47.0 * uSq)));
  const double bend = -1.0 + 2.0 * line.cos_2sigma_m_squared;
  const double sin_term = -3.0 + 4.0 * square(sinSigma, error);
  const double cos_term = -3.0 + 4.0 * line.cos_2sigma_m_squared;
  const double pinch = (((B / 6.0) * cos2SigmaM) * sin_term) * cos_term;
  const double deltaSigma = (B * sinSigma) * (cos2SigmaM + (B / 4.0) * (cosSigma * bend - pinch));
  return (b * A) * (line.sigma - deltaSigma);
}

GeodesicLength geodesic_length(double longitude1, double latitude1, double longitude2, double latitude2, double f,
                               double a) {
  if (longitude1 == longitude2 && latitude1 == latitude2) return {};
  Error error{};
  const ReducedLatitude u1 = reduced_latitude(latitude1, f, error);
  const ReducedLatitude u2 = reduced_latitude(latitude2, f, error);
  if (error != Error::None) return {.converged = false, .error = error};
  const VincentyLine line = vincenty_iterate(u1, u2, longitude2 - longitude1, f);
  switch (line.end) {
    case VincentyLine::End::Coincident: return {};
    case VincentyLine::End::NotConverged: return {.converged = false};
    case VincentyLine::End::Arithmetic: return {.converged = false, .error = line.error};
    case VincentyLine::End::Converged: break;
  }
  GeodesicLength result;
  result.metres = vincenty_length(line, f, a, result.error);
  return result;
}

}  // namespace projection
