/* The questions a planner asks of a case-control study, each one checked
 * function over one description of the study.
 *
 * A study (STU_study) describes once what does not change while one unknown
 * is solved: the effect (today an allelic odds ratio and the risk-allele
 * rate among controls), the test statistic's variance, the significance
 * level, the counting unit (`count`), and for two stages the analysis, the first-stage level and
 * the cases' share of each stage. Each question takes the study, its own
 * knowns and a result record, checks every input it reads with the checks
 * of status/status.h (the first refused input's reason, before anything is
 * computed), and answers with a status, a reason (VANTOR_message gives the
 * words) and its values:
 *
 *   STU_power                 power of given cases and controls
 *   STU_cases_for_controls    cases for a target power, controls fixed
 *   STU_controls_for_cases    controls for a target power, cases fixed
 *   STU_cases_for_ratio       cases for a target power, controls per case fixed
 *   STU_controls_for_ratio    controls for a target power, cases per control fixed
 *   STU_odds_ratio            the detectable odds ratio above or below 1
 *   STU_two_stage_power       power and cost of a two-stage design with given counts
 *   STU_two_stage_power_of_total  the same for a total split by the first stage's share
 *   STU_smallest_total        smallest two-stage total for a target power
 *   STU_cheapest_design       cheapest two-stage design for a target power
 *   STU_most_powerful_design  most powerful two-stage design within a budget
 *
 * They answer exactly as the solvers of search/solve.h and the design
 * questions of search/design.h do (they are built on them): the same numbers,
 * bit for bit, with counts in the study's unit. A question reads only the
 * fields it needs: the single-stage questions ignore the two-stage fields,
 * and STU_odds_ratio the study's odds ratio (its unknown).
 *
 * The record. Its first field is its size as the caller was compiled:
 * initialise it with STU_study_init, which sets the size, and every question
 * refuses a record of another size (VANTOR_REASON_BAD_STUDY_SIZE), so a caller
 * built against another version of the library is told, not misread. A
 * binding that lays the record out itself compares its size with
 * STU_study_size() when it loads. The effect is a kind and a union of
 * descriptions, one per kind; a new kind adds a member (and the size
 * changes with the union).
 *
 * Counts. Counts are in the study's unit: people (VANTOR_COUNT_PEOPLE, two
 * alleles each) or allele draws (VANTOR_COUNT_ALLELES); they enter the formulas
 * as allele draws.
 *
 * Reentrancy: every question keeps its state on the stack, reads and writes
 * nothing else (no thread state: two identical questions give identical
 * answers in any order, on any thread) and may run on many threads at once.
 * Usable from C and C++. */
#ifndef VANTOR_QUESTION_STUDY_H
#define VANTOR_QUESTION_STUDY_H

#include <stdint.h>

#include "disease/disease_model.h"
#include "disease/genotype_tests.h"
#include "power/statistic.h"
#include "question/study_record.h"
#include "search/design.h"
#include "search/solve.h"
#include "status/status.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The significance level to take when none is given: STU_DEFAULT_ALPHA,
 * already a per-marker level, for one marker; 0.05, the study-wide level
 * the Bonferroni correction divides, for more markers. */
double STU_default_alpha(double markers);

/* sizeof(STU_study) as the library was compiled. */
int32_t STU_study_size(void);

/* Sets every field: the size, an allelic effect with odds ratio and rate not
 * a number (to be given), the pooled variance, people, the level
 * STU_DEFAULT_ALPHA, method -1 and first-stage level not a number (to be given
 * for two stages), case fraction 0.5, the allelic test, one marker, and
 * STU_CALCULATION_BY_STUDY. */
void STU_study_init(STU_study *study);

/* The calculation a single-stage question of the study uses
 * (STU_CALCULATION_CLASSIC or STU_CALCULATION_GENOTYPES): the study's own,
 * or for STU_CALCULATION_BY_STUDY genotypes for a disease model counting
 * people and classic otherwise. Two stages are classic (the field is not
 * read). Not checked: an unknown value is given back. */
int32_t STU_calculation_of(const STU_study *study);

/* The checks of the record itself and of its single-stage fields (size,
 * effect kind, odds ratio unless `odds_ratio_known` is 0, control rate,
 * level, markers, per-marker level, variance, count, test, calculation), in
 * that order: VANTOR_REASON_NONE or the first refused field's reason. */
int32_t STU_check_study(const STU_study *study, int32_t odds_ratio_known);

/* ---- Single stage ------------------------------------------------------- */

/* The power of `cases` and `controls` (study unit) at the study's level. A
 * few expected copies of an allele in either group (status/status.h) give
 * VANTOR_FOUND_WITH_WARNING; a power that is not a number (a rate within a few
 * subnormals of 0 or 1) VANTOR_NOT_REACHABLE with
 * VANTOR_REASON_POWER_NOT_COMPUTABLE. */
int32_t STU_power(const STU_study *study, int64_t cases, int64_t controls,
                  STU_power_result *result);

/* Sizes for a target power, as SLV_cases_for_controls ... SLV_controls_for_ratio
 * answer them (search/solve.h): the smallest size from which every larger
 * size reaches the target. */
int32_t STU_cases_for_controls(const STU_study *study, int64_t controls, double target_power,
                               STU_size_result *result);
int32_t STU_controls_for_cases(const STU_study *study, int64_t cases, double target_power,
                               STU_size_result *result);
int32_t STU_cases_for_ratio(const STU_study *study, double controls_per_case, double target_power,
                            STU_size_result *result);
int32_t STU_controls_for_ratio(const STU_study *study, double cases_per_control,
                               double target_power, STU_size_result *result);

/* The odds ratio detected with the target power, on the side `direction`
 * (STU_ABOVE_ONE or STU_BELOW_ONE; anything else is refused with
 * VANTOR_REASON_BAD_DIRECTION), as SLV_odds_ratio_above_one / _below_one answer
 * it. The study's odds ratio is not read. */
int32_t STU_odds_ratio(const STU_study *study, int64_t cases, int64_t controls, double target_power,
                       int32_t direction, SLV_effect_result *result);

/* The relative risk r of the study's one-parameter disease model detected
 * with the target power, above 1 or below 1 (`direction`): the model's r is
 * not read. The valid r form an interval (the lower end where f_0 reaches 1
 * or the model's own bound, 1/2 for the additive model; the upper end where
 * the largest penetrance reaches 1, which may be never); the search doubles
 * the distance to 1 from 1/8 until the target is passed or the end is
 * reached, then bisects to 1e-9 relative: the answer reaches the target and
 * r a relative 1e-9 nearer 1 does not (for a power rising with the
 * distance). Not reachable (VANTOR_REASON_LEVELS_OFF_WITH_RISK) when the power
 * at the end of the interval (or at a distance of 2^26) falls short. An
 * allelic effect is refused (VANTOR_REASON_BAD_EFFECT_KIND), the free model
 * too (VANTOR_REASON_NO_SINGLE_RISK). At most 64 power evaluations. */
int32_t STU_relative_risk(const STU_study *study, int64_t cases, int64_t controls,
                          double target_power, int32_t direction, STU_risk_result *result);

/* ---- Two stages ----------------------------------------------------------
 * As the questions of search/design.h, with the study's method, level (the
 * overall one), case fraction, variance and count; the second decision's
 * level is derived. The allelic test's analyses take a disease model as the
 * odds ratio and control rate at its marker, bit for bit as if they were
 * given; the trend, dominant and recessive tests take its genotype
 * frequencies at the marker (search/design.h), and the genotypic test is
 * refused (VANTOR_REASON_GENOTYPIC_ONE_STAGE); the number of markers divides the overall level only
 * (the first-stage level is already a per-marker share), and alpha[2] of the answer is the
 * per-marker overall level. */

/* The power of the design with these counts (per stage, study unit; index 0
 * is stage 1) at the study's first-stage level stage1_alpha, and its genotyping
 * cost per marker: stage 1's total + cost_ratio * stage1_alpha * stage 2's total
 * (study unit), as the design searches count it. Checks the study's
 * two-stage fields, stage1_alpha, the four counts and the cost ratio, in that
 * order. one_stage_total is 0 and relative_cost not a number. */
int32_t STU_two_stage_power(const STU_study *study, const int64_t cases[2],
                            const int64_t controls[2], double cost_ratio,
                            DSN_design_result *result);

/* As STU_two_stage_power for the design that a total of `total` (study
 * unit) becomes with the first stage's share `share` and the study's case
 * fraction (DSN_counts_of_total: 1,000 people with share 0.3 and case
 * fraction 0.5 are 150 cases and 150 controls in stage 1, 350 and 350 in
 * stage 2). The share is checked before the counts it gives. */
int32_t STU_two_stage_power_of_total(const STU_study *study, int64_t total, double share,
                                     double cost_ratio, DSN_design_result *result);

/* The smallest total reaching the target with the first stage's share
 * `share`, at the study's stage1_alpha, as DSN_smallest_total answers it. */
int32_t STU_smallest_total(const STU_study *study, double share, double target_power,
                           DSN_design_result *result);

/* The same total within the study's people available, its genotyping cost
 * at `cost_ratio` and its cost in money, compared with the one-stage study
 * (DSN_smallest_total_planned). */
int32_t STU_smallest_total_at_cost(const STU_study *study, double share, double target_power,
                                   double cost_ratio, DSN_design_result *result);

/* The cheapest design reaching the target within the study's limits and
 * costs (search/plan.h): fixed_stage1_alpha and fixed_stage1_share are kept
 * when they are numbers, searched otherwise (stage1_alpha is not read). */
int32_t STU_cheapest_design(const STU_study *study, double target_power, double cost_ratio,
                            DSN_design_result *result);

/* The most powerful design within `budget` (units per marker, or money with
 * costs in money), keeping the limits as STU_cheapest_design does. */
int32_t STU_most_powerful_design(const STU_study *study, double budget, double cost_ratio,
                                 DSN_design_result *result);

#ifdef __cplusplus
}
#endif

#endif
