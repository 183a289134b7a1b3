"""Writes the seed corpus of fuzz_design (layout in design_fuzzer.cpp)."""

from seed_corpus import write_corpus

SEEDS = {
    # question, method, unit, odds ratio, rate, alpha2, case fraction, share, alpha0,
    # target, cost ratio, budget, cases0, controls0, cases1, controls1, growth
    # multiplier seed (2 + seed % 63), statistic (0 pooled, 1 unpooled)
    "smallest_joint": (0, 2, 2, 1.3, 0.3, 1e-4, 0.5, 0.4, 1e-2, 0.8, 1.0, 0.0, 0, 0, 0, 0, 0, 0),
    "smallest_product_alleles": (0, 1, 1, 0.7, 0.2, 5e-8, 0.4, 0.3, 1e-3, 0.9, 1.0, 0.0,
                                 0, 0, 0, 0, 0, 0),
    "cheapest_replication": (1, 0, 2, 1.5, 0.3, 1e-6, 0.5, 0.0, 0.0, 0.8, 5.0, 0.0,
                             0, 0, 0, 0, 0, 0),
    "budget_product": (2, 1, 2, 1.3, 0.3, 1e-6, 0.5, 0.0, 0.0, 0.0, 2.0, 3000.0, 0, 0, 0, 0, 0, 0),
    "budget_too_small": (2, 0, 2, 1.3, 0.3, 5e-8, 0.5, 0.0, 0.0, 0.0, 1.0, 1.5, 0, 0, 0, 0, 0, 0),
    "power_of_counts": (3, 2, 2, 1.3, 0.3, 5e-8, 0.5, 0.0, 1e-2, 0.0, 1.0, 0.0,
                        1000, 1000, 2000, 2000, 0, 0),
    "unreachable": (0, 1, 2, 1.0005, 0.01, 5e-8, 0.5, 0.5, 1e-3, 0.9, 1.0, 0.0, 0, 0, 0, 0, 0, 0),
    "all_invalid": (0, 7, 3, -1.0, 1.5, 0.0, 1.0, 2.0, 3.0, 4.0, -1.0, -1.0, 0, -1, 0, -1, 0, 0),
    # One case to two controls: the power of 800/1,600 then 1,200/2,400 people.
    "joint_one_to_two": (3, 2, 2, 1.3, 0.3, 5e-8, 1 / 3, 0.0, 1e-3, 0.0, 1.0, 0.0,
                         800, 1600, 1200, 2400, 7, 0),
    # Strong designs, 40 % of the people in stage 0, half of them cases: a
    # total of 5,000,000 people at odds ratio 1.3, 1,000,000 at 2, 100,000 at 5.
    "joint_strong_5000000": (3, 2, 2, 1.3, 0.3, 5e-8, 0.5, 0.0, 1e-3, 0.0, 1.0, 0.0,
                             1000000, 1000000, 1500000, 1500000, 0, 0),
    "joint_strong_1000000": (3, 2, 2, 2.0, 0.3, 5e-8, 0.5, 0.0, 1e-3, 0.0, 1.0, 0.0,
                             200000, 200000, 300000, 300000, 0, 0),
    "joint_strong_100000": (3, 2, 2, 5.0, 0.3, 5e-8, 0.5, 0.0, 1e-3, 0.0, 1.0, 0.0,
                            20000, 20000, 30000, 30000, 0, 0),
    "smallest_joint_strong": (0, 2, 2, 1.3, 0.3, 5e-8, 0.5, 0.4, 1e-3, 0.999999, 1.0, 0.0,
                              0, 0, 0, 0, 0, 0),
    "cheapest_replication_unpooled": (1, 0, 2, 1.3, 0.3, 5e-8, 0.2, 0.0, 0.0, 0.8, 2.0, 0.0,
                                      0, 0, 0, 0, 0, 1),
    "power_of_counts_unpooled": (3, 0, 2, 1.3, 0.3, 5e-8, 0.2, 0.0, 1e-2, 0.0, 1.0, 0.0,
                                 1000, 4000, 1000, 4000, 9, 1),
}


# Planned questions: the 18 values above, then the plan: planned (odd),
# markers, money (1), stage 1 cost per person, stage 2 cost per person,
# stage 2 cost per genotype, fixed costs of stages 1 and 2, cases and
# controls available, stage 1's and stage 2's controls available, panel,
# fixed stage 1 level and share (0: searched), per-stage fractions.
PLAN_NONE = (1, 1.0, 0, 0.0, 0.0, 0.0, 0.0, 0.0, 0, 0, 0, 0, 0.0, 0.0, 0.0, 0)
PLANNING_EXAMPLE = (1, 2, 2, 1.3, 0.25, 0.05 / 1e6, 0.5, 0.4, 1e-3, 0.8, 3.0, 2500.0,
                    1000, 1000, 1500, 1500, 0, 0)
PLANNED_SEEDS = {
    "planned_cheapest_panel": (1,) + PLANNING_EXAMPLE[1:] + (1, 1e6, 0, 0.0, 0.0, 0.0, 0.0, 0.0,
                                                           0, 0, 0, 0, 2000.0, 0.0, 0.0, 0),
    "planned_budget_people": (2,) + PLANNING_EXAMPLE[1:] + (1, 1e6, 0, 0.0, 0.0, 0.0, 0.0, 0.0,
                                                          3000, 6000, 0, 0, 0.0, 0.0, 0.0, 1),
    "planned_smallest_money": (0,) + PLANNING_EXAMPLE[1:] + (1, 1e6, 1, 300.0, 20.0, 0.05, 1e4,
                                                           5e3, 4000, 0, 0, 0, 2000.0, 0.0,
                                                           0.0, 0),
    "planned_cheapest_fixed_level_money": (1,) + PLANNING_EXAMPLE[1:] + (
        1, 5e5, 1, 250.0, 10.0, 0.1, 0.0, 0.0, 0, 0, 2500, 0, 0.0, 2e-3, 0.3, 1),
    "planned_power_money": (3,) + PLANNING_EXAMPLE[1:] + (1, 1e6, 1, 300.0, 20.0, 0.05, 0.0,
                                                        0.0, 0, 0, 0, 0, 0.0, 0.0, 0.0, 0),
    "planned_default": (1,) + PLANNING_EXAMPLE[1:] + PLAN_NONE,
}


# The genotype tests: the request and a plan as above, then test (1 trend,
# 2 dominant, 3 recessive, 4 genotypic), model (1 multiplicative ... 5
# free), frequency, prevalence, relative risk, raw (odd: six genotype
# frequencies follow, cases' then controls').
PLAN_OFF = (0,) + PLAN_NONE[1:]
RECESSIVE = (3, 4, 0.3, 0.05, 1.5, 0)
TEST_SEEDS = {
    "test_trend_power_of_counts": (3, 2, 2, 1.3, 0.25, 5e-8, 0.5, 0.0, 1e-3, 0.0, 1.0, 0.0,
                                   1200, 1200, 1800, 1800, 5, 0) + PLAN_OFF
                                  + (1, 1, 0.25, 0.01, 1.3, 0),
    "test_recessive_cheapest": (1, 2, 2, 1.5, 0.3, 5e-8, 0.5, 0.0, 0.0, 0.8, 3.0, 0.0,
                                0, 0, 0, 0, 0, 0) + PLAN_OFF + RECESSIVE,
    "test_recessive_budget_unpooled": (2, 1, 2, 1.5, 0.3, 1e-6, 0.4, 0.0, 0.0, 0.0, 2.0, 8000.0,
                                       0, 0, 0, 0, 0, 1) + PLAN_OFF + RECESSIVE,
    "test_dominant_smallest_people": (0, 0, 2, 1.4, 0.05, 1e-6, 0.5, 0.4, 2e-3, 0.8, 1.0, 0.0,
                                      0, 0, 0, 0, 0, 0)
                                     + (1, 1e4, 0, 0.0, 0.0, 0.0, 0.0, 0.0, 8000, 0, 0, 0, 0.0,
                                        0.0, 0.0, 0)
                                     + (2, 3, 0.05, 0.02, 1.4, 0),
    "test_genotypic_refused": (3, 2, 2, 1.3, 0.3, 5e-8, 0.5, 0.0, 1e-3, 0.0, 1.0, 0.0,
                               1000, 1000, 1000, 1000, 0, 0) + PLAN_OFF
                              + (4, 1, 0.3, 0.01, 1.3, 0),
    "test_raw_genotypes": (3, 2, 2, 1.3, 0.3, 1e-4, 0.5, 0.0, 1e-2, 0.0, 1.0, 0.0,
                           500, 700, 900, 800, 3, 0) + PLAN_OFF
                          + (3, 1, 0.0, 0.0, 0.0, 1, 0.4, 0.4, 0.2, 0.5, 0.4, 0.1),
}


def main() -> None:
    write_corpus("design", "<3i9d4iIi", SEEDS)
    write_corpus("design", "<3i9d4iIiidi5d4q3di", PLANNED_SEEDS)
    for name, values in TEST_SEEDS.items():
        layout = "<3i9d4iIiidi5d4q3diii3di" + ("6d" if len(values) > 40 else "")
        write_corpus("design", layout, {name: values})


if __name__ == "__main__":
    main()
