// The incomplete gamma function, log-gamma, the normal distribution function
// built on them and the normal series, against closed forms, std::lgamma and
// std::erfc in long double. Each accuracy test measures the claim
// numeric/MTH_normal_distribution.h makes, named in tolerance.h. Suites
// ending in "Compatibility" pin behaviour kept on purpose; each says why in
// its first comment line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "numeric/MTH_normal_distribution.h"
#include "reference.h"
#include "tolerance.h"

namespace {

const double kPi = std::acos(-1.0);
const double kNaN = std::nan("");

// P(a, x) by its power series summed to convergence in long double, for
// checking the 101-term limit of the library's series.
double reference_p(double a, double x) {
    long double term = 1.0L, sum = 1.0L;
    for (int n = 1; n < 100000 && term > 1e-25L * sum; ++n) {
        term *= static_cast<long double>(x) / (a + n);
        sum += term;
    }
    const long double log_prefactor =
        a * std::log(static_cast<long double>(x)) - x - std::lgamma(a + 1.0L);
    return static_cast<double>(std::exp(log_prefactor) * sum);
}

TEST(IncompleteGamma, MatchesClosedFormsOnBothSidesOfTheSwitch) {
    const double just_below = std::nextafter(1.5, 0.0);
    for (const double x : {0.01, 0.3, 1.0, just_below, 1.5, 2.0, 4.0, 9.0, 30.0}) {
        EXPECT_NEAR(gammp(1.0, x), 1.0 - std::exp(-x), tolerance::kIncompleteGamma) << x;
        EXPECT_NEAR(gammp(0.5, x), std::erf(std::sqrt(x)), tolerance::kIncompleteGamma) << x;
        const double gamma3 = 1.0 - std::exp(-x) * (1.0 + x + x * x / 2.0);
        EXPECT_NEAR(gammp(3.0, x), gamma3, tolerance::kIncompleteGamma) << x;
    }
    // Near the switch both methods converge.
    for (const double x : {1.0, 1.5, 2.0}) {
        EXPECT_NEAR(gser(0.5, x) + gcf(0.5, x), 1.0, 2 * tolerance::kIncompleteGamma) << x;
    }
}

TEST(IncompleteGamma, AnswersOutsideItsDomainWithMinusOne) {
    EXPECT_EQ(gammp(0.5, 0.0), 0.0);
    for (const auto &[a, x] : {std::pair{0.0, 1.0}, std::pair{-1.0, 1.0}, std::pair{1.0, -1.0},
                               std::pair{kNaN, 1.0}, std::pair{1.0, kNaN}}) {
        EXPECT_EQ(gammp(a, x), -1.0) << a << ", " << x;
    }
    EXPECT_EQ(gser(2.0, -3.0), 0.0);
}

// The series converges within its budget for every shape up to 237 on the
// whole range it is used for (x < a + 1, where its terms fall slowest).
TEST(IncompleteGamma, SeriesConvergesForShapesUpTo237) {
    for (double a = 1; a <= 237; a += 1) {
        const double x = std::nextafter(a + 1, 0.0);
        const double reference = reference_p(a, x);
        EXPECT_NEAR(gser(a, x), reference, 1e-9 * reference) << a;
    }
}

// Compatibility: the series ends after its budget without a mark, as the
// published routine it follows does; callers keep getting the same values.
TEST(IncompleteGammaCompatibility, SeriesStopsSilentlyAfter101Terms) {
    const double shortfall = reference_p(1000.0, 999.0) - gammp(1000.0, 999.0);
    EXPECT_NEAR(shortfall, 7.0e-4, 0.05e-4);
    EXPECT_NEAR(shortfall / reference_p(1000.0, 999.0), 1.4e-3, 0.05e-3);
}

TEST(IncompleteGamma, ContinuedFractionAsTheNormalTailAsStated) {
    // P(Z > x) = Q(1/2, x^2/2) / 2 from 4 to 37.5, where the tail is still a
    // normal double (1e-308 near 37.5).
    double worst = 0;
    for (int i = 0; i <= 335000; ++i) {
        const double x = 4 + i * 1e-4;
        const long double exact = 0.5L * std::erfc(x / std::sqrt(2.0L));
        const long double error = std::fabs((gcf(0.5, x * x / 2) / 2 - exact) / exact);
        worst = std::max(worst, static_cast<double>(error));
    }
    EXPECT_LE(worst, tolerance::kGammaTailRelative);
    EXPECT_GT(worst, tolerance::kGammaTailRelative / 2);
}

// With x = 0 every denominator of the continued fraction is 0.
TEST(IncompleteGamma, ContinuedFractionWithoutAUsableStepIsNotANumber) {
    EXPECT_TRUE(std::isnan(gcf(1.0, 0.0)));
}

TEST(LogGamma, PeakErrorAsStated) {
    EXPECT_NEAR(gammln(1.0), 0.0, tolerance::kTol1);
    EXPECT_NEAR(gammln(2.0), 0.0, tolerance::kTol1);
    EXPECT_NEAR(gammln(0.5), std::log(std::sqrt(kPi)), tolerance::kTol3);
    // Absolute over (0, 20], where ln Gamma passes through 0 at 1 and 2.
    double worst_absolute = 0;
    for (int i = 1; i <= 200000; ++i) {
        const double x = i * 1e-4;
        const long double exact = std::lgamma(static_cast<long double>(x));
        worst_absolute =
            std::max(worst_absolute, static_cast<double>(std::fabs(gammln(x) - exact)));
    }
    EXPECT_LE(worst_absolute, tolerance::kLogGammaAbsolute);
    EXPECT_GT(worst_absolute, tolerance::kLogGammaAbsolute / 2);
    // Relative from 20 to 1020.
    double worst_relative = 0;
    for (int i = 0; i <= 100000; ++i) {
        const double x = 20 + i * 1e-2;
        const long double exact = std::lgamma(static_cast<long double>(x));
        worst_relative =
            std::max(worst_relative, static_cast<double>(std::fabs((gammln(x) - exact) / exact)));
    }
    EXPECT_LE(worst_relative, tolerance::kLogGammaRelative);
    EXPECT_GT(worst_relative, tolerance::kLogGammaRelative / 2);
    for (const double x : {0.0, -0.0, -1.0, -2.5, -HUGE_VAL, kNaN}) {
        EXPECT_TRUE(std::isnan(gammln(x))) << x;
    }
}

TEST(NormalDistributionNumerical, PeakAbsoluteErrorOverMinusTenToTenAsStated) {
    EXPECT_EQ(MTH_pnorm_numerical(0.0), 0.5);
    double worst = 0;
    for (int i = -1000000; i <= 1000000; ++i) {
        const double x = i * 1e-5;
        const long double exact = exact_cdf_long(x);
        worst = std::max(worst, static_cast<double>(std::fabs(MTH_pnorm_numerical(x) - exact)));
    }
    EXPECT_LE(worst, tolerance::kPnormNumericalAbsolute);
    EXPECT_GT(worst, tolerance::kPnormNumericalAbsolute / 2);
    for (double x = -10.0; x <= 10.0; x += 0.125) {
        EXPECT_NEAR(MTH_pnorm_numerical(x) + MTH_pnorm_numerical(-x), 1.0, tolerance::kTol0) << x;
    }
}

TEST(NormalDistributionNumerical, FarArgumentsGiveExactZeroOrOne) {
    EXPECT_EQ(MTH_pnorm_numerical(-40.0), 0.0);
    EXPECT_EQ(MTH_pnorm_numerical(-1e151), 0.0);
    EXPECT_EQ(MTH_pnorm_numerical(1e151), 1.0);
    EXPECT_EQ(MTH_pnorm_numerical(-HUGE_VAL), 0.0);
    EXPECT_EQ(MTH_pnorm_numerical(HUGE_VAL), 1.0);
    EXPECT_EQ(MTH_pnorm_numerical(kNaN), 0.0);
}

// With c = 1, 0.5 + x * series / sqrt(2 pi) is the normal distribution
// function; the alternating terms cancel more as |x| grows.
TEST(NormalSeries, SumsTheNormalIntegral) {
    EXPECT_EQ(get_result_recursive(7, 0, 0.0, 1.0), 1.0);
    const double integral_to_one = std::sqrt(kPi / 2.0) * std::erf(1.0 / std::sqrt(2.0));
    EXPECT_NEAR(get_result_recursive(0, 0, 1.0, 1.0), integral_to_one, tolerance::kTol1);
    for (double x = -4.0; x <= 4.0; x += 0.25) {
        const double cdf = 0.5 + x * get_result_recursive(0, 0, x, 1.0) / std::sqrt(2.0 * kPi);
        EXPECT_NEAR(cdf, exact_cdf(x), tolerance::kTol2) << x;
    }
    EXPECT_NEAR(get_result_recursive(0, 0, 2.0, 3.0), 3.0 * get_result_recursive(0, 0, 2.0, 1.0),
                tolerance::kTol1);
    EXPECT_EQ(get_result_recursive(0, 0, 2.0, 0.0), 0.0);
    EXPECT_EQ(get_result_recursive(0, 1, 2.0, 5.0), 0.0);
}

// Compatibility: callers pass a recursion depth the series has no use for.
TEST(NormalSeriesCompatibility, FirstIntegerIsNotRead) {
    const double reference = get_result_recursive(0, 0, 1.5, 1.0);
    EXPECT_EQ(get_result_recursive(INT32_MIN, 0, 1.5, 1.0), reference);
    EXPECT_EQ(get_result_recursive(INT32_MAX, 0, 1.5, 1.0), reference);
}

// Every input ends in bounded depth: a coefficient that is or becomes
// infinite or not-a-number, or an index that would pass the 32-bit limit,
// gives not-a-number at once.
TEST(NormalSeries, EveryInputEnds) {
    for (const double c : {HUGE_VAL, -HUGE_VAL, kNaN}) {
        EXPECT_TRUE(std::isnan(get_result_recursive(0, 0, 1.0, c)));
        EXPECT_TRUE(std::isnan(get_result_recursive(0, 4, 1.0, c)));
    }
    for (const int32_t k : {-1, -3, -101}) {
        EXPECT_TRUE(std::isnan(get_result_recursive(0, k, 1.0, 1.0))) << k;
    }
    EXPECT_TRUE(std::isnan(get_result_recursive(0, INT32_MAX, 1.0, 1.0)));
    EXPECT_TRUE(std::isnan(get_result_recursive(0, INT32_MAX - 1, 1.0, 1.0)));
    // Far below -1 the coefficient underflows long before the index gets there.
    EXPECT_TRUE(std::isfinite(get_result_recursive(0, INT32_MIN, 1.0, 1.0)));
    EXPECT_TRUE(std::isfinite(get_result_recursive(0, INT32_MIN + 1, 1.0, 1.0)));
    // -2 is the one level that enlarges the coefficient.
    EXPECT_TRUE(std::isnan(get_result_recursive(0, -2, 1.0, DBL_MAX)));
    EXPECT_TRUE(std::isfinite(get_result_recursive(0, -348, 0.5, DBL_MAX)));
    EXPECT_EQ(get_result_recursive(0, 0, 1.0, DBL_TRUE_MIN), DBL_TRUE_MIN);
}

}  // namespace
