/* A disease model: what a risk allele does to the risk of disease, and what
 * a case-control study then sees at a genotyped marker.
 *
 * The population is in Hardy-Weinberg equilibrium. The risk allele has
 * frequency p (q = 1 - p), so 0, 1 and 2 copies have frequencies
 * P(g) = (q^2, 2pq, p^2). The disease has prevalence K. Carrying g copies
 * multiplies the risk by the genotype relative risk RR_g, with RR_0 = 1:
 *
 *   multiplicative  (1, r, r^2)      additive   (1, r, 2r - 1)
 *   dominant        (1, r, r)        recessive  (1, 1, r)
 *   free            (1, r1, r2)
 *
 * The penetrances (risks of disease) are f_g = f_0 RR_g with
 * f_0 = K / sum_g P(g) RR_g, so that the population's risk is K. Cases have
 * genotype g with probability P(g) f_g / K. Controls are unaffected people,
 * P(g) (1 - f_g) / (1 - K), or, on request, the population unscreened,
 * P(g) (what unaffected controls tend to as K -> 0).
 *
 * The marker. By default the marker genotyped is the causal variant.
 * Otherwise the marker allele has frequency m (not a number: m = p) and is
 * in linkage disequilibrium with the risk allele, coupled to it, given as
 * D' in [0, 1], D = D' D_max with D_max = min(p (1 - m), (1 - p) m), or as
 * r^2, D = sqrt(r^2 p (1 - p) m (1 - m)), which must not pass D_max.
 * Haplotypes have frequencies (risk allele with marker allele) pm + D,
 * (risk, other) p(1 - m) - D, (other, marker) (1 - p)m - D and (other,
 * other) (1 - p)(1 - m) + D; a person is a random pair of haplotypes, and
 * the marker's genotype frequencies in cases and controls are the
 * penetrance-weighted sums over the pairs. D' = 1 with m = p makes the marker
 * the causal variant (to rounding).
 *
 * Reentrancy: pure functions of their arguments; any thread. Usable from C
 * and C++. */
#ifndef VANTOR_DISEASE_DISEASE_MODEL_H
#define VANTOR_DISEASE_DISEASE_MODEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Genetic models (the genotype relative risks above). */
enum {
    DIS_MULTIPLICATIVE = 1,
    DIS_ADDITIVE = 2,
    DIS_DOMINANT = 3,
    DIS_RECESSIVE = 4,
    DIS_FREE = 5
};

/* Who the controls are. */
enum {
    DIS_UNAFFECTED_CONTROLS = 1, /* people without the disease (the default) */
    DIS_POPULATION_CONTROLS = 2  /* people of the population, unscreened */
};

/* How the marker's linkage disequilibrium with the risk allele is given. */
enum {
    DIS_MARKER_IS_CAUSAL = 0, /* the marker is the causal variant (the default) */
    DIS_LD_D_PRIME = 1,       /* `ld` is D' */
    DIS_LD_R_SQUARED = 2      /* `ld` is r^2 */
};

typedef struct DIS_model {
    double frequency;         /* p, the risk allele's frequency in the population, in (0, 1) */
    double prevalence;        /* K, in (0, 1) */
    int32_t model;            /* DIS_MULTIPLICATIVE ... DIS_FREE */
    int32_t controls_kind;    /* DIS_UNAFFECTED_CONTROLS or DIS_POPULATION_CONTROLS */
    double relative_risk;     /* r of the one-parameter models, positive */
    double heterozygote_risk; /* r1 of the free model, positive */
    double homozygote_risk;   /* r2 of the free model, positive */
    int32_t ld_kind;          /* DIS_MARKER_IS_CAUSAL, DIS_LD_D_PRIME or DIS_LD_R_SQUARED */
    int32_t reserved;         /* 0 */
    double marker_frequency;  /* m in (0, 1); not a number: m = p */
    double ld;                /* D' in [0, 1] or r^2 in [0, 1] */
} DIS_model;

/* What the study sees at the marker: genotype frequencies (0, 1, 2 copies of
 * the marker allele coupled to the risk allele) among cases and controls,
 * the allele rates they give and the allelic odds ratio those imply. */
typedef struct DIS_marker {
    double cases[3];
    double controls[3];
    double case_rate;    /* cases[1] / 2 + cases[2] */
    double control_rate; /* controls[1] / 2 + controls[2] */
    double odds_ratio;   /* case_rate (1 - control_rate) / (control_rate (1 - case_rate)) */
} DIS_marker;

/* A model with the defaults: multiplicative, unaffected controls, the marker
 * the causal variant; frequency, prevalence and risks not a number (to be
 * given). */
void DIS_model_init(DIS_model *model);

/* The model's checks, in this order: frequency, prevalence, model, controls,
 * relative risks (positive and finite; every genotype's relative risk
 * positive, so the additive model's r above 1/2, VANTOR_REASON_NEGATIVE_RISK),
 * the penetrances (none above 1, VANTOR_REASON_RISK_ABOVE_ONE), the marker (its
 * kind, frequency and D' or r^2, r^2 within what the frequencies allow), then
 * association: a marker with D' or r^2 of 0 (VANTOR_REASON_MARKER_WITHOUT_LD)
 * and last relative risks of 1 (the free model's both 1,
 * VANTOR_REASON_NO_EFFECT) carry none, and no test could find it.
 * VANTOR_REASON_NONE or the first refusal's reason (status/status.h). */
int32_t DIS_check_model(const DIS_model *model);

/* The genotype relative risks (1, RR_1, RR_2) of the model's relative
 * risk(s). Unchecked. */
void DIS_relative_risks(const DIS_model *model, double relative_risks[3]);

/* The penetrances f_0, f_1, f_2. Unchecked. */
void DIS_penetrances(const DIS_model *model, double penetrances[3]);

/* What the study sees at the marker. Returns the model's check; on a refusal
 * every value is not a number. */
int32_t DIS_marker_of(const DIS_model *model, DIS_marker *marker);

#ifdef __cplusplus
}
#endif

#endif
