// The power a design search reports is a probability, and it is the power of
// the design it reports: the independent reference (two_stage_reference.h)
// gives the same at the reported counts and levels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "power/power_func.h"
#include "power/statistic.h"
#include "search/design.h"
#include "search/solve.h"
#include "two_stage_reference.h"

namespace {

namespace ref = two_stage_reference;

bool found(const DSN_design_result &r) {
    return r.status == VANTOR_FOUND || r.status == VANTOR_FOUND_WITH_WARNING;
}

void expect_found_power_right(const DSN_study &study, const DSN_design_result &r) {
    ASSERT_TRUE(found(r)) << VANTOR_message(r.reason);
    EXPECT_GE(r.power, -1e-12);
    EXPECT_LE(r.power, 1 + 1e-12);
    const double expected =
        static_cast<double>(ref::two_stage_power(ref::design_of_result(study, r), study.variance));
    EXPECT_LE(std::fabs(r.power - expected), ref::allowed_difference(study.method, expected))
        << r.power << " vs " << expected << " at " << r.cases[0] << "/" << r.controls[0] << " "
        << r.cases[1] << "/" << r.controls[1] << " alpha1 " << r.alpha[1];
}

// The most powerful product design of a budget of 32.8 people at an odds
// ratio of 2.1e178 and an overall level of 1.5e-11, which once reported a
// power outside [0, 1].
TEST(DesignPower, MostPowerfulDesignOfAHugeEffectIsAProbability) {
    const DSN_study study{PWR_METHOD_PRODUCT,
                          2.1071758748223793e+178,
                          0.29999999999999716,
                          1.52587890625e-11,
                          0.5001220717749675,
                          VANTOR_COUNT_PEOPLE,
                          PWR_VARIANCE_POOLED,
                          0,
                          {0},
                          {0}};
    DSN_design_result result{};
    DSN_most_powerful_design(&study, 32.84375000046566, 0.5079345717749675, &result);
    ASSERT_TRUE(found(result)) << VANTOR_message(result.reason);
    EXPECT_GE(result.power, -1e-12);
    EXPECT_LE(result.power, 1 + 1e-12);
}

// Every question, every method, balanced and unbalanced groups; the
// replication analysis with both statistics.
void expect_every_question_right(const DSN_study &study) {
    DSN_design_result result{};
    DSN_smallest_total(&study, 0.4, 1e-3, 0.8, &result);
    expect_found_power_right(study, result);
    EXPECT_GE(result.power, 0.8);
    DSN_cheapest_design(&study, 0.8, 2, &result);
    expect_found_power_right(study, result);
    DSN_most_powerful_design(&study, 3000, 2, &result);
    expect_found_power_right(study, result);
    const std::int32_t cases[2] = {800, 1200};
    const std::int32_t controls[2] = {1600, 2400};
    DSN_two_stage_power(&study, cases, controls, 1e-3, &result);
    expect_found_power_right(study, result);
}

TEST(DesignPower, FoundPowersAreTheDesignsPowers) {
    for (const std::int32_t method :
         {PWR_METHOD_REPLICATION, PWR_METHOD_PRODUCT, PWR_METHOD_JOINT}) {
        for (const double case_fraction : {0.5, 1.0 / 3}) {
            SCOPED_TRACE(testing::Message()
                         << "method " << method << " fraction " << case_fraction);
            expect_every_question_right({method,
                                         1.3,
                                         0.3,
                                         5e-8,
                                         case_fraction,
                                         VANTOR_COUNT_PEOPLE,
                                         PWR_VARIANCE_POOLED,
                                         0,
                                         {0},
                                         {0}});
        }
    }
    expect_every_question_right({PWR_METHOD_REPLICATION,
                                 1.3,
                                 0.3,
                                 5e-8,
                                 0.2,
                                 VANTOR_COUNT_PEOPLE,
                                 PWR_VARIANCE_UNPOOLED,
                                 0,
                                 {0},
                                 {0}});
}

}  // namespace
