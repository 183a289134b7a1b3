"""Tests of the Python module: the shared table of requests (tests/requests.csv)
asked as a Python user asks it, and the module's own behaviour: how its
functions turn arguments into named inputs, what Python values it gives the
library, its layout of the library's records, its names, loading, threads,
reports and the documentation's sessions. The library's numbers are the
library's tests' (tests/); here they are only asked.

Needs VANTOR_LIBRARY (the shared library) in the environment; ctest sets it.
"""

import csv
import ctypes
import ctypes.util
import decimal
import fractions
import inspect
import io
import itertools
import json
import math
import os
import re
import statistics
import subprocess
import sys
import unittest
import unittest.mock
import warnings
from concurrent.futures import ThreadPoolExecutor

import vantor

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir)
# The folder the module (the package vantor/) is imported from.
MODULE_PATH = os.path.dirname(os.path.dirname(os.path.abspath(vantor.__file__)))

PUBLIC_FUNCTIONS = [
    vantor.single_stage_power, vantor.cases_for_controls, vantor.controls_for_cases,
    vantor.cases_for_ratio, vantor.controls_for_ratio, vantor.detectable_odds_ratios,
    vantor.detectable_relative_risks, vantor.two_stage_power, vantor.two_stage_power_of_total,
    vantor.smallest_total, vantor.cheapest_design, vantor.most_powerful_design,
]


def run_python(code: str, **env) -> subprocess.CompletedProcess:
    """Runs code in a fresh interpreter beside the module, as a user would."""
    return subprocess.run(
        [sys.executable, "-B", "-c", code], cwd=MODULE_PATH, env=dict(os.environ, **env),
        capture_output=True, text=True, timeout=120, check=False,
    )


# ---------------------------------------------------------------------------
# The shared table of requests
# ---------------------------------------------------------------------------

DECIMAL = re.compile(r"[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?")


def typed(text: str):
    """A value of the table as a Python user types it: nothing is None,
    a whole number an int, a decimal number a float (1e400 is infinite),
    anything else (a word, "0x10") text."""
    if text == "":
        return None
    if re.fullmatch(r"[-+]?\d+", text):
        return int(text)
    return float(text) if DECIMAL.fullmatch(text) else text


def requests() -> list:
    with open(os.path.join(ROOT, "tests", "requests.csv"), encoding="utf-8") as table:
        rows = list(csv.DictReader(table))
    for row in rows:
        row["inputs"] = {name: typed(value) for name, value in
                         (given.split("=", 1) for given in row["inputs"].split(";"))}
    return rows


class SharedRequests(unittest.TestCase):
    def test_each_is_answered_as_the_table_says(self):
        rows = requests()
        self.assertGreaterEqual(len(rows), 40)
        for row in rows:
            with self.subTest(inputs=row["inputs"]):
                try:
                    answer = vantor.ask(**row["inputs"])
                except vantor.InputError as error:
                    self.assertEqual((error.status.name, error.reason.name, error.argument or ""),
                                     (row["status"], row["reason"], row["input"]))
                    self.assertNotIn("{", str(error))
                    if row["input"]:
                        self.assertIn(row["input"], str(error))
                    continue
                # Both sides of a detectable effect: the first is above 1.
                first = answer[0] if not hasattr(answer, "status") else answer
                self.assertEqual((first.status.name, first.reason.name, ""),
                                 (row["status"], row["reason"], row["input"]))
                if row["field"]:
                    wanted = float(row["value"])
                    self.assertAlmostEqual(getattr(first, row["field"]), wanted,
                                           delta=5e-6 * abs(wanted))

    def test_a_refused_value_is_named_with_the_value_as_given(self):
        error = self.refusal(cases=2.5, controls=2000, odds_ratio=1.3, control_rate=0.3)
        self.assertTrue(str(error).startswith("cases 2.5: the number of cases must be "))
        error = self.refusal(cases=2000, controls=2000, odds_ratio=1.3, control_rate=0.3,
                             variance="robust")
        self.assertTrue(str(error).startswith("variance robust: "), str(error))

    def refusal(self, **inputs) -> vantor.InputError:
        with self.assertRaises(vantor.InputError) as caught:
            vantor.ask(**inputs)
        self.assertIsInstance(caught.exception, ValueError)
        return caught.exception


# ---------------------------------------------------------------------------
# The functions: each a thin call of ask
# ---------------------------------------------------------------------------

# A call of each function with acceptable inputs, positionally where the
# signature allows, and the named inputs (with stages and solve) it asks.
CALLS = [
    (vantor.single_stage_power, (1000, 2000, 1.3, 0.3, 1e-4), {},
     dict(stages=1, solve="power", cases=1000, controls=2000, odds_ratio=1.3, control_rate=0.3,
          alpha=1e-4)),
    (vantor.cases_for_controls, (5000, 1.3, 0.3, 1e-6, 0.9), {},
     dict(stages=1, solve="size", controls=5000, odds_ratio=1.3, control_rate=0.3, alpha=1e-6,
          target_power=0.9)),
    (vantor.controls_for_cases, (5000, 1.3, 0.3), {"variance": "unpooled"},
     dict(stages=1, solve="size", cases=5000, odds_ratio=1.3, control_rate=0.3,
          variance="unpooled")),
    (vantor.cases_for_ratio, (2, 1.3, 0.3), {"count": "alleles"},
     dict(stages=1, solve="size", controls_per_case=2, odds_ratio=1.3, control_rate=0.3,
          count="alleles")),
    (vantor.controls_for_ratio, (0.5,), dict(frequency=0.2, prevalence=0.1, relative_risk=1.5),
     dict(stages=1, solve="size", cases_per_control=0.5, frequency=0.2, prevalence=0.1,
          relative_risk=1.5)),
    (vantor.detectable_odds_ratios, (2000, 2000, 0.3, 1e-4, 0.9), {"direction": "below"},
     dict(stages=1, solve="effect", cases=2000, controls=2000, control_rate=0.3, alpha=1e-4,
          target_power=0.9, direction="below")),
    (vantor.detectable_relative_risks, (1000, 2000, 0.2, 0.1), {"d_prime": 0.9},
     dict(stages=1, solve="effect", cases=1000, controls=2000, frequency=0.2, prevalence=0.1,
          d_prime=0.9)),
    (vantor.two_stage_power, (500, 600, 1000, 900, 1.3, 0.3),
     dict(stage1_alpha=0.01, alpha=1e-5, method="product", cost_ratio=2),
     dict(stages=2, solve="power", stage1_cases=500, stage1_controls=600, stage2_cases=1000,
          stage2_controls=900, odds_ratio=1.3, control_rate=0.3, stage1_alpha=0.01, alpha=1e-5,
          method="product", cost_ratio=2)),
    (vantor.two_stage_power_of_total, (6000, 0.3, 1.3, 0.3),
     dict(stage1_alpha=1e-3, case_fraction=0.4, stage1_cost_per_person=80,
          stage2_cost_per_person=20),
     dict(stages=2, solve="power", total=6000, stage1_share=0.3, odds_ratio=1.3,
          control_rate=0.3, stage1_alpha=1e-3, case_fraction=0.4, stage1_cost_per_person=80,
          stage2_cost_per_person=20)),
    (vantor.smallest_total, (0.4, 1.3, 0.3),
     dict(stage1_alpha=1e-3, method="replication", cost_ratio=3),
     dict(stages=2, solve="size", stage1_share=0.4, odds_ratio=1.3, control_rate=0.3,
          stage1_alpha=1e-3, method="replication", cost_ratio=3)),
    (vantor.cheapest_design, (1.3, 0.3),
     dict(method="replication", markers=1e5, cases_available=3000),
     dict(stages=2, solve="design", odds_ratio=1.3, control_rate=0.3, method="replication",
          markers=1e5, cases_available=3000)),
    (vantor.most_powerful_design, (4000, 1.3, 0.3),
     dict(method="replication", stage1_share=0.4, controls_available=3000),
     dict(stages=2, solve="design", budget=4000, odds_ratio=1.3, control_rate=0.3,
          method="replication", stage1_share=0.4, controls_available=3000)),
]
RESULT_OF = {
    vantor.single_stage_power: "PowerResult", vantor.two_stage_power: "DesignResult",
    vantor.detectable_odds_ratios: "OddsRatioResult",
    vantor.detectable_relative_risks: "DetectableRelativeRisks",
}


def result_type(function) -> type:
    name = RESULT_OF.get(function, "SizeResult" if "_for_" in function.__name__
                         else "DesignResult")
    return getattr(vantor, name)


class Functions(unittest.TestCase):
    def test_each_asks_its_arguments_by_name_with_what_its_name_states(self):
        self.assertEqual(len(CALLS), len(PUBLIC_FUNCTIONS))
        for function, positional, keywords, inputs in CALLS:
            with self.subTest(function=function.__name__):
                answer = function(*positional, **keywords)
                self.assertIsInstance(answer, result_type(function))
                self.assertEqual(answer, vantor.ask(**inputs))
                first = answer if hasattr(answer, "status") else answer.above
                self.assertEqual(first.status, vantor.Status.FOUND)

    def test_what_a_size_or_design_keeps_is_what_was_given(self):
        self.assertEqual(vantor.cases_for_controls(5000, 1.3, 0.3).controls, 5000)
        self.assertEqual(vantor.controls_for_cases(5000, 1.3, 0.3).cases, 5000)
        d = vantor.two_stage_power_of_total(1000, stage1_share=0.3, odds_ratio=1.3,
                                            control_rate=0.3, stage1_alpha=0.01)
        self.assertEqual(d.total, 1000)
        self.assertEqual(d.stage1_cases + d.stage1_controls + d.stage2_cases
                         + d.stage2_controls, 1000)
        self.assertLessEqual(vantor.most_powerful_design(4000, 1.3, 0.3).cost, 4000)

    def test_an_argument_left_at_none_is_not_given(self):
        for function, positional, keywords, _ in CALLS:
            parameters = inspect.signature(function).parameters
            optional = [name for name, p in parameters.items()
                        if p.default is None and name not in keywords]
            bound = inspect.signature(function).bind_partial(*positional).arguments
            given = {name: None for name in optional if name not in bound}
            with self.subTest(function=function.__name__):
                self.assertEqual(function(*positional, **keywords, **given),
                                 function(*positional, **keywords))
        self.assertEqual(vantor.detectable_odds_ratios(2000, 2000, 0.3, direction="both"),
                         vantor.detectable_odds_ratios(2000, 2000, 0.3))

    def test_optional_arguments_default_to_none_and_restate_no_default(self):
        for function in PUBLIC_FUNCTIONS:
            for parameter in inspect.signature(function).parameters.values():
                with self.subTest(function=function.__name__, parameter=parameter.name):
                    self.assertIn(parameter.default, (None, inspect.Parameter.empty))

    def test_an_unknown_name_is_a_type_error(self):
        # Any input the library knows is taken by keyword; one the question
        # does not read is refused by the library, naming it.
        with self.assertRaises(vantor.InputError) as refused:
            vantor.single_stage_power(1000, 1000, 1.3, 0.3, budget=5000)
        self.assertEqual(refused.exception.argument, "budget")
        self.assertEqual(refused.exception.reason.name, "INPUT_NOT_READ")
        with self.assertRaises(TypeError):
            vantor.single_stage_power(1000, 1000, 1.3, 0.3, nonsense=1)
        with self.assertRaises(TypeError):
            vantor.ask(cases=1000, controls=1000, odds_ratio=1.3, control_rate=0.3, rate=0.3)
        with self.assertRaises(TypeError):
            vantor.single_stage_power(1000)


def allelic_power(cases: int, controls: int, odds_ratio: float, control_rate: float,
                  alpha: float) -> float:
    """The two-sided pooled-variance allelic test's power, from the normal
    approximation of the two allele frequencies (two alleles a person)."""
    normal = statistics.NormalDist()
    n1, n0, p0 = 2 * cases, 2 * controls, control_rate
    p1 = odds_ratio * p0 / (1 - p0 + odds_ratio * p0)
    pooled = (n1 * p1 + n0 * p0) / (n1 + n0)
    null = normal.inv_cdf(1 - alpha / 2) * math.sqrt(pooled * (1 - pooled) * (1 / n1 + 1 / n0))
    spread = math.sqrt(p1 * (1 - p1) / n1 + p0 * (1 - p0) / n0)
    return normal.cdf((p1 - p0 - null) / spread) + normal.cdf((p0 - p1 - null) / spread)


# Requests and what their answer's head shows: (inputs, direction, count,
# controls, alpha) of the first answer; the controls of cases at a ratio are
# the nearest whole number, halves up.
EFFECT = dict(odds_ratio=1.3, control_rate=0.3)
TOOK = [
    (dict(cases=1000, controls=2000, **EFFECT), None, "people", None, 5e-8),
    (dict(cases=1000, controls_per_case=2, **EFFECT), None, "people", 2000, 5e-8),
    (dict(cases=1001, controls_per_case=1.5, alpha=1e-4, **EFFECT), None, "people", 1502, 1e-4),
    (dict(cases=999, controls_per_case=1.5, count="alleles", **EFFECT), None, "alleles", 1499,
     5e-8),
    (dict(cases=1000, controls=1000, markers=1e6, **EFFECT), None, "people", None, 0.05),
    (dict(controls=3000, target_power=0.8, **EFFECT), None, "people", 3000, 5e-8),
    (dict(cases=2000, controls=2000, control_rate=0.3, target_power=0.8), "above", "people",
     None, 5e-8),
    (dict(cases=2000, controls_per_case=0.5, control_rate=0.3, target_power=0.8,
          direction="below"), "below", "people", 1000, 5e-8),
    (dict(cases=1000, controls_per_case=2, frequency=0.2, prevalence=0.1, target_power=0.8,
          direction="above", alpha=1e-3), "above", "people", 2000, 1e-3),
    (dict(stages=2, total=6000, stage1_share=0.3, stage1_alpha=1e-3, alpha=1e-4, **EFFECT),
     None, "people", None, 1e-4),
    # Not reachable: the level and unit taken are still shown, the size's own
    # controls (an answer) are not.
    (dict(controls=300, target_power=0.8, **EFFECT), None, "people", None, 5e-8),
]


class WhatTheRequestTook(unittest.TestCase):
    def test_each_result_shows_the_unit_level_side_and_controls_taken(self):
        for inputs, direction, count, controls, alpha in TOOK:
            with self.subTest(inputs=inputs):
                answer = vantor.ask(**inputs)
                first = answer if hasattr(answer, "status") else answer.above
                self.assertEqual((first.direction, first.count, first.controls, first.alpha),
                                 (direction, count, controls, alpha))

    def test_both_sides_say_which_they_are(self):
        both = vantor.detectable_relative_risks(1000, 2000, frequency=0.2, prevalence=0.1)
        self.assertEqual((both.above.direction, both.below.direction), ("above", "below"))
        self.assertGreater(both.above.relative_risk, 1)
        self.assertLess(both.below.relative_risk, 1)

    def test_controls_at_a_ratio_answer_as_the_same_controls_given(self):
        for cases, ratio, alpha in ((1000, 2, 5e-8), (500, 3, 1e-4), (1500, 1, 0.05)):
            with self.subTest(cases=cases, ratio=ratio):
                at_ratio = vantor.ask(cases=cases, controls_per_case=ratio, alpha=alpha, **EFFECT)
                given = vantor.ask(cases=cases, controls=cases * ratio, alpha=alpha, **EFFECT)
                self.assertEqual(at_ratio._replace(controls=None), given)
                self.assertEqual(at_ratio.controls, cases * ratio)
                self.assertAlmostEqual(at_ratio.power, allelic_power(cases, cases * ratio,
                                                                     1.3, 0.3, alpha), delta=1e-8)
        above = vantor.ask(cases=2000, controls_per_case=1, control_rate=0.3, target_power=0.8)
        self.assertEqual(above.above.odds_ratio, vantor.detectable_odds_ratios(
            2000, 2000, 0.3, direction="above").odds_ratio)


# ---------------------------------------------------------------------------
# Simulated powers: replicates and seed, by every question
# ---------------------------------------------------------------------------


def vantor_program() -> str:
    """The `vantor` program: $VANTOR_PROGRAM (ctest sets it), else the
    source tree's build/vantor; empty when neither runs."""
    for candidate in (os.environ.get("VANTOR_PROGRAM"), os.path.join(ROOT, "build", "vantor")):
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    return ""


# 2,000 cases and 2,000 controls at odds ratio 1.2, control rate 0.3, level 0.05.
SIMULATED_STUDY = dict(cases=2000, controls=2000, odds_ratio=1.2, control_rate=0.3, alpha=0.05)


class SimulatedPower(unittest.TestCase):
    def simulated(self, replicates: int, seed) -> "vantor.PowerResult":
        return vantor.single_stage_power(**SIMULATED_STUDY, replicates=replicates, seed=seed)

    def test_a_seed_gives_the_programs_simulated_power_bit_for_bit(self):
        program = vantor_program()
        if not program:
            self.skipTest("no vantor program: set VANTOR_PROGRAM")
        words = [w for name, value in SIMULATED_STUDY.items()
                 for w in (f"--{name.replace('_', '-')}", str(value))]
        run = subprocess.run([program, "power", *words, "--replicates", "1000000", "--seed",
                              "20261208", "--format", "json"],
                             capture_output=True, text=True, timeout=120, check=False)
        self.assertEqual(run.returncode, 0, run.stderr)
        shown = json.loads(run.stdout)[0]
        ours = self.simulated(1_000_000, 20261208)
        self.assertEqual((ours.replicates, ours.seed), (1_000_000, 20261208))
        self.assertEqual((ours.simulated_power, ours.standard_error),
                         (shown["simulated-power"], shown["standard-error"]))
        # A share of a million studies with its binomial standard error,
        # within four of them of the normal approximation's power.
        share = ours.simulated_power
        self.assertEqual(share * 1e6, round(share * 1e6))
        self.assertAlmostEqual(ours.standard_error, math.sqrt(share * (1 - share) / 1e6),
                               delta=1e-12)
        self.assertLess(abs(share - allelic_power(2000, 2000, 1.2, 0.3, 0.05)),
                        4 * ours.standard_error)

    def test_another_seed_draws_other_studies_of_the_same_power(self):
        first, other = self.simulated(1_000_000, 20261208), self.simulated(1_000_000, 20261209)
        self.assertNotEqual(first.simulated_power, other.simulated_power)
        self.assertEqual(first.power, other.power)
        self.assertLess(abs(first.simulated_power - other.simulated_power),
                        4 * math.hypot(first.standard_error, other.standard_error))
        # Not given, the seed is the library's, 1.
        self.assertEqual(self.simulated(1000, None), self.simulated(1000, 1))

    def test_every_question_simulates_with_replicates_and_a_seed_needs_them(self):
        for function, positional, keywords, inputs in CALLS:
            with self.subTest(function=function.__name__):
                answer = function(*positional, **keywords, replicates=500, seed=11)
                self.assertEqual(answer, vantor.ask(**inputs, replicates=500, seed=11))
                first = answer if hasattr(answer, "status") else answer.above
                self.assertEqual((first.replicates, first.seed), (500, 11))
                self.assertTrue(0 <= first.simulated_power <= 1)
                self.assertGreater(first.standard_error, 0)
                plain = function(*positional, **keywords)
                plain = plain if hasattr(plain, "status") else plain.above
                self.assertEqual((plain.replicates, plain.seed, plain.simulated_power,
                                  plain.standard_error), (None, None, None, None))
                assert_refused(self, lambda: function(*positional, **keywords, seed=11), "seed",
                               "SEED_WITHOUT_REPLICATES")


# ---------------------------------------------------------------------------
# Plans: the people available, a panel and costs in money
# ---------------------------------------------------------------------------

# The planning example: a disease of prevalence 0.01, a risk allele of
# frequency 0.25 and relative risk 1.3, a million markers, stage 2 genotypes
# three times as dear and typing at most 2,000 markers.
PLANNING = dict(frequency=0.25, prevalence=0.01, relative_risk=1.3, markers=1e6,
                target_power=0.8, cost_ratio=3, panel=2000, method="joint")
# Sizes and designs under limits: (function, arguments, kept), what is kept
# being the fixed inputs the answer must show as given.
LIMITED = [
    (vantor.cheapest_design, PLANNING, {}),
    (vantor.cheapest_design, dict(**EFFECT, method="replication", markers=1e5, panel=500,
                                  cases_available=3000), {}),
    (vantor.cheapest_design, dict(**EFFECT, controls_available=4000,
                                  stage1_controls_available=800), {}),
    (vantor.cheapest_design, dict(**EFFECT, markers=1e4, panel=40, stage1_alpha=1e-3,
                                  stage2_controls_available=3500), dict(stage1_alpha=1e-3)),
    (vantor.most_powerful_design, dict(budget=4000, **EFFECT, method="replication",
                                       stage1_share=0.4, cases_available=2000,
                                       controls_available=3000), dict(stage1_share=0.4)),
    (vantor.smallest_total, dict(stage1_share=0.4, **EFFECT, stage1_alpha=1e-3,
                                 cases_available=4000, stage2_controls_available=3000),
     dict(stage1_share=0.4, stage1_alpha=1e-3)),
]
PEOPLE_LIMITS = {"cases_available": ("stage1_cases", "stage2_cases"),
                 "controls_available": ("stage1_controls", "stage2_controls"),
                 "stage1_controls_available": ("stage1_controls",),
                 "stage2_controls_available": ("stage2_controls",)}
# Costs in money: (function, positional, arguments); the stage 2 markers are
# markers (default 1) times the stage 1 level.
MONEY_COSTS = dict(stage1_cost_per_person=100, stage2_cost_per_person=20,
                   stage2_cost_per_genotype=0.5, stage1_fixed_cost=5000, stage2_fixed_cost=300)
IN_MONEY = [
    (vantor.two_stage_power, (900, 900, 2100, 2100, 1.3, 0.3),
     dict(stage1_alpha=1e-3, markers=1e6, stage1_cost_per_person=100,
          stage2_cost_per_genotype=0.5, stage1_fixed_cost=1000)),
    (vantor.two_stage_power_of_total, (6000, 0.3, 1.3, 0.3),
     dict(stage1_alpha=1e-3, stage1_cost_per_person=80, stage2_cost_per_person=20,
          stage2_fixed_cost=300)),
    (vantor.smallest_total, (0.4, 1.3, 0.3),
     dict(stage1_alpha=1e-3, markers=1e5, cases_available=4000, **MONEY_COSTS)),
    (vantor.cheapest_design, (1.3, 0.3), dict(stage1_cost_per_person=100, stage2_cost_per_person=7,
                                              stage1_fixed_cost=1000, stage2_fixed_cost=50)),
    (vantor.cheapest_design, (1.3, 0.3), dict(markers=1e6, panel=3000, **MONEY_COSTS)),
    (vantor.most_powerful_design, (400000, 1.3, 0.3),
     dict(method="replication", markers=1e5, stage1_alpha=1e-3, stage1_cost_per_person=100,
          stage2_cost_per_genotype=0.5)),
]
# Plans refused: (function, arguments, the input named, reason).
PLAN_REFUSALS = [
    (vantor.cheapest_design, dict(**EFFECT, cost_ratio=3, stage1_cost_per_person=1),
     "cost_ratio", "COSTS_TWO_WAYS"),
    (vantor.smallest_total, dict(stage1_share=0.4, **EFFECT, stage1_alpha=1e-3, cost_ratio=3,
                                 stage2_fixed_cost=10, stage1_cost_per_person=1),
     "cost_ratio", "COSTS_TWO_WAYS"),
    (vantor.ask, dict(stages=2, total=6000, stage1_share=0.3, **EFFECT, stage1_alpha=1e-3,
                      markers=1e4, panel=30), "panel", "LIMITS_NOT_READ"),
    (vantor.cheapest_design, dict(**EFFECT, panel=5), "panel", "PLAN_NEEDS_MARKERS"),
    (vantor.cheapest_design, dict(**EFFECT, count="alleles", stage1_cost_per_person=3),
     "count", "MONEY_COUNTS_PEOPLE"),
    (vantor.cheapest_design, dict(**EFFECT, stage2_cost_per_person=3),
     "stage1_cost_per_person", "MISSING_INPUT"),
    (vantor.most_powerful_design, dict(budget=4000, **EFFECT, stage1_fixed_cost=-1,
                                       stage1_cost_per_person=3), "stage1_fixed_cost",
     "BAD_MONEY"),
    (vantor.most_powerful_design, dict(budget=4000, **EFFECT, cases_available=2.5),
     "cases_available", "BAD_AVAILABLE"),
    (vantor.cheapest_design, dict(**EFFECT, markers=1e6, panel=math.inf), "panel", "BAD_PANEL"),
]


class Plans(unittest.TestCase):
    def test_the_planning_example_is_the_programs_design_bit_for_bit(self):
        program = vantor_program()
        if not program:
            self.skipTest("no vantor program: set VANTOR_PROGRAM")
        words = [w for name, value in PLANNING.items()
                 for w in (f"--{name.replace('_', '-')}", str(value))]
        run = subprocess.run([program, "design", *words, "--format", "json"],
                             capture_output=True, text=True, timeout=120, check=False)
        self.assertEqual(run.returncode, 0, run.stderr)
        shown = {name.replace("-", "_"): value for name, value in json.loads(run.stdout)[0].items()}
        ours = vantor.cheapest_design(**PLANNING)
        # Every field of the design the program shows but the inputs it
        # repeats (its `alpha` is the study-wide level, the design's the
        # per-marker one).
        fields = set(ours._fields) & shown.keys() - PLANNING.keys() - {"alpha"}
        self.assertGreaterEqual(fields, {"total", "stage1_cases", "stage2_controls",
                                         "stage1_alpha", "final_alpha", "power", "cost",
                                         "stage1_case_fraction", "stage2_case_fraction",
                                         "stage2_markers", "binding_limit"})
        self.assertEqual({name: shown[name] for name in fields - {"status", "reason"}},
                         {name: getattr(ours, name) for name in fields - {"status", "reason"}})
        self.assertEqual((ours.status.name.lower(), ours.reason.name),
                         (shown["status"], shown["reason"]))
        self.assertEqual(ours.binding_limit, "panel")

    def test_sizes_and_designs_keep_within_the_limits(self):
        for function, arguments, kept in LIMITED:
            with self.subTest(function=function.__name__, arguments=arguments):
                d = function(**arguments)
                self.assertEqual(d.status, vantor.Status.FOUND)
                stage1, stage2 = (d.stage1_cases + d.stage1_controls,
                                  d.stage2_cases + d.stage2_controls)
                self.assertEqual(stage1 + stage2, d.total)
                self.assertEqual((d.stage1_case_fraction, d.stage2_case_fraction),
                                 (d.stage1_cases / stage1, d.stage2_cases / stage2))
                self.assertAlmostEqual(d.stage2_markers, arguments.get("markers", 1)
                                       * d.stage1_alpha, delta=1e-12 * d.stage2_markers)
                limits = {name: arguments[name] for name in (*PEOPLE_LIMITS, "panel")
                          if name in arguments}
                used = {name: sum(getattr(d, count) for count in counts)
                        for name, counts in PEOPLE_LIMITS.items() if name in limits}
                used.update(panel=d.stage2_markers) if "panel" in limits else None
                for name, limit in limits.items():
                    self.assertLessEqual(used[name], limit, name)
                self.assertIn(d.binding_limit, {"none", *limits})
                if d.binding_limit != "none":  # used to within 1 %
                    self.assertGreaterEqual(used[d.binding_limit], 0.99 * limits[d.binding_limit])
                if function is vantor.most_powerful_design:
                    self.assertLessEqual(d.cost, arguments["budget"])
                else:
                    self.assertGreaterEqual(d.power, arguments.get("target_power", 0.8))
                if "stage1_share" in kept:
                    self.assertLessEqual(abs(stage1 - kept["stage1_share"] * d.total), 1)
                if "stage1_alpha" in kept:
                    self.assertEqual(d.stage1_alpha, kept["stage1_alpha"])
        # Too few cases for any design: an answer saying so, not a refusal.
        d = vantor.cheapest_design(**EFFECT, cases_available=20)
        self.assertEqual((d.status, d.reason.name, d.total),
                         (vantor.Status.NOT_REACHABLE, "CASES_AVAILABLE_TOO_FEW", None))

    def test_money_is_counted_from_the_counts(self):
        for function, positional, arguments in IN_MONEY:
            with self.subTest(function=function.__name__, arguments=arguments):
                d = function(*positional, **arguments)
                self.assertEqual(d.status, vantor.Status.FOUND)
                cost = dict(dict.fromkeys(MONEY, 0), **{n: v for n, v in arguments.items()
                                                       if n in MONEY})
                stage2_markers = arguments.get("markers", 1) * d.stage1_alpha
                money = (cost["stage1_fixed_cost"] + cost["stage2_fixed_cost"]
                         + (d.stage1_cases + d.stage1_controls) * cost["stage1_cost_per_person"]
                         + (d.stage2_cases + d.stage2_controls)
                         * (cost["stage2_cost_per_person"]
                            + cost["stage2_cost_per_genotype"] * stage2_markers))
                self.assertAlmostEqual(d.cost_in_money, money, delta=1e-9 * money)
                if d.one_stage_total is None:  # a design's power asks for no comparison
                    self.assertIsNone(d.one_stage_cost_in_money)
                else:  # everyone typed on stage 1's array
                    self.assertEqual(d.one_stage_cost_in_money, cost["stage1_fixed_cost"]
                                     + d.one_stage_total * cost["stage1_cost_per_person"])
                if function is vantor.most_powerful_design:
                    self.assertLessEqual(d.cost_in_money, positional[0])
        # Without costs in money there is none.
        plain = vantor.cheapest_design(1.3, 0.3)
        self.assertEqual((plain.cost_in_money, plain.one_stage_cost_in_money), (None, None))

    def test_a_plan_the_library_refuses_raises_naming_its_input(self):
        for function, arguments, argument, reason in PLAN_REFUSALS:
            with self.subTest(function=function.__name__, arguments=arguments):
                assert_refused(self, lambda: function(**arguments), argument, reason)


# ---------------------------------------------------------------------------
# Python's values: what ctypes cannot pass is refused as the library refuses it
# ---------------------------------------------------------------------------

NOT_NUMBERS = (None, "0x10", "1000", True, math.inf, -math.inf, math.nan, {1}, 10**400, "",
               decimal.Decimal(1000), 10**5000)
# What a refusal shows of a value: a number as the library writes it, anything
# else as Python writes it (repr), cut to 31 characters; text is never a number.
SHOWN = [
    (None, "None"), ("0x10", "'0x10'"), ("1000", "'1000'"), ("", "''"), (True, "True"),
    (False, "False"), (math.nan, "nan"), (math.inf, "inf"), (-math.inf, "-inf"), ({1}, "{1}"),
    (b"2", "b'2'"), (decimal.Decimal(1000), "Decimal('1000')"), (2.5, "2.5"), (0, "0"),
    (-3, "-3"), (fractions.Fraction(5, 2), "2.5"), (1e-300, "1e-300"), (2**31, "2147483648"),
    (10**400, "1" + "0" * 27 + "..."), (10**5000, "<int too long to write>"),
    ("a" * 31, "'" + "a" * 27 + "..."), ("é", "'é'"),
]
WORD_INPUTS = {"method", "variance", "count", "direction", "test", "model", "controls_kind"}


def assert_refused(case: unittest.TestCase, call, argument: str, reason=None):
    with case.assertRaises(vantor.InputError) as caught:
        call()
    error = caught.exception
    case.assertEqual((error.argument, error.status), (argument, vantor.Status.INVALID_INPUT))
    case.assertTrue(str(error).startswith(argument), str(error))
    if reason is not None:
        case.assertEqual(error.reason.name, reason)


# The grant's table: power by cases (down) and relative risk (across).
WIDE_MODEL = dict(controls=2000, frequency=0.25, prevalence=0.01)
WIDE_CASES, WIDE_RISKS = [1000, 1500, 2000], [1.2, 1.3, 1.4]


class WideTables(unittest.TestCase):
    def test_the_programs_wide_table_in_the_same_layout_bit_for_bit(self):
        program = vantor_program()
        if not program:
            self.skipTest("no vantor program: set VANTOR_PROGRAM")
        table = vantor.wide_table(vantor.single_stage_power, ("cases", WIDE_CASES),
                                  ("relative_risk", WIDE_RISKS), **WIDE_MODEL)
        run = subprocess.run([program, "power", "--cases", "1000,1500,2000", "--relative-risk",
                              "1.2,1.3,1.4", "--controls", "2000", "--frequency", "0.25",
                              "--prevalence", "0.01", "--wide", "cases,relative-risk",
                              "--format", "csv"],
                             capture_output=True, text=True, timeout=60, check=False)
        self.assertEqual(run.returncode, 0, run.stderr)
        head, *rows = list(csv.reader(io.StringIO(run.stdout)))
        self.assertEqual(head, ["cases \\ relative-risk", "1.2", "1.3", "1.4"])
        self.assertEqual([float(v) for v in head[1:]], table.across_values)
        self.assertEqual([int(row[0]) for row in rows], table.down_values)
        self.assertEqual([[float(v) for v in row[1:]] for row in rows], table.values)
        # Each cell is the question's own answer there.
        self.assertEqual(table.values[2][1], vantor.single_stage_power(
            cases=2000, relative_risk=1.3, **WIDE_MODEL).power)

    def test_a_solved_size_in_the_cells_and_a_cell_without_one(self):
        table = vantor.wide_table(vantor.cases_for_controls, ("controls", [10, 5000]),
                                  ("odds_ratio", [1.3, 1.5]), cells="cases", control_rate=0.3)
        self.assertIsNone(table.values[0][0])  # 10 controls cannot reach 0.8 at 1.3
        self.assertGreater(table.values[1][0], table.values[1][1])

    def test_both_sides_of_one_one_input_twice_or_an_unknown_value_is_refused(self):
        with self.assertRaisesRegex(ValueError, "direction"):
            vantor.wide_table(vantor.detectable_odds_ratios, ("cases", [1000]),
                              ("controls", [1000]), cells="odds_ratio", control_rate=0.3)
        with self.assertRaisesRegex(ValueError, "both down and across"):
            vantor.wide_table(vantor.single_stage_power, ("cases", [1000]), ("cases", [2000]),
                              controls=1000, odds_ratio=1.3, control_rate=0.3)
        with self.assertRaisesRegex(ValueError, "'powr'"):
            vantor.wide_table(vantor.single_stage_power, ("cases", [1000]), ("controls", [1000]),
                              cells="powr", odds_ratio=1.3, control_rate=0.3)

    def test_a_data_frame_where_pandas_is_installed(self):
        try:
            import pandas  # noqa: F401  pylint: disable=import-outside-toplevel,unused-import
        except ImportError:
            self.skipTest("pandas is not installed")
        frame = vantor.wide_table(vantor.single_stage_power, ("cases", WIDE_CASES),
                                  ("relative_risk", WIDE_RISKS), **WIDE_MODEL).data_frame()
        self.assertEqual((frame.index.name, frame.columns.name), ("cases", "relative_risk"))
        self.assertEqual(frame.loc[2000, 1.3], vantor.single_stage_power(
            cases=2000, relative_risk=1.3, **WIDE_MODEL).power)


# ---------------------------------------------------------------------------
# Methods paragraphs and figures
# ---------------------------------------------------------------------------

# A two-stage design of a disease model over a million markers.
DESIGN_REQUEST = dict(stages=2, solve="design", frequency=0.25, prevalence=0.01,
                      relative_risk=1.3, markers=1e6, method="joint", target_power=0.8)


def program_output(*words) -> str:
    """What the `vantor` program prints for these words (the test skips
    without the program)."""
    run = subprocess.run([vantor_program(), *words], capture_output=True, text=True,
                         timeout=120, check=False)
    if run.returncode != 0:
        raise AssertionError(f"vantor {' '.join(words)}: {run.stderr}")
    return run.stdout


class MethodsParagraphs(unittest.TestCase):
    def test_a_design_and_both_sides_are_the_programs_paragraphs(self):
        if not vantor_program():
            self.skipTest("no vantor program: set VANTOR_PROGRAM")
        printed = program_output("design", "--frequency", "0.25", "--prevalence", "0.01",
                                 "--relative-risk", "1.3", "--markers", "1e6", "--method",
                                 "joint", "--target-power", "0.8", "--methods")
        self.assertEqual(vantor.methods(**DESIGN_REQUEST) + "\n", printed)
        printed = program_output("power", "--cases", "2000", "--controls", "2000",
                                 "--control-rate", "0.3", "--target-power", "0.8", "--methods")
        self.assertEqual(vantor.methods(cases=2000, controls=2000, control_rate=0.3,
                                        target_power=0.8) + "\n", printed)

    def test_the_paragraph_states_the_answer_and_each_side_has_its_own(self):
        design = vantor.ask(**DESIGN_REQUEST)
        paragraph = vantor.methods(**DESIGN_REQUEST)
        for count in (design.stage1_cases, design.stage2_controls, design.total):
            self.assertIn(f"{count:,}", paragraph)
        self.assertTrue(paragraph.endswith(".") and "\n\n" not in paragraph)
        self.assertIn(f"Calculated with vantor {vantor.library_version()}.", paragraph)
        study = dict(cases=2000, controls=2000, control_rate=0.3, target_power=0.8)
        self.assertEqual(vantor.methods(**study), "\n\n".join(
            vantor.methods(**study, direction=side) for side in ("above", "below")))

    def test_a_refused_request_raises_as_ask_raises(self):
        study = dict(cases=2.5, controls=2000, odds_ratio=1.3, control_rate=0.3)
        with self.assertRaises(vantor.InputError) as asked:
            vantor.ask(**study)
        with self.assertRaises(vantor.InputError) as refused:
            vantor.methods(**study)
        self.assertEqual((str(refused.exception), refused.exception.reason,
                          refused.exception.argument),
                         (str(asked.exception), asked.exception.reason, "cases"))
        with self.assertRaises(TypeError):
            vantor.methods(casse=2000)


FIGURE_MODEL = dict(frequency=0.25, prevalence=0.01, controls=2000, markers=1e6)
FIGURE_CASES, FIGURE_RISKS = list(range(500, 5001, 500)), [1.2, 1.4]


def power_figure(**changes) -> "vantor.FigureData":
    return vantor.figure_data(("cases", FIGURE_CASES), ("relative_risk", FIGURE_RISKS),
                              **dict(FIGURE_MODEL, **changes))


class Figures(unittest.TestCase):
    def test_the_curves_are_the_programs_powers_bit_for_bit(self):
        if not vantor_program():
            self.skipTest("no vantor program: set VANTOR_PROGRAM")
        rows = csv.DictReader(io.StringIO(program_output(
            "power", "--cases", "500:5000:500", "--relative-risk", "1.2,1.4", "--frequency",
            "0.25", "--prevalence", "0.01", "--controls", "2000", "--markers", "1e6",
            "--format", "csv")))
        powers = {(int(r["cases"]), float(r["relative-risk"])): float(r["power"]) for r in rows}
        data = power_figure()
        self.assertEqual(data.x_values, FIGURE_CASES)
        self.assertEqual(len(data.curves), 2)
        for risk, curve in zip(FIGURE_RISKS, data.curves):
            self.assertEqual(curve.values, [powers[(n, risk)] for n in FIGURE_CASES])

    def test_titles_labels_target_and_caption(self):
        data = power_figure()
        self.assertEqual((data.x, data.y, data.target), ("cases", "power", 0.8))
        self.assertEqual((data.x_title, data.y_title), ("cases (people)", "power"))
        self.assertEqual([c.label for c in data.curves],
                         ["relative risk 1.2", "relative risk 1.4"])
        # The caption names the study, not the two inputs shown, whichever
        # of their values the library was asked last.
        for text in ("2,000 controls", "prevalence 0.01", "level 0.05 (5e-8 per marker)"):
            self.assertIn(text, data.caption)
        self.assertNotIn("relative risk", data.caption)
        self.assertEqual(vantor.figure_data(("cases", [4000, 700]), ("relative_risk", [1.3]),
                                            **FIGURE_MODEL).caption, data.caption)
        # Counted in alleles, each count's title says so.
        self.assertEqual(power_figure(count="alleles", controls=4000).x_title,
                         "cases (alleles)")
        # Each label's value reads back to the value asked.
        levels = vantor.figure_data(("cases", [1000]), ("alpha", [1e-6, 5e-8, 0.1 + 0.2]),
                                    controls=1000, odds_ratio=1.3, control_rate=0.3)
        self.assertEqual([float(c.label.split()[-1]) for c in levels.curves],
                         [1e-6, 5e-8, 0.1 + 0.2])
        self.assertEqual(levels.curves[0].label, "alpha 1e-6")
        # A curve of the analysis leaves it out of the caption too.
        methods = vantor.figure_data(("total", [4000]), ("method", ["joint", "replication"]),
                                     stages=2, stage1_share=0.4, stage1_alpha=0.01,
                                     odds_ratio=1.3, control_rate=0.3)
        self.assertEqual([c.label for c in methods.curves],
                         ["method joint", "method replication"])
        self.assertNotIn("analysis", methods.caption)

    def test_any_number_of_the_answer_along_one_curve(self):
        data = vantor.figure_data(("controls", [300, 3000, 5000]), None, y="cases",
                                  odds_ratio=1.3, control_rate=0.3, target_power=0.8)
        expected = [vantor.cases_for_controls(n, 1.3, 0.3).cases for n in (300, 3000, 5000)]
        self.assertEqual(data.curves, [vantor.Curve(None, expected)])
        self.assertIsNone(data.curves[0].values[0])  # 300 controls cannot reach 0.8
        self.assertEqual((data.y_title, data.target), ("cases (people)", None))
        self.assertIn("odds ratio 1.3", data.caption)

    def test_what_a_figure_cannot_show_is_refused(self):
        with self.assertRaisesRegex(ValueError, "direction"):
            vantor.figure_data(("cases", [1000]), None, y="odds_ratio", controls=1000,
                               control_rate=0.3, target_power=0.8)
        with self.assertRaisesRegex(ValueError, "'powr'"):
            vantor.figure_data(("cases", [1000]), None, y="powr", **FIGURE_MODEL,
                               relative_risk=1.3)
        with self.assertRaisesRegex(ValueError, "both"):
            vantor.figure_data(("cases", [1000]), ("cases", [2000]), **FIGURE_MODEL,
                               relative_risk=1.3)
        with self.assertRaises(vantor.InputError) as refused:
            vantor.figure_data(("cases", [1000, 2.5]), None, **FIGURE_MODEL, relative_risk=1.3)
        self.assertEqual(refused.exception.argument, "cases")

    def test_a_matplotlib_figure_of_the_data(self):
        try:
            import matplotlib  # noqa: F401  pylint: disable=import-outside-toplevel,unused-import
        except ImportError:
            self.skipTest("matplotlib is not installed")
        data = power_figure()
        axes = vantor.figure(("cases", FIGURE_CASES), ("relative_risk", FIGURE_RISKS),
                             **FIGURE_MODEL).axes[0]
        *curves, target = axes.get_lines()
        self.assertEqual(len(curves), len(data.curves))
        for line, curve in zip(curves, data.curves):
            self.assertEqual(list(line.get_xdata()), FIGURE_CASES)
            self.assertEqual(list(line.get_ydata()), curve.values)
        self.assertEqual((list(target.get_ydata()), target.get_linestyle()), ([0.8, 0.8], "--"))
        self.assertEqual([t.get_text() for t in axes.get_legend().get_texts()],
                         ["relative risk 1.2", "relative risk 1.4", "target power 0.8"])
        self.assertEqual((axes.get_xlabel(), axes.get_ylabel()), ("cases (people)", "power"))
        self.assertGreater(len(axes.get_xticks()), 1)
        self.assertGreater(len(axes.get_yticks()), 1)
        self.assertEqual(" ".join(axes.get_title(loc="left").split()), data.caption)
        # Drawn on the axes given; a figure of no power has no target line.
        from matplotlib.figure import Figure  # pylint: disable=import-outside-toplevel
        given = Figure().subplots()
        drawn = vantor.figure(("controls", [3000, 5000]), None, y="cases", ax=given,
                              odds_ratio=1.3, control_rate=0.3, target_power=0.8)
        self.assertIs(drawn, given.figure)
        self.assertEqual(len(given.get_lines()), 1)

    def test_without_matplotlib_a_figure_says_what_to_install(self):
        with unittest.mock.patch.dict(sys.modules, {"matplotlib": None,
                                                    "matplotlib.figure": None}):
            with self.assertRaisesRegex(ImportError, "matplotlib"):
                vantor.figure(("cases", [1000]), None, **FIGURE_MODEL, relative_risk=1.3)


# ---------------------------------------------------------------------------
# Grids: every combination of the values given, one answer a row
# ---------------------------------------------------------------------------


def has(module: str) -> bool:
    try:
        __import__(module)
    except ImportError:
        return False
    return True


def missing(value) -> bool:
    """None, not a number, or pandas' NA: no value."""
    return value is None or (isinstance(value, float) and math.isnan(value)) or (
        type(value).__name__ == "NAType")


def same(a, b) -> bool:
    """Equal to the last bit, or both missing."""
    return (missing(a) and missing(b)) or (not missing(a) and not missing(b) and a == b)


def as_records(rows) -> list:
    """A grid's rows as dicts, from a DataFrame or as they are."""
    return rows.to_dict("records") if hasattr(rows, "to_dict") else rows


def without(*modules):
    """The module's grids made as where these modules are not installed."""
    patches = [unittest.mock.patch.object(vantor._grid, f"_{name}", lambda: None)
               for name in modules]
    stack = __import__("contextlib").ExitStack()
    for patch in patches:
        stack.enter_context(patch)
    return stack


def another_value(name: str, value):
    """A second acceptable value of an input: a count doubled, a number a
    tenth larger."""
    return value * 2 if isinstance(value, int) else value * 1.1


def varied_call(function, positional, keywords) -> tuple:
    """The call's inputs, its first and last numbers given two values each."""
    given = dict(inspect.signature(function).bind(*positional, **keywords).arguments)
    numbers = [name for name, value in given.items()
               if isinstance(value, (int, float)) and name not in ("markers",)]
    varied = {name: [given[name], another_value(name, given[name])]
              for name in (numbers[0], numbers[-1])}
    return given, varied


class Grids(unittest.TestCase):
    def check_rows(self, rows, given: dict, varied: dict, alone):
        """Each row against the call of its values alone (``alone``): the
        answer's every value, the inputs shown, status, reason, message."""
        combinations = list(itertools.product(*varied.values()))
        answers = []
        for values in combinations:
            result = alone(**dict(given, **dict(zip(varied, values))))
            answers += [(values, r) for r in (result if not hasattr(result, "status")
                                              else [result])]
        rows = as_records(rows)
        self.assertEqual(len(rows), len(answers))
        words = vantor._words().status_words
        for row, (values, result) in zip(rows, answers):
            inputs = dict(given, **dict(zip(varied, values)))
            for name, value in row.items():
                # The answer's value; an input's as given where the answer
                # has none (or holds no value of its name).
                answered = getattr(result, name, None)
                wanted = inputs[name] if name in inputs and missing(answered) else answered
                if name not in ("status", "reason"):
                    self.assertTrue(same(value, wanted), (name, value, wanted))
            self.assertTrue(set(inputs) <= set(row) | set(result._fields), row)
            self.assertEqual((row["status"], row["reason"], row["message"]),
                             (words[result.status], result.reason.name, result.message))

    def test_each_row_is_the_answer_of_its_values_alone_in_every_question(self):
        # Every question of the module, two of its inputs given two values:
        # a data frame (pandas), and dicts without pandas, without NumPy.
        for function, positional, keywords, _ in CALLS:
            given, varied = varied_call(function, positional, keywords)
            kinds = [("dicts", ("pandas", "numpy")), ("dicts", ("pandas",))]
            kinds += [("frame", ())] if has("pandas") else []
            for kind, hidden in kinds:
                with self.subTest(function=function.__name__, rows=kind, hidden=hidden):
                    with without(*hidden):
                        rows = function(**dict(given, **varied))
                    self.assertEqual(hasattr(rows, "to_dict"), kind == "frame")
                    self.check_rows(rows, given, varied, function)

    def test_the_program_answers_the_same_rows_bit_for_bit(self):
        if not vantor_program():
            self.skipTest("no vantor program: set VANTOR_PROGRAM")
        printed = program_output("power", "--cases", "1000,2000", "--controls", "2000",
                                 "--odds-ratio", "1.3,1.2", "--control-rate", "0.3",
                                 "--format", "csv")
        program = list(csv.DictReader(io.StringIO(printed)))
        rows = as_records(vantor.single_stage_power(cases=[1000, 2000], controls=2000,
                                                    odds_ratio=[1.3, 1.2], control_rate=0.3))
        self.assertEqual(len(rows), 4)
        for ours, theirs in zip(rows, program):
            self.assertEqual((ours["cases"], ours["odds_ratio"], ours["power"]),
                             (int(theirs["cases"]), float(theirs["odds-ratio"]),
                              float(theirs["power"])))
            self.assertEqual(ours["status"], theirs["status"])

    def test_values_of_every_kind_and_the_order_of_the_rows(self):
        # Lists, tuples, ranges, NumPy arrays and pandas Series vary; a NumPy
        # scalar is one value. The input given last varies fastest.
        study = dict(controls=2000, control_rate=0.3)
        kinds = [[1000, 2000], (1000, 2000), range(1000, 2001, 1000)]
        if has("numpy"):
            import numpy  # pylint: disable=import-outside-toplevel
            kinds += [numpy.array([1000, 2000]), numpy.array([1000.0, 2000.0])]
            one = vantor.single_stage_power(numpy.int64(1000), 2000, numpy.float64(1.3), 0.3)
            self.assertTrue(hasattr(one, "power"))
        if has("pandas"):
            import pandas  # pylint: disable=import-outside-toplevel
            kinds.append(pandas.Series([1000, 2000]))
        for cases in kinds:
            with self.subTest(cases=type(cases).__name__):
                rows = as_records(vantor.single_stage_power(cases=cases, odds_ratio=[1.2, 1.3],
                                                            **study))
                self.assertEqual([(r["cases"], r["odds_ratio"]) for r in rows],
                                 [(1000, 1.2), (1000, 1.3), (2000, 1.2), (2000, 1.3)])
        rows = as_records(vantor.ask(odds_ratio=[1.2, 1.3], cases=[1000, 2000], **study))
        self.assertEqual([(r["odds_ratio"], r["cases"]) for r in rows],
                         [(1.2, 1000), (1.2, 2000), (1.3, 1000), (1.3, 2000)])
        # A word input takes its words; both sides of 1 are two rows each.
        rows = as_records(vantor.detectable_relative_risks(
            1000, 2000, 0.2, 0.1, test=["allelic", "dominant"]))
        self.assertEqual([(r["test"], r["direction"]) for r in rows],
                         [("allelic", "above"), ("allelic", "below"), ("dominant", "above"),
                          ("dominant", "below")])
        directions = ["above", "below"]
        if has("numpy"):
            import numpy  # pylint: disable=import-outside-toplevel
            directions = numpy.array(directions)
        rows = as_records(vantor.detectable_odds_ratios(1000, 2000, 0.3, direction=directions))
        self.assertEqual([r["odds_ratio"] for r in rows], [
            vantor.detectable_odds_ratios(1000, 2000, 0.3, direction=d).odds_ratio
            for d in ("above", "below")])

    def test_the_shared_requests_as_grids_refuse_and_answer_alike(self):
        # Each request of the table, its first input given as a list of one
        # value and of the value twice: the same refusal, or the same answer.
        for row in requests():
            inputs = row["inputs"]
            first = next(iter(inputs))
            for values in ([inputs[first]], [inputs[first]] * 2):
                with self.subTest(inputs=inputs, values=len(values)):
                    try:
                        alone = vantor.ask(**inputs)
                    except vantor.InputError as error:
                        with self.assertRaises(vantor.InputError) as caught:
                            vantor.ask(**dict(inputs, **{first: values}))
                        self.assertEqual((str(caught.exception), caught.exception.argument),
                                         (str(error), error.argument))
                        continue
                    self.check_rows(vantor.ask(**dict(inputs, **{first: values})),
                                    dict(inputs), {first: values}, vantor.ask)

    def test_a_row_without_an_answer_shows_the_inputs_given(self):
        # Ten controls reach no power however many cases: the row keeps them.
        for hidden in ((), ("pandas",)):
            with without(*hidden):
                rows = as_records(vantor.cases_for_controls(controls=[10, 5000],
                                                            odds_ratio=1.3, control_rate=0.3))
            self.assertEqual([(r["controls"], r["status"]) for r in rows],
                             [(10, "not reachable"), (5000, "found")])
            self.assertTrue(missing(rows[0]["cases"]))

    def test_blocks_grow_with_fast_rows_and_shrink_after_slow_ones(self):
        plan = vantor._grid._next_block
        self.assertEqual(plan(1, 1e-6), vantor._grid._GROWTH)  # grows, a few times at most
        self.assertEqual(plan(4096, 1e-3), vantor._grid._MOST_BLOCK_ROWS)
        self.assertEqual(plan(8, 0.4), 1)  # a slow block: the next row alone
        self.assertEqual(plan(100, 0.1), 50)  # as many as fit in the block's time
        # A grid of ever slower rows is asked in blocks of a few rows.
        calls = []
        answer_rows = vantor.load_library().ASK_answer_rows

        def counted(*arguments):
            calls.append(arguments[4])
            return answer_rows(*arguments)

        with unittest.mock.patch.object(vantor.load_library(), "ASK_answer_rows", counted):
            vantor.single_stage_power(cases=list(range(1000, 1010)), controls=2000,
                                      odds_ratio=1.3, control_rate=0.3, alpha=0.05,
                                      replicates=[100, 200000])
        self.assertEqual(sum(calls), 20)
        self.assertLessEqual(max(calls), 4 * vantor._grid._GROWTH)

    def test_awkward_grids(self):
        study = dict(controls=2000, odds_ratio=1.3, control_rate=0.3)
        for cases, words in [([], "cases is given no values"),
                             ((), "cases is given no values")]:
            with self.assertRaisesRegex(ValueError, words):
                vantor.single_stage_power(cases=cases, **study)
        if has("numpy"):
            import numpy  # pylint: disable=import-outside-toplevel
            with self.assertRaisesRegex(ValueError, r"not an array of shape \(2, 2\)"):
                vantor.single_stage_power(cases=numpy.ones((2, 2)), **study)
            with self.assertRaisesRegex(vantor.InputError, "^cases nan: "):
                vantor.single_stage_power(cases=numpy.array([1000.0, numpy.nan]), **study)
        # A value refused late is named as written, by the request of its
        # row, and the row is told (from 1; the cases vary slowest).
        for cases, shown in [([1000, 2.5], "cases 2.5: "), ([1000, None], "cases None: "),
                             ([1000, "2000"], "cases '2000': "), ([1000, True], "cases True: "),
                             ([1000, 10**400], "cases 1000000000000000000000000000...: "),
                             ([1000, [1000, 2000]], "cases [1000, 2000]: ")]:
            with self.subTest(cases=cases):
                with self.assertRaises(vantor.InputError) as caught:
                    vantor.single_stage_power(cases=cases, **dict(study, alpha=[1e-4, 1e-5]))
                self.assertTrue(str(caught.exception).startswith(shown), str(caught.exception))
                self.assertEqual(caught.exception.row, 3)
        with self.assertRaises(vantor.InputError) as caught:
            vantor.single_stage_power(1000, 2000, 1.3, 0.3, alpha=[0.05, 0.5, 2])
        self.assertEqual((caught.exception.argument, caught.exception.row), ("alpha", 3))
        with self.assertRaises(vantor.InputError) as caught:
            vantor.single_stage_power(1000, 2000, 1.3, 0.3, alpha=2)
        self.assertIsNone(caught.exception.row)
        # What a question's name states is not given again.
        for call in (lambda: vantor.cases_for_controls(2000, 1.3, 0.3, solve="power", cases=1),
                     lambda: vantor.single_stage_power(1000, 2000, 1.3, 0.3, stages=2)):
            with self.assertRaisesRegex(TypeError, "multiple values for keyword argument"):
                call()
        with self.assertRaisesRegex(ValueError, "20,000,000 rows, more than the 10,000,000"):
            vantor.single_stage_power(cases=range(1, 10_000_001), controls=[1, 2],
                                      odds_ratio=1.3, control_rate=0.3)
        with self.assertRaises(vantor.InputError) as caught:
            vantor.single_stage_power(1000, 2000, 1.3, 0.3, test=["allelic", "robust"])
        self.assertTrue(str(caught.exception).startswith("test robust: "))
        with self.assertRaisesRegex(TypeError, "no input named 'casez'"):
            vantor.ask(casez=[1, 2], **study)
        with self.assertRaisesRegex(ValueError, "give controls one value"):
            vantor.wide_table(vantor.single_stage_power, ("cases", [1000]),
                              ("odds_ratio", [1.2]), controls=[1, 2], control_rate=0.3)
        with self.assertRaisesRegex(ValueError, "give control_rate one value"):
            vantor.figure_data(("cases", [1000]), controls=2000, odds_ratio=1.3,
                               control_rate=[0.2, 0.3])

    def test_a_grid_of_methods_paragraphs_is_one_a_row(self):
        paragraphs = vantor.methods(cases=[1000, 2000], controls=2000, odds_ratio=1.3,
                                    control_rate=0.3)
        self.assertEqual(paragraphs, [vantor.methods(cases=c, controls=2000, odds_ratio=1.3,
                                                     control_rate=0.3) for c in (1000, 2000)])


class PythonValues(unittest.TestCase):
    def test_an_argument_that_is_no_number_is_refused_naming_it(self):
        # Every argument a call gives, and every one it must be given,
        # replaced by what is no number: refused naming that argument.
        for function, positional, keywords, _ in CALLS:
            signature = inspect.signature(function)
            given = dict(signature.bind(*positional, **keywords).arguments)
            for name in given:
                values = NOT_NUMBERS[1:] if name not in WORD_INPUTS else (2, 2.0, True, b"joint")
                values = values + ((None,) if signature.parameters[name].default
                                   is inspect.Parameter.empty else ())
                for value in values:
                    with self.subTest(function=function.__name__, argument=name, value=value):
                        assert_refused(self, lambda: function(**dict(given, **{name: value})),
                                       name)

    def test_a_refusal_shows_the_value_as_written(self):
        call = dict(controls=1000, odds_ratio=1.3, control_rate=0.3)
        for value, shown in SHOWN:
            with self.subTest(value=value):
                with self.assertRaises(vantor.InputError) as caught:
                    vantor.single_stage_power(cases=value, **call)
                self.assertTrue(str(caught.exception).startswith(f"cases {shown}: the number of "
                                                                 "cases must be "),
                                str(caught.exception))
        for value, shown in (("joint\0", "'joint\\x00'"), (2, "2"), (None, "None"),
                             ("Joint", "Joint"), ("", "''")):
            with self.subTest(method=value):
                with self.assertRaises(vantor.InputError) as caught:  # None given, as ask gives it
                    vantor.ask(stages=2, total=6000, stage1_share=0.3, odds_ratio=1.3,
                               control_rate=0.3, stage1_alpha=1e-3, method=value)
                self.assertTrue(str(caught.exception).startswith(f"method {shown}: "),
                                str(caught.exception))

    def test_choices_take_their_words_only(self):
        call = dict(total=6000, stage1_share=0.3, odds_ratio=1.3, control_rate=0.3,
                    stage1_alpha=1e-3)
        for value in (0, 2, "Joint", "separate", "joint\0", "joint ", ""):
            with self.subTest(value=value):
                assert_refused(self, lambda: vantor.two_stage_power_of_total(
                    **call, method=value), "method", "BAD_METHOD")
        with self.assertRaises(vantor.InputError) as caught:
            vantor.two_stage_power_of_total(**call, method=2)
        self.assertTrue(str(caught.exception).startswith("method 2: "), str(caught.exception))

    def test_counts_are_whole_and_fit(self):
        call = dict(cases=1000, controls=1000, odds_ratio=1.3, control_rate=0.3)
        for value in (0, -3, 2.5, 2**30, 2**53 + 1, 2**70, -2**70, fractions.Fraction(5, 2)):
            with self.subTest(value=value):
                assert_refused(self, lambda: vantor.single_stage_power(
                    **dict(call, controls=value)), "controls", "BAD_CONTROLS")
        # Whole numbers of any real type are counts.
        for value in (1000.0, fractions.Fraction(1000)):
            self.assertEqual(vantor.single_stage_power(**dict(call, cases=value)),
                             vantor.single_stage_power(**call))
        largest = 2147483647  # the largest count of alleles; of people half of it
        self.assertEqual(vantor.single_stage_power(**dict(call, cases=largest // 2)).status,
                         vantor.Status.FOUND)
        self.assertEqual(vantor.single_stage_power(**dict(call, cases=largest,
                                                          count="alleles")).status,
                         vantor.Status.FOUND)

    def test_a_stage_count_refusal_names_its_stage(self):
        call = dict(stage1_cases=500, stage1_controls=500, stage2_cases=1000,
                    stage2_controls=1000, odds_ratio=1.3, control_rate=0.3, stage1_alpha=1e-3)
        for name in ("stage1_cases", "stage1_controls", "stage2_cases", "stage2_controls"):
            with self.subTest(name=name):
                assert_refused(self, lambda: vantor.two_stage_power(**dict(call, **{name: 0})),
                               name)

    def test_an_old_style_two_stage_call_raises(self):
        # The older functions took a method number and ((cases, controls) per
        # stage) in alleles; such a call must not be read with new meanings.
        stages = ((1000, 1000), (2000, 2000))
        for call in (
            lambda: vantor.two_stage_power(0, stages, 1.3, 0.3, 0.01, None, 0.0001),
            lambda: vantor.two_stage_power(0, stages, 1.3, 0.3, alpha0=0.01),
            lambda: vantor.two_stage_power(2, stages, 1.3, 0.3, 0.01, 1e-4, stage1_alpha=0.01),
            lambda: vantor.smallest_total("joint", 1.3, 0.3, 1e-2, 1e-5, 0.8),
            lambda: vantor.cheapest_design("joint", 1.3, 0.3, 5e-8, 0.8),
        ):
            with self.assertRaises((TypeError, ValueError)):
                call()


# ---------------------------------------------------------------------------
# The library's description: records, names, the glossary
# ---------------------------------------------------------------------------


class DescribedField(ctypes.Structure):
    # REC_field of question/records.h.
    _fields_ = [("name", ctypes.c_char_p), ("type", ctypes.c_int32), ("offset", ctypes.c_int32),
                ("kind", ctypes.c_int32), ("unit", ctypes.c_char_p), ("meaning", ctypes.c_char_p)]


class DescribedArgument(ctypes.Structure):
    # REC_argument of question/records.h.
    _fields_ = [("name", ctypes.c_char_p), ("type", ctypes.c_int32), ("kind", ctypes.c_int32),
                ("elements", ctypes.c_int32), ("meaning", ctypes.c_char_p)]


class DescribedQuestion(ctypes.Structure):
    # REC_question of question/records.h.
    _fields_ = [("name", ctypes.c_char_p), ("function", ctypes.c_char_p),
                ("result", ctypes.c_int32), ("argument_count", ctypes.c_int32),
                ("arguments", ctypes.POINTER(DescribedArgument)),
                ("study_fields", ctypes.c_char_p), ("meaning", ctypes.c_char_p)]


# The result records of question/records.h and the module's type for each.
RESULT_OF_RECORD = {2: "PowerResult", 3: "SizeResult", 4: "OddsRatioResult",
                    5: "DesignResult", 6: "RelativeRiskResult"}
REC_KIND_REASON, REC_KIND_INTERNAL, REC_ANSWER = 3, 5, 8


def library():
    """The module's handle, with the description's functions this test calls
    declared by this test."""
    lib = vantor.load_library()
    i32 = ctypes.c_int32
    lib.REC_question_count.restype = i32
    lib.REC_question_at.restype = ctypes.POINTER(DescribedQuestion)
    lib.REC_question_at.argtypes = [i32]
    return lib


def described(record: int) -> list:
    lib = library()
    return [ctypes.cast(lib.REC_field_at(record, i), ctypes.POINTER(DescribedField)).contents
            for i in range(lib.REC_field_count(record))]


def public_fields(fields) -> list:
    """Every described field but the bookkeeping, the reason's words after
    the reason."""
    names = []
    for field in (f for f in fields if f.kind != REC_KIND_INTERNAL):
        names += [field.name.decode()] + (["message"] if field.kind == REC_KIND_REASON else [])
    return names


class Description(unittest.TestCase):
    def test_every_record_is_laid_out_where_the_library_describes_it(self):
        lib, layouts = library(), vantor._words().layouts
        for record in RESULT_OF_RECORD:
            with self.subTest(record=record):
                self.assertEqual(ctypes.sizeof(layouts[record]), lib.REC_record_size(record))
                for field in described(record):
                    self.assertEqual(getattr(layouts[record], field.name.decode()).offset,
                                     field.offset)
        answer = vantor._words().answer
        self.assertEqual((ctypes.sizeof(answer), answer.result.offset),
                         (lib.ASK_answer_size(), lib.ASK_result_offset()))

    def test_results_have_every_described_field_and_no_other(self):
        # The answer's head adds what the request took and worked out, but
        # for a field the record has itself (a size's controls, a design's alpha).
        head = public_fields(described(REC_ANSWER))[3:]
        self.assertEqual(public_fields(described(REC_ANSWER))[:3], ["status", "reason", "message"])
        self.assertEqual(head, ["direction", "count", "calculation", "controls", "alpha",
                                "replicates", "seed", "simulated_power", "standard_error"])
        for record, name in RESULT_OF_RECORD.items():
            own = public_fields(described(record))
            with self.subTest(result=name):
                self.assertEqual(list(getattr(vantor, name)._fields),
                                 own + [field for field in head if field not in own])
        self.assertNotIn("alpha", vantor.DesignResult._fields[-3:])
        self.assertEqual(vantor.SizeResult._fields.count("controls"), 1)
        for pair in (vantor.DetectableOddsRatios, vantor.DetectableRelativeRisks):
            self.assertEqual(list(pair._fields), list(vantor.choice_words("direction")))

    def test_reasons_statuses_and_choices_are_the_librarys_names(self):
        lib = library()
        codes = [lib.REC_reason_at(i) for i in range(lib.REC_reason_count())]
        self.assertEqual({r.name: int(r) for r in vantor.Reason},
                         {lib.REC_reason_name(c).decode(): c for c in codes})
        self.assertEqual([s.name for s in vantor.Status],
                         [lib.REC_status_name(c).decode() for c in range(len(vantor.Status))])
        self.assertIsNone(lib.REC_status_name(len(vantor.Status)))
        self.assertEqual(vantor.choice_words("solve"),
                         {"power": 1, "size": 2, "effect": 3, "design": 4})  # ASK_SOLVE_*

    def test_a_result_follows_the_description_it_is_made_from(self):
        # A library describing its power result without the power: the
        # module's PowerResult has no power either.
        run = run_python(
            "import vantor\n"
            "described = vantor._described_fields\n"
            "vantor._described_fields = lambda library, record: [\n"
            "    f for f in described(library, record) if record != 2 or f.name != 'power']\n"
            "print(vantor.PowerResult._fields)\n")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "('status', 'reason', 'message', 'marker_alpha', "
                                     "'marker_case_rate', 'marker_control_rate', "
                                     "'marker_odds_ratio', 'direction', 'count', "
                                     "'calculation', 'controls', 'alpha', 'replicates', "
                                     "'seed', 'simulated_power', 'standard_error')\n")

    def test_a_layout_other_than_the_description_is_refused_by_name(self):
        for patch, words in [
            # 32-bit fields laid out as 64-bit ones: the second starts inside the first.
            ("vantor._C_TYPES[1] = ctypes.c_int64",
             "STU_power_result.reason: described at byte 4, inside the fields before it "
             "(which end at byte 8)"),
            # A record 8 bytes shorter than its fields.
            ("structure = vantor._structure\nvantor._structure = lambda name, size, fields: "
             "structure(name, size - 8 if name == 'STU_size_result' else size, fields)",
             "STU_size_result is {size} bytes in the library, {full} laid out from its "
             "description".format(size=library().REC_record_size(3) - 8,
                                  full=library().REC_record_size(3))),
            # The answer's head laid out from its description: a level
            # described 4 bytes early starts inside the controls.
            ("described = vantor._described_fields\nvantor._described_fields = lambda lib, "
             "record: [f._replace(offset=f.offset - 4) if (record, f.name) == (8, 'alpha') "
             "else f for f in described(lib, record)]",
             "ASK_answer.alpha: described at byte {at}, inside the fields before it (which end "
             "at byte {end})".format(at=ALPHA_AT - 4, end=ALPHA_AT)),
            # A library putting the result elsewhere than its description of the head ends.
            (DECLARED + "library.ASK_result_offset = lambda: 8",
             f"ASK_answer.result: at byte 8 in the library, at byte "
             f"{library().ASK_result_offset()} in its description"),
            # An answer too short for the largest result record.
            (DECLARED + "library.ASK_answer_size = lambda: library.ASK_result_offset() + 8",
             f"ASK_answer.result: 8 bytes in the library, too few for a result record of "
             f"{max(library().REC_record_size(r) for r in RESULT_OF_RECORD)}"),
            # A library whose ASK_input is not the module's mirror of it.
            (DECLARED + "library.ASK_input_size = lambda: 8",
             f"ASK_input is 8 bytes in the library, {library().ASK_input_size()} in this module"),
        ]:
            with self.subTest(patch=patch):
                run = run_python("import ctypes, vantor\n" + patch + "\ntry:\n"
                                 "    vantor.load_library()\n"
                                 "except ImportError as error:\n"
                                 "    print(type(error).__name__, error)\n")
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(run.stdout, f"LayoutMismatchError {words}\n")


# Patches the library's functions as the module declares them at load.
DECLARED = ("declare = vantor._declare\nvantor._declare = lambda library: (declare(library), "
            "patch(library))\ndef patch(library):\n    ")
# The answer's level: after nine 32-bit fields, four bytes to align, and the
# 64-bit controls.
ALPHA_AT = 9 * 4 + 4 + 8


def glossary_python_names() -> set:
    """The Python column of the Names table of docs/glossary.md."""
    with open(os.path.join(ROOT, "docs", "glossary.md"), encoding="utf-8") as page:
        table = page.read().split("## Names", 1)[1].split("\n## ", 1)[0]
    lines = [line for line in table.splitlines() if line.startswith("|")]
    header = [cell.strip() for cell in lines[0].strip("|").split("|")]
    rows = [dict(zip(header, (c.strip().strip("`") for c in line.strip("|").split("|"))))
            for line in lines[2:]]
    return {row["Python"] for row in rows if row["Python"] not in ("", "—")}


# Study fields a question reads that its function does not take: given counts
# per stage give each stage's cases' share.
NOT_TAKEN = {"two_stage_power": {"case_fraction"}}
# The costs in money.
MONEY = {"stage1_cost_per_person", "stage2_cost_per_person", "stage2_cost_per_genotype",
         "stage1_fixed_cost", "stage2_fixed_cost"}
# Study fields a design search reads under another name, or derives from
# the inputs given: a fixed stage 1 level and share are given as
# stage1_alpha and stage1_share; costs in money and each stage's fraction
# searched follow from what is given.
FIELD_ARGUMENT = {"fixed_stage1_alpha": "stage1_alpha", "fixed_stage1_share": "stage1_share",
                  "costs_in_money": None, "per_stage_fractions": None}
# The disease model's inputs each question takes beside the study fields its
# description lists.
MODEL_INPUTS = {"frequency", "prevalence", "model", "relative_risk", "heterozygote_risk",
                "homozygote_risk", "controls_kind", "marker_frequency", "d_prime", "r_squared"}
MODEL_TAKEN = {
    "odds_ratio": set(),
    "relative_risk": MODEL_INPUTS - {"relative_risk", "heterozygote_risk", "homozygote_risk"},
}
# Study fields the two-stage questions read that their description does not
# list: the test and the markers.
NOT_DESCRIBED = {"test", "markers"}
# What every question takes to simulate the power of the study it answers.
SIMULATION = {"replicates", "seed"}
OLD_NAMES = ["alpha0", "alpha1", "alpha_stage1", "stage0_share", "overall_alpha", "rate",
             "power", "statistic", "cases1", "share", "ratio"]


class Glossary(unittest.TestCase):
    def test_every_parameter_and_result_field_is_a_glossary_name(self):
        names = glossary_python_names()
        self.assertIn("stage1_cases", names)
        for function in PUBLIC_FUNCTIONS:
            for parameter in inspect.signature(function).parameters.values():
                if parameter.kind == parameter.VAR_KEYWORD:
                    continue  # any other input of the library, by its name
                with self.subTest(function=function.__name__, parameter=parameter.name):
                    self.assertIn(parameter.name, names)
        for result in RESULT_OF_RECORD.values():
            for field in getattr(vantor, result)._fields:
                with self.subTest(result=result, field=field):
                    self.assertIn(field, names)

    def test_every_input_of_the_library_is_a_glossary_name(self):
        names = glossary_python_names() | {"stages", "solve"}
        for described_input in vantor._words().inputs:
            self.assertIn(described_input.name.decode(), names)

    def test_each_question_takes_the_described_arguments_and_study_fields(self):
        lib = library()
        function_of = {"power": vantor.single_stage_power,
                       "odds_ratio": vantor.detectable_odds_ratios,
                       "relative_risk": vantor.detectable_relative_risks}
        for index in range(lib.REC_question_count()):
            question = lib.REC_question_at(index).contents
            name = question.name.decode()
            function = function_of.get(name) or getattr(vantor, name)
            wanted = {FIELD_ARGUMENT.get(field, field)
                      for field in question.study_fields.decode().split(",")} - {None}
            for a in question.arguments[:question.argument_count]:
                argument = a.name.decode()
                wanted |= ({f"stage{s}_{argument}" for s in (1, 2)} if a.elements == 2
                           else {argument})
            wanted |= MODEL_TAKEN.get(name, MODEL_INPUTS | NOT_DESCRIBED)
            with self.subTest(question=name):
                self.assertEqual(set(inspect.signature(function).parameters),
                                 wanted - NOT_TAKEN.get(name, set()) | SIMULATION | {"inputs"})

    def test_old_names_are_not_taken(self):
        for old in OLD_NAMES:
            with self.subTest(name=old), self.assertRaises(TypeError):
                vantor.smallest_total(0.5, 1.3, 0.3, stage1_alpha=1e-3, **{old: 0.01})
        for gone in ("two_stage_design_power", "METHOD_SEPARATE", "METHOD_JOINT"):
            self.assertFalse(hasattr(vantor, gone), gone)


# ---------------------------------------------------------------------------
# Processes, threads, reports, the library, the documentation
# ---------------------------------------------------------------------------


class PWRDesign(ctypes.Structure):
    # PWR_design of power/power_func.h, to make the library report.
    _fields_ = [("method", ctypes.c_int32), ("alpha", ctypes.c_double * 3),
                ("sample_size", (ctypes.c_int32 * 2) * 2), ("case_rate", ctypes.c_double),
                ("control_rate", ctypes.c_double), ("odds_ratio", ctypes.c_double),
                ("count_table", ((ctypes.c_int32 * 2) * 2) * 2)]


class Reports(unittest.TestCase):
    def test_the_librarys_reports_are_counted_not_printed(self):
        # A level of 0 asks for the quantile of probability 0 exactly once.
        # The questions refuse such a level; the library's own power function
        # still reports it, through the hook the module installed.
        run = run_python(
            "import ctypes, vantor, test_vantor\n"
            "lib = vantor.load_library()\n"
            "assert ctypes.sizeof(test_vantor.PWRDesign) == lib.PWR_design_size()\n"
            "vantor._reports.counts = {}\n"
            "design = test_vantor.PWRDesign()\n"
            "design.sample_size[0][0] = design.sample_size[0][1] = 1000\n"
            "design.odds_ratio, design.control_rate = 1.5, 0.3\n"
            "lib.PWR_single_step_power.restype = ctypes.c_double\n"
            "lib.PWR_single_step_power(ctypes.byref(design), 0, 0)\n"
            "print(vantor._reports.counts)\n")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "{'MIN_FLAG': 1}\n")

    def test_a_warning_of_reports_points_at_the_caller(self):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            vantor._warn_of_reports({"MIN_FLAG": 2})
        self.assertEqual([(w.category, w.filename) for w in caught],
                         [(RuntimeWarning, __file__)])
        self.assertIn("MIN_FLAG 2 times", str(caught[0].message))

    def test_questions_at_genome_wide_levels_do_not_warn(self):
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            for alpha in (1e-4, 5e-8, 1e-9):
                for method in ("replication", "product", "joint"):
                    vantor.two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3, stage1_alpha=0.01,
                                           alpha=alpha, method=method)


class Threads(unittest.TestCase):
    def test_concurrent_calls_give_what_the_same_calls_give_alone(self):
        # ctypes releases the interpreter lock during each call, so these run
        # in the library at the same time, each with its own request.
        requests_ = [
            dict(stages=2, stage1_cases=500, stage1_controls=500, stage2_cases=1000,
                 stage2_controls=1000, odds_ratio=1.3, control_rate=0.3, stage1_alpha=0.01,
                 alpha=1e-4, method=method)
            for method in ("joint", "product", "replication")
        ] * 4 + [dict(cases=2000, controls=2000, control_rate=0.3, target_power=0.8)] * 4
        alone = [vantor.ask(**request) for request in requests_]
        with ThreadPoolExecutor(max_workers=4) as pool:
            together = list(pool.map(lambda request: vantor.ask(**request), requests_))
        self.assertEqual(together, alone)


class LibraryIdentity(unittest.TestCase):
    def test_version_is_the_project_version(self):
        with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
            project = re.search(r"project\(vantor VERSION (\d+\.\d+\.\d+)", f.read())
        self.assertEqual(vantor.library_version(), project.group(1))

    def test_importing_works_without_a_library(self):
        code = "import vantor\nprint(sorted(set(vantor.__all__) - set(dir(vantor))))\n"
        run = run_python(code, VANTOR_LIBRARY="/nonexistent/libvantor.so")
        self.assertEqual(run.returncode, 0, run.stderr)
        # Made from the library's description: they exist once it loads.
        self.assertEqual(run.stdout, "['DesignResult', 'DetectableOddsRatios', "
                                     "'DetectableRelativeRisks', 'OddsRatioResult', "
                                     "'PowerResult', 'Reason', 'RelativeRiskResult', "
                                     "'SizeResult', 'Status']\n")


class LibraryLookup(unittest.TestCase):
    def run_with_library(self, path: str) -> subprocess.CompletedProcess:
        return run_python("import vantor\n"
                          "try:\n"
                          "    vantor.single_stage_power(10, 10, 1.2, 0.3)\n"
                          "except vantor.LibraryNotFoundError as error:\n"
                          "    print('not found:', isinstance(error, OSError))\n",
                          VANTOR_LIBRARY=path)

    def test_a_missing_library_raises_an_os_error(self):
        self.assertEqual(self.run_with_library("/nonexistent/libvantor.so").stdout,
                         "not found: True\n")

    def test_a_library_without_the_power_functions_is_refused(self):
        # The C library is loadable but has no vantor symbols.
        run = self.run_with_library(ctypes.util.find_library("c") or "libc.so.6")
        self.assertEqual(run.stdout, "not found: True\n")


def python_with_numpy() -> str:
    """An interpreter that has numpy: this one, or Debian's."""
    for candidate in (sys.executable, "/usr/bin/python3"):
        if os.access(candidate, os.X_OK) and subprocess.run(
                [candidate, "-c", "import numpy"], capture_output=True, check=False
        ).returncode == 0:
            return candidate
    return ""


def run_program(python: str, *words) -> subprocess.CompletedProcess:
    """Runs one of the repository's programs that use the module, as a user."""
    return subprocess.run(
        [python, "-B", os.path.join(ROOT, *words[0].split("/")), *words[1:]],
        env=dict(os.environ, PYTHONPATH=MODULE_PATH),
        capture_output=True, text=True, timeout=300, check=False)


class ProgramsOfTheModule(unittest.TestCase):
    def test_the_pages_native_values_are_written(self):
        run = run_program(sys.executable, "web/test/native_values.py")
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        rows = json.loads(run.stdout)
        simulated = sum("simulated" in row for row in rows)
        planned = sum("planned" in row for row in rows)
        self.assertEqual((len(rows) - simulated - planned, sum("dm" in row for row in rows)),
                         (3000, 300))
        self.assertGreater(planned, 0)
        self.assertGreater(simulated, 0)

    def test_the_genotype_simulation_runs(self):
        python = python_with_numpy()
        if not python:
            self.skipTest("no Python with numpy")
        run = run_program(python, "examples/genotype_monte_carlo.py", "--replicates", "2000",
                          "--seed", "7")
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        # Every design of the grid sized and simulated: 6 models x 2 ratios x
        # 3 levels x 6 tests, and each test's line of the summary.
        self.assertEqual(len(re.findall(r"^\| [a-z]+ p=", run.stdout, re.M)), 216)
        self.assertNotIn("no size", run.stdout)
        self.assertEqual(len(re.findall(r"^\| [a-z ]+ \| 36 \|", run.stdout, re.M)), 6)


class DocumentationSessions(unittest.TestCase):
    def test_the_documentation_python_sessions_print_what_they_show(self):
        import doctest
        import glob

        pages = [os.path.join(ROOT, "README.md")] + sorted(
            glob.glob(os.path.join(ROOT, "docs", "*.md")))
        parser = doctest.DocTestParser()
        runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
        sessions = 0
        for page in pages:
            with open(page, encoding="utf-8") as text:
                blocks = re.findall(r"```python\n(.*?)```", text.read(), re.S)
            for session in (block for block in blocks if block.lstrip().startswith(">>>")):
                if "import pandas" in session and not has("pandas"):
                    continue  # a data frame's session, where pandas is not installed
                name = f"{os.path.basename(page)} session {sessions}"
                runner.run(parser.get_doctest(session, {"vantor": vantor}, name, page, 0))
                sessions += 1
        self.assertGreaterEqual(sessions, 4)
        self.assertEqual(runner.summarize(verbose=False).failed, 0)

    def test_the_modules_own_example(self):
        import doctest

        self.assertEqual(doctest.testmod(vantor).failed, 0)


if __name__ == "__main__":
    unittest.main()
