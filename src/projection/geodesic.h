// Vincenty's inverse formula: the length of the geodesic between two positions
// on an ellipsoid of semi-major axis `a` metres and flattening `f`. No host types.
//
// Bit-exact with the host's arithmetic: the iteration and the series are
// evaluated in Vincenty's grouping with the host's math functions, squares
// with the host's `**` (the C library's pow). The formula itself is accurate to
// about 0.1 mm away from near-antipodal lines; it does not converge for
// nearly antipodal positions, and its answer there is "no length".
#pragma once

#include <cstdint>

#include "pymath/arithmetic.h"

namespace projection {

inline constexpr int kVincentyMaxIterations = 200;
inline constexpr double kVincentyThreshold = 1e-12;  // radians, on the change of lambda

// Where the iteration on the auxiliary sphere ended.
struct VincentyLine {
  enum class End : std::uint8_t {
    Converged,      // the quantities below are those of the last pass
    Coincident,     // sin(sigma) was 0: the length is 0.0
    NotConverged,   // 200 passes without settling (near-antipodal, or NaN)
    Arithmetic,     // the host's arithmetic failed: `error` says how
  };
  End end = End::Converged;
  pymath::Error error = pymath::Error::None;
  double sigma = 0.0, sin_sigma = 0.0, cos_sigma = 0.0, cos_2sigma_m = 0.0, cos_sq_alpha = 0.0;
  double cos_2sigma_m_squared = 0.0;  // cos_2sigma_m ** 2
};

// The reduced latitude U = atan((1 - f) tan(radians(latitude))) of a latitude
// in degrees (unreduced, any double), as its sine and cosine. An infinite
// latitude fails with the domain error of tan.
struct ReducedLatitude {
  double sin = 0.0, cos = 1.0;
};
ReducedLatitude reduced_latitude(double latitude, double f, pymath::Error& error);

// The iteration, from the two reduced latitudes and the longitude difference
// lon2 - lon1 in degrees (unreduced), with flattening `f`. An infinite
// difference fails with the domain error of sin; NaN never converges.
VincentyLine vincenty_iterate(const ReducedLatitude& u1, const ReducedLatitude& u2, double longitude_difference,
                              double f);

// The length in metres of a converged line (Vincenty's series for A, B and
// delta sigma), with the same `f` and the semi-major axis `a`.
double vincenty_length(const VincentyLine& line, double f, double a, pymath::Error& error);

// The whole computation on doubles: 0.0 for coincident positions (both
// coordinates equal), the iteration, then the series. `converged` is false
// when there is no length.
struct GeodesicLength {
  double metres = 0.0;
  bool converged = true;
  pymath::Error error = pymath::Error::None;
};
GeodesicLength geodesic_length(double longitude1, double latitude1, double longitude2, double latitude2, double f,
                               double a);

}  // namespace projection
