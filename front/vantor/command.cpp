#include "front/vantor/command.h"

#include <algorithm>
#include <cstring>

#include "front/vantor/messages.h"
#include "power/disease_model.h"
#include "power/records.h"
#include "power/result.h"

namespace vantor_cli {

namespace {

// A glossary name as the library writes it (stage1_cases) and as the
// program does (stage1-cases).
std::string with(std::string name, char from, char to) {
    std::replace(name.begin(), name.end(), from, to);
    return name;
}

std::string underscored(const std::string &name) { return with(name, '-', '_'); }
std::string hyphenated(const std::string &name) { return with(name, '_', '-'); }

// A field's value, read at its offset as its C type.
template <typename T>
T stored(const void *record, const REC_field &field) {
    T value;
    std::memcpy(&value, static_cast<const unsigned char *>(record) + field.offset, sizeof value);
    return value;
}

std::int64_t whole_at(const void *record, const REC_field &field) {
    switch (field.type) {
        case REC_INT32:
            return stored<std::int32_t>(record, field);
        case REC_INT64:
            return stored<std::int64_t>(record, field);
        default:
            break;
    }
    return static_cast<std::int64_t>(stored<double>(record, field));
}

double number_at(const void *record, const REC_field &field) {
    return field.type == REC_DOUBLE ? stored<double>(record, field)
                                    : static_cast<double>(whole_at(record, field));
}

void store(void *record, const REC_field &field, double value) {
    auto *at = static_cast<unsigned char *>(record) + field.offset;
    if (field.type == REC_DOUBLE) {
        std::memcpy(at, &value, sizeof value);
    } else if (field.type == REC_INT32) {
        const auto whole = static_cast<std::int32_t>(value);
        std::memcpy(at, &whole, sizeof whole);
    } else {
        const auto whole = static_cast<std::int64_t>(value);
        std::memcpy(at, &whole, sizeof whole);
    }
}

// The field of the record holding the given kind (its status, its reason).
const REC_field *field_of_kind(std::int32_t record, std::int32_t kind) {
    for (std::int32_t i = 0; i < REC_field_count(record); ++i) {
        const REC_field *field = REC_field_at(record, i);
        if (field->kind == kind) {
            return field;
        }
    }
    return nullptr;
}

// Whether a field of a result record has a column: not the record's
// bookkeeping, nor the power evaluations a search spent (how it searched,
// not what it found).
bool has_column(const REC_field &field) {
    return field.kind != REC_KIND_INTERNAL && std::strcmp(field.name, "evaluations") != 0;
}

// Every choice code is above this (power/records.h).
constexpr std::int32_t kNoChoice = -1000;

// Where the study's effect union starts: at its odds_ratio field, where a
// disease model starts too.
std::int32_t effect_offset() {
    static const std::int32_t offset = REC_field_named(REC_STUDY, "odds_ratio")->offset;
    return offset;
}

// Whether a study field lies in the effect union (the allelic effect's).
bool in_effect(const REC_field &field) {
    return field.offset >= effect_offset() &&
           field.offset < effect_offset() + REC_record_size(REC_DISEASE_MODEL);
}

// Whether a parameter gives the marker's linkage disequilibrium: its name is
// a word of the ld_kind choice (d_prime, r_squared).
bool gives_ld(const Parameter &parameter) {
    return REC_choice_code("ld_kind", underscored(parameter.name).c_str()) != kNoChoice;
}

// The reasons refusing a parameter, by REC_reason_input: those naming it,
// then those naming the inputs it answers for, each in increasing code.
std::vector<std::int32_t> reasons_of(const Parameter &parameter) {
    std::vector<std::string> inputs{underscored(parameter.name)};
    inputs.insert(inputs.end(), parameter.answers_for.begin(), parameter.answers_for.end());
    std::vector<std::int32_t> reasons;
    for (const std::string &input : inputs) {
        for (std::int32_t i = 0; i < REC_reason_count(); ++i) {
            const char *named = REC_reason_input(REC_reason_at(i));
            if (named != nullptr && input == named) {
                reasons.push_back(REC_reason_at(i));
            }
        }
    }
    return reasons;
}

std::size_t column_of(const Command &command, const std::string &name) {
    const auto at = std::find(command.columns.begin(), command.columns.end(), name);
    return static_cast<std::size_t>(at - command.columns.begin());
}

std::optional<std::size_t> parameter_named(const Command &command, const std::string &name) {
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        if (command.parameters[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

// The value a parameter's check and the study take: a word's code, else
// the value.
double value_of(const Command &command, const Request &request, std::size_t parameter) {
    return command.parameters[parameter].kind == Kind::Word
               ? choice_code(command, request, parameter)
               : *request[parameter];
}

// A result field's cell: counts and numbers only when the answer was found
// (a count of 0 or a value not a number is none), the status's and the
// reason's names, a choice's word.
Cell result_cell(const void *record, const REC_field &field, bool found) {
    switch (field.kind) {
        case REC_KIND_STATUS:
            return Cell::word(SLV_status_name(stored<std::int32_t>(record, field)));
        case REC_KIND_REASON:
            return Cell::word(REC_reason_name(stored<std::int32_t>(record, field)));
        case REC_KIND_COUNT: {
            const std::int64_t count = whole_at(record, field);
            return found && count > 0 ? Cell::whole(count) : Cell::missing();
        }
        case REC_KIND_CHOICE: {
            const char *word =
                REC_choice_name(field.name, static_cast<std::int32_t>(whole_at(record, field)));
            return word == nullptr ? Cell::missing() : Cell::word(word);
        }
        default:
            break;
    }
    return found ? Cell::measured(number_at(record, field)) : Cell::missing();
}

}  // namespace

std::int32_t Outcome::status() const {
    return stored<std::int32_t>(&as, *field_of_kind(record, REC_KIND_STATUS));
}

std::int32_t Outcome::reason() const {
    return stored<std::int32_t>(&as, *field_of_kind(record, REC_KIND_REASON));
}

std::string unit_name(std::int32_t unit) {
    const char *word = REC_choice_name("count", unit);
    return word == nullptr ? "" : word;
}

void finish_command(Command &command) {
    for (Parameter &parameter : command.parameters) {
        parameter.reasons = reasons_of(parameter);
        std::int32_t code = 0;
        for (std::int32_t i = 0; !parameter.choice.empty(); ++i) {
            const char *word = REC_choice_word(parameter.choice.c_str(), i, &code);
            if (word == nullptr) {
                break;
            }
            parameter.words.emplace_back(word);
            parameter.codes.push_back(code);
        }
    }
    std::vector<std::string> &columns = command.columns;
    columns.assign(1, "count");
    for (const Parameter &parameter : command.parameters) {
        if (parameter.shown) {
            columns.push_back(parameter.name);
        }
    }
    std::vector<std::string> last;
    for (const std::int32_t record : command.records) {
        for (std::int32_t i = 0; i < REC_field_count(record); ++i) {
            const REC_field &field = *REC_field_at(record, i);
            const std::string name = hyphenated(field.name);
            const bool status = field.kind == REC_KIND_STATUS || field.kind == REC_KIND_REASON;
            std::vector<std::string> &into = status ? last : columns;
            if (has_column(field) && std::find(into.begin(), into.end(), name) == into.end()) {
                into.push_back(name);
            }
        }
    }
    columns.insert(columns.end(), last.begin(), last.end());
    columns.emplace_back("message");
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        if (command.parameters[i].shown) {
            command.parameter_columns.emplace_back(i,
                                                   column_of(command, command.parameters[i].name));
        }
    }
    for (const std::int32_t record : command.records) {
        for (std::int32_t i = 0; i < REC_field_count(record); ++i) {
            const REC_field *field = REC_field_at(record, i);
            if (has_column(*field)) {
                command.field_columns.push_back(
                    {record, field, column_of(command, hyphenated(field->name))});
            }
        }
    }
    command.target = parameter_named(command, "target-power");
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        const std::string name = underscored(command.parameters[i].name);
        const REC_field *field = REC_field_named(REC_STUDY, name.c_str());
        const REC_field *model_field = REC_field_named(REC_DISEASE_MODEL, name.c_str());
        if (field != nullptr && field->kind != REC_KIND_INTERNAL) {
            command.study_fields.push_back({i, field, field->offset, in_effect(*field), false});
        } else if (model_field != nullptr && model_field->kind != REC_KIND_INTERNAL) {
            command.study_fields.push_back(
                {i, model_field, effect_offset() + model_field->offset, false, true});
        }
        const bool disease = model_field != nullptr || gives_ld(command.parameters[i]);
        const bool allelic = field != nullptr && in_effect(*field);
        if (disease) {
            command.disease_parameters.push_back(i);
        } else if (allelic) {
            command.allelic_parameters.push_back(i);
        }
    }
}

std::vector<bool> columns_shown(const Command &command, bool disease, bool allelic) {
    std::vector<bool> shown(command.columns.size(), true);
    const auto hide = [&command, &shown](const std::vector<std::size_t> &parameters) {
        for (const std::size_t parameter : parameters) {
            if (command.parameters[parameter].shown) {
                shown[column_of(command, command.parameters[parameter].name)] = false;
            }
        }
    };
    if (!disease) {
        hide(command.disease_parameters);
    }
    if (!allelic) {
        hide(command.allelic_parameters);
    }
    return shown;
}

namespace {

// The cell of a study field as the study holds it: a choice's word, or the
// number in its fewest exact digits.
Cell study_cell(const STU_study &study, const Command::StudyField &at) {
    const auto *record = reinterpret_cast<const unsigned char *>(&study);
    REC_field field = *at.field;
    field.offset = at.offset;
    if (field.kind == REC_KIND_CHOICE) {
        const char *word =
            REC_choice_name(field.name, static_cast<std::int32_t>(whole_at(record, field)));
        return word == nullptr ? Cell::missing() : Cell::word(word);
    }
    return Cell::exact(number_at(record, field));
}

// The cell of an input left open that the row shows as the study takes it
// (Parameter::shown_from_study), or missing.
Cell taken_cell(const Command &command, const STU_study &study, std::size_t parameter) {
    for (const Command::StudyField &at : command.study_fields) {
        if (at.parameter != parameter) {
            continue;
        }
        const bool disease = study.effect_kind == STU_EFFECT_DISEASE;
        if ((at.disease && !disease) || (at.allelic && disease)) {
            break;
        }
        return study_cell(study, at);
    }
    return Cell::missing();
}

}  // namespace

Row row_of(const Command &command, const Request &request, std::int32_t unit,
           const Outcome &outcome) {
    Row row(command.columns.size());
    row[0] = Cell::word(unit_name(unit));
    const STU_study study = study_of(command, request, unit);
    for (const auto &[parameter, column] : command.parameter_columns) {
        row[column] = request[parameter] || !command.parameters[parameter].shown_from_study
                          ? input_cell(command, request, parameter)
                          : taken_cell(command, study, parameter);
    }
    for (const auto &[parameter, cell] : outcome.worked_out) {
        row[column_of(command, command.parameters[parameter].name)] = cell;
    }
    const bool found = outcome.status() <= SLV_FOUND_WITH_WARNING;
    for (const Command::FieldColumn &at : command.field_columns) {
        Cell &cell = row[at.column];
        // A given input keeps its cell: the value as typed.
        if (at.record == outcome.record && cell.type == Cell::Type::Missing) {
            cell = result_cell(&outcome.as, *at.field, found);
        }
    }
    // A question without a target power (a power computed, the most
    // powerful design) says nothing when all is well, rather than "the
    // target power is reached".
    const bool has_target = command.target && request[*command.target];
    const std::int32_t reason = outcome.reason();
    row.back() = Cell::word(reason == SLV_REASON_NONE && !has_target ? "" : SLV_message(reason));
    return row;
}

bool describes_disease(const Command &command, const Request &request) {
    return std::any_of(command.disease_parameters.begin(), command.disease_parameters.end(),
                       [&request](std::size_t i) { return request[i].has_value(); });
}

bool free_model(const Command &command, const Request &request) {
    const std::optional<std::size_t> model = parameter_named(command, "model");
    return model && request[*model] &&
           choice_code(command, request, *model) == REC_choice_code("model", "free");
}

double marker_alpha(const STU_study &study) { return study.alpha / study.markers; }

STU_study study_of(const Command &command, const Request &request, std::int32_t unit) {
    STU_study study;
    STU_study_init(&study);
    static const REC_field *const count = REC_field_named(REC_STUDY, "count");
    store(&study, *count, unit);
    const bool disease = describes_disease(command, request);
    if (disease) {
        study.effect_kind = STU_EFFECT_DISEASE;
        DIS_model_init(&study.effect.disease);
    }
    for (const Command::StudyField &at : command.study_fields) {
        if (request[at.parameter] && !(at.allelic && disease) && !(at.disease && !disease)) {
            REC_field field = *at.field;
            field.offset = at.offset;
            store(&study, field, value_of(command, request, at.parameter));
        }
    }
    for (const std::size_t i : command.disease_parameters) {
        const Parameter &parameter = command.parameters[i];
        if (request[i] && gives_ld(parameter)) {
            const std::string name = underscored(parameter.name);
            study.effect.disease.ld_kind = REC_choice_code("ld_kind", name.c_str());
            study.effect.disease.ld = *request[i];
        }
    }
    const std::optional<std::size_t> alpha = parameter_named(command, "alpha");
    if (alpha && !request[*alpha]) {
        study.alpha = STU_default_alpha(study.markers);
    }
    return study;
}

std::string check_effect_inputs(const Command &command, const Request &request) {
    const auto given = [&request](const std::vector<std::size_t> &among) {
        const auto at = std::find_if(among.begin(), among.end(),
                                     [&request](std::size_t i) { return request[i].has_value(); });
        return at == among.end() ? std::nullopt : std::optional<std::size_t>(*at);
    };
    const auto option = [&command](std::size_t i) { return "--" + command.parameters[i].name; };
    const std::optional<std::size_t> model_input = given(command.disease_parameters);
    const std::optional<std::size_t> allelic_input = given(command.allelic_parameters);
    if (model_input && allelic_input) {
        return "describe the effect either by --odds-ratio and --control-rate or by a disease "
               "model (--frequency, --prevalence, --relative-risk ...), not both: " +
               option(*allelic_input) + " is given with " + option(*model_input);
    }
    if (!model_input) {
        const std::size_t rate = *parameter_named(command, "control-rate");
        return request[rate] ? ""
                             : missing(command, rate,
                                       "or describe the effect by a disease model: --frequency, "
                                       "--prevalence, --relative-risk ...");
    }
    for (const char *needed : {"frequency", "prevalence"}) {
        const std::size_t i = *parameter_named(command, needed);
        if (!request[i]) {
            return missing(command, i, "");
        }
    }
    const bool d_prime = request[*parameter_named(command, "d-prime")].has_value();
    const bool r_squared = request[*parameter_named(command, "r-squared")].has_value();
    if (d_prime && r_squared) {
        return "give at most one of --d-prime and --r-squared (neither: the marker is the causal "
               "variant)";
    }
    if (request[*parameter_named(command, "marker-frequency")] && !d_prime && !r_squared) {
        return "--marker-frequency is a marker's in linkage disequilibrium with the risk allele: "
               "give its --d-prime or --r-squared too (neither: the marker is the causal variant)";
    }
    const std::size_t risk = *parameter_named(command, "relative-risk");
    const std::size_t one_copy = *parameter_named(command, "heterozygote-risk");
    const std::size_t two_copies = *parameter_named(command, "homozygote-risk");
    if (free_model(command, request)) {
        return request[risk] ? "--relative-risk is a one-parameter model's: --model free takes "
                               "--heterozygote-risk and --homozygote-risk"
                             : "";
    }
    if (request[one_copy] || request[two_copies]) {
        return option(request[one_copy] ? one_copy : two_copies) +
               " is the free model's (--model free): the other models take --relative-risk";
    }
    return "";
}

Cell input_cell(const Command &command, const Request &request, std::size_t parameter) {
    const std::optional<double> &value = request[parameter];
    if (!value) {
        return Cell::missing();
    }
    const Parameter &about = command.parameters[parameter];
    if (about.kind == Kind::Word) {
        return Cell::word(about.words[static_cast<std::size_t>(*value)]);
    }
    if (about.kind == Kind::Count) {
        return Cell::whole(static_cast<std::int64_t>(*value));
    }
    return Cell::exact(*value);
}

std::int32_t choice_code(const Command &command, const Request &request, std::size_t parameter) {
    return command.parameters[parameter].codes[static_cast<std::size_t>(*request[parameter])];
}

std::string refusal(const Command &command, const Request &request, std::size_t parameter,
                    std::int32_t reason) {
    const Cell value = input_cell(command, request, parameter);
    return "--" + command.parameters[parameter].name + " " + value.text + ": " +
           SLV_message(reason);
}

std::string refusal_for(const Command &command, const Request &request, std::int32_t reason,
                        const STU_study &study) {
    std::optional<std::size_t> first;
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        const Parameter &parameter = command.parameters[i];
        const std::vector<std::int32_t> &reasons = parameter.reasons;
        if (!request[i] || std::find(reasons.begin(), reasons.end(), reason) == reasons.end()) {
            continue;
        }
        if (parameter.check != nullptr &&
            parameter.check(value_of(command, request, i), study) == reason) {
            return refusal(command, request, i, reason);
        }
        first = first ? first : i;
    }
    if (first) {
        return refusal(command, request, *first, reason);
    }
    // An input that is no parameter of the command (--count), or one left
    // at its default: named as the library names it.
    const char *input = REC_reason_input(reason);
    return input == nullptr ? SLV_message(reason)
                            : "--" + hyphenated(input) + ": " + SLV_message(reason);
}

std::string check_values(const Command &command, const Request &request, const STU_study &study) {
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        const Parameter &parameter = command.parameters[i];
        if (parameter.check == nullptr || !request[i]) {
            continue;
        }
        const std::int32_t reason = parameter.check(value_of(command, request, i), study);
        if (reason != SLV_REASON_NONE) {
            return refusal(command, request, i, reason);
        }
    }
    return "";
}

std::string missing(const Command &command, std::size_t parameter, const std::string &hint) {
    const Parameter &about = command.parameters[parameter];
    const std::string what =
        about.reasons.empty() ? about.help : SLV_message(about.reasons.front());
    return "--" + about.name + " is missing: " + what + (hint.empty() ? "" : " (" + hint + ")");
}

std::string value_refusal(const Parameter &parameter, const ValueList &list) {
    const std::string meant = list.meant.empty() ? "" : "; did you mean " + list.meant + "?";
    if (list.unreadable && !parameter.reasons.empty()) {
        const std::string shown = list.item.empty() ? "''" : echoed(list.item);
        return "--" + parameter.name + " " + shown + ": " + SLV_message(parameter.reasons.front()) +
               meant;
    }
    return "--" + parameter.name + ": " + list.error + meant;
}

namespace {

struct Renamed {
    const char *old_name;
    const char *new_name;
    const char *why;
};

constexpr Renamed kRenamed[] = {
    {"alpha0", "stage1-alpha", " (stages are numbered 1 and 2)"},
    {"alpha1", "final-alpha", ": derived from the other two levels and shown, never given"},
    {"share", "stage1-share", ""},
    {"rate", "control-rate", ""},
    {"power", "target-power", " (leave it out to have the power computed)"},
    {"ratio", "controls-per-case", ""},
    {"cases0", "stage1-cases", " (stages are numbered 1 and 2)"},
    {"controls0", "stage1-controls", " (stages are numbered 1 and 2)"},
    {"cases1", "stage2-cases", " (stages are numbered 1 and 2)"},
    {"controls1", "stage2-controls", " (stages are numbered 1 and 2)"},
};

const Renamed *renamed(const std::string &name) {
    for (const Renamed &one : kRenamed) {
        if (name == one.old_name) {
            return &one;
        }
    }
    return nullptr;
}

}  // namespace

std::string renamed_option(const std::string &name) {
    const Renamed *old = renamed(name);
    if (old == nullptr) {
        return "";
    }
    // A derived level is an output column, never an option.
    const bool output_only = std::string(old->old_name) == "alpha1";
    return "--" + name + " is now " + (output_only ? "the output column " : "--") + old->new_name +
           old->why;
}

std::string renamed_column(const std::string &name, const std::string &as_typed) {
    const Renamed *old = renamed(name);
    return old == nullptr ? "" : "column " + as_typed + " is now " + old->new_name + old->why;
}

Parameter odds_ratio_parameter() {
    Parameter odds_ratio{"odds-ratio", "o", Kind::Real, "allelic odds ratio of the risk allele"};
    return odds_ratio;
}

Parameter control_rate_parameter() {
    Parameter rate{"control-rate", "r", Kind::Real, "risk-allele rate among controls, in (0, 1)"};
    return rate;
}

Parameter alpha_parameter(const std::string &help) {
    // The library's default level: genome-wide significance for one marker,
    // the study-wide level the number of markers divides for more.
    Parameter alpha{"alpha", "a", Kind::Real,
                    help + " (default " + exact_text(STU_default_alpha(1)) +
                        "; with --markers above 1, " + exact_text(STU_default_alpha(2)) +
                        ", the study-wide level)"};
    alpha.shown_from_study = true;
    return alpha;
}

Parameter target_power_parameter() {
    Parameter target{"target-power", "p", Kind::Real, "target power, above the level and below 1"};
    target.check = [](double value, const STU_study &study) {
        return SLV_check_target_power(value, marker_alpha(study));
    };
    return target;
}

Parameter method_parameter() {
    Parameter method{"method", "", Kind::Word,
                     "analysis: replication, product (of p-values) or joint", "method"};
    method.default_text = "replication,product,joint";
    return method;
}

Parameter case_fraction_parameter() {
    Parameter fraction{"case-fraction", "", Kind::Real, "cases' share of each stage, in (0, 1)"};
    fraction.default_text = "0.5";
    return fraction;
}

Parameter cost_ratio_parameter() {
    Parameter cost{"cost-ratio", "c", Kind::Real,
                   "cost of a stage 2 genotype relative to a stage 1 one"};
    cost.default_text = "1";
    cost.check = [](double value, const STU_study & /*study*/) {
        return DSN_check_cost_ratio(value);
    };
    return cost;
}

Parameter variance_parameter() {
    Parameter variance{"variance", "", Kind::Word,
                       "the test's variance under no association: pooled (from the pooled rate, "
                       "as the allelic chi-square test does) or unpooled (each group's own rate, "
                       "as the Wald test does)",
                       "variance"};
    variance.default_text = "pooled";
    variance.single = true;
    variance.shown = false;
    return variance;
}

Parameter test_parameter(const std::string &help) {
    Parameter test{"test", "", Kind::Word, help, "test"};
    test.default_text = "allelic";
    return test;
}

Parameter markers_parameter() {
    Parameter markers{"markers", "", Kind::Real,
                      "number of markers tested, or the effective number of independent "
                      "tests (a real number from 1): the test runs at --alpha divided by it, "
                      "the per-marker level (Bonferroni)"};
    markers.default_text = "1";
    return markers;
}

namespace {

// The library's refusal of a relative risk on its own (not positive and
// finite), asked of a model that refuses nothing else: it tells which of
// the free model's two risks is refused.
std::int32_t check_risk(double value, const STU_study & /*study*/) {
    DIS_model model;
    DIS_model_init(&model);
    model.frequency = 0.5;
    model.prevalence = 1e-9;
    model.relative_risk = value;
    const std::int32_t reason = DIS_check_model(&model);
    return reason == SLV_REASON_BAD_RELATIVE_RISK ? reason : SLV_REASON_NONE;
}

}  // namespace

std::vector<Parameter> disease_model_parameters() {
    Parameter model{"model", "", Kind::Word,
                    "genetic model: multiplicative (default), additive, dominant, recessive or "
                    "free",
                    "model"};
    model.shown_from_study = true;
    Parameter controls{"controls-kind", "", Kind::Word,
                       "who the controls are: unaffected (default) or population (unscreened)",
                       "controls_kind"};
    controls.shown_from_study = true;
    Parameter one_copy{"heterozygote-risk", "", Kind::Real,
                       "the free model's relative risk of one copy"};
    one_copy.answers_for = {"relative_risk"};
    one_copy.check = check_risk;
    Parameter two_copies{"homozygote-risk", "", Kind::Real,
                         "the free model's relative risk of two copies"};
    two_copies.answers_for = {"relative_risk"};
    two_copies.check = check_risk;
    Parameter d_prime{"d-prime", "", Kind::Real,
                      "the marker's D' with the risk allele, in [0, 1] (default: the marker is "
                      "the causal variant)"};
    d_prime.answers_for = {"ld"};
    Parameter r_squared{"r-squared", "", Kind::Real,
                        "the marker's r^2 with the risk allele, in [0, 1] (default: the marker "
                        "is the causal variant)"};
    r_squared.answers_for = {"ld"};
    return {
        {"frequency", "", Kind::Real, "risk-allele frequency in the population, in (0, 1)"},
        {"prevalence", "", Kind::Real, "the disease's prevalence, in (0, 1)"},
        model,
        {"relative-risk", "", Kind::Real,
         "genotype relative risk r of one copy (the model sets two copies')"},
        one_copy,
        two_copies,
        controls,
        {"marker-frequency", "", Kind::Real,
         "the marker allele's frequency, in (0, 1) (default the risk allele's)"},
        d_prime,
        r_squared,
    };
}

}  // namespace vantor_cli
