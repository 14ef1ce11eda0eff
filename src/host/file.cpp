#include "host/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "host/ops.h"

namespace host {

std::string file_system_path(PyObject* path) {
  PyObject* encoded = PyUnicode_EncodeFSDefault(path);
  if (encoded == nullptr) {
    PyErr_Clear();
    return {};
  }
  Ref owned = Ref::steal(encoded);
  const std::string bytes(PyBytes_AS_STRING(encoded), static_cast<std::size_t>(PyBytes_GET_SIZE(encoded)));
  if (bytes.find('\0') != std::string::npos) return {};
  return bytes;
}

bool is_regular_file(PyObject* path) { return file_status(path).regular_file; }

FileStatus file_status(PyObject* path) {
  const std::string name = file_system_path(path);
  struct stat info;
  if (name.empty() || ::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  // st_mtime as the host computes it: seconds plus nanoseconds times 1e-9, in doubles.
  const double modified = static_cast<double>(info.st_mtim.tv_sec) +
                          static_cast<double>(static_cast<unsigned long>(info.st_mtim.tv_nsec)) * 1e-9;
  return {true, modified};
}

Ref local_time_text(double seconds) {
  // time.localtime() takes the floor of a float and refuses what time_t cannot hold.
  if (std::isnan(seconds)) raise(PyExc_ValueError, "Invalid value NaN (not a number)");
  const double whole = std::floor(seconds);
  if (!(whole >= static_cast<double>(std::numeric_limits<time_t>::min()) &&
        whole < -static_cast<double>(std::numeric_limits<time_t>::min()))) {
    raise(PyExc_OverflowError, "timestamp out of range for platform time_t");
  }
  const time_t when = static_cast<time_t>(whole);
  struct tm local;
  errno = 0;
  if (::localtime_r(&when, &local) == nullptr) {
    if (errno == 0) errno = EINVAL;
    PyErr_SetFromErrno(PyExc_OSError);
    throw HostError{};
  }
  char text[128];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  return checked(PyUnicode_DecodeLocaleAndSize(text, static_cast<Py_ssize_t>(length), "surrogateescape"));
}

bool path_exists(const std::string& path) {
  struct stat info;
  return !path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &info) == 0;
}

InputFile::InputFile(PyObject* path, std::size_t block_size) : path_(Ref::borrow(path)), block_size_(block_size) {
  PyObject* converted = nullptr;  // str, bytes or a path object, as open() takes them
  if (!PyUnicode_FSConverter(path, &converted)) raise_pending();
  Ref encoded = Ref::steal(converted);
  if (std::strlen(PyBytes_AS_STRING(encoded.get())) != static_cast<std::size_t>(PyBytes_GET_SIZE(encoded.get()))) {
    raise(PyExc_ValueError, "embedded null byte");
  }
  do {
    fd_ = ::open(PyBytes_AS_STRING(encoded.get()), O_RDONLY | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) raise_os_error(true);
  struct stat info;
  if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd_);  // no destructor runs for an object whose constructor throws
    fd_ = -1;
    errno = EISDIR;  // open() refuses a folder for reading too
    raise_os_error(true);
  }
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

void InputFile::raise_os_error(bool with_name) {
  if (with_name) {
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path_.get());
  } else {
    PyErr_SetFromErrno(PyExc_OSError);
  }
  throw HostError{};
}

const InputFile::Block& InputFile::block(std::int64_t index) {
  Block* victim = &blocks_[0];
  for (Block& b : blocks_) {
    if (b.index == index) {
      b.used = ++clock_;
      return b;
    }
    if (b.used < victim->used) victim = &b;
  }
  if (!victim->bytes) victim->bytes = std::make_unique_for_overwrite<unsigned char[]>(block_size_);
  victim->index = -1;
  std::size_t filled = 0;
  const off_t start = static_cast<off_t>(index) * static_cast<off_t>(block_size_);
  while (filled < block_size_) {
    const ssize_t got = ::pread(fd_, victim->bytes.get() + filled, block_size_ - filled, start + static_cast<off_t>(filled));
    if (got < 0) {
      if (errno == EINTR) continue;
      raise_os_error(false);
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  victim->index = index;
  victim->size = filled;
  victim->used = ++clock_;
  return *victim;
}

std::size_t InputFile::read(void* buffer, std::size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const std::int64_t index = position_ / static_cast<std::int64_t>(block_size_);
    const std::size_t offset = static_cast<std::size_t>(position_ % static_cast<std::int64_t>(block_size_));
    const Block& b = block(index);
    if (offset >= b.size) break;  // the end of the file
    const std::size_t count = std::min(size - done, b.size - offset);
    std::memcpy(out + done, b.bytes.get() + offset, count);
    done += count;
    position_ += static_cast<std::int64_t>(count);
    if (b.size < block_size_ && offset + count >= b.size) break;
  }
  return done;
}

void InputFile::seek(std::int64_t offset) {
  if (offset < 0) {
    errno = EINVAL;
    raise_os_error(false);
  }
  position_ = offset;
}

std::string InputFile::read_rest() {
  std::string rest;
  char chunk[1 << 16];
  for (;;) {
    const std::size_t got = read(chunk, sizeof chunk);
    rest.append(chunk, got);
    if (got < sizeof chunk) return rest;
  }
}

OutputFile::OutputFile(PyObject* path) {
  const Ref held = Ref::borrow(path);  // named in the error after __fspath__ may have run
  PyObject* converted = nullptr;
  if (!PyUnicode_FSConverter(path, &converted)) raise_pending();
  Ref encoded = Ref::steal(converted);
  do {
    fd_ = ::open(PyBytes_AS_STRING(encoded.get()), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) {
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, held.get());
    throw HostError{};
  }
}

OutputFile::~OutputFile() {
  if (fd_ < 0) return;
  // Left without close() (an error is on its way): keep what was written.
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t wrote = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += static_cast<std::size_t>(wrote);
  }
  ::close(fd_);
}

void OutputFile::flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t wrote = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      buffer_.clear();
      PyErr_SetFromErrno(PyExc_OSError);
      throw HostError{};
    }
    done += static_cast<std::size_t>(wrote);
  }
  buffer_.clear();
}

void OutputFile::close() {
  if (fd_ < 0) return;
  try {
    flush();
  } catch (const HostError&) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  const int status = ::close(fd_);
  fd_ = -1;
  if (status != 0) {
    PyErr_SetFromErrno(PyExc_OSError);
    throw HostError{};
  }
}

void raise_short_record(std::size_t size) {
  Ref module = import_module("struct");
  Ref error = checked(PyObject_GetAttrString(module.get(), "error"));
  raise_format(error.get(), "unpack requires a buffer of %zd bytes", static_cast<Py_ssize_t>(size));
}

}  // namespace host
