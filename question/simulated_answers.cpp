// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "question/simulated_answers.h"
// clang-format on

#include "power/power_func.h"
#include "power/statistic.h"
#include "question/disease_questions.h"
#include "question/records.h"

namespace vantor {

namespace {

bool draws_genotypes(const STU_study &study) {
    return study.effect_kind == STU_EFFECT_DISEASE && study.count == VANTOR_COUNT_PEOPLE;
}

SIM_groups groups_of(const STU_study &study) {
    const AtMarker marker = at_marker(study);
    SIM_groups groups{};
    groups.draws = draws_genotypes(study) ? SIM_GENOTYPE_COUNTS : SIM_ALLELE_COUNTS;
    groups.case_rate = marker.case_rate;
    groups.control_rate = marker.control_rate;
    for (int g = 0; g < 3; ++g) {
        groups.cases[g] = marker.genotypes.cases[g];
        groups.controls[g] = marker.genotypes.controls[g];
    }
    return groups;
}

// A count in the study's unit as the simulation draws it: people for
// genotype counts, else alleles.
std::int64_t drawn(const STU_study &study, std::int64_t count) {
    const bool doubled = !draws_genotypes(study) && study.count == VANTOR_COUNT_PEOPLE;
    return doubled ? 2 * count : count;
}

bool found(const ASK_answer &answer) {
    return answer.status == VANTOR_FOUND || answer.status == VANTOR_FOUND_WITH_WARNING;
}

// The simulation's outcome in the answer; a study the simulation refuses
// (rates or genotype frequencies beyond what it can draw, from an extreme
// disease model) keeps the formula's power with a warning that says so,
// rather than passing for an answer simulated.
void record(const SIM_run &run, const SIM_result &result, ASK_answer &answer) {
    if (result.status != VANTOR_FOUND) {
        answer.status = VANTOR_FOUND_WITH_WARNING;
        answer.reason = VANTOR_REASON_NOT_SIMULATED;
        return;
    }
    answer.replicates = result.replicates;
    answer.seed = static_cast<std::int64_t>(run.seed);
    answer.simulated_power = result.power;
    answer.standard_error = result.standard_error;
}

// The study whose power the answer gives: for a detectable effect, the
// effect found.
STU_study study_of_answer(const STU_study &study, const ASK_answer &answer) {
    STU_study at = study;
    if (answer.record == REC_EFFECT_RESULT) {
        at.effect.allelic.odds_ratio = answer.result.effect.odds_ratio;
    } else if (answer.record == REC_RISK_RESULT) {
        at.effect.disease.relative_risk = answer.result.risk.relative_risk;
    }
    return at;
}

}  // namespace

void simulate_single_stage_answer(const STU_study &study, std::int64_t cases, std::int64_t controls,
                                  const SIM_run &run, ASK_answer &answer) {
    if (!found(answer)) {
        return;
    }
    if (answer.record == REC_SIZE_RESULT) {
        cases = answer.result.size.cases;
        controls = answer.result.size.controls;
    }
    const STU_study at = study_of_answer(study, answer);
    const SIM_groups groups = groups_of(at);
    SIM_result result{};
    SIM_single_stage_power(&groups, at.test, at.variance, at.alpha / at.markers, drawn(at, cases),
                           drawn(at, controls), &run, &result);
    record(run, result, answer);
}

void simulate_two_stage_answer(const STU_study &study, const SIM_run &run, ASK_answer &answer) {
    if (!found(answer)) {
        return;
    }
    const DSN_design_result &found_design = answer.result.design;
    SIM_two_stages design{};
    design.method = study.method;
    design.alpha[0] = found_design.alpha[0];
    design.alpha[1] = found_design.alpha[1];
    design.alpha[2] = found_design.alpha[2];
    design.stage1_weight = found_design.stage1_weight;
    for (int stage = 0; stage < 2; ++stage) {
        design.cases[stage] = drawn(study, found_design.cases[stage]);
        design.controls[stage] = drawn(study, found_design.controls[stage]);
    }
    const SIM_groups groups = groups_of(study);
    // The allelic test's product and joint analyses take each stage's Wald
    // statistic whatever the variance asked (it does not change their
    // formulas); its replication analysis, and every analysis of a genotype
    // test, test each stage as asked.
    const bool as_asked = study.method == PWR_METHOD_REPLICATION || study.test != GEN_ALLELIC;
    const std::int32_t variance = as_asked ? study.variance : PWR_VARIANCE_UNPOOLED;
    SIM_result result{};
    SIM_two_stage_test_power(&groups, study.test, variance, &design, &run, &result);
    record(run, result, answer);
}

}  // namespace vantor
