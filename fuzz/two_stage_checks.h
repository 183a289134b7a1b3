// Answer checks the fuzz targets share: within the domain where the
// two-stage powers promise their accuracy, a power agrees with the
// independent reference of tests/two_stage_reference.h at the levels the
// library derived, a derived level meets its analysis's relation to the
// other two (the joint analysis's through the reference's overall level),
// and a power does not fall when all four counts are multiplied by the same
// whole number. A failed check prints the design, the expected and the
// computed value, and aborts.
//
// The domain: every level from 1e-12 to 1, at least 10 allele draws in each
// group of each stage, a control rate in [1e-6, 1 - 1e-6], an odds ratio in
// [1e-3, 1e3].
#ifndef VANTOR_FUZZ_TWO_STAGE_CHECKS_H
#define VANTOR_FUZZ_TWO_STAGE_CHECKS_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "disease/genotype_tests.h"
#include "power/power_func.h"
#include "power/statistic.h"
#include "search/design.h"
#include "tests/two_stage_reference.h"

namespace two_stage_checks {

constexpr double kSmallestLevel = 1e-12;
constexpr std::int32_t kSmallestGroup = 10;
constexpr double kSmallestRate = 1e-6;
constexpr double kSmallestOddsRatio = 1e-3;
constexpr double kLargestOddsRatio = 1e3;

// How far a power may fall as the counts grow: rounding.
constexpr double kFallTolerance = 1e-9;

inline bool level_checked(double level) { return level >= kSmallestLevel && level <= 1; }

// The record, with its levels as the library left them, lies in the domain.
inline bool in_checked_domain(const PWR_design &design) {
    for (const double level : design.alpha) {
        if (!level_checked(level)) {
            return false;
        }
    }
    for (const auto &stage : design.sample_size) {
        if (stage[0] < kSmallestGroup || stage[1] < kSmallestGroup) {
            return false;
        }
    }
    const double rate = design.control_rate;
    const double odds = design.odds_ratio;
    return rate >= kSmallestRate && rate <= 1 - kSmallestRate && odds >= kSmallestOddsRatio &&
           odds <= kLargestOddsRatio && design.method >= PWR_METHOD_REPLICATION &&
           design.method <= PWR_METHOD_JOINT;
}

[[noreturn]] inline void fail(const char *what, const PWR_design &design, double expected,
                              double got) {
    std::fprintf(stderr,
                 "%s: method %d, counts %d/%d %d/%d, rate %.17g, odds ratio %.17g, "
                 "levels %.17g %.17g %.17g: expected %.17g, got %.17g\n",
                 what, design.method, design.sample_size[0][0], design.sample_size[0][1],
                 design.sample_size[1][0], design.sample_size[1][1], design.control_rate,
                 design.odds_ratio, design.alpha[0], design.alpha[1], design.alpha[2], expected,
                 got);
    std::abort();
}

// `power` is the library's for `design` (as the call left the record) with
// the given statistic.
inline void check_against_reference(const PWR_design &design, double power,
                                    std::int32_t statistic = PWR_VARIANCE_POOLED) {
    if (!in_checked_domain(design)) {
        return;
    }
    const double expected =
        static_cast<double>(two_stage_reference::two_stage_power(design, statistic));
    if (!(std::fabs(power - expected) <=
          two_stage_reference::allowed_difference(design.method, expected))) {
        fail("two-stage power differs from the reference", design, expected, power);
    }
}

// Which level of `before` a two-stage call derives: the first of alpha[1],
// alpha[2], alpha[0] that is open; with none open the joint analysis derives
// one again (the carry-over of PWR_get_power_for_two_stage_method), which
// one does not matter to the relation. -1 when the levels are used as given.
inline int derived_level(const PWR_design &before) {
    for (const int i : {1, 2, 0}) {
        if (before.alpha[i] == PWR_DERIVE_LEVEL) {
            return i;
        }
    }
    return before.method == PWR_METHOD_JOINT ? 1 : -1;
}

// Where a derived level is 1 the relation could not be met (it asked for
// more than 1) and the level was clamped; an open stage 1 level of the
// product and joint analyses becomes 0.05, which meets no relation.
inline bool relation_expected(const PWR_design &after, int derived) {
    if (derived < 0 || after.alpha[derived] == 1) {
        return false;
    }
    return derived != 0 || after.method == PWR_METHOD_REPLICATION;
}

// The overall level of the design's analysis at its levels a0 and a1, as
// the reference computes it.
inline double reference_overall_level(const PWR_design &design) {
    const double a0 = design.alpha[0];
    const double a1 = design.alpha[1];
    switch (design.method) {
        case PWR_METHOD_REPLICATION:
            return a0 * a1 / 2;
        case PWR_METHOD_PRODUCT: {
            // Once stage 1 passes at a0 < a1 the product always does.
            const double limit = std::min(a0, a1);
            return limit * (1 + std::log(a0 / limit));
        }
        default:
            return static_cast<double>(two_stage_reference::joint_level(
                a0, a1, two_stage_reference::joint_weight(design)));
    }
}

// `after` holds the levels a two-stage call left, `derived` the index of
// the one it derived (derived_level). The overall level alpha[2] is the
// analysis's level at the other two, within the derivation's accuracy, and
// never above the level of a test the analysis needs to pass.
inline void check_levels(const PWR_design &after, int derived) {
    if (!in_checked_domain(after) || !relation_expected(after, derived)) {
        return;
    }
    // Every analysis passes only where stage 1 does; the joint one only where
    // its final test does too.
    const double *alpha = after.alpha;
    const double bound = after.method == PWR_METHOD_JOINT ? std::min(alpha[0], alpha[1]) : alpha[0];
    if (!(alpha[2] <= bound)) {
        fail("the overall level is above the level of a test it needs", after, bound, alpha[2]);
    }
    const double expected = reference_overall_level(after);
    if (!(std::fabs(alpha[2] - expected) <=
          two_stage_reference::allowed_level_difference(after.method, expected))) {
        fail("derived levels do not meet their relation", after, expected, alpha[2]);
    }
}

// ---- The 1-df genotype tests ---------------------------------------------------
//
// Their domain: the allelic domain's levels and counts, and genotype
// frequencies each 0 or from 1e-6, whose scores vary in cases and in
// controls (a test of a score with no variance has no statistic).

constexpr double kSmallestFrequency = 1e-6;

inline bool genotypes_checked(const DSN_study &study) {
    double scores[3];
    if (GEN_test_scores(study.test, scores) != 1) {
        return false;
    }
    for (const double *p : {study.case_genotypes, study.control_genotypes}) {
        double classes_scored[2] = {0, 0};
        for (int g = 0; g < 3; ++g) {
            if (p[g] != 0 && !(p[g] >= kSmallestFrequency)) {
                return false;
            }
            classes_scored[scores[g] > 0 ? 1 : 0] += p[g];
        }
        if (!(classes_scored[0] >= kSmallestFrequency && classes_scored[1] >= kSmallestFrequency)) {
            return false;
        }
    }
    return true;
}

// A found power of a genotype test's design against the reference's
// bivariate normal of its stage statistics, at the levels found.
inline void check_genotype_test(const DSN_study &study, const DSN_design_result &r) {
    PWR_design design = two_stage_reference::design_of_result(study, r);
    if (!in_checked_domain(design) || !genotypes_checked(study)) {
        return;
    }
    using two_stage_reference::Real;
    Real scores[3];
    Real cases[3];
    Real controls[3];
    double x[3];
    GEN_test_scores(study.test, x);
    for (int g = 0; g < 3; ++g) {
        scores[g] = x[g];
        cases[g] = study.case_genotypes[g];
        controls[g] = study.control_genotypes[g];
    }
    two_stage_reference::Statistic z[2];
    for (int s = 0; s < 2; ++s) {
        z[s] =
            two_stage_reference::score_statistic(scores, cases, controls, r.cases[s], r.controls[s],
                                                 study.variance == PWR_VARIANCE_POOLED);
    }
    const Real expected =
        two_stage_reference::power_of_statistics(study.method, z[0], z[1], r.alpha[0], r.alpha[1],
                                                 two_stage_reference::joint_weight(design));
    const double allowed = std::max(1e-6 * static_cast<double>(expected), 1e-9);
    if (!(std::fabs(r.power - static_cast<double>(expected)) <= allowed)) {
        fail("a genotype test's two-stage power differs from the reference", design,
             static_cast<double>(expected), r.power);
    }
}

// The whole number 2 to 64 that `seed` picks for the growth check.
inline std::int64_t multiplier_of(std::uint32_t seed) { return 2 + seed % 63; }

// `design` as it was before the call (its open levels still open), scaled
// by k; false when a count would leave the 32-bit range.
inline bool scaled(const PWR_design &design, std::int64_t k, PWR_design &out) {
    out = design;
    for (auto &stage : out.sample_size) {
        for (std::int32_t &count : stage) {
            const std::int64_t grown = count * k;
            if (grown > std::numeric_limits<std::int32_t>::max()) {
                return false;
            }
            count = static_cast<std::int32_t>(grown);
        }
    }
    return true;
}

// `before` is the record before the call that gave `power`, `after` after
// it. The same call with every count multiplied by k must not lose power.
inline void check_growth(const PWR_design &before, const PWR_design &after, double power,
                         std::int64_t k) {
    PWR_design grown{};
    if (!in_checked_domain(after) || !scaled(before, k, grown)) {
        return;
    }
    const double grown_power = PWR_get_power_for_two_stage_method(&grown, 0);
    if (!(grown_power >= power - kFallTolerance)) {
        fail("power falls as every count grows", grown, power, grown_power);
    }
}

}  // namespace two_stage_checks

#endif
