// KestrinBase: the base of the working classes, with the helpers that turn raw
// record fields into host values.
#include "core/bytes.h"
#include "core/classes.h"
#include "host/ops.h"


namespace core {

using host::Args;
using host::checked;
using host::Ref;

namespace {

// Text of a fixed-width field: the bytes before the first zero byte, decoded with
// the host codec dropping what it cannot decode, trailing white space stripped.
Ref bytes_to_str(const Args& args) {
  PyObject* data = args[0];
  const std::string_view encoding = host::utf8(args[1]);  // NUL-terminated by the str
  if (encoding.find('\0') != std::string_view::npos) {
    host::raise(PyExc_ValueError, "embedded null character");  // as bytes.decode says
  }
  const std::size_t length = kestrin::text_length(PyBytes_AS_STRING(data), PyBytes_GET_SIZE(data));
  Ref decoded = checked(
      PyUnicode_Decode(PyBytes_AS_STRING(data), static_cast<Py_ssize_t>(length), encoding.data(), "ignore"));
  return host::rstrip_text(std::move(decoded));
}

// All bytes of the field as one unsigned little-endian integer, of any length.
Ref bytes_integer(const Args& args) {
  PyObject* data = args[0];
  const auto* bytes = reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(data));
  const std::size_t size = static_cast<std::size_t>(PyBytes_GET_SIZE(data));
  if (size <= 8) return checked(PyLong_FromUnsignedLongLong(kestrin::little_endian_value(bytes, size)));
  return checked(_PyLong_FromByteArray(bytes, size, /*little_endian=*/1, /*is_signed=*/0));
}

}  // namespace

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
