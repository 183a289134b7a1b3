/* The standard normal distribution: density, distribution function, quantile
 * and helpers; the incomplete gamma function and a second, more accurate
 * distribution function built on it; the power series of the normal integral.
 *
 * Every operation is a pure function of its arguments and safe to call from
 * any thread. The one side effect is the report "MIN_FLAG" that MTH_qnorm
 * makes for a probability of 0 or less, through the report hook of
 * numeric/MTH_report.h (by default a line on standard output). Usable from C
 * and C++. */
#ifndef VANTOR_NUMERIC_MTH_NORMAL_DISTRIBUTION_H
#define VANTOR_NUMERIC_MTH_NORMAL_DISTRIBUTION_H

#include <stdint.h>

#include "numeric/MTH_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Standard normal density at x. */
double MTH_dnorm(double x);

/* P(Z <= x) for a standard normal Z (ACM Algorithm 209; absolute error about
 * 1e-9). Exactly 0 below -6 and exactly 1 above 6. */
double MTH_pnorm(double x);

/* The z with P(Z <= z) = p (algorithm AS 241; relative error about 1e-15).
 * For p >= 1 returns MTH_INFINITY; for p <= 0 reports "MIN_FLAG" through
 * MTH_report (by default the line "MIN_FLAG" on standard output) and returns
 * -MTH_INFINITY. `unused` is not read. */
double MTH_qnorm(double p, double unused);

/* Probability that a standard normal Z lies between a and b, in either
 * order. */
double MTH_pnorm_area(double a, double b);

/* (x - mean) / sd, or 0 when sd is 0. */
double MTH_translate_probability_to_standard(double x, double mean, double sd);

/* z * sd + mean. */
double MTH_translate_probability_from_standard(double z, double mean, double sd);

/* MTH_dnorm in the shape of an MTH_function; params is not read. */
double rapped_dnorm(double x, MTH_parameters params);

/* P(Z <= x) through the incomplete gamma function (absolute error below
 * 1e-12 over [-10, 10]). */
double MTH_pnorm_numerical(double x);

/* Regularised lower incomplete gamma function P(a, x); -1 when x < 0, a <= 0
 * or either is not a number. */
double gammp(double a, double x);

/* P(a, x) by its power series (suited to x < a + 1). */
double gser(double a, double x);

/* Q(a, x) = 1 - P(a, x) by its continued fraction (suited to x >= a + 1); not
 * a number if no step has a nonzero denominator (as for x = 0). */
double gcf(double a, double x);

/* ln Gamma(x) for x > 0 (Lanczos); not a number for x <= 0. */
double gammln(double x);

/* The series c * sum_j (-1)^j x^(2j) / (2^j j! (2j + 1)) from the term
 * selected by `index` (0 for the whole series), one recursion level per term
 * until the coefficient underflows to zero (157 levels for index 0, c = 1).
 * Not a number, at once, when the coefficient is or becomes infinite or not a
 * number (as a negative odd index does on reaching -1) or when the index would
 * pass INT32_MAX. `depth` is passed down unread. */
double get_result_recursive(int32_t depth, int32_t index, double x, double coefficient);

#ifdef __cplusplus
}
#endif

#endif
