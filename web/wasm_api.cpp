// The library's questions for the page's WebAssembly module.
//
// The page asks every question through power/study.h: it fills the study
// record (web_study) field by field, by the names the library's description
// gives (power/records.h), calls the question, and reads the answer's record
// at the address returned, again by the described names, types and offsets.
// So the page holds no list of fields, codes or reasons of its own: the
// description, the choice words and the reason and status names come from
// here. Each question keeps one static record of its result type (the module
// is single-threaded, one per worker, and the page reads a record before it
// asks again).
//
// Counts arrive as JavaScript numbers (doubles). A count that is not a whole
// number the size of a count becomes 0, which every question refuses with the
// count's own reason (a count starts at 1), so the refusal is the library's.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "power/design.h"
#include "power/records.h"
#include "power/result.h"
#include "power/study.h"

namespace {

STU_study study;
STU_power_result power_answer;
STU_size_result size_answer;
SLV_effect_result effect_answer;
DSN_design_result design_answer;
STU_risk_result risk_answer;

// Whole numbers are exact in a double up to 2^53, as the vantor program
// reads them.
constexpr double kLargestWholeNumber = 9007199254740992.0;

// The count a number stands for, or 0 (refused by every question) when it is
// not a whole number within the exact range.
std::int64_t count_of(double value) {
    if (!(std::fabs(value) <= kLargestWholeNumber) || std::floor(value) != value) {
        return 0;
    }
    return static_cast<std::int64_t>(value);
}

const REC_question *question(const char *name) { return REC_question_named(name); }

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

bool same(const char *a, const char *b) { return std::strcmp(a, b) == 0; }

// The case fraction is checked with the rest of a two-stage study; every
// other field of this one is acceptable.
std::int32_t check_case_fraction(double case_fraction) {
    DSN_study valid{};
    valid.method = PWR_METHOD_JOINT;
    valid.odds_ratio = 2;
    valid.control_rate = 0.5;
    valid.alpha2 = STU_DEFAULT_ALPHA;
    valid.case_fraction = case_fraction;
    valid.unit = SLV_UNIT_PEOPLE;
    valid.statistic = PWR_STATISTIC_POOLED;
    return DSN_check_study(&valid);
}

// The four counts a total becomes, checked as the question checks them.
std::int32_t check_total(double total, double share, double case_fraction, std::int32_t unit) {
    std::int64_t cases[2] = {0, 0};
    std::int64_t controls[2] = {0, 0};
    DSN_counts_of_total(count_of(total), share, case_fraction, cases, controls);
    for (int stage = 0; stage < 2; ++stage) {
        if (const std::int32_t reason = SLV_check_cases(cases[stage], unit)) {
            return reason;
        }
        if (const std::int32_t reason = SLV_check_controls(controls[stage], unit)) {
            return reason;
        }
    }
    return SLV_REASON_NONE;
}

// The number of markers, checked by the study's own check on a study whose
// every other field is acceptable (its level per marker is the questions'
// to refuse, beside the level).
std::int32_t check_markers(double markers) {
    STU_study valid;
    STU_study_init(&valid);
    valid.effect.allelic = {2, 0.5};
    valid.markers = markers;
    const std::int32_t reason = STU_check_study(&valid, 1);
    return reason == SLV_REASON_BAD_MARKERS ? reason : SLV_REASON_NONE;
}

// The inputs checked by their value alone.
struct NumberCheck {
    const char *name;
    std::int32_t (*check)(double);
};
const NumberCheck kNumberChecks[] = {
    {"odds_ratio", SLV_check_odds_ratio},
    {"control_rate", SLV_check_control_rate},
    {"alpha", SLV_check_alpha},
    {"markers", check_markers},
    {"stage1_share", DSN_check_stage0_share},
    {"case_fraction", check_case_fraction},
    {"cost_ratio", DSN_check_cost_ratio},
    {"budget", DSN_check_budget},
};

}  // namespace

extern "C" {

// ---- The description -------------------------------------------------------

std::int32_t web_record_size(std::int32_t record) { return REC_record_size(record); }
const char *web_record_name(std::int32_t record) { return REC_record_name(record); }
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
std::int32_t web_field_offset(std::int32_t record, std::int32_t index) {
    const REC_field *f = REC_field_at(record, index);
    return f != nullptr ? f->offset : -1;
}
// "number", "count", "status", "reason", "choice" or "internal".
const char *web_field_kind(std::int32_t record, std::int32_t index) {
    const REC_field *f = REC_field_at(record, index);
    return f != nullptr ? kind_name(f->kind) : "";
}
const char *web_field_meaning(std::int32_t record, std::int32_t index) {
    const REC_field *f = REC_field_at(record, index);
    return f != nullptr ? f->meaning : "";
}

// The record a question answers in (a REC_* code), and the study fields it
// reads, comma-separated; -1 and "" for an unknown question.
std::int32_t web_question_result(const char *name) {
    const REC_question *q = question(name);
    return q != nullptr ? q->result : -1;
}
const char *web_question_study_fields(const char *name) {
    const REC_question *q = question(name);
    return q != nullptr ? q->study_fields : "";
}
// The questions of power/study.h by name, in the description's order; "" past
// the last.
std::int32_t web_question_count() { return REC_question_count(); }
const char *web_question_name(std::int32_t index) {
    const REC_question *q = REC_question_at(index);
    return q != nullptr ? q->name : "";
}
// The study record's own code in the description, and the disease model's,
// whose fields lie in the study's effect union from where its odds_ratio
// field starts.
std::int32_t web_study_record() { return REC_STUDY; }
std::int32_t web_disease_record() { return REC_DISEASE_MODEL; }

// The index-th word of a choice ("" past the last) and its code.
const char *web_choice_word(const char *choice, std::int32_t index) {
    const char *word = REC_choice_word(choice, index, nullptr);
    return word != nullptr ? word : "";
}
std::int32_t web_choice_code(const char *choice, const char *word) {
    return REC_choice_code(choice, word);
}
const char *web_choice_name(const char *choice, std::int32_t code) {
    const char *word = REC_choice_name(choice, code);
    return word != nullptr ? word : "";
}

const char *web_reason_name(std::int32_t reason) {
    const char *name = REC_reason_name(reason);
    return name != nullptr ? name : "";
}
// The code of a reason's name; -1 for none.
std::int32_t web_reason_code(const char *name) {
    for (std::int32_t i = 0; i < REC_reason_count(); ++i) {
        const std::int32_t code = REC_reason_at(i);
        if (same(REC_reason_name(code), name)) {
            return code;
        }
    }
    return -1;
}
const char *web_status_name(std::int32_t status) {
    const char *name = REC_status_name(status);
    return name != nullptr ? name : "";
}
const char *web_message(std::int32_t reason) { return SLV_message(reason); }
// The glossary's name of the input a refusal names; "" for none.
const char *web_reason_input(std::int32_t reason) {
    const char *name = REC_reason_input(reason);
    return name != nullptr ? name : "";
}
// The level to take when none is given, for that many markers.
double web_default_alpha(double markers) { return STU_default_alpha(markers); }

// ---- Reading and checking inputs ---------------------------------------------

// A number written as the vantor program reads one: decimal digits, sign,
// point and exponent only (no hexadecimal, "inf" or "nan"), the whole text
// read, a finite value. Anything else (an empty field included) is not a
// number, which the questions refuse with the input's reason.
double web_read_number(const char *text) {
    const double not_a_number = std::numeric_limits<double>::quiet_NaN();
    if (text[0] == '\0' || text[std::strspn(text, "0123456789+-.eE")] != '\0') {
        return not_a_number;
    }
    char *end = nullptr;
    const double value = std::strtod(text, &end);
    return *end == '\0' && std::isfinite(value) ? value : not_a_number;
}

// The library's reason for refusing one input, named as in the glossary
// (0 when it is acceptable). The level checks use `alpha` (itself checked
// first), the total's counts the share and case fraction given.
std::int32_t web_check_input(const char *name, double value, std::int32_t unit, double alpha,
                             std::int32_t method, double share, double case_fraction) {
    const std::int64_t count = count_of(value);
    if (same(name, "cases") || same(name, "stage1_cases") || same(name, "stage2_cases")) {
        return SLV_check_cases(count, unit);
    }
    if (same(name, "controls") || same(name, "stage1_controls") || same(name, "stage2_controls")) {
        return SLV_check_controls(count, unit);
    }
    if (same(name, "total")) {
        return check_total(value, share, case_fraction, unit);
    }
    const bool alpha_known = SLV_check_alpha(alpha) == SLV_REASON_NONE;
    if (same(name, "target_power")) {
        return SLV_check_target_power(value, alpha_known ? alpha : STU_DEFAULT_ALPHA);
    }
    if (same(name, "stage1_alpha")) {
        return alpha_known ? DSN_check_stage0_alpha(method, value, alpha) : SLV_check_alpha(value);
    }
    if (same(name, "controls_per_case")) {
        return SLV_check_ratio(value, unit);
    }
    for (const NumberCheck &check : kNumberChecks) {
        if (same(name, check.name)) {
            return check.check(value);
        }
    }
    return SLV_REASON_NONE;
}

// ---- The questions -------------------------------------------------------------

// The study every question reads, set to the library's starting values; the
// page then writes the fields the question reads.
STU_study *web_study() { return &study; }
void web_study_reset() { STU_study_init(&study); }
// Makes the study's effect a disease model with the library's starting
// values (multiplicative, unaffected controls, the marker the causal
// variant); the page then writes the model's fields by their names.
void web_study_disease() {
    study.effect_kind = STU_EFFECT_DISEASE;
    DIS_model_init(&study.effect.disease);
}

STU_power_result *web_power(double cases, double controls) {
    STU_power(&study, count_of(cases), count_of(controls), &power_answer);
    return &power_answer;
}

STU_size_result *web_cases_for_controls(double controls, double target_power) {
    STU_cases_for_controls(&study, count_of(controls), target_power, &size_answer);
    return &size_answer;
}

STU_size_result *web_controls_for_cases(double cases, double target_power) {
    STU_controls_for_cases(&study, count_of(cases), target_power, &size_answer);
    return &size_answer;
}

STU_size_result *web_cases_for_ratio(double controls_per_case, double target_power) {
    STU_cases_for_ratio(&study, controls_per_case, target_power, &size_answer);
    return &size_answer;
}

SLV_effect_result *web_odds_ratio(double cases, double controls, double target_power,
                                  std::int32_t direction) {
    STU_odds_ratio(&study, count_of(cases), count_of(controls), target_power, direction,
                   &effect_answer);
    return &effect_answer;
}

STU_risk_result *web_relative_risk(double cases, double controls, double target_power,
                                   std::int32_t direction) {
    STU_relative_risk(&study, count_of(cases), count_of(controls), target_power, direction,
                      &risk_answer);
    return &risk_answer;
}

DSN_design_result *web_two_stage_power(double stage1_cases, double stage2_cases,
                                       double stage1_controls, double stage2_controls,
                                       double cost_ratio) {
    const std::int64_t cases[2] = {count_of(stage1_cases), count_of(stage2_cases)};
    const std::int64_t controls[2] = {count_of(stage1_controls), count_of(stage2_controls)};
    STU_two_stage_power(&study, cases, controls, cost_ratio, &design_answer);
    return &design_answer;
}

DSN_design_result *web_two_stage_power_of_total(double total, double stage1_share,
                                                double cost_ratio) {
    STU_two_stage_power_of_total(&study, count_of(total), stage1_share, cost_ratio, &design_answer);
    return &design_answer;
}

DSN_design_result *web_smallest_total(double stage1_share, double target_power) {
    STU_smallest_total(&study, stage1_share, target_power, &design_answer);
    return &design_answer;
}

DSN_design_result *web_cheapest_design(double target_power, double cost_ratio) {
    STU_cheapest_design(&study, target_power, cost_ratio, &design_answer);
    return &design_answer;
}

DSN_design_result *web_most_powerful_design(double budget, double cost_ratio) {
    STU_most_powerful_design(&study, budget, cost_ratio, &design_answer);
    return &design_answer;
}

}  // extern "C"
