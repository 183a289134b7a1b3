// The fast normal tail against erfc in long double, over its whole range.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "numeric/MTH_normal_tail.h"

namespace {

long double exact_tail(long double x) { return std::erfc(x / std::sqrt(2.0L)) / 2; }

// Error of the tail at x in units of DBL_EPSILON of the exact tail; past
// 37.5, where the tail is subnormal, in units of the subnormal spacing.
double units_off(double x) {
    const long double exact = exact_tail(x);
    const long double unit = std::max<long double>(exact * DBL_EPSILON, DBL_TRUE_MIN);
    return static_cast<double>(std::fabs(MTH_normal_upper_tail(x) - exact) / unit);
}

constexpr double kStatedUnits = 5;

// The worst error at `count` seeded random points of [0, 38].
double worst_at_random_points(std::uint64_t seed, int count) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> anywhere(0, 38);
    double worst = 0;
    for (int i = 0; i < count; ++i) {
        worst = std::max(worst, units_off(anywhere(random)));
    }
    return worst;
}

TEST(NormalTail, FewUnitsInTheLastPlaceFrom0To38) {
    double worst = worst_at_random_points(20261207, 100000);
    for (int i = 0; i <= 380000; ++i) {
        worst = std::max(worst, units_off(i * 1e-4));
    }
    EXPECT_LE(worst, kStatedUnits);
    // The approximation is worth its name only if the bound is close.
    EXPECT_GE(worst, 2.0);
}

TEST(NormalTail, EndsAndSymmetry) {
    EXPECT_EQ(MTH_normal_upper_tail(0), 0.5);
    EXPECT_EQ(MTH_normal_upper_tail(41), 0.0);
    EXPECT_EQ(MTH_normal_upper_tail(std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_EQ(MTH_normal_upper_tail(-std::numeric_limits<double>::infinity()), 1.0);
    EXPECT_TRUE(std::isnan(MTH_normal_upper_tail(std::nan(""))));
    // Subnormal tails past 38.5 still follow erfc to its absolute rounding.
    EXPECT_NEAR(MTH_normal_upper_tail(38.6), static_cast<double>(exact_tail(38.6L)), 1e-321);
    for (const double x : {0.3, 1.0, 2.5, 5.0, 9.0}) {
        const double below = static_cast<double>(1 - exact_tail(x));
        EXPECT_NEAR(MTH_normal_upper_tail(-x), below, DBL_EPSILON) << x;
    }
}

// Decreasing: a power integrand built on it must not wiggle.
TEST(NormalTail, DecreasesOverItsRange) {
    double previous = MTH_normal_upper_tail(-10);
    for (int i = -99999; i <= 385000; ++i) {
        const double tail = MTH_normal_upper_tail(i * 1e-4);
        ASSERT_LE(tail, previous) << i * 1e-4;
        previous = tail;
    }
}

}  // namespace
