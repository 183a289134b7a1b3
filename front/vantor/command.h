// What every subcommand shares: its named inputs, its output columns, a check
// of one request before anything is computed, and the answer to one request.
#ifndef VANTOR_FRONT_VANTOR_COMMAND_H
#define VANTOR_FRONT_VANTOR_COMMAND_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "front/vantor/output.h"
#include "front/vantor/values.h"

namespace vantor_cli {

// One named input, given as --name (and -x for the common ones).
struct Parameter {
    std::string name;        // the long option without its dashes, and the CSV column
    std::string short_name;  // one letter, or empty
    Kind kind;
    std::string help;
    std::vector<std::string> words;  // the words of a Kind::Word input
    std::string default_text;        // the value taken when it is not given, or empty
    bool single = false;             // takes one value, not a list: its rows would look alike
};

// One question: the value of each parameter, by position; nothing for an
// input left open.
using Request = std::vector<std::optional<double>>;

struct Answer {
    Row row;
    std::int32_t status;  // SLV_FOUND ... SLV_INVALID_INPUT
};

struct Command {
    std::string name;
    std::string summary;      // one line, in the program's --help
    std::string description;  // the subcommand's --help: what is solved, an example
    std::vector<Parameter> parameters;
    std::vector<std::string> columns;
    // Empty when the request can be answered, else one line naming the
    // option and what it takes. `unit` is SLV_UNIT_PEOPLE or SLV_UNIT_ALLELES.
    std::string (*check)(const Request &request, std::int32_t unit);
    Answer (*answer)(const Request &request, std::int32_t unit);
};

const Command &power_command();
const Command &two_stage_command();
const Command &design_command();

// The unit's name as rows show it: "people" or "alleles".
const char *unit_name(std::int32_t unit);

// "--name value: <the library's message for reason>".
std::string refusal(const Command &command, const Request &request, std::size_t parameter,
                    std::int32_t reason);

// The status and message cells of a row. A question without a target power
// (a power computed, the most powerful design) has no message when all is
// well, rather than "the target power is reached".
void add_status(Row &row, std::int32_t status, std::int32_t reason, bool has_target);

// An input's cell: its value as typed, its word, or missing when open.
Cell input_cell(const Command &command, const Request &request, std::size_t parameter);

// The refusal of a name the program took before it spoke the glossary's
// (docs/glossary.md), as an option ("--alpha0 is now --stage1-alpha ...") or
// as an input column ("column cases1 is now stage2-cases ..."); empty for
// any other name. `name` is without dashes, in lower case. None of the old
// names has a meaning now, so that no old command line is read another way.
std::string renamed_option(const std::string &name);
std::string renamed_column(const std::string &name, const std::string &as_typed);

// The two-stage analyses in the order of PWR_METHOD_*.
const std::vector<std::string> &method_words();

// --variance: the allelic test's statistic, its words in the order of
// PWR_STATISTIC_* (so a request's value is the library's code). Rows do not
// show it, so it takes one word rather than a list.
Parameter variance_parameter();

// The PWR_STATISTIC_* code of the request's --variance.
std::int32_t statistic_of(const Request &request, std::size_t variance);

}  // namespace vantor_cli

#endif
