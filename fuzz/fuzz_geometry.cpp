// A coverage-guided fuzz target for the geometry text scanners: arbitrary bytes
// read as code points (Latin-1 bytes, and the same bytes widened to two and four
// bytes per code point, as the host stores a str, with the bytes 0xF0 to 0xFF
// standing for white space, commas and letters beyond Latin-1), through the
// recognition tests, the free-text tokens, the WKT split, type word and body
// steps, collection members, polygons, the coordinate readers and the number
// reader. Every span must lie inside the text, every JSON text must nest
// properly, and the two wide readings must agree.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "geometry/coordinate_text.h"
#include "geometry/json_number.h"
#include "geometry/text_scan.h"

namespace {

using namespace geometry::text;

// What the bytes 0xF0 to 0xFF stand for in the wide readings.
constexpr char32_t kWide[16] = {0x3000, 0xFF0C, 0x2028, 0x0085, 0x00A0, 0x1680, 0x200B, 0xFEFF,
                                0x0130, 0x0131, 0x017F, 0x212A, 0x4E2D, 0x1F600, 0xFB06, 0x001C};

// Everything the scanners answer, as numbers, to compare the readings.
using Trace = std::vector<std::uint64_t>;

void check_span(Span span, std::size_t size, Trace& trace) {
  if (span.begin > span.end || span.end > size) std::abort();
  trace.push_back(span.begin);
  trace.push_back(span.end);
}

// Reads every token as a number and checks that the lists nest.
template <typename Unit>
class CheckingVisitor {
 public:
  CheckingVisitor(Text<Unit> t, Trace& trace) : t_(t), trace_(trace) {}
  ~CheckingVisitor() {
    if (depth_ != 0) std::abort();
  }
  void open() { ++depth_; }
  void close() {
    if (--depth_ < 0) std::abort();
  }
  void token(Span span) {
    check_span(span, t_.size(), trace_);
    const Number number = read_json_number(t_, span);
    trace_.push_back(static_cast<std::uint64_t>(number.kind));
    if (number.kind == Number::Kind::Integer) trace_.push_back(static_cast<std::uint64_t>(number.integer));
    if (number.kind == Number::Kind::Real && !std::isnan(number.real)) {
      std::uint64_t bits;
      std::memcpy(&bits, &number.real, sizeof bits);
      trace_.push_back(bits);
    }
  }

 private:
  Text<Unit> t_;
  Trace& trace_;
  int depth_ = 0;
};

// The JSON text of a reader: its brackets must balance.
template <typename Unit, typename Read>
void check_json_text(Text<Unit> t, Read&& read, Trace& trace) {
  std::vector<char32_t> out;
  JsonTextWriter<Unit, std::vector<char32_t>> writer(t, out);
  read(writer);
  long depth = 0;
  for (char32_t c : out) {
    if (c == '[') ++depth;
    if (c == ']') --depth;
  }
  // Tokens may hold brackets themselves; the writer's own always balance, so
  // the count only checks the writer when the text holds none.
  if (find(t, 0, t.size(), '[') == t.size() && find(t, 0, t.size(), ']') == t.size() && depth != 0) std::abort();
  trace.push_back(out.size());
  CheckingVisitor<Unit> checking(t, trace);
  read(checking);
}

template <typename Unit>
Trace scan(Text<Unit> t) {
  Trace trace;
  const Span all{0, t.size()};
  trace.push_back(has_bracket_pair(t, '[', ']'));
  trace.push_back(has_bracket_pair(t, '(', ')'));

  for (const Span& token : free_text_tokens(t)) check_span(token, t.size(), trace);
  const std::size_t tokens = free_text_token_count(t);
  for (int depth = 1; depth <= 3; ++depth) {
    if (depth > 1 && tokens % 2 != 0) break;
    check_json_text(t, [&](auto& visit) { read_free_text(t, depth, visit); }, trace);
  }
  check_json_text(t, [&](auto& visit) { read_point(t, all, visit); }, trace);
  check_json_text(t, [&](auto& visit) { read_line(t, all, visit); }, trace);
  check_json_text(t, [&](auto& visit) { read_rings(t, all, visit); }, trace);

  const std::optional<WktParts> parts = split_wkt(t);
  if (!parts) return trace;
  check_span(parts->name, t.size(), trace);
  check_span(parts->body, t.size(), trace);
  const Span body = parts->body;
  if (t[body.begin] != '(' || t[body.end - 1] != ')' || body.size() < 3) std::abort();
  check_span(first_word(t, parts->name), t.size(), trace);
  for (const std::optional<Span>& group :
       {flat_body(t, body, false), flat_body(t, body, true), ring_list_body(t, body)}) {
    if (!group) continue;
    check_span(*group, t.size(), trace);
    check_json_text(t, [&](auto& visit) { read_line(t, *group, visit); }, trace);
  }
  const Members members = collection_members(t, body);
  trace.push_back(members.unreadable);
  for (const Span& member : members.texts) check_span(member, t.size(), trace);
  const std::vector<Span> polygons = multipolygon_polygons(t, body);
  for (const Span& polygon : polygons) check_span(polygon, t.size(), trace);
  trace.push_back(text_left_outside(t, body, polygons));
  check_json_text(t, [&](auto& visit) { read_polygons(t, polygons, visit); }, trace);
  return trace;
}

template <typename Unit>
std::vector<Unit> widened(const std::uint8_t* data, std::size_t size) {
  std::vector<Unit> out(size);
  for (std::size_t i = 0; i < size; ++i) {
    const char32_t c = data[i] >= 0xF0 ? kWide[data[i] - 0xF0] : data[i];
    out[i] = static_cast<Unit>(sizeof(Unit) == 2 && c > 0xFFFF ? 0xFFFD : c);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  scan(Text<std::uint8_t>(data, size));
  // Texts beyond 64 Ki code points add nothing new but time.
  if (size > 65536) return 0;
  const std::vector<std::uint16_t> narrow = widened<std::uint16_t>(data, size);
  const std::vector<std::uint32_t> wide = widened<std::uint32_t>(data, size);
  const Trace two = scan(Text<std::uint16_t>(narrow.data(), narrow.size()));
  const Trace four = scan(Text<std::uint32_t>(wide.data(), wide.size()));
  // The code points differ only where 0xF0 stands for U+1F600, beyond two bytes.
  if (std::memchr(data, 0xFD, size) == nullptr && two != four) std::abort();
  return 0;
}
