#include "core/bytes.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextLength, StopsAtTheFirstZeroByte) {
  const std::string field("AB\0CD\0\0", 7);
  EXPECT_EQ(kestrin::text_length(field.data(), field.size()), 2u);
  EXPECT_EQ(kestrin::text_length("\0AB", 3), 0u);
  EXPECT_EQ(kestrin::text_length("ABC", 3), 3u);
  EXPECT_EQ(kestrin::text_length(nullptr, 0), 0u);
}

TEST(LittleEndianValue, FirstByteIsLeastSignificant) {
  const unsigned char bytes[] = {0x01, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(kestrin::little_endian_value(bytes, 0), 0u);
  EXPECT_EQ(kestrin::little_endian_value(bytes + 2, 1), 255u);
  EXPECT_EQ(kestrin::little_endian_value(bytes, 2), 513u);
  EXPECT_EQ(kestrin::little_endian_value(bytes, 8), 0xFFFFFFFFFFFF0201u);
}
