/* What a planner's two-stage design must fit: the people there are, the
 * panel stage 2 can hold, a level or share already fixed, and the costs of a
 * budget as it is written.
 *
 * A plan (DSN_plan) goes with a study (search/design.h) to the design
 * questions that take one (DSN_smallest_total_planned,
 * DSN_cheapest_design_planned, DSN_most_powerful_design_planned). A plan
 * fresh from DSN_plan_init limits nothing and counts genotypes at cost ratio
 * 1: with it those questions answer exactly as the questions without a plan
 * do, bit for bit.
 *
 * Limits. Cases available over both stages, controls available over both
 * stages and in either stage, each in the study's unit (0: not limited).
 * With M markers typed in stage 1, the markers without effect that pass its
 * level alpha0 number M alpha0 on average, and stage 2 types them: a panel of
 * P markers needs M alpha0 <= P, so alpha0 <= P / M. A stage 1 level or a
 * stage 1 share given is kept, not searched. With a stage's controls
 * limited the searched shares run from 0.01 to 0.99 (the other stage may
 * need nearly everyone).
 *
 * Case fractions. With `per_stage_fractions` 1 the cheapest and the most
 * powerful design choose each stage's case fraction (from
 * DSN_SMALLEST_FRACTION to DSN_LARGEST_FRACTION) as well as the share and
 * level; with 0 both stages take the study's case_fraction, as without a
 * plan.
 *
 * Costs. The genotyping cost per marker (the result's `cost`) is
 * n1 + cost_ratio alpha0 n2 in the study's unit, n1 and n2 the stages'
 * totals. A budget in money (`money` 1) is
 *
 *     fixed1 + fixed2 + n1 c1 + n2 (c2 + g2 M alpha0),
 *
 * c1 the cost per person of stage 1 (an array), c2 per person of stage 2
 * (samples, DNA, handling), g2 per person and marker typed in stage 2 (an
 * assay), fixed1 and fixed2 each stage's fixed cost: people counted, so the
 * study's unit must be people. A one-stage study of n people costs
 * fixed1 + n c1. With money the design searches minimise (or are bounded
 * by) money; without, genotypes per marker. Genotype costs are money's
 * special case: c1 = M g1, c2 = 0, g2 = cost_ratio g1 and no fixed costs
 * make money M g1 times the genotyping cost, and give the same designs.
 *
 * Usable from C and C++. */
#ifndef VANTOR_SEARCH_PLAN_H
#define VANTOR_SEARCH_PLAN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The costs of a design. */
typedef struct DSN_costs {
    double cost_ratio;               /* a stage 2 genotype's cost against a stage 1 one's; 1 */
    int32_t money;                   /* 1: the money fields below are the budget's costs; 0 */
    double stage1_cost_per_person;   /* c1, positive */
    double stage2_cost_per_person;   /* c2, at least 0 */
    double stage2_cost_per_genotype; /* g2, per person and marker, at least 0 */
    double fixed[2];                 /* each stage's fixed cost, at least 0 */
} DSN_costs;

/* The limits a design must keep. */
typedef struct DSN_limits {
    int64_t cases_available;             /* over both stages, study unit; 0: none */
    int64_t controls_available;          /* over both stages, study unit; 0: none */
    int64_t stage_controls_available[2]; /* in stage 1 and stage 2; 0: none */
    double panel;                        /* the most markers stage 2 types; 0: none */
    double stage1_alpha;                 /* a fixed stage 1 level; not a number: searched */
    double stage1_share;                 /* a fixed stage 1 share; not a number: searched */
    int32_t per_stage_fractions;         /* 1: each stage's case fraction searched */
} DSN_limits;

/* A plan: the number of markers M typed in stage 1 (a real number from 1;
 * it sizes the stage 2 panel and its assays), the costs and the limits. */
typedef struct DSN_plan {
    double markers;
    DSN_costs costs;
    DSN_limits limits;
} DSN_plan;

/* The largest cost in money a plan takes (any unit of money). */
#define DSN_LARGEST_MONEY 1e15

/* The searched range of each stage's case fraction. */
#define DSN_SMALLEST_FRACTION 0.05
#define DSN_LARGEST_FRACTION 0.95

/* The limit a design reaches (DSN_design_result.binding_limit): the first,
 * in this order, that it uses to within 1 % (people) or whose panel it fills
 * to within 1 %. */
enum {
    DSN_LIMIT_NONE = 0,
    DSN_LIMIT_CASES = 1,
    DSN_LIMIT_CONTROLS = 2,
    DSN_LIMIT_STAGE1_CONTROLS = 3,
    DSN_LIMIT_STAGE2_CONTROLS = 4,
    DSN_LIMIT_PANEL = 5
};

/* A plan that limits nothing: one marker, cost ratio 1, no money. */
void DSN_plan_init(DSN_plan *plan);

/* Checks, each VANTOR_REASON_NONE or the reason refusing the value. */

/* A number of people available: a whole number from `least` to
 * 2 VANTOR_LARGEST_COUNT / unit (0 is "not limited" and passes). */
int32_t DSN_check_available(int64_t available, int64_t least, int32_t unit);

/* A panel: a real number from 1, finite (0 passes: none). */
int32_t DSN_check_panel(double panel);

/* A cost in money: from 0 to DSN_LARGEST_MONEY; stage 1's per person
 * above 0 (`positive`). The bound keeps every design's cost finite. */
int32_t DSN_check_money(double cost, int32_t positive);

/* The whole plan against the study's unit (`count`): markers, costs,
 * limits, in that order; money and a panel or a cost per stage 2 genotype
 * need what they count (people; more than one marker). */
int32_t DSN_check_plan(const DSN_plan *plan, int32_t count);

#ifdef __cplusplus
}
#endif

#endif
