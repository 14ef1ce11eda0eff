// MapGrid.grid: the graticule of a view window as a generator, one line (or
// the summary) per request, driven by the pure state machine.
#include <string>
#include <utility>

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

Ref pair(PyObject* first, PyObject* second) {
  Ref list = checked(PyList_New(2));
  PyList_SET_ITEM(list.get(), 0, Py_NewRef(first));
  PyList_SET_ITEM(list.get(), 1, Py_NewRef(second));
  return list;
}

// The coordinates of a line, [[x, y], [x, y]], as new lists.
Ref new_coordinates(PyObject* const (&vertex)[2][2]) {
  return pair(pair(vertex[0][0], vertex[0][1]).get(), pair(vertex[1][0], vertex[1][1]).get());
}

// The line dictionaries most recently handed out. A line that the caller has
// let go of (the run holds the only reference) is filled in again instead of
// making a new one, as the host's zip and dict.items() iterators reuse their
// result tuples, but only where no script can tell: its keys and fixed values
// are the run's own, and what the refill lets go of is an exact float, or
// coordinates held elsewhere too, so no __del__ runs and nothing that anyone
// holds changes. A drained graticule then allocates next to nothing. A line
// changed otherwise is let go of before the next request, while the run is
// suspended, as the caller's last reference would have let go of it.
class LinePool {
 public:
  // A dropped line that the pool can reuse, and how.
  struct Reuse {
    PyObject* line = nullptr;         // held by the pool
    PyObject* coordinates = nullptr;  // to refill in place; null: to replace (held elsewhere too)
    PyObject* remarks = nullptr;      // its remarks value
  };

  // Before a request: a line the caller let go of that cannot be reused, taken
  // out of the pool to be let go of, or nothing, the line to reuse then noted
  // for the request. Nothing that runs between this and the request's line()
  // can run a script's code (the machine is pure, and floats are not objects
  // of the cycle collector), so what it finds stays true until then.
  Ref dropped(PyObject* scale) {
    reuse_ = {};
    for (Ref& kept : lines_) {
      PyObject* line = kept.get();
      if (line == nullptr || !host::sole_owner(line)) continue;
      const Reuse found = reusable(line, scale);
      if (found.line == nullptr) return std::move(kept);
      if (reuse_.line == nullptr || (found.coordinates != nullptr && reuse_.coordinates == nullptr)) reuse_ = found;
    }
    return Ref();
  }
  // The line noted for this request, once.
  Reuse take() { return std::exchange(reuse_, Reuse{}); }

  // How `line`, which only the pool holds, can be reused, if at all.
  static Reuse reusable(PyObject* line, PyObject* scale) {
    Reuse found{};
    PyObject* coordinates = own_frame(line, scale, found.remarks);
    if (coordinates == nullptr) return {};
    found.line = line;
    if (own_vertices(coordinates)) {
      found.coordinates = coordinates;
    } else if (host::sole_owner(coordinates)) {
      return {};  // letting go of them may run a script's code
    }
    return found;
  }

  // Keeps `line`, a new one or one just reused, as the newest, and hands it
  // on; a new one takes a free place, or that of the older line (which the
  // caller still holds, or which is the run's own).
  Ref keep(Ref line) {
    int place = lines_[0].get() == line.get() ? 0 : lines_[1].get() == line.get() ? 1 : -1;
    if (place < 0) {
      place = !lines_[0] ? 0 : !lines_[1] ? 1 : 1 - newest_;
      Ref older = std::exchange(lines_[place], line);
      newest_ = place;
      return line;  // `older` goes last, with the pool whole again
    }
    newest_ = place;
    return line;
  }
  int traverse(visitproc visit, void* arg) const {
    for (const Ref& line : lines_) Py_VISIT(line.get());
    return 0;
  }

 private:
  // A list of two items that only its holder holds.
  static bool single_pair(PyObject* object) {
    return PyList_CheckExact(object) && host::sole_owner(object) && PyList_GET_SIZE(object) == 2;
  }
  // [[x, y], [x, y]] of exact floats in lists that only the line holds.
  static bool own_vertices(PyObject* coordinates) {
    if (!single_pair(coordinates)) return false;
    for (Py_ssize_t end = 0; end < 2; ++end) {
      PyObject* vertex = PyList_GET_ITEM(coordinates, end);
      if (!single_pair(vertex) || !PyFloat_CheckExact(PyList_GET_ITEM(vertex, 0)) ||
          !PyFloat_CheckExact(PyList_GET_ITEM(vertex, 1))) {
        return false;
      }
    }
    return true;
  }
  // The coordinates of a line whose keys and other values are the run's own,
  // in their order, and its remarks; null otherwise.
  static PyObject* own_frame(PyObject* line, PyObject* scale, PyObject*& remarks) {
    if (PyDict_GET_SIZE(line) != 4) return nullptr;
    PyObject* const keys[] = {names::remarks, names::type, names::coordinates, names::scale};
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value[4];
    for (int i = 0; i < 4; ++i) {
      if (!PyDict_Next(line, &position, &key, &value[i]) || key != keys[i]) return nullptr;
    }
    if ((value[0] != names::longitude && value[0] != names::latitude) || value[1] != names::LineString ||
        value[3] != scale) {
      return nullptr;
    }
    remarks = value[0];
    return value[2];
  }

  Ref lines_[2];
  int newest_ = 1;
  Reuse reuse_;
};

// The machine with the host objects its items share: the clipped ends of the
// lines (max and min of a snapped edge and a window edge) are the same objects
// for every line, as in the plain form, and so is the position within a line.
struct GridRun {
  Graticule machine;
  double north, south, west, east;
  Ref scale;        // the scale denominator of the zoom level
  Ref summary;      // the summary argument, whose truth the first request takes
  Ref ends[2][2];   // the clipped ends of meridians and of parallels, made at the first of each
  LinePool pool;

  int traverse(visitproc visit, void* arg) const {
    Py_VISIT(summary.get());
    return pool.traverse(visit, arg);
  }
  Ref dropped() { return pool.dropped(scale.get()); }
};

// list[index] = value, where the old item is an exact float that only the
// list may hold: releasing it runs nothing.
void refill(PyObject* list, Py_ssize_t index, PyObject* value) {
  PyObject* old = PyList_GET_ITEM(list, index);
  PyList_SET_ITEM(list, index, Py_NewRef(value));
  Py_DECREF(old);
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
  PyObject* scale = run.scale.get();

  const LinePool::Reuse reuse = run.pool.take();
  if (reuse.line != nullptr && host::sole_owner(reuse.line)) {
    if (reuse.coordinates != nullptr) {
      // Only exact floats are let go of, and the remarks are the run's own str.
      if (reuse.remarks != remarks) host::checked_status(PyDict_SetItem(reuse.line, names::remarks, remarks));
      for (int end = 0; end < 2; ++end) {
        PyObject* vertex_list = PyList_GET_ITEM(reuse.coordinates, end);
        refill(vertex_list, 0, vertex[end][0]);
        refill(vertex_list, 1, vertex[end][1]);
      }
      return run.pool.keep(Ref::borrow(reuse.line));
    }
    // A collection while the lists are made may run a script's code: the
    // line is looked at again after it.
    Ref coordinates = new_coordinates(vertex);
    if (host::sole_owner(reuse.line) && LinePool::reusable(reuse.line, scale).line != nullptr) {
      host::checked_status(PyDict_SetItem(reuse.line, names::remarks, remarks));
      host::checked_status(PyDict_SetItem(reuse.line, names::coordinates, coordinates.get()));
      return run.pool.keep(Ref::borrow(reuse.line));
    }
  }

  return run.pool.keep(host::DictBuilder(4)
                           .put(names::remarks, remarks)
                           .put(names::type, names::LineString)
                           .put(names::coordinates, new_coordinates(vertex))
                           .put(names::scale, run.scale)
                           .take());
}

Ref next_item(GridRun& run) {
  Graticule::Item item;
  if (!run.machine.started()) {
    // The window is checked first; the truth of `summary` is taken after that.
    const WindowFault fault = run.machine.open();
    if (fault != WindowFault::None) raise_window(fault, run.north, run.south, run.west, run.east);
    item = run.machine.first(host::truth(run.summary.get()));
  } else {
    item = run.machine.next();
  }
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
  Graticule machine(north, south, west, east, zoom_level(args[4]));
  Ref scale = host::integer(machine.step().scale);
  return host::make_machine_generator(
      GridRun{machine, north, south, west, east, std::move(scale), Ref::borrow(args[5]), {}, {}}, next_item,
      args.callable());
}

}  // namespace mapgrid
