// The coordinate readers of WKT and free text. No host types.
//
// A reader walks its text once and reports the nested lists it holds to a
// visitor: open() where the readers' JSON text has "[", token(span) for each
// value token as written, close() for "]". One visitor writes that JSON text
// (which the host's json.loads reads where a token is not a plain number, so
// that values and errors stay the host's); the binding's visitor makes the
// lists directly.
#pragma once

#include <cstddef>
#include <vector>

#include "geometry/text_scan.h"

namespace geometry::text {

// re.split(r"[\s]+", s): tokens between runs of white space, with an empty
// token at either end where s begins or ends with white space.
template <typename Unit, typename Visitor>
void tokens_between_spaces(Text<Unit> t, Span s, Visitor& visit) {
  std::size_t start = s.begin;
  for (std::size_t i = s.begin; i < s.end;) {
    if (!is_space(t[i])) {
      ++i;
      continue;
    }
    visit.token({start, i});
    i = skip_space(t, i, s.end);
    start = i;
  }
  visit.token({start, s.end});
}

// A vertex text, stripped, its white-space runs made commas: "[{}]" of
// re.sub(r"\s+", ",", v.strip()). A blank vertex has no tokens.
template <typename Unit, typename Visitor>
void vertex(Text<Unit> t, Span v, Visitor& visit) {
  const std::size_t begin = skip_space(t, v.begin, v.end);
  std::size_t end = v.end;
  while (end > begin && is_space(t[end - 1])) --end;
  visit.open();
  if (begin < end) tokens_between_spaces(t, {begin, end}, visit);
  visit.close();
}

// The vertex texts of re.split(",+", s), each a vertex.
template <typename Unit, typename Visitor>
void vertices(Text<Unit> t, Span s, Visitor& visit) {
  std::size_t start = s.begin;
  for (std::size_t i = s.begin; i < s.end;) {
    i = find(t, i, s.end, ',');
    if (i == s.end) break;
    vertex(t, {start, i}, visit);
    while (i < s.end && t[i] == ',') ++i;
    start = i;
  }
  vertex(t, {start, s.end}, visit);
}

// The rings of re.findall(r"\([^\(\)]*\)", s), each the vertices between its
// parentheses; anything outside them is passed over.
template <typename Unit, typename Visitor>
void rings(Text<Unit> t, Span s, Visitor& visit) {
  for (std::size_t i = s.begin; i < s.end;) {
    if (t[i] != '(') {
      ++i;
      continue;
    }
    std::size_t close = i + 1;
    while (close < s.end && !is_paren(t[close])) ++close;
    if (close < s.end && t[close] == ')') {
      visit.open();
      vertices(t, {i + 1, close}, visit);
      visit.close();
      i = close + 1;
    } else {
      i = close;  // another "(" starts here, or the text ends
    }
  }
}

// One vertex: the text between the parentheses of a point body, split at
// white space and not stripped.
template <typename Unit, typename Visitor>
void read_point(Text<Unit> t, Span s, Visitor& visit) {
  visit.open();
  tokens_between_spaces(t, s, visit);
  visit.close();
}

// A list of vertices: the text between the parentheses of a line or multipoint body.
template <typename Unit, typename Visitor>
void read_line(Text<Unit> t, Span s, Visitor& visit) {
  visit.open();
  vertices(t, s, visit);
  visit.close();
}

// A list of rings: the ring texts of a polygon, or the lines of a multilinestring.
template <typename Unit, typename Visitor>
void read_rings(Text<Unit> t, Span s, Visitor& visit) {
  visit.open();
  rings(t, s, visit);
  visit.close();
}

// A list of polygons: those the multipolygon step found, each ring by ring.
template <typename Unit, typename Visitor>
void read_polygons(Text<Unit> t, const std::vector<Span>& polygons, Visitor& visit) {
  visit.open();
  for (const Span& polygon : polygons) {
    visit.open();
    rings(t, polygon, visit);
    visit.close();
  }
  visit.close();
}

// Free text: all tokens as one vertex (depth 1), pairs of tokens as vertices
// (depth 2), or those vertices as one ring (depth 3).
template <typename Unit, typename Visitor>
void read_free_text(Text<Unit> t, int depth, Visitor& visit) {
  visit.open();
  if (depth == 3) visit.open();
  bool second = false;
  for_each_free_text_token(t, [&](Span token) {
    if (depth >= 2 && !second) visit.open();
    visit.token(token);
    if (depth >= 2 && second) visit.close();
    second = !second;
  });
  if (depth == 3) visit.close();
  visit.close();
}

// The visitor that writes the readers' JSON text: "[" and "]" round every
// list, "," between items, the tokens as written. `Out` is a vector of code units.
template <typename Unit, typename Out>
class JsonTextWriter {
 public:
  JsonTextWriter(Text<Unit> t, Out& out) : t_(t), out_(out) {}

  void open() {
    item();
    out_.push_back('[');
    first_[++depth_] = true;
  }
  void token(Span s) {
    item();
    out_.insert(out_.end(), t_.begin() + s.begin, t_.begin() + s.end);
  }
  void close() {
    out_.push_back(']');
    --depth_;
  }

 private:
  void item() {
    if (!first_[depth_]) out_.push_back(',');
    first_[depth_] = false;
  }

  Text<Unit> t_;
  Out& out_;
  bool first_[8] = {true};
  int depth_ = 0;
};

}  // namespace geometry::text
