#!/usr/bin/python3
"""Draws the single-stage power against the number of cases (as many
controls) for a few odds ratios, with the 80 % line and, on it, the smallest
equal group size at which the program's LIMIT search reaches 80 %.

Usage:
    power_curve.py --program build/vantor_mini_bin [--output docs/power_curve.png]

The powers come from the Python module (python/vantor.py), which needs the
shared library (build with -DBUILD_SHARED_LIBS=ON, or set VANTOR_LIBRARY).
Needs matplotlib (Debian: python3-matplotlib).
"""

import argparse
import math
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "python"))

import vantor  # noqa: E402

CONTROL_RATE = 0.3
ALPHA = 5e-8
TARGET = 0.8
ODDS_RATIOS = (1.2, 1.3, 1.5, 2.0)
SMALLEST, LARGEST = 100, 20000
LIMIT_LARGEST = 100000


def equal_sizes(points: int = 160) -> list:
    step = math.log(LARGEST / SMALLEST) / (points - 1)
    return sorted({round(SMALLEST * math.exp(i * step)) for i in range(points)})


def limit_cases(program: str, controls: int, odds_ratio: float) -> int:
    """Cases LIMIT needs beside `controls` controls, or None if out of reach."""
    words = ["LIMIT", "Control", str(controls), str(TARGET), repr(odds_ratio),
             repr(CONTROL_RATE), repr(ALPHA)]
    answer = subprocess.run([program, *words], capture_output=True, text=True,
                            check=True, timeout=60).stdout
    return int(answer) if answer.lstrip("-").isdigit() else None


def smallest_equal_size(program: str, odds_ratio: float) -> int:
    """Smallest n for which LIMIT, given n controls, needs at most n cases."""

    def enough(n: int) -> bool:
        cases = limit_cases(program, n, odds_ratio)
        return cases is not None and 0 < cases <= n

    low, high = 1, LIMIT_LARGEST
    if not enough(high):
        return None
    while low < high:
        middle = (low + high) // 2
        if enough(middle):
            high = middle
        else:
            low = middle + 1
    return low


def draw(program: str, output: str) -> None:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    from matplotlib.ticker import FuncFormatter

    sizes = equal_sizes()
    figure, axes = plt.subplots(figsize=(10, 5), dpi=120)
    for odds_ratio in ODDS_RATIOS:
        # Allele draws, as the program's LIMIT search counts them.
        powers = [vantor.single_stage_power(n, n, odds_ratio, CONTROL_RATE, ALPHA,
                                            count="alleles").power for n in sizes]
        (line,) = axes.plot(sizes, powers, linewidth=2, label=f"odds ratio {odds_ratio:g}")
        needed = smallest_equal_size(program, odds_ratio)
        if needed is not None and needed <= LARGEST:
            axes.plot([needed], [TARGET], "o", color=line.get_color(), markersize=7)
            axes.annotate(f"{needed:,}", (needed, TARGET), textcoords="offset points",
                          xytext=(4, -14), color=line.get_color(), fontsize=9)
    axes.axhline(TARGET, color="0.4", linestyle="--", linewidth=1)
    axes.text(SMALLEST * 1.05, TARGET + 0.015, "80 % power", color="0.3", fontsize=9)
    axes.plot([], [], "o", color="0.3", label="fewest per group for 80 % (LIMIT)")
    axes.set_xscale("log")
    axes.set_xlim(SMALLEST, LARGEST)
    axes.xaxis.set_major_formatter(FuncFormatter(lambda value, _: f"{value:,.0f}"))
    axes.set_ylim(0, 1.0)
    axes.set_xlabel("cases (and as many controls)")
    axes.set_ylabel("power")
    axes.set_title(f"Single-stage allelic test: risk-allele rate {CONTROL_RATE:g} in controls, "
                   f"level {ALPHA:g}", fontsize=10)
    axes.grid(True, which="both", color="0.9")
    axes.legend(loc="upper left", bbox_to_anchor=(1.01, 1), fontsize=9, frameon=False)
    figure.tight_layout()
    figure.savefig(output)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="path of vantor_mini_bin")
    parser.add_argument("--output", default="power_curve.png", help="PNG file to write")
    arguments = parser.parse_args()
    draw(arguments.program, arguments.output)


if __name__ == "__main__":
    main()
