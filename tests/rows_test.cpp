// Rows answered in one call (ASK_answer_rows) against a fresh request of each
// row's values: every described field bit for bit, the stop at a refused
// row, and the arguments it refuses.
#include "question/rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "question/ask.h"
#include "question/records.h"

namespace {

using Request = std::unique_ptr<ASK_request, decltype(&ASK_request_free)>;

std::int32_t input(const char *name) { return ASK_input_index(name); }

// The field's bytes in both answers are the same (a not-a-number too).
bool same_field(const ASK_answer &a, const ASK_answer &b, const REC_field &field,
                std::int32_t base) {
    const std::size_t size = field.type == REC_INT32 ? 4 : 8;
    const auto *left = reinterpret_cast<const unsigned char *>(&a) + base + field.offset;
    const auto *right = reinterpret_cast<const unsigned char *>(&b) + base + field.offset;
    return std::memcmp(left, right, size) == 0;
}

// Every field the library describes of the answer's head and its result.
void expect_same_answer(const ASK_answer &a, const ASK_answer &b, const std::string &row) {
    for (std::int32_t k = 0; k < REC_field_count(REC_ANSWER); ++k) {
        const REC_field &field = *REC_field_at(REC_ANSWER, k);
        EXPECT_TRUE(same_field(a, b, field, 0)) << row << ": " << field.name;
    }
    ASSERT_EQ(a.record, b.record) << row;
    for (std::int32_t k = 0; k < REC_field_count(a.record); ++k) {
        const REC_field &field = *REC_field_at(a.record, k);
        EXPECT_TRUE(same_field(a, b, field, ASK_result_offset())) << row << ": " << field.name;
    }
}

// A grid's varying inputs: each an input and its value in every row.
struct Columns {
    std::vector<std::int32_t> inputs;
    std::vector<std::vector<double>> values;
    std::vector<const double *> pointers;

    void add(const char *name, std::vector<double> column) {
        inputs.push_back(input(name));
        values.push_back(std::move(column));
        pointers.clear();
        for (const auto &each : values) {
            pointers.push_back(each.data());
        }
    }
    std::int64_t rows() const { return static_cast<std::int64_t>(values.front().size()); }
};

// What a request of the fixed inputs and one row's values answers.
std::int32_t answer_alone(const std::vector<std::pair<const char *, double>> &fixed,
                          const Columns &columns, std::int64_t row, ASK_answer *answers) {
    Request alone(ASK_request_new(), ASK_request_free);
    for (const auto &[name, value] : fixed) {
        ASK_give(alone.get(), input(name), value);
    }
    for (std::size_t k = 0; k < columns.inputs.size(); ++k) {
        ASK_give(alone.get(), columns.inputs[k], columns.values[k][row]);
    }
    return ASK_answer_request(alone.get(), answers);
}

// Answers the rows and checks each against a request of its own; returns
// the number answered.
std::int64_t expect_rows_as_alone(const std::vector<std::pair<const char *, double>> &fixed,
                                  const Columns &columns, std::int32_t *per_row) {
    Request request(ASK_request_new(), ASK_request_free);
    for (const auto &[name, value] : fixed) {
        ASK_give(request.get(), input(name), value);
    }
    std::vector<ASK_answer> answers(columns.rows() * ASK_MOST_ANSWERS);
    const std::int64_t answered = ASK_answer_rows(
        request.get(), static_cast<std::int32_t>(columns.inputs.size()), columns.inputs.data(),
        columns.pointers.data(), columns.rows(), answers.data(), per_row);
    for (std::int64_t row = 0; row < answered; ++row) {
        ASK_answer alone[ASK_MOST_ANSWERS];
        EXPECT_EQ(answer_alone(fixed, columns, row, alone), *per_row);
        for (std::int32_t k = 0; k < *per_row; ++k) {
            expect_same_answer(answers[row * *per_row + k], alone[k], "row " + std::to_string(row));
        }
    }
    return answered;
}

TEST(Rows, EachRowIsTheAnswerOfItsValuesAlone) {
    // Counts (only the question's own inputs change) and effects (the
    // study changes) varying, both fastest in turn; a level given once.
    Columns columns;
    std::vector<double> cases;
    std::vector<double> odds_ratios;
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 8; ++j) {
            cases.push_back(250.0 * (1 + i));
            odds_ratios.push_back(1.05 + 0.05 * j);
        }
    }
    columns.add("cases", cases);
    columns.add("odds_ratio", odds_ratios);
    std::int32_t per_row = 0;
    EXPECT_EQ(expect_rows_as_alone({{"controls", 2000}, {"control_rate", 0.3}, {"alpha", 1e-4}},
                                   columns, &per_row),
              40);
    EXPECT_EQ(per_row, 1);
}

TEST(Rows, AWordTakesItsCodeAndBothSidesTakeTwoAnswersARow) {
    // The genotype tests of a disease model, by their codes; then a
    // detectable relative risk on both sides of 1 for each.
    const std::int32_t trend = REC_choice_code("test", "trend");
    const std::int32_t dominant = REC_choice_code("test", "dominant");
    ASSERT_GE(trend, 0);
    const std::vector<std::pair<const char *, double>> model = {
        {"cases", 1500}, {"controls", 1500}, {"frequency", 0.3}, {"prevalence", 0.05}};
    Columns powers;
    powers.add("test", {static_cast<double>(trend), static_cast<double>(dominant),
                        static_cast<double>(trend)});
    powers.add("relative_risk", {1.3, 1.3, 1.5});
    std::int32_t per_row = 0;
    EXPECT_EQ(expect_rows_as_alone(model, powers, &per_row), 3);
    EXPECT_EQ(per_row, 1);

    Columns effects;
    effects.add("test", {static_cast<double>(trend), static_cast<double>(dominant)});
    auto sides = model;
    sides.emplace_back("solve", REC_choice_code("solve", "effect"));
    EXPECT_EQ(expect_rows_as_alone(sides, effects, &per_row), 2);
    EXPECT_EQ(per_row, 2);
}

TEST(Rows, StopAtARefusedRowNamingItsValue) {
    const std::vector<std::pair<const char *, double>> fixed = {{"controls", 2000},
                                                                {"control_rate", 0.3}};
    Request request(ASK_request_new(), ASK_request_free);
    for (const auto &[name, value] : fixed) {
        ASK_give(request.get(), input(name), value);
    }
    Columns refused;
    refused.add("cases", {1000, 2000, 3000, 4000});
    refused.add("odds_ratio", {1.3, 1.2, 1.0, 1.3});  // no effect in the third row
    std::vector<ASK_answer> answers(std::size_t{4} * ASK_MOST_ANSWERS);
    std::int32_t per_row = 0;
    EXPECT_EQ(ASK_answer_rows(request.get(), 2, refused.inputs.data(), refused.pointers.data(), 4,
                              answers.data(), &per_row),
              2);
    EXPECT_EQ(answers[2].status, VANTOR_INVALID_INPUT);
    EXPECT_EQ(answers[2].input, input("odds_ratio"));
    char words[256];
    ASK_message(&answers[2], request.get(), ASK_SPELL_NAME, words, sizeof words);
    EXPECT_EQ(std::string(words).rfind("odds_ratio 1: ", 0), 0U) << words;

    // The first row refused: nothing answered before it. (The request
    // keeps the values of the row it stopped at.)
    ASK_give(request.get(), input("odds_ratio"), 1.3);
    Columns first;
    first.add("cases", {0, 1000});
    EXPECT_EQ(ASK_answer_rows(request.get(), 1, first.inputs.data(), first.pointers.data(), 2,
                              answers.data(), &per_row),
              0);
    EXPECT_EQ(answers[0].reason, VANTOR_REASON_BAD_CASES);
}

TEST(Rows, UnusableArgumentsAnswerNothing) {
    Request request(ASK_request_new(), ASK_request_free);
    const std::int32_t cases = input("cases");
    const double value = 1000;
    const double *column = &value;
    ASK_answer answers[ASK_MOST_ANSWERS];
    std::int32_t per_row = -1;
    EXPECT_EQ(ASK_answer_rows(nullptr, 1, &cases, &column, 1, answers, &per_row), 0);
    EXPECT_EQ(ASK_answer_rows(request.get(), 1, &cases, &column, 1, nullptr, &per_row), 0);
    EXPECT_EQ(ASK_answer_rows(request.get(), 1, &cases, &column, 1, answers, nullptr), 0);
    EXPECT_EQ(ASK_answer_rows(request.get(), -1, &cases, &column, 1, answers, &per_row), 0);
    EXPECT_EQ(ASK_answer_rows(request.get(), ASK_input_count() + 1, &cases, &column, 1, answers,
                              &per_row),
              0);
    EXPECT_EQ(ASK_answer_rows(request.get(), 1, nullptr, &column, 1, answers, &per_row), 0);
    per_row = -1;
    EXPECT_EQ(ASK_answer_rows(request.get(), 1, &cases, &column, -3, answers, &per_row), 0);
    EXPECT_EQ(per_row, 0);  // no row, no answers a row
    EXPECT_EQ(ASK_answer_rows(request.get(), 1, &cases, &column, 0, answers, &per_row), 0);
    // An unknown input is ignored, as ASK_give ignores it: the request
    // still lacks its controls.
    const std::int32_t unknown = 9999;
    EXPECT_EQ(ASK_answer_rows(request.get(), 1, &unknown, &column, 1, answers, &per_row), 0);
    EXPECT_EQ(answers[0].status, VANTOR_INVALID_INPUT);
}

}  // namespace
