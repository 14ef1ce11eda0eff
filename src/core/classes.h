// The two root classes of the module.
#pragma once

#include <string_view>

#include "host/classes.h"

namespace core {

const host::ClassSpec& messenger_class();
const host::ClassSpec& kestrin_base_class();

// The bodies of KestrinBase.bytesToStr and bytesInteger, for callers that run
// them directly while an object's helpers are the module's own.
host::Ref bytes_to_str(const host::Args& args);
host::Ref bytes_integer(const host::Args& args);

// What bytesToStr(data, encoding) answers for the bytes `field`; `encoding`
// is exactly a str.
host::Ref field_text(std::string_view field, PyObject* encoding);
// What bytesInteger(data) answers for the bytes `field`.
host::Ref field_integer(std::string_view field);

}  // namespace core
