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
import gc
import json
import pathlib
import shutil
import tempfile
import unittest
import warnings

from _kestrin_probe import Sample
from src import kestrinpy
from tests import fixtures
from tests.hostile import Hostile, HostileCase, OnRelease, calling, emptying, raising, replacing, returning


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


if __name__ == "__main__":
    unittest.main()
