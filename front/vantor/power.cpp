// vantor power: the single-stage study. Exactly one of cases, controls,
// odds ratio and power is left open and solved, as R's power.prop.test does.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "front/vantor/command.h"
#include "power/result.h"
#include "power/study.h"

namespace vantor_cli {

namespace {

enum : std::size_t {
    kCases,
    kControls,
    kControlsPerCase,
    kCasesPerControl,
    kOddsRatio,
    kDirection,
    kRate,
    kAlpha,
    kTarget,
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

// The controls of a request that gives the cases: given, or from the ratio.
std::int64_t controls_of(const Request &request) {
    return request[kControlsPerCase]
               ? controls_at_ratio(count_of(request[kCases]), *request[kControlsPerCase])
               : count_of(request[kControls]);
}

constexpr const char *kLeaveOneOpen =
    "leave exactly one of --cases, --controls (or --controls-per-case), --odds-ratio and "
    "--target-power open: that one is solved";

// Empty, or what is wrong with which inputs the request gives.
std::string check_presence(const Request &request) {
    const Command &command = power_command();
    const int partners = (request[kControls] ? 1 : 0) + (request[kControlsPerCase] ? 1 : 0) +
                         (request[kCasesPerControl] ? 1 : 0);
    if (partners > 1) {
        return "give one of --controls, --controls-per-case and --cases-per-control";
    }
    if (request[kCasesPerControl] && (request[kCases] || !request[kTarget])) {
        return "--cases-per-control solves the cases and controls together: give --target-power "
               "and leave --cases open";
    }
    if (request[kDirection] && (request[kOddsRatio] || !request[kTarget])) {
        return "--direction chooses the side of 1 of the odds ratio found: give --target-power "
               "and leave --odds-ratio open";
    }
    if (!request[kRate]) {
        return missing(command, kRate, "");
    }
    const bool partner = partners > 0;
    if (!request[kTarget]) {
        // The power is asked: every other input is needed.
        const char *hint = "or leave it as the one input open and give --target-power";
        if (!request[kCases]) {
            return missing(command, kCases, hint);
        }
        if (!partner) {
            return missing(command, kControls,
                           "or give --controls-per-case; or leave it open and give "
                           "--target-power");
        }
        return request[kOddsRatio] ? "" : missing(command, kOddsRatio, hint);
    }
    const int open = (request[kCases] ? 0 : 1) + (partner ? 0 : 1) + (request[kOddsRatio] ? 0 : 1);
    // Cases per control leaves both counts open, solved as one.
    const bool one_open = request[kCasesPerControl] ? request[kOddsRatio].has_value() : open == 1;
    return one_open ? "" : kLeaveOneOpen;
}

std::string check(const Request &request, std::int32_t unit) {
    const Command &command = power_command();
    std::string problem = check_presence(request);
    if (!problem.empty()) {
        return problem;
    }
    const STU_study study = study_of(command, request, unit);
    const std::int32_t reason = STU_check_study(&study, request[kOddsRatio] ? 1 : 0);
    if (reason != SLV_REASON_NONE) {
        return refusal_for(command, request, reason, study);
    }
    problem = check_values(command, request, study);
    if (!problem.empty() || !request[kControlsPerCase] || !request[kCases]) {
        return problem;
    }
    const std::int32_t controls = SLV_check_controls(controls_of(request), unit);
    return controls == SLV_REASON_NONE ? "" : refusal(command, request, kControlsPerCase, controls);
}

// The controls a ratio gave, shown in their column.
void show_controls(const Request &request, Outcome &outcome) {
    if (request[kControlsPerCase] && request[kCases]) {
        outcome.worked_out.emplace_back(kControls, Cell::whole(controls_of(request)));
    }
}

Outcome power_of(const Request &request, const STU_study &study) {
    Outcome outcome;
    outcome.record = REC_POWER_RESULT;
    STU_power(&study, count_of(request[kCases]), controls_of(request), &outcome.as.power);
    show_controls(request, outcome);
    return outcome;
}

Outcome size_of(const Request &request, const STU_study &study) {
    Outcome outcome;
    outcome.record = REC_SIZE_RESULT;
    STU_size_result &size = outcome.as.size;
    const double target = *request[kTarget];
    if (request[kCasesPerControl]) {
        STU_controls_for_ratio(&study, *request[kCasesPerControl], target, &size);
    } else if (request[kControlsPerCase]) {
        STU_cases_for_ratio(&study, *request[kControlsPerCase], target, &size);
    } else if (request[kControls]) {
        STU_cases_for_controls(&study, count_of(request[kControls]), target, &size);
    } else {
        STU_controls_for_cases(&study, count_of(request[kCases]), target, &size);
    }
    return outcome;
}

// The odds ratio on the side asked, or on each side of 1.
Outcomes odds_ratios_of(const Request &request, const STU_study &study) {
    const Command &command = power_command();
    const Parameter &direction = command.parameters[kDirection];
    std::vector<std::size_t> sides;
    if (request[kDirection]) {
        sides.push_back(static_cast<std::size_t>(*request[kDirection]));
    } else {
        for (std::size_t i = 0; i < direction.codes.size(); ++i) {
            sides.push_back(i);
        }
    }
    Outcomes outcomes;
    for (const std::size_t side : sides) {
        Outcome outcome;
        outcome.record = REC_EFFECT_RESULT;
        STU_odds_ratio(&study, count_of(request[kCases]), controls_of(request), *request[kTarget],
                       direction.codes[side], &outcome.as.effect);
        show_controls(request, outcome);
        outcome.worked_out.emplace_back(kDirection, Cell::word(direction.words[side]));
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

Outcomes answer(const Request &request, std::int32_t unit) {
    const STU_study study = study_of(power_command(), request, unit);
    if (!request[kTarget]) {
        return {power_of(request, study)};
    }
    if (!request[kOddsRatio]) {
        return odds_ratios_of(request, study);
    }
    return {size_of(request, study)};
}

std::int32_t check_cases(double value, const STU_study &study) {
    return SLV_check_cases(static_cast<std::int64_t>(value), study.unit);
}

std::int32_t check_controls(double value, const STU_study &study) {
    return SLV_check_controls(static_cast<std::int64_t>(value), study.unit);
}

std::int32_t check_ratio(double value, const STU_study &study) {
    return SLV_check_ratio(value, study.unit);
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
        "--cases-per-control and --cases open, the cases and controls are solved together. With "
        "the odds ratio open, the detectable odds ratio above 1 and the one below 1 are found, "
        "one row each (--direction above or below chooses one). A solved size is the smallest "
        "from which every larger size reaches the target power. The level --alpha is 5e-8 "
        "(genome-wide significance) unless given, and every row shows it.\n\n"
        "Examples:\n"
        "  vantor power --cases 2000 --controls 2000 --odds-ratio 1.3 --control-rate 0.3\n"
        "  vantor power --controls-per-case 1 -o 1.2 -r 0.3 --target-power 0.8\n"
        "  vantor power -n 2000 -m 2000 -r 0.3 -a 5e-8 -p 0.8 --direction above --format csv";
    Parameter cases{"cases", "n", Kind::Count, "number of cases"};
    cases.reasons = {"BAD_CASES"};
    cases.check = check_cases;
    Parameter controls{"controls", "m", Kind::Count, "number of controls"};
    controls.reasons = {"BAD_CONTROLS"};
    controls.check = check_controls;
    Parameter controls_per_case{"controls-per-case", "", Kind::Real,
                                "controls per case, instead of --controls"};
    controls_per_case.reasons = {"BAD_RATIO", "BAD_CONTROLS"};
    controls_per_case.check = check_ratio;
    Parameter cases_per_control{"cases-per-control", "", Kind::Real,
                                "cases per control: the cases and controls are solved together"};
    cases_per_control.reasons = {"BAD_RATIO"};
    cases_per_control.check = check_ratio;
    Parameter direction{"direction", "", Kind::Word,
                        "the side of 1 of the odds ratio found: above or below (default both)",
                        "direction"};
    direction.reasons = {"BAD_DIRECTION"};
    command.parameters = {
        cases,
        controls,
        controls_per_case,
        cases_per_control,
        odds_ratio_parameter(),
        direction,
        control_rate_parameter(),
        alpha_parameter("two-sided significance level, in [1e-12, 1)"),
        target_power_parameter(),
        variance_parameter(),
    };
    command.records = {REC_POWER_RESULT, REC_SIZE_RESULT, REC_EFFECT_RESULT};
    command.check = check;
    command.answer = answer;
    finish_command(command);
    return command;
}

}  // namespace

const Command &power_command() {
    static const Command command = make_command();
    return command;
}

}  // namespace vantor_cli
