// The storage of a host str for hand-written scanners: one code point per
// unit, 1, 2 or 4 bytes wide (PyUnicode kinds), so a scanner sees exactly the
// code points the host's re sees, lone surrogates included.
#pragma once

#include <cstddef>

#include "host/ref.h"

namespace host {

// scan(units, size) over the code points of `text` (exactly a str, which the
// caller keeps alive while the scan runs), with units of type Py_UCS1, Py_UCS2
// or Py_UCS4: a scanner is one template instantiated for the three.
template <typename Scan>
decltype(auto) with_units(PyObject* text, Scan&& scan) {
  const void* data = PyUnicode_DATA(text);
  const auto size = static_cast<std::size_t>(PyUnicode_GET_LENGTH(text));
  switch (PyUnicode_KIND(text)) {
    case PyUnicode_1BYTE_KIND:
      return scan(static_cast<const Py_UCS1*>(data), size);
    case PyUnicode_2BYTE_KIND:
      return scan(static_cast<const Py_UCS2*>(data), size);
    default:
      return scan(static_cast<const Py_UCS4*>(data), size);
  }
}

}  // namespace host
