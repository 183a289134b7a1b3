"""Writes the seed corpus of fuzz_solve (layout in solve_fuzzer.cpp)."""

from seed_corpus import write_corpus

SEEDS = {
    # cases, controls, unit, ratio, odds ratio, control rate, alpha, target power
    "genome_wide_people": (4000, 4000, 2, 1.0, 1.3, 0.3, 5e-8, 0.8),
    "two_controls_per_case": (1000, 2000, 1, 2.0, 1.2, 0.2, 1e-6, 0.9),
    "falls_then_rises": (100, 100, 1, 0.5, 20.0, 0.003, 0.05, 0.6),
    "levels_off": (200, 200, 1, 1.0, 1.2, 0.3, 5e-8, 0.8),
    "saw_tooth_rounding": (50, 50, 1, 0.28509931012038076, 7.0726381947619235,
                           0.99622425956759131, 0.0013772067862627727, 0.042709870579625352),
    "largest_counts": (2147483647, 2147483647, 1, 1000.0, 1.0001, 0.5, 1e-12, 0.99),
    "all_invalid": (0, -1, 3, -1.0, 1.0, 1.5, 0.0, 2.0),
    # A subnormal rate: the computed power no longer has the formula's shape.
    "subnormal_rate": (469777864, 12599608, 1, 256.000000000007, 1.0000076293945432, 4.5533e-319,
                       3.1661987236919487e-05, 3.166198730468924e-05),
}


def main() -> None:
    write_corpus("solve", "<3i5d", SEEDS)


if __name__ == "__main__":
    main()
