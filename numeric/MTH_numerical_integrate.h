/* Adaptive integration over finite, half-infinite and infinite ranges.
 *
 * A limit of exactly -MTH_INFINITY (lower) or +MTH_INFINITY (upper) means
 * minus or plus infinity. Finite ranges use the extended trapezoidal rule,
 * ranges with one infinite end the extended midpoint rule in t = 1/x; each is
 * refined level by level until two consecutive extrapolated estimates agree to
 * the relative tolerance. A range that does not converge returns its last
 * estimate, unmarked. A range whose estimate becomes not a number (an
 * integrand value that is not a number, or sums that overflow) stops there
 * and returns it: no later level could give anything else.
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

/* Integral of f from lower to upper (negative if upper < lower on a finite
 * range); params is handed to every evaluation of f. The same as
 * MTH_num_integrate with an absolute tolerance of 0. */
double MTH_simple_num_integrate(MTH_function f, double lower, double upper, MTH_parameters params,
                                double tolerance);

/* Integral of f from lower to upper, each piece of the range refined until two
 * consecutive estimates agree to `relative_tolerance` of the previous one (as
 * MTH_simple_num_integrate does) or differ by at most `absolute_tolerance`,
 * whichever comes first; neither test can pass before the third level, the
 * first at which both estimates are real. An absolute tolerance serves a
 * caller who adds several integrals: a piece that is negligible beside the
 * sum (say below 1e-9 of it) need not be known to a relative 1e-6, and one
 * that is only rounding noise would otherwise run every level. An absolute
 * tolerance of 0 (or less, or not a number) leaves the relative test alone. */
double MTH_num_integrate(MTH_function f, double lower, double upper, MTH_parameters params,
                         double relative_tolerance, double absolute_tolerance);

/* Level-n value of the extended trapezoidal rule on [a, b]; for n >= 2 it must
 * directly follow the level n - 1 call on the same f, params and range. */
double trapzd(MTH_function f, MTH_parameters params, double a, double b, int32_t n);

/* Level-n value of the extended open midpoint rule for the integral of f from
 * aa to bb, computed in t = 1/x; aa and bb nonzero and of one sign. Same
 * calling discipline as trapzd. */
double midinf(MTH_function f, MTH_parameters params, double aa, double bb, int32_t n);

#ifdef __cplusplus
}
#endif

#endif
