// Raw attribute values of MapGIS attribute records, read by type code. No host
// types: the binding turns them into host values.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "mapgis/byte_source.h"

namespace mapgis::feature {

// Little-endian value of exactly sizeof(T) bytes, or a short-record failure.
template <typename T>
T read_value(ByteSource& source) {
  T value;
  source.read_exact(&value, sizeof value);
  return value;
}

struct Date {
  std::uint16_t year;
  std::uint8_t month, day;
};
struct Time {
  std::uint8_t hour, minute;
  double seconds;
};

Date read_date(ByteSource& source);  // "<1H2B", 4 bytes
Time read_time(ByteSource& source);  // "<2B1d", 10 bytes

// "{:0>4d}-{:0>2d}-{:0>2d}" of a date.
std::string date_text(const Date& date);
// "{:0>2d}:{:0>2d}:" of a time; the seconds follow in the host's fixed-point text.
std::string clock_text(const Time& time);
// Zero-fills a seconds text on the left to six characters ("000nan", "00-inf").
std::string padded_seconds(std::string seconds);

// The bytes a text field of `size` takes: a negative size takes none.
inline std::size_t text_width(std::int64_t size) { return size > 0 ? static_cast<std::size_t>(size) : 0; }

// The stored value of one attribute field, by the type code it matched (0 to 8,
// or -1 for text): the bytes of text, byte and boolean fields (fewer at the end
// of the file), the integer of codes 2 and 3, the float of codes 4 and 5 (a
// single-precision one widened exactly), the date or the time. `size` is
// consulted for text only.
using RawValue = std::variant<std::string, std::int64_t, double, Date, Time>;
RawValue read_raw_value(ByteSource& source, int type_code, std::int64_t size);

}  // namespace mapgis::feature
