"""Power of case-control genetic association studies, from Python.

A thin layer over the shared vantor library, using only the standard library
(ctypes). The library is looked for, in this order:

1. the file named by the environment variable ``VANTOR_LIBRARY``;
2. beside this module;
3. in ``build/`` of the source tree this module sits in;
4. in ``lib/`` of an installation that holds this module under
   ``share/vantor/python/``;
5. wherever the system's loader finds ``vantor``.

``LibraryNotFoundError`` (an ``OSError``) is raised when none of these holds a
loadable library whose design record has the layout this module expects. The
library is loaded at the first call, so importing this module always works.

Threads may call the functions at once: the library keeps its working state
per thread, and ctypes releases the interpreter lock during each call.

The library reports inputs outside a function's domain (a normal quantile of
a probability of 0 or less, "MIN_FLAG") through a process-wide hook, which by
default writes them on standard output. Loading the library installs a hook
that only counts them; after a call that made reports, one ``RuntimeWarning``
says how many. Nothing is printed.

Statistics. The single-stage power, the solvers, the replication analysis
and the one-stage comparison of the design functions take ``statistic``:
"pooled" (the default) takes the allelic statistic's variance under no
association from the pooled rate of cases and controls, as the allelic
chi-square test does; "unpooled" takes each group's own rate, as the Wald
statistic and many published power calculators do. Pooled is the default
because it is the test association studies run (and R's power.prop.test
computes); the two-stage product and joint analyses are the same either way.

Example::

    >>> import vantor
    >>> round(vantor.single_stage_power(1000, 1000, 1.3, 0.3, 0.05), 3)
    0.786
"""

import ctypes
import ctypes.util
import enum
import math
import numbers
import operator
import os
import sys
import threading
import warnings
from typing import NamedTuple, Optional, Sequence

__all__ = [
    "LibraryNotFoundError",
    "TwoStageResult",
    "METHOD_SEPARATE",
    "METHOD_PRODUCT",
    "METHOD_JOINT",
    "single_stage_power",
    "two_stage_power",
    "Status",
    "SizeResult",
    "OddsRatioResult",
    "DetectableOddsRatios",
    "cases_for_controls",
    "controls_for_cases",
    "cases_for_ratio",
    "controls_for_ratio",
    "detectable_odds_ratios",
    "DesignResult",
    "two_stage_design_power",
    "smallest_total",
    "cheapest_design",
    "most_powerful_design",
    "load_library",
    "library_version",
]

#: Two-stage analysis: each stage tested by itself.
METHOD_SEPARATE = 0
#: Two-stage analysis: product of the two stages' p-values.
METHOD_PRODUCT = 1
#: Two-stage analysis: joint statistic of both stages.
METHOD_JOINT = 2

# The library derives the level marked with this value (PWR_DERIVE_LEVEL in
# power/power_func.h).
_DERIVE = -1.0
_INT32_MIN = -(2**31)
_INT32_MAX = 2**31 - 1


class LibraryNotFoundError(OSError):
    """The shared vantor library could not be found or loaded."""


class TwoStageResult(NamedTuple):
    """Power of a two-stage design and the three levels it was computed with.

    ``alpha`` is (first stage, second decision, overall); the level the call
    was asked to derive is filled in.
    """

    power: float
    alpha: tuple


class _Design(ctypes.Structure):
    # Mirrors PWR_design in power/power_func.h, field for field; checked
    # against the library's PWR_design_size when it is loaded.
    _fields_ = [
        ("method", ctypes.c_int32),
        ("alpha", ctypes.c_double * 3),
        ("sample_size", (ctypes.c_int32 * 2) * 2),
        ("case_rate", ctypes.c_double),
        ("control_rate", ctypes.c_double),
        ("odds_ratio", ctypes.c_double),
        ("count_table", ((ctypes.c_int32 * 2) * 2) * 2),
    ]


class _SizeResult(ctypes.Structure):
    # Mirrors SLV_size_result in power/solve.h.
    _fields_ = [
        ("status", ctypes.c_int32),
        ("reason", ctypes.c_int32),
        ("cases", ctypes.c_int32),
        ("controls", ctypes.c_int32),
        ("power", ctypes.c_double),
        ("evaluations", ctypes.c_int32),
    ]


class _EffectResult(ctypes.Structure):
    # Mirrors SLV_effect_result in power/solve.h.
    _fields_ = [
        ("status", ctypes.c_int32),
        ("reason", ctypes.c_int32),
        ("odds_ratio", ctypes.c_double),
        ("power", ctypes.c_double),
        ("evaluations", ctypes.c_int32),
    ]


class _Study(ctypes.Structure):
    # Mirrors DSN_study in power/design.h.
    _fields_ = [
        ("method", ctypes.c_int32),
        ("odds_ratio", ctypes.c_double),
        ("control_rate", ctypes.c_double),
        ("alpha2", ctypes.c_double),
        ("case_fraction", ctypes.c_double),
        ("unit", ctypes.c_int32),
        ("statistic", ctypes.c_int32),
    ]


class _DesignResult(ctypes.Structure):
    # Mirrors DSN_design_result in power/design.h.
    _fields_ = [
        ("status", ctypes.c_int32),
        ("reason", ctypes.c_int32),
        ("total", ctypes.c_int64),
        ("cases", ctypes.c_int32 * 2),
        ("controls", ctypes.c_int32 * 2),
        ("stage0_share", ctypes.c_double),
        ("alpha", ctypes.c_double * 3),
        ("power", ctypes.c_double),
        ("cost", ctypes.c_double),
        ("one_stage_total", ctypes.c_int64),
        ("relative_cost", ctypes.c_double),
        ("evaluations", ctypes.c_int32),
    ]


class Status(enum.IntEnum):
    """Whether a solver's result is an answer (the library's SLV_* statuses)."""

    FOUND = 0
    FOUND_WITH_WARNING = 1
    NOT_REACHABLE = 2


class SizeResult(NamedTuple):
    """Answer of a size question.

    ``cases`` and ``controls`` are in the unit the question was asked in
    (people unless ``count="alleles"``) and are None unless the status is
    FOUND or FOUND_WITH_WARNING; ``power`` is the power of that design, also
    None when there is no answer. ``message`` says what the status means
    here, in the library's words; ``reason`` is its code.
    """

    status: Status
    message: str
    cases: Optional[int]
    controls: Optional[int]
    power: Optional[float]
    reason: int
    evaluations: int


class OddsRatioResult(NamedTuple):
    """A detectable odds ratio (None unless found) and its power."""

    status: Status
    message: str
    odds_ratio: Optional[float]
    power: Optional[float]
    reason: int
    evaluations: int


class DesignResult(NamedTuple):
    """A two-stage design and what it achieves.

    Counts are in the unit the question was asked in (people unless
    ``count="alleles"``): ``total`` over both stages and groups, ``cases``
    and ``controls`` as (stage 0, stage 1) pairs. ``alpha0``, ``alpha1``
    (derived) and ``overall_alpha`` are the three levels, ``stage0_share``
    the joint statistic's weight of the rounded counts, ``cost`` the
    genotyping cost per marker n0 + cost_ratio * alpha0 * n1.
    ``one_stage_total`` is the smallest one-stage study of the same power at
    the overall level and ``relative_cost`` the design's cost against it
    (None where not computed). Every value is None unless the status is
    FOUND or FOUND_WITH_WARNING.
    """

    status: "Status"
    message: str
    total: Optional[int]
    cases: Optional[tuple]
    controls: Optional[tuple]
    stage0_share: Optional[float]
    alpha0: Optional[float]
    alpha1: Optional[float]
    overall_alpha: Optional[float]
    power: Optional[float]
    cost: Optional[float]
    one_stage_total: Optional[int]
    relative_cost: Optional[float]
    reason: int
    evaluations: int


class DetectableOddsRatios(NamedTuple):
    """The smallest detectable odds ratio above 1 and the largest below 1."""

    above_one: OddsRatioResult
    below_one: OddsRatioResult


_INVALID_INPUT = 3
_REASON_BAD_CASES = 100
_REASON_BAD_CONTROLS = 101
_REASON_BAD_CONTROL_RATE = 102
_REASON_BAD_ALPHA = 103
_REASON_BAD_ODDS_RATIO = 104
_REASON_BAD_TARGET_POWER = 105
_REASON_BAD_RATIO = 106
_UNITS = {"people": 2, "alleles": 1}


# Mirrors MTH_report_hook in numeric/MTH_report.h.
_REPORT_FUNCTION = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_void_p)


class _ReportHook(ctypes.Structure):
    _fields_ = [("fn", _REPORT_FUNCTION), ("context", ctypes.c_void_p)]


# The hook runs on the thread that computes, which is the thread that called
# into the library, so each thread counts its own calls' reports.
_reports = threading.local()


def _count_report(what: bytes, _context) -> None:
    counts = _reports.__dict__.setdefault("counts", {})
    word = what.decode("ascii", "replace")
    counts[word] = counts.get(word, 0) + 1


# Kept for the life of the module: the library holds a pointer to it.
_report_callback = _REPORT_FUNCTION(_count_report)

# Serialises loading only; the computations need no lock.
_load_lock = threading.Lock()
_library = None


def _library_file_name() -> str:
    if sys.platform == "darwin":
        return "libvantor.dylib"
    if sys.platform.startswith("win"):
        return "vantor.dll"
    return "libvantor.so"


def _candidate_paths() -> list:
    here = os.path.dirname(os.path.abspath(__file__))
    name = _library_file_name()
    places = [
        here,
        os.path.join(here, os.pardir, "build"),
        os.path.join(here, os.pardir, os.pardir, os.pardir, "lib"),
    ]
    paths = [os.path.normpath(os.path.join(place, name)) for place in places]
    found_by_system = ctypes.util.find_library("vantor")
    if found_by_system:
        paths.append(found_by_system)
    return paths


def _declare(library: ctypes.CDLL, name: str, restype, argtypes: list) -> None:
    function = getattr(library, name)
    function.restype = restype
    function.argtypes = argtypes


def _declare_functions(library: ctypes.CDLL) -> None:
    design_pointer = ctypes.POINTER(_Design)
    i32, i64, f64 = ctypes.c_int32, ctypes.c_int64, ctypes.c_double
    for name in ("PWR_get_power_for_single_step", "PWR_get_power_for_two_stage_method"):
        _declare(library, name, f64, [design_pointer, i32])
    _declare(library, "PWR_single_step_power", f64, [design_pointer, i32, i32])
    _declare(library, "PWR_two_stage_power", f64, [design_pointer, i32])
    _declare(library, "SLV_message", ctypes.c_char_p, [i32])
    _declare(library, "SLV_check_statistic", i32, [i32])
    for name in ("SLV_check_cases", "SLV_check_controls"):
        _declare(library, name, i32, [i64, i32])
    size_question = [f64, f64, f64, f64, i32, i32, ctypes.POINTER(_SizeResult)]
    for name in ("SLV_cases_for_controls", "SLV_controls_for_cases"):
        _declare(library, name + "_with_statistic", i32, [i32] + size_question)
    for name in ("SLV_cases_for_ratio", "SLV_controls_for_ratio"):
        _declare(library, name + "_with_statistic", i32, [f64] + size_question)
    effect_question = [i32, i32, f64, f64, f64, i32, ctypes.POINTER(_EffectResult)]
    for name in ("SLV_odds_ratio_above_one", "SLV_odds_ratio_below_one"):
        _declare(library, name + "_with_statistic", i32, effect_question)
    study, result = ctypes.POINTER(_Study), ctypes.POINTER(_DesignResult)
    pair = ctypes.c_int32 * 2
    _declare(library, "DSN_two_stage_power", i32, [study, pair, pair, f64, result])
    _declare(library, "DSN_smallest_total", i32, [study, f64, f64, f64, result])
    _declare(library, "DSN_cheapest_design", i32, [study, f64, f64, result])
    _declare(library, "DSN_most_powerful_design", i32, [study, f64, f64, result])
    library.PWR_design_size.argtypes = []
    library.PWR_design_size.restype = ctypes.c_int32
    library.vantor_version.argtypes = []
    library.vantor_version.restype = ctypes.c_char_p
    library.MTH_set_report_hook.argtypes = [_ReportHook]
    library.MTH_set_report_hook.restype = _ReportHook


def _check_layout(library: ctypes.CDLL) -> None:
    size = library.PWR_design_size()
    if size != ctypes.sizeof(_Design):
        raise LibraryNotFoundError(
            f"its design record is {size} bytes, this module's {ctypes.sizeof(_Design)}: "
            "the library and the module are of different versions"
        )


def _open(path: str) -> ctypes.CDLL:
    library = ctypes.CDLL(path)
    _declare_functions(library)
    _check_layout(library)
    library.MTH_set_report_hook(_ReportHook(_report_callback, None))
    return library


def _load() -> ctypes.CDLL:
    explicit = os.environ.get("VANTOR_LIBRARY")
    if explicit:
        try:
            return _open(explicit)
        except (OSError, AttributeError) as error:
            raise LibraryNotFoundError(
                f"VANTOR_LIBRARY={explicit!r} is not a loadable vantor library: {error}"
            ) from error
    tried = []
    for path in _candidate_paths():
        try:
            return _open(path)
        except (OSError, AttributeError) as error:
            tried.append(f"{path} ({error})")
    raise LibraryNotFoundError(
        "the vantor shared library was not found; build it with "
        "-DBUILD_SHARED_LIBS=ON and set VANTOR_LIBRARY to its path. Tried: " + "; ".join(tried)
    )


def load_library() -> ctypes.CDLL:
    """Loads the shared library once and returns it.

    Loading checks that the library's design record has this module's layout
    and installs the counting report hook.

    Raises LibraryNotFoundError when it cannot be found, lacks the power
    functions or lays out the design record differently.
    """
    global _library
    if _library is not None:
        return _library
    with _load_lock:
        if _library is None:
            _library = _load()
        return _library


def library_version() -> str:
    """The version of the loaded library, as "MAJOR.MINOR.PATCH"."""
    return load_library().vantor_version().decode("ascii")


def _call(function, design: _Design, *arguments) -> float:
    """Runs one power function on the design and the further arguments;
    warns once if it reported."""
    _reports.counts = {}
    result = function(ctypes.byref(design), *arguments)
    counts = _reports.counts
    if counts:
        said = ", ".join(f"{word} {count} time{'s' if count > 1 else ''}"
                         for word, count in counts.items())
        warnings.warn(
            f"vantor reported {said} during this call (MIN_FLAG: a normal quantile was "
            "asked for a probability of 0 or less and taken as minus infinity)",
            RuntimeWarning,
            stacklevel=3,
        )
    return result


def _int32(value, what: str) -> int:
    number = int(value)
    if number != value or not _INT32_MIN <= number <= _INT32_MAX:
        raise ValueError(f"{what} must be a whole number that fits 32 bits, not {value!r}")
    return number


#: The allelic test's statistics, by name (PWR_STATISTIC_* in power/statistic.h).
_STATISTICS = {"pooled": 0, "unpooled": 1}
_NOT_A_STATISTIC = -1


def _statistic(statistic) -> int:
    """The library's code of a statistic's name; any other value is refused
    by the library's check, in its words."""
    library = load_library()
    code = _NOT_A_STATISTIC
    if isinstance(statistic, str):
        code = _STATISTICS.get(statistic, _NOT_A_STATISTIC)
    reason = library.SLV_check_statistic(code)
    if reason != 0:
        raise ValueError(_message(library, reason))
    return code


def _design(sizes: Sequence, odds_ratio: float, control_rate: float) -> _Design:
    design = _Design()
    for stage, (cases, controls) in enumerate(sizes):
        design.sample_size[stage][0] = _int32(cases, "a number of cases")
        design.sample_size[stage][1] = _int32(controls, "a number of controls")
    design.odds_ratio = float(odds_ratio)
    design.control_rate = float(control_rate)
    return design


def single_stage_power(
    cases: int,
    controls: int,
    odds_ratio: float,
    control_rate: float,
    alpha: float = 0.05,
    statistic: str = "pooled",
) -> float:
    """Power of the two-sided allelic test of one case-control study.

    Args:
        cases, controls: allele draws in each group, as the library and
            ``vantor_mini_bin`` count them (a person is two; the solvers and
            the design functions of this module count people by default).
        odds_ratio: allelic odds ratio of cases against controls.
        control_rate: frequency of the risk allele among controls (0 to 1).
        alpha: two-sided significance level.
        statistic: "pooled" or "unpooled" (see the module's notes on
            statistics); any other value raises ValueError.

    Out-of-domain values are not rejected; they give infinities or NaN, as
    the library does. A level of 0 or less, or of 2 or more, asks for the
    quantile of 0: the power is 0 and a RuntimeWarning says so.
    """
    library = load_library()
    code = _statistic(statistic)
    design = _design([(cases, controls)], odds_ratio, control_rate)
    design.alpha[0] = float(alpha)
    return _call(library.PWR_single_step_power, design, 0, code)


def _levels(alpha0: Optional[float], alpha1: Optional[float], overall: Optional[float]) -> list:
    levels = [alpha0, alpha1, overall]
    if sum(level is None for level in levels) > 1:
        raise ValueError("at most one of alpha0, alpha1 and overall_alpha may be None")
    return [_DERIVE if level is None else float(level) for level in levels]


def two_stage_power(
    method: int,
    stage_sizes: Sequence,
    odds_ratio: float,
    control_rate: float,
    alpha0: Optional[float] = None,
    alpha1: Optional[float] = None,
    overall_alpha: Optional[float] = None,
    statistic: str = "pooled",
) -> TwoStageResult:
    """Power of a two-stage design, stage 0 tested first.

    Args:
        method: METHOD_SEPARATE (0), METHOD_PRODUCT (1) or METHOD_JOINT (2).
        stage_sizes: ((cases, controls) of stage 0, (cases, controls) of stage 1),
            in allele draws as the library counts them (see two_stage_design_power
            for people).
        odds_ratio: allelic odds ratio of cases against controls.
        control_rate: frequency of the risk allele among controls.
        alpha0: level of stage 0.
        alpha1: level of the second decision.
        overall_alpha: level of the whole procedure.
        statistic: "pooled" or "unpooled"; only the replication analysis
            (METHOD_SEPARATE) differs between them.

    The one level given as None is derived from the other two (for method 0,
    overall = alpha0 * alpha1 / 2). With all three given, method 0 and 1 use
    them as they are; method 2 derives alpha1 or the overall level again,
    whichever the calling thread's latest method-2 derivation produced
    (alpha1 on a thread that has made none).

    Returns:
        TwoStageResult(power, (alpha0, alpha1, overall_alpha)).

    Raises:
        ValueError: unknown method or statistic, more than one level None, or
            a size that does not fit 32 bits.
        LibraryNotFoundError: the shared library is not found.

    Warns:
        RuntimeWarning: once, if the library reported quantiles of a
            probability of 0 or less during the call (genome-wide levels in
            method 2 can reach them); the warning says how many.
    """
    if method not in (METHOD_SEPARATE, METHOD_PRODUCT, METHOD_JOINT):
        raise ValueError(f"method must be 0, 1 or 2, not {method!r}")
    if len(stage_sizes) != 2:
        raise ValueError("stage_sizes needs (cases, controls) for exactly two stages")
    library = load_library()
    code = _statistic(statistic)
    design = _design(stage_sizes, odds_ratio, control_rate)
    design.method = method
    design.alpha[:] = _levels(alpha0, alpha1, overall_alpha)
    power = _call(library.PWR_two_stage_power, design, code)
    return TwoStageResult(power, tuple(design.alpha))


# ---------------------------------------------------------------------------
# Solving for what is unknown (power/solve.h)
# ---------------------------------------------------------------------------


def _message(library: ctypes.CDLL, reason: int) -> str:
    return library.SLV_message(reason).decode("utf-8")


def _alleles_per_unit(count: str) -> int:
    if count not in _UNITS:
        raise ValueError(f'count must be "people" or "alleles", not {count!r}')
    return _UNITS[count]


def _whole_number(value) -> Optional[int]:
    if isinstance(value, bool):
        return None
    try:
        return operator.index(value)
    except TypeError:
        pass
    if isinstance(value, numbers.Real) and math.isfinite(value) and float(value).is_integer():
        return int(value)
    return None


def _real(library: ctypes.CDLL, value, refusal: int) -> float:
    """A decimal input as a float, refused in the library's words when it is
    not a number at all."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise ValueError(_message(library, refusal))
    return float(value)


def _group_alleles(library: ctypes.CDLL, value, unit: int, cases: bool) -> int:
    """A group's size in alleles, refused with the library's words when it is
    not a whole number of people (or alleles) that fits."""
    check = library.SLV_check_cases if cases else library.SLV_check_controls
    number = _whole_number(value)
    if number is None:
        raise ValueError(_message(library, _REASON_BAD_CASES if cases else _REASON_BAD_CONTROLS))
    reason = check(max(min(number, 2**62), -(2**62)), unit)
    if reason != 0:
        raise ValueError(_message(library, reason))
    return number * unit


def _size_result(library: ctypes.CDLL, raw: _SizeResult, unit: int) -> SizeResult:
    if raw.status == _INVALID_INPUT:
        raise ValueError(_message(library, raw.reason))
    found = raw.status in (Status.FOUND, Status.FOUND_WITH_WARNING)
    return SizeResult(
        status=Status(raw.status),
        message=_message(library, raw.reason),
        cases=raw.cases // unit if found else None,
        controls=raw.controls // unit if found else None,
        power=raw.power if found else None,
        reason=raw.reason,
        evaluations=raw.evaluations,
    )


def _question(library: ctypes.CDLL, odds_ratio, control_rate, alpha, target_power) -> list:
    return [
        _real(library, odds_ratio, _REASON_BAD_ODDS_RATIO),
        _real(library, control_rate, _REASON_BAD_CONTROL_RATE),
        _real(library, alpha, _REASON_BAD_ALPHA),
        _real(library, target_power, _REASON_BAD_TARGET_POWER),
    ]


def _solve_size(name: str, first, odds_ratio, control_rate, alpha, target_power, count,
                statistic):
    library = load_library()
    unit = _alleles_per_unit(count)
    raw = _SizeResult()
    question = _question(library, odds_ratio, control_rate, alpha, target_power)
    code = _statistic(statistic)
    getattr(library, name + "_with_statistic")(first, *question, unit, code, ctypes.byref(raw))
    return _size_result(library, raw, unit)


def _ratio(ratio) -> float:
    return _real(load_library(), ratio, _REASON_BAD_RATIO)


def cases_for_controls(
    controls, odds_ratio, control_rate, alpha, target_power, count: str = "people",
    statistic: str = "pooled",
) -> SizeResult:
    """Smallest number of cases reaching ``target_power`` with ``controls`` fixed.

    The answer is the smallest size from which every larger one reaches the
    target (the power need not rise steadily with one group fixed). Counts
    are people (two alleles each) unless ``count="alleles"``; a people answer
    is searched in whole people. Invalid input raises ValueError with the
    library's message; an unreachable target is a result with status
    NOT_REACHABLE and the reason in ``message``. ``statistic`` is "pooled"
    (the default) or "unpooled", as for single_stage_power; so for every
    solver.
    """
    library = load_library()
    unit = _alleles_per_unit(count)
    fixed = _group_alleles(library, controls, unit, cases=False)
    return _solve_size(
        "SLV_cases_for_controls", fixed, odds_ratio, control_rate, alpha, target_power, count,
        statistic,
    )


def controls_for_cases(
    cases, odds_ratio, control_rate, alpha, target_power, count: str = "people",
    statistic: str = "pooled",
) -> SizeResult:
    """Smallest number of controls reaching ``target_power`` with ``cases`` fixed
    (see cases_for_controls)."""
    library = load_library()
    unit = _alleles_per_unit(count)
    fixed = _group_alleles(library, cases, unit, cases=True)
    return _solve_size(
        "SLV_controls_for_cases", fixed, odds_ratio, control_rate, alpha, target_power, count,
        statistic,
    )


def cases_for_ratio(
    controls_per_case, odds_ratio, control_rate, alpha, target_power, count: str = "people",
    statistic: str = "pooled",
) -> SizeResult:
    """Smallest number of cases reaching ``target_power`` with
    ``controls_per_case`` controls per case (1 for equal groups).

    The controls are ``controls_per_case * cases`` rounded to the nearest
    whole person (allele with ``count="alleles"``), halves up, at least 1.
    """
    return _solve_size(
        "SLV_cases_for_ratio", _ratio(controls_per_case), odds_ratio, control_rate, alpha,
        target_power, count, statistic,
    )


def controls_for_ratio(
    cases_per_control, odds_ratio, control_rate, alpha, target_power, count: str = "people",
    statistic: str = "pooled",
) -> SizeResult:
    """Smallest number of controls with ``cases_per_control`` cases per control
    (see cases_for_ratio)."""
    return _solve_size(
        "SLV_controls_for_ratio", _ratio(cases_per_control), odds_ratio, control_rate, alpha,
        target_power, count, statistic,
    )


def _effect_result(library: ctypes.CDLL, raw: _EffectResult) -> OddsRatioResult:
    if raw.status == _INVALID_INPUT:
        raise ValueError(_message(library, raw.reason))
    found = raw.status in (Status.FOUND, Status.FOUND_WITH_WARNING)
    return OddsRatioResult(
        status=Status(raw.status),
        message=_message(library, raw.reason),
        odds_ratio=raw.odds_ratio if found else None,
        power=raw.power if found else None,
        reason=raw.reason,
        evaluations=raw.evaluations,
    )


def detectable_odds_ratios(
    cases, controls, control_rate, alpha, target_power, count: str = "people",
    statistic: str = "pooled",
) -> DetectableOddsRatios:
    """The odds ratios a study of ``cases`` and ``controls`` detects with
    ``target_power``: the smallest above 1 and the largest below 1 such that
    every stronger effect is detected too. Either may be NOT_REACHABLE (the
    power levels off below the target however strong the effect)."""
    library = load_library()
    unit = _alleles_per_unit(count)
    case_alleles = _group_alleles(library, cases, unit, cases=True)
    control_alleles = _group_alleles(library, controls, unit, cases=False)
    levels = [
        _real(library, control_rate, _REASON_BAD_CONTROL_RATE),
        _real(library, alpha, _REASON_BAD_ALPHA),
        _real(library, target_power, _REASON_BAD_TARGET_POWER),
    ]
    code = _statistic(statistic)
    results = []
    for name in ("SLV_odds_ratio_above_one", "SLV_odds_ratio_below_one"):
        raw = _EffectResult()
        getattr(library, name + "_with_statistic")(
            case_alleles, control_alleles, *levels, code, ctypes.byref(raw)
        )
        results.append(_effect_result(library, raw))
    return DetectableOddsRatios(*results)


# ---------------------------------------------------------------------------
# Designing two-stage studies (power/design.h)
# ---------------------------------------------------------------------------

_METHOD_NAMES = {"replication": METHOD_SEPARATE, "product": METHOD_PRODUCT, "joint": METHOD_JOINT}
_REASON_BAD_METHOD = 108
_REASON_BAD_STAGE0_SHARE = 109
_REASON_BAD_CASE_FRACTION = 110
_REASON_BAD_STAGE0_ALPHA = 111
_REASON_BAD_COST_RATIO = 112
_REASON_BAD_BUDGET = 113


def _method(library: ctypes.CDLL, method) -> int:
    if isinstance(method, str) and method in _METHOD_NAMES:
        return _METHOD_NAMES[method]
    number = _whole_number(method)
    if number is None or number not in _METHOD_NAMES.values():
        raise ValueError(_message(library, _REASON_BAD_METHOD))
    return number


def _study(library, method, odds_ratio, control_rate, overall_alpha, case_fraction, unit,
           statistic) -> _Study:
    return _Study(
        _method(library, method),
        _real(library, odds_ratio, _REASON_BAD_ODDS_RATIO),
        _real(library, control_rate, _REASON_BAD_CONTROL_RATE),
        _real(library, overall_alpha, _REASON_BAD_ALPHA),
        _real(library, case_fraction, _REASON_BAD_CASE_FRACTION),
        unit,
        _statistic(statistic),
    )


def _design_result(library: ctypes.CDLL, raw: _DesignResult) -> DesignResult:
    if raw.status == _INVALID_INPUT:
        raise ValueError(_message(library, raw.reason))
    found = raw.status in (Status.FOUND, Status.FOUND_WITH_WARNING)

    def value(v):
        return v if found else None

    compared = found and raw.one_stage_total > 0
    return DesignResult(
        status=Status(raw.status),
        message=_message(library, raw.reason),
        total=value(raw.total),
        cases=value((raw.cases[0], raw.cases[1])),
        controls=value((raw.controls[0], raw.controls[1])),
        stage0_share=value(raw.stage0_share),
        alpha0=value(raw.alpha[0]),
        alpha1=value(raw.alpha[1]),
        overall_alpha=value(raw.alpha[2]),
        power=value(raw.power),
        cost=value(raw.cost),
        one_stage_total=raw.one_stage_total if compared else None,
        relative_cost=raw.relative_cost if compared else None,
        reason=raw.reason,
        evaluations=raw.evaluations,
    )


def _stage_counts(library, value, unit: int, cases: bool) -> "ctypes.Array":
    counts = tuple(value)
    if len(counts) != 2:
        raise ValueError("give one count for each of the two stages")
    pair = (ctypes.c_int32 * 2)()
    for stage, count in enumerate(counts):
        pair[stage] = _group_alleles(library, count, unit, cases) // unit
    return pair


def two_stage_design_power(
    method, cases, controls, odds_ratio, control_rate, alpha0, overall_alpha,
    count: str = "people", statistic: str = "pooled",
) -> DesignResult:
    """Power of a two-stage design with checked inputs.

    ``cases`` and ``controls`` are (stage 0, stage 1) pairs of people (or
    alleles with ``count="alleles"``); ``method`` is "replication",
    "product" or "joint" (or 0, 1, 2). The second decision's level is
    derived from ``alpha0`` and ``overall_alpha`` and returned as
    ``alpha1``; the case fraction is not used (the counts give it).
    ``statistic`` ("pooled" or "unpooled") is the replication analysis's and
    the one-stage comparison's; the product and joint analyses are the same
    either way. So for every design function.
    """
    library = load_library()
    unit = _alleles_per_unit(count)
    study = _study(library, method, odds_ratio, control_rate, overall_alpha, 0.5, unit,
                   statistic)
    case_pair = _stage_counts(library, cases, unit, cases=True)
    control_pair = _stage_counts(library, controls, unit, cases=False)
    raw = _DesignResult()
    library.DSN_two_stage_power(
        ctypes.byref(study), case_pair, control_pair,
        _real(library, alpha0, _REASON_BAD_STAGE0_ALPHA), ctypes.byref(raw),
    )
    return _design_result(library, raw)


def smallest_total(
    method, odds_ratio, control_rate, alpha0, overall_alpha, target_power,
    stage0_share: float = 0.5, case_fraction: float = 0.5, count: str = "people",
    statistic: str = "pooled",
) -> DesignResult:
    """Smallest total (both stages, both groups) reaching ``target_power``.

    A total N has round(stage0_share * N) in stage 0 and the rest in stage 1,
    and round(case_fraction * n) cases in each stage (halves up). The answer
    is the smallest total from which every larger total the search tried
    reaches the target.
    """
    library = load_library()
    unit = _alleles_per_unit(count)
    study = _study(library, method, odds_ratio, control_rate, overall_alpha, case_fraction, unit,
                   statistic)
    raw = _DesignResult()
    library.DSN_smallest_total(
        ctypes.byref(study), _real(library, stage0_share, _REASON_BAD_STAGE0_SHARE),
        _real(library, alpha0, _REASON_BAD_STAGE0_ALPHA),
        _real(library, target_power, _REASON_BAD_TARGET_POWER), ctypes.byref(raw),
    )
    return _design_result(library, raw)


def cheapest_design(
    method, odds_ratio, control_rate, overall_alpha, target_power,
    cost_ratio: float = 1.0, case_fraction: float = 0.5, count: str = "people",
    statistic: str = "pooled",
) -> DesignResult:
    """The stage split and first-stage level reaching ``target_power`` at the
    least genotyping cost per marker, n0 + cost_ratio * alpha0 * n1, with its
    cost against the one-stage design of the same power."""
    library = load_library()
    unit = _alleles_per_unit(count)
    study = _study(library, method, odds_ratio, control_rate, overall_alpha, case_fraction, unit,
                   statistic)
    raw = _DesignResult()
    library.DSN_cheapest_design(
        ctypes.byref(study), _real(library, target_power, _REASON_BAD_TARGET_POWER),
        _real(library, cost_ratio, _REASON_BAD_COST_RATIO), ctypes.byref(raw),
    )
    return _design_result(library, raw)


def most_powerful_design(
    method, odds_ratio, control_rate, overall_alpha, budget,
    cost_ratio: float = 1.0, case_fraction: float = 0.5, count: str = "people",
    statistic: str = "pooled",
) -> DesignResult:
    """The design of greatest power whose cost per marker is at most ``budget``
    (in people, or alleles with ``count="alleles"``)."""
    library = load_library()
    unit = _alleles_per_unit(count)
    study = _study(library, method, odds_ratio, control_rate, overall_alpha, case_fraction, unit,
                   statistic)
    raw = _DesignResult()
    library.DSN_most_powerful_design(
        ctypes.byref(study), _real(library, budget, _REASON_BAD_BUDGET),
        _real(library, cost_ratio, _REASON_BAD_COST_RATIO), ctypes.byref(raw),
    )
    return _design_result(library, raw)
