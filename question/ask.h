/* One way to ask the library a question: named inputs in, one answer out.
 *
 * A caller (a program, a binding, the page) gives the inputs it has, by the
 * names of docs/glossary.md, and asks. The library decides which question
 * the inputs ask, applies the defaults, checks every input once and names
 * the one it refuses (a stage's count as "stage1_cases", not "cases"), and
 * answers with a record whose result is one of the records question/records.h
 * describes. The per-question functions of question/study.h answer the same,
 * bit for bit: a request is turned into one of their calls.
 *
 * Inputs. Every input has an index (ASK_input_index) and a kind: a count
 * (in the unit of "count": people unless told "alleles"), a number, or a
 * word of a choice (REC_choice_word). An input not given is open. A request
 * describes a single-stage study unless "stages" is 2.
 *
 * The question. "solve" may name what is solved: "power", "size" (single
 * stage: the cases, the controls or both, whichever the other inputs leave
 * open; two stages: the smallest total), "effect" (the detectable odds ratio,
 * or a disease model's relative risk) or "design" (two stages: the cheapest
 * design for a target power, or the most powerful within a budget). Named,
 * the target power defaults to ASK_DEFAULT_TARGET_POWER. Not named, the
 * question is the one the given inputs leave open, as R's power.prop.test
 * decides it: without a target power the power; with one, the one of cases,
 * controls and effect not given (single stage) or the smallest total (two
 * stages, without counts or a total).
 *
 * Defaults. alpha: STU_default_alpha(markers); markers 1; count people;
 * variance pooled; test allelic; method joint; case_fraction 0.5;
 * cost_ratio 1; a disease model's model multiplicative and controls_kind
 * unaffected; the marker is the causal variant unless d_prime or r_squared
 * is given. The direction of a detectable effect: both sides, above first
 * (two answers).
 *
 * Refusals. A request is refused with status VANTOR_INVALID_INPUT, a reason
 * and the input it names (`input`; `other_input` for a second one), before
 * anything is computed; an input given that its question does not read (a
 * budget to one stage) is refused too (VANTOR_REASON_INPUT_NOT_READ).
 * ASK_message writes the words, the inputs spelled as the caller spells
 * them ("--stage1-cases" or "stage1_cases").
 *
 * Grids. A request may be asked again after some inputs are given anew (a
 * grid's next row): while only a question's own inputs change (the counts,
 * a ratio, the target power, a direction, a total and its share, a budget),
 * the request remembers the study, what is given and what is solved as the
 * last answer checked them, and checks again only those inputs. The answer
 * is that of a fresh request of the same inputs, bit for bit.
 *
 * Reentrancy: a request is the caller's, used by one thread at a time
 * (answering writes only the answers given and what the request remembers
 * in itself). Distinct requests may be used on many threads at once.
 * Usable from C and C++. */
#ifndef VANTOR_QUESTION_ASK_H
#define VANTOR_QUESTION_ASK_H

#include <stdint.h>

#include "question/answer.h"
#include "question/study.h"
#include "search/design.h"
#include "search/solve.h"
#include "simulation/simulate.h"
#include "status/status.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The target power taken when "solve" names a size, an effect or a design
 * and no target power is given. */
#define ASK_DEFAULT_TARGET_POWER 0.8

/* The most answers one request gives: a detectable effect on both sides. */
#define ASK_MOST_ANSWERS 2

/* Kinds of input. */
enum {
    ASK_COUNT = 1,  /* a whole number in the request's unit (people or alleles) */
    ASK_NUMBER = 2, /* a real number */
    ASK_WORD = 3    /* a word of the input's choice */
};

/* An input, described. */
typedef struct ASK_input {
    const char *name;          /* the glossary's name, e.g. "stage1_cases" */
    int32_t kind;              /* ASK_COUNT, ASK_NUMBER or ASK_WORD */
    const char *choice;        /* a word's choice for REC_choice_word, else "" */
    int32_t reason;            /* the reason refusing a value of it (its first); 0 if none */
    const char *value_default; /* the value taken when it is not given, in words; "" */
    const char *meaning;       /* one sentence, no final full stop */
    int32_t effect;            /* the effect description it belongs to: STU_EFFECT_ALLELIC,
                                  STU_EFFECT_DISEASE, or 0 */
} ASK_input;

/* The number of inputs; the index-th (from 0), NULL outside. */
int32_t ASK_input_count(void);
const ASK_input *ASK_input_at(int32_t index);

/* The index of the input of that name; -1 when there is none. */
int32_t ASK_input_index(const char *name);

/* The inputs a study of `stages` (1 or 2) reads, `solve` ASK_SOLVE_DESIGN
 * for the design searches (else 0), in the order its refusals are looked
 * for and a program lists them: the index-th input's index, -1 outside.
 * "count", "stages" and "solve" are not among them. */
int32_t ASK_study_input(int32_t stages, int32_t solve, int32_t index);

/* ---- Requests ----------------------------------------------------------- */

typedef struct ASK_request ASK_request;

/* A new request with every input open; NULL when memory runs out. Free it
 * with ASK_request_free (NULL is ignored). */
ASK_request *ASK_request_new(void);
void ASK_request_free(ASK_request *request);

/* Leaves every input open again. */
void ASK_request_clear(ASK_request *request);

/* Gives an input's value (any double: the checks refuse what the input does
 * not take; a count that is not whole is refused). A word input takes its
 * word's code (REC_choice_code); a code that is none of its choice's is
 * refused. An unknown index is ignored. */
void ASK_give(ASK_request *request, int32_t input, double value);

/* Gives a word input's word (copied up to 31 characters); a word that is
 * not one of its choice's is refused when asked. An unknown index or a
 * number input is ignored. */
void ASK_give_word(ASK_request *request, int32_t input, const char *word);

/* Gives an input as the text a person typed: a word input's word, else a
 * number in decimal notation ("0.3", "5e-8", "2000"); any other text (""
 * for a missing value, "0x10", "NA") is not a number, refused as the
 * input's values are. The text (its first 31 characters) is the value
 * ASK_message shows. */
void ASK_give_text(ASK_request *request, int32_t input, const char *text);

/* Leaves an input open. */
void ASK_leave_open(ASK_request *request, int32_t input);

/* Whether an input is given (1) or open (0). */
int32_t ASK_is_given(const ASK_request *request, int32_t input);

/* The value the request takes for an input: the value given, else the
 * default it takes (the level for its markers, a disease model's words when
 * it describes one, the target power "solve" implies ...), a word's code;
 * not a number for an input open without a default. */
double ASK_input_taken(const ASK_request *request, int32_t input);

/* ---- Answers ------------------------------------------------------------ */

/* The answer record, ASK_answer: question/answer.h. */

/* Answers the request: decides its question, checks it and answers into
 * answers[0] (and answers[1] for the second side of a detectable effect).
 * Returns the number of answers written: 1, or 2 for both sides. A refused
 * request gives one answer. `answers` holds ASK_MOST_ANSWERS records. */
int32_t ASK_answer_request(const ASK_request *request, ASK_answer *answers);

/* Tells `progress` (with `context`) how far a simulation of the request's
 * answers has come (simulation/simulate.h: every 65,536 studies and at the
 * end, for each answer simulated); NULL tells nothing. Kept when the
 * request is cleared. */
void ASK_set_progress(ASK_request *request, SIM_progress progress, void *context);

/* Checks the request as ASK_answer_request does, without answering it:
 * returns 1 when it passes (answer then holds the answer's head: its status
 * VANTOR_FOUND, the unit, level and calculation), 0 when it is refused
 * (answer holds the refusal, as ASK_answer_request's first). A request it
 * passes may still be refused by what only its answer finds: an effect at
 * the marker beyond what the formulas take, from an extreme disease model
 * counted in alleles. */
int32_t ASK_check_request(const ASK_request *request, ASK_answer *answer);

/* Spellings of the inputs' names in ASK_message. */
enum {
    ASK_SPELL_OPTION = 1, /* "--stage1-cases", as a command line's option */
    ASK_SPELL_NAME = 2    /* "stage1_cases", as an argument's name */
};

/* Writes the answer's words: for a refused input "<name> <value>: <why>"
 * (the value as given: a count whole, a number in the fewest digits that
 * read back to it, a word as given), "<name>: <why>" for one not given, the
 * sentence of a request that cannot be answered as it is (a missing input,
 * two effect descriptions ...), and VANTOR_message's words otherwise. Writes at
 * most `capacity` bytes with the final zero (capacity 0 writes nothing) and
 * returns the length of the whole message. */
int32_t ASK_message(const ASK_answer *answer, const ASK_request *request, int32_t spelling,
                    char *text, int32_t capacity);

/* A field of the answer's result by its name (REC_field_named of its
 * record): its value as a double (counts and codes converted); not a number
 * when the record has no such field. */
double ASK_result_number(const ASK_answer *answer, const char *name);

/* sizeof(ASK_answer), the offset of its result (REC_record_size(REC_ANSWER):
 * question/records.h describes the answer's head as REC_ANSWER) and
 * sizeof(ASK_input), as the library was compiled, for bindings that lay the
 * records out. */
int32_t ASK_answer_size(void);
int32_t ASK_result_offset(void);
int32_t ASK_input_size(void);

#ifdef __cplusplus
}
#endif

#endif
