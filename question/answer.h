/* The answer to a request (question/ask.h): the record ASK_answer_request
 * fills, and the codes of the input "solve". A header of its own, so that
 * the description of records (question/records.h) can describe the answer
 * without depending on the requests that give it.
 *
 * Usable from C and C++. */
#ifndef VANTOR_QUESTION_ANSWER_H
#define VANTOR_QUESTION_ANSWER_H

#include <stdint.h>

#include "question/study.h"
#include "search/design.h"
#include "search/solve.h"
#include "status/status.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The words of "solve", as codes (REC_choice_code("solve", ...)). */
enum { ASK_SOLVE_POWER = 1, ASK_SOLVE_SIZE = 2, ASK_SOLVE_EFFECT = 3, ASK_SOLVE_DESIGN = 4 };

/* What the question answered with: one of the result records. */
typedef union ASK_result {
    STU_power_result power;
    STU_size_result size;
    SLV_effect_result effect;
    STU_risk_result risk;
    DSN_design_result design;
} ASK_result;

typedef struct ASK_answer {
    int32_t status;      /* VANTOR_FOUND ... VANTOR_INVALID_INPUT */
    int32_t reason;      /* VANTOR_REASON_*; ASK_message gives the words */
    int32_t question;    /* the question asked (REC_question_at's index); -1 if refused before */
    int32_t record;      /* REC_* of `result`; 0 when refused before a question was asked */
    int32_t input;       /* the input the reason names; -1 when none */
    int32_t other_input; /* a second input it names (an input given with another); -1 */
    int32_t direction;   /* the side of 1 of a detectable effect (STU_ABOVE_ONE ...); 0 */
    int32_t count;       /* the counting unit (VANTOR_COUNT_PEOPLE or VANTOR_COUNT_ALLELES) */
    int32_t calculation; /* how the power was calculated (STU_CALCULATION_CLASSIC ...) */
    int64_t controls;    /* the controls of cases at controls_per_case (study unit); 0 */
    double alpha;        /* the level the study took (given, or the default for the markers) */
    /* A simulated power (the input "replicates" given), of the study the
     * answer gives: its counts and, for a detectable effect, the effect
     * found. 0, 0, not a number and not a number when none was simulated. */
    int64_t replicates;     /* the studies simulated */
    int64_t seed;           /* the seed of their random numbers */
    double simulated_power; /* the share of them whose test rejected */
    double standard_error;  /* its binomial standard error */
    ASK_result result;      /* the record `record` describes; zero when none */
} ASK_answer;

#ifdef __cplusplus
}
#endif

#endif
