#include "pymath/chinese_codecs.h"

namespace pymath {

namespace {

#include "pymath/chinese_codec_tables.inc"

struct PairTable {
  unsigned char first_lead, last_lead, first_trail, last_trail;
  const char16_t* pairs;

  // The character of the pair, or 0.
  char16_t find(unsigned char lead, unsigned char trail) const {
    if (lead < first_lead || lead > last_lead || trail < first_trail || trail > last_trail) return 0;
    return pairs[(lead - first_lead) * (last_trail - first_trail + 1) + (trail - first_trail)];
  }
};

constexpr PairTable kGB2312{kGB2312FirstLead, kGB2312LastLead, kGB2312FirstTrail, kGB2312LastTrail, kGB2312Pairs};
constexpr PairTable kGBK{kGBKFirstLead, kGBKLastLead, kGBKFirstTrail, kGBKLastTrail, kGBKPairs};

}  // namespace

void decode_ignoring(ChineseCodec codec, std::string_view bytes, std::u16string& out) {
  const PairTable& table = codec == ChineseCodec::GB2312 ? kGB2312 : kGBK;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    if (*p < 0x80) {
      out += static_cast<char16_t>(*p++);
      continue;
    }
    const char16_t decoded = end - p >= 2 ? table.find(p[0], p[1]) : 0;
    if (decoded != 0) {
      out += decoded;
      p += 2;
    } else {
      ++p;  // the one byte that does not begin a pair is dropped
    }
  }
}

}  // namespace pymath
