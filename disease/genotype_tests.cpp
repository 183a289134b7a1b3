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
#include "numeric/quadratic_form.h"
#include "power/statistic.h"

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double kTailSwitch = 4.0;

struct Scores {
    double x[3];
};

bool scores_of(std::int32_t test, Scores &scores) { return GEN_test_scores(test, scores.x) == 1; }

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

// A variance that underflowed (frequencies within a few subnormals of 0)
// would make every difference infinitely significant.
bool usable_variances(double null, double alternative) {
    return alternative >= std::numeric_limits<double>::min() &&
           null >= std::numeric_limits<double>::min();
}

// A two-sided test of a mean difference `delta` whose variance is `null`
// under no association and `alternative` under the alternative.
double two_sided_power(double delta, double null, double alternative, double alpha) {
    if (!usable_variances(null, alternative)) {
        return kNotANumber;
    }
    const double c = -MTH_qnorm(alpha / 2, 0);
    const double sd = std::sqrt(alternative);
    const double cut = c * std::sqrt(null);
    return normal_cdf((delta - cut) / sd) + normal_cdf((-delta - cut) / sd);
}

// A score test's mean difference and its variances under no association
// and under the alternative.
struct Moments {
    double delta;
    double null;
    double alternative;
};

Moments score_moments(const Scores &scores, const double cases[3], const double controls[3],
                      double case_count, double control_count, std::int32_t variance) {
    const double delta = mean_of(scores, cases) - mean_of(scores, controls);
    const double alternative =
        variance_of(scores, cases) / case_count + variance_of(scores, controls) / control_count;
    double pooled[3];
    pooled_of(cases, controls, case_count, control_count, pooled);
    const double null = variance == PWR_VARIANCE_UNPOOLED
                            ? alternative
                            : (1 / case_count + 1 / control_count) * variance_of(scores, pooled);
    return {delta, null, alternative};
}

// A person's copies of the allele: its mean (twice the allele's rate) and
// variance over the genotype frequencies p.
double copies_mean(const double p[3]) { return p[1] + 2 * p[2]; }

double copies_variance(const double p[3]) {
    const double mean = copies_mean(p);
    return p[1] + 4 * p[2] - mean * mean;
}

// The 2 x 2 symmetric matrix [[a, b], [b, c]] and its use below.
struct Symmetric {
    double a, b, c;
};

// The genotypic statistic under the alternative as w1 Y1^2 + w2 Y2^2.
struct TwoTerms {
    double w1, m1, w2, m2;
    bool valid;
};

// The genotypic statistic in two free classes i and j, the third class k
// being minus their sum. Dropping the most frequent pooled class keeps the
// reduced covariance well conditioned: its Cholesky factor's second pivot
// is about g_j g_k / (1 - g_i), with no cancellation when g_k is near 1,
// where dropping a rare class would cancel nearly equal numbers.
struct FreeClasses {
    int i, j, k;
};

FreeClasses free_classes(const double pooled[3]) {
    const int k = pooled[0] >= pooled[1] ? (pooled[0] >= pooled[2] ? 0 : 2)
                                         : (pooled[1] >= pooled[2] ? 1 : 2);
    return {k == 0 ? 1 : 0, k == 2 ? 1 : 2, k};
}

// The reduced forms: the statistic's metric B and the alternative's
// covariance V of the free classes.
Symmetric statistic_metric(const double pooled[3], double r, double s, const FreeClasses &f) {
    const double k = r * s / (r + s);
    return {k * (1 / pooled[f.i] + 1 / pooled[f.k]), k / pooled[f.k],
            k * (1 / pooled[f.j] + 1 / pooled[f.k])};
}

Symmetric alternative_covariance(const double cases[3], const double controls[3], double r,
                                 double s, const FreeClasses &f) {
    const auto cov = [&](int j, int l) {
        const double same = j == l ? 1.0 : 0.0;
        return (cases[j] * same - cases[j] * cases[l]) / r +
               (controls[j] * same - controls[j] * controls[l]) / s;
    };
    return {cov(f.i, f.i), cov(f.i, f.j), cov(f.j, f.j)};
}

// The eigenvalues of the positive definite M and the coordinates of u along
// its eigenvectors, by square roots alone (no trigonometry, whose last bits
// differ between mathematical libraries): with h = (a - c) / 2 and
// s = sqrt(h^2 + b^2), the larger eigenvalue (a + c) / 2 + s has the
// eigenvector (h + s, b) (or (b, s - h) for h < 0, without cancellation), the
// other det M over it.
TwoTerms eigen_terms(const Symmetric &m, const double u[2]) {
    const double h = (m.a - m.c) / 2;
    const double s = std::sqrt(h * h + m.b * m.b);
    if (s == 0) {
        return {m.a, u[0], m.c, u[1], true};
    }
    const double v0 = h >= 0 ? h + s : m.b;
    const double v1 = h >= 0 ? m.b : s - h;
    const double norm = std::sqrt(v0 * v0 + v1 * v1);
    const double larger = (m.a + m.c) / 2 + s;
    return {larger, (v0 * u[0] + v1 * u[1]) / norm, (m.a * m.c - m.b * m.b) / larger,
            (v0 * u[1] - v1 * u[0]) / norm, true};
}

// With V = L L' (L lower triangular), the eigen-decomposition of L' B L and
// the means of Q' L^-1 delta.
TwoTerms two_terms(const Symmetric &b, const Symmetric &v, const double delta[2]) {
    const double l11 = std::sqrt(v.a);
    const double l21 = v.b / l11;
    const double l22_squared = v.c - l21 * l21;
    if (!(l11 > 0) || !(l22_squared > 0)) {
        return {0, 0, 0, 0, false};
    }
    const double l22 = std::sqrt(l22_squared);
    // M = L' B L for L = [[l11, 0], [l21, l22]].
    const Symmetric m = {l11 * (b.a * l11 + b.b * l21) + l21 * (b.b * l11 + b.c * l21),
                         l22 * (b.b * l11 + b.c * l21), l22 * b.c * l22};
    const double u[2] = {delta[0] / l11, (delta[1] - l21 * (delta[0] / l11)) / l22};
    return eigen_terms(m, u);
}

}  // namespace

extern "C" {

std::int32_t GEN_test_scores(std::int32_t test, double scores[3]) {
    static constexpr double kScores[3][3] = {{0, 1, 2}, {0, 1, 1}, {0, 0, 1}};
    if (test < GEN_TREND || test > GEN_RECESSIVE) {
        return 0;
    }
    for (int g = 0; g < 3; ++g) {
        scores[g] = kScores[test - GEN_TREND][g];
    }
    return 1;
}

double GEN_score_test_power(std::int32_t test, const double cases[3], const double controls[3],
                            double case_count, double control_count, double alpha,
                            std::int32_t variance) {
    Scores scores{};
    if (!scores_of(test, scores) ||
        (variance != PWR_VARIANCE_POOLED && variance != PWR_VARIANCE_UNPOOLED)) {
        return kNotANumber;
    }
    const Moments m = score_moments(scores, cases, controls, case_count, control_count, variance);
    return two_sided_power(m.delta, m.null, m.alternative, alpha);
}

std::int32_t GEN_score_test_statistic(std::int32_t test, const double cases[3],
                                      const double controls[3], double case_count,
                                      double control_count, std::int32_t variance,
                                      GEN_normal_statistic *statistic) {
    statistic->mean = kNotANumber;
    statistic->sd = kNotANumber;
    Scores scores{};
    if (!scores_of(test, scores) ||
        (variance != PWR_VARIANCE_POOLED && variance != PWR_VARIANCE_UNPOOLED)) {
        return 0;
    }
    const Moments m = score_moments(scores, cases, controls, case_count, control_count, variance);
    if (!usable_variances(m.null, m.alternative)) {
        return 0;
    }
    const double null_sd = std::sqrt(m.null);
    statistic->mean = m.delta / null_sd;
    statistic->sd = variance == PWR_VARIANCE_UNPOOLED ? 1.0 : std::sqrt(m.alternative) / null_sd;
    return 1;
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

double GEN_genotypic_power_under_alternative(const double cases[3], const double controls[3],
                                             double case_count, double control_count,
                                             double alpha) {
    double pooled[3];
    pooled_of(cases, controls, case_count, control_count, pooled);
    const FreeClasses f = free_classes(pooled);
    const double delta[2] = {cases[f.i] - controls[f.i], cases[f.j] - controls[f.j]};
    const TwoTerms t =
        two_terms(statistic_metric(pooled, case_count, control_count, f),
                  alternative_covariance(cases, controls, case_count, control_count, f), delta);
    if (!t.valid || !(pooled[f.i] > 0) || !(pooled[f.j] > 0)) {
        return kNotANumber;
    }
    return MTH_two_term_chi_square_upper(-2 * std::log(alpha), t.w1, t.m1, t.w2, t.m2);
}

double GEN_allelic_power(const double cases[3], const double controls[3], double case_count,
                         double control_count, double alpha, std::int32_t variance) {
    if (variance != PWR_VARIANCE_POOLED && variance != PWR_VARIANCE_UNPOOLED) {
        return kNotANumber;
    }
    // In allele rates: 2R and 2S draws, the difference's variance under the
    // alternative from the copies a person carries.
    const double p1 = copies_mean(cases) / 2;
    const double p0 = copies_mean(controls) / 2;
    const double n1 = 2 * case_count;
    const double n0 = 2 * control_count;
    const double alternative =
        copies_variance(cases) / (4 * case_count) + copies_variance(controls) / (4 * control_count);
    const double pooled = (p1 * n1 + p0 * n0) / (n1 + n0);
    const double null = variance == PWR_VARIANCE_UNPOOLED
                            ? p1 * (1 - p1) / n1 + p0 * (1 - p0) / n0
                            : pooled * (1 - pooled) * (1 / n1 + 1 / n0);
    return two_sided_power(p1 - p0, null, alternative, alpha);
}

}  // extern "C"
