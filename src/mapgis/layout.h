// Little-endian fixed-size record layouts, written as the host's struct format
// strings (for example "<8s1i1h4d"), and typed reads of their fields.
//
// The format text is the one source of truth: the class constants hold it and
// the readers take every offset and size from it. Fields are read with memcpy,
// never through casted pointers, since packed records put doubles at odd offsets.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace mapgis {

static_assert(std::endian::native == std::endian::little,
              "record fields are read in the machine's byte order, which must be little-endian");

struct Field {
  char code;           // the struct code: c b B ? h H i I l L q Q f d s x
  std::size_t offset;  // from the start of the record
  std::size_t size;    // in bytes (the whole width for an "s" field)
};

// The width of one item of a struct code.
constexpr std::size_t layout_code_size(char code) {
  switch (code) {
    case 'x': case 'c': case 'b': case 'B': case '?': case 's': return 1;
    case 'h': case 'H': return 2;
    case 'i': case 'I': case 'l': case 'L': case 'f': return 4;
    case 'q': case 'Q': case 'd': return 8;
    default: throw std::invalid_argument("unknown layout code");
  }
}

// Walks a standard-size, little-endian format ("<" followed by counted codes):
// visit(code, offset, size) for each item (an "s" field is one item of its whole
// width); answers the record's size.
template <typename Visit>
constexpr std::size_t walk_layout(std::string_view format, Visit&& visit) {
  if (format.empty() || format.front() != '<') throw std::invalid_argument("layout must start with '<'");
  std::size_t offset = 0;
  for (std::size_t i = 1; i < format.size();) {
    std::size_t count = 0;
    bool counted = false;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      count = count * 10 + static_cast<std::size_t>(format[i++] - '0');
      counted = true;
    }
    if (i >= format.size()) throw std::invalid_argument("layout ends with a count");
    const char code = format[i++];
    if (!counted) count = 1;
    const std::size_t width = layout_code_size(code);
    if (code == 's') {
      visit(code, offset, count);
      offset += count;
    } else {
      for (std::size_t k = 0; k < count; ++k, offset += width) visit(code, offset, width);
    }
  }
  return offset;
}

// The size of a record of `format`, at compile time for a constant format.
constexpr std::size_t layout_size(std::string_view format) {
  return walk_layout(format, [](char, std::size_t, std::size_t) {});
}

class Layout {
 public:
  explicit Layout(std::string_view format) {
    size_ = walk_layout(format, [this](char code, std::size_t offset, std::size_t size) {
      if (code != 'x') fields_.push_back({code, offset, size});
    });
  }

  std::size_t size() const { return size_; }
  std::size_t field_count() const { return fields_.size(); }
  const Field& operator[](std::size_t index) const { return fields_.at(index); }

 private:
  std::vector<Field> fields_;
  std::size_t size_ = 0;
};

// A view of one record's bytes under its layout.
class Record {
 public:
  Record(const Layout& layout, const unsigned char* bytes) : layout_(layout), bytes_(bytes) {}

  template <typename T>
  T get(std::size_t index) const {
    const Field& field = layout_[index];
    if (field.size != sizeof(T)) throw std::logic_error("field read with the wrong width");
    T value;
    std::memcpy(&value, bytes_ + field.offset, sizeof(T));
    return value;
  }
  std::uint8_t byte(std::size_t index) const { return get<std::uint8_t>(index); }
  std::int16_t int16(std::size_t index) const { return get<std::int16_t>(index); }
  std::int32_t int32(std::size_t index) const { return get<std::int32_t>(index); }
  float float32(std::size_t index) const { return get<float>(index); }
  double float64(std::size_t index) const { return get<double>(index); }
  // The raw bytes of a field ("s" fields whole, "c" fields as one byte).
  std::string_view bytes(std::size_t index) const {
    const Field& field = layout_[index];
    return {reinterpret_cast<const char*>(bytes_ + field.offset), field.size};
  }

 private:
  const Layout& layout_;
  const unsigned char* bytes_;
};

}  // namespace mapgis
