#include "front/vantor/command.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "front/vantor/messages.h"
#include "front/vantor/progress.h"
#include "question/records.h"
#include "status/status.h"
#include "vantor/methods.h"

namespace vantor_cli {

namespace {

// A glossary name as the program writes it (stage1-cases) from the
// library's (stage1_cases).
std::string with(std::string name, char from, char to) {
    std::replace(name.begin(), name.end(), from, to);
    return name;
}

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

Rounding rounding_of(std::int32_t record, const REC_field &field) {
    switch (REC_field_rounding(record, field.name)) {
        case REC_ROUND_DOWN:
            return Rounding::Down;
        case REC_ROUND_AWAY_FROM_ONE:
            return Rounding::AwayFromOne;
        default:
            break;
    }
    return Rounding::Nearest;
}

// A result field's cell, not yet marked computed: counts and numbers only
// when the answer was found (a count of 0 or a value not a number is none),
// rounded for people as the library says, the status's and the reason's
// names, a choice's word.
Cell field_cell(const void *record, std::int32_t described, const REC_field &field, bool found) {
    switch (field.kind) {
        case REC_KIND_STATUS:
            return Cell::word(VANTOR_status_name(stored<std::int32_t>(record, field)));
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
    return found ? Cell::measured(number_at(record, field), rounding_of(described, field))
                 : Cell::missing();
}

// A result field's cell, marked as the answer's.
Cell result_cell(const void *record, std::int32_t described, const REC_field &field, bool found) {
    Cell cell = field_cell(record, described, field, found);
    cell.computed = true;
    return cell;
}

Cell computed(Cell cell) {
    cell.computed = true;
    return cell;
}

// The options with one letter of their own.
constexpr std::pair<const char *, const char *> kShortNames[] = {
    {"cases", "n"},      {"controls", "m"},     {"odds-ratio", "o"}, {"control-rate", "r"},
    {"alpha", "a"},      {"target-power", "p"}, {"total", "t"},      {"stage1-share", "s"},
    {"cost-ratio", "c"}, {"budget", "b"},
};

std::string short_name_of(const std::string &name) {
    for (const auto &[option, letter] : kShortNames) {
        if (name == option) {
            return letter;
        }
    }
    return "";
}

Kind kind_of(std::int32_t kind) {
    return kind == ASK_COUNT ? Kind::Count : kind == ASK_WORD ? Kind::Word : Kind::Real;
}

// The parameter of the library's input.
Parameter parameter_of(std::int32_t input) {
    const ASK_input &about = *ASK_input_at(input);
    const std::string name = hyphenated(about.name);
    Parameter parameter;
    parameter.name = name;
    parameter.short_name = short_name_of(name);
    parameter.kind = kind_of(about.kind);
    parameter.help = about.meaning;
    if (about.value_default[0] != '\0') {
        parameter.help += std::string(" (default ") + about.value_default + ")";
    }
    parameter.choice = about.choice;
    parameter.input = input;
    parameter.reason = about.reason;
    parameter.effect = about.effect;
    std::int32_t code = 0;
    for (std::int32_t i = 0; !parameter.choice.empty(); ++i) {
        const char *word = REC_choice_word(parameter.choice.c_str(), i, &code);
        if (word == nullptr) {
            break;
        }
        parameter.words.emplace_back(word);
        parameter.codes.push_back(code);
    }
    return parameter;
}

// Adds a column for each parameter rows show, in the parameters' order.
void add_parameter_columns(Command &command) {
    for (const Parameter &parameter : command.parameters) {
        if (parameter.shown) {
            command.columns.push_back(parameter.name);
        }
    }
}

// A simulation's progress, told to the Progress line `context`.
void tell_progress(void *context, std::int64_t done, std::int64_t total) {
    static_cast<Progress *>(context)->update(static_cast<std::size_t>(done),
                                             static_cast<std::size_t>(total));
}

// The answer's fields of a simulated power (REC_ANSWER), shown after the
// result's.
constexpr const char *kSimulatedFields[] = {"simulated_power", "standard_error"};

// Columns a run shows only when it gives one of their inputs: a
// simulation's, costs in money's, and the limits of a design's (with the
// case fractions they let the searches choose and the panel's markers).
struct OptionalColumns {
    std::vector<const char *> inputs;
    std::vector<const char *> fields;
};

const std::vector<OptionalColumns> &optional_columns() {
    static const std::vector<OptionalColumns> kGroups = {
        {{"replicates", "seed"}, {"simulated_power", "standard_error"}},
        {{"stage1_cost_per_person", "stage2_cost_per_person", "stage2_cost_per_genotype",
          "stage1_fixed_cost", "stage2_fixed_cost"},
         {"cost_in_money", "one_stage_cost_in_money"}},
        {{"cases_available", "controls_available", "stage1_controls_available",
          "stage2_controls_available", "panel"},
         {"binding_limit", "stage1_case_fraction", "stage2_case_fraction", "stage2_markers"}},
    };
    return kGroups;
}

bool names_column(const std::vector<const char *> &names, const std::string &column) {
    return std::any_of(names.begin(), names.end(),
                       [&column](const char *name) { return column == hyphenated(name); });
}

// Adds a column for each result field of the command's records, once for a
// field two records share, then the simulated power's, the statuses and
// reasons after the others.
void add_field_columns(Command &command) {
    std::vector<std::string> &columns = command.columns;
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
    for (const char *name : kSimulatedFields) {
        columns.push_back(hyphenated(name));
    }
    columns.insert(columns.end(), last.begin(), last.end());
}

// Notes the column of each shown parameter and of each result field, so
// that a row is filled without looking columns up by name.
void place_columns(Command &command) {
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
}

// Lays out the command's columns (make_command): the unit, the shown
// parameters, the result fields, the message.
void lay_out_columns(Command &command) {
    command.columns.assign(1, "count");
    add_parameter_columns(command);
    add_field_columns(command);
    command.columns.emplace_back("message");
    place_columns(command);
}

// The parameters of a study of `stages` stages solving for `solve` (nullptr
// for none): the library's inputs of the question, in its order.
std::vector<Parameter> study_parameters(std::int32_t stages, const char *solve) {
    std::vector<Parameter> parameters;
    const std::int32_t solve_code = solve == nullptr ? 0 : REC_choice_code("solve", solve);
    for (std::int32_t i = 0; ASK_study_input(stages, solve_code, i) >= 0; ++i) {
        parameters.push_back(parameter_of(ASK_study_input(stages, solve_code, i)));
    }
    return parameters;
}

using AskRequest = std::unique_ptr<ASK_request, decltype(&ASK_request_free)>;

// The library's request of one of the program's: one kept for the run (the
// program asks one request at a time).
ASK_request &named_request(const Command &command, const Request &request, std::int32_t unit) {
    static const AskRequest kept(ASK_request_new(), ASK_request_free);
    if (kept == nullptr) {
        throw std::bad_alloc();
    }
    ASK_request &asked = *kept;
    ASK_request_clear(&asked);
    ASK_give(&asked, ASK_input_index("stages"), command.stages);
    ASK_give(&asked, ASK_input_index("count"), unit);
    if (command.solve != nullptr) {
        ASK_give_word(&asked, ASK_input_index("solve"), command.solve);
    }
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        const Parameter &parameter = command.parameters[i];
        if (request[i]) {
            const double value = parameter.kind == Kind::Word
                                     ? parameter.codes[static_cast<std::size_t>(*request[i])]
                                     : *request[i];
            ASK_give(&asked, parameter.input, value);
        }
    }
    return asked;
}

// The cell of an input left open: the value the request takes for it (its
// default), or missing.
Cell taken_cell(const Parameter &parameter, const ASK_request &asked) {
    const double value = ASK_input_taken(&asked, parameter.input);
    if (std::isnan(value)) {
        return Cell::missing();
    }
    if (parameter.kind == Kind::Word) {
        const char *word =
            REC_choice_name(parameter.choice.c_str(), static_cast<std::int32_t>(value));
        return word == nullptr ? Cell::missing() : Cell::word(word);
    }
    return parameter.kind == Kind::Count ? Cell::whole(static_cast<std::int64_t>(value))
                                         : Cell::exact(value);
}

// Whether the library takes `value` as the input of parameter `effect` of
// the request, asked as a power question (target and side left open).
bool takes_effect(const Command &command, Request request, std::int32_t unit, std::size_t effect,
                  double value) {
    request[effect] = value;
    for (const char *solved : {"target-power", "direction"}) {
        const std::optional<std::size_t> at = parameter_named(command, solved);
        if (at) {
            request[*at].reset();
        }
    }
    ASK_answer answers[ASK_MOST_ANSWERS];
    return ASK_check_request(&named_request(command, request, unit), answers) == 1;
}

// A detectable effect rounded away from 1 past the largest the model takes
// (a target just below the highest power reachable) is shown exactly
// instead, so that it can be asked again.
void keep_effects_usable(const Command &command, const Request &request, std::int32_t unit,
                         std::int32_t record, Row &row) {
    for (const Command::FieldColumn &at : command.field_columns) {
        Cell &cell = row[at.column];
        if (at.record != record || !cell.computed || cell.type != Cell::Type::Number ||
            REC_field_rounding(record, at.field->name) != REC_ROUND_AWAY_FROM_ONE) {
            continue;
        }
        // Looked up only for the few cells rounded away from 1.
        const std::optional<std::size_t> effect =
            parameter_named(command, hyphenated(at.field->name));
        if (!effect) {
            continue;
        }
        if (!takes_effect(command, request, unit, *effect,
                          std::strtod(cell.text.c_str(), nullptr))) {
            cell.text = exact_text(cell.number);
        }
    }
}

}  // namespace

std::optional<std::size_t> parameter_named(const Command &command, const std::string &name) {
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        if (command.parameters[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

std::string unit_name(std::int32_t unit) {
    const char *word = REC_choice_name("count", unit);
    return word == nullptr ? "" : word;
}

Command make_command(std::string name, std::string summary, std::string description,
                     std::int32_t stages, const char *solve, std::vector<std::int32_t> records,
                     const std::vector<std::string> &unshown) {
    Command command;
    command.name = std::move(name);
    command.summary = std::move(summary);
    command.description = std::move(description);
    command.stages = stages;
    command.solve = solve;
    command.parameters = study_parameters(stages, solve);
    command.records = std::move(records);
    for (const std::string &name : unshown) {
        command.parameters[*parameter_named(command, name)].shown = false;
    }
    command.target = parameter_named(command, "target-power");
    const std::optional<std::size_t> variance = parameter_named(command, "variance");
    if (variance) {
        // Rows do not show it, so it takes one word rather than a list.
        command.parameters[*variance].single = true;
        command.parameters[*variance].shown = false;
    }
    lay_out_columns(command);
    return command;
}

std::vector<bool> columns_shown(const Command &command, bool disease, bool allelic,
                                const std::vector<std::string> &given) {
    std::vector<bool> shown(command.columns.size(), true);
    for (const OptionalColumns &group : optional_columns()) {
        const bool wanted = std::any_of(given.begin(), given.end(), [&group](const std::string &g) {
            return names_column(group.inputs, g);
        });
        for (std::size_t i = 0; i < shown.size() && !wanted; ++i) {
            const std::string &column = command.columns[i];
            shown[i] = shown[i] && !names_column(group.inputs, column) &&
                       !names_column(group.fields, column);
        }
    }
    for (const Parameter &parameter : command.parameters) {
        const bool hidden = (parameter.effect == STU_EFFECT_DISEASE && !disease) ||
                            (parameter.effect == STU_EFFECT_ALLELIC && !allelic);
        if (parameter.shown && hidden) {
            shown[column_of(command, parameter.name)] = false;
        }
    }
    return shown;
}

std::string library_refusal(const Command &command, const Request &request, std::int32_t unit) {
    ASK_request &asked = named_request(command, request, unit);
    ASK_answer answers[ASK_MOST_ANSWERS];
    // The request's own checks, then what only its answer finds: asked
    // without a simulation, which it would run twice.
    if (ASK_check_request(&asked, answers) == 1) {
        ASK_leave_open(&asked, ASK_input_index("replicates"));
        ASK_leave_open(&asked, ASK_input_index("seed"));
        ASK_answer_request(&asked, answers);
        if (answers[0].status != VANTOR_INVALID_INPUT) {
            return "";
        }
    }
    std::string words(
        static_cast<std::size_t>(ASK_message(&answers[0], &asked, ASK_SPELL_OPTION, nullptr, 0)),
        '\0');
    ASK_message(&answers[0], &asked, ASK_SPELL_OPTION, words.data(),
                static_cast<std::int32_t>(words.size() + 1));
    return words;
}

Outcomes answer_request(const Command &command, const Request &request, std::int32_t unit,
                        bool progress) {
    ASK_request &asked = named_request(command, request, unit);
    Progress simulated(0, progress, "studies simulated");
    ASK_set_progress(&asked, progress ? tell_progress : nullptr, &simulated);
    Outcomes answers(ASK_MOST_ANSWERS);
    answers.resize(static_cast<std::size_t>(ASK_answer_request(&asked, answers.data())));
    ASK_set_progress(&asked, nullptr, nullptr);
    return answers;
}

// A text the library writes into a buffer it sizes: asked once for its length.
template <typename Write>
std::string library_text(Write write) {
    std::string text(static_cast<std::size_t>(write(nullptr, 0)), '\0');
    write(text.data(), static_cast<std::int32_t>(text.size() + 1));
    return text;
}

std::string methods_of(const Command &command, const Request &request, std::int32_t unit,
                       const ASK_answer &answer) {
    const ASK_request &asked = named_request(command, request, unit);
    return library_text([&](char *text, std::int32_t capacity) {
        return vantor_methods(&asked, &answer, text, capacity);
    });
}

std::string caption_of(const Command &command, const Request &request, std::int32_t unit,
                       const ASK_answer &answer, std::size_t x, std::optional<std::size_t> curves) {
    const ASK_request &asked = named_request(command, request, unit);
    const std::int32_t curve_input = curves ? command.parameters[*curves].input : -1;
    return library_text([&](char *text, std::int32_t capacity) {
        return vantor_caption(&asked, &answer, command.parameters[x].input, curve_input, text,
                              capacity);
    });
}

Row row_of(const Command &command, const Request &request, std::int32_t unit,
           const ASK_answer &answer) {
    Row row(command.columns.size());
    row[0] = Cell::word(unit_name(unit));
    const ASK_request &asked = named_request(command, request, unit);
    for (const auto &[parameter, column] : command.parameter_columns) {
        row[column] = request[parameter] ? input_cell(command, request, parameter)
                                         : taken_cell(command.parameters[parameter], asked);
    }
    // What the question worked out: the controls of a ratio, the side of 1.
    if (answer.controls > 0) {
        row[column_of(command, "controls")] = computed(Cell::whole(answer.controls));
    }
    const char *side = REC_choice_name("direction", answer.direction);
    const std::optional<std::size_t> direction = parameter_named(command, "direction");
    if (side != nullptr && !(direction && request[*direction])) {
        row[column_of(command, "direction")] = computed(Cell::word(side));
    }
    const bool found = answer.status <= VANTOR_FOUND_WITH_WARNING;
    for (const Command::FieldColumn &at : command.field_columns) {
        Cell &cell = row[at.column];
        // A given input keeps its cell: the value as typed.
        if (at.record == answer.record && cell.type == Cell::Type::Missing) {
            cell = result_cell(&answer.result, answer.record, *at.field, found);
        }
    }
    for (const char *name : kSimulatedFields) {
        const REC_field *field = REC_field_named(REC_ANSWER, name);
        if (answer.replicates > 0 && field != nullptr) {
            row[column_of(command, hyphenated(name))] =
                result_cell(&answer, REC_ANSWER, *field, found);
        }
    }
    keep_effects_usable(command, request, unit, answer.record, row);
    // A question without a target power given (a power computed, the most
    // powerful design) says nothing when all is well, rather than "the
    // target power is reached".
    const bool has_target = command.target && request[*command.target];
    row.back() = Cell::word(
        answer.reason == VANTOR_REASON_NONE && !has_target ? "" : VANTOR_message(answer.reason));
    return row;
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

std::string value_refusal(const Parameter &parameter, const ValueList &list) {
    const std::string meant = list.meant.empty() ? "" : "; did you mean " + list.meant + "?";
    if (list.unreadable && parameter.reason != VANTOR_REASON_NONE) {
        const std::string shown = list.item.empty() ? "''" : echoed(list.item);
        return "--" + parameter.name + " " + shown + ": " + VANTOR_message(parameter.reason) +
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

}  // namespace vantor_cli
