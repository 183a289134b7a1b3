/* Solving the single-stage allelic test for whichever quantity is unknown:
 * the number of cases or of controls that reaches a target power, or the
 * odds ratio the study can detect. The statuses, reasons, messages and input
 * checks the solvers answer with are status/status.h's.
 *
 * Units. Every count in this interface is a number of allele draws in one
 * group, as PWR_design.sample_size holds it (a person carries two alleles).
 * The size solvers take a `unit`: VANTOR_COUNT_ALLELES searches every allele
 * count, VANTOR_COUNT_PEOPLE searches whole people only (even allele counts), so
 * that a caller counting people never halves an odd answer.
 *
 * The power is PWR_get_power_for_single_step's, bit for bit, evaluated on a
 * local PWR_design: the caller's records are never touched.
 *
 * Results. A solver returns its status and fills a result record. Found
 * values are the answer; when there is none the sizes are 0 and the odds
 * ratio and power are not-a-number, never a value that looks like an answer.
 * The reason code says why (VANTOR_message gives the words), and invalid input
 * gets VANTOR_INVALID_INPUT with the first refused input's code, before anything
 * is computed.
 *
 * Reentrancy: every function here is a pure function of its arguments (no
 * process-wide state, no allocation, no output) and may be called from any
 * number of threads at once. Usable from C and C++. */
#ifndef VANTOR_SEARCH_SOLVE_H
#define VANTOR_SEARCH_SOLVE_H

#include <stdint.h>

#include "status/status.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Sizes ----------------------------------------------------------------
 *
 * What is solved. The power is not always monotone in a count. At rate 0.01,
 * odds ratio 5 and 50 control alleles it is 0.35 with 1 case allele and falls
 * towards its limit, about 0.07, as cases are added; at rate 0.003, odds
 * ratio 20 and 100 control alleles it is 0.62 with 1 case allele, 0.53 near
 * 19, then rises towards 0.9. The answer is therefore the smallest n such that EVERY
 * size from n up to the top of the range reaches the target: a design at the
 * answer keeps its power if the study grows. The top of the range is the
 * largest count that fits VANTOR_LARGEST_COUNT (for the ratio solvers, the
 * largest at which both groups fit). If the top itself falls short the answer
 * is VANTOR_NOT_REACHABLE: VANTOR_REASON_LEVELS_OFF_WITH_GROUP_FIXED when the power
 * tends to a limit below the target as the group grows (the other group is
 * too small), else VANTOR_REASON_BEYOND_LARGEST_COUNT.
 *
 * How. The power is Phi(B) + Phi(A) with B = w - z r and A = -w - z r, where
 * w = (p1 - p0) / s1, r = s0 / s1, s0 and s1 the standard errors of the rate
 * difference without and with association, z the upper alpha/2 quantile.
 * Along any path its slope is phi(B) (1 + e^(-2 z w r)) (w' tanh(z w r) -
 * z r'), so its sign is that of w' tanh(z w r) - z r', a closed form with no
 * distribution function in it. With a fixed ratio, r is constant and |w|
 * grows: the power rises. With one group fixed the slope's sign is sampled
 * at 65 geometrically spaced sizes and each change from falling to rising
 * is narrowed to two neighbouring sizes. Between two valleys the power rises
 * and then falls, so once a valley's floor (and every valley to its right,
 * and the top) reaches the target, every size from that floor up does. The
 * valleys are checked from the top down; the first floor falling short
 * starts a rising stretch, on which bisection finds the answer. At most 1 + 2 per valley + 1 +
 * 31 power evaluations (the size 1 is evaluated last; when the top falls
 * short, 1 more for the limit), so at most 64 with up to 15 valleys. Over
 * wide grids of rates, odds ratios, counts and levels the power has had at
 * most two; more than 15 gives VANTOR_REASON_POWER_TOO_IRREGULAR rather than a
 * guess.
 *
 * Accuracy. The answer is exact for the library's power, whose distribution
 * function is accurate to about 1e-9, except that a valley whose two slope
 * changes fall between neighbouring sample points of the grid (a dip
 * narrower than 40 % of its size) is not seen, and that a target within
 * about 1e-9 of the power on a stretch where the power changes by less than
 * that may be answered a size off. Brute-force scans of every size agree on
 * thousands of random designs, rates from 0.001 to 0.999 included.
 *
 * Ratio solvers. The partner count is rounded, so along a ratio the power
 * rises in uneven steps. Where one group's growth lowers the power (only in
 * designs with very few expected copies of an allele, or while the partner
 * count is held at 1), a size just above the bisection's answer can fall
 * short again. Such an answer is still returned, with status
 * VANTOR_FOUND_WITH_WARNING and reason VANTOR_REASON_UNEVEN_ROUNDING, and is then
 * the smallest size reaching the target at or above which the rounded power
 * was taken as rising, not necessarily the smallest from which every larger
 * size reaches it. No realistic design (rates 0.05-0.5, odds ratios 1.05-2
 * either way, ratios 1/4-4) has been flagged.
 *
 * Otherwise a found answer whose expected number of copies of either allele
 * is below VANTOR_FEW_EXPECTED_ALLELES in either group has status
 * VANTOR_FOUND_WITH_WARNING and reason VANTOR_REASON_FEW_EXPECTED_ALLELES: the
 * normal approximation behind the power is doubtful there. */

typedef struct SLV_size_result {
    int32_t status;      /* VANTOR_FOUND ... VANTOR_INVALID_INPUT */
    int32_t reason;      /* VANTOR_REASON_*; the words: VANTOR_message(reason) */
    int32_t cases;       /* allele draws; 0 unless found */
    int32_t controls;    /* allele draws; 0 unless found */
    double power;        /* power of (cases, controls); not a number unless found */
    int32_t evaluations; /* power evaluations spent, at most 64 */
} SLV_size_result;

/* Smallest number of cases, with `controls` fixed. */
int32_t SLV_cases_for_controls(int32_t controls, double odds_ratio, double control_rate,
                               double alpha, double target_power, int32_t unit,
                               SLV_size_result *result);

/* Smallest number of controls, with `cases` fixed. */
int32_t SLV_controls_for_cases(int32_t cases, double odds_ratio, double control_rate, double alpha,
                               double target_power, int32_t unit, SLV_size_result *result);

/* Smallest number of cases when there are `controls_per_case` controls per
 * case. Counted in units u: controls = max(1, round(controls_per_case *
 * cases)) units, halves rounded up (so equal groups are exactly equal, and
 * 2 gives exactly twice as many controls). */
int32_t SLV_cases_for_ratio(double controls_per_case, double odds_ratio, double control_rate,
                            double alpha, double target_power, int32_t unit,
                            SLV_size_result *result);

/* Smallest number of controls when there are `cases_per_control` cases per
 * control; cases rounded as SLV_cases_for_ratio rounds controls. */
int32_t SLV_controls_for_ratio(double cases_per_control, double odds_ratio, double control_rate,
                               double alpha, double target_power, int32_t unit,
                               SLV_size_result *result);

/* ---- Detectable effect ----------------------------------------------------
 *
 * The odds ratio the study detects with the target power. As with sizes, the
 * power need not be monotone in the odds ratio, so the answer above 1 is the
 * smallest R > 1 such that every odds ratio from R up to the top of the range
 * reaches the target, and the answer below 1 the largest R < 1 such that
 * every odds ratio from R down to the bottom does. The range ends where the
 * case rate's odds are 1e12 times (1e-12 times) the larger (smaller) of the
 * control odds and 1, at most 1e300 (at least 1e-300): the case rate is then
 * within 1e-12 of 1 (of 0). If the end of the range falls short the answer is
 * VANTOR_NOT_REACHABLE with VANTOR_REASON_LEVELS_OFF_WITH_EFFECT: the power levels
 * off below the target however strong the effect, because the level is too
 * strict for these counts.
 *
 * The search runs in ln(odds ratio), valleys found as for sizes (at 65
 * geometrically spaced points from 1e-9 to the end), and stops when the
 * bracket is narrower than 1e-12 in ln(odds ratio): the answer reaches the
 * target and an odds ratio closer to 1 by a factor of (1 + 1e-12) does not,
 * except where a budget of 64 power evaluations ends the bisection first
 * (10000 random designs took at most 47). The answer's power is evaluated at
 * the returned odds ratio itself. Few expected alleles at the answer's case
 * rate give the warning, as for sizes. */

typedef struct SLV_effect_result {
    int32_t status;      /* VANTOR_FOUND ... VANTOR_INVALID_INPUT */
    int32_t reason;      /* VANTOR_REASON_*; the words: VANTOR_message(reason) */
    double odds_ratio;   /* the answer; not a number unless found */
    double power;        /* power at odds_ratio; not a number unless found */
    int32_t evaluations; /* power evaluations spent, at most 64 */
} SLV_effect_result;

/* Smallest odds ratio above 1 detected with `cases` and `controls`. */
int32_t SLV_odds_ratio_above_one(int32_t cases, int32_t controls, double control_rate, double alpha,
                                 double target_power, SLV_effect_result *result);

/* Largest odds ratio below 1 detected with `cases` and `controls`. */
int32_t SLV_odds_ratio_below_one(int32_t cases, int32_t controls, double control_rate, double alpha,
                                 double target_power, SLV_effect_result *result);

/* Each solver above has a twin taking the test's statistic (power/statistic.h):
 * the plain solvers are these with PWR_VARIANCE_POOLED. With the unpooled
 * statistic the power's slope has r = 1 and r' = 0 in the formula above, so
 * along any count it rises; the searches and their guarantees are the same. */
int32_t SLV_cases_for_controls_with_statistic(int32_t controls, double odds_ratio,
                                              double control_rate, double alpha,
                                              double target_power, int32_t unit, int32_t statistic,
                                              SLV_size_result *result);
int32_t SLV_controls_for_cases_with_statistic(int32_t cases, double odds_ratio, double control_rate,
                                              double alpha, double target_power, int32_t unit,
                                              int32_t statistic, SLV_size_result *result);
int32_t SLV_cases_for_ratio_with_statistic(double controls_per_case, double odds_ratio,
                                           double control_rate, double alpha, double target_power,
                                           int32_t unit, int32_t statistic,
                                           SLV_size_result *result);
int32_t SLV_controls_for_ratio_with_statistic(double cases_per_control, double odds_ratio,
                                              double control_rate, double alpha,
                                              double target_power, int32_t unit, int32_t statistic,
                                              SLV_size_result *result);
int32_t SLV_odds_ratio_above_one_with_statistic(int32_t cases, int32_t controls,
                                                double control_rate, double alpha,
                                                double target_power, int32_t statistic,
                                                SLV_effect_result *result);
int32_t SLV_odds_ratio_below_one_with_statistic(int32_t cases, int32_t controls,
                                                double control_rate, double alpha,
                                                double target_power, int32_t statistic,
                                                SLV_effect_result *result);

#ifdef __cplusplus
}
#endif

#endif
