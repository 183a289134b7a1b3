/* placeholder until the numeric branch lands */
#ifndef VANTOR_NUMERIC_MTH_NONCENTRAL_CHI_SQUARE_H
#define VANTOR_NUMERIC_MTH_NONCENTRAL_CHI_SQUARE_H
#ifdef __cplusplus
extern "C" {
#endif
double MTH_noncentral_chi_square_upper(double x, double degrees, double noncentrality);
#ifdef __cplusplus
}
#endif
#endif
