// Study design record and the power of the allelic test of one stage.
#include "power/power_func.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "numeric/MTH_normal_distribution.h"

namespace {

// Every quantile of the power model passes this unread second argument.
constexpr double kQuantileTolerance = 1e-6;

bool is_stage(std::int32_t stage) { return stage == 0 || stage == 1; }

}  // namespace

extern "C" {

double get_population_rate_control_to_case(double control_rate, double odds_ratio) {
    const double numerator = odds_ratio * control_rate;
    const double denominator = numerator + (1 - control_rate);
    return numerator / denominator;
}

double get_general_population_rate(const double rates[2], const std::int32_t numbers[2]) {
    // The counts are summed in 64 bits: two large 32-bit counts must not wrap.
    const std::int64_t total = static_cast<std::int64_t>(numbers[0]) + numbers[1];
    return (rates[0] * numbers[0] + rates[1] * numbers[1]) / static_cast<double>(total);
}

double PWR_get_power_for_single_step(PWR_design *design, std::int32_t stage) {
    if (!is_stage(stage)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    design->case_rate =
        get_population_rate_control_to_case(design->control_rate, design->odds_ratio);
    const double alpha = design->alpha[stage];
    const std::int32_t *counts = design->sample_size[stage];
    const double n_cases = counts[0];
    const double n_controls = counts[1];
    const double p1 = design->case_rate;
    const double p0 = design->control_rate;

    const double rates[2] = {p1, p0};
    const double pooled = get_general_population_rate(rates, counts);
    // Standard errors of the rate difference without and with association.
    const double sigma_null = std::sqrt((1 - pooled) * pooled * (1 / n_controls + 1 / n_cases));
    const double sigma_alt = std::sqrt((1 - p1) * p1 / n_cases + (1 - p0) * p0 / n_controls);

    const double z_hi = MTH_qnorm(1 - alpha / 2, kQuantileTolerance);
    const double z_lo = MTH_qnorm(alpha / 2, kQuantileTolerance);

    const double lower_tail = MTH_pnorm((sigma_null * z_lo - p1 + p0) / sigma_alt);
    const double upper_cut = MTH_pnorm((sigma_null * z_hi - p1 + p0) / sigma_alt);
    return (lower_tail + 1) - upper_cut;
}

}  // extern "C"
