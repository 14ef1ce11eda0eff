"""The binding toolkit, on a class the test probe makes with it the way the
module makes its own: parameter kinds and the order of their errors, class and
static methods that reach their siblings through the class, nested record
classes, the generator of a C++ state machine, C++ failures at the entry point,
and functions that pickle by reference."""
import concurrent.futures
import gc
import inspect
import pickle
import unittest

from _kestrin_probe import Sample
from src import kestrinpy


class ParameterKindsTest(unittest.TestCase):
    def test_what_each_kind_accepts(self):
        big = 10 ** 30
        cases = [
            # (args, kwargs, expected a, b, n, flag, text)
            ((1,), {}, (1.0, None, 6, False, None)),
            ((True, 2.5, big, [0], "t"), {}, (1.0, 2.5, big, True, "t")),
            ((), {"a": 2 ** 60, "flag": "", "text": None}, (float(2 ** 60), None, 6, False, None)),
        ]
        for args, kwargs, expected in cases:
            with self.subTest(args=args, kwargs=kwargs):
                result = Sample.mixed(*args, **kwargs)
                self.assertIs(result[0], Sample)
                self.assertEqual(result[1:], expected)
                self.assertIs(type(result[1]), float)

    def test_errors_come_in_parameter_order_conversions_first(self):
        cases = [
            # Counts and keywords come before any parameter.
            ((), {}, TypeError, "mixed() takes at least 2 positional arguments (1 given)"),
            ((1, None, 6, False, None, 7), {}, TypeError, "mixed() takes at most 6 positional arguments (7 given)"),
            (("x",), {"nope": 1}, TypeError, "mixed() got an unexpected keyword argument 'nope'"),
            # A failed conversion is reported before a failed exact-type test, whatever their places.
            ((1, 1), {"a": "x"}, TypeError, "mixed() got multiple values for keyword argument 'a'"),
            (("x", 1), {}, TypeError, "must be real number, not str"),
            ((1.0, 2, 3.0), {}, TypeError, "Argument 'b' has incorrect type (expected float, got int)"),
            ((1.0, None, True, False, 5), {}, TypeError,
             "Argument 'n' has incorrect type (expected int, got bool)"),
            ((1.0,), {"text": b"t", "n": 1.0}, TypeError,
             "Argument 'n' has incorrect type (expected int, got float)"),
            ((10 ** 400, 1), {}, OverflowError, "int too large to convert to float"),
        ]
        for args, kwargs, error, text in cases:
            with self.subTest(args=args, kwargs=kwargs):
                with self.assertRaises(error) as caught:
                    Sample.mixed(*args, **kwargs)
                self.assertEqual(str(caught.exception), text)

    def test_keywords_made_at_run_time_bind_by_their_text(self):
        text = "".join(["te", "xt"])  # equal to the parameter name, not the same object
        self.assertEqual(Sample.mixed(1.0, **{text: "t", "".join(["fl", "ag"]): 1})[4:], (True, "t"))
        with self.assertRaisesRegex(TypeError, "unexpected keyword argument 'texts'"):
            Sample.mixed(1.0, **{text + "s": "t"})

    def test_truth_errors_pass_out(self):
        class Undecided:
            def __bool__(self):
                raise ValueError("no answer")

        with self.assertRaisesRegex(ValueError, "no answer"):
            Sample.mixed(1.0, flag=Undecided())

    def test_signature_shows_annotations_and_defaults(self):
        self.assertEqual(str(inspect.signature(Sample.mixed)),
                         "(a: 'float', b: 'float' = None, n: 'int' = 6, flag: 'bool' = False, "
                         "text: 'str' = None) -> 'tuple'")


class SiblingCallsTest(unittest.TestCase):
    def test_own_siblings_run_directly_and_overrides_are_honoured(self):
        class Doubled(Sample):
            @classmethod
            def inner(cls, x):
                return ("override", cls.__name__, x)

        class Plain(Sample):
            pass

        self.assertEqual(Sample.outer(3), ("direct", 6.0))
        self.assertEqual(Plain.outer(3), ("direct", 6.0))
        self.assertEqual(Sample().outer(3), ("direct", 6.0))
        self.assertEqual(Doubled.outer(3), ("host", ("override", "Doubled", 3.0)))
        self.assertEqual(Doubled().outer(3), ("host", ("override", "Doubled", 3.0)))

    def test_static_siblings_and_a_metaclass_that_answers_the_name(self):
        class Shifted(Sample):
            static_inner = staticmethod(lambda x: ("override", x))

        class Meta(type):
            # A data descriptor of the metaclass wins over the class's own attribute.
            static_inner = property(lambda cls: lambda x: ("meta", x))

        class WithMeta(Sample, metaclass=Meta):
            pass

        self.assertEqual(Sample.static_outer(1), ("direct", 2.0))
        self.assertEqual(Shifted.static_outer(1), ("host", ("override", 1.0)))
        self.assertEqual(WithMeta.static_outer(1), ("host", ("meta", 1.0)))

    def test_replacing_the_class_attribute_is_seen(self):
        class Local(Sample):
            pass

        Local.inner = classmethod(lambda cls, x: "patched")
        self.assertEqual(Local.outer(1), ("host", "patched"))
        del Local.inner
        self.assertEqual(Local.outer(1), ("direct", 2.0))

    def test_a_wrapper_re_targeted_in_place_or_left_empty(self):
        # classmethod.__init__ changes what a stored wrapper holds without
        # touching the class, and a wrapper made by __new__ alone holds nothing.
        class Local(Sample):
            inner = classmethod(Sample.__dict__["inner"].__func__)

        self.assertEqual(Local.outer(2), ("direct", 4.0))
        Local.__dict__["inner"].__init__(lambda cls, x: ("retargeted", x))
        self.assertEqual(Local.outer(2), ("host", ("retargeted", 2.0)))

        class Empty(Sample):
            inner = classmethod.__new__(classmethod)
            static_inner = staticmethod.__new__(staticmethod)

        with self.assertRaises(RuntimeError):  # the host's own refusal of an empty wrapper
            Empty.outer(2)
        with self.assertRaises(RuntimeError):
            Empty.static_outer(2)

    def test_an_answer_kept_under_the_class_stamp_sees_every_change(self):
        # kept_secret keeps a plain class attribute under the stamp of the
        # class it was read through: a change on the class or on a base is
        # seen at the next call. A metaclass of a script's could answer the
        # name itself: under one, nothing is kept.
        class Meta(type):
            pass

        class Base(Sample):
            pass

        class Leaf(Base):
            pass

        class Other(Sample, metaclass=Meta):
            pass

        def secret(cls):
            return type.__getattribute__(cls, "_Sample__secret")

        steps = [
            lambda: None,
            lambda: setattr(Leaf, "_Sample__secret", "leaf"),
            lambda: setattr(Base, "_Sample__secret", "base"),
            lambda: delattr(Leaf, "_Sample__secret"),
            lambda: setattr(Sample, "_Sample__secret", "sample"),
            lambda: delattr(Base, "_Sample__secret"),
            lambda: setattr(Base, "unrelated", 1),
            lambda: setattr(Meta, "_Sample__secret", property(lambda cls: "meta")),
            lambda: setattr(Sample, "_Sample__secret", "hidden"),
        ]
        for number, change in enumerate(steps):
            change()
            with self.subTest(step=number):
                for cls in (Leaf, Base, Other, Sample):
                    self.assertEqual(cls.kept_secret()[1], secret(cls))
                    self.assertEqual(cls().kept_secret()[1], secret(cls))
                Leaf.kept_secret()
                self.assertEqual(Leaf.kept_secret()[0], "kept")  # asked again, unchanged between
                self.assertEqual(Other.kept_secret()[0], "host")
        self.assertEqual(Other.kept_secret(), ("host", "meta"))

class ClassBuilderTest(unittest.TestCase):
    def test_record_class_is_the_hosts_dataclass(self):
        Record = Sample.Record
        self.assertEqual(Record.__qualname__, "Sample.Record")
        self.assertEqual(Record.__module__, "_kestrin_probe")
        first = Record(1.0, "one")
        self.assertEqual(repr(first), "Sample.Record(a=1.0, name='one')")
        self.assertEqual(first, Sample.table["one"])
        self.assertIsNot(first, Sample.table["one"])
        first.a = 2.0
        self.assertEqual(first.a, 2.0)
        with self.assertRaises(TypeError):
            hash(first)
        with self.assertRaises(TypeError):
            Record(1.0)
        self.assertEqual(Record.__annotations__, {"a": "float", "name": "str"})

    def test_annotations_private_constants_and_replaceable_attributes(self):
        self.assertEqual(Sample.__annotations__, {"table": "dict[str, Record]"})
        self.assertEqual(Sample._Sample__secret, "hidden")

        class Local(Sample):
            pass

        Local.table = {}
        self.assertEqual(Local.table, {})
        self.assertIn("one", Sample.table)


class GeneratorTest(unittest.TestCase):
    def test_states_follow_the_host(self):
        run = Sample.count(2)
        self.assertEqual(inspect.getgeneratorstate(run), inspect.GEN_CREATED)
        self.assertEqual(next(run), 0)
        self.assertEqual(inspect.getgeneratorstate(run), inspect.GEN_SUSPENDED)
        self.assertEqual(list(run), [1])
        self.assertEqual(inspect.getgeneratorstate(run), inspect.GEN_CLOSED)
        self.assertIsNone(run.gi_frame)

    def test_failure_at_the_first_request_finishes_the_run(self):
        run = Sample.count(-1)
        with self.assertRaisesRegex(ValueError, "negative count"):
            next(run)
        self.assertEqual(inspect.getgeneratorstate(run), inspect.GEN_CLOSED)
        self.assertEqual(list(run), [])

    def test_release_during_an_error_keeps_it(self):
        def fails_with_a_live_run():
            run = Sample.count(5)
            next(run)
            raise KeyError("kept")

        with self.assertRaisesRegex(KeyError, "kept"):
            fails_with_a_live_run()
        gc.collect()


class EntryPointTest(unittest.TestCase):
    def test_cpp_exceptions_become_host_errors(self):
        cases = [("logic", SystemError, "a programming error"),
                 ("memory", MemoryError, ""),
                 ("other", SystemError, "unexpected C++ exception in kestrinpy"),
                 ("accessor", SystemError, "fail: parameter 0 is not declared so")]
        for kind, error, text in cases:
            with self.subTest(kind=kind):
                with self.assertRaises(error) as caught:
                    Sample.fail(kind)
                self.assertEqual(str(caught.exception), text)


class PickleTest(unittest.TestCase):
    def test_functions_pickle_by_reference(self):
        functions = [kestrinpy.MapGisFile.getFeature, kestrinpy.KestrinBase.bytesToStr, Sample.count]
        for function in functions:
            for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
                with self.subTest(function=function, protocol=protocol):
                    self.assertIs(pickle.loads(pickle.dumps(function, protocol)), function)
        bound = pickle.loads(pickle.dumps(Sample.inner))
        self.assertEqual(bound(2), 4.0)

    def test_functions_run_in_a_process_pool(self):
        with concurrent.futures.ProcessPoolExecutor(2) as pool:
            self.assertEqual(list(pool.map(kestrinpy.KestrinBase.bytesInteger, [b"\x01", b"\x02\x01"])), [1, 258])
            self.assertEqual(list(pool.map(Sample.inner, [1.0, 2.5])), [2.0, 5.0])


if __name__ == "__main__":
    unittest.main()
