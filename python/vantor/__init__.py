"""Power of case-control genetic association studies, from Python.

A thin layer over the shared vantor library (question/ask.h), in ctypes:
``ask(**inputs)`` asks the question of any inputs named as in
docs/glossary.md, and each function below asks the one its name states (an
argument left at None is not given). The library decides the question,
applies every default and checks every input; a refused one raises
``InputError`` (a ``ValueError``) in its words, the value as Python writes
it ("cases 2.5: ...", "cases None: ...", "cases '0x10': ..."). The results,
``Reason`` and ``Status`` are made from the library's description of its
records (question/records.h) on first use, so importing always works; the
library is looked for in ``$VANTOR_LIBRARY``, beside this module (where
``pip install ./python`` puts it), in the repository's ``build/``, in
``lib/`` of a CMake installation, then by the system's loader. Any input
given several values (a list, a NumPy array ...) asks a grid, every
combination of the values, answered as a pandas DataFrame (``ask``).
Threads may call at once. Every question also takes ``replicates`` and
``seed``: given a number of replicates, the library simulates that many
studies of the answer and its ``simulated_power`` (with ``standard_error``)
is the share whose test rejected, the same for the same seed everywhere;
without them those fields are None. docs/python.md tells more.

    >>> import vantor
    >>> result = vantor.single_stage_power(1000, 1000, 1.3, 0.3, alpha=0.05)
    >>> result.status.name, round(result.power, 3)
    ('FOUND', 0.973)
    >>> vantor.ask(cases=1000, controls=1000, odds_ratio=1.3, control_rate=0.3,
    ...            alpha=0.05) == result
    True
"""

import ctypes
import ctypes.util
import enum
import functools
import inspect
import itertools
import math
import numbers
import os
import re
import sys
import textwrap
import threading
import warnings
from typing import NamedTuple, Optional

from . import _grid

__all__ = [
    "LibraryNotFoundError", "LayoutMismatchError", "InputError", "Status", "Reason",
    "PowerResult", "SizeResult", "OddsRatioResult", "DetectableOddsRatios", "DesignResult",
    "RelativeRiskResult", "DetectableRelativeRisks", "ask", "single_stage_power",
    "cases_for_controls", "controls_for_cases", "cases_for_ratio", "controls_for_ratio",
    "detectable_odds_ratios", "detectable_relative_risks", "two_stage_power",
    "two_stage_power_of_total", "smallest_total", "cheapest_design", "most_powerful_design",
    "choice_words", "default_alpha", "load_library", "library_version", "WideTable",
    "wide_table", "methods", "FigureData", "Curve", "figure_data", "figure",
]


class LibraryNotFoundError(OSError):
    """The shared vantor library could not be found or loaded."""


class LayoutMismatchError(ImportError):
    """The library's records are not laid out as it describes them (named)."""


class InputError(ValueError):
    """An input the library refuses: ``str()`` is the library's words
    (ASK_message), ``reason`` a ``Reason``, ``status`` a ``Status``,
    ``argument`` the refused input's name (None when it names none) and
    ``row`` the grid's row refused (from 1; None for one question)."""

    def __init__(self, message: str, reason, status, argument: Optional[str]):
        super().__init__(message)
        self.reason, self.status, self.argument = reason, status, argument
        self.row = None


# The library's description of its records: their numbers, C types and kinds
# (question/records.h).
_REC_POWER, _REC_SIZE, _REC_EFFECT, _REC_DESIGN, _REC_RISK, _REC_ANSWER = 2, 3, 4, 5, 6, 8
_C_TYPES = {1: ctypes.c_int32, 2: ctypes.c_int64, 3: ctypes.c_double}
_KIND_COUNT, _KIND_STATUS, _KIND_REASON, _KIND_CHOICE, _KIND_INTERNAL = 1, 2, 3, 4, 5
# ASK_COUNT, ASK_WORD and ASK_SPELL_NAME of question/ask.h; the most answers of a request.
_ASK_COUNT, _ASK_WORD, _ASK_SPELL_NAME, _MOST_ANSWERS = 1, 3, 2, 2

# The result types, and what each holds (its values None unless found).
_RESULT_NAMES = {
    _REC_POWER: ("PowerResult", "The power of one study."),
    _REC_SIZE: ("SizeResult", "The sizes for a target power, in the unit asked in."),
    _REC_EFFECT: ("OddsRatioResult", "A detectable odds ratio and its power."),
    _REC_DESIGN: ("DesignResult", "A two-stage design and what it achieves."),
    _REC_RISK: ("RelativeRiskResult", "A detectable relative risk of a disease model."),
}
# The answers on each side of 1 of a detectable effect.
_PAIR_NAMES = {_REC_EFFECT: "DetectableOddsRatios", _REC_RISK: "DetectableRelativeRisks"}


class _DescribedField(ctypes.Structure):
    # Mirrors REC_field in question/records.h.
    _fields_ = [("name", ctypes.c_char_p), ("type", ctypes.c_int32), ("offset", ctypes.c_int32),
                ("kind", ctypes.c_int32), ("unit", ctypes.c_char_p), ("meaning", ctypes.c_char_p)]


class _DescribedInput(ctypes.Structure):
    # Mirrors ASK_input in question/ask.h.
    _fields_ = [("name", ctypes.c_char_p), ("kind", ctypes.c_int32), ("choice", ctypes.c_char_p),
                ("reason", ctypes.c_int32), ("value_default", ctypes.c_char_p),
                ("meaning", ctypes.c_char_p), ("effect", ctypes.c_int32)]


_Field = NamedTuple("_Field", [("name", str), ("ctype", type), ("offset", int), ("kind", int)])


def _described_fields(library: ctypes.CDLL, record: int) -> list:
    """The record's fields as the library describes them, in its order."""
    fields = [library.REC_field_at(record, i).contents
              for i in range(library.REC_field_count(record))]
    for field in (f for f in fields if f.type not in _C_TYPES):
        raise LayoutMismatchError(f"{library.REC_record_name(record).decode()}."
                                  f"{field.name.decode()}: C type {field.type} is not known")
    return [_Field(f.name.decode("ascii"), _C_TYPES[f.type], f.offset, f.kind) for f in fields]


def _structure(record_name: str, size: int, fields: list) -> type:
    """A ctypes Structure of the described fields at their offsets (padding
    between), checked against the record's size and every offset."""
    members, position = [], 0
    for field in sorted(fields, key=lambda f: f.offset):
        natural = -(-position // ctypes.alignment(field.ctype)) * ctypes.alignment(field.ctype)
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
    if ctypes.sizeof(layout) != size:
        raise LayoutMismatchError(f"{record_name} is {size} bytes in the library, "
                                  f"{ctypes.sizeof(layout)} laid out from its description")
    return layout


def _answer_layout(library: ctypes.CDLL, head: list, largest_result: int) -> type:
    """ASK_answer: its head as the library describes it (REC_ANSWER), then its
    result, at the offset and in the size the library gives, checked."""
    offset, size = library.ASK_result_offset(), library.ASK_answer_size()
    if library.REC_record_size(_REC_ANSWER) != offset:
        raise LayoutMismatchError(f"ASK_answer.result: at byte {offset} in the library, at byte "
                                  f"{library.REC_record_size(_REC_ANSWER)} in its description")
    if size - offset < largest_result:
        raise LayoutMismatchError(f"ASK_answer.result: {size - offset} bytes in the library, "
                                  f"too few for a result record of {largest_result}")
    result = _Field("result", ctypes.c_char * (size - offset), offset, _KIND_INTERNAL)
    return _structure("ASK_answer", size, head + [result])


def _result_type(name: str, doc: str, fields: list, status, reason) -> type:
    """A named tuple of the record's fields but its bookkeeping, and ``message``."""
    members = []
    for field in fields:
        if field.kind == _KIND_STATUS:
            members.append((field.name, status))
        elif field.kind == _KIND_REASON:
            members += [(field.name, reason), ("message", str)]
        elif field.kind != _KIND_INTERNAL:
            members.append((field.name, Optional[str if field.kind == _KIND_CHOICE else float
                                                 if field.ctype is ctypes.c_double else int]))
    result = NamedTuple(name, members)
    result.__doc__, result.__module__ = doc, __name__
    return result


def _named_codes(name: str, names, codes) -> type:
    named = enum.IntEnum(name, [(names(c).decode("ascii"), c) for c in codes])
    named.__module__, named.__doc__ = __name__, f"The library's {name.lower()}s by its names."
    return named


def _choice_words(library: ctypes.CDLL, choice: str) -> dict:
    words, code = {}, ctypes.c_int32()
    while (word := library.REC_choice_word(choice.encode(), len(words), ctypes.byref(code))):
        words[word.decode("ascii")] = code.value
    return words


class _Vocabulary:
    """Everything made from the library's description when it is loaded."""

    def __init__(self, library: ctypes.CDLL):
        self.reason = _named_codes("Reason", library.REC_reason_name, map(
            library.REC_reason_at, range(library.REC_reason_count())))
        statuses = itertools.takewhile(library.REC_status_name, itertools.count())
        self.status = _named_codes("Status", library.REC_status_name, statuses)
        self.status_words = {s: library.VANTOR_status_name(s).decode("ascii") for s in self.status}
        self.fields, self.extras, self.layouts, self.results, self.pairs = {}, {}, {}, {}, {}
        self.public = {"Status": self.status, "Reason": self.reason}
        self.head = head = _described_fields(library, _REC_ANSWER)
        for record, (name, doc) in _RESULT_NAMES.items():
            self.fields[record] = _described_fields(library, record)
            self.layouts[record] = _structure(library.REC_record_name(record).decode("ascii"),
                                              library.REC_record_size(record),
                                              self.fields[record])
            self.extras[record] = [f for f in head if f.kind not in (_KIND_STATUS, _KIND_REASON,
                _KIND_INTERNAL) and all(f.name != own.name for own in self.fields[record])]
            self.results[record] = self.public[name] = _result_type(
                name, doc, self.fields[record] + self.extras[record], self.status, self.reason)
        self.answer = _answer_layout(library, head, max(map(ctypes.sizeof, self.layouts.values())))
        if library.ASK_input_size() != ctypes.sizeof(_DescribedInput):
            raise LayoutMismatchError(f"ASK_input is {library.ASK_input_size()} bytes in the "
                                      f"library, {ctypes.sizeof(_DescribedInput)} in this module")
        self.inputs = [library.ASK_input_at(i).contents
                       for i in range(library.ASK_input_count())]
        self.input_index = {described.name.decode("ascii"): (index, described.kind)
                            for index, described in enumerate(self.inputs)}
        # Every choice the description names, of an input or a field.
        named = {i.choice.decode("ascii") for i in self.inputs if i.choice}
        named |= {f.name for fields in [head, *self.fields.values()] for f in fields
                  if f.kind == _KIND_CHOICE}
        self.choices = {choice: _choice_words(library, choice) for choice in sorted(named)}
        self.names = {choice: {c: w for w, c in words.items()}
                      for choice, words in self.choices.items()}
        for record, name in _PAIR_NAMES.items():
            pair = NamedTuple(name, [(w, self.results[record]) for w in self.choices["direction"]])
            pair.__module__, pair.__doc__ = __name__, "A detectable effect on each side of 1."
            self.pairs[record] = self.public[name] = pair


# Loading

# Mirrors MTH_report_hook in numeric/MTH_report.h.
_REPORT_FUNCTION = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_void_p)


class _ReportHook(ctypes.Structure):
    _fields_ = [("fn", _REPORT_FUNCTION), ("context", ctypes.c_void_p)]


# The hook runs on the thread that computes, which is the thread that called
# into the library, so each thread counts its own calls' reports.
_reports = threading.local()


def _count_report(what: bytes, _context) -> None:
    counts, word = _reports.__dict__.setdefault("counts", {}), what.decode("ascii", "replace")
    counts[word] = counts.get(word, 0) + 1


# Kept for the life of the module: the library holds a pointer to it.
_report_callback = _REPORT_FUNCTION(_count_report)

# Serialises loading only; the computations need no lock.
_load_lock = threading.Lock()
_library = _vocabulary = None


def _candidate_paths() -> list:
    here = os.path.dirname(os.path.abspath(__file__))
    name = ("libvantor.dylib" if sys.platform == "darwin" else
            "vantor.dll" if sys.platform.startswith("win") else "libvantor.so")
    # Beside the module (pip's install), the repository's build/, an
    # installation's lib/ (the module in share/vantor/python/vantor).
    places = [here, os.path.join(here, os.pardir, os.pardir, "build")]
    if here.replace(os.sep, "/").endswith("/share/vantor/python/vantor"):
        places.append(os.path.join(here, *[os.pardir] * 4, "lib"))
    return [os.path.normpath(os.path.join(place, name)) for place in places] + [
        found for found in [ctypes.util.find_library("vantor")] if found]


def _declare(library: ctypes.CDLL) -> None:
    i32, f64, text, address = ctypes.c_int32, ctypes.c_double, ctypes.c_char_p, ctypes.c_void_p
    for name, restype, argtypes in [
        ("REC_record_name", text, [i32]), ("REC_record_size", i32, [i32]),
        ("REC_field_count", i32, [i32]), ("REC_status_name", text, [i32]),
        ("REC_field_at", ctypes.POINTER(_DescribedField), [i32, i32]),
        ("REC_choice_word", text, [text, i32, ctypes.POINTER(i32)]),
        ("REC_reason_name", text, [i32]), ("REC_reason_count", i32, []),
        ("REC_reason_at", i32, [i32]), ("ASK_input_count", i32, []), ("ASK_input_size", i32, []),
        ("ASK_input_at", ctypes.POINTER(_DescribedInput), [i32]),
        ("ASK_request_new", address, []), ("ASK_request_free", None, [address]),
        ("ASK_give", None, [address, i32, f64]), ("ASK_give_text", None, [address, i32, text]),
        ("ASK_answer_request", i32, [address, address]), ("ASK_answer_size", i32, []),
        ("ASK_message", i32, [address, address, i32, text, i32]),
        ("ASK_result_offset", i32, []), ("STU_default_alpha", f64, [f64]),
        ("vantor_version", text, []), ("VANTOR_status_name", text, [i32]),
        ("ASK_answer_rows", ctypes.c_int64,
         [address, i32, address, address, ctypes.c_int64, address, ctypes.POINTER(i32)]), ("MTH_set_report_hook", _ReportHook, [_ReportHook]),
        ("vantor_methods", i32, [address, address, text, i32]),
        ("vantor_caption", i32, [address, address, i32, i32, text, i32])]:
        function = getattr(library, name)
        function.restype, function.argtypes = restype, argtypes


def _load() -> tuple:
    explicit, tried = os.environ.get("VANTOR_LIBRARY"), []
    for path in [explicit] if explicit else _candidate_paths():
        try:
            library = ctypes.CDLL(path)
            _declare(library)
        except (OSError, AttributeError) as error:
            tried.append(f"{path} ({error})")
            continue
        library.MTH_set_report_hook(_ReportHook(_report_callback, None))
        return library, _Vocabulary(library)
    raise LibraryNotFoundError("the vantor shared library was not found; build it with "
                               "-DBUILD_SHARED_LIBS=ON and set VANTOR_LIBRARY to its path. "
                               "Tried: " + "; ".join(tried))


def load_library() -> ctypes.CDLL:
    """Loads the shared library once (laying out and checking its records,
    installing the counting report hook) and returns it."""
    global _library, _vocabulary
    if _library is None:
        with _load_lock:
            if _library is None:
                _library, _vocabulary = _load()
    return _library


def _words() -> _Vocabulary:
    return load_library() and _vocabulary


def __getattr__(name: str):  # the public names made from the library's description
    if name in __all__:
        return _words().public[name]
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


def choice_words(choice: str) -> dict:
    """The words of one of the library's choices (method, variance, count,
    direction, test, model, controls_kind, ld_kind, solve) and their codes."""
    return dict(_words().choices[choice])


def default_alpha(markers=1) -> float:
    """The level a question of ``markers`` markers takes when ``alpha`` is
    not given (STU_default_alpha): 5e-8 for one, 0.05 study-wide for more."""
    return load_library().STU_default_alpha(_real(markers))


def library_version() -> str:
    """The version of the loaded library, as "MAJOR.MINOR.PATCH"."""
    return load_library().vantor_version().decode("ascii")


# Asking: named inputs in, the answer's result out


def _real(value) -> float:
    """A real number as a double; not a number for None, text, True, 10**400."""
    try:
        return math.nan if isinstance(value, bool) or not isinstance(
            value, numbers.Real) else float(value)
    except OverflowError:
        return math.nan


def _give(library: ctypes.CDLL, request, name: str, value) -> None:
    """Gives the request one input: a plain number (finite or infinite) as
    itself, a word's text as the word, anything else as Python writes it."""
    index, kind = _words().input_index.get(name, (None, None))
    if index is None:
        raise TypeError(f"vantor has no input named {name!r}")
    if kind != _ASK_WORD and not math.isnan(number := _real(value)):
        library.ASK_give(request, index, number)
    else:  # a word as itself, the rest as Python writes it, cut to the 31 characters kept
        word = kind == _ASK_WORD and isinstance(value, str) and "\0" not in value
        try:
            text = value if word else repr(value)
        except ValueError:  # an int of more digits than Python writes
            text = f"<{type(value).__name__} too long to write>"
        text = text if len(text) <= 31 else text[:28] + "..."
        library.ASK_give_text(request, index, text.encode())


def _message(library: ctypes.CDLL, answer, request) -> str:
    """The answer's words, the inputs named as Python names them."""
    size, length = 0, 255
    while length >= size:
        size, text = length + 1, ctypes.create_string_buffer(length + 1)
        length = library.ASK_message(ctypes.byref(answer), request, _ASK_SPELL_NAME, text, size)
    return text.value.decode("utf-8", "replace")


def _result(answer, message: str):
    """The public result of an answer (each value None where there is none:
    not found, a count of 0, not a number); InputError for a refusal."""
    words = _words()
    status = words.status(answer.status)
    if status == words.status.INVALID_INPUT:
        argument = (words.inputs[answer.input].name.decode("ascii")
                    if 0 <= answer.input < len(words.inputs) else None)
        raise InputError(message, words.reason(answer.reason), status, argument)
    raw = words.layouts[answer.record].from_buffer(answer, type(answer).result.offset)
    found = status in (words.status.FOUND, words.status.FOUND_WITH_WARNING)
    simulated = getattr(answer, "replicates", 0) != 0  # the simulation's fields, else None
    values = {}  # the record's, then the head's (what the request took, found or not)
    for source, fields, shown in ((raw, words.fields[answer.record], found),
                                  (answer, words.extras[answer.record], True)):
        for field in fields:
            value = getattr(source, field.name)
            if field.kind == _KIND_STATUS:
                values[field.name] = status
            elif field.kind == _KIND_REASON:
                values[field.name], values["message"] = words.reason(value), message
            elif field.kind == _KIND_COUNT:
                values[field.name] = value if shown and value != 0 else None
            elif field.kind == _KIND_CHOICE:  # the word of the choice of its name, or None
                values[field.name] = words.names[field.name].get(value)
            elif field.name in _SIMULATION and not simulated:
                values[field.name] = None
            elif field.ctype is ctypes.c_double:
                values[field.name] = value if shown and not math.isnan(value) else None
            elif field.kind != _KIND_INTERNAL:
                values[field.name] = value
    return words.results[answer.record](**values)


def _warn_of_reports(counts: dict) -> None:
    if not counts:
        return
    frame, level = sys._getframe(), 1
    while frame is not None and frame.f_globals.get("__name__") == __name__:
        frame, level = frame.f_back, level + 1
    said = ", ".join(f"{word} {count} time{'s' if count > 1 else ''}"
                     for word, count in counts.items())
    warnings.warn(f"vantor reported {said} during this call (MIN_FLAG: a normal quantile was "
                  "asked for a probability of 0 or less and taken as minus infinity)",
                  RuntimeWarning, stacklevel=level)


class _Request:
    """One request of the library, freed on leaving ``with``: given inputs by
    name (again and again, for a grid's next point) and answered."""

    def __init__(self):
        self.library, self.words = load_library(), _words()
        self.handle = self.library.ASK_request_new()
        if not self.handle:
            raise MemoryError("vantor: no memory for a request")

    def __enter__(self):
        return self

    def __exit__(self, *_exception):
        self.library.ASK_request_free(self.handle)

    def give(self, inputs: dict) -> None:
        for name, value in inputs.items():
            _give(self.library, self.handle, name, value)

    def answer(self) -> list:
        """The request's answers (one, or both sides of 1), as the library
        lays them out; a warning when the library reported."""
        answers = (self.words.answer * _MOST_ANSWERS)()
        _reports.counts = {}
        count = self.library.ASK_answer_request(self.handle, answers)
        _warn_of_reports(_reports.counts)
        return list(answers[:count])

    def results(self, answers: list) -> list:
        """The public results of the answers; InputError for a refusal."""
        return [_result(a, self.message(a)) for a in answers]

    def message(self, answer) -> str:
        """The answer's words (a refused value as this request holds it)."""
        return _message(self.library, answer, self.handle)

    def text(self, write, *arguments) -> str:
        """The text a writer of vantor/methods.h writes of this request:
        asked once with room for most texts, again with room for a longer one."""
        size, length = 0, 4095
        while length >= size:
            size, text = length + 1, ctypes.create_string_buffer(length + 1)
            length = write(self.handle, *arguments, text, size)
        return text.value.decode("utf-8")


def ask(**inputs):
    """Asks the question of these named inputs (the glossary's names, and
    ``stages`` 1 or 2, ``solve`` "power", "size", "effect" or "design"); the
    library decides it, applies the defaults and checks every input. None,
    like anything not a number, is given as a missing value. Returns the
    result, or both sides of a detectable effect without a ``direction``
    (DetectableOddsRatios or DetectableRelativeRisks); raises InputError for
    a refused request, TypeError for a name that is no input's.

    An input given several values (a list, a tuple, a range, a NumPy array,
    a pandas Series) asks a grid: every combination of the values, the input
    given last varying fastest, as the program's grids. The answer is then
    a pandas DataFrame, one row an answer (two for both sides of 1), or a
    list of dicts of the same columns where pandas is not installed: the
    inputs given that the answer does not hold, the answer's numbers,
    "status", "reason" and "message" (docs/python.md). The first row the
    library refuses raises its InputError."""
    return _answered(inputs, {})


def _answered(inputs: dict, fixed: dict):
    """The answer of ``inputs`` and of ``fixed`` (what a question's name
    states), a grid's rows where an input is given several values."""
    if any(_grid.several(value) for value in inputs.values()):
        return _grid_rows({**fixed, **inputs}, list(inputs))
    return _answer_of({**fixed, **inputs})


def _answer_of(inputs: dict):
    """The answer of one request of ``inputs``, each given as one value
    (anything not a number as Python writes it)."""
    with _Request() as request:
        request.give(inputs)
        answers = request.answer()
        found = request.results(answers)
    return request.words.pairs[answers[0].record](*found) if len(found) > 1 else found[0]


def _codes(name: str, values) -> tuple:
    """The double the library is given for each of an input's values (a
    word's code for a word input), and the elements it takes only as text,
    which it refuses: anything not a real number, not a number, a word that
    is none of its choice's."""
    index, kind = _words().input_index.get(name, (None, None))
    if index is None:
        raise TypeError(f"vantor has no input named {name!r}")
    if kind == _ASK_WORD:
        words = _words().choices[_words().inputs[index].choice.decode("ascii")]
        codes = [words.get(v, math.nan) if isinstance(v, str) else math.nan for v in values]
    elif getattr(values, "dtype", None) is not None and values.dtype.kind in "iuf":
        codes = values.astype("float64")  # NumPy's numbers, converted at once
        return codes, (codes != codes).nonzero()[0].tolist()  # not a number: given as text
    else:
        codes = [_real(value) for value in values]
    return codes, [k for k, code in enumerate(codes) if math.isnan(code)]


def _grid_rows(inputs: dict, given: list):
    """The rows of the grid of ``inputs`` (``given`` the inputs shown)."""
    grid = _grid.Grid(inputs)
    codes = {}
    for name, values in grid.varying.items():
        codes[name], refused = _codes(name, values)
        for element in refused:  # refused as the request of its first row refuses it
            with _grid.refusal_of_row(grid.row_with(name, element)):
                _answer_of(grid.first_row_with(name, element))
    with _Request() as request:
        request.give(grid.fixed)
        columns = _grid.number_columns(grid, codes)
        _reports.counts = {}
        rows = (_grid.frame if _grid.has_data_frames() else _grid.records)(
            request, grid, columns, given)
    _warn_of_reports(_reports.counts)
    return rows


def methods(**inputs) -> str:
    """The methods paragraph a proposal needs for the answer of these inputs
    (taken as ``ask`` takes them): the design and what was solved, the test,
    the effect, the marker, the level and how the power was computed, with
    vantor's version and the references. Both sides of a detectable effect
    give a paragraph each, joined by a blank line. The program's
    ``--methods`` prints the same words. Inputs of several values ask a
    grid, as ``ask`` asks it: a list of the paragraphs of its rows, in
    order. Raises as ``ask`` raises."""
    grid = _grid.Grid(inputs)
    with _Request() as request:
        request.give(grid.fixed)
        paragraphs = []
        for row in range(grid.rows):
            request.give({name: values[grid.element(name, row)]
                          for name, values in grid.varying.items()})
            paragraphs.append(_paragraph(request))
    return paragraphs if grid.varying else paragraphs[0]


def _paragraph(request: _Request) -> str:
    """The methods paragraph of the request as it is given (both sides of
    a detectable effect joined by a blank line)."""
    answers = request.answer()
    request.results(answers)  # raises InputError for a refused request
    return "\n\n".join(request.text(request.library.vantor_methods, ctypes.byref(answer))
                       for answer in answers)


def _one_value_each(inputs: dict, what: str) -> None:
    """ValueError for an input given several values where ``what`` takes
    one value of each input but those it lays out."""
    for name, value in inputs.items():
        if _grid.several(value):
            raise ValueError(f"vantor: give {name} one value: {what}")


# The questions by name: each asks its arguments, and what its name states

_OPTIONS = ("test", "markers", "count", "variance")  # and a disease model's inputs:
_MODEL_INPUTS = ("frequency", "prevalence", "model", "relative_risk", "heterozygote_risk",
                 "homozygote_risk", "controls_kind", "marker_frequency", "d_prime", "r_squared")
# How a single-stage power is calculated (two stages are classic).
_SINGLE_STAGE_OPTIONS = _OPTIONS + ("calculation",)
# Every question also simulates the power of the study it answers when given
# a number of replicates (seeded by ``seed``, default 1).
_SIMULATION = ("replicates", "seed")
# Costs in money, which every two-stage question takes, and the limits of a
# plan, which the sizes and designs keep within; each with what it means.
_MONEY, _LIMITS = _grid.MONEY, _grid.LIMITS
_MONEY_WORDS = """

    Costs in money, in the planner's own unit (refused with ``cost_ratio``):
    ``stage1_cost_per_person`` (the array; required with any other),
    ``stage2_cost_per_person`` (samples, DNA, handling; default 0),
    ``stage2_cost_per_genotype`` (one person's assay of one marker; default
    0, needs ``markers`` above 1), ``stage1_fixed_cost`` and
    ``stage2_fixed_cost`` (default 0). The result's ``cost_in_money`` is the
    fixed costs, stage 1's people at their cost and stage 2's at theirs plus
    the genotypes of its ``stage2_markers`` (markers x ``stage1_alpha``);
    ``one_stage_cost_in_money`` is the one-stage design's, where the question
    finds one. A ``budget`` is then money."""
_LIMIT_WORDS = """

    Limits the answer keeps within (default: none): ``cases_available`` and
    ``controls_available``, people for both stages together;
    ``stage1_controls_available`` and ``stage2_controls_available``, people
    for one stage; ``panel``, the most markers stage 2 can type (needs
    ``markers`` above 1: markers x ``stage1_alpha`` stays within it). The
    result's ``binding_limit`` names the limit used to within 1 % ("none" if
    none), ``stage2_markers`` the markers stage 2 types and
    ``stage1_case_fraction``, ``stage2_case_fraction`` each stage's cases'
    share, which the design searches choose when people are limited and no
    ``case_fraction`` is given (a smallest total keeps it)."""
#: The word of ``direction`` asking for both sides of 1 (not giving one).
BOTH_DIRECTIONS = "both"


def _both_directions(name: str, value) -> bool:
    """Whether an argument is ``direction`` "both", which is not giving it."""
    return name == "direction" and isinstance(value, str) and value == BOTH_DIRECTIONS


def _question(stages: int, solve: str, keywords=None, plan=()):
    """Makes a signature a question of its arguments and ``keywords`` (added;
    by default the study's options and a disease model's inputs), ``plan``
    (costs in money, limits: added, their words added to the docstring) and
    the simulation's, each given unless left at a default of None, with
    ``stages`` and ``solve``."""
    if keywords is None:
        keywords = (_SINGLE_STAGE_OPTIONS if stages == 1 else _OPTIONS) + _MODEL_INPUTS
    keywords = tuple(keywords) + tuple(plan) + _SIMULATION
    words = "".join(text for names, text in ((_MONEY, _MONEY_WORDS), (_LIMITS, _LIMIT_WORDS))
                    if set(names) <= set(plan))

    def decorate(stub):
        own = inspect.signature(stub)
        signature = own.replace(parameters=[*own.parameters.values(), *(  # any other input too
            inspect.Parameter(name, inspect.Parameter.KEYWORD_ONLY, default=None)
            for name in keywords), inspect.Parameter("inputs", inspect.Parameter.VAR_KEYWORD)])
        parameters = signature.parameters
        positional = [n for n, p in parameters.items() if p.kind == p.POSITIONAL_OR_KEYWORD]
        required = {n for n, p in parameters.items() if p.default is p.empty}

        @functools.wraps(stub)
        def asked(*arguments, **named):
            given = dict(zip(positional, arguments))
            if (len(arguments) > len(positional) or not given.keys().isdisjoint(named)
                    or named.keys() - parameters.keys() - _words().input_index.keys()
                    or required - given.keys() - named.keys()):
                signature.bind(*arguments, **named)  # raises Python's TypeError for the call
            given.update(named)
            for name in ("stages", "solve"):  # what the name states, as Python says it
                if name in given:
                    raise TypeError(f"{stub.__name__}() got multiple values for keyword "
                                    f"argument {name!r}")
            inputs = {name: value for name, value in given.items() if (name in required or value
                      is not None) and not _both_directions(name, value)}
            return _answered(inputs, {"stages": stages, "solve": solve})

        asked.__signature__ = signature
        asked.__doc__ = (stub.__doc__ or "") + words
        return asked

    return decorate


@_question(1, "power")
def single_stage_power(cases, controls, odds_ratio=None, control_rate=None,
                       alpha=None) -> "PowerResult":
    """Power of the two-sided ``test`` (default "allelic") of ``cases`` and
    ``controls`` for ``odds_ratio`` and ``control_rate`` or a disease model
    by keyword, at ``alpha`` (default_alpha(markers)) among ``markers``
    (default 1), ``variance`` "pooled" (the default) or "unpooled"."""


@_question(1, "size")
def cases_for_controls(controls, odds_ratio=None, control_rate=None, alpha=None,
                       target_power=None) -> "SizeResult":
    """Smallest number of cases from which every larger one reaches
    ``target_power`` (default: the library's, 0.8) with ``controls`` fixed."""


@_question(1, "size")
def controls_for_cases(cases, odds_ratio=None, control_rate=None, alpha=None,
                       target_power=None) -> "SizeResult":
    """Smallest number of controls with ``cases`` fixed (as cases_for_controls)."""


@_question(1, "size")
def cases_for_ratio(controls_per_case, odds_ratio=None, control_rate=None, alpha=None,
                    target_power=None) -> "SizeResult":
    """Smallest number of cases with ``controls_per_case`` controls per case."""


@_question(1, "size")
def controls_for_ratio(cases_per_control, odds_ratio=None, control_rate=None, alpha=None,
                       target_power=None) -> "SizeResult":
    """Smallest number of controls with ``cases_per_control`` cases per control."""


@_question(1, "effect", keywords=("markers", "count", "variance"))
def detectable_odds_ratios(cases, controls, control_rate, alpha=None, target_power=None, *,
                           direction=None):
    """The odds ratio ``cases`` and ``controls`` detect with ``target_power``
    (default 0.8) on the ``direction`` "above" or "below" 1; not given (or
    "both"), both sides as DetectableOddsRatios(above, below)."""


@_question(1, "effect", keywords=_SINGLE_STAGE_OPTIONS + (
    "model", "controls_kind", "marker_frequency", "d_prime", "r_squared"))
def detectable_relative_risks(cases, controls, frequency, prevalence, alpha=None,
                              target_power=None, *, direction=None):
    """The relative risk of a one-parameter disease model ``cases`` and
    ``controls`` detect, as detectable_odds_ratios (DetectableRelativeRisks)."""


@_question(2, "power", plan=_MONEY)
def two_stage_power(stage1_cases, stage1_controls, stage2_cases, stage2_controls,
                    odds_ratio=None, control_rate=None, *, stage1_alpha, alpha=None,
                    method=None, cost_ratio=None) -> "DesignResult":
    """Power and cost of a two-stage design with these counts, ``alpha`` the
    overall level, ``method`` "replication", "product" or "joint" (the
    default), ``cost_ratio`` (default 1) a stage 2 genotype's cost."""


@_question(2, "power", plan=_MONEY)
def two_stage_power_of_total(total, stage1_share, odds_ratio=None, control_rate=None, *,
                             stage1_alpha, alpha=None, method=None, case_fraction=None,
                             cost_ratio=None) -> "DesignResult":
    """As two_stage_power for ``total`` people, ``stage1_share`` of them in
    stage 1 and ``case_fraction`` (default 0.5) of each stage cases."""


@_question(2, "size", plan=_MONEY + _LIMITS)
def smallest_total(stage1_share, odds_ratio=None, control_rate=None, *, stage1_alpha,
                   alpha=None, target_power=None, method=None, case_fraction=None,
                   cost_ratio=None) -> "DesignResult":
    """Smallest total (split as two_stage_power_of_total splits it) from
    which every larger one tried reaches ``target_power`` (default 0.8), its
    cost at ``cost_ratio`` (default 1) against the smallest one-stage total
    of the same power (``one_stage_total``, ``relative_cost``)."""


@_question(2, "design", plan=_MONEY + _LIMITS)
def cheapest_design(odds_ratio=None, control_rate=None, *, alpha=None, target_power=None,
                    method=None, cost_ratio=None, case_fraction=None, stage1_alpha=None,
                    stage1_share=None) -> "DesignResult":
    """The design reaching ``target_power`` (default 0.8) at least cost
    (genotypes per marker at ``cost_ratio``, or money). Given, ``stage1_alpha``
    or ``stage1_share`` is kept and only the rest searched."""


@_question(2, "design", plan=_MONEY + _LIMITS)
def most_powerful_design(budget, odds_ratio=None, control_rate=None, *, alpha=None,
                         method=None, cost_ratio=None, case_fraction=None, stage1_alpha=None,
                         stage1_share=None) -> "DesignResult":
    """The design of greatest power costing at most ``budget``: genotypes per
    marker, or money with costs in money. ``stage1_alpha`` and
    ``stage1_share`` are kept if given, as by cheapest_design."""


# A grid laid out wide, as a grant's table shows it

class WideTable(NamedTuple):
    """A grid laid out wide: ``values[i][j]`` is the answer's ``cells``
    (None where it has none) at ``down_values[i]`` of the input ``down`` and
    ``across_values[j]`` of the input ``across``; every other input the same
    in every cell."""
    down: str
    across: str
    cells: str
    down_values: list
    across_values: list
    values: list

    def data_frame(self):
        """The table as a pandas DataFrame, its index and columns named by
        the two inputs; ImportError where pandas is not installed."""
        import pandas  # pylint: disable=import-outside-toplevel
        return pandas.DataFrame(self.values,
                                index=pandas.Index(self.down_values, name=self.down),
                                columns=pandas.Index(self.across_values, name=self.across))


def wide_table(question, down, across, cells="power", **inputs) -> WideTable:
    """Asks ``question`` (single_stage_power, cases_for_controls, ... or any
    of this module's questions) once per pair of the values of ``down`` and
    ``across``, each a (name, values) pair such as ("cases", [1000, 2000]),
    with the other ``inputs`` the same every time, and lays the answers'
    ``cells`` (default "power"; "cases", "odds_ratio", ...) out wide: the
    down input's values as rows, the across input's as columns, in the order
    given. The program's ``--wide DOWN,ACROSS --cells NAME`` gives the same
    table. A question answering both sides of 1 (no ``direction``) has no
    single value for a cell, and an input cannot be both down and across:
    ValueError."""
    _one_value_each(inputs, "a wide table's other inputs are the same in every cell")
    (down_name, down_values), (across_name, across_values) = down, across
    if down_name.replace("-", "_") == across_name.replace("-", "_"):
        raise ValueError(f"vantor: {down_name!r} is both down and across; a wide table lays "
                         "out two different inputs")
    field = cells.replace("-", "_")

    def cell(down_value, across_value):
        answer = question(**inputs, **{down_name.replace("-", "_"): down_value,
                                       across_name.replace("-", "_"): across_value})
        if field not in getattr(answer, "_fields", ()):
            raise ValueError(f"vantor: no {cells!r} in the answers of {question.__name__}" + (
                "; give direction 'above' or 'below' for one side of 1"
                if hasattr(answer, "above") else ""))
        return getattr(answer, field)

    values = [[cell(d, a) for a in across_values] for d in down_values]
    return WideTable(down_name, across_name, cells, list(down_values), list(across_values),
                     values)


# Figures: one input along the horizontal axis, one curve per value of another

class Curve(NamedTuple):
    """One curve of a figure: its legend ``label`` (None for the only curve
    of a figure without curves) and its ``values`` (None where the answer
    has none), one per value along the horizontal axis."""
    label: Optional[str]
    values: list


class FigureData(NamedTuple):
    """What a figure shows: the answers' ``y`` (a field such as "power" or
    "cases") against the input ``x`` at ``x_values``, one ``Curve`` per value
    of the curves' input; the ``target`` power line (None unless ``y`` is the
    power), the axes' titles and the ``caption``, the library's sentence
    naming the study (vantor_caption) without the two inputs shown."""
    x: str
    x_values: list
    curves: list
    y: str
    target: Optional[float]
    x_title: str
    y_title: str
    caption: str


def _words_of(name: str) -> str:
    """A glossary name as words: "relative_risk" is "relative risk",
    "stage1_cases" "stage 1 cases"."""
    return re.sub(r"stage(\d)", r"stage \1", name.replace("-", "_")).replace("_", " ")


def _shortest(value) -> str:
    """A value as a person reads it: a word as itself, a number in the fewest
    digits that read back to it (1.2, 2000, 1e-6)."""
    if isinstance(value, str) or not isinstance(value, numbers.Real):
        return str(value)
    number = float(value)
    if number.is_integer() and abs(number) < 1e15:
        return str(int(number))
    text = next(text for text in (f"{number:.{digits}g}" for digits in range(1, 18))
                if float(text) == number)
    # The exponent as the program and the library write it: 5e-8, not 5e-08.
    return re.sub(r"e\+?(-?)0*(\d)", r"e\1\2", text)


def _title(name: str, counted: bool, unit: str) -> str:
    """An axis's title: the name's words and, for a count, its unit."""
    return f"{_words_of(name)} ({unit})" if counted else _words_of(name)


def _point(request: _Request, field: str):
    """The answer's ``field`` at the point the request is given, with the
    answer and its result; raises as ``ask`` raises."""
    answers = request.answer()
    result, *others = request.results(answers)
    if others:
        raise ValueError("vantor: a figure shows one answer a point; give direction 'above' or "
                         "'below' for one side of 1")
    if field not in result._fields:
        raise ValueError(f"vantor: no {field!r} in the answers of these inputs")
    return getattr(result, field), answers[0], result


def figure_data(x, curves=None, y="power", target=0.8, **inputs) -> FigureData:
    """Asks the question of ``inputs`` at every pair of a value of ``x`` and
    one of ``curves``, each a (name, values) pair such as ("cases", [500,
    1000]) and ("relative_risk", [1.2, 1.4]) (``curves`` None for one
    curve), and gathers what a figure of the answers' ``y`` shows: any
    number of the answer ("power", "cases" for a size ...). ``target`` is
    the power drawn across when ``y`` is the power (None for none). Raises
    as ``ask`` raises; ValueError for an answer on both sides of 1 (give a
    ``direction``), a ``y`` the answer does not hold or one input as both."""
    _one_value_each(inputs, "a figure's other inputs are the same at every point")
    x_name, x_values = x[0].replace("-", "_"), list(x[1])
    curve_name, curve_values = (None, [None]) if curves is None else curves
    curve_name = curve_name and curve_name.replace("-", "_")
    if curve_name == x_name:
        raise ValueError(f"vantor: {x_name!r} is both along the axis and the curves")
    field = y.replace("-", "_")
    with _Request() as request:
        request.give(inputs)
        lines = []
        for curve_value in curve_values:
            request.give({} if curve_name is None else {curve_name: curve_value})
            points = []
            for x_value in x_values:
                request.give({x_name: x_value})
                points.append(_point(request, field))
            lines.append([value for value, _, _ in points])
        _, answer, result = points[-1]
        index = request.words.input_index
        caption = request.text(request.library.vantor_caption, ctypes.byref(answer),
                               index[x_name][0], index[curve_name][0] if curve_name else -1)
    described = request.words.fields[answer.record] + request.words.extras[answer.record]
    y_counted = any(f.name == field and f.kind == _KIND_COUNT for f in described)
    labels = ([None] if curve_name is None else
              [f"{_words_of(curve_name)} {_shortest(value)}" for value in curve_values])
    return FigureData(x_name, x_values, [Curve(*c) for c in zip(labels, lines)], field,
                      target if field == "power" else None,
                      _title(x_name, index[x_name][1] == _ASK_COUNT, result.count),
                      _title(field, y_counted, result.count), caption)


def figure(x, curves=None, y="power", target=0.8, ax=None, **inputs):
    """Draws ``figure_data(x, curves, y, target, **inputs)`` with matplotlib:
    a line per curve, the target power dashed across, a legend, the axes'
    titles and the caption above the axes. Draws on ``ax`` (a matplotlib
    Axes) if given, else on a new Figure; returns the Figure. ImportError
    where matplotlib is not installed."""
    try:
        from matplotlib.figure import Figure  # pylint: disable=import-outside-toplevel
    except ImportError as error:
        raise ImportError("vantor.figure draws with matplotlib, which is not installed: "
                          "install it (pip install matplotlib; Debian: python3-matplotlib), "
                          "or draw figure_data() yourself") from error
    data = figure_data(x, curves, y, target, **inputs)
    if ax is None:
        ax = Figure(figsize=(8, 5), layout="constrained").subplots()
    for curve in data.curves:
        ax.plot(data.x_values, [math.nan if v is None else v for v in curve.values],
                linewidth=2, label=curve.label if curve.label is not None else data.y_title)
    if data.target is not None:
        ax.axhline(data.target, color="0.4", linestyle="--", linewidth=1,
                   label=f"target power {_shortest(data.target)}")
    ax.set_xlabel(data.x_title)
    ax.set_ylabel(data.y_title)
    if data.y == "power":
        ax.set_ylim(0, 1)
    ax.grid(True, color="0.9")
    ax.legend(fontsize=9, frameon=False)
    ax.set_title(textwrap.fill(data.caption, 100), fontsize=9, loc="left")
    return ax.figure
