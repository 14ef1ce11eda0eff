// The sheet graticule of a view window: the meridians and parallels of the
// sheet lines of one scale, clipped to the window, produced one at a time by
// a state machine that holds nothing but its position. No host types.
#pragma once

namespace mapgrid {

// One row of the zoom table: the scale and the sheet's width and height in
// degrees (the doubles nearest 6/n and 4/n).
struct ZoomStep {
  long long scale;
  double delta_lng;
  double delta_lat;
};

// The row of `zoom`: 16 and above 1:500, 15 down to 6 one scale each, and
// every other level (5 and below) 1:1,000,000.
ZoomStep zoom_step(long long zoom);

// The checks of a window in their order: north and south in [-90, 90], north
// not below south, west and east in [-180, 180], east not below west. NaN
// fails the range checks.
enum class WindowFault { None, North, South, NorthBelowSouth, West, East, EastBelowWest };
WindowFault check_window(double north, double south, double west, double east);

class Graticule {
 public:
  struct Item {
    enum class Kind { End, Failed, Summary, Meridian, Parallel };
    Kind kind = Kind::End;
    WindowFault fault = WindowFault::None;  // Failed
    double from[2] = {0, 0};                // a line: [longitude, latitude] of its ends
    double to[2] = {0, 0};
    long long count[2] = {0, 0};            // Summary: meridians and parallels of the snapped window
  };

  Graticule(double north, double south, double west, double east, long long zoom, bool summary = false)
      : north_(north), south_(south), west_(west), east_(east), step_(zoom_step(zoom)), summary_(summary) {}

  // The next item. The first call checks the window (a failure ends the run),
  // snaps it outward to whole steps (ceil(north / dLat) * dLat, ...), and gives
  // the summary or the first line; later calls give the meridians from west to
  // east, then the parallels from south to north, each at the sum of the
  // snapped edge and the step added once per line (bit-exact with the host's
  // arithmetic), skipping those outside the window, then End for good.
  Item next();

  // The first call in two steps, for a caller that learns whether the summary
  // is asked for only once the window has passed its checks: open() checks
  // and snaps the window (a fault ends the run), then first(summary) gives
  // the summary or the first line, and next() the lines after it.
  bool started() const { return state_ != State::Created; }
  WindowFault open();
  Item first(bool summary);

  const ZoomStep& step() const { return step_; }

 private:
  enum class State { Created, Opened, Meridians, Parallels, Finished };

  Item meridians();
  Item parallels();

  double north_, south_, west_, east_;
  ZoomStep step_;
  bool summary_;
  State state_ = State::Created;
  double north_grid_ = 0, south_grid_ = 0, west_grid_ = 0, east_grid_ = 0;
  double lng_ = 0, lat_ = 0;
};

}  // namespace mapgrid
