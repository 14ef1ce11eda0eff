// Fast paths and answers kept between calls: the toolkit's one facility for
// both, so that each is proved once, here, and not again by every binding.
//
// A fast path skips host calls (a sibling called through the host, an
// attribute read, an object made anew) where no script can tell the
// difference. The guards below are the tests of "no script can tell"; a
// binding takes a fast path only behind one of them.
//
// An answer kept between calls is a copy of something the host would work out
// again at the next call (that a name finds the module's own method, which
// decoder an encoding names, a table's verdict). It is kept only in a `Kept`,
// under a `Stamp` of the host's own marks of everything it was worked out
// from, and handed out only while a stamp taken now from the call's own
// objects is equal. The host moves each mark itself whenever what it marks
// changes, so nothing else has to say when an answer goes stale:
//   - a class's version tag: any change to the class or one of its bases
//     (their dictionaries, their bases). Not moved when a classmethod or
//     staticmethod object stored in a class is re-targeted in place by its
//     own __init__: what a wrapper holds is never kept, but read at each use
//     (own_member does);
//   - a dictionary's version: every change to it; no two dictionaries of the
//     process ever share a version, so an address reused by a new dictionary
//     shows as a new mark;
//   - the codec registry: its cache, which codecs.unregister clears;
//   - the exact bits of numbers, for answers of pure arithmetic.
// A stamp holds addresses only to compare them, never to follow them, and no
// reference. A kept answer holds no script's object: what it points to is
// the host's or the module's own, or alive for as long as its stamp holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "host/function.h"
#include "host/interpreter.h"

namespace host {

// ---- guards: where no script can tell ----

// The module's function with `body` that `receiver.name` finds, or null:
// `receiver` is an object whose class finds it, with no attribute of that name
// of its own and no attribute look-up of its own, or a class that finds it
// (no override in it or its bases, no attribute look-up of its metaclass or
// member of that name there). Class and static methods count only in the
// wrapper of their kind, and an instance method never for a class receiver
// (which gets the plain function, not one bound to it). The function returned
// (borrowed) is the one found there, so a caller that goes on to call it
// calls what the decision was about.
PyObject* own_member(PyObject* receiver, PyObject* name, Body body);
inline bool finds_own_member(PyObject* receiver, PyObject* name, Body body) {
  return own_member(receiver, name, body) != nullptr;
}

// The class that a class method found on `receiver` is bound to: the receiver
// itself when it is a class, its class otherwise. A caller that runs the body
// of a class method it found directly hands it this, as the call would.
inline PyObject* class_bound_to(PyObject* receiver) {
  return PyType_Check(receiver) ? receiver : reinterpret_cast<PyObject*>(Py_TYPE(receiver));
}

// Whether reading `object.name` takes it from the object's own dictionary by
// the host's generic look-up, with no attribute of that name in its class (no
// property or other descriptor), no __getattribute__ or __getattr__ of its
// class, and only keys that are exactly str in that dictionary: such a read
// runs no script code.
bool reads_own_attribute(PyObject* object, PyObject* name);

// cls.name for a class made by `type` itself, where reading it runs no code: a
// value in the class or its bases that is no descriptor, and `type` has no
// member of that name, so the attribute access finds just that. Null where the
// access may run a script's code, or finds nothing: read it through the host
// then. Borrowed from the class.
PyObject* plain_class_attribute(PyObject* cls, PyObject* name);

// Whether every key of the dictionary `dict` is exactly a str, so that looking
// a str up in it runs no script code (a key of another type, or of a str
// subclass, is compared by its own __eq__ when the hashes meet).
bool text_keys_only(PyObject* dict);

// Exactly a str, int, float, bool or None: no script can change such a value,
// and letting it go runs no script code.
inline bool plain_value(PyObject* value) {
  return value == Py_None || PyBool_Check(value) || PyUnicode_CheckExact(value) || PyLong_CheckExact(value) ||
         PyFloat_CheckExact(value);
}

// Whether the caller's reference is the only one, so that changing or reusing
// the object is seen by nobody (the host's own objects that live for the
// process are immortal, whose count is never 1).
inline bool sole_owner(PyObject* object) { return Py_REFCNT(object) == 1; }

// ---- kept answers ----

// One of the host's marks: an object (by address, compared and never
// followed) and the version the host gave it; or no mark, where none could
// be taken, which equals nothing.
struct Mark {
  const void* object = nullptr;
  std::uint64_t version = 0;
  bool taken = true;
  bool operator==(const Mark& other) const {
    return taken && other.taken && object == other.object && version == other.version;
  }
};

// The class through which `receiver` finds its members: the receiver itself
// when it is a class made by `type` (a metaclass of its own could add
// members), its class when it is any other object.
inline Mark members_mark(PyObject* receiver) {
  PyTypeObject* type = Py_TYPE(receiver);
  if (PyType_Check(receiver)) {
    if (type != &PyType_Type) return {.taken = false};
    type = reinterpret_cast<PyTypeObject*>(receiver);
  }
  const unsigned int version = interpreter::class_version(type);
  if (version == 0) return {.taken = false};
  return {type, version};
}
// A dictionary.
inline Mark dict_mark(PyObject* dict) { return {dict, interpreter::dict_version(dict)}; }
// An object's own attribute dictionary through the object's dictionary slot
// (interpreter::dict_slot, which may be null): the same mark while it has none.
inline Mark attributes_mark(PyObject* const* slot) {
  if (slot == nullptr || *slot == nullptr) return {};
  return dict_mark(*slot);
}
// The codec registry's cache.
inline Mark codec_registry_mark() {
  PyObject* cache = interpreter::codec_cache();
  if (cache == nullptr) return {.taken = false};
  return dict_mark(cache);
}
// The exact bits of a double (so 0.0 and -0.0, and NaNs, are told apart).
inline Mark bits_mark(double value) {
  std::uint64_t word = 0;
  std::memcpy(&word, &value, sizeof word);
  return {nullptr, word};
}

// The host's marks of what an answer was worked out from, taken at one moment.
class Stamp {
 public:
  Stamp() = default;
  Stamp(const Stamp& other) { *this = other; }
  Stamp& operator=(const Stamp& other) {
    count_ = other.count_;
    keepable_ = other.keepable_;
    for (std::uint32_t i = 0; i < count_; ++i) slots_[i] = other.slots_[i];
    return *this;
  }

  Stamp& members_of(PyObject* receiver) { return add(members_mark(receiver)); }
  Stamp& dict(PyObject* dict) { return add(dict_mark(dict)); }
  Stamp& attributes_of(PyObject* object) { return add(attributes_mark(interpreter::dict_slot(object))); }
  Stamp& codec_registry() { return add(codec_registry_mark()); }
  Stamp& bits(double value) { return add(bits_mark(value)); }
  Stamp& add(const Mark& mark) {
    if (!mark.taken || count_ == kMarks) {
      keepable_ = false;
    } else {
      slots_[count_++] = {mark.object, mark.version};
    }
    return *this;
  }

  // Whether an answer may be kept under it: every mark could be taken.
  bool keepable() const { return keepable_; }
  bool operator==(const Stamp& other) const {
    if (!keepable_ || !other.keepable_ || count_ != other.count_) return false;
    for (std::uint32_t i = 0; i < count_; ++i) {
      if (slots_[i].object != other.slots_[i].object || slots_[i].version != other.slots_[i].version) return false;
    }
    return true;
  }

 private:
  struct Slot {
    const void* object;
    std::uint64_t version;
  };
  static constexpr std::size_t kMarks = 6;
  // Only the first count_ slots are ever read or copied: a stamp is taken at
  // every call of a fast path, and setting the others would cost as much.
  Slot slots_[kMarks];
  std::uint32_t count_ = 0;
  bool keepable_ = true;
};

// Up to `Entries` answers, each kept under its stamp; the oldest makes room.
template <typename Value, std::size_t Entries = 1>
class Kept {
 public:
  // The answer kept under a stamp equal to `now`, or null. Copy it before
  // any host code runs: that code may keep another answer in its place.
  const Value* find(const Stamp& now) const {
    if (!now.keepable()) return nullptr;
    for (const Entry& entry : entries_) {
      if (entry.used && entry.stamp == now) return &entry.value;
    }
    return nullptr;
  }

  // Keeps `value` under `stamp`, taken before the answer was worked out, so
  // that a change made meanwhile shows as a new mark. Nothing is kept under a
  // stamp that is not keepable. The value replaced is let go of last, once
  // the entry is whole again.
  void keep(const Stamp& stamp, Value value) {
    if (!stamp.keepable()) return;
    Entry& entry = entries_[next_];
    next_ = (next_ + 1) % Entries;
    entry.stamp = stamp;
    entry.used = true;
    std::swap(entry.value, value);
  }

  void forget() {
    for (Entry& entry : entries_) {
      Value old{};
      entry.used = false;
      std::swap(entry.value, old);
    }
  }

 private:
  struct Entry {
    Stamp stamp;
    Value value{};
    bool used = false;
  };
  std::array<Entry, Entries> entries_{};
  std::size_t next_ = 0;
};

}  // namespace host
