/* Designing two-stage studies: the power of a given two-stage design with
 * checked inputs, the smallest total that reaches a target power, the
 * cheapest design (stage split and first-stage level) for a target power,
 * and the most powerful design within a budget.
 *
 * A two-stage study types every marker on stage 0's people and only the
 * markers that passed stage 0 (a fraction alpha0 of them under no
 * association) on stage 1's. Its genotyping cost per marker is therefore
 *
 *     cost = n0 + c * alpha0 * n1,
 *
 * n0 and n1 the counts of stage 0 and stage 1 (cases and controls together),
 * c the cost of a genotype typed in stage 1 relative to one typed in stage 0
 * (follow-up typing of a few markers usually costs more per genotype). The
 * number of markers scales every design's cost alike and cancels. A
 * one-stage study of n people costs n.
 *
 * Units. Counts are in the study's `count` (VANTOR_COUNT_PEOPLE or
 * VANTOR_COUNT_ALLELES, as in search/solve.h): totals, per-stage counts and costs
 * in that unit; the power is computed on allele draws (a person is two). A
 * total N becomes four counts thus: stage 0 holds n0 = round(share * N)
 * (halves up), stage 1 n1 = N - n0; in each stage the cases are
 * round(case_fraction * n) (halves up), the controls the rest; each of the
 * four must be at least 1 unit. The joint statistic's weight w is stage 0's
 * share of the effective size of the rounded counts (PWR_joint_weight in
 * power/power_func.h), its share of the people when both stages have the
 * same case:control ratio; it can differ slightly from `share`.
 *
 * Levels. alpha2 is the overall level (the study's `alpha`), alpha0 stage
 * 0's (stage 1 for people, `stage1_alpha`); the second
 * decision's level alpha1 is always derived from them (and w), as
 * PWR_two_stage_power_deriving derives it: nothing is kept between calls,
 * so no answer depends on the calls before it. Each method needs room
 * between the two levels: replication and the joint statistic need
 * alpha0 >= 2 alpha2 (replication: alpha1 = 2 alpha2 / alpha0 <= 1), the
 * product of p-values alpha0 > alpha2.
 *
 * Variance. `variance` chooses the allelic test statistic's variance
 * (power/statistic.h): the replication analysis and the one-stage
 * comparison honour it; the product and joint analyses use unit-variance
 * stage statistics with unpooled means either way. The joint analysis is
 * exact for any case fraction (VANTOR_REASON_JOINT_UNBALANCED is no longer
 * given).
 *
 * Tests. The allelic test is the default. The trend, dominant and recessive
 * tests (`test`, on the genotype frequencies of a disease model, counting
 * people) take each stage's statistic as the single-stage test defines it
 * (GEN_score_test_statistic, disease/genotype_tests.h): normal with mean
 * delta / sqrt(V0) and standard deviation sqrt(V1 / V0) at that stage's
 * counts. The levels are derived exactly as for the allelic test (they
 * depend on alpha0, alpha2 and w only: under no association each stage's
 * statistic is standard normal, and the joint weight w is stage 0's share
 * of the information under no association, which is its share of the
 * effective size since the score's null variance is the same in both
 * stages); the powers integrate the stage statistics with their means and
 * standard deviations (PWR_quick_power_of_statistics,
 * power/two_stage_quadrature.h: within 1e-13 of an independent long-double
 * quadrature). The one-stage comparison is the test's own smallest total
 * (doubling and bisection, as its single-stage size questions). The
 * genotypic test has no two-stage analysis (VANTOR_REASON_GENOTYPIC_ONE_STAGE).
 * The model and its formulas: docs/two_stage.md.
 *
 * Searches and the library's power. The searches compare candidate designs
 * by quick powers (power/two_stage_quadrature.h, within 1e-9 of the exact
 * power); the design a search settles on is evaluated by the library's
 * two-stage power (PWR_two_stage_power_of_statistic, power/statistic.h),
 * which alone gives the reported power and alpha1: a reported number is what a
 * power question about that design returns. A smallest total is confirmed
 * the same way (see DSN_smallest_total). `evaluations` counts both kinds.
 *
 * Results follow search/solve.h: a status, a reason code (VANTOR_message gives
 * the words), and values that are only filled in when found (counts 0,
 * doubles not-a-number otherwise). A power that comes out not a number (a
 * control rate within a few subnormals of 0) is VANTOR_NOT_REACHABLE with
 * VANTOR_REASON_POWER_NOT_COMPUTABLE, never a found answer. Invalid input is refused before
 * anything is computed, with the first refused input's code.
 *
 * Reentrancy: every function here keeps its state on the stack and may be
 * called from several threads at once. Usable from C and C++. */
#ifndef VANTOR_SEARCH_DESIGN_H
#define VANTOR_SEARCH_DESIGN_H

#include <stdint.h>

#include "power/statistic.h"
#include "search/plan.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What every question about a two-stage study shares. */
typedef struct DSN_study {
    int32_t method;       /* PWR_METHOD_REPLICATION, _PRODUCT or _JOINT */
    double odds_ratio;    /* allelic odds ratio, positive and not 1 */
    double control_rate;  /* risk-allele rate among controls, in (0, 1) */
    double alpha;         /* overall level, from 1e-12 to below 1 */
    double case_fraction; /* cases' share of each stage, in (0, 1) */
    int32_t count;        /* VANTOR_COUNT_PEOPLE or VANTOR_COUNT_ALLELES */
    int32_t variance;     /* PWR_VARIANCE_POOLED (0, the default) or _UNPOOLED */
    /* Appended fields; zero keeps the allelic test. */
    int32_t test;                /* GEN_ALLELIC (0), GEN_TREND, GEN_DOMINANT or GEN_RECESSIVE
                                    (disease/genotype_tests.h); the 1-df tests count people */
    double case_genotypes[3];    /* the 1-df tests': genotype frequencies (0, 1, 2 copies)
                                    among cases, each in [0, 1], summing to 1 */
    double control_genotypes[3]; /* and among controls; not read by the allelic test */
} DSN_study;

/* A two-stage design and what it achieves. */
typedef struct DSN_design_result {
    int32_t status;                 /* VANTOR_FOUND ... VANTOR_INVALID_INPUT */
    int32_t reason;                 /* VANTOR_REASON_*; the words: VANTOR_message(reason) */
    int64_t total;                  /* both stages, both groups, in units; 0 unless found */
    int32_t cases[2];               /* per stage, in units; 0 unless found */
    int32_t controls[2];            /* per stage, in units; 0 unless found */
    double stage1_weight;           /* w: stage 1's weight in the joint statistic */
    double alpha[3];                /* stage 1's level alpha0, the derived final level
                                       alpha1, the overall level alpha2 */
    double power;                   /* the design's power */
    double cost;                    /* n0 + c alpha0 n1, in units */
    int64_t one_stage_total;        /* smallest one-stage total of the same power at
                                       alpha2 with the same case fraction; 0 if none */
    double relative_cost;           /* cost / one_stage_total; not-a-number if none */
    int32_t evaluations;            /* two-stage power evaluations spent */
    double case_fraction[2];        /* each stage's cases over its people */
    double stage2_markers;          /* markers x alpha0: the markers without effect
                                       expected to pass stage 1, which stage 2 types
                                       (search/plan.h; alpha0 with one marker) */
    double cost_in_money;           /* the design's cost in money (search/plan.h);
                                       not a number without costs in money */
    double one_stage_cost_in_money; /* the one-stage study's (one_stage_total) cost in
                                money; not a number without costs in money or
                                a one-stage total */
    int32_t binding_limit;          /* the limit the design reaches, DSN_LIMIT_* */
} DSN_design_result;

/* The searched ranges of the design questions. */
#define DSN_SMALLEST_SHARE 0.05
#define DSN_LARGEST_SHARE 0.95
#define DSN_LARGEST_STAGE1_ALPHA 0.5

/* ---- Input checks (same convention as VANTOR_check_*) ------------------- */

/* `method` is one of the three PWR_METHOD_* values. */
int32_t DSN_check_method(int32_t method);

/* Every field of the study (the method, odds ratio and rate (the allelic
 * test only), overall level, case fraction, count, variance, and the test
 * with its genotype frequencies), in that order. */
int32_t DSN_check_study(const DSN_study *study);

/* Stage 0's share of the total: strictly between 0 and 1. */
int32_t DSN_check_stage1_share(double share);

/* Stage 0's level for this method and overall level: from 1e-12 to below 1,
 * and alpha0 >= 2 alpha2 (replication, joint) or alpha0 > alpha2 (product).
 * Check alpha2 first. */
int32_t DSN_check_stage1_alpha(int32_t method, double alpha0, double alpha2);

/* The overall level leaves room for a stage-0 level up to
 * DSN_LARGEST_STAGE1_ALPHA, as the design searches need: alpha2 <= 0.25 for
 * replication and joint analysis, alpha2 < 0.5 for the product. Check the
 * study first. */
int32_t DSN_check_design_alpha(int32_t method, double alpha2);

/* Relative cost of a stage-1 genotype: finite and positive. */
int32_t DSN_check_cost_ratio(double cost_ratio);

/* A budget per marker, in units: finite and positive. */
int32_t DSN_check_budget(double budget);

/* The record of a question not answered for `reason`: status
 * VANTOR_status_of_reason(reason), counts 0, values not a number, as every
 * question here leaves it. */
void DSN_fill_unanswered(int32_t reason, DSN_design_result *result);

/* ---- Layout -------------------------------------------------------------- */

/* The four counts, in units, that a total of `total` units becomes (see
 * Units above): cases[s] and controls[s] of stage s. Nothing is checked: a
 * group may come out empty, negative or beyond the 32-bit allele range, which
 * the checks VANTOR_check_cases / VANTOR_check_controls then refuse. */
void DSN_counts_of_total(int64_t total, double share, double case_fraction, int64_t cases[2],
                         int64_t controls[2]);

/* ---- Questions ---------------------------------------------------------- */

/* The power of the design with the given counts (per stage, in units) and
 * levels: alpha0 and the overall level study->alpha, alpha1 derived. Fills
 * every field but one_stage_total and relative_cost (0 and not-a-number);
 * cost uses cost ratio 1. Status VANTOR_FOUND (or the joint warning). */
int32_t DSN_two_stage_power(const DSN_study *study, const int32_t cases[2],
                            const int32_t controls[2], double alpha0, DSN_design_result *result);

/* The smallest total reaching `target_power` with stage 0's share `share`
 * and level alpha0: the smallest total N such that the power at N reaches
 * the target and every larger total the search tried reaches it too (the
 * search brackets the answer growing or shrinking by a factor, then bisects
 * to neighbouring totals), on the quick powers; then the library's power
 * confirms it: where it misses the target the total steps up until it
 * reaches it, and where the quick power one below comes within 1e-5 of the
 * target the library decides that total too, stepping down while it passes.
 * So the rule above holds on the library's powers. Not reachable when no
 * total whose counts fit the 32-bit allele range reaches the target
 * (VANTOR_REASON_BEYOND_LARGEST_COUNT). Derived levels are cached by w within
 * the call. */
int32_t DSN_smallest_total(const DSN_study *study, double share, double alpha0, double target_power,
                           DSN_design_result *result);

/* The design of least cost reaching `target_power`: over stage-0 shares from
 * DSN_SMALLEST_SHARE to DSN_LARGEST_SHARE and stage-0 levels from the
 * smallest the method allows (2 alpha2 or just above alpha2, at least 1e-12)
 * to DSN_LARGEST_STAGE1_ALPHA, each point answered by DSN_smallest_total.
 * See design.cpp's search notes for the grid and refinement and how close
 * to the optimum they get. one_stage_total and relative_cost compare it with
 * the one-stage design of the same power at level alpha2. */
int32_t DSN_cheapest_design(const DSN_study *study, double target_power, double cost_ratio,
                            DSN_design_result *result);

/* The design of greatest power whose cost is at most `budget` (units per
 * marker), over the same shares and stage-0 levels. Not reachable
 * (VANTOR_REASON_BUDGET_TOO_SMALL) when no design of at least one case and one
 * control in each stage fits the budget. one_stage_total and relative_cost
 * compare it with the one-stage design reaching the power found. */
int32_t DSN_most_powerful_design(const DSN_study *study, double budget, double cost_ratio,
                                 DSN_design_result *result);

/* ---- Questions with a plan (search/plan.h) ---------------------------------
 * As the questions above, keeping the plan's limits and counting its costs;
 * with a plan fresh from DSN_plan_init (and its cost ratio set to the one
 * passed above) they give the answers above, bit for bit, and fill the
 * fields those leave open: the smallest total is compared with the one-stage
 * study too. The plan is checked after the question's own inputs
 * (DSN_check_plan), then a fixed stage 1 level (DSN_check_stage1_alpha).
 * Not reachable: VANTOR_REASON_PANEL_TOO_SMALL when no stage 1 level the
 * method allows (or the one fixed) keeps markers x level within the panel;
 * VANTOR_REASON_CASES_AVAILABLE_TOO_FEW or _CONTROLS_AVAILABLE_TOO_FEW when
 * the totals reaching the target exceed the people available (the cap that
 * stopped most of the designs tried). */

/* The power and costs of the design with these counts: the plan's costs
 * only (its limits are for the design questions). */
int32_t DSN_two_stage_power_planned(const DSN_study *study, const DSN_plan *plan,
                                    const int32_t cases[2], const int32_t controls[2],
                                    double alpha0, DSN_design_result *result);

/* The smallest total within the plan's people, at the share and level
 * given (the plan's own fixed level and share are not read). */
int32_t DSN_smallest_total_planned(const DSN_study *study, const DSN_plan *plan, double share,
                                   double alpha0, double target_power, DSN_design_result *result);

/* The design of least cost (money with costs in money, else genotypes per
 * marker) reaching the target: over the shares and stage 1 levels the plan
 * leaves free, and with per_stage_fractions each stage's case fraction. */
int32_t DSN_cheapest_design_planned(const DSN_study *study, const DSN_plan *plan,
                                    double target_power, DSN_design_result *result);

/* The design of greatest power costing at most `budget` (money with costs in
 * money, else genotypes per marker in units) within the plan's limits. */
int32_t DSN_most_powerful_design_planned(const DSN_study *study, const DSN_plan *plan,
                                         double budget, DSN_design_result *result);

#ifdef __cplusplus
}
#endif

/* Old names, kept while callers may rely on them: stages are 1 and 2 for
 * people, as in the glossary. */
#ifndef VANTOR_NO_OLD_NAMES
#define DSN_LARGEST_STAGE0_ALPHA DSN_LARGEST_STAGE1_ALPHA
#define DSN_check_stage0_share DSN_check_stage1_share
#define DSN_check_stage0_alpha DSN_check_stage1_alpha
#endif

#endif
