"""Tests of the Python module against the command-line program and against
properties the power must have.

Needs VANTOR_LIBRARY (the shared library) and VANTOR_MINI_BIN (the program)
in the environment; ctest sets both.
"""

import ctypes.util
import math
import os
import re
import statistics
import subprocess
import sys
import unittest
import warnings
from concurrent.futures import ThreadPoolExecutor

import vantor

PROGRAM = os.environ.get("VANTOR_MINI_BIN", "")

# Tolerances as the C++ tests use them for the same quantities (tests/tolerance.h):
# the normal distribution function's stated absolute error, twice over for a
# power made of two of its values.
PNORM_ABSOLUTE = 1.02e-9

# (cases, controls, odds ratio, control rate, alpha)
SINGLE_DESIGNS = [
    (1000, 1000, 1.3, 0.3, 0.05),
    (500, 2000, 1.5, 0.1, 5e-8),
    (3000, 1500, 0.8, 0.45, 1e-4),
    (20, 20, 2.0, 0.5, 0.05),
    (100000, 100000, 1.05, 0.2, 5e-8),
    (1, 1, 1.2, 0.3, 0.05),
]


def program_output(*words) -> str:
    run = subprocess.run(
        [PROGRAM, *[repr(w) if isinstance(w, float) else str(w) for w in words]],
        capture_output=True,
        text=True,
        timeout=60,
        check=False,
    )
    if run.returncode != 0:
        raise AssertionError(f"{words}: exit status {run.returncode}")
    return run.stdout


@unittest.skipUnless(os.access(PROGRAM, os.X_OK), "VANTOR_MINI_BIN is not set")
class SingleStageAgainstProgram(unittest.TestCase):
    def test_power_prints_as_the_program_prints_it(self):
        for design in SINGLE_DESIGNS:
            with self.subTest(design=design):
                power = vantor.single_stage_power(*design)
                self.assertEqual("%f" % power, program_output("SINGLE", *design))


class SingleStageProperties(unittest.TestCase):
    def test_no_association_rejects_at_the_level(self):
        # With odds ratio 1 both rates agree: the test rejects with
        # probability alpha.
        for alpha in (0.05, 1e-3, 5e-8):
            with self.subTest(alpha=alpha):
                power = vantor.single_stage_power(800, 1200, 1.0, 0.25, alpha)
                self.assertAlmostEqual(power, alpha, delta=2 * PNORM_ABSOLUTE)

    def test_power_grows_with_the_sample(self):
        powers = [vantor.single_stage_power(n, n, 1.2, 0.3, 1e-4) for n in (100, 1000, 10000)]
        self.assertLess(powers[0], powers[1])
        self.assertLess(powers[1], powers[2])

    def test_sizes_that_do_not_fit_32_bits_are_refused(self):
        with self.assertRaises(ValueError):
            vantor.single_stage_power(2**31, 10, 1.2, 0.3)
        with self.assertRaises(ValueError):
            vantor.single_stage_power(10.5, 10, 1.2, 0.3)


STAGES = ((1000, 1000), (2000, 2000))


class TwoStageLevels(unittest.TestCase):
    def test_separate_stages_derive_the_second_level(self):
        # Overall level of method 0 is alpha0 * alpha1 / 2.
        result = vantor.two_stage_power(0, STAGES, 1.3, 0.3, 0.01, None, 0.0001)
        self.assertAlmostEqual(result.alpha[1], 0.02, delta=4 * math.ulp(0.02))
        self.assertEqual(result.alpha[0], 0.01)
        self.assertEqual(result.alpha[2], 0.0001)
        self.assertTrue(0 <= result.power <= 1)

    def test_separate_stages_derive_the_overall_level(self):
        result = vantor.two_stage_power(0, STAGES, 1.3, 0.3, 0.01, 0.02, None)
        self.assertAlmostEqual(result.alpha[2], 0.0001, delta=4 * math.ulp(0.0001))

    def test_product_method_derives_the_overall_level(self):
        alpha0, alpha1 = 0.01, 1e-5
        result = vantor.two_stage_power(1, STAGES, 1.3, 0.3, alpha0, alpha1, None)
        expected = alpha1 * (1 + math.log(alpha0 / alpha1))
        self.assertAlmostEqual(result.alpha[2], expected, delta=1e-14 * expected)

    def test_no_association_rejects_at_the_overall_level(self):
        # For methods 1 and 2 the derived overall level is, by definition, the
        # probability of passing both decisions when nothing is associated.
        # The product method's level is closed-form; the joint method's comes
        # from the same quadrature as its power.
        for method, relative in ((vantor.METHOD_PRODUCT, 1e-6), (vantor.METHOD_JOINT, 1e-5)):
            with self.subTest(method=method):
                result = vantor.two_stage_power(method, STAGES, 1.0, 0.3, 0.01, 1e-4, None)
                delta = relative * result.alpha[2] + PNORM_ABSOLUTE
                self.assertAlmostEqual(result.power, result.alpha[2], delta=delta)

    def test_no_association_passes_separate_stages_at_both_levels(self):
        # Independent stages, each significant (either direction) with
        # probability equal to its own level.
        result = vantor.two_stage_power(0, STAGES, 1.0, 0.3, 0.01, 0.02, None)
        self.assertAlmostEqual(result.power, 0.01 * 0.02, delta=PNORM_ABSOLUTE)

    def test_power_grows_with_the_odds_ratio(self):
        for method in (0, 1, 2):
            with self.subTest(method=method), warnings.catch_warnings():
                # Method 2's derivation at 1e-6 reports quantiles of 0.
                warnings.simplefilter("ignore", RuntimeWarning)
                powers = [
                    vantor.two_stage_power(method, STAGES, r, 0.3, 0.01, None, 1e-6).power
                    for r in (1.1, 1.2, 1.4)
                ]
                self.assertLess(powers[0], powers[1])
                self.assertLess(powers[1], powers[2])

    def test_requests_the_library_cannot_serve_are_refused(self):
        with self.assertRaises(ValueError):
            vantor.two_stage_power(3, STAGES, 1.3, 0.3, 0.01, None, 1e-4)
        with self.assertRaises(ValueError):
            vantor.two_stage_power(0, STAGES, 1.3, 0.3, None, None, 1e-4)
        with self.assertRaises(ValueError):
            vantor.two_stage_power(0, STAGES[:1], 1.3, 0.3, 0.01, None, 1e-4)


def run_python(code: str, **env) -> subprocess.CompletedProcess:
    """Runs code in a fresh interpreter beside the module, as a user would."""
    here = os.path.dirname(os.path.abspath(vantor.__file__))
    return subprocess.run(
        [sys.executable, "-B", "-c", code], cwd=here, env=dict(os.environ, **env),
        capture_output=True, text=True, timeout=120, check=False,
    )


WARNINGS_OF_A_CALL = """
import warnings, vantor
with warnings.catch_warnings(record=True) as caught:
    warnings.simplefilter("always")
    {call}
for w in caught:
    print(w.category.__name__, w.filename == "<string>", w.message)
"""


class Reports(unittest.TestCase):
    def test_a_quantile_of_zero_warns_once_and_prints_nothing(self):
        # A level of 0 asks for the quantile of probability 0 exactly once;
        # the one line printed is the warning, no "MIN_FLAG" line.
        run = run_python(WARNINGS_OF_A_CALL.format(
            call="vantor.single_stage_power(500, 500, 1.5, 0.3, 0.0)"))
        self.assertEqual(run.returncode, 0, run.stderr)
        lines = run.stdout.splitlines()
        self.assertEqual(len(lines), 1, run.stdout)
        self.assertTrue(lines[0].startswith("RuntimeWarning True vantor reported MIN_FLAG 1 time "),
                        lines[0])

    def test_a_two_stage_call_warns_once_with_the_count(self):
        # Replication with a stage-0 level of 0: each stage's power asks for
        # the quantile of 0.
        run = run_python(WARNINGS_OF_A_CALL.format(
            call="vantor.two_stage_power(0, ((1000, 1000), (2000, 2000)), 1.3, 0.3, "
                 "0.0, None, 1e-4)"))
        self.assertEqual(run.returncode, 0, run.stderr)
        lines = run.stdout.splitlines()
        self.assertEqual(len(lines), 1, run.stdout)
        self.assertRegex(lines[0], r"^RuntimeWarning True vantor reported MIN_FLAG \d+ times? ")

    def test_calls_in_the_domain_do_not_warn(self):
        for alpha2 in ("1e-4", "5e-8", "1e-9"):
            run = run_python(WARNINGS_OF_A_CALL.format(
                call="vantor.two_stage_power(2, ((1000, 1000), (2000, 2000)), 1.3, 0.3, "
                     "0.01, None, %s)" % alpha2))
            self.assertEqual((run.returncode, run.stdout), (0, ""), run.stderr)


class Threads(unittest.TestCase):
    def test_concurrent_calls_give_what_the_same_calls_give_alone(self):
        # ctypes releases the interpreter lock during each call, so these run
        # in the library at the same time.
        requests = [
            (2, STAGES, 1.3, 0.3, 0.01, None, 1e-4),
            (2, ((500, 500), (500, 500)), 1.5, 0.3, 0.05, 1e-4, None),
            (1, ((500, 500), (500, 500)), 1.5, 0.3, 0.01, 1e-3, None),
            (0, STAGES, 1.3, 0.3, 0.01, None, 1e-4),
        ] * 4
        alone = [vantor.two_stage_power(*request) for request in requests]
        with ThreadPoolExecutor(max_workers=4) as pool:
            together = list(pool.map(lambda request: vantor.two_stage_power(*request), requests))
        self.assertEqual(together, alone)


class LibraryIdentity(unittest.TestCase):
    def test_version_is_the_project_version(self):
        with open(os.path.join(os.path.dirname(__file__), os.pardir, "CMakeLists.txt")) as f:
            project = re.search(r"project\(vantor VERSION (\d+\.\d+\.\d+)", f.read())
        self.assertEqual(vantor.library_version(), project.group(1))

    def test_a_record_of_another_layout_is_refused(self):
        code = (
            "import ctypes, vantor\n"
            "class Shorter(ctypes.Structure):\n"
            "    _fields_ = vantor._Design._fields_[:-1]\n"
            "vantor._Design = Shorter\n"
            "try:\n"
            "    vantor.load_library()\n"
            "except vantor.LibraryNotFoundError as error:\n"
            "    print('refused:', error)\n"
        )
        run = run_python(code)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertRegex(run.stdout, r"^refused: .*design record is 104 bytes, this module's 72")


def allele_power(cases, controls, odds_ratio, control_rate, alpha):
    """The library's power for allele counts, straight through ctypes."""
    design = vantor._Design()
    design.sample_size[0][0] = cases
    design.sample_size[0][1] = controls
    design.odds_ratio = odds_ratio
    design.control_rate = control_rate
    design.alpha[0] = alpha
    return vantor.load_library().PWR_get_power_for_single_step(ctypes.byref(design), 0)


def library_message(reason: int) -> str:
    return vantor.load_library().SLV_message(reason).decode()


GENOME_WIDE = dict(odds_ratio=1.3, control_rate=0.3, alpha=5e-8, target_power=0.8)


class SizesInPeople(unittest.TestCase):
    def test_equal_groups_reach_the_target_and_one_person_fewer_does_not(self):
        result = vantor.cases_for_ratio(controls_per_case=1, **GENOME_WIDE)
        self.assertEqual(result.status, vantor.Status.FOUND)
        self.assertEqual(result.cases, result.controls)
        people = result.cases
        power = allele_power(2 * people, 2 * people, 1.3, 0.3, 5e-8)
        self.assertEqual(result.power, power)
        self.assertGreaterEqual(power, 0.8)
        self.assertLess(allele_power(2 * people - 2, 2 * people - 2, 1.3, 0.3, 5e-8), 0.8)

    def test_people_are_searched_whole_never_halved_from_alleles(self):
        # The power rises with the size here, so the fewest people are the
        # fewest alleles rounded up to whole people.
        for ratio in (1, 2, 0.5):
            with self.subTest(ratio=ratio):
                people = vantor.cases_for_ratio(ratio, **GENOME_WIDE)
                alleles = vantor.cases_for_ratio(ratio, **GENOME_WIDE, count="alleles")
                self.assertEqual(people.cases, math.ceil(alleles.cases / 2))

    def test_two_controls_per_case(self):
        result = vantor.cases_for_ratio(controls_per_case=2, **GENOME_WIDE)
        self.assertEqual(result.controls, 2 * result.cases)
        swapped = vantor.controls_for_ratio(cases_per_control=0.5, **GENOME_WIDE)
        # Half a control per case, rounded to the nearest person, halves up.
        self.assertEqual(swapped.cases, math.floor(swapped.controls / 2 + 0.5))
        self.assertGreaterEqual(swapped.power, 0.8)

    def test_one_group_fixed(self):
        result = vantor.cases_for_controls(controls=5000, **GENOME_WIDE)
        self.assertEqual(result.controls, 5000)
        self.assertGreaterEqual(allele_power(2 * result.cases, 10000, 1.3, 0.3, 5e-8), 0.8)
        self.assertLess(allele_power(2 * result.cases - 2, 10000, 1.3, 0.3, 5e-8), 0.8)
        other = vantor.controls_for_cases(cases=5000, **GENOME_WIDE)
        self.assertEqual(other.cases, 5000)
        self.assertGreaterEqual(allele_power(10000, 2 * other.controls, 1.3, 0.3, 5e-8), 0.8)
        self.assertLess(allele_power(10000, 2 * other.controls - 2, 1.3, 0.3, 5e-8), 0.8)


class SolverResults(unittest.TestCase):
    def test_an_unreachable_target_is_a_result_without_numbers(self):
        result = vantor.cases_for_controls(100, 1.2, 0.3, 5e-8, 0.8)
        self.assertEqual(result.status, vantor.Status.NOT_REACHABLE)
        self.assertIsNone(result.cases)
        self.assertIsNone(result.controls)
        self.assertIsNone(result.power)
        self.assertEqual(result.message, library_message(result.reason))
        self.assertIn("levels off", result.message)

    def test_few_expected_alleles_are_a_warning_beside_the_answer(self):
        result = vantor.cases_for_controls(1000, 20, 0.001, 0.05, 0.5)
        self.assertEqual(result.status, vantor.Status.FOUND_WITH_WARNING)
        self.assertIsNotNone(result.cases)
        self.assertIn("fewer than 5 copies", result.message)

    def test_detectable_odds_ratios_plugged_back(self):
        found = vantor.detectable_odds_ratios(cases=2000, controls=2000, control_rate=0.3,
                                              alpha=5e-8, target_power=0.8)
        for side, result in zip(("above", "below"), found):
            with self.subTest(side=side):
                self.assertEqual(result.status, vantor.Status.FOUND)
                self.assertEqual(side == "above", result.odds_ratio > 1)
                power = allele_power(4000, 4000, result.odds_ratio, 0.3, 5e-8)
                self.assertEqual(result.power, power)
                self.assertGreaterEqual(power, 0.8)
                closer = result.odds_ratio ** (1 - 1e-6)
                self.assertLess(allele_power(4000, 4000, closer, 0.3, 5e-8), 0.8)
        alleles = vantor.detectable_odds_ratios(4000, 4000, 0.3, 5e-8, 0.8, count="alleles")
        self.assertEqual(alleles, found)

    def test_no_effect_is_detectable_when_the_level_is_too_strict(self):
        found = vantor.detectable_odds_ratios(1, 1, 0.3, 1e-12, 0.8)
        for result in found:
            self.assertEqual(result.status, vantor.Status.NOT_REACHABLE)
            self.assertIsNone(result.odds_ratio)
            self.assertIn("too strict", result.message)


class SolverInputs(unittest.TestCase):
    def assert_refused(self, reason, call, *args, **kwargs):
        with self.assertRaises(ValueError) as caught:
            call(*args, **kwargs)
        self.assertEqual(str(caught.exception), library_message(reason))

    def test_each_refused_input_raises_the_librarys_words(self):
        self.assert_refused(101, vantor.cases_for_controls, 0, 1.3, 0.3, 0.05, 0.8)
        self.assert_refused(101, vantor.cases_for_controls, 2.5, 1.3, 0.3, 0.05, 0.8)
        self.assert_refused(101, vantor.cases_for_controls, 2**30, 1.3, 0.3, 0.05, 0.8)
        self.assert_refused(100, vantor.controls_for_cases, -3, 1.3, 0.3, 0.05, 0.8)
        self.assert_refused(100, vantor.detectable_odds_ratios, "ten", 10, 0.3, 0.05, 0.8)
        self.assert_refused(104, vantor.cases_for_ratio, 1, 1.0, 0.3, 0.05, 0.8)
        self.assert_refused(102, vantor.cases_for_ratio, 1, 1.3, 1.2, 0.05, 0.8)
        self.assert_refused(103, vantor.cases_for_ratio, 1, 1.3, 0.3, 1e-13, 0.8)
        self.assert_refused(105, vantor.cases_for_ratio, 1, 1.3, 0.3, 0.05, 0.01)
        self.assert_refused(105, vantor.detectable_odds_ratios, 10, 10, 0.3, 0.05, math.nan)
        self.assert_refused(106, vantor.controls_for_ratio, 0, 1.3, 0.3, 0.05, 0.8)
        self.assert_refused(106, vantor.controls_for_ratio, "two", 1.3, 0.3, 0.05, 0.8)
        self.assert_refused(104, vantor.cases_for_controls, 10, "1.3", 0.3, 0.05, 0.8)
        self.assert_refused(101, vantor.cases_for_controls, math.inf, 1.3, 0.3, 0.05, 0.8)
        self.assert_refused(100, vantor.controls_for_cases, math.nan, 1.3, 0.3, 0.05, 0.8)
        with self.assertRaises(ValueError):
            vantor.cases_for_ratio(1, 1.3, 0.3, 0.05, 0.8, count="genomes")

    def test_keywords_are_the_c_headers_names(self):
        result = vantor.controls_for_ratio(cases_per_control=1, odds_ratio=1.5, control_rate=0.2,
                                           alpha=0.05, target_power=0.9, count="alleles")
        self.assertEqual(result.status, vantor.Status.FOUND)


def split_total(total, share, fraction=0.5):
    """The library's rule for a total: round(share * N) in stage 0, and
    round(fraction * n) cases in each stage, halves up."""
    stage0 = math.floor(share * total + 0.5)
    stages = (stage0, total - stage0)
    cases = tuple(math.floor(fraction * n + 0.5) for n in stages)
    return cases, tuple(n - c for n, c in zip(stages, cases))


class TwoStageDesigns(unittest.TestCase):
    def test_smallest_total_reaches_the_target_and_one_less_does_not(self):
        for method in ("replication", "product", "joint"):
            result = vantor.smallest_total(method, 1.3, 0.3, 1e-2, 1e-5, 0.8, stage0_share=0.4)
            self.assertEqual(result.status, vantor.Status.FOUND, result.message)
            cases, controls = split_total(result.total, 0.4)
            self.assertEqual((result.cases, result.controls), (cases, controls))
            again = vantor.two_stage_design_power(method, cases, controls, 1.3, 0.3, 1e-2, 1e-5)
            self.assertEqual(again.power, result.power)
            self.assertGreaterEqual(result.power, 0.8)
            below = vantor.two_stage_design_power(
                method, *split_total(result.total - 1, 0.4), 1.3, 0.3, 1e-2, 1e-5)
            self.assertLess(below.power, 0.8, method)

    def test_people_are_two_alleles_each(self):
        people = vantor.smallest_total("product", 1.3, 0.3, 1e-2, 1e-6, 0.8)
        alleles = vantor.smallest_total("product", 1.3, 0.3, 1e-2, 1e-6, 0.8, count="alleles")
        self.assertLessEqual(alleles.total, 2 * people.total)
        self.assertGreaterEqual(alleles.total, 2 * people.total - 8)

    def test_cheapest_genome_wide_joint_design_saves_genotyping(self):
        design = vantor.cheapest_design("joint", 1.3, 0.3, 5e-8, 0.8)
        self.assertEqual(design.status, vantor.Status.FOUND, design.message)
        self.assertGreaterEqual(design.power, 0.8)
        self.assertLess(design.relative_cost, 1)
        self.assertAlmostEqual(design.relative_cost, design.cost / design.one_stage_total, 12)
        one_stage = vantor.cases_for_ratio(1, 1.3, 0.3, 5e-8, 0.8)
        self.assertEqual(design.one_stage_total, one_stage.cases + one_stage.controls)
        again = vantor.two_stage_design_power(
            "joint", design.cases, design.controls, 1.3, 0.3, design.alpha0, 5e-8)
        self.assertEqual(again.power, design.power)

    def test_budget_and_its_refusals(self):
        best = vantor.most_powerful_design("product", 1.3, 0.3, 1e-6, 2000, cost_ratio=2)
        self.assertEqual(best.status, vantor.Status.FOUND)
        self.assertLessEqual(best.cost, 2000)
        poor = vantor.most_powerful_design("product", 1.3, 0.3, 1e-6, 1.5)
        self.assertEqual(poor.status, vantor.Status.NOT_REACHABLE)
        self.assertIsNone(poor.power)
        self.assertIn("budget", poor.message)
        for call, reason in (
            (lambda: vantor.most_powerful_design("product", 1.3, 0.3, 1e-6, -1), 113),
            (lambda: vantor.cheapest_design("joint", 1.3, 0.3, 5e-8, 0.8, cost_ratio=0), 112),
            (lambda: vantor.cheapest_design("both", 1.3, 0.3, 5e-8, 0.8), 108),
            (lambda: vantor.smallest_total("joint", 1.3, 0.3, 5e-8, 5e-8, 0.8), 111),
            (lambda: vantor.smallest_total("joint", 1.3, 0.3, 1e-3, 5e-8, 0.8, stage0_share=1),
             109),
            (lambda: vantor.smallest_total("joint", 1.3, 0.3, 1e-3, 5e-8, 0.8, case_fraction=0),
             110),
        ):
            with self.assertRaises(ValueError) as caught:
                call()
            self.assertEqual(str(caught.exception), library_message(reason))

    def test_joint_analysis_of_unbalanced_stages_answers_without_a_warning(self):
        result = vantor.smallest_total("joint", 1.3, 0.3, 1e-2, 1e-4, 0.8, case_fraction=0.4)
        self.assertEqual(result.status, vantor.Status.FOUND)


def unpooled_power(case_alleles, control_alleles, odds_ratio, control_rate, alpha):
    """The unpooled statistic's power from its closed form with Python's own
    normal distribution: Phi(d/s - c) + Phi(-d/s - c), s from each group's
    own rate, c the upper alpha/2 quantile."""
    odds = odds_ratio * control_rate / (1 - control_rate)
    case_rate = odds / (1 + odds)
    difference = case_rate - control_rate
    error = math.sqrt(case_rate * (1 - case_rate) / case_alleles
                      + control_rate * (1 - control_rate) / control_alleles)
    c = statistics.NormalDist().inv_cdf(1 - alpha / 2)

    def phi(x):
        return 0.5 * math.erfc(-x / math.sqrt(2))

    return phi(difference / error - c) + phi(-difference / error - c)


# (case alleles, control alleles, odds ratio, control rate, alpha)
UNPOOLED_DESIGNS = [
    (4000, 4000, 1.3, 0.3, 5e-8),   # 2,000 + 2,000 people
    (2000, 8000, 1.3, 0.3, 5e-8),   # 1,000 cases + 4,000 controls
    (3000, 1500, 0.8, 0.45, 1e-4),
    (500, 2000, 1.5, 0.1, 0.05),
]


class UnpooledStatistic(unittest.TestCase):
    def test_single_stage_power_is_the_closed_form(self):
        for design in UNPOOLED_DESIGNS:
            with self.subTest(design=design):
                power = vantor.single_stage_power(*design, statistic="unpooled")
                self.assertAlmostEqual(power, unpooled_power(*design), delta=1e-8)
        # Unequal groups part the two statistics, equal ones barely.
        self.assertAlmostEqual(
            vantor.single_stage_power(2000, 8000, 1.3, 0.3, 5e-8, statistic="unpooled"), 0.2789, 4)
        self.assertAlmostEqual(vantor.single_stage_power(2000, 8000, 1.3, 0.3, 5e-8), 0.3272, 4)

    def test_pooled_is_the_default(self):
        for design in SINGLE_DESIGNS:
            self.assertEqual(vantor.single_stage_power(*design, statistic="pooled"),
                             vantor.single_stage_power(*design))

    def test_solved_sizes_and_effects_reach_the_target_by_the_closed_form(self):
        size = vantor.cases_for_ratio(4, 1.3, 0.3, 5e-8, 0.8, statistic="unpooled")
        self.assertEqual(size.status, vantor.Status.FOUND, size.message)
        people = (size.cases, size.controls)
        self.assertGreaterEqual(unpooled_power(2 * people[0], 2 * people[1], 1.3, 0.3, 5e-8), 0.8)
        fewer = size.cases - 1
        self.assertLess(unpooled_power(2 * fewer, 2 * 4 * fewer, 1.3, 0.3, 5e-8), 0.8)
        pooled = vantor.cases_for_ratio(4, 1.3, 0.3, 5e-8, 0.8)
        self.assertNotEqual(pooled.cases, size.cases)
        controls = vantor.controls_for_cases(3000, 1.3, 0.3, 5e-8, 0.8, statistic="unpooled")
        self.assertGreaterEqual(
            unpooled_power(6000, 2 * controls.controls, 1.3, 0.3, 5e-8), 0.8)
        self.assertLess(unpooled_power(6000, 2 * controls.controls - 2, 1.3, 0.3, 5e-8), 0.8)
        effect = vantor.detectable_odds_ratios(1000, 4000, 0.3, 5e-8, 0.8, statistic="unpooled")
        for found in effect:
            self.assertEqual(found.status, vantor.Status.FOUND, found.message)
            self.assertAlmostEqual(
                unpooled_power(2000, 8000, found.odds_ratio, 0.3, 5e-8), 0.8, delta=1e-8)

    def test_replication_is_the_product_of_unpooled_stage_powers(self):
        cases, controls = (600, 900), (1200, 1800)
        result = vantor.two_stage_design_power(
            "replication", cases, controls, 1.3, 0.3, 1e-3, 5e-8, statistic="unpooled")
        expected = (unpooled_power(2 * cases[0], 2 * controls[0], 1.3, 0.3, result.alpha0)
                    * unpooled_power(2 * cases[1], 2 * controls[1], 1.3, 0.3, result.alpha1))
        self.assertAlmostEqual(result.power, expected, delta=1e-8)
        raw = vantor.two_stage_power(vantor.METHOD_SEPARATE, ((1200, 2400), (1800, 3600)), 1.3,
                                     0.3, 1e-3, None, 5e-8, statistic="unpooled")
        self.assertEqual(raw.power, result.power)
        for method in ("product", "joint"):
            with self.subTest(method=method):
                either = [vantor.two_stage_design_power(method, cases, controls, 1.3, 0.3, 1e-3,
                                                        5e-8, statistic=statistic).power
                          for statistic in ("pooled", "unpooled")]
                self.assertEqual(either[0], either[1])

    def test_design_searches_take_the_statistic(self):
        pooled = vantor.smallest_total("replication", 1.3, 0.3, 1e-3, 5e-8, 0.8, case_fraction=0.2)
        unpooled = vantor.smallest_total("replication", 1.3, 0.3, 1e-3, 5e-8, 0.8,
                                         case_fraction=0.2, statistic="unpooled")
        self.assertEqual(unpooled.status, vantor.Status.FOUND, unpooled.message)
        self.assertGreater(unpooled.total, pooled.total)
        cheapest = vantor.cheapest_design("replication", 1.3, 0.3, 5e-8, 0.8, case_fraction=0.2,
                                          statistic="unpooled")
        one_stage = vantor.cases_for_ratio(4, 1.3, 0.3, 5e-8, 0.8, statistic="unpooled")
        self.assertEqual(cheapest.one_stage_total, one_stage.cases + one_stage.controls)
        best = vantor.most_powerful_design("replication", 1.3, 0.3, 5e-8, 5000,
                                           statistic="unpooled")
        self.assertEqual(best.status, vantor.Status.FOUND, best.message)

    def test_another_statistic_is_refused_in_the_librarys_words(self):
        for call in (
            lambda s: vantor.single_stage_power(1000, 1000, 1.3, 0.3, 0.05, statistic=s),
            lambda s: vantor.two_stage_power(0, ((10, 10), (10, 10)), 1.3, 0.3, 0.01, None, 1e-4,
                                             statistic=s),
            lambda s: vantor.cases_for_controls(1000, 1.3, 0.3, 0.05, 0.8, statistic=s),
            lambda s: vantor.controls_for_ratio(1, 1.3, 0.3, 0.05, 0.8, statistic=s),
            lambda s: vantor.detectable_odds_ratios(1000, 1000, 0.3, 0.05, 0.8, statistic=s),
            lambda s: vantor.two_stage_design_power("joint", (10, 10), (10, 10), 1.3, 0.3, 0.01,
                                                    1e-4, statistic=s),
            lambda s: vantor.smallest_total("joint", 1.3, 0.3, 1e-3, 5e-8, 0.8, statistic=s),
            lambda s: vantor.cheapest_design("joint", 1.3, 0.3, 5e-8, 0.8, statistic=s),
            lambda s: vantor.most_powerful_design("joint", 1.3, 0.3, 5e-8, 5000, statistic=s),
        ):
            for statistic in ("Pooled", "wald", 1, None, ["pooled"]):
                with self.assertRaises(ValueError) as caught:
                    call(statistic)
                self.assertEqual(str(caught.exception), library_message(115))


class ReadmeExamples(unittest.TestCase):
    def test_the_documentation_python_sessions_print_what_they_show(self):
        import doctest
        import glob

        root = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir)
        pages = [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md")))
        parser = doctest.DocTestParser()
        runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
        sessions = 0
        for page in pages:
            with open(page, encoding="utf-8") as text:
                blocks = re.findall(r"```python\n(.*?)```", text.read(), re.S)
            for session in (block for block in blocks if block.lstrip().startswith(">>>")):
                name = f"{os.path.basename(page)} session {sessions}"
                runner.run(parser.get_doctest(session, {"vantor": vantor}, name, page, 0))
                sessions += 1
        self.assertGreaterEqual(sessions, 5)
        self.assertEqual(runner.summarize(verbose=False).failed, 0)


class LibraryLookup(unittest.TestCase):
    def run_with_library(self, path: str) -> subprocess.CompletedProcess:
        code = (
            "import vantor\n"
            "try:\n"
            "    vantor.single_stage_power(10, 10, 1.2, 0.3)\n"
            "except vantor.LibraryNotFoundError as error:\n"
            "    print('not found:', isinstance(error, OSError))\n"
        )
        env = dict(os.environ, VANTOR_LIBRARY=path)
        here = os.path.dirname(os.path.abspath(vantor.__file__))
        return subprocess.run(
            [sys.executable, "-B", "-c", code], cwd=here, env=env,
            capture_output=True, text=True, timeout=60, check=False,
        )

    def test_a_missing_library_raises_an_os_error(self):
        run = self.run_with_library("/nonexistent/libvantor.so")
        self.assertEqual(run.stdout, "not found: True\n")

    def test_a_library_without_the_power_functions_is_refused(self):
        # The C library is loadable but has no vantor symbols.
        run = self.run_with_library(ctypes_util_libc())
        self.assertEqual(run.stdout, "not found: True\n")


def ctypes_util_libc() -> str:
    return ctypes.util.find_library("c") or "libc.so.6"


if __name__ == "__main__":
    unittest.main()
