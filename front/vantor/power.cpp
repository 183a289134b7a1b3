// vantor power: the single-stage study. Exactly one of cases, controls,
// odds ratio and power is left open and solved, as R's power.prop.test does.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "front/vantor/command.h"
#include "power/power_func.h"
#include "power/solve.h"
#include "power/statistic.h"
#include "power/study.h"

namespace vantor_cli {

namespace {

enum : std::size_t {
    kCases,
    kControls,
    kRatio,
    kCasesPerControl,
    kOddsRatio,
    kRate,
    kAlpha,
    kPower,
    kVariance
};

std::int64_t count_of(const std::optional<double> &value) {
    return static_cast<std::int64_t>(*value);
}

// Controls for `cases` at `ratio` controls per case, rounded as the
// library's ratio solvers round them: halves up, at least one.
std::int64_t controls_at_ratio(std::int64_t cases, double ratio) {
    return std::max<std::int64_t>(
        1, static_cast<std::int64_t>(std::floor(ratio * static_cast<double>(cases) + 0.5)));
}

std::string check_presence(const Request &request) {
    if ((request[kControls] ? 1 : 0) + (request[kRatio] ? 1 : 0) +
            (request[kCasesPerControl] ? 1 : 0) >
        1) {
        return "give one of --controls, --controls-per-case and --cases-per-control";
    }
    if (request[kCasesPerControl] && request[kCases]) {
        return "--cases-per-control solves the cases and controls together: leave --cases open";
    }
    if (!request[kRate]) {
        return "--control-rate is needed: the risk-allele rate among controls, such as 0.3";
    }
    const bool partner = request[kControls] || request[kRatio] || request[kCasesPerControl];
    int open = 0;
    for (const bool given : {request[kCases].has_value(), partner, request[kOddsRatio].has_value(),
                             request[kPower].has_value()}) {
        open += given ? 0 : 1;
    }
    if (open != 1) {
        return "leave exactly one of --cases, --controls (or --controls-per-case), --odds-ratio "
               "and --target-power open: that one is solved";
    }
    return "";
}

// The library's check of each given value, in the order of the options.
std::int32_t first_refused(const Request &request, std::int32_t unit, std::size_t *parameter) {
    const auto refuse = [parameter](std::size_t which, std::int32_t reason) {
        *parameter = which;
        return reason;
    };
    std::int32_t reason = SLV_REASON_NONE;
    if (request[kCases] && (reason = SLV_check_cases(count_of(request[kCases]), unit)) != 0) {
        return refuse(kCases, reason);
    }
    if (request[kControls] &&
        (reason = SLV_check_controls(count_of(request[kControls]), unit)) != 0) {
        return refuse(kControls, reason);
    }
    if (request[kRatio] && (reason = SLV_check_ratio(*request[kRatio], unit)) != 0) {
        return refuse(kRatio, reason);
    }
    if (request[kCasesPerControl] &&
        (reason = SLV_check_ratio(*request[kCasesPerControl], unit)) != 0) {
        return refuse(kCasesPerControl, reason);
    }
    if ((reason = SLV_check_control_rate(*request[kRate])) != 0) {
        return refuse(kRate, reason);
    }
    if ((reason = SLV_check_alpha(*request[kAlpha])) != 0) {
        return refuse(kAlpha, reason);
    }
    // The power of a study with no effect is its level: an odds ratio of 1 is
    // refused only where an effect is needed.
    const bool power_open = !request[kPower];
    if (request[kOddsRatio] && !(power_open && *request[kOddsRatio] == 1.0) &&
        (reason = SLV_check_odds_ratio(*request[kOddsRatio])) != 0) {
        return refuse(kOddsRatio, reason);
    }
    if (request[kPower] &&
        (reason = SLV_check_target_power(*request[kPower], *request[kAlpha])) != 0) {
        return refuse(kPower, reason);
    }
    if ((reason = SLV_check_statistic(statistic_of(request, kVariance))) != 0) {
        return refuse(kVariance, reason);
    }
    if (request[kRatio] && request[kCases]) {
        const std::int64_t controls =
            controls_at_ratio(count_of(request[kCases]), *request[kRatio]);
        if ((reason = SLV_check_controls(controls, unit)) != 0) {
            return refuse(kRatio, reason);
        }
    }
    return SLV_REASON_NONE;
}

std::string check(const Request &request, std::int32_t unit) {
    std::string missing = check_presence(request);
    if (!missing.empty()) {
        return missing;
    }
    std::size_t parameter = 0;
    const std::int32_t reason = first_refused(request, unit, &parameter);
    return reason == SLV_REASON_NONE ? "" : refusal(power_command(), request, parameter, reason);
}

// What one row holds besides its inputs.
struct Outcome {
    std::int64_t cases = 0;     // in units; 0 when not found
    std::int64_t controls = 0;  // in units; 0 when not found
    double odds_ratio = NAN;
    double odds_ratio_below = NAN;
    double power = NAN;
    std::int32_t status = SLV_FOUND;
    std::int32_t reason = SLV_REASON_NONE;
};

bool few_expected_alleles(double alleles, double rate) {
    return alleles * std::min(rate, 1.0 - rate) < SLV_FEW_EXPECTED_ALLELES;
}

Outcome power_of(const Request &request, std::int32_t unit) {
    Outcome outcome;
    outcome.cases = count_of(request[kCases]);
    outcome.controls = request[kRatio] ? controls_at_ratio(outcome.cases, *request[kRatio])
                                       : count_of(request[kControls]);
    PWR_design design = PWR_DESIGN_INIT;
    design.alpha[0] = *request[kAlpha];
    design.sample_size[0][0] = static_cast<std::int32_t>(outcome.cases * unit);
    design.sample_size[0][1] = static_cast<std::int32_t>(outcome.controls * unit);
    design.odds_ratio = *request[kOddsRatio];
    design.control_rate = *request[kRate];
    outcome.odds_ratio = design.odds_ratio;
    outcome.power = PWR_single_step_power(&design, 0, statistic_of(request, kVariance));
    if (few_expected_alleles(design.sample_size[0][0], design.case_rate) ||
        few_expected_alleles(design.sample_size[0][1], design.control_rate)) {
        outcome.status = SLV_FOUND_WITH_WARNING;
        outcome.reason = SLV_REASON_FEW_EXPECTED_ALLELES;
    }
    return outcome;
}

Outcome size_of(const Request &request, std::int32_t unit) {
    const double odds_ratio = *request[kOddsRatio];
    const double rate = *request[kRate];
    const double alpha = *request[kAlpha];
    const double target = *request[kPower];
    const std::int32_t statistic = statistic_of(request, kVariance);
    SLV_size_result result{};
    Outcome outcome;
    if (request[kCasesPerControl]) {
        STU_study study;
        STU_study_init(&study);
        study.effect.allelic.odds_ratio = odds_ratio;
        study.effect.allelic.control_rate = rate;
        study.alpha = alpha;
        study.unit = unit;
        study.statistic = statistic;
        STU_size_result size{};
        STU_controls_for_ratio(&study, *request[kCasesPerControl], target, &size);
        outcome.cases = size.cases;
        outcome.controls = size.controls;
        outcome.odds_ratio = odds_ratio;
        outcome.power = size.power;
        outcome.status = size.status;
        outcome.reason = size.reason;
        return outcome;
    }
    if (!request[kCases]) {
        if (request[kRatio]) {
            SLV_cases_for_ratio_with_statistic(*request[kRatio], odds_ratio, rate, alpha, target,
                                               unit, statistic, &result);
        } else {
            const auto controls = static_cast<std::int32_t>(count_of(request[kControls]) * unit);
            SLV_cases_for_controls_with_statistic(controls, odds_ratio, rate, alpha, target, unit,
                                                  statistic, &result);
        }
    } else {
        const auto cases = static_cast<std::int32_t>(count_of(request[kCases]) * unit);
        SLV_controls_for_cases_with_statistic(cases, odds_ratio, rate, alpha, target, unit,
                                              statistic, &result);
    }
    outcome.cases = result.cases / unit;
    outcome.controls = result.controls / unit;
    outcome.odds_ratio = odds_ratio;
    outcome.power = result.power;
    outcome.status = result.status;
    outcome.reason = result.reason;
    return outcome;
}

Outcome odds_ratio_of(const Request &request, std::int32_t unit) {
    Outcome outcome;
    outcome.cases = count_of(request[kCases]);
    outcome.controls = request[kRatio] ? controls_at_ratio(outcome.cases, *request[kRatio])
                                       : count_of(request[kControls]);
    const auto cases = static_cast<std::int32_t>(outcome.cases * unit);
    const auto controls = static_cast<std::int32_t>(outcome.controls * unit);
    SLV_effect_result above{};
    SLV_effect_result below{};
    const std::int32_t statistic = statistic_of(request, kVariance);
    SLV_odds_ratio_above_one_with_statistic(cases, controls, *request[kRate], *request[kAlpha],
                                            *request[kPower], statistic, &above);
    SLV_odds_ratio_below_one_with_statistic(cases, controls, *request[kRate], *request[kAlpha],
                                            *request[kPower], statistic, &below);
    outcome.odds_ratio = above.odds_ratio;
    outcome.odds_ratio_below = below.odds_ratio;
    outcome.power = above.power;
    const bool below_worse = below.status > above.status;
    outcome.status = below_worse ? below.status : above.status;
    outcome.reason = below_worse ? below.reason : above.reason;
    return outcome;
}

Outcome solve(const Request &request, std::int32_t unit) {
    if (!request[kPower]) {
        return power_of(request, unit);
    }
    if (!request[kOddsRatio]) {
        return odds_ratio_of(request, unit);
    }
    return size_of(request, unit);
}

Cell count_cell(std::int64_t count, std::int32_t status) {
    return status <= SLV_FOUND_WITH_WARNING ? Cell::whole(count) : Cell::missing();
}

Answer answer(const Request &request, std::int32_t unit) {
    const Command &command = power_command();
    const Outcome outcome = solve(request, unit);
    Row row;
    row.push_back(Cell::word(unit_name(unit)));
    // A given count stands in its row whatever the answer; a solved one only
    // when found.
    row.push_back(request[kCases] ? input_cell(command, request, kCases)
                                  : count_cell(outcome.cases, outcome.status));
    row.push_back(request[kControls] ? input_cell(command, request, kControls)
                                     : count_cell(outcome.controls, outcome.status));
    row.push_back(input_cell(command, request, kRatio));
    row.push_back(input_cell(command, request, kCasesPerControl));
    row.push_back(request[kOddsRatio] ? Cell::exact(outcome.odds_ratio)
                                      : Cell::measured(outcome.odds_ratio));
    row.push_back(Cell::measured(outcome.odds_ratio_below));
    row.push_back(input_cell(command, request, kRate));
    row.push_back(input_cell(command, request, kAlpha));
    row.push_back(input_cell(command, request, kPower));
    row.push_back(Cell::measured(outcome.power));
    add_status(row, outcome.status, outcome.reason, request[kPower].has_value());
    return {row, outcome.status};
}

Command make_command() {
    Command command;
    command.name = "power";
    command.summary =
        "single-stage study: solve the one of cases, controls, odds ratio and "
        "power left open";
    command.description =
        "Single-stage allelic test. Leave exactly one of --cases, --controls (or "
        "--controls-per-case), --odds-ratio and --target-power open: it is solved; with "
        "--cases-per-control, the cases and controls are solved together. The level --alpha "
        "is 5e-8 (genome-wide significance) unless given, and every row shows it. With the odds "
        "ratio open, both the "
        "detectable odds ratio above 1 (odds-ratio) and the one below 1 (odds-ratio-below) are "
        "given; the power column is then the power at the one above 1. A solved size is the "
        "smallest from which every larger size reaches the target power.\n\n"
        "Examples:\n"
        "  vantor power --cases 2000 --controls 2000 --odds-ratio 1.3 --control-rate 0.3\n"
        "  vantor power --controls-per-case 1 --odds-ratio 1.2 --control-rate 0.3 "
        "--target-power 0.8\n"
        "  vantor power -n 2000 -m 2000 -r 0.3 -a 5e-8 -p 0.8 --format csv";
    command.parameters = {
        {"cases", "n", Kind::Count, "number of cases", {}, ""},
        {"controls", "m", Kind::Count, "number of controls", {}, ""},
        {"controls-per-case", "", Kind::Real, "controls per case, instead of --controls", {}, ""},
        {"cases-per-control",
         "",
         Kind::Real,
         "cases per control: the cases and controls are solved together",
         {},
         ""},
        {"odds-ratio", "o", Kind::Real, "allelic odds ratio of the risk allele", {}, ""},
        {"control-rate", "r", Kind::Real, "risk-allele rate among controls, in (0, 1)", {}, ""},
        {"alpha", "a", Kind::Real, "two-sided significance level, in [1e-12, 1)", {}, "5e-8"},
        {"target-power", "p", Kind::Real, "target power, above the level and below 1", {}, ""},
        variance_parameter(),
    };
    command.columns = {"count",
                       "cases",
                       "controls",
                       "controls-per-case",
                       "cases-per-control",
                       "odds-ratio",
                       "odds-ratio-below",
                       "control-rate",
                       "alpha",
                       "target-power",
                       "power",
                       "status",
                       "reason",
                       "message"};
    command.check = check;
    command.answer = answer;
    return command;
}

}  // namespace

const Command &power_command() {
    static const Command command = make_command();
    return command;
}

}  // namespace vantor_cli
