// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "simulation/count_statistics.h"
// clang-format on

#include <cmath>
#include <limits>

#include "disease/genotype_tests.h"

namespace vantor {

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

// A difference over the square root of its variance: not a number for no
// difference and no variance, infinite for a difference without variance.
double standardised(double difference, double variance) {
    if (variance > 0) {
        return difference / std::sqrt(variance);
    }
    if (difference == 0) {
        return kNotANumber;
    }
    return difference > 0 ? std::numeric_limits<double>::infinity()
                          : -std::numeric_limits<double>::infinity();
}

double rate_variance(double rate) { return rate * (1 - rate); }

struct Scores {
    double x[3];
};

// The test's scores; the trend's for a test without scores.
Scores test_scores(std::int32_t test) {
    Scores s{{0, 1, 2}};
    GEN_test_scores(test, s.x);
    return s;
}

// A group's people, and the mean and mean square of its scores.
struct Moments {
    double people;
    double mean;
    double square;
};

Moments moments_of(const Scores &s, const double counts[3]) {
    const double people = counts[0] + counts[1] + counts[2];
    const double sum = s.x[0] * counts[0] + s.x[1] * counts[1] + s.x[2] * counts[2];
    const double squares =
        s.x[0] * s.x[0] * counts[0] + s.x[1] * s.x[1] * counts[1] + s.x[2] * s.x[2] * counts[2];
    return {people, sum / people, squares / people};
}

void as_doubles(const std::int64_t counts[3], double out[3]) {
    for (int g = 0; g < 3; ++g) {
        out[g] = static_cast<double>(counts[g]);
    }
}

}  // namespace

double allelic_statistic(std::int64_t a1, std::int64_t n1, std::int64_t a0, std::int64_t n0,
                         bool pooled) {
    const double cases = static_cast<double>(n1);
    const double controls = static_cast<double>(n0);
    const double p1 = static_cast<double>(a1) / cases;
    const double p0 = static_cast<double>(a0) / controls;
    double variance = 0;
    if (pooled) {
        const double p = static_cast<double>(a1 + a0) / (cases + controls);
        variance = rate_variance(p) * (1 / cases + 1 / controls);
    } else {
        variance = rate_variance(p1) / cases + rate_variance(p0) / controls;
    }
    return standardised(p1 - p0, variance);
}

double allelic_statistic_of_genotypes(const std::int64_t cases[3], const std::int64_t controls[3],
                                      bool pooled) {
    return allelic_statistic(cases[1] + 2 * cases[2], 2 * (cases[0] + cases[1] + cases[2]),
                             controls[1] + 2 * controls[2],
                             2 * (controls[0] + controls[1] + controls[2]), pooled);
}

double score_statistic(std::int32_t test, const std::int64_t cases[3],
                       const std::int64_t controls[3], bool pooled) {
    const Scores s = test_scores(test);
    double r[3];
    double c[3];
    as_doubles(cases, r);
    as_doubles(controls, c);
    const Moments one = moments_of(s, r);
    const Moments zero = moments_of(s, c);
    double variance = 0;
    if (pooled) {
        const double both[3] = {r[0] + c[0], r[1] + c[1], r[2] + c[2]};
        const Moments all = moments_of(s, both);
        variance = (all.square - all.mean * all.mean) * (1 / one.people + 1 / zero.people);
    } else {
        variance = (one.square - one.mean * one.mean) / one.people +
                   (zero.square - zero.mean * zero.mean) / zero.people;
    }
    return standardised(one.mean - zero.mean, variance);
}

double genotypic_statistic(const std::int64_t cases[3], const std::int64_t controls[3]) {
    double r[3];
    double c[3];
    as_doubles(cases, r);
    as_doubles(controls, c);
    const double case_people = r[0] + r[1] + r[2];
    const double control_people = c[0] + c[1] + c[2];
    const double people = case_people + control_people;
    double statistic = 0;
    for (int g = 0; g < 3; ++g) {
        const double column = r[g] + c[g];
        if (column > 0) {
            const double expected_cases = case_people * column / people;
            const double expected_controls = control_people * column / people;
            const double d1 = r[g] - expected_cases;
            const double d0 = c[g] - expected_controls;
            statistic += d1 * d1 / expected_cases + d0 * d0 / expected_controls;
        }
    }
    return statistic;
}

}  // namespace vantor
