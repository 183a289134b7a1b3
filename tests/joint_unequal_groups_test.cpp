// The joint analysis with as many or fewer cases than controls, or more, in
// either stage: its power is the probability of its event for stage means
// that count cases and controls separately and the inverse-variance weight of
// the two stages, as the independent reference (two_stage_reference.h)
// computes it, and its derived second-decision level gives the overall level
// asked for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "power/power_func.h"
#include "reference.h"
#include "two_stage_reference.h"

namespace {

namespace ref = two_stage_reference;

// The agreement of the derived level's overall level with the one asked
// for, relative.
constexpr double kLevelRelative = 1e-4;

void expect_power_near_reference(double power, long double reference) {
    const double expected = static_cast<double>(reference);
    EXPECT_NEAR(power, expected, ref::allowed_difference(PWR_METHOD_JOINT, expected));
}

// A stage of `total` alleles of which a `case_fraction` are the cases'.
struct Stage {
    std::int32_t cases;
    std::int32_t controls;
};

Stage stage_of(std::int32_t total, double case_fraction) {
    const auto cases = static_cast<std::int32_t>(std::lround(case_fraction * total));
    return {cases, total - cases};
}

// The joint analysis of the two stages with alpha[1] derived; the record as
// the library left it.
struct JointAnswer {
    double power;
    PWR_design design;
};

JointAnswer joint_answer(Stage first, Stage second, double odds_ratio, double rate, double a0,
                         double a2) {
    PWR_design design =
        two_stage_design(PWR_METHOD_JOINT, a0, PWR_DERIVE_LEVEL, a2, first.cases, first.controls,
                         second.cases, second.controls, odds_ratio, rate);
    const double power = PWR_get_power_for_two_stage_method(&design, 0);
    return {power, design};
}

void expect_joint_answer_right(const JointAnswer &answer, double a2) {
    const PWR_design &design = answer.design;
    expect_power_near_reference(answer.power, ref::two_stage_power(design));
    const double a1 = design.alpha[1];
    ASSERT_GT(a1, 0.0);
    if (a1 < 1) {
        const long double level = ref::joint_level(design.alpha[0], a1, ref::joint_weight(design));
        EXPECT_NEAR(static_cast<double>(level / a2), 1.0, kLevelRelative) << "a1 " << a1;
    }
}

struct CaseFractions {
    double stage0;
    double stage1;
};

// Case fractions of 1/5, 1/3 and 2/3 in one stage or both, against one half.
std::vector<CaseFractions> unequal_fractions() {
    return {{1.0 / 3, 1.0 / 3}, {1.0 / 5, 1.0 / 5}, {2.0 / 3, 2.0 / 3}, {1.0 / 2, 1.0 / 3},
            {1.0 / 5, 2.0 / 3}, {2.0 / 3, 1.0 / 2}, {1.0 / 3, 1.0 / 5}};
}

TEST(JointUnequalGroups, PowerIsTheEventsProbabilityAndLevelTheOverallLevel) {
    // Stage 0 holds 40 % of 16,000 alleles; levels from 1e-3 to 5e-8, first
    // stages from 1e-2 to 1e-4; a risk and a protective allele.
    for (const CaseFractions f : unequal_fractions()) {
        const Stage first = stage_of(6400, f.stage0);
        const Stage second = stage_of(9600, f.stage1);
        for (const double a2 : {1e-3, 1e-5, 5e-8}) {
            for (const double a0 : {1e-2, 1e-3, 1e-4}) {
                if (!(a0 >= 2 * a2)) {
                    continue;
                }
                for (const double odds_ratio : {1.25, 0.8}) {
                    SCOPED_TRACE(testing::Message()
                                 << "fractions " << f.stage0 << " " << f.stage1 << " a2 " << a2
                                 << " a0 " << a0 << " OR " << odds_ratio);
                    const JointAnswer answer = joint_answer(first, second, odds_ratio, 0.3, a0, a2);
                    expect_joint_answer_right(answer, a2);
                }
            }
        }
    }
}

// The examples, in allele counts (twice the people): 800 cases and
// 1,600 controls then 1,200 and 2,400; 600 and 1,200 in each stage. The exact
// bivariate normal gives 0.694 and 0.6975 for them.
TEST(JointUnequalGroups, OneCaseToTwoControlsExamples) {
    const JointAnswer first = joint_answer({1600, 3200}, {2400, 4800}, 1.3, 0.3, 1e-3, 5e-8);
    expect_joint_answer_right(first, 5e-8);
    EXPECT_NEAR(first.power, 0.694, 5e-4);
    const JointAnswer second = joint_answer({1200, 2400}, {1200, 2400}, 1.4, 0.25, 0.005, 5e-8);
    expect_joint_answer_right(second, 5e-8);
    EXPECT_NEAR(second.power, 0.6975, 5e-5);
}

// Stages whose case:control ratios differ weigh by effective size, not by
// people: 1,000 + 1,000 alleles against 400 + 3,600 (effective sizes 500 and
// 360, shares of people 1/3 and 2/3). And a stage 2 of 72 cases against
// 205,094 controls up to 2e9 (stage 1's weight 0.99293, its turn 0.084
// wide): from 2e6 controls on the step's piece was once accepted at 4 and 8
// panels, 3e-3 too large, and the power came out 3.7e-4 above the reference
// (which a bivariate normal integrated over stage 2's statistic confirms).
struct WeighedDesign {
    Stage first;
    Stage second;
    double odds_ratio;
    double rate;
    double a0;
    double a2;
};

const WeighedDesign kWeighedDesigns[] = {
    {{1000, 1000}, {400, 3600}, 1.3, 0.3, 1e-2, 1e-4},
    {{1000, 1000}, {400, 3600}, 1.3, 0.3, 1e-2, 5e-8},
    {{20226, 20226},
     {72, 2050949192},
     0.75600806436950296,
     0.90112389483065769,
     0.036986834893720094,
     1.7720768177531309e-12},
    {{20226, 20226},
     {72, 2050949},
     0.75600806436950296,
     0.90112389483065769,
     0.036986834893720094,
     1.7720768177531309e-12},
    {{20226, 20226},
     {72, 205094},
     0.75600806436950296,
     0.90112389483065769,
     0.036986834893720094,
     1.7720768177531309e-12},
};

TEST(JointUnequalGroups, StagesOfDifferentRatiosWeighByEffectiveSize) {
    for (const WeighedDesign &d : kWeighedDesigns) {
        SCOPED_TRACE(testing::Message() << "stage 2 " << d.second.cases << " + "
                                        << d.second.controls << " a2 " << d.a2);
        const JointAnswer answer =
            joint_answer(d.first, d.second, d.odds_ratio, d.rate, d.a0, d.a2);
        expect_joint_answer_right(answer, d.a2);
    }
}

}  // namespace
