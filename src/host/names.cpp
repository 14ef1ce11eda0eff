#include "host/names.h"

#include <utility>
#include <vector>

namespace host {

namespace {

std::vector<std::pair<PyObject**, const char*>>& registry() {
  static std::vector<std::pair<PyObject**, const char*>> entries;
  return entries;
}

}  // namespace

bool register_name(PyObject** slot, const char* text) {
  registry().emplace_back(slot, text);
  return true;
}

void intern_names() {
  for (const auto& [slot, text] : registry()) {
    if (*slot == nullptr) *slot = checked(PyUnicode_InternFromString(text)).release();
  }
}

namespace names {
KESTRIN_DEFINE_NAMES(HOST_NAMES)
}  // namespace names

}  // namespace host
