// Names of the coordinate projection class: its members and the record fields it reads.
#pragma once

#include "core/names.h"

namespace projection::names {

using namespace core::names;

#define PROJECTION_NAMES(X)                                      \
  /* the reference-system table and the fields of its records */ \
  X(datum) X(a) X(f)                                             \
  /* zones and central meridians */                              \
  X(zone) X(centralMeridian)
KESTRIN_DECLARE_NAMES(PROJECTION_NAMES)

}  // namespace projection::names
