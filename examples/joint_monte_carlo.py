#!/usr/bin/env python3
"""How close the joint analysis's power formula comes to the procedure itself.

For a few two-stage designs (counts in people, two alleles each), this
simulates the joint analysis on allele counts: in each stage and group the
risk-allele count is binomial, each stage's Wald statistic is the difference
of the observed rates over the standard error from each group's own observed
rate, and the joint statistic weighs the first stage (the screen) by the square root
of its share of the effective size, 1 / (1/cases + 1/controls). A marker is
found when the screen passes at alpha0 and the joint statistic passes at the
derived alpha1 in the same direction. The simulated power is printed beside
the library's (vantor.two_stage_power, which derives the final level alpha1
from the stage 1 level alpha0 and the overall level), with the simulation's
standard error.

This measures the normal approximation behind the formula; it asserts
nothing. Needs numpy and the vantor Python module (PYTHONPATH=python, and
VANTOR_LIBRARY pointing at a shared build of the library if it is not
installed).

    python3 examples/joint_monte_carlo.py [replicates] [seed]
"""
import math
import sys

import numpy as np

import vantor

# (stage-1 cases, controls, stage-2 cases, controls) in people; odds ratio,
# risk-allele rate among controls, first-stage level, overall level.
DESIGNS = [
    ((300, 300, 700, 700), 1.3, 0.3, 0.05, 1e-3),
    ((200, 400, 300, 600), 1.4, 0.25, 0.05, 1e-3),
    ((200, 800, 500, 500), 1.3, 0.3, 0.01, 1e-3),
    ((400, 200, 400, 1200), 0.75, 0.2, 0.02, 1e-3),
]


def normal_quantile_upper(p):
    """The upper-p quantile of the standard normal, by bisection on erfc."""
    lo, hi = 0.0, 40.0
    for _ in range(200):
        mid = (lo + hi) / 2
        if 0.5 * math.erfc(mid / math.sqrt(2)) > p:
            lo = mid
        else:
            hi = mid
    return (lo + hi) / 2


def wald(cases_alleles, controls_alleles, rate_cases, rate_controls, rng, replicates):
    """Wald statistics of one stage for `replicates` simulated studies."""
    x1 = rng.binomial(cases_alleles, rate_cases, replicates) / cases_alleles
    x0 = rng.binomial(controls_alleles, rate_controls, replicates) / controls_alleles
    variance = x1 * (1 - x1) / cases_alleles + x0 * (1 - x0) / controls_alleles
    with np.errstate(divide="ignore", invalid="ignore"):
        z = (x1 - x0) / np.sqrt(variance)
    return np.nan_to_num(z, nan=0.0)


def simulate(design, replicates, rng):
    (r0, s0, r1, s1), odds_ratio, rate, alpha0, overall = design
    case_rate = odds_ratio * rate / (odds_ratio * rate + 1 - rate)
    alleles = [2 * n for n in (r0, s0, r1, s1)]
    formula = vantor.two_stage_power(
        r0, s0, r1, s1, odds_ratio, rate, stage1_alpha=alpha0, alpha=overall, method="joint"
    )
    alpha1 = formula.final_alpha
    e0 = 1 / (1 / alleles[0] + 1 / alleles[1])
    e1 = 1 / (1 / alleles[2] + 1 / alleles[3])
    weight = e0 / (e0 + e1)
    z0 = wald(alleles[0], alleles[1], case_rate, rate, rng, replicates)
    z1 = wald(alleles[2], alleles[3], case_rate, rate, rng, replicates)
    joint = math.sqrt(weight) * z0 + math.sqrt(1 - weight) * z1
    c0 = normal_quantile_upper(alpha0 / 2)
    c1 = normal_quantile_upper(alpha1 / 2)
    found = ((z0 > c0) & (joint > c1)) | ((z0 < -c0) & (joint < -c1))
    simulated = found.mean()
    error = math.sqrt(simulated * (1 - simulated) / replicates)
    return formula.power, alpha1, simulated, error


def main():
    replicates = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 20261207
    rng = np.random.default_rng(seed)
    print(f"{replicates} replicates, seed {seed}")
    print("people (stage 1 cases/controls, stage 2)  OR    rate  alpha0  "
          "alpha1      formula  simulated  s.e.     gap")
    for design in DESIGNS:
        formula, alpha1, simulated, error = simulate(design, replicates, rng)
        (r0, s0, r1, s1), odds_ratio, rate, alpha0, _ = design
        counts = f"{r0}/{s0}, {r1}/{s1}"
        print(f"{counts:<42} {odds_ratio:<5} {rate:<5} {alpha0:<7} {alpha1:<11.4g} "
              f"{formula:.4f}   {simulated:.4f}     {error:.4f}  {simulated - formula:+.4f}")


if __name__ == "__main__":
    main()
