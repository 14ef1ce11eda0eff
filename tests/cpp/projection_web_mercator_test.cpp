#include "projection/web_mercator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace projection;

namespace {

constexpr double kRadius = 6378137.0;

}  // namespace

// Expected doubles are the host's own results of the written formulas.
TEST(WebMercator, ForwardAndInverseAreTheHostsDoubles) {
  const Transformed forward = web_mercator_forward(kRadius, 116.3913112879, 39.9055966108);
  ASSERT_TRUE(forward.ok());
  EXPECT_EQ(forward.first, 0x1.8b679b02baab4p+23);
  EXPECT_EQ(forward.second, 0x1.28282537ce17bp+22);
  const Transformed inverse = web_mercator_inverse(kRadius, 12956621.505330421, -4852233.304497118);
  ASSERT_TRUE(inverse.ok());
  EXPECT_EQ(inverse.first, 0x1.d190b3e800583p+6);
  EXPECT_EQ(inverse.second, -0x1.3f3ea96f9608dp+5);
  // The tangent of the halved right angle is just below 1.
  EXPECT_EQ(web_mercator_forward(kRadius, 0.0, 0.0).second, -7.081154551613622e-10);
  EXPECT_EQ(web_mercator_inverse(kRadius, 0.0, -1.0e10).second, -90.0);
}

TEST(WebMercator, Failures) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(web_mercator_forward(kRadius, 180.5, 0.0).fault, Fault::Longitude);
  EXPECT_EQ(web_mercator_forward(kRadius, nan, 100.0).fault, Fault::Longitude);
  EXPECT_EQ(web_mercator_forward(kRadius, -180.0, -90.5).fault, Fault::Latitude);
  const Transformed pole = web_mercator_forward(kRadius, 0.0, -90.0);
  EXPECT_EQ(pole.fault, Fault::Arithmetic);
  EXPECT_EQ(pole.math, pymath::Error::MathDomain);
  EXPECT_TRUE(std::isfinite(web_mercator_forward(kRadius, 0.0, 90.0).second));
  EXPECT_EQ(web_mercator_inverse(kRadius, 0.0, 1.0e10).math, pymath::Error::MathRange);
  EXPECT_EQ(web_mercator_inverse(0.0, 1.0, 1.0).math, pymath::Error::DivisionByZero);
}
