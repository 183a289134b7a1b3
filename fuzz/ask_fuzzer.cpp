// Feeds arbitrary named inputs into one request (question/ask.h) and checks
// the answer: its words name inputs as spelled and hold no template left
// unfilled, its status is its reason's, and an answered question gives, bit
// for bit, what the per-question function of question/study.h gives for the
// values the request takes (ASK_input_taken). The input is read as entries
// until it runs out, each
//   uint8 input (modulo the number of inputs), uint8 form, then
//   form even: double value; form odd: uint8 word (modulo the choice's words,
//   or 0xff for a word of none)
// (10 or 3 bytes). Two-stage design searches are not asked (a second each);
// make_ask_seeds.py writes seeds in this layout. The first entry's input is
// also asked as two rows of a grid (question/rows.h): another value, then its
// own; each row's answers are those of a request of its values alone.
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "fuzz/byte_reader.h"
#include "fuzz/fuzz_target.h"
#include "numeric/MTH_report.h"
#include "question/ask.h"
#include "question/records.h"
#include "question/rows.h"
#include "question/study.h"
#include "vantor/methods.h"
#include "vantor/version.h"

namespace {

[[noreturn]] void finding(const std::string &what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

std::int32_t input(const char *name) { return ASK_input_index(name); }

// The word of a choice at `index` among its words, or a word of none.
const char *word_of(const char *choice, std::uint8_t index) {
    std::int32_t count = 0;
    std::int32_t code = 0;
    while (REC_choice_word(choice, count, &code) != nullptr) {
        ++count;
    }
    return index == 0xff || count == 0 ? "none of them"
                                       : REC_choice_word(choice, index % count, &code);
}

// The most simulated studies a fuzzed request runs: more would only repeat
// the same paths, slowly.
constexpr double kMostReplicates = 1000;

void read_request(ByteReader &reader, std::size_t size, ASK_request *request) {
    const auto inputs = static_cast<std::uint8_t>(ASK_input_count());
    for (std::size_t used = 0; used + 2 <= size;) {
        const std::int32_t index = reader.take<std::uint8_t>() % inputs;
        const std::uint8_t form = reader.take<std::uint8_t>();
        const ASK_input &about = *ASK_input_at(index);
        if (form % 2 == 1 && about.kind == ASK_WORD) {
            ASK_give_word(request, index, word_of(about.choice, reader.take<std::uint8_t>()));
            used += 3;
        } else {
            double value = reader.take<double>();
            if (index == input("replicates") && value > kMostReplicates && value <= 1e9) {
                value = 1 + std::fmod(value, kMostReplicates);
            }
            ASK_give(request, index, value);
            used += 10;
        }
    }
}

// The value the request takes for an input, by name.
double taken(const ASK_request *request, const char *name) {
    return ASK_input_taken(request, input(name));
}

// A count the request takes, 0 when it takes none (a count not whole or
// beyond 2^53 is refused before any question is asked).
std::int64_t taken_count(const ASK_request *request, const char *name) {
    const double count = taken(request, name);
    return std::isnan(count) ? 0 : static_cast<std::int64_t>(count);
}

bool given(const ASK_request *request, const char *name) {
    return ASK_is_given(request, input(name)) == 1;
}

// The costs in money and the limits the request gives (the questions
// compared here are not design searches, which keep a level and share).
void set_plan(const ASK_request *request, STU_study &study) {
    const char *money[] = {"stage1_cost_per_person", "stage2_cost_per_person",
                           "stage2_cost_per_genotype", "stage1_fixed_cost", "stage2_fixed_cost"};
    double *fields[] = {&study.costs.stage1_cost_per_person, &study.costs.stage2_cost_per_person,
                        &study.costs.stage2_cost_per_genotype, &study.costs.fixed[0],
                        &study.costs.fixed[1]};
    for (std::size_t i = 0; i < std::size(money); ++i) {
        if (given(request, money[i])) {
            study.costs.money = 1;
            *fields[i] = taken(request, money[i]);
        }
    }
    const char *people[] = {"cases_available", "controls_available", "stage1_controls_available",
                            "stage2_controls_available"};
    std::int64_t *caps[] = {&study.cases_available, &study.controls_available,
                            &study.stage_controls_available[0], &study.stage_controls_available[1]};
    for (std::size_t i = 0; i < std::size(people); ++i) {
        if (given(request, people[i])) {
            *caps[i] = taken_count(request, people[i]);
        }
    }
    if (given(request, "panel")) {
        study.panel = taken(request, "panel");
    }
}

// The study the request describes, built from the values it takes.
STU_study study_of(const ASK_request *request) {
    STU_study study;
    STU_study_init(&study);
    bool disease = false;
    for (std::int32_t i = 0; i < ASK_input_count(); ++i) {
        disease = disease ||
                  (ASK_input_at(i)->effect == STU_EFFECT_DISEASE && ASK_is_given(request, i) == 1);
    }
    if (disease) {
        study.effect_kind = STU_EFFECT_DISEASE;
        DIS_model &model = study.effect.disease;
        DIS_model_init(&model);
        const auto set = [request](const char *name, double &field) {
            if (given(request, name)) {
                field = taken(request, name);
            }
        };
        set("frequency", model.frequency);
        set("prevalence", model.prevalence);
        set("relative_risk", model.relative_risk);
        set("heterozygote_risk", model.heterozygote_risk);
        set("homozygote_risk", model.homozygote_risk);
        set("marker_frequency", model.marker_frequency);
        model.model = static_cast<std::int32_t>(taken(request, "model"));
        model.controls_kind = static_cast<std::int32_t>(taken(request, "controls_kind"));
        if (given(request, "d_prime")) {
            model.ld_kind = DIS_LD_D_PRIME;
            model.ld = taken(request, "d_prime");
        } else if (given(request, "r_squared")) {
            model.ld_kind = DIS_LD_R_SQUARED;
            model.ld = taken(request, "r_squared");
        }
    } else {
        study.effect.allelic.odds_ratio = taken(request, "odds_ratio");
        study.effect.allelic.control_rate = taken(request, "control_rate");
    }
    study.variance = static_cast<std::int32_t>(taken(request, "variance"));
    study.count = static_cast<std::int32_t>(taken(request, "count"));
    study.test = static_cast<std::int32_t>(taken(request, "test"));
    study.markers = taken(request, "markers");
    study.alpha = taken(request, "alpha");
    if (given(request, "calculation")) {
        study.calculation = static_cast<std::int32_t>(taken(request, "calculation"));
    }
    if (taken(request, "stages") == 2) {
        study.method = static_cast<std::int32_t>(taken(request, "method"));
        study.stage1_alpha = taken(request, "stage1_alpha");
        study.case_fraction = taken(request, "case_fraction");
        set_plan(request, study);
    }
    return study;
}

template <typename Record>
std::string bytes_of(const Record &record) {
    return {reinterpret_cast<const char *>(&record), sizeof record};
}

std::string single_stage_answer(const ASK_request *request, const ASK_answer &answer,
                                const STU_study &study, const std::string &question) {
    const std::int64_t cases = taken_count(request, "cases");
    const std::int64_t controls =
        answer.controls > 0 ? answer.controls : taken_count(request, "controls");
    const double target = taken(request, "target_power");
    if (question == "power") {
        STU_power_result result{};
        STU_power(&study, cases, controls, &result);
        return bytes_of(result);
    }
    STU_size_result size{};
    if (question == "cases_for_controls") {
        STU_cases_for_controls(&study, controls, target, &size);
    } else if (question == "controls_for_cases") {
        STU_controls_for_cases(&study, cases, target, &size);
    } else if (question == "cases_for_ratio") {
        STU_cases_for_ratio(&study, taken(request, "controls_per_case"), target, &size);
    } else if (question == "controls_for_ratio") {
        STU_controls_for_ratio(&study, taken(request, "cases_per_control"), target, &size);
    } else if (question == "odds_ratio") {
        SLV_effect_result effect{};
        STU_odds_ratio(&study, cases, controls, target, answer.direction, &effect);
        return bytes_of(effect);
    } else {
        STU_risk_result risk{};
        STU_relative_risk(&study, cases, controls, target, answer.direction, &risk);
        return bytes_of(risk);
    }
    return bytes_of(size);
}

std::string two_stage_answer(const ASK_request *request, const STU_study &study,
                             const std::string &question) {
    DSN_design_result design{};
    // Costs in money take no cost ratio; the genotypes per marker are then
    // counted at 1.
    const double cost_ratio = given(request, "cost_ratio") ? taken(request, "cost_ratio") : 1.0;
    if (question == "two_stage_power") {
        const std::int64_t cases[2] = {taken_count(request, "stage1_cases"),
                                       taken_count(request, "stage2_cases")};
        const std::int64_t controls[2] = {taken_count(request, "stage1_controls"),
                                          taken_count(request, "stage2_controls")};
        STU_two_stage_power(&study, cases, controls, cost_ratio, &design);
    } else if (question == "two_stage_power_of_total") {
        STU_two_stage_power_of_total(&study, taken_count(request, "total"),
                                     taken(request, "stage1_share"), cost_ratio, &design);
    } else {
        STU_smallest_total_at_cost(&study, taken(request, "stage1_share"),
                                   taken(request, "target_power"), cost_ratio, &design);
    }
    return bytes_of(design);
}

void check_words(const ASK_answer &answer, const ASK_request *request) {
    for (const std::int32_t spelling : {ASK_SPELL_OPTION, ASK_SPELL_NAME}) {
        char words[2048];
        const std::int32_t length = ASK_message(&answer, request, spelling, words, sizeof words);
        if (length <= 0 || std::strchr(words, '{') != nullptr ||
            std::strchr(words, '}') != nullptr) {
            finding(std::string("words with a template left: ") + words);
        }
    }
    if (answer.status != VANTOR_status_of_reason(answer.reason)) {
        finding("a status that is not its reason's");
    }
}

void check_answer(const ASK_answer &answer, const ASK_request *request) {
    check_words(answer, request);
    if (answer.status == VANTOR_INVALID_INPUT) {
        return;
    }
    const REC_question *asked = REC_question_at(answer.question);
    if (asked == nullptr || asked->result != answer.record) {
        finding("an answer without its question");
    }
    const STU_study study = study_of(request);
    const std::string question = asked->name;
    const std::string expected = taken(request, "stages") == 2
                                     ? two_stage_answer(request, study, question)
                                     : single_stage_answer(request, answer, study, question);
    const std::string got(reinterpret_cast<const char *>(&answer.result), expected.size());
    if (got != expected) {
        finding("the named question answers otherwise than " + std::string(asked->function));
    }
}

// The check without an answer refuses as the answer does (which may refuse
// more: what only computing finds).
void check_the_check(const ASK_answer &checked, std::int32_t accepted, const ASK_answer &answer) {
    if (accepted == 0 &&
        (answer.status != VANTOR_INVALID_INPUT || checked.reason != answer.reason ||
         checked.input != answer.input || checked.other_input != answer.other_input)) {
        finding(std::string("ASK_check_request refuses otherwise than ASK_answer_request: ") +
                REC_reason_name(checked.reason) + " against " + REC_reason_name(answer.reason));
    }
}

std::uint64_t bits_of(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A simulated power: asked for, it is a share of the replicates given with
// its binomial error, and the same when asked again; not asked for, none.
void check_simulation(const ASK_answer &answer, const ASK_answer &again,
                      const ASK_request *request) {
    const bool found = answer.status == VANTOR_FOUND || answer.status == VANTOR_FOUND_WITH_WARNING;
    if (!given(request, "replicates") || !found) {
        if (answer.replicates != 0 || !std::isnan(answer.simulated_power)) {
            finding("a simulated power not asked for");
        }
        return;
    }
    if (answer.replicates == 0 && answer.reason == VANTOR_REASON_NOT_SIMULATED &&
        answer.status == VANTOR_FOUND_WITH_WARNING && std::isnan(answer.simulated_power)) {
        return;  // a study the simulation cannot draw, said so
    }
    const double n = taken(request, "replicates");
    const double p = answer.simulated_power;
    const double rejections = p * n;
    if (static_cast<double>(answer.replicates) != n ||
        static_cast<double>(answer.seed) != taken(request, "seed") || !(p >= 0 && p <= 1) ||
        std::fabs(rejections - std::round(rejections)) > 1e-6 ||
        std::fabs(answer.standard_error - std::sqrt(p * (1 - p) / n)) > 1e-15) {
        finding("a simulated power that is not a share of its replicates");
    }
    if (bits_of(again.simulated_power) != bits_of(answer.simulated_power)) {
        finding("a seed that gives two simulated powers");
    }
}

// Whether `word` is in `text` as a word of its own ("nan", not "dominant").
bool holds_word(const std::string &text, const std::string &word) {
    const auto letter = [&text](std::size_t at) {
        return at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])) != 0;
    };
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        if ((at == 0 || !letter(at - 1)) && !letter(at + word.size())) {
            return true;
        }
    }
    return false;
}

// The text a writer of vantor/methods.h gives, asked for its length first;
// a finding when the length it returns is not the text's.
template <typename Write>
std::string written_text(Write write) {
    const std::int32_t length = write(nullptr, 0);
    std::string text(static_cast<std::size_t>(length) + 1, 'x');
    if (write(text.data(), length + 1) != length ||
        text[static_cast<std::size_t>(length)] != '\0' ||
        std::strlen(text.c_str()) != static_cast<std::size_t>(length)) {
        finding("a methods text whose length is not the one returned");
    }
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The methods paragraph and caption of the first answer: a found answer's
// name no number that is not one and end with the version and references;
// any other answer's paragraph is its words. (A short buffer's cut is the
// unit tests'; the fuzzer keeps to what costs little beside the answer.)
void check_methods(const ASK_answer &answer, const ASK_request *request) {
    const std::string paragraph = written_text([&](char *text, std::int32_t capacity) {
        return vantor_methods(request, &answer, text, capacity);
    });
    const std::string caption = written_text([&](char *text, std::int32_t capacity) {
        return vantor_caption(request, &answer, ASK_input_index("cases"),
                              ASK_input_index("relative_risk"), text, capacity);
    });
    if (answer.status <= VANTOR_FOUND_WITH_WARNING) {
        for (const std::string &text : {paragraph, caption}) {
            if (holds_word(text, "nan") || holds_word(text, "inf")) {
                finding("a methods text with a number that is none: " + text);
            }
        }
        if (paragraph.find(std::string("\nCalculated with vantor ") + vantor_version() + ".") ==
                std::string::npos ||
            caption.empty() || caption.back() != '.') {
            finding("a methods paragraph or caption cut short: " + paragraph + " / " + caption);
        }
    } else {
        char words[1024];
        ASK_message(&answer, request, ASK_SPELL_NAME, words, sizeof words);
        if (paragraph != words) {
            finding("the methods of an answer not found are not its words: " + paragraph);
        }
    }
}

// Every field the library describes of two answers' heads and results holds
// the same bits.
bool same_answer(const ASK_answer &a, const ASK_answer &b) {
    const auto same_fields = [&](std::int32_t record, std::int32_t base) {
        for (std::int32_t k = 0; k < REC_field_count(record); ++k) {
            const REC_field &field = *REC_field_at(record, k);
            const std::size_t at =
                static_cast<std::size_t>(base) + static_cast<std::size_t>(field.offset);
            const std::size_t bytes = field.type == REC_INT32 ? 4 : 8;
            if (std::memcmp(reinterpret_cast<const char *>(&a) + at,
                            reinterpret_cast<const char *>(&b) + at, bytes) != 0) {
                return false;
            }
        }
        return true;
    };
    return a.record == b.record && same_fields(REC_ANSWER, 0) &&
           same_fields(a.record, ASK_result_offset());
}

using Request = std::unique_ptr<ASK_request, decltype(&ASK_request_free)>;

Request request_of(const std::uint8_t *data, std::size_t size) {
    Request request(ASK_request_new(), ASK_request_free);
    ByteReader reader(data, size);
    read_request(reader, size, request.get());
    return request;
}

// The request's first input as two rows of a grid, on a request read again:
// twice its value (a word its next code), then its own value. The first row
// answers as a request given that value alone; the second as the request
// itself (`answers`), though the row before changed the input.
void check_rows(const std::uint8_t *data, std::size_t size, const ASK_answer *answers,
                std::int32_t count) {
    const std::int32_t index = size < 2 ? -1 : data[0] % ASK_input_count();
    // Another word of "solve" could ask for a design search (a second each).
    if (index < 0 || index == input("solve") ||
        ASK_is_given(request_of(data, size).get(), index) == 0) {
        return;
    }
    const Request grid = request_of(data, size);
    const double own = ASK_input_taken(grid.get(), index);
    const double other = ASK_input_at(index)->kind == ASK_WORD ? own + 1 : own * 2;
    const double values[2] = {other, own};
    const double *column = values;
    ASK_answer rows[2 * ASK_MOST_ANSWERS];
    std::int32_t per_row = 0;
    const std::int64_t answered =
        ASK_answer_rows(grid.get(), 1, &index, &column, 2, rows, &per_row);
    const Request alone = request_of(data, size);
    ASK_give(alone.get(), index, other);
    ASK_answer first[ASK_MOST_ANSWERS];
    const std::int32_t first_count = ASK_answer_request(alone.get(), first);
    const bool first_refused = first[0].status == VANTOR_INVALID_INPUT;
    if (per_row != first_count || !same_answer(rows[0], first[0]) ||
        (per_row == 2 && !first_refused && !same_answer(rows[1], first[1]))) {
        finding("a grid's first row answers otherwise than its values alone");
    }
    if (first_refused) {
        return;  // the rows stop there
    }
    const bool refused = answers[0].status == VANTOR_INVALID_INPUT;
    if (answered != (refused ? 1 : 2) || (!refused && count != per_row)) {
        finding("a grid's rows stop otherwise than their requests alone are refused");
    }
    for (std::int32_t k = 0; k < (refused ? 1 : count); ++k) {
        if (!same_answer(rows[per_row + k], answers[k])) {
            finding("a grid's row answers otherwise than its values alone after another row");
        }
    }
}

bool asks_a_design_search(const ASK_request *request) {
    const double solve = taken(request, "solve");
    const bool design = given(request, "solve") && solve == ASK_SOLVE_DESIGN;
    return given(request, "stages") && taken(request, "stages") == 2 &&
           (given(request, "budget") || design);
}

void count_report(const char * /*what*/, void * /*context*/) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) {
    MTH_set_report_hook({count_report, nullptr});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::unique_ptr<ASK_request, decltype(&ASK_request_free)> request(ASK_request_new(),
                                                                            ASK_request_free);
    ByteReader reader(data, size);
    read_request(reader, size, request.get());
    if (asks_a_design_search(request.get())) {
        return 0;
    }
    ASK_answer checked{};
    const std::int32_t accepted = ASK_check_request(request.get(), &checked);
    ASK_answer answers[ASK_MOST_ANSWERS];
    const std::int32_t count = ASK_answer_request(request.get(), answers);
    if (count < 1 || count > ASK_MOST_ANSWERS) {
        finding("an answer count out of range");
    }
    check_the_check(checked, accepted, answers[0]);
    ASK_answer again[ASK_MOST_ANSWERS];
    ASK_answer_request(request.get(), again);
    for (std::int32_t i = 0; i < count; ++i) {
        check_answer(answers[i], request.get());
        check_simulation(answers[i], again[i], request.get());
    }
    check_methods(answers[0], request.get());
    check_rows(data, size, answers, count);
    return 0;
}
