// KestrinBase: the base of the working classes, with the helpers that turn raw
// record fields into host values.
#include "core/bytes.h"
#include "core/classes.h"
#include "host/kept.h"
#include "host/ops.h"

#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "pymath/chinese_codecs.h"

namespace core {

using host::Args;
using host::checked;
using host::Ref;

namespace {

// How a text encoding decodes: its decode function, or, for the host's own
// gb2312 and gbk codecs, the same decoding done here.
struct TextDecoder {
  Ref decode;  // null: the host's own decode must run; owned, since it may run code that changes the cache
  std::optional<pymath::ChineseCodec> chinese;
};

// The decoder of the last text encoding asked for by name. Looking a codec up
// by its name costs the host several times the decoding of a short field, and
// the fields of a file all share one encoding.
class DecoderCache {
 public:
  // The decoder of `encoding`: the host's own decode for its built-in codecs
  // (faster there) and for any codec that is not a text encoding.
  TextDecoder find(PyObject* encoding, const char* name) {
    if (encoding_ && (encoding_.get() == encoding || PyUnicode_Compare(encoding_.get(), encoding) == 0)) {
      return found_;
    }
    if (builtin_codec(name)) return {};
    Ref codecs = host::import_module("codecs");
    Ref info = host::call(host::get_attr(codecs.get(), host::text("lookup").get()).get(), encoding);
    PyObject* is_text = PyObject_GetAttrString(info.get(), "_is_text_encoding");
    if (is_text == nullptr) {
      if (!PyErr_ExceptionMatches(PyExc_AttributeError)) host::raise_pending();
      PyErr_Clear();
    } else if (!host::truth(Ref::steal(is_text).get())) {
      return {};
    }
    Ref decoder = host::get_index(info.get(), 1);
    const std::optional<pymath::ChineseCodec> chinese = chinese_codec(info.get(), decoder.get());
    // Stored in one step, and the old entry let go last: its release may run
    // code that asks for a decoder again.
    TextDecoder found{chinese ? Ref() : decoder, chinese};
    Ref old_encoding = std::exchange(encoding_, Ref::borrow(encoding));
    TextDecoder old_found = std::exchange(found_, found);
    return found;
  }

 private:
  static bool builtin_codec(const char* name) {
    std::string lower;
    for (const char* p = name; *p != '\0'; ++p) {
      lower += *p >= 'A' && *p <= 'Z' ? static_cast<char>(*p - 'A' + 'a') : *p == '-' ? '_' : *p;
    }
    for (const char* builtin : {"utf_8", "utf8", "latin_1", "latin1", "iso_8859_1", "iso8859_1", "ascii",
                                "us_ascii", "utf_16", "utf_32", "mbcs"}) {
      if (lower == builtin) return true;
    }
    return false;
  }

  // gb2312 or gbk when the codec is the host's own (its decode the method of
  // the C multibyte codec that the host's module of that name made), which the
  // tables here reproduce. The name alone is the CodecInfo's to say: any other
  // multibyte codec may be registered under it.
  static std::optional<pymath::ChineseCodec> chinese_codec(PyObject* info, PyObject* decoder) {
    if (!PyCFunction_Check(decoder) || PyCFunction_GET_SELF(decoder) == nullptr ||
        std::string_view(Py_TYPE(PyCFunction_GET_SELF(decoder))->tp_name) != "_multibytecodec.MultibyteCodec") {
      return std::nullopt;
    }
    PyObject* name = PyObject_GetAttrString(info, "name");
    if (name == nullptr) {
      PyErr_Clear();
      return std::nullopt;
    }
    Ref owned = Ref::steal(name);
    if (!PyUnicode_Check(name)) return std::nullopt;
    for (const auto& [text, module, codec] : {std::tuple{"gb2312", "encodings.gb2312", pymath::ChineseCodec::GB2312},
                                              std::tuple{"gbk", "encodings.gbk", pymath::ChineseCodec::GBK}}) {
      if (PyUnicode_CompareWithASCIIString(name, text) != 0) continue;
      if (!is_module_codec(module, PyCFunction_GET_SELF(decoder))) return std::nullopt;
      return codec;
    }
    return std::nullopt;
  }

  // Whether `codec` is the `codec` that the imported module `module` holds.
  static bool is_module_codec(const char* module, PyObject* codec) {
    Ref name = host::text(module);
    Ref found = Ref::steal(PyImport_GetModule(name.get()));
    if (!found) {
      PyErr_Clear();
      return false;
    }
    Ref own = Ref::steal(PyObject_GetAttrString(found.get(), "codec"));
    if (!own) PyErr_Clear();
    return own.get() == codec;
  }

  Ref encoding_;
  TextDecoder found_;
};

// decoder(data, "ignore")[0], with the host's own error when it is not a str.
Ref run_decoder(const Ref& decoder, std::string_view data, const char* name) {
  Ref bytes = host::bytes(data);
  static PyObject* const ignore = checked(PyUnicode_InternFromString("ignore")).release();
  Ref result = host::call(decoder.get(), bytes.get(), ignore);
  if (PyTuple_CheckExact(result.get()) && PyTuple_GET_SIZE(result.get()) == 2 &&
      PyUnicode_Check(PyTuple_GET_ITEM(result.get(), 0))) {
    return Ref::borrow(PyTuple_GET_ITEM(result.get(), 0));
  }
  // Anything else: let the host's decode report it in its own words.
  return checked(PyUnicode_Decode(data.data(), static_cast<Py_ssize_t>(data.size()), name, "ignore"));
}

Ref decode_chinese(pymath::ChineseCodec codec, std::string_view data) {
  static std::u16string* const units = new std::u16string;  // reused; kept for the process
  units->clear();
  pymath::decode_ignoring(codec, data, *units);
  return checked(PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, units->data(), static_cast<Py_ssize_t>(units->size())));
}

}  // namespace

Ref field_text(std::string_view field, PyObject* encoding) {
  const std::string_view codec = host::utf8(encoding);  // NUL-terminated by the str
  if (codec.find('\0') != std::string_view::npos) {
    host::raise(PyExc_ValueError, "embedded null character");  // as bytes.decode says
  }
  const std::string_view text(field.data(), kestrin::text_length(field.data(), field.size()));
  static DecoderCache* const cache = new DecoderCache;  // kept for the process: never torn down after the host
  const TextDecoder decoder = cache->find(encoding, codec.data());  // a copy: the call below may change the cache
  Ref decoded = decoder.chinese   ? decode_chinese(*decoder.chinese, text)
                : decoder.decode ? run_decoder(decoder.decode, text, codec.data())
                                 : checked(PyUnicode_Decode(text.data(), static_cast<Py_ssize_t>(text.size()),
                                                            codec.data(), "ignore"));
  return host::rstrip_text(std::move(decoded));
}

Ref field_integer(std::string_view field) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(field.data());
  if (field.size() <= 8) return checked(PyLong_FromUnsignedLongLong(kestrin::little_endian_value(bytes, field.size())));
  return checked(host::interpreter::unsigned_from_little_endian(bytes, field.size()));
}

// Text of a fixed-width field: the bytes before the first zero byte, decoded with
// the host codec dropping what it cannot decode, trailing white space stripped.
Ref bytes_to_str(const Args& args) {
  PyObject* data = args[0];
  return field_text({PyBytes_AS_STRING(data), static_cast<std::size_t>(PyBytes_GET_SIZE(data))}, args[1]);
}

// All bytes of the field as one unsigned little-endian integer, of any length.
Ref bytes_integer(const Args& args) {
  PyObject* data = args[0];
  return field_integer({PyBytes_AS_STRING(data), static_cast<std::size_t>(PyBytes_GET_SIZE(data))});
}

const host::ClassSpec& kestrin_base_class() {
  using host::param;
  static const host::ClassSpec spec{
      .name = "KestrinBase",
      .base = "Messenger",
      .doc = "GIS 基类：提供 MapGIS 记录字段的字节解码工具。",
      .members = {
          host::Method{
              .name = "bytesToStr",
              .kind = host::MethodKind::Static,
              .params = {param("data", "bytes").exactly(&PyBytes_Type),
                         param("encoding", "str").exactly(&PyUnicode_Type).defaults_to(host::text_default("GB2312"))},
              .returns = "str",
              .doc = "取首个零字节之前的字节，按 encoding 解码（忽略无法解码的字节），去掉末尾空白。",
              .body = bytes_to_str,
          },
          host::Method{
              .name = "bytesInteger",
              .kind = host::MethodKind::Static,
              .params = {param("data", "bytes").exactly(&PyBytes_Type)},
              .returns = "int",
              .doc = "把字节按小端序读作无符号整数。",
              .body = bytes_integer,
          },
      },
  };
  return spec;
}

}  // namespace core
