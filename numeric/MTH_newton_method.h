/* Newton-Raphson root finders for equations in one real variable.
 *
 * Both iterate from `start` until a step is no longer than `tolerance` (the
 * point that step reached is returned) or `max_steps` + 1 steps are taken (the
 * last iterate is returned, unmarked). A tolerance of 0 or less or not a
 * number, or a negative budget, returns `start` without calling f. They keep
 * no state of their own. Usable from C and C++. */
#ifndef VANTOR_NUMERIC_MTH_NEWTON_METHOD_H
#define VANTOR_NUMERIC_MTH_NEWTON_METHOD_H

#include <stdint.h>

#include "numeric/MTH_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Newton's method with the derivative given; each function gets its own
 * parameters. */
double MTH_newton_method(MTH_function f, MTH_parameters f_params, MTH_function derivative,
                         MTH_parameters derivative_params, double start, int32_t max_steps,
                         double tolerance);

/* Newton's method with the slope from get_modified_prime (step 1e-4); each
 * step is half a Newton step, so convergence is linear. */
double MTH_modified_newton_method(MTH_function f, MTH_parameters params, double start,
                                  int32_t max_steps, double tolerance);

/* (f(x + step/2) - f(x - step/2)) / (step/2): twice the central-difference
 * slope. */
double get_modified_prime(MTH_function f, double x, MTH_parameters params, double step);

#ifdef __cplusplus
}
#endif

#endif
