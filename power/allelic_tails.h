// The two rejection tails of one stage's two-sided allelic test under the
// alternative, with the pooled or the unpooled standard error under no
// association, and the replication analysis built on two stages' tails.
//
// Both statistics divide the difference d = p1 - p0 of the case and control
// rates by a standard error; under the alternative the difference has the
// unpooled error s. The test at level a rejects downwards with probability
// Phi((s0 z_lo - d) / s) and upwards with 1 - Phi((s0 z_hi - d) / s), z_lo
// and z_hi the library's quantiles at a/2 and 1 - a/2, s0 the error under no
// association (pooled: from the pooled rate; unpooled: s). The numbers come
// as plain values, so that the specified two-stage power and the statistic
// layer above it share one computation. Pure functions.
#ifndef VANTOR_POWER_ALLELIC_TAILS_H
#define VANTOR_POWER_ALLELIC_TAILS_H

#include <cstdint>

namespace vantor {

// One stage's test: its counts (allele draws), the two rates, the pooled
// rate of cases and controls (read by the pooled error only) and its level.
struct StageTest {
    double cases;
    double controls;
    double case_rate;
    double control_rate;
    double pooled_rate;
    double alpha;
};

// The normal distribution function at the stage's two critical points,
// standardised under the alternative: the test rejects downwards with
// `below_lower` and upwards with 1 - `below_upper`.
struct RejectionTails {
    double below_lower;
    double below_upper;
};

RejectionTails rejection_tails(const StageTest &stage, bool unpooled);

// Both stages reject upwards, or both downwards: the replication analysis's
// power, whose level is a0 a1 / 2.
double same_direction_power(const RejectionTails &stage1, const RejectionTails &stage2);

}  // namespace vantor

#endif
