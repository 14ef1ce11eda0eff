// The class builder: every class of the module is made by the metaclass call
// type(name, bases, namespace), from a table of its members in definition order,
// so the classes are ordinary host classes that scripts can subclass.
#pragma once

#include <variant>
#include <vector>

#include "host/function.h"

namespace host {

// A class constant, made once when the class is created.
struct Constant {
  const char* name;  // as written in the class; a private "__x" is stored class-qualified
  const char* text = nullptr;                  // a text constant, or
  Ref (*make)(PyObject* module) = nullptr;     // any other value
};

using Member = std::variant<Method, Constant>;

struct ClassSpec {
  const char* name;
  const char* base;  // the base class, looked up in the module; null for the root object type
  const char* doc;
  std::vector<Member> members{};
};

// Creates the class and binds it in `module` under its name.
void build_class(PyObject* module, const ClassSpec& spec);

// Runs super(<owner class>, self).__init__(): the first step of every constructor
// of a derived class.
void init_base(const Args& args);

// A constructor that only runs the inherited one.
Method base_constructor(const char* doc);

}  // namespace host
