// The pooled and unpooled allelic statistics: the unpooled power against a
// direct computation with the exact normal distribution, the replication
// analysis as the product of such stage powers, the pooled default untouched,
// and the solvers honouring the choice.
#include "power/statistic.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "power/power_func.h"
#include "search/design.h"
#include "search/solve.h"
#include "tests/reference.h"
#include "tests/tolerance.h"

namespace {

double unpooled(std::int32_t cases, std::int32_t controls, double odds_ratio, double rate,
                double alpha) {
    PWR_design design = single_stage_design(cases, controls, odds_ratio, rate, alpha);
    return PWR_single_step_power(&design, 0, PWR_VARIANCE_UNPOOLED);
}

TEST(UnpooledStatistic, PowerIsTheWaldFormula) {
    for (const double alpha : {0.05, 1e-3, 5e-8}) {
        for (const double odds_ratio : {0.7, 1.1, 1.3, 2.0}) {
            for (const double rate : {0.01, 0.3, 0.8}) {
                for (const auto &n : {std::array<int, 2>{2000, 2000}, {1000, 4000}, {5000, 300}}) {
                    const double expected =
                        exact_unpooled_power(n[0], n[1], odds_ratio, rate, alpha);
                    // The library's normal functions: 1e-9 absolute per term.
                    EXPECT_NEAR(unpooled(n[0], n[1], odds_ratio, rate, alpha), expected, 3e-9)
                        << alpha << " " << odds_ratio << " " << rate << " " << n[0];
                }
            }
        }
    }
}

TEST(UnpooledStatistic, DiffersFromPooledAsTheVariancesDo) {
    // 1,000 cases and 4,000 controls (people) at odds ratio 1.3: the few
    // cases carry the larger rate variance, which the unpooled null variance
    // weighs by 1/cases, so the unpooled test is the weaker one here.
    const double pooled_power = exact_power(2000, 8000, 1.3, 0.3, 5e-8);
    const double unpooled_power = exact_unpooled_power(2000, 8000, 1.3, 0.3, 5e-8);
    EXPECT_NEAR(unpooled(2000, 8000, 1.3, 0.3, 5e-8), unpooled_power, 3e-9);
    PWR_design design = single_stage_design(2000, 8000, 1.3, 0.3, 5e-8);
    EXPECT_NEAR(PWR_single_step_power(&design, 0, PWR_VARIANCE_POOLED), pooled_power, 3e-9);
    EXPECT_GT(pooled_power - unpooled_power, 0.04);
}

TEST(UnpooledStatistic, PooledChoiceIsTheSingleStagePowerBitForBit) {
    for (const double odds_ratio : {0.5, 1.2, 3.0}) {
        PWR_design a = single_stage_design(1234, 777, odds_ratio, 0.2, 1e-4);
        PWR_design b = a;
        const double plain = PWR_get_power_for_single_step(&a, 0);
        EXPECT_EQ(PWR_single_step_power(&b, 0, PWR_VARIANCE_POOLED), plain);
        EXPECT_EQ(b.case_rate, a.case_rate);
    }
}

TEST(UnpooledStatistic, UnknownStatisticOrStageIsNoNumber) {
    PWR_design design = single_stage_design(100, 100, 1.5, 0.3, 0.05);
    EXPECT_TRUE(std::isnan(PWR_single_step_power(&design, 0, 2)));
    EXPECT_TRUE(std::isnan(PWR_single_step_power(&design, 2, PWR_VARIANCE_UNPOOLED)));
    EXPECT_EQ(VANTOR_check_variance(-1), VANTOR_REASON_BAD_VARIANCE);
}

TEST(UnpooledStatistic, ReplicationIsTheProductOfUnpooledStagePowers) {
    PWR_design design = two_stage_design(PWR_METHOD_REPLICATION, 1e-3, PWR_DERIVE_LEVEL, 5e-8, 2000,
                                         6000, 3000, 3000, 1.3);
    const double power = PWR_two_stage_power(&design, PWR_VARIANCE_UNPOOLED);
    EXPECT_DOUBLE_EQ(design.alpha[1], 2 * 5e-8 / 1e-3);
    const double expected = exact_unpooled_power(2000, 6000, 1.3, 0.3, 1e-3) *
                            exact_unpooled_power(3000, 3000, 1.3, 0.3, 1e-4);
    EXPECT_NEAR(power, expected, 5e-9);
    // The product and joint analyses do not depend on the choice.
    for (const std::int32_t method : {PWR_METHOD_PRODUCT, PWR_METHOD_JOINT}) {
        PWR_design a =
            two_stage_design(method, 1e-3, PWR_DERIVE_LEVEL, 5e-8, 2000, 6000, 3000, 3000, 1.3);
        PWR_design b = a;
        EXPECT_EQ(PWR_two_stage_power(&a, PWR_VARIANCE_UNPOOLED),
                  PWR_two_stage_power(&b, PWR_VARIANCE_POOLED));
    }
}

// The size solvers with the unpooled statistic: the answer reaches the target
// and one unit fewer does not (the unpooled power rises with every count).
TEST(UnpooledStatistic, SizeSolversFindTheSmallestSize) {
    for (const double odds_ratio : {1.2, 0.8, 1.6}) {
        for (const double alpha : {1e-3, 5e-8}) {
            SLV_size_result r{};
            ASSERT_EQ(
                SLV_cases_for_ratio_with_statistic(2.0, odds_ratio, 0.3, alpha, 0.8,
                                                   VANTOR_COUNT_PEOPLE, PWR_VARIANCE_UNPOOLED, &r),
                VANTOR_FOUND);
            EXPECT_GE(exact_unpooled_power(r.cases, r.controls, odds_ratio, 0.3, alpha),
                      0.8 - 3e-9);
            const std::int32_t fewer = r.cases - 2;
            EXPECT_LT(exact_unpooled_power(fewer, 2 * fewer, odds_ratio, 0.3, alpha), 0.8 + 3e-9);

            ASSERT_EQ(SLV_controls_for_cases_with_statistic(40000, odds_ratio, 0.3, alpha, 0.6,
                                                            VANTOR_COUNT_ALLELES,
                                                            PWR_VARIANCE_UNPOOLED, &r),
                      VANTOR_FOUND);
            EXPECT_GE(unpooled(40000, r.controls, odds_ratio, 0.3, alpha), 0.6);
            EXPECT_LT(unpooled(40000, r.controls - 1, odds_ratio, 0.3, alpha), 0.6);
        }
    }
}

TEST(UnpooledStatistic, EffectSolverAnswerReachesTheTargetAndNoCloserOneDoes) {
    SLV_effect_result r{};
    ASSERT_EQ(SLV_odds_ratio_above_one_with_statistic(2000, 8000, 0.3, 5e-8, 0.8,
                                                      PWR_VARIANCE_UNPOOLED, &r),
              VANTOR_FOUND);
    EXPECT_GE(unpooled(2000, 8000, r.odds_ratio, 0.3, 5e-8), 0.8);
    EXPECT_LT(unpooled(2000, 8000, 1 + (r.odds_ratio - 1) * (1 - 1e-9), 0.3, 5e-8), 0.8);
    ASSERT_EQ(SLV_odds_ratio_below_one_with_statistic(2000, 8000, 0.3, 5e-8, 0.8,
                                                      PWR_VARIANCE_UNPOOLED, &r),
              VANTOR_FOUND);
    EXPECT_GE(unpooled(2000, 8000, r.odds_ratio, 0.3, 5e-8), 0.8);
    EXPECT_EQ(SLV_odds_ratio_below_one_with_statistic(2000, 8000, 0.3, 5e-8, 0.8, 7, &r),
              VANTOR_INVALID_INPUT);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_VARIANCE);
}

TEST(UnpooledStatistic, DesignSearchesHonourIt) {
    DSN_study study = {PWR_METHOD_REPLICATION, 1.3, 0.3, 5e-8, 0.2, VANTOR_COUNT_PEOPLE,
                       PWR_VARIANCE_UNPOOLED,  0,   {0}, {0}};
    DSN_design_result r{};
    ASSERT_EQ(DSN_smallest_total(&study, 0.5, 1e-3, 0.8, &r), VANTOR_FOUND);
    const double expected =
        exact_unpooled_power(2 * r.cases[0], 2 * r.controls[0], 1.3, 0.3, 1e-3) *
        exact_unpooled_power(2 * r.cases[1], 2 * r.controls[1], 1.3, 0.3, 1e-4);
    EXPECT_NEAR(r.power, expected, 5e-9);
    study.variance = 3;
    EXPECT_EQ(DSN_smallest_total(&study, 0.5, 1e-3, 0.8, &r), VANTOR_INVALID_INPUT);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_VARIANCE);
}

}  // namespace
