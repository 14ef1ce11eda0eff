#include "pymath/float_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

std::string text_of(double value) {
  char out[pymath::kFloatTextSize];
  return std::string(out, pymath::float_text(value, out));
}

}  // namespace

TEST(FloatText, MatchesTheHostRepr) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {1.0, "1.0"},
      {0.1, "0.1"},
      {1.5, "1.5"},
      {123456789.0, "123456789.0"},
      {1e15, "1000000000000000.0"},
      {1e16, "1e+16"},
      {1.5e16, "1.5e+16"},
      {9999999999999998.0, "9999999999999998.0"},
      {0.0001, "0.0001"},
      {0.00001, "1e-05"},
      {1.2345e-5, "1.2345e-05"},
      {1e100, "1e+100"},
      {5e-324, "5e-324"},
      {1.7976931348623157e308, "1.7976931348623157e+308"},
      {-2.5e-7, "-2.5e-07"},
      {117.12345678901234, "117.12345678901234"},
      {0.3, "0.3"},
      {2.0 / 3.0, "0.6666666666666666"},
      {500000.25, "500000.25"},
      {-3000000.5, "-3000000.5"},
      {0.005, "0.005"},
      {0.0001, "0.0001"},
      {0.00015, "0.00015"},
      {123.4560, "123.456"},
      {999999999999999.0, "999999999999999.0"},
      {1e15 + 0.5, "1000000000000000.5"},
      {0.1 + 0.2, "0.30000000000000004"},
      {39500130.0, "39500130.0"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::nan(""), "nan"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(text_of(value), expected) << expected;
}
