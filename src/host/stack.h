// The C stack left to the running thread.
#pragma once

#include "host/ref.h"

namespace host {

// Raises RecursionError (and throws HostError) when the running thread has
// less C stack left than one more level of the module's own frames and the
// host code they call may need. The host counts Python frames, and C levels
// only up to a fixed number, which a thread made with a small stack size
// (threading.stack_size) cannot hold: a recursion that runs through the
// module's functions would otherwise overflow the stack. Called at every
// entry point and at each level of the module's own recursive walks.
void check_stack();

}  // namespace host
