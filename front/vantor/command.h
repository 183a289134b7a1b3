// What every subcommand shares: its named inputs, its output columns, a check
// of one request before anything is computed, and the answer to one request.
//
// Names are docs/glossary.md's: an option --stage1-cases is the input column
// stage1-cases and the study field or question argument stage1_cases of
// power/records.h. A request becomes one STU_study (power/study.h) by those
// names, each question is asked through its STU_* function, and a row's
// result columns are laid out from the description of the question's record
// (REC_field_at), so the program holds no list of its own mapping record
// fields to columns.
#ifndef VANTOR_FRONT_VANTOR_COMMAND_H
#define VANTOR_FRONT_VANTOR_COMMAND_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "front/vantor/output.h"
#include "front/vantor/values.h"
#include "power/records.h"
#include "power/study.h"

namespace vantor_cli {

// The library's check of one input's value, given the study the request
// describes (its unit, level and method): SLV_REASON_NONE or the refusal.
using ValueCheck = std::int32_t (*)(double value, const STU_study &study);

// One named input, given as --name (and -x for the common ones).
struct Parameter {
    Parameter(std::string name_, std::string short_name_, Kind kind_, std::string help_,
              std::string choice_ = "")
        : name(std::move(name_)),
          short_name(std::move(short_name_)),
          kind(kind_),
          help(std::move(help_)),
          choice(std::move(choice_)) {}

    std::string name;        // the glossary's option name without dashes; the CSV column
    std::string short_name;  // one letter, or empty
    Kind kind;
    std::string help;
    std::string choice;        // a Kind::Word input's choice in power/records.h, or empty
    std::string default_text;  // the value taken when it is not given, or empty
    bool single = false;       // takes one value, not a list: its rows would look alike
    bool shown = true;         // has a column of its own in the rows
    // Left open, the row shows the value the study takes for it (the level
    // the number of markers implies, a disease model's default words).
    bool shown_from_study = false;
    // Besides its own name, the glossary inputs (REC_reason_input) whose
    // refusals this option answers for: a stage's cases answer for "cases".
    std::vector<std::string> answers_for;
    // Filled by the command from REC_reason_input: the reasons refusing this
    // input, its own name's first, in increasing code (the first one the
    // refusal of a value that is not a number at all).
    std::vector<std::int32_t> reasons;
    ValueCheck check = nullptr;  // the library's check of its value, if it has one alone
    // Filled from the choice by the command: its words and their codes.
    std::vector<std::string> words;
    std::vector<std::int32_t> codes;
};

// One question: the value of each parameter, by position; nothing for an
// input left open. A word's value is its position among the words.
using Request = std::vector<std::optional<double>>;

// The record a question answered with, as power/records.h describes it.
struct Outcome {
    std::int32_t record = 0;  // REC_POWER_RESULT ... REC_RISK_RESULT
    union Records {
        STU_power_result power;
        STU_size_result size;
        SLV_effect_result effect;
        STU_risk_result risk;
        DSN_design_result design;
    } as{};
    // Inputs the question worked out from others (the controls of a ratio,
    // the direction of an odds ratio), by parameter.
    std::vector<std::pair<std::size_t, Cell>> worked_out;

    [[nodiscard]] std::int32_t status() const;
    [[nodiscard]] std::int32_t reason() const;
};

// A request's answer: one outcome per row (two for an odds ratio found on
// both sides of 1).
using Outcomes = std::vector<Outcome>;

struct Command {
    std::string name;
    std::string summary;      // one line, in the program's --help
    std::string description;  // the subcommand's --help: what is solved, an example
    std::vector<Parameter> parameters;
    std::vector<std::int32_t> records;  // the records its questions answer with
    std::vector<std::string> columns;   // made by finish_command
    // Where finish_command put each shown parameter and each result field.
    struct FieldColumn {
        std::int32_t record;
        const REC_field *field;
        std::size_t column;
    };
    std::vector<std::pair<std::size_t, std::size_t>> parameter_columns;  // parameter, column
    std::vector<FieldColumn> field_columns;
    std::optional<std::size_t> target;  // the target power's parameter, if it has one
    // The study field of each parameter named as one (power/records.h): a
    // field of the study record, or of the disease model in its effect union.
    struct StudyField {
        std::size_t parameter;
        const REC_field *field;
        std::int32_t offset;  // from the start of the study record
        bool allelic;         // the allelic effect's (odds ratio, control rate)
        bool disease;         // the disease model's
    };
    std::vector<StudyField> study_fields;
    // The parameters that describe the effect as a disease model (the
    // model's fields and --d-prime, --r-squared), and as an allelic effect.
    std::vector<std::size_t> disease_parameters;
    std::vector<std::size_t> allelic_parameters;
    // Empty when the request can be answered, else one line naming the
    // option and what it takes. `unit` is SLV_UNIT_PEOPLE or SLV_UNIT_ALLELES.
    std::string (*check)(const Request &request, std::int32_t unit);
    Outcomes (*answer)(const Request &request, std::int32_t unit);
};

const Command &power_command();
const Command &two_stage_command();
const Command &design_command();

// Fills the words of its choices from power/records.h and lays out its
// columns: the counting unit, the shown inputs, then every field of its
// records not already a column (status and reason last), then the message.
void finish_command(Command &command);

// Which of the command's columns a run shows: every one, less the inputs of
// an effect description the run does not use (a disease model's when it
// gives none of them, the odds ratio's and control rate's when it gives a
// disease model).
std::vector<bool> columns_shown(const Command &command, bool disease, bool allelic);

// The row of one outcome: the inputs as given, the record's fields after
// them (a given input keeps its cell), the status, reason and message.
Row row_of(const Command &command, const Request &request, std::int32_t unit,
           const Outcome &outcome);

// The unit's word as rows show it: "people" or "alleles".
std::string unit_name(std::int32_t unit);

// The study a request describes: STU_study_init's, each study field of
// power/records.h set from the parameter of its name when it has a value; a
// disease model (DIS_model_init's, then its given fields, the marker's
// linkage disequilibrium from --d-prime or --r-squared) when any of its
// inputs is given. Without --alpha, the level is STU_default_alpha(markers).
STU_study study_of(const Command &command, const Request &request, std::int32_t unit);

// Whether the request describes its effect by a disease model.
bool describes_disease(const Command &command, const Request &request);

// Whether a disease model's request takes the free model's two risks.
bool free_model(const Command &command, const Request &request);

// Empty, or what is wrong with how the request describes its effect: both
// an allelic effect and a disease model, a disease model without its
// frequency or prevalence, both --d-prime and --r-squared, a model's risks
// given to another model, or no effect at all. The effect's own unknown (the
// odds ratio, the relative risk) is the command's to require.
std::string check_effect_inputs(const Command &command, const Request &request);

// The per-marker level a study's questions test at: alpha / markers.
double marker_alpha(const STU_study &study);

// "--name value: <the library's message for reason>" for the input `parameter`.
std::string refusal(const Command &command, const Request &request, std::size_t parameter,
                    std::int32_t reason);

// The refusal naming the input the reason concerns: the first input with a
// value that the reason refuses (preferring one whose own check refuses it),
// or the library's message alone when none.
std::string refusal_for(const Command &command, const Request &request, std::int32_t reason,
                        const STU_study &study);

// Empty, or the refusal of the first input with a value whose own check
// (Parameter::check) refuses it, in the order of the parameters.
std::string check_values(const Command &command, const Request &request, const STU_study &study);

// "--name is missing: <the library's message> (hint)" for an input a
// question needs.
std::string missing(const Command &command, std::size_t parameter, const std::string &hint);

// The refusal of an option's or a cell's text: the library's message for a
// value that is not a number, else what the option takes; with what the
// person probably meant when the text says it (0.30 for 30%).
std::string value_refusal(const Parameter &parameter, const ValueList &list);

// An input's cell: its value as typed, its word, or missing when open.
Cell input_cell(const Command &command, const Request &request, std::size_t parameter);

// The code (power/records.h) of a word input's value.
std::int32_t choice_code(const Command &command, const Request &request, std::size_t parameter);

// The refusal of a name the program took before it spoke the glossary's
// (docs/glossary.md), as an option ("--alpha0 is now --stage1-alpha ...") or
// as an input column ("column cases1 is now stage2-cases ..."); empty for
// any other name. `name` is without dashes, in lower case. None of the old
// names has a meaning now, so that no old command line is read another way.
std::string renamed_option(const std::string &name);
std::string renamed_column(const std::string &name, const std::string &as_typed);

// The inputs every subcommand shares.
Parameter odds_ratio_parameter();
Parameter control_rate_parameter();
Parameter alpha_parameter(const std::string &help);
Parameter target_power_parameter();
Parameter method_parameter();
Parameter case_fraction_parameter();
Parameter cost_ratio_parameter();
// --variance: rows do not show it, so it takes one word rather than a list.
Parameter variance_parameter();
// --test (default allelic) and --markers (default 1).
Parameter test_parameter(const std::string &help);
Parameter markers_parameter();
// The disease model's inputs, in the glossary's order: --frequency,
// --prevalence, --model, --relative-risk, --heterozygote-risk,
// --homozygote-risk, --controls-kind, --marker-frequency, --d-prime,
// --r-squared.
std::vector<Parameter> disease_model_parameters();

}  // namespace vantor_cli

#endif
