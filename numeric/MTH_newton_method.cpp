// Newton-Raphson iteration with a given derivative or with a difference
// quotient. Neither solver brackets the root or guards against a vanishing
// slope: an infinite iterate keeps iterating, a not-a-number one ends the
// loop, since it fails the comparison with the tolerance, and is returned.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/MTH_newton_method.h"
// clang-format on

#include <cmath>
#include <cstdint>

namespace {

// Width of the interval over which the modified method measures the slope.
constexpr double kDifferenceStep = 1e-4;

// Steps x -= f(x) / slope(x) until a step is no longer than the tolerance (the
// point it reached is returned) or max_steps + 1 steps have been taken. The
// first length of twice the tolerance lets the first step happen exactly when
// the tolerance is positive. The counter is 64-bit so that a budget of
// INT32_MAX cannot overflow it.
template <typename Slope>
double iterate(MTH_function f, MTH_parameters params, Slope slope, double start, int32_t max_steps,
               double tolerance) {
    int64_t steps = 0;
    double step_length = tolerance + tolerance;
    double x = start;
    while (step_length > tolerance && steps <= max_steps) {
        const double y = f(x, params);
        const double d = slope(x);
        const double next = x - y / d;
        step_length = std::fabs(next - x);
        x = next;
        ++steps;
    }
    return x;
}

}  // namespace

extern "C" {

double MTH_newton_method(MTH_function f, MTH_parameters f_params, MTH_function derivative,
                         MTH_parameters derivative_params, double start, int32_t max_steps,
                         double tolerance) {
    const auto slope = [derivative, derivative_params](double x) {
        return derivative(x, derivative_params);
    };
    return iterate(f, f_params, slope, start, max_steps, tolerance);
}

double MTH_modified_newton_method(MTH_function f, MTH_parameters params, double start,
                                  int32_t max_steps, double tolerance) {
    const auto slope = [f, params](double x) {
        return get_modified_prime(f, x, params, kDifferenceStep);
    };
    return iterate(f, params, slope, start, max_steps, tolerance);
}

double get_modified_prime(MTH_function f, double x, MTH_parameters params, double step) {
    // Dividing by the half-width rather than the full width doubles the slope,
    // which makes each step of the modified method half a Newton step.
    const double half = 0.5 * step;
    const double above = f(x + half, params);
    const double below = f(x - half, params);
    return (above - below) / half;
}

}  // extern "C"
