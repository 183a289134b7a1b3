"""Writes the seed corpus of fuzz_power (layout in power_fuzzer.cpp)."""

from seed_corpus import write_corpus

SEEDS = {
    # method, stage, alpha[3], stage-0 cases, controls, stage-1 cases, controls,
    # control rate, odds ratio, growth multiplier seed, statistic (0 pooled, 1 unpooled)
    "separate_derive_second": (0, 0, 0.01, -1.0, 1e-4, 1000, 1000, 2000, 2000, 0.3, 1.3, 0, 0),
    "product_derive_overall": (1, 0, 0.01, 1e-5, -1.0, 500, 800, 1500, 1500, 0.2, 1.5, 1, 0),
    "joint_derive_second": (2, 1, 0.05, -1.0, 5e-8, 2000, 2000, 4000, 4000, 0.4, 1.2, 2, 0),
    "joint_all_given": (2, 0, 0.05, 1e-6, 5e-8, 300, 300, 300, 300, 0.1, 2.0, 3, 0),
    "no_association": (0, 0, 0.05, 0.05, -1.0, 100, 100, 100, 100, 0.5, 1.0, 0, 0),
    "empty_groups": (1, 2, -1.0, 0.0, 1.0, 0, 0, 0, 0, 0.0, 0.0, 0, 0),
    # One case to two controls: 800/1,600 then 1,200/2,400 people.
    "joint_one_to_two": (2, 0, 1e-3, -1.0, 5e-8, 1600, 3200, 2400, 4800, 0.3, 1.3, 5, 0),
    # Strong designs, 40 % of the people in stage 0, half of them cases: a
    # total of 5,000,000 people at odds ratio 1.3, 1,000,000 at 2, 100,000 at 5.
    "joint_strong_5000000": (2, 0, 1e-3, -1.0, 5e-8, 2000000, 2000000, 3000000, 3000000,
                             0.3, 1.3, 0, 0),
    "joint_strong_1000000": (2, 0, 1e-3, -1.0, 5e-8, 400000, 400000, 600000, 600000,
                             0.3, 2.0, 0, 0),
    "joint_strong_100000": (2, 0, 1e-3, -1.0, 5e-8, 40000, 40000, 60000, 60000, 0.3, 5.0, 0, 0),
    # 1,000 cases and 4,000 controls (people) in each stage, unpooled.
    "separate_unpooled": (0, 0, 1e-2, -1.0, 5e-8, 2000, 8000, 2000, 8000, 0.3, 1.3, 4, 1),
}


def main() -> None:
    write_corpus("power", "<ii3d4i2dIi", SEEDS)


if __name__ == "__main__":
    main()
