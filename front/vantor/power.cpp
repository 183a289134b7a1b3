// vantor power: the single-stage study. Exactly one of cases, controls,
// effect (the odds ratio, or a disease model's relative risk) and power is
// left open and solved, as R's power.prop.test does.
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
    kFrequency,
    kPrevalence,
    kModel,
    kRelativeRisk,
    kHeterozygoteRisk,
    kHomozygoteRisk,
    kControlsKind,
    kMarkerFrequency,
    kDPrime,
    kRSquared,
    kTest,
    kMarkers,
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
    "leave exactly one of --cases, --controls (or --controls-per-case), the effect (--odds-ratio, "
    "or a disease model's --relative-risk) and --target-power open: that one is solved";

// The parameter holding the effect the request may leave open: the odds
// ratio, or a disease model's relative risk (the free model's two risks
// are never solved: the library refuses them as an unknown).
std::size_t effect_of(const Request &request) {
    return describes_disease(power_command(), request) ? kRelativeRisk : kOddsRatio;
}

// Whether the request gives its effect in full.
bool effect_known(const Request &request) {
    if (free_model(power_command(), request)) {
        return request[kHeterozygoteRisk] && request[kHomozygoteRisk];
    }
    return request[effect_of(request)].has_value();
}

// Empty, or what is wrong with which inputs the request gives.
std::string check_presence(const Request &request) {
    const Command &command = power_command();
    std::string effect_problem = check_effect_inputs(command, request);
    if (!effect_problem.empty()) {
        return effect_problem;
    }
    const bool known = effect_known(request);
    const std::size_t effect = effect_of(request);
    const std::string effect_option = "--" + command.parameters[effect].name;
    const int partners = (request[kControls] ? 1 : 0) + (request[kControlsPerCase] ? 1 : 0) +
                         (request[kCasesPerControl] ? 1 : 0);
    if (partners > 1) {
        return "give one of --controls, --controls-per-case and --cases-per-control";
    }
    if (request[kCasesPerControl] && (request[kCases] || !request[kTarget])) {
        return "--cases-per-control solves the cases and controls together: give --target-power "
               "and leave --cases open";
    }
    if (request[kDirection] && (known || !request[kTarget])) {
        return "--direction chooses the side of 1 of the " +
               std::string(effect == kOddsRatio ? "odds ratio" : "relative risk") +
               " found: give --target-power and leave " + effect_option + " open";
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
        if (known) {
            return "";
        }
        return free_model(command, request)
                   ? missing(command,
                             request[kHeterozygoteRisk] ? kHomozygoteRisk : kHeterozygoteRisk,
                             "the free model's two risks")
                   : missing(command, effect, hint);
    }
    const int open = (request[kCases] ? 0 : 1) + (partner ? 0 : 1) + (known ? 0 : 1);
    // Cases per control leaves both counts open, solved as one.
    const bool one_open = request[kCasesPerControl] ? known : open == 1;
    return one_open ? "" : kLeaveOneOpen;
}

std::string check(const Request &request, std::int32_t unit) {
    const Command &command = power_command();
    std::string problem = check_presence(request);
    if (!problem.empty()) {
        return problem;
    }
    const STU_study study = study_of(command, request, unit);
    const std::int32_t reason = STU_check_study(&study, effect_known(request) ? 1 : 0);
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

// The sides of 1 asked: the one of --direction, or both (by position
// among the direction's words).
std::vector<std::size_t> sides_of(const Request &request) {
    std::vector<std::size_t> sides;
    if (request[kDirection]) {
        sides.push_back(static_cast<std::size_t>(*request[kDirection]));
    } else {
        for (std::size_t i = 0; i < power_command().parameters[kDirection].codes.size(); ++i) {
            sides.push_back(i);
        }
    }
    return sides;
}

// The disease model's relative risk on the side asked, or on each side of 1.
Outcomes relative_risks_of(const Request &request, const STU_study &study) {
    const Parameter &direction = power_command().parameters[kDirection];
    Outcomes outcomes;
    for (const std::size_t side : sides_of(request)) {
        Outcome outcome;
        outcome.record = REC_RISK_RESULT;
        STU_relative_risk(&study, count_of(request[kCases]), controls_of(request),
                          *request[kTarget], direction.codes[side], &outcome.as.risk);
        show_controls(request, outcome);
        outcome.worked_out.emplace_back(kDirection, Cell::word(direction.words[side]));
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

// The odds ratio on the side asked, or on each side of 1.
Outcomes odds_ratios_of(const Request &request, const STU_study &study) {
    const Command &command = power_command();
    const Parameter &direction = command.parameters[kDirection];
    Outcomes outcomes;
    for (const std::size_t side : sides_of(request)) {
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
    if (!effect_known(request)) {
        return study.effect_kind == STU_EFFECT_DISEASE ? relative_risks_of(request, study)
                                                       : odds_ratios_of(request, study);
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
        "single-stage study: solve the one of cases, controls, effect and "
        "power left open";
    command.description =
        "Single-stage study. The effect is an allelic odds ratio with the risk-allele rate among "
        "controls (--odds-ratio, --control-rate), or a disease model: the risk allele's "
        "--frequency, the disease's --prevalence, the genetic --model and its --relative-risk "
        "(the free model: --heterozygote-risk and --homozygote-risk), the --controls-kind, and a "
        "marker in linkage disequilibrium with the risk allele (--marker-frequency with --d-prime "
        "or --r-squared; neither: the marker is the causal variant). --test chooses the "
        "association test (allelic; with a disease model also trend, dominant, recessive or "
        "genotypic, which count people).\n\n"
        "Leave exactly one of --cases, --controls (or --controls-per-case), the effect "
        "(--odds-ratio or --relative-risk) and --target-power open: it is solved; with "
        "--cases-per-control and --cases open, the cases and controls are solved together. With "
        "the effect open, the detectable odds ratio (or relative risk) above 1 and the one below "
        "1 are found, one row each (--direction above or below chooses one). A solved size is "
        "the smallest from which every larger size reaches the target power. The level --alpha "
        "is 5e-8 (genome-wide significance) unless given; with --markers M above 1 it is 0.05, "
        "the study-wide level, and each marker is tested at alpha / M (marker-alpha). Every row "
        "shows the level, and what the test sees at the marker: the risk-allele rates among "
        "cases and controls and the allelic odds ratio they imply.\n\n"
        "Examples:\n"
        "  vantor power --cases 2000 --controls 2000 --odds-ratio 1.3 --control-rate 0.3\n"
        "  vantor power --controls-per-case 1 -o 1.2 -r 0.3 --target-power 0.8\n"
        "  vantor power -n 2000 -m 2000 -r 0.3 -a 5e-8 -p 0.8 --direction above --format csv\n"
        "  vantor power --frequency 0.2 --prevalence 0.1 --relative-risk 1.5 --model additive \\\n"
        "      --test trend --markers 1e6 --cases 1000 --controls 2000";
    Parameter cases{"cases", "n", Kind::Count, "number of cases"};
    cases.check = check_cases;
    Parameter controls{"controls", "m", Kind::Count, "number of controls"};
    controls.check = check_controls;
    Parameter controls_per_case{"controls-per-case", "", Kind::Real,
                                "controls per case, instead of --controls"};
    // Its controls are refused as the controls are.
    controls_per_case.answers_for = {"controls"};
    controls_per_case.check = check_ratio;
    Parameter cases_per_control{"cases-per-control", "", Kind::Real,
                                "cases per control: the cases and controls are solved together"};
    // A ratio of the groups, refused as controls per case is.
    cases_per_control.answers_for = {"controls_per_case"};
    cases_per_control.check = check_ratio;
    Parameter direction{"direction", "", Kind::Word,
                        "the side of 1 of the odds ratio (or relative risk) found: above or below "
                        "(default both)",
                        "direction"};
    command.parameters = {
        cases,
        controls,
        controls_per_case,
        cases_per_control,
        odds_ratio_parameter(),
        direction,
        control_rate_parameter(),
    };
    for (Parameter &input : disease_model_parameters()) {
        command.parameters.push_back(std::move(input));
    }
    command.parameters.push_back(
        test_parameter("association test: allelic (default), or with a disease model trend, "
                       "dominant, recessive or genotypic"));
    command.parameters.push_back(markers_parameter());
    command.parameters.push_back(
        alpha_parameter("two-sided significance level (study-wide), in [1e-12, 1)"));
    command.parameters.push_back(target_power_parameter());
    command.parameters.push_back(variance_parameter());
    command.records = {REC_POWER_RESULT, REC_SIZE_RESULT, REC_EFFECT_RESULT, REC_RISK_RESULT};
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
