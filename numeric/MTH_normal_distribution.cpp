// Normal distribution functions: ACM Algorithm 209 for the distribution
// function, AS 241 (PPND16) for the quantile. The coefficient tables and the
// order of every operation are fixed so that results are reproducible to the
// last bit.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "numeric/MTH_normal_distribution.h"
// clang-format on

#include <cmath>

#include "numeric/MTH_report.h"

namespace {

constexpr double kDensityFactor = 0.3989422804014327;  // 1/sqrt(2 pi)
constexpr double kEuler = 2.718281828459045;
constexpr double kTailCut = 6.0;

// Algorithm 209, inner polynomial in w = y^2 (for y = |x|/2 < 1), highest
// power first.
constexpr double kInner[9] = {
    0.000124818987,  -0.001075204047, 0.005198775019, -0.019198292004, 0.059054035642,
    -0.151968751364, 0.319152932694,  -0.5319230073,  0.797884560593,
};

// Algorithm 209, outer polynomial in y - 2 (for y >= 1), highest power first.
constexpr double kOuter[15] = {
    -0.000045255659, 0.00015252929,   -0.000019538132, -0.000676904986, 0.001390604284,
    -0.00079462082,  -0.002034254874, 0.006549791214,  -0.010557625006, 0.011630447319,
    -0.009279453341, 0.005353579108,  -0.002141268741, 0.000535310549,  0.999936657524,
};

// AS 241 coefficients, 15 significant digits, constant term first. The
// denominators start with their constant term 1.
constexpr double kCentralNum[8] = {
    3.38713287279637, 133.141667891784, 1971.59095030655, 13731.6937655095,
    45921.9539315499, 67265.7709270087, 33430.5755835881, 2509.08092873012,
};
constexpr double kCentralDen[8] = {
    1.0,
    42.3133307016009,
    687.187007492058,
    5394.19602142475,
    21213.7943015866,
    39307.8958000927,
    28729.0857357219,
    5226.49527885285,
};
constexpr double kMiddleNum[8] = {
    1.42343711074968, 4.63033784615655,  5.76949722146069,   3.6478483247632,
    1.27045825245237, 0.241780725177451, 0.0227238449892692, 7.74545014278341e-4,
};
constexpr double kMiddleDen[8] = {
    1.0,
    2.05319162663776,
    1.6763848301838,
    0.689767334985100,
    0.148103976427480,
    0.0151986665636165,
    5.47593808499534e-4,
    1.05075007164442e-9,
};
constexpr double kFarNum[8] = {
    6.6579046435011,    5.46378491116411,    1.78482653991729,    0.296560571828505,
    0.0265321895265761, 1.24266094738808e-3, 2.71155556874349e-5, 2.01033439929229e-7,
};
constexpr double kFarDen[8] = {
    1.0,
    0.599832206555888,
    0.136929880922736,
    0.0148753612908506,
    7.86869131145613e-4,
    1.84631831751005e-5,
    1.42151175831645e-7,
    2.04426310338994e-15,
};

constexpr double kCentralSplit = 0.425;
constexpr double kTailSplit = 5.0;
constexpr double kCentralOffset = 0.180625;
constexpr double kMiddleShift = 1.6;

// Horner's rule from the degree-7 coefficient down to the constant term.
double horner7(const double (&c)[8], double t) {
    double sum = c[7];
    for (int i = 6; i >= 0; --i) {
        sum = sum * t + c[i];
    }
    return sum;
}

// Probability that a standard normal lies within +-2y (Algorithm 209).
double central_probability(double y) {
    if (y < 1.0) {
        const double w = y * y;
        double z = kInner[0];
        for (int i = 1; i < 9; ++i) {
            z = z * w + kInner[i];
        }
        return (y + y) * z;
    }
    const double shifted = y - 2.0;
    double z = kOuter[0];
    for (int i = 1; i < 15; ++i) {
        z = z * shifted + kOuter[i];
    }
    return z;
}

}  // namespace

extern "C" {

double MTH_dnorm(double x) {
    double t = x * x;
    t = -t;
    t = t / 2.0;
    return kDensityFactor * std::pow(kEuler, t);
}

double MTH_pnorm(double x) {
    if (x == 0.0) {
        return 0.5;
    }
    if (x < -kTailCut) {
        return 0.0;
    }
    if (x > kTailCut) {
        return 1.0;
    }
    double y = x / 2.0;
    if (y < 0) {
        y = -y;
    }
    const double z = central_probability(y);
    return x < 0 ? (1.0 - z) / 2.0 : (1.0 + z) / 2.0;
}

double MTH_qnorm(double p, double /*unused*/) {
    if (p >= 1.0) {
        return MTH_INFINITY;
    }
    double sign = 1.0;
    double q = p - 0.5;
    double r;
    if (q < 0) {
        r = p;
        q = std::fabs(q);
    } else {
        sign = -1.0;
        r = 1.0 - p;
    }
    // r is the tail probability nearer to p. For r <= 0 the logarithm gives
    // an infinity or not-a-number that the domain check below discards.
    double t;
    double s = 0.0;
    if (q <= kCentralSplit) {
        t = kCentralOffset - q * q;
    } else {
        s = std::sqrt(-std::log(r));
        t = s <= kTailSplit ? s - kMiddleShift : s - kTailSplit;
    }
    if (r <= 0) {
        MTH_report("MIN_FLAG");
        return -MTH_INFINITY;
    }
    double v;
    if (q <= kCentralSplit) {
        v = (q * horner7(kCentralNum, t)) / horner7(kCentralDen, t);
    } else if (s <= kTailSplit) {
        v = horner7(kMiddleNum, t) / horner7(kMiddleDen, t);
    } else {
        v = horner7(kFarNum, t) / horner7(kFarDen, t);
    }
    return (-v) * sign;
}

double MTH_pnorm_area(double a, double b) {
    if (b >= a) {
        const double upper = MTH_pnorm(b);
        return upper - MTH_pnorm(a);
    }
    const double upper = MTH_pnorm(a);
    return upper - MTH_pnorm(b);
}

double MTH_translate_probability_to_standard(double x, double mean, double sd) {
    if (sd == 0) {
        return 0.0;
    }
    return (x - mean) / sd;
}

double MTH_translate_probability_from_standard(double z, double mean, double sd) {
    return z * sd + mean;
}

double rapped_dnorm(double x, MTH_parameters /*params*/) { return MTH_dnorm(x); }

}  // extern "C"

// The incomplete gamma function (power series and continued fraction), the
// six-term Lanczos log-gamma, and the normal distribution function and normal
// integral built on them.
namespace {

constexpr double kNotANumber = NAN;

constexpr double kSqrt2 = 1.4142135623730951;
// Beyond these values of x / sqrt(2) the distribution function is 0 or 1 to
// double precision, and squaring them could overflow.
constexpr double kStandardLowerGuard = -1e150;
constexpr double kStandardUpperGuard = 1e150;
// P(1/2, u^2) is the probability that |Z| < u * sqrt(2).
constexpr double kHalfShape = 0.5;

constexpr double kGammaTolerance = 1e-11;
constexpr int kLargestGammaCount = 100;

constexpr double kLanczosOffset = 5.5;
constexpr double kLanczosLeading = 1.000000000190015;
// One unit in the last place above the double nearest sqrt(2 pi).
constexpr double kLanczosScale = 2.5066282746310007;
constexpr double kLanczos[6] = {
    76.18009172947146,  -86.50532032941678,   24.01409824083091,
    -1.231739572450155, 0.001208650973866179, -5.395239384953e-06,
};

// e^(-x) x^a / Gamma(a), with ln Gamma(a) given; the exponent is formed left
// to right.
double gamma_prefactor(double a, double x, double log_gamma_a) {
    return std::exp(std::log(x) * a - x - log_gamma_a);
}

// The first integer of get_result_recursive goes down by 2 per level and is
// never read; it stops at the bottom of the 32-bit range instead of
// overflowing.
int32_t next_unread_depth(int32_t depth) { return depth < INT32_MIN + 2 ? INT32_MIN : depth - 2; }

// The term ratio of the normal-integral series: the coefficient of term m
// (index k = 2m) from that of term m - 1. Computed in doubles, where k - 1 and
// k + 1 are exact for every 32-bit k.
double next_series_coefficient(int32_t index, double coefficient) {
    const double k = index;
    return ((-(k - 1.0)) / (k + 1.0)) / k * coefficient;
}

}  // namespace

extern "C" {

double MTH_pnorm_numerical(double x) {
    const double u = x / kSqrt2;
    if (u < kStandardLowerGuard) {
        return 0.0;
    }
    if (u > kStandardUpperGuard) {
        return 1.0;
    }
    double g = gammp(kHalfShape, u * u);
    if (u < 0) {
        g = -g;
    }
    return 0.5 + g / 2.0;
}

double gammp(double a, double x) {
    // Both tests fail for not-a-number, which therefore gets -1 too.
    if (x >= 0.0 && a > 0.0) {
        // The series converges fast below a + 1, the continued fraction above.
        if (1.0 + a > x) {
            return gser(a, x);
        }
        return 1.0 - gcf(a, x);
    }
    return -1.0;
}

double gser(double a, double x) {
    const double log_gamma_a = gammln(a);
    if (x <= 0.0) {
        return 0.0;
    }
    const double prefactor = gamma_prefactor(a, x, log_gamma_a);
    double denom = a;
    double sum = 1.0 / a;
    double term = sum;
    double result = 0.0;
    for (int n = 0; n <= kLargestGammaCount; ++n) {
        denom = denom + 1.0;
        term = term * (x / denom);
        sum = sum + term;
        result = prefactor * sum;
        if (std::fabs(sum) * kGammaTolerance > std::fabs(term)) {
            return result;
        }
    }
    return result;
}

double gcf(double a, double x) {
    const double log_gamma_a = gammln(a);
    const double prefactor = gamma_prefactor(a, x, log_gamma_a);
    // Successive convergents u1/d1, renormalised by scale = 1/d1 after every
    // step so that the carried terms neither overflow nor underflow.
    double d0 = 1.0;
    double d1 = x;
    double u0 = 0.0;
    double u1 = 1.0;
    double scale = 1.0;
    double previous = 0.0;
    // Stays not-a-number if no step yields a usable convergent.
    double result = kNotANumber;
    for (int n = 1; n <= kLargestGammaCount; ++n) {
        const double count = n;
        const double m = count - a;
        d0 = (d0 * m + d1) * scale;
        u0 = (u0 * m + u1) * scale;
        const double w = count * scale;
        d1 = w * d1 + x * d0;
        u1 = w * u1 + x * u0;
        if (d1 != 0.0) {
            scale = 1.0 / d1;
            const double g = u1 * scale;
            result = prefactor * g;
            if (std::fabs((g - previous) / g) < kGammaTolerance) {
                return result;
            }
            previous = g;
        }
    }
    return result;
}

double gammln(double x) {
    // The Lanczos formula holds only for x > 0 (at 0 it would divide by
    // zero).
    if (!(x > 0.0)) {
        return kNotANumber;
    }
    double t = x + kLanczosOffset;
    t = t - std::log(t) * (x + 0.5);
    double series = kLanczosLeading;
    double y = x;
    for (const double coefficient : kLanczos) {
        y = y + 1.0;
        series = series + coefficient / y;
    }
    return std::log(kLanczosScale * series / x) - t;
}

double get_result_recursive(int32_t depth, int32_t index, double x, double coefficient) {
    if (index != 0) {
        coefficient = next_series_coefficient(index, coefficient);
    }
    // The series ends where its coefficient underflows to zero.
    if (coefficient == 0.0) {
        return coefficient;
    }
    // An infinite or not-a-number coefficient never reaches zero; neither
    // can the sum go on past the largest 32-bit index.
    if (!std::isfinite(coefficient) || index > INT32_MAX - 2) {
        return kNotANumber;
    }
    // Horner's scheme in x^2, innermost (smallest) term first.
    return get_result_recursive(next_unread_depth(depth), index + 2, x, coefficient) * (x * x) +
           coefficient;
}

}  // extern "C"
