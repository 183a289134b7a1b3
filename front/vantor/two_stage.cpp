// vantor two-stage: the power of a two-stage design for each analysis, the
// second decision's level derived and shown; with the total left open and a
// target power, the smallest total reaching it.
#include <cstdint>

#include "front/vantor/command.h"
#include "front/vantor/stages.h"
#include "power/design.h"
#include "power/result.h"

namespace vantor_cli {

namespace {

enum : std::size_t {
    kMethod,
    kTotal,
    kShare,
    kCaseFraction,
    kOddsRatio,
    kRate,
    kAlpha,
    kAlpha0,
    kPower,
    kVariance
};

constexpr StudyParameters kStudy{kMethod, kOddsRatio, kRate, kAlpha, kCaseFraction, kVariance};

// The four counts of a total, in units, as the library lays a total out.
struct Layout {
    std::int64_t cases[2];
    std::int64_t controls[2];
};

Layout layout_of(std::int64_t total, double share, double case_fraction) {
    Layout layout{};
    DSN_counts_of_total(total, share, case_fraction, layout.cases, layout.controls);
    return layout;
}

std::string check_total(const Request &request, std::int32_t unit) {
    const Command &command = two_stage_command();
    const std::int64_t total = static_cast<std::int64_t>(*request[kTotal]);
    if (total > 4LL * SLV_LARGEST_COUNT) {
        return refusal(command, request, kTotal, SLV_REASON_BAD_CASES);
    }
    const Layout layout = layout_of(total, *request[kShare], *request[kCaseFraction]);
    for (int stage = 0; stage < 2; ++stage) {
        if (layout.cases[stage] < 1 || layout.controls[stage] < 1) {
            return "--total " + std::to_string(total) +
                   ": every stage needs at least one case and one control at this --stage1-share "
                   "and --case-fraction";
        }
        std::int32_t reason = SLV_check_cases(layout.cases[stage], unit);
        if (reason == SLV_REASON_NONE) {
            reason = SLV_check_controls(layout.controls[stage], unit);
        }
        if (reason != SLV_REASON_NONE) {
            return refusal(command, request, kTotal, reason);
        }
    }
    return "";
}

std::string check(const Request &request, std::int32_t unit) {
    const Command &command = two_stage_command();
    std::string problem =
        check_required(command, request, {kShare, kOddsRatio, kRate, kAlpha, kAlpha0});
    if (!problem.empty()) {
        return problem;
    }
    if (request[kTotal].has_value() == request[kPower].has_value()) {
        return "give one of --total (its power is computed) and --target-power (the smallest "
               "total reaching it is found)";
    }
    problem = check_study(command, request, kStudy, unit);
    if (!problem.empty()) {
        return problem;
    }
    std::int32_t reason = DSN_check_stage0_share(*request[kShare]);
    if (reason != SLV_REASON_NONE) {
        return refusal(command, request, kShare, reason);
    }
    reason = DSN_check_stage0_alpha(static_cast<std::int32_t>(*request[kMethod]), *request[kAlpha0],
                                    *request[kAlpha]);
    if (reason != SLV_REASON_NONE) {
        return refusal(command, request, kAlpha0, reason);
    }
    if (request[kPower]) {
        reason = SLV_check_target_power(*request[kPower], *request[kAlpha]);
        return reason == SLV_REASON_NONE ? "" : refusal(command, request, kPower, reason);
    }
    return check_total(request, unit);
}

DSN_design_result solve(const Request &request, std::int32_t unit) {
    const DSN_study study = study_of(request, kStudy, unit);
    DSN_design_result result{};
    if (request[kPower]) {
        DSN_smallest_total(&study, *request[kShare], *request[kAlpha0], *request[kPower], &result);
        return result;
    }
    const Layout layout = layout_of(static_cast<std::int64_t>(*request[kTotal]), *request[kShare],
                                    *request[kCaseFraction]);
    const std::int32_t cases[2] = {static_cast<std::int32_t>(layout.cases[0]),
                                   static_cast<std::int32_t>(layout.cases[1])};
    const std::int32_t controls[2] = {static_cast<std::int32_t>(layout.controls[0]),
                                      static_cast<std::int32_t>(layout.controls[1])};
    DSN_two_stage_power(&study, cases, controls, *request[kAlpha0], &result);
    return result;
}

Answer answer(const Request &request, std::int32_t unit) {
    const Command &command = two_stage_command();
    const DSN_design_result result = solve(request, unit);
    const bool found = result.status <= SLV_FOUND_WITH_WARNING;
    Row row;
    row.push_back(Cell::word(unit_name(unit)));
    row.push_back(input_cell(command, request, kMethod));
    add_counts(row, result);
    for (const std::size_t input : {kShare, kCaseFraction, kOddsRatio, kRate, kAlpha, kAlpha0}) {
        row.push_back(input_cell(command, request, input));
    }
    row.push_back(found ? Cell::measured(result.alpha[1]) : Cell::missing());
    row.push_back(input_cell(command, request, kPower));
    row.push_back(found ? Cell::measured(result.power) : Cell::missing());
    add_status(row, result.status, result.reason, request[kPower].has_value());
    return {row, result.status};
}

Command make_command() {
    Command command;
    command.name = "two-stage";
    command.summary = "two-stage study: the power of a total, or the smallest total for a power";
    command.description =
        "Two-stage study: stage 1 types every marker on its share of the total, stage 2 only the "
        "markers passing the stage 1 level --stage1-alpha. The final level final-alpha is derived "
        "from it and the overall level --alpha (5e-8 unless given), and shown. Give --total to "
        "get its power, or --target-power to get the smallest total reaching it. Each stage splits "
        "into cases and controls "
        "by --case-fraction (halves rounded up). Every method named in --method is answered.\n\n"
        "Examples:\n"
        "  vantor two-stage --total 6000 --stage1-share 0.4 --stage1-alpha 1e-3 -o 1.3 -r 0.3\n"
        "  vantor two-stage --method joint --stage1-share 0.4 --stage1-alpha 1e-3 -o 1.3 -r 0.3 "
        "-p 0.8";
    command.parameters = {
        {"method", "", Kind::Word, "analysis: replication, product (of p-values) or joint",
         method_words(), "replication,product,joint"},
        {"total", "t", Kind::Count, "cases and controls of both stages together", {}, ""},
        {"stage1-share", "s", Kind::Real, "stage 1's share of the total, in (0, 1)", {}, ""},
        {"case-fraction", "", Kind::Real, "cases' share of each stage, in (0, 1)", {}, "0.5"},
        {"odds-ratio", "o", Kind::Real, "allelic odds ratio of the risk allele", {}, ""},
        {"control-rate", "r", Kind::Real, "risk-allele rate among controls, in (0, 1)", {}, ""},
        {"alpha",
         "a",
         Kind::Real,
         "overall two-sided significance level, in [1e-12, 1)",
         {},
         "5e-8"},
        {"stage1-alpha",
         "",
         Kind::Real,
         "the stage 1 level (at least twice --alpha; above it for product)",
         {},
         ""},
        {"target-power", "p", Kind::Real, "target power, above the level and below 1", {}, ""},
        variance_parameter(),
    };
    command.columns = {"count",           "method",       "total",           "stage1-cases",
                       "stage1-controls", "stage2-cases", "stage2-controls", "stage1-share",
                       "case-fraction",   "odds-ratio",   "control-rate",    "alpha",
                       "stage1-alpha",    "final-alpha",  "target-power",    "power",
                       "status",          "reason",       "message"};
    command.check = check;
    command.answer = answer;
    return command;
}

}  // namespace

const Command &two_stage_command() {
    static const Command command = make_command();
    return command;
}

}  // namespace vantor_cli
