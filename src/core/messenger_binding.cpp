// Messenger: a synchronous publish/subscribe bus owned by each object.
//
// The table is always reached through the object's `subscribers` attribute, so a
// script that replaces it replaces the bus; it may be any mapping of sequences,
// with fast paths for the plain dict and list the constructor makes.
#include "core/classes.h"
#include "core/names.h"
#include "host/ops.h"

namespace core {

using host::Args;
using host::checked;
using host::checked_status;
using host::Ref;

namespace {

Ref subscribers_of(PyObject* self) { return host::get_attr(self, names::subscribers); }

bool is_empty_text(PyObject* key) { return PyUnicode_Check(key) && PyUnicode_GET_LENGTH(key) == 0; }

void append_slot(PyObject* slots, PyObject* slot) {
  if (PyList_CheckExact(slots)) {
    checked_status(PyList_Append(slots, slot));
  } else {
    host::call_method(slots, names::append, slot);
  }
}

Ref construct(const Args& args) {
  Ref table = checked(PyDict_New());
  host::set_attr(args.self(), names::subscribers, table.get());
  return host::none();
}

Ref subscribe(const Args& args) {
  PyObject* key = args[0];
  PyObject* slot = args[1];
  if (!host::truth(slot)) {
    host::raise(PyExc_TypeError, "The [messageSlot] parameter should not be empty.");
  }
  if (!PyCallable_Check(slot)) {
    host::raise_text(PyExc_TypeError, host::concat_format("The [messageSlot - ", slot,
                                                          "] parameter must be a callable function."));
  }
  if (is_empty_text(key)) host::raise(PyExc_TypeError, "The [messageKey] parameter should not be empty.");

  Ref table = subscribers_of(args.self());
  if (!host::contains(table.get(), key)) {
    Ref fresh = checked(PyList_New(0));
    checked_status(PyObject_SetItem(table.get(), key, fresh.get()));
  }
  Ref slots = host::get_item(table.get(), key);
  if (!host::contains(slots.get(), slot)) append_slot(slots.get(), slot);
  return host::none();
}

Ref unsubscribe(const Args& args) {
  PyObject* key = args[0];
  PyObject* slot = args[1];
  Ref table = subscribers_of(args.self());
  if (key == Py_None || is_empty_text(key)) {
    if (PyDict_CheckExact(table.get())) {
      PyDict_Clear(table.get());
    } else {
      host::call_method(table.get(), names::clear);
    }
    return host::none();
  }
  if (!host::contains(table.get(), key)) {
    host::raise_text(PyExc_TypeError, host::concat_format("The [messageKey - ", key, "] parameter not found."));
  }
  if (!host::truth(slot)) {
    checked_status(PyObject_DelItem(table.get(), key));
    return host::none();
  }
  Ref slots = host::get_item(table.get(), key);
  if (host::contains(slots.get(), slot)) {
    host::call_method(slots.get(), names::remove, slot);
    return host::none();
  }
  Ref label = PyCallable_Check(slot) ? host::get_attr(slot, names::__name__) : Ref::borrow(slot);
  host::raise_text(PyExc_TypeError, host::concat_format("The [messageSlot - ", label.get(), "] parameter not found."));
}

// The list stored under `key`, or null when the key is not in the table.
Ref slots_under(PyObject* table, PyObject* key) {
  if (PyDict_CheckExact(table)) {
    PyObject* slots = PyDict_GetItemWithError(table, key);
    if (slots == nullptr && PyErr_Occurred()) host::raise_pending();
    return Ref::borrow(slots);
  }
  if (!host::contains(table, key)) return Ref();
  return host::get_item(table, key);
}

// The slot at `position`, or null past the current end of the list.
Ref slot_at(PyObject* slots, Py_ssize_t position) {
  if (PyList_CheckExact(slots)) {
    if (position >= PyList_GET_SIZE(slots)) return Ref();
    return Ref::borrow(PyList_GET_ITEM(slots, position));
  }
  const Py_ssize_t size = PyObject_Size(slots);
  if (size < 0) host::raise_pending();
  if (position >= size) return Ref();
  return host::get_index(slots, position);  // slots[position], as the host reads any container
}

// Prints the error of a slot through the host's print; errors outside the
// Exception family (interrupts, exit requests) are left to propagate.
void report_slot_error() {
  if (!PyErr_ExceptionMatches(PyExc_Exception)) host::raise_pending();
  Ref error = Ref::steal(PyErr_GetRaisedException());
  Ref line = host::concat_format("Error in message slot: ", error.get());
  host::call(host::builtin(names::print).get(), line.get());
}

Ref publish(const Args& args) {
  PyObject* key = args[0];
  PyObject* value = args[1];
  Ref table = subscribers_of(args.self());
  // The walk keeps this list object to the end and re-reads its length at every
  // step, so slots may subscribe and unsubscribe while it runs.
  Ref slots = slots_under(table.get(), key);
  if (!slots) return host::none();
  for (Py_ssize_t position = 0;; ++position) {
    Ref slot = slot_at(slots.get(), position);
    if (!slot) break;
    PyObject* result = PyObject_CallOneArg(slot.get(), value);
    if (result != nullptr) {
      Py_DECREF(result);
    } else {
      report_slot_error();
    }
  }
  return host::none();
}

constexpr const char* kMessengerDoc =
    "消息订阅与发布器，通常用于跟踪处理进度。\n"
    "\n"
    "用法：\n"
    "    1. 创建消息器：messenger = Messenger()\n"
    "    2. 定义消息槽：def onProgress(value): print(value)\n"
    "    3. 订阅消息：messenger.subscribe('progress', onProgress)\n"
    "    4. 发布消息：messenger.publish('progress', {'index': 0, 'count': 10})\n";

}  // namespace

const host::ClassSpec& messenger_class() {
  using host::param;
  static const host::ClassSpec spec{
      .name = "Messenger",
      .base = nullptr,
      .doc = kMessengerDoc,
      .members = {
          host::Method{.name = "__init__", .doc = "创建消息器，订阅表为空。", .body = construct},
          host::Method{
              .name = "subscribe",
              .params = {param("key", "str").exactly(&PyUnicode_Type), param("slot", "Callable")},
              .returns = "None",
              .doc = "在消息键 key 下订阅消息槽 slot（同一消息槽只订阅一次）。",
              .body = subscribe,
          },
          host::Method{
              .name = "unsubscribe",
              .params = {param("key", "Union[str, None]")
                             .exactly(&PyUnicode_Type)
                             .or_none()
                             .defaults_to(host::none_default()),
                         param("slot", "Union[Callable, None]").defaults_to(host::none_default())},
              .returns = "None",
              .doc = "取消订阅：不给消息键时清空订阅表；只给消息键时删除该键；否则删除该键下的消息槽。",
              .body = unsubscribe,
          },
          host::Method{
              .name = "publish",
              .params = {param("key", "str").exactly(&PyUnicode_Type).or_none().defaults_to(host::none_default()),
                         param("value", "Any").defaults_to(host::none_default())},
              .returns = "None",
              .doc = "发布消息：依订阅顺序以 value 调用消息键 key 下的每个消息槽。",
              .body = publish,
          },
      },
  };
  return spec;
}

}  // namespace core
