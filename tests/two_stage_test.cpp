// Two-stage power: level derivations and their write-back, what each method
// computes at no association (its overall level), and a seeded simulation of
// the two stage statistics that each method's power must agree with.
// Suites ending in "Compatibility" pin behaviour kept on purpose; each says
// why in its first comment line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>

#include "normal_draws.h"
#include "power/power_func.h"
#include "power/statistic.h"
#include "reference.h"
#include "tolerance.h"

namespace {

double two_sided_p(double z) { return std::erfc(std::fabs(z) / std::sqrt(2.0)); }

constexpr int kDraws = 400000;

struct Estimate {
    double probability;
    double standard_error;
};

template <typename Rejects>
Estimate simulate(double mean0, double mean1, std::uint64_t seed, Rejects rejects) {
    NormalDraws draws(seed);
    int hits = 0;
    for (int i = 0; i < kDraws; ++i) {
        const double z0 = mean0 + draws.next();
        const double z1 = mean1 + draws.next();
        hits += rejects(z0, z1) ? 1 : 0;
    }
    const double p = static_cast<double>(hits) / kDraws;
    return {p, std::sqrt(p * (1 - p) / kDraws)};
}

// Product of p-values: stage 0 passes at a0 and P0 P1 <= a1, any signs.
Estimate simulate_product(const PWR_design &design, std::uint64_t seed) {
    const double a0 = design.alpha[0];
    const double a1 = design.alpha[1];
    return simulate(get_average_of_normal_distribution(&design, 0),
                    get_average_of_normal_distribution(&design, 1), seed,
                    [a0, a1](double z0, double z1) {
                        const double p0 = two_sided_p(z0);
                        return p0 <= a0 && p0 * two_sided_p(z1) <= a1;
                    });
}

// Joint statistic sqrt(w0) Z0 + sqrt(1 - w0) Z1, w0 stage 0's share of all
// individuals: stage 0 and the joint statistic pass in the same direction.
Estimate simulate_joint(const PWR_design &design, std::uint64_t seed) {
    const double n0 = design.sample_size[0][0] + design.sample_size[0][1];
    const double n1 = design.sample_size[1][0] + design.sample_size[1][1];
    const double w0 = n0 / (n0 + n1);
    const double c0 = exact_quantile(1 - design.alpha[0] / 2);
    const double c1 = exact_quantile(1 - design.alpha[1] / 2);
    return simulate(get_joint_constant(&design, 0), get_joint_constant(&design, 1), seed,
                    [=](double z0, double z1) {
                        const double z = std::sqrt(w0) * z0 + std::sqrt(1 - w0) * z1;
                        return (z0 > c0 && z > c1) || (z0 < -c0 && z < -c1);
                    });
}

// Overall level of the joint procedure, independently: twice the
// probability that Z0 > c0 and Z > c1 for standard normal stages, by the
// midpoint rule on the closed-form conditional tail.
double joint_level(double a0, double a1, double w0) {
    const double c0 = exact_quantile(1 - a0 / 2);
    const double c1 = exact_quantile(1 - a1 / 2);
    const int panels = 200000;
    const double width = 12.0 / panels;
    double sum = 0;
    for (int i = 0; i < panels; ++i) {
        const double x = c0 + (i + 0.5) * width;
        const double density = std::exp(-x * x / 2) / std::sqrt(2 * M_PI);
        const double needed = (c1 - std::sqrt(w0) * x) / std::sqrt(1 - w0);
        sum += density * (1 - exact_cdf(needed)) * width;
    }
    return 2 * sum;
}

double product_level(double a0, double a1) { return a1 * (1 + std::log(a0 / a1)); }

// The stage means in long double from the exact case rate 0.45 / 1.15 = 9/23
// (odds ratio 1.5 at control rate 0.3).
struct StageMeans {
    long double separate, joint;
};

StageMeans exact_stage_means(long double cases, long double controls) {
    const long double p1 = 9.0L / 23.0L;
    const long double p0 = 0.3L;
    const long double separate =
        (p1 - p0) / std::sqrt(p1 * (1 - p1) / cases + p0 * (1 - p0) / controls);
    const long double joint =
        std::sqrt(controls) * (p1 - p0) / std::sqrt(p1 * (1 - p1) + p0 * (1 - p0));
    return {separate, joint};
}

TEST(StageStatistics, MeansOfTheStageStatistics) {
    PWR_design design = two_stage_design(1, 0.05, 1e-4, -1, 1000, 1000, 2000, 1000, 1.5);
    design.case_rate = get_population_rate_control_to_case(0.3, 1.5);
    const StageMeans stage0 = exact_stage_means(1000, 1000);
    const StageMeans stage1 = exact_stage_means(2000, 1000);
    // The case rate is 9/23 to a unit in its last place, which the
    // difference p1 - p0 magnifies about fourfold.
    const double relative = tolerance::kTol1;
    EXPECT_NEAR(get_average_of_normal_distribution(&design, 0), stage0.separate,
                relative * stage0.separate);
    EXPECT_NEAR(get_joint_constant(&design, 0), stage0.joint, relative * stage0.joint);
    EXPECT_NEAR(get_average_of_normal_distribution(&design, 1), stage1.separate,
                relative * stage1.separate);
    // The joint constant counts the controls for both groups.
    EXPECT_NEAR(get_joint_constant(&design, 1), stage1.joint, relative * stage1.joint);
    EXPECT_NEAR(get_joint_constant(&design, 1), get_joint_constant(&design, 0),
                tolerance::kTol0 * stage0.joint);
    design.case_rate = design.control_rate;
    EXPECT_EQ(get_average_of_normal_distribution(&design, 0), 0.0);
    EXPECT_EQ(get_joint_constant(&design, 1), 0.0);
}

TEST(UnknownMethod, AnswersMinusOneAfterUpdatingTheCaseRate) {
    for (std::int32_t method : {3, -1, 1000}) {
        PWR_design design = two_stage_design(method, 0.05, 1e-4, -1, 500, 500, 500, 500, 1.5);
        EXPECT_EQ(PWR_get_power_for_two_stage_method(&design, 0), -1.0);
        EXPECT_DOUBLE_EQ(design.case_rate, 0.45 / 1.15);
        EXPECT_EQ(design.alpha[2], -1.0);
    }
}

TEST(Replication, DerivesTheOpenLevelAndWritesItBack) {
    PWR_design design = two_stage_design(0, 0.01, -1, 1e-4, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_DOUBLE_EQ(design.alpha[1], 0.02);
    design = two_stage_design(0, 0.01, 0.02, -1, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_DOUBLE_EQ(design.alpha[2], 1e-4);
    design = two_stage_design(0, -1, 0.02, 1e-4, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_DOUBLE_EQ(design.alpha[0], 0.01);
    design = two_stage_design(0, 0.01, -1, 0.01, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_EQ(design.alpha[1], 1.0);
}

// Each stage's power splits into its two tails; replication needs both
// stages on the same side, so with no association it is the overall level
// a0 a1 / 2, not twice it, for every level and either statistic.
TEST(Replication, BothStagesInTheSameDirection) {
    PWR_design design = two_stage_design(0, 0.01, 0.05, -1, 600, 600, 800, 900, 1.4);
    const double power = PWR_get_power_for_two_stage_method(&design, 0);
    PWR_design stage = design;
    const double both_ways =
        PWR_get_power_for_single_step(&stage, 1) * PWR_get_power_for_single_step(&stage, 0);
    // The other direction's tails are tiny against 1.4: the answer lies just
    // below the product of the two-sided powers.
    EXPECT_LT(power, both_ways);
    EXPECT_GT(power, both_ways - 1e-6);
    for (const std::int32_t statistic : {PWR_VARIANCE_POOLED, PWR_VARIANCE_UNPOOLED}) {
        for (const double a0 : {0.5, 0.05, 0.01, 1e-3}) {
            PWR_design none = two_stage_design(0, a0, 0.2, -1, 500, 700, 900, 500, 1.0);
            const double level = PWR_two_stage_power(&none, statistic);
            SCOPED_TRACE(testing::Message() << "a0 " << a0 << " statistic " << statistic);
            EXPECT_EQ(none.alpha[2], a0 * 0.2 / 2);
            EXPECT_NEAR(level, none.alpha[2], 2 * tolerance::kPnormAbsolute);
        }
        // Next to no effect, equal groups: the first-order terms of the two
        // directions cancel.
        PWR_design almost = two_stage_design(0, 0.01, -1, 1e-3, 1000, 1000, 1000, 1000, 1.000001);
        EXPECT_NEAR(PWR_two_stage_power(&almost, statistic), 1e-3, 2 * tolerance::kPnormAbsolute);
    }
}

TEST(Product, DerivedOverallLevelIsTheProceduresLevel) {
    PWR_design design = two_stage_design(1, 0.05, 1e-4, -1, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_NEAR(design.alpha[2], 1e-4 * (1 + std::log(500.0)), 1e-17);
}

TEST(Product, DerivedJointLevelRoundTrips) {
    const double a2 = product_level(0.05, 1e-4);
    PWR_design design = two_stage_design(1, 0.05, -1, a2, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_NEAR(design.alpha[1], 1e-4, 1e-10);
    // And back: the derived a1 gives the a2 we started from.
    PWR_design back = two_stage_design(1, 0.05, design.alpha[1], -1, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&back, 0);
    EXPECT_NEAR(back.alpha[2], a2, 1e-9);
}

// Compatibility: an open stage-0 level has always meant 0.05.
TEST(ProductCompatibility, OpenStageZeroLevelDefaults) {
    PWR_design design = two_stage_design(1, -1, 1e-4, 3e-4, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_EQ(design.alpha[0], 0.05);
    EXPECT_EQ(design.alpha[1], 1e-4);
    EXPECT_EQ(design.alpha[2], 3e-4);
}

TEST(Product, NoAssociationGivesTheOverallLevel) {
    for (double a1 : {1e-4, 1e-3, 0.01}) {
        PWR_design design = two_stage_design(1, 0.05, a1, -1, 700, 500, 400, 900, 1.0);
        const double power = PWR_get_power_for_two_stage_method(&design, 0);
        EXPECT_NEAR(power, design.alpha[2], 1e-6 * design.alpha[2] + 1e-9) << a1;
        EXPECT_NEAR(power, product_level(0.05, a1), 1e-6 * power + 1e-9) << a1;
    }
}

TEST(Product, ContinuousInTheOddsRatioAtOne) {
    PWR_design at_one = two_stage_design(1, 0.05, 1e-4, -1, 500, 500, 500, 500, 1.0);
    PWR_design near_one = two_stage_design(1, 0.05, 1e-4, -1, 500, 500, 500, 500, 1.0 + 1e-9);
    EXPECT_NEAR(PWR_get_power_for_two_stage_method(&near_one, 0),
                PWR_get_power_for_two_stage_method(&at_one, 0), 1e-8);
}

TEST(Product, StageZeroLevelBelowProductLevelIsStageZerosPower) {
    // Once stage 0 passes at a0 < a1, P0 P1 <= P0 < a1 always holds.
    PWR_design design = two_stage_design(1, 0.001, 0.01, 0.5, 400, 400, 400, 400, 1.4);
    const double power = PWR_get_power_for_two_stage_method(&design, 0);
    const double mean0 = get_average_of_normal_distribution(&design, 0);
    const double z = exact_quantile(1 - 0.001 / 2);
    EXPECT_NEAR(power, (1 - exact_cdf(z - mean0)) + exact_cdf(-z - mean0), 1e-8);
}

TEST(Joint, DerivedOverallLevelMatchesTheBivariateNormal) {
    PWR_design design = two_stage_design(2, 0.05, 1e-4, -1, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_NEAR(design.alpha[2], joint_level(0.05, 1e-4, 0.5), 1e-6 * design.alpha[2]);
    // Stage 0 holds 30 % of the individuals: its statistic weighs sqrt(0.3).
    PWR_design unbalanced = two_stage_design(2, 0.05, 1e-4, -1, 300, 300, 700, 700, 1.5);
    PWR_get_power_for_two_stage_method(&unbalanced, 0);
    EXPECT_NEAR(unbalanced.alpha[2], joint_level(0.05, 1e-4, 0.3), 1e-6 * unbalanced.alpha[2]);
}

TEST(Joint, DerivedJointLevelGivesTheOverallLevel) {
    const double a2 = joint_level(0.05, 2e-4, 0.4);
    PWR_design design = two_stage_design(2, 0.05, -1, a2, 400, 400, 600, 600, 1.3);
    PWR_get_power_for_two_stage_method(&design, 0);
    // The root finder stops on a step of 1e-6 while halving its error.
    EXPECT_NEAR(design.alpha[1], 2e-4, 2e-6);
}

TEST(Joint, NoAssociationGivesTheOverallLevel) {
    PWR_design design = two_stage_design(2, 0.05, 1e-4, -1, 300, 300, 700, 700, 1.0);
    const double power = PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_NEAR(power, design.alpha[2], 1e-5 * design.alpha[2]);
}

// Compatibility: a method-2 call with every level given derives again the
// level its thread derived last, as callers of the two-stage power expect.
TEST(JointCompatibility, RederivesTheLevelItDerivedLast) {
    PWR_design design = two_stage_design(2, 0.05, 1e-4, -1, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&design, 0);
    const double balanced_level = design.alpha[2];
    // All three levels now given: alpha[2] is derived again for the new sizes.
    design.sample_size[1][0] = 1500;
    design.sample_size[1][1] = 1500;
    PWR_get_power_for_two_stage_method(&design, 0);
    EXPECT_NE(design.alpha[2], balanced_level);
    EXPECT_NEAR(design.alpha[2], joint_level(0.05, 1e-4, 0.25), 1e-6 * design.alpha[2]);
    EXPECT_EQ(design.alpha[1], 1e-4);

    // Deriving alpha[1] switches the carry-over to alpha[1].
    PWR_design open_joint = two_stage_design(2, 0.05, -1, 1e-4, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&open_joint, 0);
    const double derived = open_joint.alpha[1];
    open_joint.alpha[1] = 0.3;
    PWR_get_power_for_two_stage_method(&open_joint, 0);
    EXPECT_EQ(open_joint.alpha[2], 1e-4);
    EXPECT_EQ(open_joint.alpha[1], derived);

    // A defaulted stage-0 level leaves the carry-over alone.
    PWR_design open_stage0 = two_stage_design(2, -1, 1e-4, 1e-4, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&open_stage0, 0);
    EXPECT_EQ(open_stage0.alpha[0], 0.05);
    PWR_design given = two_stage_design(2, 0.05, 0.3, 1e-4, 500, 500, 500, 500, 1.5);
    PWR_get_power_for_two_stage_method(&given, 0);
    EXPECT_EQ(given.alpha[1], derived);
}

// Compatibility: method 0 derives only the first open level; the second
// keeps its sentinel and enters the computation as the level -1.
TEST(LevelsCompatibility, SecondSentinelEntersAsMinusOne) {
    // Only alpha[1] is derived; the open alpha[0] stays -1 and its quantile
    // flags.
    PWR_design design = two_stage_design(0, -1, -1, 1e-4, 500, 500, 500, 500, 1.5);
    testing::internal::CaptureStdout();
    PWR_get_power_for_two_stage_method(&design, 0);
    std::fflush(stdout);
    const std::string flags = testing::internal::GetCapturedStdout();
    EXPECT_EQ(design.alpha[0], -1.0);
    EXPECT_EQ(design.alpha[1], 2 * 1e-4 / -1.0);
    EXPECT_NE(flags.find("MIN_FLAG\n"), std::string::npos);
}

TEST(JointIntegrands, LowerTailMirrorsUpperTail) {
    double v[4] = {1.2, 0.7, -3.1, 0.35};
    double mirrored[4] = {-1.2, -0.7, -3.1, 0.35};
    for (double x : {-4.0, -2.5, -1.0, 0.0, 0.5, 2.0}) {
        EXPECT_NEAR(joint_power_function_minus(x, {3, v}),
                    joint_power_function_plus(-x, {3, mirrored}), 1e-15)
            << x;
    }
}

TEST(JointIntegrands, PlusSideIsTheLevelIntegrandWithoutAssociation) {
    const double a1 = 1e-3;
    double v[4] = {0, 0, exact_quantile(a1 / 2), 0.4};
    double w[4] = {0.05, a1, 0, 0.4};
    for (double x : {1.5, 2.0, 3.0}) {
        EXPECT_NEAR(joint_power_function_plus(x, {3, v}), get_phai_function(x, {2, w}), 1e-12);
    }
}

TEST(LevelEquation, ValueAndSlope) {
    double v[3] = {0.05, 7.0, 1e-4 * (1 + std::log(500.0))};
    EXPECT_NEAR(global_p_of_joint(1e-4, {0, v}), 0.0, 1e-18);
    EXPECT_NEAR(global_p_of_joint_prime(1e-4, {0, v}), std::log(500.0), 1e-12);
    EXPECT_NEAR(global_p_of_joint_prime(1.0, {1, v}), std::log(7.0), 1e-15);
    EXPECT_TRUE(std::isnan(global_p_of_joint(1e-4, {-1, v})));
    EXPECT_TRUE(std::isnan(global_p_of_joint_prime(1e-4, {3, v})));
}

// The seeded simulations: each method's power against the probability of
// the event it says it computes, for risk and protective alleles, balanced
// and unbalanced stages.
struct SimulatedDesign {
    double odds_ratio;
    std::int32_t cases0, controls0, cases1, controls1;
};

constexpr SimulatedDesign kSimulated[] = {
    {1.3, 500, 500, 500, 500},   // risk allele, balanced stages
    {0.75, 500, 500, 500, 500},  // protective allele, balanced
    {1.3, 300, 300, 700, 700},   // risk allele, small first stage
    {0.8, 900, 900, 400, 400},   // protective allele, large first stage
};

TEST(Simulation, ProductOfPValues) {
    std::uint64_t seed = 11;
    for (const SimulatedDesign &d : kSimulated) {
        PWR_design design = two_stage_design(1, 0.05, 1e-3, -1, d.cases0, d.controls0 + 100,
                                             d.cases1, d.controls1, d.odds_ratio);
        const double power = PWR_get_power_for_two_stage_method(&design, 0);
        const Estimate estimate = simulate_product(design, ++seed);
        EXPECT_NEAR(power, estimate.probability, 4 * estimate.standard_error + 1e-6)
            << d.odds_ratio << " " << d.cases0;
    }
}

TEST(Simulation, JointStatistic) {
    std::uint64_t seed = 23;
    for (const SimulatedDesign &d : kSimulated) {
        PWR_design design = two_stage_design(2, 0.05, 1e-3, -1, d.cases0, d.controls0, d.cases1,
                                             d.controls1, d.odds_ratio);
        const double power = PWR_get_power_for_two_stage_method(&design, 0);
        const Estimate estimate = simulate_joint(design, ++seed);
        EXPECT_NEAR(power, estimate.probability, 4 * estimate.standard_error + 1e-6)
            << d.odds_ratio << " " << d.cases0;
    }
}

}  // namespace
