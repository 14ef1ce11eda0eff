// Name mangling of private class members, as the host's compiler does it.
#pragma once

#include <string>

namespace host {

// The name under which class `class_name` stores member `name`: a private name
// ("__x", not ending in "__") becomes "_Class__x", the class name without its
// leading underscores.
inline std::string stored_name(const std::string& class_name, const std::string& name) {
  const bool is_private = name.size() > 2 && name.compare(0, 2, "__") == 0 &&
                          name.compare(name.size() - 2, 2, "__") != 0;
  if (!is_private) return name;
  const std::size_t start = class_name.find_first_not_of('_');
  if (start == std::string::npos) return name;  // the host leaves names in "_"-only classes alone
  return "_" + class_name.substr(start) + name;
}

}  // namespace host
