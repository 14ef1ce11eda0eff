#include "projection/lambert.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace projection;

namespace {

constexpr double kA = 6378137.0, kF = 0.003352810681182319;

LambertCone cone_of(double a, double f, const ConeParameters& p) {
  const LambertSetup setup = lambert_cone(a, f, p);
  EXPECT_EQ(setup.fault, Fault::None);
  return setup.cone;
}

double dms(double degrees, double minutes) { return degrees + minutes / 60; }

}  // namespace

// Expected doubles are the host's own results of the written formulas.
TEST(Lambert, ForwardAndInverseAreTheHostsDoubles) {
  const LambertCone cone = cone_of(kA, kF, {105.0, 0.0, 25.0, 47.0});
  const Transformed forward = lambert_forward(cone, 120.0, 30.0);
  EXPECT_EQ(forward.first, 0x1.5b7e76c72faa0p+20);
  EXPECT_EQ(forward.second, 0x1.bae04fe3b8b40p+21);
  const Transformed inverse = lambert_inverse(cone, 1.0e6, 4.0e6);
  EXPECT_EQ(inverse.first, 0x1.d01c4cf492daep+6);
  EXPECT_EQ(inverse.second, 0x1.0f2bfd5be6f97p+5);
}

TEST(Lambert, InverseUndoesTheForwardBeyondAQuarterTurn) {
  // 170° from the central meridian is some 99° about the apex on these cones.
  for (const ConeParameters& p : {ConeParameters{}, ConeParameters{0.0, 0.0, -20.0, -50.0}}) {
    const LambertCone cone = cone_of(kA, kF, p);
    const double latitude = p.parallel1 < 0.0 ? -35.0 : 35.0;
    for (const double longitude : {170.0, -170.0}) {
      const Transformed forward = lambert_forward(cone, longitude, latitude);
      const Transformed back = lambert_inverse(cone, forward.first, forward.second);
      EXPECT_NEAR(back.first, longitude, 1e-9);
      EXPECT_NEAR(back.second, latitude, 1e-9);
    }
  }
}

TEST(Lambert, EpsgWorkedExample) {
  // Clarke 1866; false origin 27°50'N 99°W; parallels 28°23'N and 30°17'N;
  // 28°30'N 96°W is 2963503.91 and 254759.80 US survey feet (easting at the origin 2000000).
  const LambertCone cone = cone_of(6378206.4, 1 / 294.978698213898, {-99.0, dms(27, 50), dms(28, 23), dms(30, 17)});
  const Transformed forward = lambert_forward(cone, -96.0, 28.5);
  const double us_foot = 1200.0 / 3937.0;
  EXPECT_NEAR(forward.first / us_foot + 2000000.0, 2963503.91, 0.005);
  EXPECT_NEAR(forward.second / us_foot, 254759.80, 0.005);
  const Transformed back = lambert_inverse(cone, forward.first, forward.second);
  EXPECT_NEAR(back.first, -96.0, 1e-12);
  EXPECT_NEAR(back.second, 28.5, 1e-9);
}

TEST(Lambert, DegenerateConesAndPoints) {
  const struct {
    ConeParameters p;
    pymath::Error error;
  } cones[] = {
      {{0.0, 0.0, 20.0, 90.0}, pymath::Error::DivisionByZero},   // t2 = 0
      {{0.0, 0.0, 90.0, 50.0}, pymath::Error::MathDomain},       // log(0)
      {{0.0, 0.0, 30.0, 30.0}, pymath::Error::DivisionByZero},   // n undefined
      {{0.0, 0.0, 30.0, -30.0}, pymath::Error::DivisionByZero},  // n = 0
      {{0.0, 90.0, -20.0, -50.0}, pymath::Error::MathDomain},    // 0 ** n, n < 0
  };
  for (const auto& c : cones) {
    const LambertSetup setup = lambert_cone(kA, kF, c.p);
    EXPECT_EQ(setup.fault, Fault::Arithmetic);
    EXPECT_EQ(setup.math, c.error) << c.p.parallel1 << " " << c.p.parallel2;
  }
  const LambertCone cone = cone_of(kA, kF, {});
  EXPECT_EQ(lambert_inverse(cone, 1.0, cone.rF).math, pymath::Error::DivisionByZero);
  const Transformed apex = lambert_forward(cone, 10.0, 90.0);
  EXPECT_EQ(apex.first, 0.0);
  EXPECT_EQ(apex.second, cone.rF);
  EXPECT_EQ(lambert_forward(cone_of(kA, kF, {0.0, 0.0, -20.0, -50.0}), 0.0, 90.0).math, pymath::Error::MathDomain);
}
