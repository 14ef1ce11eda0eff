// The C stack left to the running thread.
#pragma once

#include <cstdint>

#include "host/ref.h"

namespace host {

namespace stack_detail {
// The lowest address a check may see on this thread (0: not learnt yet), read
// at every call: initial-exec, so it takes no look-up of the module's TLS block.
extern __attribute__((tls_model("initial-exec"))) thread_local std::uintptr_t t_floor;
void learn_floor();
[[noreturn]] void raise_exhausted();
}  // namespace stack_detail

// Raises RecursionError (and throws HostError) when the running thread has
// less C stack left than one more level of the module's own frames and the
// host code they call may need. The host counts Python frames, and C levels
// only up to a fixed number, which a thread made with a small stack size
// (threading.stack_size) cannot hold: a recursion that runs through the
// module's functions would otherwise overflow the stack. Called at every
// entry point and at each level of the module's own recursive walks.
inline void check_stack() {
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  if (stack_detail::t_floor == 0) [[unlikely]] stack_detail::learn_floor();
  if (here < stack_detail::t_floor) [[unlikely]] stack_detail::raise_exhausted();
}

}  // namespace host
