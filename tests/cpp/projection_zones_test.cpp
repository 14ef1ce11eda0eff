#include "projection/zones.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace projection::zones;

TEST(Zones, BordersBelongToTheZoneEastOfThem) {
  struct Case {
    double longitude;
    bool three;
    int zone;
  };
  const Case cases[] = {{0.0, false, 1},     {6.0, false, 2},     {5.9999, false, 1}, {-6.0, false, 60},
                        {-0.0001, false, 60}, {180.0, false, 31},  {-180.0, false, 31}, {-1e-20, false, 1},
                        {1.4999, true, 1},   {4.5, true, 2},      {-1.5, true, 120},  {-1.5001, true, 119},
                        {180.0, true, 60},   {-180.0, true, 60},  {-0.0, true, 1}};
  for (const Case& c : cases) EXPECT_EQ(zone_number(c.longitude, c.three), c.zone) << c.longitude;
}

TEST(Zones, EveryLongitudeInRangeHasAZone) {
  for (double longitude = -180.0; longitude <= 180.0; longitude += 0.0625) {
    const int six = zone_number(longitude, false);
    const int three = zone_number(longitude, true);
    EXPECT_TRUE(zone_in_range(six, false)) << longitude;
    EXPECT_TRUE(zone_in_range(three, true)) << longitude;
    // the meridian of a zone lies within half its width of each longitude inside it
    const double meridian = six_degree_meridian(six);
    EXPECT_LE(std::fabs(std::remainder(longitude - meridian, 360.0)), 3.0) << longitude;
  }
}

TEST(Zones, Meridians) {
  EXPECT_EQ(six_degree_meridian(1), 3.0);
  EXPECT_EQ(six_degree_meridian(20), 117.0);
  EXPECT_EQ(six_degree_meridian(30), 177.0);
  EXPECT_EQ(six_degree_meridian(31), -177.0);
  EXPECT_EQ(six_degree_meridian(60), -3.0);
  EXPECT_EQ(three_degree_meridian(1), 3);
  EXPECT_EQ(three_degree_meridian(60), 180);
  EXPECT_EQ(three_degree_meridian(61), -177);
  EXPECT_EQ(three_degree_meridian(120), 0);
  EXPECT_FALSE(longitude_in_range(NAN));
  EXPECT_FALSE(longitude_in_range(180.0000001));
  EXPECT_TRUE(longitude_in_range(-180.0));
}
