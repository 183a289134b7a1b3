// The normal density, distribution function and quantile against
// independent values: the closed form through std::erfc, and quantiles found
// by bisection on it in extended precision. Each accuracy test measures the
// claim numeric/MTH_normal_distribution.h makes, named in tolerance.h.
// Suites ending in "Compatibility" pin behaviour kept on purpose for the
// callers that rely on it; each says why in its first comment line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "numeric/MTH_normal_distribution.h"
#include "reference.h"
#include "tolerance.h"

namespace {

constexpr double kLargest = 1.7976931348623157e308;

std::string captured_stdout_of_qnorm(double p, double *result) {
    testing::internal::CaptureStdout();
    *result = MTH_qnorm(p, 1e-6);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

long double exact_density(long double x) {
    return std::exp(-x * x / 2) / std::sqrt(2 * 3.141592653589793238462643383279502884L);
}

TEST(NormalDensity, PeakRelativeErrorGrowsWithTheSquareAsStated) {
    EXPECT_EQ(MTH_dnorm(0.0), 0.3989422804014327);
    // e is stored rounded: its power carries a relative error growing with x^2.
    double worst = 0;
    for (int i = -100000; i <= 100000; ++i) {
        const double x = i * 1e-4;
        const long double exact = exact_density(x);
        const double error = static_cast<double>(std::fabs((MTH_dnorm(x) - exact) / exact));
        worst = std::max(worst, error / (1 + x * x));
        EXPECT_EQ(MTH_dnorm(x), MTH_dnorm(-x)) << x;
    }
    EXPECT_LE(worst, tolerance::kDnormRelativePerSquare);
    EXPECT_GT(worst, tolerance::kDnormRelativePerSquare / 2);
    EXPECT_TRUE(std::isnan(MTH_dnorm(NAN)));
}

TEST(NormalDensity, AdapterIgnoresItsParameters) {
    const MTH_parameters nothing = {0, nullptr};
    EXPECT_EQ(rapped_dnorm(1.3, nothing), MTH_dnorm(1.3));
}

TEST(NormalDistribution, PeakAbsoluteErrorOverItsRangeAsStated) {
    double worst = 0;
    for (int i = -600000; i <= 600000; ++i) {
        const double x = i * 1e-5;
        worst = std::max(worst, std::fabs(MTH_pnorm(x) - exact_cdf(x)));
    }
    EXPECT_LE(worst, tolerance::kPnormAbsolute);
    EXPECT_GT(worst, 0.95 * tolerance::kPnormAbsolute);
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
        EXPECT_NEAR(MTH_pnorm(x) + MTH_pnorm(-x), 1.0, tolerance::kTol0) << x;
    }
}

TEST(NormalDistribution, AreaInEitherOrder) {
    EXPECT_EQ(MTH_pnorm_area(1, -1), MTH_pnorm_area(-1, 1));
    EXPECT_NEAR(MTH_pnorm_area(-1, 1), exact_cdf(1) - exact_cdf(-1), 2 * tolerance::kPnormAbsolute);
    EXPECT_EQ(MTH_pnorm_area(0.7, 0.7), 0.0);
}

TEST(NormalQuantile, PeakRelativeErrorAsStated) {
    // Central region, both tails of the intermediate region, the far tail:
    // 20 probabilities per decade from 1e-300 to 1/2 and their mirror images.
    double worst = 0;
    for (int k = 0; k < 6000; ++k) {
        const double tail = std::pow(10.0, -300.0 + k * 0.05);
        for (const double p : {tail, 1 - tail}) {
            if (p < 1) {
                const double exact = exact_quantile_by_tail(p);
                worst = std::max(worst, std::fabs((MTH_qnorm(p, 1e-6) - exact) / exact));
            }
        }
    }
    EXPECT_LE(worst, tolerance::kQnormRelative);
    EXPECT_GT(worst, tolerance::kQnormRelative / 4);
}

TEST(NormalQuantile, SymmetricAndCentred) {
    // Near the centre the quantile is (p - 1/2) sqrt(2 pi) to first order.
    const double q = 1e-9;
    EXPECT_NEAR(MTH_qnorm(0.5 + q, 1e-6), ((0.5 + q) - 0.5) * std::sqrt(2 * M_PI), 1e-23);
    EXPECT_EQ(MTH_qnorm(0.5, 1e-6), 0.0);
    EXPECT_FALSE(std::signbit(MTH_qnorm(0.5, 1e-6)));
    const double hi = MTH_qnorm(1 - 0.05 / 2, 1e-6);
    const double lo = MTH_qnorm(0.05 / 2, 1e-6);
    EXPECT_NEAR(hi, exact_quantile(1 - 0.05 / 2), tolerance::kQnormRelative * hi);
    EXPECT_NEAR(hi, -lo, tolerance::kTol0);
}

TEST(NormalQuantile, RegionBoundaries) {
    // |p - 0.5| exactly 0.425 in doubles takes the central formula; just
    // above takes the intermediate tail. Both must be accurate.
    const double on_split = 0.075;
    ASSERT_EQ(0.5 - on_split, 0.425);
    const double past_split = std::nextafter(on_split, 0.0);
    for (double p : {on_split, past_split, 1 - on_split}) {
        const double exact = exact_quantile(p);
        EXPECT_NEAR(MTH_qnorm(p, 1e-6), exact, tolerance::kQnormRelative * std::fabs(exact)) << p;
    }
    // sqrt(-ln p) = 5 separates the intermediate and far tails.
    const double tail_split = std::exp(-25.0);
    for (double p : {tail_split * 0.999, tail_split, tail_split * 1.001}) {
        const double exact = exact_quantile(p);
        EXPECT_NEAR(MTH_qnorm(p, 1e-6), exact, tolerance::kQnormRelative * std::fabs(exact)) << p;
    }
}

// Compatibility: callers pass a tolerance the algorithm has no use for.
TEST(NormalQuantileCompatibility, SecondArgumentIsNotRead) {
    EXPECT_EQ(MTH_qnorm(0.2, 1e-6), MTH_qnorm(0.2, 12345.0));
    EXPECT_EQ(MTH_qnorm(0.2, 1e-6), MTH_qnorm(0.2, NAN));
}

// Compatibility: the program's output carries the report on standard output.
TEST(NormalQuantileCompatibility, EndsOfDomainAndTheReportOnStandardOutput) {
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
