"""Tests of the Python module: against the command-line program, against the
library's own functions called directly (bit for bit), against the library's
description of its records and docs/glossary.md, and against properties the
power must have.

Needs VANTOR_LIBRARY (the shared library) and VANTOR_MINI_BIN (the program)
in the environment; ctest sets both.
"""

import ast
import csv
import ctypes
import ctypes.util
import inspect
import json
import math
import os
import random
import re
import statistics
import subprocess
import sys
import unittest
from concurrent.futures import ThreadPoolExecutor

import vantor

PROGRAM = os.environ.get("VANTOR_MINI_BIN", "")
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir)

# Tolerances as the C++ tests use them for the same quantities (tests/tolerance.h):
# the normal distribution function's stated absolute error, twice over for a
# power made of two of its values.
PNORM_ABSOLUTE = 1.02e-9

PUBLIC_FUNCTIONS = [
    vantor.single_stage_power,
    vantor.cases_for_controls,
    vantor.controls_for_cases,
    vantor.cases_for_ratio,
    vantor.controls_for_ratio,
    vantor.detectable_odds_ratios,
    vantor.two_stage_power,
    vantor.two_stage_power_of_total,
    vantor.smallest_total,
    vantor.cheapest_design,
    vantor.most_powerful_design,
]


def library():
    return vantor.load_library()


def library_message(reason) -> str:
    return library().SLV_message(int(reason)).decode()


# ---------------------------------------------------------------------------
# The library's own functions, called through the module's handle with this
# test's own copies of their records (checked against the library's sizes).
# ---------------------------------------------------------------------------


class PWRDesign(ctypes.Structure):
    # PWR_design of power/power_func.h.
    _fields_ = [
        ("method", ctypes.c_int32),
        ("alpha", ctypes.c_double * 3),
        ("sample_size", (ctypes.c_int32 * 2) * 2),
        ("case_rate", ctypes.c_double),
        ("control_rate", ctypes.c_double),
        ("odds_ratio", ctypes.c_double),
        ("count_table", ((ctypes.c_int32 * 2) * 2) * 2),
    ]


class SLVSizeResult(ctypes.Structure):
    # SLV_size_result of power/solve.h.
    _fields_ = [("status", ctypes.c_int32), ("reason", ctypes.c_int32),
                ("cases", ctypes.c_int32), ("controls", ctypes.c_int32),
                ("power", ctypes.c_double), ("evaluations", ctypes.c_int32)]


class SLVEffectResult(ctypes.Structure):
    # SLV_effect_result of power/solve.h.
    _fields_ = [("status", ctypes.c_int32), ("reason", ctypes.c_int32),
                ("odds_ratio", ctypes.c_double), ("power", ctypes.c_double),
                ("evaluations", ctypes.c_int32)]


class DescribedField(ctypes.Structure):
    # REC_field of power/records.h.
    _fields_ = [("name", ctypes.c_char_p), ("type", ctypes.c_int32), ("offset", ctypes.c_int32),
                ("kind", ctypes.c_int32), ("unit", ctypes.c_char_p), ("meaning", ctypes.c_char_p)]


class DescribedArgument(ctypes.Structure):
    # REC_argument of power/records.h.
    _fields_ = [("name", ctypes.c_char_p), ("type", ctypes.c_int32), ("kind", ctypes.c_int32),
                ("elements", ctypes.c_int32), ("meaning", ctypes.c_char_p)]


class DescribedQuestion(ctypes.Structure):
    # REC_question of power/records.h.
    _fields_ = [("name", ctypes.c_char_p), ("function", ctypes.c_char_p),
                ("result", ctypes.c_int32), ("argument_count", ctypes.c_int32),
                ("arguments", ctypes.POINTER(DescribedArgument)),
                ("study_fields", ctypes.c_char_p), ("meaning", ctypes.c_char_p)]


# The records of power/records.h, the kind of the record's bookkeeping, and
# the module's result for each.
REC_STUDY, REC_POWER_RESULT, REC_SIZE_RESULT, REC_EFFECT_RESULT, REC_DESIGN_RESULT = 1, 2, 3, 4, 5
REC_KIND_REASON, REC_KIND_INTERNAL = 3, 5
RESULT_OF_RECORD = {
    REC_POWER_RESULT: "PowerResult",
    REC_SIZE_RESULT: "SizeResult",
    REC_EFFECT_RESULT: "OddsRatioResult",
    REC_DESIGN_RESULT: "DesignResult",
    6: "RelativeRiskResult",  # REC_RISK_RESULT
}
UNIT_ALLELES, UNIT_PEOPLE = 1, 2


def raw_functions():
    """The handle's C functions this test calls directly, declared here."""
    lib = library()
    i32, f64, text = ctypes.c_int32, ctypes.c_double, ctypes.c_char_p
    design = ctypes.POINTER(PWRDesign)
    lib.PWR_design_size.restype = i32
    lib.PWR_single_step_power.restype = f64
    lib.PWR_single_step_power.argtypes = [design, i32, i32]
    lib.PWR_two_stage_power.restype = f64
    lib.PWR_two_stage_power.argtypes = [design, i32]
    size = [f64, f64, f64, f64, i32, i32, ctypes.POINTER(SLVSizeResult)]
    for name in ("SLV_cases_for_controls", "SLV_controls_for_cases"):
        getattr(lib, name + "_with_statistic").argtypes = [i32] + size
    for name in ("SLV_cases_for_ratio", "SLV_controls_for_ratio"):
        getattr(lib, name + "_with_statistic").argtypes = [f64] + size
    for name in ("SLV_odds_ratio_above_one", "SLV_odds_ratio_below_one"):
        getattr(lib, name + "_with_statistic").argtypes = [i32, i32, f64, f64, f64, i32,
                                                           ctypes.POINTER(SLVEffectResult)]
    lib.REC_field_count.restype = i32
    lib.REC_field_at.restype = ctypes.POINTER(DescribedField)
    lib.REC_field_at.argtypes = [i32, i32]
    lib.REC_record_size.restype = i32
    lib.REC_question_count.restype = i32
    lib.REC_question_at.restype = ctypes.POINTER(DescribedQuestion)
    lib.REC_question_at.argtypes = [i32]
    lib.REC_reason_count.restype = i32
    lib.REC_reason_at.restype = i32
    lib.REC_reason_at.argtypes = [i32]
    lib.REC_reason_name.restype = text
    lib.REC_reason_name.argtypes = [i32]
    lib.REC_status_name.restype = text
    lib.REC_status_name.argtypes = [i32]
    lib.REC_choice_word.restype = text
    lib.REC_choice_word.argtypes = [text, i32, ctypes.POINTER(i32)]
    return lib


def statistic_code(variance: str) -> int:
    return vantor.choice_words("variance")[variance]


def allele_power(cases, controls, odds_ratio, control_rate, alpha, variance="pooled"):
    """The library's power of allele counts, straight through ctypes."""
    design = PWRDesign()
    design.sample_size[0][0] = cases
    design.sample_size[0][1] = controls
    design.odds_ratio = odds_ratio
    design.control_rate = control_rate
    design.alpha[0] = alpha
    return raw_functions().PWR_single_step_power(ctypes.byref(design), 0,
                                                 statistic_code(variance))


def allele_two_stage_power(method, cases, controls, odds_ratio, control_rate, alpha0, alpha,
                           variance="pooled"):
    """The library's two-stage power of allele counts per stage, the final
    level derived; (power, final level)."""
    design = PWRDesign()
    design.method = vantor.choice_words("method")[method]
    for stage in (0, 1):
        design.sample_size[stage][0] = cases[stage]
        design.sample_size[stage][1] = controls[stage]
    design.odds_ratio = odds_ratio
    design.control_rate = control_rate
    design.alpha[:] = [alpha0, -1.0, alpha]  # -1: PWR_DERIVE_LEVEL
    power = raw_functions().PWR_two_stage_power(ctypes.byref(design), statistic_code(variance))
    return power, design.alpha[1]


def described(record: int) -> list:
    lib = raw_functions()
    return [lib.REC_field_at(record, i).contents for i in range(lib.REC_field_count(record))]


class OwnRecordCopies(unittest.TestCase):
    def test_this_tests_copies_of_the_records_have_the_librarys_sizes(self):
        lib = raw_functions()
        self.assertEqual(ctypes.sizeof(PWRDesign), lib.PWR_design_size())
        self.assertEqual(ctypes.sizeof(SLVEffectResult), lib.REC_record_size(REC_EFFECT_RESULT))


# ---------------------------------------------------------------------------
# Against the program
# ---------------------------------------------------------------------------

# (cases, controls, odds ratio, control rate, alpha), in alleles as the
# program counts them.
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
        capture_output=True, text=True, timeout=60, check=False,
    )
    if run.returncode != 0:
        raise AssertionError(f"{words}: exit status {run.returncode}")
    return run.stdout


@unittest.skipUnless(os.access(PROGRAM, os.X_OK), "VANTOR_MINI_BIN is not set")
class SingleStageAgainstProgram(unittest.TestCase):
    def test_power_prints_as_the_program_prints_it(self):
        for design in SINGLE_DESIGNS:
            with self.subTest(design=design):
                power = vantor.single_stage_power(*design, count="alleles").power
                self.assertEqual("%f" % power, program_output("SINGLE", *design))

    def test_people_are_two_alleles_each(self):
        # The program counts alleles; the module people unless told.
        people = vantor.single_stage_power(500, 500, 1.3, 0.3, alpha=0.05).power
        self.assertEqual("%f" % people, program_output("SINGLE", 1000, 1000, 1.3, 0.3, 0.05))


# ---------------------------------------------------------------------------
# Bit for bit: the module passes values to the library and back unchanged
# ---------------------------------------------------------------------------


def random_designs(count: int, seed: int):
    draw = random.Random(seed)
    for _ in range(count):
        yield dict(
            cases=draw.randint(20, 30000), controls=draw.randint(20, 30000),
            odds_ratio=draw.choice([draw.uniform(1.02, 2.5), 1 / draw.uniform(1.02, 2.5)]),
            control_rate=draw.uniform(0.02, 0.9), alpha=10 ** draw.uniform(-11, -1.5),
            target_power=draw.uniform(0.5, 0.95), ratio=draw.choice([0.25, 0.5, 1, 1.5, 3]),
            variance=draw.choice(["pooled", "unpooled"]),
            method=draw.choice(["replication", "product", "joint"]),
            stage1_alpha=10 ** draw.uniform(-3, -1.5), share=draw.uniform(0.1, 0.9),
        )


class BitForBit(unittest.TestCase):
    def test_single_stage_power_is_the_librarys_of_twice_as_many_alleles(self):
        for d in random_designs(300, 20261207):
            with self.subTest(design=d):
                known = (d["odds_ratio"], d["control_rate"], d["alpha"], d["variance"])
                expected = allele_power(2 * d["cases"], 2 * d["controls"], *known)
                people = vantor.single_stage_power(d["cases"], d["controls"], d["odds_ratio"],
                                                   d["control_rate"], d["alpha"],
                                                   variance=d["variance"])
                self.assertEqual(people.power, expected)
                alleles = vantor.single_stage_power(d["cases"], d["controls"], d["odds_ratio"],
                                                    d["control_rate"], d["alpha"],
                                                    count="alleles", variance=d["variance"])
                self.assertEqual(alleles.power, allele_power(d["cases"], d["controls"], *known))

    def assert_same_size(self, ours, theirs: SLVSizeResult, unit: int):
        self.assertEqual(int(ours.status), theirs.status)
        self.assertEqual(int(ours.reason), theirs.reason)
        self.assertEqual(ours.evaluations, theirs.evaluations)
        if theirs.status in (0, 1):
            self.assertEqual((ours.cases * unit, ours.controls * unit),
                             (theirs.cases, theirs.controls))
            self.assertEqual(ours.power, theirs.power)

    def test_sizes_are_the_solvers_in_alleles(self):
        lib = raw_functions()
        for d in random_designs(60, 7):
            for count, unit in (("people", UNIT_PEOPLE), ("alleles", UNIT_ALLELES)):
                with self.subTest(design=d, count=count):
                    known = (d["odds_ratio"], d["control_rate"], d["alpha"], d["target_power"])
                    keywords = dict(count=count, variance=d["variance"])
                    code = statistic_code(d["variance"])
                    for name, given, allele_given in (
                        ("cases_for_controls", d["controls"], d["controls"] * unit),
                        ("controls_for_cases", d["cases"], d["cases"] * unit),
                        ("cases_for_ratio", d["ratio"], d["ratio"]),
                        ("controls_for_ratio", d["ratio"], d["ratio"]),
                    ):
                        raw = SLVSizeResult()
                        getattr(lib, f"SLV_{name}_with_statistic")(
                            allele_given, *known, unit, code, ctypes.byref(raw))
                        ours = getattr(vantor, name)(given, *known, **keywords)
                        self.assert_same_size(ours, raw, unit)

    def test_detectable_odds_ratios_are_the_solvers(self):
        lib = raw_functions()
        for d in random_designs(40, 11):
            with self.subTest(design=d):
                found = vantor.detectable_odds_ratios(
                    d["cases"], d["controls"], d["control_rate"], d["alpha"], d["target_power"],
                    variance=d["variance"])
                for side in ("above", "below"):
                    raw = SLVEffectResult()
                    getattr(lib, f"SLV_odds_ratio_{side}_one_with_statistic")(
                        2 * d["cases"], 2 * d["controls"], d["control_rate"], d["alpha"],
                        d["target_power"], statistic_code(d["variance"]), ctypes.byref(raw))
                    ours = getattr(found, side)
                    self.assertEqual((int(ours.status), int(ours.reason), ours.evaluations),
                                     (raw.status, raw.reason, raw.evaluations))
                    if raw.status in (0, 1):
                        self.assertEqual((ours.odds_ratio, ours.power),
                                         (raw.odds_ratio, raw.power))
                    one_side = vantor.detectable_odds_ratios(
                        d["cases"], d["controls"], d["control_rate"], d["alpha"],
                        d["target_power"], direction=side, variance=d["variance"])
                    self.assertEqual(one_side, ours)

    def test_two_stage_power_is_the_librarys_with_the_final_level_derived(self):
        tried = 0
        for d in random_designs(200, 3):
            alpha = min(d["alpha"], d["stage1_alpha"] / 4)
            cases = (d["cases"] // 2, d["cases"] - d["cases"] // 2)
            controls = (d["controls"] // 3, d["controls"] - d["controls"] // 3)
            with self.subTest(design=d):
                result = vantor.two_stage_power(
                    cases[0], controls[0], cases[1], controls[1], d["odds_ratio"],
                    d["control_rate"], stage1_alpha=d["stage1_alpha"], alpha=alpha,
                    method=d["method"], variance=d["variance"])
                power, final_alpha = allele_two_stage_power(
                    d["method"], [2 * n for n in cases], [2 * n for n in controls],
                    d["odds_ratio"], d["control_rate"], d["stage1_alpha"], alpha, d["variance"])
                self.assertEqual((result.power, result.final_alpha), (power, final_alpha))
                self.assertEqual((result.stage1_alpha, result.alpha), (d["stage1_alpha"], alpha))
                tried += 1
        self.assertEqual(tried, 200)


# ---------------------------------------------------------------------------
# The description: layouts, results, reasons and choices made from it
# ---------------------------------------------------------------------------


def public_fields(fields) -> list:
    """The result fields the description asks for: every field but the
    bookkeeping, the reason's words after the reason."""
    names = []
    for field in fields:
        if field.kind != REC_KIND_INTERNAL:
            names.append(field.name.decode())
            if field.kind == REC_KIND_REASON:
                names.append("message")
    return names


class Description(unittest.TestCase):
    def test_every_record_is_laid_out_where_the_library_describes_it(self):
        lib = raw_functions()
        layouts = vantor._words().layouts
        for record in (REC_STUDY, *RESULT_OF_RECORD):
            with self.subTest(record=record):
                layout = layouts[record]
                self.assertEqual(ctypes.sizeof(layout), lib.REC_record_size(record))
                for field in described(record):
                    self.assertEqual(getattr(layout, field.name.decode()).offset, field.offset)
        self.assertEqual(ctypes.sizeof(layouts[REC_STUDY]), lib.STU_study_size())

    def test_the_default_level_is_the_one_the_study_record_starts_with(self):
        study = vantor._words().layouts[REC_STUDY]()
        library().STU_study_init(ctypes.byref(study))
        self.assertEqual(study.alpha, vantor.DEFAULT_ALPHA)
        self.assertEqual(study.count, vantor.choice_words("count")["people"])
        self.assertEqual(study.variance, vantor.choice_words("variance")["pooled"])

    def test_results_have_every_described_field_and_no_other(self):
        for record, name in RESULT_OF_RECORD.items():
            with self.subTest(result=name):
                self.assertEqual(list(getattr(vantor, name)._fields),
                                 public_fields(described(record)))

    def test_reasons_statuses_and_choices_are_the_librarys_names(self):
        lib = raw_functions()
        codes = [lib.REC_reason_at(i) for i in range(lib.REC_reason_count())]
        self.assertEqual({r.name: int(r) for r in vantor.Reason},
                         {lib.REC_reason_name(c).decode(): c for c in codes})
        self.assertEqual([s.name for s in vantor.Status],
                         [lib.REC_status_name(c).decode() for c in range(len(vantor.Status))])
        self.assertIsNone(lib.REC_status_name(len(vantor.Status)))
        for choice in ("method", "variance", "count", "direction"):
            words, code = {}, ctypes.c_int32()
            while lib.REC_choice_word(choice.encode(), len(words), ctypes.byref(code)):
                words[lib.REC_choice_word(choice.encode(), len(words), None).decode()] = code.value
            self.assertEqual(vantor.choice_words(choice), words)

    def test_a_result_follows_the_description_it_is_made_from(self):
        # A library describing its power result without the power: the
        # module's PowerResult has no power either, so nothing of a record is
        # written by hand.
        code = (
            "import vantor\n"
            "described = vantor._described_fields\n"
            "def without_power(library, record):\n"
            "    fields = described(library, record)\n"
            "    return [f for f in fields if record != 2 or f.name != 'power']\n"
            "vantor._described_fields = without_power\n"
            "print(vantor.PowerResult._fields)\n"
        )
        run = run_python(code)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "('status', 'reason', 'message', 'marker_alpha', "
                                     "'marker_case_rate', 'marker_control_rate', "
                                     "'marker_odds_ratio')\n")

    def test_a_layout_other_than_the_description_is_refused_by_name(self):
        # 32-bit fields laid out as 64-bit ones: the study record's second
        # field then starts inside the first.
        code = (
            "import ctypes, vantor\n"
            "vantor._C_TYPES[1] = ctypes.c_int64\n"
            "try:\n"
            "    vantor.load_library()\n"
            "except ImportError as error:\n"
            "    print(type(error).__name__, error)\n"
        )
        run = run_python(code)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "LayoutMismatchError STU_study.effect_kind: described at "
                                     "byte 4, inside the fields before it (which end at byte "
                                     "8)\n")

    def test_the_disease_model_must_lie_over_the_allelic_effect_only(self):
        # The model shares the study's effect union from its odds_ratio field
        # on: a study field inside it, or a model past the record's end, is
        # a layout this module will not write through.
        double, int32 = ctypes.c_double, ctypes.c_int32
        study = [vantor._Field("odds_ratio", double, 8, 0),
                 vantor._Field("control_rate", double, 16, 0),
                 vantor._Field("variance", int32, 80, 4)]
        self.assertEqual(vantor._effect_union(study, 72, 96), 8)
        with self.assertRaises(vantor.LayoutMismatchError) as caught:
            vantor._effect_union(study, 80, 96)
        self.assertEqual(str(caught.exception), "STU_study.variance: at byte 80, inside the "
                                                "disease model that starts at byte 8")
        with self.assertRaises(vantor.LayoutMismatchError):
            vantor._effect_union(study[:2], 72, 64)

    def test_a_record_size_other_than_the_librarys_is_refused(self):
        # A library whose study record is 8 bytes shorter than its fields.
        code = (
            "import vantor\n"
            "structure = vantor._structure\n"
            "vantor._structure = lambda name, size, fields: structure(\n"
            "    name, size - 8 if name == 'STU_study' else size, fields)\n"
            "try:\n"
            "    vantor.load_library()\n"
            "except vantor.LayoutMismatchError as error:\n"
            "    print(error)\n"
        )
        run = run_python(code)
        self.assertEqual(run.returncode, 0, run.stderr)
        size = raw_functions().REC_record_size(REC_STUDY)
        self.assertEqual(run.stdout, f"STU_study is {size - 8} bytes in the library, {size} "
                                     "laid out from its description\n")


# ---------------------------------------------------------------------------
# The glossary's names
# ---------------------------------------------------------------------------


def glossary_rows() -> list:
    """The Names table of docs/glossary.md as dicts by its header's words."""
    with open(os.path.join(ROOT, "docs", "glossary.md"), encoding="utf-8") as page:
        text = page.read()
    table = text.split("## Names", 1)[1].split("\n## ", 1)[0]
    lines = [line for line in table.splitlines() if line.startswith("|")]
    header = [cell.strip() for cell in lines[0].strip("|").split("|")]
    rows = []
    for line in lines[2:]:
        cells = [cell.strip().strip("`") for cell in line.strip("|").split("|")]
        rows.append({key: (None if cell == "—" else cell) for key, cell in zip(header, cells)})
    return rows


def glossary_python_names() -> set:
    return {row["Python"] for row in glossary_rows() if row["Python"]}


# Parameters a function takes that the glossary does not name, and why.
DOCUMENTED_EXTRAS = {}

# Study fields a question reads that its function does not take, and why:
# given counts per stage give the cases' share of each stage, so the case
# fraction would only be checked, never used.
NOT_TAKEN = {"two_stage_power": {"case_fraction"}}

# Old names that must not be taken (docs/glossary.md, Old names).
OLD_NAMES = ["alpha0", "alpha1", "alpha_stage1", "stage0_share", "overall_alpha", "rate",
             "power", "statistic", "cases1", "share", "ratio"]


def is_number(words: list) -> bool:
    try:
        float(words[0])
    except (IndexError, ValueError):
        return False
    return True


# The disease model's inputs each question takes beside the study fields its
# description lists (the model is the study's effect, described by
# REC_DISEASE_MODEL; d_prime and r_squared are how its internal ld is given).
MODEL_INPUTS = {"frequency", "prevalence", "model", "relative_risk", "heterozygote_risk",
                "homozygote_risk", "controls_kind", "marker_frequency", "d_prime", "r_squared"}
MODEL_TAKEN = {
    "power": MODEL_INPUTS, "cases_for_controls": MODEL_INPUTS,
    "controls_for_cases": MODEL_INPUTS, "cases_for_ratio": MODEL_INPUTS,
    "controls_for_ratio": MODEL_INPUTS, "odds_ratio": set(),
    "relative_risk": MODEL_INPUTS - {"relative_risk", "heterozygote_risk", "homozygote_risk"},
}
# Study fields the two-stage questions read that their description does not
# list: the test (only the allelic is answered) and the markers (dividing the
# overall level).
NOT_DESCRIBED = {"test", "markers"}


class Glossary(unittest.TestCase):
    def test_the_table_is_read(self):
        rows = glossary_rows()
        self.assertGreater(len(rows), 25)
        self.assertIn("stage1_cases", glossary_python_names())

    def test_every_parameter_is_a_glossary_name(self):
        names = glossary_python_names()
        for function in PUBLIC_FUNCTIONS:
            for parameter in inspect.signature(function).parameters:
                with self.subTest(function=function.__name__, parameter=parameter):
                    self.assertTrue(parameter in names or parameter in DOCUMENTED_EXTRAS)

    def test_every_result_field_is_a_glossary_name(self):
        names = glossary_python_names()
        for result in RESULT_OF_RECORD.values():
            for field in getattr(vantor, result)._fields:
                with self.subTest(result=result, field=field):
                    self.assertIn(field, names)
        # The pairs of detectable effects are named by the direction's words.
        for pair in (vantor.DetectableOddsRatios, vantor.DetectableRelativeRisks):
            self.assertEqual(list(pair._fields), list(vantor.choice_words("direction")))

    def test_defaults_are_the_glossarys(self):
        defaults = {row["Python"]: row["default"] for row in glossary_rows() if row["Python"]}
        for function in PUBLIC_FUNCTIONS:
            for parameter in inspect.signature(function).parameters.values():
                if parameter.default is inspect.Parameter.empty:
                    continue
                with self.subTest(function=function.__name__, parameter=parameter.name):
                    if parameter.default is vantor._NOT_GIVEN:
                        # No value: the glossary has none, or says in words
                        # what leaving it out means.
                        self.assertFalse(is_number((defaults[parameter.name] or "").split()[:1]))
                        continue
                    glossary = defaults[parameter.name].split()[0]
                    if parameter.default is vantor._LEVEL_FOR_MARKERS:
                        # The library's level for the markers: the glossary's
                        # for one marker.
                        self.assertEqual(vantor.default_alpha(1), float(glossary))
                    elif isinstance(parameter.default, str):
                        self.assertEqual(parameter.default, glossary)
                    else:
                        self.assertEqual(parameter.default, float(glossary))

    def test_each_question_takes_the_described_arguments_and_study_fields(self):
        lib = raw_functions()
        function_of = {"power": vantor.single_stage_power,
                       "odds_ratio": vantor.detectable_odds_ratios,
                       "relative_risk": vantor.detectable_relative_risks}
        for index in range(lib.REC_question_count()):
            question = lib.REC_question_at(index).contents
            name = question.name.decode()
            function = function_of.get(name) or getattr(vantor, name)
            wanted = set(question.study_fields.decode().split(","))
            for a in question.arguments[:question.argument_count]:
                argument = a.name.decode()
                wanted |= ({f"stage{s}_{argument}" for s in (1, 2)} if a.elements == 2
                           else {argument})
            wanted |= MODEL_TAKEN.get(name, MODEL_INPUTS | NOT_DESCRIBED)
            with self.subTest(question=name):
                self.assertEqual(set(inspect.signature(function).parameters),
                                 wanted - NOT_TAKEN.get(name, set()))

    def test_old_names_are_not_taken(self):
        for old in OLD_NAMES:
            with self.subTest(name=old), self.assertRaises(TypeError):
                vantor.smallest_total(0.5, 1.3, 0.3, stage1_alpha=1e-3, **{old: 0.01})
        for gone in ("two_stage_design_power", "METHOD_SEPARATE", "METHOD_JOINT"):
            self.assertFalse(hasattr(vantor, gone), gone)


# ---------------------------------------------------------------------------
# Refused inputs
# ---------------------------------------------------------------------------


def awkward_rows() -> list:
    with open(os.path.join(ROOT, "tests", "awkward_inputs.csv"), encoding="utf-8") as table:
        return list(csv.DictReader(table))


def awkward_value(text: str):
    """A CSV cell as Python has it: missing is None, a Python number a float,
    other text (0x10) the text."""
    if text == "":
        return None
    try:
        return float(text)
    except ValueError:
        return text


POWER_QUESTION = dict(cases=2000, controls=2000, odds_ratio=1.3, control_rate=0.3, alpha=5e-8)
# The awkward inputs' question of a disease model.
MODEL_QUESTION = dict(cases=2000, controls=2000, frequency=0.3, prevalence=0.1,
                      relative_risk=1.3, alpha=5e-8)


def awkward_question(row) -> dict:
    """The question an awkward input is put in: its effect's base question
    with the input in place (or added)."""
    base = MODEL_QUESTION if row["effect"] == "disease model" else POWER_QUESTION
    return dict(base, **{row["argument"]: awkward_value(row["value"])})


class AwkwardInputs(unittest.TestCase):
    def test_each_awkward_input_gets_the_listed_status_and_reason(self):
        rows = awkward_rows()
        self.assertGreaterEqual(len(rows), 10)
        for row in rows:
            value = awkward_value(row["value"])
            with self.subTest(argument=row["argument"], value=value):
                with self.assertRaises(vantor.InputError) as caught:
                    vantor.single_stage_power(**awkward_question(row))
                error = caught.exception
                self.assertIsInstance(error, ValueError)
                self.assertEqual((error.status.name, error.reason.name),
                                 (row["status"], row["reason"]))
                self.assertEqual(error.argument, row["argument"])
                self.assertEqual(str(error),
                                 f"{row['argument']}: {library_message(error.reason)}")

    def test_awkward_counts_are_refused_by_every_question_that_takes_the_count(self):
        for row in (r for r in awkward_rows() if r["argument"] == "cases"):
            value = awkward_value(row["value"])
            for function, call in GOOD_CALLS.items():
                if "cases" not in call:
                    continue
                with self.subTest(function=function.__name__, value=value):
                    with self.assertRaises(vantor.InputError) as caught:
                        function(**dict(call, cases=value))
                    self.assertEqual(caught.exception.reason.name, row["reason"])


# A call of each function with acceptable inputs, by keyword.
GOOD_CALLS = {
    vantor.single_stage_power: dict(cases=1000, controls=1000, odds_ratio=1.3, control_rate=0.3),
    vantor.cases_for_controls: dict(controls=5000, odds_ratio=1.3, control_rate=0.3),
    vantor.controls_for_cases: dict(cases=5000, odds_ratio=1.3, control_rate=0.3),
    vantor.cases_for_ratio: dict(controls_per_case=1, odds_ratio=1.3, control_rate=0.3),
    vantor.controls_for_ratio: dict(cases_per_control=1, odds_ratio=1.3, control_rate=0.3),
    vantor.detectable_odds_ratios: dict(cases=2000, controls=2000, control_rate=0.3,
                                        direction="above"),
    vantor.two_stage_power: dict(stage1_cases=500, stage1_controls=500, stage2_cases=1000,
                                 stage2_controls=1000, odds_ratio=1.3, control_rate=0.3,
                                 stage1_alpha=1e-3),
    vantor.two_stage_power_of_total: dict(total=6000, stage1_share=0.3, odds_ratio=1.3,
                                          control_rate=0.3, stage1_alpha=1e-3),
    vantor.smallest_total: dict(stage1_share=0.3, odds_ratio=1.3, control_rate=0.3,
                                stage1_alpha=1e-3),
    vantor.cheapest_design: dict(odds_ratio=1.3, control_rate=0.3),
    vantor.most_powerful_design: dict(budget=3000, odds_ratio=1.3, control_rate=0.3),
}


# The same calls with a disease model, the marker given by its linkage
# disequilibrium and frequency.
MODEL = dict(frequency=0.2, prevalence=0.1, relative_risk=1.5, r_squared=0.6,
             marker_frequency=0.25)
GOOD_MODEL_CALLS = {
    function: dict({k: v for k, v in call.items() if k not in ("odds_ratio", "control_rate")},
                   **MODEL)
    for function, call in GOOD_CALLS.items() if "odds_ratio" in call
}
GOOD_MODEL_CALLS[vantor.detectable_relative_risks] = dict(
    cases=2000, controls=2000, frequency=0.2, prevalence=0.1, d_prime=0.9, direction="above")


class RefusedInputs(unittest.TestCase):
    def test_the_good_calls_are_answered(self):
        for function, call in [*GOOD_CALLS.items(), *GOOD_MODEL_CALLS.items()]:
            with self.subTest(function=function.__name__):
                self.assertEqual(function(**call).status, vantor.Status.FOUND)

    def test_what_ctypes_cannot_pass_is_refused_as_the_library_refuses_the_argument(self):
        # Every argument of every question, given None, text, a bool or an
        # infinity, is refused naming that argument: never a TypeError, never
        # read as something else.
        for function, call in [*GOOD_CALLS.items(), *GOOD_MODEL_CALLS.items()]:
            for parameter in inspect.signature(function).parameters:
                if parameter in MODEL_INPUTS and ("frequency" not in call or (
                        parameter not in call and parameter not in ("model", "controls_kind"))):
                    continue  # another effect's input, or one the model does not read
                if parameter in ("odds_ratio", "control_rate") and "frequency" in call:
                    continue
                for value in (None, "0x10", "1000", True, math.inf, -math.inf, [1], 10**400):
                    with self.subTest(function=function.__name__, parameter=parameter,
                                      value=value):
                        with self.assertRaises(vantor.InputError) as caught:
                            function(**dict(call, **{parameter: value}))
                        error = caught.exception
                        self.assertEqual(error.argument, parameter)
                        self.assertEqual(error.status, vantor.Status.INVALID_INPUT)
                        self.assertEqual(str(error),
                                         f"{parameter}: {library_message(error.reason)}")

    def test_choices_take_the_words_only(self):
        for function, call in [*GOOD_CALLS.items(), *GOOD_MODEL_CALLS.items()]:
            for parameter in ("method", "variance", "count", "direction", "test", "model",
                              "controls_kind"):
                if parameter not in inspect.signature(function).parameters:
                    continue
                if parameter in ("model", "controls_kind") and "frequency" not in call:
                    continue
                for value in (0, 1, 2, 2.0, "Joint", "separate", "joint\0", "alleles ", ""):
                    with self.subTest(function=function.__name__, parameter=parameter,
                                      value=value):
                        with self.assertRaises(vantor.InputError) as caught:
                            function(**dict(call, **{parameter: value}))
                        self.assertEqual(caught.exception.argument, parameter)
        with self.assertRaises(ValueError) as caught:
            vantor.cheapest_design(1.3, 0.3, method=2)
        self.assertEqual(str(caught.exception),
                         "method: " + library_message(vantor.Reason.BAD_METHOD))
        self.assertEqual(caught.exception.reason, vantor.Reason.BAD_METHOD)

    def test_counts_are_whole_and_fit(self):
        call = GOOD_CALLS[vantor.single_stage_power]
        for value in (0, -3, 2.5, 2**30, 2**70, -2**70, math.nan):
            with self.subTest(value=value), self.assertRaises(vantor.InputError) as caught:
                vantor.single_stage_power(**dict(call, controls=value))
            self.assertEqual(caught.exception.reason, vantor.Reason.BAD_CONTROLS)
        # The largest count of people, and of alleles.
        largest = 2147483647
        self.assertEqual(vantor.single_stage_power(**dict(call, cases=largest // 2)).status,
                         vantor.Status.FOUND)
        self.assertEqual(vantor.single_stage_power(**dict(call, cases=largest,
                                                          count="alleles")).status,
                         vantor.Status.FOUND)
        with self.assertRaises(vantor.InputError):
            vantor.single_stage_power(**dict(call, cases=largest // 2 + 1))
        # Whole numbers of other types are counts.
        self.assertEqual(vantor.single_stage_power(**dict(call, cases=1000.0)),
                         vantor.single_stage_power(**call))

    def test_a_stage_count_refusal_names_its_stage(self):
        call = GOOD_CALLS[vantor.two_stage_power]
        for name in ("stage1_cases", "stage1_controls", "stage2_cases", "stage2_controls"):
            with self.subTest(name=name), self.assertRaises(vantor.InputError) as caught:
                vantor.two_stage_power(**dict(call, **{name: 0}))
            self.assertEqual(caught.exception.argument, name)
            self.assertTrue(str(caught.exception).startswith(name + ": the number of "))

    def test_an_old_style_two_stage_call_raises(self):
        # The older function took a method number and ((cases, controls) per
        # stage) in alleles; such a call must not be read with new meanings.
        stages = ((1000, 1000), (2000, 2000))
        for call in (
            lambda: vantor.two_stage_power(0, stages, 1.3, 0.3, 0.01, None, 0.0001),
            lambda: vantor.two_stage_power(0, stages, 1.3, 0.3, alpha0=0.01,
                                           overall_alpha=0.0001),
            lambda: vantor.two_stage_power(0, stages, 1.3, 0.3, 0.01, 1e-4),
            lambda: vantor.two_stage_power(2, stages, 1.3, 0.3, 0.01, 1e-4, stage1_alpha=0.01),
            lambda: vantor.smallest_total("joint", 1.3, 0.3, 1e-2, 1e-5, 0.8),
            lambda: vantor.cheapest_design("joint", 1.3, 0.3, 5e-8, 0.8),
        ):
            with self.assertRaises((TypeError, ValueError)):
                call()


# ---------------------------------------------------------------------------
# One stage
# ---------------------------------------------------------------------------


class SingleStage(unittest.TestCase):
    def test_the_default_level_is_genome_wide_and_counts_are_people(self):
        default = vantor.single_stage_power(2000, 2000, 1.3, 0.3)
        self.assertEqual(default.power, allele_power(4000, 4000, 1.3, 0.3, 5e-8))

    def test_a_tiny_effect_rejects_at_about_the_level(self):
        # Odds ratio 1 is refused (its "power" is the level); one just above
        # it rejects with probability the level.
        for alpha in (0.05, 1e-3, 5e-8):
            with self.subTest(alpha=alpha):
                power = vantor.single_stage_power(400, 600, 1 + 1e-9, 0.25, alpha).power
                self.assertAlmostEqual(power, alpha, delta=2 * PNORM_ABSOLUTE)

    def test_power_grows_with_the_sample(self):
        powers = [vantor.single_stage_power(n, n, 1.2, 0.3, 1e-4).power
                  for n in (50, 500, 5000)]
        self.assertLess(powers[0], powers[1])
        self.assertLess(powers[1], powers[2])

    def test_few_expected_alleles_are_a_warning_beside_the_power(self):
        result = vantor.single_stage_power(1, 1, 1.2, 0.3, 0.05, count="alleles")
        self.assertEqual((result.status, result.reason),
                         (vantor.Status.FOUND_WITH_WARNING, vantor.Reason.FEW_EXPECTED_ALLELES))
        self.assertEqual(result.message, library_message(result.reason))
        self.assertEqual(result.power, allele_power(1, 1, 1.2, 0.3, 0.05))

    def test_a_power_beyond_double_precision_is_not_reachable_not_an_error(self):
        result = vantor.single_stage_power(1000, 1000, 1.3, 5e-324)
        self.assertEqual((result.status, result.reason),
                         (vantor.Status.NOT_REACHABLE, vantor.Reason.POWER_NOT_COMPUTABLE))
        self.assertIsNone(result.power)


class SizesInPeople(unittest.TestCase):
    def test_equal_groups_reach_the_target_and_one_person_fewer_does_not(self):
        result = vantor.cases_for_ratio(controls_per_case=1, odds_ratio=1.3, control_rate=0.3)
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
                people = vantor.cases_for_ratio(ratio, 1.3, 0.3)
                alleles = vantor.cases_for_ratio(ratio, 1.3, 0.3, count="alleles")
                self.assertEqual(people.cases, math.ceil(alleles.cases / 2))

    def test_two_controls_per_case(self):
        result = vantor.cases_for_ratio(controls_per_case=2, odds_ratio=1.3, control_rate=0.3)
        self.assertEqual(result.controls, 2 * result.cases)
        swapped = vantor.controls_for_ratio(cases_per_control=0.5, odds_ratio=1.3,
                                            control_rate=0.3)
        # Half a case per control, rounded to the nearest person, halves up.
        self.assertEqual(swapped.cases, math.floor(swapped.controls / 2 + 0.5))
        self.assertGreaterEqual(swapped.power, 0.8)

    def test_one_group_fixed(self):
        result = vantor.cases_for_controls(controls=5000, odds_ratio=1.3, control_rate=0.3)
        self.assertEqual(result.controls, 5000)
        self.assertGreaterEqual(allele_power(2 * result.cases, 10000, 1.3, 0.3, 5e-8), 0.8)
        self.assertLess(allele_power(2 * result.cases - 2, 10000, 1.3, 0.3, 5e-8), 0.8)
        other = vantor.controls_for_cases(cases=5000, odds_ratio=1.3, control_rate=0.3)
        self.assertEqual(other.cases, 5000)
        self.assertGreaterEqual(allele_power(10000, 2 * other.controls, 1.3, 0.3, 5e-8), 0.8)
        self.assertLess(allele_power(10000, 2 * other.controls - 2, 1.3, 0.3, 5e-8), 0.8)


class SolverResults(unittest.TestCase):
    def test_an_unreachable_target_is_a_result_without_numbers(self):
        result = vantor.cases_for_controls(100, 1.2, 0.3)
        self.assertEqual(result.status, vantor.Status.NOT_REACHABLE)
        self.assertEqual(result.reason, vantor.Reason.LEVELS_OFF_WITH_GROUP_FIXED)
        self.assertIsNone(result.cases)
        self.assertIsNone(result.controls)
        self.assertIsNone(result.power)
        self.assertEqual(result.message, library_message(result.reason))

    def test_few_expected_alleles_are_a_warning_beside_the_answer(self):
        result = vantor.cases_for_controls(1000, 20, 0.001, 0.05, 0.5)
        self.assertEqual(result.status, vantor.Status.FOUND_WITH_WARNING)
        self.assertEqual(result.reason, vantor.Reason.FEW_EXPECTED_ALLELES)
        self.assertIsNotNone(result.cases)

    def test_detectable_odds_ratios_plugged_back(self):
        found = vantor.detectable_odds_ratios(cases=2000, controls=2000, control_rate=0.3)
        for side, result in zip(("above", "below"), found):
            with self.subTest(side=side):
                self.assertEqual(result.status, vantor.Status.FOUND)
                self.assertEqual(side == "above", result.odds_ratio > 1)
                power = allele_power(4000, 4000, result.odds_ratio, 0.3, 5e-8)
                self.assertEqual(result.power, power)
                self.assertGreaterEqual(power, 0.8)
                closer = result.odds_ratio ** (1 - 1e-6)
                self.assertLess(allele_power(4000, 4000, closer, 0.3, 5e-8), 0.8)
        alleles = vantor.detectable_odds_ratios(4000, 4000, 0.3, count="alleles")
        self.assertEqual(alleles, found)

    def test_no_effect_is_detectable_when_the_level_is_too_strict(self):
        found = vantor.detectable_odds_ratios(1, 1, 0.3, 1e-12, 0.8)
        for result in found:
            self.assertEqual(result.status, vantor.Status.NOT_REACHABLE)
            self.assertEqual(result.reason, vantor.Reason.LEVELS_OFF_WITH_EFFECT)
            self.assertIsNone(result.odds_ratio)


# ---------------------------------------------------------------------------
# Two stages
# ---------------------------------------------------------------------------


def split_total(total, share, fraction=0.5):
    """The library's rule for a total: round(share * N) in stage 1, and
    round(fraction * n) cases in each stage, halves up."""
    stage1 = math.floor(share * total + 0.5)
    stages = (stage1, total - stage1)
    cases = tuple(math.floor(fraction * n + 0.5) for n in stages)
    return cases, tuple(n - c for n, c in zip(stages, cases))


def counts_of(result):
    return ((result.stage1_cases, result.stage2_cases),
            (result.stage1_controls, result.stage2_controls))


def power_of_counts(method, cases, controls, **levels):
    return vantor.two_stage_power(cases[0], controls[0], cases[1], controls[1], 1.3, 0.3,
                                  method=method, **levels)


class TwoStageLevels(unittest.TestCase):
    def test_replication_derives_the_final_level(self):
        # The overall level of replication is stage1_alpha * final_alpha / 2.
        result = power_of_counts("replication", (500, 1000), (500, 1000), stage1_alpha=0.01,
                                 alpha=1e-4)
        self.assertAlmostEqual(result.final_alpha, 0.02, delta=4 * math.ulp(0.02))
        self.assertEqual((result.stage1_alpha, result.alpha), (0.01, 1e-4))
        self.assertTrue(0 <= result.power <= 1)

    def test_product_final_level_meets_the_level_equation(self):
        result = power_of_counts("product", (500, 1000), (500, 1000), stage1_alpha=0.01,
                                 alpha=1e-6)
        a1 = result.final_alpha
        self.assertAlmostEqual(a1 * (1 + math.log(0.01 / a1)), 1e-6, delta=1e-9 * 1e-6)

    def test_a_tiny_effect_passes_at_about_the_overall_level(self):
        # With (almost) no association the product and joint procedures
        # reject with probability the overall level.
        for method, relative in (("product", 1e-6), ("joint", 1e-5)):
            with self.subTest(method=method):
                result = vantor.two_stage_power(500, 500, 1000, 1000, 1 + 1e-9, 0.3,
                                                stage1_alpha=0.01, alpha=1e-4, method=method)
                delta = relative * 1e-4 + PNORM_ABSOLUTE
                self.assertAlmostEqual(result.power, 1e-4, delta=delta)

    def test_power_grows_with_the_odds_ratio(self):
        for method in ("replication", "product", "joint"):
            with self.subTest(method=method):
                powers = [vantor.two_stage_power(500, 500, 1000, 1000, r, 0.3, stage1_alpha=0.01,
                                                 alpha=1e-6, method=method).power
                          for r in (1.1, 1.2, 1.4)]
                self.assertLess(powers[0], powers[1])
                self.assertLess(powers[1], powers[2])

    def test_cost_is_stage1_plus_the_share_of_stage2_that_passes(self):
        result = vantor.two_stage_power(500, 600, 1000, 1100, 1.3, 0.3, stage1_alpha=0.01,
                                        cost_ratio=3)
        self.assertEqual(result.cost, 1100 + 3 * 0.01 * 2100)
        self.assertIsNone(result.one_stage_total)
        self.assertIsNone(result.relative_cost)
        self.assertEqual(result.total, 3200)


class TwoStageDesigns(unittest.TestCase):
    def test_a_total_split_by_the_stage1_share(self):
        design = vantor.two_stage_power_of_total(1000, 0.3, 1.3, 0.3, stage1_alpha=0.01,
                                                 alpha=1e-4)
        self.assertEqual(counts_of(design), ((150, 350), (150, 350)))
        again = vantor.two_stage_power(150, 150, 350, 350, 1.3, 0.3, stage1_alpha=0.01,
                                       alpha=1e-4)
        self.assertEqual(design, again)
        unequal = vantor.two_stage_power_of_total(1001, 0.3, 1.3, 0.3, stage1_alpha=0.01,
                                                  case_fraction=0.4)
        self.assertEqual(counts_of(unequal), split_total(1001, 0.3, 0.4))

    def test_smallest_total_reaches_the_target_and_one_less_does_not(self):
        for method in ("replication", "product", "joint"):
            with self.subTest(method=method):
                result = vantor.smallest_total(0.4, 1.3, 0.3, stage1_alpha=1e-2, alpha=1e-5,
                                               method=method)
                self.assertEqual(result.status, vantor.Status.FOUND, result.message)
                cases, controls = split_total(result.total, 0.4)
                self.assertEqual(counts_of(result), (cases, controls))
                levels = dict(stage1_alpha=1e-2, alpha=1e-5)
                self.assertEqual(power_of_counts(method, cases, controls, **levels).power,
                                 result.power)
                self.assertGreaterEqual(result.power, 0.8)
                below = power_of_counts(method, *split_total(result.total - 1, 0.4), **levels)
                self.assertLess(below.power, 0.8)

    def test_people_are_two_alleles_each(self):
        people = vantor.smallest_total(0.5, 1.3, 0.3, stage1_alpha=1e-2, alpha=1e-6,
                                       method="product")
        alleles = vantor.smallest_total(0.5, 1.3, 0.3, stage1_alpha=1e-2, alpha=1e-6,
                                        method="product", count="alleles")
        self.assertLessEqual(alleles.total, 2 * people.total)
        self.assertGreaterEqual(alleles.total, 2 * people.total - 8)

    def test_cheapest_genome_wide_joint_design_saves_genotyping(self):
        design = vantor.cheapest_design(1.3, 0.3)
        self.assertEqual(design.status, vantor.Status.FOUND, design.message)
        self.assertGreaterEqual(design.power, 0.8)
        self.assertLess(design.relative_cost, 1)
        self.assertAlmostEqual(design.relative_cost, design.cost / design.one_stage_total, 12)
        one_stage = vantor.cases_for_ratio(1, 1.3, 0.3)
        self.assertEqual(design.one_stage_total, one_stage.cases + one_stage.controls)
        again = power_of_counts("joint", *counts_of(design), stage1_alpha=design.stage1_alpha)
        self.assertEqual(again.power, design.power)
        self.assertEqual(again.cost, design.cost)

    def test_budget_and_its_refusals(self):
        best = vantor.most_powerful_design(2000, 1.3, 0.3, alpha=1e-6, method="product",
                                           cost_ratio=2)
        self.assertEqual(best.status, vantor.Status.FOUND)
        self.assertLessEqual(best.cost, 2000)
        poor = vantor.most_powerful_design(1.5, 1.3, 0.3, alpha=1e-6, method="product")
        self.assertEqual((poor.status, poor.reason),
                         (vantor.Status.NOT_REACHABLE, vantor.Reason.BUDGET_TOO_SMALL))
        self.assertIsNone(poor.power)
        for call, reason, argument in (
            (lambda: vantor.most_powerful_design(-1, 1.3, 0.3), "BAD_BUDGET", "budget"),
            (lambda: vantor.cheapest_design(1.3, 0.3, cost_ratio=0), "BAD_COST_RATIO",
             "cost_ratio"),
            (lambda: vantor.cheapest_design(1.3, 0.3, method="both"), "BAD_METHOD", "method"),
            (lambda: vantor.smallest_total(0.5, 1.3, 0.3, stage1_alpha=5e-8),
             "BAD_STAGE1_ALPHA", "stage1_alpha"),
            (lambda: vantor.smallest_total(1, 1.3, 0.3, stage1_alpha=1e-3),
             "BAD_STAGE1_SHARE", "stage1_share"),
            (lambda: vantor.smallest_total(0.5, 1.3, 0.3, stage1_alpha=1e-3, case_fraction=0),
             "BAD_CASE_FRACTION", "case_fraction"),
            (lambda: vantor.cheapest_design(1.3, 0.3, alpha=0.3), "BAD_DESIGN_ALPHA", "alpha"),
            (lambda: vantor.two_stage_power_of_total(0, 0.5, 1.3, 0.3, stage1_alpha=1e-3),
             "BAD_CASES", "total"),
        ):
            with self.subTest(reason=reason), self.assertRaises(vantor.InputError) as caught:
                call()
            self.assertEqual((caught.exception.reason.name, caught.exception.argument),
                             (reason, argument))

    def test_joint_analysis_of_unbalanced_stages_answers_without_a_warning(self):
        result = vantor.smallest_total(0.5, 1.3, 0.3, stage1_alpha=1e-2, alpha=1e-4,
                                       case_fraction=0.4)
        self.assertEqual(result.status, vantor.Status.FOUND)


# ---------------------------------------------------------------------------
# The unpooled variance against its closed form
# ---------------------------------------------------------------------------


def unpooled_tails(case_alleles, control_alleles, odds_ratio, control_rate, alpha):
    """The unpooled statistic's rejection probabilities upwards and downwards
    from their closed forms with Python's own normal distribution:
    Phi(d/s - c) and Phi(-d/s - c), s from each group's own rate, c the upper
    alpha/2 quantile."""
    odds = odds_ratio * control_rate / (1 - control_rate)
    case_rate = odds / (1 + odds)
    difference = case_rate - control_rate
    error = math.sqrt(case_rate * (1 - case_rate) / case_alleles
                      + control_rate * (1 - control_rate) / control_alleles)
    c = statistics.NormalDist().inv_cdf(1 - alpha / 2)

    def phi(x):
        return 0.5 * math.erfc(-x / math.sqrt(2))

    return phi(difference / error - c), phi(-difference / error - c)


def unpooled_power(case_alleles, control_alleles, odds_ratio, control_rate, alpha):
    """The unpooled statistic's power: both tails."""
    return sum(unpooled_tails(case_alleles, control_alleles, odds_ratio, control_rate, alpha))


# (case alleles, control alleles, odds ratio, control rate, alpha)
UNPOOLED_DESIGNS = [
    (4000, 4000, 1.3, 0.3, 5e-8),   # 2,000 + 2,000 people
    (2000, 8000, 1.3, 0.3, 5e-8),   # 1,000 cases + 4,000 controls
    (3000, 1500, 0.8, 0.45, 1e-4),
    (500, 2000, 1.5, 0.1, 0.05),
]


class UnpooledVariance(unittest.TestCase):
    def test_single_stage_power_is_the_closed_form(self):
        for design in UNPOOLED_DESIGNS:
            with self.subTest(design=design):
                power = vantor.single_stage_power(*design, count="alleles",
                                                  variance="unpooled").power
                self.assertAlmostEqual(power, unpooled_power(*design), delta=1e-8)

    def test_pooled_is_the_default(self):
        for design in SINGLE_DESIGNS:
            self.assertEqual(vantor.single_stage_power(*design, variance="pooled"),
                             vantor.single_stage_power(*design))

    def test_solved_sizes_and_effects_reach_the_target_by_the_closed_form(self):
        size = vantor.cases_for_ratio(4, 1.3, 0.3, variance="unpooled")
        self.assertEqual(size.status, vantor.Status.FOUND, size.message)
        self.assertGreaterEqual(
            unpooled_power(2 * size.cases, 2 * size.controls, 1.3, 0.3, 5e-8), 0.8)
        fewer = size.cases - 1
        self.assertLess(unpooled_power(2 * fewer, 2 * 4 * fewer, 1.3, 0.3, 5e-8), 0.8)
        self.assertNotEqual(vantor.cases_for_ratio(4, 1.3, 0.3).cases, size.cases)
        controls = vantor.controls_for_cases(3000, 1.3, 0.3, variance="unpooled")
        self.assertGreaterEqual(
            unpooled_power(6000, 2 * controls.controls, 1.3, 0.3, 5e-8), 0.8)
        self.assertLess(unpooled_power(6000, 2 * controls.controls - 2, 1.3, 0.3, 5e-8), 0.8)
        effect = vantor.detectable_odds_ratios(1000, 4000, 0.3, variance="unpooled")
        for found in effect:
            self.assertEqual(found.status, vantor.Status.FOUND, found.message)
            self.assertAlmostEqual(
                unpooled_power(2000, 8000, found.odds_ratio, 0.3, 5e-8), 0.8, delta=1e-8)

    def test_replication_takes_both_stages_in_one_direction(self):
        cases, controls = (600, 900), (1200, 1800)
        for odds_ratio, alpha in ((1.3, 5e-8), (1.02, 1e-3), (1 + 1e-9, 1e-3)):
            with self.subTest(odds_ratio=odds_ratio):
                result = vantor.two_stage_power(cases[0], controls[0], cases[1], controls[1],
                                                odds_ratio, 0.3, method="replication",
                                                stage1_alpha=1e-2, alpha=alpha,
                                                variance="unpooled")
                up0, down0 = unpooled_tails(2 * cases[0], 2 * controls[0], odds_ratio, 0.3,
                                            result.stage1_alpha)
                up1, down1 = unpooled_tails(2 * cases[1], 2 * controls[1], odds_ratio, 0.3,
                                            result.final_alpha)
                self.assertAlmostEqual(result.power, up0 * up1 + down0 * down1, delta=1e-8)
        # With next to no effect: the overall level, not twice it.
        self.assertAlmostEqual(result.power, 1e-3, delta=2 * PNORM_ABSOLUTE)
        for method in ("product", "joint"):
            with self.subTest(method=method):
                either = [power_of_counts(method, cases, controls, stage1_alpha=1e-3,
                                          variance=variance).power
                          for variance in ("pooled", "unpooled")]
                self.assertEqual(either[0], either[1])

    def test_design_searches_take_the_variance(self):
        pooled = vantor.smallest_total(0.5, 1.3, 0.3, stage1_alpha=1e-3, method="replication",
                                       case_fraction=0.2)
        unpooled = vantor.smallest_total(0.5, 1.3, 0.3, stage1_alpha=1e-3, method="replication",
                                         case_fraction=0.2, variance="unpooled")
        self.assertEqual(unpooled.status, vantor.Status.FOUND, unpooled.message)
        self.assertGreater(unpooled.total, pooled.total)
        cheapest = vantor.cheapest_design(1.3, 0.3, method="replication", case_fraction=0.2,
                                          variance="unpooled")
        one_stage = vantor.cases_for_ratio(4, 1.3, 0.3, variance="unpooled")
        self.assertEqual(cheapest.one_stage_total, one_stage.cases + one_stage.controls)
        best = vantor.most_powerful_design(5000, 1.3, 0.3, method="replication",
                                           variance="unpooled")
        self.assertEqual(best.status, vantor.Status.FOUND, best.message)

    def test_another_variance_is_refused_in_the_librarys_words(self):
        for function, call in GOOD_CALLS.items():
            for variance in ("Pooled", "wald", 1, None, ["pooled"]):
                with self.subTest(function=function.__name__, variance=variance):
                    with self.assertRaises(ValueError) as caught:
                        function(**dict(call, variance=variance))
                    self.assertEqual(caught.exception.reason, vantor.Reason.BAD_STATISTIC)
                    self.assertEqual(str(caught.exception), "variance: " + library_message(
                        vantor.Reason.BAD_STATISTIC))


# ---------------------------------------------------------------------------
# The disease model: passed through to the library's questions bit for bit
# ---------------------------------------------------------------------------


class DISModel(ctypes.Structure):
    # DIS_model of power/disease_model.h.
    _fields_ = [("frequency", ctypes.c_double), ("prevalence", ctypes.c_double),
                ("model", ctypes.c_int32), ("controls", ctypes.c_int32),
                ("relative_risk", ctypes.c_double), ("heterozygote_risk", ctypes.c_double),
                ("homozygote_risk", ctypes.c_double), ("ld_kind", ctypes.c_int32),
                ("reserved", ctypes.c_int32), ("marker_frequency", ctypes.c_double),
                ("ld", ctypes.c_double)]


class DISMarker(ctypes.Structure):
    # DIS_marker of power/disease_model.h.
    _fields_ = [("cases", ctypes.c_double * 3), ("controls", ctypes.c_double * 3),
                ("case_rate", ctypes.c_double), ("control_rate", ctypes.c_double),
                ("odds_ratio", ctypes.c_double)]


class AllelicEffect(ctypes.Structure):
    _fields_ = [("odds_ratio", ctypes.c_double), ("control_rate", ctypes.c_double)]


class Effect(ctypes.Union):
    _fields_ = [("allelic", AllelicEffect), ("disease", DISModel)]


class STUStudy(ctypes.Structure):
    # STU_study of power/study.h.
    _fields_ = [("size", ctypes.c_int32), ("effect_kind", ctypes.c_int32), ("effect", Effect),
                ("statistic", ctypes.c_int32), ("unit", ctypes.c_int32),
                ("alpha", ctypes.c_double), ("method", ctypes.c_int32),
                ("alpha0", ctypes.c_double), ("case_fraction", ctypes.c_double),
                ("test", ctypes.c_int32), ("markers", ctypes.c_double)]


MARKER_FIELDS = [("marker_alpha", ctypes.c_double), ("marker_case_rate", ctypes.c_double),
                 ("marker_control_rate", ctypes.c_double), ("marker_odds_ratio", ctypes.c_double)]


class STUPowerResult(ctypes.Structure):
    _fields_ = [("status", ctypes.c_int32), ("reason", ctypes.c_int32),
                ("power", ctypes.c_double)] + MARKER_FIELDS


class STUSizeResult(ctypes.Structure):
    _fields_ = [("status", ctypes.c_int32), ("reason", ctypes.c_int32),
                ("cases", ctypes.c_int64), ("controls", ctypes.c_int64),
                ("power", ctypes.c_double), ("evaluations", ctypes.c_int32)] + MARKER_FIELDS


class STURiskResult(ctypes.Structure):
    _fields_ = [("status", ctypes.c_int32), ("reason", ctypes.c_int32),
                ("relative_risk", ctypes.c_double), ("power", ctypes.c_double),
                ("evaluations", ctypes.c_int32)] + MARKER_FIELDS


REC_RISK_RESULT, REC_DISEASE_MODEL = 6, 7
STU_EFFECT_DISEASE = 2
LD_KINDS = {None: 0, "d_prime": 1, "r_squared": 2}  # DIS_MARKER_IS_CAUSAL, DIS_LD_*


def c_function(name: str, restype, *argtypes):
    """A function of the module's library handle, declared for this test's
    own records (a prototype of its own: the module's declarations stand)."""
    return ctypes.CFUNCTYPE(restype, *argtypes)((name, library()))


class ModelFunctions:
    def __init__(self):
        i32, i64, f64 = ctypes.c_int32, ctypes.c_int64, ctypes.c_double
        study = ctypes.POINTER(STUStudy)
        self.DIS_model_init = c_function("DIS_model_init", None, ctypes.POINTER(DISModel))
        self.DIS_marker_of = c_function("DIS_marker_of", i32, ctypes.POINTER(DISModel),
                                        ctypes.POINTER(DISMarker))
        self.STU_study_init = c_function("STU_study_init", None, study)
        self.STU_power = c_function("STU_power", i32, study, i64, i64,
                                    ctypes.POINTER(STUPowerResult))
        self.STU_cases_for_ratio = c_function("STU_cases_for_ratio", i32, study, f64, f64,
                                              ctypes.POINTER(STUSizeResult))
        self.STU_controls_for_cases = c_function("STU_controls_for_cases", i32, study, i64, f64,
                                                 ctypes.POINTER(STUSizeResult))
        self.STU_relative_risk = c_function("STU_relative_risk", i32, study, i64, i64, f64, i32,
                                            ctypes.POINTER(STURiskResult))
        self.REC_record_size = c_function("REC_record_size", i32, i32)


_model_functions = []


def model_functions() -> ModelFunctions:
    if not _model_functions:
        _model_functions.append(ModelFunctions())
    return _model_functions[0]


def c_model(d: dict) -> DISModel:
    """The test's own DIS_model of a disease model given by keywords."""
    model = DISModel()
    model_functions().DIS_model_init(ctypes.byref(model))
    model.frequency, model.prevalence = d["frequency"], d["prevalence"]
    model.model = vantor.choice_words("model")[d.get("model", "multiplicative")]
    model.relative_risk = d.get("relative_risk", math.nan)
    for kind in ("d_prime", "r_squared"):
        if kind in d:
            model.ld_kind, model.ld = LD_KINDS[kind], d[kind]
    model.marker_frequency = d.get("marker_frequency", math.nan)
    return model


def c_study(d: dict, alpha, markers=1, test="allelic", variance="pooled") -> STUStudy:
    study = STUStudy()
    model_functions().STU_study_init(ctypes.byref(study))
    study.effect_kind = STU_EFFECT_DISEASE
    study.effect.disease = c_model(d)
    study.alpha, study.markers = alpha, markers
    study.test = vantor.choice_words("test")[test]
    study.statistic = statistic_code(variance)
    return study


def marker_of(d: dict) -> DISMarker:
    marker = DISMarker()
    reason = model_functions().DIS_marker_of(ctypes.byref(c_model(d)), ctypes.byref(marker))
    return marker if reason == 0 else None


def random_models(count: int, seed: int):
    """Valid one-parameter models with a random test, markers and level."""
    draw = random.Random(seed)
    while count:
        d = dict(frequency=draw.uniform(0.05, 0.5), prevalence=10 ** draw.uniform(-3, -0.5),
                 model=draw.choice(["multiplicative", "additive", "dominant", "recessive"]),
                 relative_risk=draw.choice([draw.uniform(1.05, 2.5), draw.uniform(0.6, 0.95)]))
        if draw.random() < 0.5:
            d[draw.choice(["d_prime", "r_squared"])] = draw.uniform(0.3, 1)
            d["marker_frequency"] = draw.uniform(0.05, 0.5)
        if marker_of(d) is None:
            continue
        count -= 1
        markers = draw.choice([1, 1000, 1e6])
        lowest = -9 if markers == 1 else -5  # per-marker levels from 1e-12
        yield d, dict(markers=markers, alpha=draw.choice([None, 10 ** draw.uniform(lowest, -1.5)]),
                      test=draw.choice(list(vantor.choice_words("test"))),
                      variance=draw.choice(["pooled", "unpooled"]),
                      cases=draw.randint(200, 20000), controls=draw.randint(200, 20000),
                      target_power=draw.uniform(0.5, 0.95))


def marker_values(raw) -> tuple:
    return tuple(getattr(raw, name) for name, _ in MARKER_FIELDS)


def our_marker_values(result) -> tuple:
    return tuple(getattr(result, name) for name, _ in MARKER_FIELDS)


class DiseaseModelBitForBit(unittest.TestCase):
    def setUp(self):
        self.lib = model_functions()

    def test_the_tests_copies_of_the_records_have_the_librarys_sizes(self):
        for record, copy in ((REC_STUDY, STUStudy), (REC_POWER_RESULT, STUPowerResult),
                             (REC_SIZE_RESULT, STUSizeResult), (REC_RISK_RESULT, STURiskResult),
                             (REC_DISEASE_MODEL, DISModel)):
            self.assertEqual(ctypes.sizeof(copy), self.lib.REC_record_size(record))

    def options(self, d: dict, o: dict) -> tuple:
        """The module's arguments and the test's own study for one draw."""
        if o["test"] == "genotypic":
            o = dict(o, variance="pooled")
        alpha = vantor.default_alpha(o["markers"]) if o["alpha"] is None else o["alpha"]
        keywords = dict(d, markers=o["markers"], test=o["test"], variance=o["variance"])
        if o["alpha"] is not None:
            keywords["alpha"] = o["alpha"]
        return keywords, c_study(d, alpha, o["markers"], o["test"], o["variance"])

    def test_power_and_what_the_marker_sees_are_the_librarys(self):
        for d, o in random_models(200, 2026120801):
            keywords, study = self.options(d, o)
            with self.subTest(model=d, options=o):
                raw = STUPowerResult()
                self.lib.STU_power(ctypes.byref(study), o["cases"], o["controls"],
                                   ctypes.byref(raw))
                ours = vantor.single_stage_power(o["cases"], o["controls"], **keywords)
                self.assertEqual((int(ours.status), int(ours.reason)), (raw.status, raw.reason))
                self.assertEqual((ours.power, *our_marker_values(ours)),
                                 (raw.power, *marker_values(raw)))

    def test_sizes_are_the_librarys(self):
        for d, o in random_models(40, 2026120802):
            keywords, study = self.options(d, o)
            with self.subTest(model=d, options=o):
                raw = STUSizeResult()
                self.lib.STU_cases_for_ratio(ctypes.byref(study), 1.5, o["target_power"],
                                             ctypes.byref(raw))
                ours = vantor.cases_for_ratio(1.5, target_power=o["target_power"], **keywords)
                self.assertEqual((int(ours.status), ours.evaluations), (raw.status,
                                                                        raw.evaluations))
                if raw.status in (0, 1):
                    self.assertEqual((ours.cases, ours.controls, ours.power),
                                     (raw.cases, raw.controls, raw.power))
                    self.assertEqual(our_marker_values(ours), marker_values(raw))
                raw = STUSizeResult()
                self.lib.STU_controls_for_cases(ctypes.byref(study), o["cases"],
                                                o["target_power"], ctypes.byref(raw))
                ours = vantor.controls_for_cases(o["cases"], target_power=o["target_power"],
                                                 **keywords)
                self.assertEqual((int(ours.status), ours.controls or 0, ours.evaluations),
                                 (raw.status, raw.controls, raw.evaluations))

    def test_detectable_relative_risks_are_the_librarys(self):
        directions = vantor.choice_words("direction")
        for d, o in random_models(30, 2026120803):
            d = {k: v for k, v in d.items() if k != "relative_risk"}
            keywords, study = self.options(d, o)
            with self.subTest(model=d, options=o):
                found = vantor.detectable_relative_risks(
                    o["cases"], o["controls"], target_power=o["target_power"], **keywords)
                for side, ours in zip(found._fields, found):
                    raw = STURiskResult()
                    self.lib.STU_relative_risk(ctypes.byref(study), o["cases"], o["controls"],
                                               o["target_power"], directions[side],
                                               ctypes.byref(raw))
                    self.assertEqual((int(ours.status), int(ours.reason), ours.evaluations),
                                     (raw.status, raw.reason, raw.evaluations))
                    if raw.status in (0, 1):
                        self.assertEqual((ours.relative_risk, ours.power),
                                         (raw.relative_risk, raw.power))
                        self.assertEqual(our_marker_values(ours), marker_values(raw))

    def test_the_default_level_is_the_librarys_for_the_markers(self):
        self.assertEqual(vantor.default_alpha(), vantor.DEFAULT_ALPHA)
        self.assertEqual(vantor.default_alpha(1e6), 0.05)
        for markers in (1, 1000, 1e6):
            with self.subTest(markers=markers):
                ours = vantor.single_stage_power(1000, 2000, markers=markers, **MODEL)
                self.assertEqual(ours.marker_alpha, vantor.default_alpha(markers) / markers)
                given = vantor.single_stage_power(1000, 2000, markers=markers,
                                                  alpha=vantor.default_alpha(markers), **MODEL)
                self.assertEqual(ours, given)


def grid_models():
    """4 models x prevalences 0.001-0.3 x frequencies 0.05-0.5 x relative
    risks 1.1-2, the marker causal or at r^2 0.5; the valid ones."""
    for model in ("multiplicative", "additive", "dominant", "recessive"):
        for prevalence in (0.001, 0.01, 0.1, 0.3):
            for frequency in (0.05, 0.2, 0.5):
                for relative_risk in (1.1, 1.5, 2.0):
                    for linkage in ({}, {"r_squared": 0.5}):
                        d = dict(frequency=frequency, prevalence=prevalence, model=model,
                                 relative_risk=relative_risk, **linkage)
                        if marker_of(d) is not None:
                            yield d


class TwoStagesOfADiseaseModel(unittest.TestCase):
    """A disease model enters the two-stage questions as the odds ratio and
    control rate at its marker, bit for bit."""

    def test_two_stage_power_is_the_power_of_the_implied_effect(self):
        methods = list(vantor.choice_words("method"))
        tried = 0
        for index, d in enumerate(grid_models()):
            marker = marker_of(d)
            implied = dict(odds_ratio=marker.odds_ratio, control_rate=marker.control_rate)
            levels = dict(stage1_alpha=1e-3, alpha=1e-6, method=methods[index % 3])
            with self.subTest(model=d, method=levels["method"]):
                self.assertEqual(vantor.two_stage_power(800, 1200, 1500, 2500, **d, **levels),
                                 vantor.two_stage_power(800, 1200, 1500, 2500, **implied,
                                                        **levels))
                self.assertEqual(
                    vantor.two_stage_power_of_total(9000, 0.35, **d, **levels, cost_ratio=2),
                    vantor.two_stage_power_of_total(9000, 0.35, **implied, **levels,
                                                    cost_ratio=2))
            tried += 1
        self.assertGreater(tried, 250)

    def test_design_searches_are_those_of_the_implied_effect(self):
        for d in list(grid_models())[::23]:
            marker = marker_of(d)
            implied = dict(odds_ratio=marker.odds_ratio, control_rate=marker.control_rate)
            with self.subTest(model=d):
                self.assertEqual(vantor.smallest_total(0.4, **d, stage1_alpha=1e-3),
                                 vantor.smallest_total(0.4, **implied, stage1_alpha=1e-3))
                self.assertEqual(vantor.cheapest_design(**d, method="product"),
                                 vantor.cheapest_design(**implied, method="product"))
                self.assertEqual(vantor.most_powerful_design(4000, **d),
                                 vantor.most_powerful_design(4000, **implied))

    def test_markers_divide_the_overall_level(self):
        d = dict(MODEL)
        marker = marker_of(d)
        implied = dict(odds_ratio=marker.odds_ratio, control_rate=marker.control_rate)
        many = vantor.two_stage_power(800, 1200, 1500, 2500, **d, stage1_alpha=1e-3,
                                      markers=1e6)
        one = vantor.two_stage_power(800, 1200, 1500, 2500, **implied, stage1_alpha=1e-3,
                                     alpha=0.05 / 1e6)
        self.assertEqual(many, one)


class DiseaseModelAgainstItsAlgebra(unittest.TestCase):
    def test_rates_at_a_causal_marker_are_the_penetrance_weighted_genotypes(self):
        # f_g = f_0 RR_g with f_0 = K / sum P(g) RR_g; cases P(g) f_g / K,
        # unaffected controls P(g) (1 - f_g) / (1 - K), population P(g).
        risks = {"multiplicative": lambda r: (1, r, r * r), "additive": lambda r: (1, r, 2 * r - 1),
                 "dominant": lambda r: (1, r, r), "recessive": lambda r: (1, 1, r)}
        for d in (g for g in grid_models() if "r_squared" not in g):
            p, k, rr = d["frequency"], d["prevalence"], risks[d["model"]](d["relative_risk"])
            genotypes = ((1 - p) ** 2, 2 * p * (1 - p), p * p)
            f0 = k / sum(g * r for g, r in zip(genotypes, rr))
            cases = [g * f0 * r / k for g, r in zip(genotypes, rr)]
            unaffected = [g * (1 - f0 * r) / (1 - k) for g, r in zip(genotypes, rr)]
            for kind, controls in (("unaffected", unaffected), ("population", genotypes)):
                with self.subTest(model=d, controls_kind=kind):
                    result = vantor.single_stage_power(1000, 1000, **d, controls_kind=kind)
                    self.assertAlmostEqual(result.marker_case_rate, cases[1] / 2 + cases[2],
                                           delta=1e-14)
                    self.assertAlmostEqual(result.marker_control_rate,
                                           controls[1] / 2 + controls[2], delta=1e-14)

    def test_the_geneticists_example(self):
        # The relative risk is not the odds ratio: typing 1.5 as an odds ratio
        # undersells the study.
        model = vantor.single_stage_power(1000, 2000, frequency=0.2, prevalence=0.1,
                                          relative_risk=1.5)
        typed = vantor.single_stage_power(1000, 2000, odds_ratio=1.5, control_rate=0.2)
        self.assertGreater(model.power, 0.93)
        self.assertLess(typed.power, 0.85)
        tagged = vantor.single_stage_power(1000, 2000, frequency=0.2, prevalence=0.1,
                                           relative_risk=1.5, r_squared=0.8)
        self.assertLess(tagged.power, model.power)


# The keys of a row's disease-model study, as the page's test reads them.
PAGE_DM_KEYS = {"frequency", "prevalence", "model", "relative_risk", "r_squared", "markers",
                "alpha", "test", "cases", "controls", "target", "method", "stage1_alpha",
                "power", "size_cases", "size_power", "two_power", "two_final_alpha"}


class PageValues(unittest.TestCase):
    """web/test/native_values.py, run as the page's test runs it: the first
    300 rows carry a disease-model study whose answers are the library's."""

    def test_disease_model_rows_are_the_librarys_answers(self):
        run = subprocess.run(
            [sys.executable, "-B", os.path.join(ROOT, "web", "test", "native_values.py")],
            env=dict(os.environ, PYTHONPATH=os.path.dirname(os.path.abspath(vantor.__file__))),
            capture_output=True, text=True, timeout=300, check=False)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        rows = json.loads(run.stdout)
        self.assertEqual(sum("dm" in row for row in rows), 300)
        self.assertTrue(all("dm" in row for row in rows[:300]))
        lib = model_functions()
        for dm in (row["dm"] for row in rows[:300:7]):
            with self.subTest(dm=dm):
                self.assertEqual(set(dm), PAGE_DM_KEYS)
                model = {k: dm[k] for k in ("frequency", "prevalence", "model", "relative_risk")}
                if dm["r_squared"] is not None:
                    model["r_squared"] = dm["r_squared"]
                study = c_study(model, dm["alpha"], dm["markers"], dm["test"])
                raw = STUPowerResult()
                lib.STU_power(ctypes.byref(study), dm["cases"], dm["controls"], ctypes.byref(raw))
                self.assertEqual(dm["power"], raw.power)
                size = STUSizeResult()
                lib.STU_cases_for_ratio(ctypes.byref(study), 1.0, dm["target"],
                                        ctypes.byref(size))
                self.assertEqual((dm["size_cases"], dm["size_power"]), (size.cases, size.power))
                self.assertEqual(dm["alpha"], vantor.default_alpha(dm["markers"]))


def python_with_numpy() -> str:
    """An interpreter that has numpy: this one, or Debian's."""
    for candidate in (sys.executable, "/usr/bin/python3"):
        if not os.access(candidate, os.X_OK):
            continue
        probe = subprocess.run([candidate, "-c", "import numpy"], capture_output=True,
                               check=False)
        if probe.returncode == 0:
            return candidate
    return ""


class GenotypeTestsSimulated(unittest.TestCase):
    """examples/genotype_monte_carlo.py run as a user runs it, with fewer
    replicates: the trend, dominant and recessive tests reject as often as
    their power says, within 4 standard errors + 0.005 (the allelic and
    genotypic tests' gaps are measured in docs/simulation.md, not held)."""

    def test_score_tests_reject_as_often_as_their_power_says(self):
        python = python_with_numpy()
        if not python:
            self.skipTest("no Python with numpy")
        run = subprocess.run(
            [python, "-B", os.path.join(ROOT, "examples", "genotype_monte_carlo.py"),
             "--replicates", "20000", "--seed", "7"],
            env=dict(os.environ, PYTHONPATH=os.path.dirname(os.path.abspath(vantor.__file__))),
            capture_output=True, text=True, timeout=120, check=False)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        rows = [[cell.strip() for cell in line.strip("|").split("|")]
                for line in run.stdout.splitlines() if re.match(r"\| [a-z]+ \| \d", line)]
        self.assertEqual(len(rows), 4 * 2 * 2 * 5)
        for model, size, alpha, test, simulated, module, _, error in rows:
            cases, controls = (int(n) for n in size.split(" + "))
            with self.subTest(model=model, size=size, alpha=alpha, test=test):
                power = vantor.single_stage_power(
                    cases, controls, alpha=float(alpha), test=test, model=model,
                    **next(dict(frequency=p, prevalence=k, relative_risk=r)
                           for m, p, k, r in SIMULATED_MODELS if m == model)).power
                self.assertEqual(module, f"{power:.4f}")
                if test in ("trend", "dominant", "recessive"):
                    self.assertLessEqual(abs(float(simulated) - power),
                                         4 * float(error) + 0.005 + 1e-4)


# The example's models, read from it without importing numpy here.
with open(os.path.join(ROOT, "examples", "genotype_monte_carlo.py"), encoding="utf-8") as _source:
    SIMULATED_MODELS = ast.literal_eval(
        re.search(r"^MODELS = (\[.*?\n\])", _source.read(), re.S | re.M).group(1))


# (keywords replacing those of MODEL, the function, the reason, the argument named)
REFUSED_MODELS = [
    (dict(frequency=0), None, "BAD_FREQUENCY", "frequency"),
    (dict(prevalence=1), None, "BAD_PREVALENCE", "prevalence"),
    (dict(prevalence=None), None, "BAD_PREVALENCE", "prevalence"),
    (dict(model="codominant"), None, "BAD_MODEL", "model"),
    (dict(relative_risk=-1), None, "BAD_RELATIVE_RISK", "relative_risk"),
    (dict(model="additive", relative_risk=0.4), None, "NEGATIVE_RISK", "relative_risk"),
    (dict(frequency=0.5, prevalence=0.3, relative_risk=30), None, "RISK_ABOVE_ONE",
     "relative_risk"),
    (dict(model="free", heterozygote_risk=1.2), None, "BAD_RELATIVE_RISK", "relative_risk"),
    (dict(controls_kind="cases"), None, "BAD_CONTROLS_KIND", "controls_kind"),
    (dict(marker_frequency=1.5), None, "BAD_MARKER_FREQUENCY", "marker_frequency"),
    (dict(marker_frequency=None), None, "BAD_MARKER_FREQUENCY", "marker_frequency"),
    (dict(r_squared=1.2), None, "BAD_LD", "r_squared"),
    (dict(r_squared=0.99), None, "LD_BEYOND_FREQUENCIES", "r_squared"),
    (dict(test="trend", count="alleles"), None, "GENOTYPE_TEST_COUNTS_PEOPLE", "count"),
    (dict(test="genotypic", variance="unpooled"), None, "GENOTYPIC_ONE_STATISTIC", "variance"),
    (dict(test="logistic"), None, "BAD_TEST", "test"),
    (dict(markers=0.5), None, "BAD_MARKERS", "markers"),
    (dict(markers=1e12), None, "BAD_MARKER_ALPHA", "alpha"),
    (dict(test="trend"), "two_stage", "TWO_STAGES_NEED_ALLELIC", "test"),
    (dict(model="free"), "risks", "NO_SINGLE_RISK", "model"),
]


class RefusedModels(unittest.TestCase):
    def call(self, which, replaced: dict):
        d = dict(MODEL, **replaced)
        if which == "two_stage":
            return vantor.two_stage_power(500, 500, 1000, 1000, stage1_alpha=1e-3, **d)
        if which == "risks":
            d = {k: v for k, v in d.items() if k != "relative_risk"}
            return vantor.detectable_relative_risks(1000, 1000, **d)
        return vantor.single_stage_power(1000, 1000, **d)

    def test_each_invalid_model_is_refused_with_its_reason_naming_the_input(self):
        for replaced, which, reason, argument in REFUSED_MODELS:
            with self.subTest(replaced=replaced):
                with self.assertRaises(vantor.InputError) as caught:
                    self.call(which, replaced)
                error = caught.exception
                self.assertEqual((error.reason.name, error.argument), (reason, argument))
                self.assertEqual(str(error), f"{argument}: {library_message(error.reason)}")

    def test_d_prime_is_named_as_given(self):
        d = {k: v for k, v in MODEL.items() if k != "r_squared"}
        with self.assertRaises(vantor.InputError) as caught:
            vantor.single_stage_power(1000, 1000, **d, d_prime=-0.1)
        self.assertEqual((caught.exception.reason.name, caught.exception.argument),
                         ("BAD_LD", "d_prime"))

    def test_a_genotype_test_needs_a_model(self):
        with self.assertRaises(vantor.InputError) as caught:
            vantor.single_stage_power(1000, 1000, 1.3, 0.3, test="trend")
        self.assertEqual((caught.exception.reason.name, caught.exception.argument),
                         ("TEST_NEEDS_MODEL", "test"))

    def test_one_effect_and_one_marker_description(self):
        for call in (
            lambda: vantor.single_stage_power(1000, 1000, 1.3, 0.3, frequency=0.2),
            lambda: vantor.cases_for_ratio(1, odds_ratio=1.3, **MODEL),
            lambda: vantor.smallest_total(0.4, control_rate=0.3, model="dominant",
                                          stage1_alpha=1e-3),
            lambda: vantor.single_stage_power(1000, 1000, **dict(MODEL, d_prime=0.5)),
            lambda: vantor.single_stage_power(1000, 1000, frequency=0.2, prevalence=0.1,
                                              relative_risk=1.5, marker_frequency=0.3),
        ):
            with self.assertRaises(ValueError) as caught:
                call()
            self.assertNotIsInstance(caught.exception, vantor.InputError)
        with self.assertRaises(TypeError):
            vantor.single_stage_power(1000, 1000)
        with self.assertRaises(TypeError):
            vantor.single_stage_power(1000, 1000, **dict(MODEL, ld=0.5))


# ---------------------------------------------------------------------------
# Processes, threads, reports, the library
# ---------------------------------------------------------------------------


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
    def test_the_librarys_reports_are_counted_not_printed(self):
        # A level of 0 asks for the quantile of probability 0 exactly once.
        # The questions refuse such a level; the library's own power function
        # still reports it, through the hook the module installed.
        code = (
            "import ctypes, vantor, test_vantor\n"
            "vantor.load_library()\n"
            "vantor._reports.counts = {}\n"
            "design = test_vantor.PWRDesign()\n"
            "design.sample_size[0][0] = design.sample_size[0][1] = 1000\n"
            "design.odds_ratio, design.control_rate = 1.5, 0.3\n"
            "test_vantor.raw_functions().PWR_single_step_power(ctypes.byref(design), 0, 0)\n"
            "print(vantor._reports.counts)\n"
        )
        run = run_python(code)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "{'MIN_FLAG': 1}\n")

    def test_questions_at_genome_wide_levels_do_not_warn(self):
        for alpha in ("1e-4", "5e-8", "1e-9"):
            for method in ("replication", "product", "joint"):
                run = run_python(WARNINGS_OF_A_CALL.format(
                    call=f"vantor.two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3, "
                         f"stage1_alpha=0.01, alpha={alpha}, method={method!r})"))
                self.assertEqual((run.returncode, run.stdout), (0, ""), run.stderr)


class Threads(unittest.TestCase):
    def test_concurrent_calls_give_what_the_same_calls_give_alone(self):
        # ctypes releases the interpreter lock during each call, so these run
        # in the library at the same time.
        requests = [
            ("joint", 500, 500, 1000, 1000, 1.3, 0.3, 0.01, 1e-4),
            ("joint", 250, 250, 250, 250, 1.5, 0.3, 0.05, 1e-4),
            ("product", 250, 250, 250, 250, 1.5, 0.3, 0.01, 1e-3),
            ("replication", 500, 500, 1000, 1000, 1.3, 0.3, 0.01, 1e-4),
        ] * 4

        def ask(request):
            method, *counts, odds_ratio, rate, stage1_alpha, alpha = request
            return vantor.two_stage_power(*counts, odds_ratio, rate, stage1_alpha=stage1_alpha,
                                          alpha=alpha, method=method)

        alone = [ask(request) for request in requests]
        with ThreadPoolExecutor(max_workers=4) as pool:
            together = list(pool.map(ask, requests))
        self.assertEqual(together, alone)


class LibraryIdentity(unittest.TestCase):
    def test_version_is_the_project_version(self):
        with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
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


class ReadmeExamples(unittest.TestCase):
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
                name = f"{os.path.basename(page)} session {sessions}"
                runner.run(parser.get_doctest(session, {"vantor": vantor}, name, page, 0))
                sessions += 1
        self.assertGreaterEqual(sessions, 4)
        self.assertEqual(runner.summarize(verbose=False).failed, 0)

    def test_the_modules_own_example(self):
        import doctest

        self.assertEqual(doctest.testmod(vantor).failed, 0)


class LibraryLookup(unittest.TestCase):
    def run_with_library(self, path: str) -> subprocess.CompletedProcess:
        code = (
            "import vantor\n"
            "try:\n"
            "    vantor.single_stage_power(10, 10, 1.2, 0.3)\n"
            "except vantor.LibraryNotFoundError as error:\n"
            "    print('not found:', isinstance(error, OSError))\n"
        )
        return run_python(code, VANTOR_LIBRARY=path)

    def test_a_missing_library_raises_an_os_error(self):
        run = self.run_with_library("/nonexistent/libvantor.so")
        self.assertEqual(run.stdout, "not found: True\n")

    def test_a_library_without_the_power_functions_is_refused(self):
        # The C library is loadable but has no vantor symbols.
        run = self.run_with_library(ctypes.util.find_library("c") or "libc.so.6")
        self.assertEqual(run.stdout, "not found: True\n")


if __name__ == "__main__":
    unittest.main()
