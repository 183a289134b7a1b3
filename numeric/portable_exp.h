/* e^x in a fixed sequence of additions, multiplications and a scaling by a
 * power of two, so that it gives the same bits on every platform: a
 * library's exp may differ in its last bit between the native build and the
 * WebAssembly module, and a simulation whose decisions pass through it
 * would then differ too.
 *
 * Algorithm: x = k ln 2 + r with k the nearest integer to x / ln 2 and r
 * formed with ln 2 in two parts (Cody and Waite; the parts of fdlibm's
 * e_exp.c), |r| <= 0.347; e^r by its Taylor polynomial of degree 13 in
 * Horner's form (truncation below 6e-18 relative); e^x = 2^k e^r by ldexp,
 * exact but for results in the subnormal range.
 * Accuracy: within 2 units in the last place of e^x wherever e^x is a
 * normal double (tests/simulation_test.cpp, against expl).
 * Domain: every x: not a number gives not a number, above 709.78 infinity,
 * below -745.2 zero.
 *
 * Reentrant: a pure function. Usable from C and C++. */
#ifndef VANTOR_NUMERIC_PORTABLE_EXP_H
#define VANTOR_NUMERIC_PORTABLE_EXP_H

#ifdef __cplusplus
extern "C" {
#endif

double MTH_portable_exp(double x);

#ifdef __cplusplus
}
#endif

#endif
