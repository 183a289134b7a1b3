// Seeded random questions asked both ways: by named inputs (question/ask.h)
// and through the per-question functions of question/study.h with a study
// record built here. The two answers agree bit for bit, and a request the
// functions answer is never refused by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "question/ask.h"
#include "question/records.h"
#include "question/study.h"

namespace {

using Request = std::unique_ptr<ASK_request, decltype(&ASK_request_free)>;

// Draws from the engine's raw bits (the standard distributions differ
// between libraries; the engine's output does not).
class Draw {
public:
    explicit Draw(std::uint64_t seed) : engine_(seed) {}
    double uniform(double low, double high) {
        const double unit = static_cast<double>(engine_() >> 11) * 0x1.0p-53;
        return low + (high - low) * unit;
    }
    double log_uniform(double low, double high) {
        return std::exp(uniform(std::log(low), std::log(high)));
    }
    std::int64_t count(std::int64_t low, std::int64_t high) {
        return low +
               static_cast<std::int64_t>(engine_() % static_cast<std::uint64_t>(high - low + 1));
    }
    bool chance(double p) { return uniform(0, 1) < p; }
    std::mt19937_64::result_type bits() { return engine_(); }

private:
    std::mt19937_64 engine_;
};

void give(ASK_request *request, const char *name, double value) {
    ASK_give(request, ASK_input_index(name), value);
}

void give_word(ASK_request *request, const char *name, const char *word) {
    ASK_give_word(request, ASK_input_index(name), word);
}

// The study's effect and level, drawn, given both ways.
void draw_study(Draw &draw, ASK_request *request, STU_study &study) {
    STU_study_init(&study);
    if (draw.chance(0.5)) {
        study.effect.allelic.odds_ratio =
            draw.chance(0.8) ? draw.uniform(1.05, 2.5) : draw.uniform(0.4, 0.95);
        study.effect.allelic.control_rate = draw.uniform(0.02, 0.9);
        give(request, "odds_ratio", study.effect.allelic.odds_ratio);
        give(request, "control_rate", study.effect.allelic.control_rate);
    } else {
        study.effect_kind = STU_EFFECT_DISEASE;
        DIS_model &model = study.effect.disease;
        DIS_model_init(&model);
        model.frequency = draw.uniform(0.05, 0.6);
        model.prevalence = draw.log_uniform(0.001, 0.1);
        model.relative_risk = draw.uniform(1.1, 1.8);
        give(request, "frequency", model.frequency);
        give(request, "prevalence", model.prevalence);
        give(request, "relative_risk", model.relative_risk);
        if (draw.chance(0.3)) {
            model.model = DIS_ADDITIVE;
            give_word(request, "model", "additive");
        }
        if (draw.chance(0.3)) {
            model.ld_kind = DIS_LD_R_SQUARED;
            model.ld = draw.uniform(0.3, 1);
            give(request, "r_squared", model.ld);
        }
    }
    if (draw.chance(0.5)) {
        study.alpha = draw.log_uniform(1e-9, 0.05);
        give(request, "alpha", study.alpha);
    }
    if (draw.chance(0.3)) {
        study.variance = PWR_VARIANCE_UNPOOLED;
        give_word(request, "variance", "unpooled");
    }
}

// The answer's result record, as bytes.
std::string result_bytes(const ASK_answer &answer) {
    const auto *at = reinterpret_cast<const char *>(&answer.result);
    return {at, static_cast<std::size_t>(REC_record_size(answer.record))};
}

template <typename Record>
std::string bytes_of(const Record &record) {
    return {reinterpret_cast<const char *>(&record), sizeof record};
}

std::string single_stage_question(Draw &draw, ASK_request *request, STU_study &study) {
    draw_study(draw, request, study);
    const std::int64_t cases = draw.count(50, 20000);
    const std::int64_t controls = draw.count(50, 20000);
    const double target = draw.uniform(0.5, 0.95);
    switch (draw.bits() % 4) {
        case 0: {
            give(request, "cases", static_cast<double>(cases));
            give(request, "controls", static_cast<double>(controls));
            STU_power_result result{};
            STU_power(&study, cases, controls, &result);
            return bytes_of(result);
        }
        case 1: {
            give(request, "controls", static_cast<double>(controls));
            give(request, "target_power", target);
            STU_size_result result{};
            STU_cases_for_controls(&study, controls, target, &result);
            return bytes_of(result);
        }
        case 2: {
            const double ratio = draw.uniform(0.5, 4);
            give(request, "controls_per_case", ratio);
            give_word(request, "solve", "size");
            STU_size_result result{};
            STU_cases_for_ratio(&study, ratio, ASK_DEFAULT_TARGET_POWER, &result);
            return bytes_of(result);
        }
        default:
            break;
    }
    give(request, "cases", static_cast<double>(cases));
    give(request, "controls", static_cast<double>(controls));
    give(request, "target_power", target);
    give_word(request, "direction", "above");
    if (study.effect_kind == STU_EFFECT_DISEASE) {
        ASK_leave_open(request, ASK_input_index("relative_risk"));
        STU_risk_result result{};
        STU_relative_risk(&study, cases, controls, target, STU_ABOVE_ONE, &result);
        return bytes_of(result);
    }
    ASK_leave_open(request, ASK_input_index("odds_ratio"));
    SLV_effect_result result{};
    STU_odds_ratio(&study, cases, controls, target, STU_ABOVE_ONE, &result);
    return bytes_of(result);
}

std::string two_stage_question(Draw &draw, ASK_request *request, STU_study &study) {
    draw_study(draw, request, study);
    give(request, "stages", 2);
    const char *methods[] = {"replication", "product", "joint"};
    const std::size_t method = draw.bits() % 3;
    give_word(request, "method", methods[method]);
    study.method = REC_choice_code("method", methods[method]);
    study.stage1_alpha = draw.log_uniform(std::max(1e-6, 4 * study.alpha), 0.05);
    give(request, "stage1_alpha", study.stage1_alpha);
    const std::int64_t total = draw.count(1000, 40000);
    const double share = draw.uniform(0.2, 0.8);
    give(request, "total", static_cast<double>(total));
    give(request, "stage1_share", share);
    DSN_design_result result{};
    STU_two_stage_power_of_total(&study, total, share, 1, &result);
    return bytes_of(result);
}

TEST(AskedByName, RandomQuestionsAnswerAsTheirFunctionsBitForBit) {
    Draw draw(20261208);
    Request request(ASK_request_new(), ASK_request_free);
    int compared = 0;
    constexpr int kQuestions = 100000;
    for (int i = 0; i < kQuestions; ++i) {
        ASK_request_clear(request.get());
        STU_study study;
        const bool two_stages = i % 10 == 0;
        const std::string expected = two_stages ? two_stage_question(draw, request.get(), study)
                                                : single_stage_question(draw, request.get(), study);
        ASK_answer answers[ASK_MOST_ANSWERS];
        ASSERT_EQ(ASK_answer_request(request.get(), answers), 1) << i;
        std::int32_t status = 0;
        std::memcpy(&status, expected.data(), sizeof status);
        if (status == VANTOR_INVALID_INPUT) {
            continue;  // drawn outside what the study accepts
        }
        ASSERT_NE(answers[0].status, VANTOR_INVALID_INPUT) << i << ": " << answers[0].reason;
        ASSERT_EQ(result_bytes(answers[0]), expected) << "question " << i;
        ++compared;
    }
    EXPECT_GT(compared, kQuestions * 9 / 10);
}

}  // namespace

namespace {

// One input of the request kept beside it, as given.
struct Given {
    std::string name;
    double value;
    std::string word;  // a word input's word; empty for a number
};

void replay(ASK_request *request, const std::vector<Given> &inputs) {
    ASK_request_clear(request);
    for (const Given &input : inputs) {
        const std::int32_t index = ASK_input_index(input.name.c_str());
        if (input.word.empty()) {
            ASK_give(request, index, input.value);
        } else {
            ASK_give_word(request, index, input.word.c_str());
        }
    }
}

void expect_same(const ASK_answer &kept, const ASK_answer &fresh, int step) {
    EXPECT_EQ(kept.status, fresh.status) << step;
    EXPECT_EQ(kept.reason, fresh.reason) << step;
    EXPECT_EQ(kept.input, fresh.input) << step;
    EXPECT_EQ(kept.question, fresh.question) << step;
    EXPECT_TRUE(kept.alpha == fresh.alpha || (std::isnan(kept.alpha) && std::isnan(fresh.alpha)))
        << step;
    if (kept.record == fresh.record && kept.record != 0) {
        EXPECT_EQ(result_bytes(kept), result_bytes(fresh)) << step;
    }
}

}  // namespace

// A request asked again after some inputs changed (a grid's next row) answers
// as a fresh request of the same inputs: what it remembers of the last
// answer's study never stands in for a study input given anew.
TEST(AskedByName, ARequestAskedAgainAnswersAsAFreshOne) {
    Draw draw(8122026);
    Request kept(ASK_request_new(), ASK_request_free);
    Request fresh(ASK_request_new(), ASK_request_free);
    // Inputs the rows change: the question's own, the study's, and words.
    const char *numbers[] = {
        "cases", "controls", "controls_per_case", "target_power", "odds_ratio",   "control_rate",
        "alpha", "markers",  "frequency",         "prevalence",   "relative_risk"};
    const char *words[][3] = {{"variance", "pooled", "unpooled"},
                              {"count", "people", "alleles"},
                              {"test", "allelic", "trend"}};
    std::vector<Given> inputs = {{"cases", 2000, ""},
                                 {"controls", 2000, ""},
                                 {"odds_ratio", 1.3, ""},
                                 {"control_rate", 0.3, ""}};
    replay(kept.get(), inputs);
    int found = 0;
    for (int step = 0; step < 20000; ++step) {
        const std::uint64_t choice = draw.bits() % 14;
        Given change{};
        if (choice < 8) {
            // Mostly values a study takes, now and then one it refuses.
            constexpr double kLow[] = {0, 0, 0.5, 0.5, 0.5, 0.02, 1e-9, 1};
            constexpr double kHigh[] = {5000, 5000, 3, 0.95, 2, 0.6, 0.05, 100};
            change = {numbers[choice], draw.uniform(kLow[choice], kHigh[choice]), ""};
            if (choice < 2) {
                change.value = std::floor(change.value);
            }
        } else if (choice < 11) {
            const auto &word = words[choice - 8];
            change = {word[0], 0, word[1 + draw.bits() % 2]};
        }
        const auto at = std::find_if(inputs.begin(), inputs.end(),
                                     [&change](const Given &g) { return g.name == change.name; });
        if (choice >= 11) {  // leave one open
            if (!inputs.empty()) {
                const std::size_t gone = draw.bits() % inputs.size();
                ASK_leave_open(kept.get(), ASK_input_index(inputs[gone].name.c_str()));
                inputs.erase(inputs.begin() + static_cast<std::ptrdiff_t>(gone));
            }
        } else {
            if (at != inputs.end()) {
                *at = change;
            } else {
                inputs.push_back(change);
            }
            const std::int32_t index = ASK_input_index(change.name.c_str());
            if (change.word.empty()) {
                ASK_give(kept.get(), index, change.value);
            } else {
                ASK_give_word(kept.get(), index, change.word.c_str());
            }
        }
        replay(fresh.get(), inputs);
        ASK_answer kept_answers[ASK_MOST_ANSWERS];
        ASK_answer fresh_answers[ASK_MOST_ANSWERS];
        const std::int32_t count = ASK_answer_request(kept.get(), kept_answers);
        ASSERT_EQ(count, ASK_answer_request(fresh.get(), fresh_answers)) << step;
        expect_same(kept_answers[0], fresh_answers[0], step);
        if (::testing::Test::HasFailure()) {
            return;
        }
        found += kept_answers[0].status == VANTOR_INVALID_INPUT ? 0 : 1;
    }
    EXPECT_GT(found, 1000);
}
