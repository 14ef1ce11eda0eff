// Parts of the codec that are still to come.
#include "geometry/codec.h"

namespace geometry {

namespace {

[[noreturn]] host::Ref not_yet(const char* what) {
  host::raise_format(PyExc_NotImplementedError, "Geometry: %s is not available yet", what);
}

}  // namespace

host::Ref dumps_method(const host::Args&) { not_yet("dumps"); }
host::Ref to_wkt_method(const host::Args&) { not_yet("toWkt"); }
host::Ref swap_xy_method(const host::Args&) { not_yet("swapXY"); }
host::Ref get_xy_method(const host::Args&) { not_yet("getXY"); }

}  // namespace geometry
