// Projection.angle: decimal degrees to and from degree-minute-second text.
#include "host/ops.h"
#include "projection/classes.h"

namespace projection {

host::Ref angle(const host::Args&) {
  host::raise(PyExc_NotImplementedError, "Projection.angle is not implemented yet.");
}

}  // namespace projection
