// The library's normal distribution function, quantile and log-gamma against
// the same algorithms evaluated in long double from their coefficients as
// published. The library's double results must agree to a few units in the
// last place over a dense grid, so that a changed digit in any coefficient (or
// a reordered operation that moves a result by more than rounding) fails here:
// every digit of Algorithm 209's, from the thirteenth significant digit up for
// most of the others.
// A second group shows the comparison's power: it perturbs each published
// coefficient in one digit and requires the comparison to see it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "numeric/MTH_normal_distribution.h"
#include "tolerance.h"

namespace {

using Real = long double;

// --- ACM Algorithm 209 (Ibbetson 1963): coefficients as printed, highest
// power first. ---------------------------------------------------------------

using Inner209 = std::array<Real, 9>;
using Outer209 = std::array<Real, 15>;

constexpr Inner209 kPublishedInner = {
    0.000124818987L,  -0.001075204047L, 0.005198775019L,  -0.019198292004L, 0.059054035642L,
    -0.151968751364L, 0.319152932694L,  -0.531923007300L, 0.797884560593L,
};
constexpr Outer209 kPublishedOuter = {
    -0.000045255659L, 0.000152529290L,  -0.000019538132L, -0.000676904986L, 0.001390604284L,
    -0.000794620820L, -0.002034254874L, 0.006549791214L,  -0.010557625006L, 0.011630447319L,
    -0.009279453341L, 0.005353579108L,  -0.002141268741L, 0.000535310549L,  0.999936657524L,
};
// Every coefficient is printed to 12 decimal places.
constexpr Real kLastPlace209 = 1e-12L;

template <std::size_t N>
Real horner_high_first(const std::array<Real, N> &c, Real t) {
    Real sum = c[0];
    for (std::size_t i = 1; i < N; ++i) {
        sum = sum * t + c[i];
    }
    return sum;
}

// P(Z <= x) by Algorithm 209 in long double.
Real algorithm_209(Real x, const Inner209 &inner, const Outer209 &outer) {
    if (x == 0) {
        return 0.5L;
    }
    const Real y = std::fabs(x) / 2;
    const Real z =
        y < 1 ? horner_high_first(inner, y * y) * (2 * y) : horner_high_first(outer, y - 2);
    return x < 0 ? (1 - z) / 2 : (1 + z) / 2;
}

// The grid of [-6, 6] in steps of 1e-4.
std::vector<double> distribution_grid() {
    std::vector<double> grid;
    for (int i = -60000; i <= 60000; ++i) {
        grid.push_back(i * 1e-4);
    }
    return grid;
}

// Largest |library - reference| over the grid; the results lie in [0, 1],
// where an absolute error in units of DBL_EPSILON is at most a few units in
// the last place of the larger of the two tails' complements.
double worst_209_difference(const Inner209 &inner, const Outer209 &outer) {
    static const std::vector<double> grid = distribution_grid();
    double worst = 0;
    for (const double x : grid) {
        const Real reference = algorithm_209(x, inner, outer);
        worst = std::max(worst, static_cast<double>(std::fabs(MTH_pnorm(x) - reference)));
    }
    return worst;
}

// Rounding of a 15-term Horner sum and the final halving.
constexpr double kTolerance209 = tolerance::kTol0;

TEST(PublishedCoefficients, Algorithm209DistributionFunction) {
    EXPECT_LE(worst_209_difference(kPublishedInner, kPublishedOuter), kTolerance209);
}

TEST(PublishedCoefficientsAreSeen, AChangeInTheLastPrintedPlaceOfAnyAlgorithm209Coefficient) {
    // The result is linear in each coefficient: a change in the last printed
    // place is the smallest change of a digit, and larger ones move it more.
    for (std::size_t i = 0; i < kPublishedInner.size(); ++i) {
        Inner209 changed = kPublishedInner;
        changed[i] += kLastPlace209;
        EXPECT_GT(worst_209_difference(changed, kPublishedOuter), kTolerance209) << "inner " << i;
    }
    for (std::size_t i = 0; i < kPublishedOuter.size(); ++i) {
        Outer209 changed = kPublishedOuter;
        changed[i] -= kLastPlace209;
        EXPECT_GT(worst_209_difference(kPublishedInner, changed), kTolerance209) << "outer " << i;
    }
}

// --- AS 241, PPND16 (Wichura 1988): coefficients as published to 20
// significant digits, constant term first; each denominator's constant term
// is 1. The library keeps them rounded to 15 significant digits. -----------

using Table241 = std::array<Real, 8>;

struct Coefficients241 {
    Table241 central_num, central_den, middle_num, middle_den, far_num, far_den;
};

const Coefficients241 kPublished241 = {
    {3.3871328727963666080e0L, 1.3314166789178437745e+2L, 1.9715909503065514427e+3L,
     1.3731693765509461125e+4L, 4.5921953931549871457e+4L, 6.7265770927008700853e+4L,
     3.3430575583588128105e+4L, 2.5090809287301226727e+3L},
    {1.0L, 4.2313330701600911252e+1L, 6.8718700749205790830e+2L, 5.3941960214247511077e+3L,
     2.1213794301586595867e+4L, 3.9307895800092710610e+4L, 2.8729085735721942674e+4L,
     5.2264952788528545610e+3L},
    {1.42343711074968357734e0L, 4.63033784615654529590e0L, 5.76949722146069140550e0L,
     3.64784832476320460504e0L, 1.27045825245236838258e0L, 2.41780725177450611770e-1L,
     2.27238449892691845833e-2L, 7.74545014278341407640e-4L},
    {1.0L, 2.05319162663775882187e0L, 1.67638483018380384940e0L, 6.89767334985100004550e-1L,
     1.48103976427480074590e-1L, 1.51986665636164571966e-2L, 5.47593808499534494600e-4L,
     1.05075007164441684324e-9L},
    {6.65790464350110377720e0L, 5.46378491116411436990e0L, 1.78482653991729133580e0L,
     2.96560571828504891230e-1L, 2.65321895265761230930e-2L, 1.24266094738807843860e-3L,
     2.71155556874348757815e-5L, 2.01033439929228813265e-7L},
    {1.0L, 5.99832206555887937690e-1L, 1.36929880922735805310e-1L, 1.48753612908506148525e-2L,
     7.86869131145613259100e-4L, 1.84631831751005468180e-5L, 1.42151175831644588870e-7L,
     2.04426310338993978564e-15L},
};

// A value rounded to `digits` significant decimal digits.
Real to_significant_digits(Real value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*Le", digits - 1, value);
    return std::strtold(text, nullptr);
}

Coefficients241 rounded_to_15_digits(Coefficients241 c) {
    for (Table241 *table :
         {&c.central_num, &c.central_den, &c.middle_num, &c.middle_den, &c.far_num, &c.far_den}) {
        for (Real &coefficient : *table) {
            coefficient = to_significant_digits(coefficient, 15);
        }
    }
    return c;
}

Real horner_low_first(const Table241 &c, Real t) {
    Real sum = c[7];
    for (int i = 6; i >= 0; --i) {
        sum = sum * t + c[i];
    }
    return sum;
}

// The quantile of p in (0, 1) by PPND16 in long double, the tail
// probability formed as the library forms it (p or 1 - p in double).
Real ppnd16(double p, const Coefficients241 &c) {
    const double q = p - 0.5;
    if (std::fabs(q) <= 0.425) {
        const Real t = 0.180625L - static_cast<Real>(q) * q;
        return q * horner_low_first(c.central_num, t) / horner_low_first(c.central_den, t);
    }
    const double r = q < 0 ? p : 1.0 - p;
    const Real s = std::sqrt(-std::log(static_cast<Real>(r)));
    const Real v =
        s <= 5 ? horner_low_first(c.middle_num, s - 1.6L) / horner_low_first(c.middle_den, s - 1.6L)
               : horner_low_first(c.far_num, s - 5) / horner_low_first(c.far_den, s - 5);
    return q < 0 ? -v : v;
}

// Probabilities across all three regions: 20 per decade from 1e-300 to 0.5,
// a step of 1e-4 across (0, 1), and the mirror image of each.
std::vector<double> quantile_grid() {
    std::vector<double> grid;
    for (int k = 0; k <= 6000; ++k) {
        const double p = std::pow(10.0, -300.0 + k * 0.05);
        if (p < 0.5) {
            grid.push_back(p);
            grid.push_back(1 - p);
        }
    }
    for (int i = 1; i < 10000; ++i) {
        grid.push_back(i * 1e-4);
    }
    return grid;
}

// Largest relative difference over the grid, in units of DBL_EPSILON.
double worst_241_difference(const Coefficients241 &c) {
    static const std::vector<double> grid = quantile_grid();
    double worst = 0;
    for (const double p : grid) {
        const Real reference = ppnd16(p, c);
        if (reference == 0) {
            EXPECT_EQ(MTH_qnorm(p, 0), 0.0) << p;
            continue;
        }
        const Real difference = std::fabs((MTH_qnorm(p, 0) - reference) / reference);
        worst = std::max(worst, static_cast<double>(difference / DBL_EPSILON));
    }
    return worst;
}

// A ratio of two degree-7 Horner sums, a square root and a logarithm, each
// rounded once or twice in double.
constexpr double kUlps241 = 6;

TEST(PublishedCoefficients, AS241QuantileAsRoundedTo15Digits) {
    EXPECT_LE(worst_241_difference(rounded_to_15_digits(kPublished241)), kUlps241);
}

// The relative change of one AS 241 coefficient that the comparison must
// see: one part in 1e12 (about the thirteenth significant digit) for all but
// the four coefficients of the seventh powers, whose terms stay small beside
// their sums wherever their region applies (at most about 7e-5 of it in the
// central region, 7e-8 in the middle and 7e-9 in the far one), so that their
// later digits cannot move a double result.
Real detectable_change_241(std::size_t table, std::size_t i) {
    if (i != 7) {
        return 1e-12L;
    }
    switch (table) {
        case 3:  // middle region, 1.05e-9 t^7
            return 1e-7L;
        case 5:  // far region, 2.04e-15 t^7
            return 1e-6L;
        default:  // central region, |t| <= 0.18
            return 1e-10L;
    }
}

TEST(PublishedCoefficientsAreSeen, AChangedDigitInAnyAS241Coefficient) {
    const Coefficients241 library = rounded_to_15_digits(kPublished241);
    const std::array<Table241 Coefficients241::*, 6> tables = {
        &Coefficients241::central_num, &Coefficients241::central_den, &Coefficients241::middle_num,
        &Coefficients241::middle_den,  &Coefficients241::far_num,     &Coefficients241::far_den};
    for (std::size_t table = 0; table < tables.size(); ++table) {
        // The denominators' leading 1 is not a printed coefficient.
        const std::size_t first = table % 2 == 0 ? 0 : 1;
        for (std::size_t i = first; i < 8; ++i) {
            Coefficients241 changed = library;
            (changed.*tables[table])[i] *= 1 + detectable_change_241(table, i);
            EXPECT_GT(worst_241_difference(changed), kUlps241) << "table " << table << " " << i;
        }
    }
}

// --- The Lanczos approximation (Lanczos 1964) as Numerical Recipes' gammln
// prints it: six coefficients, the leading term, sqrt(2 pi) and the offset.

using Lanczos = std::array<Real, 8>;  // six coefficients, leading term, scale

constexpr Lanczos kPublishedLanczos = {
    76.18009172947146L,     -86.50532032941678L,  24.01409824083091L, -1.231739572450155L,
    0.1208650973866179e-2L, -0.5395239384953e-5L, 1.000000000190015L, 2.5066282746310005L,
};

struct LogGamma {
    Real value;
    Real scale;  // magnitude of the two terms it is the difference of
};

LogGamma lanczos_log_gamma(Real x, const Lanczos &c) {
    Real t = x + 5.5L;
    t -= (x + 0.5L) * std::log(t);
    Real series = c[6];
    Real y = x;
    for (int j = 0; j < 6; ++j) {
        y += 1;
        series += c[j] / y;
    }
    const Real log_part = std::log(c[7] * series / x);
    return {log_part - t, std::fabs(log_part) + std::fabs(t)};
}

// Largest |library - reference| over (0, 50] in steps of 1e-3, in units of
// DBL_EPSILON times the larger term: ln Gamma is the difference of two terms
// and near x = 1 and 2 it cancels to 0.
double worst_lanczos_difference(const Lanczos &c) {
    double worst = 0;
    for (int i = 1; i <= 50000; ++i) {
        const double x = i * 1e-3;
        const LogGamma reference = lanczos_log_gamma(x, c);
        const Real difference = std::fabs(gammln(x) - reference.value) / reference.scale;
        worst = std::max(worst, static_cast<double>(difference / DBL_EPSILON));
    }
    return worst;
}

// Each of the two terms is rounded a few times over in double.
constexpr double kUlpsLanczos = 10;

TEST(PublishedCoefficients, LanczosLogGamma) {
    EXPECT_LE(worst_lanczos_difference(kPublishedLanczos), kUlpsLanczos);
}

// The relative change of one Lanczos coefficient the comparison must see: one
// part in 1e12 (the thirteenth significant digit), except for the two
// smallest coefficients, whose terms are at most 2e-4 and 1e-6 of the series.
Real detectable_change_lanczos(std::size_t i) {
    switch (i) {
        case 4:
            return 1e-9L;
        case 5:
            return 1e-7L;
        default:
            return 1e-12L;
    }
}

TEST(PublishedCoefficientsAreSeen, AChangedDigitInAnyLanczosCoefficient) {
    for (std::size_t i = 0; i < kPublishedLanczos.size(); ++i) {
        Lanczos changed = kPublishedLanczos;
        changed[i] *= 1 + detectable_change_lanczos(i);
        EXPECT_GT(worst_lanczos_difference(changed), kUlpsLanczos) << i;
    }
}

}  // namespace
