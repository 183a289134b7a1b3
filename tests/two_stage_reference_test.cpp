// The independent two-stage reference (two_stage_reference.h) is as accurate
// as it says: its quantile inverts its tail, its joint probability meets the
// closed forms of the bivariate normal distribution where they exist, its
// product power meets the product's closed-form level, and a rule with four
// times the panels changes nothing beyond rounding.
#include "two_stage_reference.h"

#include <gtest/gtest.h>

#include <cmath>

#include "power/statistic.h"
#include "reference.h"

namespace {

using two_stage_reference::Real;
using two_stage_reference::Weight;
namespace ref = two_stage_reference;

// Within 1e-15 absolute and, for probabilities above 1e-300, 1e-12 relative.
void expect_probability_near(Real got, Real expected) {
    EXPECT_NEAR(static_cast<double>(got), static_cast<double>(expected), 1e-15);
    if (expected > 1e-300L) {
        EXPECT_NEAR(static_cast<double>(got / expected), 1.0, 1e-12)
            << static_cast<double>(got) << " vs " << static_cast<double>(expected);
    }
}

Weight weight_of_stage1(Real stage1) { return {1 - stage1, stage1}; }

TEST(TwoStageReferenceNormal, QuantileInvertsTheTail) {
    for (Real p = 0.5L; p > 1e-300L; p /= 3.7L) {
        const Real z = ref::upper_quantile(p);
        EXPECT_LE(static_cast<double>(std::fabs(ref::upper_tail(z) / p - 1)), 1e-15)
            << static_cast<double>(p);
    }
    EXPECT_EQ(ref::upper_quantile(0.5L), 0.0L);
}

TEST(TwoStageReferenceNormal, RuleIntegratesTheDensityAndPolynomials) {
    expect_probability_near(ref::integrate(ref::density, -40, 40, 0.5L), 1);
    expect_probability_near(ref::integrate(ref::density, 6, 46, 0.25L), ref::upper_tail(6));
    // Ten points integrate degree 19 exactly, on one panel.
    const Real x19 =
        ref::integrate([](Real x) { return std::pow(x, 19) + std::pow(x, 18); }, 0, 2, 2);
    EXPECT_NEAR(static_cast<double>(x19 / (std::pow(2.0L, 20) / 20 + std::pow(2.0L, 19) / 19)), 1.0,
                1e-17);
}

// With stage 0's threshold out of reach, the joint event is the joint
// statistic's alone: a normal tail at mean sqrt(rho) mu0 + sqrt(1 - rho) mu1.
// This puts the step of every width, from 1e-6 to 1e6, through the rule.
TEST(TwoStageReferenceJoint, JointStatisticAloneIsANormalTail) {
    for (const Real stage1 : {1e-12L, 1e-6L, 0.01L, 0.3L, 0.5L, 0.9L, 1 - 1e-6L, 1 - 1e-12L}) {
        const Weight rho = weight_of_stage1(stage1);
        for (const Real mu0 : {-3.0L, 0.0L, 2.5L, 10.0L, 150.0L}) {
            for (const Real mu1 : {-2.0L, 0.0L, 4.0L, 60.0L}) {
                for (const Real c : {-2.0L, 0.0L, 3.0L, 7.0L}) {
                    SCOPED_TRACE(testing::Message()
                                 << "rho1 " << static_cast<double>(stage1) << " mu "
                                 << static_cast<double>(mu0) << " " << static_cast<double>(mu1)
                                 << " c " << static_cast<double>(c));
                    const Real mean = std::sqrt(rho.stage0) * mu0 + std::sqrt(rho.stage1) * mu1;
                    expect_probability_near(ref::joint_upward(mu0, mu1, mu0 - 50, c, rho),
                                            ref::upper_tail(c - mean));
                }
            }
        }
    }
}

// P(X > 0, Y > 0) for standard normals of correlation r is
// 1/4 + asin(r) / (2 pi); Z0 and Z have correlation sqrt(rho).
TEST(TwoStageReferenceJoint, OrthantProbabilityOfTheBivariateNormal) {
    for (const Real stage1 : {1e-9L, 0.05L, 0.3L, 0.5L, 0.8L, 0.999L, 1 - 1e-9L}) {
        const Weight rho = weight_of_stage1(stage1);
        const Real expected = 0.25L + std::asin(std::sqrt(rho.stage0)) / (2 * ref::kPi);
        expect_probability_near(ref::joint_upward(0, 0, 0, 0, rho), expected);
    }
}

// A weight of almost 0 makes the two statistics independent, one of almost
// 1 makes the joint statistic stage 0's own.
TEST(TwoStageReferenceJoint, LimitsOfTheWeight) {
    for (const Real mu0 : {-1.0L, 0.0L, 3.0L, 8.0L}) {
        for (const Real mu1 : {-1.0L, 0.0L, 5.0L}) {
            for (const Real c0 : {1.0L, 3.3L, 5.0L}) {
                for (const Real c : {2.0L, 5.5L}) {
                    expect_probability_near(
                        ref::joint_upward(mu0, mu1, c0, c, {1e-40L, 1 - 1e-40L}),
                        ref::upper_tail(c0 - mu0) * ref::upper_tail(c - mu1));
                    expect_probability_near(
                        ref::joint_upward(mu0, mu1, c0, c, {1 - 1e-40L, 1e-40L}),
                        ref::upper_tail(std::max(c0, c) - mu0));
                }
            }
        }
    }
}

// A four times finer rule changes neither probability beyond rounding,
// across means, levels and weights; the joint analysis's level with no
// association is symmetric in the direction.
TEST(TwoStageReferenceJoint, FinerRuleAgrees) {
    for (const Real stage1 : {1e-8L, 0.3L, 1 - 1e-8L}) {
        const Weight rho = weight_of_stage1(stage1);
        for (const Real mu0 : {-4.0L, 0.0L, 6.0L, 97.0L}) {
            for (const Real mu1 : {-3.0L, 2.0L, 9.0L}) {
                for (const Real a0 : {0.5L, 1e-4L}) {
                    for (const Real a1 : {1e-3L, 1e-12L}) {
                        const Real c0 = ref::upper_quantile(a0 / 2);
                        const Real c = ref::upper_quantile(a1 / 2);
                        expect_probability_near(ref::joint_upward(mu0, mu1, c0, c, rho),
                                                ref::joint_upward(mu0, mu1, c0, c, rho, 16));
                    }
                }
            }
        }
    }
}

// With no association the product's event has the closed-form level
// a1 (1 + ln(a0 / a1)), or a0 when a1 >= a0.
TEST(TwoStageReferenceProduct, LevelIsTheClosedForm) {
    for (const Real a0 : {0.5L, 0.05L, 1e-2L, 1e-3L, 1e-4L}) {
        for (Real a1 = 1e-2L; a1 >= 1e-12L; a1 /= 10) {
            const Real expected = a1 < a0 ? a1 * (1 + std::log(a0 / a1)) : a0;
            SCOPED_TRACE(testing::Message()
                         << "a0 " << static_cast<double>(a0) << " a1 " << static_cast<double>(a1));
            expect_probability_near(ref::product_power(0, 0, a0, a1), expected);
        }
    }
}

// A stage 1 that always passes leaves stage 0's two-sided test; a finer rule
// agrees across means and levels.
TEST(TwoStageReferenceProduct, LimitAndFinerRule) {
    for (const Real mu0 : {-5.0L, 0.0L, 2.0L, 4.5L, 200.0L}) {
        for (const Real a0 : {0.5L, 1e-4L}) {
            const Real c0 = ref::upper_quantile(a0 / 2);
            expect_probability_near(ref::product_power(mu0, 500, a0, 1e-9L),
                                    ref::upper_tail(c0 - mu0) + ref::lower_tail(-c0 - mu0));
            for (const Real mu1 : {-6.0L, 0.0L, 3.0L, 8.0L}) {
                for (const Real a1 : {1e-3L, 1e-12L}) {
                    expect_probability_near(ref::product_power(mu0, mu1, a0, a1),
                                            ref::product_power(mu0, mu1, a0, a1, 16));
                }
            }
        }
    }
}

// Where both stages hold as many cases as controls the effective sizes are
// proportional to the people, and the weight is stage 0's share of them.
TEST(TwoStageReferenceJoint, WeightOfEqualGroupsIsTheShareOfPeople) {
    const Weight rho = ref::joint_weight(400, 400, 600, 600);
    EXPECT_NEAR(static_cast<double>(rho.stage0), 0.4, 1e-18);
    EXPECT_NEAR(static_cast<double>(rho.stage1), 0.6, 1e-18);
    const Weight unequal = ref::joint_weight(1600, 3200, 2400, 4800);
    EXPECT_NEAR(static_cast<double>(unequal.stage0), 0.4, 1e-18);
}

// The stage power, pooled, is reference.h's textbook power (written apart,
// with a bisection quantile); unpooled it is Phi(d/s - c) + Phi(-d/s - c),
// the upper c at the level formed as the library forms it.
TEST(TwoStageReferenceStage, PooledAndUnpooledPowers) {
    for (const double alpha : {0.05, 1e-4, 5e-8}) {
        for (const double odds_ratio : {1.3, 0.6}) {
            for (const auto &[cases, controls] : {std::pair{2000, 2000}, std::pair{1000, 4000}}) {
                const Real pooled =
                    ref::stage_power(cases, controls, 0.3L, odds_ratio, alpha, PWR_VARIANCE_POOLED);
                EXPECT_NEAR(static_cast<double>(pooled),
                            textbook_power(cases, controls, odds_ratio, 0.3, alpha), 1e-15);
                const Real p1 = ref::case_rate(0.3L, odds_ratio);
                const Real s = std::sqrt(p1 * (1 - p1) / cases + 0.21L / controls);
                const Real c_upper = ref::upper_quantile(1 - (1 - alpha / 2));
                const Real c = ref::upper_quantile(alpha / 2);
                const Real mean = (p1 - 0.3L) / s;
                expect_probability_near(
                    ref::stage_power(cases, controls, 0.3L, odds_ratio, alpha,
                                     PWR_VARIANCE_UNPOOLED),
                    ref::lower_tail(mean - c_upper) + ref::lower_tail(-mean - c));
            }
        }
    }
}

}  // namespace
