#include <gtest/gtest.h>

#include <cmath>

#include "numeric/MTH_numerical_integrate.h"

namespace {

constexpr double M = MTH_INFINITY;
const double kPi = std::acos(-1.0);

// Every integrand counts its evaluations in v[0]; v[1] is its parameter.
struct Counted {
    double v[2] = {0.0, 0.0};
    MTH_parameters params() { return {0, v}; }
    long evaluations() const { return static_cast<long>(v[0]); }
};

void count(MTH_parameters p) { p.v[0] += 1.0; }

double constant(double, MTH_parameters p) {
    count(p);
    return p.v[1];
}
double square(double x, MTH_parameters p) {
    count(p);
    return x * x;
}
double cubic(double x, MTH_parameters p) {
    count(p);
    return x * x * x - 2.0 * x + 1.0;
}
double inverse_square(double x, MTH_parameters p) {
    count(p);
    return 1.0 / (x * x);
}
double inverse_fourth(double x, MTH_parameters p) {
    count(p);
    return 1.0 / (x * x * x * x);
}
double density(double x, MTH_parameters p) {
    count(p);
    return std::exp(-x * x / 2.0) / std::sqrt(2.0 * kPi);
}
double not_a_number(double, MTH_parameters p) {
    count(p);
    return std::nan("");
}

double upper_tail(double z) { return 0.5 * std::erfc(z / std::sqrt(2.0)); }

struct Integral {
    double value;
    long evaluations;
};

Integral integrate(MTH_function f, double lower, double upper, double tolerance = 1e-6,
                   double parameter = 0.0) {
    Counted counted;
    counted.v[1] = parameter;
    const double value = MTH_simple_num_integrate(f, lower, upper, counted.params(), tolerance);
    return {value, counted.evaluations()};
}

// Evaluations through level n: trapzd 2^(n-1) + 1, midinf 3^(n-1).
constexpr long kTrapezoidLevel3 = 5, kTrapezoidLevel7 = 65, kTrapezoidLevel19 = (1L << 18) + 1;
constexpr long kMidpointLevel3 = 9, kMidpointLevel5 = 81, kMidpointLevel7 = 729;
constexpr long kMidpointLevel14 = 1594323;

TEST(IntegrateFinite, PolynomialsUpToCubicAreExactAtLevelThree) {
    const Integral c = integrate(constant, 1.0, 4.0, 1e-6, 2.0);
    EXPECT_EQ(c.value, 6.0);
    EXPECT_EQ(c.evaluations, kTrapezoidLevel3);
    const Integral q = integrate(square, 0.0, 1.0);
    EXPECT_NEAR(q.value, 1.0 / 3.0, 1e-16);
    EXPECT_EQ(q.evaluations, kTrapezoidLevel3);
    const Integral k = integrate(cubic, -1.0, 2.0);  // 15/4 - 3 + 3
    EXPECT_NEAR(k.value, 3.75, 4e-15);
    EXPECT_EQ(k.evaluations, kTrapezoidLevel3);
    EXPECT_NEAR(integrate(square, 1.0, 0.0).value, -1.0 / 3.0, 1e-16);
}

TEST(IntegrateFinite, UnacceptedRangesRunAllNineteenLevels) {
    const Integral zero_width = integrate(constant, 3.0, 3.0, 1e-6, 1.0);
    EXPECT_EQ(zero_width.value, 0.0);
    EXPECT_EQ(zero_width.evaluations, kTrapezoidLevel19);
    // +M as a lower limit and -M as an upper limit are ordinary numbers.
    EXPECT_EQ(integrate(constant, M, 1.0).evaluations, kTrapezoidLevel19);
    EXPECT_EQ(integrate(constant, 1.0, -M).evaluations, kTrapezoidLevel19);
    const Integral exact_tolerance = integrate(square, 0.0, 1.0, 0.0);
    EXPECT_NEAR(exact_tolerance.value, 1.0 / 3.0, 1e-15);
    EXPECT_EQ(exact_tolerance.evaluations, kTrapezoidLevel19);
}

double not_a_number_at_half(double x, MTH_parameters p) {
    count(p);
    return x == 0.5 ? std::nan("") : 1.0;
}
double reciprocal(double x, MTH_parameters p) {
    count(p);
    return 1.0 / x;
}

// Once an estimate is not a number, the running sum is not finite and every
// later estimate would be not a number too: the refinement ends there with the
// value it would have reached after its last level.
TEST(IntegrateFinite, NotANumberEndsTheRefinement) {
    const Integral everywhere = integrate(not_a_number, 0.0, 1.0);
    EXPECT_TRUE(std::isnan(everywhere.value));
    EXPECT_EQ(everywhere.evaluations, 2);
    const Integral midpoint = integrate(not_a_number_at_half, 0.0, 1.0);
    EXPECT_TRUE(std::isnan(midpoint.value));
    EXPECT_EQ(midpoint.evaluations, 3);
    // 1/x is infinite at 0: the first estimate is infinite, the second infinity
    // minus infinity.
    const Integral overflowing = integrate(reciprocal, 0.0, 1.0);
    EXPECT_TRUE(std::isnan(overflowing.value));
    EXPECT_EQ(overflowing.evaluations, 3);
    const Integral tail = integrate(not_a_number, 1.0, M);
    EXPECT_TRUE(std::isnan(tail.value));
    EXPECT_EQ(tail.evaluations, 1);
}

TEST(IntegrateInfinite, InverseSquareIsExactAtLevelThree) {
    for (const auto &[lower, upper] : {std::pair{1.0, M}, std::pair{-M, -1.0}}) {
        const Integral r = integrate(inverse_square, lower, upper);
        EXPECT_NEAR(r.value, 1.0, 1e-15);
        EXPECT_EQ(r.evaluations, kMidpointLevel3);
    }
}

TEST(IntegrateInfinite, NormalTailsAtLevelFive) {
    for (const auto &[lower, upper] : {std::pair{2.0, M}, std::pair{-M, -2.0}}) {
        const Integral r = integrate(density, lower, upper);
        EXPECT_NEAR(r.value, upper_tail(2.0), 3e-10);
        EXPECT_EQ(r.evaluations, kMidpointLevel5);
    }
}

TEST(IntegrateInfinite, WholeLineIsThreePiecesEachAtLevelSeven) {
    const Integral r = integrate(density, -M, M);
    EXPECT_NEAR(r.value, 1.0, 1e-8);
    EXPECT_LT(r.value, 1.0);
    EXPECT_EQ(r.evaluations, 2 * kMidpointLevel7 + kTrapezoidLevel7);
}

// Compatibility: the two infinite ends test equality differently, and the
// two-stage results depend on where each loop stops.
TEST(IntegrateInfiniteCompatibility, ZeroIsAcceptedOnlyByTheUpperInfiniteLoop) {
    const Integral upper = integrate(constant, 1.0, M);
    EXPECT_EQ(upper.value, 0.0);
    EXPECT_EQ(upper.evaluations, kMidpointLevel3);
    const Integral lower = integrate(constant, -M, -1.0);
    EXPECT_EQ(lower.value, 0.0);
    EXPECT_EQ(lower.evaluations, kMidpointLevel14);
}

Integral integrate_within(MTH_function f, double lower, double upper, double relative,
                          double absolute, double parameter = 0.0) {
    Counted counted;
    counted.v[1] = parameter;
    const double value = MTH_num_integrate(f, lower, upper, counted.params(), relative, absolute);
    return {value, counted.evaluations()};
}

// With no absolute tolerance the entry point is the relative one, evaluation
// for evaluation, including the ranges that never converge.
TEST(IntegrateWithinTolerances, ZeroAbsoluteToleranceIsTheRelativeIntegrator) {
    for (const auto &[lower, upper] : {std::pair{0.0, 1.0}, std::pair{2.0, M}, std::pair{-M, M},
                                       std::pair{-M, -1.0}, std::pair{3.0, 3.0}}) {
        const Integral relative = integrate(density, lower, upper);
        const Integral both = integrate_within(density, lower, upper, 1e-6, 0.0);
        EXPECT_EQ(both.value, relative.value) << lower << ".." << upper;
        EXPECT_EQ(both.evaluations, relative.evaluations);
        const Integral zero = integrate_within(constant, lower, upper, 1e-6, 0.0);
        EXPECT_EQ(zero.evaluations, integrate(constant, lower, upper).evaluations);
    }
}

// An integral that is exactly 0 never passes the relative test; an absolute
// tolerance accepts it at the third level, the first with two real estimates.
TEST(IntegrateWithinTolerances, AbsoluteToleranceEndsAZeroIntegralAtLevelThree) {
    const Integral finite = integrate_within(constant, 3.0, 3.0, 1e-6, 1e-30);
    EXPECT_EQ(finite.value, 0.0);
    EXPECT_EQ(finite.evaluations, kTrapezoidLevel3);
    const Integral lower = integrate_within(constant, -M, -1.0, 1e-6, 1e-30);
    EXPECT_EQ(lower.value, 0.0);
    EXPECT_EQ(lower.evaluations, kMidpointLevel3);
    // Even an enormous tolerance waits for the third level.
    EXPECT_EQ(integrate_within(square, 0.0, 1.0, 1e-6, 1e300).evaluations, kTrapezoidLevel3);
}

// A tiny tail integral, far below the tolerance a caller grants it, stops
// early and still lands within that tolerance of the exact value.
TEST(IntegrateWithinTolerances, NegligiblePieceStopsWithinTheAbsoluteTolerance) {
    const double exact = upper_tail(9.0);  // about 1.1e-19
    const Integral relative = integrate(density, 9.0, 40.0);
    const Integral absolute = integrate_within(density, 9.0, 40.0, 1e-6, 1e-15);
    EXPECT_LT(absolute.evaluations, relative.evaluations);
    EXPECT_NEAR(absolute.value, exact, 1e-15);
    EXPECT_NEAR(relative.value, exact, 1e-6 * exact);
}

double shifted_density(double x, MTH_parameters p) {
    count(p);
    const double d = x - p.v[1];
    return std::exp(-d * d / 2.0) / std::sqrt(2.0 * kPi);
}

// A range with an infinite end whose finite end lies just short of zero:
// MTH_num_integrate cuts it at 1 (or -1), so that the midpoint rule never
// spreads its panels over a t-range wider than 1, and the integral is the
// normal tail to the tolerance however near zero the end lies (in one piece
// an end of 1e-6 once gave several times the integral).
TEST(IntegrateWithinTolerances, RangesEndingNearZero) {
    for (const double end : {0.999, 0.5, 1e-2, 1e-5, 1e-6, 1e-9, 1e-300}) {
        for (const double mean : {0.0, 1.0, -2.0}) {
            const Integral upper = integrate_within(shifted_density, end, M, 1e-6, 0.0, mean);
            const Integral lower = integrate_within(shifted_density, -M, -end, 1e-6, 0.0, mean);
            SCOPED_TRACE(testing::Message() << "end " << end << " mean " << mean);
            EXPECT_NEAR(upper.value, upper_tail(end - mean), 1e-7 * upper_tail(end - mean));
            EXPECT_NEAR(lower.value, upper_tail(end + mean), 1e-7 * upper_tail(end + mean));
            const Integral near = integrate_within(shifted_density, end, 1.0, 1e-6, 0.0, mean);
            const Integral far = integrate_within(shifted_density, 1.0, M, 1e-6, 0.0, mean);
            EXPECT_EQ(upper.value, near.value + far.value);
        }
    }
    // An end at 1 or beyond is one piece, as in MTH_simple_num_integrate.
    for (const double end : {1.0, 2.0}) {
        const Integral one = integrate_within(density, end, M, 1e-6, 0.0);
        EXPECT_EQ(one.value, integrate(density, end, M).value);
        EXPECT_EQ(one.evaluations, integrate(density, end, M).evaluations);
    }
}

// A split range is exactly the sum of its separately integrated pieces.
TEST(IntegrateInfinite, RangesReachingZeroAreSplitAtFive) {
    struct Split {
        double lower, upper, cut;
    };
    for (const Split s : {Split{-M, 0.0, -5.0}, Split{0.0, M, 5.0}, Split{-100.0, M, 5.0}}) {
        const Integral whole = integrate(density, s.lower, s.upper);
        const Integral left = integrate(density, s.lower, s.cut);
        const Integral right = integrate(density, s.cut, s.upper);
        EXPECT_EQ(whole.value, left.value + right.value) << s.lower << ".." << s.upper;
        EXPECT_EQ(whole.evaluations, left.evaluations + right.evaluations);
    }
    EXPECT_NEAR(integrate(density, -M, 0.0).value, 0.5, 1e-8);
    // Ends on the near side of zero go to midinf in one piece.
    EXPECT_NEAR(integrate(density, -M, -1.0).value, upper_tail(1.0), 1e-8);
    EXPECT_NEAR(integrate(density, 0.5, M).value, upper_tail(0.5), 1e-8);
}

// trapzd level n is the trapezoidal rule on N = 2^(n-1) panels; for x^2 on
// [0, 1] that is 1/3 + 1/(6 N^2).
TEST(IntegrationRules, TrapezoidLevelsRefineTheRunningSum) {
    Counted counted;
    for (int32_t n = 1; n <= 6; ++n) {
        const double panels = std::ldexp(1.0, n - 1);
        const double expected = 1.0 / 3.0 + 1.0 / (6.0 * panels * panels);
        EXPECT_NEAR(trapzd(square, counted.params(), 0.0, 1.0, n), expected, 1e-15);
        EXPECT_EQ(counted.evaluations(), static_cast<long>(panels) + 1);
    }
}

// midinf level n is the midpoint rule on N = 3^(n-1) panels in t = 1/x; for
// 1/x^4 on [1, M] the integrand in t is t^2 on [1/M, 1] and the rule gives
// 1/3 - 1/(12 N^2).
TEST(IntegrationRules, MidpointLevelsTriplePanels) {
    Counted counted;
    double panels = 1.0;
    for (int32_t n = 1; n <= 6; ++n, panels *= 3.0) {
        const double expected = 1.0 / 3.0 - 1.0 / (12.0 * panels * panels);
        EXPECT_NEAR(midinf(inverse_fourth, counted.params(), 1.0, M, n), expected, 1e-15);
        EXPECT_EQ(counted.evaluations(), static_cast<long>(panels));
    }
}

}  // namespace
