/* The study record and the records of its answers: what question/study.h's
 * questions read and write, in a header of its own so that the library's
 * helpers below those questions can take the records without depending on
 * the questions. Callers include question/study.h, which includes this.
 *
 * Usable from C and C++. */
#ifndef VANTOR_QUESTION_STUDY_RECORD_H
#define VANTOR_QUESTION_STUDY_RECORD_H

#include <stdint.h>

#include "disease/disease_model.h"
#include "search/plan.h"
#include "search/solve.h"
#include "status/status.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Kinds of effect description. */
enum {
    STU_EFFECT_ALLELIC = 1, /* an allelic odds ratio and the control rate */
    STU_EFFECT_DISEASE = 2  /* a disease model (disease/disease_model.h) */
};

/* An effect given as the allelic odds ratio of cases against controls and
 * the risk-allele rate among controls. */
typedef struct STU_allelic_effect {
    double odds_ratio;   /* positive, finite, not 1 */
    double control_rate; /* in (0, 1) */
} STU_allelic_effect;

/* One study. Start from STU_study_init. */
typedef struct STU_study {
    int32_t size;        /* sizeof(STU_study) as the caller was compiled */
    int32_t effect_kind; /* STU_EFFECT_ALLELIC */
    union {
        STU_allelic_effect allelic;
        DIS_model disease;
    } effect;
    int32_t variance; /* PWR_VARIANCE_POOLED (default) or _UNPOOLED */
    int32_t count;    /* VANTOR_COUNT_PEOPLE (default) or VANTOR_COUNT_ALLELES */
    double alpha;     /* the (overall) two-sided level, from 1e-12 to below 1 */
    /* Two stages only. */
    int32_t method;       /* PWR_METHOD_REPLICATION, _PRODUCT or _JOINT */
    double stage1_alpha;  /* the first stage's level (not read by the design searches) */
    double case_fraction; /* the cases' share of each stage, in (0, 1); default 0.5 */
    /* The test (GEN_ALLELIC, the default, ... GEN_GENOTYPIC): the others
     * need a disease model and count people. Single stage only. */
    int32_t test;
    /* The number of markers tested, or the effective number of independent
     * tests (often estimated, so any real M >= 1; default 1): the test runs
     * at the level alpha / M, the per-marker level (Bonferroni); alpha is
     * then the study-wide level. Single stage only. */
    double markers;
    /* How the power is calculated (STU_CALCULATION_*): from the genotypes'
     * own distributions, or by the classic formulas. Single stage only. */
    int32_t calculation;
    /* Two-stage designs (search/plan.h). Costs in money (costs.cost_ratio
     * is not read: the questions take the cost ratio as an argument), the
     * people available (0: not limited), the largest stage 2 panel (0:
     * none), a stage 1 level and share the design searches keep (not a
     * number: they search it; stage1_alpha is not theirs), and whether they
     * search each stage's case fraction (1) or take case_fraction for both
     * (0). The panel and the assays count `markers`. */
    DSN_costs costs;
    int64_t cases_available;
    int64_t controls_available;
    int64_t stage_controls_available[2];
    double panel;
    double fixed_stage1_alpha;
    double fixed_stage1_share;
    int32_t per_stage_fractions;
} STU_study;

/* How a power is calculated, the values of STU_study.calculation.
 *  - STU_CALCULATION_BY_STUDY (0, the default): genotypes for a disease model
 *    counting people, classic otherwise.
 *  - STU_CALCULATION_CLASSIC: the classic formulas, the numbers the published
 *    tools give: the allelic test's variance under the alternative binomial
 *    in alleles, the genotypic test's noncentral chi-square with the
 *    covariance under no association.
 *  - STU_CALCULATION_GENOTYPES: each group's variance from its genotype
 *    distribution (disease/genotype_tests.h); needs a disease model and
 *    counts of people. The trend, dominant and recessive tests already take
 *    the alternative's variance and answer the same either way. */
enum { STU_CALCULATION_BY_STUDY = 0, STU_CALCULATION_CLASSIC = 1, STU_CALCULATION_GENOTYPES = 2 };

/* The significance level a study starts with: genome-wide significance, the
 * level association studies of many markers test at. Every front end takes
 * it as its default. */
#define STU_DEFAULT_ALPHA 5e-8

/* ---- Results ------------------------------------------------------------ */

/* Every single-stage answer shows what the test sees at the marker: the
 * per-marker level alpha / M, the risk-allele rates among cases and
 * controls and the allelic odds ratio they imply (for an allelic effect,
 * the case rate its odds ratio gives and the study's own rate and odds
 * ratio); not a number when the study was refused. */
typedef struct STU_power_result {
    int32_t status;             /* VANTOR_FOUND ... VANTOR_INVALID_INPUT */
    int32_t reason;             /* VANTOR_REASON_*; the words: VANTOR_message(reason) */
    double power;               /* not a number unless found */
    double marker_alpha;        /* the per-marker level */
    double marker_case_rate;    /* risk-allele rate among cases at the marker */
    double marker_control_rate; /* risk-allele rate among controls at the marker */
    double marker_odds_ratio;   /* the allelic odds ratio the rates imply */
} STU_power_result;

typedef struct STU_size_result {
    int32_t status;      /* VANTOR_FOUND ... VANTOR_INVALID_INPUT */
    int32_t reason;      /* VANTOR_REASON_*; the words: VANTOR_message(reason) */
    int64_t cases;       /* in the study's unit; 0 unless found */
    int64_t controls;    /* in the study's unit; 0 unless found */
    double power;        /* power of (cases, controls); not a number unless found */
    int32_t evaluations; /* power evaluations spent */
    double marker_alpha; /* as in STU_power_result */
    double marker_case_rate;
    double marker_control_rate;
    double marker_odds_ratio;
} STU_size_result;

/* A detectable relative risk. */
typedef struct STU_risk_result {
    int32_t status;       /* VANTOR_FOUND ... VANTOR_INVALID_INPUT */
    int32_t reason;       /* VANTOR_REASON_*; the words: VANTOR_message(reason) */
    double relative_risk; /* the answer; not a number unless found */
    double power;         /* power at relative_risk; not a number unless found */
    int32_t evaluations;  /* power evaluations spent, at most 64 */
    double marker_alpha;  /* as in STU_power_result, at relative_risk */
    double marker_case_rate;
    double marker_control_rate;
    double marker_odds_ratio;
} STU_risk_result;

/* Direction of a detectable odds ratio. */
enum { STU_ABOVE_ONE = 1, STU_BELOW_ONE = -1 };

#ifdef __cplusplus
}
#endif

#endif
