// Files named by host strings: the host's path tests and a read-only file that
// reports failures as the host's own open() and read() would.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/ref.h"

namespace host {

// os.path.isfile(path) for a str: follows links; a path that cannot be encoded
// or examined, or holds a NUL, is not a file.
bool is_regular_file(PyObject* path);

// What one stat of a path tells: whether it is a regular file (as
// os.path.isfile), and its modification time as os.path.getmtime gives it.
struct FileStatus {
  bool regular_file = false;
  double modified = 0.0;
};
FileStatus file_status(PyObject* path);

// time.strftime("%Y-%m-%dT%H:%M:%S%z", time.localtime(seconds)): the same C
// library calls the host's time module makes (so a TZ set with time.tzset()
// shows), with its errors.
Ref local_time_text(double seconds);

// The path as the file system sees it (the host's file-system encoding), or an
// empty string, with no host error set, when it cannot name a file: not
// encodable, or holding a NUL.
std::string file_system_path(PyObject* path);

// pathlib's exists() for a file-system path, every failure of the test meaning
// "not there".
bool path_exists(const std::string& path);

// A file opened for binary reading; closed when the object goes.
//
// Reads go through a few cached blocks, so that seeking back and forth between
// the areas of a file (a record, then its attributes, then the next record)
// costs no system call while the data is at hand, as a seek inside the host's
// own read buffer costs none.
class InputFile {
 public:
  // Raises the host's OSError (with the file name) when it cannot be opened.
  // Files read whole use the default blocks; a file of which a few records
  // are read (opening a feature file) does better with small ones.
  explicit InputFile(PyObject* path, std::size_t block_size = kDefaultBlockSize);
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Reads up to `size` bytes; fewer only at the end of the file.
  std::size_t read(void* buffer, std::size_t size);
  // Moves to `offset` from the start; past the end is allowed, a negative
  // offset fails with the host's OSError, as seek() on a binary file does.
  void seek(std::int64_t offset);
  // Everything from the current position to the end.
  std::string read_rest();

 static constexpr std::size_t kDefaultBlockSize = 1 << 16;
  static constexpr std::size_t kSmallBlockSize = 1 << 12;

 private:
  static constexpr std::size_t kBlocks = 8;  // a polygon run reads from five areas in turn
  struct Block {
    std::int64_t index = -1;  // block number in the file, -1 when empty
    std::size_t size = 0;     // bytes held (fewer than a whole block at the end)
    std::uint64_t used = 0;   // for replacing the least recently used block
    std::unique_ptr<unsigned char[]> bytes;
  };

  const Block& block(std::int64_t index);
  // Open errors carry the file name; seek and read errors do not, as with open().
  [[noreturn]] void raise_os_error(bool with_name);

  int fd_ = -1;
  Ref path_;
  std::size_t block_size_;
  std::int64_t position_ = 0;
  std::uint64_t clock_ = 0;
  Block blocks_[kBlocks];
};

// A file created or emptied for writing, written through one buffer; errors are
// the host's OSError (the name only when opening fails, as with open()).
class OutputFile {
 public:
  explicit OutputFile(PyObject* path);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  void write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kFlushSize) flush();
  }
  // Writes out what is buffered and closes the file.
  void close();

 private:
  static constexpr std::size_t kFlushSize = 1 << 20;
  void flush();

  int fd_ = -1;
  std::string buffer_;
};

// The host's struct.error for a record read short: "unpack requires a buffer of N bytes".
[[noreturn]] void raise_short_record(std::size_t size);

}  // namespace host
