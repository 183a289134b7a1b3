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
 * otherwise as 1 minus the power series of P (there Q(a, y) >= 0.08 for
 * a >= 1/2, and about 3e-3 at a = 0.005, so the subtraction costs little in
 * relative terms), each run to full double precision rather than within a
 * small step budget, the prefactor e^(-y) y^a / Gamma(a) in logarithms. From there the sum runs
 * upwards with Q(a + 1, y) = Q(a, y) + y^a e^(-y) / Gamma(a + 1), the direction in which the
 * recurrence only adds positive numbers (downwards it would subtract and cancel in the far tail).
 * It stops past the mode once the upper remainder, bounded by sum_{j > J} w_j <= w_{J+1} / (1 - mu
 * / (J + 2)) (Q <= 1), is below 1e-17 of the sum. Terms are carried relative to the first one and
 * rescaled by powers of two as they grow, so that neither the weights
 * (e^(-mu) for large mu) nor Q (e^(-x/2) for large x) underflow on the way;
 * the result is formed from logarithms at the end. The Poisson weight
 * w_j_lo and the factor y^a e^(-y) / Gamma(a + 1) of Q are taken as
 * exp(-stirlerr(a) - bd0(a, y)) / sqrt(2 pi a) (C. Loader, "Fast and
 * accurate computation of binomial probabilities", 2000), which keeps the
 * cancellation of a ln y - y - ln Gamma(a + 1) between large terms out;
 * ln Gamma itself (for a <= 16 only) is a shifted Stirling series, not
 * lgamma, which writes the global signgam.
 *
 * Domain: x >= 0, 0.01 <= k <= 1e6, 0 <= lambda <= 1e6, x at most 1e6 or
 * +infinity (the tail is then 0). Returns not a number for a negative or
 * not-a-number argument, for k below 0.01, 0 included (there Q(k/2, x/2) is
 * of the size of k and, formed as 1 - P below x = k + 2, would lose relative
 * accuracy as 1e-16 / k), and for k, lambda or a finite x above 1e6 (beyond,
 * the work and the rounding of the logarithms grow). Exactly 1 at x = 0.
 * Where the tail falls below the smallest normal double (about 2.2e-308) it
 * goes to 0 through the subnormals, losing relative accuracy there, and is
 * exactly 0 below about 4.9e-324 (0 is returned, not an error).
 *
 * Accuracy, measured as the peak relative error by
 * tests/noncentral_chi_square_test.cpp, which requires 1e-10 everywhere,
 * over lambda from 0 to 500 and x = -2 ln alpha for alpha from 0.1 to 1e-12,
 * small x and far tails down to 1e-300:
 *   k = 1 against P(|Z + sqrt(lambda)| > sqrt(x)) by erfc in long double:
 *     2.1e-13 (central, erfc(sqrt(x/2)): 1.8e-13);
 *   k = 2 against the Poisson mixture in long double with the exact
 *     integer-shape Q (finite Poisson sums): 1.3e-13 (central, e^(-x/2):
 *     7.3e-15);
 *   k = 0.01, 0.3, 1, 2, 3, 5, 7.5 and 40 against R's
 *     sum_j dpois(j, lambda/2) pgamma(x/2, k/2 + j, lower.tail = FALSE):
 *     1.4e-12, all of the excess over 3e-13 at k = 0.01 and x <= 1 (the 1 - P
 *     form at Q = 3e-3);
 *   k = 1 with lambda from 1e3 to 1e6 and x = (sqrt(lambda) + z)^2 for z
 *     from -8 to 30: 4.1e-12 (at lambda = 1e5, z = 30, a tail of 1e-198).
 * The error grows with the size of the logarithms involved, about
 * DBL_EPSILON times x / 2 in the far tail; values next to 1 are accurate to
 * about 2e-13 absolute, not as 1 minus a small lower tail.
 * Cost: about 0.6 us (CPU time) per call for k = 2, lambda from 10 to 50,
 * x = -2 ln 5e-8 (bench/vantor_bench.cpp BM_noncentral_chi_square_genotypic);
 * 2.5 us at lambda = 500, x = -2 ln 1e-12. The number of terms grows like
 * sqrt(lambda) plus the distance of the terms' peak from the Poisson mode.
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
