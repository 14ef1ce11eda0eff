// The class builder: every class of the module is made by the metaclass call
// type(name, bases, namespace), from a table of its members in definition order,
// so the classes are ordinary host classes that scripts can subclass.
#pragma once

#include <variant>
#include <vector>

#include "host/function.h"

namespace host {

// What a constant's maker sees of the class being created.
struct ClassContext {
  PyObject* module;
  PyObject* namespace_;    // the class namespace so far: the members before this one
  const char* class_name;  // its qualified name, for nested classes
};

// A class attribute made once when the class is created; scripts may replace it.
struct Constant {
  const char* name;  // as written in the class; a private "__x" is stored class-qualified
  const char* text = nullptr;                        // a text constant, or
  Ref (*make)(const ClassContext& context) = nullptr;  // any other value
};

using Member = std::variant<Method, Constant>;

// A class-level annotation, stored as its text (never evaluated).
struct Annotation {
  const char* name;
  const char* text;
};

struct ClassSpec {
  const char* name;
  const char* base;  // the base class, looked up in the module; null for the root object type
  const char* doc;
  std::vector<Member> members{};
  std::vector<Annotation> annotations{};
};

// A field of a record class: its name and annotation text.
struct RecordField {
  const char* name;
  const char* annotation;
};

// A record class nested in the class being created (qualified name
// "<Class>.<name>"), made by the host's `dataclass` decorator that start-up
// binds in the module, with its default options: generated constructor,
// repr, equality; mutable and unhashable.
Ref make_record_class(const ClassContext& context, const char* name, const char* doc,
                      std::initializer_list<RecordField> fields);

// Creates the class and binds it in `module` under its name.
void build_class(PyObject* module, const ClassSpec& spec);

// Runs super(<owner class>, self).__init__(): the first step of every constructor
// of a derived class.
void init_base(const Args& args);

// A constructor that only runs the inherited one.
Method base_constructor(const char* doc);

}  // namespace host
