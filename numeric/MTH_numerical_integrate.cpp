// Adaptive integration. A finite range is refined with the extended
// trapezoidal rule, a range with one infinite end with the extended midpoint
// rule after the change of variable x = 1/t. Each level of a rule evaluates
// the integrand only at its new points and adds them to the running sum the
// previous level left behind, so the cost of an integral is exactly the number
// of points its last level needed.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/MTH_numerical_integrate.h"
// clang-format on

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kPlusInfinity = MTH_INFINITY;
constexpr double kMinusInfinity = -MTH_INFINITY;

// Where an infinite range is cut so that the midpoint rule never sees an end
// at or across zero, where t = 1/x is unbounded.
constexpr double kLowerSplit = -5.0;
constexpr double kUpperSplit = 5.0;

// Stands for the previous estimate and the previous raw value before the
// first level. Being enormous, it keeps level 2 from being accepted.
constexpr double kNoEstimateYet = -1e30;

using Rule = double (*)(MTH_function, MTH_parameters, double, double, int32_t);

// One refinement loop: the rule, the extrapolation E = (k*S_n - S_{n-1}) / d
// that cancels the rule's leading error term, the number of levels, and
// whether two estimates that differ by exactly the tolerance are accepted.
struct RefinementLoop {
    Rule rule;
    double k;
    double d;
    int32_t levels;
    bool accept_equal;
};

// Simpson's rule on the trapezoidal panels.
constexpr RefinementLoop kFiniteLoop = {trapzd, 4.0, 3.0, 19, false};
constexpr RefinementLoop kLowerInfiniteLoop = {midinf, 9.0, 8.0, 14, false};
constexpr RefinementLoop kUpperInfiniteLoop = {midinf, 9.0, 8.0, 14, true};

// The first level whose estimate and predecessor are both extrapolations of
// real sums; before it the placeholder keeps every test from passing.
constexpr int32_t kFirstComparableLevel = 3;

// The tolerances a level's estimate is judged by: relative to the previous
// estimate, and absolute (0 asks for the relative test alone).
struct Tolerances {
    double relative;
    double absolute;
};

bool estimate_accepted(double previous, double current, int32_t level, Tolerances tolerances,
                       bool accept_equal) {
    const double allowed = std::fabs(previous) * tolerances.relative;
    const double change = std::fabs(current - previous);
    const bool relative_passes = accept_equal ? allowed >= change : allowed > change;
    // A tolerance of 0 must not accept two equal estimates: the relative test
    // alone decides then, as it always did.
    const bool absolute_passes =
        tolerances.absolute > 0 && level >= kFirstComparableLevel && change <= tolerances.absolute;
    return relative_passes || absolute_passes;
}

// Runs the rule at levels 1, 2, ... without a break, so that every level finds
// its predecessor's running sum. Returns the first accepted estimate, the
// first not-a-number one, or the last one computed when no level is
// accepted.
double refine(const RefinementLoop &loop, MTH_function f, double lower, double upper,
              MTH_parameters params, Tolerances tolerances) {
    double previous_estimate = kNoEstimateYet;
    double previous_raw = kNoEstimateYet;
    double estimate = kNoEstimateYet;
    for (int32_t n = 1; n <= loop.levels; ++n) {
        const double raw = loop.rule(f, params, lower, upper, n);
        estimate = (loop.k * raw - previous_raw) / loop.d;
        // A not-a-number estimate comes from a running sum that is no longer
        // finite, which it stays: every later estimate is not a number too
        // and none is accepted, so the answer is already known.
        if (std::isnan(estimate) ||
            estimate_accepted(previous_estimate, estimate, n, tolerances, loop.accept_equal)) {
            return estimate;
        }
        previous_estimate = estimate;
        previous_raw = raw;
    }
    return estimate;
}

// factor^(n-2), the number of new points a rule evaluates at level n >= 2
// (1 for any level below 3). Saturates instead of wrapping at levels whose
// point count no 64-bit integer holds; no caller could wait for those anyway.
uint64_t new_points_at_level(int32_t n, uint64_t factor) {
    const uint64_t largest = std::numeric_limits<uint64_t>::max() / factor;
    uint64_t points = 1;
    for (int64_t counter = 1; counter < static_cast<int64_t>(n) - 1; ++counter) {
        if (points > largest) {
            break;
        }
        points *= factor;
    }
    return points;
}

// The integrand of the midpoint rule in t = 1/x: f(1/t) / t^2.
double integrand_in_reciprocal(MTH_function f, MTH_parameters params, double t) {
    return f(1.0 / t, params) / (t * t);
}

// Which half-infinite ranges are cut before the midpoint rule takes their
// infinite end.
enum class Splits {
    // Those whose finite end lies at zero or beyond it, where t = 1/x is
    // unbounded: at -5 or 5.
    kAcrossZero,
    // Also those whose finite end lies nearer zero than 1, at -1 or 1. The
    // midpoint rule spreads its panels evenly over the t-range, which is
    // 1/|end| wide: at an end of 1e-6 it is a million wide, the integrand of
    // a normal density fills a few units of it, and two coarse levels can
    // agree by chance on an estimate far from the integral (1e-5 gave 1.5 %,
    // 1e-6 four times the integral). Up to a width of 1 the rule has a wide
    // margin; the short stretch from the end to 1 goes to the trapezoidal
    // rule (cut at 5 instead, a joint design search took nearly four times as
    // long).
    kAcrossOrNearZero,
};

constexpr double kNearestUncutEnd = 1.0;
constexpr double kNoCut = std::numeric_limits<double>::quiet_NaN();

// Where the range from `lower` up to plus infinity is cut: not a number for
// nowhere (a lower end that is not a number is not cut either).
double upper_infinite_cut(double lower, Splits splits) {
    if (lower <= 0) {
        return kUpperSplit;
    }
    const bool near_zero = splits == Splits::kAcrossOrNearZero && lower < kNearestUncutEnd;
    return near_zero ? kNearestUncutEnd : kNoCut;
}

// Where the range from minus infinity up to `upper` is cut, likewise.
double lower_infinite_cut(double upper, Splits splits) {
    if (upper >= 0) {
        return kLowerSplit;
    }
    const bool near_zero = splits == Splits::kAcrossOrNearZero && upper > -kNearestUncutEnd;
    return near_zero ? -kNearestUncutEnd : kNoCut;
}

double integrate_range(MTH_function f, double lower, double upper, MTH_parameters params,
                       Tolerances tolerances, Splits splits);

// A range with one infinite end: refined by `loop` in one piece when `cut`
// is not a number, else integrated below the cut and then above it.
double integrate_half_infinite(const RefinementLoop &loop, double cut, MTH_function f, double lower,
                               double upper, MTH_parameters params, Tolerances tolerances,
                               Splits splits) {
    if (std::isnan(cut)) {
        return refine(loop, f, lower, upper, params, tolerances);
    }
    const double left = integrate_range(f, lower, cut, params, tolerances, splits);
    const double right = integrate_range(f, cut, upper, params, tolerances, splits);
    return left + right;
}

// Cuts a range with an infinite end as `splits` says. The pieces are
// computed strictly one after another: each loop must finish before the next
// one overwrites its rule's running sum.
double integrate_range(MTH_function f, double lower, double upper, MTH_parameters params,
                       Tolerances tolerances, Splits splits) {
    if (lower == kMinusInfinity && upper == kPlusInfinity) {
        const double left =
            integrate_range(f, kMinusInfinity, kLowerSplit, params, tolerances, splits);
        const double middle =
            integrate_range(f, kLowerSplit, kUpperSplit, params, tolerances, splits);
        const double right =
            integrate_range(f, kUpperSplit, kPlusInfinity, params, tolerances, splits);
        return (left + middle) + right;
    }
    if (lower == kMinusInfinity) {
        return integrate_half_infinite(kLowerInfiniteLoop, lower_infinite_cut(upper, splits), f,
                                       lower, upper, params, tolerances, splits);
    }
    if (upper == kPlusInfinity) {
        return integrate_half_infinite(kUpperInfiniteLoop, upper_infinite_cut(lower, splits), f,
                                       lower, upper, params, tolerances, splits);
    }
    return refine(kFiniteLoop, f, lower, upper, params, tolerances);
}

}  // namespace

extern "C" {

double trapzd(MTH_function f, MTH_parameters params, double a, double b, int32_t n) {
    static thread_local double s = 0.0;
    if (n == 1) {
        const double at_a = f(a, params);
        const double at_b = f(b, params);
        s = (at_b + at_a) * ((b - a) * 0.5);
        return s;
    }
    // The midpoints of the previous level's panels.
    const uint64_t points = new_points_at_level(n, 2);
    const double tnm = static_cast<double>(points);
    const double del = (b - a) / tnm;
    double x = a + 0.5 * del;
    double sum = 0.0;
    for (uint64_t j = 0; j < points; ++j) {
        sum += f(x, params);
        x += del;
    }
    s = ((b - a) * sum / tnm + s) * 0.5;
    return s;
}

double midinf(MTH_function f, MTH_parameters params, double aa, double bb, int32_t n) {
    static thread_local double s = 0.0;
    const double b = 1.0 / aa;
    const double a = 1.0 / bb;
    if (n == 1) {
        const double t = (a + b) * 0.5;
        s = integrand_in_reciprocal(f, params, t) * (b - a);
        return s;
    }
    // Tripling the panels keeps the old midpoints on the grid: each old panel
    // gets two new midpoints, one third of its width to either side.
    const uint64_t old_panels = new_points_at_level(n, 3);
    const double tnm = static_cast<double>(old_panels);
    const double del = (b - a) / (3.0 * tnm);
    const double ddel = del + del;
    double t = a + 0.5 * del;
    double sum = 0.0;
    for (uint64_t j = 0; j < old_panels; ++j) {
        sum += integrand_in_reciprocal(f, params, t);
        t += ddel;
        sum += integrand_in_reciprocal(f, params, t);
        t += del;
    }
    s = ((b - a) * sum / tnm + s) / 3.0;
    return s;
}

double MTH_simple_num_integrate(MTH_function f, double lower, double upper, MTH_parameters params,
                                double tolerance) {
    return integrate_range(f, lower, upper, params, {tolerance, 0.0}, Splits::kAcrossZero);
}

double MTH_num_integrate(MTH_function f, double lower, double upper, MTH_parameters params,
                         double relative_tolerance, double absolute_tolerance) {
    return integrate_range(f, lower, upper, params, {relative_tolerance, absolute_tolerance},
                           Splits::kAcrossOrNearZero);
}

}  // extern "C"
