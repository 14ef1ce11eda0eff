#include "mapgrid/graticule.h"

#include <cmath>

#include "projection/ranges.h"
#include "pymath/arithmetic.h"

namespace mapgrid {

namespace {

// Zoom levels 6 to 15, from the coarsest scale.
constexpr ZoomStep kZoomSteps[] = {
    {500000, 3.0, 2.0},
    {250000, 1.5, 1.0},
    {200000, 1.0, 0.6666666666666666},
    {100000, 0.5, 0.3333333333333333},
    {50000, 0.25, 0.16666666666666666},
    {25000, 0.125, 0.08333333333333333},
    {10000, 0.0625, 0.041666666666666664},
    {5000, 0.03125, 0.020833333333333332},
    {2000, 0.010416666666666666, 0.006944444444444444},
    {1000, 0.005208333333333333, 0.003472222222222222},
};
constexpr ZoomStep kFinest{500, 0.0026041666666666665, 0.001736111111111111};
constexpr ZoomStep kCoarsest{1000000, 6.0, 4.0};

// math.floor or math.ceil of a finite quotient, multiplied back by the step:
// the host's integer becomes a double again, so -0 comes back as +0.
double snapped(double whole, double step) { return (whole + 0.0) * step; }

// max(g, v) and min(g, v) of the host: the first argument on ties.
double host_max(double g, double v) { return v > g ? v : g; }
double host_min(double g, double v) { return v < g ? v : g; }

}  // namespace

ZoomStep zoom_step(long long zoom) {
  if (zoom >= 16) return kFinest;
  if (zoom >= 6) return kZoomSteps[zoom - 6];
  return kCoarsest;
}

WindowFault check_window(double north, double south, double west, double east) {
  if (!projection::latitude_in_range(north)) return WindowFault::North;
  if (!projection::latitude_in_range(south)) return WindowFault::South;
  if (north < south) return WindowFault::NorthBelowSouth;
  if (!projection::longitude_in_range(west)) return WindowFault::West;
  if (!projection::longitude_in_range(east)) return WindowFault::East;
  if (west > east) return WindowFault::EastBelowWest;
  return WindowFault::None;
}

Graticule::Item Graticule::next() {
  switch (state_) {
    case State::Created: {
      Item item{};
      item.fault = open();
      if (item.fault != WindowFault::None) {
        item.kind = Item::Kind::Failed;
        return item;
      }
      return first(summary_);
    }
    case State::Opened:
      return first(summary_);
    case State::Meridians:
      return meridians();
    case State::Parallels:
      return parallels();
    case State::Finished:
      break;
  }
  return Item{};
}

WindowFault Graticule::open() {
  state_ = State::Finished;
  const WindowFault fault = check_window(north_, south_, west_, east_);
  if (fault != WindowFault::None) return fault;
  const double d_lng = step_.delta_lng;
  const double d_lat = step_.delta_lat;
  // The quotients are finite: every edge is checked and every step is positive.
  north_grid_ = snapped(std::ceil(north_ / d_lat), d_lat);
  south_grid_ = snapped(std::floor(south_ / d_lat), d_lat);
  west_grid_ = snapped(std::floor(west_ / d_lng), d_lng);
  east_grid_ = snapped(std::ceil(east_ / d_lng), d_lng);
  state_ = State::Opened;
  return fault;
}

Graticule::Item Graticule::first(bool summary) {
  if (state_ != State::Opened) return Item{};
  if (summary) {
    state_ = State::Finished;
    const double d_lng = step_.delta_lng;
    const double d_lat = step_.delta_lat;
    pymath::Error error = pymath::Error::None;  // never set: finite values, positive steps
    Item item{};
    item.kind = Item::Kind::Summary;
    item.count[0] = static_cast<long long>(pymath::floor_divide(east_grid_ - west_grid_, d_lng, error)) + 1;
    item.count[1] = static_cast<long long>(pymath::floor_divide(north_grid_ - south_grid_, d_lat, error)) + 1;
    return item;
  }
  lng_ = west_grid_;
  lat_ = south_grid_;
  state_ = State::Meridians;
  return meridians();
}

Graticule::Item Graticule::meridians() {
  while (lng_ <= east_grid_) {
    const double lng = lng_;
    lng_ = lng_ + step_.delta_lng;
    if (west_ <= lng && lng <= east_) {
      Item item{};
      item.kind = Item::Kind::Meridian;
      item.from[0] = lng;
      item.from[1] = host_max(south_grid_, south_);
      item.to[0] = lng;
      item.to[1] = host_min(north_grid_, north_);
      return item;
    }
  }
  state_ = State::Parallels;
  return parallels();
}

Graticule::Item Graticule::parallels() {
  while (lat_ <= north_grid_) {
    const double lat = lat_;
    lat_ = lat_ + step_.delta_lat;
    if (south_ <= lat && lat <= north_) {
      Item item{};
      item.kind = Item::Kind::Parallel;
      item.from[0] = host_max(west_grid_, west_);
      item.from[1] = lat;
      item.to[0] = host_min(east_grid_, east_);
      item.to[1] = lat;
      return item;
    }
  }
  state_ = State::Finished;
  return Item{};
}

}  // namespace mapgrid
