/* The power of a study by simulating it: draw the study's counts from their
 * distributions, run the test on them at its critical value, and count the
 * studies in which it rejects.
 *
 * What is drawn (SIM_groups): allele counts, each group's binomial of its
 * allele draws at its risk-allele rate; or genotype counts, each group's
 * multinomial of its people over the three genotypes (0, 1, 2 copies of the
 * risk allele) at its genotype frequencies. Counts are drawn as counts, not
 * person by person (numeric/count_draws.h), so a replicate costs about the
 * same at any size.
 *
 * The tests (simulation/count_statistics.h) are two-sided: a 1-df statistic
 * z rejects where |z| > c, c = -MTH_qnorm(alpha / 2) (the critical value the
 * genotype tests' formulas use); the genotypic chi-square where it exceeds
 * -2 ln alpha, the chi-square of two degrees of freedom. A statistic that is
 * not a number (nothing varies) does not reject.
 *
 * Two stages run the procedure as a study runs it, on the allelic
 * statistic: stage 1's counts are drawn and tested at alpha[0] (two-sided);
 * a marker passing it has stage 2's counts drawn, and the final decision is
 *  - replication: stage 2 significant at alpha[1], two-sided, on the side
 *    of stage 1 (level alpha[0] alpha[1] / 2 with no association);
 *  - product: the product of the two stages' two-sided p-values at most
 *    alpha[1], on any side (level alpha[1] (1 + ln(alpha[0] / alpha[1]))),
 *    the p-values from the normal tail of numeric/MTH_normal_tail.h with
 *    the portable exponential;
 *  - joint: Z = sqrt(w) Z1 + sqrt(1 - w) Z2, w stage 1's weight, beyond the
 *    two-sided critical value of alpha[1] on the side of stage 1.
 * The levels are the caller's (the derived ones of search/design.h's answer);
 * a final level of 1 asks only for the side. The product and joint analyses'
 * formulas take each stage's Wald statistic (each group's own rate), and
 * their simulated studies should too (variance PWR_VARIANCE_UNPOOLED).
 *
 * Seeded and portable: the generator and the draws are this library's own
 * (numeric/random.h, numeric/count_draws.h), in integer arithmetic and
 * correctly rounded double operations, and the critical values are computed
 * once; so a seed gives the same answer on every platform, the WebAssembly
 * page included. The answer is the share of the replicates that reject and
 * its binomial standard error sqrt(P (1 - P) / n).
 *
 * Cost (docs/speed.md): about 15 ns a replicate for allele counts, 145 ns
 * for genotype counts, 40-80 ns for two stages; a progress function, when
 * given, is told the replicates done every 65,536 and at the end.
 *
 * Reentrant: distinct calls share nothing. Usable from C and C++. */
#ifndef VANTOR_SIMULATION_SIMULATE_H
#define VANTOR_SIMULATION_SIMULATE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What is drawn: SIM_groups.draws. */
enum {
    SIM_ALLELE_COUNTS = 1,  /* the counts are alleles */
    SIM_GENOTYPE_COUNTS = 2 /* the counts are people */
};

/* The most replicates a simulation runs. */
#define SIM_MOST_REPLICATES 1000000000

/* Told the replicates done of `total`. */
typedef void (*SIM_progress)(void *context, int64_t done, int64_t total);

typedef struct SIM_run {
    int64_t replicates;    /* 1 to SIM_MOST_REPLICATES */
    uint64_t seed;         /* any */
    SIM_progress progress; /* NULL for none */
    void *context;         /* passed to progress */
} SIM_run;

/* The groups' distributions. */
typedef struct SIM_groups {
    int32_t draws;       /* SIM_ALLELE_COUNTS or SIM_GENOTYPE_COUNTS */
    double case_rate;    /* allele counts: the risk-allele rate among cases, in [0, 1] */
    double control_rate; /* ... and among controls */
    double cases[3];     /* genotype counts: cases' frequencies of 0, 1, 2 copies */
    double controls[3];  /* ... and the controls' */
} SIM_groups;

typedef struct SIM_result {
    int32_t status;        /* VANTOR_FOUND, or VANTOR_INVALID_INPUT */
    int32_t reason;        /* VANTOR_REASON_* of a refusal */
    int64_t replicates;    /* replicates run */
    int64_t rejections;    /* of them, the studies whose test rejected */
    double power;          /* rejections / replicates; not a number when refused */
    double standard_error; /* sqrt(power (1 - power) / replicates) */
} SIM_result;

/* A single-stage study of `cases` and `controls` (alleles for allele
 * counts, people for genotype counts), tested by `test` (GEN_ALLELIC ...
 * GEN_GENOTYPIC; all but the allelic need genotype counts) with `variance`
 * (PWR_VARIANCE_POOLED or _UNPOOLED) at the two-sided level `alpha`.
 * Refused (VANTOR_INVALID_INPUT): replicates out of range
 * (VANTOR_REASON_BAD_REPLICATES), a count below 1 or beyond
 * VANTOR_LARGEST_COUNT, a level outside (0, 1), a rate or frequency outside
 * [0, 1], an unknown test or variance. */
int32_t SIM_single_stage_power(const SIM_groups *groups, int32_t test, int32_t variance,
                               double alpha, int64_t cases, int64_t controls, const SIM_run *run,
                               SIM_result *result);

/* A two-stage design: the method (PWR_METHOD_*), its levels (stage 1's,
 * the final decision's, the overall; the overall is not read), stage 1's
 * weight in the joint statistic, and each stage's counts (as above). */
typedef struct SIM_two_stages {
    int32_t method;
    double alpha[3];
    double stage1_weight;
    int64_t cases[2];
    int64_t controls[2];
} SIM_two_stages;

/* The power of the two-stage procedure above, each stage's statistic the
 * allelic z with `variance`. Refused as SIM_single_stage_power, and for a
 * stage 1 level or weight outside (0, 1), a final level outside (0, 1], or
 * an unknown method. */
int32_t SIM_two_stage_power(const SIM_groups *groups, int32_t variance,
                            const SIM_two_stages *design, const SIM_run *run, SIM_result *result);

/* The same with each stage's statistic the z of `test`: GEN_ALLELIC (as
 * SIM_two_stage_power), or GEN_TREND, GEN_DOMINANT or GEN_RECESSIVE on
 * genotype counts. The genotypic test, which has no sign, is refused
 * (VANTOR_REASON_GENOTYPIC_ONE_STAGE). */
int32_t SIM_two_stage_test_power(const SIM_groups *groups, int32_t test, int32_t variance,
                                 const SIM_two_stages *design, const SIM_run *run,
                                 SIM_result *result);

#ifdef __cplusplus
}
#endif

#endif
