// The normal upper tail by Cody's rational Chebyshev approximations of erfc.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/MTH_normal_tail.h"
// clang-format on

#include <cmath>

#include "numeric/portable_exp.h"

namespace {

constexpr double kInverseSqrt2 = 0.70710678118654752440;
constexpr double kInverseSqrtPi = 5.6418958354775628695e-1;

// The boundaries of Cody's three ranges in y = x / sqrt(2).
constexpr double kSmallRange = 0.46875;
constexpr double kMiddleRange = 4.0;

// erf(y) = y A(y^2) / B(y^2) for y <= 0.46875.
constexpr double kA[5] = {3.16112374387056560e00, 1.13864154151050156e02, 3.77485237685302021e02,
                          3.20937758913846947e03, 1.85777706184603153e-1};
constexpr double kB[4] = {2.36012909523441209e01, 2.44024637934444173e02, 1.28261652607737228e03,
                          2.84423683343917062e03};
// exp(y^2) erfc(y) = C(y) / D(y) for 0.46875 < y <= 4.
constexpr double kC[9] = {5.64188496988670089e-1, 8.88314979438837594e00, 6.61191906371416295e01,
                          2.98635138197400131e02, 8.81952221241769090e02, 1.71204761263407058e03,
                          2.05107837782607147e03, 1.23033935479799725e03, 2.15311535474403846e-8};
constexpr double kD[8] = {1.57449261107098347e01, 1.17693950891312499e02, 5.37181101862009858e02,
                          1.62138957456669019e03, 3.29079923573345963e03, 4.36261909014324716e03,
                          3.43936767414372164e03, 1.23033935480374942e03};
// exp(y^2) erfc(y) = (1/sqrt(pi) - z P(z) / Q(z)) / y, z = 1/y^2, for y > 4.
constexpr double kP[6] = {3.05326634961232344e-1, 3.60344899949804439e-1, 1.25781726111229246e-1,
                          1.60837851487422766e-2, 6.58749161529837803e-4, 1.63153871373020978e-2};
constexpr double kQ[5] = {2.56852019228982242e00, 1.87295284992346725e00, 5.27905102951428412e-1,
                          6.05183413124413191e-2, 2.33520497626869185e-3};

// erfc(y) for 0 <= y <= 0.46875, as 1 - erf(y).
double erfc_small(double y) {
    const double ysq = y * y;
    double numerator = kA[4] * ysq;
    double denominator = ysq;
    for (int i = 0; i < 3; ++i) {
        numerator = (numerator + kA[i]) * ysq;
        denominator = (denominator + kB[i]) * ysq;
    }
    return 1 - y * (numerator + kA[3]) / (denominator + kB[3]);
}

// exp(y^2) erfc(y) for 0.46875 < y <= 4.
double scaled_erfc_middle(double y) {
    double numerator = kC[8] * y;
    double denominator = y;
    for (int i = 0; i < 7; ++i) {
        numerator = (numerator + kC[i]) * y;
        denominator = (denominator + kD[i]) * y;
    }
    return (numerator + kC[7]) / (denominator + kD[7]);
}

// exp(y^2) erfc(y) for y > 4.
double scaled_erfc_large(double y) {
    const double z = 1 / (y * y);
    double numerator = kP[5] * z;
    double denominator = z;
    for (int i = 0; i < 4; ++i) {
        numerator = (numerator + kP[i]) * z;
        denominator = (denominator + kQ[i]) * z;
    }
    const double correction = z * (numerator + kP[4]) / (denominator + kQ[4]);
    return (kInverseSqrtPi - correction) / y;
}

// exp(-x^2 / 2) without the rounding of x^2: s = x to a sixteenth below,
// s^2 / 2 exact, the rest (x - s)(x + s) / 2 small.
// `exp` is the exponential used: the library's, or the portable one.
template <double (*exp)(double)>
double half_gaussian(double x) {
    const double s = std::trunc(x * 16) / 16;
    const double rest = (x - s) * (x + s);
    return exp(-s * s / 2) * exp(-rest / 2);
}

double library_exp(double x) { return std::exp(x); }

// P(Z > x) for x >= 0.
template <double (*exp)(double)>
double tail_of_nonnegative(double x) {
    const double y = x * kInverseSqrt2;
    if (y <= kSmallRange) {
        return erfc_small(y) / 2;
    }
    const double scaled = y <= kMiddleRange ? scaled_erfc_middle(y) : scaled_erfc_large(y);
    return half_gaussian<exp>(x) * scaled / 2;
}

// P(Z > x) for every x, with the exponential `exp`.
template <double (*exp)(double)>
double tail_with_exp(double x) {
    // Beyond 40 the tail is 0 (and the factors of the far form would meet
    // infinity minus infinity at an infinite x).
    constexpr double kBeyondDoubles = 40;
    if (std::isnan(x)) {
        return x;
    }
    if (std::fabs(x) > kBeyondDoubles) {
        return x > 0 ? 0.0 : 1.0;
    }
    return x < 0 ? 1 - tail_of_nonnegative<exp>(-x) : tail_of_nonnegative<exp>(x);
}

}  // namespace

extern "C" double MTH_normal_upper_tail(double x) { return tail_with_exp<library_exp>(x); }

extern "C" double MTH_portable_normal_upper_tail(double x) {
    return tail_with_exp<MTH_portable_exp>(x);
}
