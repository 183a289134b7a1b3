// From option values to requests: every combination of the given lists (a
// grid), and one or more requests per row of a CSV file.
#ifndef VANTOR_FRONT_VANTOR_REQUESTS_H
#define VANTOR_FRONT_VANTOR_REQUESTS_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "front/vantor/command.h"

namespace vantor_cli {

// The values of each parameter, by position; nothing for one not given.
using ValueLists = std::vector<std::optional<std::vector<double>>>;

// One request per combination of the lists, the first parameter varying
// slowest, appended to `requests`. Returns false, appending nothing, when
// that would make more than `largest` requests in all.
bool expand_grid(const ValueLists &lists, std::size_t largest, std::vector<Request> &requests);

// The fields of a CSV text, row by row (RFC 4180 quoting; blank lines
// skipped).
std::vector<std::vector<std::string>> read_csv(const std::string &text);

// Requests from a CSV file whose header names the command's options (with
// or without dashes: odds-ratio or odds_ratio), each row's values joining
// `lists` (the command line's). Every row may itself hold a list-free value
// or a range. Returns the message of the first problem, or empty.
std::string requests_from_csv(const Command &command, const std::string &path,
                              const ValueLists &lists, const std::vector<bool> &given,
                              std::size_t largest, std::vector<Request> &requests);

}  // namespace vantor_cli

#endif
