// The library's questions with flat arguments, for the page's WebAssembly
// module: each answer is written into one static array of doubles that the
// page reads after the call (the module is single-threaded, one per worker).
// Counts are in the unit given (1 allele, 2 people); the library's records
// and messages are used as they are.
#include <cstdint>

#include "power/design.h"
#include "power/power_func.h"
#include "power/solve.h"
#include "power/statistic.h"

namespace {

// status, reason, then the question's values (see each function).
double answer[16];

void put_size(const SLV_size_result &r, std::int32_t unit) {
    answer[0] = r.status;
    answer[1] = r.reason;
    answer[2] = static_cast<double>(r.cases) / unit;
    answer[3] = static_cast<double>(r.controls) / unit;
    answer[4] = r.power;
}

void put_design(const DSN_design_result &r) {
    answer[0] = r.status;
    answer[1] = r.reason;
    answer[2] = static_cast<double>(r.total);
    answer[3] = r.cases[0];
    answer[4] = r.controls[0];
    answer[5] = r.cases[1];
    answer[6] = r.controls[1];
    answer[7] = r.stage0_share;
    answer[8] = r.alpha[0];
    answer[9] = r.alpha[1];
    answer[10] = r.alpha[2];
    answer[11] = r.power;
    answer[12] = r.cost;
    answer[13] = static_cast<double>(r.one_stage_total);
    answer[14] = r.relative_cost;
}

DSN_study study_of(std::int32_t method, double odds_ratio, double rate, double alpha2,
                   double case_fraction, std::int32_t unit, std::int32_t statistic) {
    return {method, odds_ratio, rate, alpha2, case_fraction, unit, statistic};
}

}  // namespace

extern "C" {

double *web_answer() { return answer; }

const char *web_message(std::int32_t reason) { return SLV_message(reason); }

// Checks in the library's words: 0, or the reason code of the refusal.
std::int32_t web_check_count(double count, std::int32_t unit, std::int32_t cases) {
    if (count != static_cast<double>(static_cast<std::int64_t>(count)) || !(count >= 0) ||
        count > 4e18) {
        return cases != 0 ? SLV_REASON_BAD_CASES : SLV_REASON_BAD_CONTROLS;
    }
    const auto n = static_cast<std::int64_t>(count);
    return cases != 0 ? SLV_check_cases(n, unit) : SLV_check_controls(n, unit);
}
std::int32_t web_check_rate(double rate) { return SLV_check_control_rate(rate); }
std::int32_t web_check_alpha(double alpha) { return SLV_check_alpha(alpha); }
std::int32_t web_check_odds_ratio(double odds_ratio) { return SLV_check_odds_ratio(odds_ratio); }
std::int32_t web_check_target(double target, double alpha) {
    return SLV_check_target_power(target, alpha);
}
std::int32_t web_check_stage0_alpha(std::int32_t method, double alpha0, double alpha2) {
    return DSN_check_stage0_alpha(method, alpha0, alpha2);
}
std::int32_t web_check_share(double share) { return DSN_check_stage0_share(share); }
std::int32_t web_check_cost_ratio(double ratio) { return DSN_check_cost_ratio(ratio); }

// Every question below takes the test's statistic last: PWR_STATISTIC_POOLED
// or PWR_STATISTIC_UNPOOLED (the page's select offers only these).

// Power of the single-stage test; counts in units.
double web_single_power(double cases, double controls, double odds_ratio, double rate, double alpha,
                        std::int32_t unit, std::int32_t statistic) {
    PWR_design design = PWR_DESIGN_INIT;
    design.sample_size[0][0] = static_cast<std::int32_t>(cases * unit);
    design.sample_size[0][1] = static_cast<std::int32_t>(controls * unit);
    design.odds_ratio = odds_ratio;
    design.control_rate = rate;
    design.alpha[0] = alpha;
    return PWR_single_step_power(&design, 0, statistic);
}

// Cases (answer[2]) and controls (answer[3]) for `controls_per_case`.
std::int32_t web_cases_for_ratio(double controls_per_case, double odds_ratio, double rate,
                                 double alpha, double target, std::int32_t unit,
                                 std::int32_t statistic) {
    SLV_size_result r{};
    SLV_cases_for_ratio_with_statistic(controls_per_case, odds_ratio, rate, alpha, target, unit,
                                       statistic, &r);
    put_size(r, unit);
    return r.status;
}

// Detectable odds ratio above 1 (above != 0) or below 1: answer[2], power answer[3].
std::int32_t web_odds_ratio(double cases, double controls, double rate, double alpha, double target,
                            std::int32_t unit, std::int32_t above, std::int32_t statistic) {
    SLV_effect_result r{};
    const auto case_alleles = static_cast<std::int32_t>(cases * unit);
    const auto control_alleles = static_cast<std::int32_t>(controls * unit);
    if (above != 0) {
        SLV_odds_ratio_above_one_with_statistic(case_alleles, control_alleles, rate, alpha, target,
                                                statistic, &r);
    } else {
        SLV_odds_ratio_below_one_with_statistic(case_alleles, control_alleles, rate, alpha, target,
                                                statistic, &r);
    }
    answer[0] = r.status;
    answer[1] = r.reason;
    answer[2] = r.odds_ratio;
    answer[3] = r.power;
    return r.status;
}

// Two-stage power of given counts (units); the design record in answer.
std::int32_t web_two_stage_power(std::int32_t method, double cases0, double controls0,
                                 double cases1, double controls1, double odds_ratio, double rate,
                                 double alpha0, double alpha2, std::int32_t unit,
                                 std::int32_t statistic) {
    const DSN_study study = study_of(method, odds_ratio, rate, alpha2, 0.5, unit, statistic);
    const std::int32_t cases[2] = {static_cast<std::int32_t>(cases0),
                                   static_cast<std::int32_t>(cases1)};
    const std::int32_t controls[2] = {static_cast<std::int32_t>(controls0),
                                      static_cast<std::int32_t>(controls1)};
    DSN_design_result r{};
    DSN_two_stage_power(&study, cases, controls, alpha0, &r);
    put_design(r);
    return r.status;
}

std::int32_t web_smallest_total(std::int32_t method, double odds_ratio, double rate, double alpha0,
                                double alpha2, double target, double share, std::int32_t unit,
                                std::int32_t statistic) {
    const DSN_study study = study_of(method, odds_ratio, rate, alpha2, 0.5, unit, statistic);
    DSN_design_result r{};
    DSN_smallest_total(&study, share, alpha0, target, &r);
    put_design(r);
    return r.status;
}

std::int32_t web_cheapest_design(std::int32_t method, double odds_ratio, double rate, double alpha2,
                                 double target, double cost_ratio, std::int32_t unit,
                                 std::int32_t statistic) {
    const DSN_study study = study_of(method, odds_ratio, rate, alpha2, 0.5, unit, statistic);
    DSN_design_result r{};
    DSN_cheapest_design(&study, target, cost_ratio, &r);
    put_design(r);
    return r.status;
}

}  // extern "C"
