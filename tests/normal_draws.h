// Standard normal draws from a seeded generator, by Box-Muller, for the
// tests' simulations: mt19937_64's output is fixed by the standard, so a
// failure reruns with the same draws.
#ifndef VANTOR_TESTS_NORMAL_DRAWS_H
#define VANTOR_TESTS_NORMAL_DRAWS_H

#include <cmath>
#include <cstdint>
#include <random>

class NormalDraws {
public:
    explicit NormalDraws(std::uint64_t seed) : engine_(seed) {}
    double next() {
        const double u1 = (static_cast<double>(engine_() >> 11) + 0.5) * 0x1p-53;
        const double u2 = static_cast<double>(engine_() >> 11) * 0x1p-53;
        return std::sqrt(-2 * std::log(u1)) * std::cos(2 * M_PI * u2);
    }

private:
    std::mt19937_64 engine_;
};

#endif
