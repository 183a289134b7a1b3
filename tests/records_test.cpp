// The description of the records and questions: it covers every byte of each
// record it describes, names what the glossary names, and its questions
// answer as described.
#include "question/records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "question/ask.h"
#include "question/study.h"
#include "status/status.h"

namespace {

const std::int32_t kRecords[] = {REC_STUDY,         REC_POWER_RESULT,  REC_SIZE_RESULT,
                                 REC_EFFECT_RESULT, REC_DESIGN_RESULT, REC_RISK_RESULT,
                                 REC_DISEASE_MODEL, REC_ANSWER};

std::int32_t width(std::int32_t type) { return type == REC_INT32 ? 4 : 8; }

std::vector<REC_field> fields_of(std::int32_t record) {
    std::vector<REC_field> fields;
    fields.reserve(static_cast<std::size_t>(REC_field_count(record)));
    for (std::int32_t i = 0; i < REC_field_count(record); ++i) {
        fields.push_back(*REC_field_at(record, i));
    }
    return fields;
}

// The study's fields with its effect union laid out as its largest member,
// the disease model, from where the allelic effect starts.
std::vector<REC_field> study_as_disease_model() {
    const std::int32_t start = REC_field_named(REC_STUDY, "odds_ratio")->offset;
    std::vector<REC_field> fields;
    for (const REC_field &f : fields_of(REC_STUDY)) {
        if (std::strcmp(f.name, "odds_ratio") != 0 && std::strcmp(f.name, "control_rate") != 0) {
            fields.push_back(f);
        }
    }
    for (REC_field f : fields_of(REC_DISEASE_MODEL)) {
        f.offset += start;
        fields.push_back(f);
    }
    return fields;
}

// The Python names of the glossary's table (its fifth column).
std::set<std::string> glossary_names() {
    std::ifstream in(VANTOR_SOURCE_DIR "/docs/glossary.md");
    std::set<std::string> names;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("| ", 0) != 0) {
            continue;
        }
        std::vector<std::string> cells;
        std::stringstream row(line.substr(1));
        std::string cell;
        while (std::getline(row, cell, '|')) {
            cells.push_back(cell);
        }
        if (cells.size() >= 4) {
            std::string python = cells[3];
            python.erase(std::remove(python.begin(), python.end(), ' '), python.end());
            python.erase(std::remove(python.begin(), python.end(), '`'), python.end());
            names.insert(python);
        }
    }
    return names;
}

}  // namespace

TEST(RecordDescription, FieldsTileEveryRecordWithOnlyPaddingBetween) {
    for (const std::int32_t record : kRecords) {
        std::vector<REC_field> fields =
            record == REC_STUDY ? study_as_disease_model() : fields_of(record);
        ASSERT_FALSE(fields.empty()) << REC_record_name(record);
        std::sort(fields.begin(), fields.end(),
                  [](const REC_field &a, const REC_field &b) { return a.offset < b.offset; });
        std::int32_t end = 0;
        for (const REC_field &f : fields) {
            const std::int32_t w = width(f.type);
            EXPECT_EQ(f.offset % w, 0) << f.name;
            // A gap is only padding up to the field's alignment.
            EXPECT_GE(f.offset, end) << REC_record_name(record) << " overlaps at " << f.name;
            EXPECT_LT(f.offset - end, w)
                << REC_record_name(record) << " leaves out bytes before " << f.name;
            end = f.offset + w;
        }
        const std::int32_t size = REC_record_size(record);
        EXPECT_GE(size, end);
        EXPECT_LT(size - end, 8) << REC_record_name(record) << " has undescribed bytes at the end";
    }
}

TEST(RecordDescription, SizesAreTheRecordsOwn) {
    EXPECT_EQ(REC_record_size(REC_STUDY), STU_study_size());
    EXPECT_EQ(REC_record_size(REC_DESIGN_RESULT),
              static_cast<std::int32_t>(sizeof(DSN_design_result)));
    EXPECT_EQ(REC_record_size(99), -1);
    EXPECT_EQ(REC_field_count(0), -1);
    EXPECT_EQ(REC_field_at(REC_STUDY, -1), nullptr);
    EXPECT_EQ(REC_field_at(REC_STUDY, REC_field_count(REC_STUDY)), nullptr);
    EXPECT_EQ(REC_record_name(9), nullptr);
    EXPECT_EQ(REC_record_size(REC_ANSWER), ASK_result_offset());
    // The allelic effect lies within the disease model's span of the union.
    const std::int32_t start = REC_field_named(REC_STUDY, "odds_ratio")->offset;
    EXPECT_LT(REC_field_named(REC_STUDY, "control_rate")->offset + 8,
              start + REC_record_size(REC_DISEASE_MODEL) + 1);
}

TEST(RecordDescription, OffsetsReadTheFieldsTheyName) {
    DSN_design_result d{};
    d.cases[0] = 11;
    d.cases[1] = 22;
    d.controls[0] = 33;
    d.controls[1] = 44;
    d.alpha[0] = 1e-3;
    d.alpha[1] = 2e-7;
    d.alpha[2] = 5e-8;
    const auto read_int = [&](const char *name) {
        std::int32_t v = 0;
        std::memcpy(
            &v,
            reinterpret_cast<const char *>(&d) + REC_field_named(REC_DESIGN_RESULT, name)->offset,
            4);
        return v;
    };
    const auto read_double = [&](const char *name) {
        double v = 0;
        std::memcpy(
            &v,
            reinterpret_cast<const char *>(&d) + REC_field_named(REC_DESIGN_RESULT, name)->offset,
            8);
        return v;
    };
    EXPECT_EQ(read_int("stage1_cases"), 11);
    EXPECT_EQ(read_int("stage2_cases"), 22);
    EXPECT_EQ(read_int("stage1_controls"), 33);
    EXPECT_EQ(read_int("stage2_controls"), 44);
    EXPECT_EQ(read_double("stage1_alpha"), 1e-3);
    EXPECT_EQ(read_double("final_alpha"), 2e-7);
    EXPECT_EQ(read_double("alpha"), 5e-8);

    STU_study s;
    STU_study_init(&s);
    s.effect.allelic.control_rate = 0.25;
    double rate = 0;
    std::memcpy(
        &rate,
        reinterpret_cast<const char *>(&s) + REC_field_named(REC_STUDY, "control_rate")->offset, 8);
    EXPECT_EQ(rate, 0.25);
    EXPECT_EQ(REC_field_named(REC_STUDY, "no such field"), nullptr);
}

TEST(RecordDescription, EveryPersonFacingNameIsInTheGlossary) {
    const std::set<std::string> glossary = glossary_names();
    ASSERT_GT(glossary.size(), 20U);
    for (const std::int32_t record : kRecords) {
        std::set<std::string> seen;
        for (const REC_field &f : fields_of(record)) {
            EXPECT_TRUE(seen.insert(f.name).second) << f.name << " twice";
            if (f.kind != REC_KIND_INTERNAL) {
                EXPECT_TRUE(glossary.count(f.name)) << f.name << " is not in docs/glossary.md";
            }
        }
    }
    for (std::int32_t q = 0; q < REC_question_count(); ++q) {
        const REC_question *question = REC_question_at(q);
        for (std::int32_t a = 0; a < question->argument_count; ++a) {
            const REC_argument &arg = question->arguments[a];
            if (arg.elements == 1) {
                EXPECT_TRUE(glossary.count(arg.name)) << arg.name;
            } else {
                EXPECT_TRUE(glossary.count(std::string("stage1_") + arg.name)) << arg.name;
                EXPECT_TRUE(glossary.count(std::string("stage2_") + arg.name)) << arg.name;
            }
        }
        std::stringstream fields(question->study_fields);
        std::string name;
        while (std::getline(fields, name, ',')) {
            EXPECT_NE(REC_field_named(REC_STUDY, name.c_str()), nullptr)
                << question->name << ": " << name;
        }
        EXPECT_EQ(REC_question_named(question->name), question);
    }
    EXPECT_EQ(REC_question_at(REC_question_count()), nullptr);
    EXPECT_EQ(REC_question_named("nothing"), nullptr);
}

TEST(RecordDescription, ChoicesRoundTripAndUnknownWordsAreRefused) {
    for (const char *choice : {"method", "variance", "count", "direction"}) {
        std::int32_t code = 0;
        int words = 0;
        for (std::int32_t i = 0; REC_choice_word(choice, i, &code) != nullptr; ++i) {
            const char *word = REC_choice_word(choice, i, &code);
            EXPECT_EQ(REC_choice_code(choice, word), code);
            EXPECT_STREQ(REC_choice_name(choice, code), word);
            ++words;
        }
        EXPECT_GE(words, 2) << choice;
    }
    EXPECT_EQ(REC_choice_code("method", "replication"), 0);
    EXPECT_EQ(REC_choice_code("method", "joint"), 2);
    EXPECT_EQ(REC_choice_code("method", "separate"), -1000);
    EXPECT_EQ(REC_choice_code("count", "people"), VANTOR_COUNT_PEOPLE);
    EXPECT_EQ(REC_choice_code("nothing", "people"), -1000);
    EXPECT_EQ(REC_choice_name("variance", 7), nullptr);
    EXPECT_EQ(REC_choice_word("direction", 2, nullptr), nullptr);
}

TEST(RecordDescription, EveryReasonWithWordsHasAName) {
    // Every code the library has words for is named, and no other.
    std::set<std::int32_t> named;
    for (std::int32_t i = 0; i < REC_reason_count(); ++i) {
        named.insert(REC_reason_at(i));
    }
    EXPECT_EQ(named.size(), static_cast<std::size_t>(REC_reason_count()));
    for (std::int32_t code = -5; code < 300; ++code) {
        const bool has_words = std::strcmp(VANTOR_message(code), "unknown reason code") != 0;
        EXPECT_EQ(has_words, named.count(code) == 1) << code;
        EXPECT_EQ(has_words, REC_reason_name(code) != nullptr) << code;
    }
    EXPECT_STREQ(REC_reason_name(VANTOR_REASON_BAD_CASES), "BAD_CASES");
    // Every refusal but the record's own names its input, by a glossary name
    // (or the model's ld, which front ends take as d_prime or r_squared).
    const std::set<std::string> glossary = glossary_names();
    for (std::int32_t i = 0; i < REC_reason_count(); ++i) {
        const std::int32_t code = REC_reason_at(i);
        const char *input = REC_reason_input(code);
        const bool refusal = VANTOR_status_of_reason(code) == VANTOR_INVALID_INPUT;
        const bool of_the_record =
            code == VANTOR_REASON_BAD_STUDY_SIZE || code == VANTOR_REASON_BAD_EFFECT_KIND ||
            code == VANTOR_REASON_BAD_LD_KIND ||
            // A request's sentences, and an input not read, name their
            // inputs in the answer.
            (code >= VANTOR_REASON_MISSING_INPUT && code <= VANTOR_REASON_TARGET_OR_BUDGET) ||
            code == VANTOR_REASON_INPUT_NOT_READ;
        EXPECT_EQ(input != nullptr, refusal && !of_the_record) << REC_reason_name(code);
        if (input != nullptr && std::strcmp(input, "ld") != 0) {
            EXPECT_TRUE(glossary.count(input)) << input;
        }
    }
    EXPECT_STREQ(REC_status_name(VANTOR_INVALID_INPUT), "INVALID_INPUT");
    EXPECT_EQ(REC_status_name(4), nullptr);
    EXPECT_EQ(REC_reason_at(-1), -1);
}

TEST(TwoStageOfATotal, ThousandPeopleWithThirtyPercentInStageOneHave150CasesThere) {
    STU_study s;
    STU_study_init(&s);
    s.effect.allelic = {1.3, 0.3};
    s.method = 2;
    s.stage1_alpha = 1e-3;
    DSN_design_result r{};
    ASSERT_EQ(STU_two_stage_power_of_total(&s, 1000, 0.3, 1.0, &r), VANTOR_FOUND);
    EXPECT_EQ(r.cases[0], 150);
    EXPECT_EQ(r.controls[0], 150);
    EXPECT_EQ(r.cases[1], 350);
    EXPECT_EQ(r.controls[1], 350);
    EXPECT_EQ(r.total, 1000);
    EXPECT_EQ(r.alpha[2], 5e-8);  // the default level

    const std::int64_t cases[2] = {150, 350};
    DSN_design_result same{};
    STU_two_stage_power(&s, cases, cases, 1.0, &same);
    EXPECT_EQ(same.power, r.power);
    EXPECT_EQ(same.cost, r.cost);
}

TEST(TwoStageOfATotal, CostCountsStageTwoAtItsShareOfMarkersAndCostRatio) {
    STU_study s;
    STU_study_init(&s);
    s.effect.allelic = {1.3, 0.3};
    s.method = 0;
    s.stage1_alpha = 0.01;
    const std::int64_t cases[2] = {1000, 3000};
    const std::int64_t controls[2] = {1200, 2800};
    DSN_design_result r{};
    ASSERT_EQ(STU_two_stage_power(&s, cases, controls, 5.0, &r), VANTOR_FOUND);
    EXPECT_NEAR(r.cost, 2200 + 5.0 * 0.01 * 5800, 1e-9);
    EXPECT_EQ(STU_two_stage_power(&s, cases, controls, 0.0, &r), VANTOR_INVALID_INPUT);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_COST_RATIO);
    EXPECT_EQ(STU_two_stage_power_of_total(&s, 1000, 1.0, 1.0, &r), VANTOR_INVALID_INPUT);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_STAGE1_SHARE);
    EXPECT_EQ(STU_two_stage_power_of_total(&s, 3, 0.5, 1.0, &r), VANTOR_INVALID_INPUT);
    EXPECT_EQ(r.reason, VANTOR_REASON_BAD_CONTROLS);
}
