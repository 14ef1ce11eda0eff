"""MapGrid.grid: the sheet graticule of a view window, as a lazy generator."""
import gc
import inspect
import itertools
import random
import unittest
import weakref

from src import kestrinpy
from tests.mapgrid_plain import PlainGrid

grid = kestrinpy.MapGrid.grid
NAN = float("nan")


def exact(value):
    """The items with every number's exact text and type (40 is not 40.0)."""
    if isinstance(value, dict):
        return {key: exact(item) for key, item in value.items()}
    if isinstance(value, list):
        return [exact(item) for item in value]
    return repr(value), type(value)


def lines(*args):
    return [(line["remarks"], line["coordinates"]) for line in grid(*args)]


def run(generator, limit=None):
    """The items of a generator, then its failure (type and text), if any."""
    items = []
    try:
        for item in itertools.islice(generator, limit):
            items.append(exact(item))
    except Exception as error:  # the failure is part of what is compared
        items.append((type(error).__name__, str(error)))
    return items


class WindowTest(unittest.TestCase):
    def test_one_million_window(self):
        items = list(grid(40, 20, 80, 100, 0))
        self.assertEqual(exact(items[0]), exact({"remarks": "longitude", "type": "LineString",
                                                 "coordinates": [[84.0, 20.0], [84.0, 40.0]], "scale": 1000000}))
        self.assertEqual(lines(40, 20, 80, 100, 0),
                         [("longitude", [[lng, 20.0], [lng, 40.0]]) for lng in (84.0, 90.0, 96.0)]
                         + [("latitude", [[80.0, lat], [100.0, lat]]) for lat in (20.0, 24.0, 28.0, 32.0, 36.0, 40.0)])
        self.assertEqual({line["scale"] for line in items}, {1000000})
        self.assertEqual(list(items[-1]), ["remarks", "type", "coordinates", "scale"])
        self.assertEqual(exact(items[-1]["coordinates"]), exact([[80.0, 40.0], [100.0, 40.0]]))

    def test_accumulated_steps(self):
        self.assertEqual(lines(2, 0, 0, 0.5, 9),
                         [("longitude", [[0.0, 0.0], [0.0, 2.0]]), ("longitude", [[0.5, 0.0], [0.5, 2.0]])]
                         + [("latitude", [[0.0, lat], [0.5, lat]]) for lat in
                            (0.0, 0.3333333333333333, 0.6666666666666666, 1.0, 1.3333333333333333,
                             1.6666666666666665, 1.9999999999999998)])
        # 6.000000000000001 lies above the window: no parallel at 6°.
        self.assertEqual([c[0][1] for r, c in lines(6, 4, 100, 101, 8) if r == "latitude"],
                         [4.0, 4.666666666666667, 5.333333333333334])
        self.assertEqual([c[0][0] for r, c in lines(6, 4, 100, 101, 8) if r == "longitude"], [100.0, 101.0])

    def test_whole_globe(self):
        items = lines(90, -90, -180, 180, 0)
        meridians = [c for r, c in items if r == "longitude"]
        parallels = [c for r, c in items if r == "latitude"]
        self.assertEqual(len(meridians), 61)
        self.assertEqual((meridians[0], meridians[-1]), ([[-180.0, -90.0], [-180.0, 90.0]], [[180.0, -90.0], [180.0, 90.0]]))
        self.assertEqual([p[0][1] for p in parallels], [float(v) for v in range(-88, 89, 4)])
        self.assertEqual(next(grid(90, -90, -180, 180, 0, True))["count"], [61, 47])

    def test_point_window_and_finest_zoom(self):
        self.assertEqual(lines(36, 36, 96, 96, 0), [("longitude", [[96.0, 36.0], [96.0, 36.0]]),
                                                    ("latitude", [[96.0, 36.0], [96.0, 36.0]])])
        items = grid(0.001, 0, -180, 180, 16)
        count = 0
        last = None
        for line in items:
            if line["remarks"] == "longitude":
                count += 1
                last = line
        self.assertEqual((count, repr(last["coordinates"][0][0]), last["scale"]), (138241, "179.99999999980793", 500))
        self.assertEqual(next(grid(0.001, 0, -180, 180, 16, True))["count"], [138241, 2])

    def test_summary(self):
        summary = grid(60, 30, 80, 100, 1, True)
        self.assertEqual(exact(next(summary)), exact({"count": [5, 9], "step": [6.0, 4.0], "scale": 1000000}))
        with self.assertRaises(StopIteration):
            next(summary)
        self.assertEqual((len([r for r, _ in lines(60, 30, 80, 100, 1) if r == "longitude"]),
                          len([r for r, _ in lines(60, 30, 80, 100, 1) if r == "latitude"])), (3, 8))
        self.assertEqual(next(grid(6, 4, 100, 101, 8, True))["count"], [2, 4])
        self.assertEqual(next(grid(60, 30, 80, 100, 9, "yes"))["step"], [0.5, 0.3333333333333333])

    def test_zoom_levels(self):
        steps = {0: (1000000, 6.0, 4.0), 5: (1000000, 6.0, 4.0), -3: (1000000, 6.0, 4.0), -10 ** 30: (1000000, 6.0, 4.0),
                 6: (500000, 3.0, 2.0), 8: (200000, 1.0, 0.6666666666666666), 12: (10000, 0.0625, 0.041666666666666664),
                 15: (1000, 0.005208333333333333, 0.003472222222222222),
                 16: (500, 0.0026041666666666665, 0.001736111111111111), 40: (500, 0.0026041666666666665, 0.001736111111111111),
                 10 ** 30: (500, 0.0026041666666666665, 0.001736111111111111)}
        for zoom, (scale, lng, lat) in steps.items():
            with self.subTest(zoom=zoom):
                summary = next(grid(1, 0, 0, 1, zoom, True))
                self.assertEqual((summary["scale"], summary["step"]), (scale, [lng, lat]))


class FailureTest(unittest.TestCase):
    def test_checks_at_the_first_request(self):
        cases = [((100, 0, 0, 1), "[100.0] should be between [-90 ～ +90] in [north] parameter."),
                 ((0, -91, 0, 1), "[-91.0] should be between [-90 ～ +90] in [south] parameter."),
                 ((20, 40, 0, 1), "[north:20.0] should be greater than [south:40.0] in parameters."),
                 ((1, 0, -181, 1), "[-181.0] should be between [-180 ～ +180] in [west] parameter."),
                 ((1, 0, 0, NAN), "[nan] should be between [-180 ～ +180] in [east] parameter."),
                 ((1, 0, 5, 1), "[east:1.0] should be greater than [west:5.0] in parameters."),
                 ((NAN, 100, 200, -200), "[nan] should be between [-90 ～ +90] in [north] parameter."),
                 ((10, NAN, 0, 1), "[nan] should be between [-90 ～ +90] in [south] parameter.")]
        for args, text in cases:
            for summary in (False, True):
                with self.subTest(args=args, summary=summary):
                    generator = grid(*args, 3, summary)  # the call itself succeeds
                    self.assertEqual(inspect.getgeneratorstate(generator), "GEN_CREATED")
                    with self.assertRaises(Exception) as caught:
                        next(generator)
                    self.assertIs(type(caught.exception), Exception)
                    self.assertEqual(str(caught.exception), text)
                    self.assertEqual(inspect.getgeneratorstate(generator), "GEN_CLOSED")
                    with self.assertRaises(StopIteration):
                        next(generator)

    def test_argument_types_at_the_call(self):
        for zoom, name in [(True, "bool"), (1.0, "float"), (None, "NoneType")]:
            with self.subTest(zoom=zoom), self.assertRaises(TypeError) as caught:
                grid(100, 0, 0, 1, zoom)
            self.assertEqual(str(caught.exception), f"Argument 'zoom' has incorrect type (expected int, got {name})")
        for args, text in [(("x", 0, 0, 1, None), "must be real number, not str"),
                           ((1, 0, 0, [1]), "must be real number, not list"),
                           ((1, 0, 0), "grid() takes at least 4 positional arguments (3 given)")]:
            with self.subTest(args=args), self.assertRaises(TypeError) as caught:
                grid(*args)
            self.assertEqual(str(caught.exception), text)

    def test_generator_protocol(self):
        generator = grid(40, 20, 80, 100)
        with self.assertRaises(TypeError):
            generator.send(1)
        self.assertEqual(next(generator)["coordinates"][0], [84.0, 20.0])
        self.assertEqual(inspect.getgeneratorstate(generator), "GEN_SUSPENDED")
        generator.close()
        self.assertEqual(list(generator), [])
        self.assertEqual(grid.__name__, "grid")


class HandedOutLinesTest(unittest.TestCase):
    """Lines are new dictionaries: what a caller keeps or changes stays as it is."""
    WINDOW = (1, 0, 0, 1, 12)

    def test_kept_and_changed_lines(self):
        expected = run(PlainGrid.grid(*self.WINDOW))
        kept, seen = [], []
        for index, line in enumerate(grid(*self.WINDOW)):
            seen.append(exact(line))
            change = index % 6
            if change == 0:
                kept.append((line, exact(line)))
            elif change == 1:
                line["coordinates"][0].append(None)
            elif change == 2:
                kept.append((line["coordinates"][1], exact(line["coordinates"][1])))
            elif change == 3:
                del line["type"]
                line["type"] = "LineString"
            elif change == 4:
                line["coordinates"] = "changed"
        self.assertEqual(seen, expected)
        for value, text in kept:
            self.assertEqual(exact(value), text)

    def test_a_cycle_through_the_generator_is_collected(self):
        class Marker:
            pass

        lines = grid(*self.WINDOW)
        line = next(lines)
        marker = Marker()
        probe = weakref.ref(marker)
        line["marker"], line["lines"] = marker, lines
        del line, lines, marker
        gc.collect()
        self.assertIsNone(probe())


class DifferentialTest(unittest.TestCase):
    """Every item bit for bit as the plain Python form yields it."""

    def test_random_windows(self):
        rng = random.Random(107)
        edges = [0.0, -0.0, 90.0, -90.0, 180.0, -180.0, 36.0, 4.000000000000001, 1e-300]
        for _ in range(600):
            zoom = rng.choice([0, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, -1])
            size = {0: 90, 5: 90, -1: 90, 6: 40, 7: 20, 8: 10, 9: 5, 10: 3, 11: 2}.get(zoom, 0.2)
            north = rng.choice(edges + [rng.uniform(-90, 90)] * 5)
            south = north - rng.choice([0.0, rng.uniform(0, size)])
            west = rng.choice(edges + [rng.uniform(-180, 180)] * 5)
            east = west + rng.choice([0.0, rng.uniform(0, size)])
            if rng.random() < 0.1:
                north, south = south, north
            summary = rng.random() < 0.2
            with self.subTest(window=(north, south, west, east, zoom, summary)):
                self.assertEqual(run(grid(north, south, west, east, zoom, summary), 3000),
                                 run(PlainGrid.grid(north, south, west, east, zoom, summary), 3000))


if __name__ == "__main__":
    unittest.main()
