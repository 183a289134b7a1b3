// The library for the page's WebAssembly module.
//
// The page asks the library by named inputs, through power/ask.h itself:
// build.sh exports every ASK_ function as it is (a request, giving inputs by
// name, index or word, answering). What JavaScript cannot read from the
// library by itself is here: the description of the result records
// (power/records.h) as strings, the answers of a request and their header
// fields, an answer's words as a string, the inputs' and choices' words, the
// status and reason names, and a number read from text as the vantor program
// reads one. The module is single-threaded (one per worker), and the page
// reads the answers of a request before it asks again.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "power/ask.h"
#include "power/records.h"

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

const char *or_empty(const char *text) { return text != nullptr ? text : ""; }

const ASK_answer &answer(std::int32_t index) {
    return answers[index >= 0 && index < ASK_MOST_ANSWERS ? index : 0];
}

}  // namespace

extern "C" {

// ---- The description of the result records -----------------------------------

std::int32_t web_field_count(std::int32_t record) { return REC_field_count(record); }
const char *web_field_name(std::int32_t record, std::int32_t index) {
    const REC_field *f = REC_field_at(record, index);
    return f != nullptr ? f->name : "";
}
// "int32", "int64" or "double".
const char *web_field_type(std::int32_t record, std::int32_t index) {
    const REC_field *f = REC_field_at(record, index);
    return f != nullptr ? type_name(f->type) : "";
}
// The offset from the start of the record (an answer's result).
std::int32_t web_field_offset(std::int32_t record, std::int32_t index) {
    const REC_field *f = REC_field_at(record, index);
    return f != nullptr ? f->offset : -1;
}
// "number", "count", "status", "reason", "choice" or "internal".
const char *web_field_kind(std::int32_t record, std::int32_t index) {
    const REC_field *f = REC_field_at(record, index);
    return f != nullptr ? kind_name(f->kind) : "";
}

// ---- Names and words -----------------------------------------------------------

// The question of that index (an answer's `question`); "" outside.
const char *web_question_name(std::int32_t index) {
    const REC_question *q = REC_question_at(index);
    return q != nullptr ? q->name : "";
}
std::int32_t web_question_count() { return REC_question_count(); }
// The index-th word of a choice; "" past the last.
const char *web_choice_word(const char *choice, std::int32_t index) {
    return or_empty(REC_choice_word(choice, index, nullptr));
}
const char *web_reason_name(std::int32_t reason) { return or_empty(REC_reason_name(reason)); }
const char *web_status_name(std::int32_t status) { return or_empty(REC_status_name(status)); }
// The index-th input's glossary name, its kind and its value when not
// given, in words.
const char *web_input_name(std::int32_t input) {
    const ASK_input *about = ASK_input_at(input);
    return about != nullptr ? about->name : "";
}
// "count", "number" or "word"; "" outside.
const char *web_input_kind(std::int32_t input) {
    const ASK_input *about = ASK_input_at(input);
    const std::int32_t kind = about != nullptr ? about->kind : 0;
    return kind == ASK_WORD     ? "word"
           : kind == ASK_COUNT  ? "count"
           : kind == ASK_NUMBER ? "number"
                                : "";
}
const char *web_input_default(std::int32_t input) {
    const ASK_input *about = ASK_input_at(input);
    return about != nullptr ? about->value_default : "";
}

// A number written as the vantor program reads one: decimal digits, sign,
// point and exponent only (no hexadecimal, "inf" or "nan"), the whole text
// read, a finite value. Anything else (an empty field included) is not a
// number, which the library refuses as the input's value.
double web_read_number(const char *text) {
    const double not_a_number = std::numeric_limits<double>::quiet_NaN();
    if (text[0] == '\0' || text[std::strspn(text, "0123456789+-.eE")] != '\0') {
        return not_a_number;
    }
    char *end = nullptr;
    const double value = std::strtod(text, &end);
    return *end == '\0' && std::isfinite(value) ? value : not_a_number;
}

// ---- Answers -------------------------------------------------------------------

// Answers the request into the module's answers; their number (1 or 2).
std::int32_t web_answer(const ASK_request *request) { return ASK_answer_request(request, answers); }

// The index-th answer's fields, and the address of its result record.
std::int32_t web_answer_status(std::int32_t i) { return answer(i).status; }
std::int32_t web_answer_reason(std::int32_t i) { return answer(i).reason; }
std::int32_t web_answer_question(std::int32_t i) { return answer(i).question; }
std::int32_t web_answer_record(std::int32_t i) { return answer(i).record; }
std::int32_t web_answer_input(std::int32_t i) { return answer(i).input; }
double web_answer_controls(std::int32_t i) { return static_cast<double>(answer(i).controls); }
double web_answer_alpha(std::int32_t i) { return answer(i).alpha; }
const ASK_result *web_answer_result(std::int32_t i) { return &answer(i).result; }

// The index-th answer's words (ASK_message), the inputs spelled as options;
// the value refused left out when `request` is null.
const char *web_answer_message(std::int32_t i, const ASK_request *request) {
    words.assign(
        static_cast<std::size_t>(ASK_message(&answer(i), request, ASK_SPELL_OPTION, nullptr, 0)) +
            1,
        '\0');
    ASK_message(&answer(i), request, ASK_SPELL_OPTION, words.data(),
                static_cast<std::int32_t>(words.size()));
    return words.c_str();
}

}  // extern "C"
