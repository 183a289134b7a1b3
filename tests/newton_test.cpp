#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "numeric/MTH_newton_method.h"

namespace {

const double kSqrt2 = std::sqrt(2.0);

// Every function counts its calls in v[0] of its own parameters.
struct Counted {
    double v[2] = {0.0, 0.0};
    MTH_parameters params() { return {0, v}; }
    int calls() const { return static_cast<int>(v[0]); }
};

std::vector<double> points_seen;

double two_less_square(double x, MTH_parameters p) {
    p.v[0] += 1.0;
    points_seen.push_back(x);
    return x * x - 2.0;
}
double twice(double x, MTH_parameters p) {
    p.v[0] += 1.0;
    return 2.0 * x;
}
// No real root: Newton's iterates wander and never settle.
double one_more_square(double x, MTH_parameters p) {
    p.v[0] += 1.0;
    return x * x + 1.0;
}
double line(double x, MTH_parameters) { return 3.0 * x + 7.0; }
double square(double x, MTH_parameters) { return x * x; }

struct Solve {
    double root;
    int f_calls;
    int derivative_calls;
};

Solve newton(MTH_function f, double start, int32_t budget, double tolerance) {
    Counted f_count, derivative_count;
    const double root = MTH_newton_method(f, f_count.params(), twice, derivative_count.params(),
                                          start, budget, tolerance);
    return {root, f_count.calls(), derivative_count.calls()};
}

Solve modified(double start, int32_t budget, double tolerance) {
    Counted count;
    const double root =
        MTH_modified_newton_method(two_less_square, count.params(), start, budget, tolerance);
    return {root, count.calls(), 0};
}

TEST(NewtonMethod, FindsSqrtTwoInFiveSteps) {
    const Solve s = newton(two_less_square, 1.0, 100, 1e-11);
    EXPECT_DOUBLE_EQ(s.root, kSqrt2);
    EXPECT_EQ(s.f_calls, 5);
    EXPECT_EQ(s.derivative_calls, 5);
}

// Compatibility: the loop runs while steps <= budget, as it always has; the
// level derivations depend on the count.
TEST(NewtonMethodCompatibility, BudgetAllowsOneStepMoreThanItsValue) {
    const Solve one = newton(two_less_square, 1.0, 0, 1e-11);
    EXPECT_EQ(one.root, 1.5);
    EXPECT_EQ(one.f_calls, 1);
    EXPECT_EQ(newton(one_more_square, 0.5, 10, 1e-11).f_calls, 11);
}

TEST(NewtonMethod, TakesNoStepWithoutAPositiveToleranceOrABudget) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto &[budget, tolerance] :
         {std::pair{100, 0.0}, std::pair{100, -1.0}, std::pair{100, nan}, std::pair{-1, 1e-6}}) {
        const Solve s = newton(two_less_square, 1.0, budget, tolerance);
        EXPECT_EQ(s.root, 1.0);
        EXPECT_EQ(s.f_calls + s.derivative_calls, 0);
        const Solve m = modified(1.0, budget, tolerance);
        EXPECT_EQ(m.root, 1.0);
        EXPECT_EQ(m.f_calls, 0);
    }
}

// From 0 the slope vanishes: the first step goes to infinity, the second
// gives not-a-number, which ends the loop.
TEST(NewtonMethod, ReturnsNotANumberAfterAVanishingSlope) {
    const Solve s = newton(two_less_square, 0.0, 100, 1e-11);
    EXPECT_TRUE(std::isnan(s.root));
    EXPECT_EQ(s.f_calls, 2);
}

TEST(ModifiedNewtonMethod, HalfStepsConvergeLinearlyToSqrtTwo) {
    const Solve s = modified(1.0, 100, 1e-6);
    EXPECT_NEAR(s.root, kSqrt2, 2e-6);
    EXPECT_GT(std::fabs(s.root - kSqrt2), 1e-12);
    EXPECT_EQ(s.f_calls % 3, 0);
    EXPECT_GE(s.f_calls / 3, 15);
    EXPECT_LE(s.f_calls / 3, 25);
}

TEST(ModifiedNewtonMethod, OneStepEvaluatesAtThePointThenAboveThenBelow) {
    points_seen.clear();
    const Solve s = modified(1.0, 0, 1e-6);
    EXPECT_NEAR(s.root, 1.25, 1e-9);
    ASSERT_EQ(points_seen.size(), 3u);
    EXPECT_EQ(points_seen[0], 1.0);
    EXPECT_NEAR(points_seen[1], 1.0 + 5e-5, 1e-16);
    EXPECT_NEAR(points_seen[2], 1.0 - 5e-5, 1e-16);
}

// Compatibility: twice the slope makes the modified method take half steps,
// on which the level derivations depend to the last bit.
TEST(ModifiedPrimeCompatibility, IsTwiceTheSlope) {
    MTH_parameters none = {0, nullptr};
    EXPECT_NEAR(get_modified_prime(square, 3.0, none, 1e-4), 12.0, 1e-8);
    EXPECT_NEAR(get_modified_prime(line, -2.0, none, 1e-4), 6.0, 1e-8);
    EXPECT_NEAR(get_modified_prime(line, 5.0, none, 1.0), 6.0, 1e-14);
}

}  // namespace
