/* The .Call routines of the R package.
 *
 * Every question is asked through power/study.h: for each element of equally
 * long input vectors (R recycles them first) the glue fills one STU_study and
 * the question's own arguments, by their names in power/records.h's
 * description, calls the question's STU_* function and lays its result record
 * out as columns, again from the description. No field of a record, reason
 * code or choice word is written out here: a field added to a record becomes
 * a column, and a word the library renames is the package's new word.
 *
 * Inputs come as R gives them: a number that is not a double (text such as
 * "0x10", a logical NA) reaches the library as not a number, and a count that
 * is not a whole number within 64 bits as 0, so the library refuses it with
 * its own reason, as it refuses any count below 1. A choice word that is not
 * one of the library's reaches it as a code no choice has. The first element
 * the library refuses stops the computation, and its reason comes back with
 * the name of the refused input (REC_reason_input's); R stops with the
 * library's words.
 *
 * The effect is the study's odds_ratio and control_rate, or a disease model
 * when any of REC_DISEASE_MODEL's fields is given (or d_prime or r_squared,
 * which set the model's internal ld_kind and ld); R never gives both.
 *
 * The glue is C, so that R's errors and interrupts, which unwind with
 * longjmp, never cross a C++ frame: every library call has returned before R
 * gets control again. Reports of the library ("MIN_FLAG") are counted by a
 * hook installed for the duration of the computation only; R_ExecWithCleanup
 * puts the previous hook back however the computation ends (an interrupt
 * included). The count comes back as the attribute "reports" and R turns it
 * into one warning. */
#include "vantor_r.h"

#include <R.h>
#include <Rinternals.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "numeric/MTH_report.h"
#include "power/disease_model.h"
#include "power/records.h"
#include "power/result.h"
#include "power/study.h"
#include "vantor/version.h"

/* REC_choice_code's answer for a word that is none of the choice's; every
 * check of the library refuses it. */
enum { NO_CODE = -1000 };

/* The most arguments a question takes after the study. */
enum { MAX_ARGUMENTS = 8 };

/* ---- The questions, one adapter each --------------------------------------- */

/* One argument of a question, held as its description types it: counts
 * (stage 1 and stage 2 for a per-stage array), a number or a choice's code. */
typedef struct Argument {
    int64_t counts[2];
    double number;
    int32_t code;
} Argument;

/* Any result record of the library. */
typedef union Record {
    STU_power_result power;
    STU_size_result size;
    SLV_effect_result effect;
    DSN_design_result design;
    STU_risk_result risk;
} Record;

typedef int32_t (*Ask)(const STU_study *study, const Argument *a, Record *result);

/* Each adapter passes the arguments in the order of the question's
 * description, which is the order of its C function's parameters. */
static int32_t ask_power(const STU_study *study, const Argument *a, Record *r) {
    return STU_power(study, a[0].counts[0], a[1].counts[0], &r->power);
}

static int32_t ask_cases_for_controls(const STU_study *study, const Argument *a, Record *r) {
    return STU_cases_for_controls(study, a[0].counts[0], a[1].number, &r->size);
}

static int32_t ask_controls_for_cases(const STU_study *study, const Argument *a, Record *r) {
    return STU_controls_for_cases(study, a[0].counts[0], a[1].number, &r->size);
}

static int32_t ask_cases_for_ratio(const STU_study *study, const Argument *a, Record *r) {
    return STU_cases_for_ratio(study, a[0].number, a[1].number, &r->size);
}

static int32_t ask_controls_for_ratio(const STU_study *study, const Argument *a, Record *r) {
    return STU_controls_for_ratio(study, a[0].number, a[1].number, &r->size);
}

static int32_t ask_odds_ratio(const STU_study *study, const Argument *a, Record *r) {
    return STU_odds_ratio(study, a[0].counts[0], a[1].counts[0], a[2].number, a[3].code,
                          &r->effect);
}

static int32_t ask_relative_risk(const STU_study *study, const Argument *a, Record *r) {
    return STU_relative_risk(study, a[0].counts[0], a[1].counts[0], a[2].number, a[3].code,
                             &r->risk);
}

static int32_t ask_two_stage_power(const STU_study *study, const Argument *a, Record *r) {
    return STU_two_stage_power(study, a[0].counts, a[1].counts, a[2].number, &r->design);
}

static int32_t ask_two_stage_power_of_total(const STU_study *study, const Argument *a, Record *r) {
    return STU_two_stage_power_of_total(study, a[0].counts[0], a[1].number, a[2].number,
                                        &r->design);
}

static int32_t ask_smallest_total(const STU_study *study, const Argument *a, Record *r) {
    return STU_smallest_total(study, a[0].number, a[1].number, &r->design);
}

static int32_t ask_cheapest_design(const STU_study *study, const Argument *a, Record *r) {
    return STU_cheapest_design(study, a[0].number, a[1].number, &r->design);
}

static int32_t ask_most_powerful_design(const STU_study *study, const Argument *a, Record *r) {
    return STU_most_powerful_design(study, a[0].number, a[1].number, &r->design);
}

static const struct {
    const char *function; /* as REC_question's `function` names it */
    Ask ask;
} adapters[] = {
    {"STU_power", ask_power},
    {"STU_cases_for_controls", ask_cases_for_controls},
    {"STU_controls_for_cases", ask_controls_for_cases},
    {"STU_cases_for_ratio", ask_cases_for_ratio},
    {"STU_controls_for_ratio", ask_controls_for_ratio},
    {"STU_odds_ratio", ask_odds_ratio},
    {"STU_relative_risk", ask_relative_risk},
    {"STU_two_stage_power", ask_two_stage_power},
    {"STU_two_stage_power_of_total", ask_two_stage_power_of_total},
    {"STU_smallest_total", ask_smallest_total},
    {"STU_cheapest_design", ask_cheapest_design},
    {"STU_most_powerful_design", ask_most_powerful_design},
};

static Ask adapter_of(const REC_question *question) {
    for (size_t k = 0; k < sizeof adapters / sizeof adapters[0]; ++k) {
        if (strcmp(adapters[k].function, question->function) == 0) {
            return adapters[k].ask;
        }
    }
    return NULL;
}

/* ---- Names ------------------------------------------------------------------- */

/* The person-facing name of element `stage` (0 or 1) of an argument: the
 * argument's own name, or "stage1_cases" for stage 1 of a per-stage one. */
static void argument_name(const REC_argument *argument, int stage, char *name, size_t size) {
    if (argument->elements == 1) {
        snprintf(name, size, "%s", argument->name);
    } else {
        snprintf(name, size, "stage%d_%s", stage + 1, argument->name);
    }
}

static const REC_argument *argument_named(const REC_question *question, const char *name) {
    for (int32_t k = 0; k < question->argument_count; ++k) {
        if (strcmp(question->arguments[k].name, name) == 0) {
            return &question->arguments[k];
        }
    }
    return NULL;
}

/* The refused stage of a per-stage count: the first whose count the
 * library's check refuses. */
static int refused_stage(int32_t reason, const int64_t counts[2], int32_t unit) {
    const int32_t first = reason == SLV_REASON_BAD_CASES ? SLV_check_cases(counts[0], unit)
                                                         : SLV_check_controls(counts[0], unit);
    return first != SLV_REASON_NONE ? 0 : 1;
}

/* ---- Inputs -------------------------------------------------------------------- */

/* The input vector named `name`, or R_NilValue. */
static SEXP input_named(SEXP inputs, const char *name) {
    const SEXP names = Rf_getAttrib(inputs, R_NamesSymbol);
    for (R_xlen_t k = 0; k < XLENGTH(inputs); ++k) {
        if (strcmp(CHAR(STRING_ELT(names, k)), name) == 0) {
            return VECTOR_ELT(inputs, k);
        }
    }
    return R_NilValue;
}

static double number_at(SEXP input, R_xlen_t i) {
    return TYPEOF(input) == REALSXP ? REAL(input)[i] : R_NaN;
}

/* A count as the library takes it: whole numbers below 4e18 as they are
 * (so that a count times its unit, 2 alleles a person, stays within 64
 * bits), anything else as 0, which the library refuses as it refuses every
 * count below 1. */
static int64_t count_at(SEXP input, R_xlen_t i) {
    const double x = number_at(input, i);
    return x == floor(x) && fabs(x) < 4e18 ? (int64_t)x : 0;
}

/* The code of a choice's word, remembered for the last word seen: R's
 * recycled vectors repeat the same strings, so most elements skip the
 * lookup. */
typedef struct Word {
    SEXP word; /* a CHARSXP, or NULL before the first */
    int32_t code;
} Word;

static int32_t code_at(SEXP input, R_xlen_t i, const char *choice, Word *last) {
    if (TYPEOF(input) != STRSXP || STRING_ELT(input, i) == NA_STRING) {
        return NO_CODE;
    }
    const SEXP word = STRING_ELT(input, i);
    if (word != last->word) {
        last->word = word;
        last->code = REC_choice_code(choice, CHAR(word));
    }
    return last->code;
}

enum { MAX_FIELDS = 32, MAX_STUDY_FIELDS = 16 };

/* The ways of giving the marker's linkage disequilibrium: the ld_kind
 * choice's words other than "causal" ("d_prime", "r_squared") are the names
 * of the inputs that give it. */
#define LD_CHOICE "ld_kind"
static int is_ld_input(const char *word) {
    return REC_choice_code(LD_CHOICE, word) != NO_CODE &&
           REC_choice_code(LD_CHOICE, word) != REC_choice_code(LD_CHOICE, "causal");
}

/* A study field the question is given: where it goes (from the start of the
 * study, or of the disease model for the model's fields) and its input. */
typedef struct StudyInput {
    const REC_field *field;
    SEXP input;
    Word last;
} StudyInput;

/* A disease model's inputs: its fields, and the marker's linkage
 * disequilibrium as the input named after its ld_kind word. */
typedef struct ModelInputs {
    int given; /* whether the effect is a disease model */
    StudyInput fields[MAX_STUDY_FIELDS];
    int field_count;
    SEXP ld;             /* the d_prime or r_squared input, or R_NilValue */
    const char *ld_name; /* its name, "" when none */
    int32_t ld_kind;
} ModelInputs;

/* One question over vectors: the question, its adapter, the inputs by the
 * study's fields and the question's arguments, the result columns. */
typedef struct Job {
    const REC_question *question;
    Ask ask;
    R_xlen_t length;
    StudyInput study_inputs[MAX_STUDY_FIELDS];
    int study_input_count;
    ModelInputs model;
    SEXP inputs; /* the named list of input vectors */
    SEXP argument_inputs[MAX_ARGUMENTS][2];
    Word argument_words[MAX_ARGUMENTS];
    const REC_field *fields[MAX_FIELDS]; /* the result's laid-out fields, in column order */
    int field_count;
    SEXP columns;                     /* one per laid-out field, then the message */
    int32_t previous[MAX_FIELDS + 1]; /* each column of words: the previous element's code */
    R_xlen_t answered;                /* elements answered so far */
    int32_t refused_reason;           /* SLV_REASON_NONE unless an element was refused */
    char refused_name[64];            /* the refused input's name */
} Job;

/* Writes element i of a given field's input at `record` + the field's
 * offset: a number, or a choice's code (the choice named as the field). */
static void put_input(StudyInput *given, R_xlen_t i, char *record) {
    char *at = record + given->field->offset;
    if (given->field->type == REC_DOUBLE) {
        const double value = number_at(given->input, i);
        memcpy(at, &value, sizeof value);
    } else {
        const int32_t code = code_at(given->input, i, given->field->name, &given->last);
        memcpy(at, &code, sizeof code);
    }
}

/* The disease model in the study's effect, which starts where the study's
 * odds_ratio field does (power/records.h). */
static char *model_of(STU_study *study) {
    return (char *)study + REC_field_named(REC_STUDY, "odds_ratio")->offset;
}

static void put_int32(char *record, const char *field, int32_t value) {
    memcpy(record + REC_field_named(REC_DISEASE_MODEL, field)->offset, &value, sizeof value);
}

static void put_double(char *record, const char *field, double value) {
    memcpy(record + REC_field_named(REC_DISEASE_MODEL, field)->offset, &value, sizeof value);
}

/* A disease model from its defaults (DIS_model_init), then the given fields
 * and the marker's linkage disequilibrium. */
static void fill_model(Job *job, R_xlen_t i, STU_study *study) {
    study->effect_kind = STU_EFFECT_DISEASE;
    DIS_model_init(&study->effect.disease);
    char *model = model_of(study);
    for (int k = 0; k < job->model.field_count; ++k) {
        put_input(&job->model.fields[k], i, model);
    }
    if (job->model.ld != R_NilValue) {
        put_int32(model, "ld_kind", job->model.ld_kind);
        put_double(model, "ld", number_at(job->model.ld, i));
    }
}

static void fill_study(Job *job, R_xlen_t i, STU_study *study) {
    STU_study_init(study);
    if (job->model.given) {
        fill_model(job, i, study);
    }
    for (int k = 0; k < job->study_input_count; ++k) {
        put_input(&job->study_inputs[k], i, (char *)study);
    }
}

/* Writes the name of the input refused with `reason` into `name`, the
 * library's (REC_reason_input) as the package takes it: a disease model's
 * linkage disequilibrium as the input that gave it, the stage of a
 * per-stage count, the ratio the question takes (the library names a ratio
 * controls_per_case) or, when the refused count is one the question made
 * from its total, the total. An empty name: the reason refuses no input. */
static void refused_input(const Job *job, int32_t reason, const Argument *arguments, int32_t unit,
                          char *name, size_t size) {
    const REC_question *question = job->question;
    const char *input = REC_reason_input(reason);
    name[0] = '\0';
    if (input == NULL) {
        return;
    }
    if (strcmp(input, "ld") == 0) {
        snprintf(name, size, "%s", job->model.ld_name);
        return;
    }
    const REC_argument *argument = argument_named(question, input);
    if (argument != NULL) {
        const int stage =
            argument->elements == 2
                ? refused_stage(reason, arguments[argument - question->arguments].counts, unit)
                : 0;
        argument_name(argument, stage, name, size);
        return;
    }
    const int count = strcmp(input, "cases") == 0 || strcmp(input, "controls") == 0;
    const int ratio = strstr(input, "_per_") != NULL;
    if ((count || ratio) && input_named(job->inputs, input) == R_NilValue) {
        for (int32_t k = 0; k < question->argument_count; ++k) {
            const REC_argument *taken = &question->arguments[k];
            if (count ? taken->kind == REC_KIND_COUNT : strstr(taken->name, "_per_") != NULL) {
                argument_name(taken, 0, name, size);
                return;
            }
        }
    }
    snprintf(name, size, "%s", input);
}

static void fill_arguments(Job *job, R_xlen_t i, Argument *arguments) {
    for (int32_t k = 0; k < job->question->argument_count; ++k) {
        const REC_argument *argument = &job->question->arguments[k];
        Argument *value = &arguments[k];
        memset(value, 0, sizeof *value);
        if (argument->kind == REC_KIND_COUNT) {
            for (int32_t stage = 0; stage < argument->elements; ++stage) {
                value->counts[stage] = count_at(job->argument_inputs[k][stage], i);
            }
        } else if (argument->kind == REC_KIND_CHOICE) {
            value->code =
                code_at(job->argument_inputs[k][0], i, argument->name, &job->argument_words[k]);
        } else {
            value->number = number_at(job->argument_inputs[k][0], i);
        }
    }
}

/* ---- Result columns -------------------------------------------------------- */

static int laid_out(const REC_field *field) { return field->kind != REC_KIND_INTERNAL; }

/* The laid-out fields of the result: the answer's values first, then its
 * status and reason (and the reason's words, the last column). */
static int answer_first(const REC_field *field) {
    return field->kind != REC_KIND_STATUS && field->kind != REC_KIND_REASON;
}

/* The fields of `record` in column order. */
static int column_fields(int32_t record, const REC_field **fields, int most) {
    int count = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (int32_t k = 0; k < REC_field_count(record); ++k) {
            const REC_field *field = REC_field_at(record, k);
            if (laid_out(field) && answer_first(field) == (pass == 0) && count < most) {
                fields[count++] = field;
            }
        }
    }
    return count;
}

static int64_t integer_at(const Record *record, const REC_field *field) {
    const char *at = (const char *)record + field->offset;
    if (field->type == REC_INT64) {
        int64_t value;
        memcpy(&value, at, sizeof value);
        return value;
    }
    int32_t value;
    memcpy(&value, at, sizeof value);
    return value;
}

static double double_at(const Record *record, const REC_field *field) {
    if (field->type != REC_DOUBLE) {
        return (double)integer_at(record, field);
    }
    double value;
    memcpy(&value, (const char *)record + field->offset, sizeof value);
    return value;
}

static SEXP word_or_na(const char *word) { return word != NULL ? Rf_mkChar(word) : NA_STRING; }

/* Element i of the k-th column of words: the previous element's string
 * again when its code is the same (most rows share their status and reason,
 * and making R's string is the slow part), else `word`. */
static void put_word(Job *job, int k, R_xlen_t i, int32_t code, const char *word) {
    const SEXP column = VECTOR_ELT(job->columns, k);
    if (i > 0 && job->previous[k] == code) {
        SET_STRING_ELT(column, i, STRING_ELT(column, i - 1));
    } else {
        SET_STRING_ELT(column, i, word_or_na(word));
    }
    job->previous[k] = code;
}

/* Writes element i of every column from the record. No count is 0 and no
 * value is not a number in an answer: the library leaves them so where it
 * has none, and R shows NA. */
static void put_record(Job *job, R_xlen_t i, const Record *record) {
    const int count = job->field_count;
    for (int k = 0; k < count; ++k) {
        const REC_field *field = job->fields[k];
        const SEXP column = VECTOR_ELT(job->columns, k);
        const int32_t code = field->type == REC_DOUBLE ? 0 : (int32_t)integer_at(record, field);
        switch (field->kind) {
            case REC_KIND_STATUS:
                put_word(job, k, i, code, SLV_status_name(code));
                break;
            case REC_KIND_REASON:
                put_word(job, k, i, code, REC_reason_name(code));
                put_word(job, count, i, code, SLV_message(code));
                break;
            case REC_KIND_CHOICE:
                put_word(job, k, i, code, REC_choice_name(field->name, code));
                break;
            case REC_KIND_COUNT: {
                const int64_t value = integer_at(record, field);
                REAL(column)[i] = value != 0 ? (double)value : NA_REAL;
                break;
            }
            default: {
                const double value = double_at(record, field);
                REAL(column)[i] = ISNAN(value) ? NA_REAL : value;
                break;
            }
        }
    }
}

/* The empty columns and their names: the laid-out fields, then "message". */
static SEXP make_columns(const REC_question *question, R_xlen_t length) {
    const REC_field *fields[MAX_FIELDS];
    const int count = column_fields(question->result, fields, MAX_FIELDS);
    SEXP columns = PROTECT(Rf_allocVector(VECSXP, count + 1));
    SEXP names = PROTECT(Rf_allocVector(STRSXP, count + 1));
    for (int k = 0; k < count; ++k) {
        const int words = fields[k]->kind == REC_KIND_STATUS ||
                          fields[k]->kind == REC_KIND_REASON || fields[k]->kind == REC_KIND_CHOICE;
        SET_VECTOR_ELT(columns, k, Rf_allocVector(words ? STRSXP : REALSXP, length));
        SET_STRING_ELT(names, k, Rf_mkChar(fields[k]->name));
    }
    SET_VECTOR_ELT(columns, count, Rf_allocVector(STRSXP, length));
    SET_STRING_ELT(names, count, Rf_mkChar("message"));
    Rf_setAttrib(columns, R_NamesSymbol, names);
    UNPROTECT(2);
    return columns;
}

/* ---- Asking ---------------------------------------------------------------------- */

/* Counts every report made during one .Call; R is single-threaded and the
 * library computes on the calling thread, so a plain counter does. */
static int reports_made;

static void count_report(const char *what, void *context) {
    (void)what;
    (void)context;
    ++reports_made;
}

static void restore_hook(void *data) { MTH_set_report_hook(*(const MTH_report_hook *)data); }

/* Elements between two checks for a user interrupt: the single-stage power
 * takes microseconds, every other question far longer. */
static R_xlen_t interrupt_every(const REC_question *question) {
    return question->result == REC_POWER_RESULT ? 4096 : 1;
}

/* Asks every element in turn until the library refuses one. */
static SEXP ask_all(void *data) {
    Job *job = (Job *)data;
    const R_xlen_t every = interrupt_every(job->question);
    for (R_xlen_t i = 0; i < job->length; ++i) {
        if (i % every == 0) {
            R_CheckUserInterrupt();
        }
        STU_study study;
        Argument arguments[MAX_ARGUMENTS];
        Record record;
        memset(&record, 0, sizeof record);
        fill_study(job, i, &study);
        fill_arguments(job, i, arguments);
        job->ask(&study, arguments, &record);
        /* Every result record starts with its status and reason. */
        if (record.power.status == SLV_INVALID_INPUT) {
            job->refused_reason = record.power.reason;
            refused_input(job, record.power.reason, arguments, study.unit, job->refused_name,
                          sizeof job->refused_name);
            return R_NilValue;
        }
        put_record(job, i, &record);
        job->answered = i + 1;
    }
    return R_NilValue;
}

static const REC_question *question_of(SEXP question) {
    if (TYPEOF(question) != STRSXP || XLENGTH(question) != 1) {
        Rf_error("vantor: internal error: a question is one name");
    }
    const REC_question *found = REC_question_named(CHAR(STRING_ELT(question, 0)));
    if (found == NULL || found->argument_count > MAX_ARGUMENTS) {
        Rf_error("vantor: internal error: no question \"%s\"", CHAR(STRING_ELT(question, 0)));
    }
    if ((size_t)REC_record_size(found->result) > sizeof(Record) ||
        REC_field_count(found->result) > MAX_FIELDS ||
        REC_field_count(REC_STUDY) > MAX_STUDY_FIELDS) {
        Rf_error("vantor: internal error: the library's records outgrow the glue");
    }
    return found;
}

/* Finds a disease model's inputs among `inputs`: any of its fields, or its
 * marker's linkage disequilibrium, makes the effect a disease model. */
static void take_model_inputs(Job *job, SEXP inputs) {
    ModelInputs *model = &job->model;
    model->ld = R_NilValue;
    model->ld_name = "";
    for (int32_t k = 0; k < REC_field_count(REC_DISEASE_MODEL); ++k) {
        const REC_field *field = REC_field_at(REC_DISEASE_MODEL, k);
        const SEXP input = laid_out(field) ? input_named(inputs, field->name) : R_NilValue;
        if (input != R_NilValue && model->field_count < MAX_STUDY_FIELDS) {
            const StudyInput given = {field, input, {NULL, 0}};
            model->fields[model->field_count++] = given;
        }
    }
    int32_t code = 0;
    for (int32_t k = 0; REC_choice_word(LD_CHOICE, k, &code) != NULL; ++k) {
        const char *word = REC_choice_word(LD_CHOICE, k, &code);
        const SEXP input = is_ld_input(word) ? input_named(inputs, word) : R_NilValue;
        if (input != R_NilValue) {
            if (model->ld != R_NilValue) {
                Rf_error("vantor: internal error: the marker's LD is given twice");
            }
            model->ld = input;
            model->ld_name = word;
            model->ld_kind = code;
        }
    }
    model->given = model->field_count > 0 || model->ld != R_NilValue;
    if (model->given && (input_named(inputs, "odds_ratio") != R_NilValue ||
                         input_named(inputs, "control_rate") != R_NilValue)) {
        Rf_error("vantor: internal error: an odds ratio and a disease model");
    }
}

/* Finds every input the question reads among `inputs`, each a vector of
 * `length` elements; an input not given stays the study's starting value. */
static void take_inputs(Job *job, SEXP inputs) {
    if (!Rf_isNewList(inputs) || Rf_getAttrib(inputs, R_NamesSymbol) == R_NilValue) {
        Rf_error("vantor: internal error: inputs must be a named list");
    }
    job->inputs = inputs;
    job->length = -1;
    for (R_xlen_t k = 0; k < XLENGTH(inputs); ++k) {
        const R_xlen_t length = XLENGTH(VECTOR_ELT(inputs, k));
        if (job->length >= 0 && length != job->length) {
            Rf_error("vantor: internal error: inputs of unequal lengths");
        }
        job->length = length;
    }
    if (job->length < 0) {
        job->length = 0;
    }
    for (int32_t k = 0; k < REC_field_count(REC_STUDY); ++k) {
        const REC_field *field = REC_field_at(REC_STUDY, k);
        const SEXP input = laid_out(field) ? input_named(inputs, field->name) : R_NilValue;
        const int settable = field->type == REC_DOUBLE || field->kind == REC_KIND_CHOICE;
        if (input != R_NilValue && settable) {
            const StudyInput given = {field, input, {NULL, 0}};
            job->study_inputs[job->study_input_count++] = given;
        }
    }
    take_model_inputs(job, inputs);
    for (int32_t k = 0; k < job->question->argument_count; ++k) {
        const REC_argument *argument = &job->question->arguments[k];
        for (int32_t stage = 0; stage < 2; ++stage) {
            char name[64];
            argument_name(argument, stage, name, sizeof name);
            job->argument_inputs[k][stage] =
                stage < argument->elements ? input_named(inputs, name) : R_NilValue;
            if (stage < argument->elements && job->argument_inputs[k][stage] == R_NilValue) {
                Rf_error("vantor: internal error: the question %s needs '%s'", job->question->name,
                         name);
            }
        }
    }
}

/* The refusal R reports: the element (from 1), the reason's name and words,
 * the status's name and the refused input's name. */
static SEXP refusal(const Job *job) {
    const char *names[] = {"element", "reason", "status", "message", "argument"};
    SEXP refused = PROTECT(Rf_allocVector(VECSXP, 5));
    SEXP refused_names = PROTECT(Rf_allocVector(STRSXP, 5));
    SET_VECTOR_ELT(refused, 0, Rf_ScalarReal((double)job->answered + 1));
    SET_VECTOR_ELT(refused, 1, Rf_ScalarString(word_or_na(REC_reason_name(job->refused_reason))));
    SET_VECTOR_ELT(
        refused, 2,
        Rf_ScalarString(word_or_na(REC_status_name(SLV_status_of_reason(job->refused_reason)))));
    SET_VECTOR_ELT(refused, 3, Rf_mkString(SLV_message(job->refused_reason)));
    SET_VECTOR_ELT(refused, 4, Rf_mkString(job->refused_name));
    for (int k = 0; k < 5; ++k) {
        SET_STRING_ELT(refused_names, k, Rf_mkChar(names[k]));
    }
    Rf_setAttrib(refused, R_NamesSymbol, refused_names);
    UNPROTECT(2);
    return refused;
}

/* Runs the computation with the counting hook installed; the count becomes
 * the attribute "reports" of `result`. */
static void run_counting_reports(SEXP (*compute)(void *), void *data, SEXP result) {
    reports_made = 0;
    const MTH_report_hook counting = {count_report, NULL};
    MTH_report_hook previous = MTH_set_report_hook(counting);
    R_ExecWithCleanup(compute, data, restore_hook, &previous);
    Rf_setAttrib(result, Rf_install("reports"), Rf_ScalarInteger(reports_made));
}

SEXP vantor_ask(SEXP question, SEXP inputs) {
    Job job;
    memset(&job, 0, sizeof job);
    job.question = question_of(question);
    job.ask = adapter_of(job.question);
    if (job.ask == NULL) {
        Rf_error("vantor: internal error: no adapter for %s", job.question->function);
    }
    job.refused_reason = SLV_REASON_NONE;
    take_inputs(&job, inputs);
    job.field_count = column_fields(job.question->result, job.fields, MAX_FIELDS);
    job.columns = PROTECT(make_columns(job.question, job.length));
    SEXP result = PROTECT(Rf_allocVector(VECSXP, 2));
    SEXP names = PROTECT(Rf_allocVector(STRSXP, 2));
    SET_STRING_ELT(names, 0, Rf_mkChar("columns"));
    SET_STRING_ELT(names, 1, Rf_mkChar("refused"));
    Rf_setAttrib(result, R_NamesSymbol, names);
    run_counting_reports(ask_all, &job, result);
    SET_VECTOR_ELT(result, 0, job.columns);
    if (job.refused_reason != SLV_REASON_NONE) {
        SET_VECTOR_ELT(result, 1, refusal(&job));
    }
    UNPROTECT(3);
    return result;
}

/* ---- The description, for R and its tests -------------------------------------- */

static SEXP named_list(int count, const char *const *names) {
    SEXP list = PROTECT(Rf_allocVector(VECSXP, count));
    SEXP list_names = PROTECT(Rf_allocVector(STRSXP, count));
    for (int k = 0; k < count; ++k) {
        SET_STRING_ELT(list_names, k, Rf_mkChar(names[k]));
    }
    Rf_setAttrib(list, R_NamesSymbol, list_names);
    UNPROTECT(2);
    return list;
}

/* The study fields of a comma-separated list, as a character vector. */
static SEXP split_list(const char *list) {
    int count = 0;
    for (const char *at = list; *at != '\0'; ++at) {
        count += *at == ',';
    }
    count += *list != '\0';
    SEXP words = PROTECT(Rf_allocVector(STRSXP, count));
    const char *at = list;
    for (int k = 0; k < count; ++k) {
        const char *comma = strchr(at, ',');
        const size_t length = comma != NULL ? (size_t)(comma - at) : strlen(at);
        SET_STRING_ELT(words, k, Rf_mkCharLen(at, (int)length));
        at = comma != NULL ? comma + 1 : at + length;
    }
    UNPROTECT(1);
    return words;
}

/* One question's description as R reads it: its name and function, the study
 * fields and the arguments it reads (per-stage ones by stage), the columns of
 * its result and whether the glue can ask it. */
static SEXP question_description(const REC_question *question) {
    static const char *const names[] = {"name",   "function", "study_fields",
                                        "inputs", "columns",  "asked"};
    SEXP description = PROTECT(named_list(6, names));
    SET_VECTOR_ELT(description, 0, Rf_mkString(question->name));
    SET_VECTOR_ELT(description, 1, Rf_mkString(question->function));
    SET_VECTOR_ELT(description, 2, split_list(question->study_fields));
    int count = 0;
    for (int32_t k = 0; k < question->argument_count; ++k) {
        count += question->arguments[k].elements;
    }
    SEXP inputs = PROTECT(Rf_allocVector(STRSXP, count));
    for (int32_t k = 0, at = 0; k < question->argument_count; ++k) {
        for (int32_t stage = 0; stage < question->arguments[k].elements; ++stage) {
            char name[64];
            argument_name(&question->arguments[k], stage, name, sizeof name);
            SET_STRING_ELT(inputs, at++, Rf_mkChar(name));
        }
    }
    SET_VECTOR_ELT(description, 3, inputs);
    SET_VECTOR_ELT(description, 4, Rf_getAttrib(make_columns(question, 0), R_NamesSymbol));
    SET_VECTOR_ELT(description, 5, Rf_ScalarLogical(adapter_of(question) != NULL));
    UNPROTECT(2);
    return description;
}

SEXP vantor_questions(void) {
    const int32_t count = REC_question_count();
    SEXP questions = PROTECT(Rf_allocVector(VECSXP, count));
    SEXP names = PROTECT(Rf_allocVector(STRSXP, count));
    for (int32_t k = 0; k < count; ++k) {
        const REC_question *question = REC_question_at(k);
        SET_VECTOR_ELT(questions, k, question_description(question));
        SET_STRING_ELT(names, k, Rf_mkChar(question->name));
    }
    Rf_setAttrib(questions, R_NamesSymbol, names);
    UNPROTECT(2);
    return questions;
}

/* The words of a choice ("method", "variance", "count", "direction"), in the
 * library's order. */
SEXP vantor_choice_words(SEXP choice) {
    const char *name = CHAR(STRING_ELT(choice, 0));
    int count = 0;
    while (REC_choice_word(name, count, NULL) != NULL) {
        ++count;
    }
    SEXP words = PROTECT(Rf_allocVector(STRSXP, count));
    for (int k = 0; k < count; ++k) {
        SET_STRING_ELT(words, k, Rf_mkChar(REC_choice_word(name, k, NULL)));
    }
    UNPROTECT(1);
    return words;
}

/* The inputs that give a marker's linkage disequilibrium, comma-separated. */
static void ld_inputs(char *list, size_t size) {
    list[0] = '\0';
    const char *word;
    for (int32_t k = 0; (word = REC_choice_word(LD_CHOICE, k, NULL)) != NULL; ++k) {
        if (is_ld_input(word)) {
            const size_t used = strlen(list);
            snprintf(list + used, size - used, "%s%s", used > 0 ? "," : "", word);
        }
    }
}

/* Every reason: its name, its status's name, its words and, for a refused
 * input, the inputs the package names for it (REC_reason_input's, the
 * linkage disequilibrium as the inputs that give it). */
SEXP vantor_reasons(void) {
    static const char *const names[] = {"reason", "status", "message", "inputs"};
    const int32_t count = REC_reason_count();
    SEXP reasons = PROTECT(named_list(4, names));
    SEXP reason_names = PROTECT(Rf_allocVector(STRSXP, count));
    SEXP statuses = PROTECT(Rf_allocVector(STRSXP, count));
    SEXP messages = PROTECT(Rf_allocVector(STRSXP, count));
    SEXP inputs = PROTECT(Rf_allocVector(STRSXP, count));
    for (int32_t k = 0; k < count; ++k) {
        const int32_t reason = REC_reason_at(k);
        SET_STRING_ELT(reason_names, k, word_or_na(REC_reason_name(reason)));
        SET_STRING_ELT(statuses, k, word_or_na(REC_status_name(SLV_status_of_reason(reason))));
        SET_STRING_ELT(messages, k, word_or_na(SLV_message(reason)));
        char list[128] = "";
        const char *input = REC_reason_input(reason);
        if (input != NULL && strcmp(input, "ld") == 0) {
            ld_inputs(list, sizeof list);
        } else if (input != NULL) {
            snprintf(list, sizeof list, "%s", input);
        }
        SET_STRING_ELT(inputs, k, list[0] != '\0' ? Rf_mkChar(list) : NA_STRING);
    }
    SET_VECTOR_ELT(reasons, 0, reason_names);
    SET_VECTOR_ELT(reasons, 1, statuses);
    SET_VECTOR_ELT(reasons, 2, messages);
    SET_VECTOR_ELT(reasons, 3, inputs);
    UNPROTECT(5);
    return reasons;
}

SEXP vantor_library_version(void) { return Rf_mkString(vantor_version()); }

/* The inputs of a disease model, as the package takes them: the laid-out
 * fields of REC_DISEASE_MODEL, then the inputs that give the marker's
 * linkage disequilibrium. */
SEXP vantor_model_inputs(void) {
    char ld[128];
    ld_inputs(ld, sizeof ld);
    SEXP ld_names = PROTECT(split_list(ld));
    int count = 0;
    for (int32_t k = 0; k < REC_field_count(REC_DISEASE_MODEL); ++k) {
        count += laid_out(REC_field_at(REC_DISEASE_MODEL, k));
    }
    SEXP names = PROTECT(Rf_allocVector(STRSXP, count + XLENGTH(ld_names)));
    int at = 0;
    for (int32_t k = 0; k < REC_field_count(REC_DISEASE_MODEL); ++k) {
        const REC_field *field = REC_field_at(REC_DISEASE_MODEL, k);
        if (laid_out(field)) {
            SET_STRING_ELT(names, at++, Rf_mkChar(field->name));
        }
    }
    for (R_xlen_t k = 0; k < XLENGTH(ld_names); ++k) {
        SET_STRING_ELT(names, at++, STRING_ELT(ld_names, k));
    }
    UNPROTECT(2);
    return names;
}

/* The level taken when none is given, for each number of markers
 * (STU_default_alpha): 5e-8 for one marker, 0.05 for more; a value that
 * is no number gets 0.05, and the question then refuses it as markers. */
SEXP vantor_default_alpha(SEXP markers) {
    const R_xlen_t length = XLENGTH(markers);
    SEXP levels = PROTECT(Rf_allocVector(REALSXP, length));
    for (R_xlen_t i = 0; i < length; ++i) {
        REAL(levels)[i] = STU_default_alpha(number_at(markers, i));
    }
    UNPROTECT(1);
    return levels;
}

/* ---- Reports, for the tests of the warning ----------------------------------- */

typedef struct Reporting {
    const double *counts;
    R_xlen_t length;
} Reporting;

static SEXP report_all(void *data) {
    const Reporting *reporting = (const Reporting *)data;
    for (R_xlen_t i = 0; i < reporting->length; ++i) {
        R_CheckUserInterrupt();
        for (int k = 0; k < (int)reporting->counts[i]; ++k) {
            MTH_report("MIN_FLAG");
        }
    }
    return R_NilValue;
}

/* Makes as many reports as each element says, with the same hook as the
 * questions: the library's reports are rare with checked inputs. */
SEXP vantor_report_for_test(SEXP counts) {
    SEXP copy = PROTECT(Rf_duplicate(Rf_coerceVector(counts, REALSXP)));
    Reporting reporting = {REAL(copy), XLENGTH(copy)};
    run_counting_reports(report_all, &reporting, copy);
    UNPROTECT(1);
    return copy;
}

/* Whether a report hook other than the default is installed now: between
 * calls it never is, however the last call ended. */
SEXP vantor_hook_installed_for_test(void) {
    const MTH_report_hook default_hook = {NULL, NULL};
    const MTH_report_hook current = MTH_set_report_hook(default_hook);
    MTH_set_report_hook(current);
    return Rf_ScalarLogical(current.fn != NULL);
}
