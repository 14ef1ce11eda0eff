#include "projection/gauss_kruger.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace projection::gk;

namespace {

constexpr double kGrs80 = 6378137.0;

const Series& cgcs2000() { return *series_of(2000); }

}  // namespace

TEST(GaussKruger, SeriesOfTheFourSystems) {
  for (long long year : {1954, 1980, 1984, 2000}) EXPECT_NE(series_of(year), nullptr) << year;
  EXPECT_EQ(series_of(1955), nullptr);
  EXPECT_NE(series_of(1984)->e12, series_of(2000)->e12);
}

TEST(GaussKruger, ForwardOnTheMeridian) {
  const Outcome o = forward(kGrs80, cgcs2000(), 117.0, 117.0, 30.0);
  EXPECT_EQ(o.failure, Failure::None);
  EXPECT_EQ(o.first, 20500000.0);
  EXPECT_NEAR(o.second, 3320113.398, 0.0005);
  EXPECT_EQ(forward(kGrs80, cgcs2000(), 117.0, 117.0, 0.0).second, 0.0);
}

TEST(GaussKruger, ForwardChecksInOrder) {
  EXPECT_EQ(forward(kGrs80, cgcs2000(), 181.0, 181.0, 91.0).failure, Failure::CentralMeridianRange);
  EXPECT_EQ(forward(kGrs80, cgcs2000(), 117.0, 181.0, 91.0).failure, Failure::LongitudeRange);
  EXPECT_EQ(forward(kGrs80, cgcs2000(), 117.0, 117.0, NAN).failure, Failure::LatitudeRange);
  const Outcome infinite = forward(kGrs80, cgcs2000(), 500.0, INFINITY, 0.0);
  EXPECT_EQ(infinite.failure, Failure::Math);
  EXPECT_EQ(infinite.math, pymath::Error::IntegerFromInfinity);
}

TEST(GaussKruger, ZonePrefix) {
  pymath::Error error{};
  EXPECT_EQ(zone_prefix(116.3, error), 20.0);
  EXPECT_EQ(zone_prefix(-3.0, error), 30.0);
  EXPECT_EQ(zone_prefix(-180.0, error), 1.0);
  EXPECT_EQ(zone_prefix(180.0, error), 31.0);
  EXPECT_EQ(zone_prefix(-0.0, error), 0.0);
  EXPECT_EQ(zone_prefix(NAN, error), 0.0);
  EXPECT_EQ(error, pymath::Error::None);
}

TEST(GaussKruger, InverseWorkedPositions) {
  const Outcome o = inverse(kGrs80, cgcs2000(), 117.0, 3000000.0, 600000.0);
  EXPECT_EQ(o.failure, Failure::None);
  EXPECT_EQ(o.first, 118.00844171813232);
  EXPECT_EQ(o.second, 27.108016270793037);
  const Outcome derived = inverse(kGrs80, cgcs2000(), std::nullopt, 4000000.0, 38500000.0);
  EXPECT_EQ(derived.first, 114.0);
  EXPECT_EQ(derived.second, 36.130292920695936);
}

TEST(GaussKruger, InverseFailures) {
  EXPECT_EQ(inverse(kGrs80, cgcs2000(), std::nullopt, 4000000.0, 999999.0).failure, Failure::NoZone);
  const Outcome beyond = inverse(kGrs80, cgcs2000(), std::nullopt, 4000000.0, 61500000.0);
  EXPECT_EQ(beyond.failure, Failure::CentralMeridianRange);
  EXPECT_EQ(beyond.meridian, 183.0);
  EXPECT_EQ(inverse(kGrs80, cgcs2000(), 117.0, 4134248727036.0, 600000.0).failure, Failure::NoFootpoint);
  EXPECT_EQ(inverse(kGrs80, cgcs2000(), 117.0, INFINITY, 600000.0).math, pymath::Error::MathDomain);
  EXPECT_EQ(inverse(kGrs80, cgcs2000(), 117.0, 1.0, INFINITY).math, pymath::Error::IntegerFromInfinity);
  EXPECT_EQ(inverse(0.0, cgcs2000(), 117.0, 1.0, 1.0).math, pymath::Error::DivisionByZero);
  const Outcome unknown = inverse(kGrs80, cgcs2000(), 117.0, NAN, 600000.0);
  EXPECT_EQ(unknown.failure, Failure::None);
  EXPECT_TRUE(std::isnan(unknown.first) && std::isnan(unknown.second));
}

TEST(GaussKruger, RoundTripWithinTheSeriesAccuracy) {
  for (double latitude = -80.0; latitude <= 80.0; latitude += 5.0) {
    for (double longitude = 114.25; longitude < 120.0; longitude += 0.5) {
      const Outcome plane = forward(kGrs80, cgcs2000(), 117.0, longitude, latitude);
      const Outcome back = inverse(kGrs80, cgcs2000(), 117.0, plane.second, plane.first);
      EXPECT_NEAR(back.first, longitude, 1e-8) << longitude << " " << latitude;
      EXPECT_NEAR(back.second, latitude, 1e-8) << longitude << " " << latitude;
    }
  }
}
