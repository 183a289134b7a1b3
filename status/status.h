/* The library's answers: the status of an answer, the reason codes and their
 * words, and the checks of every input a question takes. Every layer answers
 * with these, hence their prefix VANTOR_ (the old SLV_ names are aliases,
 * status/old_names.h).
 *
 * Every question the library answers with a search or a check (the solvers
 * of search/solve.h, the designs of search/design.h, the questions of
 * question/study.h) returns a status and fills a record whose `reason` says
 * why; VANTOR_message gives the words every program and binding shows. Invalid
 * input is refused with the first refused input's code before anything is
 * computed, by exactly the checks below, so a program or binding that checks
 * first shows the same words.
 *
 * Reentrancy: every function here is a pure function of its arguments (the
 * messages are static strings) and may be called from any thread. Usable
 * from C and C++. */
#ifndef VANTOR_STATUS_STATUS_H
#define VANTOR_STATUS_STATUS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Status of an answer (int32_t in records). */
enum {
    VANTOR_FOUND = 0,              /* the value is the answer */
    VANTOR_FOUND_WITH_WARNING = 1, /* the value is the answer; the reason warns */
    VANTOR_NOT_REACHABLE = 2,      /* no value reaches the target; the reason says why */
    VANTOR_INVALID_INPUT = 3       /* an input was refused; the reason names it */
};

/* Reason codes. The range a code lies in gives its status: 0 found, 10-29
 * warnings, 30-69 not reachable, 100-199 invalid input. Codes are never
 * renumbered; new ones are added within their range. */
enum {
    VANTOR_REASON_NONE = 0,

    /* Warnings. */
    VANTOR_REASON_FEW_EXPECTED_ALLELES = 10,
    VANTOR_REASON_UNEVEN_ROUNDING = 11,
    VANTOR_REASON_JOINT_UNBALANCED = 12, /* no longer given: the joint analysis is exact */
    VANTOR_REASON_FEW_EXPECTED_GENOTYPES = 13,
    VANTOR_REASON_NOT_SIMULATED = 14,

    /* Not reachable. */
    VANTOR_REASON_LEVELS_OFF_WITH_GROUP_FIXED = 30,
    VANTOR_REASON_BEYOND_LARGEST_COUNT = 31,
    VANTOR_REASON_LEVELS_OFF_WITH_EFFECT = 32,
    VANTOR_REASON_POWER_TOO_IRREGULAR = 33,
    VANTOR_REASON_BUDGET_TOO_SMALL = 34,
    VANTOR_REASON_POWER_NOT_COMPUTABLE = 35,
    VANTOR_REASON_LEVELS_OFF_WITH_RISK = 36,
    VANTOR_REASON_CASES_AVAILABLE_TOO_FEW = 37,
    VANTOR_REASON_CONTROLS_AVAILABLE_TOO_FEW = 38,
    VANTOR_REASON_PANEL_TOO_SMALL = 39,

    /* Invalid input. */
    VANTOR_REASON_BAD_CASES = 100,
    VANTOR_REASON_BAD_CONTROLS = 101,
    VANTOR_REASON_BAD_CONTROL_RATE = 102,
    VANTOR_REASON_BAD_ALPHA = 103,
    VANTOR_REASON_BAD_ODDS_RATIO = 104,
    VANTOR_REASON_BAD_TARGET_POWER = 105,
    VANTOR_REASON_BAD_RATIO = 106,
    VANTOR_REASON_BAD_COUNT = 107,
    VANTOR_REASON_BAD_METHOD = 108,
    VANTOR_REASON_BAD_STAGE1_SHARE = 109,
    VANTOR_REASON_BAD_CASE_FRACTION = 110,
    VANTOR_REASON_BAD_STAGE1_ALPHA = 111,
    VANTOR_REASON_BAD_COST_RATIO = 112,
    VANTOR_REASON_BAD_BUDGET = 113,
    VANTOR_REASON_BAD_DESIGN_ALPHA = 114,
    VANTOR_REASON_BAD_VARIANCE = 115,
    VANTOR_REASON_BAD_STUDY_SIZE = 116,
    VANTOR_REASON_BAD_EFFECT_KIND = 117,
    VANTOR_REASON_BAD_DIRECTION = 118,
    VANTOR_REASON_BAD_FREQUENCY = 119,
    VANTOR_REASON_BAD_PREVALENCE = 120,
    VANTOR_REASON_BAD_MODEL = 121,
    VANTOR_REASON_BAD_RELATIVE_RISK = 122,
    VANTOR_REASON_RISK_ABOVE_ONE = 123,
    VANTOR_REASON_NEGATIVE_RISK = 124,
    VANTOR_REASON_BAD_CONTROLS_KIND = 125,
    VANTOR_REASON_BAD_LD_KIND = 126,
    VANTOR_REASON_BAD_MARKER_FREQUENCY = 127,
    VANTOR_REASON_BAD_LD = 128,
    VANTOR_REASON_LD_BEYOND_FREQUENCIES = 129,
    VANTOR_REASON_BAD_TEST = 130,
    VANTOR_REASON_TEST_NEEDS_MODEL = 131,
    VANTOR_REASON_GENOTYPE_TEST_COUNTS_PEOPLE = 132,
    VANTOR_REASON_GENOTYPIC_ONE_STATISTIC = 133,
    VANTOR_REASON_BAD_MARKERS = 134,
    VANTOR_REASON_BAD_MARKER_ALPHA = 135,
    VANTOR_REASON_NO_SINGLE_RISK = 136,
    VANTOR_REASON_TWO_STAGES_NEED_ALLELIC = 137, /* no longer given: two stages take the
                                                    1-df genotype tests too */
    VANTOR_REASON_NO_EFFECT = 138,
    VANTOR_REASON_MARKER_WITHOUT_LD = 139,

    /* A request (question/ask.h) that cannot be answered as it is: its words
     * (VANTOR_message) name inputs in braces, "{target_power}", which
     * ASK_message spells as the caller does. */
    VANTOR_REASON_MISSING_INPUT = 140,
    VANTOR_REASON_MISSING_EFFECT = 141,
    VANTOR_REASON_MISSING_OR_OPEN = 142,
    VANTOR_REASON_MISSING_CONTROLS = 143,
    VANTOR_REASON_MISSING_FREE_RISK = 144,
    VANTOR_REASON_MISSING_ODDS_RATIO = 145,
    VANTOR_REASON_MISSING_STAGE_COUNT = 146,
    VANTOR_REASON_TWO_EFFECTS = 147,
    VANTOR_REASON_TWO_LD_INPUTS = 148,
    VANTOR_REASON_MARKER_FREQUENCY_WITHOUT_LD = 149,
    VANTOR_REASON_RISK_OF_ONE_PARAMETER_MODEL = 150,
    VANTOR_REASON_RISK_OF_FREE_MODEL = 151,
    VANTOR_REASON_TWO_PARTNERS = 152,
    VANTOR_REASON_RATIO_SOLVES_BOTH = 153,
    VANTOR_REASON_DIRECTION_OF_ODDS_RATIO = 154,
    VANTOR_REASON_DIRECTION_OF_RISK = 155,
    VANTOR_REASON_LEAVE_ONE_OPEN = 156,
    VANTOR_REASON_COUNTS_AND_TOTAL = 157,
    VANTOR_REASON_TOTAL_OR_TARGET = 158,
    VANTOR_REASON_TARGET_OR_BUDGET = 159,
    /* Refusals of a value of a request's input. */
    VANTOR_REASON_SMALLEST_TOTAL_COST = 170, /* no longer given: the smallest total takes costs */
    VANTOR_REASON_STAGE_GROUP_EMPTY = 171,
    VANTOR_REASON_BAD_SOLVE = 172,
    VANTOR_REASON_BAD_STAGES = 173,
    VANTOR_REASON_SOLVE_MISMATCH = 174,
    VANTOR_REASON_INPUT_NOT_READ = 175,
    VANTOR_REASON_BAD_CALCULATION = 176,
    VANTOR_REASON_GENOTYPES_NEED_MODEL = 177,
    VANTOR_REASON_TWO_STAGES_ARE_CLASSIC = 178,
    VANTOR_REASON_BAD_REPLICATES = 179,
    VANTOR_REASON_BAD_SEED = 180,
    VANTOR_REASON_SEED_WITHOUT_REPLICATES = 181,
    VANTOR_REASON_BAD_AVAILABLE = 182,
    VANTOR_REASON_BAD_PANEL = 183,
    VANTOR_REASON_BAD_MONEY = 184,
    VANTOR_REASON_COSTS_TWO_WAYS = 185,
    VANTOR_REASON_MONEY_COUNTS_PEOPLE = 186,
    VANTOR_REASON_PLAN_NEEDS_MARKERS = 187,
    VANTOR_REASON_LIMITS_NOT_READ = 188,
    VANTOR_REASON_GENOTYPIC_ONE_STAGE = 189,
    VANTOR_REASON_BAD_GENOTYPES = 190
};

/* Counting units of the size solvers: allele draws per counted unit. */
enum { VANTOR_COUNT_ALLELES = 1, VANTOR_COUNT_PEOPLE = 2 };

/* The largest count of a group, in allele draws (the 32-bit range). */
#define VANTOR_LARGEST_COUNT 2147483647

/* Expected copies of an allele, or people of a genotype class a test tells
 * apart, in a group below which an answer is flagged. */
#define VANTOR_FEW_EXPECTED_ALLELES 5.0

/* The message for a reason code: one sentence in plain words, no final full
 * stop, in static storage (never freed, never changed). An unknown code gives
 * "unknown reason code". The table is in status.cpp; every program and
 * binding shows these words. */
const char *VANTOR_message(int32_t reason);

/* The status a reason code belongs to (see the ranges above);
 * VANTOR_INVALID_INPUT for an unknown code. */
int32_t VANTOR_status_of_reason(int32_t reason);

/* A short name for a status: "found", "found with a warning", "not
 * reachable", "invalid input"; "unknown status" otherwise. */
const char *VANTOR_status_name(int32_t status);

/* ---- Input checks -------------------------------------------------------
 * Each returns VANTOR_REASON_NONE for an acceptable value, else the code whose
 * message names the input and what it must be. The solvers run exactly these
 * checks, so a program or binding that checks first shows the same words. */

/* What every count counts, `count`: VANTOR_COUNT_ALLELES or
 * VANTOR_COUNT_PEOPLE (its value is the allele draws one counted unit is). */
int32_t VANTOR_check_count(int32_t count);

/* A number of cases (controls) counted as `count` says: at least 1, and
 * its allele draws within VANTOR_LARGEST_COUNT. An invalid `count` gives
 * VANTOR_REASON_BAD_COUNT. */
int32_t VANTOR_check_cases(int64_t cases, int32_t count);
int32_t VANTOR_check_controls(int64_t controls, int32_t count);

/* Risk-allele rate among controls: strictly between 0 and 1. */
int32_t VANTOR_check_control_rate(double control_rate);

/* Two-sided significance level: from 1e-12 up to, not including, 1. */
int32_t VANTOR_check_alpha(double alpha);

/* An odds ratio that is an effect: finite, positive and not 1. */
int32_t VANTOR_check_odds_ratio(double odds_ratio);

/* Target power: above the level `alpha` and below 1. Checks only the power;
 * check the level first. */
int32_t VANTOR_check_target_power(double target_power, double alpha);

/* The test statistic's variance under no association: PWR_VARIANCE_POOLED
 * or PWR_VARIANCE_UNPOOLED (power/statistic.h). */
int32_t VANTOR_check_variance(int32_t variance);

/* Ratio of the partner group to the searched group (controls per case, or
 * cases per control): finite, positive, and the partners of one unit,
 * rounded as the ratio solvers round them, within VANTOR_LARGEST_COUNT,
 * counted as `count` says. An invalid `count` gives VANTOR_REASON_BAD_COUNT. */
int32_t VANTOR_check_ratio(double ratio, int32_t count);

/* The few-expected-alleles warning: VANTOR_REASON_FEW_EXPECTED_ALLELES when the
 * expected number of copies of either allele is below
 * VANTOR_FEW_EXPECTED_ALLELES in either group (`cases` and `controls` allele
 * draws at the given risk-allele rates), where the normal approximation
 * behind a power is doubtful; VANTOR_REASON_NONE otherwise. */
int32_t VANTOR_check_expected_alleles(int64_t cases, int64_t controls, double case_rate,
                                      double control_rate);

#ifdef __cplusplus
}
#endif

#ifndef VANTOR_NO_OLD_NAMES
#include "status/old_names.h"
#endif

#endif
