// The shared table of requests (tests/requests.csv): named inputs and the
// answer every front end must give them. The library's test asks them
// directly; the program's, Python's, R's and the page's tests ask them as
// their users would.
#ifndef VANTOR_TESTS_REQUEST_TABLE_H
#define VANTOR_TESTS_REQUEST_TABLE_H

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "question/records.h"

struct TableRequest {
    std::vector<std::pair<std::string, std::string>> inputs;  // name, value as typed
    std::string status;                                       // REC_status_name
    std::string reason;                                       // REC_reason_name
    std::string input;  // the input a refusal names; empty for none
    std::string field;  // a field of the answer to check, or empty
    double value = 0;   // its value, to six significant digits
    std::string what;
    std::string line;  // the table's line, for messages
};

inline std::vector<std::string> table_cells(const std::string &text, char separator) {
    std::vector<std::string> cells;
    std::istringstream stream(text);
    for (std::string cell; std::getline(stream, cell, separator);) {
        cells.push_back(cell);
    }
    if (!text.empty() && text.back() == separator) {
        cells.emplace_back();
    }
    return cells;
}

// The table's requests; an empty list when the file cannot be read or a
// line is not as the header says.
inline std::vector<TableRequest> read_request_table(const std::string &path) {
    std::ifstream in(path);
    std::string line;
    std::vector<TableRequest> requests;
    if (!std::getline(in, line) || line != "inputs,status,reason,input,field,value,what") {
        return requests;
    }
    while (std::getline(in, line)) {
        const std::vector<std::string> cells = table_cells(line, ',');
        if (cells.size() != 7) {
            return {};
        }
        TableRequest request;
        for (const std::string &given : table_cells(cells[0], ';')) {
            const std::size_t equals = given.find('=');
            request.inputs.emplace_back(given.substr(0, equals), given.substr(equals + 1));
        }
        request.status = cells[1];
        request.reason = cells[2];
        request.input = cells[3];
        request.field = cells[4];
        request.value = cells[5].empty() ? 0 : std::stod(cells[5]);
        request.what = cells[6];
        request.line = line;
        requests.push_back(std::move(request));
    }
    return requests;
}

// The value of an input as the table gives it, or the empty text.
inline std::string table_input(const TableRequest &request, const std::string &name) {
    for (const auto &given : request.inputs) {
        if (given.first == name) {
            return given.second;
        }
    }
    return "";
}

#endif
