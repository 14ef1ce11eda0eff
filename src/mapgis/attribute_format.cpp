#include "mapgis/attribute_format.h"

#include <cstdio>
#include <cstring>

namespace mapgis::feature {

Date read_date(ByteSource& source) {
  unsigned char bytes[4];
  source.read_exact(bytes, sizeof bytes);
  Date date;
  std::memcpy(&date.year, bytes, 2);
  date.month = bytes[2];
  date.day = bytes[3];
  return date;
}

Time read_time(ByteSource& source) {
  unsigned char bytes[10];
  source.read_exact(bytes, sizeof bytes);
  Time time;
  time.hour = bytes[0];
  time.minute = bytes[1];
  std::memcpy(&time.seconds, bytes + 2, 8);
  return time;
}

RawValue read_raw_value(ByteSource& source, int type_code, std::int64_t size) {
  switch (type_code) {
    case 1: case 8: return read_up_to(source, 1);
    case 2: return std::int64_t{read_value<std::int16_t>(source)};
    case 3: return std::int64_t{read_value<std::int32_t>(source)};
    case 4: return static_cast<double>(read_value<float>(source));
    case 5: return read_value<double>(source);
    case 6: return read_date(source);
    case 7: return read_time(source);
    default: return read_up_to(source, text_width(size));
  }
}

std::string date_text(const Date& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned{date.year}, unsigned{date.month}, unsigned{date.day});
  return text;
}

std::string clock_text(const Time& time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:", unsigned{time.hour}, unsigned{time.minute});
  return text;
}

std::string padded_seconds(std::string seconds) {
  if (seconds.size() < 6) seconds.insert(0, 6 - seconds.size(), '0');
  return seconds;
}

}  // namespace mapgis::feature
