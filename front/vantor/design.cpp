// vantor design: the cheapest two-stage design reaching a target power, or
// the most powerful one within a budget, each with its cost against the
// one-stage study of the same power.
#include "power/design.h"

#include <cstdint>

#include "front/vantor/command.h"
#include "front/vantor/stages.h"
#include "power/result.h"

namespace vantor_cli {

namespace {

enum : std::size_t {
    kMethod,
    kPower,
    kBudget,
    kCostRatio,
    kCaseFraction,
    kOddsRatio,
    kRate,
    kAlpha,
    kVariance
};

constexpr StudyParameters kStudy{kMethod, kOddsRatio, kRate, kAlpha, kCaseFraction, kVariance};

std::string check(const Request &request, std::int32_t unit) {
    const Command &command = design_command();
    std::string problem = check_required(command, request, {kOddsRatio, kRate, kAlpha});
    if (!problem.empty()) {
        return problem;
    }
    if (request[kPower].has_value() == request[kBudget].has_value()) {
        return "give one of --target-power (the cheapest design reaching it is found) and "
               "--budget (the most powerful design within it is found)";
    }
    problem = check_study(command, request, kStudy, unit);
    if (!problem.empty()) {
        return problem;
    }
    const DSN_study study = study_of(request, kStudy, unit);
    std::int32_t reason = DSN_check_design_alpha(study.method, study.alpha2);
    if (reason != SLV_REASON_NONE) {
        return refusal(command, request, kAlpha, reason);
    }
    reason = DSN_check_cost_ratio(*request[kCostRatio]);
    if (reason != SLV_REASON_NONE) {
        return refusal(command, request, kCostRatio, reason);
    }
    if (request[kPower]) {
        reason = SLV_check_target_power(*request[kPower], *request[kAlpha]);
        return reason == SLV_REASON_NONE ? "" : refusal(command, request, kPower, reason);
    }
    reason = DSN_check_budget(*request[kBudget]);
    return reason == SLV_REASON_NONE ? "" : refusal(command, request, kBudget, reason);
}

DSN_design_result solve(const Request &request, std::int32_t unit) {
    const DSN_study study = study_of(request, kStudy, unit);
    DSN_design_result result{};
    if (request[kPower]) {
        DSN_cheapest_design(&study, *request[kPower], *request[kCostRatio], &result);
    } else {
        DSN_most_powerful_design(&study, *request[kBudget], *request[kCostRatio], &result);
    }
    return result;
}

Answer answer(const Request &request, std::int32_t unit) {
    const Command &command = design_command();
    const DSN_design_result result = solve(request, unit);
    const bool found = result.status <= SLV_FOUND_WITH_WARNING;
    const auto found_value = [found](double value) {
        return found ? Cell::measured(value) : Cell::missing();
    };
    Row row;
    row.push_back(Cell::word(unit_name(unit)));
    row.push_back(input_cell(command, request, kMethod));
    for (const std::size_t input :
         {kPower, kBudget, kCostRatio, kCaseFraction, kOddsRatio, kRate, kAlpha}) {
        row.push_back(input_cell(command, request, input));
    }
    add_counts(row, result);
    row.push_back(found_value(result.stage0_share));
    row.push_back(found_value(result.alpha[0]));
    row.push_back(found_value(result.alpha[1]));
    row.push_back(found_value(result.power));
    row.push_back(found_value(result.cost));
    row.push_back(found && result.one_stage_total > 0 ? Cell::whole(result.one_stage_total)
                                                      : Cell::missing());
    row.push_back(found_value(result.relative_cost));
    add_status(row, result.status, result.reason, request[kPower].has_value());
    return {row, result.status};
}

Command make_command() {
    Command command;
    command.name = "design";
    command.summary =
        "two-stage study: the cheapest design for a power, or the most powerful "
        "for a budget";
    command.description =
        "Chooses the stage 1 share and the stage 1 level. The genotyping cost per marker is n1 + c "
        "stage1-alpha n2 (n1, n2 the stages' people or alleles, c the --cost-ratio of a stage 2 "
        "genotype to a stage 1 one); relative-cost compares it with one-stage-total, the "
        "one-stage study of the same power at --alpha (5e-8 unless given). With --target-power "
        "the cheapest design reaching it, with --budget the most powerful design within it. A "
        "search takes up to a second per method.\n\n"
        "Examples:\n"
        "  vantor design --method joint -o 1.3 -r 0.3 -p 0.8\n"
        "  vantor design --method replication --budget 5000 -o 1.3 -r 0.3";
    command.parameters = {
        {"method", "", Kind::Word, "analysis: replication, product (of p-values) or joint",
         method_words(), "replication,product,joint"},
        {"target-power", "p", Kind::Real, "target power, above the level and below 1", {}, ""},
        {"budget", "b", Kind::Real, "genotyping budget per marker, in the counting unit", {}, ""},
        {"cost-ratio",
         "c",
         Kind::Real,
         "cost of a stage 2 genotype relative to a stage 1 one",
         {},
         "1"},
        {"case-fraction", "", Kind::Real, "cases' share of each stage, in (0, 1)", {}, "0.5"},
        {"odds-ratio", "o", Kind::Real, "allelic odds ratio of the risk allele", {}, ""},
        {"control-rate", "r", Kind::Real, "risk-allele rate among controls, in (0, 1)", {}, ""},
        {"alpha",
         "a",
         Kind::Real,
         "overall two-sided significance level, in [1e-12, 1)",
         {},
         "5e-8"},
        variance_parameter(),
    };
    command.columns = {"count",         "method",          "target-power",  "budget",
                       "cost-ratio",    "case-fraction",   "odds-ratio",    "control-rate",
                       "alpha",         "total",           "stage1-cases",  "stage1-controls",
                       "stage2-cases",  "stage2-controls", "stage1-weight", "stage1-alpha",
                       "final-alpha",   "power",           "cost",          "one-stage-total",
                       "relative-cost", "status",          "reason",        "message"};
    command.check = check;
    command.answer = answer;
    return command;
}

}  // namespace

const Command &design_command() {
    static const Command command = make_command();
    return command;
}

}  // namespace vantor_cli
