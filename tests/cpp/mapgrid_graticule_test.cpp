#include "mapgrid/graticule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace mapgrid;
using Kind = Graticule::Item::Kind;

TEST(MapGridGraticule, MeridiansThenParallelsThenEnd) {
  Graticule machine(40, 20, 80, 100, 0, false);
  std::vector<double> meridians, parallels;
  for (Graticule::Item item = machine.next(); item.kind != Kind::End; item = machine.next()) {
    if (item.kind == Kind::Meridian) {
      EXPECT_EQ(item.from[1], 20.0);
      EXPECT_EQ(item.to[1], 40.0);
      meridians.push_back(item.from[0]);
    } else {
      ASSERT_EQ(item.kind, Kind::Parallel);
      EXPECT_EQ(item.from[0], 80.0);
      EXPECT_EQ(item.to[0], 100.0);
      parallels.push_back(item.from[1]);
    }
  }
  EXPECT_EQ(meridians, (std::vector<double>{84, 90, 96}));
  EXPECT_EQ(parallels, (std::vector<double>{20, 24, 28, 32, 36, 40}));
  EXPECT_EQ(machine.next().kind, Kind::End);
}

TEST(MapGridGraticule, SummaryAndFaults) {
  Graticule summary(60, 30, 80, 100, 1, true);
  const Graticule::Item item = summary.next();
  ASSERT_EQ(item.kind, Kind::Summary);
  EXPECT_EQ(item.count[0], 5);
  EXPECT_EQ(item.count[1], 9);
  EXPECT_EQ(summary.next().kind, Kind::End);

  Graticule failing(20, 40, 0, 1, 0, false);
  const Graticule::Item fault = failing.next();
  EXPECT_EQ(fault.kind, Kind::Failed);
  EXPECT_EQ(fault.fault, WindowFault::NorthBelowSouth);
  EXPECT_EQ(failing.next().kind, Kind::End);
  EXPECT_EQ(check_window(1, 0, 0, NAN), WindowFault::East);
  EXPECT_EQ(check_window(1, 0, 5, 1), WindowFault::EastBelowWest);
}

TEST(MapGridGraticule, SummaryChosenAfterTheWindowOpens) {
  Graticule lines(60, 30, 80, 100, 1, true);  // the constructor's choice is not asked
  ASSERT_EQ(lines.open(), WindowFault::None);
  EXPECT_TRUE(lines.started());
  EXPECT_EQ(lines.first(false).kind, Kind::Meridian);
  EXPECT_EQ(lines.first(true).kind, Kind::End);  // first() only once
  EXPECT_EQ(lines.next().kind, Kind::Meridian);

  Graticule summary(60, 30, 80, 100, 1);
  ASSERT_EQ(summary.open(), WindowFault::None);
  EXPECT_EQ(summary.first(true).count[1], 9);
  EXPECT_EQ(summary.next().kind, Kind::End);

  Graticule failing(20, 40, 0, 1, 0);
  EXPECT_EQ(failing.open(), WindowFault::NorthBelowSouth);
  EXPECT_EQ(failing.first(true).kind, Kind::End);
}

TEST(MapGridGraticule, SnappedEdgesAreNeverNegativeZero) {
  // math.floor(-0.0 / 6.0) is the integer 0, and 0 * 6.0 is +0.0.
  Graticule machine(1, -0.0, -0.0, 0, 0, false);
  const Graticule::Item meridian = machine.next();
  ASSERT_EQ(meridian.kind, Kind::Meridian);
  EXPECT_EQ(meridian.from[0], 0.0);
  EXPECT_FALSE(std::signbit(meridian.from[0]));
  EXPECT_FALSE(std::signbit(meridian.from[1]));  // max(+0.0, -0.0) keeps the first
  EXPECT_EQ(zoom_step(40).scale, 500);
  EXPECT_EQ(zoom_step(6).scale, 500000);
  EXPECT_EQ(zoom_step(-3).scale, 1000000);
}
