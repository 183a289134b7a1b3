"""Prints, as JSON, the native library's answers to a fixed list of designs
(single-stage and two-stage powers, solved sizes), for the WebAssembly
module's answers to be compared with. Asks the shared library
(VANTOR_LIBRARY) by named inputs through its C interface (question/ask.h).

Each of the first 300 rows also has "dm": a disease-model study drawn on its
own (disease_model_studies), its inputs and the library's answers to it. Rows
with "simulated" follow: a request whose power is simulated (SIMULATED), its
inputs and the answer's simulated power, standard error, replicates and seed.
Rows with "planned" close the list: a two-stage request with limits or costs
in money (PLANNED), its status and every field of its result by name (a
choice by its word, a number that is not finite as "NaN" or "Infinity")."""

import ctypes
import json
import math
import os
import random
import struct

library = ctypes.CDLL(os.environ["VANTOR_LIBRARY"])
library.ASK_request_new.restype = ctypes.c_void_p
library.ASK_request_clear.argtypes = [ctypes.c_void_p]
library.ASK_input_index.argtypes = [ctypes.c_char_p]
library.ASK_give.argtypes = [ctypes.c_void_p, ctypes.c_int32, ctypes.c_double]
library.ASK_give_word.argtypes = [ctypes.c_void_p, ctypes.c_int32, ctypes.c_char_p]
library.ASK_answer_request.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
library.ASK_result_number.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
library.ASK_result_number.restype = ctypes.c_double
library.REC_choice_word.argtypes = [ctypes.c_char_p, ctypes.c_int32, ctypes.c_void_p]
library.REC_choice_word.restype = ctypes.c_char_p
library.REC_status_name.restype = ctypes.c_char_p
library.REC_reason_input.restype = ctypes.c_char_p


class Field(ctypes.Structure):
    """REC_field: a described field's name, C type, offset and kind (and more)."""

    _fields_ = [("name", ctypes.c_char_p), ("type", ctypes.c_int32), ("offset", ctypes.c_int32),
                ("kind", ctypes.c_int32)]


library.REC_field_named.argtypes = [ctypes.c_int32, ctypes.c_char_p]
library.REC_field_named.restype = ctypes.POINTER(Field)
library.REC_field_at.argtypes = [ctypes.c_int32, ctypes.c_int32]
library.REC_field_at.restype = ctypes.POINTER(Field)
library.REC_choice_name.argtypes = [ctypes.c_char_p, ctypes.c_int32]
library.REC_choice_name.restype = ctypes.c_char_p
REC_KIND_CHOICE = 4  # question/records.h
REC_ANSWER = 8  # question/records.h


class Answer(ctypes.Structure):
    """ASK_answer up to its result (read by name with ASK_result_number)."""

    _fields_ = [(name, ctypes.c_int32) for name in
                ("status", "reason", "question", "record", "input", "other_input", "direction",
                 "unit")]


request = library.ASK_request_new()
answers = ctypes.create_string_buffer(2 * library.ASK_answer_size())


def ask(**inputs) -> dict:
    """The library's first answer to the inputs given by name (a word as
    text, anything else as a number): its status name and a reader of its
    result's fields by name."""
    library.ASK_request_clear(request)
    for name, value in inputs.items():
        index = library.ASK_input_index(name.encode())
        assert index >= 0, name
        if isinstance(value, str):
            library.ASK_give_word(request, index, value.encode())
        else:
            library.ASK_give(request, index, float(value))
    library.ASK_answer_request(request, answers)
    answer = ctypes.create_string_buffer(answers.raw)
    head = Answer.from_buffer_copy(answer)
    reason_input = library.REC_reason_input(head.reason)
    return dict(status=library.REC_status_name(head.status).decode(),
                refuses=reason_input.decode() if reason_input else "",
                field=lambda name: library.ASK_result_number(answer, name.encode()),
                head=lambda name: head_field(answer, name))


def head_field(answer, name: str):
    """A field of the answer's head by REC_ANSWER's description of it."""
    field = library.REC_field_named(REC_ANSWER, name.encode()).contents
    return struct.unpack_from({1: "<i", 2: "<q", 3: "<d"}[field.type], answer.raw, field.offset)[0]


def choice_words(choice: str) -> list:
    words, index = [], 0
    while (word := library.REC_choice_word(choice.encode(), index, None)) is not None:
        words.append(word.decode())
        index += 1
    return words


def designs(count: int):
    draw = random.Random(20261207)
    for _ in range(count):
        yield {
            "cases": draw.randint(50, 20000),
            "controls": draw.randint(50, 20000),
            "odds_ratio": draw.choice([draw.uniform(1.02, 2.5), 1 / draw.uniform(1.02, 2.5)]),
            "rate": draw.uniform(0.02, 0.9),
            "alpha": 10 ** draw.uniform(-9, -1.3),
            "target": draw.uniform(0.5, 0.95),
            "method": draw.randint(0, 2),
            "alpha0": 10 ** draw.uniform(-3, -1.5),
        }


# The inputs that describe a disease model: a refusal naming one of them is
# a model the library finds invalid.
MODEL_INPUTS = {"frequency", "prevalence", "model", "relative_risk", "r_squared", "ld"}


def disease_model_draws():
    """Disease-model studies, one-parameter models, drawn endlessly."""
    draw = random.Random(2026120723)
    models = ["multiplicative", "additive", "dominant", "recessive"]
    tests = choice_words("test")
    methods = choice_words("method")
    while True:
        d = {
            "model": draw.choice(models),
            "frequency": draw.uniform(0.05, 0.5),
            "prevalence": 10 ** draw.uniform(-3, math.log10(0.3)),
            "relative_risk": draw.uniform(1.1, 2),
            "r_squared": None if draw.random() < 0.5 else draw.uniform(0.3, 1),
            "markers": draw.choice([1, 1000, 1e6]),
        }
        d["alpha"] = 0.05 if d["markers"] > 1 else 5e-8
        d.update(test=draw.choice(tests), cases=draw.randint(200, 20000),
                 controls=draw.randint(200, 20000), target=draw.uniform(0.5, 0.95),
                 method=draw.choice(methods), stage1_alpha=10 ** draw.uniform(-3, -1.5))
        yield d


def disease_model_answers(d: dict):
    """The library's answers for one drawn study (people, pooled variance):
    its power, the cases for one control per case, and the power of halves
    of each group in each stage (the allelic analyses, cost ratio 1); None
    for a model the library refuses."""
    study = dict(frequency=d["frequency"], prevalence=d["prevalence"], model=d["model"],
                 relative_risk=d["relative_risk"], alpha=d["alpha"], markers=d["markers"])
    if d["r_squared"] is not None:
        study["r_squared"] = d["r_squared"]
    power = ask(cases=d["cases"], controls=d["controls"], test=d["test"], **study)
    if power["status"] == "INVALID_INPUT":
        assert power["refuses"] in MODEL_INPUTS, power["refuses"]
        return None
    out = dict(power=power["field"]("power"))
    size = ask(controls_per_case=1, target_power=d["target"], test=d["test"], **study)
    out.update(size_cases=size["field"]("cases"), size_power=size["field"]("power"))
    cases, controls = d["cases"], d["controls"]
    two = ask(stages=2, stage1_cases=cases // 2, stage1_controls=controls // 2,
              stage2_cases=cases - cases // 2, stage2_controls=controls - controls // 2,
              stage1_alpha=d["stage1_alpha"], method=d["method"], cost_ratio=1, **study)
    out.update(two_power=two["field"]("power"), two_final_alpha=two["field"]("final_alpha"))
    return out


def disease_model_studies(count: int) -> list:
    """`count` drawn studies with valid models (an invalid one is drawn
    again), each with the library's answers."""
    studies, draws = [], disease_model_draws()
    while len(studies) < count:
        d = next(draws)
        found = disease_model_answers(d)
        if found is not None:
            studies.append(dict(d, **found))
    return studies


# Requests whose power is simulated: each kind of study, test and answer,
# at modest replicates but for the first (the page's example of a million).
SIMULATED = [
    dict(cases=2000, controls=2000, odds_ratio=1.2, control_rate=0.3, alpha=0.05,
         replicates=1000000, seed=20261208),
    dict(frequency=0.2, prevalence=0.1, model="additive", relative_risk=1.3, test="genotypic",
         cases=1500, controls=1500, alpha=1e-4, replicates=20000, seed=7),
    dict(frequency=0.3, prevalence=0.05, model="dominant", relative_risk=1.4, r_squared=0.6,
         test="trend", controls_per_case=2, target_power=0.8, alpha=1e-5, replicates=20000,
         seed=2),
    dict(cases=1000, controls=3000, odds_ratio=1.25, control_rate=0.1, variance="unpooled",
         count="alleles", alpha=1e-3, replicates=20000, seed=0),
    dict(stages=2, method="joint", stage1_cases=1000, stage1_controls=1000, stage2_cases=2000,
         stage2_controls=2000, odds_ratio=1.3, control_rate=0.3, stage1_alpha=1e-3, alpha=5e-8,
         replicates=20000, seed=11),
    dict(stages=2, method="product", total=6000, stage1_share=0.4, odds_ratio=1.3,
         control_rate=0.3, stage1_alpha=1e-2, alpha=1e-6, replicates=20000, seed=9007199254740991),
    dict(stages=2, method="replication", solve="design", target_power=0.8, odds_ratio=1.4,
         control_rate=0.2, alpha=1e-6, replicates=20000, seed=5),
]


def simulated_rows() -> list:
    rows = []
    for inputs in SIMULATED:
        answer = ask(**inputs)
        assert answer["status"].startswith("FOUND"), (inputs, answer["status"])
        rows.append(dict(simulated=inputs, power=answer["field"]("power"),
                         **{name: answer["head"](name) for name in
                            ("replicates", "seed", "simulated_power", "standard_error")}))
    return rows


# Two-stage requests that plan: a panel, people available, costs in money,
# a fixed stage 1 level and share.
PLANNED = [
    dict(stages=2, solve="design", method="joint", frequency=0.25, prevalence=0.01,
         relative_risk=1.3, markers=1e6, target_power=0.8, cost_ratio=3, panel=2000),
    dict(stages=2, solve="design", method="joint", odds_ratio=1.3, control_rate=0.3, budget=2500,
         cases_available=3000, controls_available=6000, cost_ratio=3),
    dict(stages=2, method="joint", odds_ratio=1.3, control_rate=0.3, markers=1e5, alpha=0.05,
         stage1_alpha=1e-3, stage1_share=0.4, target_power=0.8, stage1_cost_per_person=100,
         stage2_cost_per_person=10, stage2_cost_per_genotype=0.05, stage1_fixed_cost=5000),
    dict(stages=2, solve="design", method="product", odds_ratio=1.25, control_rate=0.2,
         target_power=0.9, stage1_alpha=0.01, stage1_share=0.35, stage1_controls_available=2500,
         stage2_controls_available=4000),
    dict(stages=2, method="replication", odds_ratio=1.3, control_rate=0.3, stage1_alpha=1e-3,
         total=6000, stage1_share=0.4, stage1_cost_per_person=80, stage2_fixed_cost=2000),
    # The genotype tests: each analysis, a design search among them.
    dict(stages=2, solve="design", method="product", frequency=0.3, prevalence=0.05,
         model="recessive", relative_risk=1.5, test="recessive", markers=1e6, target_power=0.8,
         cost_ratio=3, cases_available=9000),
    dict(stages=2, method="joint", frequency=0.25, prevalence=0.01, relative_risk=1.3,
         test="trend", variance="unpooled", stage1_cases=1200, stage1_controls=1500,
         stage2_cases=1800, stage2_controls=1600, stage1_alpha=1e-3, stage1_cost_per_person=80),
    dict(stages=2, method="replication", frequency=0.05, prevalence=0.02, model="dominant",
         relative_risk=1.4, test="dominant", total=12000, stage1_share=0.4, stage1_alpha=2e-3,
         cost_ratio=2),
]


def planned_rows() -> list:
    rows = []
    for inputs in PLANNED:
        answer = ask(**inputs)
        assert answer["status"].startswith("FOUND"), (inputs, answer["status"])
        record = answer["head"]("record")
        fields = {}
        for index in range(library.REC_field_count(record)):
            field = library.REC_field_at(record, index).contents
            value = answer["field"](field.name.decode())
            if field.kind == REC_KIND_CHOICE:
                value = library.REC_choice_name(field.name, int(value)).decode()
            elif not math.isfinite(value):
                value = "NaN" if math.isnan(value) else ("Infinity" if value > 0 else "-Infinity")
            fields[field.name.decode()] = value
        rows.append(dict(planned=inputs, status=answer["status"], fields=fields))
    return rows


def main() -> None:
    methods = choice_words("method")
    rows = []
    dm = disease_model_studies(300)
    for d in designs(3000):
        # Cases and controls are people (two alleles each), the default unit.
        effect = dict(odds_ratio=d["odds_ratio"], control_rate=d["rate"])
        single = ask(cases=d["cases"], controls=d["controls"], alpha=d["alpha"], **effect)
        size = ask(controls_per_case=1, target_power=d["target"], alpha=d["alpha"], **effect)
        row = dict(d, method=methods[d["method"]], single=single["field"]("power"),
                   size_cases=size["field"]("cases"), size_power=size["field"]("power"))
        if len(rows) < 300:
            # Two stages, halves of each group in each stage; the overall
            # level leaves room below the first stage's.
            alpha2 = min(d["alpha"], d["alpha0"] / 4)
            two = ask(stages=2, stage1_cases=d["cases"] // 2, stage1_controls=d["controls"] // 2,
                      stage2_cases=d["cases"] - d["cases"] // 2,
                      stage2_controls=d["controls"] - d["controls"] // 2,
                      stage1_alpha=d["alpha0"], alpha=alpha2, method=row["method"], **effect)
            row.update(two_alpha2=alpha2, two_power=two["field"]("power"),
                       two_alpha1=two["field"]("final_alpha"), dm=dm[len(rows)])
        rows.append(row)
    print(json.dumps(rows + simulated_rows() + planned_rows(), allow_nan=False))


if __name__ == "__main__":
    main()
