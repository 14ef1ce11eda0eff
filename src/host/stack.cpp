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

}  // namespace

namespace stack_detail {

__attribute__((tls_model("initial-exec"))) thread_local std::uintptr_t t_floor = 0;

// A thread's stack never moves or changes size: learnt once per thread. A
// stack whose bounds cannot be told is never refused (a floor of 1).
void learn_floor() { t_floor = std::max<std::uintptr_t>(lowest_address(), 1); }

void raise_exhausted() {
  PyErr_SetString(PyExc_RecursionError, "maximum recursion depth exceeded");
  throw HostError{};
}

}  // namespace stack_detail

}  // namespace host
