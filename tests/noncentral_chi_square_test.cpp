// The chi-square upper tail against independent mathematics: closed forms in
// long double (k = 1 and 2), a long-double Poisson mixture with exact
// integer-shape tails (k = 2), R's pgamma upper tail summed over the Poisson
// weights (general k), and its shape: monotone in x and in the
// noncentrality, with the limits at x = 0 and noncentrality 0.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "numeric/MTH_noncentral_chi_square.h"
#include "tests/run_program.h"

namespace {

// What the header promises, and the smallest tails it is promised for.
constexpr double kRelative = 1e-10;
constexpr long double kSmallestChecked = 1e-300L;

// The noncentralities of a genotypic power from no effect to a certain one.
constexpr std::array<double, 18> kNoncentralities = {0,  1e-6, 1e-3, 0.1, 0.5, 1,   2,   5,   10,
                                                     20, 35,   50,   75,  100, 150, 200, 300, 500};

// The levels' central 2-degree quantiles -2 ln alpha for alpha from 0.1 to
// 1e-12 (and 5e-8), small x, and x far into the tail.
std::vector<double> thresholds() {
    std::vector<double> xs = {1e-300, 1e-8, 0.01, 0.5, 1, 3};
    for (const double alpha :
         {0.1, 0.05, 0.01, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7, 5e-8, 1e-8, 1e-9, 1e-10, 1e-11, 1e-12}) {
        xs.push_back(-2 * std::log(alpha));
    }
    for (const double far :
         {80.0, 120.0, 200.0, 300.0, 450.0, 600.0, 800.0, 1000.0, 1200.0, 1350.0, 1500.0, 2000.0}) {
        xs.push_back(far);
    }
    return xs;
}

long double normal_upper(long double z) { return std::erfc(z / std::sqrt(2.0L)) / 2; }

// P(|Z + sqrt(lambda)| > sqrt(x)): the 1-degree noncentral tail.
long double one_degree_tail(double x, double lambda) {
    const long double root_x = std::sqrt(static_cast<long double>(x));
    const long double root_lambda = std::sqrt(static_cast<long double>(lambda));
    return normal_upper(root_x - root_lambda) + normal_upper(root_x + root_lambda);
}

// sum_j w_j Q(1 + j, y), all in long double, from j = 0 with
// Q(1 + j, y) = e^(-y) sum_{i <= j} y^i / i! and w_j = e^(-mu) mu^j / j!,
// to far past where the Poisson weights and the tail's peak are.
long double two_degree_mixture(double x, double lambda) {
    const long double y = static_cast<long double>(x) / 2;
    const long double mu = static_cast<long double>(lambda) / 2;
    const int last = static_cast<int>(mu + 40 * std::sqrt(mu + y) + 4 * std::sqrt(mu * y) + 200);
    long double weight = std::exp(-mu);
    long double poisson_term = std::exp(-y);
    long double upper_gamma = poisson_term;
    long double sum = 0;
    for (int j = 0; j <= last; ++j) {
        sum += weight * upper_gamma;
        weight *= mu / (j + 1);
        poisson_term *= y / (j + 1);
        upper_gamma += poisson_term;
    }
    return sum;
}

double relative_error(double value, long double exact) {
    return static_cast<double>(std::fabs((value - exact) / exact));
}

// The worst relative error over the grid of x and noncentralities, where the
// reference is at least kSmallestChecked.
template <typename Reference, typename Noncentralities>
double worst_over_grid(double degrees, const Noncentralities &lambdas, Reference reference) {
    double worst = 0;
    for (const double lambda : lambdas) {
        for (const double x : thresholds()) {
            const long double exact = reference(x, lambda);
            if (exact < kSmallestChecked) {
                continue;
            }
            const double error =
                relative_error(MTH_noncentral_chi_square_upper(x, degrees, lambda), exact);
            EXPECT_LT(error, kRelative) << "x " << x << " lambda " << lambda;
            worst = std::max(worst, error);
        }
    }
    return worst;
}

TEST(ChiSquareUpper, ClosedFormsForOneAndTwoDegrees) {
    const double worst_two = worst_over_grid(
        2, std::array<double, 1>{0},
        [](double x, double /*lambda*/) { return std::exp(-static_cast<long double>(x) / 2); });
    const double worst_one =
        worst_over_grid(1, std::array<double, 1>{0}, [](double x, double /*lambda*/) {
            return std::erfc(std::sqrt(static_cast<long double>(x) / 2));
        });
    // Both also through the central function.
    for (const double x : thresholds()) {
        const long double two = std::exp(-static_cast<long double>(x) / 2);
        if (two >= kSmallestChecked) {
            EXPECT_LT(relative_error(MTH_chi_square_upper(x, 2), two), kRelative) << x;
        }
    }
    std::printf("central, worst relative error: k = 1 %.3g, k = 2 %.3g\n", worst_one, worst_two);
}

TEST(NoncentralChiSquareUpper, OneDegreeIsTheTwoSidedShiftedNormalTail) {
    const double worst = worst_over_grid(1, kNoncentralities, one_degree_tail);
    std::printf("k = 1, worst relative error %.3g\n", worst);
}

TEST(NoncentralChiSquareUpper, TwoDegreesIsThePoissonMixtureOfPoissonTails) {
    const double worst = worst_over_grid(2, kNoncentralities, two_degree_mixture);
    std::printf("k = 2, worst relative error %.3g\n", worst);
}

// Monotone to within the accuracy of a sum near 1 (the steps below move
// the tail by far more than this wherever it is not 1 to the last digits).
// Beyond the genotypic range, up to the domain's end: x = (sqrt(lambda) + z)^2
// puts the tail at P(Z > z) + P(Z > z + 2 sqrt(lambda)).
TEST(NoncentralChiSquareUpper, OneDegreeStaysAccurateForLargeNoncentralities) {
    double worst = 0;
    for (const double lambda : {1e3, 1e4, 1e5, 1e6}) {
        for (const double z : {-8.0, -3.0, -0.5, 0.0, 1.0, 4.0, 8.0, 15.0, 30.0}) {
            const double x = std::pow(std::sqrt(lambda) + z, 2);
            if (x > 1e6) {  // beyond the domain
                continue;
            }
            const long double exact = one_degree_tail(x, lambda);
            const double error =
                relative_error(MTH_noncentral_chi_square_upper(x, 1, lambda), exact);
            EXPECT_LT(error, kRelative) << "x " << x << " lambda " << lambda;
            worst = std::max(worst, error);
        }
    }
    std::printf("k = 1, lambda 1e3 to 1e6, worst relative error %.3g\n", worst);
}

TEST(NoncentralChiSquareUpper, DecreasesInXAndIncreasesInTheNoncentrality) {
    constexpr double kRoundingNearOne = 1 + 1e-12;
    for (const double degrees : {1.0, 2.0, 3.0, 7.5}) {
        for (const double lambda : {0.0, 0.3, 8.0, 60.0, 400.0}) {
            double previous = 1;
            for (double x = 0; x <= 1500; x += x < 100 ? 0.25 : 5) {
                const double tail = MTH_noncentral_chi_square_upper(x, degrees, lambda);
                ASSERT_LE(tail, previous * kRoundingNearOne)
                    << degrees << " " << lambda << " " << x;
                previous = tail;
            }
        }
        for (const double x : {0.5, 10.0, 55.26, 300.0}) {
            double previous = 0;
            for (double lambda = 0; lambda <= 500; lambda += 0.5) {
                const double tail = MTH_noncentral_chi_square_upper(x, degrees, lambda);
                ASSERT_GE(tail * kRoundingNearOne, previous)
                    << degrees << " " << x << " " << lambda;
                previous = tail;
            }
        }
    }
}

TEST(NoncentralChiSquareUpper, LimitsAtZeroXAndZeroNoncentrality) {
    for (const double degrees : {1.0, 2.0, 3.0, 7.5}) {
        for (const double lambda : {0.0, 1.0, 500.0}) {
            EXPECT_EQ(MTH_noncentral_chi_square_upper(0, degrees, lambda), 1.0);
            EXPECT_NEAR(MTH_noncentral_chi_square_upper(1e-12, degrees, lambda), 1.0, 1e-5);
            EXPECT_EQ(MTH_noncentral_chi_square_upper(HUGE_VAL, degrees, lambda), 0.0);
        }
        for (const double x : {0.5, 33.6, 55.3, 600.0}) {
            const double central = MTH_chi_square_upper(x, degrees);
            EXPECT_EQ(MTH_noncentral_chi_square_upper(x, degrees, 0), central);
            // To first order the noncentral tail leaves the central one as
            // central + lambda/2 (Q(k/2 + 1, x/2) - Q(k/2, x/2)), the
            // difference being the (k + 2)-degree central tail's excess.
            constexpr double kLambda = 1e-9;
            const double first_order =
                central + kLambda / 2 * (MTH_chi_square_upper(x, degrees + 2) - central);
            const double nearly = MTH_noncentral_chi_square_upper(x, degrees, kLambda);
            EXPECT_LT(relative_error(nearly, first_order), 1e-10) << degrees << " " << x;
        }
    }
}

TEST(NoncentralChiSquareUpper, NotANumberOutsideItsDomainAndZeroWhereItUnderflows) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto &[x, degrees, lambda] :
         std::vector<std::tuple<double, double, double>>{{-1, 2, 1},
                                                         {nan, 2, 1},
                                                         {1, 0, 1},
                                                         {1, -2, 1},
                                                         {1, nan, 1},
                                                         {1, 2, -1},
                                                         {1, 2, nan},
                                                         {1, 2, 2e6},
                                                         {1, 2e6, 1},
                                                         {2e6, 2, 1},
                                                         {1, HUGE_VAL, 1},
                                                         {1, 2, HUGE_VAL}}) {
        EXPECT_TRUE(std::isnan(MTH_noncentral_chi_square_upper(x, degrees, lambda)))
            << x << " " << degrees << " " << lambda;
    }
    EXPECT_TRUE(std::isnan(MTH_chi_square_upper(1, 0)));
    // e^(-1600 / 2) is far below the smallest double.
    EXPECT_EQ(MTH_noncentral_chi_square_upper(1600, 2, 1), 0.0);
    EXPECT_EQ(MTH_noncentral_chi_square_upper(1e6, 2, 500), 0.0);
}

using Arguments = std::tuple<double, double, double>;

// `count` seeded random (x, degrees, noncentrality), each log-uniform from
// 1e-3 to 1e6 (degrees from 0.01), one noncentrality in five 0.
std::vector<Arguments> random_arguments(std::uint64_t seed, int count) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> exponent(-3, 6);
    const auto anywhere = [&] { return std::pow(10.0, exponent(random)); };
    std::vector<Arguments> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double x = anywhere();
        const double degrees = std::max(0.01, anywhere());
        const double lambda = anywhere();
        arguments.emplace_back(x, degrees, i % 5 == 0 ? 0 : lambda);
    }
    return arguments;
}

// Anywhere in the domain, edges included, a probability comes back (and
// soon: the test's time bounds the work of the worst calls).
TEST(NoncentralChiSquareUpper, AProbabilityAnywhereInTheDomain) {
    std::vector<Arguments> cases = random_arguments(20261207, 3000);
    for (const double x : {DBL_TRUE_MIN, DBL_MIN, 0.01, 1.0, 1e6}) {
        for (const double degrees : {0.01, 1.0, 1e6}) {
            for (const double lambda : {0.0, DBL_TRUE_MIN, 1.0, 1e6}) {
                cases.emplace_back(x, degrees, lambda);
            }
        }
    }
    for (const auto &[x, degrees, lambda] : cases) {
        const double tail = MTH_noncentral_chi_square_upper(x, degrees, lambda);
        ASSERT_TRUE(tail >= 0 && tail <= 1) << x << " " << degrees << " " << lambda << " " << tail;
    }
}

// The path of Rscript on PATH, or empty.
std::string find_rscript() {
    const char *path = std::getenv("PATH");
    std::stringstream directories(path == nullptr ? "" : path);
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        std::string candidate = directory + "/Rscript";
        if (!directory.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

struct Case {
    double x;
    double degrees;
    double lambda;
};

std::string full_precision(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// An R program printing, for each case, the mixture
// sum_j dpois(j, lambda / 2) pgamma(x / 2, degrees / 2 + j, upper) from j = 0
// to far past the Poisson weights and the tail's peak, to 17 digits, one a
// line.
std::string r_program(const std::vector<Case> &cases) {
    std::string xs;
    std::string ks;
    std::string ls;
    for (const Case &c : cases) {
        const char *comma = xs.empty() ? "" : ",";
        xs += comma + full_precision(c.x);
        ks += comma + full_precision(c.degrees);
        ls += comma + full_precision(c.lambda);
    }
    return "x <- c(" + xs + "); k <- c(" + ks + "); l <- c(" + ls +
           ");\n"
           "for (i in seq_along(x)) {\n"
           "  mu <- l[i] / 2; y <- x[i] / 2\n"
           "  j <- 0:ceiling(mu + 40 * sqrt(mu + y) + 4 * sqrt(mu * y) + 200)\n"
           "  v <- sum(dpois(j, l[i] / 2) * pgamma(x[i] / 2, k[i] / 2 + j, lower.tail = FALSE))\n"
           "  cat(sprintf('%.17g\\n', v))\n"
           "}\n";
}

TEST(NoncentralChiSquareUpper, AgreesWithRsIncompleteGammaMixture) {
    const std::string rscript = find_rscript();
    if (rscript.empty()) {
        GTEST_SKIP() << "Rscript is not on PATH";
    }
    std::vector<Case> cases;
    for (const double degrees : {0.01, 0.3, 1.0, 2.0, 3.0, 5.0, 7.5, 40.0}) {
        for (const double lambda : kNoncentralities) {
            for (const double x : thresholds()) {
                if (x >= 0.01) {
                    cases.push_back({x, degrees, lambda});
                }
            }
        }
    }
    const std::string script =
        testing::TempDir() + "noncentral_chi_square_reference." + std::to_string(getpid()) + ".R";
    std::FILE *file = std::fopen(script.c_str(), "w");
    ASSERT_NE(file, nullptr) << script;
    std::fputs(r_program(cases).c_str(), file);
    std::fclose(file);
    const ProgramResult r = run_program(rscript, {script});
    std::remove(script.c_str());
    ASSERT_EQ(r.exit_status, 0) << r.err;
    std::stringstream lines(r.out);
    double worst = 0;
    int checked = 0;
    for (const Case &c : cases) {
        double reference = 0;
        ASSERT_TRUE(static_cast<bool>(lines >> reference)) << "R printed too few lines";
        if (reference < kSmallestChecked) {
            continue;
        }
        const double error =
            relative_error(MTH_noncentral_chi_square_upper(c.x, c.degrees, c.lambda), reference);
        EXPECT_LT(error, kRelative) << "x " << c.x << " k " << c.degrees << " lambda " << c.lambda;
        worst = std::max(worst, error);
        ++checked;
    }
    std::printf("against R, %d cases, worst relative error %.3g\n", checked, worst);
}

}  // namespace
