// The readers' byte source over an open host file: short records raise the
// host's struct error, bad seeks its OSError.
#pragma once

#include "host/file.h"
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

}  // namespace mapgis
