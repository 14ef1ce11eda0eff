// The module object, held for the process once loading has begun.
#pragma once

#include "host/ref.h"

namespace host {

// Borrowed; null before the first load. Defined by each extension module that
// links the toolkit (the module unit, and the test probe).
PyObject* held_module();

// A global of the module (as module code reading `name` would); NameError when absent.
Ref module_global(PyObject* name);

}  // namespace host
