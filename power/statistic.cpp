// The pooled and unpooled allelic statistics.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "power/statistic.h"
// clang-format on

#include <cmath>
#include <cstdint>
#include <limits>

#include "numeric/MTH_normal_distribution.h"

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
// Passed to MTH_qnorm, which does not read it.
constexpr double kQuantileTolerance = 1e-6;

bool is_stage(std::int32_t stage) { return stage == 0 || stage == 1; }

// The standard error of the rate difference under no association from the
// pooled rate, as the single-stage power forms it.
double pooled_standard_error(const PWR_design *design, std::int32_t stage) {
    const std::int32_t *counts = design->sample_size[stage];
    const double n_cases = counts[0];
    const double n_controls = counts[1];
    const double rates[2] = {design->case_rate, design->control_rate};
    const double pooled = get_general_population_rate(rates, counts);
    return std::sqrt((1 - pooled) * pooled * (1 / n_controls + 1 / n_cases));
}

// The normal distribution function at stage `stage`'s two critical points,
// standardised under the alternative: the lower one from Q(a/2), the upper
// one from Q(1 - a/2), a the stage's level. The test rejects downwards with
// the first probability and upwards with one minus the second.
struct CriticalProbabilities {
    double below_lower;
    double below_upper;
};

CriticalProbabilities critical_probabilities(PWR_design *design, std::int32_t stage,
                                             std::int32_t statistic) {
    design->case_rate =
        get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
    const double alpha = design->alpha[stage];
    const double n_cases = design->sample_size[stage][0];
    const double n_controls = design->sample_size[stage][1];
    const double p1 = design->case_rate;
    const double p0 = design->control_rate;
    const double sigma_alt = std::sqrt((1 - p1) * p1 / n_cases + (1 - p0) * p0 / n_controls);
    const double sigma_null =
        statistic == PWR_STATISTIC_UNPOOLED ? sigma_alt : pooled_standard_error(design, stage);

    const double z_hi = MTH_qnorm(1 - alpha / 2, kQuantileTolerance);
    const double z_lo = MTH_qnorm(alpha / 2, kQuantileTolerance);

    return {MTH_pnorm((sigma_null * z_lo - p1 + p0) / sigma_alt),
            MTH_pnorm((sigma_null * z_hi - p1 + p0) / sigma_alt)};
}

// The single-stage power with the unpooled standard error under no
// association as well as under the alternative, arranged as the pooled power
// is so that both share their accuracy.
double unpooled_power(PWR_design *design, std::int32_t stage) {
    const CriticalProbabilities p = critical_probabilities(design, stage, PWR_STATISTIC_UNPOOLED);
    return (p.below_lower + 1) - p.below_upper;
}

// The two-stage power with the chosen statistic, from the pooled one just
// computed (which has derived and written the open level): only the
// replication analysis differs, with the unpooled stage tails.
double with_statistic(PWR_design *design, double pooled_power, std::int32_t statistic) {
    if (statistic == PWR_STATISTIC_POOLED) {
        return pooled_power;
    }
    if (statistic != PWR_STATISTIC_UNPOOLED) {
        return kNotANumber;
    }
    if (design->method != PWR_METHOD_SEPARATE || std::isnan(pooled_power)) {
        return pooled_power;
    }
    return PWR_replication_power(design, PWR_STATISTIC_UNPOOLED);
}

}  // namespace

extern "C" {

double PWR_single_step_power(PWR_design *design, std::int32_t stage, std::int32_t statistic) {
    if (statistic == PWR_STATISTIC_POOLED) {
        return PWR_get_power_for_single_step(design, stage);
    }
    if (statistic != PWR_STATISTIC_UNPOOLED || !is_stage(stage)) {
        design->case_rate =
            get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
        return kNotANumber;
    }
    return unpooled_power(design, stage);
}

double PWR_replication_power(PWR_design *design, std::int32_t statistic) {
    if (statistic != PWR_STATISTIC_POOLED && statistic != PWR_STATISTIC_UNPOOLED) {
        design->case_rate =
            get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
        return kNotANumber;
    }
    const CriticalProbabilities stage0 = critical_probabilities(design, 0, statistic);
    const CriticalProbabilities stage1 = critical_probabilities(design, 1, statistic);
    // Both upwards, or both downwards.
    return (1 - stage0.below_upper) * (1 - stage1.below_upper) +
           stage0.below_lower * stage1.below_lower;
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
