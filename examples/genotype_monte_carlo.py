#!/usr/bin/env python3
"""How close each power calculation comes to the association tests themselves.

On a fixed grid of designs (genetic model x test x case:control ratio x
level; the marker is the causal variant, the controls unaffected people),
this draws the genotype counts of cases and controls from their multinomial
distributions, runs the test on every simulated study and sets the share of
studies in which it rejects beside the power the vantor module gives for the
same study with calculation "classic" and with "genotypes" (the default):

- allelic: allele counts (two a person), the difference of the groups'
  risk-allele rates over its standard error from the pooled rate (the
  allelic chi-square test), or from each group's own rate (unpooled, the
  Wald test);
- trend, dominant, recessive: the mean difference of the genotype scores
  (0, 1, 2), (0, 1, 1), (0, 0, 1) over its standard error from the score's
  variance in both groups together (the Cochran-Armitage statistic);
- genotypic: Pearson's chi-square of the 2 x 3 table, two degrees of
  freedom (a genotype absent from both groups adds nothing).

Each is two-sided, rejecting beyond the normal quantile (or above
-2 ln alpha, the chi-square of two degrees of freedom). Each design's size
is the library's (classic) for a power of 0.6, so every rejection rate is
measured where it is most uncertain and matters most. The genotype
frequencies are computed here from the model (docs/simulation.md) and
checked against the rates the module reports at the marker.

With --check it fails (exit status 1) when a gap to the simulation exceeds
the largest measured with 1,000,000 replicates (GAPS) by more than 4 of this
run's standard errors, when on an allelic or genotypic design the default
calculation is further from the simulation than the classic one by more
than the most measured (LOSSES) and 3 standard errors, or when the library
finds no size for a design. Needs numpy and the vantor Python module
(PYTHONPATH=python, and VANTOR_LIBRARY pointing at a shared build of the
library if it is not installed).

    python3 examples/genotype_monte_carlo.py [--replicates N] [--seed S] [--check]
"""
import argparse
import math
import sys
import time

import numpy as np

import vantor

# (model, risk-allele frequency, prevalence, relative risk per copy). The
# last two leave few homozygotes: the rare allele of a recessive model, and
# a rare allele whose homozygotes the genotypic test still tells apart.
MODELS = [
    ("multiplicative", 0.3, 0.1, 1.3),
    ("additive", 0.2, 0.05, 1.4),
    ("dominant", 0.2, 0.1, 1.4),
    ("recessive", 0.4, 0.05, 1.8),
    ("recessive", 0.1, 0.05, 3.0),
    ("multiplicative", 0.05, 0.1, 1.6),
]
CONTROLS_PER_CASE = (1, 3)
LEVELS = (0.05, 1e-4, 5e-8)
# Name shown: the module's test and variance.
TESTS = {
    "allelic": ("allelic", "pooled"),
    "allelic unpooled": ("allelic", "unpooled"),
    "trend": ("trend", "pooled"),
    "dominant": ("dominant", "pooled"),
    "recessive": ("recessive", "pooled"),
    "genotypic": ("genotypic", "pooled"),
}
SCORES = {"trend": (0, 1, 2), "dominant": (0, 1, 1), "recessive": (0, 0, 1)}
# The power each design is sized for (classic calculation).
TARGET_POWER = 0.6
CALCULATIONS = ("classic", "genotypes")
DEFAULT_SEED = 20261207
DEFAULT_REPLICATES = 1000000
# What --check holds, measured over the grid with 1,000,000 replicates and
# the default seed (docs/simulation.md). GAPS: each test's and calculation's
# largest |simulated - module|; a run may exceed it by GAP_ERRORS of its own
# standard errors. LOSSES: the most the default was further from the
# simulation than classic (finite-sample effects the asymptotic variance does
# not see, largest where a genotype class is sparse); a run may exceed it by
# LOSS_ERRORS standard errors.
GAPS = {
    "allelic": {"classic": 0.0075, "genotypes": 0.0058},
    "allelic unpooled": {"classic": 0.0104, "genotypes": 0.0104},
    "trend": {"classic": 0.0056, "genotypes": 0.0056},
    "dominant": {"classic": 0.0058, "genotypes": 0.0058},
    "recessive": {"classic": 0.0269, "genotypes": 0.0269},
    "genotypic": {"classic": 0.0190, "genotypes": 0.0161},
}
GAP_ERRORS = 4
LOSSES = {"allelic": 0.0033, "allelic unpooled": 0.0016, "genotypic": 0.0067}
LOSS_ERRORS = 3


# The model

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


# The tests, each on arrays of simulated studies' genotype counts (one row a study)

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


def allelic_statistic(cases: np.ndarray, controls: np.ndarray, pooled: bool) -> np.ndarray:
    """Allele counts; the pooled rate's variance, or each group's own."""
    case_alleles, control_alleles = 2 * cases.sum(1), 2 * controls.sum(1)
    case_rate = (cases[:, 1] + 2 * cases[:, 2]) / case_alleles
    control_rate = (controls[:, 1] + 2 * controls[:, 2]) / control_alleles
    if pooled:
        rate = (case_rate * case_alleles + control_rate * control_alleles) / (
            case_alleles + control_alleles)
        variance = rate * (1 - rate) * (1 / case_alleles + 1 / control_alleles)
    else:
        variance = (case_rate * (1 - case_rate) / case_alleles
                    + control_rate * (1 - control_rate) / control_alleles)
    with np.errstate(divide="ignore", invalid="ignore"):
        z = (case_rate - control_rate) / np.sqrt(variance)
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
    if test.startswith("allelic"):
        z = allelic_statistic(cases, controls, pooled=test == "allelic")
    else:
        z = score_statistic(cases, controls, SCORES[test])
    return np.abs(z) > upper_normal_quantile(alpha / 2)


# The grid

class Design:
    """One design of the grid: what is simulated, and the module's powers."""

    def __init__(self, model: tuple, controls_per_case: int, alpha: float, test: str):
        self.model, self.controls_per_case, self.alpha, self.test = (
            model, controls_per_case, alpha, test)
        self.cases = self.controls = None
        self.simulated = self.error = math.nan
        self.power, self.warned = {}, False

    @property
    def effect(self) -> dict:
        name, p, prevalence, r = self.model
        return dict(frequency=p, prevalence=prevalence, model=name, relative_risk=r)

    @property
    def options(self) -> dict:
        test, variance = TESTS[self.test]
        return dict(alpha=self.alpha, test=test, variance=variance, **self.effect)

    def gap(self, calculation: str) -> float:
        return self.simulated - self.power[calculation]

    def loss(self) -> float:
        """How much further the default is from the simulation than classic
        (negative: nearer)."""
        return abs(self.gap("genotypes")) - abs(self.gap("classic"))

    @property
    def label(self) -> str:
        name, p, prevalence, r = self.model
        return f"{name} p={p:g} K={prevalence:g} r={r:g}"


def grid() -> list:
    return [Design(model, ratio, alpha, test) for model in MODELS
            for ratio in CONTROLS_PER_CASE for alpha in LEVELS for test in TESTS]


def size(design: Design) -> bool:
    """The design's cases and controls: the classic calculation's size for
    TARGET_POWER. False when the library finds none."""
    found = vantor.cases_for_ratio(design.controls_per_case, target_power=TARGET_POWER,
                                   calculation="classic", **design.options)
    if found.cases is None or found.controls is None:
        return False
    design.cases, design.controls = found.cases, found.controls
    return True


def ask_powers(design: Design, case_frequencies, control_frequencies) -> None:
    for calculation in CALCULATIONS:
        found = vantor.single_stage_power(design.cases, design.controls,
                                          calculation=calculation, **design.options)
        check_rates(found, case_frequencies, control_frequencies)
        design.power[calculation] = found.power
        design.warned |= found.reason == vantor.Reason.FEW_EXPECTED_GENOTYPES


def check_rates(found, case_frequencies, control_frequencies) -> None:
    """The module's rates at the marker are those of our frequencies."""
    for ours, theirs in ((case_frequencies, found.marker_case_rate),
                         (control_frequencies, found.marker_control_rate)):
        if abs(ours[1] / 2 + ours[2] - theirs) > 1e-12:
            raise AssertionError(f"risk-allele rate {theirs} from the module, "
                                 f"{ours[1] / 2 + ours[2]} from the model here")


def simulate(design: Design, replicates: int, rng: np.random.Generator) -> None:
    case_frequencies, control_frequencies = genotype_frequencies(*design.model)
    ask_powers(design, case_frequencies, control_frequencies)
    cases = rng.multinomial(design.cases, case_frequencies, size=replicates)
    controls = rng.multinomial(design.controls, control_frequencies, size=replicates)
    design.simulated = rejections(design.test, cases, controls, design.alpha).mean()
    design.error = math.sqrt(max(design.simulated * (1 - design.simulated), 1e-12) / replicates)


def run(replicates: int, seed: int) -> tuple:
    """Every design of the grid simulated (each its own generator, seeded by
    the seed and its place in the grid, so one design reruns alone), and the
    designs the library found no size for."""
    done, unsized = [], []
    for index, design in enumerate(grid()):
        if not size(design):
            unsized.append(design)
            continue
        simulate(design, replicates, np.random.default_rng([seed, index]))
        done.append(design)
    return done, unsized


# What is printed

def table(designs: list) -> str:
    lines = ["| model | controls per case | alpha | test | cases + controls | simulated | "
             "standard error | classic | gap | genotypes | gap | few genotypes |",
             "|---|---|---|---|---|---|---|---|---|---|---|---|"]
    for d in designs:
        lines.append(
            f"| {d.label} | {d.controls_per_case} | {d.alpha:g} | {d.test} | "
            f"{d.cases} + {d.controls} | {d.simulated:.4f} | {d.error:.4f} | "
            f"{d.power['classic']:.4f} | {d.gap('classic'):+.4f} | "
            f"{d.power['genotypes']:.4f} | {d.gap('genotypes'):+.4f} | "
            f"{'yes' if d.warned else ''} |")
    return "\n".join(lines)


def summary(designs: list) -> str:
    """Per test: the largest and mean gap of each calculation, in how many
    designs the default is nearer the simulation, and its worst loss."""
    lines = ["| test | designs | classic largest gap | classic mean gap | "
             "genotypes largest gap | genotypes mean gap | genotypes nearer | "
             "genotypes' largest loss to classic |",
             "|---|---|---|---|---|---|---|---|"]
    for test in TESTS:
        ours = [d for d in designs if d.test == test]
        if not ours:
            continue
        gaps = {c: [abs(d.gap(c)) for d in ours] for c in CALCULATIONS}
        differing = [d for d in ours if d.power["classic"] != d.power["genotypes"]]
        nearer = sum(abs(d.gap("genotypes")) < abs(d.gap("classic")) for d in differing)
        worst = max(differing, key=Design.loss, default=None)
        lines.append(
            f"| {test} | {len(ours)} | {max(gaps['classic']):.4f} | "
            f"{np.mean(gaps['classic']):.4f} | {max(gaps['genotypes']):.4f} | "
            f"{np.mean(gaps['genotypes']):.4f} | "
            + (f"{nearer} of {len(differing)} | {worst.loss():+.4f} "
               f"({worst.loss() / worst.error:+.1f} SE) |" if worst else "(same power) | |"))
    return "\n".join(lines)


def failures(designs: list) -> list:
    """What --check refuses: a gap beyond its test's bound and 4 standard
    errors, or on a test whose calculations differ the default's loss to
    classic beyond the measured and 3 standard errors."""
    found = []
    for d in designs:
        for calculation in CALCULATIONS:
            bound = GAPS[d.test][calculation] + GAP_ERRORS * d.error
            if abs(d.gap(calculation)) > bound:
                found.append(f"{d.label}, 1:{d.controls_per_case}, {d.alpha:g}, {d.test}: "
                             f"{calculation} gap {d.gap(calculation):+.4f} beyond {bound:.4f}")
        if d.test in LOSSES and d.loss() > LOSSES[d.test] + LOSS_ERRORS * d.error:
            found.append(f"{d.label}, 1:{d.controls_per_case}, {d.alpha:g}, {d.test}: "
                         f"genotypes {d.loss():.4f} further than classic, beyond "
                         f"{LOSSES[d.test] + LOSS_ERRORS * d.error:.4f}")
    return found


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--replicates", type=int, default=DEFAULT_REPLICATES)
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED)
    parser.add_argument("--check", action="store_true",
                        help="fail when a gap exceeds its bound or the default loses to classic")
    options = parser.parse_args()
    started = time.perf_counter()
    designs, unsized = run(options.replicates, options.seed)
    print(f"{options.replicates} replicates a design, seed {options.seed}, "
          f"{time.perf_counter() - started:.0f} s\n")
    print(table(designs) + "\n")
    print(summary(designs))
    refused = failures(designs) + [
        f"no size: {d.label}, 1:{d.controls_per_case}, {d.alpha:g}, {d.test}" for d in unsized]
    for line in refused:
        print(line, file=sys.stderr if options.check else sys.stdout)
    return 1 if options.check and refused else 0


if __name__ == "__main__":
    sys.exit(main())
