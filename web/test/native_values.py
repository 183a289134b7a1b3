"""Prints, as JSON, the native library's answers to a fixed list of designs
(single-stage and two-stage powers, solved sizes), for the WebAssembly
module's answers to be compared with. Needs VANTOR_LIBRARY (the shared
library) and the Python module on sys.path."""

import json
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


def main() -> None:
    # The page's test passes the method by its code; the module takes its word.
    methods = {code: word for word, code in vantor.choice_words("method").items()}
    rows = []
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
            row.update(two_alpha2=alpha2, two_power=two.power, two_alpha1=two.final_alpha)
        rows.append(row)
    print(json.dumps(rows))


if __name__ == "__main__":
    main()
