#include "host/interpreter.h"

extern "C" PyObject* kestrin_codec_cache(void);

namespace host::interpreter {

namespace {

// The layout that classmethod and staticmethod objects share in CPython 3.12.
struct WrapperLayout {
  PyObject_HEAD
  PyObject* callable;
  PyObject* dict;
};
bool g_wrapper_layout_known = false;

}  // namespace

void learn_wrapper_layout() {
  Ref probe = checked(PyList_New(0));
  Ref class_wrapper = checked(PyClassMethod_New(probe.get()));
  Ref static_wrapper = checked(PyStaticMethod_New(probe.get()));
  g_wrapper_layout_known = PyClassMethod_Type.tp_basicsize == sizeof(WrapperLayout) &&
                           PyStaticMethod_Type.tp_basicsize == sizeof(WrapperLayout) &&
                           reinterpret_cast<WrapperLayout*>(class_wrapper.get())->callable == probe.get() &&
                           reinterpret_cast<WrapperLayout*>(static_wrapper.get())->callable == probe.get();
}

PyObject* wrapped_callable(PyObject* wrapper) {
  if (!g_wrapper_layout_known) return nullptr;
  return reinterpret_cast<WrapperLayout*>(wrapper)->callable;
}

// The interpreter makes that dictionary once and clears it in place, and
// the module lives in one interpreter: found once, it is the one.
PyObject* g_codec_cache = nullptr;

PyObject* kestrin_codec_cache_found() {
  g_codec_cache = kestrin_codec_cache();
  return g_codec_cache;
}

}  // namespace host::interpreter
