// Power of one stage's two-sided allelic test, checked against the textbook
// normal-approximation formula evaluated with exact normal functions, and
// against what no association and symmetry require.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "power/power_func.h"
#include "reference.h"

namespace {

// Power of the two-sided test of p1 - p0 with n1 cases and n0 controls.
double textbook_power(double n1, double n0, double odds_ratio, double p0, double alpha) {
    const double p1 = odds_ratio * p0 / (odds_ratio * p0 + 1 - p0);
    const double pooled = (p1 * n1 + p0 * n0) / (n1 + n0);
    const double se_null = std::sqrt(pooled * (1 - pooled) * (1 / n1 + 1 / n0));
    const double se_alt = std::sqrt(p1 * (1 - p1) / n1 + p0 * (1 - p0) / n0);
    const double z = exact_quantile(1 - alpha / 2);
    const double delta = p1 - p0;
    return exact_cdf((-z * se_null - delta) / se_alt) + 1 -
           exact_cdf((z * se_null - delta) / se_alt);
}

TEST(CaseRate, FromControlRateAndOddsRatio) {
    EXPECT_DOUBLE_EQ(get_population_rate_control_to_case(0.3, 1.5), 0.45 / 1.15);
    EXPECT_EQ(get_population_rate_control_to_case(0.3, 1.0), 0.3);
    // Odds of the case rate are the odds ratio times the control odds.
    const double p1 = get_population_rate_control_to_case(0.2, 3.0);
    EXPECT_NEAR(p1 / (1 - p1), 3.0 * 0.25, 1e-15);
}

TEST(PooledRate, WeightsByCountsWithoutOverflow) {
    const double rates[2] = {0.4, 0.2};
    const std::int32_t equal[2] = {100, 100};
    EXPECT_DOUBLE_EQ(get_general_population_rate(rates, equal), 0.3);
    const std::int32_t large[2] = {std::numeric_limits<std::int32_t>::max(),
                                   std::numeric_limits<std::int32_t>::max()};
    EXPECT_NEAR(get_general_population_rate(rates, large), 0.3, 1e-15);
}

TEST(SinglePower, AgreesWithTextbookFormula) {
    struct Case {
        std::int32_t cases, controls;
        double odds_ratio, rate, alpha;
    };
    for (const Case &c : {Case{500, 500, 1.5, 0.3, 0.05}, Case{1000, 2000, 1.2, 0.1, 0.01},
                          Case{200, 800, 2.0, 0.05, 1e-4}, Case{3000, 3000, 0.8, 0.4, 5e-8},
                          Case{50, 50, 1.1, 0.5, 0.05}}) {
        PWR_design design = single_stage_design(c.cases, c.controls, c.odds_ratio, c.rate, c.alpha);
        EXPECT_NEAR(PWR_get_power_for_single_step(&design, 0),
                    textbook_power(c.cases, c.controls, c.odds_ratio, c.rate, c.alpha), 5e-9)
            << c.cases << " " << c.controls << " " << c.odds_ratio;
    }
}

TEST(SinglePower, NoAssociationGivesTheLevel) {
    for (double alpha : {0.05, 0.01, 0.2}) {
        PWR_design design = single_stage_design(500, 700, 1.0, 0.3, alpha);
        EXPECT_NEAR(PWR_get_power_for_single_step(&design, 0), alpha, 5e-9) << alpha;
    }
}

TEST(SinglePower, RiskAndProtectiveAllelesMirror) {
    // Odds ratio r at control rate p is odds ratio 1/r with the groups'
    // rates exchanged; with equal group sizes the power is the same.
    PWR_design risk = single_stage_design(400, 400, 1.6, 0.25, 0.05);
    const double p1 = get_population_rate_control_to_case(0.25, 1.6);
    PWR_design protective = single_stage_design(400, 400, 1 / 1.6, p1, 0.05);
    EXPECT_NEAR(PWR_get_power_for_single_step(&risk, 0),
                PWR_get_power_for_single_step(&protective, 0), 1e-8);
}

TEST(SinglePower, GrowsWithTheStudy) {
    double previous = 0;
    for (std::int32_t n = 10; n <= 10000; n *= 2) {
        PWR_design design = single_stage_design(n, n, 1.3, 0.3, 0.05);
        const double power = PWR_get_power_for_single_step(&design, 0);
        EXPECT_GT(power, previous) << n;
        previous = power;
    }
    EXPECT_GT(previous, 0.999);
}

TEST(SinglePower, WritesCaseRateAndReadsOnlyItsStage) {
    PWR_design design = single_stage_design(0, 0, 1.5, 0.3, 0);
    design.case_rate = 0.99;
    design.sample_size[1][0] = 500;
    design.sample_size[1][1] = 500;
    design.alpha[1] = 0.05;
    const double stage1 = PWR_get_power_for_single_step(&design, 1);
    EXPECT_DOUBLE_EQ(design.case_rate, 0.45 / 1.15);
    PWR_design same_as_stage0 = single_stage_design(500, 500, 1.5, 0.3, 0.05);
    EXPECT_EQ(stage1, PWR_get_power_for_single_step(&same_as_stage0, 0));
}

TEST(SinglePower, DegenerateInputs) {
    PWR_design no_controls = single_stage_design(500, 0, 1.5, 0.3, 0.05);
    EXPECT_FALSE(std::isfinite(PWR_get_power_for_single_step(&no_controls, 0)));
    PWR_design design = single_stage_design(500, 500, 1.5, 0.3, 0.05);
    design.case_rate = 0.99;
    EXPECT_TRUE(std::isnan(PWR_get_power_for_single_step(&design, 2)));
    EXPECT_DOUBLE_EQ(design.case_rate, 0.45 / 1.15);
    EXPECT_TRUE(std::isnan(PWR_get_power_for_single_step(&design, -1)));
}

TEST(SinglePower, LevelZeroFlagsAndHasNoPower) {
    PWR_design design = single_stage_design(500, 500, 1.5, 0.3, 0.0);
    testing::internal::CaptureStdout();
    const double power = PWR_get_power_for_single_step(&design, 0);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "MIN_FLAG\n");
    EXPECT_EQ(power, 0.0);
}

}  // namespace
