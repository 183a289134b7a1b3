// Named tolerances for the tests, in the manner of GSL's TEST_TOL0..6.
//
// The tiers are multiples of the double epsilon (2.2e-16) and say how far a
// result may be from a reference computed another way: kTol0 is rounding in
// the last place or two, kTol6 about 2e-10. Use them when a test expects
// agreement to rounding. The accuracy a header promises for an approximation
// (Algorithm 209's absolute 1e-9, say) is not rounding: such claims are named
// below, each beside the header that states it and the test that measures it,
// so that a claim and its test change together.
#ifndef VANTOR_TESTS_TOLERANCE_H
#define VANTOR_TESTS_TOLERANCE_H

#include <cfloat>

namespace tolerance {

constexpr double kTol0 = 2 * DBL_EPSILON;        // 4.4e-16
constexpr double kTol1 = 16 * DBL_EPSILON;       // 3.6e-15
constexpr double kTol2 = 256 * DBL_EPSILON;      // 5.7e-14
constexpr double kTol3 = 2048 * DBL_EPSILON;     // 4.5e-13
constexpr double kTol4 = 16384 * DBL_EPSILON;    // 3.6e-12
constexpr double kTol5 = 131072 * DBL_EPSILON;   // 2.9e-11
constexpr double kTol6 = 1048576 * DBL_EPSILON;  // 2.3e-10

// Accuracy promised by numeric/MTH_normal_distribution.h, as measured.
// MTH_pnorm: peak absolute error over [-6, 6] (normal_test).
constexpr double kPnormAbsolute = 1.02e-9;
// MTH_qnorm: peak relative error for p from 1e-300 to 1 - 1e-300; largest
// (2.8e-15) just outside the central region (normal_test).
constexpr double kQnormRelative = 3e-15;
// MTH_dnorm: peak relative error divided by 1 + x^2 over [-10, 10]
// (normal_test).
constexpr double kDnormRelativePerSquare = 2e-16;
// MTH_pnorm_numerical: peak absolute error over [-10, 10] (gamma_test).
constexpr double kPnormNumericalAbsolute = 7.5e-13;
// gammln: peak absolute error over (0, 20], relative beyond (gamma_test).
constexpr double kLogGammaAbsolute = 1.1e-11;
constexpr double kLogGammaRelative = 5e-13;
// gammp: absolute error; the series and the continued fraction stop once a
// step changes the result by less than 1e-11 of it (gamma_test).
constexpr double kIncompleteGamma = 1e-11;
// gcf(1/2, x^2/2) / 2 as the normal tail: peak relative error from 4 to 37.5
// (gamma_test).
constexpr double kGammaTailRelative = 2e-12;

// Accuracy promised by numeric/MTH_noncentral_chi_square.h: relative error
// over its tested range (noncentral_chi_square_test).
constexpr double kNoncentralChiSquareRelative = 1e-10;

// Accuracy promised by numeric/quadratic_form.h, as measured.
// MTH_two_term_chi_square_upper: peak relative error against Ruben's series
// and closed forms for c from 0.5 to 55.3, weights 0.2 to 5, means -10 to 40
// (quadratic_form_test; 3.9e-14 measured, the rounding of an exponent of up
// to c / (2 min w) = 138).
constexpr double kTwoTermTailRelative = 1e-13;

// Accuracy promised by power/power_func.h, as measured.
// PWR_get_power_for_single_step: peak absolute error of a power between 0.01
// and 0.99 against the power at the level exactly, at levels 0.05 to 1e-8
// and at levels 1e-9 to 1e-11 (single_power_test).
constexpr double kSinglePowerAbsolute = 1.5e-9;
constexpr double kSinglePowerAbsoluteBelow1e8 = 6e-9;

}  // namespace tolerance

#endif
