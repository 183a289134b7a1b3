// More data never costs power: with all four counts multiplied by the same
// whole number the stage means grow as its square root and the levels stay,
// so the power of every two-stage analysis must not fall, from small studies
// up to the 32-bit allele limit; and the strongest designs answer 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "power/power_func.h"
#include "power/statistic.h"
#include "reference.h"
#include "search/design.h"
#include "search/solve.h"

namespace {

// How far a power may fall to rounding as the counts grow.
constexpr double kFallTolerance = 1e-9;

constexpr std::int64_t kLargestCount = std::numeric_limits<std::int32_t>::max();

// Multipliers 1 to 20, then doubling from 20 while every count of `largest`
// alleles stays within the 32-bit allele range.
std::vector<std::int64_t> multipliers(std::int64_t largest) {
    std::vector<std::int64_t> k;
    for (std::int64_t i = 1; i <= 20; ++i) {
        k.push_back(i);
    }
    for (std::int64_t i = 40; i * largest <= kLargestCount; i *= 2) {
        k.push_back(i);
    }
    return k;
}

struct Counts {
    std::int32_t cases0, controls0, cases1, controls1;
};

double power_of(std::int32_t method, const Counts &n, std::int64_t k, double odds_ratio, double a0,
                double a2) {
    const auto scaled = [k](std::int32_t count) { return static_cast<std::int32_t>(count * k); };
    PWR_design design =
        two_stage_design(method, a0, PWR_DERIVE_LEVEL, a2, scaled(n.cases0), scaled(n.controls0),
                         scaled(n.cases1), scaled(n.controls1), odds_ratio);
    return PWR_get_power_for_two_stage_method(&design, 0);
}

// The grid is smaller in builds without optimisation (the sanitizer run),
// where each joint analysis costs ten times as much.
#ifdef NDEBUG
constexpr std::array kOddsRatios = {1.05, 1.2, 1.5, 2.0, 5.0, 1 / 1.3};
constexpr std::array kOverallLevels = {1e-3, 1e-6, 5e-8, 1e-9};
#else
constexpr std::array kOddsRatios = {1.05, 1.5, 5.0};
constexpr std::array kOverallLevels = {1e-3, 1e-9};
#endif

TEST(TwoStageScaling, NoMethodLosesPowerAsEveryCountGrows) {
    // Equal groups, and unequal groups whose ratios differ between stages.
    const std::vector<Counts> designs = {{100, 100, 150, 150}, {60, 120, 100, 300}};
    for (const Counts &n : designs) {
        const std::int64_t largest = std::max({n.cases0, n.controls0, n.cases1, n.controls1});
        for (const std::int32_t method :
             {PWR_METHOD_REPLICATION, PWR_METHOD_PRODUCT, PWR_METHOD_JOINT}) {
            for (const double odds_ratio : kOddsRatios) {
                for (const double a2 : kOverallLevels) {
                    double previous = 0;
                    std::int64_t previous_k = 0;
                    for (const std::int64_t k : multipliers(largest)) {
                        const double power = power_of(method, n, k, odds_ratio, 1e-2, a2);
                        ASSERT_GE(power, previous - kFallTolerance)
                            << "method " << method << " counts " << n.cases0 << "/" << n.controls0
                            << " " << n.cases1 << "/" << n.controls1 << " OR " << odds_ratio
                            << " a2 " << a2 << ": x" << previous_k << " gives " << previous << ", x"
                            << k << " " << power;
                        previous = power;
                        previous_k = k;
                    }
                    // At the largest counts every effect of the grid is certain.
                    EXPECT_NEAR(previous, 1.0, 1e-9) << method << " " << odds_ratio << " " << a2;
                }
            }
        }
    }
}

// The strong designs of the joint analysis: stage 0 holds 40 % of the
// people, half of them cases, a0 = 1e-3, a2 = 5e-8, rate 0.3. A total of
// 5,000,000 people at odds ratio 1.3, 1,000,000 at 2 and 100,000 at 5: every
// method answers 1 (stage 0's mean is near 100 or beyond).
TEST(TwoStageScaling, StrongDesignsHavePowerOne) {
    struct Strong {
        std::int64_t total_people;
        double odds_ratio;
    };
    for (const Strong s : {Strong{5000000, 1.3}, Strong{1000000, 2}, Strong{100000, 5}}) {
        // In alleles, two per person: stage 0 0.4 N people, half of them cases.
        const auto stage0 = static_cast<std::int32_t>(s.total_people * 4 / 10);
        const auto stage1 = static_cast<std::int32_t>(s.total_people - stage0);
        for (const std::int32_t method :
             {PWR_METHOD_REPLICATION, PWR_METHOD_PRODUCT, PWR_METHOD_JOINT}) {
            PWR_design design = two_stage_design(method, 1e-3, PWR_DERIVE_LEVEL, 5e-8, stage0,
                                                 stage0, stage1, stage1, s.odds_ratio);
            EXPECT_NEAR(PWR_get_power_for_two_stage_method(&design, 0), 1.0, 1e-12)
                << "method " << method << " total " << s.total_people << " OR " << s.odds_ratio;
        }
        const DSN_study study{PWR_METHOD_JOINT,    s.odds_ratio,        0.3, 5e-8, 0.5,
                              VANTOR_COUNT_PEOPLE, PWR_VARIANCE_POOLED, 0,   {0},  {0}};
        const std::int32_t cases[2] = {stage0 / 2, stage1 / 2};
        DSN_design_result result{};
        EXPECT_EQ(DSN_two_stage_power(&study, cases, cases, 1e-3, &result), VANTOR_FOUND);
        EXPECT_NEAR(result.power, 1.0, 1e-12) << s.total_people;
    }
}

}  // namespace
