"""Writes the seed corpus of fuzz_power (layout in power_fuzzer.cpp)."""

import os
import struct

SEEDS = {
    # method, stage, alpha[3], stage-0 cases, controls, stage-1 cases, controls,
    # control rate, odds ratio
    "separate_derive_second": (0, 0, (0.01, -1.0, 1e-4), (1000, 1000, 2000, 2000), 0.3, 1.3),
    "product_derive_overall": (1, 0, (0.01, 1e-5, -1.0), (500, 800, 1500, 1500), 0.2, 1.5),
    "joint_derive_second": (2, 1, (0.05, -1.0, 5e-8), (2000, 2000, 4000, 4000), 0.4, 1.2),
    "joint_all_given": (2, 0, (0.05, 1e-6, 5e-8), (300, 300, 300, 300), 0.1, 2.0),
    "no_association": (0, 0, (0.05, 0.05, -1.0), (100, 100, 100, 100), 0.5, 1.0),
    "empty_groups": (1, 2, (-1.0, 0.0, 1.0), (0, 0, 0, 0), 0.0, 0.0),
}


def main() -> None:
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "power")
    os.makedirs(folder, exist_ok=True)
    for name, (method, stage, alpha, sizes, rate, odds) in SEEDS.items():
        data = struct.pack("<ii3d4i2d", method, stage, *alpha, *sizes, rate, odds)
        with open(os.path.join(folder, name), "wb") as seed:
            seed.write(data)


if __name__ == "__main__":
    main()
