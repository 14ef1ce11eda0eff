// MapGrid.grid: the graticule of a view window as a generator, one line (or
// the summary) per request, driven by the pure state machine.
#include <string>

#include "host/generator.h"
#include "mapgrid/graticule.h"
#include "mapgrid/members.h"
#include "mapgrid/names.h"
#include "pymath/float_text.h"

namespace mapgrid {

using host::Args;
using host::checked;
using host::Ref;

namespace {

std::string float_text(double value) {
  char digits[pymath::kFloatTextSize];
  return std::string(digits, pymath::float_text(value, digits));
}

[[noreturn]] void raise_window(WindowFault fault, double north, double south, double west, double east) {
  std::string message;
  switch (fault) {
    case WindowFault::North:
      message = "[" + float_text(north) + "] should be between [-90 ～ +90] in [north] parameter.";
      break;
    case WindowFault::South:
      message = "[" + float_text(south) + "] should be between [-90 ～ +90] in [south] parameter.";
      break;
    case WindowFault::NorthBelowSouth:
      message = "[north:" + float_text(north) + "] should be greater than [south:" + float_text(south) +
                "] in parameters.";
      break;
    case WindowFault::West:
      message = "[" + float_text(west) + "] should be between [-180 ～ +180] in [west] parameter.";
      break;
    case WindowFault::East:
      message = "[" + float_text(east) + "] should be between [-180 ～ +180] in [east] parameter.";
      break;
    case WindowFault::EastBelowWest:
      message = "[east:" + float_text(east) + "] should be greater than [west:" + float_text(west) +
                "] in parameters.";
      break;
    case WindowFault::None:
      break;
  }
  host::raise_text(PyExc_Exception, host::text(message));
}

// The line dictionaries most recently handed out. A line that the caller has
// let go of (the run holds the only reference) and that still has the shape
// it was given is filled in again instead of a new one, as the host's zip and
// dict.items() iterators reuse their result tuples: it cannot be told from a
// new dictionary, and a drained graticule allocates next to nothing.
class LinePool {
 public:
  // A line of the pool to fill in, or null.
  PyObject* reusable(PyObject* scale) const {
    for (const Ref& line : lines_) {
      if (line && intact(line.get(), scale)) return line.get();
    }
    return nullptr;
  }
  // Keeps `line`, a new one, in place of the oldest.
  void keep(const Ref& line) {
    lines_[next_] = line;
    next_ = 1 - next_;
  }
  int traverse(visitproc visit, void* arg) const {
    for (const Ref& line : lines_) Py_VISIT(line.get());
    return 0;
  }

 private:
  // Nothing but the pool holds it, and its keys and fixed values are the run's own.
  static bool intact(PyObject* line, PyObject* scale) {
    if (Py_REFCNT(line) != 1 || PyDict_GET_SIZE(line) != 4) return false;
    PyObject* const keys[] = {names::remarks, names::type, names::coordinates, names::scale};
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    for (int i = 0; PyDict_Next(line, &position, &key, &value); ++i) {
      if (key != keys[i]) return false;
      if (i == 0 && value != names::longitude && value != names::latitude) return false;
      if ((i == 1 && value != names::LineString) || (i == 3 && value != scale)) return false;
    }
    return true;
  }

  Ref lines_[2];
  int next_ = 0;
};

// The machine with the host objects its items share: the clipped ends of the
// lines (max and min of a snapped edge and a window edge) are the same objects
// for every line, as in the plain form, and so is the position within a line.
struct GridRun {
  Graticule machine;
  double north, south, west, east;
  Ref scale;        // the scale denominator of the zoom level
  Ref ends[2][2];   // the clipped ends of meridians and of parallels, made at the first of each
  LinePool pool;

  int traverse(visitproc visit, void* arg) const { return pool.traverse(visit, arg); }
};

Ref pair(PyObject* first, PyObject* second) {
  Ref list = checked(PyList_New(2));
  PyList_SET_ITEM(list.get(), 0, Py_NewRef(first));
  PyList_SET_ITEM(list.get(), 1, Py_NewRef(second));
  return list;
}

// list[index] = value, releasing what it held.
void replace(PyObject* list, Py_ssize_t index, PyObject* value) {
  PyObject* old = PyList_GET_ITEM(list, index);
  PyList_SET_ITEM(list, index, Py_NewRef(value));
  Py_DECREF(old);
}

// A list of two vertices, each a list of two items, that only its line holds.
bool own_coordinates(PyObject* coordinates) {
  auto single_pair = [](PyObject* list) {
    return PyList_CheckExact(list) && Py_REFCNT(list) == 1 && PyList_GET_SIZE(list) == 2;
  };
  return single_pair(coordinates) && single_pair(PyList_GET_ITEM(coordinates, 0)) &&
         single_pair(PyList_GET_ITEM(coordinates, 1));
}

Ref line(GridRun& run, const Graticule::Item& item) {
  const bool meridian = item.kind == Graticule::Item::Kind::Meridian;
  Ref (&ends)[2] = run.ends[meridian ? 0 : 1];
  const int clipped = meridian ? 1 : 0;  // the latitude of a meridian's ends, the longitude of a parallel's
  if (!ends[0]) {
    ends[0] = host::real(item.from[clipped]);
    ends[1] = host::real(item.to[clipped]);
  }
  Ref position = host::real(item.from[1 - clipped]);
  PyObject* vertex[2][2];  // [end][coordinate]
  for (int end = 0; end < 2; ++end) {
    vertex[end][clipped] = ends[end].get();
    vertex[end][1 - clipped] = position.get();
  }
  PyObject* remarks = meridian ? names::longitude : names::latitude;

  if (PyObject* reused = run.pool.reusable(run.scale.get())) {
    Ref line = Ref::borrow(reused);
    host::checked_status(PyDict_SetItem(reused, names::remarks, remarks));
    PyObject* coordinates = PyDict_GetItemWithError(reused, names::coordinates);
    if (coordinates != nullptr && own_coordinates(coordinates)) {
      for (int end = 0; end < 2; ++end) {
        PyObject* pair_list = PyList_GET_ITEM(coordinates, end);
        replace(pair_list, 0, vertex[end][0]);
        replace(pair_list, 1, vertex[end][1]);
      }
      return line;
    }
    if (coordinates == nullptr && PyErr_Occurred()) host::raise_pending();
    Ref fresh = pair(pair(vertex[0][0], vertex[0][1]).get(), pair(vertex[1][0], vertex[1][1]).get());
    host::checked_status(PyDict_SetItem(reused, names::coordinates, fresh.get()));
    return line;
  }

  Ref coordinates = pair(pair(vertex[0][0], vertex[0][1]).get(), pair(vertex[1][0], vertex[1][1]).get());
  Ref line = host::DictBuilder(4)
                 .put(names::remarks, remarks)
                 .put(names::type, names::LineString)
                 .put(names::coordinates, coordinates)
                 .put(names::scale, run.scale)
                 .take();
  run.pool.keep(line);
  return line;
}

Ref next_item(GridRun& run) {
  const Graticule::Item item = run.machine.next();
  using Kind = Graticule::Item::Kind;
  switch (item.kind) {
    case Kind::End:
      return Ref();
    case Kind::Failed:
      raise_window(item.fault, run.north, run.south, run.west, run.east);
    case Kind::Summary: {
      Ref count = checked(PyList_New(2));
      PyList_SET_ITEM(count.get(), 0, host::integer(item.count[0]).release());
      PyList_SET_ITEM(count.get(), 1, host::integer(item.count[1]).release());
      const ZoomStep& step = run.machine.step();
      return host::DictBuilder(3)
          .put(names::count, count)
          .put(names::step, pair(host::real(step.delta_lng).get(), host::real(step.delta_lat).get()))
          .put(names::scale, run.scale)
          .take();
    }
    case Kind::Meridian:
    case Kind::Parallel:
      break;
  }
  return line(run, item);
}

// The zoom level as the table reads it: any int, compared with 16 and 15 to 6.
long long zoom_level(PyObject* zoom) {
  int overflow = 0;
  const long long level = PyLong_AsLongLongAndOverflow(zoom, &overflow);
  if (level == -1 && PyErr_Occurred()) host::raise_pending();
  if (overflow != 0) return overflow > 0 ? 16 : 0;
  return level;
}

}  // namespace

Ref grid_body(const Args& args) {
  const double north = args.real(0);
  const double south = args.real(1);
  const double west = args.real(2);
  const double east = args.real(3);
  Graticule machine(north, south, west, east, zoom_level(args[4]), args.truth(5));
  Ref scale = host::integer(machine.step().scale);
  return host::make_machine_generator(GridRun{machine, north, south, west, east, std::move(scale), {}, {}},
                                      next_item, args.callable());
}

}  // namespace mapgrid
