"""Writes the seed corpus of fuzz_ask (layout in ask_fuzzer.cpp): requests
of named inputs, each an entry of the input's index, a form and its value."""

import os
import struct

# The library's inputs in the order of ASK_input_at.
INPUTS = [
    "cases", "controls", "controls_per_case", "cases_per_control", "odds_ratio", "direction",
    "control_rate", "frequency", "prevalence", "model", "relative_risk", "heterozygote_risk",
    "homozygote_risk", "controls_kind", "marker_frequency", "d_prime", "r_squared", "test",
    "markers", "alpha", "target_power", "variance", "method", "total", "stage1_share",
    "stage1_cases", "stage1_controls", "stage2_cases", "stage2_controls", "case_fraction",
    "stage1_alpha", "budget", "cost_ratio", "count", "stages", "solve", "calculation",
    "replicates", "seed", "cases_available", "controls_available", "stage1_controls_available",
    "stage2_controls_available", "panel", "stage1_cost_per_person", "stage2_cost_per_person",
    "stage2_cost_per_genotype", "stage1_fixed_cost", "stage2_fixed_cost",
]

SEEDS = {
    "power": {"cases": 2000, "controls": 2000, "odds_ratio": 1.3, "control_rate": 0.3},
    "cases_for_controls": {"controls": 3000, "odds_ratio": 1.3, "control_rate": 0.3,
                           "target_power": 0.8},
    "controls_per_case": {"cases": 1000, "controls_per_case": 2.5, "odds_ratio": 1.2,
                          "control_rate": 0.2, "alpha": 1e-4},
    "cases_per_control": {"cases_per_control": 0.5, "odds_ratio": 1.4, "control_rate": 0.1,
                          "target_power": 0.9},
    "odds_ratio_both_sides": {"cases": 2000, "controls": 2000, "control_rate": 0.3,
                              "target_power": 0.8},
    "disease_model": {"cases": 1000, "controls": 2000, "frequency": 0.2, "prevalence": 0.1,
                      "relative_risk": 1.5, "model": 1, "test": 1, "markers": 1e6},
    "relative_risk": {"cases": 1000, "controls": 2000, "frequency": 0.2, "prevalence": 0.1,
                      "target_power": 0.8, "direction": 0, "r_squared": 0.8},
    "two_stage_total": {"stages": 2, "total": 6000, "stage1_share": 0.4, "stage1_alpha": 1e-3,
                        "odds_ratio": 1.3, "control_rate": 0.3, "method": 0},
    "two_stage_counts": {"stages": 2, "stage1_cases": 1200, "stage1_controls": 1200,
                         "stage2_cases": 1800, "stage2_controls": 1800, "stage1_alpha": 1e-3,
                         "odds_ratio": 1.3, "control_rate": 0.3, "cost_ratio": 3},
    "smallest_total": {"stages": 2, "solve": 1, "stage1_share": 0.4, "stage1_alpha": 1e-3,
                       "odds_ratio": 1.3, "control_rate": 0.3, "alpha": 1e-4},
    # The genotypic test from its genotypes (the default) and by the classic
    # formula (the first word of "calculation"), on a recessive model.
    "genotypic_genotypes": {"cases": 4053, "controls": 15760, "frequency": 0.081,
                            "prevalence": 0.0127, "relative_risk": 2.597, "model": 3, "test": 4},
    "genotypic_classic": {"cases": 4053, "controls": 15760, "frequency": 0.081,
                          "prevalence": 0.0127, "relative_risk": 2.597, "model": 3, "test": 4,
                          "calculation": 0},
    "allelic_from_genotypes_size": {"controls": 3000, "frequency": 0.3, "prevalence": 0.1,
                                    "relative_risk": 1.3, "model": 2, "target_power": 0.8},
    # Simulated powers: of given counts, of a detectable relative risk, of two stages.
    "simulated_power": {"cases": 500, "controls": 800, "odds_ratio": 1.3, "control_rate": 0.3,
                        "replicates": 500, "seed": 7},
    "simulated_relative_risk": {"cases": 1000, "controls": 2000, "frequency": 0.1,
                                "prevalence": 0.05, "model": 3, "test": 4, "target_power": 0.8,
                                "direction": 0, "replicates": 300},
    "simulated_two_stage": {"stages": 2, "total": 6000, "stage1_share": 0.4, "stage1_alpha": 1e-3,
                            "odds_ratio": 1.3, "control_rate": 0.3, "method": 1,
                            "replicates": 400, "seed": 3},
    # A smallest total within the people there are, its costs in money.
    "smallest_total_planned": {"stages": 2, "stage1_share": 0.4, "stage1_alpha": 1e-3,
                               "odds_ratio": 1.3, "control_rate": 0.3, "target_power": 0.8,
                               "markers": 1e6, "panel": 2000, "cases_available": 4000,
                               "stage1_cost_per_person": 300, "stage2_cost_per_person": 20,
                               "stage2_cost_per_genotype": 0.05, "stage1_fixed_cost": 1e4},
    # Two stages with the trend and recessive tests, one simulated.
    "two_stage_trend_simulated": {"stages": 2, "stage1_cases": 1200, "stage1_controls": 1500,
                                  "stage2_cases": 1800, "stage2_controls": 1600,
                                  "stage1_alpha": 1e-3, "frequency": 0.25, "prevalence": 0.01,
                                  "relative_risk": 1.3, "test": 1, "method": 2,
                                  "replicates": 300, "seed": 5},
    "smallest_total_recessive": {"stages": 2, "solve": 1, "stage1_share": 0.4,
                                 "stage1_alpha": 1e-2, "frequency": 0.3, "prevalence": 0.05,
                                 "relative_risk": 1.5, "model": 3, "test": 3, "alpha": 1e-4,
                                 "variance": 1, "cases_available": 3000},
    "refused": {"cases": 0, "controls": -1, "odds_ratio": 1, "control_rate": 2, "count": 7},
}

# Inputs given as a word: the value is the word's position among its choice's.
WORDS = {"direction", "model", "controls_kind", "test", "variance", "method", "count", "solve",
         "calculation"}


def entry(name: str, value) -> bytes:
    index = INPUTS.index(name)
    if name in WORDS:
        return struct.pack("<BBB", index, 1, value)
    return struct.pack("<BBd", index, 0, float(value))


def main() -> None:
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "ask")
    os.makedirs(folder, exist_ok=True)
    for name, inputs in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as seed:
            seed.write(b"".join(entry(key, value) for key, value in inputs.items()))


if __name__ == "__main__":
    main()
