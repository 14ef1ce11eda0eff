#include "geometry/vertex_key.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "pymath/float_text.h"

namespace geometry {

bool same_text(const KeyNumber& a, const KeyNumber& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == KeyNumber::Kind::Integer) return a.integer == b.integer;
  if (std::isnan(a.real)) return std::isnan(b.real);  // every NaN reads "nan"
  std::uint64_t bits_a, bits_b;
  std::memcpy(&bits_a, &a.real, sizeof bits_a);
  std::memcpy(&bits_b, &b.real, sizeof bits_b);
  return bits_a == bits_b;
}

void append_text(const KeyNumber& value, std::string& out) {
  char text[pymath::kFloatTextSize];
  std::size_t length;
  if (value.kind == KeyNumber::Kind::Integer) {
    length = static_cast<std::size_t>(std::to_chars(text, text + sizeof text, value.integer).ptr - text);
  } else {
    length = pymath::float_text(value.real, text);
  }
  out.append(text, length);
}

bool same_key(const NumberKey& a, const NumberKey& b) {
  if (a.count != b.count) return false;
  for (std::uint8_t i = 0; i < a.count; ++i) {
    if (!same_text(a.values[i], b.values[i])) return false;
  }
  return true;
}

std::string key_text(const NumberKey& key) {
  std::string text = "[";
  for (std::uint8_t i = 0; i < key.count; ++i) {
    if (i > 0) text += ", ";
    append_text(key.values[i], text);
  }
  text += ']';
  return text;
}

}  // namespace geometry
