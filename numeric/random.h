// A seeded generator of random bits whose output this code fixes, so that a
// seed gives the same numbers on every platform and compiler, the
// WebAssembly module included: only 64-bit integer shifts, rotations,
// additions and multiplications, and one exact conversion to a double.
//
// Algorithm: xoshiro256** 1.0 (D. Blackman and S. Vigna, "Scrambled linear
// pseudorandom number generators", ACM Transactions on Mathematical Software
// 47(4), 36, 2021), period 2^256 - 1, its state filled from the seed by
// SplitMix64 (G. L. Steele, D. Lea and C. H. Flood, "Fast splittable
// pseudorandom number generators", OOPSLA 2014), as its authors advise.
// Every 64-bit seed is accepted; distinct seeds give distinct states.
//
// Internal to the library (C++). A generator belongs to one thread.
#ifndef VANTOR_NUMERIC_RANDOM_H
#define VANTOR_NUMERIC_RANDOM_H

#include <cstdint>

namespace vantor {

class Random {
public:
    explicit Random(std::uint64_t seed) {
        std::uint64_t mixed = seed;
        for (std::uint64_t &word : state_) {
            word = split_mix(mixed);
        }
    }

    // The next 64 random bits.
    std::uint64_t next() {
        const std::uint64_t result = rotate(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotate(state_[3], 45);
        return result;
    }

    // A uniform number in [0, 1): the top 53 bits over 2^53, exact.
    double uniform() {
        constexpr double kUnit = 1.0 / 9007199254740992.0;  // 2^-53
        return static_cast<double>(next() >> 11) * kUnit;
    }

private:
    static std::uint64_t rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    static std::uint64_t split_mix(std::uint64_t &x) {
        x += 0x9e3779b97f4a7c15U;
        std::uint64_t z = x;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9U;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebU;
        return z ^ (z >> 31);
    }

    std::uint64_t state_[4]{};
};

}  // namespace vantor

#endif
