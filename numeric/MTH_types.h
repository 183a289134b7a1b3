/* Types shared by the numerical library and its callers.
 *
 * Usable from C and C++. */
#ifndef VANTOR_NUMERIC_MTH_TYPES_H
#define VANTOR_NUMERIC_MTH_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Parameters handed unchanged to every evaluation of an MTH_function.
 * `n` is an integer the function may read; `v` points to an array of doubles
 * owned by the caller, which the function may read and write. Always passed
 * by value. */
typedef struct MTH_parameters {
    int32_t n;
    double *v;
} MTH_parameters;

/* A real function of one real variable, as the root finders and the
 * integrator call it. */
typedef double (*MTH_function)(double x, MTH_parameters params);

/* The largest finite double: stands for plus infinity (its negative for minus
 * infinity) as an integration limit and as the quantile of 1 or 0. */
#define MTH_INFINITY 1.7976931348623157e308

#ifdef __cplusplus
}
#endif

#endif
