// Statuses, reasons, their words, and the checks of every input.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "status/status.h"
// clang-format on

#include <cmath>
#include <cstdint>

#include "status/partner_rounding.h"
#include "power/statistic.h"

namespace {

constexpr std::int32_t kLargestCount = SLV_LARGEST_COUNT;
constexpr double kLowestAlpha = 1e-12;

struct ReasonText {
    std::int32_t reason;
    const char *text;
};

constexpr ReasonText kReasonTexts[] = {
    {SLV_REASON_NONE, "the target power is reached"},
    {SLV_REASON_FEW_EXPECTED_ALLELES,
     "fewer than 5 copies of an allele are expected in a group, so the normal approximation "
     "behind this answer is doubtful"},
    {SLV_REASON_UNEVEN_ROUNDING,
     "rounding the partner group's size makes the power rise unevenly near this answer, so a few "
     "larger sizes may fall short of the target"},
    {SLV_REASON_JOINT_UNBALANCED,
     "the joint analysis counts each stage's controls for both groups, as if cases and "
     "controls were equally many: with another case fraction its power is approximate"},
    {SLV_REASON_LEVELS_OFF_WITH_GROUP_FIXED,
     "with the other group's size fixed, the power levels off below the target however large "
     "this group grows"},
    {SLV_REASON_BEYOND_LARGEST_COUNT,
     "the size needed is larger than the largest count, 1073741823 people (2147483647 alleles) "
     "in a group"},
    {SLV_REASON_LEVELS_OFF_WITH_EFFECT,
     "the power levels off below the target however strong the effect: the significance level "
     "is too strict for these counts"},
    {SLV_REASON_POWER_TOO_IRREGULAR,
     "the power rises and falls too often along this search for an exact answer"},
    {SLV_REASON_BUDGET_TOO_SMALL,
     "the budget does not pay for a two-stage design with one case and one control in each "
     "stage"},
    {SLV_REASON_POWER_NOT_COMPUTABLE,
     "the power is not a number for these inputs: a rate this close to 0 or 1 is beyond what "
     "double precision can compute"},
    {SLV_REASON_BAD_CASES,
     "the number of cases must be a whole number from 1 to 1073741823 people (2147483647 "
     "alleles)"},
    {SLV_REASON_BAD_CONTROLS,
     "the number of controls must be a whole number from 1 to 1073741823 people (2147483647 "
     "alleles)"},
    {SLV_REASON_BAD_CONTROL_RATE,
     "the risk-allele rate among controls must lie strictly between 0 and 1"},
    {SLV_REASON_BAD_ALPHA, "the significance level must be at least 1e-12 and below 1"},
    {SLV_REASON_BAD_ODDS_RATIO, "the odds ratio must be a positive number other than 1"},
    {SLV_REASON_BAD_TARGET_POWER,
     "the target power must be above the significance level and below 1"},
    {SLV_REASON_BAD_RATIO,
     "the ratio of the two groups must be a positive number, and one person's or allele's "
     "partners must fit the largest count, 1073741823 people (2147483647 alleles)"},
    {SLV_REASON_BAD_UNIT, "the counting unit must be people (two alleles each) or alleles"},
    {SLV_REASON_BAD_METHOD,
     "the two-stage analysis must be replication, product (of p-values) or joint"},
    {SLV_REASON_BAD_STAGE0_SHARE, "stage 1's share of the total must lie strictly between 0 and 1"},
    {SLV_REASON_BAD_CASE_FRACTION,
     "the case fraction (the cases' share of each stage) must lie strictly between 0 and 1"},
    {SLV_REASON_BAD_STAGE0_ALPHA,
     "the stage 1 level must be below 1 and leave room for the overall level: at least "
     "twice it for replication and joint analysis, above it for the product of p-values"},
    {SLV_REASON_BAD_COST_RATIO,
     "the cost ratio (of a stage 2 genotype to a stage 1 one) must be a positive "
     "number"},
    {SLV_REASON_BAD_BUDGET, "the budget per marker must be a positive number"},
    {SLV_REASON_BAD_STATISTIC,
     "the variance must be pooled (the allelic chi-square test) or unpooled (each group's "
     "own rate)"},
    {SLV_REASON_BAD_STUDY_SIZE,
     "the study record has another size than this library's: the caller was built for another "
     "version of vantor (start the record with STU_study_init)"},
    {SLV_REASON_BAD_EFFECT_KIND, "the kind of effect description is not one this library knows"},
    {SLV_REASON_BAD_DIRECTION,
     "the direction of the detectable odds ratio must be above or below 1"},
    {SLV_REASON_LEVELS_OFF_WITH_RISK,
     "the power levels off below the target however strong the relative risk within the "
     "model's valid range"},
    {SLV_REASON_BAD_FREQUENCY,
     "the risk allele's frequency in the population must lie strictly between 0 and 1"},
    {SLV_REASON_BAD_PREVALENCE, "the prevalence must lie strictly between 0 and 1"},
    {SLV_REASON_BAD_MODEL,
     "the genetic model must be multiplicative, additive, dominant, recessive or free"},
    {SLV_REASON_BAD_RELATIVE_RISK, "a genotype relative risk must be a positive number"},
    {SLV_REASON_RISK_ABOVE_ONE,
     "the model gives a genotype a risk of disease above 1: the prevalence or the relative risk "
     "is too high for this frequency"},
    {SLV_REASON_NEGATIVE_RISK,
     "the additive model with a relative risk of 1/2 or less gives two copies a risk of zero or "
     "less: every genotype's relative risk must be positive"},
    {SLV_REASON_BAD_CONTROLS_KIND, "the controls must be unaffected or population controls"},
    {SLV_REASON_BAD_LD_KIND,
     "the marker's linkage disequilibrium must be given as D' or r^2, or the marker is the "
     "causal variant"},
    {SLV_REASON_BAD_MARKER_FREQUENCY,
     "the marker allele's frequency must lie strictly between 0 and 1"},
    {SLV_REASON_BAD_LD, "D' and r^2 must lie from 0 to 1"},
    {SLV_REASON_LD_BEYOND_FREQUENCIES,
     "r^2 is larger than the risk allele's and the marker allele's frequencies allow"},
    {SLV_REASON_BAD_TEST, "the test must be allelic, trend, dominant, recessive or genotypic"},
    {SLV_REASON_TEST_NEEDS_MODEL,
     "the trend, dominant, recessive and genotypic tests need genotype frequencies: describe the "
     "effect by a disease model"},
    {SLV_REASON_GENOTYPE_TEST_COUNTS_PEOPLE,
     "a genotype test counts people: counting alleles is for the allelic test"},
    {SLV_REASON_GENOTYPIC_ONE_STATISTIC,
     "the genotypic test has one statistic: the unpooled variance is for the allelic, trend, "
     "dominant and recessive tests"},
    {SLV_REASON_BAD_MARKERS, "the number of markers must be a number from 1"},
    {SLV_REASON_BAD_MARKER_ALPHA,
     "the level per marker (the significance level divided by the number of markers) must be "
     "at least 1e-12 and below 1"},
    {SLV_REASON_NO_SINGLE_RISK,
     "the free model has no single relative risk to solve for: choose a one-parameter model"},
    {SLV_REASON_TWO_STAGES_NEED_ALLELIC, "the two-stage analyses use the allelic test"},
    {SLV_REASON_NO_EFFECT,
     "a relative risk of 1 (in the free model, both of 1) is no effect: its power would be the "
     "level itself"},
    {SLV_REASON_MARKER_WITHOUT_LD,
     "a marker with D' or r^2 of 0 carries no association with the risk allele: its power would "
     "be the level itself"},
    {SLV_REASON_BAD_DESIGN_ALPHA,
     "the overall level must leave room for a stage 1 level of at most 0.5: at most 0.25 "
     "for replication and joint analysis, below 0.5 for the product of p-values"},
    {SLV_REASON_MISSING_INPUT, "{input} is missing: {why}"},
    {SLV_REASON_MISSING_EFFECT,
     "{input} is missing: {why} (or describe the effect by a disease model: {frequency}, "
     "{prevalence}, {relative_risk} ...)"},
    {SLV_REASON_MISSING_OR_OPEN,
     "{input} is missing: {why} (or leave it as the one input open and give {target_power})"},
    {SLV_REASON_MISSING_CONTROLS,
     "{input} is missing: {why} (or give {controls_per_case}; or leave it open and give "
     "{target_power})"},
    {SLV_REASON_MISSING_FREE_RISK, "{input} is missing: {why} (the free model's two risks)"},
    {SLV_REASON_MISSING_ODDS_RATIO,
     "{input} is missing: {why} (or describe the effect by a disease model)"},
    {SLV_REASON_MISSING_STAGE_COUNT,
     "{input} is missing: {why} (give all four of {stage1_cases}, {stage1_controls}, "
     "{stage2_cases} and {stage2_controls})"},
    {SLV_REASON_TWO_EFFECTS,
     "describe the effect either by {odds_ratio} and {control_rate} or by a disease model "
     "({frequency}, {prevalence}, {relative_risk} ...), not both: {input} is given with {other}"},
    {SLV_REASON_TWO_LD_INPUTS,
     "give at most one of {d_prime} and {r_squared} (neither: the marker is the causal variant)"},
    {SLV_REASON_MARKER_FREQUENCY_WITHOUT_LD,
     "{marker_frequency} is a marker's in linkage disequilibrium with the risk allele: give its "
     "{d_prime} or {r_squared} too (neither: the marker is the causal variant)"},
    {SLV_REASON_RISK_OF_ONE_PARAMETER_MODEL,
     "{relative_risk} is a one-parameter model's: {model} free takes {heterozygote_risk} and "
     "{homozygote_risk}"},
    {SLV_REASON_RISK_OF_FREE_MODEL,
     "{input} is the free model's ({model} free): the other models take {relative_risk}"},
    {SLV_REASON_TWO_PARTNERS,
     "give one of {controls}, {controls_per_case} and {cases_per_control}"},
    {SLV_REASON_RATIO_SOLVES_BOTH,
     "{cases_per_control} solves the cases and controls together: give {target_power} and "
     "leave {cases} open"},
    {SLV_REASON_DIRECTION_OF_ODDS_RATIO,
     "{direction} chooses the side of 1 of the odds ratio found: give {target_power} and leave "
     "{odds_ratio} open"},
    {SLV_REASON_DIRECTION_OF_RISK,
     "{direction} chooses the side of 1 of the relative risk found: give {target_power} and "
     "leave {relative_risk} open"},
    {SLV_REASON_LEAVE_ONE_OPEN,
     "leave exactly one of {cases}, {controls} (or {controls_per_case}), the effect "
     "({odds_ratio}, or a disease model's {relative_risk}) and {target_power} open: that one is "
     "solved"},
    {SLV_REASON_COUNTS_AND_TOTAL,
     "give the four counts of the stages, or {total} or {target_power} with {stage1_share}, not "
     "both"},
    {SLV_REASON_TOTAL_OR_TARGET,
     "give one of {total} (its power is computed), {target_power} (the smallest total reaching "
     "it is found) and the four counts of the stages ({stage1_cases} ...)"},
    {SLV_REASON_TARGET_OR_BUDGET,
     "give one of {target_power} (the cheapest design reaching it is found) and {budget} (the "
     "most powerful design within it is found)"},
    {SLV_REASON_SMALLEST_TOTAL_COST,
     "the smallest total's cost is counted at cost ratio 1; ask for the power of its {total} to "
     "have its cost at another"},
    {SLV_REASON_STAGE_GROUP_EMPTY,
     "every stage needs at least one case and one control at this {stage1_share} and "
     "{case_fraction}"},
    {SLV_REASON_BAD_SOLVE,
     "what is solved must be power, size or effect for one stage, power, size (the smallest "
     "total) or design for two"},
    {SLV_REASON_BAD_STAGES, "a study has 1 or 2 stages"},
    {SLV_REASON_INPUT_NOT_READ,
     "this question does not read it (it belongs to another kind of study or question)"},
    {SLV_REASON_SOLVE_MISMATCH,
     "the inputs given ask for another answer: give the others and leave open only what is "
     "solved"},
};

bool is_count(std::int64_t count, std::int32_t unit) {
    return count >= 1 && count <= kLargestCount / unit;
}

bool few_expected(double count, double rate) {
    return count * rate < SLV_FEW_EXPECTED_ALLELES || count * (1 - rate) < SLV_FEW_EXPECTED_ALLELES;
}

}  // namespace

extern "C" {

const char *SLV_message(std::int32_t reason) {
    for (const ReasonText &entry : kReasonTexts) {
        if (entry.reason == reason) {
            return entry.text;
        }
    }
    return "unknown reason code";
}

std::int32_t SLV_status_of_reason(std::int32_t reason) {
    if (reason == SLV_REASON_NONE) {
        return SLV_FOUND;
    }
    if (reason >= 10 && reason <= 29) {
        return SLV_FOUND_WITH_WARNING;
    }
    if (reason >= 30 && reason <= 69) {
        return SLV_NOT_REACHABLE;
    }
    return SLV_INVALID_INPUT;
}

const char *SLV_status_name(std::int32_t status) {
    switch (status) {
        case SLV_FOUND:
            return "found";
        case SLV_FOUND_WITH_WARNING:
            return "found with a warning";
        case SLV_NOT_REACHABLE:
            return "not reachable";
        case SLV_INVALID_INPUT:
            return "invalid input";
        default:
            return "unknown status";
    }
}

std::int32_t SLV_check_unit(std::int32_t unit) {
    return unit == SLV_UNIT_ALLELES || unit == SLV_UNIT_PEOPLE ? SLV_REASON_NONE
                                                               : SLV_REASON_BAD_UNIT;
}

std::int32_t SLV_check_cases(std::int64_t count, std::int32_t unit) {
    if (SLV_check_unit(unit) != SLV_REASON_NONE) {
        return SLV_REASON_BAD_UNIT;
    }
    return is_count(count, unit) ? SLV_REASON_NONE : SLV_REASON_BAD_CASES;
}

std::int32_t SLV_check_controls(std::int64_t count, std::int32_t unit) {
    if (SLV_check_unit(unit) != SLV_REASON_NONE) {
        return SLV_REASON_BAD_UNIT;
    }
    return is_count(count, unit) ? SLV_REASON_NONE : SLV_REASON_BAD_CONTROLS;
}

std::int32_t SLV_check_control_rate(double control_rate) {
    return control_rate > 0 && control_rate < 1 ? SLV_REASON_NONE : SLV_REASON_BAD_CONTROL_RATE;
}

std::int32_t SLV_check_alpha(double alpha) {
    return alpha >= kLowestAlpha && alpha < 1 ? SLV_REASON_NONE : SLV_REASON_BAD_ALPHA;
}

std::int32_t SLV_check_odds_ratio(double odds_ratio) {
    const bool effect = std::isfinite(odds_ratio) && odds_ratio > 0 && odds_ratio != 1;
    return effect ? SLV_REASON_NONE : SLV_REASON_BAD_ODDS_RATIO;
}

std::int32_t SLV_check_target_power(double target_power, double alpha) {
    return target_power > alpha && target_power < 1 ? SLV_REASON_NONE : SLV_REASON_BAD_TARGET_POWER;
}

std::int32_t SLV_check_ratio(double ratio, std::int32_t unit) {
    if (SLV_check_unit(unit) != SLV_REASON_NONE) {
        return SLV_REASON_BAD_UNIT;
    }
    const bool usable = std::isfinite(ratio) && ratio > 0 && vantor::partner_fits(ratio, 1, unit);
    return usable ? SLV_REASON_NONE : SLV_REASON_BAD_RATIO;
}

std::int32_t SLV_check_statistic(std::int32_t statistic) {
    const bool known = statistic == PWR_STATISTIC_POOLED || statistic == PWR_STATISTIC_UNPOOLED;
    return known ? SLV_REASON_NONE : SLV_REASON_BAD_STATISTIC;
}

std::int32_t SLV_check_expected_alleles(std::int64_t cases, std::int64_t controls, double case_rate,
                                        double control_rate) {
    const bool doubtful = few_expected(static_cast<double>(cases), case_rate) ||
                          few_expected(static_cast<double>(controls), control_rate);
    return doubtful ? SLV_REASON_FEW_EXPECTED_ALLELES : SLV_REASON_NONE;
}

}  // extern "C"
