/* The power of the association tests on genotype counts: the
 * Cochran-Armitage trend test and its dominant and recessive codings (one
 * degree of freedom), and the genotypic test (the 2 x 3 table's chi-square,
 * two degrees of freedom), for R cases and S controls (people) whose
 * genotypes (0, 1, 2 copies of an allele) have the frequencies given.
 *
 * One degree of freedom. A score x_g per genotype: trend (0, 1, 2),
 * dominant (0, 1, 1), recessive (0, 0, 1). The mean difference
 * delta = sum_g x_g (P(g | case) - P(g | control)); under no association its
 * variance is V0 = (1/R + 1/S) v, v the score's variance under the
 * count-weighted pooled frequencies (R P(g | case) + S P(g | control)) /
 * (R + S); under the alternative V1 = v_case / R + v_control / S. Power =
 * Phi((delta - c sqrt(V0)) / sqrt(V1)) + Phi((-delta - c sqrt(V0)) /
 * sqrt(V1)), c the upper alpha/2 normal quantile (MTH_qnorm, as the allelic
 * test takes it). The unpooled variance sets V0 = V1. Phi beyond +-4 is
 * taken from the normal tail (MTH_normal_upper_tail), so that a power near
 * a level of 1e-12 keeps its relative accuracy. On allele scores (two draws
 * a person) the formula is the allelic test's (P. Armitage, "Tests for
 * linear trends in proportions and frequencies", Biometrics 11, 375-386,
 * 1955; the power as in P. Sasieni, "From genotypes to genes: doubling the
 * sample size", Biometrics 53, 1253-1261, 1997).
 *
 * Two degrees of freedom. Noncentrality lambda = sum_g [R (P(g | case) -
 * Pbar_g)^2 + S (P(g | control) - Pbar_g)^2] / Pbar_g with the pooled
 * frequencies Pbar; power = P(chi^2_2(lambda) > -2 ln alpha) (the central
 * chi^2_2 tail is e^(-x/2)), an asymptotic approximation. A genotype absent
 * from both groups adds nothing.
 *
 * Under the alternative (GEN_genotypic_power_under_alternative) the
 * statistic is the quadratic form D' B D of the difference D of the groups'
 * genotype frequencies (two free components), B = RS/(R+S) diag(1/Pbar)
 * reduced to them, while D is normal with mean delta and the covariance
 * V = Sigma_case / R + Sigma_control / S of the two multinomials, not the
 * covariance under no association B^-1 the noncentral chi^2_2 assumes. With
 * V = L L' (Cholesky) and L' B L = Q diag(w1, w2) Q', the statistic is
 * w1 Y1^2 + w2 Y2^2, Y = Q' L^-1 D normal with unit variances and means
 * Q' L^-1 delta; its tail at -2 ln alpha is MTH_two_term_chi_square_upper
 * (numeric/quadratic_form.h). At V = B^-1 the weights are 1 and the
 * noncentrality the classic lambda. The two free classes are those other
 * than the most frequent pooled one, so that V's factor keeps its digits
 * when a class is rare (two copies of a rare allele). Accuracy: within 1e-9
 * relative of an independent reduction in long double on other classes
 * (tests/disease_model_test.cpp, GenotypeTests.TheGenotypicFormsReduction-
 * IsAnyClassesReduction), and of a 50-digit evaluation for frequencies
 * down to 1e-12 (TheGenotypicFormKeepsItsDigitsForARareHomozygote); the
 * tail itself to about 1e-13 (numeric/quadratic_form.h). (The quadratic
 * form of a normal vector under the alternative: J. P. Imhof, "Computing the distribution of
 * quadratic forms in normal variables", Biometrika 48, 419-426, 1961.)
 *
 * The allelic test on genotypes (GEN_allelic_power): the allelic statistic
 * on 2R and 2S allele draws, the difference of the risk-allele rates over
 * the error under no association (pooled: from the pooled rate; unpooled:
 * binomial at the groups' rates, as the Wald test estimates it), but with
 * the difference's variance under the alternative from each group's
 * genotypes, Var(X) / 4R + Var(X) / 4S with X a person's copies of the
 * allele, rather than binomial in alleles: a model other than the
 * multiplicative one moves the groups off Hardy-Weinberg proportions. The
 * two tails are arranged as the score tests' (below). Accuracy: within
 * 2e-9 + 1e-9 relative of a long-double evaluation with erfc, for levels
 * down to 1e-12 (GenotypeTests.TheAllelicPowerFromGenotypesMatchesItsDefinition).
 * A variance that underflows (frequencies within a few subnormals of 0)
 * gives not a number, for this test and the score tests.
 *
 * Domain: frequencies that each sum to 1, R and S positive, alpha in
 * [1e-12, 1). Unchecked (the study's questions check first); outside the
 * domain the answer is not a number or meaningless.
 * Reentrancy: pure functions; any thread. Usable from C and C++. */
#ifndef VANTOR_DISEASE_GENOTYPE_TESTS_H
#define VANTOR_DISEASE_GENOTYPE_TESTS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The tests of a study (STU_study.test). */
enum {
    GEN_ALLELIC = 0,   /* allele counts, two draws a person (the single-stage formula) */
    GEN_TREND = 1,     /* Cochran-Armitage, scores 0, 1, 2 */
    GEN_DOMINANT = 2,  /* scores 0, 1, 1 */
    GEN_RECESSIVE = 3, /* scores 0, 0, 1 */
    GEN_GENOTYPIC = 4  /* 2 x 3 chi-square, two degrees of freedom */
};

/* The genotype scores (0, 1, 2 copies) of the trend, dominant or recessive
 * test: writes them and returns 1; 0 for another test (nothing written). */
int32_t GEN_test_scores(int32_t test, double scores[3]);

/* Power of the trend, dominant or recessive test (`test`), with the pooled
 * (PWR_VARIANCE_POOLED) or unpooled variance under no association (`variance`).
 * Not a number for another test or variance. */
double GEN_score_test_power(int32_t test, const double cases[3], const double controls[3],
                            double case_count, double control_count, double alpha,
                            int32_t variance);

/* A 1-df test's normal statistic Z = (observed mean difference) / sqrt(V0):
 * under the alternative it is normal with mean delta / sqrt(V0) and standard
 * deviation sqrt(V1 / V0) (1 with the unpooled variance, where V0 = V1), so
 * that the power above is P(|Z| > c). The two-stage analyses take each
 * stage's Z so (docs/two_stage.md). */
typedef struct GEN_normal_statistic {
    double mean;
    double sd;
} GEN_normal_statistic;

/* The statistic of the trend, dominant or recessive test (`test`) with the
 * pooled or unpooled variance, for R = case_count cases and S =
 * control_count controls: writes it and returns 1; returns 0 and writes not
 * a number for another test or variance, or a variance that underflows. */
int32_t GEN_score_test_statistic(int32_t test, const double cases[3], const double controls[3],
                                 double case_count, double control_count, int32_t variance,
                                 GEN_normal_statistic *statistic);

/* The genotypic test's noncentrality lambda. */
double GEN_genotypic_noncentrality(const double cases[3], const double controls[3],
                                   double case_count, double control_count);

/* Power of the genotypic test: the classic noncentral chi^2_2. */
double GEN_genotypic_power(const double cases[3], const double controls[3], double case_count,
                           double control_count, double alpha);

/* Power of the genotypic test with the statistic's distribution under the
 * alternative (above). Not a number where the genotypes' covariance is not
 * positive definite (a class of frequency 0, or underflowing, in both
 * groups). */
double GEN_genotypic_power_under_alternative(const double cases[3], const double controls[3],
                                             double case_count, double control_count, double alpha);

/* Power of the allelic test with each group's variance from its genotypes
 * (above), the pooled or unpooled variance under no association
 * (`variance`); not a number for another variance. */
double GEN_allelic_power(const double cases[3], const double controls[3], double case_count,
                         double control_count, double alpha, int32_t variance);

#ifdef __cplusplus
}
#endif

#endif
