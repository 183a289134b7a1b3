// vantor two-stage: the power and genotyping cost of a two-stage design for
// each analysis, given per stage or as a total and stage 1's share, the final
// level derived and shown; with the total left open and a target power, the
// smallest total reaching it.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "front/vantor/command.h"
#include "front/vantor/stages.h"
#include "power/design.h"
#include "power/result.h"
#include "power/study.h"

namespace vantor_cli {

namespace {

enum : std::size_t {
    kMethod,
    kTotal,
    kShare,
    kStage1Cases,
    kStage1Controls,
    kStage2Cases,
    kStage2Controls,
    kCaseFraction,
    kOddsRatio,
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
    kStage1Alpha,
    kTarget,
    kCostRatio,
    kVariance
};

constexpr std::size_t kStageCounts[] = {kStage1Cases, kStage1Controls, kStage2Cases,
                                        kStage2Controls};

std::int64_t count_of(const std::optional<double> &value) {
    return static_cast<std::int64_t>(*value);
}

// Empty, or the refusal of a total whose stages, as the library lays the
// total out, leave a group empty or beyond the largest count.
std::string check_total(const Request &request, std::int32_t unit) {
    const Command &command = two_stage_command();
    // Below 2^53 (values.h): the stages' counts fit their 64 bits.
    const std::int64_t total = count_of(request[kTotal]);
    std::int64_t cases[2] = {0, 0};
    std::int64_t controls[2] = {0, 0};
    DSN_counts_of_total(total, *request[kShare], *request[kCaseFraction], cases, controls);
    for (int stage = 0; stage < 2; ++stage) {
        if (cases[stage] < 1 || controls[stage] < 1) {
            return "--total " + std::to_string(total) +
                   ": every stage needs at least one case and one control at this --stage1-share "
                   "and --case-fraction";
        }
        std::int32_t reason = SLV_check_cases(cases[stage], unit);
        if (reason == SLV_REASON_NONE) {
            reason = SLV_check_controls(controls[stage], unit);
        }
        if (reason != SLV_REASON_NONE) {
            return refusal(command, request, kTotal, reason);
        }
    }
    return "";
}

bool has_stage_counts(const Request &request) {
    return std::any_of(std::begin(kStageCounts), std::end(kStageCounts),
                       [&request](std::size_t count) { return request[count].has_value(); });
}

// Empty, or what is wrong with which inputs the request gives.
std::string check_presence(const Request &request) {
    const Command &command = two_stage_command();
    std::string effect = check_effect_known(command, request);
    if (!effect.empty()) {
        return effect;
    }
    if (!describes_disease(command, request) && !request[kOddsRatio]) {
        return missing(command, kOddsRatio, "or describe the effect by a disease model");
    }
    if (!request[kStage1Alpha]) {
        return missing(command, kStage1Alpha, "");
    }
    if (has_stage_counts(request)) {
        for (const std::size_t count : kStageCounts) {
            if (!request[count]) {
                return missing(command, count,
                               "give all four of --stage1-cases, --stage1-controls, "
                               "--stage2-cases and --stage2-controls");
            }
        }
        if (request[kTotal] || request[kShare] || request[kTarget]) {
            return "give the four counts of the stages, or --total or --target-power with "
                   "--stage1-share, not both";
        }
        return "";
    }
    if (request[kTotal].has_value() == request[kTarget].has_value()) {
        return "give one of --total (its power is computed), --target-power (the smallest total "
               "reaching it is found) and the four counts of the stages (--stage1-cases ...)";
    }
    if (!request[kShare]) {
        return missing(command, kShare, "");
    }
    if (request[kTarget] && *request[kCostRatio] != 1) {
        return "--cost-ratio " + input_cell(command, request, kCostRatio).text +
               ": the smallest total's cost is counted at cost ratio 1; ask for the power of its "
               "--total to have its cost at another";
    }
    return "";
}

std::string check(const Request &request, std::int32_t unit) {
    const Command &command = two_stage_command();
    std::string problem = check_presence(request);
    if (!problem.empty()) {
        return problem;
    }
    const STU_study study = study_of(command, request, unit);
    problem = check_two_stage_study(command, request, study);
    if (problem.empty()) {
        problem = check_values(command, request, study);
    }
    if (problem.empty() && request[kTotal]) {
        problem = check_total(request, unit);
    }
    return problem;
}

Outcomes answer(const Request &request, std::int32_t unit) {
    const STU_study study = study_of(two_stage_command(), request, unit);
    Outcome outcome;
    outcome.record = REC_DESIGN_RESULT;
    DSN_design_result &design = outcome.as.design;
    if (has_stage_counts(request)) {
        const std::int64_t cases[2] = {count_of(request[kStage1Cases]),
                                       count_of(request[kStage2Cases])};
        const std::int64_t controls[2] = {count_of(request[kStage1Controls]),
                                          count_of(request[kStage2Controls])};
        STU_two_stage_power(&study, cases, controls, *request[kCostRatio], &design);
    } else if (request[kTotal]) {
        STU_two_stage_power_of_total(&study, count_of(request[kTotal]), *request[kShare],
                                     *request[kCostRatio], &design);
    } else {
        STU_smallest_total(&study, *request[kShare], *request[kTarget], &design);
    }
    return {outcome};
}

Command make_command() {
    Command command;
    command.name = "two-stage";
    command.summary =
        "two-stage study: the power and cost of a design, or the smallest total for a power";
    command.description =
        "Two-stage study: stage 1 types every marker, stage 2 only the markers passing the stage "
        "1 level --stage1-alpha. The final level final-alpha is derived from it and the overall "
        "level --alpha (5e-8 unless given; 0.05, study-wide, with --markers above 1: the stages "
        "then test each marker at alpha / markers), and shown. The effect is an odds ratio and "
        "control rate or a disease model (as vantor power takes it): the analyses are allelic, "
        "on the odds ratio and control rate at the marker. Give the four counts of the stages "
        "(--stage1-cases, --stage1-controls, --stage2-cases, --stage2-controls) or --total and "
        "--stage1-share to get the design's power and genotyping cost per marker (stage 1's "
        "total + cost ratio x stage 1 level x stage 2's total), or --target-power and "
        "--stage1-share to get the smallest total reaching it. A total splits into stages by "
        "--stage1-share and each stage into cases and controls by --case-fraction (halves rounded "
        "up). Every method named in --method is answered.\n\n"
        "Examples:\n"
        "  vantor two-stage --total 6000 --stage1-share 0.4 --stage1-alpha 1e-3 -o 1.3 -r 0.3\n"
        "  vantor two-stage --stage1-cases 1200 --stage1-controls 1200 --stage2-cases 1800 \\\n"
        "      --stage2-controls 1800 --stage1-alpha 1e-3 -o 1.3 -r 0.3\n"
        "  vantor two-stage --method joint -s 0.4 --stage1-alpha 1e-3 -o 1.3 -r 0.3 -p 0.8\n"
        "  vantor two-stage --total 6000 -s 0.4 --stage1-alpha 1e-3 --frequency 0.2 \\\n"
        "      --prevalence 0.1 --relative-risk 1.3";
    Parameter total{"total", "t", Kind::Count, "cases and controls of both stages together"};
    // Its stages' groups are refused as cases and controls are.
    total.answers_for = {"cases", "controls"};
    command.parameters = {
        method_parameter(),
        total,
        stage1_share_parameter(),
        stage_count_parameter("stage1-cases", "stage 1's cases", "cases"),
        stage_count_parameter("stage1-controls", "stage 1's controls", "controls"),
        stage_count_parameter("stage2-cases", "stage 2's cases", "cases"),
        stage_count_parameter("stage2-controls", "stage 2's controls", "controls"),
        case_fraction_parameter(),
        odds_ratio_parameter(),
        control_rate_parameter(),
    };
    add_study_parameters(command, "overall two-sided significance level, in [1e-12, 1)");
    command.parameters.push_back(stage1_alpha_parameter());
    command.parameters.push_back(target_power_parameter());
    command.parameters.push_back(cost_ratio_parameter());
    command.parameters.push_back(variance_parameter());
    command.records = {REC_DESIGN_RESULT};
    command.check = check;
    command.answer = answer;
    finish_command(command);
    return command;
}

}  // namespace

const Command &two_stage_command() {
    static const Command command = make_command();
    return command;
}

}  // namespace vantor_cli
