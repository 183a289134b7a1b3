// Power of one stage's two-sided allelic test, checked against the textbook
// normal-approximation formula evaluated with exact normal functions, and
// against what no association and symmetry require. The accuracy tests
// measure what power/power_func.h states about where that accuracy ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "power/power_func.h"
#include "reference.h"
#include "tolerance.h"

namespace {

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
                    textbook_power(c.cases, c.controls, c.odds_ratio, c.rate, c.alpha),
                    2 * tolerance::kPnormAbsolute)
            << c.cases << " " << c.controls << " " << c.odds_ratio;
    }
}

TEST(SinglePower, NoAssociationGivesTheLevel) {
    for (double alpha : {0.05, 0.01, 0.2}) {
        PWR_design design = single_stage_design(500, 700, 1.0, 0.3, alpha);
        EXPECT_NEAR(PWR_get_power_for_single_step(&design, 0), alpha, 2 * tolerance::kPnormAbsolute)
            << alpha;
    }
}

double null_power(double alpha, std::int32_t cases = 1000, std::int32_t controls = 1000,
                  double rate = 0.3) {
    PWR_design design = single_stage_design(cases, controls, 1.0, rate, alpha);
    return PWR_get_power_for_single_step(&design, 0);
}

// With no association the power is exactly the level. What the library
// answers instead carries the normal distribution function's absolute error
// of about 1e-9, which at genome-wide levels is no longer small beside the
// level; beyond +-6 that function is exactly 0 or 1.
TEST(SinglePowerAccuracy, NullPowerAtGenomeWideLevelsAsStated) {
    struct Excess {
        double alpha, relative;
    };
    for (const Excess &e :
         {Excess{5e-8, 0.0035}, Excess{1e-8, 0.027}, Excess{5e-9, 0.052}, Excess{2e-9, 0.151}}) {
        for (const double rate : {0.3, 0.05}) {
            const double power = null_power(e.alpha, 1000, 3000, rate);
            EXPECT_NEAR(power / e.alpha - 1, e.relative, 0.0005) << e.alpha << " " << rate;
        }
    }
    EXPECT_GT(null_power(1.98e-9), 0.0);
    EXPECT_EQ(null_power(1.97e-9), 0.0);
    EXPECT_EQ(null_power(1e-12), 0.0);
}

TEST(SinglePowerAccuracy, NullPowerWithinOnePercentFrom3e8Up) {
    // 100 levels per decade from 0.05 down to 3.03e-8.
    for (double log_alpha = std::log10(0.05); log_alpha >= std::log10(3.03e-8); log_alpha -= 0.01) {
        const double alpha = std::pow(10.0, log_alpha);
        EXPECT_NEAR(null_power(alpha) / alpha, 1.0, alpha >= 1e-7 ? 0.001 : 0.01) << alpha;
    }
    EXPECT_GT(std::fabs(null_power(3.02e-8) / 3.02e-8 - 1), 0.01);
}

// Largest |library - exact power at alpha| over equal groups of 1000 to 2
// million alleles whose exact power lies between 0.01 and 0.99.
double worst_power_error(double alpha) {
    double worst = 0;
    for (std::int32_t n = 1000; n <= 2000000; n = n + n / 20 + 1) {
        PWR_design design = single_stage_design(n, n, 1.2, 0.3, alpha);
        const double exact = exact_power(n, n, 1.2, 0.3, alpha);
        if (exact > 0.01 && exact < 0.99) {
            worst = std::max(worst, std::fabs(PWR_get_power_for_single_step(&design, 0) - exact));
        }
    }
    return worst;
}

// A power well above the level comes from normal arguments far inside +-6,
// where the distribution function's absolute 1e-9 is small. What limits it
// at small levels is the upper critical value, the quantile of 1 - alpha/2
// formed in doubles: the upper side's level moves by up to 1.1e-16 / alpha
// of itself.
TEST(SinglePowerAccuracy, PowerAbove001AsStated) {
    for (const double alpha : {0.05, 1e-3, 5e-8, 1e-8}) {
        EXPECT_LE(worst_power_error(alpha), tolerance::kSinglePowerAbsolute) << alpha;
    }
    for (const double alpha : {1e-9, 1e-10, 1e-11}) {
        EXPECT_LE(worst_power_error(alpha), tolerance::kSinglePowerAbsoluteBelow1e8) << alpha;
    }
    EXPECT_LE(worst_power_error(1e-12), 1e-5);
    EXPECT_GT(worst_power_error(1e-12), 1e-6);
    EXPECT_LE(worst_power_error(1e-14), 1e-4);
    // Below 1.1e-16, 1 - alpha/2 is 1: the upper side never rejects, and an
    // odds ratio above 1 has no power.
    PWR_design design = single_stage_design(2000000, 2000000, 1.2, 0.3, 1e-16);
    EXPECT_EQ(PWR_get_power_for_single_step(&design, 0), 0.0);
    EXPECT_GT(exact_power(2000000, 2000000, 1.2, 0.3, 1e-16), 0.98);
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
