// The two-term weighted chi-square tail against independent mathematics:
// exp(-c / (2 w)) and the 2-degree noncentral tail for equal weights,
// Ruben's series of central chi-square tails (long double) for unequal
// ones, a seeded simulation, and its shape: monotone in c and in each |m|,
// even in each mean, symmetric in its two terms, not a number outside its
// domain.
#include "numeric/quadratic_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>

#include "normal_draws.h"
#include "numeric/MTH_noncentral_chi_square.h"
#include "tests/tolerance.h"

namespace {

using tolerance::kNoncentralChiSquareRelative;
using tolerance::kTwoTermTailRelative;

struct Form {
    double c;
    double w1;
    double m1;
    double w2;
    double m2;
};

double tail_of(const Form &f) { return MTH_two_term_chi_square_upper(f.c, f.w1, f.m1, f.w2, f.m2); }

double relative_error(double value, long double exact) {
    return static_cast<double>(std::fabs((value - exact) / exact));
}

// -2 ln alpha for the levels a test is run at.
constexpr std::array<double, 8> kLevels = {0.5, 0.05, 1e-3, 1e-5, 5e-8, 1e-9, 1e-11, 1e-12};

// --- Ruben's series --------------------------------------------------------
//
// With beta = min(w1, w2), gamma_j = 1 - beta / w_j and lambda_j = m_j^2, the
// moment generating function of Q = w1 Y1^2 + w2 Y2^2 is, in
// q = 1 / (1 - 2 beta t), q G(q) with
//   G(q) = prod_j (beta / w_j)^(1/2) e^(-lambda_j / 2) (1 - gamma_j q)^(-1/2)
//          exp(lambda_j (1 - gamma_j) q / (2 (1 - gamma_j q))),
// whose power series sum_k c_k q^k has positive coefficients summing to
// G(1) = 1, and q^(1 + k) is the generating function of beta chi2(2 + 2k).
// So P(Q > x) = sum_k c_k P(chi2(2 + 2k) > x / beta) (H. Ruben, "Probability
// content of regions under spherical normal distributions, IV", Annals of
// Mathematical Statistics 33, 542-570, 1962), every term positive. From
// G' = G (ln G)', (k + 1) c_(k+1) = sum_(r <= k) d_(k-r) c_r with
//   d_i = sum_j gamma_j^(i+1) / 2 + lambda_j (1 - gamma_j) (i + 1) gamma_j^i / 2,
// the convolution carried by U_j(k) = sum_r gamma_j^(k-r) c_r and
// V_j(k) = sum_r (k - r) gamma_j^(k-r) c_r. The even-degree tails are the
// finite Poisson sums e^(-y) sum_(i <= k) y^i / i!, y = x / (2 beta).
struct RubenSum {
    long double tail;
    long double mass;  // sum of the coefficients used: 1 when complete
};

struct RubenTerm {
    std::array<long double, 2> gamma;
    std::array<long double, 2> lambda;
};

// c_0 = prod_j (beta / w_j)^(1/2) e^(-lambda_j / 2), and the terms' gamma_j.
long double first_coefficient(const Form &f, RubenTerm &term) {
    const long double beta = std::min(f.w1, f.w2);
    const std::array<long double, 2> w = {f.w1, f.w2};
    term.lambda = {static_cast<long double>(f.m1) * f.m1, static_cast<long double>(f.m2) * f.m2};
    long double c0 = 1;
    for (int j = 0; j < 2; ++j) {
        term.gamma[j] = 1 - beta / w[j];
        c0 *= std::sqrt(beta / w[j]) * std::exp(-term.lambda[j] / 2);
    }
    return c0;
}

RubenSum ruben_series(const Form &f) {
    RubenTerm term{};
    long double coefficient = first_coefficient(f, term);
    const long double gamma_max = std::max(term.gamma[0], term.gamma[1]);
    const long double y = f.c / (2 * static_cast<long double>(std::min(f.w1, f.w2)));
    long double poisson = std::exp(-y);
    long double chi_square_tail = poisson;
    std::array<long double, 2> u = {0, 0};
    std::array<long double, 2> v = {0, 0};
    RubenSum sum = {0, 0};
    long double previous = 0;
    // Past the coefficients' peak they fall at least geometrically (ratio
    // gamma_max) and the chi-square tails are at most 1.
    for (int k = 0; k < 1000000; ++k) {
        sum.tail += coefficient * chi_square_tail;
        sum.mass += coefficient;
        if (k > 50 && coefficient <= previous &&
            coefficient < 1e-30L * sum.tail * (1 - gamma_max)) {
            break;
        }
        previous = coefficient;
        long double convolution = 0;
        for (int j = 0; j < 2; ++j) {
            u[j] = term.gamma[j] * u[j] + coefficient;
            convolution +=
                term.gamma[j] * u[j] / 2 + term.lambda[j] * (1 - term.gamma[j]) * (v[j] + u[j]) / 2;
            v[j] = term.gamma[j] * (v[j] + u[j]);
        }
        coefficient = convolution / (k + 1);
        poisson *= y / (k + 1);
        chi_square_tail += poisson;
    }
    return sum;
}

// The series itself, where it has a closed form: equal weights and zero
// means leave c_0 = 1 alone, and its coefficients always sum to 1.
TEST(QuadraticFormTail, RubenSeriesReferenceHoldsItsClosedForms) {
    for (const double c : {0.5, 9.0, 55.3}) {
        const RubenSum sum = ruben_series({c, 1.5, 0, 1.5, 0});
        EXPECT_LT(relative_error(static_cast<double>(sum.tail), std::exp(-c / 3.0L)), 1e-15);
    }
    for (const Form &f :
         {Form{30, 0.2, 3, 5, 0}, Form{2, 5, 40, 0.2, 0}, Form{55, 1, -10, 0.3, 7}}) {
        EXPECT_NEAR(static_cast<double>(ruben_series(f).mass), 1.0, 1e-14) << f.c;
    }
}

// --- Equal weights: the 2-degree tail at c / w ----------------------------

TEST(QuadraticFormTail, EqualWeightsCentral) {
    double worst = 0;
    for (const double alpha : kLevels) {
        const double c = -2 * std::log(alpha);
        for (const double w : {0.2, 0.5, 1.0, 2.0, 5.0}) {
            const long double exact = std::exp(-c / (2.0L * w));
            const double error = relative_error(tail_of({c, w, 0, w, 0}), exact);
            EXPECT_LT(error, kTwoTermTailRelative) << c << " " << w;
            worst = std::max(worst, error);
        }
    }
    std::printf("equal weights, zero means: worst relative error %.3g\n", worst);
}

TEST(QuadraticFormTail, EqualWeightsNoncentral) {
    constexpr std::array<std::array<double, 2>, 9> kMeans = {
        {{0.5, 0}, {0, 1}, {1, -1}, {-2.5, 3}, {4, 0.1}, {6, -6}, {10, 2}, {0, 20}, {-40, 1}}};
    double worst = 0;
    for (const double alpha : kLevels) {
        const double c = -2 * std::log(alpha);
        for (const double w : {0.2, 1.0, 5.0}) {
            for (const auto &m : kMeans) {
                const double lambda = m[0] * m[0] + m[1] * m[1];
                const double exact = MTH_noncentral_chi_square_upper(c / w, 2, lambda);
                const double error = relative_error(tail_of({c, w, m[0], w, m[1]}), exact);
                EXPECT_LT(error, kNoncentralChiSquareRelative + kTwoTermTailRelative)
                    << c << " " << w << " " << m[0] << " " << m[1];
                worst = std::max(worst, error);
            }
        }
    }
    std::printf("equal weights, against the 2-degree tail: worst relative error %.3g\n", worst);
}

// --- Unequal weights: Ruben's series ---------------------------------------

// One mean zero, weights from 0.2 to 5, the other mean from -10 to 40, at
// the levels' critical values: answers from 1 down to 1e-60, many near
// 1e-12.
TEST(QuadraticFormTail, RubenSeriesOneMeanZero) {
    constexpr std::array<std::array<double, 2>, 7> kWeights = {
        {{0.2, 5}, {5, 0.2}, {0.5, 2}, {2, 0.7}, {1, 0.3}, {0.25, 0.2}, {4, 5}}};
    constexpr std::array<double, 9> kMeans = {-10, -3, 0, 0.7, 2, 4.5, 8, 15, 40};
    double worst = 0;
    double smallest = 1;
    int near_level = 0;  // answers from 1e-14 to 1e-10
    for (const double alpha : kLevels) {
        const double c = -2 * std::log(alpha);
        for (const auto &w : kWeights) {
            for (const double m : kMeans) {
                for (const Form &f : {Form{c, w[0], m, w[1], 0}, Form{c, w[0], 0, w[1], m}}) {
                    const long double exact = ruben_series(f).tail;
                    const double error = relative_error(tail_of(f), exact);
                    EXPECT_LT(error, kTwoTermTailRelative)
                        << f.c << " " << f.w1 << " " << f.m1 << " " << f.w2 << " " << f.m2;
                    worst = std::max(worst, error);
                    smallest = std::min(smallest, static_cast<double>(exact));
                    near_level += exact > 1e-14L && exact < 1e-10L ? 1 : 0;
                }
            }
        }
    }
    std::printf(
        "one mean zero: worst relative error %.3g, tails down to %.3g, %d of them from "
        "1e-14 to 1e-10\n",
        worst, smallest, near_level);
}

// A random form over the same ranges, both means nonzero, each up to 1.3
// times its semi-axis sqrt(c / w) so that the mean lies inside, on and
// outside the ellipse.
Form random_form(std::mt19937_64 &random) {
    std::uniform_real_distribution<double> unit(0, 1);
    Form f{};
    f.c = 0.5 + 54.8 * unit(random);
    f.w1 = 0.2 * std::pow(25.0, unit(random));
    f.w2 = 0.2 * std::pow(25.0, unit(random));
    f.m1 = (2 * unit(random) - 1) * 1.3 * std::sqrt(f.c / f.w1);
    f.m2 = (2 * unit(random) - 1) * 1.3 * std::sqrt(f.c / f.w2);
    return f;
}

struct Worst {
    double relative;
    double absolute;
};

// The worst errors over `count` random forms from a seeded generator.
Worst worst_over_random_forms(std::uint64_t seed, int count) {
    std::mt19937_64 random(seed);
    Worst worst = {0, 0};
    for (int i = 0; i < count; ++i) {
        const Form f = random_form(random);
        const long double exact = ruben_series(f).tail;
        const double value = tail_of(f);
        const double error = relative_error(value, exact);
        EXPECT_LT(error, kTwoTermTailRelative)
            << f.c << " " << f.w1 << " " << f.m1 << " " << f.w2 << " " << f.m2;
        worst.relative = std::max(worst.relative, error);
        worst.absolute = std::max(worst.absolute, static_cast<double>(std::fabs(value - exact)));
    }
    return worst;
}

TEST(QuadraticFormTail, RubenSeriesRandomForms) {
    const Worst worst = worst_over_random_forms(20240611, 3000);
    std::printf("random forms: worst relative error %.3g, absolute %.3g\n", worst.relative,
                worst.absolute);
}

// Beyond the levels: c / w up to 2500 and tails down to 1e-300, where the
// rounding of the exponent grows as DBL_EPSILON times it.
TEST(QuadraticFormTail, RubenSeriesFarTails) {
    constexpr std::array<Form, 7> kFar = {{{400, 0.2, 0, 0.5, 0},
                                           {1340, 1, 1, 1.02, 0},
                                           {400, 0.3, 5, 0.2, -12},
                                           {1000, 1, 0, 2, 3},
                                           {1300, 1.2, 10, 1, 0},
                                           {600, 0.5, 20, 0.4, 30},
                                           {250, 0.1, 49, 0.1, 0}}};
    double worst = 0;
    double smallest = 1;
    for (const Form &f : kFar) {
        const long double exact = ruben_series(f).tail;
        ASSERT_GT(exact, 1e-300L) << f.c;
        smallest = std::min(smallest, static_cast<double>(exact));
        const double error = relative_error(tail_of(f), exact);
        EXPECT_LT(error, tolerance::kTol3) << f.c << " " << f.w1 << " " << f.m1;
        worst = std::max(worst, error);
    }
    std::printf("far tails: worst relative error %.3g (tails down to %.3g)\n", worst, smallest);
}

// --- Simulation --------------------------------------------------------------

TEST(QuadraticFormTail, Simulation) {
    constexpr int kDraws = 1000000;
    constexpr std::array<Form, 4> kForms = {{{5.99, 0.4, 1.2, 2.5, -0.8},
                                             {13.8, 3, 1.5, 0.6, 2.5},
                                             {9.2, 1, 0, 0.25, 3},
                                             {2, 0.5, -0.3, 4, 0.2}}};
    NormalDraws normal(97);
    for (const Form &f : kForms) {
        int beyond = 0;
        for (int i = 0; i < kDraws; ++i) {
            const double y1 = f.m1 + normal.next();
            const double y2 = f.m2 + normal.next();
            beyond += f.w1 * y1 * y1 + f.w2 * y2 * y2 > f.c ? 1 : 0;
        }
        const double p = static_cast<double>(beyond) / kDraws;
        const double standard_error = std::sqrt(p * (1 - p) / kDraws);
        EXPECT_NEAR(tail_of(f), p, 4 * standard_error) << f.c << " " << f.w1 << " " << f.m1;
        std::printf("simulated %.5f, computed %.5f, standard error %.1e\n", p, tail_of(f),
                    standard_error);
    }
}

// --- Shape and domain -------------------------------------------------------

// Strictly monotone where the answer is below 0.999 (each step moves it by
// far more than its error); next to 1 the sum may round either way, by a
// unit in the last place.
constexpr double kBelowOne = 0.999;
constexpr double kRoundingNearOne = tolerance::kTol0;

TEST(QuadraticFormTail, DecreasesInC) {
    for (const Form &f : {Form{0, 0.2, 0, 5, 0}, Form{0, 1, 3, 0.5, -2}, Form{0, 2, 8, 2, 1},
                          Form{0, 0.3, 0, 0.3, 12}}) {
        double previous = 1;
        for (double c = 0.25; c <= 56; c += 0.25) {
            const double tail = MTH_two_term_chi_square_upper(c, f.w1, f.m1, f.w2, f.m2);
            ASSERT_LE(tail, previous + kRoundingNearOne) << c << " " << f.w1 << " " << f.m1;
            if (previous < kBelowOne) {
                ASSERT_LT(tail, previous) << c << " " << f.w1 << " " << f.m1;
            }
            previous = tail;
        }
    }
}

TEST(QuadraticFormTail, IncreasesInEachMeansSize) {
    for (const double c : {0.5, 13.8, 55.3}) {
        for (const auto &w : {std::array<double, 2>{0.2, 5}, std::array<double, 2>{3, 0.5}}) {
            std::array<double, 2> previous = {0, 0};
            for (double m = 0; m <= 20; m += 0.25) {
                const std::array<double, 2> tails = {
                    MTH_two_term_chi_square_upper(c, w[0], m, w[1], 1),
                    MTH_two_term_chi_square_upper(c, w[0], -1, w[1], -m)};
                for (int i = 0; i < 2; ++i) {
                    ASSERT_GE(tails[i] + kRoundingNearOne, previous[i]) << c << " " << m;
                    if (tails[i] < kBelowOne) {
                        ASSERT_GT(tails[i], previous[i]) << c << " " << w[0] << " " << m;
                    }
                }
                previous = tails;
            }
        }
    }
}

// The form depends on each mean through its square, and on the terms as a
// set: the answers are equal to the bit (the terms are ordered and the signs
// dropped before any arithmetic).
TEST(QuadraticFormTail, EvenInEachMeanAndSymmetricInTheTerms) {
    for (const Form &f : {Form{5.99, 0.4, 1.2, 2.5, -0.8}, Form{55.3, 1, 3, 1, 2},
                          Form{30, 0.2, 0, 5, 7}, Form{13.8, 2, -2, 2, 2}}) {
        const double tail = tail_of(f);
        EXPECT_EQ(tail, tail_of({f.c, f.w1, -f.m1, f.w2, f.m2}));
        EXPECT_EQ(tail, tail_of({f.c, f.w1, f.m1, f.w2, -f.m2}));
        EXPECT_EQ(tail, tail_of({f.c, f.w2, f.m2, f.w1, f.m1}));
        EXPECT_EQ(tail, tail_of({f.c, f.w2, -f.m2, f.w1, -f.m1}));
    }
}

TEST(QuadraticFormTail, LimitsAndNotANumberOutsideTheDomain) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const Form &f :
         {Form{-1, 1, 0, 1, 0}, Form{5, 0, 0, 1, 0}, Form{5, 1, 0, -2, 0}, Form{5, inf, 0, 1, 0},
          Form{nan, 1, 0, 1, 0}, Form{5, nan, 0, 1, 0}, Form{5, 1, nan, 1, 0},
          Form{5, 1, 0, 1, nan}, Form{inf, 1, inf, 1, 0}, Form{-0.0 - 1e-300, 1, 0, 1, 0}}) {
        EXPECT_TRUE(std::isnan(tail_of(f))) << f.c << " " << f.w1 << " " << f.m1;
    }
    EXPECT_EQ(tail_of({0, 0.2, 3, 5, -1}), 1.0);
    EXPECT_EQ(tail_of({-0.0, 0.2, 3, 5, -1}), 1.0);
    EXPECT_EQ(tail_of({inf, 0.2, 3, 5, -1}), 0.0);
    EXPECT_EQ(tail_of({55.3, 0.2, -inf, 5, -1}), 1.0);
    // A mean far beyond the ellipse, and an ellipse far around the mean.
    EXPECT_EQ(tail_of({55.3, 0.2, 3, 5, 60}), 1.0);
    EXPECT_EQ(tail_of({1e5, 1, 2, 1, -3}), 0.0);
    // A weight too small to matter, and one so small that c / w overflows,
    // leave the other term's tail P(|Y2| > sqrt(c / w2)).
    const long double root = std::sqrt(10.0L);
    const long double other =
        (std::erfc((root - 1.5L) / std::sqrt(2.0L)) + std::erfc((root + 1.5L) / std::sqrt(2.0L))) /
        2;
    EXPECT_LT(relative_error(tail_of({10, 1e-300, 0, 1, 1.5}), other), kTwoTermTailRelative);
    EXPECT_LT(relative_error(tail_of({10, 4.9e-324, 0, 1, 1.5}), other), kTwoTermTailRelative);
}

}  // namespace
