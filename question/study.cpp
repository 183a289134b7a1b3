// The checked questions over one study record, built on the solvers and the
// design questions.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "question/study.h"
// clang-format on

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "power/power_func.h"
#include "question/checked_questions.h"
#include "question/disease_questions.h"
#include "search/solve.h"
#include "status/first_refusal.h"

namespace {

using vantor::first_refusal;

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

// The record is this library's and describes an effect it knows; nothing
// else of it is read before this holds.
std::int32_t check_record(const STU_study *study) {
    if (study->size != static_cast<std::int32_t>(sizeof(STU_study))) {
        return VANTOR_REASON_BAD_STUDY_SIZE;
    }
    return study->effect_kind == STU_EFFECT_ALLELIC || study->effect_kind == STU_EFFECT_DISEASE
               ? VANTOR_REASON_NONE
               : VANTOR_REASON_BAD_EFFECT_KIND;
}

const STU_allelic_effect &allelic(const STU_study *study) { return study->effect.allelic; }

// A count in the study's unit as allele draws (check it first).
std::int32_t alleles(std::int64_t count, std::int32_t unit) {
    return static_cast<std::int32_t>(count * unit);
}

// The two-stage question the study asks: the allelic analyses on the odds
// ratio and control rate at the marker (an allelic effect's own), the
// overall level per marker (the first-stage level is a per-marker share
// already). An allelic effect on one marker keeps its bits.
DSN_study design_study(const STU_study *study) {
    const vantor::AtMarker marker = vantor::at_marker(*study);
    DSN_study design = {
        study->method, marker.odds_ratio, marker.control_rate, marker.alpha, study->case_fraction,
        study->count,  study->variance,   study->test,         {0},          {0}};
    for (int g = 0; g < 3; ++g) {
        design.case_genotypes[g] = marker.genotypes.cases[g];
        design.control_genotypes[g] = marker.genotypes.controls[g];
    }
    return design;
}

// The plan of the study's two-stage design questions: its markers, costs
// (at `cost_ratio`) and limits.
DSN_plan plan_of(const STU_study *study, double cost_ratio) {
    DSN_plan plan;
    DSN_plan_init(&plan);
    plan.markers = study->markers;
    plan.costs = study->costs;
    plan.costs.cost_ratio = cost_ratio;
    plan.limits.cases_available = study->cases_available;
    plan.limits.controls_available = study->controls_available;
    plan.limits.stage_controls_available[0] = study->stage_controls_available[0];
    plan.limits.stage_controls_available[1] = study->stage_controls_available[1];
    plan.limits.panel = study->panel;
    plan.limits.stage1_alpha = study->fixed_stage1_alpha;
    plan.limits.stage1_share = study->fixed_stage1_share;
    plan.limits.per_stage_fractions = study->per_stage_fractions;
    return plan;
}

// ---- Results ----------------------------------------------------------------

std::int32_t refuse_power(std::int32_t reason, STU_power_result *result) {
    *result = {VANTOR_status_of_reason(reason),
               reason,
               kNotANumber,
               kNotANumber,
               kNotANumber,
               kNotANumber,
               kNotANumber};
    return result->status;
}

std::int32_t refuse_size(std::int32_t reason, STU_size_result *result) {
    *result = {VANTOR_status_of_reason(reason),
               reason,
               0,
               0,
               kNotANumber,
               0,
               kNotANumber,
               kNotANumber,
               kNotANumber,
               kNotANumber};
    return result->status;
}

std::int32_t refuse_effect(std::int32_t reason, SLV_effect_result *result) {
    *result = {VANTOR_status_of_reason(reason), reason, kNotANumber, kNotANumber, 0};
    return result->status;
}

// A solver's answer in allele draws, in the study's unit.
std::int32_t in_units(const SLV_size_result &answer, std::int32_t unit, STU_size_result *result) {
    *result = {answer.status, answer.reason,      answer.cases / unit, answer.controls / unit,
               answer.power,  answer.evaluations, kNotANumber,         kNotANumber,
               kNotANumber,   kNotANumber};
    return result->status;
}

std::int32_t check_study(const STU_study *study, std::int32_t odds_ratio_known);

// The first refusal of a question: the study (its record first), then the
// question's own knowns from `check_knowns()`, which may read the study's
// unit only once the record is known to be this library's.
template <typename Check>
std::int32_t question_refusal(const STU_study *study, std::int32_t odds_ratio_known,
                              Check check_knowns) {
    const std::int32_t reason = check_study(study, odds_ratio_known);
    return reason != VANTOR_REASON_NONE ? reason : check_knowns();
}

// One of the size solvers: with the other group's count (allele draws) or
// the ratio of the groups as its first argument.
template <typename Given>
using SizeSolver = std::int32_t (*)(Given, double, double, double, double, std::int32_t,
                                    std::int32_t, SLV_size_result *);

// Checks the study's record and fields, then `check_given()` (the
// question's own known, which may be read in the study's unit only once the
// record is known to be this library's), then asks the solver with
// `given()` and gives its answer in the study's unit.
template <typename Given, typename Check, typename Value>
std::int32_t solve_allelic_size(const STU_study *study, double target_power,
                                SizeSolver<Given> solver, Check check_given, Value given,
                                STU_size_result *result) {
    const std::int32_t reason = question_refusal(study, 1, check_given);
    if (reason != VANTOR_REASON_NONE) {
        return refuse_size(reason, result);
    }
    SLV_size_result answer{};
    solver(given(), allelic(study).odds_ratio, allelic(study).control_rate, study->alpha,
           target_power, study->count, study->variance, &answer);
    return in_units(answer, study->count, result);
}

// A ratio is checked by the solver itself.
std::int32_t nothing_to_check() { return VANTOR_REASON_NONE; }

// The effect's description: the allelic odds ratio (unless it is the
// unknown) and rate, or the disease model (its relative risk taken as 1
// when it is the unknown).
std::int32_t check_study_effect(const STU_study *study, std::int32_t effect_known) {
    if (study->effect_kind == STU_EFFECT_ALLELIC) {
        return first_refusal({effect_known != 0 ? VANTOR_check_odds_ratio(allelic(study).odds_ratio)
                                                : VANTOR_REASON_NONE,
                              VANTOR_check_control_rate(allelic(study).control_rate)});
    }
    DIS_model model = study->effect.disease;
    if (effect_known == 0) {
        if (model.model == DIS_FREE) {
            return VANTOR_REASON_NO_SINGLE_RISK;
        }
        model.relative_risk = 1;
        // The risk to be solved is not 1: the rest of the model is checked.
        const std::int32_t reason = DIS_check_model(&model);
        return reason == VANTOR_REASON_NO_EFFECT ? VANTOR_REASON_NONE : reason;
    }
    return DIS_check_model(&model);
}

std::int32_t check_markers(double markers) {
    return std::isfinite(markers) && markers >= 1 ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_MARKERS;
}

// The level limits hold for the per-marker level.
std::int32_t check_marker_alpha(const STU_study *study) {
    return study->markers == 1 ||
                   VANTOR_check_alpha(study->alpha / study->markers) == VANTOR_REASON_NONE
               ? VANTOR_REASON_NONE
               : VANTOR_REASON_BAD_MARKER_ALPHA;
}

std::int32_t check_test(const STU_study *study) {
    if (study->test < GEN_ALLELIC || study->test > GEN_GENOTYPIC) {
        return VANTOR_REASON_BAD_TEST;
    }
    if (study->test == GEN_ALLELIC) {
        return VANTOR_REASON_NONE;
    }
    if (study->effect_kind != STU_EFFECT_DISEASE) {
        return VANTOR_REASON_TEST_NEEDS_MODEL;
    }
    if (study->count != VANTOR_COUNT_PEOPLE) {
        return VANTOR_REASON_GENOTYPE_TEST_COUNTS_PEOPLE;
    }
    return study->test == GEN_GENOTYPIC && study->variance == PWR_VARIANCE_UNPOOLED
               ? VANTOR_REASON_GENOTYPIC_ONE_STATISTIC
               : VANTOR_REASON_NONE;
}

std::int32_t check_calculation(const STU_study *study) {
    switch (study->calculation) {
        case STU_CALCULATION_BY_STUDY:
        case STU_CALCULATION_CLASSIC:
            return VANTOR_REASON_NONE;
        case STU_CALCULATION_GENOTYPES:
            return study->effect_kind == STU_EFFECT_DISEASE && study->count == VANTOR_COUNT_PEOPLE
                       ? VANTOR_REASON_NONE
                       : VANTOR_REASON_GENOTYPES_NEED_MODEL;
        default:
            return VANTOR_REASON_BAD_CALCULATION;
    }
}

// The allelic study that asks the same of the allelic test as `study`: the
// odds ratio and control rate at the marker, at the per-marker level. An
// allelic effect on one marker is its own (the same bits).
STU_study allelic_twin(const STU_study *study, const vantor::AtMarker &marker) {
    STU_study twin = *study;
    twin.effect_kind = STU_EFFECT_ALLELIC;
    twin.effect.allelic = {marker.odds_ratio, marker.control_rate};
    twin.alpha = marker.alpha;
    twin.markers = 1;
    return twin;
}

// A study whose power is worked out from its genotypes: a genotype test's,
// or the allelic test's with the variances from the genotypes.
bool on_genotypes(const STU_study *study) {
    return study->test != GEN_ALLELIC || STU_calculation_of(study) == STU_CALCULATION_GENOTYPES;
}

template <typename Result>
void show_marker(const vantor::AtMarker &marker, Result *result) {
    result->marker_alpha = marker.alpha;
    result->marker_case_rate = marker.case_rate;
    result->marker_control_rate = marker.control_rate;
    result->marker_odds_ratio = marker.odds_ratio;
}

// The design questions' record of a refusal of what they read before the
// design's own fields: the record, a disease model, the markers and the
// per-marker level, and the test (the allelic test or a 1-df genotype test
// of a disease model counting people; the genotypic test is single-stage);
// false when nothing is refused.
bool refuse_design(const STU_study *study, DSN_design_result *result) {
    std::int32_t reason = check_record(study);
    if (reason == VANTOR_REASON_NONE && study->effect_kind == STU_EFFECT_DISEASE) {
        reason = DIS_check_model(&study->effect.disease);
    }
    if (reason == VANTOR_REASON_NONE) {
        reason = first_refusal({check_markers(study->markers), check_marker_alpha(study)});
    }
    if (reason == VANTOR_REASON_NONE) {
        reason =
            study->test == GEN_GENOTYPIC ? VANTOR_REASON_GENOTYPIC_ONE_STAGE : check_test(study);
    }
    if (reason == VANTOR_REASON_NONE && study->calculation != STU_CALCULATION_BY_STUDY &&
        study->calculation != STU_CALCULATION_CLASSIC) {
        reason = study->calculation == STU_CALCULATION_GENOTYPES
                     ? VANTOR_REASON_TWO_STAGES_ARE_CLASSIC
                     : VANTOR_REASON_BAD_CALCULATION;
    }
    // A model's genotype frequencies are valid by construction: a score
    // that varies in neither group (a class lost to underflow) has no power,
    // as the single-stage questions say.
    if (reason == VANTOR_REASON_NONE && study->test != GEN_ALLELIC) {
        const DSN_study design = design_study(study);
        if (DSN_check_study(&design) == VANTOR_REASON_BAD_GENOTYPES) {
            reason = VANTOR_REASON_POWER_NOT_COMPUTABLE;
        }
    }
    if (reason == VANTOR_REASON_NONE) {
        return false;
    }
    DSN_fill_unanswered(reason, result);
    return true;
}

std::int32_t check_study(const STU_study *study, std::int32_t odds_ratio_known) {
    const std::int32_t record = check_record(study);
    if (record != VANTOR_REASON_NONE) {
        return record;
    }
    return first_refusal({check_study_effect(study, odds_ratio_known),
                          check_markers(study->markers), VANTOR_check_alpha(study->alpha),
                          check_marker_alpha(study), VANTOR_check_variance(study->variance),
                          VANTOR_check_count(study->count), check_test(study),
                          check_calculation(study)});
}

// ---- The allelic test on an allelic study of one marker ---------------------

// The power of a test on genotypes, with the warning of few expected people
// of a genotype class or copies of an allele.
void genotype_power(const STU_study *study, const vantor::AtMarker &marker, std::int64_t cases,
                    std::int64_t controls, STU_power_result *result) {
    const double power = vantor::test_power(*study, marker, cases, controls);
    if (std::isnan(power)) {
        refuse_power(VANTOR_REASON_POWER_NOT_COMPUTABLE, result);
        return;
    }
    const std::int32_t reason = vantor::expected_people_warning(*study, marker, cases, controls);
    result->status = VANTOR_status_of_reason(reason);
    result->reason = reason;
    result->power = power;
}

// A size question: the study checked (the question's own knowns are checked
// by `ask`), then asked of the allelic twin or of the genotype test, and the
// marker shown.
template <typename Ask>
std::int32_t study_size_question(const STU_study *study, STU_size_result *result, Ask ask) {
    const std::int32_t refused = check_study(study, 1);
    if (refused != VANTOR_REASON_NONE) {
        return refuse_size(refused, result);
    }
    const vantor::AtMarker marker = vantor::at_marker(*study);
    const STU_study twin = on_genotypes(study) ? *study : allelic_twin(study, marker);
    ask(&twin, result);
    show_marker(marker, result);
    return result->status;
}

// The allelic power of a study and counts already checked.
std::int32_t checked_allelic_power(const STU_study *study, std::int64_t cases,
                                   std::int64_t controls, STU_power_result *result) {
    PWR_design design = PWR_DESIGN_INIT;
    design.odds_ratio = allelic(study).odds_ratio;
    design.control_rate = allelic(study).control_rate;
    design.alpha[0] = study->alpha;
    design.sample_size[0][0] = alleles(cases, study->count);
    design.sample_size[0][1] = alleles(controls, study->count);
    const double power = PWR_single_step_power(&design, 0, study->variance);
    if (std::isnan(power)) {
        return refuse_power(VANTOR_REASON_POWER_NOT_COMPUTABLE, result);
    }
    const std::int32_t reason = VANTOR_check_expected_alleles(
        design.sample_size[0][0], design.sample_size[0][1], design.case_rate, design.control_rate);
    *result = {VANTOR_status_of_reason(reason),
               reason,
               power,
               kNotANumber,
               kNotANumber,
               kNotANumber,
               kNotANumber};
    return result->status;
}

// The first refusal of a power's study and counts.
std::int32_t power_refusal(const STU_study *study, std::int64_t cases, std::int64_t controls) {
    return question_refusal(study, 1, [&] {
        return first_refusal({VANTOR_check_cases(cases, study->count),
                              VANTOR_check_controls(controls, study->count)});
    });
}

std::int32_t allelic_power_checking_study(const STU_study *study, std::int64_t cases,
                                          std::int64_t controls, STU_power_result *result) {
    const std::int32_t refused = power_refusal(study, cases, controls);
    if (refused != VANTOR_REASON_NONE) {
        return refuse_power(refused, result);
    }
    return checked_allelic_power(study, cases, controls, result);
}

std::int32_t allelic_cases_for_controls(const STU_study *study, std::int64_t controls,
                                        double target_power, STU_size_result *result) {
    return solve_allelic_size<std::int32_t>(
        study, target_power, SLV_cases_for_controls_with_statistic,
        [&] { return VANTOR_check_controls(controls, study->count); },
        [&] { return alleles(controls, study->count); }, result);
}

std::int32_t allelic_controls_for_cases(const STU_study *study, std::int64_t cases,
                                        double target_power, STU_size_result *result) {
    return solve_allelic_size<std::int32_t>(
        study, target_power, SLV_controls_for_cases_with_statistic,
        [&] { return VANTOR_check_cases(cases, study->count); },
        [&] { return alleles(cases, study->count); }, result);
}

std::int32_t allelic_cases_for_ratio(const STU_study *study, double controls_per_case,
                                     double target_power, STU_size_result *result) {
    return solve_allelic_size<double>(
        study, target_power, SLV_cases_for_ratio_with_statistic, nothing_to_check,
        [&] { return controls_per_case; }, result);
}

std::int32_t allelic_controls_for_ratio(const STU_study *study, double cases_per_control,
                                        double target_power, STU_size_result *result) {
    return solve_allelic_size<double>(
        study, target_power, SLV_controls_for_ratio_with_statistic, nothing_to_check,
        [&] { return cases_per_control; }, result);
}

std::int32_t allelic_odds_ratio(const STU_study *study, std::int64_t cases, std::int64_t controls,
                                double target_power, std::int32_t direction,
                                SLV_effect_result *result) {
    const bool known_direction = direction == STU_ABOVE_ONE || direction == STU_BELOW_ONE;
    const std::int32_t refused = question_refusal(study, 0, [&] {
        return first_refusal({VANTOR_check_cases(cases, study->count),
                              VANTOR_check_controls(controls, study->count),
                              known_direction ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_DIRECTION});
    });
    if (refused != VANTOR_REASON_NONE) {
        return refuse_effect(refused, result);
    }
    const auto solve = direction == STU_ABOVE_ONE ? SLV_odds_ratio_above_one_with_statistic
                                                  : SLV_odds_ratio_below_one_with_statistic;
    return solve(alleles(cases, study->count), alleles(controls, study->count),
                 allelic(study).control_rate, study->alpha, target_power, study->variance, result);
}

}  // namespace

namespace vantor {

std::int32_t checked_power(const STU_study &study, std::int64_t cases, std::int64_t controls,
                           STU_power_result *result) {
    const vantor::AtMarker marker = vantor::at_marker(study);
    if (!on_genotypes(&study)) {
        // An allelic effect's twin holds the checked values (its level the
        // per-marker one, checked too); a disease model's is checked, as the
        // rates at its marker are worked out.
        const STU_study twin = allelic_twin(&study, marker);
        if (study.effect_kind == STU_EFFECT_ALLELIC) {
            checked_allelic_power(&twin, cases, controls, result);
        } else {
            allelic_power_checking_study(&twin, cases, controls, result);
        }
    } else {
        genotype_power(&study, marker, cases, controls, result);
    }
    show_marker(marker, result);
    return result->status;
}

}  // namespace vantor

extern "C" {

std::int32_t STU_study_size(void) { return static_cast<std::int32_t>(sizeof(STU_study)); }

void STU_study_init(STU_study *study) {
    *study = STU_study{};
    study->size = static_cast<std::int32_t>(sizeof(STU_study));
    study->effect_kind = STU_EFFECT_ALLELIC;
    study->effect.allelic = {kNotANumber, kNotANumber};
    study->variance = PWR_VARIANCE_POOLED;
    study->count = VANTOR_COUNT_PEOPLE;
    study->alpha = STU_DEFAULT_ALPHA;
    study->method = -1;
    study->stage1_alpha = kNotANumber;
    study->case_fraction = 0.5;
    study->test = GEN_ALLELIC;
    study->markers = 1;
    study->calculation = STU_CALCULATION_BY_STUDY;
    DSN_plan plan;
    DSN_plan_init(&plan);
    study->costs = plan.costs;
    study->fixed_stage1_alpha = kNotANumber;
    study->fixed_stage1_share = kNotANumber;
}

std::int32_t STU_calculation_of(const STU_study *study) { return vantor::calculation_of(*study); }

double STU_default_alpha(double markers) { return markers == 1 ? STU_DEFAULT_ALPHA : 0.05; }

std::int32_t STU_check_study(const STU_study *study, std::int32_t odds_ratio_known) {
    return check_study(study, odds_ratio_known);
}

std::int32_t STU_power(const STU_study *study, std::int64_t cases, std::int64_t controls,
                       STU_power_result *result) {
    const std::int32_t refused = power_refusal(study, cases, controls);
    if (refused != VANTOR_REASON_NONE) {
        return refuse_power(refused, result);
    }
    return vantor::checked_power(*study, cases, controls, result);
}

std::int32_t STU_cases_for_controls(const STU_study *study, std::int64_t controls,
                                    double target_power, STU_size_result *result) {
    return study_size_question(study, result, [&](const STU_study *s, STU_size_result *r) {
        if (on_genotypes(s)) {
            vantor::genotype_cases_for_controls(*s, controls, target_power, r);
            return r->status;
        }
        return allelic_cases_for_controls(s, controls, target_power, r);
    });
}

std::int32_t STU_controls_for_cases(const STU_study *study, std::int64_t cases, double target_power,
                                    STU_size_result *result) {
    return study_size_question(study, result, [&](const STU_study *s, STU_size_result *r) {
        if (on_genotypes(s)) {
            vantor::genotype_controls_for_cases(*s, cases, target_power, r);
            return r->status;
        }
        return allelic_controls_for_cases(s, cases, target_power, r);
    });
}

std::int32_t STU_cases_for_ratio(const STU_study *study, double controls_per_case,
                                 double target_power, STU_size_result *result) {
    return study_size_question(study, result, [&](const STU_study *s, STU_size_result *r) {
        if (on_genotypes(s)) {
            vantor::genotype_cases_for_ratio(*s, controls_per_case, target_power, r);
            return r->status;
        }
        return allelic_cases_for_ratio(s, controls_per_case, target_power, r);
    });
}

std::int32_t STU_controls_for_ratio(const STU_study *study, double cases_per_control,
                                    double target_power, STU_size_result *result) {
    return study_size_question(study, result, [&](const STU_study *s, STU_size_result *r) {
        if (on_genotypes(s)) {
            vantor::genotype_controls_for_ratio(*s, cases_per_control, target_power, r);
            return r->status;
        }
        return allelic_controls_for_ratio(s, cases_per_control, target_power, r);
    });
}

std::int32_t STU_odds_ratio(const STU_study *study, std::int64_t cases, std::int64_t controls,
                            double target_power, std::int32_t direction,
                            SLV_effect_result *result) {
    if (check_record(study) == VANTOR_REASON_NONE && study->effect_kind != STU_EFFECT_ALLELIC) {
        return refuse_effect(VANTOR_REASON_BAD_EFFECT_KIND, result);
    }
    const std::int32_t refused = check_study(study, 0);
    if (refused != VANTOR_REASON_NONE) {
        return allelic_odds_ratio(study, cases, controls, target_power, direction, result);
    }
    vantor::AtMarker marker{};
    marker.alpha = study->alpha / study->markers;
    marker.odds_ratio = 1;  // not read: the odds ratio is the unknown
    marker.control_rate = allelic(study).control_rate;
    const STU_study twin = allelic_twin(study, marker);
    return allelic_odds_ratio(&twin, cases, controls, target_power, direction, result);
}

std::int32_t STU_relative_risk(const STU_study *study, std::int64_t cases, std::int64_t controls,
                               double target_power, std::int32_t direction,
                               STU_risk_result *result) {
    const bool known_direction = direction == STU_ABOVE_ONE || direction == STU_BELOW_ONE;
    std::int32_t refused = check_record(study);
    if (refused == VANTOR_REASON_NONE && study->effect_kind != STU_EFFECT_DISEASE) {
        refused = VANTOR_REASON_BAD_EFFECT_KIND;
    }
    if (refused == VANTOR_REASON_NONE) {
        refused = question_refusal(study, 0, [&] {
            return first_refusal(
                {VANTOR_check_cases(cases, study->count),
                 VANTOR_check_controls(controls, study->count),
                 known_direction ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_DIRECTION,
                 VANTOR_check_target_power(target_power, study->alpha / study->markers)});
        });
    }
    if (refused != VANTOR_REASON_NONE) {
        *result = {VANTOR_status_of_reason(refused),
                   refused,
                   kNotANumber,
                   kNotANumber,
                   0,
                   kNotANumber,
                   kNotANumber,
                   kNotANumber,
                   kNotANumber};
        return result->status;
    }
    vantor::detectable_relative_risk(*study, cases, controls, target_power, direction, result);
    return result->status;
}

std::int32_t STU_two_stage_power(const STU_study *study, const std::int64_t cases[2],
                                 const std::int64_t controls[2], double cost_ratio,
                                 DSN_design_result *result) {
    if (refuse_design(study, result)) {
        return result->status;
    }
    const DSN_study design = design_study(study);
    // The counts are checked here, in 64 bits, before they are narrowed.
    const std::int32_t refused = first_refusal(
        {DSN_check_study(&design),
         DSN_check_stage1_alpha(design.method, study->stage1_alpha, design.alpha),
         VANTOR_check_cases(cases[0], study->count),
         VANTOR_check_controls(controls[0], study->count),
         VANTOR_check_cases(cases[1], study->count),
         VANTOR_check_controls(controls[1], study->count), DSN_check_cost_ratio(cost_ratio)});
    if (refused != VANTOR_REASON_NONE) {
        DSN_fill_unanswered(refused, result);
        return result->status;
    }
    const std::int32_t narrow_cases[2] = {static_cast<std::int32_t>(cases[0]),
                                          static_cast<std::int32_t>(cases[1])};
    const std::int32_t narrow_controls[2] = {static_cast<std::int32_t>(controls[0]),
                                             static_cast<std::int32_t>(controls[1])};
    const DSN_plan plan = plan_of(study, cost_ratio);
    DSN_two_stage_power_planned(&design, &plan, narrow_cases, narrow_controls, study->stage1_alpha,
                                result);
    return result->status;
}

std::int32_t STU_two_stage_power_of_total(const STU_study *study, std::int64_t total, double share,
                                          double cost_ratio, DSN_design_result *result) {
    if (refuse_design(study, result)) {
        return result->status;
    }
    const DSN_study design = design_study(study);
    const std::int32_t refused =
        first_refusal({DSN_check_study(&design),
                       DSN_check_stage1_alpha(design.method, study->stage1_alpha, design.alpha),
                       DSN_check_stage1_share(share)});
    if (refused != VANTOR_REASON_NONE) {
        DSN_fill_unanswered(refused, result);
        return result->status;
    }
    std::int64_t cases[2] = {0, 0};
    std::int64_t controls[2] = {0, 0};
    DSN_counts_of_total(total, share, study->case_fraction, cases, controls);
    return STU_two_stage_power(study, cases, controls, cost_ratio, result);
}

std::int32_t STU_smallest_total(const STU_study *study, double share, double target_power,
                                DSN_design_result *result) {
    if (refuse_design(study, result)) {
        return result->status;
    }
    const DSN_study design = design_study(study);
    return DSN_smallest_total(&design, share, study->stage1_alpha, target_power, result);
}

std::int32_t STU_smallest_total_at_cost(const STU_study *study, double share, double target_power,
                                        double cost_ratio, DSN_design_result *result) {
    if (refuse_design(study, result)) {
        return result->status;
    }
    const DSN_study design = design_study(study);
    const DSN_plan plan = plan_of(study, cost_ratio);
    return DSN_smallest_total_planned(&design, &plan, share, study->stage1_alpha, target_power,
                                      result);
}

std::int32_t STU_cheapest_design(const STU_study *study, double target_power, double cost_ratio,
                                 DSN_design_result *result) {
    if (refuse_design(study, result)) {
        return result->status;
    }
    const DSN_study design = design_study(study);
    const DSN_plan plan = plan_of(study, cost_ratio);
    return DSN_cheapest_design_planned(&design, &plan, target_power, result);
}

std::int32_t STU_most_powerful_design(const STU_study *study, double budget, double cost_ratio,
                                      DSN_design_result *result) {
    if (refuse_design(study, result)) {
        return result->status;
    }
    const DSN_study design = design_study(study);
    const DSN_plan plan = plan_of(study, cost_ratio);
    return DSN_most_powerful_design_planned(&design, &plan, budget, result);
}

}  // extern "C"
