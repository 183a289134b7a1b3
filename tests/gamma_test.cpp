#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>

#include "numeric/MTH_normal_distribution.h"

namespace {

const double kPi = std::acos(-1.0);
const double kNaN = std::nan("");

double normal_cdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// P(a, x) by its power series summed to convergence in long double, for
// checking the 101-term limit of the library's series.
double reference_p(double a, double x) {
    long double term = 1.0L, sum = 1.0L;
    for (int n = 1; n < 100000 && term > 1e-25L * sum; ++n) {
        term *= static_cast<long double>(x) / (a + n);
        sum += term;
    }
    return static_cast<double>(std::exp(a * std::log(x) - x - std::lgamma(a + 1.0)) * sum);
}

TEST(IncompleteGamma, MatchesClosedFormsOnBothSidesOfTheSwitch) {
    const double just_below = std::nextafter(1.5, 0.0);
    for (const double x : {0.01, 0.3, 1.0, just_below, 1.5, 2.0, 4.0, 9.0, 30.0}) {
        EXPECT_NEAR(gammp(1.0, x), 1.0 - std::exp(-x), 1e-11) << x;
        EXPECT_NEAR(gammp(0.5, x), std::erf(std::sqrt(x)), 1e-11) << x;
        const double gamma3 = 1.0 - std::exp(-x) * (1.0 + x + x * x / 2.0);
        EXPECT_NEAR(gammp(3.0, x), gamma3, 1e-11) << x;
    }
    // Near the switch both methods converge.
    for (const double x : {1.0, 1.5, 2.0}) {
        EXPECT_NEAR(gser(0.5, x) + gcf(0.5, x), 1.0, 1e-10) << x;
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

TEST(IncompleteGamma, SeriesStopsSilentlyAfter101Terms) {
    const double shortfall = reference_p(1000.0, 999.0) - gammp(1000.0, 999.0);
    EXPECT_GT(shortfall, 5e-4);
    EXPECT_LT(shortfall, 1e-3);
}

// With x = 0 every denominator of the continued fraction is 0.
TEST(IncompleteGamma, ContinuedFractionWithoutAUsableStepIsNotANumber) {
    EXPECT_TRUE(std::isnan(gcf(1.0, 0.0)));
}

TEST(LogGamma, AgreesWithTheStandardLibrary) {
    EXPECT_NEAR(gammln(1.0), 0.0, 1e-14);
    EXPECT_NEAR(gammln(2.0), 0.0, 1e-14);
    EXPECT_NEAR(gammln(0.5), std::log(std::sqrt(kPi)), 1e-12);
    for (double x = 0.05; x < 20.0; x += 0.35) {
        EXPECT_NEAR(gammln(x), std::lgamma(x), 1e-10) << x;
    }
    for (const double x : {0.0, -0.0, -1.0, -2.5, -HUGE_VAL, kNaN}) {
        EXPECT_TRUE(std::isnan(gammln(x))) << x;
    }
}

TEST(NormalDistributionNumerical, AccurateToTwelveDigitsOverMinusTenToTen) {
    EXPECT_EQ(MTH_pnorm_numerical(0.0), 0.5);
    EXPECT_NEAR(MTH_pnorm_numerical(1.0), normal_cdf(1.0), 1e-13);
    for (double x = -10.0; x <= 10.0; x += 0.125) {
        EXPECT_NEAR(MTH_pnorm_numerical(x), normal_cdf(x), 1e-12) << x;
        EXPECT_NEAR(MTH_pnorm_numerical(x) + MTH_pnorm_numerical(-x), 1.0, 1e-15) << x;
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
    EXPECT_NEAR(get_result_recursive(0, 0, 1.0, 1.0), integral_to_one, 1e-15);
    for (double x = -4.0; x <= 4.0; x += 0.25) {
        const double cdf = 0.5 + x * get_result_recursive(0, 0, x, 1.0) / std::sqrt(2.0 * kPi);
        EXPECT_NEAR(cdf, normal_cdf(x), 1e-13) << x;
    }
    EXPECT_NEAR(get_result_recursive(0, 0, 2.0, 3.0), 3.0 * get_result_recursive(0, 0, 2.0, 1.0),
                1e-15);
    EXPECT_EQ(get_result_recursive(0, 0, 2.0, 0.0), 0.0);
    EXPECT_EQ(get_result_recursive(0, 1, 2.0, 5.0), 0.0);
}

TEST(NormalSeries, FirstIntegerIsNeverRead) {
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
