"""Module start-up: attributes, the classes and their registered members, the
argument texts every method shares, and the once-per-process loading rules."""
import inspect
import pathlib
import shutil
import tempfile
import unittest

from src import kestrinpy
from tests import fixtures
from tests.support import run_child

CLASS_ORDER = ["Messenger", "KestrinBase", "MapGisProject", "MapGisColorLib", "MapGisFile",
               "Projection", "MapGrid", "Geometry"]
# Arguments that construct an object of each class (MapGisFile's file is made in setUpModule).
CONSTRUCTOR_ARGS = {"MapGisProject": ("/nonexistent/x.MPJ",), "MapGisColorLib": ("/nonexistent/Pcolor.lib",)}


def setUpModule():
    folder = tempfile.mkdtemp()
    unittest.addModuleCleanup(shutil.rmtree, folder)
    CONSTRUCTOR_ARGS["MapGisFile"] = (fixtures.FeatureFile("line").write(pathlib.Path(folder), "empty.WL"),)


class ModuleAttributesTest(unittest.TestCase):
    def test_version_and_public_names(self):
        self.assertEqual(kestrinpy.__version__, "2025.9.10")
        self.assertIs(type(kestrinpy.__all__), list)
        self.assertEqual(kestrinpy.__all__, ["Messenger", "MapGisProject", "MapGisColorLib", "MapGisFile",
                                             "Projection", "MapGrid", "Geometry"])
        self.assertNotIn("__path__", vars(kestrinpy))
        self.assertEqual(kestrinpy.__package__, "src")
        self.assertTrue(kestrinpy.__file__.endswith(".so"))
        self.assertIn("Messenger", kestrinpy.__doc__)

    def test_attributes_are_bound_in_order(self):
        names = list(vars(kestrinpy))
        start = names.index("__version__")
        self.assertEqual(names[start:], ["__version__", "__all__", "os", "re", "sys", "json", "math", "time",
                                         "struct", "dataclass", "Callable", "Any", "Iterator", "Union"]
                         + CLASS_ORDER)

    def test_host_facilities(self):
        import dataclasses, json, typing
        self.assertIs(kestrinpy.json, json)
        self.assertIs(kestrinpy.dataclass, dataclasses.dataclass)
        self.assertIs(kestrinpy.Union, typing.Union)
        self.assertIs(kestrinpy.Callable, typing.Callable)

    def test_star_import_brings_the_public_names_only(self):
        namespace = {}
        exec("from src.kestrinpy import *", namespace)
        self.assertEqual(sorted(k for k in namespace if k != "__builtins__"), sorted(kestrinpy.__all__))
        self.assertTrue(hasattr(kestrinpy, "KestrinBase"))


class ClassTableTest(unittest.TestCase):
    def test_classes_are_plain_host_classes(self):
        for name in CLASS_ORDER:
            with self.subTest(name):
                cls = getattr(kestrinpy, name)
                self.assertIs(type(cls), type)
                self.assertEqual(cls.__module__, "src.kestrinpy")
                self.assertEqual(cls.__qualname__, name)
                self.assertTrue(any("\u4e00" <= ch <= "\u9fff" for ch in cls.__doc__), cls.__doc__)

    def test_bases_and_method_resolution_order(self):
        M, B = kestrinpy.Messenger, kestrinpy.KestrinBase
        self.assertEqual(M.__bases__, (object,))
        self.assertEqual(B.__bases__, (M,))
        for name in CLASS_ORDER[2:]:
            with self.subTest(name):
                cls = getattr(kestrinpy, name)
                self.assertEqual(cls.__mro__, (cls, B, M, object))

    def test_every_object_owns_its_bus_and_a_dict(self):
        objects = [getattr(kestrinpy, name)(*CONSTRUCTOR_ARGS.get(name, ())) for name in CLASS_ORDER]
        for obj in objects:
            with self.subTest(type(obj).__name__):
                self.assertEqual(obj.subscribers, {})
                obj.note = 1  # a per-object attribute dictionary
        objects[0].subscribe("k", print)
        self.assertEqual(objects[1].subscribers, {})
        self.assertEqual(kestrinpy.Messenger().subscribers, {})

    def test_constructors_take_no_argument(self):
        for name in [name for name in CLASS_ORDER if name not in CONSTRUCTOR_ARGS]:
            with self.subTest(name), self.assertRaises(TypeError) as caught:
                getattr(kestrinpy, name)(1)
            self.assertEqual(str(caught.exception), "__init__() takes exactly 1 positional argument (2 given)")

    def test_subclass_constructor_reaches_messenger(self):
        class Mine(kestrinpy.MapGrid):
            def __init__(self):
                super().__init__()
                self.extra = True

        mine = Mine()
        self.assertEqual((mine.subscribers, mine.extra), ({}, True))

    def test_namespace_keeps_definition_order(self):
        self.assertEqual([k for k in vars(kestrinpy.Messenger) if not k.startswith("__") or k == "__init__"],
                         ["__init__", "subscribe", "unsubscribe", "publish"])
        self.assertEqual([k for k in vars(kestrinpy.KestrinBase) if not k.startswith("__")],
                         ["bytesToStr", "bytesInteger"])


class RegisteredMembersTest(unittest.TestCase):
    M = kestrinpy.Messenger
    B = kestrinpy.KestrinBase

    def test_annotations_defaults_and_names(self):
        cases = [
            (self.M.subscribe, "Messenger.subscribe", None,
             {"key": "str", "slot": "Callable", "return": "None"}),
            (self.M.unsubscribe, "Messenger.unsubscribe", (None, None),
             {"key": "Union[str, None]", "slot": "Union[Callable, None]", "return": "None"}),
            (self.M.publish, "Messenger.publish", (None, None), {"key": "str", "value": "Any", "return": "None"}),
            (self.B.bytesToStr, "KestrinBase.bytesToStr", ("GB2312",),
             {"data": "bytes", "encoding": "str", "return": "str"}),
            (self.B.bytesInteger, "KestrinBase.bytesInteger", None, {"data": "bytes", "return": "int"}),
            (self.M.__init__, "Messenger.__init__", None, {}),
        ]
        for function, qualname, defaults, annotations in cases:
            with self.subTest(qualname):
                self.assertEqual(function.__qualname__, qualname)
                self.assertEqual(function.__name__, qualname.split(".")[1])
                self.assertEqual(function.__module__, "src.kestrinpy")
                self.assertEqual(function.__defaults__, defaults)
                self.assertEqual(function.__annotations__, annotations)
                self.assertTrue(function.__doc__)

    def test_defaults_are_made_once(self):
        self.assertIs(self.M.publish.__defaults__, self.M.publish.__defaults__)
        self.assertIs(self.B.bytesToStr.__defaults__[0], self.B.bytesToStr.__defaults__[0])

    def test_signatures(self):
        cases = [
            (self.M.unsubscribe,
             "(self, key: 'Union[str, None]' = None, slot: 'Union[Callable, None]' = None) -> 'None'"),
            (self.M().subscribe, "(key: 'str', slot: 'Callable') -> 'None'"),
            (self.B.bytesToStr, "(data: 'bytes', encoding: 'str' = 'GB2312') -> 'str'"),
            (kestrinpy.MapGisFile, "(mapGisFile: 'str', mapGisColorLib: 'str' = None, encoding: 'str' = 'GB2312')"),
            (kestrinpy.Projection, "()"),
        ]
        for function, text in cases:
            with self.subTest(text):
                self.assertEqual(str(inspect.signature(function)), text)

    def test_kinds(self):
        self.assertIsInstance(vars(self.B)["bytesToStr"], staticmethod)
        self.assertIsInstance(vars(self.B)["bytesInteger"], staticmethod)
        self.assertEqual(self.B.bytesInteger(b"\x05"), kestrinpy.Geometry().bytesInteger(b"\x05"))

    def test_bound_methods_compare_equal(self):
        m = self.M()
        self.assertEqual(m.publish, m.publish)
        self.assertNotEqual(m.publish, self.M().publish)
        self.assertIs(self.M.publish.__get__(None, self.M), self.M.publish)

    def test_wrapped_as_class_method(self):
        class Board:
            subscribers = {"k": []}
            post = classmethod(kestrinpy.Messenger.publish)

        self.assertIsNone(Board.post("k", 1))
        with self.assertRaises(TypeError) as caught:
            Board.post("k", 1, 2)
        self.assertEqual(str(caught.exception), "publish() takes at most 3 positional arguments (4 given)")


class ArgumentTextsTest(unittest.TestCase):
    def test_argument_errors(self):
        m = kestrinpy.Messenger()
        B = kestrinpy.KestrinBase

        def f():
            pass

        cases = [
            (lambda: m.subscribe("k"), "subscribe() takes exactly 3 positional arguments (2 given)"),
            (lambda: m.subscribe(), "subscribe() takes exactly 3 positional arguments (1 given)"),
            (lambda: m.subscribe(slot=f), "subscribe() takes exactly 3 positional arguments (1 given)"),
            (lambda: m.subscribe("k", f, 3), "subscribe() takes exactly 3 positional arguments (4 given)"),
            (lambda: kestrinpy.Messenger.subscribe(), "subscribe() takes exactly 3 positional arguments (0 given)"),
            (lambda: m.subscribe("k", key="k"), "subscribe() takes exactly 3 positional arguments (2 given)"),
            (lambda: m.subscribe("k", f, key="j"), "subscribe() got multiple values for keyword argument 'key'"),
            (lambda: m.subscribe("k", f, other=1), "subscribe() got an unexpected keyword argument 'other'"),
            (lambda: m.subscribe(self=m, key="k", slot=f), "subscribe() got multiple values for keyword argument 'self'"),
            (lambda: m.publish("k", 1, 2), "publish() takes at most 3 positional arguments (4 given)"),
            (lambda: m.unsubscribe(zzz=1, key=5), "unsubscribe() got an unexpected keyword argument 'zzz'"),
            (lambda: B.bytesInteger(b"", b""), "bytesInteger() takes exactly 1 positional argument (2 given)"),
            (lambda: B.bytesInteger(), "bytesInteger() takes exactly 1 positional argument (0 given)"),
            (lambda: B.bytesToStr(), "bytesToStr() takes at least 1 positional argument (0 given)"),
            (lambda: B.bytesToStr(encoding="utf-8"), "bytesToStr() takes at least 1 positional argument (0 given)"),
            (lambda: B.bytesToStr(b"", "a", 1), "bytesToStr() takes at most 2 positional arguments (3 given)"),
            # Counts come before the exact-type tests.
            (lambda: B.bytesToStr(1, 2, 3), "bytesToStr() takes at most 2 positional arguments (3 given)"),
            (lambda: m.subscribe(None, f, x=1), "subscribe() got an unexpected keyword argument 'x'"),
        ]
        for call, text in cases:
            with self.subTest(text), self.assertRaises(TypeError) as caught:
                call()
            self.assertEqual(str(caught.exception), text)

    def test_exact_type_rule(self):
        m = kestrinpy.Messenger()
        B = kestrinpy.KestrinBase

        class Text(str):
            pass

        def f():
            pass

        template = "Argument '{}' has incorrect type (expected {}, got {})"
        cases = [
            (lambda: m.subscribe(None, f), ("key", "str", "NoneType")),
            (lambda: m.subscribe(Text("k"), f), ("key", "str", "Text")),
            (lambda: m.unsubscribe(5), ("key", "str", "int")),
            (lambda: m.publish(b"k"), ("key", "str", "bytes")),
            (lambda: B.bytesInteger(True), ("data", "bytes", "bool")),
            (lambda: B.bytesInteger(bytearray(b"1")), ("data", "bytes", "bytearray")),
            (lambda: B.bytesToStr(memoryview(b"1")), ("data", "bytes", "memoryview")),
            (lambda: B.bytesToStr(b"1", None), ("encoding", "str", "NoneType")),
            (lambda: B.bytesToStr(b"1", encoding=Text("utf-8")), ("encoding", "str", "Text")),
            # The first parameter in order is reported.
            (lambda: B.bytesToStr(None, None), ("data", "bytes", "NoneType")),
        ]
        for call, fields in cases:
            with self.subTest(fields), self.assertRaises(TypeError) as caught:
                call()
            self.assertEqual(str(caught.exception), template.format(*fields))

    def test_admitted_values(self):
        m = kestrinpy.Messenger()
        self.assertIsNone(m.unsubscribe(None, 5))
        self.assertIsNone(m.publish(None, object()))
        self.assertIsNone(m.publish(value=1, key=None))


class LoadingTest(unittest.TestCase):
    """Process-level rules; each case runs in a fresh interpreter."""

    def assert_child(self, code, expected):
        child = run_child(code)
        self.assertEqual(child.returncode, 0, child.stderr)
        self.assertEqual(child.stdout.split(), expected, child.stderr)

    def test_import_again_and_after_removal(self):
        self.assert_child("""
            import importlib, sys
            import src.kestrinpy as first
            first.note = "kept"
            first.__doc__ = "changed"
            messenger = first.Messenger
            del sys.modules["src.kestrinpy"]
            import src.kestrinpy as second
            print(second is first, second.Messenger is messenger, second.note, second.__doc__)
            third = importlib.reload(second)
            print(third is first, third.Messenger is messenger, third.note)
        """, ["True", "True", "kept", "changed", "True", "True", "kept"])

    def test_foreign_module_object_is_refused(self):
        self.assert_child("""
            import ctypes, types
            import src.kestrinpy as module
            api = ctypes.pythonapi
            api.PyModule_GetDef.restype = ctypes.c_void_p
            api.PyModule_GetDef.argtypes = [ctypes.py_object]
            api.PyModule_ExecDef.argtypes = [ctypes.py_object, ctypes.c_void_p]
            definition = api.PyModule_GetDef(module)
            foreign = types.ModuleType("foreign")
            try:
                api.PyModule_ExecDef(foreign, definition)
            except RuntimeError as error:
                print(repr(str(error)))
            print(sorted(vars(foreign)) == ["__doc__", "__loader__", "__name__", "__package__", "__spec__"])
            print(api.PyModule_ExecDef(module, definition))
        """, ["\"Module", "'kestrinpy'", "has", "already", "been", "imported.", "Re-initialisation", "is",
              "not", "supported.\"", "True", "0"])

    def test_second_interpreter_is_refused(self):
        self.assert_child("""
            import os, sys, _xxsubinterpreters as interpreters
            import src.kestrinpy
            interpreter = interpreters.create(isolated=False)
            script = "import sys; sys.path[:0] = %r; import src.kestrinpy" % (sys.path,)
            try:
                interpreters.run_string(interpreter, script)
            except interpreters.RunFailedError as error:
                print(str(error).replace(" ", "_"))
        """, ["<class_'ImportError'>:_Interpreter_change_detected_-_this_module_can_only_be_loaded_into_one_"
              "interpreter_per_process."])

    def test_failed_load_starts_afresh(self):
        self.assert_child("""
            import sys
            sys.modules["dataclasses"] = None
            try:
                import src.kestrinpy
            except ImportError:
                print("failed")
            del sys.modules["dataclasses"]
            sys.modules.pop("src.kestrinpy", None)
            import src.kestrinpy as module
            print(module.__version__, module.Geometry.__name__, hasattr(module, "dataclass"))
        """, ["failed", "2025.9.10", "Geometry", "True"])


if __name__ == "__main__":
    unittest.main()
