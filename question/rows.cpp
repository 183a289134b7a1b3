#include "question/rows.h"

#include <algorithm>
#include <cstdint>

#include "status/status.h"

namespace {

// Gives row `row` its values: every column's at the first row, afterwards
// only those that differ from the row before (a value that is not a number
// differs from everything, so it is given again: it is refused anyway).
void give_row_values(ASK_request *request, std::int32_t count, const std::int32_t *inputs,
                     const double *const *columns, std::int64_t row) {
    for (std::int32_t k = 0; k < count; ++k) {
        const double value = columns[k][row];
        if (row == 0 || value != columns[k][row - 1]) {
            ASK_give(request, inputs[k], value);
        }
    }
}

// Whether a row's answers ask the question the first row's asked.
bool same_question(const ASK_answer &first, const ASK_answer &answer, std::int32_t answered,
                   std::int32_t per_row) {
    return answered == per_row && answer.record == first.record;
}

}  // namespace

std::int64_t ASK_answer_rows(ASK_request *request, std::int32_t count, const std::int32_t *inputs,
                             const double *const *columns, std::int64_t rows, ASK_answer *answers,
                             std::int32_t *per_row) {
    if (per_row != nullptr) {
        *per_row = 0;
    }
    if (request == nullptr || answers == nullptr || per_row == nullptr || count < 0 ||
        count > ASK_input_count() || (count > 0 && (inputs == nullptr || columns == nullptr)) ||
        rows < 0) {
        return 0;
    }
    for (std::int64_t row = 0; row < rows; ++row) {
        give_row_values(request, count, inputs, columns, row);
        ASK_answer asked[ASK_MOST_ANSWERS];
        const std::int32_t answered = ASK_answer_request(request, asked);
        if (row == 0) {
            *per_row = answered;
        }
        ASK_answer *into = answers + row * *per_row;
        const bool stops = asked[0].status == VANTOR_INVALID_INPUT ||
                           (row > 0 && !same_question(answers[0], asked[0], answered, *per_row));
        if (stops) {
            *into = asked[0];
            return row;
        }
        std::copy(asked, asked + answered, into);
    }
    return rows;
}
