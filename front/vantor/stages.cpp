#include "front/vantor/stages.h"

#include "power/design.h"
#include "power/disease_model.h"
#include "power/genotype_tests.h"
#include "power/result.h"

namespace vantor_cli {

std::string check_effect_known(const Command &command, const Request &request) {
    std::string problem = check_effect_inputs(command, request);
    if (!problem.empty() || !describes_disease(command, request)) {
        return problem;
    }
    if (free_model(command, request)) {
        for (const char *risk : {"heterozygote-risk", "homozygote-risk"}) {
            const std::size_t i = parameter_at(command, risk);
            if (!request[i]) {
                return missing(command, i, "the free model's two risks");
            }
        }
        return "";
    }
    const std::size_t risk = parameter_at(command, "relative-risk");
    return request[risk] ? "" : missing(command, risk, "");
}

std::size_t parameter_at(const Command &command, const std::string &name) {
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        if (command.parameters[i].name == name) {
            return i;
        }
    }
    return command.parameters.size();
}

std::string check_two_stage_study(const Command &command, const Request &request,
                                  const STU_study &study) {
    std::int32_t reason = STU_check_study(&study, 1);
    if (reason == SLV_REASON_NONE && study.test != GEN_ALLELIC) {
        reason = SLV_REASON_TWO_STAGES_NEED_ALLELIC;
    }
    if (reason == SLV_REASON_NONE) {
        reason = DSN_check_method(study.method);
    }
    if (reason == SLV_REASON_NONE) {
        // The case fraction's own check is the design study's; its other
        // fields are the study's, already checked. The analyses are allelic
        // on the odds ratio and control rate at the marker, at the
        // per-marker level, as the library's two-stage questions ask them.
        DSN_study design{};
        design.method = study.method;
        design.odds_ratio = study.effect.allelic.odds_ratio;
        design.control_rate = study.effect.allelic.control_rate;
        if (study.effect_kind == STU_EFFECT_DISEASE) {
            DIS_marker marker{};
            DIS_marker_of(&study.effect.disease, &marker);
            design.odds_ratio = marker.odds_ratio;
            design.control_rate = marker.control_rate;
        }
        design.alpha2 = marker_alpha(study);
        design.case_fraction = study.case_fraction;
        design.unit = study.unit;
        design.statistic = study.statistic;
        reason = DSN_check_study(&design);
    }
    return reason == SLV_REASON_NONE ? "" : refusal_for(command, request, reason, study);
}

void add_study_parameters(Command &command, const std::string &alpha_help) {
    for (Parameter &input : disease_model_parameters()) {
        command.parameters.push_back(std::move(input));
    }
    command.parameters.push_back(
        test_parameter("association test: the two-stage analyses are allelic (the default)"));
    command.parameters.push_back(markers_parameter());
    command.parameters.push_back(alpha_parameter(alpha_help));
}

Parameter stage1_alpha_parameter() {
    Parameter alpha{"stage1-alpha", "", Kind::Real,
                    "the stage 1 level (at least twice --alpha; above it for product)"};
    alpha.check = [](double value, const STU_study &study) {
        return DSN_check_stage0_alpha(study.method, value, marker_alpha(study));
    };
    return alpha;
}

Parameter stage1_share_parameter() {
    Parameter share{"stage1-share", "s", Kind::Real, "stage 1's share of the total, in (0, 1)"};
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
                                const std::string &group) {
    Parameter count{name, "", Kind::Count, help};
    // Refused as the cases (or controls) of one stage are.
    count.answers_for = {group};
    count.check = group == "cases" ? check_cases : check_controls;
    return count;
}

}  // namespace vantor_cli
