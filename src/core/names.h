// Names of the module core: the message bus and the byte helpers.
#pragma once

#include "host/names.h"

namespace core::names {

using namespace host::names;

#define CORE_NAMES(X) X(subscribers) X(append) X(remove) X(clear) X(print) X(bytesToStr) X(bytesInteger) \
  X(_is_text_encoding)
KESTRIN_DECLARE_NAMES(CORE_NAMES)

}  // namespace core::names
