#include "projection/geodesic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace projection;

namespace {

constexpr double kWgs84A = 6378137.0, kWgs84F = 0.0033528106647474805;
constexpr double kGrs80F = 0.003352810681182319;

double dms(double degrees, double minutes, double seconds) { return degrees + minutes / 60 + seconds / 3600; }

}  // namespace

// Expected doubles are the host's own results of the written formula.
TEST(Geodesic, LengthsAreTheHostsDoubles) {
  const struct {
    double lon1, lat1, lon2, lat2, metres;
  } cases[] = {
      {108.9423662424, 34.2610116842, 116.3913112879, 39.9055966108, 0x1.bcd13d27cbbe5p+19},
      {0.0, 0.0, 1.0, 0.0, 0x1.b2d77da49ff88p+16},  // along the equator
      {0.0, 0.0, 0.0, 1.0, 0x1.afee637888d32p+16},
      {5.0, -0.0, 5.0, 0.0, 0.0},
  };
  for (const auto& c : cases) {
    const GeodesicLength length = geodesic_length(c.lon1, c.lat1, c.lon2, c.lat2, kWgs84F, kWgs84A);
    EXPECT_TRUE(length.converged);
    EXPECT_EQ(length.error, pymath::Error::None);
    EXPECT_EQ(length.metres, c.metres) << c.lon2 << " " << c.lat2;
  }
}

TEST(Geodesic, VincentysPublishedLine) {
  // Flinders Peak to Buninyong on GRS 1980.
  const GeodesicLength length = geodesic_length(dms(144, 25, 29.52440), -dms(37, 57, 3.72030),
                                                dms(143, 55, 35.38390), -dms(37, 39, 10.15610), kGrs80F, kWgs84A);
  EXPECT_NEAR(length.metres, 54972.271, 0.0005);
}

TEST(Geodesic, NoLengthAndFailures) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(geodesic_length(0.0, 0.0, 179.7, 0.5, kWgs84F, kWgs84A).converged);
  EXPECT_FALSE(geodesic_length(0.0, 0.0, 180.0, 0.0, kWgs84F, kWgs84A).converged);
  EXPECT_FALSE(geodesic_length(nan, 0.0, 1.0, 0.0, kWgs84F, kWgs84A).converged);
  pymath::Error error{};
  reduced_latitude(-inf, kWgs84F, error);
  EXPECT_EQ(error, pymath::Error::MathDomain);
  EXPECT_EQ(geodesic_length(0.0, inf, 1.0, 0.0, kWgs84F, kWgs84A).error, pymath::Error::MathDomain);
  const VincentyLine line = vincenty_iterate({}, {}, inf, kWgs84F);
  EXPECT_EQ(line.end, VincentyLine::End::Arithmetic);
  EXPECT_EQ(line.error, pymath::Error::MathDomain);
  // 360 degrees apart: not reduced, so a tiny length rather than 0.
  const GeodesicLength around = geodesic_length(0.0, 20.0, 360.0, 20.0, kWgs84F, kWgs84A);
  EXPECT_GT(around.metres, 0.0);
  EXPECT_LT(around.metres, 1e-8);
}
