/* Adaptive integration over finite, half-infinite and infinite ranges.
 *
 * Method (W. H. Press et al., Numerical Recipes in C, 2nd ed., 1992, chapter
 * 4: trapzd and qsimp in section 4.2, midinf and qromo in section 4.4). A
 * finite range is refined with the extended trapezoidal rule, level n using
 * 2^(n-1) panels; a range with one infinite end with the extended open
 * midpoint rule after the change of variable t = 1/x, level n using 3^(n-1)
 * panels (tripling keeps the old midpoints on the grid). Each level adds only
 * its new points to the running sum of the previous one. One step of
 * Richardson extrapolation cancels each rule's leading error term:
 * E_n = (4 S_n - S_(n-1)) / 3 for the trapezoid (Simpson's rule, as in qsimp)
 * and E_n = (9 S_n - S_(n-1)) / 8 for the midpoint rule, whose error falls by
 * 9 when the panels triple. Refinement stops when two consecutive estimates
 * agree to the relative tolerance, at most 19 levels on a finite range
 * (262 145 evaluations) and 14 on an infinite end (1 594 323); a range that
 * does not converge returns its last estimate, unmarked. A range that reaches
 * zero from an infinite end is split at -5 or 5, the whole line into three
 * pieces, so that t = 1/x stays finite (MTH_num_integrate also cuts one
 * that ends within 1 of zero, at -1 or 1).
 *
 * A limit of exactly -MTH_INFINITY (lower) or +MTH_INFINITY (upper) means
 * minus or plus infinity; any other value, even MTH_INFINITY as a lower
 * limit, is an ordinary number.
 *
 * Accuracy: that of the stopping test only; there is no error estimate. For
 * smooth integrands the extrapolated estimate is far better than the change
 * between levels: polynomials up to cubic are exact at level 3, and the
 * normal density's tail beyond 2 comes out within 3e-10 at a tolerance of
 * 1e-6 [integrate_test IntegrateFinite.PolynomialsUpToCubicAreExactAtLevelThree,
 * IntegrateInfinite.NormalTailsAtLevelFive].
 *
 * Where accuracy ends, and what it costs: an integral whose estimates are
 * exactly 0 is never accepted by the relative test (0 is not less than 0)
 * and runs every level: 262 145 evaluations on a finite range, 1 594 323 on
 * a range with an infinite lower end, 1 856 477 on the whole line. A range
 * with an infinite upper end accepts equal estimates and stops at level 3
 * (9 evaluations) [integrate_test IntegrateFinite.UnacceptedRangesRunAllNineteenLevels,
 * IntegrateInfiniteCompatibility.ZeroIsAcceptedOnlyByTheUpperInfiniteLoop].
 * A positive absolute tolerance ends every such range at level 3
 * (MTH_num_integrate). Kept: the two infinite ends' different tests, on
 * which the library's two-stage results depend to the last bit.
 *
 * A range whose estimate becomes not a number (an integrand value that is
 * not a number, or sums that overflow) stops there and returns it: no later
 * level could give anything else.
 *
 * NOT REENTRANT: each rule keeps its running sum between levels in a static
 * of the calling thread. Threads share nothing and may integrate at once; on
 * one thread, do not call the integrator from inside a function being
 * integrated. Usable from C and C++. */
#ifndef VANTOR_NUMERIC_MTH_NUMERICAL_INTEGRATE_H
#define VANTOR_NUMERIC_MTH_NUMERICAL_INTEGRATE_H

#include <stdint.h>

#include "numeric/MTH_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* int_lower^upper f(x) dx (negative if upper < lower on a finite range);
 * params is handed to every evaluation of f. The same as MTH_num_integrate
 * with an absolute tolerance of 0. A tolerance of 0 or less, or not a
 * number, accepts only two equal estimates on an infinite upper end and
 * otherwise runs every level. */
double MTH_simple_num_integrate(MTH_function f, double lower, double upper, MTH_parameters params,
                                double tolerance);

/* int_lower^upper f(x) dx, each piece of the range refined until two
 * consecutive estimates agree to `relative_tolerance` of the previous one (as
 * MTH_simple_num_integrate does) or differ by at most `absolute_tolerance`,
 * whichever comes first; neither test can pass before the third level, the
 * first at which both estimates are real. An absolute tolerance serves a
 * caller who adds several integrals: a piece that is negligible beside the
 * sum (say below 1e-9 of it) need not be known to a relative 1e-6, and one
 * that is only rounding noise would otherwise run every level. An absolute
 * tolerance of 0 (or less, or not a number) leaves the relative test alone
 * [integrate_test IntegrateWithinTolerances].
 *
 * Unlike MTH_simple_num_integrate it also cuts at -1 or 1 a range with one
 * infinite end whose finite end lies within 1 of zero (but not across it):
 * the midpoint rule spreads its panels evenly over the t-range, 1/|end|
 * wide, and on a t-range a million wide two coarse levels can agree on an
 * estimate several times the integral; up to a width of 1 it has a wide
 * margin [integrate_test IntegrateWithinTolerances.RangesEndingNearZero]. */
double MTH_num_integrate(MTH_function f, double lower, double upper, MTH_parameters params,
                         double relative_tolerance, double absolute_tolerance);

/* Level-n value of the extended trapezoidal rule on [a, b] with 2^(n-1)
 * panels: level 1 evaluates f at a and b, level n >= 2 at the 2^(n-2)
 * midpoints of the previous panels. For n >= 2 the call must directly follow
 * the level n - 1 call on the same f, params and range (the running sum is
 * kept between calls). */
double trapzd(MTH_function f, MTH_parameters params, double a, double b, int32_t n);

/* Level-n value of the extended open midpoint rule for int_aa^bb f(x) dx,
 * computed as int_(1/bb)^(1/aa) f(1/t) / t^2 dt with 3^(n-1) panels; level 1
 * evaluates one point, level n >= 2 two new points in each of the 3^(n-2)
 * previous panels. aa and bb nonzero and of one sign. Same calling
 * discipline as trapzd. */
double midinf(MTH_function f, MTH_parameters params, double aa, double bb, int32_t n);

#ifdef __cplusplus
}
#endif

#endif
