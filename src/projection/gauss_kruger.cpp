#include "projection/gauss_kruger.h"

#include <cmath>

#include "projection/ranges.h"

namespace projection::gk {

namespace {

using pymath::Error;

using pymath::kPi;

// Fixed values of each system's series, as published with the method (not
// derived from the flattening of the reference-system table: those differ in
// the last digits, and results depend on these exact doubles).
constexpr Series k1954{0.006693421622965863, 0.006738525414683408, 1.00505177390264,     0.00253118883004163,
                       2.65613240640923e-06, 3.46857013689054e-09, 4.91369956981997e-12, 7.25789039272222e-15,
                       1.07308289277072e-17};
constexpr Series k1980{0.006694384999587975, 0.00673950181947295,  1.00505250559297,     0.00253155620900067,
                       2.65690155540383e-06, 3.47007559905791e-09, 4.91654216666523e-12, 7.26313725279036e-15,
                       1.07400991193685e-17};
constexpr Series k1984{0.006694379990096569, 0.006739496742231083, 1.00505250178823,     0.00253155429865335,
                       2.65689755559121e-06, 3.47006776962726e-09, 4.91652738216042e-12, 7.2631099616205e-15,
                       1.07400508977617e-17};
constexpr Series k2000{0.0066943800229006855, 0.006739496775478855, 1.00505250181315,     0.00253155431116305,
                       2.65689758178354e-06,  3.47006782089741e-09, 4.91652747897505e-12, 7.26311014033353e-15,
                       1.07400512135351e-17};

// 0.00001 arc-second in radians: the footpoint settles when a pass moves it less.
const double kFootpointTolerance = (2.777777777777778e-09 * kPi) / 180;

// Whether the pass after one that moved the footpoint from `bf` to `b0` is
// sure to move it by no more than the tolerance, so that the loop would stop
// there with `b0` and the pass can be skipped. Newton's method on the meridian
// arc A(B) (A' >= 0.9999, |A''| <= 0.0102 for every system's series) leaves an
// error of at most 0.0051 e^2 after a step of error e: after a step of 1e-6
// rad, below 1e-14 rad. The rounding of a pass, relative to the arc, is below
// 1e-13 rad while |B| <= 16 rad (northings up to 10^8 m). Both lie far below
// the tolerance (4.8e-11 rad), so the skipped pass changes no bit.
bool settles_next(double bf, double b0) {
  return std::fabs(b0) <= 16.0 && std::fabs(bf - b0) <= 1e-6;
}

Outcome failed(Failure failure, double meridian = 0.0) {
  return {.failure = failure, .meridian = meridian};
}

Outcome failed_math(Error error) { return {.failure = Failure::Math, .math = error}; }

}  // namespace

const Series* series_of(long long year) {
  switch (year) {
    case 1954: return &k1954;
    case 1980: return &k1980;
    case 1984: return &k1984;
    case 2000: return &k2000;
    default: return nullptr;
  }
}

double zone_prefix(double longitude, Error& error) {
  if (longitude > 0) return pymath::floor(longitude / 6.0, error) + 1.0;
  if (longitude < 0) return pymath::floor((longitude + 180.0) / 6.0, error) + 1.0;
  return 0.0;
}

Outcome forward(double a, const Series& k, double central_meridian, double longitude, double latitude) {
  Error error{};
  const double zone = zone_prefix(longitude, error);
  if (error != Error::None) return failed_math(error);
  if (!longitude_in_range(central_meridian)) return failed(Failure::CentralMeridianRange, central_meridian);
  switch (position_fault(longitude, latitude)) {
    case PositionFault::Longitude: return failed(Failure::LongitudeRange);
    case PositionFault::Latitude: return failed(Failure::LatitudeRange);
    case PositionFault::None: break;
  }

  // Every angle below is finite, so no math function can fail: the sines of
  // the multiples are taken from the library directly.
  const double b = (latitude * kPi) / 180;
  const double deltal = ((longitude - central_meridian) * kPi) / 180;
  const double deltal2 = deltal * deltal;
  const double t = pymath::tan(b, error);
  const double t2 = t * t;
  const double t4 = t2 * t2;
  const pymath::SinCos sincosb = pymath::sin_cos(b, error);
  const double cosb = sincosb.cos;
  const double cosb2 = cosb * cosb;
  const double yy = k.e22 * cosb2;
  // math.pow(v, 2), like v ** 2, is the library's pow for a finite v: square() gives its bits
  const double n = std::sqrt(1 - k.e12 * pymath::square(sincosb.sin, error));
  const double arc = k.a1 * b - k.b1 * std::sin(2 * b) + k.c1 * std::sin(4 * b) - k.d1 * std::sin(6 * b) +
                     k.e1 * std::sin(8 * b) - k.f1 * std::sin(10 * b) + k.g1 * std::sin(12 * b);
  const double p = (((5 - t2) + 9 * yy) + (4 * yy) * yy) / 24 + ((((61 - 58 * t2) + t4) * cosb2) * deltal2) / 720;
  const double northing = a * ((1 - k.e12) * arc + (((t * cosb2) * deltal2) * (0.5 + (cosb2 * deltal2) * p)) / n);
  const double q =
      ((1 - t2) + yy) / 6 + (((((5 - 18 * t2) + t4) + 14 * yy) - (58 * yy) * t2) * cosb2 * deltal2) / 120;
  const double easting = (a * ((deltal * cosb) * (1 + (cosb2 * deltal2) * q))) / n;
  return {.first = (zone * 1000000.0 + 500000.0) + easting, .second = northing};
}

Outcome inverse(double a, const Series& k, std::optional<double> central_meridian, double x, double y) {
  Error error{};
  // The zone number: an integral double, as large as the easting makes it.
  std::optional<double> zone;
  bool six_degree = !central_meridian;
  if (y >= 1000000) {
    zone = pymath::floor(y / 1000000, error);
    if (error != Error::None) return failed_math(error);
    if (*zone > 30 && !central_meridian) six_degree = false;
    y = y - (*zone * 1000000.0);
  }
  if (!central_meridian) {
    if (!zone) return failed(Failure::NoZone);
    central_meridian = six_degree ? *zone * 6 - 3 : *zone * 3;
  }
  const double meridian = *central_meridian;
  if (!longitude_in_range(meridian)) return failed(Failure::CentralMeridianRange, meridian);
  if (y > 0) y = y - 500000.0;
  // Without a northing there is no footpoint: the position is unknown.
  if (std::isnan(x)) return {.first = NAN, .second = NAN};

  // The footpoint latitude by Newton's method on the meridian arc.
  const double a0 = a * (1 - k.e12);
  double b0 = pymath::divide(x, a * (1 - k.e12), error) * k.a1;
  double bf = 0.0;
  int passes = 0;
  while (std::fabs(bf - b0) > kFootpointTolerance) {
    if (error != Error::None) return failed_math(error);
    if (++passes > kMaxFootpointPasses) return failed(Failure::NoFootpoint);
    bf = b0;
    // The arc and its derivative take the sine and the cosine of each multiple.
    const pymath::SinCos m2 = pymath::sin_cos(2 * bf, error), m4 = pymath::sin_cos(4 * bf, error),
                         m6 = pymath::sin_cos(6 * bf, error), m8 = pymath::sin_cos(8 * bf, error),
                         m10 = pymath::sin_cos(10 * bf, error), m12 = pymath::sin_cos(12 * bf, error);
    const double fb =
        a0 * ((((((k.a1 * bf - k.b1 * m2.sin) + k.c1 * m4.sin) - k.d1 * m6.sin) + k.e1 * m8.sin) - k.f1 * m10.sin) +
              k.g1 * m12.sin);
    const double fb1 = a0 * ((((((k.a1 - (2 * k.b1) * m2.cos) + (4 * k.c1) * m4.cos) - (6 * k.d1) * m6.cos) +
                               (8 * k.e1) * m8.cos) -
                              (10 * k.f1) * m10.cos) +
                             (12 * k.g1) * m12.cos);
    b0 = bf + pymath::divide(x - fb, fb1, error);
    if (std::fabs(bf - b0) > kFootpointTolerance && settles_next(bf, b0)) {
      // The loop goes on to a pass that moves less than the tolerance, and
      // stops with the footpoint it starts from.
      bf = b0;
      break;
    }
  }
  if (error != Error::None) return failed_math(error);

  const pymath::SinCos sincosbf = pymath::sin_cos(bf, error);
  const double sinbf = sincosbf.sin;
  const double sqrtsinbf2 = pymath::sqrt(1 - (k.e12 * sinbf) * sinbf, error);
  const double n = pymath::divide(a, sqrtsinbf2, error);
  const double t = pymath::tan(bf, error);
  const double t2 = t * t;
  const double t4 = t2 * t2;
  const double cosbf = sincosbf.cos;
  const double yy = (k.e22 * cosbf) * cosbf;
  const double yn = pymath::divide(y, n, error);
  const double yn2 = yn * yn;

  const double p = (((1 + 2 * t2) + yy) * yn2) / 6;
  const double q = ((((((5 + 28 * t2) + 24 * t4) + 6 * yy) + (8 * yy) * t2) * yn2) * yn2) / 120;
  const double s = (1 - p) + q;
  const double longitude = meridian + ((pymath::divide(yn * s, cosbf, error) * 180) / kPi);

  const double m = pymath::divide(2 * a0, pymath::math_pow(sqrtsinbf2, 3, error), error);
  const double r = (pymath::divide(t, m, error) * y) * yn;
  const double u = ((((5 + 3 * t2) + yy) - (9 * yy) * t2) * yn2) / 12;
  const double v = ((((61 + 90 * t2) + 45 * t4) * yn2) * yn2) / 360;
  const double latitude = ((bf - r * ((1 - u) + v)) * 180) / kPi;
  if (error != Error::None) return failed_math(error);
  return {.first = longitude, .second = latitude};
}

}  // namespace projection::gk
