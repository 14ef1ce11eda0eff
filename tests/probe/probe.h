// The test probe's registry: each probe_*.cpp file of tests/probe/ adds the
// classes through which the tests reach one subsystem's pure core, with
//   static const bool registered = probe::add_class(geometry_probe_class);
// and the probe makes them all when it is imported.
#pragma once

#include "host/classes.h"

namespace probe {

using ClassMaker = const host::ClassSpec& (*)();

bool add_class(ClassMaker maker);

}  // namespace probe
