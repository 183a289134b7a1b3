// The description of the records and questions: it covers every byte of each
// record it describes, names what the glossary names, and its questions
// answer as described.
#include "question/records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
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

namespace {

// A C field beside the offset its name is described at: the stringised C
// name must be the described (the glossary's) name.
struct CField {
    const char *name;
    std::size_t offset;
};
#define VANTOR_C_FIELD(record, field) \
    CField { #field, offsetof(record, field) }

void expect_described_as_named(std::int32_t record, const std::vector<CField> &fields) {
    for (const CField &c : fields) {
        const REC_field *described = REC_field_named(record, c.name);
        ASSERT_NE(described, nullptr) << c.name << " is a C field the description does not name";
        EXPECT_EQ(static_cast<std::size_t>(described->offset), c.offset) << c.name;
    }
}

}  // namespace

// Callers written against the old names still compile and mean the same.
TEST(RecordDescription, OldNamesAreTheNewOnes) {
    const std::int32_t old_names[] = {SLV_FOUND,
                                      SLV_INVALID_INPUT,
                                      SLV_REASON_BAD_UNIT,
                                      SLV_REASON_BAD_STATISTIC,
                                      SLV_REASON_BAD_STAGE0_SHARE,
                                      SLV_REASON_BAD_STAGE1_ALPHA,
                                      SLV_UNIT_PEOPLE,
                                      PWR_METHOD_SEPARATE,
                                      PWR_STATISTIC_UNPOOLED,
                                      SLV_LARGEST_COUNT};
    const std::int32_t new_names[] = {VANTOR_FOUND,
                                      VANTOR_INVALID_INPUT,
                                      VANTOR_REASON_BAD_COUNT,
                                      VANTOR_REASON_BAD_VARIANCE,
                                      VANTOR_REASON_BAD_STAGE1_SHARE,
                                      VANTOR_REASON_BAD_STAGE1_ALPHA,
                                      VANTOR_COUNT_PEOPLE,
                                      PWR_METHOD_REPLICATION,
                                      PWR_VARIANCE_UNPOOLED,
                                      VANTOR_LARGEST_COUNT};
    for (std::size_t i = 0; i < std::size(old_names); ++i) {
        EXPECT_EQ(old_names[i], new_names[i]) << i;
    }
}

TEST(RecordDescription, OldFunctionNamesCallTheNewOnes) {
    EXPECT_STREQ(SLV_message(SLV_REASON_BAD_UNIT), VANTOR_message(VANTOR_REASON_BAD_COUNT));
    EXPECT_EQ(SLV_check_unit(0), VANTOR_REASON_BAD_COUNT);
    EXPECT_EQ(SLV_check_statistic(7), VANTOR_REASON_BAD_VARIANCE);
    EXPECT_EQ(DSN_check_stage0_share(1.5), VANTOR_REASON_BAD_STAGE1_SHARE);
    EXPECT_STREQ(REC_reason_name(VANTOR_REASON_BAD_COUNT), "BAD_COUNT");
    EXPECT_STREQ(REC_reason_name(VANTOR_REASON_BAD_VARIANCE), "BAD_VARIANCE");
}

TEST(RecordDescription, CFieldsHaveTheNamesTheDescriptionGivesThem) {
    expect_described_as_named(
        REC_STUDY,
        {VANTOR_C_FIELD(STU_study, variance), VANTOR_C_FIELD(STU_study, count),
         VANTOR_C_FIELD(STU_study, alpha), VANTOR_C_FIELD(STU_study, method),
         VANTOR_C_FIELD(STU_study, stage1_alpha), VANTOR_C_FIELD(STU_study, case_fraction),
         VANTOR_C_FIELD(STU_study, test), VANTOR_C_FIELD(STU_study, markers)});
    expect_described_as_named(
        REC_DESIGN_RESULT,
        {VANTOR_C_FIELD(DSN_design_result, status), VANTOR_C_FIELD(DSN_design_result, reason),
         VANTOR_C_FIELD(DSN_design_result, total), VANTOR_C_FIELD(DSN_design_result, stage1_weight),
         VANTOR_C_FIELD(DSN_design_result, power), VANTOR_C_FIELD(DSN_design_result, cost),
         VANTOR_C_FIELD(DSN_design_result, one_stage_total),
         VANTOR_C_FIELD(DSN_design_result, relative_cost),
         VANTOR_C_FIELD(DSN_design_result, evaluations)});
    expect_described_as_named(
        REC_ANSWER, {VANTOR_C_FIELD(ASK_answer, status), VANTOR_C_FIELD(ASK_answer, reason),
                     VANTOR_C_FIELD(ASK_answer, question), VANTOR_C_FIELD(ASK_answer, record),
                     VANTOR_C_FIELD(ASK_answer, input), VANTOR_C_FIELD(ASK_answer, other_input),
                     VANTOR_C_FIELD(ASK_answer, direction), VANTOR_C_FIELD(ASK_answer, count),
                     VANTOR_C_FIELD(ASK_answer, controls), VANTOR_C_FIELD(ASK_answer, alpha)});
}

namespace {

// One row of the glossary's Names table, cells by their column's heading.
using GlossaryRow = std::map<std::string, std::string>;

std::vector<GlossaryRow> glossary_rows() {
    std::ifstream in(VANTOR_SOURCE_DIR "/docs/glossary.md");
    std::vector<GlossaryRow> rows;
    std::vector<std::string> header;
    std::string line;
    bool in_names = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) {
            in_names = line == "## Names";
        }
        if (!in_names || line.rfind('|', 0) != 0 || line.rfind("|---", 0) == 0) {
            continue;
        }
        std::vector<std::string> cells;
        std::stringstream row(line.substr(1));
        std::string cell;
        while (std::getline(row, cell, '|')) {
            cells.push_back(cell.substr(cell.find_first_not_of(' ')));
            cells.back().erase(cells.back().find_last_not_of(' ') + 1);
        }
        if (header.empty()) {
            header = cells;
            continue;
        }
        GlossaryRow named;
        for (std::size_t i = 0; i < cells.size() && i < header.size(); ++i) {
            named[header[i]] = cells[i];
        }
        rows.push_back(named);
    }
    return rows;
}

// The names in backticks of a cell, in order.
std::vector<std::string> names_in(const std::string &cell) {
    static const std::regex quoted("`([^`]+)`");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(cell.begin(), cell.end(), quoted);
         it != std::sregex_iterator(); ++it) {
        names.push_back((*it)[1]);
    }
    return names;
}

std::string with_underscores(std::string name) {
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

bool is_library_name(const std::string &name) {
    if (ASK_input_index(name.c_str()) >= 0) {
        return true;
    }
    return std::any_of(std::begin(kRecords), std::end(kRecords), [&](std::int32_t record) {
        return REC_field_named(record, name.c_str()) != nullptr;
    });
}

}  // namespace

TEST(Glossary, EachCNameIsTheProgramsOptionAndColumnWithUnderscores) {
    const std::vector<GlossaryRow> rows = glossary_rows();
    ASSERT_GT(rows.size(), 40U);
    ASSERT_EQ(rows.front().count("C"), 1U) << "the Names table has no C column";
    const std::map<std::string, std::int32_t> records = {{"STU_study", REC_STUDY},
                                                         {"DSN_design_result", REC_DESIGN_RESULT},
                                                         {"ASK_answer", REC_ANSWER}};
    for (const GlossaryRow &row : rows) {
        const std::vector<std::string> c = names_in(row.at("C"));
        if (c.empty() || row.at("C").rfind("—", 0) == 0) {
            continue;
        }
        const std::string &name = c.front();
        EXPECT_TRUE(is_library_name(name)) << name << " is neither an input nor a field";
        for (const std::string &option : names_in(row.at("program option"))) {
            EXPECT_EQ(with_underscores(option.substr(2)), name) << option;
        }
        for (const std::string &column : names_in(row.at("program column"))) {
            EXPECT_EQ(with_underscores(column), name) << column;
        }
        for (std::size_t i = 1; i < c.size(); ++i) {
            // Record.field: described under the row's name.
            const std::string record = c[i].substr(0, c[i].find('.'));
            ASSERT_EQ(records.count(record), 1U) << c[i];
            EXPECT_NE(REC_field_named(records.at(record), name.c_str()), nullptr) << c[i];
            const std::string field = c[i].substr(c[i].rfind('.') + 1);
            if (field.find('[') == std::string::npos) {
                EXPECT_EQ(field, name) << c[i];
            }
        }
    }
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
            code == VANTOR_REASON_BAD_LD_KIND || code == VANTOR_REASON_BAD_GENOTYPES ||
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
