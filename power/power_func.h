/* The study design record and the power of case-control allelic tests.
 *
 * What the counts mean. The allelic test compares the frequency of the risk
 * allele between cases and controls, counting alleles: `sample_size` holds
 * the number of allele draws in each group, and the counts enter the
 * formulas unchanged. N diploid people in Hardy-Weinberg equilibrium carry
 * 2N alleles, so a study of N cases and N controls is entered as 2N and 2N;
 * entering N people as N gives the power of half the data. (Out of
 * Hardy-Weinberg equilibrium the two alleles of one person are not
 * independent draws and the allelic test's variance is not the one used
 * here; see P. D. Sasieni, "From genotypes to genes: doubling the sample
 * size", Biometrics 53, 1253-1261, 1997.) The library's callers that take
 * people (the Python binding, the programs) double them, and say so.
 *
 * A rate is the frequency of the risk allele in a group, between 0 and 1.
 * Every power operation overwrites `case_rate` from `control_rate` and
 * `odds_ratio` before use. Nothing is validated: out-of-domain input yields
 * infinities or not-a-number results (the checked entry points are in
 * search/solve.h and search/design.h).
 *
 * Reentrancy: every function here may run on several threads at once; what
 * a two-stage call keeps between calls belongs to the calling thread (see
 * PWR_get_power_for_two_stage_method). Usable from C and C++. */
#ifndef VANTOR_POWER_POWER_FUNC_H
#define VANTOR_POWER_POWER_FUNC_H

#include <stdint.h>

#include "numeric/MTH_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Two-stage analyses, the values of PWR_design.method (see
 * PWR_get_power_for_two_stage_method). */
enum {
    PWR_METHOD_REPLICATION = 0, /* each stage tested by itself */
    PWR_METHOD_PRODUCT = 1,     /* product of the two stages' p-values */
    PWR_METHOD_JOINT = 2,       /* joint statistic of both stages */
    /* The old name of the replication analysis, kept while callers may rely
     * on it. */
    PWR_METHOD_SEPARATE = PWR_METHOD_REPLICATION
};

/* The value of a level in PWR_design.alpha that a two-stage call is to
 * derive from the other two; compared exactly. */
#define PWR_DERIVE_LEVEL (-1.0)

/* One case-control study of one risk allele, in one or two stages.
 *
 * Layout (bytes; checked when the library is compiled, and by the Python
 * module against PWR_design_size when it loads), size 104, alignment 8:
 *
 *   offset  0  method         int32_t, then 4 bytes of padding
 *   offset  8  alpha          double[3]
 *   offset 32  sample_size    int32_t[2][2]
 *   offset 48  case_rate      double
 *   offset 56  control_rate   double
 *   offset 64  odds_ratio     double
 *   offset 72  count_table    int32_t[2][2][2]
 *
 * Start from PWR_DESIGN_INIT: every field zero. */
typedef struct PWR_design {
    /* Two-stage analysis: one of PWR_METHOD_REPLICATION, PWR_METHOD_PRODUCT,
     * PWR_METHOD_JOINT. */
    int32_t method;
    /* Significance levels. Single stage s uses alpha[s] as its two-sided
     * level. Two stages: alpha[0] for stage 0, alpha[1] for the second
     * decision, alpha[2] overall; PWR_DERIVE_LEVEL marks the level to
     * derive. */
    double alpha[3];
    /* sample_size[stage][0] cases, sample_size[stage][1] controls. */
    int32_t sample_size[2][2];
    /* Risk-allele rate among cases; derived by every power operation. */
    double case_rate;
    /* Risk-allele rate among controls. */
    double control_rate;
    /* Allelic odds ratio of cases against controls. */
    double odds_ratio;
    /* Eight counts kept zero; no operation reads them. */
    int32_t count_table[2][2][2];
} PWR_design;

/* Initialiser of a record with every field zero, for C and C++:
 *   PWR_design design = PWR_DESIGN_INIT; */
/* clang-format off */
#define PWR_DESIGN_INIT \
    {0, {0.0, 0.0, 0.0}, {{0, 0}, {0, 0}}, 0.0, 0.0, 0.0, {{{0, 0}, {0, 0}}, {{0, 0}, {0, 0}}}}
/* clang-format on */

/* sizeof(PWR_design) as the library was compiled: 104. A binding that lays
 * out the record itself compares its own size with this one. */
int32_t PWR_design_size(void);

/* Case rate implied by control rate p and odds ratio r: r p / (r p + 1 - p),
 * the rate whose odds are r times p's. Domain 0 <= p <= 1, r >= 0; p = 1
 * with r = 0 is 0 / 0, not a number. */
double get_population_rate_control_to_case(double control_rate, double odds_ratio);

/* Pooled rate (rates[0] numbers[0] + rates[1] numbers[1]) / (numbers[0] +
 * numbers[1]) of {case rate, control rate} over {cases, controls}; the
 * counts are added in 64 bits, so two large counts do not wrap. Not a number
 * when both counts are 0. */
double get_general_population_rate(const double rates[2], const int32_t numbers[2]);

/* Power of the two-sided allelic test of stage `stage` (0 or 1) at level
 * a = alpha[stage] with n1 = sample_size[stage][0] case and
 * n0 = sample_size[stage][1] control alleles:
 *
 *   power = Phi((s0 z_lo - d) / s1) + 1 - Phi((s0 z_hi - d) / s1),
 *
 * d = p1 - p0 the difference of the case and control rates, p the pooled
 * rate, s0 = sqrt(p (1 - p) (1/n0 + 1/n1)) the standard error of d without
 * association and s1 = sqrt(p1 (1 - p1) / n1 + p0 (1 - p0) / n0) with it,
 * z_lo = MTH_qnorm(a / 2) and z_hi = MTH_qnorm(1 - a / 2), Phi = MTH_pnorm.
 * This is the normal approximation to the two-sample test of proportions,
 * without continuity correction.
 *
 * Writes design->case_rate. A stage other than 0 or 1 gives not a number; a
 * group of 0 alleles an infinity or not a number; a level of 0 reports
 * "MIN_FLAG" (the quantile of 0) and gives power 0.
 *
 * Accuracy, and where it ends. Phi has an absolute error of about 1e-9 and
 * is exactly 0 or 1 beyond +-6 (numeric/MTH_normal_distribution.h), and the
 * upper critical value is the quantile of 1 - a/2 formed in doubles.
 *  - A power between 0.01 and 0.99 is within 1.5e-9 of the power at level a
 *    exactly for levels from 0.05 down to 1e-8, and within 6e-9 at 1e-9 to
 *    1e-11, where 1 - a/2 moves the upper level by up to 1.1e-16 / a of
 *    itself. At 1e-12 that is 5e-6, at 1e-14 4e-5; below a = 1.1e-16,
 *    1 - a/2 is 1 and the upper side never rejects: an odds ratio above 1
 *    then has power 0 [single_power_test SinglePowerAccuracy.PowerAbove001AsStated].
 *  - With no association the power should be the level itself. The answer
 *    is within 1 % of the level at every level from 0.05 down to 3.03e-8
 *    (within 0.1 % above 1e-7), and not at 3.02e-8. At genome-wide levels it
 *    is 0.35 % above the level at 5e-8, 2.7 % at 1e-8, 5.2 % at 5e-9 and
 *    15 % at 2e-9 (2.30e-9), and exactly 0 below 1.97e-9, where the critical
 *    values pass +-6 [single_power_test
 *    SinglePowerAccuracy.NullPowerAtGenomeWideLevelsAsStated,
 *    SinglePowerAccuracy.NullPowerWithinOnePercentFrom3e8Up]. A power well
 *    above the level is unaffected: its normal arguments lie far inside
 *    +-6, where Phi's absolute 1e-9 is all there is.
 *
 * Reentrant: reads and writes `design` only. */
double PWR_get_power_for_single_step(PWR_design *design, int32_t stage);

/* Power of a two-stage design, stage 0 tested first, stage 1 afterwards.
 *
 *   method 0: each stage by itself, significant in the same direction:
 *             stage 0 at alpha[0] and stage 1 at alpha[1] both upwards or
 *             both downwards; overall level alpha[2] = alpha[0] alpha[1] / 2.
 *   method 1: product of the two stages' two-sided p-values: stage 0 passes at
 *             alpha[0] and P0 P1 <= alpha[1]; any direction.
 *             alpha[2] = alpha[1] (1 + ln(alpha[0] / alpha[1])).
 *   method 2: joint statistic Z = sqrt(w0) Z0 + sqrt(1 - w0) Z1, w0 being
 *             stage 0's weight (PWR_joint_weight: its share of the
 *             effective size, the inverse-variance weight): stage 0 passes
 *             at alpha[0] and Z is significant at alpha[1] in the same
 *             direction; alpha[2] is the level of that procedure with no
 *             association. Stage s's statistic has unit variance and the
 *             mean (p1 - p0) / sqrt(p1 q1 / n1s + p0 q0 / n0s), cases and
 *             controls counted separately (get_average_of_normal_distribution;
 *             a stage with as many cases as controls takes the same number in
 *             the form of get_joint_constant, bit for bit as before).
 *
 * Statistics. Methods 1 and 2 use each stage's statistic with unit variance
 * and the unpooled mean above, with either statistic a caller chooses
 * elsewhere; method 0 takes the two tails of each stage's test as
 * PWR_get_power_for_single_step forms them, with the pooled rate for the
 * variance under no association (PWR_replication_power in
 * power/statistic.h, which also offers the unpooled statistic):
 * P(up0) P(up1) + P(down0) P(down1), a0 a1 / 2 with no association. (It
 * once multiplied the two stages' two-sided powers, which counted a stage 2
 * result against stage 1's direction and gave twice the overall level with
 * no association.)
 *
 * Sources: method 1 is the product criterion with a screening first stage,
 * as in P. Bauer and K. Koehne, "Evaluation of experiments with adaptive interim
 * analyses", Biometrics 50, 1029-1041, 1994; method 2 is the joint analysis
 * of A. D. Skol et al., "Joint analysis is more efficient than
 * replication-based analysis for two-stage genome-wide association
 * studies", Nature Genetics 38, 209-213, 2006. The integrals are computed by
 * numeric/MTH_numerical_integrate.h, the level equations solved by
 * numeric/MTH_newton_method.h.
 *
 * Derived levels, for every a0 from 1e-12 to 1 - 1e-9 and a2 from 1e-12 to
 * a0 / 2 (all the questions accept). Method 1 solves
 * a1 (1 + ln(a0 / a1)) = a2 by Newton's method to a step of
 * 1e-11 min(1, a2 / 1e-3): the derived a1 meets the equation to a relative
 * 1e-9; a derived a2 is min(a0, a1) (1 + ln(a0 / min(a0, a1))), a0 when
 * a1 >= a0 (stage 0 passing then settles the product). Method 2 solves
 * ln L(a1) = ln a2 in ln a1 (joint_log_p_function), L the overall level by
 * quadrature: the level the derived a1 gives is within 1e-5 of a2
 * (relative; 6e-6 the largest measured over 8,000 random designs with
 * stage-0 weights from 5e-4 to 0.9995 against an exact-normal quadrature),
 * and a1 is never below a2 (the procedure passes only where the joint
 * statistic does); a derived a2 is within 1e-5 of L(a1) and never above
 * a0 or a1. As a0 rises a1 falls, to that accuracy. Where no a1 up to 1
 * gives a2, a1 is 1 [genome_wide_test GenomeWideProductLevel,
 * GenomeWideJointLevel; every_stage1_level_test; the fuzzers'
 * check_levels].
 *
 * Accuracy of the power, measured at overall levels 5e-8 to 1e-9 with
 * stage-0 levels 1e-2 and 1e-3 [genome_wide_test GenomeWidePower]:
 *  - method 2 within 2e-9 of an exact-normal quadrature;
 *  - method 1 within 1e-7 of a quadrature with the same normal functions and
 *    3e-7 of an exact-normal one. What remains comes from its closed-form
 *    tail terms, which use MTH_pnorm: they are accurate while stage 0's mean
 *    lies well inside the passing region, and carry MTH_pnorm's absolute
 *    1e-9 when the power itself is tiny (below about 1e-6 the power has few
 *    correct digits).
 * How: the integrands of methods 1 and 2 take a normal tail from
 * MTH_normal_upper_tail wherever its argument lies at or beyond +-4 (within
 * 1.1e-15 relative from 0 to 37.5, numeric/MTH_normal_tail.h; formerly the
 * continued fraction gcf, within 2e-12 relative: no power of
 * 4,000 random designs (methods 1 and 2, levels derived) moved by more than
 * 4.1e-14, or 4.5e-13 relative) and from MTH_pnorm inside
 * (absolute error 1e-9); likewise a quantile beyond 4 comes from its tail
 * probability, not from one minus it. Each power adds several integrals: the
 * one in the direction of stage 0's mean is refined to a relative 1e-6, the
 * others stop once they change by less than 1e-9 of the largest so far (and
 * any once it changes by less than 1e-300). When stage 1 holds little of the
 * effective size (w above about 0.99) the joint statistic's conditional tail
 * is a step in stage 0's statistic, narrower than 0.1; method 2 then
 * integrates around the step and its two sides separately, the sides to
 * 1e-9 of the larger pieces (a limit case tested against stage 0's own power
 * beyond the stricter threshold; 1,500 random designs with w from 0.9 to
 * 0.9999 within 0.08 of the allowed 1e-6 relative of an independent
 * quadrature, where one piece was up to 5e-5 off).
 * Strong designs: every power integrand is phi(x - m0) g(x), 0 <= g <= 1,
 * m0 stage 0's mean. Where an integral comes out below 1e-300 while the
 * integrand at the point of its range nearest m0 exceeds 1e-300 (m0 far out,
 * where the refinement's points over an infinite range all fall on an
 * underflowed density), it is integrated again over the part of its range
 * within 39 of m0 (split at m0), outside which lies less than 1e-330; so a
 * design of overwhelming power answers 1, not 0. Every other integral keeps
 * its range.
 *
 * Level derivation: the first of alpha[1], alpha[2], alpha[0] equal to
 * PWR_DERIVE_LEVEL exactly is derived from the other two and written back
 * into the record (clamped to 1; an open alpha[0] becomes 0.05 in methods 1
 * and 2). A method-2 call with all three levels given derives alpha[1] or
 * alpha[2] again, whichever the most recent method-2 derivation of the
 * calling thread produced (alpha[1] on a thread that has made none); methods
 * 0 and 1 and the alpha[0] default do not change that choice.
 *
 * Methods 1 and 2 answer not a number, deriving nothing, when a given level
 * lies outside [0, 1] or more than one level is open; method 2 also when a
 * stage holds no individuals (its weight w must lie strictly between 0 and
 * 1). There is no procedure then whose power could be computed.
 *
 * A power of methods 1 and 2 is a sum of integrals, each to a relative
 * 1e-6, and closed-form tails, each to MTH_pnorm's 1e-9: where the sum
 * passes 1 (or 0) by those errors it is reported as 1 (or 0), so every
 * power lies in [0, 1].
 *
 * Returns the power, or -1 for any other method. `stage` is not read.
 * Nothing is allocated.
 *
 * Threads: the method-2 derivation choice and the integrator's running sums
 * belong to the calling thread, so threads may compute at once and share
 * nothing; on one thread every result depends on that thread's earlier
 * method-2 calls only. Reports of the normal quantile go through the
 * process-wide hook of numeric/MTH_report.h. */
double PWR_get_power_for_two_stage_method(PWR_design *design, int32_t stage);

/* A value of `derived` for PWR_two_stage_power_deriving: derive no level. */
#define PWR_DERIVE_NO_LEVEL (-1)

/* The two-stage power with nothing kept between calls: the same power as
 * PWR_get_power_for_two_stage_method, except that the caller names the level
 * to derive, and no thread state is read or written, so two identical calls
 * give identical answers in any order on any thread.
 *
 * `derived` is 0, 1 or 2, the index in alpha[] of the level to derive from
 * the other two (its value in the record is ignored and overwritten), or
 * PWR_DERIVE_NO_LEVEL to use all three levels as they stand (method 2 then
 * re-derives nothing). Every level not derived must be given: a
 * PWR_DERIVE_LEVEL among them, or another `derived`, gives not a number
 * (case_rate is still written). Otherwise as PWR_get_power_for_two_stage_method:
 * writes case_rate and the derived level, returns the power or -1 for an
 * unknown method. Reentrant: reads and writes `design` only. */
double PWR_two_stage_power_deriving(PWR_design *design, int32_t derived);

/* Mean of stage `stage`'s standardised allelic statistic, cases and controls
 * counted separately (method 1):
 * (p1 - p0) / sqrt(p1 (1 - p1) / n1 + p0 (1 - p0) / n0), n1 and n0 the
 * stage's case and control alleles, p1 = case_rate (as last written).
 * Not a number for a stage other than 0 or 1. */
double get_average_of_normal_distribution(const PWR_design *design, int32_t stage);

/* Mean of stage `stage`'s statistic from its control count alone, standing
 * for both groups: sqrt(n0) (p1 - p0) / sqrt(p1 (1 - p1) + p0 (1 - p0)).
 * It equals get_average_of_normal_distribution when the stage has as many
 * cases as controls, and only then: method 2 uses it for such stages alone.
 * Kept for callers. Not a number for a stage other than 0 or 1. */
double get_joint_constant(const PWR_design *design, int32_t stage);

/* Stage 0's weight w0 in the joint statistic of method 2: its share of the
 * effective size e_s = 1 / (1/cases_s + 1/controls_s),
 * w0 = e0 / (e0 + e1), the inverse-variance weight under no association.
 * Where both stages have the same case:control ratio (cases0 controls1 =
 * cases1 controls0, in 64-bit integers) it is computed as stage 0's share of
 * all individuals, the same number. A stage with an empty group gives 0, 1
 * or not a number. Reads the record's counts only; reentrant. */
double PWR_joint_weight(const PWR_design *design);

/* Functions of one variable handed to the root finders and the integrator;
 * each reads params.v by position (four doubles; three for the level
 * equation). global_p_of_joint(_prime) read v[params.n] and give not a number
 * for an n outside 0..2. joint_p_function writes x into v[1] and integrates. */
double global_p_of_joint(double x, MTH_parameters params);
double global_p_of_joint_prime(double x, MTH_parameters params);
double get_phai_function(double x, MTH_parameters params);
double joint_p_function(double x, MTH_parameters params);
/* The level equation of method 2 on the log scale, in t = ln a1:
 * ln(L(min(exp t, 1)) / v[2]) with L(a1) the overall level of the joint
 * procedure at stage-0 level v[0] and weight v[3]. Writes min(exp t, 1) into
 * v[1] and integrates. Its root is the a1 that gives overall level v[2]. */
double joint_log_p_function(double t, MTH_parameters params);
double product_power_function(double x, MTH_parameters params);
double product_power_function_plumin(double x, MTH_parameters params);
double product_power_function_minplu(double x, MTH_parameters params);
double product_power_function_minus(double x, MTH_parameters params);
double joint_power_function_plus(double x, MTH_parameters params);
double joint_power_function_minus(double x, MTH_parameters params);

#ifdef __cplusplus
}
#endif

#endif
