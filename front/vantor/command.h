// What every subcommand shares: its named inputs, its output columns, and
// the translation of one request to the library's named question and of its
// answer to a row.
//
// Names are docs/glossary.md's: an option --stage1-cases is the input column
// stage1-cases and the library's input stage1_cases (question/ask.h). A request
// becomes one named question; the library decides what it asks, applies the
// defaults, checks it and names the refused input, and a row's result
// columns are laid out from the description of the answer's record
// (REC_field_at), so the program holds no rule of its own about questions.
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
#include "question/ask.h"
#include "question/records.h"

namespace vantor_cli {

// One named input, given as --name (and -x for the common ones).
struct Parameter {
    std::string name;        // the glossary's option name without dashes; the CSV column
    std::string short_name;  // one letter, or empty
    Kind kind = Kind::Real;
    std::string help;
    std::string choice;        // a Kind::Word input's choice in question/records.h, or empty
    std::string default_text;  // the program's own default (a list it answers), or empty
    bool single = false;       // takes one value, not a list: its rows would look alike
    bool shown = true;         // has a column of its own in the rows
    std::int32_t input = -1;   // the library's input (ASK_input_index)
    std::int32_t reason = 0;   // the library's refusal of a value of it that is no number
    std::int32_t effect = 0;   // the effect description it belongs to (STU_EFFECT_*), or 0
    // A word input's words and their codes, from its choice.
    std::vector<std::string> words;
    std::vector<std::int32_t> codes;
};

// One question: the value of each parameter, by position; nothing for an
// input left open. A word's value is its position among the words.
using Request = std::vector<std::optional<double>>;

// A request's answer: one per row (two for an effect found on both sides
// of 1).
using Outcomes = std::vector<ASK_answer>;

struct Command {
    std::string name;
    std::string summary;      // one line, in the program's --help
    std::string description;  // the subcommand's --help: what is solved, an example
    std::vector<Parameter> parameters;
    std::vector<std::int32_t> records;  // the records its answers come in
    std::int32_t stages = 1;            // the library's "stages" of its requests
    const char *solve = nullptr;        // the library's "solve" word it names, if any
    std::vector<std::string> columns;   // made by make_command
    // Where make_command put each shown parameter and each result field.
    struct FieldColumn {
        std::int32_t record;
        const REC_field *field;
        std::size_t column;
    };
    std::vector<std::pair<std::size_t, std::size_t>> parameter_columns;  // parameter, column
    std::vector<FieldColumn> field_columns;
    std::optional<std::size_t> target;  // the target power's parameter, if it has one
};

const Command &power_command();
const Command &two_stage_command();
const Command &design_command();

// A command of the inputs the library reads for a study of `stages` (and
// the design searches when `solve` is "design"), in the library's order,
// which its help and rows follow: each described by the library, the words
// of its choices filled in, its columns laid out: the counting unit, the
// shown inputs, then every field of its records not already a column
// (status and reason last), then the message.
Command make_command(std::string name, std::string summary, std::string description,
                     std::int32_t stages, const char *solve, std::vector<std::int32_t> records,
                     const std::vector<std::string> &unshown = {});

// Which of the command's columns a run shows: every one, less the inputs of
// an effect description the run does not use (a disease model's when it
// gives none of them, the odds ratio's and control rate's when it gives a
// disease model), and the columns of a simulation, of costs in money and of
// a design's limits (their inputs and the fields they bring) unless the run
// gives one of their inputs (`given`, the parameters' names).
std::vector<bool> columns_shown(const Command &command, bool disease, bool allelic,
                                const std::vector<std::string> &given);

// Empty when the library answers the request, else its refusal in its words
// with the options spelled as the program's ("--stage1-cases 0: ...").
// `unit` is VANTOR_COUNT_PEOPLE or VANTOR_COUNT_ALLELES.
std::string library_refusal(const Command &command, const Request &request, std::int32_t unit);

// The library's answers to a request it does not refuse.
Outcomes answer_request(const Command &command, const Request &request, std::int32_t unit,
                        bool progress);

// The methods paragraph of an answer to the request (vantor/methods.h).
std::string methods_of(const Command &command, const Request &request, std::int32_t unit,
                       const ASK_answer &answer);

// The caption of a figure of the request's answers, the parameters `x` and
// `curves` (if any) varying in it.
std::string caption_of(const Command &command, const Request &request, std::int32_t unit,
                       const ASK_answer &answer, std::size_t x, std::optional<std::size_t> curves);

// The row of one answer: the inputs as given (an input left open as the
// request takes it), the record's fields after them (a given input keeps its
// cell), the status, reason and message.
Row row_of(const Command &command, const Request &request, std::int32_t unit,
           const ASK_answer &answer);

// The index of the command's parameter of that name ("target-power").
std::optional<std::size_t> parameter_named(const Command &command, const std::string &name);

// The unit's word as rows show it: "people" or "alleles".
std::string unit_name(std::int32_t unit);

// The refusal of an option's or a cell's text: the library's message for a
// value that is not a number, else what the option takes; with what the
// person probably meant when the text says it (0.30 for 30%).
std::string value_refusal(const Parameter &parameter, const ValueList &list);

// An input's cell: its value as typed, its word, or missing when open.
Cell input_cell(const Command &command, const Request &request, std::size_t parameter);

// The refusal of a name the program took before it spoke the glossary's
// (docs/glossary.md), as an option ("--alpha0 is now --stage1-alpha ...") or
// as an input column ("column cases1 is now stage2-cases ..."); empty for
// any other name. `name` is without dashes, in lower case. None of the old
// names has a meaning now, so that no old command line is read another way.
std::string renamed_option(const std::string &name);
std::string renamed_column(const std::string &name, const std::string &as_typed);

}  // namespace vantor_cli

#endif
