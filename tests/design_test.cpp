// Two-stage design questions: the smallest total by its definition (the
// power at the answer and one below), the cheapest design and the most
// powerful within a budget against exhaustive grids, the comparison with one
// stage, and every refused input with its words.
#include "search/design.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "power/power_func.h"
#include "search/solve.h"

namespace {

// The study of the examples: odds ratio 1.3, rate 0.3, genome-wide level,
// equal groups, counted in people.
DSN_study study_of(std::int32_t method, double alpha2 = 5e-8, double odds_ratio = 1.3) {
    return {method, odds_ratio, 0.3, alpha2, 0.5, VANTOR_COUNT_PEOPLE, PWR_VARIANCE_POOLED,
            0,      {0},        {0}};
}

// The header's rule for a total: stage 0 round(share N), halves up; in each
// stage round(f n) cases, the rest controls.
struct Split {
    std::int64_t cases[2];
    std::int64_t controls[2];
};

std::int64_t half_up(double x) { return static_cast<std::int64_t>(std::floor(x + 0.5)); }

Split split(std::int64_t total, double share, double fraction) {
    const std::int64_t n0 = half_up(share * static_cast<double>(total));
    const std::int64_t n[2] = {n0, total - n0};
    Split s{};
    for (int k = 0; k < 2; ++k) {
        s.cases[k] = half_up(fraction * static_cast<double>(n[k]));
        s.controls[k] = n[k] - s.cases[k];
    }
    return s;
}

// The power of a split, straight from the two-stage power with alpha1 marked
// for derivation, in allele draws.
double power_of(const DSN_study &study, const Split &s, double alpha0) {
    PWR_design design = PWR_DESIGN_INIT;
    design.method = study.method;
    design.odds_ratio = study.odds_ratio;
    design.control_rate = study.control_rate;
    design.alpha[0] = alpha0;
    design.alpha[1] = PWR_DERIVE_LEVEL;
    design.alpha[2] = study.alpha;
    for (int k = 0; k < 2; ++k) {
        design.sample_size[k][0] = static_cast<std::int32_t>(s.cases[k] * study.count);
        design.sample_size[k][1] = static_cast<std::int32_t>(s.controls[k] * study.count);
    }
    return PWR_get_power_for_two_stage_method(&design, 0);
}

double cost_of(const Split &s, double alpha0, double ratio) {
    return static_cast<double>(s.cases[0] + s.controls[0]) +
           ratio * alpha0 * static_cast<double>(s.cases[1] + s.controls[1]);
}

struct TotalCase {
    std::int32_t method;
    double share, stage1_alpha, alpha, odds_ratio, fraction, target;
};

TEST(SmallestTotal, ReachesTheTargetAndOneLessDoesNot) {
    const TotalCase cases[] = {
        {PWR_METHOD_REPLICATION, 0.5, 1e-3, 5e-8, 1.3, 0.5, 0.8},
        {PWR_METHOD_REPLICATION, 0.3, 1e-2, 1e-6, 0.7, 0.4, 0.9},
        {PWR_METHOD_PRODUCT, 0.4, 1e-3, 5e-8, 1.3, 0.5, 0.8},
        {PWR_METHOD_PRODUCT, 0.7, 5e-2, 1e-4, 1.5, 0.3, 0.5},
        {PWR_METHOD_JOINT, 0.35, 3e-3, 5e-8, 1.3, 0.5, 0.8},
        {PWR_METHOD_JOINT, 0.6, 1e-2, 1e-5, 0.8, 0.5, 0.9},
    };
    for (const TotalCase &c : cases) {
        DSN_study study = study_of(c.method, c.alpha, c.odds_ratio);
        study.case_fraction = c.fraction;
        DSN_design_result r{};
        const std::int32_t status =
            DSN_smallest_total(&study, c.share, c.stage1_alpha, c.target, &r);
        SCOPED_TRACE(testing::Message() << "method " << c.method << " share " << c.share);
        ASSERT_TRUE(status == VANTOR_FOUND || status == VANTOR_FOUND_WITH_WARNING)
            << VANTOR_message(r.reason);
        EXPECT_EQ(r.status, status);
        const Split at = split(r.total, c.share, c.fraction);
        EXPECT_EQ(r.cases[0], at.cases[0]);
        EXPECT_EQ(r.controls[1], at.controls[1]);
        EXPECT_EQ(r.power, power_of(study, at, c.stage1_alpha));
        EXPECT_GE(r.power, c.target);
        EXPECT_LT(power_of(study, split(r.total - 1, c.share, c.fraction), c.stage1_alpha),
                  c.target);
        EXPECT_EQ(r.alpha[0], c.stage1_alpha);
        EXPECT_EQ(r.alpha[2], c.alpha);
        EXPECT_DOUBLE_EQ(r.cost,
                         static_cast<double>(at.cases[0] + at.controls[0]) +
                             c.stage1_alpha * static_cast<double>(at.cases[1] + at.controls[1]));
        EXPECT_LE(r.evaluations, 64);
    }
}

TEST(SmallestTotal, TheStage0WeightComesFromTheRoundedCounts) {
    // The weight is stage 0's share of the effective size 1 / (1/cases +
    // 1/controls): its share of the people when both stages split alike.
    const auto effective = [](double cases, double controls) {
        return cases * controls / (cases + controls);
    };
    for (const double fraction : {0.5, 1.0 / 3.0}) {
        DSN_study study = study_of(PWR_METHOD_JOINT, 1e-4);
        study.case_fraction = fraction;
        DSN_design_result r{};
        DSN_smallest_total(&study, 1.0 / 3.0, 1e-2, 0.8, &r);
        ASSERT_EQ(r.status, VANTOR_FOUND);
        const double e0 = effective(r.cases[0], r.controls[0]);
        const double e1 = effective(r.cases[1], r.controls[1]);
        EXPECT_NEAR(r.stage1_weight, e0 / (e0 + e1), 1e-15);
        if (static_cast<std::int64_t>(r.cases[0]) * r.controls[1] ==
            static_cast<std::int64_t>(r.cases[1]) * r.controls[0]) {
            const double n0 = r.cases[0] + r.controls[0];
            EXPECT_EQ(r.stage1_weight, n0 / static_cast<double>(r.total));
        }
    }
}

TEST(SmallestTotal, AlleleCountsSearchEveryAllele) {
    DSN_study people = study_of(PWR_METHOD_PRODUCT, 1e-6);
    DSN_study alleles = people;
    alleles.count = VANTOR_COUNT_ALLELES;
    DSN_design_result in_people{};
    DSN_design_result in_alleles{};
    DSN_smallest_total(&people, 0.5, 1e-2, 0.8, &in_people);
    DSN_smallest_total(&alleles, 0.5, 1e-2, 0.8, &in_alleles);
    // Twice as many alleles as people, give or take the rounding of people.
    EXPECT_LE(in_alleles.total, 2 * in_people.total);
    EXPECT_GE(in_alleles.total, 2 * in_people.total - 8);
}

TEST(SmallestTotal, UnreachableWithinTheLargestCount) {
    DSN_study study = study_of(PWR_METHOD_PRODUCT, 5e-8, 1.0005);
    study.control_rate = 0.01;
    DSN_design_result r{};
    EXPECT_EQ(DSN_smallest_total(&study, 0.5, 1e-3, 0.9, &r), VANTOR_NOT_REACHABLE);
    EXPECT_EQ(r.reason, VANTOR_REASON_BEYOND_LARGEST_COUNT);
    EXPECT_EQ(r.total, 0);
    EXPECT_TRUE(std::isnan(r.power));
}

TEST(SmallestTotal, JointStatisticAnswersUnequalGroupsWithoutWarning) {
    DSN_study study = study_of(PWR_METHOD_JOINT, 1e-4);
    study.case_fraction = 1.0 / 3.0;
    DSN_design_result r{};
    EXPECT_EQ(DSN_smallest_total(&study, 0.5, 1e-2, 0.8, &r), VANTOR_FOUND);
    EXPECT_EQ(r.reason, VANTOR_REASON_NONE);
    EXPECT_GE(r.power, 0.8);
}

// The stage-0 levels the search tries: 41 levels, three significant digits,
// from the method's least to 0.5.
double grid_alpha0(int i, double least) {
    const double u = std::log10(least) + (std::log10(0.5) - std::log10(least)) * i / 40.0;
    char text[32];
    std::snprintf(text, sizeof text, "%.2e", std::pow(10.0, u));
    return std::fmax(least, std::strtod(text, nullptr));
}

// The least cost over 91 shares and 41 stage-0 levels, each point answered by
// the smallest-total search.
double grid_least_cost(const DSN_study &study, double target, double ratio) {
    const double least =
        study.method == PWR_METHOD_PRODUCT ? study.alpha * (1 + 1e-6) : 2 * study.alpha;
    double best = INFINITY;
    for (int j = 0; j <= 90; ++j) {
        const double share = 0.05 + 0.01 * j;
        for (int i = 0; i <= 40; ++i) {
            const double alpha0 = grid_alpha0(i, least);
            DSN_design_result r{};
            if (DSN_smallest_total(&study, share, alpha0, target, &r) == VANTOR_FOUND) {
                best = std::fmin(best, cost_of(split(r.total, share, 0.5), alpha0, ratio));
            }
        }
    }
    return best;
}

TEST(CheapestDesign, WithinHalfAPercentOfAnExhaustiveGrid) {
    for (const double ratio : {1.0, 5.0}) {
        const DSN_study study = study_of(PWR_METHOD_REPLICATION, 1e-6);
        DSN_design_result r{};
        ASSERT_EQ(DSN_cheapest_design(&study, 0.8, ratio, &r), VANTOR_FOUND);
        const double grid = grid_least_cost(study, 0.8, ratio);
        EXPECT_LE(r.cost, 1.005 * grid) << ratio;
        // The design found is what it says.
        const Split found{{r.cases[0], r.cases[1]}, {r.controls[0], r.controls[1]}};
        EXPECT_EQ(r.power, power_of(study, found, r.alpha[0]));
        EXPECT_GE(r.power, 0.8);
        EXPECT_DOUBLE_EQ(r.cost, cost_of(found, r.alpha[0], ratio));
    }
}

TEST(CheapestDesign, ComparesWithTheOneStageDesignOfTheSamePower) {
    const DSN_study study = study_of(PWR_METHOD_JOINT);
    DSN_design_result r{};
    ASSERT_EQ(DSN_cheapest_design(&study, 0.8, 1.0, &r), VANTOR_FOUND);
    SLV_size_result one{};
    SLV_cases_for_ratio(1.0, 1.3, 0.3, 5e-8, 0.8, VANTOR_COUNT_PEOPLE, &one);
    EXPECT_EQ(r.one_stage_total, (one.cases + one.controls) / 2);
    EXPECT_DOUBLE_EQ(r.relative_cost, r.cost / static_cast<double>(r.one_stage_total));
    // Screening saves genotyping: the joint design costs well under one stage.
    EXPECT_LT(r.relative_cost, 0.8);
    EXPECT_GE(r.power, 0.8);
    EXPECT_GE(r.stage1_weight, DSN_SMALLEST_SHARE - 0.01);
    EXPECT_LE(r.alpha[0], DSN_LARGEST_STAGE1_ALPHA);
}

TEST(MostPowerfulDesign, BestWithinTheBudgetOfAnExhaustiveGrid) {
    const DSN_study study = study_of(PWR_METHOD_PRODUCT, 1e-6);
    const double budget = 3000;
    DSN_design_result r{};
    ASSERT_EQ(DSN_most_powerful_design(&study, budget, 2.0, &r), VANTOR_FOUND);
    EXPECT_LE(r.cost, budget);
    const Split found{{r.cases[0], r.cases[1]}, {r.controls[0], r.controls[1]}};
    EXPECT_EQ(r.power, power_of(study, found, r.alpha[0]));
    // A coarse exhaustive grid: the largest affordable total at each point.
    double best = 0;
    for (int j = 0; j <= 18; ++j) {
        const double share = 0.05 + 0.05 * j;
        for (int i = 0; i <= 20; ++i) {
            const double alpha0 = grid_alpha0(2 * i, 1e-6 * (1 + 1e-6));
            std::int64_t total = 16;
            while (cost_of(split(total + 1, share, 0.5), alpha0, 2.0) <= budget) {
                ++total;
            }
            best = std::fmax(best, power_of(study, split(total, share, 0.5), alpha0));
        }
    }
    EXPECT_GE(r.power, best - 0.005);
}

TEST(MostPowerfulDesign, BudgetTooSmallForAnyDesign) {
    const DSN_study study = study_of(PWR_METHOD_PRODUCT);
    DSN_design_result r{};
    EXPECT_EQ(DSN_most_powerful_design(&study, 1.5, 1.0, &r), VANTOR_NOT_REACHABLE);
    EXPECT_EQ(r.reason, VANTOR_REASON_BUDGET_TOO_SMALL);
    EXPECT_TRUE(std::isnan(r.power));
}

TEST(DesignInputs, EachRefusalNamesItsInput) {
    DSN_design_result r{};
    const auto refused = [&](DSN_study study, double share, double alpha0, double target) {
        DSN_smallest_total(&study, share, alpha0, target, &r);
        EXPECT_EQ(r.status, VANTOR_INVALID_INPUT);
        EXPECT_EQ(r.total, 0);
        EXPECT_TRUE(std::isnan(r.power));
        return r.reason;
    };
    const DSN_study good = study_of(PWR_METHOD_JOINT);
    DSN_study bad = good;
    bad.method = 3;
    EXPECT_EQ(refused(bad, 0.5, 1e-3, 0.8), VANTOR_REASON_BAD_METHOD);
    bad = good;
    bad.odds_ratio = 1;
    EXPECT_EQ(refused(bad, 0.5, 1e-3, 0.8), VANTOR_REASON_BAD_ODDS_RATIO);
    bad = good;
    bad.control_rate = 1;
    EXPECT_EQ(refused(bad, 0.5, 1e-3, 0.8), VANTOR_REASON_BAD_CONTROL_RATE);
    bad = good;
    bad.alpha = 1e-13;
    EXPECT_EQ(refused(bad, 0.5, 1e-3, 0.8), VANTOR_REASON_BAD_ALPHA);
    bad = good;
    bad.case_fraction = 0;
    EXPECT_EQ(refused(bad, 0.5, 1e-3, 0.8), VANTOR_REASON_BAD_CASE_FRACTION);
    bad = good;
    bad.count = 3;
    EXPECT_EQ(refused(bad, 0.5, 1e-3, 0.8), VANTOR_REASON_BAD_COUNT);
    EXPECT_EQ(refused(good, 1.0, 1e-3, 0.8), VANTOR_REASON_BAD_STAGE1_SHARE);
    EXPECT_EQ(refused(good, std::nan(""), 1e-3, 0.8), VANTOR_REASON_BAD_STAGE1_SHARE);
    EXPECT_EQ(refused(good, 0.5, 9e-8, 0.8), VANTOR_REASON_BAD_STAGE1_ALPHA);
    EXPECT_EQ(refused(good, 0.5, 1.0, 0.8), VANTOR_REASON_BAD_STAGE1_ALPHA);
    EXPECT_EQ(refused(good, 0.5, 1e-3, 1.0), VANTOR_REASON_BAD_TARGET_POWER);
    // The product of p-values only needs alpha0 above alpha2.
    EXPECT_EQ(DSN_check_stage1_alpha(PWR_METHOD_PRODUCT, 9e-8, 5e-8), VANTOR_REASON_NONE);
    EXPECT_EQ(DSN_check_stage1_alpha(PWR_METHOD_PRODUCT, 5e-8, 5e-8),
              VANTOR_REASON_BAD_STAGE1_ALPHA);
    EXPECT_EQ(DSN_check_stage1_alpha(PWR_METHOD_REPLICATION, 1e-7, 5e-8), VANTOR_REASON_NONE);

    DSN_study study = good;
    EXPECT_EQ(DSN_cheapest_design(&study, 0.8, 0.0, &r), VANTOR_INVALID_INPUT);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_COST_RATIO);
    EXPECT_EQ(DSN_most_powerful_design(&study, -1, 1.0, &r), VANTOR_INVALID_INPUT);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_BUDGET);
    const std::int32_t cases[2] = {100, 0};
    const std::int32_t controls[2] = {100, 100};
    EXPECT_EQ(DSN_two_stage_power(&study, cases, controls, 1e-3, &r), VANTOR_INVALID_INPUT);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_CASES);
}

// The searches try stage-0 levels up to 0.5: an overall level that leaves no
// room below it is refused, not answered with a level above 1.
TEST(DesignInputs, OverallLevelMustLeaveRoomForTheFirstStage) {
    for (const std::int32_t method : {PWR_METHOD_REPLICATION, PWR_METHOD_JOINT}) {
        const DSN_study study = study_of(method, 0.3);
        DSN_design_result r{};
        EXPECT_EQ(DSN_cheapest_design(&study, 0.8, 1.0, &r), VANTOR_INVALID_INPUT);
        EXPECT_EQ(r.reason, VANTOR_REASON_BAD_DESIGN_ALPHA);
        EXPECT_EQ(DSN_most_powerful_design(&study, 1000, 1.0, &r), VANTOR_INVALID_INPUT);
        EXPECT_EQ(r.reason, VANTOR_REASON_BAD_DESIGN_ALPHA);
        EXPECT_EQ(DSN_check_design_alpha(method, 0.25), VANTOR_REASON_NONE);
    }
    EXPECT_EQ(DSN_check_design_alpha(PWR_METHOD_PRODUCT, 0.3), VANTOR_REASON_NONE);
    EXPECT_EQ(DSN_check_design_alpha(PWR_METHOD_PRODUCT, 0.5), VANTOR_REASON_BAD_DESIGN_ALPHA);
}

TEST(DesignInputs, MessagesNameTheInput) {
    const std::string words[] = {VANTOR_message(VANTOR_REASON_BAD_METHOD),
                                 VANTOR_message(VANTOR_REASON_BAD_STAGE1_SHARE),
                                 VANTOR_message(VANTOR_REASON_BAD_CASE_FRACTION),
                                 VANTOR_message(VANTOR_REASON_BAD_STAGE1_ALPHA),
                                 VANTOR_message(VANTOR_REASON_BAD_COST_RATIO),
                                 VANTOR_message(VANTOR_REASON_BAD_BUDGET),
                                 VANTOR_message(VANTOR_REASON_JOINT_UNBALANCED),
                                 VANTOR_message(VANTOR_REASON_BUDGET_TOO_SMALL)};
    const char *names[] = {"analysis", "share",  "fraction", "level",
                           "cost",     "budget", "joint",    "budget"};
    for (std::size_t i = 0; i < std::size(words); ++i) {
        EXPECT_NE(words[i].find(names[i]), std::string::npos) << words[i];
        EXPECT_NE(words[i], "unknown reason code");
    }
}

TEST(TwoStagePower, APowerThatIsNotANumberIsNoAnswer) {
    DSN_study study = study_of(PWR_METHOD_REPLICATION);
    study.control_rate = 4.9e-324;  // the smallest subnormal: the rates' difference vanishes
    const std::int32_t cases[2] = {1000, 2000};
    const std::int32_t controls[2] = {1000, 2000};
    DSN_design_result r{};
    EXPECT_EQ(DSN_two_stage_power(&study, cases, controls, 0.01, &r), VANTOR_NOT_REACHABLE);
    EXPECT_EQ(r.reason, VANTOR_REASON_POWER_NOT_COMPUTABLE);
    EXPECT_EQ(r.total, 0);
    EXPECT_TRUE(std::isnan(r.power));
}

TEST(TwoStagePower, GivenCountsAreThePowerOfTheRecord) {
    const DSN_study study = study_of(PWR_METHOD_JOINT);
    const std::int32_t cases[2] = {1000, 2000};
    const std::int32_t controls[2] = {1000, 2000};
    DSN_design_result r{};
    ASSERT_EQ(DSN_two_stage_power(&study, cases, controls, 0.01, &r), VANTOR_FOUND);
    const Split s{{1000, 2000}, {1000, 2000}};
    EXPECT_EQ(r.power, power_of(study, s, 0.01));
    EXPECT_EQ(r.total, 6000);
    EXPECT_DOUBLE_EQ(r.stage1_weight, 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(r.cost, 2000 + 0.01 * 4000);
}

}  // namespace
