"""Prints, as JSON, the native library's answers to a fixed list of designs
(single-stage and two-stage powers, solved sizes), for the WebAssembly
module's answers to be compared with. Needs VANTOR_LIBRARY (the shared
library) and the Python module on sys.path.

Each of the first 300 rows also has "dm": a disease-model study drawn on its
own (disease_model_studies), its inputs and the library's answers to it."""

import json
import math
import random

import vantor


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
MODEL_INPUTS = {"frequency", "prevalence", "model", "relative_risk", "r_squared"}


def disease_model_draws():
    """Disease-model studies, one-parameter models, drawn endlessly."""
    draw = random.Random(2026120723)
    models = ["multiplicative", "additive", "dominant", "recessive"]
    tests = list(vantor.choice_words("test"))
    methods = list(vantor.choice_words("method"))
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


def disease_model_answers(d: dict) -> dict:
    """The library's answers for one drawn study (people, pooled variance):
    its power, the cases for one control per case, and the power of halves
    of each group in each stage (the allelic analyses, cost ratio 1)."""
    model = dict(frequency=d["frequency"], prevalence=d["prevalence"], model=d["model"],
                 relative_risk=d["relative_risk"])
    if d["r_squared"] is not None:
        model["r_squared"] = d["r_squared"]
    level = dict(alpha=d["alpha"], markers=d["markers"])
    power = vantor.single_stage_power(d["cases"], d["controls"], test=d["test"], **level, **model)
    size = vantor.cases_for_ratio(1, target_power=d["target"], test=d["test"], **level, **model)
    cases, controls = d["cases"], d["controls"]
    two = vantor.two_stage_power(cases // 2, controls // 2, cases - cases // 2,
                                 controls - controls // 2, stage1_alpha=d["stage1_alpha"],
                                 method=d["method"], cost_ratio=1, test="allelic", **level,
                                 **model)
    return dict(power=power.power, size_cases=size.cases, size_power=size.power,
                two_power=two.power, two_final_alpha=two.final_alpha)


def disease_model_studies(count: int) -> list:
    """`count` drawn studies with valid models (an invalid one is drawn
    again), each with the library's answers."""
    studies, draws = [], disease_model_draws()
    while len(studies) < count:
        d = next(draws)
        try:
            studies.append(dict(d, **disease_model_answers(d)))
        except vantor.InputError as error:
            if error.argument not in MODEL_INPUTS:
                raise
    return studies


def main() -> None:
    # The page's test passes the method by its code; the module takes its word.
    methods = {code: word for word, code in vantor.choice_words("method").items()}
    rows = []
    dm = disease_model_studies(300)
    for d in designs(3000):
        # Cases and controls are people (two alleles each), the module's unit.
        single = vantor.single_stage_power(d["cases"], d["controls"], d["odds_ratio"], d["rate"],
                                           alpha=d["alpha"])
        size = vantor.cases_for_ratio(1, d["odds_ratio"], d["rate"], alpha=d["alpha"],
                                      target_power=d["target"])
        row = dict(d, single=single.power, size_cases=size.cases, size_power=size.power)
        if len(rows) < 300:
            # Two stages, halves of each group in each stage; the overall
            # level leaves room below the first stage's.
            alpha2 = min(d["alpha"], d["alpha0"] / 4)
            two = vantor.two_stage_power(
                d["cases"] // 2, d["controls"] // 2, d["cases"] - d["cases"] // 2,
                d["controls"] - d["controls"] // 2, d["odds_ratio"], d["rate"],
                stage1_alpha=d["alpha0"], alpha=alpha2, method=methods[d["method"]])
            row.update(two_alpha2=alpha2, two_power=two.power, two_alpha1=two.final_alpha,
                       dm=dm[len(rows)])
        rows.append(row)
    print(json.dumps(rows))


if __name__ == "__main__":
    main()
