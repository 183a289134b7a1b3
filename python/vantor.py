"""Power of case-control genetic association studies, from Python.

A thin layer over the shared vantor library, using only the standard library
(ctypes). Every question is asked through the library's checked questions
(power/study.h), with the names of docs/glossary.md:

* counts (``cases``, ``controls``, ``stage1_cases`` ..., ``total``) are
  people, two alleles each, unless ``count="alleles"``;
* the effect is ``odds_ratio`` and ``control_rate``, or a disease model by
  keyword (``frequency``, ``prevalence``, ``model``, ``relative_risk`` ...,
  ``d_prime`` or ``r_squared`` for a marker other than the causal variant),
  never both; ``test`` is "allelic" unless given, ``markers`` 1 (the
  number of markers, or the effective number of independent tests: any
  real number from 1);
* the significance level ``alpha`` is default_alpha(markers) unless given:
  5e-8 (genome-wide) for one marker, 0.05 (study-wide) for more; and
  ``target_power`` 0.8;
* ``variance`` is "pooled" (the allelic chi-square test) or "unpooled" (each
  group's own rate, the Wald test); ``method`` is "replication", "product"
  or "joint" (the default).

The library checks every input. A refused one raises ``InputError`` (a
``ValueError``) whose message is the library's words for it, after the
argument's name ("cases: the number of cases must be ..."), with ``reason``
(a ``Reason``), ``status`` and ``argument``. Values ctypes cannot pass (None,
text such as "0x10", 2.5 people, 1e400, True) are refused as the library
refuses that argument. A question the library cannot answer (a target out of
reach) is no error: its result says so in ``status``, ``reason`` and
``message``, and its values are None.

The result records are laid out from the library's description of them
(power/records.h) when the library is loaded: ``PowerResult``, ``SizeResult``,
``OddsRatioResult``, ``RelativeRiskResult`` and ``DesignResult`` have one field per described field
(``status`` a ``Status``, ``reason`` a ``Reason``, followed by ``message``,
the library's words), and ``Reason`` and ``Status`` name the library's codes
as it names them. These names (and the result types) are made on first use,
so importing this module always works (``from vantor import *`` uses them,
and so loads the library).

The library is looked for, in this order:

1. the file named by the environment variable ``VANTOR_LIBRARY``;
2. beside this module;
3. in ``build/`` of the source tree this module sits in;
4. in ``lib/`` of an installation that holds this module under
   ``share/vantor/python/``;
5. wherever the system's loader finds ``vantor``.

``LibraryNotFoundError`` (an ``OSError``) is raised when none of these holds a
loadable vantor library; ``LayoutMismatchError`` (an ``ImportError``) when the
library's records are not laid out as it describes them (a library of another
version, or a damaged one).

Threads may call the functions at once: the library keeps its working state
on each call's stack, and ctypes releases the interpreter lock during each
call.

The library reports inputs outside a function's domain (a normal quantile of
a probability of 0 or less, "MIN_FLAG") through a process-wide hook, which by
default writes them on standard output. Loading the library installs a hook
that only counts them; after a call that made reports, one ``RuntimeWarning``
says how many. Nothing is printed.

Example (1,000 cases and 1,000 controls, at 0.05 rather than genome-wide)::

    >>> import vantor
    >>> result = vantor.single_stage_power(1000, 1000, 1.3, 0.3, alpha=0.05)
    >>> result.status.name, round(result.power, 3)
    ('FOUND', 0.973)
"""

import ctypes
import ctypes.util
import enum
import functools
import inspect
import math
import numbers
import operator
import os
import sys
import threading
import warnings
from typing import NamedTuple, Optional

__all__ = [
    "LibraryNotFoundError",
    "LayoutMismatchError",
    "InputError",
    "Status",
    "Reason",
    "PowerResult",
    "SizeResult",
    "OddsRatioResult",
    "DetectableOddsRatios",
    "DesignResult",
    "RelativeRiskResult",
    "DetectableRelativeRisks",
    "single_stage_power",
    "cases_for_controls",
    "controls_for_cases",
    "cases_for_ratio",
    "controls_for_ratio",
    "detectable_odds_ratios",
    "detectable_relative_risks",
    "two_stage_power",
    "two_stage_power_of_total",
    "smallest_total",
    "cheapest_design",
    "most_powerful_design",
    "choice_words",
    "default_alpha",
    "load_library",
    "library_version",
]

#: The significance level a question of one marker takes when none is given
#: (STU_DEFAULT_ALPHA of power/study.h: genome-wide significance); for more
#: markers, default_alpha(markers) is the library's.
DEFAULT_ALPHA = 5e-8
#: The power the size and design questions aim at when none is given.
DEFAULT_TARGET_POWER = 0.8


class LibraryNotFoundError(OSError):
    """The shared vantor library could not be found or loaded."""


class LayoutMismatchError(ImportError):
    """The library's records are not laid out as the library describes them:
    the message names the record and the field."""


class InputError(ValueError):
    """An input the library refuses.

    ``str()`` is the argument's Python name and the library's words
    (SLV_message); ``reason`` is the ``Reason``, ``status`` the ``Status``
    (INVALID_INPUT) and ``argument`` the Python name, or None when the
    refusal names no argument.
    """

    def __init__(self, message: str, reason, status, argument: Optional[str]):
        super().__init__(message)
        self.reason = reason
        self.status = status
        self.argument = argument


# ---------------------------------------------------------------------------
# The library's description of its records (power/records.h)
# ---------------------------------------------------------------------------

# The described records, C types and kinds, as power/records.h numbers them.
_REC_STUDY, _REC_POWER, _REC_SIZE, _REC_EFFECT, _REC_DESIGN = 1, 2, 3, 4, 5
_REC_RISK, _REC_DISEASE_MODEL = 6, 7
_C_TYPES = {1: ctypes.c_int32, 2: ctypes.c_int64, 3: ctypes.c_double}
_KIND_COUNT, _KIND_STATUS, _KIND_REASON, _KIND_INTERNAL = 1, 2, 3, 5

# The public name of each result record.
_RESULT_NAMES = {
    _REC_POWER: "PowerResult",
    _REC_SIZE: "SizeResult",
    _REC_EFFECT: "OddsRatioResult",
    _REC_DESIGN: "DesignResult",
    _REC_RISK: "RelativeRiskResult",
}
_RESULT_DOCS = {
    _REC_POWER: "The power of one study; None unless the status is FOUND or "
                "FOUND_WITH_WARNING.",
    _REC_SIZE: "The sizes for a target power, in the unit asked in (people unless "
               'count="alleles"), and their power; None unless found.',
    _REC_EFFECT: "A detectable odds ratio and its power; None unless found.",
    _REC_DESIGN: "A two-stage design and what it achieves. Counts are in the unit asked in "
                 '(people unless count="alleles"); one_stage_total and relative_cost are '
                 "None where the question does not compare with one stage. Values are None "
                 "unless found.",
    _REC_RISK: "A detectable relative risk of a one-parameter disease model, its power and "
               "what the test sees at the marker there; None unless found.",
}


class _DescribedField(ctypes.Structure):
    # Mirrors REC_field in power/records.h.
    _fields_ = [
        ("name", ctypes.c_char_p),
        ("type", ctypes.c_int32),
        ("offset", ctypes.c_int32),
        ("kind", ctypes.c_int32),
        ("unit", ctypes.c_char_p),
        ("meaning", ctypes.c_char_p),
    ]


class _Field(NamedTuple):
    name: str
    ctype: type
    offset: int
    kind: int


def _described_fields(library: ctypes.CDLL, record: int) -> list:
    """The record's fields as the library describes them, in its order."""
    fields = []
    for index in range(library.REC_field_count(record)):
        described = library.REC_field_at(record, index).contents
        name = described.name.decode("ascii")
        if described.type not in _C_TYPES:
            raise LayoutMismatchError(
                f"{library.REC_record_name(record).decode()}.{name}: C type {described.type} "
                "is not one this module knows")
        fields.append(_Field(name, _C_TYPES[described.type], described.offset, described.kind))
    return fields


def _aligned(position: int, alignment: int) -> int:
    return -(-position // alignment) * alignment


def _structure(record_name: str, size: int, fields: list) -> type:
    """A ctypes Structure with the described fields at their offsets (bytes
    the description leaves out, such as a union's larger members, are
    padding), checked against the record's size and every offset."""
    members, position = [], 0
    for field in sorted(fields, key=lambda f: f.offset):
        natural = _aligned(position, ctypes.alignment(field.ctype))
        if field.offset < natural:
            raise LayoutMismatchError(
                f"{record_name}.{field.name}: described at byte {field.offset}, inside the "
                f"fields before it (which end at byte {position})")
        if field.offset > natural:
            members.append((f"_padding_{position}", ctypes.c_char * (field.offset - position)))
        members.append((field.name, field.ctype))
        position = field.offset + ctypes.sizeof(field.ctype)
    if size > position:
        members.append((f"_padding_{position}", ctypes.c_char * (size - position)))
    layout = type(f"_{record_name}", (ctypes.Structure,), {"_fields_": members})
    for field in fields:
        offset = getattr(layout, field.name).offset
        if offset != field.offset:
            raise LayoutMismatchError(
                f"{record_name}.{field.name}: the library puts it at byte {field.offset}, "
                f"this module at byte {offset}")
    if ctypes.sizeof(layout) != size:
        raise LayoutMismatchError(
            f"{record_name} is {size} bytes in the library, {ctypes.sizeof(layout)} laid out "
            "from its description")
    return layout


def _public_fields(fields: list) -> list:
    """A result's public fields: every described field but the record's
    bookkeeping, with the reason's words (``message``) after the reason."""
    names = []
    for field in fields:
        if field.kind == _KIND_INTERNAL:
            continue
        names.append(field.name)
        if field.kind == _KIND_REASON:
            names.append("message")
    return names


def _field_type(field: _Field, status, reason):
    if field.kind == _KIND_STATUS:
        return status
    if field.kind == _KIND_REASON:
        return reason
    return Optional[float] if field.ctype is ctypes.c_double else Optional[int]


def _result_type(name: str, doc: str, fields: list, status, reason) -> type:
    types = {field.name: _field_type(field, status, reason) for field in fields}
    types["message"] = str
    result = NamedTuple(name, [(n, types[n]) for n in _public_fields(fields)])
    result.__doc__ = doc
    result.__module__ = __name__
    return result


def _named_codes(name: str, codes: list) -> type:
    named = enum.IntEnum(name, codes)
    named.__module__ = __name__
    return named


def _reasons(library: ctypes.CDLL) -> type:
    codes = [library.REC_reason_at(i) for i in range(library.REC_reason_count())]
    named = _named_codes("Reason", [(library.REC_reason_name(c).decode("ascii"), c)
                                    for c in codes])
    named.__doc__ = "The library's reason codes by their names (REC_reason_name)."
    return named


def _statuses(library: ctypes.CDLL) -> type:
    codes, code = [], 0
    while library.REC_status_name(code) is not None:
        codes.append((library.REC_status_name(code).decode("ascii"), code))
        code += 1
    named = _named_codes("Status", codes)
    named.__doc__ = "The status of an answer, by the library's names (REC_status_name)."
    return named


def _choice_words(library: ctypes.CDLL, choice: str) -> dict:
    words, index, code = {}, 0, ctypes.c_int32()
    while True:
        word = library.REC_choice_word(choice.encode("ascii"), index, ctypes.byref(code))
        if word is None:
            return words
        words[word.decode("ascii")] = code.value
        index += 1


class _Vocabulary:
    """Everything made from the library's description when it is loaded."""

    def __init__(self, library: ctypes.CDLL):
        self.status = _statuses(library)
        self.reason = _reasons(library)
        self.fields = {}
        self.layouts = {}
        for record in (_REC_STUDY, *_RESULT_NAMES):
            name = library.REC_record_name(record).decode("ascii")
            self.fields[record] = _described_fields(library, record)
            self.layouts[record] = _structure(name, library.REC_record_size(record),
                                              self.fields[record])
        if library.STU_study_size() != ctypes.sizeof(self.layouts[_REC_STUDY]):
            raise LayoutMismatchError(
                f"STU_study is {library.STU_study_size()} bytes by STU_study_size, "
                f"{ctypes.sizeof(self.layouts[_REC_STUDY])} by its description")
        self.fields[_REC_DISEASE_MODEL] = _described_fields(library, _REC_DISEASE_MODEL)
        self.layouts[_REC_DISEASE_MODEL] = _structure(
            "DIS_model", library.REC_record_size(_REC_DISEASE_MODEL),
            self.fields[_REC_DISEASE_MODEL])
        self.model_offset = _effect_union(self.fields[_REC_STUDY],
                                          ctypes.sizeof(self.layouts[_REC_DISEASE_MODEL]),
                                          ctypes.sizeof(self.layouts[_REC_STUDY]))
        self.results = {
            record: _result_type(name, _RESULT_DOCS[record], self.fields[record], self.status,
                                 self.reason)
            for record, name in _RESULT_NAMES.items()
        }
        self.choices = {choice: _choice_words(library, choice) for choice in _CHOICES}
        self.both_directions = self._pair("DetectableOddsRatios", _REC_EFFECT, "odds ratios")
        self.both_risks = self._pair("DetectableRelativeRisks", _REC_RISK, "relative risks")

    def _pair(self, name: str, record: int, what: str) -> type:
        """The answers on each side of 1, by the direction's words."""
        pair = NamedTuple(name, [(word, self.results[record])
                                 for word in self.choices["direction"]])
        pair.__module__ = __name__
        pair.__doc__ = (f"The detectable {what} on each side of 1, by the direction's words: "
                        "the smallest above 1 and the largest below 1.")
        return pair


# The library's choices (REC_choice_word).
_CHOICES = ("method", "variance", "count", "direction", "test", "model", "controls_kind",
            "ld_kind")


def _effect_union(study_fields: list, model_size: int, study_size: int) -> int:
    """Where a disease model sits in the study record: from its odds_ratio
    field, over the allelic effect and nothing else (power/records.h)."""
    start = next(f.offset for f in study_fields if f.name == "odds_ratio")
    for field in study_fields:
        if field.name not in ("odds_ratio", "control_rate") and \
                start <= field.offset < start + model_size:
            raise LayoutMismatchError(
                f"STU_study.{field.name}: at byte {field.offset}, inside the disease model "
                f"that starts at byte {start}")
    if start + model_size > study_size:
        raise LayoutMismatchError(
            f"DIS_model: {model_size} bytes from byte {start} pass the end of STU_study "
            f"({study_size} bytes)")
    return start


# ---------------------------------------------------------------------------
# Loading
# ---------------------------------------------------------------------------

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
_vocabulary = None


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


def _declare_description(library: ctypes.CDLL) -> None:
    i32, text = ctypes.c_int32, ctypes.c_char_p
    _declare(library, "REC_record_name", text, [i32])
    _declare(library, "REC_record_size", i32, [i32])
    _declare(library, "REC_field_count", i32, [i32])
    _declare(library, "REC_field_at", ctypes.POINTER(_DescribedField), [i32, i32])
    _declare(library, "REC_choice_word", text, [text, i32, ctypes.POINTER(i32)])
    _declare(library, "REC_choice_code", i32, [text, text])
    _declare(library, "REC_reason_name", text, [i32])
    _declare(library, "REC_reason_input", text, [i32])
    _declare(library, "REC_reason_count", i32, [])
    _declare(library, "REC_reason_at", i32, [i32])
    _declare(library, "REC_status_name", text, [i32])
    _declare(library, "SLV_message", text, [i32])
    _declare(library, "SLV_check_cases", i32, [ctypes.c_int64, i32])
    _declare(library, "SLV_check_controls", i32, [ctypes.c_int64, i32])
    _declare(library, "STU_study_size", i32, [])
    _declare(library, "STU_default_alpha", ctypes.c_double, [ctypes.c_double])
    _declare(library, "vantor_version", text, [])
    _declare(library, "MTH_set_report_hook", _ReportHook, [_ReportHook])


def _declare_questions(library: ctypes.CDLL, vocabulary: _Vocabulary) -> None:
    i32, i64, f64 = ctypes.c_int32, ctypes.c_int64, ctypes.c_double

    def to(record):
        return ctypes.POINTER(vocabulary.layouts[record])

    study, pair = to(_REC_STUDY), i64 * 2
    _declare(library, "STU_study_init", None, [study])
    _declare(library, "DIS_model_init", None, [to(_REC_DISEASE_MODEL)])
    _declare(library, "STU_power", i32, [study, i64, i64, to(_REC_POWER)])
    for name in ("STU_cases_for_controls", "STU_controls_for_cases"):
        _declare(library, name, i32, [study, i64, f64, to(_REC_SIZE)])
    for name in ("STU_cases_for_ratio", "STU_controls_for_ratio"):
        _declare(library, name, i32, [study, f64, f64, to(_REC_SIZE)])
    _declare(library, "STU_odds_ratio", i32, [study, i64, i64, f64, i32, to(_REC_EFFECT)])
    _declare(library, "STU_relative_risk", i32, [study, i64, i64, f64, i32, to(_REC_RISK)])
    design = to(_REC_DESIGN)
    _declare(library, "STU_two_stage_power", i32, [study, pair, pair, f64, design])
    _declare(library, "STU_two_stage_power_of_total", i32, [study, i64, f64, f64, design])
    _declare(library, "STU_smallest_total", i32, [study, f64, f64, design])
    _declare(library, "STU_cheapest_design", i32, [study, f64, f64, design])
    _declare(library, "STU_most_powerful_design", i32, [study, f64, f64, design])


def _open(path: str) -> tuple:
    library = ctypes.CDLL(path)
    _declare_description(library)
    vocabulary = _Vocabulary(library)
    _declare_questions(library, vocabulary)
    library.MTH_set_report_hook(_ReportHook(_report_callback, None))
    return library, vocabulary


def _load() -> tuple:
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

    Loading lays out the library's records from its description, checks them
    and installs the counting report hook.

    Raises LibraryNotFoundError when it cannot be found or lacks the
    library's functions, LayoutMismatchError when its records are not laid
    out as it describes them.
    """
    global _library, _vocabulary
    if _library is not None:
        return _library
    with _load_lock:
        if _library is None:
            _library, _vocabulary = _load()
        return _library


def _words() -> _Vocabulary:
    load_library()
    return _vocabulary


_MADE_AT_LOAD = {
    "Status": lambda v: v.status,
    "Reason": lambda v: v.reason,
    "PowerResult": lambda v: v.results[_REC_POWER],
    "SizeResult": lambda v: v.results[_REC_SIZE],
    "OddsRatioResult": lambda v: v.results[_REC_EFFECT],
    "DesignResult": lambda v: v.results[_REC_DESIGN],
    "DetectableOddsRatios": lambda v: v.both_directions,
    "RelativeRiskResult": lambda v: v.results[_REC_RISK],
    "DetectableRelativeRisks": lambda v: v.both_risks,
}


def __getattr__(name: str):
    # The names made from the library's description exist once it is loaded.
    if name in _MADE_AT_LOAD:
        return _MADE_AT_LOAD[name](_words())
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


def choice_words(choice: str) -> dict:
    """The words of one of the library's choices ("method", "variance",
    "count", "direction", "test", "model", "controls_kind", "ld_kind") and
    the library's code of each (REC_choice_word)."""
    return dict(_words().choices[choice])


def default_alpha(markers=1) -> float:
    """The significance level a question takes when ``alpha`` is not given
    (STU_default_alpha): 5e-8 (genome-wide) for one marker, already a
    per-marker level; 0.05, the study-wide level divided among them, for
    more markers."""
    return load_library().STU_default_alpha(_real(markers))


def library_version() -> str:
    """The version of the loaded library, as "MAJOR.MINOR.PATCH"."""
    return load_library().vantor_version().decode("ascii")


# ---------------------------------------------------------------------------
# Inputs: what ctypes can pass, and the library's refusal for the rest
# ---------------------------------------------------------------------------

# A choice word the library does not know gets this code (REC_choice_code's
# answer for one), which the library then refuses.
_NO_CODE = -1000
# Counts beyond the 64 bits of the library's argument: still refused by it.
_FAR_COUNT = 2**62


def _real(value) -> float:
    """A number as a double; anything else (None, text, True) as not a
    number, which every check of the library refuses."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        return math.nan
    try:
        return float(value)
    except OverflowError:
        return math.nan


def _count(value) -> int:
    """A whole count as a 64-bit integer; anything else (None, text, 2.5,
    1e400, True) as 0, which the library refuses for that count."""
    if isinstance(value, bool):
        return 0
    try:
        number = operator.index(value)
    except TypeError:
        if not (isinstance(value, numbers.Real) and math.isfinite(value)
                and float(value).is_integer()):
            return 0
        number = int(value)
    return max(min(number, _FAR_COUNT), -_FAR_COUNT)


def _code(choice: str, word) -> int:
    """The library's code of a choice's word; _NO_CODE for anything else."""
    if not isinstance(word, str) or "\0" in word:
        return _NO_CODE
    return _words().choices[choice].get(word, _NO_CODE)


def _refusal(reason: int, names: Optional[dict] = None) -> InputError:
    """The error of a refusal: the library's words after the name of the
    input it refuses (REC_reason_input), as this call names that input
    (``names``: the stage of a count, the total, the side a ratio is given
    from, d_prime or r_squared for the linkage disequilibrium)."""
    vocabulary, library = _words(), load_library()
    named = vocabulary.reason(reason)
    described = library.REC_reason_input(reason)
    argument = None if described is None else described.decode("ascii")
    argument = (names or {}).get(argument, argument)
    words = library.SLV_message(reason).decode("utf-8")
    message = f"{argument}: {words}" if argument else words
    return InputError(message, named, vocabulary.status.INVALID_INPUT, argument)


class _NotGiven:
    """The default of an input that was not given (None is a value: a
    missing one, which the library refuses)."""

    def __repr__(self) -> str:
        return "<not given>"


class _LevelForMarkers:
    """The default of ``alpha``: the library's level for the markers."""

    def __repr__(self) -> str:
        return "default_alpha(markers)"


_NOT_GIVEN = _NotGiven()
_LEVEL_FOR_MARKERS = _LevelForMarkers()

# The disease model's inputs (power/disease_model.h) and their defaults, as
# each question takes them by keyword. The choices' defaults are the words
# DIS_model_init sets; the marker's frequency defaults to the risk allele's.
_MODEL_INPUTS = {
    "frequency": _NOT_GIVEN,
    "prevalence": _NOT_GIVEN,
    "model": "multiplicative",
    "relative_risk": _NOT_GIVEN,
    "heterozygote_risk": _NOT_GIVEN,
    "homozygote_risk": _NOT_GIVEN,
    "controls_kind": "unaffected",
    "marker_frequency": _NOT_GIVEN,
    "d_prime": _NOT_GIVEN,
    "r_squared": _NOT_GIVEN,
}
# The study's effect kinds (STU_EFFECT_* of power/study.h).
_EFFECT_ALLELIC, _EFFECT_DISEASE = 1, 2


def _takes_model(*names: str):
    """Gives the decorated function the disease model's inputs ``names`` as
    keyword-only arguments (its ``**model`` receives those given): its
    signature shows them with their defaults, and any other keyword is a
    TypeError as for any Python function."""
    added = [inspect.Parameter(name, inspect.Parameter.KEYWORD_ONLY,
                               default=_MODEL_INPUTS[name]) for name in names]

    def decorate(function):
        own = inspect.signature(function)
        signature = own.replace(parameters=[
            p for p in own.parameters.values() if p.kind != inspect.Parameter.VAR_KEYWORD
        ] + added)

        @functools.wraps(function)
        def checked(*arguments, **keywords):
            signature.bind(*arguments, **keywords)
            return function(*arguments, **keywords)

        checked.__signature__ = signature
        return checked

    return decorate


def _given_model_inputs(model: dict) -> list:
    """The disease model's inputs given: any number or value, and a choice
    other than its default word."""
    return [name for name, value in model.items()
            if value is not _NOT_GIVEN
            and not (isinstance(value, str) and value == _MODEL_INPUTS[name])]


def _effect_kind(allelic: dict, model: dict, wanted: str) -> int:
    """Which effect the inputs describe: the allelic odds ratio and control
    rate, or a disease model, never both."""
    given_allelic = [name for name, value in allelic.items() if value is not _NOT_GIVEN]
    given_model = _given_model_inputs(model)
    if given_allelic and given_model:
        raise ValueError(
            f"the effect is given twice: as {' and '.join(given_allelic)} and as a disease model "
            f"({', '.join(given_model)}); give one of the two")
    if given_model:
        return _EFFECT_DISEASE
    if given_allelic:
        return _EFFECT_ALLELIC
    raise TypeError(f"{wanted} needs an effect: odds_ratio and control_rate, or a disease model "
                    "(frequency, prevalence, relative_risk, ...)")


def _set_model(record, model: dict) -> dict:
    """Writes the disease model into the study's effect (the DIS_model laid
    out from its description, where the study's odds ratio starts); returns
    the names this call gives the inputs the library names (d_prime or
    r_squared for its "ld")."""
    vocabulary, library = _words(), load_library()
    record.effect_kind = _EFFECT_DISEASE
    fields = vocabulary.layouts[_REC_DISEASE_MODEL].from_buffer(record, vocabulary.model_offset)
    library.DIS_model_init(ctypes.byref(fields))
    for name in ("frequency", "prevalence", "relative_risk", "heterozygote_risk",
                 "homozygote_risk"):
        if model.get(name, _NOT_GIVEN) is not _NOT_GIVEN:
            setattr(fields, name, _real(model[name]))
    for name in ("model", "controls_kind"):
        if name in model:
            setattr(fields, name, _code(name, model[name]))
    linkage = [name for name in ("d_prime", "r_squared")
               if model.get(name, _NOT_GIVEN) is not _NOT_GIVEN]
    if len(linkage) > 1:
        raise ValueError("the marker's linkage disequilibrium is given twice: give d_prime or "
                         "r_squared, not both")
    marker_frequency = model.get("marker_frequency", _NOT_GIVEN)
    if marker_frequency is not _NOT_GIVEN:
        if not linkage:
            raise ValueError("marker_frequency is a marker's other than the causal variant: give "
                             "its d_prime or r_squared with it")
        if math.isnan(_real(marker_frequency)):
            raise _refusal(vocabulary.reason.BAD_MARKER_FREQUENCY)
        fields.marker_frequency = _real(marker_frequency)
    if not linkage:
        return {}
    fields.ld_kind = vocabulary.choices["ld_kind"][linkage[0]]
    fields.ld = _real(model[linkage[0]])
    return {"ld": linkage[0]}


class _Study(NamedTuple):
    record: object  # the STU_study layout
    names: dict  # this call's names of the inputs the library names


def _study(wanted: str, allelic: dict, model: dict, alpha, markers, test="allelic",
           count="people", variance="pooled", **two_stages) -> _Study:
    """The study record, from STU_study_init, with the effect (``allelic``:
    odds_ratio and control_rate, or ``model``), the level (the library's
    default for the markers unless given) and the other fields (by their
    described names) set."""
    kind = _effect_kind(allelic, model, wanted)
    record = _words().layouts[_REC_STUDY]()
    load_library().STU_study_init(ctypes.byref(record))
    names = {}
    if kind == _EFFECT_ALLELIC:
        for name, value in allelic.items():
            setattr(record, name, _real(value))
    else:
        names = _set_model(record, model)
    record.markers = _real(markers)
    record.alpha = default_alpha(markers) if alpha is _LEVEL_FOR_MARKERS else _real(alpha)
    record.test = _code("test", test)
    record.count = _code("count", count)
    record.variance = _code("variance", variance)
    for name, value in two_stages.items():
        setattr(record, name, _code(name, value) if name == "method" else _real(value))
    return _Study(record, names)


def _ask(question: str, record: int, study: _Study, *arguments, names: Optional[dict] = None):
    """Asks the library `question` of the study with the arguments and its
    result record; warns once if the library reported; raises InputError for
    a refusal and gives every other answer as the record's public result."""
    library, vocabulary = load_library(), _words()
    raw = vocabulary.layouts[record]()
    _reports.counts = {}
    getattr(library, question)(ctypes.byref(study.record), *arguments, ctypes.byref(raw))
    _warn_of_reports(_reports.counts)
    if raw.status == vocabulary.status.INVALID_INPUT:
        raise _refusal(raw.reason, dict(study.names, **(names or {})))
    return _result(raw, record)


def _warn_of_reports(counts: dict) -> None:
    if counts:
        said = ", ".join(f"{word} {count} time{'s' if count > 1 else ''}"
                         for word, count in counts.items())
        warnings.warn(
            f"vantor reported {said} during this call (MIN_FLAG: a normal quantile was "
            "asked for a probability of 0 or less and taken as minus infinity)",
            RuntimeWarning,
            stacklevel=4,
        )


def _result(raw, record: int):
    """The public result of a raw record: status and reason by name, the
    library's words, and each value, None where there is none (not found, a
    count of 0, not a number)."""
    vocabulary, library = _words(), load_library()
    status = vocabulary.status(raw.status)
    found = status in (vocabulary.status.FOUND, vocabulary.status.FOUND_WITH_WARNING)
    values = {}
    for field in vocabulary.fields[record]:
        value = getattr(raw, field.name)
        if field.kind == _KIND_INTERNAL:
            continue
        if field.kind == _KIND_STATUS:
            values[field.name] = status
        elif field.kind == _KIND_REASON:
            values[field.name] = vocabulary.reason(value)
            values["message"] = library.SLV_message(value).decode("utf-8")
        elif field.kind == _KIND_COUNT:
            values[field.name] = value if found and value != 0 else None
        elif field.ctype is ctypes.c_double:
            values[field.name] = value if found and not math.isnan(value) else None
        else:
            values[field.name] = value
    return vocabulary.results[record](**values)


# ---------------------------------------------------------------------------
# One stage
# ---------------------------------------------------------------------------

_ALL_MODEL_INPUTS = tuple(_MODEL_INPUTS)


@_takes_model(*_ALL_MODEL_INPUTS)
def single_stage_power(cases, controls, odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN,
                       alpha=_LEVEL_FOR_MARKERS, *, test: str = "allelic", markers=1,
                       count: str = "people", variance: str = "pooled", **model) -> "PowerResult":
    """Power of the two-sided ``test`` of ``cases`` and ``controls``.

    The effect is either ``odds_ratio`` (the allelic odds ratio of cases
    against controls) with ``control_rate`` (the risk allele's rate among
    controls), or a disease model: ``frequency``, ``prevalence``,
    ``model`` ("multiplicative", "additive", "dominant", "recessive" with
    ``relative_risk``; "free" with ``heterozygote_risk`` and
    ``homozygote_risk``), ``controls_kind`` ("unaffected" or "population")
    and, for a marker other than the causal variant, ``d_prime`` or
    ``r_squared`` (and its ``marker_frequency``). Giving both is a
    ValueError. ``test`` is "allelic", or with a disease model "trend",
    "dominant", "recessive" or "genotypic".

    Counts are people (two alleles each) unless ``count="alleles"``. The
    level ``alpha`` is study-wide for ``markers`` markers (the test runs at
    alpha / markers); not given, it is default_alpha(markers): 5e-8 for one
    marker, 0.05 for more. ``variance`` is "pooled" or "unpooled".

    Returns a PowerResult with what the test sees at the marker
    (``marker_alpha``, ``marker_case_rate``, ``marker_control_rate``,
    ``marker_odds_ratio``): FOUND, or FOUND_WITH_WARNING when fewer than 5
    copies of an allele are expected in a group, or NOT_REACHABLE
    (POWER_NOT_COMPUTABLE, power None) when a rate is too close to 0 or 1
    for double precision. Raises InputError for a refused input.
    """
    study = _study("single_stage_power", dict(odds_ratio=odds_ratio, control_rate=control_rate),
                   model, alpha, markers, test, count, variance)
    return _ask("STU_power", _REC_POWER, study, _count(cases), _count(controls))


def _size(question: str, given, name: str, odds_ratio, control_rate, alpha, target_power,
          options: dict, model: dict, count_given: bool) -> "SizeResult":
    study = _study(question, dict(odds_ratio=odds_ratio, control_rate=control_rate), model,
                   alpha, **options)
    known = _count(given) if count_given else _real(given)
    return _ask(question, _REC_SIZE, study, known, _real(target_power),
                names={"controls_per_case": name})


@_takes_model(*_ALL_MODEL_INPUTS)
def cases_for_controls(controls, odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN,
                       alpha=_LEVEL_FOR_MARKERS, target_power=DEFAULT_TARGET_POWER, *,
                       test: str = "allelic", markers=1, count: str = "people",
                       variance: str = "pooled", **model) -> "SizeResult":
    """Smallest number of cases reaching ``target_power`` with ``controls`` fixed.

    The answer is the smallest size from which every larger one reaches the
    target (the power need not rise steadily with one group fixed). Counts
    are people unless ``count="alleles"``; a people answer is searched in
    whole people. An unreachable target is a result with status
    NOT_REACHABLE, its reason and message, and no numbers. The effect, the
    test, the markers and the level are as for single_stage_power.
    """
    options = dict(markers=markers, test=test, count=count, variance=variance)
    return _size("STU_cases_for_controls", controls, "controls", odds_ratio, control_rate,
                 alpha, target_power, options, model, count_given=True)


@_takes_model(*_ALL_MODEL_INPUTS)
def controls_for_cases(cases, odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN,
                       alpha=_LEVEL_FOR_MARKERS, target_power=DEFAULT_TARGET_POWER, *,
                       test: str = "allelic", markers=1, count: str = "people",
                       variance: str = "pooled", **model) -> "SizeResult":
    """Smallest number of controls reaching ``target_power`` with ``cases``
    fixed (see cases_for_controls)."""
    options = dict(markers=markers, test=test, count=count, variance=variance)
    return _size("STU_controls_for_cases", cases, "cases", odds_ratio, control_rate, alpha,
                 target_power, options, model, count_given=True)


@_takes_model(*_ALL_MODEL_INPUTS)
def cases_for_ratio(controls_per_case, odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN,
                    alpha=_LEVEL_FOR_MARKERS, target_power=DEFAULT_TARGET_POWER, *,
                    test: str = "allelic", markers=1, count: str = "people",
                    variance: str = "pooled", **model) -> "SizeResult":
    """Smallest number of cases reaching ``target_power`` with
    ``controls_per_case`` controls per case (1 for equal groups).

    The controls are ``controls_per_case * cases`` rounded to the nearest
    whole person (allele with ``count="alleles"``), halves up, at least 1.
    """
    options = dict(markers=markers, test=test, count=count, variance=variance)
    return _size("STU_cases_for_ratio", controls_per_case, "controls_per_case", odds_ratio,
                 control_rate, alpha, target_power, options, model, count_given=False)


@_takes_model(*_ALL_MODEL_INPUTS)
def controls_for_ratio(cases_per_control, odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN,
                       alpha=_LEVEL_FOR_MARKERS, target_power=DEFAULT_TARGET_POWER, *,
                       test: str = "allelic", markers=1, count: str = "people",
                       variance: str = "pooled", **model) -> "SizeResult":
    """Smallest number of controls with ``cases_per_control`` cases per
    control (see cases_for_ratio)."""
    options = dict(markers=markers, test=test, count=count, variance=variance)
    return _size("STU_controls_for_ratio", cases_per_control, "cases_per_control", odds_ratio,
                 control_rate, alpha, target_power, options, model, count_given=False)


#: The word of ``direction`` asking for both sides of 1.
BOTH_DIRECTIONS = "both"


def _both_sides(question: str, record: int, pair: type, study: _Study, cases, controls,
                target_power, direction):
    """The answers above and below 1 as ``pair``, or the one of ``direction``."""
    sides = list(_words().choices["direction"]) if direction == BOTH_DIRECTIONS else [direction]
    found = [_ask(question, record, study, _count(cases), _count(controls), _real(target_power),
                  _code("direction", side))
             for side in sides]
    return pair(*found) if direction == BOTH_DIRECTIONS else found[0]


def detectable_odds_ratios(cases, controls, control_rate, alpha=_LEVEL_FOR_MARKERS,
                           target_power=DEFAULT_TARGET_POWER, *, direction: str = BOTH_DIRECTIONS,
                           markers=1, count: str = "people", variance: str = "pooled"):
    """The odds ratio a study of ``cases`` and ``controls`` detects with
    ``target_power``, such that every stronger effect is detected too.

    ``direction`` "above" gives the smallest above 1 and "below" the largest
    below 1, as an OddsRatioResult; "both" (the default) gives both, as
    DetectableOddsRatios(above, below). Either may be NOT_REACHABLE (the
    power levels off below the target however strong the effect). The level
    is as for single_stage_power.
    """
    study = _study("detectable_odds_ratios", dict(odds_ratio=math.nan, control_rate=control_rate),
                   {}, alpha, markers, count=count, variance=variance)
    return _both_sides("STU_odds_ratio", _REC_EFFECT, _words().both_directions, study, cases,
                       controls, target_power, direction)


@_takes_model("model", "controls_kind", "marker_frequency", "d_prime", "r_squared")
def detectable_relative_risks(cases, controls, frequency, prevalence, alpha=_LEVEL_FOR_MARKERS,
                              target_power=DEFAULT_TARGET_POWER, *,
                              direction: str = BOTH_DIRECTIONS, test: str = "allelic",
                              markers=1, count: str = "people", variance: str = "pooled",
                              **model):
    """The genotype relative risk r of a one-parameter disease model
    (multiplicative, the default, additive, dominant or recessive) that a
    study of ``cases`` and ``controls`` detects with ``target_power`` by its
    ``test``, as single_stage_power takes the model, the test and the level.

    ``direction`` "above" gives the smallest r above 1 and "below" the
    largest below 1, as a RelativeRiskResult (with what the test sees at the
    marker at that r); "both" (the default) gives both, as
    DetectableRelativeRisks(above, below). Either may be NOT_REACHABLE
    (LEVELS_OFF_WITH_RISK: the power at the largest valid r falls short).
    The free model has no single r (InputError NO_SINGLE_RISK).
    """
    given = dict(model, frequency=frequency, prevalence=prevalence)
    study = _study("detectable_relative_risks", {}, given, alpha, markers, test, count, variance)
    return _both_sides("STU_relative_risk", _REC_RISK, _words().both_risks, study, cases,
                       controls, target_power, direction)


# ---------------------------------------------------------------------------
# Two stages
# ---------------------------------------------------------------------------


def _stage_names(stage1_cases, stage1_controls, count) -> dict:
    """Which stage's count a refusal of the cases or controls names: the
    library checks stage 1's before stage 2's."""
    library, unit, none = load_library(), _code("count", count), _words().reason.NONE
    cases_refused = library.SLV_check_cases(_count(stage1_cases), unit) != none
    controls_refused = library.SLV_check_controls(_count(stage1_controls), unit) != none
    return {
        "cases": "stage1_cases" if cases_refused else "stage2_cases",
        "controls": "stage1_controls" if controls_refused else "stage2_controls",
    }


def _two_stage_study(wanted: str, odds_ratio, control_rate, model: dict, alpha, options: dict,
                     **two_stages) -> _Study:
    return _study(wanted, dict(odds_ratio=odds_ratio, control_rate=control_rate), model, alpha,
                  **options, **two_stages)


@_takes_model(*_ALL_MODEL_INPUTS)
def two_stage_power(stage1_cases, stage1_controls, stage2_cases, stage2_controls,
                    odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN, *, stage1_alpha,
                    alpha=_LEVEL_FOR_MARKERS, method: str = "joint", cost_ratio=1.0,
                    test: str = "allelic", markers=1, count: str = "people",
                    variance: str = "pooled", **model) -> "DesignResult":
    """Power and genotyping cost of a two-stage design with these counts.

    Stage 1 genotypes every marker; the markers that pass ``stage1_alpha``
    go on to stage 2. ``alpha`` is the overall level, study-wide for
    ``markers`` markers (default_alpha(markers) unless given: 5e-8 for one
    marker, 0.05 for more); the final level is derived and returned as
    ``final_alpha``. ``method`` is "replication", "product" or "joint" (the
    default). ``cost`` is stage 1's total plus ``cost_ratio`` times
    ``stage1_alpha`` times stage 2's total. Counts are people unless
    ``count="alleles"``. ``variance`` is the replication analysis's
    ("pooled" or "unpooled"); the product and joint analyses are the same
    either way. The effect is as for single_stage_power; a disease model
    enters as the odds ratio and control rate at its marker, and the
    analyses are allelic (another ``test`` is refused).
    """
    options = dict(markers=markers, test=test, count=count, variance=variance)
    study = _two_stage_study("two_stage_power", odds_ratio, control_rate, model, alpha, options,
                             method=method, stage1_alpha=stage1_alpha)
    pair = ctypes.c_int64 * 2
    cases = pair(_count(stage1_cases), _count(stage2_cases))
    controls = pair(_count(stage1_controls), _count(stage2_controls))
    return _ask("STU_two_stage_power", _REC_DESIGN, study, cases, controls, _real(cost_ratio),
                names=_stage_names(stage1_cases, stage1_controls, count))


@_takes_model(*_ALL_MODEL_INPUTS)
def two_stage_power_of_total(total, stage1_share, odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN,
                             *, stage1_alpha, alpha=_LEVEL_FOR_MARKERS, method: str = "joint",
                             case_fraction=0.5, cost_ratio=1.0, test: str = "allelic", markers=1,
                             count: str = "people", variance: str = "pooled",
                             **model) -> "DesignResult":
    """As two_stage_power for the design a ``total`` becomes: ``stage1_share``
    of it in stage 1 and ``case_fraction`` of each stage's people cases
    (halves rounded up). 1,000 people with stage1_share 0.3 are 150 cases and
    150 controls in stage 1, 350 and 350 in stage 2."""
    options = dict(markers=markers, test=test, count=count, variance=variance)
    study = _two_stage_study("two_stage_power_of_total", odds_ratio, control_rate, model, alpha,
                             options, method=method, stage1_alpha=stage1_alpha,
                             case_fraction=case_fraction)
    return _ask("STU_two_stage_power_of_total", _REC_DESIGN, study, _count(total),
                _real(stage1_share), _real(cost_ratio),
                names={"cases": "total", "controls": "total"})


@_takes_model(*_ALL_MODEL_INPUTS)
def smallest_total(stage1_share, odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN, *, stage1_alpha,
                   alpha=_LEVEL_FOR_MARKERS, target_power=DEFAULT_TARGET_POWER,
                   method: str = "joint", case_fraction=0.5, test: str = "allelic", markers=1,
                   count: str = "people", variance: str = "pooled", **model) -> "DesignResult":
    """Smallest total (both stages, both groups) reaching ``target_power``.

    A total is split as two_stage_power_of_total splits it. The answer is
    the smallest total from which every larger total the search tried
    reaches the target."""
    options = dict(markers=markers, test=test, count=count, variance=variance)
    study = _two_stage_study("smallest_total", odds_ratio, control_rate, model, alpha, options,
                             method=method, stage1_alpha=stage1_alpha,
                             case_fraction=case_fraction)
    return _ask("STU_smallest_total", _REC_DESIGN, study, _real(stage1_share),
                _real(target_power))


@_takes_model(*_ALL_MODEL_INPUTS)
def cheapest_design(odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN, *, alpha=_LEVEL_FOR_MARKERS,
                    target_power=DEFAULT_TARGET_POWER, method: str = "joint", cost_ratio=1.0,
                    case_fraction=0.5, test: str = "allelic", markers=1, count: str = "people",
                    variance: str = "pooled", **model) -> "DesignResult":
    """The stage split and stage 1 level reaching ``target_power`` at the
    least genotyping cost per marker, with its cost against the one-stage
    design of the same power (``one_stage_total``, ``relative_cost``)."""
    options = dict(markers=markers, test=test, count=count, variance=variance)
    study = _two_stage_study("cheapest_design", odds_ratio, control_rate, model, alpha, options,
                             method=method, case_fraction=case_fraction)
    return _ask("STU_cheapest_design", _REC_DESIGN, study, _real(target_power),
                _real(cost_ratio))


@_takes_model(*_ALL_MODEL_INPUTS)
def most_powerful_design(budget, odds_ratio=_NOT_GIVEN, control_rate=_NOT_GIVEN, *,
                         alpha=_LEVEL_FOR_MARKERS, method: str = "joint", cost_ratio=1.0,
                         case_fraction=0.5, test: str = "allelic", markers=1,
                         count: str = "people", variance: str = "pooled",
                         **model) -> "DesignResult":
    """The design of greatest power whose genotyping cost per marker is at
    most ``budget`` (people, or alleles with ``count="alleles"``)."""
    options = dict(markers=markers, test=test, count=count, variance=variance)
    study = _two_stage_study("most_powerful_design", odds_ratio, control_rate, model, alpha,
                             options, method=method, case_fraction=case_fraction)
    return _ask("STU_most_powerful_design", _REC_DESIGN, study, _real(budget), _real(cost_ratio))
