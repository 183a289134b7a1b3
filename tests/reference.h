// Independent references shared by the tests: the exact normal distribution
// (through erfc, in extended precision) and its quantile, the textbook power
// of one stage's allelic test with those exact functions, and a single-stage
// design record.
#ifndef VANTOR_TESTS_REFERENCE_H
#define VANTOR_TESTS_REFERENCE_H

#include <cmath>
#include <cstdint>

#include "power/power_func.h"

inline long double exact_cdf_long(long double x) { return 0.5L * std::erfc(-x / std::sqrt(2.0L)); }

inline double exact_cdf(double x) { return static_cast<double>(exact_cdf_long(x)); }

// The exact normal quantile, by bisection on the closed-form distribution
// function.
inline double exact_quantile(double p) {
    long double lo = -40.0L;
    long double hi = 40.0L;
    for (int i = 0; i < 200; ++i) {
        const long double mid = (lo + hi) / 2;
        (exact_cdf_long(mid) < p ? lo : hi) = mid;
    }
    return static_cast<double>((lo + hi) / 2);
}

// The exact normal quantile, from the tail 1 - p (exact in doubles) when p
// is above 1/2: near 1 the distribution function in long double resolves a
// tail only to about 1e-19, which is coarse beside a tail of 1e-12.
inline double exact_quantile_by_tail(double p) {
    return p > 0.5 ? -exact_quantile(1 - p) : exact_quantile(p);
}

// Power of the two-sided test of p1 - p0 with n1 cases and n0 controls,
// rejecting below the quantile of `lower_tail` and above that of 1 minus
// `upper_tail`.
inline double textbook_power_with_tails(double n1, double n0, double odds_ratio, double p0,
                                        double lower_tail, double upper_tail) {
    const double p1 = odds_ratio * p0 / (odds_ratio * p0 + 1 - p0);
    const double pooled = (p1 * n1 + p0 * n0) / (n1 + n0);
    const double se_null = std::sqrt(pooled * (1 - pooled) * (1 / n1 + 1 / n0));
    const double se_alt = std::sqrt(p1 * (1 - p1) / n1 + p0 * (1 - p0) / n0);
    const double z_lo = exact_quantile(lower_tail);
    const double z_hi = -exact_quantile(upper_tail);
    const double delta = p1 - p0;
    return exact_cdf((z_lo * se_null - delta) / se_alt) + 1 -
           exact_cdf((z_hi * se_null - delta) / se_alt);
}

// The textbook power with the two tails as the library forms them: the upper
// one as 1 - (1 - alpha/2) in doubles.
inline double textbook_power(double n1, double n0, double odds_ratio, double p0, double alpha) {
    return textbook_power_with_tails(n1, n0, odds_ratio, p0, alpha / 2, 1 - (1 - alpha / 2));
}

// The power at level alpha exactly.
inline double exact_power(double n1, double n0, double odds_ratio, double p0, double alpha) {
    return textbook_power_with_tails(n1, n0, odds_ratio, p0, alpha / 2, alpha / 2);
}

// Phi(d/s - c) + Phi(-d/s - c), c the exact upper alpha/2 quantile and s the
// unpooled standard error of the rate difference.
inline double exact_unpooled_power(double n1, double n0, double odds_ratio, double p0,
                                   double alpha) {
    const double p1 = odds_ratio * p0 / (odds_ratio * p0 + 1 - p0);
    const double s = std::sqrt(p1 * (1 - p1) / n1 + p0 * (1 - p0) / n0);
    const double c = -exact_quantile(alpha / 2);
    const double shift = (p1 - p0) / s;
    return exact_cdf(shift - c) + exact_cdf(-shift - c);
}

// A zeroed record with stage 0 filled in.
inline PWR_design single_stage_design(std::int32_t cases, std::int32_t controls, double odds_ratio,
                                      double rate, double alpha) {
    PWR_design design = PWR_DESIGN_INIT;
    design.sample_size[0][0] = cases;
    design.sample_size[0][1] = controls;
    design.odds_ratio = odds_ratio;
    design.control_rate = rate;
    design.alpha[0] = alpha;
    return design;
}

// A two-stage record: stage 0 as single_stage_design makes it, stage 1's
// counts, the method and the other two levels.
inline PWR_design two_stage_design(std::int32_t method, double a0, double a1, double a2,
                                   std::int32_t cases0, std::int32_t controls0, std::int32_t cases1,
                                   std::int32_t controls1, double odds_ratio, double rate = 0.3) {
    PWR_design design = single_stage_design(cases0, controls0, odds_ratio, rate, a0);
    design.method = method;
    design.alpha[1] = a1;
    design.alpha[2] = a2;
    design.sample_size[1][0] = cases1;
    design.sample_size[1][1] = controls1;
    return design;
}

#endif
