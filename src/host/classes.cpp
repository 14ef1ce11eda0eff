#include "host/classes.h"

#include <string>

#include "host/names.h"
#include "host/private_name.h"
#include "host/ops.h"

namespace host {

namespace {

constexpr const char* kModuleName = "src.kestrinpy";

// The value stored in the class namespace for `member`; functions are also
// collected in `functions`, to learn their class once it exists.
Ref make_member(PyObject* module, const ClassSpec& spec, const Member& member, PyObject* module_name,
                std::vector<Ref>& functions) {
  if (const Constant* constant = std::get_if<Constant>(&member)) {
    return constant->make ? constant->make(module) : text(constant->text);
  }
  const Method& method = std::get<Method>(member);
  Ref qualname = text(std::string(spec.name) + "." + method.name);
  Ref function = make_function(method, qualname.get(), module_name);
  functions.push_back(function);
  switch (method.kind) {
    case MethodKind::Static:
      return checked(PyStaticMethod_New(function.get()));
    case MethodKind::Class:
      return checked(PyClassMethod_New(function.get()));
    case MethodKind::Instance:
      break;
  }
  return function;
}

const char* member_name(const Member& member) {
  if (const Constant* constant = std::get_if<Constant>(&member)) return constant->name;
  return std::get<Method>(member).name;
}

Ref lookup_base(PyObject* module, const char* name) {
  if (name == nullptr) return Ref::borrow(reinterpret_cast<PyObject*>(&PyBaseObject_Type));
  PyObject* base = PyDict_GetItemString(PyModule_GetDict(module), name);
  if (base == nullptr) raise_format(PyExc_NameError, "name '%s' is not defined", name);
  return Ref::borrow(base);
}

Ref run_base_init(const Args& args) {
  init_base(args);
  return none();
}

}  // namespace

void build_class(PyObject* module, const ClassSpec& spec) {
  Ref module_name = text(kModuleName);
  Ref namespace_ = checked(PyDict_New());
  checked_status(PyDict_SetItem(namespace_.get(), names::__module__, module_name.get()));
  checked_status(PyDict_SetItem(namespace_.get(), names::__qualname__, text(spec.name).get()));
  checked_status(PyDict_SetItem(namespace_.get(), names::__doc__, text(spec.doc).get()));
  std::vector<Ref> functions;
  for (const Member& member : spec.members) {
    Ref value = make_member(module, spec, member, module_name.get(), functions);
    Ref key = text(stored_name(spec.name, member_name(member)));
    checked_status(PyDict_SetItem(namespace_.get(), key.get(), value.get()));
  }

  Ref base = lookup_base(module, spec.base);
  Ref bases = checked(PyTuple_Pack(1, base.get()));
  Ref cls = call(reinterpret_cast<PyObject*>(&PyType_Type), text(spec.name).get(), bases.get(),
                 namespace_.get());

  for (const Ref& function : functions) set_function_owner(function.get(), cls.get());
  checked_status(PyObject_SetAttrString(module, spec.name, cls.get()));
}

void init_base(const Args& args) {
  Ref parent = call(reinterpret_cast<PyObject*>(&PySuper_Type), args.owner(), args.self());
  call_method(parent.get(), names::__init__);
}

Method base_constructor(const char* doc) {
  return Method{.name = "__init__", .doc = doc, .body = run_base_init};
}

}  // namespace host
