/* The allelic test's two statistics, pooled and unpooled, for one stage and
 * for the replication analysis of two stages.
 *
 * Both statistics divide the difference d = p1 - p0 of the case and control
 * rates by a standard error. The pooled statistic (the allelic chi-square
 * test's, and the library's default) takes the error under no association
 * from the pooled rate p: s0 = sqrt(p (1 - p) (1/n1 + 1/n0)); the unpooled
 * (Wald) statistic takes each group's own rate for it as for the
 * alternative: s = sqrt(p1 (1 - p1) / n1 + p0 (1 - p0) / n0). Many published
 * genetic power calculators use the unpooled one. The pooled test keeps its
 * level exactly under no association whatever the group sizes, which is why
 * it is the default; the two agree for equal groups up to the difference of
 * p (1 - p) and the average of p1 (1 - p1) and p0 (1 - p0).
 *
 * The product and joint analyses (methods 1 and 2) already use each stage's
 * statistic with unit variance and the unpooled mean, whichever statistic is
 * chosen; only the single-stage power and the replication analysis built on
 * its tails differ between the two.
 *
 * Counts are allele draws, as in PWR_design. Reentrant: each function reads
 * and writes the record it is given only. */
#ifndef VANTOR_POWER_STATISTIC_H
#define VANTOR_POWER_STATISTIC_H

#include <stdint.h>

#include "power/power_func.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The variance of the test statistic: which standard error it uses under no
 * association. */
enum {
    PWR_VARIANCE_POOLED = 0,   /* the pooled rate: the allelic chi-square test */
    PWR_VARIANCE_UNPOOLED = 1, /* each group's own rate (Wald) */
    /* Old names, kept while callers may rely on them. */
    PWR_STATISTIC_POOLED = PWR_VARIANCE_POOLED,
    PWR_STATISTIC_UNPOOLED = PWR_VARIANCE_UNPOOLED
};

/* Power of the two-sided allelic test of stage `stage` at level
 * a = alpha[stage] with the chosen statistic.
 *  - PWR_VARIANCE_POOLED: PWR_get_power_for_single_step, bit for bit.
 *  - PWR_VARIANCE_UNPOOLED: the same formula with s0 replaced by s:
 *      power = Phi((s z_lo - d) / s) + 1 - Phi((s z_hi - d) / s),
 *    that is Phi(d/s - c) + Phi(-d/s - c) with c = Q(1 - a/2), computed with
 *    the library's Phi and quantile as the pooled power is, so its accuracy
 *    is the pooled power's (power/power_func.h).
 * Writes design->case_rate. Any other statistic, or a stage other than 0 or
 * 1, gives not a number. */
double PWR_single_step_power(PWR_design *design, int32_t stage, int32_t statistic);

/* Power of the replication analysis (method 0) at the record's levels
 * alpha[0] and alpha[1] (alpha[2] is not read, nothing is derived): both
 * stages' tests significant in the same direction,
 *   P(stage 0 rejects upwards) P(stage 1 rejects upwards)
 *   + P(stage 0 rejects downwards) P(stage 1 rejects downwards),
 * each stage's two tails those of its two-sided test at its level with the
 * chosen statistic, arranged as PWR_single_step_power's (the upper one as 1
 * minus the library's Phi). With no association it is a0 a1 / 2, the
 * overall level a2 of method 0, to the normal distribution function's
 * absolute error (about 1e-9 in each tail). A stage 2 result against
 * stage 1's direction does not replicate it. Writes design->case_rate; any
 * other statistic gives not a number. */
double PWR_replication_power(PWR_design *design, int32_t statistic);

/* Power of a two-stage design with the chosen statistic:
 * PWR_get_power_for_two_stage_method (which derives and writes the open
 * level as it always does), except that for the replication analysis
 * (method 0) with the unpooled statistic the result is
 * PWR_replication_power's with that statistic at the levels that call
 * derived. Any other
 * statistic gives not a number (after the call). */
double PWR_two_stage_power(PWR_design *design, int32_t statistic);

/* The same with nothing kept between calls: PWR_two_stage_power_deriving
 * (power/power_func.h) names the level to derive, and no thread state is
 * read or written. */
double PWR_two_stage_power_of_statistic(PWR_design *design, int32_t derived, int32_t statistic);

#ifdef __cplusplus
}
#endif

#endif
