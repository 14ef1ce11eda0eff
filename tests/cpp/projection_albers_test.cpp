#include "projection/albers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace projection;

namespace {

constexpr double kRadius = 6378137.0;

AlbersCone cone_of(const ConeParameters& p) {
  const AlbersSetup setup = albers_cone(kRadius, p);
  EXPECT_EQ(setup.fault, Fault::None);
  return setup.cone;
}

}  // namespace

// Expected doubles are the host's own results of the written formulas.
TEST(Albers, ForwardAndInverseAreTheHostsDoubles) {
  const AlbersCone cone = cone_of({105.0, 0.0, 25.0, 47.0});
  const Transformed forward = albers_forward(cone, 120.0, 30.0);
  EXPECT_EQ(forward.first, 0x1.5b7bc373649bfp+20);
  EXPECT_EQ(forward.second, 0x1.927b1c86fe693p+21);
  const Transformed inverse = albers_inverse(cone, 1.0e6, 4.0e6);
  EXPECT_EQ(inverse.first, 0x1.d1ba9b5b1409fp+6);
  EXPECT_EQ(inverse.second, 0x1.253c603c51bd0p+5);
  const Transformed origin = albers_forward(cone, 105.0, 0.0);
  EXPECT_EQ(origin.first, 0.0);
  EXPECT_EQ(origin.second, 0.0);
}

TEST(Albers, SouthernConesRoundTrip) {
  for (const ConeParameters& p : {ConeParameters{0.0, 0.0, -20.0, -50.0}, ConeParameters{132.0, 0.0, -18.0, -36.0},
                                  ConeParameters{20.0, -10.0, 10.0, -40.0}}) {
    const AlbersCone cone = cone_of(p);
    ASSERT_LT(cone.n, 0.0);
    for (const double longitude : {p.central_meridian - 50.0, p.central_meridian + 10.0}) {
      const Transformed forward = albers_forward(cone, longitude, -35.0);
      const Transformed back = albers_inverse(cone, forward.first, forward.second);
      EXPECT_NEAR(back.first, longitude, 1e-9);
      EXPECT_NEAR(back.second, -35.0, 1e-9);
    }
  }
}

TEST(Albers, Failures) {
  EXPECT_EQ(albers_cone(kRadius, {180.5, 0.0, 20.0, 50.0}).fault, Fault::CentralMeridian);
  EXPECT_EQ(albers_cone(kRadius, {0.0, NAN, 20.0, 50.0}).fault, Fault::OriginLatitude);
  EXPECT_EQ(albers_cone(kRadius, {0.0, 0.0, 90.5, 50.0}).fault, Fault::Parallel1);
  EXPECT_EQ(albers_cone(kRadius, {0.0, 0.0, 20.0, -91.0}).fault, Fault::Parallel2);
  const AlbersSetup opposite = albers_cone(kRadius, {0.0, 0.0, 30.0, -30.0});
  EXPECT_EQ(opposite.fault, Fault::Arithmetic);
  EXPECT_EQ(opposite.math, pymath::Error::DivisionByZero);
  const AlbersCone cone = cone_of({});
  EXPECT_EQ(albers_forward(cone, -181.0, 0.0).fault, Fault::Longitude);
  EXPECT_EQ(albers_forward(cone, 0.0, 91.0).fault, Fault::Latitude);
  EXPECT_EQ(albers_inverse(cone, 0.0, -3.0e7).math, pymath::Error::MathDomain);
}
