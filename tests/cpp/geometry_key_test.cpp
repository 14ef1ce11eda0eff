#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/vertex_key.h"

namespace {

using geometry::NumberKey;
using geometry::KeyNumber;

NumberKey pair(KeyNumber a, KeyNumber b) { return NumberKey{2, {a, b}}; }
KeyNumber real(double v) { return KeyNumber::of_real(v); }
KeyNumber integer(std::int64_t v) { return KeyNumber::of_integer(v); }

TEST(GeometryKey, ValuesCompareByTheirText) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(same_text(real(1.5), real(1.5)));
  EXPECT_FALSE(same_text(real(0.0), real(-0.0)));  // "0.0" and "-0.0"
  EXPECT_TRUE(same_text(real(nan), real(-nan)));   // both "nan"
  EXPECT_TRUE(same_text(real(nan), real(std::nan("7"))));
  EXPECT_FALSE(same_text(real(nan), real(INFINITY)));
  EXPECT_FALSE(same_text(real(1.0), integer(1)));  // "1.0" and "1"
  EXPECT_TRUE(same_text(integer(-7), integer(-7)));
  EXPECT_FALSE(same_text(integer(INT64_MIN), integer(INT64_MAX)));
}

TEST(GeometryKey, KeysCompareByCountAndValues) {
  EXPECT_TRUE(same_key(pair(real(1.0), real(2.0)), pair(real(1.0), real(2.0))));
  EXPECT_FALSE(same_key(pair(real(1.0), real(2.0)), pair(real(1.0), integer(2))));
  EXPECT_FALSE(same_key(NumberKey{1, {real(1.0)}}, pair(real(1.0), real(2.0))));
  EXPECT_TRUE(same_key(NumberKey{}, NumberKey{}));
}

TEST(GeometryKey, TextIsTheHostListRepr) {
  EXPECT_EQ(key_text(NumberKey{}), "[]");
  EXPECT_EQ(key_text(NumberKey{1, {integer(-3)}}), "[-3]");
  EXPECT_EQ(key_text(pair(real(1e16), real(-0.0))), "[1e+16, -0.0]");
  EXPECT_EQ(key_text(pair(real(NAN), real(-INFINITY))), "[nan, -inf]");
  EXPECT_EQ(key_text(pair(integer(INT64_MIN), real(0.1))), "[-9223372036854775808, 0.1]");
}

}  // namespace
