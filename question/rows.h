/* Many requests at once: the rows of a table of inputs, answered in one call.
 *
 * A binding that asks a grid (every combination of some inputs' values, a
 * data frame's rows) through question/ask.h crosses into the library for each
 * input of each row; through a foreign-function layer such as Python's
 * ctypes each crossing costs a microsecond or more, a hundred times the
 * power it asks for. Here the binding gives each varying input as a column
 * of numbers and the library walks the rows itself.
 *
 * Each row is answered as ASK_answer_request answers the request given that
 * row's values, bit for bit: the request is given every column's value at
 * the first row and, at each later row, only the values that differ from the
 * row before, so that it re-checks only what changed (question/ask.h,
 * "Grids"). Inputs the caller gave the request before the call are kept for
 * every row.
 *
 * Reentrancy: as a request (one thread at a time each). Usable from C and
 * C++. */
#ifndef VANTOR_QUESTION_ROWS_H
#define VANTOR_QUESTION_ROWS_H

#include <stdint.h>

#include "question/answer.h"
#include "question/ask.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Answers `rows` rows: row r (from 0) gives input inputs[k] the value
 * columns[k][r] for k below `count`, as ASK_give gives it (a word input
 * takes its word's code, REC_choice_code), and is answered into `answers`,
 * the rows one after another, each taking as many records as the first row
 * answered (1, or 2 for both sides of a detectable effect), written to
 * *per_row. `answers` holds rows * ASK_MOST_ANSWERS records.
 *
 * Stops at a row that is refused (VANTOR_INVALID_INPUT) or that asks
 * another question than the first row (another record, or another number of
 * answers): its first answer is written where the row's answers would go
 * and the request is left holding the row's values, so that ASK_message
 * names the refused value as given. Returns the number of rows answered
 * before it (`rows` when none stops); 0 (and *per_row 0) for no rows, a
 * NULL pointer or a count outside 0 to ASK_input_count(). An unknown input
 * index is ignored, as ASK_give ignores it. */
int64_t ASK_answer_rows(ASK_request *request, int32_t count, const int32_t *inputs,
                        const double *const *columns, int64_t rows, ASK_answer *answers,
                        int32_t *per_row);

#ifdef __cplusplus
}
#endif

#endif
