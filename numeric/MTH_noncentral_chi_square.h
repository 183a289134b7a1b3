/* The upper tail of the chi-square distribution, central and noncentral,
 * accurate RELATIVE to the tail itself, however small: the power of a
 * chi-square test at genome-wide levels (1e-8 to 1e-12) is a tail of that
 * size where the effect is small, and it must keep its digits there.
 *
 * MTH_noncentral_chi_square_upper(x, k, lambda) = P(X > x), X noncentral
 * chi-square with k degrees of freedom and noncentrality lambda, summed as
 * the Poisson mixture of central tails (N. L. Johnson, S. Kotz and
 * N. Balakrishnan, Continuous Univariate Distributions, vol. 2, 2nd ed.,
 * 1995, ch. 29; the same series as C. G. Ding, "Algorithm AS 275: computing
 * the non-central chi-squared distribution function", Applied Statistics
 * 41(2), 478-482, 1992, but in the upper tail):
 *   P(X > x) = sum_j w_j Q(k/2 + j, x/2),  w_j = e^(-mu) mu^j / j!,
 *   mu = lambda / 2,
 * Q the regularised upper incomplete gamma function. Every term is positive
 * and no 1 - P is formed where the answer is small, so there is nothing to
 * cancel.
 *
 * Algorithm. From the Poisson mode m = floor(mu) the weights are walked
 * down to the first j_lo whose lower remainder sum_{j < j_lo} w_j is below
 * 1e-17 w_m (bounded by the geometric decay w_{j-1} / w_j = j / mu); since
 * Q increases with j and the sum is at least w_m Q(k/2 + m, x/2), the terms
 * left out below are under 1e-17 of the sum. Q(k/2 + j_lo, x/2) is computed
 * once: by the continued fraction (modified Lentz) for x/2 >= k/2 + j_lo + 1,
 * otherwise as 1 minus the power series of P (then Q >= 0.08 or so, so the
 * subtraction costs nothing in relative terms), each run to full double
 * precision with no fixed step budget, the prefactor
 * e^(-y) y^a / Gamma(a) in logarithms. From there the sum runs upwards with
 * Q(a + 1, y) = Q(a, y) + y^a e^(-y) / Gamma(a + 1), the direction in which
 * the recurrence only adds positive numbers (downwards it would subtract and
 * cancel in the far tail). It stops past the mode once the upper remainder,
 * bounded by sum_{j > J} w_j <= w_{J+1} / (1 - mu / (J + 2)) (Q <= 1), is
 * below 1e-17 of the sum. Terms are carried relative to the first one and
 * rescaled by powers of two as they grow, so that neither the weights
 * (e^(-mu) for large mu) nor Q (e^(-x/2) for large x) underflow on the way;
 * the result is formed from logarithms at the end. ln Gamma is a Stirling
 * series (shifted up to 10 for small arguments), not lgamma, which writes
 * the global signgam.
 *
 * Domain: x >= 0, k > 0, lambda >= 0, each at most 1e6 (x may be +infinity:
 * the tail is 0). Returns not a number for a negative or not-a-number
 * argument, for k <= 0 and for k, lambda or a finite x above 1e6 (beyond,
 * the work and the rounding of the logarithms grow with lambda and k).
 * Exactly 1 at x = 0. Where the tail falls below the smallest normal double
 * (about 2.2e-308) it goes to 0 through the subnormals, losing relative
 * accuracy there, and is exactly 0 below about 4.9e-324.
 *
 * Accuracy (measured, tests/noncentral_chi_square_test.cpp): relative error
 * below 1e-10 is what the tests require; measured peaks over lambda from 0
 * to 500, x = -2 ln alpha for alpha from 0.1 to 1e-12 and far tails down to
 * 1e-300:
 *   k = 1 against P(|Z + sqrt(lambda)| > sqrt(x)) by erfc in long double:
 *     MEASURED_K1;
 *   k = 2 against the Poisson mixture in long double with the exact
 *     integer-shape Q: MEASURED_K2;
 *   k = 1, 2, 3, 5 and 7.5 against R's pgamma(upper) mixture: MEASURED_R.
 * The error grows slowly with the size of the logarithms involved (about
 * DBL_EPSILON times lambda + x + k ln x), so it is larger, though still far
 * below 1e-10, for large arguments.
 * Cost: about MEASURED_COST for k = 2, lambda from 10 to 50, x = -2 ln 5e-8
 * (bench/vantor_bench.cpp BM_noncentral_chi_square_genotypic); the number of
 * terms grows like sqrt(lambda) plus the distance of the tail's own peak
 * from the Poisson mode.
 *
 * Reentrant: pure functions of their arguments, no state, no reports.
 * Usable from C and C++. */
#ifndef VANTOR_NUMERIC_MTH_NONCENTRAL_CHI_SQUARE_H
#define VANTOR_NUMERIC_MTH_NONCENTRAL_CHI_SQUARE_H

#ifdef __cplusplus
extern "C" {
#endif

/* P(X > x), X noncentral chi-square with `degrees` degrees of freedom and
 * noncentrality `noncentrality`; see above. */
double MTH_noncentral_chi_square_upper(double x, double degrees, double noncentrality);

/* P(X > x), X central chi-square with `degrees` degrees of freedom, that is
 * Q(degrees / 2, x / 2); the same as the noncentral tail at noncentrality 0,
 * with the same domain and accuracy. */
double MTH_chi_square_upper(double x, double degrees);

#ifdef __cplusplus
}
#endif

#endif
