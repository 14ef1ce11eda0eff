"""Objects that run a script's own code in the middle of a call, for the
hostile-object suites (tests/test_hostile_*.py).

A `Hostile` stands for a value and answers every protocol slot as the value
would, except that one slot first runs an action: emptying the container being
read, replacing an item, dropping the last reference, re-entering the module,
raising. `OnRelease` runs its action when its last reference goes. The suites
hold the module's outcome against the plain form's where the tests have one
(tests/*_reference.py, tests/mapgrid_plain.py), and otherwise only ask that the
call answers or raises an Exception: a crash ends the process (under
`make sanitize`, and under PYTHONMALLOC=debug in `make hostile`)."""
import unittest

from tests.support import outcome

# The slots a Hostile can act in.
SLOTS = ("__float__", "__index__", "__int__", "__repr__", "__str__", "__format__", "__eq__", "__ne__",
         "__hash__", "__bool__", "__getitem__", "__len__", "__iter__")

# What an action returns to let the slot answer as the value would.
ANSWER = object()


def _answer(value, slot, args):
    if slot == "__float__":
        return float(value)
    if slot in ("__index__", "__int__"):
        return int(value) if not hasattr(value, "__index__") else value.__index__()
    if slot == "__iter__":
        return iter(value)
    if slot == "__bool__":
        return bool(value)
    if slot == "__len__":
        return len(value)
    if slot == "__hash__":
        return hash(value)
    if slot == "__repr__":
        return repr(value)
    if slot == "__str__":
        return str(value)
    if slot == "__format__":
        return format(value, *args)
    if slot == "__eq__":
        other = args[0]
        return value == (other.value if isinstance(other, Hostile) else other)
    if slot == "__ne__":
        other = args[0]
        return value != (other.value if isinstance(other, Hostile) else other)
    return getattr(value, slot)(*args)


def _slot(name):
    def method(self, *args):
        if name == self.slot and (self.times is None or self.calls < self.times):
            self.calls += 1
            result = self.action(*args)
            if result is not ANSWER:
                return result
        return _answer(self.value, name, args)
    method.__name__ = name
    return method


class Hostile:
    """Stands for `value`; its `slot` runs `action(*slot arguments)` first (the
    first `times` times, or always), and answers with what the action returns
    unless that is ANSWER. It has the slots of the value's type and `slot`, no
    others, so it takes the paths a value of that type takes."""

    _classes = {}

    def __new__(cls, value, slot, action, times=None):
        if slot not in SLOTS:
            raise ValueError(f"unknown slot {slot!r}")
        own = frozenset(name for name in SLOTS if _has_slot(type(value), name)) | {slot}
        kind = cls._classes.get(own)
        if kind is None:
            kind = type("Hostile", (cls,), {name: _slot(name) for name in own})
            kind.__qualname__ = "Hostile"
            if "__eq__" in own and "__hash__" not in own:
                kind.__hash__ = None
            cls._classes[own] = kind
        self = object.__new__(kind)
        self.value, self.slot, self.action, self.times, self.calls = value, slot, action, times, 0
        return self


def _has_slot(kind, name):
    if name in ("__repr__", "__str__", "__format__", "__eq__", "__ne__", "__hash__"):
        return True
    if name == "__index__" and kind is float:
        return False
    return getattr(kind, name, None) is not None


class OnRelease:
    """Runs `action()` when its last reference goes (its __del__)."""

    def __init__(self, action):
        self.action = action

    def __del__(self):
        self.action()


class HostileStr(str):
    """A str subclass whose __eq__ (and __hash__) runs `action` first."""

    def __new__(cls, text, action):
        self = super().__new__(cls, text)
        self.action = action
        return self

    def __eq__(self, other):
        result = self.action()
        return str.__eq__(self, other) if result is ANSWER else result

    def __hash__(self):
        return str.__hash__(self)


# ---- the actions ----

def emptying(container):
    """Empties a list or dictionary (its old items are released)."""
    def action(*_):
        container.clear()
        return ANSWER
    return action


def replacing(container, key, value):
    """Replaces container[key] (the old item is released)."""
    def action(*_):
        container[key] = value
        return ANSWER
    return action


def raising(error):
    def action(*_):
        raise error
    return action


def calling(call, *args, **keywords):
    """Runs call(*args, **keywords) (a re-entry into the module), ignoring what it raises."""
    def action(*_):
        try:
            call(*args, **keywords)
        except Exception:  # noqa: BLE001 - only the re-entry itself matters
            pass
        return ANSWER
    return action


def returning(result, before=None):
    """Runs `before()` if given and answers `result` instead of the value's own."""
    def action(*_):
        if before is not None:
            before()
        return result
    return action


# ---- the outcome ----

class HostileCase(unittest.TestCase):
    """Base of the hostile-object suites: `check` runs one row of a table."""

    def check(self, row, module_call, plain_call=None):
        """`module_call()` and `plain_call()` each build their own fresh inputs (the
        mutations work in place). With a plain form the outcomes must be equal;
        without, the module must answer or raise an Exception."""
        with self.subTest(row):
            got = outcome(module_call)
            if plain_call is not None:
                self.assertEqual(got, outcome(plain_call))
            return got


class HostileCallable(Hostile):
    """A Hostile that stands for a callable `value` and can be called like it
    (a slot of the message bus, a codec's function...)."""

    _classes = {}

    def __call__(self, *args, **keywords):
        return self.value(*args, **keywords)
