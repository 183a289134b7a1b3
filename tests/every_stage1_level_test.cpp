// Two-stage answers at every stage 1 level the questions accept, from 1e-5
// up to 1 - 1e-9, in all three analyses and with both statistics: each
// power within its bound of the independent reference
// (tests/two_stage_reference.h), each derived level meeting its analysis's
// relation, and the final level never rising as the stage 1 level rises
// (nor, in replication and the joint analysis, below the overall level).
// A stage 1 level near 1 puts the end of an infinite integration range next
// to zero, where the integrator once accepted estimates four times the
// integral.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "power/power_func.h"
#include "power/statistic.h"
#include "reference.h"
#include "two_stage_reference.h"

namespace {

namespace ref = two_stage_reference;

// Allele counts of stage 1's and stage 2's cases and controls.
struct Counts {
    std::int32_t cases0, controls0, cases1, controls1;
};

// Equal stages of equal groups (the design a fuzzer found failing), unequal
// groups of different ratios, and the two weights' extremes.
const Counts kDesigns[] = {
    {1278, 1278, 1918, 1918},
    {1200, 2800, 2000, 1000},
    {20226, 20226, 72, 72},
    {72, 72, 20226, 20226},
};

const double kStage1Levels[] = {1e-5,  1e-3,     0.05,     0.3,      0.5,      0.9,      0.99,
                                0.999, 1 - 1e-4, 1 - 1e-5, 1 - 1e-6, 1 - 1e-7, 1 - 1e-8, 1 - 1e-9};

const double kOverallLevels[] = {5e-8, 1e-4, 1e-9};

PWR_design design_of(std::int32_t method, const Counts &n, double a0, double a2,
                     double odds_ratio) {
    return two_stage_design(method, a0, -1, a2, n.cases0, n.controls0, n.cases1, n.controls1,
                            odds_ratio);
}

TEST(EveryStage1Level, PowersAgreeWithTheReference) {
    for (const std::int32_t method :
         {PWR_METHOD_REPLICATION, PWR_METHOD_PRODUCT, PWR_METHOD_JOINT}) {
        for (const std::int32_t statistic : {PWR_VARIANCE_POOLED, PWR_VARIANCE_UNPOOLED}) {
            for (const Counts &n : kDesigns) {
                for (const double a2 : kOverallLevels) {
                    for (const double a0 : kStage1Levels) {
                        for (const double odds_ratio : {1.3, 0.8}) {
                            if (a0 < 2 * a2) {
                                continue;
                            }
                            PWR_design design = design_of(method, n, a0, a2, odds_ratio);
                            const double power = PWR_two_stage_power(&design, statistic);
                            const double expected =
                                static_cast<double>(ref::two_stage_power(design, statistic));
                            SCOPED_TRACE(testing::Message()
                                         << "method " << method << " statistic " << statistic
                                         << " counts " << n.cases0 << "/" << n.cases1 << " a0 "
                                         << a0 << " a2 " << a2 << " odds ratio " << odds_ratio);
                            EXPECT_NEAR(power, expected, ref::allowed_difference(method, expected));
                        }
                    }
                }
            }
        }
    }
}

// The overall level each analysis has at levels a0 and a1.
double overall_level(const PWR_design &design) {
    const double a0 = design.alpha[0];
    const double a1 = design.alpha[1];
    switch (design.method) {
        case PWR_METHOD_REPLICATION:
            return a0 * a1 / 2;
        case PWR_METHOD_PRODUCT:
            return a1 * (1 + std::log(a0 / a1));
        default:
            return static_cast<double>(ref::joint_level(a0, a1, ref::joint_weight(design)));
    }
}

TEST(EveryStage1Level, DerivedFinalLevelsGiveTheOverallLevel) {
    for (const std::int32_t method :
         {PWR_METHOD_REPLICATION, PWR_METHOD_PRODUCT, PWR_METHOD_JOINT}) {
        for (const Counts &n : kDesigns) {
            for (const double a2 : kOverallLevels) {
                double previous_final = 1;
                for (const double a0 : kStage1Levels) {
                    if (a0 < 2 * a2) {
                        continue;
                    }
                    PWR_design design = design_of(method, n, a0, a2, 1.3);
                    PWR_two_stage_power_deriving(&design, 1);
                    const double final_level = design.alpha[1];
                    SCOPED_TRACE(testing::Message()
                                 << "method " << method << " counts " << n.cases0 << "/" << n.cases1
                                 << " a0 " << a0 << " a2 " << a2 << " a1 " << final_level);
                    if (final_level < 1) {
                        EXPECT_NEAR(overall_level(design), a2,
                                    ref::allowed_level_difference(method, a2));
                    }
                    // Replication and the joint analysis pass only where
                    // the final test does; the product's final test is of
                    // a product of p-values.
                    if (method != PWR_METHOD_PRODUCT) {
                        EXPECT_GE(final_level, a2);
                    }
                    // More markers pass stage 1, so the final test is
                    // stricter; within the derivation's accuracy, where the
                    // level hardly moves any more (a0 near 1).
                    EXPECT_LE(final_level,
                              previous_final * (1 + ref::allowed_level_difference(method, 1)));
                    previous_final = final_level;
                }
            }
        }
    }
}

TEST(EveryStage1Level, DerivedOverallLevelsAreTheAnalysesLevels) {
    for (const std::int32_t method :
         {PWR_METHOD_REPLICATION, PWR_METHOD_PRODUCT, PWR_METHOD_JOINT}) {
        for (const Counts &n : kDesigns) {
            for (const double a0 : kStage1Levels) {
                // A final level below stage 1's and one above it: the
                // product's overall level is then stage 1's.
                for (const double a1 : {a0 * 1e-3, std::min(1.0, a0 * 2)}) {
                    PWR_design design = two_stage_design(method, a0, a1, -1, n.cases0, n.controls0,
                                                         n.cases1, n.controls1, 1.3);
                    PWR_two_stage_power_deriving(&design, 2);
                    const double derived = design.alpha[2];
                    const double expected =
                        method == PWR_METHOD_PRODUCT && a1 > a0 ? a0 : overall_level(design);
                    SCOPED_TRACE(testing::Message()
                                 << "method " << method << " counts " << n.cases0 << "/" << n.cases1
                                 << " a0 " << a0 << " a1 " << a1);
                    EXPECT_NEAR(derived, expected, ref::allowed_level_difference(method, expected));
                    // Every analysis passes only where stage 1 does; the
                    // joint one only where its final test does too.
                    EXPECT_LE(derived, method == PWR_METHOD_JOINT ? std::min(a0, a1) : a0);
                }
            }
        }
    }
}

}  // namespace
