// The readers' byte source over an open host file: short records raise the
// host's struct error, bad seeks its OSError, and positions beyond 64 bits
// its ValueError.
#pragma once

#include "host/file.h"
#include "host/ops.h"
#include "mapgis/byte_source.h"

namespace mapgis {

class FileSource final : public ByteSource {
 public:
  explicit FileSource(host::InputFile& file) : file_(file) {}
  void seek(std::int64_t position) override { file_.seek(position); }
  std::size_t read(void* out, std::size_t size) override { return file_.read(out, size); }
  [[noreturn]] void short_record(std::size_t size) override { host::raise_short_record(size); }

 private:
  host::InputFile& file_;
};

// What the host's seek raises for a position that its offset type cannot hold.
[[noreturn]] inline void raise_offset_overflow() {
  host::raise(PyExc_ValueError, "cannot fit 'int' into an offset-sized integer");
}

// A position the object holds (a directory entry's start), as an int by its
// __index__; one beyond 64 bits is refused as a seek to it is.
inline std::int64_t offset_value(PyObject* value) {
  host::Ref index = PyLong_CheckExact(value) ? host::Ref::borrow(value) : host::checked(PyNumber_Index(value));
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(index.get(), &overflow);
  if (overflow != 0) raise_offset_overflow();
  if (number == -1 && PyErr_Occurred()) host::raise_pending();
  return number;
}

}  // namespace mapgis
