#include "host/stack.h"

#include <pthread.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace host {

namespace {

// Room kept below the deepest frame that checks: a level of the module's
// frames with the host code below it takes a few KiB (several times that
// under AddressSanitizer); a quarter of a small stack at most.
constexpr std::size_t kMargin = 128 * 1024;

// The lowest address a check may see on this thread, learnt at its first
// check: a thread's stack never moves or changes size.
std::uintptr_t lowest_address() {
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 0;
  void* base = nullptr;
  std::size_t size = 0;
  const bool known = pthread_attr_getstack(&attributes, &base, &size) == 0;
  pthread_attr_destroy(&attributes);
  if (!known) return 0;
  return reinterpret_cast<std::uintptr_t>(base) + std::min(kMargin, size / 4);
}

struct ThreadStack {
  std::uintptr_t lowest = 0;
  bool known = false;
};
// Initial-exec: read at every call, so it takes no look-up of the module's TLS block.
__attribute__((tls_model("initial-exec"))) thread_local ThreadStack t_stack;

}  // namespace

void check_stack() {
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  if (!t_stack.known) [[unlikely]] {
    t_stack.lowest = lowest_address();
    t_stack.known = true;
  }
  if (here < t_stack.lowest) [[unlikely]] {
    PyErr_SetString(PyExc_RecursionError, "maximum recursion depth exceeded");
    throw HostError{};
  }
}

}  // namespace host
