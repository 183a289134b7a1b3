// The pooled and unpooled allelic statistics.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "power/statistic.h"
// clang-format on

#include <cmath>
#include <cstdint>
#include <limits>

#include "power/allelic_tails.h"

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

// Stage `stage` of the design as its test sees it, after setting the
// design's case rate from its odds ratio.
vantor::StageTest stage_test(PWR_design *design, std::int32_t stage) {
    design->case_rate =
        get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
    const std::int32_t *counts = design->sample_size[stage];
    const double rates[2] = {design->case_rate, design->control_rate};
    return {static_cast<double>(counts[0]),
            static_cast<double>(counts[1]),
            design->case_rate,
            design->control_rate,
            get_general_population_rate(rates, counts),
            design->alpha[stage]};
}

vantor::RejectionTails critical_probabilities(PWR_design *design, std::int32_t stage,
                                              std::int32_t statistic) {
    return vantor::rejection_tails(stage_test(design, stage), statistic == PWR_VARIANCE_UNPOOLED);
}

// The single-stage power with the unpooled standard error under no
// association as well as under the alternative, arranged as the pooled power
// is so that both share their accuracy.
double unpooled_power(PWR_design *design, std::int32_t stage) {
    const vantor::RejectionTails p = critical_probabilities(design, stage, PWR_VARIANCE_UNPOOLED);
    return (p.below_lower + 1) - p.below_upper;
}

// The two-stage power with the chosen statistic, from the pooled one just
// computed (which has derived and written the open level): only the
// replication analysis differs, with the unpooled stage tails.
double with_statistic(PWR_design *design, double pooled_power, std::int32_t statistic) {
    if (statistic == PWR_VARIANCE_POOLED) {
        return pooled_power;
    }
    if (statistic != PWR_VARIANCE_UNPOOLED) {
        return kNotANumber;
    }
    if (design->method != PWR_METHOD_REPLICATION || std::isnan(pooled_power)) {
        return pooled_power;
    }
    return PWR_replication_power(design, PWR_VARIANCE_UNPOOLED);
}

}  // namespace

extern "C" {

double PWR_single_step_power(PWR_design *design, std::int32_t stage, std::int32_t statistic) {
    if (statistic == PWR_VARIANCE_POOLED) {
        return PWR_get_power_for_single_step(design, stage);
    }
    if (statistic != PWR_VARIANCE_UNPOOLED || !(stage == 0 || stage == 1)) {
        design->case_rate =
            get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
        return kNotANumber;
    }
    return unpooled_power(design, stage);
}

double PWR_replication_power(PWR_design *design, std::int32_t statistic) {
    if (statistic != PWR_VARIANCE_POOLED && statistic != PWR_VARIANCE_UNPOOLED) {
        design->case_rate =
            get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
        return kNotANumber;
    }
    const vantor::RejectionTails stage1 = critical_probabilities(design, 0, statistic);
    const vantor::RejectionTails stage2 = critical_probabilities(design, 1, statistic);
    return vantor::same_direction_power(stage1, stage2);
}

double PWR_two_stage_power(PWR_design *design, std::int32_t statistic) {
    const double power = PWR_get_power_for_two_stage_method(design, 0);
    return with_statistic(design, power, statistic);
}

double PWR_two_stage_power_of_statistic(PWR_design *design, std::int32_t derived,
                                        std::int32_t statistic) {
    const double power = PWR_two_stage_power_deriving(design, derived);
    return with_statistic(design, power, statistic);
}

}  // extern "C"
