// The host's gb2312 and gbk decoders with the "ignore" error handler, bit for
// bit, without the codec machinery: a byte below 0x80 is itself; a byte from
// 0x80 on begins a pair, which decodes by the codec's table; when it does not
// (or the text ends after it), that one byte is dropped and decoding goes on
// with the next. No host types. The tables are the host codecs' own
// (tools/make_codec_tables.py), and tests hold the two against each other.
#pragma once

#include <string>
#include <string_view>

namespace pymath {

enum class ChineseCodec { GB2312, GBK };

// Appends the decoded text of `bytes` to `out` (every character is in the
// basic multilingual plane).
void decode_ignoring(ChineseCodec codec, std::string_view bytes, std::u16string& out);

}  // namespace pymath
