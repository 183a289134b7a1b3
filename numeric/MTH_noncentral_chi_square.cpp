// The chi-square upper tail, central and noncentral, as the Poisson mixture
// of incomplete gamma upper tails, relative to the tail however small.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/MTH_noncentral_chi_square.h"
// clang-format on

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Terms left out are bounded below this fraction of the sum.
constexpr double kNegligible = 1e-17;
constexpr double kLogNegligible = -39.14394658089878;  // ln kNegligible
// The arguments' bounds (the header says why).
constexpr double kLargestArgument = 1e6;
constexpr double kSmallestDegrees = 0.01;
// ln Gamma by Stirling's series from here up; below, shifted up to here.
constexpr double kStirlingFrom = 10;
constexpr double kHalfLogTwoPi = 0.91893853320467274178;
// Carried terms are scaled down by 2^-600 once they pass 2^600.
constexpr double kRescaleAbove = 0x1p600;
constexpr double kRescale = 0x1p-600;
constexpr double kLogRescaleAbove = 600 * 0.69314718055994530942;
// The iterations stop when a step changes the continued fraction by less
// than this; the series by its bounded remainder below kNegligible.
constexpr double kFractionConverged = DBL_EPSILON;
constexpr double kTiny = 1e-300;

// ln Gamma(x) for 0 < x <= 16, shifted up to kStirlingFrom for Stirling's
// series with the Bernoulli terms to 1/(156 x^13), whose next term is below
// 3e-17 from 10 on.
double log_gamma(double x) {
    double shift = 1;
    while (x < kStirlingFrom) {
        shift *= x;
        x += 1;
    }
    const double z = 1 / x;
    const double zsq = z * z;
    const double series =
        z * (1.0 / 12 +
             zsq * (-1.0 / 360 +
                    zsq * (1.0 / 1260 +
                           zsq * (-1.0 / 1680 +
                                  zsq * (1.0 / 1188 + zsq * (-691.0 / 360360 + zsq / 156))))));
    return (x - 0.5) * std::log(x) - x + kHalfLogTwoPi + series - std::log(shift);
}

// Stirling's error ln Gamma(a + 1) - (a + 1/2) ln a + a - ln sqrt(2 pi), a
// small number computed as such (C. Loader, "Fast and accurate computation of
// binomial probabilities", 2000): from ln Gamma up to 15, by its series
// beyond (next term below 2e-16 from 15 on).
double stirling_error(double a) {
    constexpr double kSeriesFrom = 15;
    if (a <= kSeriesFrom) {
        return log_gamma(a + 1) - (a + 0.5) * std::log(a) + a - kHalfLogTwoPi;
    }
    const double zsq = 1 / (a * a);
    return (1.0 / 12 - zsq * (1.0 / 360 - zsq * (1.0 / 1260 - zsq * (1.0 / 1680 - zsq / 1188)))) /
           a;
}

// a ln(a / y) + y - a >= 0, without its cancellation near a = y: there as
// (a - y) v + 2 a sum_{n >= 1} v^(2n+1) / (2n + 1), v = (a - y) / (a + y)
// (Loader, as above).
double deviance_term(double a, double y) {
    constexpr double kNear = 0.1;
    if (std::fabs(a - y) < kNear * (a + y)) {
        const double v = (a - y) / (a + y);
        const double vsq = v * v;
        double sum = (a - y) * v;
        double power = 2 * a * v;
        for (std::int64_t n = 1;; ++n) {
            power *= vsq;
            const double next = sum + power / static_cast<double>(2 * n + 1);
            if (next == sum) {
                return sum;
            }
            sum = next;
        }
    }
    return a * std::log(a / y) + y - a;
}

// ln(y^a e^(-y) / Gamma(a + 1)) for a >= 0, y > 0: the Poisson weight of a
// at mean y (and the step between neighbouring incomplete gamma tails), as
// -stirling_error(a) - deviance_term(a, y) - ln sqrt(2 pi a), free of the
// cancellation of a ln y - y - ln Gamma(a + 1) between large terms.
double log_poisson_term(double a, double y) {
    if (a == 0) {
        return -y;
    }
    return -stirling_error(a) - deviance_term(a, y) - kHalfLogTwoPi - std::log(a) / 2;
}

// ln Q(a, y) and ln of the step y^a e^(-y) / Gamma(a + 1) = Q(a + 1, y) - Q(a, y).
struct UpperGammaStart {
    double log_tail;
    double log_step;
};

// P(a, y) / (y^a e^(-y) / Gamma(a + 1)) by the power series
// sum_n y^n / ((a + 1) ... (a + n)), for y < a + 1, where every ratio
// y / (a + n) is below 1; stops once the geometric bound on the remainder is
// below kNegligible of the sum.
double lower_series(double a, double y) {
    double term = 1;
    double sum = 1;
    for (std::int64_t n = 1;; ++n) {
        const double b = a + static_cast<double>(n);
        term *= y / b;
        sum += term;
        const double ratio = y / (b + 1);
        if (term * ratio / (1 - ratio) < kNegligible * sum) {
            return sum;
        }
    }
}

// Q(a, y) / (y^a e^(-y) / Gamma(a)) by the continued fraction
// 1/(y + 1 - a - 1 (1 - a)/(y + 3 - a - 2 (2 - a)/(y + 5 - a - ...))),
// modified Lentz, for y >= a + 1. Within the domain it converges in well
// under kMostSteps steps (about 1500 at a = y - 1 = 5e5); the bound only
// guarantees an end should rounding keep a step from 1 by more than an ulp.
double upper_fraction(double a, double y) {
    constexpr std::int64_t kMostSteps = 1000000;
    double b = y + 1 - a;
    double c = 1 / kTiny;
    double d = 1 / b;
    double fraction = d;
    for (std::int64_t step = 1; step < kMostSteps; ++step) {
        const double i = static_cast<double>(step);
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        d = std::fabs(d) < kTiny ? kTiny : d;
        c = b + an / c;
        c = std::fabs(c) < kTiny ? kTiny : c;
        d = 1 / d;
        const double change = d * c;
        fraction *= change;
        if (std::fabs(change - 1) <= kFractionConverged) {
            break;
        }
    }
    return fraction;
}

// ln Q(a, y) for y > 0, relative to Q however small: the continued fraction
// where it converges fast, else 1 - P, where Q(a, y) is at least 0.08 for
// a >= 1/2 and about 3e-3 at the smallest a, 0.005, so that the subtraction
// loses little.
UpperGammaStart upper_gamma_start(double a, double y) {
    const double log_step = log_poisson_term(a, y);
    if (y >= a + 1) {
        return {log_step + std::log(a * upper_fraction(a, y)), log_step};
    }
    const double lower = std::exp(log_step) * lower_series(a, y);
    return {std::log1p(-lower), log_step};
}

// The first j (counting down from the Poisson mode floor(mu)) whose lower
// remainder sum_{i < j} w_i is below kNegligible of the mode's weight w_m:
// w_{i-1} / w_i = i / mu <= (j - 1) / mu, so the remainder is at most
// w_{j-1} / (1 - (j - 1) / mu).
double first_index(double mu) {
    double j = std::floor(mu);
    double weight = 1;  // w_j / w_m
    while (j > 0) {
        const double below = weight * j / mu;
        if (below / (1 - (j - 1) / mu) < kNegligible) {
            break;
        }
        weight = below;
        j -= 1;
    }
    return j;
}

// sum_j w_j Q(a + j, y) for mu > 0 and y > 0 (see the header).
double mixture_upper(double a, double y, double mu) {
    const double first = first_index(mu);
    const UpperGammaStart start = upper_gamma_start(a + first, y);
    // Carried relative to w_first and to exp(log_scale):
    double weight = 1;
    double tail = 1;
    double step = std::exp(start.log_step - start.log_tail);
    double log_scale = start.log_tail;
    double sum = 0;
    // kNegligible times the sum, in the units of `weight`, and its logarithm
    // (for when it underflows); refreshed every kRefresh terms, stale values
    // being smaller and so on the safe side.
    constexpr int kRefresh = 16;
    double log_threshold = -HUGE_VAL;
    double threshold = 0;
    double shape = a + first;
    for (std::int64_t n = 0;; ++n) {
        const double j = first + static_cast<double>(n);
        sum += weight * tail;
        if (n % kRefresh == 0) {
            log_threshold = kLogNegligible + log_scale + std::log(sum);
            threshold = std::exp(log_threshold);
        }
        const double next_ratio = mu / (j + 1);
        const double later_ratio = mu / (j + 2);
        if (later_ratio < 1) {
            const double remainder = weight * next_ratio / (1 - later_ratio);
            if (remainder <= threshold ||
                (threshold < DBL_MIN && std::log(remainder) <= log_threshold)) {
                break;
            }
        }
        tail += step;
        step *= y / (shape + 1);
        shape += 1;
        weight *= next_ratio;
        if (tail > kRescaleAbove) {
            tail *= kRescale;
            step *= kRescale;
            sum *= kRescale;
            log_scale += kLogRescaleAbove;
        }
    }
    const double log_first_weight = log_poisson_term(first, mu);
    return std::exp(log_first_weight + log_scale + std::log(sum));
}

bool outside_domain(double x, double degrees, double noncentrality) {
    const bool any_nan = std::isnan(x) || std::isnan(degrees) || std::isnan(noncentrality);
    return any_nan || x < 0 || (x > kLargestArgument && !std::isinf(x)) ||
           degrees < kSmallestDegrees || degrees > kLargestArgument || noncentrality < 0 ||
           noncentrality > kLargestArgument;
}

}  // namespace

extern "C" double MTH_noncentral_chi_square_upper(double x, double degrees, double noncentrality) {
    if (outside_domain(x, degrees, noncentrality)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (x == 0) {
        return 1;
    }
    if (std::isinf(x)) {
        return 0;
    }
    const double a = degrees / 2;
    const double y = x / 2;
    if (y == 0) {  // x the smallest subnormal
        return 1;
    }
    const double tail = noncentrality == 0 ? std::exp(upper_gamma_start(a, y).log_tail)
                                           : mixture_upper(a, y, noncentrality / 2);
    return std::fmin(tail, 1.0);
}

extern "C" double MTH_chi_square_upper(double x, double degrees) {
    return MTH_noncentral_chi_square_upper(x, degrees, 0);
}
