// The power of the trend, dominant, recessive and genotypic tests on
// genotype counts.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "disease/genotype_tests.h"
// clang-format on

#include <cmath>
#include <cstdint>
#include <limits>

#include "numeric/MTH_noncentral_chi_square.h"
#include "numeric/MTH_normal_distribution.h"
#include "numeric/MTH_normal_tail.h"
#include "power/statistic.h"

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double kTailSwitch = 4.0;

struct Scores {
    double x[3];
};

bool scores_of(std::int32_t test, Scores &scores) {
    switch (test) {
        case GEN_TREND:
            scores = {{0, 1, 2}};
            return true;
        case GEN_DOMINANT:
            scores = {{0, 1, 1}};
            return true;
        case GEN_RECESSIVE:
            scores = {{0, 0, 1}};
            return true;
        default:
            return false;
    }
}

// Phi(z), from the tail function beyond +-4 so that small values keep their
// relative accuracy.
double normal_cdf(double z) {
    if (z < -kTailSwitch) {
        return MTH_normal_upper_tail(-z);
    }
    if (z > kTailSwitch) {
        return 1 - MTH_normal_upper_tail(z);
    }
    return MTH_pnorm(z);
}

double mean_of(const Scores &s, const double p[3]) {
    return s.x[0] * p[0] + s.x[1] * p[1] + s.x[2] * p[2];
}

double variance_of(const Scores &s, const double p[3]) {
    const double mean = mean_of(s, p);
    double sum = 0;
    for (int g = 0; g < 3; ++g) {
        const double d = s.x[g] - mean;
        sum += d * d * p[g];
    }
    return sum;
}

void pooled_of(const double cases[3], const double controls[3], double r, double s,
               double pooled[3]) {
    for (int g = 0; g < 3; ++g) {
        pooled[g] = (r * cases[g] + s * controls[g]) / (r + s);
    }
}

}  // namespace

extern "C" {

double GEN_score_test_power(std::int32_t test, const double cases[3], const double controls[3],
                            double case_count, double control_count, double alpha,
                            std::int32_t statistic) {
    Scores scores{};
    if (!scores_of(test, scores) ||
        (statistic != PWR_VARIANCE_POOLED && statistic != PWR_VARIANCE_UNPOOLED)) {
        return kNotANumber;
    }
    const double delta = mean_of(scores, cases) - mean_of(scores, controls);
    const double alternative =
        variance_of(scores, cases) / case_count + variance_of(scores, controls) / control_count;
    double pooled[3];
    pooled_of(cases, controls, case_count, control_count, pooled);
    const double null = statistic == PWR_VARIANCE_UNPOOLED
                            ? alternative
                            : (1 / case_count + 1 / control_count) * variance_of(scores, pooled);
    const double c = -MTH_qnorm(alpha / 2, 0);
    const double sd = std::sqrt(alternative);
    const double cut = c * std::sqrt(null);
    return normal_cdf((delta - cut) / sd) + normal_cdf((-delta - cut) / sd);
}

double GEN_genotypic_noncentrality(const double cases[3], const double controls[3],
                                   double case_count, double control_count) {
    double pooled[3];
    pooled_of(cases, controls, case_count, control_count, pooled);
    double lambda = 0;
    for (int g = 0; g < 3; ++g) {
        if (pooled[g] > 0) {
            const double dc = cases[g] - pooled[g];
            const double ds = controls[g] - pooled[g];
            lambda += (case_count * dc * dc + control_count * ds * ds) / pooled[g];
        }
    }
    return lambda;
}

double GEN_genotypic_power(const double cases[3], const double controls[3], double case_count,
                           double control_count, double alpha) {
    const double lambda = GEN_genotypic_noncentrality(cases, controls, case_count, control_count);
    return MTH_noncentral_chi_square_upper(-2 * std::log(alpha), 2, lambda);
}

}  // extern "C"
