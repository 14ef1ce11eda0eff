// Names of the map sheet grid: its members, reached through the class, and
// the keys of its results.
#pragma once

#include "core/names.h"

namespace mapgrid::names {

using namespace core::names;

#define MAPGRID_NAMES(X)                                                                      \
  /* members, stored under their class-qualified names */                                   \
  X(map) X(parse) X(_MapGrid__corner1000000) X(_MapGrid__mapcode) X(_MapGrid__mapword)      \
  X(_MapGrid__mapword5000) X(_MapGrid__scalecode)                                           \
  /* host methods of replaced members and their values */                                   \
  X(find) X(upper) X(values)                                                                \
  /* result keys */                                                                         \
  X(old) X(boundary) X(north) X(south) X(west) X(east) X(scale) X(longitude) X(latitude)    \
  X(remarks) X(type) X(coordinates) X(count) X(step) X(LineString)
KESTRIN_DECLARE_NAMES(MAPGRID_NAMES)

// "new", which is no C++ name.
extern PyObject* new_code;

}  // namespace mapgrid::names
