// From option values to requests, one at a time: every combination of the
// given lists (a grid), and the requests of each row of a CSV file as the
// file is read.
#ifndef VANTOR_FRONT_VANTOR_REQUESTS_H
#define VANTOR_FRONT_VANTOR_REQUESTS_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "front/vantor/command.h"
#include "front/vantor/values.h"

namespace vantor_cli {

// The values of each parameter, by position; nothing for one not given.
using ValueLists = std::vector<std::optional<ValueList>>;

// The combinations of some lists, made one at a time, the first parameter
// varying slowest. Counted without being made.
class Grid {
public:
    explicit Grid(ValueLists lists);

    // The number of combinations; nothing when it does not fit a size_t.
    [[nodiscard]] std::optional<std::size_t> count() const;
    // The next combination into `request`; false after the last.
    bool next(Request &request);
    // Starts again from the first combination.
    void restart();

private:
    struct Position {
        std::size_t item = 0;
        std::size_t offset = 0;
    };
    bool advance();

    ValueLists lists_;
    std::vector<Position> positions_;
    bool done_ = false;
};

// The longest line (row) of an input file, in bytes.
constexpr std::size_t kLongestInputLine = 65536;

// The rows of a CSV file, read as they are needed: RFC 4180 quoting, blank
// lines skipped, a UTF-8 byte-order mark at the start skipped, fields
// separated by commas or, when the header line separates its names by
// semicolons, by semicolons with decimal commas in numbers (as spreadsheets
// write CSV in decimal-comma locales). The header names the command's
// options (any case, with -, _ or spaces, with or without leading dashes),
// empty names at its end ignored; each later row holds one value or range
// per column, an empty cell leaving the option to the command line or its
// default.
class CsvRequests {
public:
    // `path` "-" reads standard input. `lists` are the command line's values
    // (defaults included), `given` which of them the command line gave.
    CsvRequests(const Command &command, std::string path, ValueLists lists,
                std::vector<bool> given);
    ~CsvRequests();
    CsvRequests(const CsvRequests &) = delete;
    CsvRequests &operator=(const CsvRequests &) = delete;

    // Opens the file and reads its header: empty, or the message refusing it.
    std::string open();
    // The next row's values joined with the command line's into `lists`;
    // false at the end of the file or on a problem, which `problem` then
    // holds ("FILE line N: what").
    bool next(ValueLists &lists, std::string &problem);
    // The parameters the header names, in its order (once open).
    [[nodiscard]] const std::vector<std::size_t> &named_parameters() const { return columns_; }
    // "FILE line N: ", N the line the last row read began on.
    [[nodiscard]] std::string line_label() const;

private:
    std::string open_file();
    void skip_byte_order_mark();
    std::string read_header();
    std::string add_header_column(const std::string &name);
    bool read_record(std::vector<std::string> &fields, std::string &problem);
    void skip_line_ends();
    void read_fields(std::vector<std::string> &fields);
    void read_quoted(std::string &field);
    void skip_byte();
    int take_byte(std::string &field);
    [[nodiscard]] std::string record_problem(const std::vector<std::string> &fields) const;
    int get();
    int peek();
    bool fill();
    std::string where() const;
    char header_delimiter();
    [[nodiscard]] bool fits_header(const std::vector<std::string> &row) const;
    std::string cell_number(std::string &value) const;
    std::string row_lists(const std::vector<std::string> &row, ValueLists &lists) const;

    const Command &command_;
    std::string path_;
    ValueLists lists_;
    std::vector<bool> given_;
    std::vector<std::size_t> columns_;
    std::vector<std::string> column_names_;
    std::size_t header_fields_ = 0;  // with its empty columns at the end
    char delimiter_ = ',';
    int fd_ = -1;
    bool owns_fd_ = false;
    std::vector<char> buffer_;
    std::size_t at_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    int read_error_ = 0;
    bool after_carriage_return_ = false;
    std::size_t line_ = 1;          // the line being read
    std::size_t record_line_ = 1;   // the line the last record began on
    std::size_t record_bytes_ = 0;  // the bytes of the last record
};

}  // namespace vantor_cli

#endif
