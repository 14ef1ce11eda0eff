// Raw attribute values of MapGIS attribute records, read by type code. No host
// types: the binding turns them into host values.
#pragma once

#include <cstdint>
#include <string>

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

}  // namespace mapgis::feature
