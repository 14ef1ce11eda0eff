"""Script code in the middle of the calls of the module core and the binding
toolkit: the message bus, the byte helpers and their codecs, the argument
binder, the generator object, the JSON writer and the equality helper.

Each row runs one entry point with one hostile object or slot that changes or
frees what the call is walking (empties it, replaces an item, drops the last
reference, re-enters, raises). Where there is a plain form (the bus written out
in Python from its own rules, bytes.decode, a Python function with the
binder's rules, a generator function, json.dumps) the outcomes must be equal;
otherwise the call must answer or raise an Exception. A crash ends the run
(make sanitize, and make hostile under PYTHONMALLOC=debug)."""
import builtins
import codecs
import collections
import contextlib
import gc
import io
import json
import pathlib
import shutil
import tempfile
import types
import unittest
import warnings

from _kestrin_probe import Sample
from src import kestrinpy
from tests import fixtures
from tests.hostile import (ANSWER, Hostile, HostileCallable, HostileCase, HostileStr, OnRelease, calling, emptying,
                           raising, replacing, returning)
from tests.support import outcome


def sample_file(test, kind, name):
    """The path of the small sample file of `kind`, in a folder of the test's own."""
    folder = pathlib.Path(tempfile.mkdtemp())
    test.addCleanup(shutil.rmtree, folder)
    return pathlib.Path(fixtures.write(folder, name, fixtures.small_samples()[kind]))


def named(result):
    """A result with the class of an error by its name (each run makes its own classes)."""
    if isinstance(result, tuple) and len(result) == 2 and isinstance(result[0], type):
        return (result[0].__name__, result[1])
    return result


def result_of(call):
    """What `call` answers, or the type and text of anything it raises (interrupts too)."""
    try:
        return call()
    except BaseException as error:  # noqa: BLE001 - the failure itself is compared
        return (type(error), str(error))


def first_time(step):
    """`step`, run at the first call only (a slot that re-enters would otherwise recurse)."""
    done = []

    def run(*args):
        if not done:
            done.append(True)
            step(*args)
    return run


def does(*steps):
    """An action that runs `steps` in turn and lets the slot answer as its value would."""
    def action(*_):
        for step in steps:
            step()
        return ANSWER
    return action


def exact(name, value, kind, none_admitted):
    """The exact-type rule of the binder, as a plain form states it."""
    if type(value) is not kind and not (none_admitted and value is None):
        raise TypeError(f"Argument '{name}' has incorrect type (expected {kind.__name__}, got {type(value).__name__})")


# ---- the generator object ----

def plain_count(n):
    for number in range(n):
        yield number


class GeneratorTest(HostileCase):
    def run_throw(self, count, make_error, *args):
        """Throws into a run that has handed out one item; what came of it, and what is left."""
        run = count(3)
        log = [next(run)]
        thrown = result_of(lambda: run.throw(make_error(run, log), *args))
        return named(thrown), [named(entry) for entry in log], list(run)

    def test_throw_runs_the_exception_class(self):
        def error_class(on_init=None, made=None):
            def make(run, log):
                def new(cls, *args):
                    return made if made is not None else Exception.__new__(cls, *args)

                def init(self, *args):
                    Exception.__init__(self, *args)
                    if on_init:
                        log.append(result_of(lambda: on_init(run)))
                return type("Thrown", (Exception,), {"__new__": new, "__init__": init})
            return make

        try:
            raise KeyError("tb")
        except KeyError as error:
            traceback = error.__traceback__
        rows = [
            ("its constructor asks for the next item", error_class(next), ()),
            ("its constructor closes the run", error_class(lambda run: run.close()), ()),
            ("its constructor throws into the run", error_class(lambda run: run.throw(KeyError("inner"))), ()),
            ("its constructor sends", error_class(lambda run: run.send(None)), ()),
            ("its __new__ answers no exception", error_class(made=42), ()),
            ("its __new__ answers no exception, with a traceback", error_class(made=42), (None, traceback)),
            ("a tuple value gives the arguments", lambda run, log: ValueError, ((1, 2),)),
            ("an instance of another class", lambda run, log: ValueError, (KeyError("k"),)),
        ]
        for name, make_error, args in rows:
            with warnings.catch_warnings():
                warnings.simplefilter("ignore", DeprecationWarning)
                self.check(name, lambda: self.run_throw(Sample.count, make_error, *args),
                           lambda: self.run_throw(plain_count, make_error, *args))

    def test_re_entry_while_a_step_runs(self):
        # A run of the feature stream calls the object's own bytesToStr while
        # it decodes a feature; that one steps the run again from inside.
        path = str(sample_file(self, "lines", "l.WL"))

        def ours(action):
            log = []

            class Layer(kestrinpy.MapGisFile):
                def getFeature(self):
                    self.run = super().getFeature()
                    return self.run

                def bytesToStr(self, data, encoding="GB2312"):
                    if getattr(self, "run", None) is not None and not log:
                        log.append(result_of(lambda: action(self.run)))
                    return super().bytesToStr(data, encoding)

            layer = Layer(path)
            items = list(layer.getFeature())
            return log, len(items), result_of(lambda: next(layer.run))

        def plain(action):
            log = []

            def run_of():
                log.append(result_of(lambda: action(run)))
                yield "feature"
            run = run_of()
            items = list(run)
            return log, len(items), result_of(lambda: next(run))

        def from_a_release(run):
            seen = []
            OnRelease(lambda: seen.append(result_of(lambda: next(run))))
            return seen

        rows = [("next", next), ("send", lambda run: run.send(None)), ("close", lambda run: run.close()),
                ("throw", lambda run: run.throw(KeyError("k"))), ("next from a release", from_a_release)]
        for name, action in rows:
            self.check(name, lambda: ours(action), lambda: plain(action))

    def test_a_run_that_a_script_holds_is_not_changed_by_the_export(self):
        # The export has the module's own stream hand out JSON text in place
        # of dictionaries, which only a stream that nobody else holds may do.
        path = sample_file(self, "points", "p.WT")

        class Layer(kestrinpy.MapGisFile):
            def getFeature(self):
                self.run = super().getFeature()
                return self.run

        layer = Layer(str(path))
        seen = []
        layer.subscribe("progress", lambda value: seen.append(type(next(layer.run, None)).__name__))
        layer.saveAsGeoJson(str(path.parent / "out.json"))
        self.assertEqual(set(seen[:-1]), {"dict"})
        self.assertEqual(seen[-1], "NoneType")


# ---- the argument binder ----

def plain_mixed(a, b=None, n=6, flag=False, text=None):
    """Sample.mixed's binding in Python: conversions first, then the exact-type tests."""
    a = float(a)
    flag = bool(flag)
    exact("b", b, float, True)
    exact("n", n, int, False)
    exact("text", text, str, True)
    return (Sample, a, b, n, flag, text)


class BinderTest(HostileCase):
    def test_conversions_that_run_code(self):
        def positional(make_a, make_flag=lambda values: False):
            """mixed(*values): the values list is all that holds the arguments but the call."""
            def call(function):
                values = [None, 1.5, 7, None, "t"]
                values[0] = make_a(values)
                values[3] = make_flag(values)
                return function(*values)
            return call

        def keywords(make_a):
            def call(function):
                extra = {"b": 1.5, "text": "t"}
                return function(make_a(extra), **extra)
            return call

        inner = lambda: Sample.mixed(1.0, flag=True)  # noqa: E731
        rows = [
            ("a's __float__ empties the arguments",
             positional(lambda values: Hostile(2.5, "__float__", emptying(values)))),
            ("a's __float__ clears the keyword arguments", keywords(lambda extra: Hostile(2.5, "__float__", emptying(extra)))),
            ("a's __float__ answers an int after emptying",
             positional(lambda values: Hostile(2.5, "__float__", returning(3, before=values.clear)))),
            ("a's __float__ answers a float subclass after emptying",
             positional(lambda values: Hostile(2.5, "__float__",
                                               returning(type("F", (float,), {})(3.0), before=values.clear)))),
            ("a's __float__ re-enters", positional(lambda values: Hostile(2.5, "__float__", calling(inner)))),
            ("a's __float__ raises", positional(lambda values: Hostile(2.5, "__float__", raising(ArithmeticError("a"))))),
            ("flag's __bool__ replaces a", positional(lambda values: 2.5,
                                                       lambda values: Hostile(1, "__bool__", replacing(values, 0, 9.0)))),
            ("flag's __bool__ re-enters", positional(lambda values: 2.5, lambda values: Hostile(1, "__bool__", calling(inner)))),
            ("flag's __bool__ raises",
             positional(lambda values: 2.5, lambda values: Hostile(1, "__bool__", raising(ValueError("flag"))))),
        ]
        for name, call in rows:
            with warnings.catch_warnings():
                warnings.simplefilter("error")
                self.check(name, lambda: call(Sample.mixed), lambda: call(plain_mixed))


# ---- the JSON writer ----

def acting(base, method):
    """A subclass of `base` (so the host writes it, not the writer) whose
    `method` runs the object's `action` first."""
    def init(self, items, action):
        base.__init__(self, items)
        self.action = action

    def run(self, *args):
        self.action()
        return getattr(base, method)(self, *args)
    return type("Sub" + base.__name__, (base,), {"__init__": init, method: run})


SubDict = acting(dict, "items")
SubList = acting(list, "__iter__")


class JsonWriterTest(HostileCase):
    def both(self, make):
        """The writer's text and json.dumps's, each of a fresh value from make()."""
        keep = []
        return (lambda: Sample.json_text(make(keep)), lambda: json.dumps(make(keep), ensure_ascii=False))

    def test_json_dumps_as_it_stands_at_each_use(self):
        # A value the writer leaves to the host goes to json.dumps as the
        # module's json holds it at that moment: a patch that undoes itself
        # at its first use is not used for the next value.
        real = json.dumps

        def once(*args, **keywords):
            json.dumps = real
            return '"patched"'

        value = collections.OrderedDict(a=1)  # not a plain dict: written by the host
        json.dumps = once
        try:
            self.assertEqual(Sample.json_text([value, value]), '["patched", {"a": 1}]')
        finally:
            json.dumps = real

    def test_values_that_run_code(self):
        def in_dict(act, keep_alive=True):
            """{"a": <a subclass dict running act(outer)>, "b": 1, "c": [2]}"""
            def make(keep):
                outer = {}
                inner = SubDict({"k": 1}, lambda: act(outer))
                if keep_alive:
                    keep.append(inner)  # the host's own encoder borrows the value it is writing
                outer.update({"a": inner, "b": 1, "c": [2]})
                return outer
            return make

        def in_list(act):
            def make(keep):
                outer = []
                inner = SubList([1], lambda: act(outer))
                keep.append(inner)
                outer.extend([inner, 2.5, "t"])
                return outer
            return make

        def keys_put_in(outer):
            outer.update({5: "int", None: 1.5, 2.5: 0, True: [], -0.0: "zero"})

        def bad_key_put_in(outer):
            outer[(1,)] = 0

        def fail(outer):
            raise ValueError("items")

        rows = [
            ("a dict's value puts keys of every kind in", in_dict(keys_put_in)),
            ("a dict's value puts a key json refuses in", in_dict(bad_key_put_in)),
            ("a dict's value empties the dict", in_dict(lambda outer: outer.clear())),
            ("a dict's value replaces a later value", in_dict(lambda outer: outer.__setitem__("c", {"n": None}))),
            ("a dict's value deletes a later key", in_dict(lambda outer: outer.pop("c"))),
            ("a dict's value raises", in_dict(fail)),
            ("a dict's value re-enters", in_dict(lambda outer: Sample.json_text([outer.get("b")]))),
            ("a dict's value holds the dict", in_dict(lambda outer: outer["a"].__setitem__("back", outer))),
            ("a list's item replaces a later item", in_list(lambda outer: outer.__setitem__(2, {"x": [1]}))),
            ("a list's item appends", in_list(lambda outer: outer.append(None))),
        ]
        for name, make in rows:
            self.check(name, *self.both(make))

    def test_values_that_free_what_is_written(self):
        # The host's own encoder reads borrowed items here; the writer must
        # only answer or raise.
        def dict_emptied(keep):
            outer = {}
            outer.update({"a": SubDict({"k": 1}, outer.clear), "b": 1})
            return outer

        def list_emptied(keep):
            outer = []
            outer.extend([SubList([1], outer.clear), 2, [3]])
            return outer

        def item_replaced(keep):
            outer = []
            outer.extend([SubList([1], lambda: outer.__setitem__(0, "new")), 2])
            return outer

        for name, make in [("a dict emptied by its value", dict_emptied), ("a list emptied by its item", list_emptied),
                           ("an item replaced while it is written", item_replaced)]:
            self.check(name, lambda: Sample.json_text(make([])))
            gc.collect()

    def test_the_export_summary(self):
        path = sample_file(self, "lines", "l.WL")

        def summary():
            outer = {}
            outer.update({"type": "FeatureCollection", "extra": SubDict({"k": 1}, lambda: outer.update({7: None}))})
            return outer

        class Layer(kestrinpy.MapGisFile):
            def getCapabilities(self):
                return summary()

        out = path.parent / "out.json"
        Layer(str(path)).saveAsGeoJson(str(out))
        written = out.read_text(encoding="utf-8")
        self.assertEqual(written.split(',"features":[')[0], json.dumps(summary(), ensure_ascii=False)[:-1])


# ---- the equality helper ----

class FirstEqualTest(HostileCase):
    def test_the_value_compared_frees_itself(self):
        # The value is only the list's: the caller borrows it, as a walk over a list does.
        def make(action_of, times):
            items = []
            items.append(Hostile(5, "__eq__", action_of(items), times))
            return items

        def plain(action_of, times):
            value = make(action_of, times)[0]
            return next((n for n in range(9) if value == n), -1)

        rows = [("empties the list holding it", emptying, None),
                ("replaces itself in the list", lambda items: replacing(items, 0, 6), None),
                ("re-enters", lambda items: calling(Sample.first_equal_in, items, 0, 8), 1),
                ("raises", lambda items: raising(ValueError("eq")), None)]
        for name, action_of, times in rows:
            self.check(name, lambda: Sample.first_equal_in(make(action_of, times), 0, 8),
                       lambda: plain(action_of, times))
            gc.collect()


# ---- the message bus ----

_MISSING = object()


class PlainMessenger:
    """The bus in Python, step by step as its rules give them."""

    def __init__(self):
        self.subscribers = {}

    def subscribe(self, key, slot):
        exact("key", key, str, False)
        if not slot:
            raise TypeError("The [messageSlot] parameter should not be empty.")
        if not callable(slot):
            raise TypeError("The [messageSlot - " + format(slot) + "] parameter must be a callable function.")
        if key == "":
            raise TypeError("The [messageKey] parameter should not be empty.")
        table = self.subscribers
        if key not in table:
            table[key] = []
        slots = table[key]
        if slot not in slots:
            slots.append(slot)

    def unsubscribe(self, key=None, slot=None):
        exact("key", key, str, True)
        table = self.subscribers
        if key is None or key == "":
            table.clear()
            return
        if key not in table:
            raise TypeError("The [messageKey - " + format(key) + "] parameter not found.")
        if not slot:
            del table[key]
            return
        slots = table[key]
        if slot in slots:
            slots.remove(slot)
            return
        label = slot.__name__ if callable(slot) else slot
        raise TypeError("The [messageSlot - " + format(label) + "] parameter not found.")

    def publish(self, key=None, value=None):
        exact("key", key, str, True)
        table = self.subscribers
        if type(table) is dict:  # one look-up in a plain dictionary
            slots = table.get(key, _MISSING)
            if slots is _MISSING:
                return
        elif key in table:
            slots = table[key]
        else:
            return
        position = 0
        while position < len(slots):
            slot = slots[position]
            try:
                slot(value)
            except Exception as error:  # noqa: BLE001 - a slot's error is reported, as the bus does
                print("Error in message slot: " + format(error))
            del slot  # let go before the length is read again
            position += 1


# Named as the module's class, which the host's errors name.
PlainMessenger.__name__ = PlainMessenger.__qualname__ = "Messenger"


def label(slot):
    return getattr(slot, "label", None) or getattr(slot, "__name__", type(slot).__name__)


def table_shape(bus):
    """The bus's table with its slots by name, or why there is none."""
    table = getattr(bus, "subscribers", _MISSING)
    if table is _MISSING:
        return "no table"
    if not isinstance(table, dict):
        return type(table).__name__
    return {key: [label(slot) for slot in slots] if isinstance(slots, list) else type(slots).__name__
            for key, slots in table.items()}


class Log:
    """Slots that note their calls, by name, in one list."""

    def __init__(self):
        self.calls = []

    def slot(self, name, *actions):
        def call(value):
            self.calls.append(name)
            for action in actions:
                action()
        call.__name__ = name
        return call

    def hostile(self, name, protocol, action, times=1):
        """A callable slot named `name` whose `protocol` slot runs `action` first."""
        slot = HostileCallable(self.slot(name), protocol, action, times)
        slot.label = name
        return slot


def run_bus(make, row):
    """Runs `row(bus, log)`, which makes the bus's state and answers the call to
    make; returns what anyone could see of it."""
    bus, log = make(), Log()
    call = row(bus, log)
    printed = io.StringIO()
    with contextlib.redirect_stdout(printed):
        got = result_of(call)
    return got, log.calls, table_shape(bus), printed.getvalue()


class Unprintable(Exception):
    """An error whose text form runs `action` first."""

    def __init__(self, action):
        super().__init__("unprintable")
        self.action = action

    def __str__(self):
        self.action()
        return "unprintable"


class SlotSequence(collections.UserList):
    """The slots of a key as a sequence of a script's, whose length and item
    reads run `on_len` and `on_item` first."""

    def __init__(self, slots, on_len=None, on_item=None):
        super().__init__(slots)
        self.on_len, self.on_item = on_len, on_item

    def __len__(self):
        if self.on_len:
            self.on_len()
        return super().__len__()

    def __getitem__(self, index):
        if self.on_item:
            self.on_item()
        return super().__getitem__(index)


class Table(collections.UserDict):
    """A table of a script's whose `in` and item reads run `action` first."""

    def __init__(self, items, action):
        super().__init__(items)
        self.action = action

    def __contains__(self, key):
        self.action()
        return super().__contains__(key)


def subscribe_rows():
    def hostile_slot(protocol, make_action, times=1):
        def row(bus, log):
            bus.subscribe("k", log.slot("A"))
            return lambda: bus.subscribe("k", log.hostile("H", protocol, make_action(bus, log), times))
        return row

    def entry_compared(make_action):
        """An entry already under the key runs `make_action`'s action when a new slot is compared with it."""
        def row(bus, log):
            entry = log.hostile("E", "__eq__", lambda *_: ANSWER)
            bus.subscribe("k", entry)
            entry.action = make_action(bus, log)
            return lambda: bus.subscribe("k", log.slot("N"))
        return row

    def not_callable(make_action):
        def row(bus, log):
            bus.subscribe("k", log.slot("A"))
            return lambda: bus.subscribe("k", Hostile(42, "__format__", make_action(bus, log)))
        return row

    return [
        ("truth test empties the table", hostile_slot("__bool__", lambda bus, log: emptying(bus.subscribers))),
        ("truth test replaces the table",
         hostile_slot("__bool__", lambda bus, log: does(lambda: setattr(bus, "subscribers", {"x": []})))),
        ("truth test deletes the table", hostile_slot("__bool__", lambda bus, log: does(lambda: delattr(bus, "subscribers")))),
        ("truth test re-enters", hostile_slot("__bool__", lambda bus, log: calling(bus.subscribe, "k", log.slot("R")))),
        ("truth test raises", hostile_slot("__bool__", lambda bus, log: raising(ValueError("no truth")))),
        ("truth test answers a non-bool", hostile_slot("__bool__", lambda bus, log: returning(1))),
        ("comparison empties the list", entry_compared(lambda bus, log: emptying(bus.subscribers["k"]))),
        ("comparison replaces the key's list", entry_compared(lambda bus, log: replacing(bus.subscribers, "k", []))),
        ("comparison drops the last reference to the list",
         entry_compared(lambda bus, log: does(lambda: bus.subscribers.pop("k"), gc.collect))),
        ("comparison re-enters", entry_compared(lambda bus, log: calling(bus.subscribe, "k", log.slot("R")))),
        ("comparison raises", entry_compared(lambda bus, log: raising(KeyError("cmp")))),
        ("text of a refused slot empties the table", not_callable(lambda bus, log: emptying(bus.subscribers))),
        ("text of a refused slot raises", not_callable(lambda bus, log: raising(LookupError("no text")))),
        ("key of a str subclass", lambda bus, log: lambda: bus.subscribe(HostileStr("k", emptying(bus.subscribers)), print)),
    ]


def unsubscribe_rows():
    def hostile_slot(protocol, make_action, times=1):
        def row(bus, log):
            bus.subscribe("k", log.slot("A"))
            bus.subscribe("k", log.slot("B"))
            return lambda: bus.unsubscribe("k", log.hostile("H", protocol, make_action(bus, log), times))
        return row

    def nameless(bus, log):
        bus.subscribe("k", log.slot("A"))
        return lambda: bus.unsubscribe("k", HostileCallable(print, "__eq__", emptying(bus.subscribers["k"])))

    def entry_compared(make_action):
        def row(bus, log):
            a = log.slot("A")
            entry = log.hostile("E", "__eq__", lambda *_: ANSWER, times=None)
            bus.subscribe("k", entry)
            bus.subscribe("k", a)
            entry.action = make_action(bus, log)
            return lambda: bus.unsubscribe("k", a)
        return row

    return [
        ("truth test removes the key", hostile_slot("__bool__", lambda bus, log: does(lambda: bus.subscribers.pop("k")))),
        ("truth test empties the table and answers false",
         hostile_slot("__bool__", lambda bus, log: returning(False, before=bus.subscribers.clear))),
        ("truth test re-enters", hostile_slot("__bool__", lambda bus, log: calling(bus.unsubscribe, "k"))),
        ("truth test raises", hostile_slot("__bool__", lambda bus, log: raising(ValueError("no truth")))),
        ("comparison empties the list", entry_compared(lambda bus, log: emptying(bus.subscribers["k"]))),
        ("comparison replaces the key's list", entry_compared(lambda bus, log: replacing(bus.subscribers, "k", []))),
        ("comparison re-enters", entry_compared(lambda bus, log: calling(bus.unsubscribe, "k"))),
        ("comparison raises", entry_compared(lambda bus, log: raising(KeyError("cmp")))),
        ("a slot not found, named by a nameless callable", nameless),
    ]


def publish_rows():
    def walk(*slots):
        """Subscribes the slots that `slots` make of (bus, log), in order, and publishes."""
        def row(bus, log):
            for make in slots:
                bus.subscribe("k", make(bus, log))
            return lambda: bus.publish("k", "value")
        return row

    def plain(name, *steps):
        return lambda bus, log: log.slot(name, *[lambda step=step: step(bus, log) for step in steps])

    def raising_slot(name, error_of):
        def make(bus, log):
            def slot(value):
                log.calls.append(name)
                raise error_of(bus, log)
            slot.__name__ = name
            return slot
        return make

    def releasing_slot(name, on_release, on_call=None):
        """A slot that runs `on_call` when called and `on_release` when its last reference goes."""
        def make(bus, log):
            keeper = OnRelease(lambda: on_release(bus, log))

            def slot(value):
                log.calls.append(name)
                if on_call:
                    on_call(bus, log)
            slot.keeper = keeper
            slot.__name__ = name
            return slot
        return make

    def with_table(make_table):
        def row(bus, log):
            bus.subscribers = make_table(bus, log)
            return lambda: bus.publish("k", "value")
        return row

    reenter = first_time(lambda bus: bus.publish("k", "inner"))
    return [
        ("a slot empties the list", walk(plain("A", lambda bus, log: bus.subscribers["k"].clear()), plain("B"))),
        ("a slot replaces the next slot",
         walk(plain("A", lambda bus, log: bus.subscribers["k"].__setitem__(1, log.slot("R"))), plain("B"))),
        ("a slot replaces the table and frees the list with every slot",
         walk(plain("A", lambda bus, log: setattr(bus, "subscribers", {}), lambda bus, log: gc.collect()), plain("B"))),
        ("a slot deletes the table", walk(plain("A", lambda bus, log: delattr(bus, "subscribers")), plain("B"))),
        ("a slot re-enters the walk",
         walk(plain("A", first_time(lambda bus, log: bus.publish("k", "inner"))), plain("B"))),
        ("a slot re-subscribes after clearing",
         walk(plain("A", lambda bus, log: bus.unsubscribe(), lambda bus, log: bus.subscribe("k", log.slot("L"))),
              plain("B"))),
        ("a slot's error text empties the list",
         walk(raising_slot("A", lambda bus, log: Unprintable(lambda: bus.subscribers["k"].clear())), plain("B"))),
        ("a slot's error text re-enters the walk",
         walk(raising_slot("A", lambda bus, log: Unprintable(lambda: reenter(bus))), plain("B"))),
        ("a slot's error text raises",
         walk(raising_slot("A", lambda bus, log: Unprintable(raising(LookupError("no text")))), plain("B"))),
        ("a slot interrupts", walk(raising_slot("A", lambda bus, log: KeyboardInterrupt()), plain("B"))),
        ("a slot drops another, whose release subscribes a third",
         walk(releasing_slot("A", lambda bus, log: bus.subscribe("k", log.slot("late"))),
              plain("B", lambda bus, log: bus.subscribers["k"].pop(0)), plain("C"))),
        ("a slot drops itself, whose release re-enters the walk",
         walk(releasing_slot("A", first_time(lambda bus, log: bus.publish("k", "inner")),
                             lambda bus, log: bus.subscribers["k"].pop(0)), plain("B"), plain("C"))),
        ("a table of a script's that empties itself when searched",
         with_table(lambda bus, log: Table({"k": [log.slot("A")]}, lambda: bus.subscribers.data.clear()))),
        ("slots of a script's whose length empties the table",
         with_table(lambda bus, log: {"k": SlotSequence([log.slot("A"), log.slot("B")],
                                                       on_len=lambda: bus.subscribers.clear())})),
        ("slots of a script's whose item read shortens them",
         with_table(lambda bus, log: {"k": SlotSequence([log.slot("A"), log.slot("B"), log.slot("C")],
                                                       on_item=lambda: bus.subscribers["k"].data.pop())})),
        ("slots as a mapping of positions", with_table(lambda bus, log: {"k": {0: log.slot("A")}})),
        ("a key of the table that empties it when compared",
         with_table(lambda bus, log: {HostileStr("k", does(lambda: bus.subscribers.clear())): [log.slot("A")]})),
    ]


class MessengerTest(HostileCase):
    def check_rows(self, entry, make_rows):
        # Each form runs rows of its own: a row may keep state (a slot that re-enters once).
        for (name, ours), (_, plain) in zip(make_rows(), make_rows()):
            self.check(f"{entry}: {name}", lambda: run_bus(kestrinpy.Messenger, ours),
                       lambda: run_bus(PlainMessenger, plain))

    def test_subscribe(self):
        self.check_rows("subscribe", subscribe_rows)

    def test_unsubscribe(self):
        self.check_rows("unsubscribe", unsubscribe_rows)

    def test_publish(self):
        self.check_rows("publish", publish_rows)

    def test_publish_under_built_ins_of_any_mapping(self):
        def row(mapping):
            def run(bus, log):
                bus.subscribe("k", raising(ValueError("bad")))
                return lambda: exec("bus.publish('k')", {"__builtins__": mapping, "bus": bus})
            return run

        for mapping in (types.MappingProxyType(vars(builtins)), collections.UserDict(vars(builtins))):
            got = self.check(type(mapping).__name__, lambda: run_bus(kestrinpy.Messenger, row(mapping)),
                             lambda: run_bus(PlainMessenger, row(mapping)))
            self.assertEqual(got[3], "Error in message slot: bad\n")

    def test_the_export_reads_the_table_once_per_message(self):
        # The export skips publishing when no slot would see it; finding that
        # out must not read the table a second time where a script can count.
        path = sample_file(self, "points", "p.WT")
        out = path.parent / "out.json"

        class Counted(kestrinpy.MapGisFile):
            reads = 0

            @property
            def subscribers(self):
                type(self).reads += 1
                return self.__dict__["table"]

            @subscribers.setter
            def subscribers(self, table):
                self.__dict__["table"] = table

        for table in ({}, {"progress": [lambda value: None]}):
            with self.subTest(table=table):
                layer = Counted(str(path))
                layer.subscribers = table
                Counted.reads = 0
                layer.saveAsGeoJson(str(out))
                self.assertEqual(Counted.reads, len(json.loads(out.read_text(encoding="utf-8"))["features"]))


# ---- the byte helpers and their codecs ----

class CodecTest(HostileCase):
    """Codecs of a script's, found by a search function registered for the test."""

    def setUp(self):
        self.codecs = {}
        self.search_function = self.search  # one object: unregister compares by identity
        codecs.register(self.search_function)
        self.addCleanup(codecs.unregister, self.search_function)

    def search(self, name):
        return self.codecs.get(name)

    def codec(self, name, decode):
        self.codecs[name] = codecs.CodecInfo(codecs.ascii_encode, decode, name=name)
        return name

    def tagged(self, tag, *steps):
        """A decode function that runs `steps` and answers `tag` before the text."""
        def decode(data, errors="strict"):
            for step in steps:
                step()
            return tag + bytes(data).decode("ascii", errors), len(data)
        return decode

    def both(self, name, data=b"x\0y"):
        """bytesToStr and the host's own reading of the field, each a call."""
        return (lambda: kestrinpy.KestrinBase.bytesToStr(data, name),
                lambda: data.split(b"\0", 1)[0].decode(name, "ignore").rstrip())

    def test_codecs_that_run_code(self):
        inner = self.codec("hostile_inner", self.tagged("I:"))
        decode_rows = [
            ("re-enters with another codec",
             self.tagged("A:", lambda: kestrinpy.KestrinBase.bytesToStr(b"z", inner))),
            ("re-enters with its own codec once", None),
            ("raises", raising(UnicodeDecodeError("ascii", b"x", 0, 1, "refused"))),
            ("answers a non-tuple", lambda data, errors="strict": "text"),
            ("answers a text of a str subclass", lambda data, errors="strict": (HostileStr("t", lambda: ANSWER), 1)),
            ("answers a text of a str subclass with a trailing blank",
             lambda data, errors="strict": (HostileStr("t ", lambda: ANSWER), 1)),
        ]
        for number, (name, decode) in enumerate(decode_rows):
            codec_name = f"hostile_{number}"
            if decode is None:
                decode = self.tagged("S:", first_time(lambda name=codec_name: kestrinpy.KestrinBase.bytesToStr(b"q", name)))
            self.codec(codec_name, decode)
            ours, host = self.both(codec_name)
            # Twice: once through the look-up, once through what was kept of it.
            for turn in ("first", "again"):
                self.check(f"decode {name}, {turn}", lambda: (type(ours()).__name__, ours()),
                           lambda: (type(host()).__name__, host()))

    def test_a_search_that_re_enters(self):
        inner = self.codec("hostile_searched", self.tagged("I:"))
        outer = "hostile_searching"

        def search(name):
            if name == outer:
                kestrinpy.KestrinBase.bytesToStr(b"z", inner)
                return codecs.CodecInfo(codecs.ascii_encode, self.tagged("O:"), name=name)
            return None

        codecs.register(search)
        self.addCleanup(codecs.unregister, search)
        for turn in ("first", "again"):
            self.check(turn, self.both(outer)[0], self.both(outer)[1])

    def test_a_decoder_released_while_another_is_found(self):
        # The decoder kept for one codec is released once the host no longer
        # holds it; its release asks for a third codec while the second is
        # being kept.
        third = self.codec("hostile_third", self.tagged("C:"))

        class Dying:
            def __call__(self, data, errors="strict"):
                return "A:" + bytes(data).decode("ascii", errors), len(data)

            def __del__(self):
                kestrinpy.KestrinBase.bytesToStr(b"z", third)

        first = self.codec("hostile_first", Dying())
        second = self.codec("hostile_second", self.tagged("B:"))
        self.assertEqual(kestrinpy.KestrinBase.bytesToStr(b"x", first), "A:x")
        del self.codecs[first]
        codecs.unregister(self.search_function)  # the host forgets what it found
        codecs.register(self.search_function)
        gc.collect()
        for turn in ("first", "again"):
            self.check(turn, *self.both(second))

    def test_a_codec_under_the_name_of_a_chinese_one(self):
        big5 = codecs.lookup("big5")
        name = "hostile_named"
        self.codecs[name] = codecs.CodecInfo(big5.encode, big5.decode, name="gb2312")
        for turn in ("first", "again"):
            self.check(turn, *self.both(name, "測量".encode("big5")))

    def test_the_codec_the_registry_gives_now(self):
        # What bytes.decode finds changes with the registry: unregister clears
        # the host's own cache, and a codec's attributes decide whether it is
        # a text encoding. Each step is read twice, the second time from what
        # may have been kept of the first.
        name = "hostile_swapped"
        seen = []

        def codec(tag):
            def decode(data, errors="strict"):
                seen.append(type(data).__name__)
                return tag + bytes(data).decode("ascii", errors), len(data)
            return codecs.CodecInfo(codecs.ascii_encode, decode, name=name)

        first, second = codec("1:"), codec("2:")
        searches = {"first": lambda n: first if n == name else None, "second": lambda n: second if n == name else None}

        def swap(off, on):
            def step():
                if off:
                    codecs.unregister(searches[off])
                if on:
                    codecs.register(searches[on])
            return step

        def not_text():
            first._is_text_encoding = False

        def text_again():
            del first._is_text_encoding

        # A verdict whose answer moves no mark of the host's: a flag with a
        # truth of its own, a property of the class.
        verdict = [True]

        class Flag:
            def __bool__(self):
                return verdict[0]

        def answer(value):
            return lambda: verdict.__setitem__(0, value)

        def own_flag():
            first._is_text_encoding = Flag()

        def class_property():
            del first._is_text_encoding
            codecs.CodecInfo._is_text_encoding = property(lambda info: verdict[0])

        steps = [("first registered", swap(None, "first")), ("first for second", swap("first", "second")),
                 ("second unregistered", swap("second", None)), ("first again", swap(None, "first")),
                 ("first no longer text", not_text), ("first text again", text_again),
                 ("the class says not text", lambda: setattr(codecs.CodecInfo, "_is_text_encoding", False)),
                 ("the class says text", lambda: setattr(codecs.CodecInfo, "_is_text_encoding", True)),
                 ("its flag has a truth of its own", own_flag), ("that flag turns false", answer(False)),
                 ("that flag turns true", answer(True)), ("the class asks a property", class_property),
                 ("the property turns false", answer(False)), ("the property turns true", answer(True)),
                 ("the class says text once more", lambda: setattr(codecs.CodecInfo, "_is_text_encoding", True))]
        self.addCleanup(lambda: [codecs.unregister(f) for f in searches.values()])
        self.addCleanup(setattr, codecs.CodecInfo, "_is_text_encoding", True)
        for label, step in steps:
            step()
            for turn in ("first", "again"):
                self.check(f"{label}, {turn}", *self.both(name))
        self.assertEqual(set(seen), {"memoryview"})  # the decode sees what bytes.decode hands over

    def test_a_decode_that_unregisters_its_own_codec(self):
        name = "hostile_leaving"

        def decode(data, errors="strict"):
            codecs.unregister(search)
            self.codecs.pop(name, None)
            return "L:" + bytes(data).decode("ascii", errors), len(data)

        def search(n):
            return codecs.CodecInfo(codecs.ascii_encode, decode, name=name) if n == name else None

        for turn in ("first", "again"):
            codecs.register(search)
            self.addCleanup(codecs.unregister, search)
            self.assertEqual(outcome(kestrinpy.KestrinBase.bytesToStr, b"x", name), "L:x")
        self.assertEqual(outcome(kestrinpy.KestrinBase.bytesToStr, b"x", name)[0], LookupError)

    def test_text_arguments_are_exactly_str(self):
        cases = [("encoding", lambda: kestrinpy.KestrinBase.bytesToStr(b"x", HostileStr("utf-8", raising(ValueError)))),
                 ("data", lambda: kestrinpy.KestrinBase.bytesInteger(type("B", (bytes,), {})(b"\1")))]
        for name, call in cases:
            with self.subTest(name):
                self.assertIs(outcome(call)[0], TypeError)


if __name__ == "__main__":
    unittest.main()
