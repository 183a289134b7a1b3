// A plan's defaults and checks.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "search/plan.h"
// clang-format on

#include <cmath>
#include <cstdint>
#include <limits>

#include "status/first_refusal.h"
#include "status/status.h"

namespace {

using vantor::first_refusal;

std::int32_t check_costs(const DSN_costs &costs, std::int32_t count) {
    if (costs.money == 0) {
        return VANTOR_REASON_NONE;
    }
    if (costs.money != 1) {
        return VANTOR_REASON_BAD_MONEY;
    }
    return first_refusal(
        {DSN_check_money(costs.stage1_cost_per_person, 1),
         DSN_check_money(costs.stage2_cost_per_person, 0),
         DSN_check_money(costs.stage2_cost_per_genotype, 0), DSN_check_money(costs.fixed[0], 0),
         DSN_check_money(costs.fixed[1], 0),
         count == VANTOR_COUNT_PEOPLE ? VANTOR_REASON_NONE : VANTOR_REASON_MONEY_COUNTS_PEOPLE});
}

// Whether the fixed level or share is not a number (searched) or usable; its
// room against the overall level is the question's to check.
bool fixed_or_searched(double value) { return std::isnan(value) || (value > 0 && value < 1); }

std::int32_t check_limits(const DSN_limits &limits, std::int32_t count) {
    const bool fractions = limits.per_stage_fractions == 0 || limits.per_stage_fractions == 1;
    return first_refusal({DSN_check_available(limits.cases_available, 2, count),
                          DSN_check_available(limits.controls_available, 2, count),
                          DSN_check_available(limits.stage_controls_available[0], 1, count),
                          DSN_check_available(limits.stage_controls_available[1], 1, count),
                          DSN_check_panel(limits.panel),
                          fixed_or_searched(limits.stage1_alpha) ? VANTOR_REASON_NONE
                                                                 : VANTOR_REASON_BAD_STAGE1_ALPHA,
                          fixed_or_searched(limits.stage1_share) ? VANTOR_REASON_NONE
                                                                 : VANTOR_REASON_BAD_STAGE1_SHARE,
                          fractions ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_CASE_FRACTION});
}

// A panel or a cost per stage 2 genotype counts markers: one marker would
// make either meaningless.
std::int32_t check_markers_counted(const DSN_plan &plan) {
    const bool counts_markers =
        plan.limits.panel > 0 || (plan.costs.money == 1 && plan.costs.stage2_cost_per_genotype > 0);
    return counts_markers && !(plan.markers > 1) ? VANTOR_REASON_PLAN_NEEDS_MARKERS
                                                 : VANTOR_REASON_NONE;
}

}  // namespace

extern "C" {

void DSN_plan_init(DSN_plan *plan) {
    constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
    *plan = DSN_plan{};
    plan->markers = 1;
    plan->costs.cost_ratio = 1;
    plan->limits.stage1_alpha = kNotANumber;
    plan->limits.stage1_share = kNotANumber;
}

std::int32_t DSN_check_available(std::int64_t available, std::int64_t least, std::int32_t unit) {
    if (available == 0) {
        return VANTOR_REASON_NONE;
    }
    const std::int64_t most = 2 * (std::int64_t{VANTOR_LARGEST_COUNT} / (unit == 1 ? 1 : 2));
    return available >= least && available <= most ? VANTOR_REASON_NONE
                                                   : VANTOR_REASON_BAD_AVAILABLE;
}

std::int32_t DSN_check_panel(double panel) {
    return panel == 0 || (std::isfinite(panel) && panel >= 1) ? VANTOR_REASON_NONE
                                                              : VANTOR_REASON_BAD_PANEL;
}

std::int32_t DSN_check_money(double cost, std::int32_t positive) {
    const bool usable = cost <= DSN_LARGEST_MONEY && (positive != 0 ? cost > 0 : cost >= 0);
    return usable ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_MONEY;
}

std::int32_t DSN_check_plan(const DSN_plan *plan, std::int32_t count) {
    const bool markers = std::isfinite(plan->markers) && plan->markers >= 1;
    return first_refusal({markers ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_MARKERS,
                          std::isfinite(plan->costs.cost_ratio) && plan->costs.cost_ratio > 0
                              ? VANTOR_REASON_NONE
                              : VANTOR_REASON_BAD_COST_RATIO,
                          check_costs(plan->costs, count), check_limits(plan->limits, count),
                          check_markers_counted(*plan)});
}

}  // extern "C"
