#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/coordinate_text.h"
#include "geometry/json_number.h"
#include "geometry/text_scan.h"

namespace {

using namespace geometry::text;

Text<char32_t> text_of(const std::u32string& s) { return Text<char32_t>(s.data(), s.size()); }

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

TEST(GeometryNumber, FastPathAgreesWithCorrectRounding) {
  // Short decimals take the fast path; from_chars rounds every decimal correctly.
  std::mt19937_64 rng(7);
  int fast = 0;
  for (int round = 0; round < 200000; ++round) {
    std::string token = std::to_string(rng() % 1000000000000ULL);
    const std::size_t point = rng() % token.size();
    token.insert(token.size() - point, ".");
    if (token[0] == '.') token.insert(0, "0");
    if (rng() % 4 == 0) token += "e" + std::to_string(static_cast<int>(rng() % 30) - 15);
    if (rng() % 2 == 0) token.insert(0, "-");
    const Number number = read_json_number(token);
    if (number.kind != Number::Kind::Real) continue;  // "1.5"-like integers without a point never occur here
    double expected = 0.0;
    std::from_chars(token.data(), token.data() + token.size(), expected);
    ASSERT_EQ(bits(number.real), bits(expected)) << token;
    double unused;
    fast += fast_real(number_shape(token.data(), token.size()), unused);
  }
  EXPECT_GT(fast, 150000);
}

TEST(GeometryNumber, TokensJsonReadsAndTheRest) {
  struct Case {
    const char* token;
    Number::Kind kind;
    double value;
  };
  const Case cases[] = {
      {"0", Number::Kind::Integer, 0},         {"-0", Number::Kind::Integer, 0},
      {"-999999999999999", Number::Kind::Integer, -999999999999999.0},
      {"1234567890123456789", Number::Kind::Other, 0},  // left to the host's int
      {"-0.0", Number::Kind::Real, -0.0},      {"1e3", Number::Kind::Real, 1000.0},
      {"2.5E-1", Number::Kind::Real, 0.25},    {"0.000123", Number::Kind::Real, 0.000123},
      {"1e400", Number::Kind::Other, 0},       {"01", Number::Kind::Other, 0},
      {"1.", Number::Kind::Other, 0},          {".5", Number::Kind::Other, 0},
      {"+1", Number::Kind::Other, 0},          {"1e", Number::Kind::Other, 0},
      {"-", Number::Kind::Other, 0},           {"", Number::Kind::Other, 0},
      {"Infinity", Number::Kind::Real, INFINITY}, {"-Infinity", Number::Kind::Real, -INFINITY},
      {"nan", Number::Kind::Other, 0},         {"true", Number::Kind::Other, 0},
  };
  for (const Case& c : cases) {
    const Number number = read_json_number(c.token);
    EXPECT_EQ(number.kind, c.kind) << c.token;
    if (number.kind == Number::Kind::Real) {
      EXPECT_EQ(bits(number.real), bits(c.value)) << c.token;
    }
    if (number.kind == Number::Kind::Integer) {
      EXPECT_EQ(number.integer, static_cast<std::int64_t>(c.value)) << c.token;
    }
  }
  EXPECT_EQ(read_json_number("123456789012345678").integer, 123456789012345678);
  EXPECT_TRUE(std::isnan(read_json_number("NaN").real));
  const std::u32string wide = U"1\u0661";  // an Arabic-Indic digit is no JSON digit
  EXPECT_EQ(read_json_number(text_of(wide), Span{0, wide.size()}).kind, Number::Kind::Other);
}

TEST(GeometryScan, WktParts) {
  const std::u32string text = U"  x) POINT Z (1 2) tail ) end";
  const auto parts = split_wkt(text_of(text));
  ASSERT_TRUE(parts);
  EXPECT_EQ(text.substr(parts->name.begin, parts->name.size()), U"POINT Z ");
  EXPECT_EQ(text.substr(parts->body.begin, parts->body.size()), U"(1 2) tail )");
  EXPECT_EQ(text.substr(parts->name.begin, first_word(text_of(text), parts->name).size()), U"POINT");
  EXPECT_FALSE(split_wkt(text_of(U"x ()")));
  EXPECT_FALSE(split_wkt(text_of(U")(")));
}

TEST(GeometryScan, ReadersReportNestedLists) {
  const std::u32string text = U"((1 2, 3 4),(5 6)) ((7 8))";
  const auto t = text_of(text);
  std::vector<char32_t> out;
  JsonTextWriter<char32_t, std::vector<char32_t>> writer(t, out);
  read_polygons(t, multipolygon_polygons(t, Span{0, text.size()}), writer);
  EXPECT_EQ(std::u32string(out.begin(), out.end()), U"[[[[1,2],[3,4]],[[5,6]]],[[[7,8]]]]");
}

}  // namespace
