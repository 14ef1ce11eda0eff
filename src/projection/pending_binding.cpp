// Placeholders of the methods still to come: each says so when called.
#include "host/ops.h"
#include "projection/classes.h"

namespace projection {

namespace {

[[noreturn]] void not_yet(const char* name) {
  host::raise_format(PyExc_NotImplementedError, "Projection.%s is not implemented yet.", name);
}

}  // namespace

host::Ref web_mercator(const host::Args&) { not_yet("webMercator"); }
host::Ref geodesics(const host::Args&) { not_yet("geodesics"); }
host::Ref albers(const host::Args&) { not_yet("albers"); }
host::Ref lambert(const host::Args&) { not_yet("lambert"); }

}  // namespace projection
