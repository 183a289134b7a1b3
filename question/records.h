/* What the library's records and questions hold, described once, for the
 * programs and bindings that lay them out.
 *
 * Every person-facing front end (the `vantor` program, the Python module,
 * the R package, the page) names a value as docs/glossary.md does. Rather
 * than each front end mapping a record's fields to those names by hand, the
 * library describes here, in one table per record (records.cpp):
 *
 *   - each field of the study record and of the result records: its
 *     person-facing name, its C type, its byte offset, its kind (a count in
 *     the study's unit, a status, a reason code, a choice, a plain number),
 *     its unit and its meaning. Per-stage arrays are described element by
 *     element, stages numbered from 1 for people ("stage1_cases" is
 *     cases[0]);
 *   - each question of question/study.h: its name, the study fields it reads,
 *     its own arguments (in the order of the C function) and its record;
 *   - the words of each choice (method, variance, count, direction) and
 *     their codes;
 *   - each reason code's name ("BAD_CASES").
 *
 * A binding lays out its records from REC_field (ctypes classes, the R
 * glue's columns, the page's fields by name) and checks that its layout
 * covers the record: REC_record_size is the record's sizeof. A test in the
 * library checks that the described fields tile each record (no field left
 * out, none overlapping), so a field added to a record and not here fails.
 *
 * Every string is static (never freed, never changed). Every function is a
 * pure function of its arguments and may be called from any thread. Usable
 * from C and C++. */
#ifndef VANTOR_QUESTION_RECORDS_H
#define VANTOR_QUESTION_RECORDS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The described records. */
enum {
    REC_STUDY = 1,         /* STU_study */
    REC_POWER_RESULT = 2,  /* STU_power_result */
    REC_SIZE_RESULT = 3,   /* STU_size_result */
    REC_EFFECT_RESULT = 4, /* SLV_effect_result */
    REC_DESIGN_RESULT = 5, /* DSN_design_result */
    REC_RISK_RESULT = 6,   /* STU_risk_result */
    REC_DISEASE_MODEL = 7, /* DIS_model, the disease-model effect of a study */
    /* The head of ASK_answer (question/ask.h): its size is the offset of the
     * answer's result, which the answer's `record` describes. */
    REC_ANSWER = 8
};

/* The study's effect is a union that starts where its `odds_ratio` field
 * does: an allelic effect (effect_kind 1) is the study's odds_ratio and
 * control_rate; a disease model (effect_kind 2) is a DIS_model there, its
 * fields described by REC_DISEASE_MODEL from the model's own start. */

/* C types of fields. */
enum { REC_INT32 = 1, REC_INT64 = 2, REC_DOUBLE = 3 };

/* What a field holds. */
enum {
    REC_KIND_NUMBER = 0,  /* a plain number (a rate, a level, a power, a cost) */
    REC_KIND_COUNT = 1,   /* a count in the study's unit (people or alleles) */
    REC_KIND_STATUS = 2,  /* an SLV_* status: VANTOR_status_name gives its words */
    REC_KIND_REASON = 3,  /* an VANTOR_REASON_* code: VANTOR_message, REC_reason_name */
    REC_KIND_CHOICE = 4,  /* a code among the words of REC_choice_word */
    REC_KIND_INTERNAL = 5 /* the record's bookkeeping (its size, the effect's kind) */
};

typedef struct REC_field {
    const char *name;    /* the glossary's name, e.g. "stage1_cases" */
    int32_t type;        /* REC_INT32, REC_INT64 or REC_DOUBLE */
    int32_t offset;      /* bytes from the start of the record */
    int32_t kind;        /* REC_KIND_* */
    const char *unit;    /* e.g. "people or alleles", "probability", "" */
    const char *meaning; /* one sentence, no final full stop */
} REC_field;

/* The record's C name ("STU_size_result"); NULL for an unknown record. */
const char *REC_record_name(int32_t record);

/* sizeof the record as the library was compiled; -1 for an unknown record. */
int32_t REC_record_size(int32_t record);

/* The number of described fields; -1 for an unknown record. */
int32_t REC_field_count(int32_t record);

/* The index-th field (from 0) in the record's order; NULL outside. */
const REC_field *REC_field_at(int32_t record, int32_t index);

/* The field of that name; NULL if the record has none. */
const REC_field *REC_field_named(int32_t record, const char *name);

/* How a table for people rounds a result field, so that a rounded answer
 * used again still reaches what it was solved for. */
enum {
    REC_ROUND_NEAREST = 0,      /* any other value */
    REC_ROUND_DOWN = 1,         /* a derived level: a smaller level is stricter */
    REC_ROUND_AWAY_FROM_ONE = 2 /* a detectable effect: a larger one has more power */
};

/* The rounding of the record's field of that name: REC_ROUND_AWAY_FROM_ONE
 * for the detectable odds ratio and relative risk, REC_ROUND_DOWN for the
 * per-marker and final levels derived from the overall one,
 * REC_ROUND_NEAREST for every other field (and for an unknown name). Exact
 * formats (CSV, JSON, the bindings' numbers) are not rounded at all. */
int32_t REC_field_rounding(int32_t record, const char *name);

/* ---- Questions ---------------------------------------------------------- */

/* An argument of a question, after the study (and before the result). */
typedef struct REC_argument {
    const char *name;    /* the glossary's name */
    int32_t type;        /* REC_INT32, REC_INT64 or REC_DOUBLE */
    int32_t kind;        /* REC_KIND_COUNT, REC_KIND_NUMBER or REC_KIND_CHOICE */
    int32_t elements;    /* 1, or 2 for a per-stage array (stage 1, stage 2) */
    const char *meaning; /* one sentence, no final full stop */
} REC_argument;

typedef struct REC_question {
    const char *name;       /* e.g. "two_stage_power" */
    const char *function;   /* the C function, e.g. "STU_two_stage_power" */
    int32_t result;         /* REC_* of its result record */
    int32_t argument_count; /* arguments after the study */
    const REC_argument *arguments;
    const char *study_fields; /* the study fields it reads, comma-separated */
    const char *meaning;      /* one sentence, no final full stop */
} REC_question;

/* The number of questions of question/study.h. */
int32_t REC_question_count(void);

/* The index-th question (from 0); NULL outside. */
const REC_question *REC_question_at(int32_t index);

/* The question of that name; NULL if none. */
const REC_question *REC_question_named(const char *name);

/* ---- Choices and reasons ------------------------------------------------ */

/* The words of a choice input ("method", "variance", "count", "direction"):
 * the index-th word (from 0) and its code; NULL when the choice or the index
 * is unknown. */
const char *REC_choice_word(const char *choice, int32_t index, int32_t *code);

/* The code of `word` for the choice, or -1000 when the word is not one of
 * its words (every code is above -1000). */
int32_t REC_choice_code(const char *choice, const char *word);

/* The word of `code` for the choice; NULL when the code is not one of its. */
const char *REC_choice_name(const char *choice, int32_t code);

/* A reason code's name, as in its VANTOR_REASON_ constant without the prefix
 * ("NONE", "BAD_CASES"; stages numbered from 1: "BAD_STAGE1_SHARE" for
 * VANTOR_REASON_BAD_STAGE1_SHARE); NULL for an unknown code. */
const char *REC_reason_name(int32_t reason);

/* The glossary's name of the input a refusal names ("cases" for
 * VANTOR_REASON_BAD_CASES, "stage1_share" for VANTOR_REASON_BAD_STAGE1_SHARE, "alpha"
 * for the levels' refusals, "relative_risk" for a model's risks); NULL for a
 * reason that names no single input (warnings, what is not reachable, a
 * record of another size) or an unknown code. Front ends put their own
 * spelling of the name before the library's words. */
const char *REC_reason_input(int32_t reason);

/* The number of reason codes, and the index-th (from 0, in increasing order);
 * -1 outside. */
int32_t REC_reason_count(void);
int32_t REC_reason_at(int32_t index);

/* A status's name, as in its SLV_ constant without the prefix ("FOUND",
 * "INVALID_INPUT"); NULL for an unknown status. VANTOR_status_name gives the
 * words people read. */
const char *REC_status_name(int32_t status);

#ifdef __cplusplus
}
#endif

#endif
