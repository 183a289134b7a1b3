"""Writes a fuzz target's seed corpus: one file per seed under
fuzz/corpus/<target>/, each the seed's values packed little-endian in the
target's layout."""

import os
import struct


def write_corpus(target: str, layout: str, seeds: dict) -> None:
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, values in seeds.items():
        with open(os.path.join(folder, name), "wb") as seed:
            seed.write(struct.pack(layout, *values))
