#!/usr/bin/env python3
"""How close the power of each association test comes to the test itself.

For a few disease models (the marker is the causal variant, the controls
unaffected people) and two study sizes, this draws the genotype counts of
cases and controls from their multinomial distributions, runs the five
tests on every simulated study and prints each test's rejection rate beside
the power the vantor module gives for the same study:

- allelic: allele counts (two a person), the difference of the groups'
  risk-allele rates over its standard error from the pooled rate;
- trend, dominant, recessive: the mean difference of the genotype scores
  (0, 1, 2), (0, 1, 1), (0, 0, 1) over its standard error from the score's
  variance in both groups together (the Cochran-Armitage statistic);
- genotypic: Pearson's chi-square of the 2 x 3 table, two degrees of
  freedom (a genotype absent from both groups adds nothing).

Each is two-sided, rejecting beyond the normal quantile (or above
-2 ln alpha, the chi-square of two degrees of freedom). The genotype
frequencies are computed here from the model (docs/simulation.md), and
checked against the rates the module reports at the marker. This measures
the power formulas; with --check it also fails (exit status 1) when a trend,
dominant or recessive rejection rate is further than 4 standard errors +
0.005 from the module's power. Needs numpy and the vantor Python module
(PYTHONPATH=python, and VANTOR_LIBRARY pointing at a shared build of the
library if it is not installed).

    python3 examples/genotype_monte_carlo.py [--replicates N] [--seed S] [--check]
"""
import argparse
import math
import sys

import numpy as np

import vantor

# (model, risk-allele frequency, prevalence, relative risk per copy).
MODELS = [
    ("multiplicative", 0.3, 0.1, 1.3),
    ("additive", 0.2, 0.05, 1.4),
    ("dominant", 0.2, 0.1, 1.4),
    ("recessive", 0.4, 0.05, 1.8),
]
# (cases, controls), people.
SIZES = [(500, 500), (200, 800)]
LEVELS = [0.05, 0.001]
TESTS = ["allelic", "trend", "dominant", "recessive", "genotypic"]
SCORES = {"trend": (0, 1, 2), "dominant": (0, 1, 1), "recessive": (0, 0, 1)}
# The tests whose rejection rates the power formula must meet.
CHECKED = ("trend", "dominant", "recessive")
DEFAULT_SEED = 20261207


def genotype_relative_risks(model: str, r: float) -> tuple:
    return {"multiplicative": (1, r, r * r), "additive": (1, r, 2 * r - 1),
            "dominant": (1, r, r), "recessive": (1, 1, r)}[model]


def genotype_frequencies(model: str, p: float, prevalence: float, r: float) -> tuple:
    """Genotype (0, 1, 2 risk alleles) frequencies among cases and unaffected
    controls: Hardy-Weinberg in the population, penetrances f_g = f_0 RR_g
    with the population's risk the prevalence."""
    population = np.array([(1 - p) ** 2, 2 * p * (1 - p), p * p])
    risks = np.array(genotype_relative_risks(model, r))
    penetrances = prevalence / (population @ risks) * risks
    cases = population * penetrances / prevalence
    controls = population * (1 - penetrances) / (1 - prevalence)
    return cases, controls


def upper_normal_quantile(p: float) -> float:
    """The upper-p quantile of the standard normal, by bisection on erfc."""
    lo, hi = 0.0, 40.0
    for _ in range(200):
        mid = (lo + hi) / 2
        if 0.5 * math.erfc(mid / math.sqrt(2)) > p:
            lo = mid
        else:
            hi = mid
    return (lo + hi) / 2


def allelic_statistic(cases: np.ndarray, controls: np.ndarray) -> np.ndarray:
    """Allele counts, the pooled rate's variance."""
    case_alleles, control_alleles = 2 * cases.sum(1), 2 * controls.sum(1)
    case_copies = cases[:, 1] + 2 * cases[:, 2]
    control_copies = controls[:, 1] + 2 * controls[:, 2]
    pooled = (case_copies + control_copies) / (case_alleles + control_alleles)
    variance = pooled * (1 - pooled) * (1 / case_alleles + 1 / control_alleles)
    with np.errstate(divide="ignore", invalid="ignore"):
        z = (case_copies / case_alleles - control_copies / control_alleles) / np.sqrt(variance)
    return np.nan_to_num(z, nan=0.0)


def score_statistic(cases: np.ndarray, controls: np.ndarray, scores: tuple) -> np.ndarray:
    """The mean score difference over its standard error under no association."""
    x = np.array(scores, dtype=float)
    r, s = cases.sum(1), controls.sum(1)
    both = cases + controls
    mean = both @ x / (r + s)
    variance = both @ (x * x) / (r + s) - mean * mean
    with np.errstate(divide="ignore", invalid="ignore"):
        z = (cases @ x / r - controls @ x / s) / np.sqrt(variance * (1 / r + 1 / s))
    return np.nan_to_num(z, nan=0.0)


def genotypic_statistic(cases: np.ndarray, controls: np.ndarray) -> np.ndarray:
    """Pearson's chi-square of the 2 x 3 table."""
    r, s = cases.sum(1, keepdims=True), controls.sum(1, keepdims=True)
    column = cases + controls
    total = r + s
    statistic = np.zeros(len(cases))
    for observed, group in ((cases, r), (controls, s)):
        expected = group * column / total
        with np.errstate(divide="ignore", invalid="ignore"):
            terms = np.where(expected > 0, (observed - expected) ** 2 / expected, 0.0)
        statistic += terms.sum(1)
    return statistic


def rejections(test: str, cases: np.ndarray, controls: np.ndarray, alpha: float) -> np.ndarray:
    if test == "genotypic":
        return genotypic_statistic(cases, controls) > -2 * math.log(alpha)
    z = (allelic_statistic(cases, controls) if test == "allelic"
         else score_statistic(cases, controls, SCORES[test]))
    return np.abs(z) > upper_normal_quantile(alpha / 2)


class Row:
    def __init__(self, model, size, alpha, test, simulated, replicates, power):
        self.model, self.size, self.alpha, self.test = model, size, alpha, test
        self.simulated, self.power = simulated, power
        self.error = math.sqrt(max(power * (1 - power), 1e-12) / replicates)

    @property
    def gap(self) -> float:
        return self.simulated - self.power

    def agrees(self) -> bool:
        return abs(self.gap) <= 4 * self.error + 0.005


def simulate(replicates: int, seed: int, models=MODELS, sizes=SIZES, levels=LEVELS) -> list:
    """Every model, size, level and test: its Row."""
    rng = np.random.default_rng(seed)
    rows = []
    for model, p, prevalence, r in models:
        case_frequencies, control_frequencies = genotype_frequencies(model, p, prevalence, r)
        effect = dict(frequency=p, prevalence=prevalence, model=model, relative_risk=r)
        for cases, controls in sizes:
            case_counts = rng.multinomial(cases, case_frequencies, size=replicates)
            control_counts = rng.multinomial(controls, control_frequencies, size=replicates)
            for alpha in levels:
                for test in TESTS:
                    found = vantor.single_stage_power(cases, controls, alpha=alpha, test=test,
                                                      **effect)
                    check_rates(found, case_frequencies, control_frequencies)
                    rate = rejections(test, case_counts, control_counts, alpha).mean()
                    rows.append(Row(model, (cases, controls), alpha, test, rate, replicates,
                                    found.power))
    return rows


def check_rates(found, case_frequencies, control_frequencies) -> None:
    """The module's rates at the marker are those of our frequencies."""
    for ours, theirs in ((case_frequencies, found.marker_case_rate),
                         (control_frequencies, found.marker_control_rate)):
        if abs(ours[1] / 2 + ours[2] - theirs) > 1e-12:
            raise AssertionError(f"risk-allele rate {theirs} from the module, "
                                 f"{ours[1] / 2 + ours[2]} from the model here")


def table(rows: list) -> str:
    lines = ["| model | cases + controls | alpha | test | simulated | module | "
             "difference | standard error |",
             "|---|---|---|---|---|---|---|---|"]
    for row in rows:
        lines.append(f"| {row.model} | {row.size[0]} + {row.size[1]} | {row.alpha:g} | "
                     f"{row.test} | {row.simulated:.4f} | {row.power:.4f} | {row.gap:+.4f} | "
                     f"{row.error:.4f} |")
    return "\n".join(lines)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--replicates", type=int, default=100000)
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED)
    parser.add_argument("--check", action="store_true",
                        help="fail when a trend, dominant or recessive rate disagrees")
    options = parser.parse_args()
    rows = simulate(options.replicates, options.seed)
    print(f"{options.replicates} replicates, seed {options.seed}\n")
    print(table(rows))
    disagreeing = [row for row in rows if row.test in CHECKED and not row.agrees()]
    for row in disagreeing:
        print(f"disagrees: {row.model} {row.size} {row.alpha:g} {row.test}: simulated "
              f"{row.simulated:.4f}, module {row.power:.4f}", file=sys.stderr)
    return 1 if options.check and disagreeing else 0


if __name__ == "__main__":
    sys.exit(main())
