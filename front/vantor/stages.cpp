#include "front/vantor/stages.h"

#include "power/result.h"

namespace vantor_cli {

DSN_study study_of(const Request &request, const StudyParameters &at, std::int32_t unit) {
    DSN_study study{};
    study.method = static_cast<std::int32_t>(*request[at.method]);
    study.odds_ratio = *request[at.odds_ratio];
    study.control_rate = *request[at.rate];
    study.alpha2 = *request[at.alpha];
    study.case_fraction = *request[at.case_fraction];
    study.unit = unit;
    study.statistic = statistic_of(request, at.variance);
    return study;
}

namespace {

std::size_t parameter_of_reason(const StudyParameters &at, std::int32_t reason) {
    switch (reason) {
        case SLV_REASON_BAD_METHOD:
            return at.method;
        case SLV_REASON_BAD_ODDS_RATIO:
            return at.odds_ratio;
        case SLV_REASON_BAD_CONTROL_RATE:
            return at.rate;
        case SLV_REASON_BAD_ALPHA:
            return at.alpha;
        case SLV_REASON_BAD_STATISTIC:
            return at.variance;
        default:
            break;
    }
    return at.case_fraction;
}

}  // namespace

std::string check_study(const Command &command, const Request &request, const StudyParameters &at,
                        std::int32_t unit) {
    const DSN_study study = study_of(request, at, unit);
    const std::int32_t reason = DSN_check_study(&study);
    if (reason == SLV_REASON_NONE) {
        return "";
    }
    return refusal(command, request, parameter_of_reason(at, reason), reason);
}

std::string check_required(const Command &command, const Request &request,
                           const std::vector<std::size_t> &required) {
    for (const std::size_t parameter : required) {
        if (!request[parameter]) {
            const Parameter &about = command.parameters[parameter];
            return "--" + about.name + " is needed: " + about.help;
        }
    }
    return "";
}

void add_counts(Row &row, const DSN_design_result &result) {
    const bool found = result.status <= SLV_FOUND_WITH_WARNING;
    row.push_back(found ? Cell::whole(result.total) : Cell::missing());
    for (int stage = 0; stage < 2; ++stage) {
        row.push_back(found ? Cell::whole(result.cases[stage]) : Cell::missing());
        row.push_back(found ? Cell::whole(result.controls[stage]) : Cell::missing());
    }
}

}  // namespace vantor_cli
