// One stage's rejection tails and the replication analysis on them.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "power/allelic_tails.h"
// clang-format on

#include <cmath>

#include "numeric/MTH_normal_distribution.h"

namespace {

// Passed to MTH_qnorm, which does not read it.
constexpr double kQuantileTolerance = 1e-6;

}  // namespace

namespace vantor {

RejectionTails rejection_tails(const StageTest &stage, bool unpooled) {
    const double p1 = stage.case_rate;
    const double p0 = stage.control_rate;
    const double sigma_alt =
        std::sqrt((1 - p1) * p1 / stage.cases + (1 - p0) * p0 / stage.controls);
    const double pooled = stage.pooled_rate;
    const double sigma_null =
        unpooled ? sigma_alt
                 : std::sqrt((1 - pooled) * pooled * (1 / stage.controls + 1 / stage.cases));

    const double z_hi = MTH_qnorm(1 - stage.alpha / 2, kQuantileTolerance);
    const double z_lo = MTH_qnorm(stage.alpha / 2, kQuantileTolerance);

    return {MTH_pnorm((sigma_null * z_lo - p1 + p0) / sigma_alt),
            MTH_pnorm((sigma_null * z_hi - p1 + p0) / sigma_alt)};
}

double same_direction_power(const RejectionTails &stage1, const RejectionTails &stage2) {
    return (1 - stage1.below_upper) * (1 - stage2.below_upper) +
           stage1.below_lower * stage2.below_lower;
}

}  // namespace vantor
