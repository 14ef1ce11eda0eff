/* The one field of the interpreter state the toolkit reads. Only the
   interpreter's internal headers describe that structure, and they compile
   as C alone, so this file is C. Checked against CPython 3.12.1. */
#define Py_BUILD_CORE 1
#include <Python.h>
#include "internal/pycore_interp.h"

/* The codec registry's cache (borrowed; null before the registry exists). */
PyObject* kestrin_codec_cache(void) { return PyInterpreterState_Get()->codec_search_cache; }
