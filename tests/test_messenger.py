"""The message bus: subscribing, unsubscribing, and publishing over a live list."""
import contextlib
import gc
import io
import unittest

from src import kestrinpy
from tests.support import outcome
from tests.test_hostile_core import Log, PlainMessenger, run_bus


def publish_capturing(messenger, key, value=None):
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        messenger.publish(key, value)
    return out.getvalue()


class Recorder:
    """Slots that note their calls in one shared list."""

    def __init__(self):
        self.calls = []

    def slot(self, name, action=None):
        def call(value):
            self.calls.append(name)
            if action:
                action(value)
        call.__name__ = name
        return call


class SubscribeTest(unittest.TestCase):
    def setUp(self):
        self.m = kestrinpy.Messenger()

    def test_one_entry_per_equal_slot(self):
        class Target:
            def method(self, value):
                pass

        target = Target()
        self.m.subscribe("k", print)
        self.m.subscribe("k", print)
        self.m.subscribe("k", target.method)
        self.m.subscribe("k", target.method)  # a fresh bound method, equal to the first
        self.m.subscribe("other", print)
        self.assertEqual(self.m.subscribers, {"k": [print, target.method], "other": [print]})
        self.m.unsubscribe("k", target.method)
        self.assertEqual(self.m.subscribers["k"], [print])

    def test_refusals(self):
        cases = [
            (("k", None), "The [messageSlot] parameter should not be empty."),
            (("", None), "The [messageSlot] parameter should not be empty."),
            (("k", 0), "The [messageSlot] parameter should not be empty."),
            (("k", []), "The [messageSlot] parameter should not be empty."),
            (("k", 42), "The [messageSlot - 42] parameter must be a callable function."),
            (("", "text"), "The [messageSlot - text] parameter must be a callable function."),
            (("", print), "The [messageKey] parameter should not be empty."),
        ]
        for args, text in cases:
            with self.subTest(args), self.assertRaises(TypeError) as caught:
                self.m.subscribe(*args)
            self.assertEqual(str(caught.exception), text)
        self.assertEqual(self.m.subscribers, {})

    def test_failing_truth_test_passes_through(self):
        class Broken:
            def __bool__(self):
                raise ZeroDivisionError("truth")

        with self.assertRaises(ZeroDivisionError):
            self.m.subscribe("k", Broken())

    def test_slot_judged_before_table(self):
        bare = kestrinpy.Messenger.__new__(kestrinpy.Messenger)
        with self.assertRaises(TypeError):
            bare.subscribe("k", None)
        for call in (lambda: bare.subscribe("k", print), lambda: bare.unsubscribe(), lambda: bare.publish("k")):
            with self.assertRaises(AttributeError):
                call()

    def test_replaced_table_is_used(self):
        table = {}
        self.m.subscribers = table
        self.m.subscribe("k", print)
        self.assertEqual(table, {"k": [print]})

    def test_constructor_again_drops_subscriptions(self):
        self.m.subscribe("k", print)
        self.m.__init__()
        self.assertEqual(self.m.subscribers, {})


class UnsubscribeTest(unittest.TestCase):
    def setUp(self):
        self.m = kestrinpy.Messenger()
        self.m.subscribe("a", print)
        self.m.subscribe("b", repr)

    def test_no_key_empties_the_table(self):
        for args in [(), (None, print), ("", print), ("", 42)]:
            with self.subTest(args):
                table = self.m.subscribers = {"a": [print]}
                self.m.unsubscribe(*args)
                self.assertEqual(self.m.subscribers, {})
                self.assertIs(self.m.subscribers, table)  # emptied in place

    def test_key_alone_removes_the_key(self):
        self.m.unsubscribe("a")
        self.assertEqual(self.m.subscribers, {"b": [repr]})
        self.m.unsubscribe("b", 0)  # a false slot counts as no slot
        self.assertEqual(self.m.subscribers, {})

    def test_last_slot_leaves_an_empty_list(self):
        slots = self.m.subscribers["a"]
        self.m.unsubscribe("a", print)
        self.assertEqual(self.m.subscribers["a"], [])
        self.assertEqual(publish_capturing(self.m, "a", 1), "")
        self.m.subscribe("a", repr)
        self.assertIs(self.m.subscribers["a"], slots)
        self.assertEqual(slots, [repr])

    def test_not_found(self):
        def stranger(value):
            pass

        cases = [
            (("zz",), "The [messageKey - zz] parameter not found."),
            (("a", stranger), "The [messageSlot - stranger] parameter not found."),
            (("a", 42), "The [messageSlot - 42] parameter not found."),
        ]
        for args, text in cases:
            with self.subTest(args), self.assertRaises(TypeError) as caught:
                self.m.unsubscribe(*args)
            self.assertEqual(str(caught.exception), text)
        with self.assertRaises(TypeError) as caught:
            kestrinpy.Messenger().unsubscribe("zz")
        self.assertEqual(str(caught.exception), "The [messageKey - zz] parameter not found.")
        self.assertEqual(self.m.subscribers, {"a": [print], "b": [repr]})

    def test_nameless_callable_gives_attribute_error(self):
        class Callable:
            def __call__(self, value):
                pass

        with self.assertRaises(AttributeError):
            self.m.unsubscribe("a", Callable())


class PublishTest(unittest.TestCase):
    def setUp(self):
        self.m = kestrinpy.Messenger()
        self.rec = Recorder()

    def test_slots_run_in_order_with_one_value(self):
        seen = []
        value = object()
        self.m.subscribe("k", seen.append)
        self.m.subscribe("k", lambda v: seen.append(v is value))
        self.m.subscribe("other", self.rec.slot("x"))
        self.assertIsNone(self.m.publish("k", value))
        self.assertEqual(seen, [value, True])
        self.assertEqual(self.rec.calls, [])

    def test_unknown_key_does_nothing(self):
        self.m.subscribe("k", self.rec.slot("a"))
        for args in [(), ("zz",), (None, 1), ("", 1)]:
            with self.subTest(args):
                out = io.StringIO()
                with contextlib.redirect_stdout(out):
                    self.assertIsNone(self.m.publish(*args))
                self.assertEqual(out.getvalue(), "")
        self.assertEqual(self.rec.calls, [])

    def test_none_key_stored_by_a_script(self):
        self.m.subscribers[None] = [self.rec.slot("a")]
        self.m.publish()
        self.assertEqual(self.rec.calls, ["a"])

    def test_errors_of_slots_are_printed(self):
        def value_error(value):
            raise ValueError("bad")

        def key_error(value):
            raise KeyError("x")

        def bare_error(value):
            raise RuntimeError

        for slot in (value_error, key_error, bare_error):
            self.m.subscribe("k", slot)
        self.m.subscribe("k", self.rec.slot("after"))
        self.assertEqual(publish_capturing(self.m, "k"),
                         "Error in message slot: bad\nError in message slot: 'x'\nError in message slot: \n")
        self.assertEqual(self.rec.calls, ["after"])

    def test_interrupts_propagate(self):
        for error in (KeyboardInterrupt, SystemExit, GeneratorExit):
            with self.subTest(error.__name__):
                m = kestrinpy.Messenger()
                rec = Recorder()

                def stop(value):
                    raise error

                m.subscribe("k", stop)
                m.subscribe("k", rec.slot("later"))
                with self.assertRaises(error):
                    m.publish("k")
                self.assertEqual(rec.calls, [])

    def test_failing_print_ends_the_walk(self):
        class Unprintable(Exception):
            def __str__(self):
                raise LookupError("no text")

        def slot(value):
            raise Unprintable()

        self.m.subscribe("k", slot)
        self.m.subscribe("k", self.rec.slot("later"))
        with self.assertRaises(LookupError):
            self.m.publish("k")
        self.assertEqual(self.rec.calls, [])


class LiveWalkTest(unittest.TestCase):
    def setUp(self):
        self.m = kestrinpy.Messenger()
        self.rec = Recorder()

    def subscribe(self, *slots):
        for slot in slots:
            self.m.subscribe("k", slot)

    def test_slot_that_unsubscribes_itself_skips_the_next(self):
        a = self.rec.slot("A", lambda v: self.m.unsubscribe("k", a))
        self.subscribe(a, self.rec.slot("B"), self.rec.slot("C"))
        self.m.publish("k")
        self.m.publish("k")
        self.assertEqual(self.rec.calls, ["A", "C", "B", "C"])

    def test_slot_subscribed_during_the_walk_runs_in_it(self):
        d = self.rec.slot("D")
        self.subscribe(self.rec.slot("A", lambda v: self.m.subscribe("k", d)), self.rec.slot("B"))
        self.m.publish("k")
        self.assertEqual(self.rec.calls, ["A", "B", "D"])

    def test_removing_the_key_or_table_does_not_stop_the_walk(self):
        for drop in (lambda: self.m.unsubscribe("k"), lambda: self.m.unsubscribe(),
                     lambda: setattr(self.m, "subscribers", {})):
            with self.subTest():
                self.m.__init__()
                self.rec.calls.clear()
                late = self.rec.slot("late")
                self.subscribe(self.rec.slot("A", lambda v: (drop(), self.m.subscribe("k", late))),
                               self.rec.slot("B"))
                self.m.publish("k")
                self.assertEqual(self.rec.calls, ["A", "B"])
                self.assertEqual(self.m.subscribers, {"k": [late]})

    def test_walk_owns_what_it_calls(self):
        # The only references to the list and to the slots are the table's; the
        # slot clears the table while it is running.
        def make_slot(name):
            return self.rec.slot(name, lambda v: (self.m.subscribers.clear(), gc.collect()))

        self.m.subscribers = {"k": [make_slot("A"), self.rec.slot("B")]}
        self.m.publish("k")
        self.assertEqual(self.rec.calls, ["A", "B"])

    def test_list_shrinking_under_the_walk(self):
        def shrink(value):
            self.m.subscribers["k"].clear()

        self.subscribe(self.rec.slot("A", shrink), self.rec.slot("B"))
        self.m.publish("k")
        self.assertEqual(self.rec.calls, ["A"])

    def test_nested_publication_runs_to_its_end_first(self):
        self.m.subscribe("inner", self.rec.slot("inner"))
        self.subscribe(self.rec.slot("A", lambda v: self.m.publish("inner")), self.rec.slot("B"))
        self.m.publish("k")
        self.assertEqual(self.rec.calls, ["A", "inner", "B"])

    def test_sequence_stored_by_a_script(self):
        self.m.subscribers = {"k": (self.rec.slot("A"), self.rec.slot("B"))}
        self.m.publish("k")
        self.assertEqual(self.rec.calls, ["A", "B"])


class SharedTablesTest(unittest.TestCase):
    """Tables of dictionaries and lists that share their lists or hold
    themselves: what the bus written out in Python gives."""

    def rows(self):
        def two_keys(bus, log):
            bus.subscribe("a", log.slot("A"))
            bus.subscribers["b"] = bus.subscribers["a"]
            slot_b = log.slot("B")
            return lambda: (bus.subscribe("b", slot_b), bus.publish("a", 1), bus.unsubscribe("a", slot_b),
                            bus.publish("b", 2))

        def list_in_itself(bus, log):
            bus.subscribe("k", log.slot("A"))
            slots = bus.subscribers["k"]
            slots.append(slots)
            return lambda: (bus.subscribe("k", log.slot("B")), bus.publish("k", 1), bus.unsubscribe("k", slots),
                            bus.publish("k", 2))

        def table_in_itself(bus, log):
            bus.subscribers["k"] = bus.subscribers
            slot = log.slot("A")
            return lambda: [outcome(call) for call in (lambda: bus.publish("k"), lambda: bus.subscribe("k", slot),
                                                          lambda: bus.unsubscribe("k", slot))]

        def slots_as_the_value(bus, log):
            late = log.slot("late")
            bus.subscribe("k", log.slot("A", lambda: bus.subscribers["k"].append(late)))
            return lambda: bus.publish("k", bus.subscribers["k"])

        def slots_cleared_through_the_value(bus, log):
            def clear_value():
                bus.subscribers["k"][:] = []
            bus.subscribe("k", log.slot("A", clear_value))
            bus.subscribe("k", log.slot("B"))
            return lambda: bus.publish("k", bus.subscribers)

        def table_as_the_value(bus, log):
            bus.subscribe("k", log.slot("A", lambda: bus.subscribers.clear()))
            bus.subscribe("k", log.slot("B"))
            return lambda: bus.publish("k", bus.subscribers)

        return [
            ("one list under two keys", two_keys),
            ("a slot list that holds itself", list_in_itself),
            ("a table that holds itself", table_in_itself),
            ("the slot list as the value", slots_as_the_value),
            ("slots cleared while the table is the value", slots_cleared_through_the_value),
            ("the table as the value", table_as_the_value),
        ]

    def test_rows(self):
        for label, row in self.rows():
            with self.subTest(label):
                self.assertEqual(run_bus(kestrinpy.Messenger, row), run_bus(PlainMessenger, row))


if __name__ == "__main__":
    unittest.main()
