/* The .Call routines of the R package.
 *
 * One routine asks the library (question/ask.h): it takes a named list of input
 * vectors, named as the glossary names them, and for each row (element i of
 * every vector, recycled to the longest as R's arithmetic recycles) gives the
 * row's values to one reused request and asks. The library decides the
 * question, applies the defaults and checks every input; the glue lays the
 * answers out as columns from the library's description of the answer's head
 * (REC_ANSWER) and result (question/records.h). The same rows may instead be
 * written as each answer's methods paragraph, and a request's first row as a
 * figure's caption (vantor/methods.h). Nothing here knows a question, a
 * default, a rule or a field.
 *
 * Values come as R gives them: a number as a double; text (a word, "0x10",
 * a number R was given as text) as the text a person typed, which the
 * library reads; a missing value as R writes it, "NA", which the library
 * refuses with the input's own reason. The request keeps what it was given,
 * so a row gives only the values that differ from the previous row's, and
 * allocates and formats nothing: a message is written only when a row's
 * reason differs from the previous row's, or for the first refused row,
 * which stops the computation (R stops with the library's words,
 * ASK_message).
 *
 * The glue is C, so that R's errors and interrupts, which unwind with
 * longjmp, never cross a C++ frame: every library call has returned before R
 * gets control again. The request is allocated once for the session, so an
 * interrupt leaks nothing. Reports of the library ("MIN_FLAG") are counted by
 * a hook installed for the duration of the computation only;
 * R_ExecWithCleanup puts the previous hook back however the computation ends
 * (an interrupt included). The count comes back as the attribute "reports"
 * and R turns it into one warning. */
#include "vantor_r.h"

#include <R.h>
#include <Rinternals.h>
#include <stdint.h>
#include <string.h>

#include "numeric/MTH_report.h"
#include "question/ask.h"
#include "question/records.h"
#include "status/status.h"
#include "vantor/methods.h"
#include "vantor/version.h"

enum { MAX_INPUTS = 64, MAX_COLUMNS = 48, MESSAGE_SIZE = 1024 };

/* An input vector, and what the request was last given of it. */
typedef struct Given {
    int32_t index; /* ASK_input_index */
    SEXP values;
    const double *numbers; /* its doubles; NULL unless it holds them */
    int texts;             /* whether it holds text (words, or numbers as typed) */
    R_xlen_t length;
    R_xlen_t at;    /* the element of the row being given: the row recycled */
    SEXP last_text; /* the CHARSXP given last */
    double last;    /* the number given last */
} Given;

/* A column: a field of the answer's head (REC_ANSWER) or of its result. */
typedef struct Column {
    const REC_field *field; /* NULL for the message */
    int32_t offset;         /* of the field from the answer's start */
    SEXP values;
    double *numbers;  /* the values of a column of numbers; NULL for words */
    int32_t previous; /* the code of the previous row's word */
    SEXP word;        /* its string, held by the column */
} Column;

typedef struct Job {
    ASK_request *request;
    Given inputs[MAX_INPUTS];
    int input_count;
    int varying; /* the inputs of more than one element, given first */
    R_xlen_t rows;
    int32_t per_row; /* answers of each row: 1, or 2 for both sides */
    int32_t record;  /* REC_* of the first row's answer */
    Column columns[MAX_COLUMNS];
    int column_count;
    SEXP message;      /* the column of words */
    SEXP message_word; /* the last row's words, held by the column */
    int32_t message_reason;
    R_xlen_t answered;  /* rows answered so far */
    ASK_answer refused; /* the refused row's answer; status 0 (found) when none */
    char words[MESSAGE_SIZE];
} Job;

/* ---- Reports ---------------------------------------------------------------- */

/* Counts every report made during one .Call; R is single-threaded and the
 * library computes on the calling thread, so a plain counter does. */
static int reports_made;

static void count_report(const char *what, void *context) {
    (void)what;
    (void)context;
    ++reports_made;
}

static void restore_hook(void *data) { MTH_set_report_hook(*(const MTH_report_hook *)data); }

/* Runs the computation with the counting hook installed; the count becomes
 * the attribute "reports" of `result`. */
static SEXP run_counting_reports(SEXP (*compute)(void *), void *data, SEXP result) {
    reports_made = 0;
    const MTH_report_hook counting = {count_report, NULL};
    MTH_report_hook previous = MTH_set_report_hook(counting);
    SEXP value = PROTECT(R_ExecWithCleanup(compute, data, restore_hook, &previous));
    Rf_setAttrib(result, Rf_install("reports"), Rf_ScalarInteger(reports_made));
    UNPROTECT(1);
    return value;
}

/* ---- Giving a row ------------------------------------------------------------- */

/* Gives the row's values, each input's next element (rows are given in
 * turn, from the first); an input of one element is given once. A missing
 * value is given as R writes it, "NA", which is no number and no word. */
static void give_row(Job *job, R_xlen_t row) {
    for (int k = 0; k < (row == 0 ? job->input_count : job->varying); ++k) {
        Given *given = &job->inputs[k];
        const R_xlen_t i = given->at;
        given->at = i + 1 < given->length ? i + 1 : 0;
        if (given->texts) {
            const SEXP text = STRING_ELT(given->values, i);
            if (row == 0 || text != given->last_text) {
                ASK_give_text(job->request, given->index, text == NA_STRING ? "NA" : CHAR(text));
                given->last_text = text;
            }
            continue;
        }
        const double value = given->numbers != NULL ? given->numbers[i] : NA_REAL;
        if (row == 0 || memcmp(&value, &given->last, sizeof value) != 0) {
            if (ISNAN(value)) {
                ASK_give_text(job->request, given->index, R_IsNA(value) ? "NA" : "NaN");
            } else {
                ASK_give(job->request, given->index, value);
            }
            given->last = value;
        }
    }
}

/* ---- Columns -------------------------------------------------------------------- */

/* Adds a column to `frame` (and its name to `names`), both protected. */
static void add_column(Job *job, const REC_field *field, int32_t offset, SEXP frame, SEXP names) {
    Column *column = &job->columns[job->column_count];
    column->field = field;
    column->offset = offset;
    const int kind = field != NULL ? field->kind : REC_KIND_REASON;
    const int words = kind == REC_KIND_STATUS || kind == REC_KIND_REASON || kind == REC_KIND_CHOICE;
    column->values = Rf_allocVector(words ? STRSXP : REALSXP, job->rows * job->per_row);
    column->numbers = words ? NULL : REAL(column->values);
    column->previous = INT32_MIN;
    SET_VECTOR_ELT(frame, job->column_count, column->values);
    SET_STRING_ELT(names, job->column_count++, Rf_mkChar(field != NULL ? field->name : "message"));
}

/* The column's value in an answer, read as its C type (a word's code too). */
static double answer_value(const ASK_answer *answer, const Column *column) {
    const REC_field *field = column->field;
    const char *at = (const char *)answer + column->offset;
    if (field->type == REC_DOUBLE) {
        double value;
        memcpy(&value, at, sizeof value);
        return value;
    }
    if (field->type == REC_INT64) {
        int64_t value;
        memcpy(&value, at, sizeof value);
        return (double)value;
    }
    int32_t value;
    memcpy(&value, at, sizeof value);
    return value;
}

/* The columns of the first answer: its result's values, then its head's
 * (REC_ANSWER) that the result does not hold, a choice or count only where
 * the answer works one out (a detectable effect's direction, the controls
 * of a ratio), then the status and the reason, then "message" (the words,
 * kept apart from the columns). */
static SEXP make_columns(Job *job, const ASK_answer *first) {
    SEXP frame = PROTECT(Rf_allocVector(VECSXP, MAX_COLUMNS));
    SEXP names = PROTECT(Rf_allocVector(STRSXP, MAX_COLUMNS));
    for (int pass = 0; pass < 3; ++pass) {
        const int head = pass > 0;
        const int32_t record = head ? REC_ANSWER : first->record;
        for (int32_t k = 0; k < REC_field_count(record) && job->column_count < MAX_COLUMNS - 1;
             ++k) {
            const REC_field *field = REC_field_at(record, k);
            const int last = field->kind == REC_KIND_STATUS || field->kind == REC_KIND_REASON;
            const int32_t offset = (head ? 0 : ASK_result_offset()) + field->offset;
            const Column probe = {field, offset, NULL, NULL, 0, NULL};
            const int shown =
                pass == 0 || pass == 2 ||
                (REC_field_named(first->record, field->name) == NULL &&
                 (field->kind == REC_KIND_NUMBER || answer_value(first, &probe) != 0));
            if (field->kind != REC_KIND_INTERNAL && last == (pass == 2) && shown) {
                add_column(job, field, offset, frame, names);
            }
        }
    }
    add_column(job, NULL, 0, frame, names);
    job->message = job->columns[--job->column_count].values;
    frame = PROTECT(Rf_lengthgets(frame, job->column_count + 1));
    Rf_setAttrib(frame, R_NamesSymbol, PROTECT(Rf_lengthgets(names, job->column_count + 1)));
    UNPROTECT(4);
    return frame;
}

static SEXP word_or_na(const char *word) { return word != NULL ? Rf_mkChar(word) : NA_STRING; }

/* Element `at` of a column of words: the previous element's string again
 * when its code is the same (most rows share their status and reason, and
 * making R's string is the slow part), else the code's word. */
static void put_word(Column *column, R_xlen_t at, int32_t code) {
    if (at == 0 || column->previous != code) {
        const REC_field *field = column->field;
        column->word =
            word_or_na(field->kind == REC_KIND_STATUS   ? VANTOR_status_name(code)
                       : field->kind == REC_KIND_REASON ? REC_reason_name(code)
                                                        : REC_choice_name(field->name, code));
        column->previous = code;
    }
    SET_STRING_ELT(column->values, at, column->word);
}

/* Writes one answer as element `at` of every column. No count is 0 and no
 * value is not a number in an answer: the library leaves them so where it
 * has none, and R shows NA. */
static void put_answer(Job *job, R_xlen_t at, const ASK_answer *answer) {
    for (int k = 0; k < job->column_count; ++k) {
        Column *column = &job->columns[k];
        const double value = answer_value(answer, column);
        if (column->numbers == NULL) {
            put_word(column, at, (int32_t)value);
        } else {
            const int none = ISNAN(value) || (column->field->kind == REC_KIND_COUNT && value == 0);
            column->numbers[at] = none ? NA_REAL : value;
        }
    }
    if (at == 0 || answer->reason != job->message_reason) {
        ASK_message(answer, job->request, ASK_SPELL_NAME, job->words, MESSAGE_SIZE);
        job->message_word = Rf_mkChar(job->words);
        job->message_reason = answer->reason;
    }
    SET_STRING_ELT(job->message, at, job->message_word);
}

/* ---- Asking ---------------------------------------------------------------------- */

/* What is made of the answers: `first` lays the output out from the first
 * row's answer (returning it, unprotected), `put` writes an answer as its
 * element `at`. */
typedef struct Output {
    SEXP (*first)(Job *job, const ASK_answer *answer);
    void (*put)(Job *job, R_xlen_t at, const ASK_answer *answer);
} Output;

/* Asks every row in turn until the library refuses one, writing each
 * answer through `output`. Returns the output, or R_NilValue when the first
 * row is refused. */
static SEXP ask_rows_into(Job *job, const Output *output) {
    ASK_answer answers[ASK_MOST_ANSWERS];
    SEXP made = R_NilValue;
    for (R_xlen_t row = 0; row < job->rows; ++row) {
        if (job->record != REC_POWER_RESULT || row % 4096 == 0) {
            R_CheckUserInterrupt();
        }
        give_row(job, row);
        const int32_t count = ASK_answer_request(job->request, answers);
        if (answers[0].status == VANTOR_INVALID_INPUT) {
            job->refused = answers[0];
            break;
        }
        if (row == 0) {
            job->per_row = count;
            job->record = answers[0].record;
            made = PROTECT(output->first(job, &answers[0]));
        } else if (count != job->per_row || answers[0].record != job->record) {
            Rf_error("vantor: row %lld asks another question than row 1: ask it by itself",
                     (long long)row + 1);
        }
        for (int32_t k = 0; k < count; ++k) {
            output->put(job, row * count + k, &answers[k]);
        }
        job->answered = row + 1;
    }
    UNPROTECT(made != R_NilValue ? 1 : 0);
    return made;
}

/* The answers as columns (make_columns, put_answer). */
static SEXP ask_rows(void *data) {
    static const Output columns = {make_columns, put_answer};
    return ask_rows_into((Job *)data, &columns);
}

/* ---- Methods paragraphs ------------------------------------------------------------ */

enum { TEXT_SIZE = 4096 };

/* A writer of vantor/methods.h, with the figure's inputs it may read (the
 * horizontal axis's and the curves'). */
typedef int32_t (*Writer)(const ASK_request *request, const ASK_answer *answer,
                          const int32_t shown[2], char *text, int32_t capacity);

static int32_t write_methods(const ASK_request *request, const ASK_answer *answer,
                             const int32_t shown[2], char *text, int32_t capacity) {
    (void)shown;
    return vantor_methods(request, answer, text, capacity);
}

static int32_t write_caption(const ASK_request *request, const ASK_answer *answer,
                             const int32_t shown[2], char *text, int32_t capacity) {
    return vantor_caption(request, answer, shown[0], shown[1], text, capacity);
}

/* The writer's text of the request and an answer, as R's string: written
 * into room for most texts, again into room for a longer one (R_alloc's,
 * freed when the .Call returns). */
static SEXP written(const Job *job, const ASK_answer *answer, Writer write,
                    const int32_t shown[2]) {
    char room[TEXT_SIZE];
    char *text = room;
    int32_t capacity = TEXT_SIZE;
    int32_t length;
    while ((length = write(job->request, answer, shown, text, capacity)) >= capacity) {
        capacity = length + 1;
        text = R_alloc((size_t)capacity, 1);
    }
    return Rf_mkCharCE(text, CE_UTF8);
}

static SEXP make_paragraphs(Job *job, const ASK_answer *answer) {
    (void)answer;
    return job->message = Rf_allocVector(STRSXP, job->rows * job->per_row);
}

static void put_paragraph(Job *job, R_xlen_t at, const ASK_answer *answer) {
    static const int32_t none[2] = {-1, -1};
    SET_STRING_ELT(job->message, at, written(job, answer, write_methods, none));
}

/* Each answer's methods paragraph, as element of a character vector. */
static SEXP paragraph_rows(void *data) {
    static const Output paragraphs = {make_paragraphs, put_paragraph};
    return ask_rows_into((Job *)data, &paragraphs);
}

/* The inputs as the request takes them; R has made each a vector of at
 * least one element, a word input's values words. */
static void take_inputs(Job *job, SEXP inputs) {
    const SEXP names = Rf_getAttrib(inputs, R_NamesSymbol);
    if (!Rf_isNewList(inputs) || (names == R_NilValue && XLENGTH(inputs) > 0) ||
        XLENGTH(inputs) > MAX_INPUTS) {
        Rf_error("vantor: internal error: inputs must be a named list");
    }
    job->rows = 1;
    for (R_xlen_t k = 0; k < XLENGTH(inputs); ++k) {
        const char *name = CHAR(STRING_ELT(names, k));
        const int32_t index = ASK_input_index(name);
        if (index < 0) {
            Rf_error("vantor: no input is named '%s'", name);
        }
        Given *given = &job->inputs[job->input_count++];
        given->index = index;
        given->values = VECTOR_ELT(inputs, k);
        given->texts = TYPEOF(given->values) == STRSXP;
        given->numbers = TYPEOF(given->values) == REALSXP ? REAL(given->values) : NULL;
        given->length = XLENGTH(given->values);
        if (given->length < 1) {
            Rf_error("vantor: internal error: the input '%s' is empty", name);
        }
        job->rows = given->length > job->rows ? given->length : job->rows;
        if (given->length > 1) { /* the inputs of many elements first */
            const Given many = *given;
            *given = job->inputs[job->varying];
            job->inputs[job->varying++] = many;
        }
    }
}

/* The refusal R reports: the row (from 1), the reason's and status's names,
 * the refused input's name ("" for none) and the library's words. */
static SEXP refusal_list(Job *job) {
    const char *names[] = {"row", "reason", "status", "argument", "message", ""};
    const ASK_answer *answer = &job->refused;
    const ASK_input *input = ASK_input_at(answer->input);
    ASK_message(answer, job->request, ASK_SPELL_NAME, job->words, MESSAGE_SIZE);
    SEXP refused = PROTECT(Rf_mkNamed(VECSXP, names));
    SET_VECTOR_ELT(refused, 0, Rf_ScalarReal((double)job->answered + 1));
    SET_VECTOR_ELT(refused, 1, Rf_ScalarString(word_or_na(REC_reason_name(answer->reason))));
    SET_VECTOR_ELT(refused, 2, Rf_ScalarString(word_or_na(REC_status_name(answer->status))));
    SET_VECTOR_ELT(refused, 3, Rf_mkString(input != NULL ? input->name : ""));
    SET_VECTOR_ELT(refused, 4, Rf_mkString(job->words));
    UNPROTECT(1);
    return refused;
}

/* The request, allocated once for the session and cleared for each call. */
static ASK_request *session_request(void) {
    static ASK_request *request = NULL;
    if (request == NULL && (request = ASK_request_new()) == NULL) {
        Rf_error("vantor: out of memory");
    }
    ASK_request_clear(request);
    return request;
}

/* Asks every row of `inputs` (a named list of input vectors), making the
 * output with `compute`: a list of the output ("columns"), the answers of
 * each row and the refusal of the first refused row (NULL for none), the
 * library's reports counted. */
static SEXP ask_each_row(SEXP inputs, SEXP (*compute)(void *)) {
    Job job;
    memset(&job, 0, sizeof job);
    job.request = session_request();
    take_inputs(&job, inputs);
    const char *names[] = {"columns", "per_row", "refused", ""};
    SEXP result = PROTECT(Rf_mkNamed(VECSXP, names));
    SEXP made = PROTECT(run_counting_reports(compute, &job, result));
    SET_VECTOR_ELT(result, 0, made);
    SET_VECTOR_ELT(result, 1, Rf_ScalarInteger(job.per_row));
    if (job.refused.status == VANTOR_INVALID_INPUT) {
        SET_VECTOR_ELT(result, 2, refusal_list(&job));
    }
    UNPROTECT(2);
    return result;
}

SEXP vantor_ask(SEXP inputs) { return ask_each_row(inputs, ask_rows); }

/* The methods paragraph of every answer of every row, as vantor_ask asks. */
SEXP vantor_methods_paragraphs(SEXP inputs) { return ask_each_row(inputs, paragraph_rows); }

/* A figure's caption: the request of the first element of every input, the
 * inputs the figure shows. */
typedef struct Captioning {
    Job job;
    int32_t shown[2];
} Captioning;

/* The caption, or NA when the request is refused. */
static SEXP caption_of_first_row(void *data) {
    Captioning *captioning = (Captioning *)data;
    Job *job = &captioning->job;
    ASK_answer answers[ASK_MOST_ANSWERS];
    give_row(job, 0);
    ASK_answer_request(job->request, answers);
    if (answers[0].status == VANTOR_INVALID_INPUT) {
        return Rf_ScalarString(NA_STRING);
    }
    return Rf_ScalarString(written(job, &answers[0], write_caption, captioning->shown));
}

/* The caption of a figure of the answers of `inputs` (the first element of
 * each) that shows the inputs named `x` (along the horizontal axis) and
 * `curve` (a curve per value; "" for none): a string, NA when refused. */
SEXP vantor_figure_caption(SEXP inputs, SEXP x, SEXP curve) {
    Captioning captioning;
    memset(&captioning, 0, sizeof captioning);
    captioning.job.request = session_request();
    take_inputs(&captioning.job, inputs);
    captioning.shown[0] = ASK_input_index(CHAR(STRING_ELT(x, 0)));
    captioning.shown[1] = ASK_input_index(CHAR(STRING_ELT(curve, 0)));
    SEXP reports = PROTECT(Rf_allocVector(VECSXP, 0));
    SEXP caption = run_counting_reports(caption_of_first_row, &captioning, reports);
    UNPROTECT(1);
    return caption;
}

/* ---- The description, for R and its tests -------------------------------------- */

/* A named list of `columns` character vectors of `rows` elements. */
static SEXP table_of(const char **names, int columns, R_xlen_t rows) {
    SEXP table = PROTECT(Rf_mkNamed(VECSXP, names));
    for (int k = 0; k < columns; ++k) {
        SET_VECTOR_ELT(table, k, Rf_allocVector(STRSXP, rows));
    }
    UNPROTECT(1);
    return table;
}

/* Every input: its name, kind ("count", "number", "word"), choice, the
 * reason refusing it, the value taken when it is not given and its meaning. */
SEXP vantor_inputs(void) {
    const char *names[] = {"name", "kind", "choice", "reason", "default", "meaning", ""};
    static const char *const kinds[] = {"", "count", "number", "word"};
    SEXP table = PROTECT(table_of(names, 6, ASK_input_count()));
    for (int32_t i = 0; i < ASK_input_count(); ++i) {
        const ASK_input *input = ASK_input_at(i);
        const char *values[] = {input->name,          kinds[input->kind],
                                input->choice,        REC_reason_name(input->reason),
                                input->value_default, input->meaning};
        for (int k = 0; k < 6; ++k) {
            SET_STRING_ELT(VECTOR_ELT(table, k), i, word_or_na(values[k]));
        }
    }
    UNPROTECT(1);
    return table;
}

/* Every reason: its name, its status's name and the status's words. */
SEXP vantor_reasons(void) {
    const char *names[] = {"reason", "status", "status_words", ""};
    SEXP table = PROTECT(table_of(names, 3, REC_reason_count()));
    for (int32_t i = 0; i < REC_reason_count(); ++i) {
        const int32_t reason = REC_reason_at(i);
        const int32_t status = VANTOR_status_of_reason(reason);
        SET_STRING_ELT(VECTOR_ELT(table, 0), i, word_or_na(REC_reason_name(reason)));
        SET_STRING_ELT(VECTOR_ELT(table, 1), i, word_or_na(REC_status_name(status)));
        SET_STRING_ELT(VECTOR_ELT(table, 2), i, word_or_na(VANTOR_status_name(status)));
    }
    UNPROTECT(1);
    return table;
}

SEXP vantor_library_version(void) { return Rf_mkString(vantor_version()); }

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
