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
import json
import pathlib
import shutil
import tempfile
import unittest
import warnings

from _kestrin_probe import Sample
from src import kestrinpy
from tests import fixtures
from tests.hostile import HostileCase, OnRelease


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


if __name__ == "__main__":
    unittest.main()
