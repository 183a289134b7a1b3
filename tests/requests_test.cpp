// The shared table of requests asked of the library by name, as a binding
// asks them: each answered with its listed status, reason and refused input,
// and its listed value (from independent mathematics) to six digits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "question/ask.h"
#include "question/records.h"
#include "request_table.h"

namespace {

using Request = std::unique_ptr<ASK_request, decltype(&ASK_request_free)>;

// Each value as the person typed it: the library reads the text.
void give(ASK_request *request, const std::string &name, const std::string &text) {
    const std::int32_t input = ASK_input_index(name.c_str());
    ASSERT_GE(input, 0) << name;
    ASK_give_text(request, input, text.c_str());
}

TEST(SharedRequests, EachIsAnsweredAsTheTableSays) {
    const std::vector<TableRequest> table =
        read_request_table(VANTOR_SOURCE_DIR "/tests/requests.csv");
    ASSERT_GE(table.size(), 40U);
    Request request(ASK_request_new(), ASK_request_free);
    for (const TableRequest &row : table) {
        ASK_request_clear(request.get());
        for (const auto &[name, text] : row.inputs) {
            give(request.get(), name, text);
        }
        ASK_answer answers[ASK_MOST_ANSWERS];
        const std::int32_t count = ASK_answer_request(request.get(), answers);
        ASSERT_GE(count, 1) << row.line;
        const ASK_answer &answer = answers[0];
        EXPECT_STREQ(REC_status_name(answer.status), row.status.c_str()) << row.line;
        EXPECT_STREQ(REC_reason_name(answer.reason), row.reason.c_str()) << row.line;
        const ASK_input *named = ASK_input_at(answer.input);
        EXPECT_EQ(named == nullptr ? "" : named->name, row.input) << row.line;
        if (!row.field.empty()) {
            const double value = ASK_result_number(&answer, row.field.c_str());
            EXPECT_NEAR(value, row.value, 5e-6 * std::fabs(row.value)) << row.line;
        }
        char words[1024];
        ASK_message(&answer, request.get(), ASK_SPELL_NAME, words, sizeof words);
        EXPECT_EQ(std::strchr(words, '{'), nullptr) << words;
        if (!row.input.empty()) {
            EXPECT_NE(std::strstr(words, row.input.c_str()), nullptr) << words;
            // A refused value is shown as typed ('' when missing).
            const std::string typed = table_input(row, row.input);
            const std::string shown = row.input + " " + (typed.empty() ? "''" : typed) + ": ";
            const bool sentence = std::strchr(VANTOR_message(answer.reason), '{') != nullptr;
            if (!sentence) {
                EXPECT_NE(std::strstr(words, shown.c_str()), nullptr) << words << " / " << shown;
            }
        }
    }
}

}  // namespace
