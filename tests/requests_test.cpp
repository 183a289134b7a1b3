// The shared table of requests asked of the library by name, as a binding
// asks them: each answered with its listed status, reason and refused input,
// and its listed value (from independent mathematics) to six digits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <regex>
#include <string>

#include "power/ask.h"
#include "power/records.h"
#include "request_table.h"

namespace {

using Request = std::unique_ptr<ASK_request, decltype(&ASK_request_free)>;

// A value as a binding's language reads the text: a decimal number, else
// not a number (a missing value, "0x10").
double number_of(const std::string &text) {
    static const std::regex decimal(R"([-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)");
    if (!std::regex_match(text, decimal)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return std::strtod(text.c_str(), nullptr);
}

void give(ASK_request *request, const std::string &name, const std::string &text) {
    const std::int32_t input = ASK_input_index(name.c_str());
    ASSERT_GE(input, 0) << name;
    if (ASK_input_at(input)->kind == ASK_WORD) {
        ASK_give_word(request, input, text.c_str());
    } else {
        ASK_give(request, input, number_of(text));
    }
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
        }
    }
}

}  // namespace
