#include "projection/web_mercator.h"

namespace projection {

using pymath::Error;

Transformed web_mercator_forward(double a, double longitude, double latitude) {
  if (const Fault fault = check_position(longitude, latitude); fault != Fault::None) return {.fault = fault};
  Error error{};
  const double x = pymath::radians(longitude) * a;
  // 90 is added in degrees and the sum halved in radians: that order fixes the last bits.
  const double y = pymath::log(pymath::tan(pymath::radians(90.0 + latitude) / 2.0, error), error) * a;
  return settle(x, y, error);
}

Transformed web_mercator_inverse(double a, double x, double y) {
  Error error{};
  const double longitude = pymath::degrees(pymath::divide(x, a, error));
  const double scaled = pymath::divide(y, a, error);
  const double latitude =
      pymath::degrees(2.0 * pymath::atan(pymath::exp(scaled, error), error) - pymath::kPi / 2.0);
  return settle(longitude, latitude, error);
}

}  // namespace projection
