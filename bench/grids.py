#!/usr/bin/env python3
"""Times a grid of 10,000 questions from Python and from R, in turn.

Two grids, each asked in one call: the powers of 10,000 sizes (cases 1 to
10,000 alleles against 2,000 controls) and of 100 sizes by 100 odds ratios
(cases 100 to 10,000 by odds ratios 1.01 to 2.00; R is given the rows of
expand.grid, made before the clock starts). Each round times Python's call
(the best of 10, each from a collected heap) and then R's, in one Rscript
process (the same); five rounds, then the best of all rounds, which a
shared machine's slow spells (seconds long) spoil least. Nothing is
asserted: docs/speed.md quotes the numbers.

    VANTOR_LIBRARY=build-shared/libvantor.so PYTHONPATH=python \\
        R_LIBS=<where the R package is installed> python3 bench/grids.py
"""

import gc
import subprocess
import time

import numpy

import vantor

STUDY = dict(controls=2000, control_rate=0.3, alpha=0.05)
R_TIMING = """
library(vantor)
n <- 1:10000
g <- expand.grid(odds_ratio = seq(1.01, 2.00, 0.01), cases = seq(100, 10000, 100))
best <- function(f) min(vapply(1:10, function(k) {
    invisible(gc())
    start <- Sys.time()
    f()
    as.numeric(Sys.time() - start, units = "secs")
}, numeric(1)))
sizes <- function() vantor_power(cases = n, controls = 2000, odds_ratio = 1.3,
                                 control_rate = 0.3, alpha = 0.05, count = "alleles")
grid <- function() vantor_power(cases = g$cases, controls = 2000, odds_ratio = g$odds_ratio,
                                control_rate = 0.3, alpha = 0.05)
invisible(sizes()); invisible(grid())
cat(1000 * best(sizes), 1000 * best(grid), "\\n")
"""


def best_of_ten(call) -> float:
    """The shortest of ten calls, in milliseconds, each from a collected heap."""
    times = []
    for _ in range(10):
        gc.collect()
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return 1000 * min(times)


def python_times() -> tuple:
    cases = numpy.arange(1, 10001)
    grid_cases, odds_ratios = numpy.arange(100, 10001, 100), numpy.arange(1.01, 2.005, 0.01)

    def sizes():
        return vantor.single_stage_power(cases=cases, odds_ratio=1.3, count="alleles", **STUDY)

    def grid():
        return vantor.single_stage_power(cases=grid_cases, odds_ratio=odds_ratios, **STUDY)

    assert len(sizes()) == 10000 and len(grid()) == 10000
    return best_of_ten(sizes), best_of_ten(grid)


def r_times() -> tuple:
    run = subprocess.run(["Rscript", "-e", R_TIMING], capture_output=True, text=True,
                         check=True)
    sizes, grid = map(float, run.stdout.split())
    return sizes, grid


def main() -> None:
    print("round  10,000 sizes: Python  R  ratio   100 x 100 grid: Python  R  ratio")
    rounds = []
    for round_ in range(1, 6):
        rounds.append((*python_times(), *r_times()))
        print_round(str(round_), *rounds[-1])
    print_round("best", *(min(times) for times in zip(*rounds)))


def print_round(label: str, p_sizes: float, p_grid: float, r_sizes: float,
                r_grid: float) -> None:
    print(f"{label:6} {p_sizes:6.2f} ms {r_sizes:6.2f} ms {p_sizes / r_sizes:4.2f}"
          f"     {p_grid:6.2f} ms {r_grid:6.2f} ms {p_grid / r_grid:4.2f}")


if __name__ == "__main__":
    main()
