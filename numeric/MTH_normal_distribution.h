/* The standard normal distribution: density, distribution function, quantile
 * and helpers; the incomplete gamma function and a second, more accurate
 * distribution function built on it; the power series of the normal integral.
 *
 * Conventions of this page. Z is a standard normal variable, phi its density
 * and Phi its distribution function. "Accuracy" is the peak error measured
 * against an independent reference (std::erfc, std::lgamma or bisection in
 * long double) over the stated range and grid, by the test named in
 * brackets: a test in tests/ that fails if the statement stops being true.
 * tests/published_coefficients_test.cpp also evaluates Algorithm 209, AS 241
 * and the Lanczos approximation from their published coefficients in long
 * double and requires the library's results to agree to a few units in the
 * last place, so that a changed digit in a coefficient cannot go unseen
 * (down to the last printed place of Algorithm 209's coefficients and the
 * thirteenth significant digit of most others; see that test for the few
 * whose terms stay too small to show their later digits).
 *
 * Results are reproducible to the last bit: the coefficient tables and the
 * order of every operation are part of the library's contract, and some
 * choices that look like slips are kept for that reason (each is marked
 * "Kept:" below).
 *
 * Reentrancy: every function is a pure function of its arguments and safe to
 * call from any number of threads at once. The one side effect is the report
 * "MIN_FLAG" that MTH_qnorm makes for a probability of 0 or less, through the
 * report hook of numeric/MTH_report.h (by default a line on standard output).
 * Usable from C and C++. */
#ifndef VANTOR_NUMERIC_MTH_NORMAL_DISTRIBUTION_H
#define VANTOR_NUMERIC_MTH_NORMAL_DISTRIBUTION_H

#include <stdint.h>

#include "numeric/MTH_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* phi(x) = exp(-x^2 / 2) / sqrt(2 pi), computed as
 * 0.3989422804014327 * pow(e, -x^2 / 2) with e the double nearest Euler's
 * number.
 *
 * Domain: every x; not a number gives not a number; |x| beyond about 38.6
 * underflows to 0.
 * Accuracy: relative error at most 2e-16 (1 + x^2) over [-10, 10], 9.3e-14 at
 * |x| = 37 [normal_test NormalDensity.PeakRelativeErrorGrowsWithTheSquareAsStated].
 * Kept: pow of a rounded e rather than exp. The double e is 1.4e-16 below e,
 * which makes the relative error grow with x^2; exp would be closer, but
 * would change results in their last bits. */
double MTH_dnorm(double x);

/* Phi(x) = P(Z <= x), by ACM Algorithm 209 (D. Ibbetson, "Algorithm 209:
 * Gauss", Communications of the ACM 6(10), 616, 1963). With y = |x| / 2, the
 * probability z that |Z| < 2y is 2y P8(y^2) for y < 1 and Q14(y - 2) for
 * y >= 1 (polynomials of degree 8 and 14, coefficients as printed to 12
 * decimals), and Phi(x) = (1 + z) / 2 for x > 0, (1 - z) / 2 for x < 0.
 *
 * Domain: every x. Exactly 0.5 at 0, exactly 0 below -6 and exactly 1 above
 * 6 (the algorithm's own cut at y = 3); not a number gives not a number.
 * Accuracy: absolute error at most 1.02e-9 over [-6, 6] (1.01e-9 at
 * x = -2.04; step 1e-5) [normal_test
 * NormalDistribution.PeakAbsoluteErrorOverItsRangeAsStated].
 *
 * Where accuracy ends: the error is absolute, so a tail probability from this
 * function has few correct digits far out: relative error 1.2e-7 at |x| = 4,
 * 7e-4 at 5, 15 % at 6, and 100 % beyond 6, where the tail is exactly 0.
 * For tails use MTH_pnorm_numerical (to about 8.5) or gcf (to 37.5).
 * power/power_func.h says what this means for a power at genome-wide levels. */
double MTH_pnorm(double x);

/* The z with Phi(z) = p, by algorithm AS 241, PPND16 (M. J. Wichura, "The
 * percentage points of the normal distribution", Applied Statistics 37(3),
 * 477-484, 1988): a rational function of degree 7 over 7 in each of three
 * regions, |p - 1/2| <= 0.425, then sqrt(-ln r) <= 5 and beyond, r the
 * smaller of p and 1 - p. The coefficients are those published, rounded to 15
 * significant digits.
 *
 * Domain: 0 < p < 1. For p >= 1 returns MTH_INFINITY, silently; for p <= 0
 * reports "MIN_FLAG" through MTH_report (by default the line "MIN_FLAG" on
 * standard output) and returns -MTH_INFINITY; not a number gives not a
 * number, silently.
 * Accuracy: relative error at most 3e-15 for p from 1e-300 to 1/2 and their
 * complements (20 per decade), largest (2.8e-15) just outside the central
 * region [normal_test NormalQuantile.PeakRelativeErrorAsStated].
 * Where accuracy ends: p above 1/2 enters as a double next to 1, whose
 * distance from 1 is a multiple of 1.1e-16. The upper quantile of a tail t is
 * therefore the quantile of t rounded to that grid (relative change up to
 * 1.1e-16 / t), and for t below 5.6e-17, 1 - t is 1 and the answer is
 * MTH_INFINITY. Pass the tail itself instead: -MTH_qnorm(t).
 * Kept: `unused` is not read. Callers pass a tolerance the algorithm has no
 * use for [normal_test NormalQuantileCompatibility.SecondArgumentIsNotRead]. */
double MTH_qnorm(double p, double unused);

/* P(min(a, b) < Z <= max(a, b)) = Phi(max) - Phi(min), by MTH_pnorm.
 * Domain: every a, b; 0 when a == b. Accuracy: absolute error at most twice
 * MTH_pnorm's, 2.04e-9. */
double MTH_pnorm_area(double a, double b);

/* (x - mean) / sd, or 0 when sd is 0 (whatever x and mean are). Rounded
 * once for the difference and once for the quotient. */
double MTH_translate_probability_to_standard(double x, double mean, double sd);

/* z * sd + mean, rounded once for each operation (never contracted into a
 * fused multiply-add). */
double MTH_translate_probability_from_standard(double z, double mean, double sd);

/* MTH_dnorm(x) in the shape of an MTH_function for the integrator; params is
 * not read. Kept: the name's spelling, which callers link to. */
double rapped_dnorm(double x, MTH_parameters params);

/* Phi(x) = 1/2 + sign(x) P(1/2, x^2 / 2) / 2, through gammp.
 *
 * Domain: every x. Exactly 0 or 1 where |x| / sqrt(2) passes 1e150 (before
 * x^2 could overflow); not a number gives 0 (gammp's -1, halved, added to
 * 1/2).
 * Accuracy: absolute error at most 7.5e-13 over [-10, 10] (7.2e-13 at
 * x = -1.75; step 1e-5) [gamma_test
 * NormalDistributionNumerical.PeakAbsoluteErrorOverMinusTenToTenAsStated].
 * Where accuracy ends: a lower tail is formed as 1/2 minus a value next to
 * 1/2, so its relative error grows outwards: 2.3e-6 at x = -7, 2 % at -8,
 * and from -8.5 on the answer is 0 (likewise 1 - Phi above 8.5). */
double MTH_pnorm_numerical(double x);

/* Regularised lower incomplete gamma function
 * P(a, x) = (1 / Gamma(a)) int_0^x t^(a-1) e^(-t) dt, by gser for x < a + 1
 * and by 1 - gcf above, where each converges fast (W. H. Press et al.,
 * Numerical Recipes in C, 2nd ed., 1992, section 6.2, gammp).
 *
 * Domain: a > 0, x >= 0. Returns -1 when x < 0, a <= 0 or either is not a
 * number.
 * Accuracy: each method stops once a step changes its sum by less than 1e-11
 * of it; absolute error within 1e-11 against closed forms for a = 1/2, 1, 3
 * and x from 0.01 to 30 [gamma_test
 * IncompleteGamma.MatchesClosedFormsOnBothSidesOfTheSwitch], up to the
 * series' budget (see gser). */
double gammp(double a, double x);

/* P(a, x) by its power series
 * e^(-x) x^a / Gamma(a) * sum_n x^n / (a (a + 1) ... (a + n))
 * (Numerical Recipes, section 6.2, gser), suited to x < a + 1.
 *
 * Domain: a > 0. Returns 0 for x <= 0 (whatever a is); not a number for
 * a <= 0 and x > 0 (through gammln).
 * Where accuracy ends: the sum stops when a term is below 1e-11 of it or
 * after 101 terms, whichever comes first, without a mark. Below x = a + 1 the
 * budget suffices to 1e-9 relative for every a up to 237 [gamma_test
 * IncompleteGamma.SeriesConvergesForShapesUpTo237]; at a = 1000, x = 999 the
 * sum is 7.0e-4 short (1.4e-3 relative) [gamma_test
 * IncompleteGammaCompatibility.SeriesStopsSilentlyAfter101Terms]. The library
 * calls it with a = 1/2 only, where x < 1.5 needs at most 16 terms.
 * Kept: the silent stop, as in the published routine. */
double gser(double a, double x);

/* Q(a, x) = 1 - P(a, x) by its continued fraction
 * e^(-x) x^a / Gamma(a) * 1/(x + (1 - a)/(1 + 1/(x + (2 - a)/(1 + 2/(x + ...)))))
 * evaluated by its successive convergents, renormalised at every step
 * (Numerical Recipes, section 6.2, gcf), suited to x >= a + 1.
 *
 * Domain: a > 0, x > 0. Stops when a convergent changes by less than 1e-11
 * of itself or after 100 steps, without a mark; not a number if no step has
 * a nonzero denominator (as for x = 0).
 * Accuracy: as the normal tail P(Z > x) = Q(1/2, x^2 / 2) / 2, relative error
 * at most 2e-12 from x = 4 to 37.5 (1.8e-12 at 4.16; step 1e-4), where the
 * tail is still a normal double [gamma_test
 * IncompleteGamma.ContinuedFractionAsTheNormalTailAsStated]. */
double gcf(double a, double x);

/* ln Gamma(x) by the Lanczos approximation (C. Lanczos, "A precision
 * approximation of the gamma function", SIAM Journal on Numerical Analysis B
 * 1, 86-96, 1964) with gamma = 5 and six terms, as Numerical Recipes prints
 * it (section 6.1, gammln):
 * ln Gamma(x) = (x + 1/2) ln(x + 5.5) - (x + 5.5)
 *               + ln(sqrt(2 pi) (c0 + c1/(x + 1) + ... + c6/(x + 6)) / x).
 *
 * Domain: x > 0; not a number for x <= 0 or not a number (at 0 the formula
 * would divide by zero).
 * Accuracy: absolute error at most 1.1e-11 over (0, 20] (1.0e-11 near 20),
 * relative error at most 5e-13 from 20 to 1020 (4.1e-13 at 42.7) [gamma_test
 * LogGamma.PeakErrorAsStated].
 * Kept: the constant for sqrt(2 pi) is one unit in the last place above the
 * double nearest sqrt(2 pi): it is Numerical Recipes' printed
 * 2.5066282746310005, which reads as that double. The difference (1.8e-16
 * relative) is far below the approximation's own error. */
double gammln(double x);

/* The series c * sum_j (-1)^j x^(2j) / (2^j j! (2j + 1)) from the term
 * selected by `index` (0 for the whole series), by Horner's scheme in x^2,
 * one recursion level per term until the coefficient underflows to zero
 * (157 levels for index 0, c = 1). With c = 1, 1/2 + x S / sqrt(2 pi) is
 * Phi(x).
 *
 * Domain: every x; recursion depth, not x, bounds the cost. Not a number, at
 * once, when the coefficient is or becomes infinite or not a number (as a
 * negative odd index does on reaching -1) or when the index would pass
 * INT32_MAX.
 * Accuracy: the alternating terms cancel as |x| grows; Phi built from the
 * series is within 5.7e-14 over [-4, 4] [gamma_test
 * NormalSeries.SumsTheNormalIntegral].
 * Kept: `depth` is passed down unread [gamma_test
 * NormalSeriesCompatibility.FirstIntegerIsNotRead]. */
double get_result_recursive(int32_t depth, int32_t index, double x, double coefficient);

#ifdef __cplusplus
}
#endif

#endif
