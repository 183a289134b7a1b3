/* The library's answers: the status of an answer, the reason codes and their
 * words, and the checks of every input a question takes.
 *
 * Every question the library answers with a search or a check (the solvers
 * of search/solve.h, the designs of search/design.h, the questions of
 * question/study.h) returns a status and fills a record whose `reason` says
 * why; SLV_message gives the words every program and binding shows. Invalid
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

/* Status of a solver's answer (int32_t in records). */
enum {
    SLV_FOUND = 0,              /* the value is the answer */
    SLV_FOUND_WITH_WARNING = 1, /* the value is the answer; the reason warns */
    SLV_NOT_REACHABLE = 2,      /* no value reaches the target; the reason says why */
    SLV_INVALID_INPUT = 3       /* an input was refused; the reason names it */
};

/* Reason codes. The range a code lies in gives its status: 0 found, 10-29
 * warnings, 30-69 not reachable, 100-199 invalid input. Codes are never
 * renumbered; new ones are added within their range. */
enum {
    SLV_REASON_NONE = 0,

    /* Warnings. */
    SLV_REASON_FEW_EXPECTED_ALLELES = 10,
    SLV_REASON_UNEVEN_ROUNDING = 11,
    SLV_REASON_JOINT_UNBALANCED = 12, /* no longer given: the joint analysis is exact */

    /* Not reachable. */
    SLV_REASON_LEVELS_OFF_WITH_GROUP_FIXED = 30,
    SLV_REASON_BEYOND_LARGEST_COUNT = 31,
    SLV_REASON_LEVELS_OFF_WITH_EFFECT = 32,
    SLV_REASON_POWER_TOO_IRREGULAR = 33,
    SLV_REASON_BUDGET_TOO_SMALL = 34,
    SLV_REASON_POWER_NOT_COMPUTABLE = 35,
    SLV_REASON_LEVELS_OFF_WITH_RISK = 36,

    /* Invalid input. */
    SLV_REASON_BAD_CASES = 100,
    SLV_REASON_BAD_CONTROLS = 101,
    SLV_REASON_BAD_CONTROL_RATE = 102,
    SLV_REASON_BAD_ALPHA = 103,
    SLV_REASON_BAD_ODDS_RATIO = 104,
    SLV_REASON_BAD_TARGET_POWER = 105,
    SLV_REASON_BAD_RATIO = 106,
    SLV_REASON_BAD_UNIT = 107,
    SLV_REASON_BAD_METHOD = 108,
    SLV_REASON_BAD_STAGE0_SHARE = 109,
    SLV_REASON_BAD_CASE_FRACTION = 110,
    SLV_REASON_BAD_STAGE0_ALPHA = 111,
    SLV_REASON_BAD_COST_RATIO = 112,
    SLV_REASON_BAD_BUDGET = 113,
    SLV_REASON_BAD_DESIGN_ALPHA = 114,
    SLV_REASON_BAD_STATISTIC = 115,
    SLV_REASON_BAD_STUDY_SIZE = 116,
    SLV_REASON_BAD_EFFECT_KIND = 117,
    SLV_REASON_BAD_DIRECTION = 118,
    SLV_REASON_BAD_FREQUENCY = 119,
    SLV_REASON_BAD_PREVALENCE = 120,
    SLV_REASON_BAD_MODEL = 121,
    SLV_REASON_BAD_RELATIVE_RISK = 122,
    SLV_REASON_RISK_ABOVE_ONE = 123,
    SLV_REASON_NEGATIVE_RISK = 124,
    SLV_REASON_BAD_CONTROLS_KIND = 125,
    SLV_REASON_BAD_LD_KIND = 126,
    SLV_REASON_BAD_MARKER_FREQUENCY = 127,
    SLV_REASON_BAD_LD = 128,
    SLV_REASON_LD_BEYOND_FREQUENCIES = 129,
    SLV_REASON_BAD_TEST = 130,
    SLV_REASON_TEST_NEEDS_MODEL = 131,
    SLV_REASON_GENOTYPE_TEST_COUNTS_PEOPLE = 132,
    SLV_REASON_GENOTYPIC_ONE_STATISTIC = 133,
    SLV_REASON_BAD_MARKERS = 134,
    SLV_REASON_BAD_MARKER_ALPHA = 135,
    SLV_REASON_NO_SINGLE_RISK = 136,
    SLV_REASON_TWO_STAGES_NEED_ALLELIC = 137,
    SLV_REASON_NO_EFFECT = 138,
    SLV_REASON_MARKER_WITHOUT_LD = 139,

    /* A request (question/ask.h) that cannot be answered as it is: its words
     * (SLV_message) name inputs in braces, "{target_power}", which
     * ASK_message spells as the caller does. */
    SLV_REASON_MISSING_INPUT = 140,
    SLV_REASON_MISSING_EFFECT = 141,
    SLV_REASON_MISSING_OR_OPEN = 142,
    SLV_REASON_MISSING_CONTROLS = 143,
    SLV_REASON_MISSING_FREE_RISK = 144,
    SLV_REASON_MISSING_ODDS_RATIO = 145,
    SLV_REASON_MISSING_STAGE_COUNT = 146,
    SLV_REASON_TWO_EFFECTS = 147,
    SLV_REASON_TWO_LD_INPUTS = 148,
    SLV_REASON_MARKER_FREQUENCY_WITHOUT_LD = 149,
    SLV_REASON_RISK_OF_ONE_PARAMETER_MODEL = 150,
    SLV_REASON_RISK_OF_FREE_MODEL = 151,
    SLV_REASON_TWO_PARTNERS = 152,
    SLV_REASON_RATIO_SOLVES_BOTH = 153,
    SLV_REASON_DIRECTION_OF_ODDS_RATIO = 154,
    SLV_REASON_DIRECTION_OF_RISK = 155,
    SLV_REASON_LEAVE_ONE_OPEN = 156,
    SLV_REASON_COUNTS_AND_TOTAL = 157,
    SLV_REASON_TOTAL_OR_TARGET = 158,
    SLV_REASON_TARGET_OR_BUDGET = 159,
    /* Refusals of a value of a request's input. */
    SLV_REASON_SMALLEST_TOTAL_COST = 170,
    SLV_REASON_STAGE_GROUP_EMPTY = 171,
    SLV_REASON_BAD_SOLVE = 172,
    SLV_REASON_BAD_STAGES = 173,
    SLV_REASON_SOLVE_MISMATCH = 174,
    SLV_REASON_INPUT_NOT_READ = 175,

    /* The same codes under the names people read: stages are numbered 1 and
     * 2 for people (the C arrays keep index 0 for stage 1). REC_reason_name
     * gives these names. */
    SLV_REASON_BAD_STAGE1_SHARE = SLV_REASON_BAD_STAGE0_SHARE,
    SLV_REASON_BAD_STAGE1_ALPHA = SLV_REASON_BAD_STAGE0_ALPHA
};

/* Counting units of the size solvers: allele draws per counted unit. */
enum { SLV_UNIT_ALLELES = 1, SLV_UNIT_PEOPLE = 2 };

/* The largest count of a group, in allele draws (the 32-bit range). */
#define SLV_LARGEST_COUNT 2147483647

/* Expected copies of an allele in a group below which an answer is flagged. */
#define SLV_FEW_EXPECTED_ALLELES 5.0

/* The message for a reason code: one sentence in plain words, no final full
 * stop, in static storage (never freed, never changed). An unknown code gives
 * "unknown reason code". The table is in status.cpp; every program and
 * binding shows these words. */
const char *SLV_message(int32_t reason);

/* The status a reason code belongs to (see the ranges above);
 * SLV_INVALID_INPUT for an unknown code. */
int32_t SLV_status_of_reason(int32_t reason);

/* A short name for a status: "found", "found with a warning", "not
 * reachable", "invalid input"; "unknown status" otherwise. */
const char *SLV_status_name(int32_t status);

/* ---- Input checks -------------------------------------------------------
 * Each returns SLV_REASON_NONE for an acceptable value, else the code whose
 * message names the input and what it must be. The solvers run exactly these
 * checks, so a program or binding that checks first shows the same words. */

/* `unit` is SLV_UNIT_ALLELES or SLV_UNIT_PEOPLE. */
int32_t SLV_check_unit(int32_t unit);

/* A count of cases (controls) in `unit`s: at least 1, and `count * unit`
 * within SLV_LARGEST_COUNT. An invalid unit gives SLV_REASON_BAD_UNIT. */
int32_t SLV_check_cases(int64_t count, int32_t unit);
int32_t SLV_check_controls(int64_t count, int32_t unit);

/* Risk-allele rate among controls: strictly between 0 and 1. */
int32_t SLV_check_control_rate(double control_rate);

/* Two-sided significance level: from 1e-12 up to, not including, 1. */
int32_t SLV_check_alpha(double alpha);

/* An odds ratio that is an effect: finite, positive and not 1. */
int32_t SLV_check_odds_ratio(double odds_ratio);

/* Target power: above the level `alpha` and below 1. Checks only the power;
 * check the level first. */
int32_t SLV_check_target_power(double target_power, double alpha);

/* The test's statistic: PWR_STATISTIC_POOLED or PWR_STATISTIC_UNPOOLED
 * (power/statistic.h). */
int32_t SLV_check_statistic(int32_t statistic);

/* Ratio of the partner group to the searched group (controls per case, or
 * cases per control): finite, positive, and the partners of one unit,
 * rounded as the ratio solvers round them, within SLV_LARGEST_COUNT. An
 * invalid unit gives SLV_REASON_BAD_UNIT. */
int32_t SLV_check_ratio(double ratio, int32_t unit);

/* The few-expected-alleles warning: SLV_REASON_FEW_EXPECTED_ALLELES when the
 * expected number of copies of either allele is below
 * SLV_FEW_EXPECTED_ALLELES in either group (`cases` and `controls` allele
 * draws at the given risk-allele rates), where the normal approximation
 * behind a power is doubtful; SLV_REASON_NONE otherwise. */
int32_t SLV_check_expected_alleles(int64_t cases, int64_t controls, double case_rate,
                                   double control_rate);

#ifdef __cplusplus
}
#endif

#endif
