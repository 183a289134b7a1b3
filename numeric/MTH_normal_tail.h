/* The upper tail of the standard normal distribution, P(Z > x), to a few
 * units in the last place over the whole range where it is a double.
 *
 * Algorithm: W. J. Cody, "Rational Chebyshev approximations for the error
 * function", Mathematics of Computation 23, 631-637, 1969, with the
 * coefficients of his Fortran routine CALERF (SPECFUN, netlib), in the form
 * erfc(y) = exp(-y^2) R(y), y = x / sqrt(2):
 *   y <= 0.46875        erfc(y) = 1 - y A(y^2) / B(y^2);
 *   0.46875 < y <= 4    R(y) = C(y) / D(y);
 *   y > 4               R(y) = (1/sqrt(pi) - z P(z) / Q(z)) / y, z = 1 / y^2.
 * The factor exp(-x^2 / 2) is formed as exp(-s^2 / 2) exp(-(x - s)(x + s) / 2)
 * with s = x rounded down to a sixteenth, so that s^2 / 2 is exact and the
 * rounding of x^2 (which would cost x^2 units in the last place, 1444 at 38)
 * never enters; the rounding of y = x / sqrt(2) moves R only by about y
 * units in the last place of its argument's relative change, which R's slow
 * variation (R ~ 1 / (y sqrt(pi))) turns into a fraction of a unit.
 *
 * Domain: every x. For x >= 0 the tail itself; for x < 0 it is
 * 1 - P(Z > -x). Not a number gives not a number; from about 37.5 on the
 * tail passes below the smallest normal double and goes to 0
 * through the subnormals (exactly 0 beyond about 38.6); beyond 40 it is 0,
 * below -40 it is 1.
 * Accuracy: error below 5 units of DBL_EPSILON times the tail (1.1e-15
 * relative; 4.4 at 3.55 and 4.31) from 0 to 37.5, and below 2 units of the
 * subnormal spacing from 37.5 to 38, where the tail is subnormal; measured
 * against erfcl(x / sqrt(2)) / 2 in long double on grids of step 1e-5 (all
 * of them while measuring) and 1e-4 and at 10^5 random points (in the test)
 * [normal_tail_test NormalTail.FewUnitsInTheLastPlaceFrom0To38].
 * Cost: two exp and a rational function of degree 8 at most: about 20 ns,
 * against about 50 ns for the continued fraction gcf from 4 to 33.
 *
 * Reentrant: a pure function. Usable from C and C++. */
#ifndef VANTOR_NUMERIC_MTH_NORMAL_TAIL_H
#define VANTOR_NUMERIC_MTH_NORMAL_TAIL_H

#ifdef __cplusplus
extern "C" {
#endif

/* P(Z > x), Z standard normal; see above. */
double MTH_normal_upper_tail(double x);

/* The same with the exponential of numeric/portable_exp.h (within 2 units
 * in the last place of the library's): the same bits on every platform,
 * for decisions that must not depend on the platform's exp. Its accuracy is
 * the function's above to within a few units in the last place. */
double MTH_portable_normal_upper_tail(double x);

#ifdef __cplusplus
}
#endif

#endif
