#!/usr/bin/python3
"""Draws the power of a genome-wide study against its number of cases for a
few relative risks of a disease model, with the 80 % line and, on it, each
curve's smallest number of cases, the library's answer to the size question.

Usage:
    power_curve.py [--output docs/power_curve.png]

A risk allele of frequency 0.25 in the population, a disease of prevalence
0.01 and a multiplicative model; 2,000 unaffected controls; the allelic test
of a million markers at the study-wide level 0.05. The powers and sizes come
from the Python module (python/vantor: figure_data and ask), which needs
the shared library (build with -DBUILD_SHARED_LIBS=ON, or set
VANTOR_LIBRARY); the drawing needs matplotlib (Debian: python3-matplotlib).
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "python"))

import vantor  # noqa: E402

STUDY = dict(frequency=0.25, prevalence=0.01, controls=2000, markers=1e6)
RELATIVE_RISKS = (1.3, 1.4, 1.5, 1.7)
CASES = list(range(100, 6001, 50))
TARGET = 0.8


def smallest_cases(relative_risk: float):
    """The fewest cases beside the controls whose power reaches the target
    (the library's size question), or None when no number does."""
    return vantor.ask(**STUDY, relative_risk=relative_risk, target_power=TARGET).cases


def draw(output: str) -> None:
    import matplotlib  # pylint: disable=import-outside-toplevel

    matplotlib.use("Agg")
    figure = vantor.figure(("cases", CASES), ("relative_risk", RELATIVE_RISKS), target=TARGET,
                           **STUDY)
    figure.set_size_inches(10, 5.5)
    axes = figure.axes[0]
    for line, relative_risk in zip(axes.get_lines(), RELATIVE_RISKS):
        needed = smallest_cases(relative_risk)
        if needed is not None and needed <= CASES[-1]:
            axes.plot([needed], [TARGET], "o", color=line.get_color(), markersize=7)
            axes.annotate(f"{needed:,}", (needed, TARGET), textcoords="offset points",
                          xytext=(5, -14), color=line.get_color(), fontsize=9)
    axes.plot([], [], "o", color="0.3", label=f"fewest cases for {TARGET:.0%} power")
    axes.set_xlim(0, CASES[-1])
    axes.legend(loc="lower right", fontsize=9, frameon=False)
    figure.savefig(output, dpi=100)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", default="power_curve.png", help="PNG file to write")
    draw(parser.parse_args().output)


if __name__ == "__main__":
    main()
