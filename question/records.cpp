// The one description of the library's records, questions, choices and
// reason codes, from which the programs and bindings lay them out.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "question/records.h"
// clang-format on

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "disease/disease_model.h"
#include "disease/genotype_tests.h"
#include "power/power_func.h"
#include "power/statistic.h"
#include "question/answer.h"
#include "question/study.h"
#include "search/design.h"
#include "search/solve.h"
#include "status/status.h"

namespace {

constexpr const char *kCount = "people or alleles (the study's unit)";

template <typename Entry, std::size_t N>
constexpr std::int32_t count_of(const Entry (&table)[N]) {
    return static_cast<std::int32_t>(std::size(table));
}

// ---- Records ---------------------------------------------------------------

#define VANTOR_AT(record, member) static_cast<std::int32_t>(offsetof(record, member))
#define VANTOR_ELEMENT(record, member, index, type) \
    static_cast<std::int32_t>(offsetof(record, member) + (index) * sizeof(type))

// The allelic effect's fields live in the study's union.
constexpr std::int32_t kEffect = VANTOR_AT(STU_study, effect);
// The costs' fields live in the study's costs record.
constexpr std::int32_t kCosts = VANTOR_AT(STU_study, costs);

constexpr REC_field kStudyFields[] = {
    {"size", REC_INT32, VANTOR_AT(STU_study, size), REC_KIND_INTERNAL, "bytes",
     "the record's size as the caller was compiled"},
    {"effect_kind", REC_INT32, VANTOR_AT(STU_study, effect_kind), REC_KIND_INTERNAL, "",
     "how the effect is described"},
    {"odds_ratio", REC_DOUBLE,
     kEffect + static_cast<std::int32_t>(offsetof(STU_allelic_effect, odds_ratio)), REC_KIND_NUMBER,
     "odds ratio", "the allelic odds ratio of the risk allele, cases against controls"},
    {"control_rate", REC_DOUBLE,
     kEffect + static_cast<std::int32_t>(offsetof(STU_allelic_effect, control_rate)),
     REC_KIND_NUMBER, "probability", "the risk allele's rate among controls"},
    {"variance", REC_INT32, VANTOR_AT(STU_study, variance), REC_KIND_CHOICE, "",
     "the test statistic's variance under no association: pooled or unpooled"},
    {"count", REC_INT32, VANTOR_AT(STU_study, count), REC_KIND_CHOICE, "",
     "the unit of every count: people (two alleles each) or alleles"},
    {"alpha", REC_DOUBLE, VANTOR_AT(STU_study, alpha), REC_KIND_NUMBER, "level",
     "the two-sided significance level (for two stages, the overall level)"},
    {"method", REC_INT32, VANTOR_AT(STU_study, method), REC_KIND_CHOICE, "",
     "the two-stage analysis: replication, product or joint"},
    {"stage1_alpha", REC_DOUBLE, VANTOR_AT(STU_study, stage1_alpha), REC_KIND_NUMBER, "level",
     "the stage 1 level: the share of markers without effect passed on to stage 2"},
    {"case_fraction", REC_DOUBLE, VANTOR_AT(STU_study, case_fraction), REC_KIND_NUMBER, "share",
     "the cases' share of each stage"},
    {"test", REC_INT32, VANTOR_AT(STU_study, test), REC_KIND_CHOICE, "",
     "the association test: allelic, trend, dominant, recessive or genotypic"},
    {"markers", REC_DOUBLE, VANTOR_AT(STU_study, markers), REC_KIND_NUMBER, "markers",
     "the number of markers tested: the level divided by it is the per-marker level"},
    {"calculation", REC_INT32, VANTOR_AT(STU_study, calculation), REC_KIND_CHOICE, "",
     "how the power is calculated: from the genotypes or by the classic formulas"},
    {"cost_ratio", REC_DOUBLE, kCosts + VANTOR_AT(DSN_costs, cost_ratio), REC_KIND_INTERNAL,
     "ratio", "not read: the questions take the cost ratio as an argument"},
    {"costs_in_money", REC_INT32, kCosts + VANTOR_AT(DSN_costs, money), REC_KIND_INTERNAL, "",
     "1 when the costs below are the budget's, 0 otherwise"},
    {"stage1_cost_per_person", REC_DOUBLE, kCosts + VANTOR_AT(DSN_costs, stage1_cost_per_person),
     REC_KIND_NUMBER, "money", "the cost of a stage 1 person (the array)"},
    {"stage2_cost_per_person", REC_DOUBLE, kCosts + VANTOR_AT(DSN_costs, stage2_cost_per_person),
     REC_KIND_NUMBER, "money", "the cost of a stage 2 person beside the assays"},
    {"stage2_cost_per_genotype", REC_DOUBLE,
     kCosts + VANTOR_AT(DSN_costs, stage2_cost_per_genotype), REC_KIND_NUMBER, "money",
     "the cost of a stage 2 genotype: per person and marker"},
    {"stage1_fixed_cost", REC_DOUBLE, kCosts + VANTOR_ELEMENT(DSN_costs, fixed, 0, double),
     REC_KIND_NUMBER, "money", "stage 1's fixed cost"},
    {"stage2_fixed_cost", REC_DOUBLE, kCosts + VANTOR_ELEMENT(DSN_costs, fixed, 1, double),
     REC_KIND_NUMBER, "money", "stage 2's fixed cost"},
    {"cases_available", REC_INT64, VANTOR_AT(STU_study, cases_available), REC_KIND_COUNT, kCount,
     "the cases available over both stages; 0: not limited"},
    {"controls_available", REC_INT64, VANTOR_AT(STU_study, controls_available), REC_KIND_COUNT,
     kCount, "the controls available over both stages; 0: not limited"},
    {"stage1_controls_available", REC_INT64,
     VANTOR_ELEMENT(STU_study, stage_controls_available, 0, std::int64_t), REC_KIND_COUNT, kCount,
     "the controls available to stage 1; 0: not limited"},
    {"stage2_controls_available", REC_INT64,
     VANTOR_ELEMENT(STU_study, stage_controls_available, 1, std::int64_t), REC_KIND_COUNT, kCount,
     "the controls available to stage 2; 0: not limited"},
    {"panel", REC_DOUBLE, VANTOR_AT(STU_study, panel), REC_KIND_NUMBER, "markers",
     "the most markers stage 2 types; 0: no limit"},
    {"fixed_stage1_alpha", REC_DOUBLE, VANTOR_AT(STU_study, fixed_stage1_alpha), REC_KIND_INTERNAL,
     "level", "a stage 1 level the design searches keep; not a number: searched"},
    {"fixed_stage1_share", REC_DOUBLE, VANTOR_AT(STU_study, fixed_stage1_share), REC_KIND_INTERNAL,
     "share", "a stage 1 share the design searches keep; not a number: searched"},
    {"per_stage_fractions", REC_INT32, VANTOR_AT(STU_study, per_stage_fractions), REC_KIND_INTERNAL,
     "", "1: the design searches choose each stage's case fraction"},
};

// The disease model's fields, from the start of the model, which shares the
// study's effect union with the allelic effect (it starts where odds_ratio
// does).
constexpr REC_field kDiseaseFields[] = {
    {"frequency", REC_DOUBLE, VANTOR_AT(DIS_model, frequency), REC_KIND_NUMBER, "probability",
     "the risk allele's frequency in the population"},
    {"prevalence", REC_DOUBLE, VANTOR_AT(DIS_model, prevalence), REC_KIND_NUMBER, "probability",
     "the disease's prevalence"},
    {"model", REC_INT32, VANTOR_AT(DIS_model, model), REC_KIND_CHOICE, "",
     "the genetic model: multiplicative, additive, dominant, recessive or free"},
    {"controls_kind", REC_INT32, VANTOR_AT(DIS_model, controls_kind), REC_KIND_CHOICE, "",
     "who the controls are: unaffected or population"},
    {"relative_risk", REC_DOUBLE, VANTOR_AT(DIS_model, relative_risk), REC_KIND_NUMBER,
     "relative risk", "the genotype relative risk r of a one-parameter model"},
    {"heterozygote_risk", REC_DOUBLE, VANTOR_AT(DIS_model, heterozygote_risk), REC_KIND_NUMBER,
     "relative risk", "the free model's relative risk of one copy"},
    {"homozygote_risk", REC_DOUBLE, VANTOR_AT(DIS_model, homozygote_risk), REC_KIND_NUMBER,
     "relative risk", "the free model's relative risk of two copies"},
    {"ld_kind", REC_INT32, VANTOR_AT(DIS_model, ld_kind), REC_KIND_INTERNAL, "",
     "how the marker's linkage disequilibrium is given: causal (none), d_prime or r_squared "
     "(front ends set it from which of d_prime and r_squared is given)"},
    {"ld_reserved", REC_INT32, VANTOR_AT(DIS_model, reserved), REC_KIND_INTERNAL, "", "kept 0"},
    {"marker_frequency", REC_DOUBLE, VANTOR_AT(DIS_model, marker_frequency), REC_KIND_NUMBER,
     "probability", "the marker allele's frequency (not a number: the risk allele's)"},
    {"ld", REC_DOUBLE, VANTOR_AT(DIS_model, ld), REC_KIND_INTERNAL, "",
     "the marker's D' or r^2 with the risk allele (front ends take it as d_prime or r_squared)"},
};

constexpr REC_field kPowerFields[] = {
    {"status", REC_INT32, VANTOR_AT(STU_power_result, status), REC_KIND_STATUS, "",
     "the answer's status"},
    {"reason", REC_INT32, VANTOR_AT(STU_power_result, reason), REC_KIND_REASON, "",
     "why: a warning, what is not reachable, or the refused input"},
    {"power", REC_DOUBLE, VANTOR_AT(STU_power_result, power), REC_KIND_NUMBER, "probability",
     "the power"},
    {"marker_alpha", REC_DOUBLE, VANTOR_AT(STU_power_result, marker_alpha), REC_KIND_NUMBER,
     "level", "the per-marker level: the significance level divided by the number of markers"},
    {"marker_case_rate", REC_DOUBLE, VANTOR_AT(STU_power_result, marker_case_rate), REC_KIND_NUMBER,
     "probability", "the risk-allele rate among cases at the marker"},
    {"marker_control_rate", REC_DOUBLE, VANTOR_AT(STU_power_result, marker_control_rate),
     REC_KIND_NUMBER, "probability", "the risk-allele rate among controls at the marker"},
    {"marker_odds_ratio", REC_DOUBLE, VANTOR_AT(STU_power_result, marker_odds_ratio),
     REC_KIND_NUMBER, "odds ratio", "the allelic odds ratio the marker's rates imply"},
};

constexpr REC_field kSizeFields[] = {
    {"status", REC_INT32, VANTOR_AT(STU_size_result, status), REC_KIND_STATUS, "",
     "the answer's status"},
    {"reason", REC_INT32, VANTOR_AT(STU_size_result, reason), REC_KIND_REASON, "",
     "why: a warning, what is not reachable, or the refused input"},
    {"cases", REC_INT64, VANTOR_AT(STU_size_result, cases), REC_KIND_COUNT, kCount,
     "the number of cases"},
    {"controls", REC_INT64, VANTOR_AT(STU_size_result, controls), REC_KIND_COUNT, kCount,
     "the number of controls"},
    {"power", REC_DOUBLE, VANTOR_AT(STU_size_result, power), REC_KIND_NUMBER, "probability",
     "the power of these cases and controls"},
    {"evaluations", REC_INT32, VANTOR_AT(STU_size_result, evaluations), REC_KIND_NUMBER,
     "evaluations", "the power evaluations the search spent"},
    {"marker_alpha", REC_DOUBLE, VANTOR_AT(STU_size_result, marker_alpha), REC_KIND_NUMBER, "level",
     "the per-marker level: the significance level divided by the number of markers"},
    {"marker_case_rate", REC_DOUBLE, VANTOR_AT(STU_size_result, marker_case_rate), REC_KIND_NUMBER,
     "probability", "the risk-allele rate among cases at the marker"},
    {"marker_control_rate", REC_DOUBLE, VANTOR_AT(STU_size_result, marker_control_rate),
     REC_KIND_NUMBER, "probability", "the risk-allele rate among controls at the marker"},
    {"marker_odds_ratio", REC_DOUBLE, VANTOR_AT(STU_size_result, marker_odds_ratio),
     REC_KIND_NUMBER, "odds ratio", "the allelic odds ratio the marker's rates imply"},
};

constexpr REC_field kRiskFields[] = {
    {"status", REC_INT32, VANTOR_AT(STU_risk_result, status), REC_KIND_STATUS, "",
     "the answer's status"},
    {"reason", REC_INT32, VANTOR_AT(STU_risk_result, reason), REC_KIND_REASON, "",
     "why: a warning, what is not reachable, or the refused input"},
    {"relative_risk", REC_DOUBLE, VANTOR_AT(STU_risk_result, relative_risk), REC_KIND_NUMBER,
     "relative risk", "the detectable genotype relative risk r"},
    {"power", REC_DOUBLE, VANTOR_AT(STU_risk_result, power), REC_KIND_NUMBER, "probability",
     "the power at the detectable relative risk"},
    {"evaluations", REC_INT32, VANTOR_AT(STU_risk_result, evaluations), REC_KIND_NUMBER,
     "evaluations", "the power evaluations the search spent"},
    {"marker_alpha", REC_DOUBLE, VANTOR_AT(STU_risk_result, marker_alpha), REC_KIND_NUMBER, "level",
     "the per-marker level: the significance level divided by the number of markers"},
    {"marker_case_rate", REC_DOUBLE, VANTOR_AT(STU_risk_result, marker_case_rate), REC_KIND_NUMBER,
     "probability", "the risk-allele rate among cases at the marker"},
    {"marker_control_rate", REC_DOUBLE, VANTOR_AT(STU_risk_result, marker_control_rate),
     REC_KIND_NUMBER, "probability", "the risk-allele rate among controls at the marker"},
    {"marker_odds_ratio", REC_DOUBLE, VANTOR_AT(STU_risk_result, marker_odds_ratio),
     REC_KIND_NUMBER, "odds ratio", "the allelic odds ratio the marker's rates imply"},
};

constexpr REC_field kEffectFields[] = {
    {"status", REC_INT32, VANTOR_AT(SLV_effect_result, status), REC_KIND_STATUS, "",
     "the answer's status"},
    {"reason", REC_INT32, VANTOR_AT(SLV_effect_result, reason), REC_KIND_REASON, "",
     "why: a warning, what is not reachable, or the refused input"},
    {"odds_ratio", REC_DOUBLE, VANTOR_AT(SLV_effect_result, odds_ratio), REC_KIND_NUMBER,
     "odds ratio", "the detectable odds ratio"},
    {"power", REC_DOUBLE, VANTOR_AT(SLV_effect_result, power), REC_KIND_NUMBER, "probability",
     "the power at the detectable odds ratio"},
    {"evaluations", REC_INT32, VANTOR_AT(SLV_effect_result, evaluations), REC_KIND_NUMBER,
     "evaluations", "the power evaluations the search spent"},
};

constexpr REC_field kDesignFields[] = {
    {"status", REC_INT32, VANTOR_AT(DSN_design_result, status), REC_KIND_STATUS, "",
     "the answer's status"},
    {"reason", REC_INT32, VANTOR_AT(DSN_design_result, reason), REC_KIND_REASON, "",
     "why: a warning, what is not reachable, or the refused input"},
    {"total", REC_INT64, VANTOR_AT(DSN_design_result, total), REC_KIND_COUNT, kCount,
     "cases and controls of both stages together"},
    {"stage1_cases", REC_INT32, VANTOR_ELEMENT(DSN_design_result, cases, 0, std::int32_t),
     REC_KIND_COUNT, kCount, "stage 1's cases"},
    {"stage2_cases", REC_INT32, VANTOR_ELEMENT(DSN_design_result, cases, 1, std::int32_t),
     REC_KIND_COUNT, kCount, "stage 2's cases"},
    {"stage1_controls", REC_INT32, VANTOR_ELEMENT(DSN_design_result, controls, 0, std::int32_t),
     REC_KIND_COUNT, kCount, "stage 1's controls"},
    {"stage2_controls", REC_INT32, VANTOR_ELEMENT(DSN_design_result, controls, 1, std::int32_t),
     REC_KIND_COUNT, kCount, "stage 2's controls"},
    {"stage1_weight", REC_DOUBLE, VANTOR_AT(DSN_design_result, stage1_weight), REC_KIND_NUMBER,
     "share", "stage 1's weight in the joint statistic"},
    {"stage1_alpha", REC_DOUBLE, VANTOR_ELEMENT(DSN_design_result, alpha, 0, double),
     REC_KIND_NUMBER, "level", "the stage 1 level"},
    {"final_alpha", REC_DOUBLE, VANTOR_ELEMENT(DSN_design_result, alpha, 1, double),
     REC_KIND_NUMBER, "level",
     "the final decision's level (stage 2's test, the product or the joint statistic), derived"},
    {"alpha", REC_DOUBLE, VANTOR_ELEMENT(DSN_design_result, alpha, 2, double), REC_KIND_NUMBER,
     "level", "the overall significance level"},
    {"power", REC_DOUBLE, VANTOR_AT(DSN_design_result, power), REC_KIND_NUMBER, "probability",
     "the design's power"},
    {"cost", REC_DOUBLE, VANTOR_AT(DSN_design_result, cost), REC_KIND_NUMBER, kCount,
     "the genotyping cost per marker: stage 1's total plus cost ratio times stage 1 level times "
     "stage 2's total"},
    {"one_stage_total", REC_INT64, VANTOR_AT(DSN_design_result, one_stage_total), REC_KIND_COUNT,
     kCount, "the smallest one-stage total of the same power at the overall level; 0 if none"},
    {"relative_cost", REC_DOUBLE, VANTOR_AT(DSN_design_result, relative_cost), REC_KIND_NUMBER,
     "ratio", "the cost against the one-stage total"},
    {"evaluations", REC_INT32, VANTOR_AT(DSN_design_result, evaluations), REC_KIND_NUMBER,
     "evaluations", "the two-stage power evaluations spent"},
    {"stage1_case_fraction", REC_DOUBLE,
     VANTOR_ELEMENT(DSN_design_result, case_fraction, 0, double), REC_KIND_NUMBER, "share",
     "stage 1's cases over its people"},
    {"stage2_case_fraction", REC_DOUBLE,
     VANTOR_ELEMENT(DSN_design_result, case_fraction, 1, double), REC_KIND_NUMBER, "share",
     "stage 2's cases over its people"},
    {"stage2_markers", REC_DOUBLE, VANTOR_AT(DSN_design_result, stage2_markers), REC_KIND_NUMBER,
     "markers",
     "the markers without effect expected to pass stage 1, which stage 2 types: markers times "
     "the stage 1 level"},
    {"cost_in_money", REC_DOUBLE, VANTOR_AT(DSN_design_result, cost_in_money), REC_KIND_NUMBER,
     "money",
     "the design's cost in money: fixed costs, stage 1's people times their cost, stage 2's "
     "times theirs and their assays'"},
    {"one_stage_cost_in_money", REC_DOUBLE, VANTOR_AT(DSN_design_result, one_stage_cost_in_money),
     REC_KIND_NUMBER, "money",
     "the one-stage study's cost in money: stage 1's fixed cost and its people on the array"},
    {"binding_limit", REC_INT32, VANTOR_AT(DSN_design_result, binding_limit), REC_KIND_CHOICE, "",
     "the limit the design reaches (to within 1 %): none, cases_available ... panel"},
};

constexpr REC_field kAnswerFields[] = {
    {"status", REC_INT32, VANTOR_AT(ASK_answer, status), REC_KIND_STATUS, "",
     "the answer's status"},
    {"reason", REC_INT32, VANTOR_AT(ASK_answer, reason), REC_KIND_REASON, "",
     "why: a warning, what is not reachable, or the refused input"},
    {"question", REC_INT32, VANTOR_AT(ASK_answer, question), REC_KIND_INTERNAL, "",
     "the question asked (REC_question_at's index), -1 when refused before one was chosen"},
    {"record", REC_INT32, VANTOR_AT(ASK_answer, record), REC_KIND_INTERNAL, "",
     "the record of the result (REC_*), 0 when none"},
    {"input", REC_INT32, VANTOR_AT(ASK_answer, input), REC_KIND_INTERNAL, "",
     "the input the reason names (ASK_input_at's index), -1 when none"},
    {"other_input", REC_INT32, VANTOR_AT(ASK_answer, other_input), REC_KIND_INTERNAL, "",
     "a second input the reason names, -1 when none"},
    {"direction", REC_INT32, VANTOR_AT(ASK_answer, direction), REC_KIND_CHOICE, "",
     "the side of 1 of a detectable effect: above or below (0 for other questions)"},
    {"count", REC_INT32, VANTOR_AT(ASK_answer, count), REC_KIND_CHOICE, "",
     "the unit of every count: people (two alleles each) or alleles"},
    {"calculation", REC_INT32, VANTOR_AT(ASK_answer, calculation), REC_KIND_CHOICE, "",
     "how the power was calculated: from the genotypes or by the classic formulas"},
    {"controls", REC_INT64, VANTOR_AT(ASK_answer, controls), REC_KIND_COUNT, kCount,
     "the controls of the cases at the controls per case given (0 when none was given)"},
    {"alpha", REC_DOUBLE, VANTOR_AT(ASK_answer, alpha), REC_KIND_NUMBER, "level",
     "the significance level the study took: given, or the default for its markers"},
    {"replicates", REC_INT64, VANTOR_AT(ASK_answer, replicates), REC_KIND_NUMBER, "studies",
     "the studies simulated (0 when the power was not simulated)"},
    {"seed", REC_INT64, VANTOR_AT(ASK_answer, seed), REC_KIND_NUMBER, "",
     "the seed of the simulation's random numbers"},
    {"simulated_power", REC_DOUBLE, VANTOR_AT(ASK_answer, simulated_power), REC_KIND_NUMBER,
     "probability", "the share of the simulated studies whose test rejected: the power simulated"},
    {"standard_error", REC_DOUBLE, VANTOR_AT(ASK_answer, standard_error), REC_KIND_NUMBER,
     "probability", "the simulated power's binomial standard error"},
};

#undef VANTOR_AT
#undef VANTOR_ELEMENT

struct Record {
    const char *name;
    const REC_field *fields;
    std::int32_t id;
    std::int32_t size;
    std::int32_t field_count;
};

constexpr Record kRecords[] = {
    {"STU_study", kStudyFields, REC_STUDY, static_cast<std::int32_t>(sizeof(STU_study)),
     count_of(kStudyFields)},
    {"STU_power_result", kPowerFields, REC_POWER_RESULT,
     static_cast<std::int32_t>(sizeof(STU_power_result)), count_of(kPowerFields)},
    {"STU_size_result", kSizeFields, REC_SIZE_RESULT,
     static_cast<std::int32_t>(sizeof(STU_size_result)), count_of(kSizeFields)},
    {"SLV_effect_result", kEffectFields, REC_EFFECT_RESULT,
     static_cast<std::int32_t>(sizeof(SLV_effect_result)), count_of(kEffectFields)},
    {"DSN_design_result", kDesignFields, REC_DESIGN_RESULT,
     static_cast<std::int32_t>(sizeof(DSN_design_result)), count_of(kDesignFields)},
    {"STU_risk_result", kRiskFields, REC_RISK_RESULT,
     static_cast<std::int32_t>(sizeof(STU_risk_result)), count_of(kRiskFields)},
    {"DIS_model", kDiseaseFields, REC_DISEASE_MODEL, static_cast<std::int32_t>(sizeof(DIS_model)),
     count_of(kDiseaseFields)},
    {"ASK_answer", kAnswerFields, REC_ANSWER,
     static_cast<std::int32_t>(offsetof(ASK_answer, result)), count_of(kAnswerFields)},
};

const Record *record_of(std::int32_t id) {
    for (const Record &r : kRecords) {
        if (r.id == id) {
            return &r;
        }
    }
    return nullptr;
}

bool same(const char *a, const char *b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

// ---- Questions -------------------------------------------------------------

constexpr const char *kSingleStudy =
    "odds_ratio,control_rate,alpha,markers,test,variance,count,calculation";
constexpr const char *kEffectStudy = "control_rate,alpha,markers,variance,count";
constexpr const char *kRiskStudy = "alpha,markers,test,variance,count,calculation";
constexpr const char *kTwoStageStudy =
    "method,odds_ratio,control_rate,alpha,markers,test,stage1_alpha,case_fraction,variance,count,"
    "costs_in_money,stage1_cost_per_person,stage2_cost_per_person,stage2_cost_per_genotype,"
    "stage1_fixed_cost,stage2_fixed_cost";
constexpr const char *kSmallestTotalStudy =
    "method,odds_ratio,control_rate,alpha,markers,test,stage1_alpha,case_fraction,variance,count,"
    "costs_in_money,stage1_cost_per_person,stage2_cost_per_person,stage2_cost_per_genotype,"
    "stage1_fixed_cost,stage2_fixed_cost,cases_available,controls_available,"
    "stage1_controls_available,stage2_controls_available,panel";
constexpr const char *kSearchStudy =
    "method,odds_ratio,control_rate,alpha,markers,test,case_fraction,variance,count,"
    "costs_in_money,stage1_cost_per_person,stage2_cost_per_person,stage2_cost_per_genotype,"
    "stage1_fixed_cost,stage2_fixed_cost,cases_available,controls_available,"
    "stage1_controls_available,stage2_controls_available,panel,fixed_stage1_alpha,"
    "fixed_stage1_share,per_stage_fractions";

constexpr REC_argument kCases = {"cases", REC_INT64, REC_KIND_COUNT, 1, "the number of cases"};
constexpr REC_argument kControls = {"controls", REC_INT64, REC_KIND_COUNT, 1,
                                    "the number of controls"};
constexpr REC_argument kTarget = {"target_power", REC_DOUBLE, REC_KIND_NUMBER, 1,
                                  "the power to reach"};
constexpr REC_argument kCostRatio = {"cost_ratio", REC_DOUBLE, REC_KIND_NUMBER, 1,
                                     "the cost of a stage 2 genotype against a stage 1 one"};
constexpr REC_argument kShare = {"stage1_share", REC_DOUBLE, REC_KIND_NUMBER, 1,
                                 "stage 1's share of all people (or alleles)"};

constexpr REC_argument kPowerArguments[] = {kCases, kControls};
constexpr REC_argument kCasesForControlsArguments[] = {kControls, kTarget};
constexpr REC_argument kControlsForCasesArguments[] = {kCases, kTarget};
constexpr REC_argument kCasesForRatioArguments[] = {
    {"controls_per_case", REC_DOUBLE, REC_KIND_NUMBER, 1, "controls per case"}, kTarget};
constexpr REC_argument kControlsForRatioArguments[] = {
    {"cases_per_control", REC_DOUBLE, REC_KIND_NUMBER, 1, "cases per control"}, kTarget};
constexpr REC_argument kOddsRatioArguments[] = {
    kCases,
    kControls,
    kTarget,
    {"direction", REC_INT32, REC_KIND_CHOICE, 1, "the side of 1: above or below"}};
constexpr REC_argument kTwoStagePowerArguments[] = {
    {"cases", REC_INT64, REC_KIND_COUNT, 2, "the cases of stage 1 and stage 2"},
    {"controls", REC_INT64, REC_KIND_COUNT, 2, "the controls of stage 1 and stage 2"},
    kCostRatio};
constexpr REC_argument kPowerOfTotalArguments[] = {
    {"total", REC_INT64, REC_KIND_COUNT, 1, "cases and controls of both stages together"},
    kShare,
    kCostRatio};
constexpr REC_argument kSmallestTotalArguments[] = {kShare, kTarget, kCostRatio};
constexpr REC_argument kCheapestArguments[] = {kTarget, kCostRatio};
constexpr REC_argument kMostPowerfulArguments[] = {
    {"budget", REC_DOUBLE, REC_KIND_NUMBER, 1,
     "the budget: genotypes per marker in the counting unit, or money with costs in money"},
    kCostRatio};

#define VANTOR_ARGUMENTS(list) count_of(list), list

constexpr REC_question kQuestions[] = {
    {"power", "STU_power", REC_POWER_RESULT, VANTOR_ARGUMENTS(kPowerArguments), kSingleStudy,
     "the power of given cases and controls"},
    {"cases_for_controls", "STU_cases_for_controls", REC_SIZE_RESULT,
     VANTOR_ARGUMENTS(kCasesForControlsArguments), kSingleStudy,
     "the cases for a target power, controls fixed"},
    {"controls_for_cases", "STU_controls_for_cases", REC_SIZE_RESULT,
     VANTOR_ARGUMENTS(kControlsForCasesArguments), kSingleStudy,
     "the controls for a target power, cases fixed"},
    {"cases_for_ratio", "STU_cases_for_ratio", REC_SIZE_RESULT,
     VANTOR_ARGUMENTS(kCasesForRatioArguments), kSingleStudy,
     "the cases (and controls) for a target power, controls per case fixed"},
    {"controls_for_ratio", "STU_controls_for_ratio", REC_SIZE_RESULT,
     VANTOR_ARGUMENTS(kControlsForRatioArguments), kSingleStudy,
     "the controls (and cases) for a target power, cases per control fixed"},
    {"odds_ratio", "STU_odds_ratio", REC_EFFECT_RESULT, VANTOR_ARGUMENTS(kOddsRatioArguments),
     kEffectStudy, "the odds ratio detected with a target power, above or below 1"},
    {"relative_risk", "STU_relative_risk", REC_RISK_RESULT, VANTOR_ARGUMENTS(kOddsRatioArguments),
     kRiskStudy,
     "the relative risk of a disease model detected with a target power, above or below 1"},
    {"two_stage_power", "STU_two_stage_power", REC_DESIGN_RESULT,
     VANTOR_ARGUMENTS(kTwoStagePowerArguments), kTwoStageStudy,
     "the power and cost of a two-stage design with given counts per stage"},
    {"two_stage_power_of_total", "STU_two_stage_power_of_total", REC_DESIGN_RESULT,
     VANTOR_ARGUMENTS(kPowerOfTotalArguments), kTwoStageStudy,
     "the power and cost of a two-stage design of a total split by stage 1's share"},
    {"smallest_total", "STU_smallest_total_at_cost", REC_DESIGN_RESULT,
     VANTOR_ARGUMENTS(kSmallestTotalArguments), kSmallestTotalStudy,
     "the smallest two-stage total reaching a target power"},
    {"cheapest_design", "STU_cheapest_design", REC_DESIGN_RESULT,
     VANTOR_ARGUMENTS(kCheapestArguments), kSearchStudy,
     "the cheapest two-stage design reaching a target power"},
    {"most_powerful_design", "STU_most_powerful_design", REC_DESIGN_RESULT,
     VANTOR_ARGUMENTS(kMostPowerfulArguments), kSearchStudy,
     "the most powerful two-stage design within a budget"},
};

#undef VANTOR_ARGUMENTS

// ---- Choices and reasons ---------------------------------------------------

struct Word {
    const char *choice;
    const char *word;
    std::int32_t code;
};

constexpr Word kWords[] = {
    {"method", "replication", PWR_METHOD_REPLICATION},
    {"method", "product", PWR_METHOD_PRODUCT},
    {"method", "joint", PWR_METHOD_JOINT},
    {"variance", "pooled", PWR_VARIANCE_POOLED},
    {"variance", "unpooled", PWR_VARIANCE_UNPOOLED},
    {"count", "people", VANTOR_COUNT_PEOPLE},
    {"count", "alleles", VANTOR_COUNT_ALLELES},
    {"direction", "above", STU_ABOVE_ONE},
    {"direction", "below", STU_BELOW_ONE},
    {"test", "allelic", GEN_ALLELIC},
    {"test", "trend", GEN_TREND},
    {"test", "dominant", GEN_DOMINANT},
    {"test", "recessive", GEN_RECESSIVE},
    {"test", "genotypic", GEN_GENOTYPIC},
    {"model", "multiplicative", DIS_MULTIPLICATIVE},
    {"model", "additive", DIS_ADDITIVE},
    {"model", "dominant", DIS_DOMINANT},
    {"model", "recessive", DIS_RECESSIVE},
    {"model", "free", DIS_FREE},
    {"controls_kind", "unaffected", DIS_UNAFFECTED_CONTROLS},
    {"controls_kind", "population", DIS_POPULATION_CONTROLS},
    {"ld_kind", "causal", DIS_MARKER_IS_CAUSAL},
    {"ld_kind", "d_prime", DIS_LD_D_PRIME},
    {"ld_kind", "r_squared", DIS_LD_R_SQUARED},
    {"solve", "power", ASK_SOLVE_POWER},
    {"solve", "size", ASK_SOLVE_SIZE},
    {"solve", "effect", ASK_SOLVE_EFFECT},
    {"solve", "design", ASK_SOLVE_DESIGN},
    {"calculation", "classic", STU_CALCULATION_CLASSIC},
    {"calculation", "genotypes", STU_CALCULATION_GENOTYPES},
    {"binding_limit", "none", DSN_LIMIT_NONE},
    {"binding_limit", "cases_available", DSN_LIMIT_CASES},
    {"binding_limit", "controls_available", DSN_LIMIT_CONTROLS},
    {"binding_limit", "stage1_controls_available", DSN_LIMIT_STAGE1_CONTROLS},
    {"binding_limit", "stage2_controls_available", DSN_LIMIT_STAGE2_CONTROLS},
    {"binding_limit", "panel", DSN_LIMIT_PANEL},
};

constexpr std::int32_t kNoCode = -1000;

struct Named {
    std::int32_t code;
    const char *name;
};

#define VANTOR_REASON(name) \
    { VANTOR_REASON_##name, #name }
constexpr Named kReasons[] = {
    VANTOR_REASON(NONE),
    VANTOR_REASON(FEW_EXPECTED_ALLELES),
    VANTOR_REASON(UNEVEN_ROUNDING),
    VANTOR_REASON(JOINT_UNBALANCED),
    VANTOR_REASON(FEW_EXPECTED_GENOTYPES),
    VANTOR_REASON(NOT_SIMULATED),
    VANTOR_REASON(LEVELS_OFF_WITH_GROUP_FIXED),
    VANTOR_REASON(BEYOND_LARGEST_COUNT),
    VANTOR_REASON(LEVELS_OFF_WITH_EFFECT),
    VANTOR_REASON(POWER_TOO_IRREGULAR),
    VANTOR_REASON(BUDGET_TOO_SMALL),
    VANTOR_REASON(POWER_NOT_COMPUTABLE),
    VANTOR_REASON(LEVELS_OFF_WITH_RISK),
    VANTOR_REASON(CASES_AVAILABLE_TOO_FEW),
    VANTOR_REASON(CONTROLS_AVAILABLE_TOO_FEW),
    VANTOR_REASON(PANEL_TOO_SMALL),
    VANTOR_REASON(BAD_CASES),
    VANTOR_REASON(BAD_CONTROLS),
    VANTOR_REASON(BAD_CONTROL_RATE),
    VANTOR_REASON(BAD_ALPHA),
    VANTOR_REASON(BAD_ODDS_RATIO),
    VANTOR_REASON(BAD_TARGET_POWER),
    VANTOR_REASON(BAD_RATIO),
    VANTOR_REASON(BAD_COUNT),
    VANTOR_REASON(BAD_METHOD),
    VANTOR_REASON(BAD_STAGE1_SHARE),
    VANTOR_REASON(BAD_CASE_FRACTION),
    VANTOR_REASON(BAD_STAGE1_ALPHA),
    VANTOR_REASON(BAD_COST_RATIO),
    VANTOR_REASON(BAD_BUDGET),
    VANTOR_REASON(BAD_DESIGN_ALPHA),
    VANTOR_REASON(BAD_VARIANCE),
    VANTOR_REASON(BAD_STUDY_SIZE),
    VANTOR_REASON(BAD_EFFECT_KIND),
    VANTOR_REASON(BAD_DIRECTION),
    VANTOR_REASON(BAD_FREQUENCY),
    VANTOR_REASON(BAD_PREVALENCE),
    VANTOR_REASON(BAD_MODEL),
    VANTOR_REASON(BAD_RELATIVE_RISK),
    VANTOR_REASON(RISK_ABOVE_ONE),
    VANTOR_REASON(NEGATIVE_RISK),
    VANTOR_REASON(BAD_CONTROLS_KIND),
    VANTOR_REASON(BAD_LD_KIND),
    VANTOR_REASON(BAD_MARKER_FREQUENCY),
    VANTOR_REASON(BAD_LD),
    VANTOR_REASON(LD_BEYOND_FREQUENCIES),
    VANTOR_REASON(BAD_TEST),
    VANTOR_REASON(TEST_NEEDS_MODEL),
    VANTOR_REASON(GENOTYPE_TEST_COUNTS_PEOPLE),
    VANTOR_REASON(GENOTYPIC_ONE_STATISTIC),
    VANTOR_REASON(BAD_MARKERS),
    VANTOR_REASON(BAD_MARKER_ALPHA),
    VANTOR_REASON(NO_SINGLE_RISK),
    VANTOR_REASON(TWO_STAGES_NEED_ALLELIC),
    VANTOR_REASON(NO_EFFECT),
    VANTOR_REASON(MARKER_WITHOUT_LD),
    VANTOR_REASON(MISSING_INPUT),
    VANTOR_REASON(MISSING_EFFECT),
    VANTOR_REASON(MISSING_OR_OPEN),
    VANTOR_REASON(MISSING_CONTROLS),
    VANTOR_REASON(MISSING_FREE_RISK),
    VANTOR_REASON(MISSING_ODDS_RATIO),
    VANTOR_REASON(MISSING_STAGE_COUNT),
    VANTOR_REASON(TWO_EFFECTS),
    VANTOR_REASON(TWO_LD_INPUTS),
    VANTOR_REASON(MARKER_FREQUENCY_WITHOUT_LD),
    VANTOR_REASON(RISK_OF_ONE_PARAMETER_MODEL),
    VANTOR_REASON(RISK_OF_FREE_MODEL),
    VANTOR_REASON(TWO_PARTNERS),
    VANTOR_REASON(RATIO_SOLVES_BOTH),
    VANTOR_REASON(DIRECTION_OF_ODDS_RATIO),
    VANTOR_REASON(DIRECTION_OF_RISK),
    VANTOR_REASON(LEAVE_ONE_OPEN),
    VANTOR_REASON(COUNTS_AND_TOTAL),
    VANTOR_REASON(TOTAL_OR_TARGET),
    VANTOR_REASON(TARGET_OR_BUDGET),
    VANTOR_REASON(SMALLEST_TOTAL_COST),
    VANTOR_REASON(STAGE_GROUP_EMPTY),
    VANTOR_REASON(BAD_SOLVE),
    VANTOR_REASON(BAD_STAGES),
    VANTOR_REASON(SOLVE_MISMATCH),
    VANTOR_REASON(INPUT_NOT_READ),
    VANTOR_REASON(BAD_CALCULATION),
    VANTOR_REASON(GENOTYPES_NEED_MODEL),
    VANTOR_REASON(TWO_STAGES_ARE_CLASSIC),
    VANTOR_REASON(BAD_REPLICATES),
    VANTOR_REASON(BAD_SEED),
    VANTOR_REASON(SEED_WITHOUT_REPLICATES),
    VANTOR_REASON(BAD_AVAILABLE),
    VANTOR_REASON(BAD_PANEL),
    VANTOR_REASON(BAD_MONEY),
    VANTOR_REASON(COSTS_TWO_WAYS),
    VANTOR_REASON(MONEY_COUNTS_PEOPLE),
    VANTOR_REASON(PLAN_NEEDS_MARKERS),
    VANTOR_REASON(LIMITS_NOT_READ),
    VANTOR_REASON(GENOTYPIC_ONE_STAGE),
    VANTOR_REASON(BAD_GENOTYPES),
};
#undef VANTOR_REASON

// The input each refusal names, by the glossary's names.
constexpr Named kReasonInputs[] = {
    {VANTOR_REASON_BAD_CASES, "cases"},
    {VANTOR_REASON_BAD_CONTROLS, "controls"},
    {VANTOR_REASON_BAD_CONTROL_RATE, "control_rate"},
    {VANTOR_REASON_BAD_ALPHA, "alpha"},
    {VANTOR_REASON_BAD_ODDS_RATIO, "odds_ratio"},
    {VANTOR_REASON_BAD_TARGET_POWER, "target_power"},
    {VANTOR_REASON_BAD_RATIO, "controls_per_case"},
    {VANTOR_REASON_BAD_COUNT, "count"},
    {VANTOR_REASON_BAD_METHOD, "method"},
    {VANTOR_REASON_BAD_STAGE1_SHARE, "stage1_share"},
    {VANTOR_REASON_BAD_CASE_FRACTION, "case_fraction"},
    {VANTOR_REASON_BAD_STAGE1_ALPHA, "stage1_alpha"},
    {VANTOR_REASON_BAD_COST_RATIO, "cost_ratio"},
    {VANTOR_REASON_BAD_BUDGET, "budget"},
    {VANTOR_REASON_BAD_DESIGN_ALPHA, "alpha"},
    {VANTOR_REASON_BAD_VARIANCE, "variance"},
    {VANTOR_REASON_BAD_DIRECTION, "direction"},
    {VANTOR_REASON_BAD_FREQUENCY, "frequency"},
    {VANTOR_REASON_BAD_PREVALENCE, "prevalence"},
    {VANTOR_REASON_BAD_MODEL, "model"},
    {VANTOR_REASON_BAD_RELATIVE_RISK, "relative_risk"},
    {VANTOR_REASON_RISK_ABOVE_ONE, "relative_risk"},
    {VANTOR_REASON_NEGATIVE_RISK, "relative_risk"},
    {VANTOR_REASON_BAD_CONTROLS_KIND, "controls_kind"},
    {VANTOR_REASON_BAD_MARKER_FREQUENCY, "marker_frequency"},
    {VANTOR_REASON_BAD_LD, "ld"},
    {VANTOR_REASON_LD_BEYOND_FREQUENCIES, "ld"},
    {VANTOR_REASON_BAD_TEST, "test"},
    {VANTOR_REASON_TEST_NEEDS_MODEL, "test"},
    {VANTOR_REASON_GENOTYPE_TEST_COUNTS_PEOPLE, "count"},
    {VANTOR_REASON_GENOTYPIC_ONE_STATISTIC, "variance"},
    {VANTOR_REASON_BAD_MARKERS, "markers"},
    {VANTOR_REASON_BAD_MARKER_ALPHA, "alpha"},
    {VANTOR_REASON_NO_SINGLE_RISK, "model"},
    {VANTOR_REASON_TWO_STAGES_NEED_ALLELIC, "test"},
    {VANTOR_REASON_NO_EFFECT, "relative_risk"},
    {VANTOR_REASON_MARKER_WITHOUT_LD, "ld"},
    {VANTOR_REASON_SMALLEST_TOTAL_COST, "cost_ratio"},
    {VANTOR_REASON_STAGE_GROUP_EMPTY, "total"},
    {VANTOR_REASON_BAD_SOLVE, "solve"},
    {VANTOR_REASON_BAD_STAGES, "stages"},
    {VANTOR_REASON_SOLVE_MISMATCH, "solve"},
    {VANTOR_REASON_BAD_CALCULATION, "calculation"},
    {VANTOR_REASON_GENOTYPES_NEED_MODEL, "calculation"},
    {VANTOR_REASON_TWO_STAGES_ARE_CLASSIC, "calculation"},
    {VANTOR_REASON_BAD_REPLICATES, "replicates"},
    {VANTOR_REASON_BAD_SEED, "seed"},
    {VANTOR_REASON_SEED_WITHOUT_REPLICATES, "seed"},
    {VANTOR_REASON_BAD_AVAILABLE, "cases_available"},
    {VANTOR_REASON_BAD_PANEL, "panel"},
    {VANTOR_REASON_BAD_MONEY, "stage1_cost_per_person"},
    {VANTOR_REASON_COSTS_TWO_WAYS, "cost_ratio"},
    {VANTOR_REASON_MONEY_COUNTS_PEOPLE, "count"},
    {VANTOR_REASON_PLAN_NEEDS_MARKERS, "markers"},
    {VANTOR_REASON_LIMITS_NOT_READ, "cases_available"},
    {VANTOR_REASON_GENOTYPIC_ONE_STAGE, "test"},
};

constexpr Named kStatuses[] = {
    {VANTOR_FOUND, "FOUND"},
    {VANTOR_FOUND_WITH_WARNING, "FOUND_WITH_WARNING"},
    {VANTOR_NOT_REACHABLE, "NOT_REACHABLE"},
    {VANTOR_INVALID_INPUT, "INVALID_INPUT"},
};

template <std::size_t N>
const char *name_of(const Named (&table)[N], std::int32_t code) {
    for (const Named &n : table) {
        if (n.code == code) {
            return n.name;
        }
    }
    return nullptr;
}

}  // namespace

extern "C" {

const char *REC_record_name(std::int32_t record) {
    const Record *r = record_of(record);
    return r != nullptr ? r->name : nullptr;
}

std::int32_t REC_record_size(std::int32_t record) {
    const Record *r = record_of(record);
    return r != nullptr ? r->size : -1;
}

std::int32_t REC_field_count(std::int32_t record) {
    const Record *r = record_of(record);
    return r != nullptr ? r->field_count : -1;
}

const REC_field *REC_field_at(std::int32_t record, std::int32_t index) {
    const Record *r = record_of(record);
    if (r == nullptr || index < 0 || index >= r->field_count) {
        return nullptr;
    }
    return &r->fields[index];
}

const REC_field *REC_field_named(std::int32_t record, const char *name) {
    const Record *r = record_of(record);
    for (std::int32_t i = 0; r != nullptr && i < r->field_count; ++i) {
        if (same(r->fields[i].name, name)) {
            return &r->fields[i];
        }
    }
    return nullptr;
}

namespace {

struct Rounded {
    const char *name;
    std::int32_t record;
    std::int32_t rounding;
};

constexpr Rounded kRounded[] = {
    {"odds_ratio", REC_EFFECT_RESULT, REC_ROUND_AWAY_FROM_ONE},
    {"relative_risk", REC_RISK_RESULT, REC_ROUND_AWAY_FROM_ONE},
    {"marker_alpha", REC_POWER_RESULT, REC_ROUND_DOWN},
    {"marker_alpha", REC_SIZE_RESULT, REC_ROUND_DOWN},
    {"marker_alpha", REC_RISK_RESULT, REC_ROUND_DOWN},
    {"final_alpha", REC_DESIGN_RESULT, REC_ROUND_DOWN},
};

}  // namespace

std::int32_t REC_field_rounding(std::int32_t record, const char *name) {
    for (const Rounded &one : kRounded) {
        if (one.record == record && name != nullptr && same(one.name, name)) {
            return one.rounding;
        }
    }
    return REC_ROUND_NEAREST;
}

std::int32_t REC_question_count(void) { return count_of(kQuestions); }

const REC_question *REC_question_at(std::int32_t index) {
    return index >= 0 && index < count_of(kQuestions) ? &kQuestions[index] : nullptr;
}

const REC_question *REC_question_named(const char *name) {
    for (const REC_question &q : kQuestions) {
        if (same(q.name, name)) {
            return &q;
        }
    }
    return nullptr;
}

const char *REC_choice_word(const char *choice, std::int32_t index, std::int32_t *code) {
    std::int32_t seen = 0;
    for (const Word &w : kWords) {
        if (same(w.choice, choice) && seen++ == index) {
            if (code != nullptr) {
                *code = w.code;
            }
            return w.word;
        }
    }
    return nullptr;
}

std::int32_t REC_choice_code(const char *choice, const char *word) {
    for (const Word &w : kWords) {
        if (same(w.choice, choice) && same(w.word, word)) {
            return w.code;
        }
    }
    return kNoCode;
}

const char *REC_choice_name(const char *choice, std::int32_t code) {
    for (const Word &w : kWords) {
        if (same(w.choice, choice) && w.code == code) {
            return w.word;
        }
    }
    return nullptr;
}

const char *REC_reason_name(std::int32_t reason) { return name_of(kReasons, reason); }

const char *REC_reason_input(std::int32_t reason) { return name_of(kReasonInputs, reason); }

std::int32_t REC_reason_count(void) { return count_of(kReasons); }

std::int32_t REC_reason_at(std::int32_t index) {
    return index >= 0 && index < count_of(kReasons) ? kReasons[index].code : -1;
}

const char *REC_status_name(std::int32_t status) { return name_of(kStatuses, status); }

}  // extern "C"
