// What the bindings of web Mercator, geodesics, Albers and Lambert share: the
// reference-system record read through the class, its numeric fields, the
// host's exception for each failure of a projection core, and the result pair.
// For *_binding.cpp files only (it needs the host's headers).
#pragma once

#include "host/kept.h"
#include "host/ops.h"
#include "projection/transform.h"

namespace projection::binding {

// cls.datum: the table read through the class on every call, so a subclass's
// table is honoured.
host::Ref reference_table(PyObject* cls);

// cls.datum[key], read the same way (so a changed record is honoured too);
// KeyError for a missing key.
host::Ref reference_system(PyObject* cls, PyObject* key);

// cls.datum[key] where reading it runs no script code, for the conic
// projections, which ask the table for the key and later read the record: the
// class's own table read without code (host::plain_class_attribute), an exact
// dict whose keys are all exactly int or str, and `key` an exact int. The test
// and the read are then one look-up, which no script can tell from the two.
// `plain` false: go through the host; record null: not in the table.
// Borrowed from the table.
struct PlainRecord {
  bool plain = false;
  PyObject* record = nullptr;
};
PlainRecord plain_record(PyObject* cls, PyObject* key);

// A numeric field of a record (`a`, `f`) as a double: a float, or an int as the
// host's arithmetic would convert it; TypeError "Expected float, got <type>" otherwise.
double record_real(PyObject* record, PyObject* field);

// The values a range failure can name, as the host's text form of the double.
struct FaultValues {
  double central_meridian = 0.0, origin_latitude = 0.0, parallel1 = 0.0, parallel2 = 0.0;
  double longitude = 0.0, latitude = 0.0;
};

// Raises the Exception of a range failure (with its message) or the host's
// arithmetic error; `fault` is not Fault::None.
[[noreturn]] void raise_fault(Fault fault, pymath::Error math, const FaultValues& values);

// Exception "Invalid parameter.": neither coordinate pair is complete.
[[noreturn]] void raise_no_pair();

// The result tuple (first, second) of a successful transform, or its failure.
host::Ref pair_of(const Transformed& result, const FaultValues& values);

}  // namespace projection::binding
