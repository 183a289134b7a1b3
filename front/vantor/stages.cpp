#include "front/vantor/stages.h"

#include "power/design.h"
#include "power/result.h"

namespace vantor_cli {

std::string check_two_stage_study(const Command &command, const Request &request,
                                  const STU_study &study) {
    std::int32_t reason = STU_check_study(&study, 1);
    if (reason == SLV_REASON_NONE) {
        reason = DSN_check_method(study.method);
    }
    if (reason == SLV_REASON_NONE) {
        // The case fraction's own check is the design study's; its other
        // fields are the study's, already checked.
        DSN_study design{};
        design.method = study.method;
        design.odds_ratio = study.effect.allelic.odds_ratio;
        design.control_rate = study.effect.allelic.control_rate;
        design.alpha2 = study.alpha;
        design.case_fraction = study.case_fraction;
        design.unit = study.unit;
        design.statistic = study.statistic;
        reason = DSN_check_study(&design);
    }
    return reason == SLV_REASON_NONE ? "" : refusal_for(command, request, reason, study);
}

Parameter stage1_alpha_parameter() {
    Parameter alpha{"stage1-alpha", "", Kind::Real,
                    "the stage 1 level (at least twice --alpha; above it for product)"};
    alpha.reasons = {"BAD_STAGE1_ALPHA"};
    alpha.check = [](double value, const STU_study &study) {
        return DSN_check_stage0_alpha(study.method, value, study.alpha);
    };
    return alpha;
}

Parameter stage1_share_parameter() {
    Parameter share{"stage1-share", "s", Kind::Real, "stage 1's share of the total, in (0, 1)"};
    share.reasons = {"BAD_STAGE1_SHARE"};
    share.check = [](double value, const STU_study & /*study*/) {
        return DSN_check_stage0_share(value);
    };
    return share;
}

namespace {

std::int32_t check_cases(double value, const STU_study &study) {
    return SLV_check_cases(static_cast<std::int64_t>(value), study.unit);
}

std::int32_t check_controls(double value, const STU_study &study) {
    return SLV_check_controls(static_cast<std::int64_t>(value), study.unit);
}

}  // namespace

Parameter stage_count_parameter(const std::string &name, const std::string &help,
                                const std::string &reason) {
    Parameter count{name, "", Kind::Count, help};
    count.reasons = {reason};
    count.check = reason == "BAD_CASES" ? check_cases : check_controls;
    return count;
}

}  // namespace vantor_cli
