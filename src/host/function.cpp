#include "host/function.h"

#include <cstddef>
#include <stdexcept>
#include <string>

#include "host/kept.h"
#include "host/ops.h"
#include "host/stack.h"

namespace host {

struct FunctionObject {
  PyObject_HEAD
  vectorcallfunc vectorcall;
  const Method* method;       // lives in a table that outlives every function
  PyObject* name;
  PyObject* qualname;
  PyObject* module;
  PyObject* doc;
  PyObject* defaults;         // tuple of the trailing defaults, or None
  PyObject* annotations;      // dict
  PyObject* signature;        // made on first request, or null
  PyObject* owner;            // the class it was registered in, or null
  Py_ssize_t param_count;     // the receiver included
  Py_ssize_t required_count;  // leading parameters without a default, the receiver included
  bool has_receiver;
  PyObject* param_names[kMaxParams];  // interned; index 0 is "self" or "cls" for methods
};

namespace {

PyTypeObject FunctionType;

FunctionObject* as_function(PyObject* object) { return reinterpret_cast<FunctionObject*>(object); }

// TypeError for a wrong number of positional values (`given` counts the receiver).
[[noreturn]] void raise_count_error(const FunctionObject* f, Py_ssize_t given) {
  const bool exact = f->required_count == f->param_count;
  const bool too_few = given < f->required_count;
  const Py_ssize_t expected = too_few ? f->required_count : f->param_count;
  const char* bound = exact ? "exactly" : (too_few ? "at least" : "at most");
  raise_format(PyExc_TypeError, "%.200s() takes %.8s %zd positional argument%.1s (%zd given)",
               f->method->name, bound, expected, expected == 1 ? "" : "s", given);
}

bool same_name(PyObject* keyword, PyObject* name) {
  return keyword == name || PyUnicode_Compare(keyword, name) == 0;
}

// The value passed under keyword `name`, or null.
PyObject* keyword_value(PyObject* kwnames, PyObject* const* kwvalues, PyObject* name) {
  const Py_ssize_t count = PyTuple_GET_SIZE(kwnames);
  for (Py_ssize_t k = 0; k < count; ++k) {
    if (PyTuple_GET_ITEM(kwnames, k) == name) return kwvalues[k];
  }
  // Parameter names are interned, so an interned keyword that is not `name`
  // itself names something else: only keywords made at run time are compared.
  for (Py_ssize_t k = 0; k < count; ++k) {
    PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
    if (!PyUnicode_CHECK_INTERNED(keyword) && same_name(keyword, name)) return kwvalues[k];
  }
  return nullptr;
}

// Reports the first keyword, in call order, that names no parameter or repeats a
// positional value.
[[noreturn]] void raise_keyword_error(const FunctionObject* f, PyObject* kwnames,
                                      Py_ssize_t positional) {
  const Py_ssize_t count = PyTuple_GET_SIZE(kwnames);
  for (Py_ssize_t k = 0; k < count; ++k) {
    PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
    Py_ssize_t index = 0;
    while (index < f->param_count && !same_name(keyword, f->param_names[index])) ++index;
    if (index >= positional && index < f->param_count) continue;
    if (index < positional) {
      raise_format(PyExc_TypeError, "%s() got multiple values for keyword argument '%U'",
                   f->method->name, keyword);
    }
    raise_format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'",
                 f->method->name, keyword);
  }
  raise(PyExc_SystemError, "keyword arguments could not be bound");
}

// Converts the converted parameters in their order, then tests the exact-typed
// ones in theirs: a failed conversion is reported before a failed type test.
void convert_and_test(const FunctionObject* f, Bound& bound) {
  const Py_ssize_t offset = f->has_receiver ? 1 : 0;
  const std::vector<Param>& params = f->method->params;
  for (std::size_t i = 0; i < params.size(); ++i) {
    PyObject* value = bound.objects[i + offset];
    switch (params[i].accept) {
      case Accept::Real: {
        const double real = PyFloat_CheckExact(value) ? PyFloat_AS_DOUBLE(value) : PyFloat_AsDouble(value);
        if (real == -1.0 && PyErr_Occurred()) raise_pending();
        bound.reals[i + offset] = real;
        break;
      }
      case Accept::Truth:
        bound.truths[i + offset] = truth(value);
        break;
      default:
        break;
    }
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    const Param& p = params[i];
    if (p.accept != Accept::Exact) continue;
    PyObject* value = bound.objects[i + offset];
    if (Py_IS_TYPE(value, p.exact_type) || (p.none_admitted && value == Py_None)) continue;
    raise_argument_type(p.name, p.exact_type, value);
  }
}

// Binds positional and keyword values to `values`, one per parameter, then
// applies the defaults and the exact-type tests.
void bind(const FunctionObject* f, PyObject* const* args, Py_ssize_t positional, PyObject* kwnames,
          Bound& bound) {
  PyObject** values = bound.objects;
  if (positional > f->param_count) raise_count_error(f, positional);
  for (Py_ssize_t i = 0; i < positional; ++i) values[i] = args[i];
  for (Py_ssize_t i = positional; i < f->param_count; ++i) values[i] = nullptr;

  const Py_ssize_t keyword_count = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
  if (keyword_count > 0) {
    PyObject* const* kwvalues = args + positional;
    Py_ssize_t matched = 0;
    for (Py_ssize_t i = positional; i < f->param_count; ++i) {
      values[i] = keyword_value(kwnames, kwvalues, f->param_names[i]);
      if (values[i] != nullptr) {
        ++matched;
      } else if (i < f->required_count) {
        raise_count_error(f, i);
      }
    }
    if (matched < keyword_count) raise_keyword_error(f, kwnames, positional);
  } else if (positional < f->required_count) {
    raise_count_error(f, positional);
  }

  for (Py_ssize_t i = f->required_count; i < f->param_count; ++i) {
    if (values[i] == nullptr) values[i] = PyTuple_GET_ITEM(f->defaults, i - f->required_count);
  }
  convert_and_test(f, bound);
}

PyObject* function_vectorcall(PyObject* self, PyObject* const* args, size_t nargsf,
                              PyObject* kwnames) {
  FunctionObject* f = as_function(self);
  return guarded<PyObject*>(nullptr, [&] {
    check_stack();  // a recursion through the module's functions ends in RecursionError, not a crash
    Bound bound;
    bind(f, args, PyVectorcall_NARGS(nargsf), kwnames, bound);
    return f->method->body(Args(f, f->method->params, bound, f->has_receiver)).release();
  });
}

// Binds as a method, like a plain host function: no object, no binding.
PyObject* function_get(PyObject* self, PyObject* object, PyObject*) {
  if (object == nullptr || object == Py_None) return Py_NewRef(self);
  return PyMethod_New(self, object);
}

PyObject* function_repr(PyObject* self) {
  return PyUnicode_FromFormat("<function %U at %p>", as_function(self)->qualname, self);
}

int function_traverse(PyObject* self, visitproc visit, void* arg) {
  FunctionObject* f = as_function(self);
  Py_VISIT(f->defaults);
  Py_VISIT(f->annotations);
  Py_VISIT(f->signature);
  Py_VISIT(f->owner);
  Py_VISIT(f->doc);
  return 0;
}

int function_clear(PyObject* self) {
  FunctionObject* f = as_function(self);
  Py_CLEAR(f->name);
  Py_CLEAR(f->qualname);
  Py_CLEAR(f->module);
  Py_CLEAR(f->doc);
  Py_CLEAR(f->defaults);
  Py_CLEAR(f->annotations);
  Py_CLEAR(f->signature);
  Py_CLEAR(f->owner);
  for (Py_ssize_t i = 0; i < f->param_count; ++i) Py_CLEAR(f->param_names[i]);
  return 0;
}

void function_dealloc(PyObject* self) {
  PyObject_GC_UnTrack(self);
  function_clear(self);
  PyObject_GC_Del(self);
}

// inspect.Signature of the function, with the receiver as its first parameter.
Ref build_signature(const FunctionObject* f) {
  Ref inspect = import_module("inspect");
  Ref parameter_class = get_attr(inspect.get(), checked(PyUnicode_FromString("Parameter")).get());
  Ref signature_class = get_attr(inspect.get(), checked(PyUnicode_FromString("Signature")).get());
  Ref kind = checked(PyObject_GetAttrString(parameter_class.get(), "POSITIONAL_OR_KEYWORD"));
  Ref parameters = checked(PyList_New(0));
  const Py_ssize_t offset = f->has_receiver ? 1 : 0;
  for (Py_ssize_t i = 0; i < f->param_count; ++i) {
    Ref args = checked(PyTuple_Pack(2, f->param_names[i], kind.get()));
    Ref keywords = checked(PyDict_New());
    if (i >= f->required_count) {
      checked_status(PyDict_SetItemString(keywords.get(), "default",
                                          PyTuple_GET_ITEM(f->defaults, i - f->required_count)));
    }
    if (i >= offset) {
      const char* annotation = f->method->params[i - offset].annotation;
      if (annotation != nullptr) {
        checked_status(PyDict_SetItemString(keywords.get(), "annotation", text(annotation).get()));
      }
    }
    Ref parameter = checked(PyObject_Call(parameter_class.get(), args.get(), keywords.get()));
    checked_status(PyList_Append(parameters.get(), parameter.get()));
  }
  Ref args = checked(PyTuple_Pack(1, parameters.get()));
  Ref keywords = checked(PyDict_New());
  if (f->method->returns != nullptr) {
    checked_status(PyDict_SetItemString(keywords.get(), "return_annotation",
                                        text(f->method->returns).get()));
  }
  return checked(PyObject_Call(signature_class.get(), args.get(), keywords.get()));
}

PyObject* get_name(PyObject* self, void*) { return Py_NewRef(as_function(self)->name); }
PyObject* get_qualname(PyObject* self, void*) { return Py_NewRef(as_function(self)->qualname); }
PyObject* get_module(PyObject* self, void*) { return Py_NewRef(as_function(self)->module); }
PyObject* get_doc(PyObject* self, void*) { return Py_NewRef(as_function(self)->doc); }
PyObject* get_defaults(PyObject* self, void*) { return Py_NewRef(as_function(self)->defaults); }
PyObject* get_kwdefaults(PyObject*, void*) { Py_RETURN_NONE; }
PyObject* get_annotations(PyObject* self, void*) {
  return Py_NewRef(as_function(self)->annotations);
}
PyObject* get_signature(PyObject* self, void*) {
  FunctionObject* f = as_function(self);
  return guarded<PyObject*>(nullptr, [&] {
    if (f->signature == nullptr) {
      Ref built = build_signature(f);  // runs inspect's code, which may ask for the signature again
      if (f->signature == nullptr) f->signature = built.release();
    }
    return Py_NewRef(f->signature);
  });
}

// Pickled by reference, as the host pickles its own functions: the module
// and the qualified name find the same object again.
PyObject* function_reduce(PyObject* self, PyObject*) { return Py_NewRef(as_function(self)->qualname); }

PyMethodDef function_methods[] = {
    {"__reduce__", function_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef function_getset[] = {
    {"__name__", get_name, nullptr, nullptr, nullptr},
    {"__qualname__", get_qualname, nullptr, nullptr, nullptr},
    {"__module__", get_module, nullptr, nullptr, nullptr},
    {"__doc__", get_doc, nullptr, nullptr, nullptr},
    {"__defaults__", get_defaults, nullptr, nullptr, nullptr},
    {"__kwdefaults__", get_kwdefaults, nullptr, nullptr, nullptr},
    {"__annotations__", get_annotations, nullptr, nullptr, nullptr},
    {"__signature__", get_signature, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

Ref make_defaults(const Method& method) {
  Ref items = checked(PyList_New(0));
  for (const Param& p : method.params) {
    if (!p.required()) checked_status(PyList_Append(items.get(), p.fallback.make().get()));
  }
  if (PyList_GET_SIZE(items.get()) == 0) return none();
  return checked(PyList_AsTuple(items.get()));
}

Ref make_annotations(const Method& method) {
  Ref annotations = checked(PyDict_New());
  for (const Param& p : method.params) {
    if (p.annotation != nullptr) {
      checked_status(PyDict_SetItemString(annotations.get(), p.name, text(p.annotation).get()));
    }
  }
  if (method.returns != nullptr) {
    checked_status(PyDict_SetItemString(annotations.get(), "return", text(method.returns).get()));
  }
  return annotations;
}

// Table faults are the programmer's: they fail start-up loudly.
void validate(const Method& method) {
  const std::size_t receiver = method.kind == MethodKind::Static ? 0 : 1;
  if (method.params.size() + receiver > kMaxParams) {
    throw std::logic_error(std::string(method.name) + ": too many parameters");
  }
  bool seen_default = false;
  for (const Param& p : method.params) {
    if (p.required() && seen_default) {
      throw std::logic_error(std::string(method.name) + ": required parameter after a default");
    }
    seen_default = seen_default || !p.required();
  }
  if (method.body == nullptr) throw std::logic_error(std::string(method.name) + ": no body");
}

}  // namespace

Ref Default::make() const {
  switch (kind) {
    case Kind::None:
      return none();
    case Kind::Integer:
      return checked(PyLong_FromLongLong(integer));
    case Kind::Real:
      return checked(PyFloat_FromDouble(real));
    case Kind::Text:
      return checked(PyUnicode_FromString(text));
    case Kind::Boolean:
      return checked(PyBool_FromLong(integer != 0));
    case Kind::IntegerTuple: {
      Ref tuple = checked(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
      for (std::size_t i = 0; i < items.size(); ++i) {
        PyTuple_SET_ITEM(tuple.get(), i, checked(PyLong_FromLongLong(items[i])).release());
      }
      return tuple;
    }
    case Kind::Required:
      break;
  }
  raise(PyExc_SystemError, "a required parameter has no default value");
}

void Args::refuse(std::size_t index) const {
  throw std::logic_error(std::string(function_->method->name) + ": parameter " + std::to_string(index) +
                         " is not declared so");
}

PyObject* Args::owner() const {
  if (function_->owner == nullptr) raise(PyExc_SystemError, "function has no owning class");
  return function_->owner;
}

void ready_function_type() {
  if (FunctionType.tp_flags & Py_TPFLAGS_READY) return;
  PyTypeObject& t = FunctionType;
  interpreter::make_immortal(&t);  // static, like the host's own types
  t.tp_name = "kestrinpy.function";
  t.tp_basicsize = sizeof(FunctionObject);
  t.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL |
               Py_TPFLAGS_METHOD_DESCRIPTOR;
  t.tp_doc = "A function of the kestrinpy module.";
  t.tp_vectorcall_offset = offsetof(FunctionObject, vectorcall);
  t.tp_call = PyVectorcall_Call;
  t.tp_descr_get = function_get;
  t.tp_repr = function_repr;
  t.tp_traverse = function_traverse;
  t.tp_clear = function_clear;
  t.tp_dealloc = function_dealloc;
  t.tp_getset = function_getset;
  t.tp_methods = function_methods;
  checked_status(PyType_Ready(&t));
  interpreter::learn_wrapper_layout();
}

PyTypeObject* function_type() { return &FunctionType; }

namespace {

// The wrapper a method of `kind` is registered in: a function in another one
// (a class method stored as a static method, or bare) receives other arguments.
PyTypeObject* wrapper_of(MethodKind kind) {
  switch (kind) {
    case MethodKind::Class: return &PyClassMethod_Type;
    case MethodKind::Static: return &PyStaticMethod_Type;
    case MethodKind::Instance: break;
  }
  return nullptr;
}

// The module's function with `body` that a class attribute is, in the wrapper
// of its kind (bare for an instance method), or null.
PyObject* own_function(PyObject* found, Body body) {
  if (found == nullptr) return nullptr;
  PyTypeObject* wrapper = nullptr;
  if (Py_IS_TYPE(found, &PyClassMethod_Type) || Py_IS_TYPE(found, &PyStaticMethod_Type)) {
    wrapper = Py_TYPE(found);
    found = interpreter::wrapped_callable(found);  // null for a wrapper made without __init__
    if (found == nullptr) return nullptr;
  }
  if (!Py_IS_TYPE(found, &FunctionType)) return nullptr;
  const Method* method = as_function(found)->method;
  return method->body == body && wrapper_of(method->kind) == wrapper ? found : nullptr;
}

PyObject* class_own_member(PyTypeObject* cls, PyObject* name, Body body) {
  PyTypeObject* meta = Py_TYPE(cls);
  if (meta->tp_getattro != PyType_Type.tp_getattro) return nullptr;
  if (meta != &PyType_Type && interpreter::class_member(meta, name) != nullptr) return nullptr;
  PyObject* found = own_function(interpreter::class_member(cls, name), body);
  // A class finds an instance method as the plain function, bound to nothing.
  if (found == nullptr || as_function(found)->method->kind == MethodKind::Instance) return nullptr;
  return found;
}

PyObject* instance_own_member(PyObject* self, PyObject* name, Body body) {
  PyTypeObject* type = Py_TYPE(self);
  if (type->tp_getattro != PyObject_GenericGetAttr) return nullptr;
  PyObject* found = own_function(interpreter::class_member(type, name), body);
  if (found == nullptr) return nullptr;
  PyObject* dict = PyObject_GenericGetDict(self, nullptr);
  if (dict == nullptr) {
    PyErr_Clear();
    return nullptr;
  }
  // A key that is not exactly a str may run a script's code when compared.
  const int shadowed = text_keys_only(dict) ? PyDict_Contains(dict, name) : 1;
  Py_DECREF(dict);
  if (shadowed < 0) PyErr_Clear();
  return shadowed == 0 ? found : nullptr;
}

}  // namespace

PyObject* own_member(PyObject* receiver, PyObject* name, Body body) {
  if (PyType_Check(receiver)) return class_own_member(reinterpret_cast<PyTypeObject*>(receiver), name, body);
  return instance_own_member(receiver, name, body);
}

Ref make_function(const Method& method, PyObject* qualname, PyObject* module_name) {
  validate(method);
  Ref defaults = make_defaults(method);
  Ref annotations = make_annotations(method);
  Ref name = checked(PyUnicode_InternFromString(method.name));
  Ref doc = method.doc ? text(method.doc) : none();

  FunctionObject* f = PyObject_GC_New(FunctionObject, &FunctionType);
  if (f == nullptr) raise_pending();
  f->vectorcall = function_vectorcall;
  f->method = &method;
  f->name = name.release();
  f->qualname = Py_NewRef(qualname);
  f->module = Py_NewRef(module_name);
  f->doc = doc.release();
  f->defaults = defaults.release();
  f->annotations = annotations.release();
  f->signature = nullptr;
  f->owner = nullptr;
  f->has_receiver = method.kind != MethodKind::Static;
  f->param_count = 0;
  f->required_count = 0;
  Ref function = Ref::steal(reinterpret_cast<PyObject*>(f));  // owns what is set from here on

  auto add_name = [&](const char* param_name, bool required) {
    f->param_names[f->param_count] = checked(PyUnicode_InternFromString(param_name)).release();
    ++f->param_count;
    if (required) f->required_count = f->param_count;
  };
  if (f->has_receiver) add_name(method.kind == MethodKind::Class ? "cls" : "self", true);
  for (const Param& p : method.params) add_name(p.name, p.required());
  PyObject_GC_Track(function.get());
  return function;
}

void set_function_owner(PyObject* function, PyObject* owner) {
  if (!Py_IS_TYPE(function, &FunctionType)) return;
  Py_XSETREF(as_function(function)->owner, Py_NewRef(owner));
}

}  // namespace host
