#include "host/file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

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

bool is_regular_file(PyObject* path) {
  const std::string name = file_system_path(path);
  struct stat info;
  return !name.empty() && ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool path_exists(const std::string& path) {
  struct stat info;
  return !path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &info) == 0;
}

InputFile::InputFile(PyObject* path) : path_(Ref::borrow(path)) {
  Ref encoded = checked(PyUnicode_EncodeFSDefault(path));
  if (std::strlen(PyBytes_AS_STRING(encoded.get())) != static_cast<std::size_t>(PyBytes_GET_SIZE(encoded.get()))) {
    raise(PyExc_ValueError, "embedded null byte");
  }
  do {
    errno = 0;
    file_ = std::fopen(PyBytes_AS_STRING(encoded.get()), "rb");
  } while (file_ == nullptr && errno == EINTR);
  if (file_ == nullptr) raise_os_error(true);
}

InputFile::~InputFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void InputFile::raise_os_error(bool with_name) {
  if (with_name) {
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path_.get());
  } else {
    PyErr_SetFromErrno(PyExc_OSError);
  }
  throw HostError{};
}

std::size_t InputFile::read(void* buffer, std::size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const std::size_t got = std::fread(out + done, 1, size - done, file_);
    done += got;
    if (got == 0) {
      if (std::ferror(file_)) {
        if (errno == EINTR) {
          std::clearerr(file_);
          continue;
        }
        raise_os_error(false);
      }
      break;  // end of file
    }
  }
  return done;
}

void InputFile::seek(std::int64_t offset) {
  static_assert(sizeof(off_t) == 8, "file offsets must be 64-bit");
  if (::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) raise_os_error(false);
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

void raise_short_record(std::size_t size) {
  Ref module = import_module("struct");
  Ref error = checked(PyObject_GetAttrString(module.get(), "error"));
  raise_format(error.get(), "unpack requires a buffer of %zd bytes", static_cast<Py_ssize_t>(size));
}

}  // namespace host
