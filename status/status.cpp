// Statuses, reasons, their words, and the checks of every input.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "status/status.h"
// clang-format on

#include <cmath>
#include <cstdint>

#include "power/statistic.h"
#include "status/partner_rounding.h"

static_assert(vantor::kLargestPartnerCount == VANTOR_LARGEST_COUNT,
              "partners are rounded within the largest count");

namespace {

constexpr std::int32_t kLargestCount = VANTOR_LARGEST_COUNT;
constexpr double kLowestAlpha = 1e-12;

struct ReasonText {
    std::int32_t reason;
    const char *text;
};

constexpr ReasonText kReasonTexts[] = {
    {VANTOR_REASON_NONE, "the target power is reached"},
    {VANTOR_REASON_FEW_EXPECTED_ALLELES,
     "fewer than 5 copies of an allele are expected in a group, so the normal approximation "
     "behind this answer is doubtful"},
    {VANTOR_REASON_UNEVEN_ROUNDING,
     "rounding the partner group's size makes the power rise unevenly near this answer, so a few "
     "larger sizes may fall short of the target"},
    {VANTOR_REASON_JOINT_UNBALANCED,
     "the joint analysis counts each stage's controls for both groups, as if cases and "
     "controls were equally many: with another case fraction its power is approximate"},
    {VANTOR_REASON_FEW_EXPECTED_GENOTYPES,
     "fewer than 5 people of a genotype class the test tells apart are expected in a group, so "
     "the approximation behind this answer is doubtful"},
    {VANTOR_REASON_NOT_SIMULATED,
     "the power is the formula's, but this study could not be simulated: its rates or genotype "
     "frequencies are beyond what double precision can draw"},
    {VANTOR_REASON_LEVELS_OFF_WITH_GROUP_FIXED,
     "with the other group's size fixed, the power levels off below the target however large "
     "this group grows"},
    {VANTOR_REASON_BEYOND_LARGEST_COUNT,
     "the size needed is larger than the largest count, 1073741823 people (2147483647 alleles) "
     "in a group"},
    {VANTOR_REASON_LEVELS_OFF_WITH_EFFECT,
     "the power levels off below the target however strong the effect: the significance level "
     "is too strict for these counts"},
    {VANTOR_REASON_POWER_TOO_IRREGULAR,
     "the power rises and falls too often along this search for an exact answer"},
    {VANTOR_REASON_BUDGET_TOO_SMALL,
     "the budget does not pay for a two-stage design with one case and one control in each "
     "stage"},
    {VANTOR_REASON_POWER_NOT_COMPUTABLE,
     "the power is not a number for these inputs: a rate this close to 0 or 1 is beyond what "
     "double precision can compute"},
    {VANTOR_REASON_CASES_AVAILABLE_TOO_FEW,
     "no design within the cases available reaches the target power"},
    {VANTOR_REASON_CONTROLS_AVAILABLE_TOO_FEW,
     "no design within the controls available reaches the target power"},
    {VANTOR_REASON_PANEL_TOO_SMALL,
     "the panel holds fewer markers than pass stage 1 (markers x stage 1 level) at the least "
     "stage 1 level this analysis allows, or at the level given"},
    {VANTOR_REASON_BAD_CASES,
     "the number of cases must be a whole number from 1 to 1073741823 people (2147483647 "
     "alleles)"},
    {VANTOR_REASON_BAD_CONTROLS,
     "the number of controls must be a whole number from 1 to 1073741823 people (2147483647 "
     "alleles)"},
    {VANTOR_REASON_BAD_CONTROL_RATE,
     "the risk-allele rate among controls must lie strictly between 0 and 1"},
    {VANTOR_REASON_BAD_ALPHA, "the significance level must be at least 1e-12 and below 1"},
    {VANTOR_REASON_BAD_ODDS_RATIO, "the odds ratio must be a positive number other than 1"},
    {VANTOR_REASON_BAD_TARGET_POWER,
     "the target power must be above the significance level and below 1"},
    {VANTOR_REASON_BAD_RATIO,
     "the ratio of the two groups must be a positive number, and one person's or allele's "
     "partners must fit the largest count, 1073741823 people (2147483647 alleles)"},
    {VANTOR_REASON_BAD_COUNT, "the counting unit must be people (two alleles each) or alleles"},
    {VANTOR_REASON_BAD_METHOD,
     "the two-stage analysis must be replication, product (of p-values) or joint"},
    {VANTOR_REASON_BAD_STAGE1_SHARE,
     "stage 1's share of the total must lie strictly between 0 and 1"},
    {VANTOR_REASON_BAD_CASE_FRACTION,
     "the case fraction (the cases' share of each stage) must lie strictly between 0 and 1"},
    {VANTOR_REASON_BAD_STAGE1_ALPHA,
     "the stage 1 level must be below 1 and leave room for the overall level: at least "
     "twice it for replication and joint analysis, above it for the product of p-values"},
    {VANTOR_REASON_BAD_COST_RATIO,
     "the cost ratio (of a stage 2 genotype to a stage 1 one) must be a positive "
     "number"},
    {VANTOR_REASON_BAD_BUDGET, "the budget per marker must be a positive number"},
    {VANTOR_REASON_BAD_VARIANCE,
     "the variance must be pooled (the allelic chi-square test) or unpooled (each group's "
     "own rate)"},
    {VANTOR_REASON_BAD_STUDY_SIZE,
     "the study record has another size than this library's: the caller was built for another "
     "version of vantor (start the record with STU_study_init)"},
    {VANTOR_REASON_BAD_EFFECT_KIND, "the kind of effect description is not one this library knows"},
    {VANTOR_REASON_BAD_DIRECTION,
     "the direction of the detectable odds ratio must be above or below 1"},
    {VANTOR_REASON_LEVELS_OFF_WITH_RISK,
     "the power levels off below the target however strong the relative risk within the "
     "model's valid range"},
    {VANTOR_REASON_BAD_FREQUENCY,
     "the risk allele's frequency in the population must lie strictly between 0 and 1"},
    {VANTOR_REASON_BAD_PREVALENCE, "the prevalence must lie strictly between 0 and 1"},
    {VANTOR_REASON_BAD_MODEL,
     "the genetic model must be multiplicative, additive, dominant, recessive or free"},
    {VANTOR_REASON_BAD_RELATIVE_RISK, "a genotype relative risk must be a positive number"},
    {VANTOR_REASON_RISK_ABOVE_ONE,
     "the model gives a genotype a risk of disease above 1: the prevalence or the relative risk "
     "is too high for this frequency"},
    {VANTOR_REASON_NEGATIVE_RISK,
     "the additive model with a relative risk of 1/2 or less gives two copies a risk of zero or "
     "less: every genotype's relative risk must be positive"},
    {VANTOR_REASON_BAD_CONTROLS_KIND, "the controls must be unaffected or population controls"},
    {VANTOR_REASON_BAD_LD_KIND,
     "the marker's linkage disequilibrium must be given as D' or r^2, or the marker is the "
     "causal variant"},
    {VANTOR_REASON_BAD_MARKER_FREQUENCY,
     "the marker allele's frequency must lie strictly between 0 and 1"},
    {VANTOR_REASON_BAD_LD, "D' and r^2 must lie from 0 to 1"},
    {VANTOR_REASON_LD_BEYOND_FREQUENCIES,
     "r^2 is larger than the risk allele's and the marker allele's frequencies allow"},
    {VANTOR_REASON_BAD_TEST, "the test must be allelic, trend, dominant, recessive or genotypic"},
    {VANTOR_REASON_TEST_NEEDS_MODEL,
     "the trend, dominant, recessive and genotypic tests need genotype frequencies: describe the "
     "effect by a disease model"},
    {VANTOR_REASON_GENOTYPE_TEST_COUNTS_PEOPLE,
     "a genotype test counts people: counting alleles is for the allelic test"},
    {VANTOR_REASON_GENOTYPIC_ONE_STATISTIC,
     "the genotypic test has one statistic: the unpooled variance is for the allelic, trend, "
     "dominant and recessive tests"},
    {VANTOR_REASON_BAD_MARKERS, "the number of markers must be a number from 1"},
    {VANTOR_REASON_BAD_MARKER_ALPHA,
     "the level per marker (the significance level divided by the number of markers) must be "
     "at least 1e-12 and below 1"},
    {VANTOR_REASON_NO_SINGLE_RISK,
     "the free model has no single relative risk to solve for: choose a one-parameter model"},
    {VANTOR_REASON_TWO_STAGES_NEED_ALLELIC, "the two-stage analyses use the allelic test"},
    {VANTOR_REASON_NO_EFFECT,
     "a relative risk of 1 (in the free model, both of 1) is no effect: its power would be the "
     "level itself"},
    {VANTOR_REASON_MARKER_WITHOUT_LD,
     "a marker with D' or r^2 of 0 carries no association with the risk allele: its power would "
     "be the level itself"},
    {VANTOR_REASON_BAD_DESIGN_ALPHA,
     "the overall level must leave room for a stage 1 level of at most 0.5: at most 0.25 "
     "for replication and joint analysis, below 0.5 for the product of p-values"},
    {VANTOR_REASON_MISSING_INPUT, "{input} is missing: {why}"},
    {VANTOR_REASON_MISSING_EFFECT,
     "{input} is missing: {why} (or describe the effect by a disease model: {frequency}, "
     "{prevalence}, {relative_risk} ...)"},
    {VANTOR_REASON_MISSING_OR_OPEN,
     "{input} is missing: {why} (or leave it as the one input open and give {target_power})"},
    {VANTOR_REASON_MISSING_CONTROLS,
     "{input} is missing: {why} (or give {controls_per_case}; or leave it open and give "
     "{target_power})"},
    {VANTOR_REASON_MISSING_FREE_RISK, "{input} is missing: {why} (the free model's two risks)"},
    {VANTOR_REASON_MISSING_ODDS_RATIO,
     "{input} is missing: {why} (or describe the effect by a disease model)"},
    {VANTOR_REASON_MISSING_STAGE_COUNT,
     "{input} is missing: {why} (give all four of {stage1_cases}, {stage1_controls}, "
     "{stage2_cases} and {stage2_controls})"},
    {VANTOR_REASON_TWO_EFFECTS,
     "describe the effect either by {odds_ratio} and {control_rate} or by a disease model "
     "({frequency}, {prevalence}, {relative_risk} ...), not both: {input} is given with {other}"},
    {VANTOR_REASON_TWO_LD_INPUTS,
     "give at most one of {d_prime} and {r_squared} (neither: the marker is the causal variant)"},
    {VANTOR_REASON_MARKER_FREQUENCY_WITHOUT_LD,
     "{marker_frequency} is a marker's in linkage disequilibrium with the risk allele: give its "
     "{d_prime} or {r_squared} too (neither: the marker is the causal variant)"},
    {VANTOR_REASON_RISK_OF_ONE_PARAMETER_MODEL,
     "{relative_risk} is a one-parameter model's: {model} free takes {heterozygote_risk} and "
     "{homozygote_risk}"},
    {VANTOR_REASON_RISK_OF_FREE_MODEL,
     "{input} is the free model's ({model} free): the other models take {relative_risk}"},
    {VANTOR_REASON_TWO_PARTNERS,
     "give one of {controls}, {controls_per_case} and {cases_per_control}"},
    {VANTOR_REASON_RATIO_SOLVES_BOTH,
     "{cases_per_control} solves the cases and controls together: give {target_power} and "
     "leave {cases} open"},
    {VANTOR_REASON_DIRECTION_OF_ODDS_RATIO,
     "{direction} chooses the side of 1 of the odds ratio found: give {target_power} and leave "
     "{odds_ratio} open"},
    {VANTOR_REASON_DIRECTION_OF_RISK,
     "{direction} chooses the side of 1 of the relative risk found: give {target_power} and "
     "leave {relative_risk} open"},
    {VANTOR_REASON_LEAVE_ONE_OPEN,
     "leave exactly one of {cases}, {controls} (or {controls_per_case}), the effect "
     "({odds_ratio}, or a disease model's {relative_risk}) and {target_power} open: that one is "
     "solved"},
    {VANTOR_REASON_COUNTS_AND_TOTAL,
     "give the four counts of the stages, or {total} or {target_power} with {stage1_share}, not "
     "both"},
    {VANTOR_REASON_TOTAL_OR_TARGET,
     "give one of {total} (its power is computed), {target_power} (the smallest total reaching "
     "it is found) and the four counts of the stages ({stage1_cases} ...)"},
    {VANTOR_REASON_TARGET_OR_BUDGET,
     "give one of {target_power} (the cheapest design reaching it is found) and {budget} (the "
     "most powerful design within it is found)"},
    {VANTOR_REASON_SMALLEST_TOTAL_COST,
     "the smallest total's cost is counted at cost ratio 1; ask for the power of its {total} to "
     "have its cost at another"},
    {VANTOR_REASON_STAGE_GROUP_EMPTY,
     "every stage needs at least one case and one control at this {stage1_share} and "
     "{case_fraction}"},
    {VANTOR_REASON_BAD_SOLVE,
     "what is solved must be power, size or effect for one stage, power, size (the smallest "
     "total) or design for two"},
    {VANTOR_REASON_BAD_STAGES, "a study has 1 or 2 stages"},
    {VANTOR_REASON_INPUT_NOT_READ,
     "this question does not read it (it belongs to another kind of study or question)"},
    {VANTOR_REASON_BAD_CALCULATION,
     "the power is calculated from the genotypes or by the classic formulas"},
    {VANTOR_REASON_GENOTYPES_NEED_MODEL,
     "the power is calculated from the genotypes only for a disease model counting people"},
    {VANTOR_REASON_TWO_STAGES_ARE_CLASSIC,
     "two stages are calculated by the classic formulas, on the odds ratio at the marker"},
    {VANTOR_REASON_BAD_REPLICATES,
     "the simulated studies must be a whole number from 1 to 1000000000"},
    {VANTOR_REASON_BAD_SEED, "a seed is a whole number from 0 to 9007199254740991 (2^53 - 1)"},
    {VANTOR_REASON_SEED_WITHOUT_REPLICATES,
     "a seed is read by a simulation only: give {replicates} to simulate the power"},
    {VANTOR_REASON_BAD_AVAILABLE,
     "people available must be a whole number: at least 2 cases or controls over both stages, "
     "at least 1 control in a stage, and at most twice the largest count"},
    {VANTOR_REASON_BAD_PANEL, "the panel must hold at least one marker (a finite number)"},
    {VANTOR_REASON_BAD_MONEY,
     "a cost in money must be from 0 to 1e15, and stage 1's cost per person above 0"},
    {VANTOR_REASON_COSTS_TWO_WAYS,
     "give the costs as a {cost_ratio} or in money ({stage1_cost_per_person} ...), not both"},
    {VANTOR_REASON_MONEY_COUNTS_PEOPLE, "costs in money are per person: count people"},
    {VANTOR_REASON_PLAN_NEEDS_MARKERS,
     "a panel and a cost per stage 2 genotype need the number of {markers} typed in stage 1 "
     "(more than 1)"},
    {VANTOR_REASON_LIMITS_NOT_READ,
     "limits on people, the panel and a fixed stage 1 level or share are read by the design "
     "questions (a smallest total, the cheapest or most powerful design), not by a design's "
     "power"},
    {VANTOR_REASON_GENOTYPIC_ONE_STAGE,
     "the genotypic test is single-stage: two stages take the allelic, trend, dominant or "
     "recessive test"},
    {VANTOR_REASON_BAD_GENOTYPES,
     "each group's genotype frequencies must be three numbers from 0 to 1 summing to 1, and the "
     "test's scores must vary"},
    {VANTOR_REASON_SOLVE_MISMATCH,
     "the inputs given ask for another answer: give the others and leave open only what is "
     "solved"},
};

// `number` people or alleles (`count`, the allele draws of one) fit.
bool is_count(std::int64_t number, std::int32_t count) {
    return number >= 1 && number <= kLargestCount / count;
}

bool few_expected(double count, double rate) {
    return count * rate < VANTOR_FEW_EXPECTED_ALLELES ||
           count * (1 - rate) < VANTOR_FEW_EXPECTED_ALLELES;
}

}  // namespace

extern "C" {

const char *VANTOR_message(std::int32_t reason) {
    for (const ReasonText &entry : kReasonTexts) {
        if (entry.reason == reason) {
            return entry.text;
        }
    }
    return "unknown reason code";
}

std::int32_t VANTOR_status_of_reason(std::int32_t reason) {
    if (reason == VANTOR_REASON_NONE) {
        return VANTOR_FOUND;
    }
    if (reason >= 10 && reason <= 29) {
        return VANTOR_FOUND_WITH_WARNING;
    }
    if (reason >= 30 && reason <= 69) {
        return VANTOR_NOT_REACHABLE;
    }
    return VANTOR_INVALID_INPUT;
}

const char *VANTOR_status_name(std::int32_t status) {
    switch (status) {
        case VANTOR_FOUND:
            return "found";
        case VANTOR_FOUND_WITH_WARNING:
            return "found with a warning";
        case VANTOR_NOT_REACHABLE:
            return "not reachable";
        case VANTOR_INVALID_INPUT:
            return "invalid input";
        default:
            return "unknown status";
    }
}

std::int32_t VANTOR_check_count(std::int32_t count) {
    return count == VANTOR_COUNT_ALLELES || count == VANTOR_COUNT_PEOPLE ? VANTOR_REASON_NONE
                                                                         : VANTOR_REASON_BAD_COUNT;
}

std::int32_t VANTOR_check_cases(std::int64_t cases, std::int32_t count) {
    if (VANTOR_check_count(count) != VANTOR_REASON_NONE) {
        return VANTOR_REASON_BAD_COUNT;
    }
    return is_count(cases, count) ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_CASES;
}

std::int32_t VANTOR_check_controls(std::int64_t controls, std::int32_t count) {
    if (VANTOR_check_count(count) != VANTOR_REASON_NONE) {
        return VANTOR_REASON_BAD_COUNT;
    }
    return is_count(controls, count) ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_CONTROLS;
}

std::int32_t VANTOR_check_control_rate(double control_rate) {
    return control_rate > 0 && control_rate < 1 ? VANTOR_REASON_NONE
                                                : VANTOR_REASON_BAD_CONTROL_RATE;
}

std::int32_t VANTOR_check_alpha(double alpha) {
    return alpha >= kLowestAlpha && alpha < 1 ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_ALPHA;
}

std::int32_t VANTOR_check_odds_ratio(double odds_ratio) {
    const bool effect = std::isfinite(odds_ratio) && odds_ratio > 0 && odds_ratio != 1;
    return effect ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_ODDS_RATIO;
}

std::int32_t VANTOR_check_target_power(double target_power, double alpha) {
    return target_power > alpha && target_power < 1 ? VANTOR_REASON_NONE
                                                    : VANTOR_REASON_BAD_TARGET_POWER;
}

std::int32_t VANTOR_check_ratio(double ratio, std::int32_t count) {
    if (VANTOR_check_count(count) != VANTOR_REASON_NONE) {
        return VANTOR_REASON_BAD_COUNT;
    }
    const bool usable = std::isfinite(ratio) && ratio > 0 && vantor::partner_fits(ratio, 1, count);
    return usable ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_RATIO;
}

std::int32_t VANTOR_check_variance(std::int32_t variance) {
    const bool known = variance == PWR_VARIANCE_POOLED || variance == PWR_VARIANCE_UNPOOLED;
    return known ? VANTOR_REASON_NONE : VANTOR_REASON_BAD_VARIANCE;
}

std::int32_t VANTOR_check_expected_alleles(std::int64_t cases, std::int64_t controls,
                                           double case_rate, double control_rate) {
    const bool doubtful = few_expected(static_cast<double>(cases), case_rate) ||
                          few_expected(static_cast<double>(controls), control_rate);
    return doubtful ? VANTOR_REASON_FEW_EXPECTED_ALLELES : VANTOR_REASON_NONE;
}

}  // extern "C"
