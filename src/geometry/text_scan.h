// Linear scanners of geometry text: the recognition of GeoJSON and WKT text,
// the separators of free text, the parts of a WKT text and the shapes of its
// body. No host types.
//
// Each scanner gives exactly what the host's re gives for the pattern named
// in its comment (same matches, same groups), but in one forward pass: the
// patterns themselves backtrack quadratically (an opening bracket without its
// closing one) or exponentially (the ring list) on hostile texts.
//
// Texts are read in the host str's own storage (1, 2 or 4 bytes per code
// point), so the scanners see the code points re sees; positions are code
// point offsets. White space is `\s` of a str pattern, exactly str.isspace().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "pymath/unicode.h"

namespace geometry::text {

// The code points [begin, end) of a text.
struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t size() const { return end - begin; }
  bool empty() const { return begin == end; }
  bool operator==(const Span&) const = default;
};

template <typename Unit>
using Text = std::span<const Unit>;

// `\s`, with the first 256 code points looked up in a table made from it.
inline constexpr auto kLatin1Spaces = [] {
  std::array<bool, 256> table{};
  for (char32_t c = 0; c < 256; ++c) table[c] = pymath::unicode::is_space(c);
  return table;
}();

constexpr bool is_space(char32_t c) { return c < 256 ? kLatin1Spaces[c] : pymath::unicode::is_space(c); }
constexpr bool is_paren(char32_t c) { return c == '(' || c == ')'; }

// The first position in [from, to) holding the ASCII character `c`, or `to`.
template <typename Unit>
std::size_t find(Text<Unit> t, std::size_t from, std::size_t to, char c) {
  if constexpr (sizeof(Unit) == 1) {
    if (from >= to) return to;
    const void* found = std::memchr(t.data() + from, c, to - from);
    return found ? static_cast<std::size_t>(static_cast<const Unit*>(found) - t.data()) : to;
  } else {
    while (from < to && t[from] != static_cast<Unit>(c)) ++from;
    return from;
  }
}

// The first position in [from, to) that is not white space, or `to`.
template <typename Unit>
std::size_t skip_space(Text<Unit> t, std::size_t from, std::size_t to) {
  while (from < to && is_space(t[from])) ++from;
  return from;
}

// `$` of a pattern without MULTILINE: the end, or just before a final "\n".
template <typename Unit>
bool at_end(Text<Unit> t, std::size_t at, std::size_t end) {
  return at == end || (at + 1 == end && t[at] == '\n');
}

// re.search(r"\[[\s\S]+?\]", t) with `open` and `close` for the brackets (also
// r"\([\s\S]+?\)"): an opening bracket with a closing one at least two places
// after it. The first opening bracket leaves the most room, so it decides.
template <typename Unit>
bool has_bracket_pair(Text<Unit> t, char open, char close) {
  const std::size_t first = find(t, 0, t.size(), open);
  if (first + 2 > t.size()) return false;
  return find(t, first + 2, t.size(), close) < t.size();
}

// ---- free text ----

// The separators of free text: white space, "," and U+FF0C FULLWIDTH COMMA.
constexpr bool is_free_text_separator(char32_t c) { return c == ',' || c == 0xFF0C || is_space(c); }

// The tokens of free text:
//   re.split(r"[,\s]+", re.sub(r"[\s　]+", " ", re.sub(r"(\s*[,，]+\s*)+", ",", t.strip())))
// Together the three steps turn every run of separators of the stripped text
// into one, so the tokens are the pieces between such runs; a text that
// begins or ends with a comma has an empty first or last token, and an empty
// or blank text one empty token. Calls `f(span)` for each, in order.
template <typename Unit, typename F>
void for_each_free_text_token(Text<Unit> t, F&& f) {
  const std::size_t begin = skip_space(t, 0, t.size());
  std::size_t end = t.size();
  while (end > begin && is_space(t[end - 1])) --end;
  std::size_t start = begin;
  for (std::size_t i = begin; i < end;) {
    if (!is_free_text_separator(t[i])) {
      ++i;
      continue;
    }
    f(Span{start, i});
    while (i < end && is_free_text_separator(t[i])) ++i;
    start = i;
  }
  f(Span{start, end});
}

template <typename Unit>
std::vector<Span> free_text_tokens(Text<Unit> t) {
  std::vector<Span> tokens;
  for_each_free_text_token(t, [&](Span token) { tokens.push_back(token); });
  return tokens;
}

template <typename Unit>
std::size_t free_text_token_count(Text<Unit> t) {
  std::size_t count = 0;
  for_each_free_text_token(t, [&](Span) { ++count; });
  return count;
}

// ---- WKT text ----

// The groups of re.search(r"[\s]*([^\(\)]*)[\s]*(\([\s\S]+\))", t): the text
// before the body (from after the last ")" before the first "(" and the white
// space after it, up to the first "(") and the body (from the first "(" to the
// last ")", which must stand at least two places after it).
struct WktParts {
  Span name;
  Span body;
};

template <typename Unit>
std::optional<WktParts> split_wkt(Text<Unit> t) {
  const std::size_t open = find(t, 0, t.size(), '(');
  if (open == t.size()) return std::nullopt;
  std::size_t close = t.size();
  while (close > open + 2 && t[close - 1] != ')') --close;
  if (close <= open + 2) return std::nullopt;  // the last ")" is at close - 1
  std::size_t start = open;
  while (start > 0 && t[start - 1] != ')') --start;
  return WktParts{{skip_space(t, start, open), open}, {open, close}};
}

// re.sub(r"([\S]+)[\s\S]*", r"\1", name, flags=re.MULTILINE): the name up to
// the end of its first run of non-white-space (the whole name when it has none).
template <typename Unit>
Span first_word(Text<Unit> t, Span name) {
  const std::size_t word = skip_space(t, name.begin, name.end);
  if (word == name.end) return name;
  std::size_t end = word;
  while (end < name.end && !is_space(t[end])) ++end;
  return {name.begin, end};
}

// Group 1 of re.search(r"^\(([^\(,\)]*)\)$", body) (`commas` false), or of
// r"^\(([^\(\)]*)\)$" (`commas` true): a body with no inner parenthesis.
template <typename Unit>
std::optional<Span> flat_body(Text<Unit> t, Span body, bool commas) {
  if (body.empty() || t[body.begin] != '(') return std::nullopt;
  const std::size_t close = find(t, body.begin + 1, body.end, ')');
  if (close == body.end || !at_end(t, close + 1, body.end)) return std::nullopt;
  if (find(t, body.begin + 1, close, '(') != close) return std::nullopt;
  if (!commas && find(t, body.begin + 1, close, ',') != close) return std::nullopt;
  return Span{body.begin + 1, close};
}

// Group 1 of the ring-list pattern
//   r"^\(\s*((\([^\(\)]+\)\s*,?\s*)*)\s*\)$"
// read as the unambiguous r"^\(\s*((?:\([^\(\)]+\)\s*(?:,\s*)?)*)\s*\)$" (the
// same texts, the same group, in linear time): rings separated by white space
// and at most one comma each.
template <typename Unit>
std::optional<Span> ring_list_body(Text<Unit> t, Span body) {
  if (body.empty() || t[body.begin] != '(') return std::nullopt;
  const std::size_t first = skip_space(t, body.begin + 1, body.end);
  std::size_t i = first;
  while (i < body.end && t[i] == '(') {
    std::size_t close = i + 1;
    while (close < body.end && !is_paren(t[close])) ++close;
    if (close == i + 1 || close == body.end || t[close] != ')') return std::nullopt;
    i = skip_space(t, close + 1, body.end);
    if (i < body.end && t[i] == ',') i = skip_space(t, i + 1, body.end);
  }
  if (i == body.end || t[i] != ')' || !at_end(t, i + 1, body.end)) return std::nullopt;
  return Span{first, i};
}

// Whether `t` at `at` spells `word` (ASCII capitals) as IGNORECASE matches it.
template <typename Unit>
bool spells_ignoring_case(Text<Unit> t, std::size_t at, std::size_t end, std::string_view word) {
  if (end - at < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (pymath::unicode::folded_ascii_letter(t[at + k]) != word[k]) return false;
  }
  return true;
}

// Where a collection member starts at `i`: a simple type name in any letter
// case, white space and "(". The position of that "(", or `end`.
template <typename Unit>
std::size_t member_open(Text<Unit> t, std::size_t i, std::size_t end) {
  static constexpr std::string_view kNames[] = {"POINT",   "MULTIPOINT",   "LINESTRING", "MULTILINESTRING",
                                                "POLYGON", "MULTIPOLYGON"};
  const char initial = pymath::unicode::folded_ascii_letter(t[i]);
  if (initial != 'P' && initial != 'M' && initial != 'L') return end;  // the names' initials
  for (std::string_view name : kNames) {
    if (!spells_ignoring_case(t, i, end, name)) continue;
    const std::size_t open = skip_space(t, i + name.size(), end);
    return open < end && t[open] == '(' ? open : end;  // no other name spells the same letters
  }
  return end;
}

// The members of a collection body: each a simple type name in any letter
// case, white space, and a parenthesised body with at least one character,
// read up to its balanced ")", however deep. A member is never left out:
// where one starts but cannot be read, `unreadable` is set and the whole
// body is refused.
//
// A member cannot be read when its parentheses never balance inside the
// body, or when it nests deeper than three levels (as a MULTIPOLYGON does)
// and holds another member: loading members inside members then never meets
// a text nested deeper than that, so hostile nesting cannot multiply the work.
inline constexpr std::size_t kMemberDepth = 3;

struct Members {
  std::vector<Span> texts;
  bool unreadable = false;
};

template <typename Unit>
bool holds_member(Text<Unit> t, Span s) {
  for (std::size_t i = s.begin; i < s.end; ++i) {
    if (member_open(t, i, s.end) != s.end) return true;
  }
  return false;
}

template <typename Unit>
Members collection_members(Text<Unit> t, Span body) {
  Members members;
  std::size_t i = body.begin;
  while (i < body.end) {
    const std::size_t open = member_open(t, i, body.end);
    if (open == body.end) {
      ++i;
      continue;
    }
    std::size_t depth = 1;
    std::size_t deepest = 1;
    std::size_t close = open + 1;
    for (; close < body.end; ++close) {
      if (t[close] == '(' && ++depth > deepest) deepest = depth;
      if (t[close] == ')' && --depth == 0) break;
    }
    if (close == body.end || (deepest > kMemberDepth && holds_member(t, {open + 1, close}))) {
      members.unreadable = true;
      return members;
    }
    if (close == open + 1) {  // "()": no member starts here
      ++i;
      continue;
    }
    members.texts.push_back({i, close + 1});
    i = close + 1;
  }
  return members;
}

// Group 1 of each match of re.findall(r"(\(\s*(\([^\(\)]+\)\s*,?)+\s*\))", body):
// the polygons, each "(" and white space, rings each followed by white space
// and at most one comma, white space and ")". White space after a comma ends
// the polygon, so a polygon written with it is not found.
template <typename Unit>
std::vector<Span> multipolygon_polygons(Text<Unit> t, Span body) {
  std::vector<Span> polygons;
  std::size_t i = body.begin;
  while (i < body.end) {
    if (t[i] != '(') {
      ++i;
      continue;
    }
    std::size_t k = skip_space(t, i + 1, body.end);
    std::size_t rings = 0;
    while (k < body.end && t[k] == '(') {
      std::size_t close = k + 1;
      while (close < body.end && !is_paren(t[close])) ++close;
      if (close == k + 1 || close == body.end || t[close] != ')') {
        rings = 0;
        break;
      }
      ++rings;
      k = skip_space(t, close + 1, body.end);
      if (k < body.end && t[k] == ',') ++k;
    }
    k = skip_space(t, k, body.end);
    if (rings == 0 || k == body.end || t[k] != ')') {
      ++i;
      continue;
    }
    polygons.push_back({i, k + 1});
    i = k + 1;
  }
  return polygons;
}

// Whether coordinate text is left in the body outside the polygons found:
// anything but white space, commas and parentheses.
template <typename Unit>
bool text_left_outside(Text<Unit> t, Span body, const std::vector<Span>& polygons) {
  std::size_t next = 0;
  for (std::size_t i = body.begin; i < body.end; ++i) {
    if (next < polygons.size() && i == polygons[next].begin) {
      i = polygons[next++].end - 1;
      continue;
    }
    const char32_t c = t[i];
    if (!is_space(c) && c != ',' && !is_paren(c)) return true;
  }
  return false;
}

}  // namespace geometry::text
