/* Newton-Raphson root finders for equations f(x) = 0 in one real variable
 * (W. H. Press et al., Numerical Recipes in C, 2nd ed., 1992, section 9.4).
 *
 * Both iterate x <- x - f(x) / s(x) from `start`, s being the slope, until a
 * step is no longer than `tolerance` (the point that step reached is
 * returned) or `max_steps` + 1 steps are taken (the last iterate is
 * returned, unmarked). Neither brackets the root nor guards the slope: a zero
 * slope sends the iterate to infinity, the next step gives not a number,
 * which ends the loop and is returned.
 *
 * Domain: a tolerance of 0 or less or not a number, or a negative budget,
 * returns `start` without calling f.
 * Accuracy: the stopping test bounds the last step, not the distance to the
 * root. With the exact derivative, convergence near a simple root is
 * quadratic and the root is usually reached to rounding by then (sqrt(2) to
 * 4 units in the last place in five steps [newton_test
 * NewtonMethod.FindsSqrtTwoInFiveSteps]).
 * The modified method converges linearly with ratio about 1/2, so its answer
 * is about one last step (up to `tolerance`) from the root
 * [newton_test ModifiedNewtonMethod.HalfStepsConvergeLinearlyToSqrtTwo].
 * Kept: the budget allows one step more than its value
 * [newton_test NewtonMethodCompatibility.BudgetAllowsOneStepMoreThanItsValue].
 *
 * Reentrancy: they keep no state of their own; they are as reentrant as the
 * functions they are given. Usable from C and C++. */
#ifndef VANTOR_NUMERIC_MTH_NEWTON_METHOD_H
#define VANTOR_NUMERIC_MTH_NEWTON_METHOD_H

#include <stdint.h>

#include "numeric/MTH_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Newton's method with the derivative given: s(x) = derivative(x). Each
 * function gets its own parameters. One evaluation of f and one of the
 * derivative per step. */
double MTH_newton_method(MTH_function f, MTH_parameters f_params, MTH_function derivative,
                         MTH_parameters derivative_params, double start, int32_t max_steps,
                         double tolerance);

/* Newton's method with s(x) = get_modified_prime(f, x, params, 1e-4), twice
 * the central-difference slope: each step is half a Newton step. Three
 * evaluations of f per step (at x, x + 5e-5, x - 5e-5, in that order).
 * Kept: the half steps, on which the results of the callers' level
 * derivations depend to the last bit. */
double MTH_modified_newton_method(MTH_function f, MTH_parameters params, double start,
                                  int32_t max_steps, double tolerance);

/* (f(x + step/2) - f(x - step/2)) / (step/2): twice the central-difference
 * slope of f at x (the difference is divided by the half width). Its error as
 * twice the slope is of order step^2 f''' / 12 plus rounding of order
 * eps |f| / step [newton_test ModifiedPrimeCompatibility.IsTwiceTheSlope].
 * Domain: every x and step; step 0 gives not a number (0 / 0). */
double get_modified_prime(MTH_function f, double x, MTH_parameters params, double step);

#ifdef __cplusplus
}
#endif

#endif
