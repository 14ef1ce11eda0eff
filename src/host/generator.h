// A host generator driven by a C++ state machine: next, send, throw, close and
// iteration behave as for a generator function whose body has no handlers, so
// an error (or a thrown exception) ends the run and releases what it holds.
#pragma once

#include <memory>
#include <utility>

#include "host/ref.h"

namespace host {

class GeneratorBody {
 public:
  virtual ~GeneratorBody() = default;
  // The next item, or an empty Ref (and no host error) once the run is over.
  // Throws HostError on failure; the run then ends.
  virtual Ref next() = 0;
  // Lets go of what the run holds (open files...); called once when it ends,
  // is closed or is released.
  virtual void release() {}
  // Visits the host objects the run holds, for the cycle collector.
  virtual int traverse(visitproc, void*) { return 0; }
  // Something the run keeps but no longer needs, handed over to be let go of
  // before the next request, or an empty Ref. Asked again after each one until
  // empty: letting it go may run a script's code (its __del__), and it runs
  // while the generator is suspended, so that code may use the generator as
  // between any two requests.
  virtual Ref dropped() { return Ref(); }

  // Whether the request being answered came through taken_next, from the
  // caller that took the body, and not from a script that reached the
  // generator another way (the cycle collector lists every generator).
  bool asked_by_taker() const { return asked_by_taker_; }
  void set_asked_by_taker(bool asked) { asked_by_taker_ = asked; }

 private:
  bool asked_by_taker_ = false;
};

// The body of a generator of this module that has not started yet and that
// nobody but the caller holds, or null. The caller may have the body answer
// its own requests otherwise (asked_by_taker), made through taken_next: a
// script that finds the generator all the same gets the usual items.
GeneratorBody* generator_body(PyObject* object);

// next(generator) for the caller that took its body: a new reference, or null
// at the end (no error) or on failure, as PyIter_Next answers.
PyObject* taken_next(PyObject* generator);

// Makes the generator type ready and registers it as a collections.abc.Generator.
void ready_generator_type();

// A new generator object running `body`, named like the function `function`.
Ref make_generator(std::unique_ptr<GeneratorBody> body, PyObject* function);

// Drives a pure C++ state machine (no host types) as a generator: `step` takes
// the machine and answers the next item as a host object, or an empty Ref at
// the end; it raises the machine's failures as host errors. A machine wrapped
// with host objects that a caller may also reach (items it hands out again)
// has `int traverse(visitproc, void*)`, which the cycle collector calls.
template <typename Machine, typename Step>
class MachineBody final : public GeneratorBody {
 public:
  MachineBody(Machine machine, Step step) : machine_(std::move(machine)), step_(std::move(step)) {}
  Ref next() override { return step_(machine_); }
  // A machine that keeps host objects it has handed out visits them itself.
  int traverse(visitproc visit, void* arg) override {
    if constexpr (requires(Machine& m) { m.traverse(visit, arg); }) return machine_.traverse(visit, arg);
    return 0;
  }
  // A machine that keeps what it has handed out hands over what it no longer needs.
  Ref dropped() override {
    if constexpr (requires(Machine& m) { m.dropped(); }) return machine_.dropped();
    return Ref();
  }

 private:
  Machine machine_;
  Step step_;
};

template <typename Machine, typename Step>
Ref make_machine_generator(Machine machine, Step step, PyObject* function) {
  return make_generator(std::make_unique<MachineBody<Machine, Step>>(std::move(machine), std::move(step)), function);
}

}  // namespace host
