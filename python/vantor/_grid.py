"""Grids: every combination of the inputs' values, asked of the library a
block of rows at a time (ASK_answer_rows, question/rows.h) and laid out as
rows, one for each answer, as the program's tables and R's data frames lay
them out.

An input given several values (a list, a tuple, a range, a one-dimensional
NumPy array, a pandas Series or Index) varies. The rows are every
combination of the varying inputs' values, the input given last varying
fastest, as the program's grids: cases=[1000, 2000], odds_ratio=[1.2, 1.3]
is the program's --cases 1000,2000 --odds-ratio 1.2,1.3, four rows. Each
row's answer is the library's answer to the request of that row's values,
bit for bit.

The columns: the inputs given (each row's value) that the answer does not
hold, then the answer's numbers (its result's, then those of its head that
the result does not hold: the level and the calculation always, the
controls of a ratio and a direction only where the question works one out),
then "status" (the words people read, "found"), "reason" (its name, "NONE")
and "message". The simulation's columns are shown when ``replicates`` is
given, a plan's (costs in money, limits) when one of its inputs is. A value
is missing (None, NaN or pandas' NA) where the answer has none, as in a
result, but for an input given, shown as given (the program's rows do the
same).

Nothing here knows a question: the library decides it, row by row.
"""

import contextlib
import ctypes
import math
import time

# Rows are asked in blocks: the first row alone, then as many rows as the
# block before answered in about this many seconds, at most _GROWTH times
# as many as it held (and at most _MOST_BLOCK_ROWS). Python sees Ctrl-C
# between two calls only, so a grid of slow questions (design searches,
# large simulations) stops within a few rows' time, and a grid of fast ones
# crosses into the library a few times.
_BLOCK_SECONDS = 0.05
_GROWTH = 8
_MOST_BLOCK_ROWS = 16384
# The most rows a grid holds: all of them are kept at once (the program
# writes its rows as they come, and takes a list of as many values).
MOST_ROWS = 10_000_000

# The record kinds of question/records.h; the columns of a simulation.
_COUNT, _STATUS, _REASON, _CHOICE, _INTERNAL = 1, 2, 3, 4, 5
_SIMULATION_COLUMNS = ("replicates", "seed", "simulated_power", "standard_error")


def several(value) -> bool:
    """Whether an input is given several values: a list, a tuple, a range or
    an array of one dimension or more (a NumPy scalar is one value)."""
    if isinstance(value, (list, tuple, range)):
        return True
    return hasattr(value, "__array__") and getattr(value, "ndim", 0) != 0


def values_of(name: str, value):
    """The values of an input given several: a list, or a one-dimensional
    NumPy array. ValueError for none, or for an array of more dimensions."""
    if isinstance(value, (list, tuple, range)):
        values = list(value)
    else:
        import numpy  # pylint: disable=import-outside-toplevel
        values = numpy.asarray(value)
        if values.ndim != 1:
            raise ValueError(f"vantor: {name} takes a list or a one-dimensional array of values, "
                             f"not an array of shape {values.shape}")
    if len(values) == 0:
        raise ValueError(f"vantor: {name} is given no values; give it one or more")
    return values


def _numpy():
    """NumPy, or None where it is not installed."""
    try:
        import numpy  # pylint: disable=import-outside-toplevel
    except ImportError:
        return None
    return numpy


def _pandas():
    """pandas, or None where it is not installed."""
    try:
        import pandas  # pylint: disable=import-outside-toplevel
    except ImportError:
        return None
    return pandas


def has_data_frames() -> bool:
    """Whether a grid's rows are a pandas DataFrame (pandas installed)."""
    return _pandas() is not None


class Grid:
    """The combinations of the varying inputs' values: ``varying`` (name to
    values, in the order given), ``fixed`` (the inputs of one value) and
    ``rows``, their number."""

    def __init__(self, inputs: dict):
        self.varying = {name: values_of(name, value) for name, value in inputs.items()
                        if several(value)}
        self.fixed = {name: value for name, value in inputs.items() if not several(value)}
        self.rows = math.prod(len(values) for values in self.varying.values())
        if self.rows > MOST_ROWS:
            counts = " x ".join(f"{len(v):,} {n}" for n, v in self.varying.items())
            raise ValueError(f"vantor: a grid of {counts} is {self.rows:,} rows, more than the "
                             f"{MOST_ROWS:,} Python holds at once: ask it in parts")

    def _repeats(self, name: str) -> int:
        """The rows each value of a varying input lasts: the product of the
        numbers of values of the inputs after it."""
        names = list(self.varying)
        return math.prod(len(self.varying[n]) for n in names[names.index(name) + 1:])

    def element(self, name: str, row: int) -> int:
        """The element of input ``name`` in row ``row`` (from 0)."""
        return row // self._repeats(name) % len(self.varying[name])

    def indices(self, name: str):
        """The element of input ``name`` in every row: a NumPy array, or a
        list where NumPy is not installed."""
        repeats, length, numpy = self._repeats(name), len(self.varying[name]), _numpy()
        if numpy is None:
            return [row // repeats % length for row in range(self.rows)]
        return numpy.tile(numpy.repeat(numpy.arange(length), repeats),
                          self.rows // (repeats * length))

    def row_with(self, name: str, element: int) -> int:
        """The first row (from 0) holding element ``element`` of ``name``."""
        return element * self._repeats(name)

    def first_row_with(self, name: str, element: int) -> dict:
        """The inputs of the first row holding element ``element`` of input
        ``name``: every other varying input at its first value."""
        row = dict(self.fixed)
        row.update({n: (values[element] if n == name else values[0])
                    for n, values in self.varying.items()})
        return row


def _number_column(grid: Grid, name: str, codes: list):
    """The double the library is given for input ``name`` in every row, from
    the double of each of its values: a NumPy array, or a ctypes array."""
    numpy = _numpy()
    if numpy is None:
        return (ctypes.c_double * grid.rows)(*[codes[i] for i in grid.indices(name)])
    return numpy.ascontiguousarray(numpy.asarray(codes, dtype=numpy.float64)[grid.indices(name)])


def _address(array) -> int:
    """Where a NumPy or ctypes array's data starts."""
    return array.ctypes.data if hasattr(array, "ctypes") else ctypes.addressof(array)


def number_columns(grid: Grid, codes: dict) -> list:
    """The varying inputs' columns of doubles, as the library is given them."""
    return [_number_column(grid, name, codes[name]) for name in grid.varying]


@contextlib.contextmanager
def refusal_of_row(row: int):
    """Tells a refusal raised within (an InputError) which row it refused:
    ``row`` from 0, its ``row`` attribute from 1."""
    try:
        yield
    except Exception as error:
        if hasattr(error, "row"):
            error.row = row + 1
        raise


def _next_block(rows: int, seconds: float) -> int:
    """The rows of the next block, after a block of ``rows`` rows took
    ``seconds``."""
    fitting = int(_BLOCK_SECONDS * rows / seconds) if seconds > 0 else _MOST_BLOCK_ROWS
    return max(1, min(fitting, _GROWTH * rows, _MOST_BLOCK_ROWS))


def _room(words, answers: int):
    """Room for this many answers: NumPy's (not cleared: the library writes
    every answer it counts), else a ctypes array."""
    numpy = _numpy()
    if numpy is None:
        return (words.answer * answers)()
    return numpy.empty(answers * ctypes.sizeof(words.answer), dtype=numpy.uint8)


def answer_blocks(request, grid: Grid, columns: list):
    """Asks every row of the grid (its varying inputs' ``columns``; the
    request given the rest), yielding each block's room of answers (_room),
    their number and the answers of each row; raises the library's refusal
    of a row as ``request.results`` raises it (the request holding the
    row's values), ValueError for a row asking another question than the
    first."""
    library, answer = request.library, request.words.answer
    inputs = (ctypes.c_int32 * len(columns))(
        *[request.words.input_index[name][0] for name in grid.varying])
    addresses = [_address(column) for column in columns]
    room = _room(request.words, min(grid.rows, _MOST_BLOCK_ROWS) * 2)
    per_row, first, start, block = ctypes.c_int32(), None, 0, 1
    while start < grid.rows:
        rows = min(block, grid.rows - start)
        pointers = (ctypes.c_void_p * len(columns))(*[a + 8 * start for a in addresses])
        began = time.perf_counter()
        answered = library.ASK_answer_rows(request.handle, len(columns), inputs, pointers, rows,
                                           _address(room), ctypes.byref(per_row))
        took = time.perf_counter() - began
        asked = (per_row.value, answer.from_buffer(room, 0).record)
        first = first or asked
        if answered < rows:
            stopped = answered * per_row.value * ctypes.sizeof(answer)
            with refusal_of_row(start + answered):
                request.results([answer.from_buffer(room, stopped)])  # raises a refusal
        if answered < rows or asked != first:
            other = start + (answered + 1 if answered < rows else 1)
            raise ValueError(f"vantor: row {other} asks another question than row 1 (a "
                             "different answer): ask it by itself")
        yield room, answered * per_row.value, per_row.value
        start += rows
        block = _next_block(rows, took)


# A plan's inputs, and the answer's columns shown when one of them is given:
# costs in money, and the limits a plan keeps within.
MONEY = ("stage1_cost_per_person", "stage2_cost_per_person", "stage2_cost_per_genotype",
         "stage1_fixed_cost", "stage2_fixed_cost")
LIMITS = ("cases_available", "controls_available", "stage1_controls_available",
          "stage2_controls_available", "panel")
_PLAN_COLUMNS = ((MONEY, ("cost_in_money", "one_stage_cost_in_money")),
                 (LIMITS, ("binding_limit", "stage1_case_fraction", "stage2_case_fraction",
                           "stage2_markers")))


class Layout:
    """The columns of a grid's rows, decided from its first answer:
    ``inputs`` (the names of the inputs given that the answer does not
    hold), ``fields`` (the answer's fields shown, each with whether its
    result holds it), ``also_given`` (the inputs given that it holds) and
    ``reason`` (the result's field of the reason)."""

    def __init__(self, words, first, given):
        record = first.record
        own = words.fields[record]
        held = {field.name for field in own}
        hidden = set() if "replicates" in given else set(_SIMULATION_COLUMNS)
        for inputs, columns in _PLAN_COLUMNS:
            hidden |= set() if set(inputs) & set(given) else set(columns)
        numbers = [(field, True) for field in own]
        numbers += [(field, False) for field in words.head if field.name not in held and (
            field.kind == 0 or getattr(first, field.name) != 0)]
        self.fields = [(field, own) for field, own in numbers if field.name not in hidden
                       and field.kind not in (_STATUS, _REASON, _INTERNAL)]
        self.reason = next(field for field in own if field.kind == _REASON)
        shown = {field.name for field, _ in self.fields}
        self.inputs = [name for name in given if name not in shown]
        # Inputs the answer holds too: shown as answered, as given where the
        # answer has none (a size not reachable keeps the controls given).
        self.also_given = [name for name in given if name in shown]


def _given_value(grid: Grid, name: str, row: int):
    values = grid.varying.get(name)
    return grid.fixed[name] if values is None else values[grid.element(name, row)]


def records(request, grid: Grid, columns: list, given: list) -> list:
    """The rows as dicts of the layout's columns (Layout), made an answer at a
    time from its result, as a question makes its own."""
    made, layout, words = [], None, request.words
    size = ctypes.sizeof(words.answer)
    for room, count, per_row in answer_blocks(request, grid, columns):
        answers = [words.answer.from_buffer(room, k * size) for k in range(count)]
        layout = layout or Layout(words, answers[0], given)
        for result in request.results(answers):
            row = len(made) // per_row
            values = {name: _given_value(grid, name, row) for name in layout.inputs}
            values.update({field.name: getattr(result, field.name) for field, _ in layout.fields})
            for name in layout.also_given:
                if values[name] is None:
                    values[name] = _given_value(grid, name, row)
            values.update(status=words.status_words[result.status], reason=result.reason.name,
                          message=result.message)
            made.append(values)
    return made


# The same rows as a pandas DataFrame, each column made of all the answers'
# values at once (NumPy), as ``records`` makes each value.

def _answer_dtype(numpy, words, layout):
    """The answer's fields the columns need, as a NumPy record of the
    answer: a head's field named "h.NAME", a result's "r.NAME"."""
    offset, fields = words.answer.result.offset, {}
    head = {field.name: field for field in words.head}
    for name in ("status", "reason", "input", "other_input", "replicates"):
        fields["h." + name] = (head[name].ctype, head[name].offset)
    for field, own in layout.fields + [(layout.reason, True)]:
        fields[("r." if own else "h.") + field.name] = (
            field.ctype, field.offset + (offset if own else 0))
    types = {ctypes.c_int32: numpy.int32, ctypes.c_int64: numpy.int64,
             ctypes.c_double: numpy.float64}
    return numpy.dtype({"names": list(fields), "formats": [types[t] for t, _ in fields.values()],
                        "offsets": [at for _, at in fields.values()],
                        "itemsize": ctypes.sizeof(words.answer)})


def _codes_present(numpy, pandas, codes):
    """The distinct codes of an array, and each element's index among them:
    a one-element answer where all are the same (most often), a count of
    each where the codes are small, else a hash (pandas.factorize)."""
    if len(codes) == 0 or (codes == codes[0]).all():
        return codes[:1], None
    low, high = int(codes.min()), int(codes.max())
    if low >= 0 and high < 4096:
        present = numpy.flatnonzero(numpy.bincount(codes, minlength=high + 1))
        where = numpy.zeros(high + 1, dtype=numpy.intp)
        where[present] = numpy.arange(len(present))
        return present, where[codes]
    which, present = pandas.factorize(codes)
    return present, which


def _words_at(numpy, pandas, codes, words_of: dict):
    """The word of each code (None for a code without one), looked up once
    for each distinct code."""
    present, which = _codes_present(numpy, pandas, codes)
    words = [words_of.get(int(code)) for code in present]
    if which is None:
        column = numpy.empty(len(codes), dtype=object)
        column.fill(words[0] if words else None)  # (numpy.full is slower for objects)
        return column
    return numpy.array(words, dtype=object)[which]


def _without_word(numpy, pandas, codes, words_of: dict):
    """Where a code has no word; None where every code has one."""
    present, _ = _codes_present(numpy, pandas, codes)
    lacking = [int(code) for code in present if words_of.get(int(code)) is None]
    return numpy.isin(codes, lacking) if lacking else None


def _messages(numpy, pandas, request, data):
    """Each answer's words (ASK_message): of an answer that is no refusal,
    they depend on its reason (which gives its status) and the inputs it
    names only, most often the same throughout."""
    named = ("status", "reason", "input", "other_input")
    if all((data["h." + name] == data["h." + name][0]).all() for name in ("input", "other_input")):
        keys = data["h.reason"]
    else:
        parts = [data["h." + name].astype(numpy.int64) & 0xFFFF for name in named]
        keys = (parts[0] << 48) | (parts[1] << 32) | (parts[2] << 16) | parts[3]
    present, which = _codes_present(numpy, pandas, keys)
    words = []
    for key in present:
        at = int(numpy.argmax(keys == key)) if which is not None else 0
        answer = request.words.answer()
        for name in named:
            setattr(answer, name, int(data["h." + name][at]))
        words.append(request.message(answer))
    if which is None:
        column = numpy.empty(len(keys), dtype=object)
        column.fill(words[0])
        return column
    return numpy.array(words, dtype=object)[which]


def _column(numpy, pandas, words, field, own: bool, data) -> tuple:
    """A field's values, missing where ``records`` gives None, and where
    they are missing (None for nowhere)."""
    raw = data[("r." if own else "h.") + field.name]
    status = data["h.status"]
    hidden = None if not own else ~(
        (status == words.status.FOUND) | (status == words.status.FOUND_WITH_WARNING))
    if field.kind == _COUNT:
        none = (raw == 0) if hidden is None else (raw == 0) | hidden
        return pandas.arrays.IntegerArray(raw.astype(numpy.int64), none), none
    if field.kind == _CHOICE:
        named = words.names[field.name]
        return (_words_at(numpy, pandas, raw, named),
                _without_word(numpy, pandas, raw, named))
    if field.name in ("replicates", "seed"):  # a simulation's, none where none was run
        none = data["h.replicates"] == 0
        return pandas.arrays.IntegerArray(raw.astype(numpy.int64), none), none
    if field.ctype is ctypes.c_double:
        none = numpy.isnan(raw) if hidden is None else numpy.isnan(raw) | hidden
        return numpy.where(none, numpy.nan, raw), none
    return raw, None


def frame(request, grid: Grid, columns: list, given: list):
    """The rows as a pandas DataFrame of the layout's columns (Layout)."""
    numpy, pandas = _numpy(), _pandas()
    layout, data, answers, words = None, {}, 0, request.words
    for room, count, per_row in answer_blocks(request, grid, columns):
        if layout is None:  # every row answers as many as the first
            layout = Layout(words, words.answer.from_buffer(room, 0), given)
            dtype = _answer_dtype(numpy, words, layout)
            data = {name: numpy.empty(grid.rows * per_row, dtype=dtype.fields[name][0])
                    for name in dtype.names}
        block = numpy.frombuffer(room, dtype=dtype, count=count)
        for name, column in data.items():  # copied: the room is used again
            column[answers:answers + count] = block[name]
        answers += count
    row = numpy.arange(answers) // per_row
    def given_column(name):
        values = grid.varying.get(name)
        return (numpy.full(answers, grid.fixed[name]) if values is None else
                numpy.asarray(values)[grid.indices(name)][row])

    table = {name: given_column(name) for name in layout.inputs}
    for field, own in layout.fields:
        table[field.name], none = _column(numpy, pandas, words, field, own, data)
        if field.name in layout.also_given and none is not None and none.any():
            answered = pandas.Series(table[field.name])
            table[field.name] = answered.where(~none, given_column(field.name)).array
    table["status"] = _words_at(numpy, pandas, data["h.status"], words.status_words)
    table["reason"] = _words_at(numpy, pandas, data["r.reason"],
                                {int(reason): reason.name for reason in words.reason})
    table["message"] = _messages(numpy, pandas, request, data)
    return pandas.DataFrame(table, copy=False)  # the columns are the frame's own
