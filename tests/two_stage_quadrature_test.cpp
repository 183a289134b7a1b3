// The design searches' quick two-stage powers and the library's own, both
// against the independent long-double reference (tests/two_stage_reference.h):
// over a grid of designs (methods x effects x levels x stage shares x sizes)
// and random designs.
#include "power/two_stage_quadrature.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "power/power_func.h"
#include "two_stage_reference.h"

namespace {

namespace ref = two_stage_reference;

// The quick route's bound; the library's are the reference's
// allowed_difference (a relative 1e-6 for the joint analysis; the product's
// closed-form tails carry MTH_pnorm's absolute error, and its power is up to
// 1.6e-5 relative off on unequal stages).
constexpr double kQuickAbsolute = 1e-9;
constexpr double kLevelRelative = 1e-10;

// Per method.
#ifdef NDEBUG
constexpr int kRandomDesigns = 5000;
#else
// Unoptimised (sanitizer) builds: the same checks on fewer designs.
constexpr int kRandomDesigns = 300;
#endif

// A design at the levels a0 and a1 (overall level left open).
PWR_design design_of(std::int32_t method, double odds_ratio, double rate, const double counts[4],
                     double a0, double a1) {
    PWR_design d = PWR_DESIGN_INIT;
    d.method = method;
    d.odds_ratio = odds_ratio;
    d.control_rate = rate;
    d.alpha[0] = a0;
    d.alpha[1] = a1;
    d.alpha[2] = PWR_DERIVE_LEVEL;
    d.sample_size[0][0] = static_cast<std::int32_t>(counts[0]);
    d.sample_size[0][1] = static_cast<std::int32_t>(counts[1]);
    d.sample_size[1][0] = static_cast<std::int32_t>(counts[2]);
    d.sample_size[1][1] = static_cast<std::int32_t>(counts[3]);
    return d;
}

struct Worst {
    double quick_absolute = 0;
    double library_relative = 0;
    double library_absolute = 0;
    int designs = 0;
    int library_beyond = 0;  // designs where the library misses its bound
};

// Compares the quick power and the library's (with a1 given and the overall
// level derived, as the design searches' level cache calls it) with the
// reference at the same levels. The quick power must be within its bound;
// the library's misses are counted.
void compare(const PWR_design &design, Worst *worst) {
    const double exact = static_cast<double>(ref::two_stage_power(design));
    const double quick = PWR_quick_two_stage_power(&design);
    PWR_design copy = design;
    const double library = PWR_two_stage_power(&copy, PWR_VARIANCE_POOLED);
    EXPECT_NEAR(quick, exact, kQuickAbsolute)
        << "method " << design.method << " a0 " << design.alpha[0] << " a1 " << design.alpha[1];
    const double off = std::fabs(library - exact);
    if (!(off <= ref::allowed_difference(design.method, exact))) {
        ++worst->library_beyond;
        std::printf(
            "library off by %.3g (reference %.10g): method %d, odds ratio %.6g, rate %.6g, "
            "alleles %d %d %d %d, a0 %.6g, a1 %.6g\n",
            off, exact, design.method, design.odds_ratio, design.control_rate,
            design.sample_size[0][0], design.sample_size[0][1], design.sample_size[1][0],
            design.sample_size[1][1], design.alpha[0], design.alpha[1]);
    }
    worst->quick_absolute = std::max(worst->quick_absolute, std::fabs(quick - exact));
    worst->library_absolute = std::max(worst->library_absolute, off);
    if (exact > 1e-6) {
        worst->library_relative = std::max(worst->library_relative, off / exact);
    }
    ++worst->designs;
}

void print(const char *what, const Worst &w) {
    std::printf(
        "%s: %d designs; quick within %.2g absolute; library within %.2g absolute, "
        "%.2g relative (powers above 1e-6)\n",
        what, w.designs, w.quick_absolute, w.library_absolute, w.library_relative);
}

// The second-decision level for the design's a0 and overall level a2.
double stage1_level(std::int32_t method, double a0, double a2, double weight) {
    return method == PWR_METHOD_JOINT ? PWR_quick_joint_stage1_level(a0, a2, weight)
                                      : PWR_quick_product_stage1_level(a0, a2);
}

TEST(QuickTwoStagePower, GridOfDesignsAgainstTheReference) {
    Worst worst[3];
    for (const std::int32_t method : {PWR_METHOD_PRODUCT, PWR_METHOD_JOINT}) {
        for (const double odds_ratio : {1.15, 1.4, 0.75}) {
            for (const double a2 : {1e-4, 5e-8}) {
                for (const double a0 : {2.5e-1, 1e-2, 1e-3, 1e-5}) {
                    for (const double share : {0.2, 0.5, 0.8}) {
                        for (const double total : {3000.0, 12000.0}) {
                            const double n0 = std::round(share * total);
                            const double counts[4] = {n0, n0, total - n0, total - n0};
                            PWR_design d = design_of(method, odds_ratio, 0.3, counts, a0, 0);
                            d.alpha[1] = stage1_level(method, a0, a2, PWR_joint_weight(&d));
                            compare(d, &worst[method]);
                        }
                    }
                }
            }
        }
    }
    print("product grid", worst[PWR_METHOD_PRODUCT]);
    print("joint grid", worst[PWR_METHOD_JOINT]);
    EXPECT_EQ(worst[PWR_METHOD_PRODUCT].library_beyond, 0);
    EXPECT_EQ(worst[PWR_METHOD_JOINT].library_beyond, 0);
}

// Random designs of one method: odds ratios from 0.55 to 1.8, rates from
// 0.02 to 0.92, each group 200 to 40,000 alleles, a0 from 0.32 to 3e-7, a1
// up to a millionth of a0.
Worst random_designs(std::int32_t method, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    Worst worst;
    for (int i = 0; i < kRandomDesigns; ++i) {
        const double odds_ratio = std::exp((unit(random) - 0.5) * 1.2);
        const double rate = 0.02 + 0.9 * unit(random);
        double counts[4];
        for (double &n : counts) {
            n = std::round(std::exp(std::log(200.0) + unit(random) * std::log(200.0)));
        }
        const double a0 = std::pow(10.0, -6 * unit(random) - 0.5);
        const double a1 = a0 * std::pow(10.0, -6 * unit(random));
        compare(design_of(method, odds_ratio, rate, counts, a0, a1), &worst);
    }
    return worst;
}

TEST(QuickTwoStagePower, RandomProductDesignsAgainstTheReference) {
    const Worst worst = random_designs(PWR_METHOD_PRODUCT, 5082026);
    print("product, random", worst);
    EXPECT_EQ(worst.library_beyond, 0);
}

TEST(QuickTwoStagePower, RandomJointDesignsAgainstTheReference) {
    const Worst worst = random_designs(PWR_METHOD_JOINT, 5082027);
    print("joint, random", worst);
    // A fault of the library's adaptive integration, not of its tolerance:
    // on a stage-0-heavy joint design (w 0.96: 24,472 and 6,155 alleles in
    // stage 0, 229 and 1,862 in stage 1; odds ratio 1.184, rate 0.498, a0
    // 0.239, a1 1.14e-6) its power is 0.87874 where the reference and the
    // quick power agree on 0.87990: the refinement settles before it has
    // seen the whole turn of the integrand. It turned up once in 5,000 random
    // joint designs of an earlier draw; this draw has none.
    EXPECT_LE(worst.library_beyond, 1);
    EXPECT_LE(worst.library_absolute, 2e-3);
}

// A derived level reproduces the overall level by the reference's integral.
TEST(QuickTwoStagePower, DerivedJointLevelsGiveTheOverallLevel) {
    double worst = 0;
    for (const double a2 : {1e-3, 1e-6, 5e-8, 1e-10, 1e-12}) {
        for (const double a0 : {0.5, 1e-2, 1e-4}) {
            for (const double w : {0.05, 0.3, 0.7, 0.95}) {
                if (a0 < 2 * a2) {
                    continue;
                }
                const double a1 = PWR_quick_joint_stage1_level(a0, a2, w);
                const double level = static_cast<double>(ref::joint_level(a0, a1, {w, 1 - w}));
                if (a1 < 1) {
                    EXPECT_NEAR(level / a2, 1, kLevelRelative) << a0 << " " << a2 << " " << w;
                    worst = std::max(worst, std::fabs(level / a2 - 1));
                } else {
                    EXPECT_LE(level, a2 * (1 + kLevelRelative));
                }
            }
        }
    }
    std::printf("joint levels: within %.2g relative\n", worst);
}

TEST(QuickTwoStagePower, DerivedProductLevelsMeetTheirEquation) {
    for (const double a2 : {1e-3, 5e-8, 1e-12}) {
        for (const double ratio : {1.0001, 2.0, 1e3, 1e8}) {
            const double a0 = std::min(0.5, a2 * ratio);
            const long double a1 = PWR_quick_product_stage1_level(a0, a2);
            const long double level = a1 * (1 + std::log(a0 / a1));
            EXPECT_NEAR(static_cast<double>(level / a2), 1, 1e-13) << a0 << " " << a2;
        }
    }
}

TEST(QuickTwoStagePower, OtherMethodsAndEmptyStagesAreNotANumber) {
    const double empty_stage1[4] = {100, 100, 0, 0};
    const PWR_design joint = design_of(PWR_METHOD_JOINT, 1.3, 0.3, empty_stage1, 1e-2, 1e-6);
    EXPECT_TRUE(std::isnan(PWR_quick_two_stage_power(&joint)));
    const double full[4] = {100, 100, 100, 100};
    const PWR_design separate = design_of(PWR_METHOD_REPLICATION, 1.3, 0.3, full, 1e-2, 1e-6);
    EXPECT_TRUE(std::isnan(PWR_quick_two_stage_power(&separate)));
}

}  // namespace
