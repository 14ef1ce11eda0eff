// Projection.gaussKruger: Gauss-Krüger forward and inverse.
#include "host/ops.h"
#include "projection/classes.h"

namespace projection {

host::Ref gauss_kruger(const host::Args&) {
  host::raise(PyExc_NotImplementedError, "Projection.gaussKruger is not implemented yet.");
}

}  // namespace projection
