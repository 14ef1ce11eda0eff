// Projection.webMercator: spherical Mercator on the WGS 84 semi-major axis.
#include "projection/classes.h"
#include "projection/names.h"
#include "projection/transform_binding.h"
#include "projection/web_mercator.h"

namespace projection {

host::Ref web_mercator(const host::Args& args) {
  // The radius is read before the direction is chosen, on every call.
  static PyObject* const wgs84 = host::integer(1984).release();  // a constant of the module, made once
  host::Ref record = binding::reference_system(args.self(), wgs84);
  const double a = binding::record_real(record.get(), names::a);
  const std::optional<double> longitude = args.optional_real(0), latitude = args.optional_real(1);
  if (longitude && latitude) {
    return binding::pair_of(web_mercator_forward(a, *longitude, *latitude),
                            {.longitude = *longitude, .latitude = *latitude});
  }
  const std::optional<double> x = args.optional_real(2), y = args.optional_real(3);
  if (x && y) return binding::pair_of(web_mercator_inverse(a, *x, *y), {});
  binding::raise_no_pair();
}

}  // namespace projection
