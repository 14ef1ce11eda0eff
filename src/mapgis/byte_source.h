// Where the readers get their bytes from: a file in the module, a buffer in
// the C++ tests and fuzzers. No host types here.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace mapgis {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Moves to an absolute position; past the end is allowed, a negative one fails.
  virtual void seek(std::int64_t position) = 0;
  // Reads up to `size` bytes; fewer only at the end.
  virtual std::size_t read(void* out, std::size_t size) = 0;
  // Called when a record could not be read whole; does not return.
  [[noreturn]] virtual void short_record(std::size_t size) = 0;

  // Reads exactly `size` bytes or fails.
  void read_exact(void* out, std::size_t size) {
    if (read(out, size) != size) short_record(size);
  }
};

// Up to `size` bytes from the current position, fewer at the end; read in
// pieces, so that memory stays bounded by what the source holds.
inline std::string read_up_to(ByteSource& source, std::size_t size) {
  std::string bytes;
  char chunk[1 << 14];
  while (bytes.size() < size) {
    const std::size_t want = std::min(sizeof chunk, size - bytes.size());
    const std::size_t got = source.read(chunk, want);
    bytes.append(chunk, got);
    if (got < want) break;
  }
  return bytes;
}

// File positions are worked out from stored and script-set 64-bit values
// exactly, in this wider type, in which no sum or product of two of them can
// wrap; a seek takes a position only where 64 bits hold it, as the host's seek
// refuses an int that does not fit its offset type.
using WideOffset = __int128;

// A position that no seek can take.
struct OffsetOverflow {};

inline std::int64_t seek_offset(WideOffset position) {
  if (position > INT64_MAX || position < INT64_MIN) throw OffsetOverflow{};
  return static_cast<std::int64_t>(position);
}

// Errors of the in-memory source, for callers without a host.
struct ShortRecord {
  std::size_t size;
};
struct NegativeSeek {
  std::int64_t position;
};

// A source over a byte buffer that outlives it.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  explicit MemorySource(std::string&&) = delete;  // would leave the view dangling
  void seek(std::int64_t position) override {
    if (position < 0) throw NegativeSeek{position};
    position_ = static_cast<std::uint64_t>(position);
  }
  std::size_t read(void* out, std::size_t size) override {
    if (position_ >= bytes_.size()) return 0;
    const std::size_t count = std::min<std::uint64_t>(size, bytes_.size() - position_);
    std::memcpy(out, bytes_.data() + position_, count);
    position_ += count;
    return count;
  }
  [[noreturn]] void short_record(std::size_t size) override { throw ShortRecord{size}; }

 private:
  std::string_view bytes_;
  std::uint64_t position_ = 0;
};

}  // namespace mapgis
