#include "front/vantor/requests.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace vantor_cli {

bool expand_grid(const ValueLists &lists, std::size_t largest, std::vector<Request> &requests) {
    std::size_t count = 1;
    for (const auto &list : lists) {
        const std::size_t size = list ? list->size() : 1;
        if (size == 0 || count > (largest - requests.size()) / size) {
            return false;
        }
        count *= size;
    }
    // Odometer over the lists' positions, the last parameter turning fastest.
    std::vector<std::size_t> position(lists.size(), 0);
    for (std::size_t made = 0; made < count; ++made) {
        Request request(lists.size());
        for (std::size_t i = 0; i < lists.size(); ++i) {
            if (lists[i]) {
                request[i] = (*lists[i])[position[i]];
            }
        }
        requests.push_back(std::move(request));
        for (std::size_t i = lists.size(); i-- > 0;) {
            if (lists[i] && ++position[i] < lists[i]->size()) {
                break;
            }
            position[i] = 0;
        }
    }
    return true;
}

namespace {

// Reads one field starting at `at`; leaves `at` on the separator or line end
// after it.
std::string read_field(const std::string &text, std::size_t &at) {
    std::string field;
    if (at < text.size() && text[at] == '"') {
        for (++at; at < text.size(); ++at) {
            if (text[at] == '"' && at + 1 < text.size() && text[at + 1] == '"') {
                field += '"';
                ++at;
            } else if (text[at] == '"') {
                ++at;
                break;
            } else {
                field += text[at];
            }
        }
    }
    while (at < text.size() && text[at] != ',' && text[at] != '\n' && text[at] != '\r') {
        field += text[at++];
    }
    return field;
}

bool is_blank(const std::vector<std::string> &row) {
    return row.size() == 1 && row[0].find_first_not_of(" \t") == std::string::npos;
}

std::string trimmed(const std::string &text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The parameter a column names: its option name, underscores read as dashes.
std::optional<std::size_t> parameter_named(const Command &command, std::string name) {
    name = trimmed(name);
    for (char &c : name) {
        c = c == '_' ? '-' : c;
    }
    if (name.rfind("--", 0) == 0) {
        name = name.substr(2);
    }
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        if (command.parameters[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::vector<std::string>> read_csv(const std::string &text) {
    std::vector<std::vector<std::string>> rows;
    std::size_t at = 0;
    while (at < text.size()) {
        std::vector<std::string> row{read_field(text, at)};
        while (at < text.size() && text[at] == ',') {
            ++at;
            row.push_back(read_field(text, at));
        }
        while (at < text.size() && (text[at] == '\n' || text[at] == '\r')) {
            ++at;
        }
        if (!is_blank(row)) {
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

namespace {

// The parameter of each column, or the message refusing the header.
std::string columns_of(const Command &command, const std::vector<std::string> &header,
                       const std::vector<bool> &given, std::vector<std::size_t> &columns) {
    std::vector<bool> seen(command.parameters.size(), false);
    for (const std::string &name : header) {
        const std::optional<std::size_t> parameter = parameter_named(command, name);
        if (!parameter) {
            return "column '" + trimmed(name) + "' is not an option of vantor " + command.name;
        }
        if (given[*parameter] || seen[*parameter]) {
            return "--" + command.parameters[*parameter].name +
                   " is given twice (as a column and on the command line, or in two columns)";
        }
        seen[*parameter] = true;
        columns.push_back(*parameter);
    }
    return "";
}

std::string row_lists(const Command &command, const std::vector<std::string> &row,
                      const std::vector<std::size_t> &columns, ValueLists &lists) {
    if (row.size() != columns.size()) {
        return "holds " + std::to_string(row.size()) + " fields, the header " +
               std::to_string(columns.size());
    }
    for (std::size_t j = 0; j < row.size(); ++j) {
        const std::string value = trimmed(row[j]);
        if (value.empty()) {
            continue;  // open, or the option's default
        }
        const Parameter &about = command.parameters[columns[j]];
        if (value.find(',') != std::string::npos) {
            return "--" + about.name + ": '" + value +
                   "' is not one value: a cell holds a value or a range start:end:step, and a "
                   "decimal comma is not a number";
        }
        ValueList list = read_value_list(value, about.kind, about.words);
        if (!list.error.empty()) {
            return "--" + about.name + ": " + list.error;
        }
        lists[columns[j]] = std::move(list.values);
    }
    return "";
}

}  // namespace

std::string requests_from_csv(const Command &command, const std::string &path,
                              const ValueLists &lists, const std::vector<bool> &given,
                              std::size_t largest, std::vector<Request> &requests) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        return path + ": cannot be read";
    }
    const std::string text{std::istreambuf_iterator<char>(stream),
                           std::istreambuf_iterator<char>()};
    const std::vector<std::vector<std::string>> rows = read_csv(text);
    if (rows.empty()) {
        return path + ": no header line naming the options";
    }
    std::vector<std::size_t> columns;
    std::string problem = columns_of(command, rows[0], given, columns);
    if (!problem.empty()) {
        return path + ": " + problem;
    }
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ValueLists row_values = lists;
        problem = row_lists(command, rows[r], columns, row_values);
        if (!problem.empty()) {
            std::string where = path;
            where += " row " + std::to_string(r) + ": ";
            return where + problem;
        }
        if (!expand_grid(row_values, largest, requests)) {
            return path + ": more than " + std::to_string(largest) + " requests";
        }
    }
    return "";
}

}  // namespace vantor_cli
