#include "front/vantor/command.h"

#include <algorithm>
#include <cstring>

#include "front/vantor/messages.h"
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
        const REC_field *field =
            REC_field_named(REC_STUDY, underscored(command.parameters[i].name).c_str());
        if (field != nullptr && field->kind != REC_KIND_INTERNAL) {
            command.study_fields.emplace_back(i, field);
        }
    }
}

Row row_of(const Command &command, const Request &request, std::int32_t unit,
           const Outcome &outcome) {
    Row row(command.columns.size());
    row[0] = Cell::word(unit_name(unit));
    for (const auto &[parameter, column] : command.parameter_columns) {
        row[column] = input_cell(command, request, parameter);
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

STU_study study_of(const Command &command, const Request &request, std::int32_t unit) {
    STU_study study;
    STU_study_init(&study);
    static const REC_field *const count = REC_field_named(REC_STUDY, "count");
    store(&study, *count, unit);
    for (const auto &[parameter, field] : command.study_fields) {
        if (request[parameter]) {
            store(&study, *field, value_of(command, request, parameter));
        }
    }
    return study;
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

std::int32_t reason_code(const std::string &name) {
    for (std::int32_t i = 0; i < REC_reason_count(); ++i) {
        if (name == REC_reason_name(REC_reason_at(i))) {
            return REC_reason_at(i);
        }
    }
    return SLV_REASON_NONE;
}

std::string refusal(const Command &command, const Request &request, std::size_t parameter,
                    std::int32_t reason) {
    const Cell value = input_cell(command, request, parameter);
    return "--" + command.parameters[parameter].name + " " + value.text + ": " +
           SLV_message(reason);
}

std::string refusal_for(const Command &command, const Request &request, std::int32_t reason,
                        const STU_study &study) {
    const char *name = REC_reason_name(reason);
    std::optional<std::size_t> first;
    for (std::size_t i = 0; i < command.parameters.size() && name != nullptr; ++i) {
        const Parameter &parameter = command.parameters[i];
        const std::vector<std::string> &reasons = parameter.reasons;
        if (!request[i] || std::find(reasons.begin(), reasons.end(), name) == reasons.end()) {
            continue;
        }
        if (parameter.check != nullptr &&
            parameter.check(value_of(command, request, i), study) == reason) {
            return refusal(command, request, i, reason);
        }
        first = first ? first : i;
    }
    return first ? refusal(command, request, *first, reason) : SLV_message(reason);
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
        about.reasons.empty() ? about.help : SLV_message(reason_code(about.reasons.front()));
    return "--" + about.name + " is missing: " + what + (hint.empty() ? "" : " (" + hint + ")");
}

std::string value_refusal(const Parameter &parameter, const ValueList &list) {
    if (list.unreadable && !parameter.reasons.empty()) {
        const std::string shown = list.item.empty() ? "''" : echoed(list.item);
        return "--" + parameter.name + " " + shown + ": " +
               SLV_message(reason_code(parameter.reasons.front()));
    }
    return "--" + parameter.name + ": " + list.error;
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
    odds_ratio.reasons = {"BAD_ODDS_RATIO"};
    return odds_ratio;
}

Parameter control_rate_parameter() {
    Parameter rate{"control-rate", "r", Kind::Real, "risk-allele rate among controls, in (0, 1)"};
    rate.reasons = {"BAD_CONTROL_RATE"};
    return rate;
}

Parameter alpha_parameter(const std::string &help) {
    Parameter alpha{"alpha", "a", Kind::Real, help};
    // The study's own starting level, genome-wide significance.
    alpha.default_text = exact_text(STU_DEFAULT_ALPHA);
    alpha.reasons = {"BAD_ALPHA", "BAD_DESIGN_ALPHA"};
    return alpha;
}

Parameter target_power_parameter() {
    Parameter target{"target-power", "p", Kind::Real, "target power, above the level and below 1"};
    target.reasons = {"BAD_TARGET_POWER"};
    target.check = [](double value, const STU_study &study) {
        return SLV_check_target_power(value, study.alpha);
    };
    return target;
}

Parameter method_parameter() {
    Parameter method{"method", "", Kind::Word,
                     "analysis: replication, product (of p-values) or joint", "method"};
    method.default_text = "replication,product,joint";
    method.reasons = {"BAD_METHOD"};
    return method;
}

Parameter case_fraction_parameter() {
    Parameter fraction{"case-fraction", "", Kind::Real, "cases' share of each stage, in (0, 1)"};
    fraction.default_text = "0.5";
    fraction.reasons = {"BAD_CASE_FRACTION"};
    return fraction;
}

Parameter cost_ratio_parameter() {
    Parameter cost{"cost-ratio", "c", Kind::Real,
                   "cost of a stage 2 genotype relative to a stage 1 one"};
    cost.default_text = "1";
    cost.reasons = {"BAD_COST_RATIO"};
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
    variance.reasons = {"BAD_STATISTIC"};
    return variance;
}

}  // namespace vantor_cli
