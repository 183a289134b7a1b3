// The library for the page's WebAssembly module.
//
// The page asks the library by named inputs, through question/ask.h itself:
// build.sh exports every ASK_ and REC_ function as it is (a request, giving
// inputs by name and as the text typed, answering; the names of statuses,
// reasons and choices' words). What JavaScript cannot read from the library
// by itself is here: the records' descriptions (question/records.h), the
// questions' names and the inputs' descriptions, fields of structures, as
// strings; the answers of a request; an answer's words, its methods
// paragraph and a figure's caption as strings; how far a simulation has
// come, told to JavaScript as it runs. The module is
// single-threaded (one per worker), and the page reads the answers of a
// request before it asks again.
#include <cstdint>
#include <string>

#include "question/ask.h"
#include "question/records.h"
#include "vantor/methods.h"

// Tells the module's `simulationProgress` function, when JavaScript has set
// one, the studies simulated so far of the total (as numbers: a count of at
// most 1e9 is exact). Compiled natively (by the checks' tools), nothing.
#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
// clang-format off
EM_JS(void, tell_simulation_progress, (double done, double total), {
    if (Module["simulationProgress"]) Module["simulationProgress"](done, total);
});
// clang-format on
#else
static void tell_simulation_progress(double /*done*/, double /*total*/) {}
#endif

namespace {

ASK_answer answers[ASK_MOST_ANSWERS];
std::string words;

const char *type_name(std::int32_t type) {
    switch (type) {
        case REC_INT32:
            return "int32";
        case REC_INT64:
            return "int64";
        case REC_DOUBLE:
            return "double";
        default:
            return "";
    }
}

const char *kind_name(std::int32_t kind) {
    switch (kind) {
        case REC_KIND_NUMBER:
            return "number";
        case REC_KIND_COUNT:
            return "count";
        case REC_KIND_STATUS:
            return "status";
        case REC_KIND_REASON:
            return "reason";
        case REC_KIND_CHOICE:
            return "choice";
        case REC_KIND_INTERNAL:
            return "internal";
        default:
            return "";
    }
}

// The index-th field of a record; an empty one outside.
const REC_field &field(std::int32_t record, std::int32_t index) {
    static const REC_field none = {"", 0, -1, -1, "", ""};
    const REC_field *f = REC_field_at(record, index);
    return f != nullptr ? *f : none;
}

// The index-th input; an empty one outside.
const ASK_input &input(std::int32_t index) {
    static const ASK_input none = {"", 0, "", 0, "", "", 0};
    const ASK_input *about = ASK_input_at(index);
    return about != nullptr ? *about : none;
}

// The index-th of the module's answers (the first outside).
const ASK_answer &answer_at(std::int32_t i) {
    return answers[i >= 0 && i < ASK_MOST_ANSWERS ? i : 0];
}

// The text `write(text, capacity)` writes by the library's rule (it returns
// the whole length), in `words`, which stays until the next call.
template <typename Write>
const char *library_written(Write write) {
    words.assign(static_cast<std::size_t>(write(nullptr, 0)) + 1, '\0');
    write(words.data(), static_cast<std::int32_t>(words.size()));
    return words.c_str();
}

// The progress function of simulations (question/ask.h's ASK_set_progress).
void told_progress(void * /*context*/, std::int64_t done, std::int64_t total) {
    tell_simulation_progress(static_cast<double>(done), static_cast<double>(total));
}

}  // namespace

extern "C" {

// ---- The description of the records (a result's; REC_ANSWER, an answer's
// head) --------------------------------------------------------------------------

const char *web_field_name(std::int32_t record, std::int32_t i) { return field(record, i).name; }
// "int32", "int64" or "double".
const char *web_field_type(std::int32_t record, std::int32_t i) {
    return type_name(field(record, i).type);
}
// The offset from the start of the record (an answer's result, or head).
std::int32_t web_field_offset(std::int32_t record, std::int32_t i) {
    return field(record, i).offset;
}
// "number", "count", "status", "reason", "choice" or "internal".
const char *web_field_kind(std::int32_t record, std::int32_t i) {
    return kind_name(field(record, i).kind);
}

// ---- Questions and inputs ------------------------------------------------------

// The question of that index (an answer's `question`); "" outside.
const char *web_question_name(std::int32_t index) {
    const REC_question *q = REC_question_at(index);
    return q != nullptr ? q->name : "";
}
// The index-th input's glossary name, choice (""), value when not given in
// words, and meaning; "" outside.
const char *web_input_name(std::int32_t i) { return input(i).name; }
const char *web_input_choice(std::int32_t i) { return input(i).choice; }
const char *web_input_default(std::int32_t i) { return input(i).value_default; }
const char *web_input_meaning(std::int32_t i) { return input(i).meaning; }
// "count", "number" or "word"; "" outside.
const char *web_input_kind(std::int32_t i) {
    const std::int32_t kind = input(i).kind;
    return kind == ASK_WORD     ? "word"
           : kind == ASK_COUNT  ? "count"
           : kind == ASK_NUMBER ? "number"
                                : "";
}
// The effect description it belongs to: "allelic", "disease" or "".
const char *web_input_effect(std::int32_t i) {
    const std::int32_t effect = input(i).effect;
    return effect == STU_EFFECT_ALLELIC ? "allelic" : effect == STU_EFFECT_DISEASE ? "disease" : "";
}

// ---- Answers -------------------------------------------------------------------

// Has the request's simulations tell the module's `simulationProgress` how
// far they have come: every 65,536 studies and at the end, for each answer
// simulated.
void web_follow_progress(ASK_request *request) {
    ASK_set_progress(request, told_progress, nullptr);
}

// Answers the request into the module's answers; their number (1 or 2).
std::int32_t web_answer(const ASK_request *request) { return ASK_answer_request(request, answers); }

// The address of the module's answers (ASK_answer_size() bytes each: the
// head REC_ANSWER describes, the result from ASK_result_offset()).
const ASK_answer *web_answers() { return answers; }

// The index-th answer's words (ASK_message) for the request answered, the
// inputs spelled as options.
const char *web_answer_message(std::int32_t i, const ASK_request *request) {
    return library_written([&](char *text, std::int32_t capacity) {
        return ASK_message(&answer_at(i), request, ASK_SPELL_OPTION, text, capacity);
    });
}

// The index-th answer's methods paragraph (vantor_methods) for the request
// answered.
const char *web_methods(const ASK_request *request, std::int32_t i) {
    return library_written([&](char *text, std::int32_t capacity) {
        return vantor_methods(request, &answer_at(i), text, capacity);
    });
}

// The caption (vantor_caption) of a figure across the input `x_input`, one
// curve per value of `curve_input` (ASK_input_index's, -1 for none), of
// answers like the index-th of the request answered.
const char *web_caption(const ASK_request *request, std::int32_t i, std::int32_t x_input,
                        std::int32_t curve_input) {
    return library_written([&](char *text, std::int32_t capacity) {
        return vantor_caption(request, &answer_at(i), x_input, curve_input, text, capacity);
    });
}

}  // extern "C"
