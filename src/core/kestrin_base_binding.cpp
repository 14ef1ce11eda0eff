// KestrinBase: the base of the working classes, with the helpers that turn raw
// record fields into host values.
#include "core/bytes.h"
#include "core/classes.h"
#include "core/names.h"
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

// Whether bytes.decode decodes `name` itself, without asking the codec
// registry: its shortcut normalises the name (runs of characters other than
// ASCII letters, digits and '.' as one '_', none at either end, lower case)
// into at most 10 characters and compares it with its built-in codecs.
bool decoded_without_registry(std::string_view name) {
  constexpr std::size_t kMost = 10;
  std::string lower;
  bool punctuation = false;
  for (const char c : name) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
    if (!letter) {
      punctuation = true;
      continue;
    }
    if (punctuation && !lower.empty()) lower += '_';
    punctuation = false;
    lower += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower.size() > kMost) return false;
  }
  if (lower.starts_with("utf")) {
    std::string_view rest = std::string_view(lower).substr(3);
    if (rest.starts_with('_')) rest.remove_prefix(1);
    return rest == "8" || rest == "16" || rest == "32";
  }
  for (const char* builtin : {"ascii", "us_ascii", "latin1", "latin_1", "iso_8859_1", "iso8859_1"}) {
    if (lower == builtin) return true;
  }
  return false;
}

// Whether `codec` is the `codec` that the imported module `module` holds.
bool is_module_codec(const char* module, PyObject* codec) {
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

// gb2312 or gbk when the codec is the host's own (its decode the method of
// the C multibyte codec that the host's module of that name made), which the
// tables here reproduce. The name alone is the CodecInfo's to say: any other
// multibyte codec may be registered under it.
std::optional<pymath::ChineseCodec> chinese_codec(PyObject* info, PyObject* decoder) {
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

// The codec the registry answered for an encoding name, as bytes.decode uses
// it: kept under the registry's stamp, while which the registry's cache holds
// it (so the pointer stays valid), and then only while its class and its own
// attributes (its _is_text_encoding) are unchanged. Looking a codec up costs
// more than decoding a short field, and the fields of a file share one encoding.
struct KnownCodec {
  std::string name;                      // the encoding as given
  PyObject* info = nullptr;              // borrowed from the registry's cache
  PyObject* const* info_dict = nullptr;  // its own dictionary's slot
  host::Mark info_class;                 // its class, and
  host::Mark info_attributes;            // its own attributes, as it was found
  std::optional<pymath::ChineseCodec> chinese;
};
host::Kept<KnownCodec> g_known_codec;

const KnownCodec* known_codec(std::string_view name) {
  const KnownCodec* known = g_known_codec.find(host::Stamp().codec_registry());
  if (known == nullptr || known->name != name) return nullptr;
  // Alive while the registry is unchanged: its cache holds it.
  if (!(host::members_mark(known->info) == known->info_class) ||
      !(host::attributes_mark(known->info_dict) == known->info_attributes)) {
    return nullptr;
  }
  return known;
}

// Whether info._is_text_encoding, and its truth, stay as they are while the
// info's class and own attributes carry the same marks: absent, or a plain
// value found by the generic look-up in the class or the info's own
// dictionary. A property, a look-up of the class's own or a value with a
// truth of its own may answer otherwise at the next decode, which bytes.decode
// asks again each time: such a codec is not kept.
bool settled_text_verdict(PyObject* info) {
  if (PyTuple_CheckExact(info)) return true;
  PyTypeObject* type = Py_TYPE(info);
  if (type->tp_getattro != PyObject_GenericGetAttr) return false;
  PyObject* in_class = host::interpreter::class_member(type, names::_is_text_encoding);
  if (in_class != nullptr && (Py_TYPE(in_class)->tp_descr_get != nullptr || !host::plain_value(in_class))) {
    return false;
  }
  PyObject* const* slot = host::interpreter::dict_slot(info);
  if (slot == nullptr || *slot == nullptr) return true;
  if (!host::text_keys_only(*slot)) return false;
  PyObject* own = PyDict_GetItemWithError(*slot, names::_is_text_encoding);  // str keys only: runs no code
  if (own != nullptr) return host::plain_value(own);
  if (!PyErr_Occurred()) return true;
  PyErr_Clear();
  return false;
}

// The registry's codec for `name`, refused as bytes.decode refuses one that
// is not a text encoding, and kept where that verdict holds while its marks do.
struct FoundCodec {
  Ref info;
  std::optional<pymath::ChineseCodec> chinese;
};
FoundCodec text_codec(const char* name) {
  Ref info = checked(host::interpreter::codec_lookup(name));
  // Taken once the look-up is done: the registry stores its answer last.
  const host::Stamp registry = host::Stamp().codec_registry();
  PyObject* const* dict = host::interpreter::dict_slot(info.get());
  const host::Mark info_class = host::members_mark(info.get());
  const host::Mark info_attributes = host::attributes_mark(dict);
  const bool settled = settled_text_verdict(info.get());
  if (!PyTuple_CheckExact(info.get())) {
    Ref is_text = Ref::steal(PyObject_GetAttr(info.get(), names::_is_text_encoding));
    if (!is_text) {
      if (!PyErr_ExceptionMatches(PyExc_AttributeError)) host::raise_pending();
      PyErr_Clear();  // no such attribute: taken for a text encoding, as the host takes it
    } else if (!host::truth(is_text.get())) {
      host::raise_format(PyExc_LookupError,
                         "'%.400s' is not a text encoding; use codecs.decode() to handle arbitrary codecs", name);
    }
  }
  const std::optional<pymath::ChineseCodec> chinese = chinese_codec(info.get(), PyTuple_GET_ITEM(info.get(), 1));
  if (settled) g_known_codec.keep(registry, KnownCodec{name, info.get(), dict, info_class, info_attributes, chinese});
  return {std::move(info), chinese};
}

// decoder(memoryview(data), "ignore")[0], with the host's checks of what a
// codec's decode answers.
Ref run_decoder(PyObject* decoder, std::string_view data, const char* name) {
  static PyObject* const ignore = checked(PyUnicode_InternFromString("ignore")).release();
  const Ref held = Ref::borrow(decoder);  // the decode may unregister its own codec
  // A view of bytes of its own, as bytes.decode hands over a view: it keeps
  // them alive should the decode keep the view.
  Ref view = checked(PyMemoryView_FromObject(host::bytes(data).get()));
  Ref result = host::call(held.get(), view.get(), ignore);
  if (!PyTuple_Check(result.get()) || PyTuple_GET_SIZE(result.get()) != 2) {
    host::raise(PyExc_TypeError, "decoder must return a tuple (object,integer)");
  }
  PyObject* text = PyTuple_GET_ITEM(result.get(), 0);
  if (!PyUnicode_Check(text)) {
    host::raise_format(PyExc_TypeError,
                       "'%.400s' decoder returned '%.400s' instead of 'str'; use codecs.decode() to decode to arbitrary types",
                       name, Py_TYPE(text)->tp_name);
  }
  return Ref::borrow(text);
}

inline Ref decode_chinese(pymath::ChineseCodec codec, std::string_view data) {
  static std::u16string* const units = new std::u16string;  // reused; kept for the process
  units->clear();
  pymath::decode_ignoring(codec, data, *units);
  return checked(PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, units->data(), static_cast<Py_ssize_t>(units->size())));
}

// data.decode(name, "ignore"), as the host decodes it (`name` NUL-terminated).
Ref decode_text(std::string_view data, std::string_view name_text) {
  const char* name = name_text.data();
  if (const KnownCodec* known = known_codec(name_text)) {
    if (known->chinese) return decode_chinese(*known->chinese, data);
    return run_decoder(PyTuple_GET_ITEM(known->info, 1), data, name);
  }
  if (decoded_without_registry(name)) {
    return checked(PyUnicode_Decode(data.data(), static_cast<Py_ssize_t>(data.size()), name, "ignore"));
  }
  const FoundCodec found = text_codec(name);
  if (found.chinese) return decode_chinese(*found.chinese, data);
  return run_decoder(PyTuple_GET_ITEM(found.info.get(), 1), data, name);
}

}  // namespace

Ref field_text(std::string_view field, PyObject* encoding) {
  const std::string_view codec = host::utf8(encoding);  // NUL-terminated by the str
  if (codec.find('\0') != std::string_view::npos) {
    host::raise(PyExc_ValueError, "embedded null character");  // as bytes.decode says
  }
  const std::string_view text(field.data(), kestrin::text_length(field.data(), field.size()));
  return host::rstrip_text(decode_text(text, codec));
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
