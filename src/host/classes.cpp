#include "host/classes.h"

#include <string>

#include "host/names.h"
#include "host/private_name.h"
#include "host/ops.h"

namespace host {

namespace {

// The value stored in the class namespace for `member`; functions are also
// collected in `functions`, to learn their class once it exists.
Ref make_member(const ClassContext& context, const ClassSpec& spec, const Member& member, PyObject* module_name,
                std::vector<Ref>& functions) {
  if (const Constant* constant = std::get_if<Constant>(&member)) {
    return constant->make ? constant->make(context) : text(constant->text);
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
  Ref module_name = checked(PyModule_GetNameObject(module));
  Ref namespace_ = checked(PyDict_New());
  checked_status(PyDict_SetItem(namespace_.get(), names::__module__, module_name.get()));
  checked_status(PyDict_SetItem(namespace_.get(), names::__qualname__, text(spec.name).get()));
  checked_status(PyDict_SetItem(namespace_.get(), names::__doc__, text(spec.doc).get()));
  if (!spec.annotations.empty()) {
    DictBuilder annotations;
    for (const Annotation& annotation : spec.annotations) {
      annotations.put(text(annotation.name).get(), text(annotation.text));
    }
    checked_status(PyDict_SetItemString(namespace_.get(), "__annotations__", annotations.get()));
  }
  const ClassContext context{module, namespace_.get(), spec.name};
  std::vector<Ref> functions;
  for (const Member& member : spec.members) {
    Ref value = make_member(context, spec, member, module_name.get(), functions);
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

Ref make_record_class(const ClassContext& context, const char* name, const char* doc,
                      std::initializer_list<RecordField> fields) {
  DictBuilder annotations;
  for (const RecordField& field : fields) annotations.put(text(field.name).get(), text(field.annotation));
  DictBuilder namespace_;
  namespace_.put(names::__module__, checked(PyModule_GetNameObject(context.module)));
  namespace_.put(names::__qualname__, text(std::string(context.class_name) + "." + name));
  namespace_.put(names::__doc__, text(doc));
  checked_status(PyDict_SetItemString(namespace_.get(), "__annotations__", annotations.get()));
  Ref bases = checked(PyTuple_New(0));
  Ref plain = call(reinterpret_cast<PyObject*>(&PyType_Type), text(name).get(), bases.get(), namespace_.get());
  Ref decorator = checked(PyObject_GetAttrString(context.module, "dataclass"));
  return call(decorator.get(), plain.get());
}

void init_base(const Args& args) {
  Ref parent = call(reinterpret_cast<PyObject*>(&PySuper_Type), args.owner(), args.self());
  call_method(parent.get(), names::__init__);
}

Method base_constructor(const char* doc) {
  return Method{.name = "__init__", .doc = doc, .body = run_base_init};
}

}  // namespace host
