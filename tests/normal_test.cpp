// The normal density, distribution function and quantile against
// independent values: the closed form through std::erfc, and quantiles found
// by bisection on it in extended precision.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "numeric/MTH_normal_distribution.h"
#include "reference.h"

namespace {

constexpr double kLargest = 1.7976931348623157e308;

std::string captured_stdout_of_qnorm(double p, double *result) {
    testing::internal::CaptureStdout();
    *result = MTH_qnorm(p, 1e-6);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

TEST(NormalDensity, MatchesClosedFormAndIsSymmetric) {
    EXPECT_EQ(MTH_dnorm(0.0), 0.3989422804014327);
    for (double x : {0.1, 0.5, 1.0, 2.5, 6.0, 10.0}) {
        const double exact = std::exp(-x * x / 2) / std::sqrt(2 * M_PI);
        // e is stored rounded: its power carries a relative error growing with x^2.
        EXPECT_NEAR(MTH_dnorm(x), exact, 5e-16 * (1 + x * x) * exact) << x;
        EXPECT_EQ(MTH_dnorm(x), MTH_dnorm(-x)) << x;
    }
    EXPECT_TRUE(std::isnan(MTH_dnorm(NAN)));
}

TEST(NormalDensity, AdapterIgnoresItsParameters) {
    const MTH_parameters nothing = {0, nullptr};
    EXPECT_EQ(rapped_dnorm(1.3, nothing), MTH_dnorm(1.3));
}

TEST(NormalDistribution, WithinAlgorithmErrorOfClosedForm) {
    for (double x = -6.0; x <= 6.0; x += 0.01) {
        EXPECT_NEAR(MTH_pnorm(x), exact_cdf(x), 2e-9) << x;
    }
}

TEST(NormalDistribution, CentreAndTailCuts) {
    EXPECT_EQ(MTH_pnorm(0.0), 0.5);
    EXPECT_EQ(MTH_pnorm(-0.0), 0.5);
    // At exactly +-6 the polynomial is still evaluated: about 1e-9 inside.
    EXPECT_GT(1.0 - MTH_pnorm(6.0), 5e-10);
    EXPECT_LT(1.0 - MTH_pnorm(6.0), 2e-9);
    EXPECT_GT(MTH_pnorm(-6.0), 5e-10);
    EXPECT_EQ(MTH_pnorm(std::nextafter(6.0, 7.0)), 1.0);
    EXPECT_EQ(MTH_pnorm(std::nextafter(-6.0, -7.0)), 0.0);
    EXPECT_EQ(MTH_pnorm(1e300), 1.0);
    EXPECT_EQ(MTH_pnorm(-INFINITY), 0.0);
    EXPECT_TRUE(std::isnan(MTH_pnorm(NAN)));
}

TEST(NormalDistribution, SymmetricAboutZero) {
    for (double x : {0.3, 1.0, 1.99, 2.0, 3.7, 5.9}) {
        EXPECT_NEAR(MTH_pnorm(x) + MTH_pnorm(-x), 1.0, 1e-15) << x;
    }
}

TEST(NormalDistribution, AreaInEitherOrder) {
    EXPECT_EQ(MTH_pnorm_area(1, -1), MTH_pnorm_area(-1, 1));
    EXPECT_NEAR(MTH_pnorm_area(-1, 1), exact_cdf(1) - exact_cdf(-1), 2e-9);
    EXPECT_EQ(MTH_pnorm_area(0.7, 0.7), 0.0);
}

TEST(NormalQuantile, MatchesExactQuantilesToFifteenDigits) {
    // Central region, both tails of the intermediate region, the far tail.
    for (double p : {0.1, 0.3, 0.6, 0.9, 0.975, 0.025, 1e-3, 1e-5, 1e-9, 1e-12, 1e-20, 1e-100,
                     1e-300, 0.999999}) {
        const double exact = exact_quantile(p);
        EXPECT_NEAR(MTH_qnorm(p, 1e-6), exact, 1e-14 * std::fabs(exact)) << p;
    }
}

TEST(NormalQuantile, SymmetricAndCentred) {
    // Near the centre the quantile is (p - 1/2) sqrt(2 pi) to first order.
    const double q = 1e-9;
    EXPECT_NEAR(MTH_qnorm(0.5 + q, 1e-6), ((0.5 + q) - 0.5) * std::sqrt(2 * M_PI), 1e-23);
    EXPECT_EQ(MTH_qnorm(0.5, 1e-6), 0.0);
    EXPECT_FALSE(std::signbit(MTH_qnorm(0.5, 1e-6)));
    const double hi = MTH_qnorm(1 - 0.05 / 2, 1e-6);
    const double lo = MTH_qnorm(0.05 / 2, 1e-6);
    EXPECT_NEAR(hi, 1.959963984540054, 1e-14);
    EXPECT_NEAR(hi, -lo, 1e-15);
}

TEST(NormalQuantile, RegionBoundaries) {
    // |p - 0.5| exactly 0.425 in doubles takes the central formula; just
    // above takes the intermediate tail. Both must be accurate.
    const double on_split = 0.075;
    ASSERT_EQ(0.5 - on_split, 0.425);
    const double past_split = std::nextafter(on_split, 0.0);
    for (double p : {on_split, past_split, 1 - on_split}) {
        const double exact = exact_quantile(p);
        EXPECT_NEAR(MTH_qnorm(p, 1e-6), exact, 1e-14 * std::fabs(exact)) << p;
    }
    // sqrt(-ln p) = 5 separates the intermediate and far tails.
    const double tail_split = std::exp(-25.0);
    for (double p : {tail_split * 0.999, tail_split, tail_split * 1.001}) {
        const double exact = exact_quantile(p);
        EXPECT_NEAR(MTH_qnorm(p, 1e-6), exact, 1e-14 * std::fabs(exact)) << p;
    }
}

TEST(NormalQuantile, SecondArgumentHasNoInfluence) {
    EXPECT_EQ(MTH_qnorm(0.2, 1e-6), MTH_qnorm(0.2, 12345.0));
    EXPECT_EQ(MTH_qnorm(0.2, 1e-6), MTH_qnorm(0.2, NAN));
}

TEST(NormalQuantile, EndsOfDomain) {
    double result = 0;
    EXPECT_EQ(captured_stdout_of_qnorm(1.0, &result), "");
    EXPECT_EQ(result, kLargest);
    EXPECT_EQ(captured_stdout_of_qnorm(1.5, &result), "");
    EXPECT_EQ(result, kLargest);
    for (double p : {0.0, -0.0, -0.3, -HUGE_VAL}) {
        EXPECT_EQ(captured_stdout_of_qnorm(p, &result), "MIN_FLAG\n") << p;
        EXPECT_EQ(result, -kLargest) << p;
    }
    EXPECT_EQ(captured_stdout_of_qnorm(NAN, &result), "");
    EXPECT_TRUE(std::isnan(result));
}

TEST(Standardisation, ToAndFrom) {
    EXPECT_EQ(MTH_translate_probability_to_standard(5, 3, 0), 0.0);
    EXPECT_EQ(MTH_translate_probability_to_standard(5, 3, 2), 1.0);
    EXPECT_EQ(MTH_translate_probability_from_standard(1, 3, 2), 5.0);
    EXPECT_TRUE(std::isnan(MTH_translate_probability_to_standard(5, 3, NAN)));
    EXPECT_EQ(MTH_translate_probability_to_standard(NAN, 3, 0), 0.0);
}

}  // namespace
