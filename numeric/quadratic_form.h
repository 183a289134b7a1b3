/* The upper tail of a two-term weighted sum of noncentral chi-square(1)
 * variables, P(w1 Y1^2 + w2 Y2^2 > c) with Y1 ~ N(m1, 1) and Y2 ~ N(m2, 1)
 * independent, accurate RELATIVE to the tail however small. A quadratic
 * form in a normal vector of two dimensions is such a sum (after rotating
 * to the eigenvectors of its matrix), so this is the power of a 2-degree
 * test whose statistic is one: the power at genome-wide levels is a tail of
 * 1e-8 to 1e-15 where the effect is small, and must keep its digits there.
 *
 * Method: conditioning on one term. With a = sqrt(c / w1),
 *   P = P(|Y1| > a) + int_{-a}^{a} phi(y - m1) P(w2 Y2^2 > c - w1 y^2) dy,
 * and with y = a sin(theta) the inner tail is Q(b cos(theta) - m2) +
 * Q(b cos(theta) + m2), b = sqrt(c / w2), Q the upper normal tail: the
 * integrand runs along the ellipse w1 y1^2 + w2 y2^2 = c and has no square
 * root left at |y| = a. Folding theta and -theta together (the density at
 * y and -y) leaves theta in [0, pi/2], and the signs of m1 and m2 drop out.
 * The outer term is the one of smaller weight, so that the inner term's
 * semi-axis b is the shorter. Only the arc where phi(y - |m1|) is within
 * 39 of its peak and b cos(theta) below |m2| + 39 is integrated: beyond, the
 * integrand is below 2 Q(39), about 1e-332, under the smallest double. The
 * arc is cut into panels in equal steps of y = a sin(theta) where y moves
 * faster than z = b cos(theta) (theta below atan(a / b)) and in equal steps
 * of z above, so that neither coordinate moves by more than 5 over a panel
 * (phi and Q change on a scale of 1). The arc is parametrised by
 * t = tan(theta / 2), in which sin theta and cos theta are rational, so no
 * sine, cosine or arc function is called: the answer's bits are the same
 * with every mathematical library (the WebAssembly page's and the native
 * one's), whose trigonometric functions differ in their last bits. Each
 * panel of t takes a 20-point
 * Gauss-Legendre rule; its nodes and weights are computed by the compiler,
 * by Newton's method on the Legendre polynomial as gauleg does (W. H. Press
 * et al., Numerical Recipes in C, 2nd ed., 1992, section 4.5). Every term
 * added is positive, so nothing cancels; the result is capped at 1. Q is
 * MTH_normal_upper_tail (numeric/MTH_normal_tail.h), relative to the tail
 * to a few units in the last place out to 37.5.
 *
 * Domain: c >= 0, w1 > 0 and w2 > 0 finite, m1 and m2 any. Exactly 1 at
 * c = 0 and for an infinite mean with finite c; 0 for c = +infinity with
 * finite means. Not a number for a not-a-number argument, c < 0, a weight
 * <= 0 or infinite, c and a mean both infinite, and where the arc would take
 * more than 20000 panels (only when the shorter semi-axis b and |m2| are
 * both beyond about 10^5, far outside a test's statistics). Exactly 1 where
 * a mean lies more than 39 beyond its semi-axis, and 0 where the ellipse
 * holds the disc of radius 39 about (m1, m2): the true tails there are
 * within 1e-330 of those values.
 *
 * Accuracy, measured by tests/quadratic_form_test.cpp over c from 0.5 to 55.3
 * (-2 ln alpha for alpha 0.5 to 1e-12), weights 0.2 to 5 and means -10 to 40,
 * answers from 1 down to 1e-49 (23 of them from 1e-14 to 1e-10), peak
 * relative error:
 *   against Ruben's series of central chi-square tails with positive
 *   coefficients (H. Ruben, Annals of Mathematical Statistics 33, 542-570,
 *   1962), summed in long double: 2.2e-14 with one mean zero
 *   [QuadraticFormTail.RubenSeriesOneMeanZero], 1.3e-14 on 3000 seeded
 *   random forms with both means up to 1.3 times their semi-axes
 *   [QuadraticFormTail.RubenSeriesRandomForms];
 *   with equal weights: 3.1e-14 against exp(-c / (2 w)) at zero means
 *   [QuadraticFormTail.EqualWeightsCentral], 3.9e-14 against
 *   MTH_noncentral_chi_square_upper(c / w, 2, m1^2 + m2^2)
 *   [QuadraticFormTail.EqualWeightsNoncentral];
 *   within 4 standard errors of seeded simulations of 10^6 draws
 *   [QuadraticFormTail.Simulation].
 * Absolute error below 1e-15 on the random forms. The error is the rounding
 * of the exponents, about DBL_EPSILON times (c / min(w) + m^2) / 2 in the far
 * tail: 8.2e-14 for c / w up to 2500 and tails down to 6e-277
 * [QuadraticFormTail.RubenSeriesFarTails]. The quadrature's own error is
 * below that: while choosing the step of 5 on the random forms, a step of 7
 * still kept 1.7e-12.
 * Where accuracy ends, unmeasured: z = b cos(theta) carries a rounding of
 * about b DBL_EPSILON, which moves Q(z - m2) by a relative (z - m2) b
 * DBL_EPSILON; negligible for the levels' c, it grows where the shorter
 * semi-axis and |m2| reach 10^4 and more.
 * Cost: for n panels, 2 + 40 n evaluations of the normal tail and 40 n
 * exponentials; a panel for each 5 of the arc's
 * extent in y and in z, at least one in each part the arc crosses. The two
 * extents add to at most sqrt(a^2 + b^2), 23.5 for c <= 55.3 and weights
 * >= 0.2, so there n <= 6 (242 normal tails, reached at zero means and
 * equal weights 0.2); 117 on average over c = -2 ln alpha (alpha 0.05 to
 * 1e-12), weights 0.2 to 5 and means 0 to 40 (counted while writing it);
 * about 2.5 us (CPU time, the machine busy with other work) per call for
 * w = (0.4, 2.5), means (m, m / 2), m from 0 to 10, at c = -2 ln 5e-8
 * (bench/vantor_bench.cpp BM_two_term_chi_square), against 0.4 us for the
 * equal-weight tail by MTH_noncentral_chi_square_upper.
 *
 * Reentrant: a pure function of its arguments, no state, no reports.
 * Usable from C and C++. */
#ifndef VANTOR_NUMERIC_QUADRATIC_FORM_H
#define VANTOR_NUMERIC_QUADRATIC_FORM_H

#ifdef __cplusplus
extern "C" {
#endif

/* P(w1 Y1^2 + w2 Y2^2 > c) for independent Y_i ~ N(m_i, 1), weights
 * w_i > 0, c >= 0; see above. */
double MTH_two_term_chi_square_upper(double c, double w1, double m1, double w2, double m2);

#ifdef __cplusplus
}
#endif

#endif
