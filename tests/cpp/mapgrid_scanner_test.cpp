#include "mapgrid/code_scanner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mapgrid/sheet.h"

using namespace mapgrid;
using namespace mapgrid::scan;

namespace {

// A text as the host stores it, in units of one width.
template <typename Unit>
std::vector<Unit> units(const std::u32string& text) {
  return std::vector<Unit>(text.begin(), text.end());
}

std::u32string piece(const std::u32string& text, Span span) { return text.substr(span.begin, span.size()); }

template <typename Unit>
void expect_prefix(const std::u32string& text, const std::u32string& row, const std::u32string& column,
                   const std::u32string& rest) {
  const std::vector<Unit> stored = units<Unit>(text);
  const auto prefix = find_code_prefix(stored.data(), stored.size());
  ASSERT_TRUE(prefix.has_value());
  EXPECT_TRUE(piece(text, prefix->row) == row);
  EXPECT_TRUE(piece(text, prefix->column) == column);
  EXPECT_TRUE(piece(text, strip(stored.data(), prefix->rest)) == rest);
}

Reading read(const std::u32string& code) {
  const std::vector<std::uint32_t> stored = units<std::uint32_t>(code);
  const auto prefix = find_code_prefix(stored.data(), stored.size());
  OwnQuarterAlphabets alphabets;
  return read_subcode(stored.data(), strip(stored.data(), prefix->rest), alphabets);
}

}  // namespace

TEST(MapGridScanner, PrefixInEveryWidth) {
  expect_prefix<std::uint8_t>(U"J47\nK-48", U"K", U"48", U"");
  expect_prefix<std::uint16_t>(U"\u3000j - 47 - 107 \u3000", U"j", U"47", U"- 107");
  expect_prefix<std::uint32_t>(U"\U0001F600\n S*K47B002002", U"*K", U"47", U"B002002");
}

TEST(MapGridScanner, HemisphereGivesWayToTheRowLetter) {
  const std::u32string text = U"S47";
  const auto prefix = search_prefix(units<std::uint32_t>(text).data(), text.size(), PrefixForm::Corner);
  ASSERT_TRUE(prefix.has_value());
  EXPECT_TRUE(prefix->hemisphere.empty());
  EXPECT_TRUE(piece(text, prefix->row) == U"S");
  const std::u32string none = U"J61\nJ00\nX47";
  EXPECT_FALSE(search_prefix(units<std::uint32_t>(none).data(), none.size(), PrefixForm::Corner).has_value());
}

TEST(MapGridScanner, SubCodesToSheets) {
  struct Case {
    std::u32string code;
    Reading::Kind kind;
    int scale;
    long long row, col;
  };
  const Case cases[] = {
      {U"J47B002002", Reading::Kind::NewCode, k500K, 2, 2},
      {U"J47K17281921", Reading::Kind::NewCode, k500, 1728, 1921},
      {U"J47 \u0131 432 481", Reading::Kind::NewCode, k2K, 432, 481},
      {U"J-47-d", Reading::Kind::OldCode, k500K, 2, 2},
      {U"J-47-[\uff11\uff12]", Reading::Kind::OldCode, k250K, 3, 4},
      {U"J-47-(30)", Reading::Kind::Sheet200K, k200K, 5, 6},
      {U"J-47-107", Reading::Kind::OldCode, k100K, 9, 11},
      {U"J-47-107-C-3", Reading::Kind::OldCode, k25K, 36, 41},
      {U"J-47-107 - (57) - C", Reading::Kind::OldCode, k5K, 144, 161},
      {U"J-47-107-(57)-c-7-3-3 and more", Reading::Kind::OldCode, k500, 1728, 1921},
      {U"W-60-84-(8)-b-3-2-2", Reading::Kind::OldCode, k500, 1153, 2304},
  };
  for (const Case& c : cases) {
    const Reading reading = read(c.code);
    EXPECT_EQ(reading.kind, c.kind);
    EXPECT_EQ(reading.scale, c.scale);
    EXPECT_EQ(reading.row, c.row);
    EXPECT_EQ(reading.col, c.col);
  }
}

TEST(MapGridScanner, FailuresInTheirOrder) {
  using F = Failure::Kind;
  struct Case {
    std::u32string code;
    F kind;
    long long limit;
  };
  const Case cases[] = {
      {U"J47B000001", F::NotPositive, 0},   {U"J47J23050001", F::Range, 2304}, {U"J47J00012305", F::Range, 2304},
      {U"J47\u212a00010001", F::ScaleLetter, 0}, {U"J47J11530001", F::Range, 1152}, {U"J47B001003", F::Range, 2},
      {U"J-47-[17]", F::Range, 16},        {U"J-47-(00)", F::Range, 36},      {U"J-47-145-C", F::Range, 144},
      {U"J-47-107-C-5", F::WholeCodeRange, 4}, {U"J-47-107-(65)", F::Range, 64}, {U"J-47-1234", F::Invalid, 0},
      {U"J-47-107-(57)c", F::Invalid, 0},  {U"J-47-107-( 57)", F::Invalid, 0}, {U"J47B0020020", F::Invalid, 0},
      {U"J-47-(30)-a", F::Invalid, 0},     {U"J-47-107-(57)-c-7-3-", F::Invalid, 0},
  };
  for (const Case& c : cases) {
    const Reading reading = read(c.code);
    EXPECT_EQ(reading.kind, Reading::Kind::Failed);
    EXPECT_EQ(reading.failure.kind, c.kind);
    EXPECT_EQ(reading.failure.limit, c.limit);
  }
  EXPECT_EQ(read(U"J47\u212a00010001").failure.letter, U'\u212a');
}

TEST(MapGridScanner, BlankLinesInLinearTime) {
  std::u32string text;
  for (int i = 0; i < 1000000; ++i) text += U" \n";
  const std::vector<std::uint8_t> stored = units<std::uint8_t>(text);
  EXPECT_FALSE(find_code_prefix(stored.data(), stored.size()).has_value());
}
