// vantor design: the cheapest two-stage design reaching a target power, or
// the most powerful one within a budget, each with its cost against the
// one-stage study of the same power.
#include "power/design.h"

#include <cstdint>

#include "front/vantor/command.h"
#include "front/vantor/stages.h"
#include "power/result.h"
#include "power/study.h"

namespace vantor_cli {

namespace {

enum : std::size_t {
    kMethod,
    kTarget,
    kBudget,
    kCostRatio,
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
    kVariance
};

std::string check(const Request &request, std::int32_t unit) {
    const Command &command = design_command();
    std::string effect = check_effect_known(command, request);
    if (!effect.empty()) {
        return effect;
    }
    if (!describes_disease(command, request) && !request[kOddsRatio]) {
        return missing(command, kOddsRatio, "or describe the effect by a disease model");
    }
    if (request[kTarget].has_value() == request[kBudget].has_value()) {
        return "give one of --target-power (the cheapest design reaching it is found) and "
               "--budget (the most powerful design within it is found)";
    }
    const STU_study study = study_of(command, request, unit);
    std::string problem = check_two_stage_study(command, request, study);
    if (!problem.empty()) {
        return problem;
    }
    const std::int32_t reason = DSN_check_design_alpha(study.method, marker_alpha(study));
    if (reason != SLV_REASON_NONE) {
        return refusal_for(command, request, reason, study);
    }
    return check_values(command, request, study);
}

Outcomes answer(const Request &request, std::int32_t unit) {
    const STU_study study = study_of(design_command(), request, unit);
    Outcome outcome;
    outcome.record = REC_DESIGN_RESULT;
    if (request[kTarget]) {
        STU_cheapest_design(&study, *request[kTarget], *request[kCostRatio], &outcome.as.design);
    } else {
        STU_most_powerful_design(&study, *request[kBudget], *request[kCostRatio],
                                 &outcome.as.design);
    }
    return {outcome};
}

Command make_command() {
    Command command;
    command.name = "design";
    command.summary =
        "two-stage study: the cheapest design for a power, or the most powerful "
        "for a budget";
    command.description =
        "Chooses stage 1's share and the stage 1 level. The genotyping cost per marker is n1 + c "
        "stage1-alpha n2 (n1, n2 the stages' people or alleles, c the --cost-ratio of a stage 2 "
        "genotype to a stage 1 one); relative-cost compares it with one-stage-total, the "
        "one-stage study of the same power at --alpha (5e-8 unless given; 0.05, study-wide, with "
        "--markers above 1, each marker then judged at alpha / markers). The effect is an odds "
        "ratio and control rate or a disease model (as vantor power takes it), the analyses "
        "allelic on the marker's odds ratio and control rate. stage1-weight is "
        "stage 1's share of the joint statistic's information. With --target-power the cheapest "
        "design reaching it, with --budget the most powerful design within it. A search takes up "
        "to a second per method.\n\n"
        "Examples:\n"
        "  vantor design --method joint -o 1.3 -r 0.3 -p 0.8\n"
        "  vantor design --method replication --budget 5000 -o 1.3 -r 0.3\n"
        "  vantor design --method joint --frequency 0.2 --prevalence 0.1 --relative-risk 1.3 \\\n"
        "      --markers 3e5 -p 0.8";
    Parameter budget{"budget", "b", Kind::Real,
                     "genotyping budget per marker, in the counting unit"};
    budget.check = [](double value, const STU_study & /*study*/) {
        return DSN_check_budget(value);
    };
    command.parameters = {
        method_parameter(),       target_power_parameter(),  budget,
        cost_ratio_parameter(),   case_fraction_parameter(), odds_ratio_parameter(),
        control_rate_parameter(),
    };
    add_study_parameters(command, "overall two-sided significance level, in [1e-12, 1)");
    command.parameters.push_back(variance_parameter());
    command.records = {REC_DESIGN_RESULT};
    command.check = check;
    command.answer = answer;
    finish_command(command);
    return command;
}

}  // namespace

const Command &design_command() {
    static const Command command = make_command();
    return command;
}

}  // namespace vantor_cli
