#include "mapgis/colour.h"

#include <gtest/gtest.h>

#include <string>

using namespace mapgis::colour;

namespace {

struct Worked {
  Shares shares;
  Cmyk cmyk;
  Rgb rgb;
  const char* hex;
};

Rgb rgb_of_cmyk(const Cmyk& v) { return rgb_of(v.c / 100.0, v.m / 100.0, v.y / 100.0, v.k / 100.0); }

}  // namespace

TEST(Colour, WorkedTable) {
  const Worked table[] = {
      {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0}, {255, 255, 255}, "#FFFFFF"},
      {{255, 0, 0, 0, 0, 0}, {0, 0, 0, 100}, {0, 0, 0}, "#000000"},
      {{0, 255, 0, 0, 0, 0}, {100, 0, 0, 0}, {0, 255, 255}, "#00FFFF"},
      {{0, 0, 0, 0, 255, 0}, {0, 100, 100, 0}, {255, 0, 0}, "#FF0000"},
      {{0, 0, 0, 0, 0, 255}, {0, 25, 100, 0}, {255, 191, 0}, "#FFBF00"},
      {{0, 10, 20, 30, 40, 50}, {4, 29, 48, 0}, {245, 181, 133}, "#F5B585"},
      {{0, 0, 200, 200, 255, 255}, {0, 100, 100, 0}, {255, 0, 0}, "#FF0000"},
      // Halves go to the even integer.
      {{0, 0, 0, 0, 0, 5}, {0, 0, 2, 0}, {255, 255, 250}, "#FFFFFA"},
      {{0, 0, 0, 0, 0, 25}, {0, 2, 10, 0}, {255, 250, 230}, "#FFFAE6"},
      {{76, 0, 0, 0, 0, 0}, {0, 0, 0, 30}, {178, 178, 178}, "#B2B2B2"},
      // (255 * 0.75) * 0.4 is exactly 76.5; the other grouping is not.
      {{153, 64, 0, 0, 0, 0}, {25, 0, 0, 60}, {76, 102, 102}, "#4C6666"},
  };
  for (const Worked& w : table) {
    const Cmyk cmyk = cmyk_of(w.shares);
    EXPECT_EQ(cmyk.c, w.cmyk.c);
    EXPECT_EQ(cmyk.m, w.cmyk.m);
    EXPECT_EQ(cmyk.y, w.cmyk.y);
    EXPECT_EQ(cmyk.k, w.cmyk.k);
    const Rgb rgb = rgb_of_cmyk(cmyk);
    EXPECT_EQ(rgb.r, w.rgb.r);
    EXPECT_EQ(rgb.g, w.rgb.g);
    EXPECT_EQ(rgb.b, w.rgb.b);
    char hex[8];
    hex_text(rgb, hex);
    EXPECT_EQ(std::string(hex), w.hex);
  }
}

TEST(Colour, SharesComeInFileOrder) {
  const unsigned char record[32] = {1, 2, 3, 4, 5, 6, 7};
  const Shares s = shares_of(record);
  EXPECT_EQ(s.k, 1);
  EXPECT_EQ(s.c, 2);
  EXPECT_EQ(s.m25y100, 6);
}

TEST(Colour, ChannelsAreClamped) {
  EXPECT_EQ(clamp_channel(300.0), 255);
  EXPECT_EQ(clamp_channel(-4.0), 0);
  EXPECT_EQ(rgb_of(-1.0, 2.0, 0.0, 0.0).r, 255);
  EXPECT_EQ(rgb_of(-1.0, 2.0, 0.0, 0.0).g, 0);
}
