#include "host/generator.h"

#include <frameobject.h>

#include "host/kept.h"
#include "host/names.h"
#include "host/ops.h"
#include "host/stack.h"

namespace host {

namespace {

enum class State { Created, Suspended, Running, Finished };

struct GeneratorObject {
  PyObject_HEAD
  GeneratorBody* body;  // owned; null once finished
  State state;
  PyObject* name;
  PyObject* qualname;
  PyObject* frame;  // made on request for introspection; null until then and once finished
};

PyTypeObject GeneratorType;

GeneratorObject* as_generator(PyObject* object) { return reinterpret_cast<GeneratorObject*>(object); }

// Ends the run and releases what it holds. Never throws, and leaves a pending
// host error as it found it (it runs from deallocation too); an error of the
// release itself is reported as unraisable, as the host reports one of __del__.
void finish(GeneratorObject* g) noexcept {
  g->state = State::Finished;
  Py_CLEAR(g->frame);
  GeneratorBody* body = g->body;
  if (body == nullptr) return;
  g->body = nullptr;
  PyObject* pending = PyErr_GetRaisedException();
  const bool released = guarded<bool>(false, [&] {
    body->release();
    return !PyErr_Occurred();
  });
  if (!released) PyErr_WriteUnraisable(reinterpret_cast<PyObject*>(g));
  delete body;
  PyErr_SetRaisedException(pending);
}

bool refuse_if_running(GeneratorObject* g) {
  if (g->state != State::Running) return false;
  PyErr_SetString(PyExc_ValueError, "generator already executing");
  return true;
}

// Lets go of what a suspended run has dropped. The script code this may run
// can close the generator or take items from it, so the body is asked afresh
// each time and nothing of it is held meanwhile.
void let_go_of_dropped(GeneratorObject* g) {
  while (g->state == State::Suspended) {
    Ref dropped = g->body->dropped();
    if (!dropped) return;
  }
}

// One step of the run: the next item, or null at the end (no error) or on failure.
PyObject* step(GeneratorObject* g, bool asked_by_taker = false) {
  if (refuse_if_running(g)) return nullptr;
  let_go_of_dropped(g);
  if (g->state == State::Finished) return nullptr;
  g->state = State::Running;
  PyObject* item = guarded<PyObject*>(nullptr, [&] {
    check_stack();
    g->body->set_asked_by_taker(asked_by_taker);
    return g->body->next().release();
  });
  if (item == nullptr) {
    finish(g);
    return nullptr;
  }
  g->state = State::Suspended;
  return item;
}

PyObject* generator_iternext(PyObject* self) { return step(as_generator(self)); }

PyObject* generator_send(PyObject* self, PyObject* value) {
  GeneratorObject* g = as_generator(self);
  if (g->state == State::Created && value != Py_None) {
    PyErr_SetString(PyExc_TypeError, "can't send non-None value to a just-started generator");
    return nullptr;
  }
  PyObject* item = step(g);
  if (item == nullptr && !PyErr_Occurred()) PyErr_SetNone(PyExc_StopIteration);
  return item;
}

// An instance of the exception class `type` made from `value`, as the host
// makes it for raise and throw: a tuple gives the arguments; whatever the class
// makes must be an exception (its __new__ is a script's and may answer anything).
PyObject* make_exception(PyObject* type, PyObject* value) {
  PyObject* exception = value == nullptr || value == Py_None ? PyObject_CallNoArgs(type)
                        : PyTuple_Check(value)              ? PyObject_Call(type, value, nullptr)
                                                            : PyObject_CallOneArg(type, value);
  if (exception != nullptr && !PyExceptionInstance_Check(exception)) {
    PyErr_Format(PyExc_TypeError, "calling %R should have returned an instance of BaseException, not %s", type,
                 Py_TYPE(exception)->tp_name);
    Py_CLEAR(exception);
  }
  return exception;
}

// The exception that throw(type[, value[, traceback]]) raises in the run, as
// the host builds it; null (with the error set) when throw() itself fails.
PyObject* thrown_exception(PyObject* type, PyObject* value, PyObject* traceback) {
  if (traceback == Py_None) traceback = nullptr;
  if (traceback != nullptr && !PyTraceBack_Check(traceback)) {
    PyErr_SetString(PyExc_TypeError, "throw() third argument must be a traceback object");
    return nullptr;
  }
  PyObject* exception = nullptr;
  if (PyExceptionClass_Check(type)) {
    if (value != nullptr && PyObject_TypeCheck(value, reinterpret_cast<PyTypeObject*>(type))) {
      exception = Py_NewRef(value);
    } else {
      exception = make_exception(type, value);
      // As with the host's generators, what failed in making it is thrown in instead.
      if (exception == nullptr) return PyErr_GetRaisedException();
    }
  } else if (PyExceptionInstance_Check(type)) {
    if (value != nullptr && value != Py_None) {
      PyErr_SetString(PyExc_TypeError, "instance exception may not have a separate value");
      return nullptr;
    }
    exception = Py_NewRef(type);
  } else {
    PyErr_Format(PyExc_TypeError, "exceptions must be classes or instances deriving from BaseException, not %s",
                 Py_TYPE(type)->tp_name);
    return nullptr;
  }
  if (exception != nullptr && traceback != nullptr) PyException_SetTraceback(exception, traceback);
  return exception;
}

PyObject* generator_throw(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
  GeneratorObject* g = as_generator(self);
  if (nargs < 1) {
    PyErr_Format(PyExc_TypeError, "throw expected at least 1 argument, got %zd", nargs);
    return nullptr;
  }
  if (nargs > 3) {
    PyErr_Format(PyExc_TypeError, "throw expected at most 3 arguments, got %zd", nargs);
    return nullptr;
  }
  if (nargs > 1 && PyErr_WarnEx(PyExc_DeprecationWarning,
                                "the (type, exc, tb) signature of throw() is deprecated, "
                                "use the single-arg signature instead.",
                                1) < 0) {
    return nullptr;
  }
  if (refuse_if_running(g)) return nullptr;
  PyObject* exception = thrown_exception(args[0], nargs > 1 ? args[1] : nullptr, nargs > 2 ? args[2] : nullptr);
  if (exception == nullptr) return nullptr;
  // The run has no handlers: the exception ends it wherever it stands.
  finish(g);
  PyErr_SetRaisedException(exception);
  return nullptr;
}

PyObject* generator_close(PyObject* self, PyObject*) {
  GeneratorObject* g = as_generator(self);
  if (refuse_if_running(g)) return nullptr;
  finish(g);
  Py_RETURN_NONE;
}

PyObject* generator_repr(PyObject* self) {
  return PyUnicode_FromFormat("<generator object %U at %p>", as_generator(self)->qualname, self);
}

int generator_traverse(PyObject* self, visitproc visit, void* arg) {
  GeneratorObject* g = as_generator(self);
  Py_VISIT(g->frame);
  return g->body != nullptr ? g->body->traverse(visit, arg) : 0;
}

int generator_clear(PyObject* self) {
  finish(as_generator(self));
  return 0;
}

void generator_dealloc(PyObject* self) {
  PyObject_GC_UnTrack(self);
  GeneratorObject* g = as_generator(self);
  finish(g);
  Py_CLEAR(g->name);
  Py_CLEAR(g->qualname);
  PyObject_GC_Del(self);
}

PyObject* get_name(PyObject* self, void*) { return Py_NewRef(as_generator(self)->name); }
PyObject* get_qualname(PyObject* self, void*) { return Py_NewRef(as_generator(self)->qualname); }
PyObject* get_running(PyObject* self, void*) { return PyBool_FromLong(as_generator(self)->state == State::Running); }
PyObject* get_suspended(PyObject* self, void*) {
  return PyBool_FromLong(as_generator(self)->state == State::Suspended);
}

// An empty frame named like the function: the run has no Python frame of its own.
Ref make_frame(PyObject* qualname) {
  PyCodeObject* code = PyCode_NewEmpty("<kestrinpy>", utf8(qualname).data(), 0);
  if (code == nullptr) raise_pending();
  Ref owned_code = Ref::steal(reinterpret_cast<PyObject*>(code));
  Ref globals = checked(PyDict_New());
  Ref locals = checked(PyDict_New());
  return checked(reinterpret_cast<PyObject*>(PyFrame_New(PyThreadState_Get(), code, globals.get(), locals.get())));
}

// A frame while the run can go on, None once it has ended, as the host's
// generators answer: inspect.getgeneratorstate and getgeneratorlocals read it.
PyObject* get_frame(PyObject* self, void*) {
  GeneratorObject* g = as_generator(self);
  if (g->state == State::Finished) Py_RETURN_NONE;
  return guarded<PyObject*>(nullptr, [&] {
    if (g->frame == nullptr) g->frame = make_frame(g->qualname).release();
    return Py_NewRef(g->frame);
  });
}

PyMethodDef generator_methods[] = {
    {"send", generator_send, METH_O, "send(value) -> the next item; the value is not used."},
    {"throw", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(generator_throw)), METH_FASTCALL,
     "throw(value) -> raises the exception where the run stands, which ends it."},
    {"close", generator_close, METH_NOARGS, "close() -> None; ends the run and releases what it holds."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef generator_getset[] = {
    {"__name__", get_name, nullptr, nullptr, nullptr},
    {"__qualname__", get_qualname, nullptr, nullptr, nullptr},
    {"gi_running", get_running, nullptr, nullptr, nullptr},
    {"gi_suspended", get_suspended, nullptr, nullptr, nullptr},
    {"gi_frame", get_frame, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

void ready_generator_type() {
  if (GeneratorType.tp_flags & Py_TPFLAGS_READY) return;
  PyTypeObject& t = GeneratorType;
  interpreter::make_immortal(&t);  // static, like the host's own types
  t.tp_name = "kestrinpy.generator";
  t.tp_basicsize = sizeof(GeneratorObject);
  t.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC;
  t.tp_doc = "A generator of the kestrinpy module.";
  t.tp_iter = PyObject_SelfIter;
  t.tp_iternext = generator_iternext;
  t.tp_repr = generator_repr;
  t.tp_traverse = generator_traverse;
  t.tp_clear = generator_clear;
  t.tp_dealloc = generator_dealloc;
  t.tp_methods = generator_methods;
  t.tp_getset = generator_getset;
  checked_status(PyType_Ready(&t));
  Ref abc = import_module("collections.abc");
  Ref generator = checked(PyObject_GetAttrString(abc.get(), "Generator"));
  call_method(generator.get(), checked(PyUnicode_FromString("register")).get(), reinterpret_cast<PyObject*>(&t));
}

GeneratorBody* generator_body(PyObject* object) {
  if (!Py_IS_TYPE(object, &GeneratorType) || !sole_owner(object)) return nullptr;
  GeneratorObject* g = as_generator(object);
  return g->state == State::Created ? g->body : nullptr;
}

PyObject* taken_next(PyObject* generator) {
  if (!Py_IS_TYPE(generator, &GeneratorType)) return PyIter_Next(generator);
  return step(as_generator(generator), true);
}

Ref make_generator(std::unique_ptr<GeneratorBody> body, PyObject* function) {
  Ref name = get_attr(function, names::__name__);
  Ref qualname = get_attr(function, names::__qualname__);
  GeneratorObject* g = PyObject_GC_New(GeneratorObject, &GeneratorType);
  if (g == nullptr) raise_pending();
  g->body = body.release();
  g->state = State::Created;
  g->name = name.release();
  g->qualname = qualname.release();
  g->frame = nullptr;
  PyObject_GC_Track(reinterpret_cast<PyObject*>(g));
  return Ref::steal(reinterpret_cast<PyObject*>(g));
}

}  // namespace host
