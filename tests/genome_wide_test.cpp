// Two-stage designs at genome-wide levels (overall levels down to 1e-9, and
// 1e-12 for the product's level equation): the levels each method derives
// give the overall level they are asked for, the powers agree with
// independent quadratures of the same events, no "MIN_FLAG" line is written
// and no call runs away with integrand evaluations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "numeric/MTH_normal_distribution.h"
#include "power/power_func.h"
#include "reference.h"
#ifdef VANTOR_COUNT_INTEGRAND
#include "bench/integrand_counter.h"
#endif

namespace {

using Real = long double;

constexpr Real kSqrt2 = 1.414213562373095048801688724209698079L;
constexpr Real kInvSqrt2Pi = 0.398942280401432677939946059934381868L;

// The exact normal distribution, both tails computed as tails.
Real upper_tail(Real x) { return std::erfc(x / kSqrt2) / 2; }
Real lower_tail(Real x) { return std::erfc(-x / kSqrt2) / 2; }
Real density(Real x) { return kInvSqrt2Pi * std::exp(-x * x / 2); }

// The z with P(Z > z) = p, by bisection on the exact upper tail (p <= 1/2).
Real upper_quantile(Real p) {
    Real lo = 0;
    Real hi = 40;
    for (int i = 0; i < 80; ++i) {
        const Real mid = (lo + hi) / 2;
        (upper_tail(mid) > p ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

// Composite Simpson's rule with `panels` (even) panels.
template <typename F>
Real simpson(F f, Real a, Real b, int panels) {
    const Real h = (b - a) / panels;
    Real sum = f(a) + f(b);
    for (int i = 1; i < panels; ++i) {
        sum += f(a + i * h) * ((i % 2 == 1) ? 4 : 2);
    }
    return sum * h / 3;
}

// Overall level of the joint procedure: twice P(Z0 > c0, sqrt(w) Z0 +
// sqrt(1 - w) Z1 > c1) for independent standard normal stage statistics.
Real joint_level(Real a0, Real a1, Real w) {
    const Real c0 = upper_quantile(a0 / 2);
    const Real c1 = upper_quantile(a1 / 2);
    const auto integrand = [=](Real x) {
        return density(x) * upper_tail((c1 - std::sqrt(w) * x) / std::sqrt(1 - w));
    };
    return 2 * simpson(integrand, c0, c0 + 12, 3000);
}

// Counts the integrand evaluations of one call where the test program can
// count them (a static library), and captures what it writes on standard
// output.
struct Call {
    double power;
    std::string output;
    std::int64_t evaluations;
};

Call two_stage(PWR_design &design) {
#ifdef VANTOR_COUNT_INTEGRAND
    const std::int64_t before = integrand_evaluations();
#endif
    testing::internal::CaptureStdout();
    const double power = PWR_get_power_for_two_stage_method(&design, 0);
    std::fflush(stdout);
    Call call{power, testing::internal::GetCapturedStdout(), 0};
#ifdef VANTOR_COUNT_INTEGRAND
    call.evaluations = integrand_evaluations() - before;
#endif
    return call;
}

constexpr std::int64_t kMostEvaluationsPerCall = 100000;

// Equal groups in each stage, rate 0.3.
PWR_design design_of(std::int32_t method, double a0, double a1, double a2, std::int32_t group0,
                     std::int32_t group1, double odds_ratio) {
    return two_stage_design(method, a0, a1, a2, group0, group0, group1, group1, odds_ratio);
}

TEST(GenomeWideJointLevel, DerivedLevelGivesTheOverallLevelAcrossTheGrid) {
    const int total = 10000;
    for (const double w : {0.1, 0.3, 0.5, 0.7}) {
        const auto group0 = static_cast<std::int32_t>(std::lround(w * total));
        for (const double a0 : {0.05, 1e-2, 1e-3, 1e-4, 1e-5}) {
            for (const double a2 : {1e-3, 5e-5, 1e-6, 5e-8, 5e-9, 1e-9}) {
                if (!(a2 < a0 / 2)) {
                    continue;
                }
                PWR_design design = design_of(2, a0, -1, a2, group0, total - group0, 1.3);
                const Call call = two_stage(design);
                const double a1 = design.alpha[1];
                SCOPED_TRACE(testing::Message() << "w " << w << " a0 " << a0 << " a2 " << a2);
                EXPECT_GT(a1, 0.0);
                EXPECT_LE(a1, 1.0);
                EXPECT_EQ(call.output, "");
                EXPECT_LE(call.evaluations, kMostEvaluationsPerCall);
                const Real level = joint_level(a0, a1, w);
                EXPECT_NEAR(static_cast<double>(level / a2), 1.0, 1e-4) << "a1 " << a1;
            }
        }
    }
}

// When even a joint level of 1 cannot reach the overall level asked for
// (it is above a0), the derived level is 1 and nothing larger is tried.
TEST(GenomeWideJointLevel, UnreachableOverallLevelGivesOne) {
    PWR_design design = design_of(2, 1e-3, -1, 0.01, 1000, 1000, 1.3);
    const Call call = two_stage(design);
    EXPECT_EQ(design.alpha[1], 1.0);
    EXPECT_EQ(call.output, "");
}

TEST(GenomeWideProductLevel, DerivedLevelSolvesItsEquationToOnePartInABillion) {
    for (const double a0 : {0.05, 1e-2, 1e-3}) {
        for (double a2 = 1e-3; a2 >= 0.99e-12; a2 /= 10) {
            PWR_design design = design_of(1, a0, -1, a2, 1000, 1000, 1.3);
            two_stage(design);
            const Real a1 = design.alpha[1];
            const Real level = a1 * (1 + std::log(a0 / a1));
            EXPECT_NEAR(static_cast<double>(level / a2), 1.0, 1e-9) << a0 << " " << a2;
        }
    }
}

// The designs whose powers are checked: genome-wide levels, both stage-0
// levels, a risk and a protective allele, equal and unequal stages.
struct PowerCase {
    double a0, a2, odds_ratio;
    std::int32_t group0, group1;
};

std::vector<PowerCase> genome_wide_power_cases() {
    std::vector<PowerCase> cases;
    for (const double a2 : {5e-8, 5e-9, 1e-9}) {
        for (const double a0 : {1e-2, 1e-3}) {
            for (const double odds_ratio : {1.3, 1 / 1.3}) {
                cases.push_back({a0, a2, odds_ratio, 2000, 2000});
                cases.push_back({a0, a2, odds_ratio, 1200, 2800});
            }
        }
    }
    return cases;
}

// Means of the stage statistics, from the rates and counts alone.
Real case_rate(Real rate, Real odds_ratio) {
    return odds_ratio * rate / (odds_ratio * rate + 1 - rate);
}

Real joint_mean(Real group, Real odds_ratio) {
    const Real p1 = case_rate(0.3L, odds_ratio);
    const Real p0 = 0.3L;
    return std::sqrt(group) * (p1 - p0) / std::sqrt(p1 * (1 - p1) + p0 * (1 - p0));
}

Real separate_mean(Real group, Real odds_ratio) {
    const Real p1 = case_rate(0.3L, odds_ratio);
    const Real p0 = 0.3L;
    return (p1 - p0) / std::sqrt((p1 * (1 - p1) + p0 * (1 - p0)) / group);
}

// Power of the joint procedure: stage 0 beyond c0 and the joint statistic
// beyond c1, both upwards or both downwards.
Real joint_power(const PowerCase &c, Real a1) {
    const Real w = static_cast<Real>(c.group0) / (c.group0 + c.group1);
    const Real m0 = joint_mean(c.group0, c.odds_ratio);
    const Real m1 = joint_mean(c.group1, c.odds_ratio);
    const Real c0 = upper_quantile(c.a0 / 2);
    const Real c1 = upper_quantile(a1 / 2);
    const Real sw = std::sqrt(w);
    const Real sv = std::sqrt(1 - w);
    const auto up = [=](Real x) { return density(x - m0) * upper_tail((c1 - sw * x) / sv - m1); };
    const auto down = [=](Real x) {
        return density(x - m0) * lower_tail((-c1 - sw * x) / sv - m1);
    };
    const Real reach = std::fabs(m0) + 12;
    return simpson(up, c0, c0 + reach + 12, 8000) + simpson(down, -c0 - reach - 12, -c0, 8000);
}

TEST(GenomeWidePower, JointAgreesWithExactNormalQuadrature) {
    for (const PowerCase &c : genome_wide_power_cases()) {
        PWR_design design = design_of(2, c.a0, -1, c.a2, c.group0, c.group1, c.odds_ratio);
        const Call call = two_stage(design);
        SCOPED_TRACE(testing::Message() << "a0 " << c.a0 << " a2 " << c.a2 << " OR " << c.odds_ratio
                                        << " stage 0 " << c.group0);
        EXPECT_EQ(call.output, "");
        EXPECT_LE(call.evaluations, kMostEvaluationsPerCall);
        const Real exact = joint_power(c, design.alpha[1]);
        EXPECT_NEAR(call.power / exact, 1.0, 1e-6)
            << call.power << " vs " << static_cast<double>(exact);
    }
}

// The normal distribution functions a product-method power is computed
// with: the library's, with tails from the incomplete gamma function from 4
// outwards, or the exact ones.
struct Normal {
    Real (*upper)(Real);
    Real (*lower)(Real);
    Real (*upper_quantile)(Real);
};

// The tail beyond |x| >= 4 from the incomplete gamma function's continued
// fraction: P(Z > |x|) = Q(1/2, x^2/2) / 2.
Real gamma_tail(double x) { return gcf(0.5, x * x / 2) / 2; }
Real library_upper(Real x) {
    const double d = static_cast<double>(x);
    if (std::fabs(d) < 4) {
        return 1 - MTH_pnorm(d);
    }
    return d > 0 ? gamma_tail(d) : 1 - gamma_tail(d);
}
Real library_lower(Real x) {
    const double d = static_cast<double>(x);
    if (std::fabs(d) < 4) {
        return MTH_pnorm(d);
    }
    return d < 0 ? gamma_tail(d) : 1 - gamma_tail(d);
}
// As the library forms its upper quantiles: from 1 - p, or from p itself
// where the quantile lies beyond 4.
Real library_upper_quantile(Real p) {
    const double d = static_cast<double>(p);
    return d < 3.1671241833119965e-05 ? -MTH_qnorm(d, 1e-6) : MTH_qnorm(1 - d, 1e-6);
}

const Normal kLibraryNormal = {library_upper, library_lower, library_upper_quantile};
const Normal kExactNormal = {upper_tail, lower_tail, upper_quantile};

// Power of "P0 <= a0 and P0 P1 <= a1" for two-sided p-values of stage
// statistics with means m0 and m1: over stage-0 values whose p-value lies
// between a1 and a0, the probability that stage 1's two-sided p-value is at
// most a1 / P0; where P0 <= a1 the product passes whatever stage 1 gives.
Real product_power(const PowerCase &c, Real a1, const Normal &normal, int panels) {
    const Real m0 = separate_mean(c.group0, c.odds_ratio);
    const Real m1 = separate_mean(c.group1, c.odds_ratio);
    const Real c0 = normal.upper_quantile(c.a0 / 2);
    const Real c1 = normal.upper_quantile(std::min<Real>(a1, c.a0) / 2);
    const auto stage1_passes = [&](Real p0) {
        const Real q = normal.upper_quantile(a1 / p0 / 2);
        return normal.upper(q - m1) + normal.lower(-q - m1);
    };
    const auto up = [&](Real x) { return density(x - m0) * stage1_passes(2 * normal.upper(x)); };
    const auto down = [&](Real x) { return density(x - m0) * stage1_passes(2 * normal.lower(x)); };
    Real power = normal.upper(c1 - m0) + normal.lower(-c1 - m0);
    if (c1 > c0) {
        power += simpson(up, c0, c1, panels) + simpson(down, -c1, -c0, panels);
    }
    return power;
}

TEST(GenomeWidePower, ProductAgreesWithQuadraturesOfTheSameEvent) {
    for (const PowerCase &c : genome_wide_power_cases()) {
        PWR_design design = design_of(1, c.a0, -1, c.a2, c.group0, c.group1, c.odds_ratio);
        const Call call = two_stage(design);
        SCOPED_TRACE(testing::Message() << "a0 " << c.a0 << " a2 " << c.a2 << " OR " << c.odds_ratio
                                        << " stage 0 " << c.group0);
        EXPECT_EQ(call.output, "");
        EXPECT_LE(call.evaluations, kMostEvaluationsPerCall);
        const Real a1 = design.alpha[1];
        const Real with_library = product_power(c, a1, kLibraryNormal, 4000);
        EXPECT_NEAR(call.power / with_library, 1.0, 1e-6);
        const Real exact = product_power(c, a1, kExactNormal, 400);
        if (exact >= 0.01) {
            EXPECT_NEAR(call.power / exact, 1.0, 1e-3);
        } else {
            EXPECT_NEAR(call.power, exact, 1e-5);
        }
    }
}

// A second stage of almost nobody makes the joint statistic stage 0's own:
// its conditional tail is then a step, integrated piecewise around it. The
// power tends to that of stage 0 alone beyond the larger of its own
// threshold and the joint one; the level equation and the power each stay
// within the evaluation budget.
TEST(GenomeWideJointLevel, AStageOfAlmostNobodyIsIntegratedAroundItsStep) {
    PWR_design design = design_of(2, 1e-3, -1, 5e-8, 200000000, 50, 1.0015);
    const Call call = two_stage(design);
    EXPECT_EQ(call.output, "");
    EXPECT_LE(call.evaluations, kMostEvaluationsPerCall);
    const double a1 = design.alpha[1];
    EXPECT_GT(a1, 0.0);
    // With w -> 1 the overall level is that of the stricter of the two tests.
    EXPECT_NEAR(std::fmin(a1, 1e-3) / 5e-8, 1.0, 1e-3);
    const Real w = 4e8L / (4e8L + 100);
    const Real m0 = joint_mean(200000000, 1.0015);
    const Real m1 = joint_mean(50, 1.0015);
    const Real c = std::fmax(upper_quantile(1e-3 / 2),
                             (upper_quantile(a1 / 2) - std::sqrt(1 - w) * m1) / std::sqrt(w));
    const Real limit = upper_tail(c - m0) + lower_tail(-c - m0);
    EXPECT_NEAR(call.power, static_cast<double>(limit), 1e-3);
}

// Without a procedure to compute (a level that is no probability, two open
// levels, a joint statistic over an empty stage) methods 1 and 2 answer not a
// number at once and leave the levels as they were.
TEST(TwoStageDomain, NoProcedureGivesNotANumberAndDerivesNothing) {
    struct Levels {
        double a0, a1, a2;
    };
    for (const std::int32_t method : {1, 2}) {
        for (const Levels l : {Levels{2.0, -1, 5e-8}, Levels{0.01, -0.5, -1}, Levels{-1, -1, 5e-8},
                               Levels{0.01, std::nan(""), -1}, Levels{0.01, -1, 1e300}}) {
            PWR_design design = design_of(method, l.a0, l.a1, l.a2, 1000, 1000, 1.3);
            const Call call = two_stage(design);
            EXPECT_TRUE(std::isnan(call.power)) << method << " " << l.a0 << " " << l.a1;
            EXPECT_EQ(call.output, "");
            EXPECT_LE(call.evaluations, 0);
            EXPECT_EQ(design.alpha[0], l.a0);
            EXPECT_EQ(design.alpha[2], l.a2);
        }
    }
    for (const auto &[group0, group1] : {std::pair{1000, 0}, std::pair{0, 1000}, std::pair{0, 0}}) {
        PWR_design design = design_of(2, 0.01, -1, 5e-8, group0, group1, 1.3);
        EXPECT_TRUE(std::isnan(two_stage(design).power)) << group0 << " " << group1;
        EXPECT_EQ(design.alpha[1], -1.0);
    }
    // A level of exactly 0 or 1 is still a level.
    PWR_design no_screening = design_of(2, 1.0, 1e-6, -1, 1000, 1000, 1.3);
    EXPECT_FALSE(std::isnan(two_stage(no_screening).power));
}

#ifdef VANTOR_COUNT_INTEGRAND
// The design of the benchmark table: a0 = 0.01, a2 = 5e-8, stages
// 1000+1000 and 2000+2000.
TEST(GenomeWideCost, BenchmarkDesignStaysWithinItsEvaluationBudget) {
    for (const double odds_ratio : {1.3, 1 / 1.3}) {
        PWR_design product = design_of(1, 0.01, -1, 5e-8, 1000, 2000, odds_ratio);
        EXPECT_LE(two_stage(product).evaluations, 2000) << odds_ratio;
        PWR_design joint = design_of(2, 0.01, -1, 5e-8, 1000, 2000, odds_ratio);
        EXPECT_LE(two_stage(joint).evaluations, 25000) << odds_ratio;
    }
}
#endif

}  // namespace
