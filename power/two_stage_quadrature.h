/* Quick two-stage powers, for comparing candidate designs: the product
 * (method 1) and joint (method 2) analyses' powers at given levels, and the
 * second-decision levels that give an overall level, by a fixed-order
 * Gauss-Legendre rule over finite ranges around the stage means.
 *
 * The design searches (search/design.h) rank candidates with these and report
 * only what the library's own two-stage power (PWR_two_stage_power) says of
 * the designs they settle on; nothing here is part of the public interface.
 *
 * The events are those of PWR_get_power_for_two_stage_method
 * (power/power_func.h), with stage statistics of unit variance and means
 * m0, m1 (get_average_of_normal_distribution), and the joint statistic
 * sqrt(w) Z0 + sqrt(1 - w) Z1, w = PWR_joint_weight. With X = Z0:
 *  - joint, upwards: P(X > c0, joint > c) = integral over x > c0 of
 *    phi(x - m0) Phi((x - turn) / width), turn and width as in
 *    power_func.cpp's joint_turn; over [max(c0, m0 - 12), m0 + 12], the
 *    turn's part (within 12 widths of it) by the rule, the rest above it as a
 *    normal mass. Downwards is the mirror image.
 *  - product: over c0 < |x| < c1, stage 1 passes beyond the upper quantile of
 *    a1 / (4 P(Z > |x|)); beyond c1 stage 0's own tails; the rule over the
 *    part of [c0, c1] within 12 of |m0|.
 * Panels are 4 length scales wide for the joint analysis (the density's 1,
 * the turn's width) and 8 for the product (the rate at which stage 1's
 * threshold moves is at most 1.2534 (c1 + 1)), 20 points each. Normal tails
 * come from MTH_normal_upper_tail, quantiles from MTH_qnorm. Cost at the
 * benchmark's design (bench/): 4 us a joint power, 12 us a product power,
 * 15 us a joint level derivation (the library: 1.2 ms with its derivation,
 * 26 us for the product).
 *
 * The joint level equation L(a1) = a2 is solved in the threshold c by
 * Newton's method with its exact derivative
 * dL/dc = -2 phi(c) P(Z > (c0 - sqrt(w) c) / sqrt(1 - w)); ln L is concave
 * in c, so the steps from c = upper quantile of a2 / 2 approach the root
 * from above without overshooting. The product's equation
 * a1 (1 + ln(a0 / a1)) = a2 likewise, in ln a1.
 *
 * Accuracy, measured against an independent long-double quadrature with
 * erfc (tests/two_stage_reference.h) over a grid of 288 designs and 10^4
 * random designs [two_stage_quadrature_test]: powers within 1.5e-14
 * absolute (the test holds them to 1e-9); a derived joint level gives the
 * overall level to a relative 1.7e-14 (held to 1e-10) for overall levels
 * from 1e-3 to 1e-12.
 *
 * Reentrant: pure functions (the rule's nodes are computed once, on first
 * use, thread-safely). */
#ifndef VANTOR_POWER_TWO_STAGE_QUADRATURE_H
#define VANTOR_POWER_TWO_STAGE_QUADRATURE_H

#include <stdint.h>

#include "power/power_func.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Overall level of the joint procedure at stage-0 level a0, second level a1
 * and weight w, 0 < w < 1. */
double PWR_quick_joint_level(double alpha0, double alpha1, double weight);

/* The second-decision level a1 whose joint overall level is alpha2 (1 when
 * no a1 up to 1 reaches it), for 0 < alpha2 <= alpha0 / 2. */
double PWR_quick_joint_stage1_level(double alpha0, double alpha2, double weight);

/* The a1 < a0 with a1 (1 + ln(a0 / a1)) = alpha2, for 0 < alpha2 < alpha0. */
double PWR_quick_product_stage1_level(double alpha0, double alpha2);

/* Power of the design's method 1 or 2 at its levels alpha[0] and alpha[1]
 * (alpha[2] is not read), its counts and rates; case_rate is derived, not
 * read. Not a number for another method or an empty stage. */
double PWR_quick_two_stage_power(const PWR_design *design);

/* A stage's test statistic, standardised by its variance under no
 * association: normal with this mean and standard deviation under the
 * alternative (the allelic statistic above: the stage mean and 1). */
typedef struct PWR_stage_statistic {
    double mean;
    double sd; /* positive */
} PWR_stage_statistic;

/* Power of method 0, 1 or 2 at levels alpha0 and alpha1, joint weight
 * `weight` (read by method 2 only), for stage statistics normal with the
 * given means and standard deviations, the events as above with X = Z0
 * scaled by its sd (panels then scale with the sds too); replication is
 * the closed form P(Z0 > c0) P(Z1 > c1) + P(Z0 < -c0) P(Z1 < -c1), c_s the
 * upper alpha_s / 2 quantiles. With unit sds and the allelic means it is
 * PWR_quick_two_stage_power bit for bit (methods 1 and 2). Not a number for
 * another method, a weight outside (0, 1) (method 2), or an sd not
 * positive. */
double PWR_quick_power_of_statistics(int32_t method, double alpha0, double alpha1, double weight,
                                     const PWR_stage_statistic stages[2]);

#ifdef __cplusplus
}
#endif

#endif
