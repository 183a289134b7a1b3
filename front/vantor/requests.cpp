#include "front/vantor/requests.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "front/vantor/messages.h"

namespace vantor_cli {

Grid::Grid(ValueLists lists) : lists_(std::move(lists)), positions_(lists_.size()) { restart(); }

std::optional<std::size_t> Grid::count() const {
    std::size_t count = 1;
    for (const auto &list : lists_) {
        const std::size_t size = list ? list->size : 1;
        if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size) {
            return std::nullopt;
        }
        count *= size;
    }
    return count;
}

void Grid::restart() {
    positions_.assign(lists_.size(), Position());
    const std::optional<std::size_t> combinations = count();
    done_ = combinations && *combinations == 0;
}

bool Grid::next(Request &request) {
    if (done_) {
        return false;
    }
    request.assign(lists_.size(), std::nullopt);
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        if (lists_[i]) {
            request[i] = item_value(lists_[i]->items[positions_[i].item], positions_[i].offset);
        }
    }
    done_ = !advance();
    return true;
}

// Odometer over the lists' positions, the last parameter turning fastest;
// false after the last combination.
bool Grid::advance() {
    for (std::size_t i = lists_.size(); i-- > 0;) {
        if (!lists_[i]) {
            continue;
        }
        Position &at = positions_[i];
        const std::vector<ValueItem> &items = lists_[i]->items;
        if (++at.offset < items[at.item].count) {
            return true;
        }
        at.offset = 0;
        if (++at.item < items.size()) {
            return true;
        }
        at.item = 0;
    }
    return false;
}

namespace {

std::string trimmed(const std::string &text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A row with nothing in any field: a blank line, or one of separators only,
// as spreadsheets write below their last row.
bool is_blank(const std::vector<std::string> &row) {
    return std::all_of(row.begin(), row.end(),
                       [](const std::string &field) { return trimmed(field).empty(); });
}

// A column's name as an option's: without leading dashes, in lower case,
// underscores and spaces read as dashes (a spreadsheet's "Odds Ratio").
std::string option_spelling(const std::string &column) {
    std::string name = trimmed(column);
    if (name.rfind("--", 0) == 0) {
        name = name.substr(2);
    }
    for (char &c : name) {
        c = c == '_' || c == ' ' ? '-'
                                 : (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return name;
}

// A name without its dashes: "Stage 1 cases" and stage1-cases alike.
std::string undashed(std::string name) {
    name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
    return name;
}

std::optional<std::size_t> parameter_of_column(const Command &command, const std::string &column) {
    const std::string name = undashed(option_spelling(column));
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        if (undashed(command.parameters[i].name) == name) {
            return i;
        }
    }
    return std::nullopt;
}

// Whether a line (from `at`, to its end) names its fields with semicolons:
// it holds one outside quotes and no comma, as a spreadsheet in a
// decimal-comma locale writes CSV.
bool semicolon_line(const char *at, const char *end) {
    bool quoted = false;
    bool semicolon = false;
    for (; at != end && (quoted || (*at != '\n' && *at != '\r')); ++at) {
        if (*at == '"') {
            quoted = !quoted;
        } else if (!quoted && *at == ',') {
            return false;
        } else if (!quoted && *at == ';') {
            semicolon = true;
        }
    }
    return semicolon;
}

// The number of empty cells at the end of `fields` (a spreadsheet writes a
// column it once held as one).
std::size_t trailing_empty(const std::vector<std::string> &fields) {
    std::size_t empty = 0;
    while (empty < fields.size() && trimmed(fields[fields.size() - 1 - empty]).empty()) {
        ++empty;
    }
    return empty;
}

std::string unknown_column(const Command &command, const std::string &column) {
    std::vector<std::string> names;
    for (const Parameter &parameter : command.parameters) {
        names.push_back(parameter.name);
    }
    const std::string near = nearest_word(option_spelling(column), names);
    return "column " + quoted(trimmed(column)) + " is not an option of vantor " + command.name +
           (near.empty() ? "" : "; did you mean " + quoted(near) + "?");
}

constexpr int kEnd = -1;

}  // namespace

CsvRequests::CsvRequests(const Command &command, std::string path, ValueLists lists,
                         std::vector<bool> given)
    : command_(command),
      path_(std::move(path)),
      lists_(std::move(lists)),
      given_(std::move(given)) {}

CsvRequests::~CsvRequests() {
    if (owns_fd_) {
        ::close(fd_);
    }
}

std::string CsvRequests::where() const { return path_ == "-" ? "standard input" : echoed(path_); }

std::string CsvRequests::line_label() const {
    return where() + " line " + std::to_string(record_line_) + ": ";
}

// Reads more bytes after those held; false at the end or on an error.
bool CsvRequests::fill() {
    if (eof_ || read_error_ != 0) {
        return false;
    }
    if (at_ == end_) {
        at_ = end_ = 0;
    }
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) {
            eof_ = true;
            return false;
        }
        if (errno != EINTR) {
            read_error_ = errno;
            return false;
        }
    }
}

int CsvRequests::peek() {
    if (at_ == end_ && !fill()) {
        return kEnd;
    }
    return static_cast<unsigned char>(buffer_[at_]);
}

// The next byte, counting lines: a line ends at \n, \r\n or a lone \r.
int CsvRequests::get() {
    const int c = peek();
    if (c == kEnd) {
        return c;
    }
    ++at_;
    if (c == '\r' || (c == '\n' && !after_carriage_return_)) {
        ++line_;
    }
    after_carriage_return_ = c == '\r';
    return c;
}

std::string CsvRequests::open() {
    std::string unopened = open_file();
    if (!unopened.empty()) {
        return unopened;
    }
    buffer_.resize(kLongestInputLine);
    skip_byte_order_mark();
    delimiter_ = header_delimiter();
    return read_header();
}

// Opens the file, or takes standard input: empty, or why it cannot be read.
std::string CsvRequests::open_file() {
    if (path_ == "-") {
        fd_ = STDIN_FILENO;
    } else {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            return where() + ": cannot be read: " + std::strerror(errno);
        }
        owns_fd_ = true;
    }
    struct stat about {};
    if (::fstat(fd_, &about) == 0 && S_ISDIR(about.st_mode)) {
        return where() + ": is a directory, not a CSV file";
    }
    return "";
}

// A spreadsheet's "CSV UTF-8" starts with a byte-order mark.
void CsvRequests::skip_byte_order_mark() {
    while (end_ - at_ < 3 && fill()) {
    }
    if (end_ - at_ >= 3 && std::memcmp(buffer_.data() + at_, "\xEF\xBB\xBF", 3) == 0) {
        at_ += 3;
    }
}

// Reads the header line into the columns: empty, or the message refusing it.
std::string CsvRequests::read_header() {
    std::vector<std::string> header;
    std::string problem;
    if (!read_record(header, problem)) {
        return problem.empty() ? where() + ": no header line naming the options" : problem;
    }
    header_fields_ = header.size();
    header.resize(header.size() - trailing_empty(header));
    for (const std::string &name : header) {
        const std::string refused = add_header_column(name);
        if (!refused.empty()) {
            return where() + ": " + refused;
        }
    }
    return "";
}

// Adds the column the header names `name`: empty, or why it is refused (an
// old name, no option's, an option named before).
std::string CsvRequests::add_header_column(const std::string &name) {
    std::string old_name = renamed_column(option_spelling(name), echoed(trimmed(name)));
    if (!old_name.empty()) {
        return old_name;
    }
    const std::optional<std::size_t> parameter = parameter_of_column(command_, name);
    if (!parameter) {
        return unknown_column(command_, name);
    }
    if (std::find(columns_.begin(), columns_.end(), *parameter) != columns_.end()) {
        return "--" + command_.parameters[*parameter].name + " is given in two columns";
    }
    columns_.push_back(*parameter);
    column_names_.push_back(trimmed(name));
    return "";
}

// The delimiter the header line uses, read ahead in the buffer: a
// semicolon, or else a comma.
char CsvRequests::header_delimiter() {
    const auto line_end = [this]() {
        return std::find_if(buffer_.begin() + static_cast<std::ptrdiff_t>(at_),
                            buffer_.begin() + static_cast<std::ptrdiff_t>(end_),
                            [](char c) { return c == '\n' || c == '\r'; });
    };
    while (line_end() == buffer_.begin() + static_cast<std::ptrdiff_t>(end_) &&
           end_ < buffer_.size() && fill()) {
    }
    return semicolon_line(buffer_.data() + at_, buffer_.data() + end_) ? ';' : ',';
}

// Reads one record (a row, a quoted field perhaps spanning lines) after any
// line ends; false at the end of the file, or with `problem` set when the
// file cannot be read, holds a NUL byte, is not UTF-8 or has a line longer
// than kLongestInputLine. Blank lines are skipped.
bool CsvRequests::read_record(std::vector<std::string> &fields, std::string &problem) {
    for (;;) {
        skip_line_ends();
        record_line_ = line_;
        read_fields(fields);
        std::string refused = record_problem(fields);
        if (!refused.empty()) {
            problem = std::move(refused);
            return false;
        }
        if (record_bytes_ == 0 && peek() == kEnd) {
            return false;
        }
        if (!is_blank(fields)) {
            return true;
        }
    }
}

void CsvRequests::skip_line_ends() {
    while (peek() == '\n' || peek() == '\r') {
        get();
    }
}

// Reads the fields of one record up to its line end, counting its bytes in
// record_bytes_; stops early past kLongestInputLine bytes or after a NUL
// byte, which record_problem refuses.
void CsvRequests::read_fields(std::vector<std::string> &fields) {
    fields.assign(1, "");
    record_bytes_ = 0;
    bool bad = false;
    bool field_start = true;
    for (int c = peek(); c != kEnd && c != '\n' && c != '\r' && !bad; c = peek()) {
        const bool quote_opens = c == '"' && field_start;
        field_start = c == delimiter_;
        if (quote_opens) {
            read_quoted(fields.back());
        } else if (c == delimiter_) {
            skip_byte();
            fields.emplace_back();
        } else {
            take_byte(fields.back());
        }
        bad = record_bytes_ > kLongestInputLine ||
              (!fields.back().empty() && fields.back().back() == '\0');
    }
}

// Reads a quoted field from its opening quote to past its closing one, a
// doubled quote inside it one quote; stops early at the end of the file,
// past kLongestInputLine bytes or after a NUL byte.
void CsvRequests::read_quoted(std::string &field) {
    skip_byte();
    for (int c = peek(); c != kEnd && record_bytes_ <= kLongestInputLine; c = peek()) {
        if (c == '"') {
            skip_byte();
            if (peek() != '"') {
                return;
            }
        }
        if (take_byte(field) == 0) {
            return;
        }
    }
}

// Passes over the next byte of the record, a quote or a delimiter.
void CsvRequests::skip_byte() {
    get();
    ++record_bytes_;
}

// Adds the next byte of the record to `field`; the byte, or kEnd.
int CsvRequests::take_byte(std::string &field) {
    const int c = get();
    if (c != kEnd) {
        ++record_bytes_;
        field += static_cast<char>(c);
    }
    return c;
}

// Empty, or why the record just read is refused: the file cannot be read,
// or the record is too long, holds a NUL byte or is not UTF-8.
std::string CsvRequests::record_problem(const std::vector<std::string> &fields) const {
    if (read_error_ != 0) {
        return where() + ": cannot be read: " + std::strerror(read_error_);
    }
    const std::string line = line_label();
    if (record_bytes_ > kLongestInputLine) {
        return line + "longer than " + std::to_string(kLongestInputLine) +
               " bytes: not a CSV file of requests";
    }
    for (const std::string &field : fields) {
        if (field.find('\0') != std::string::npos) {
            return line + "a NUL byte: not a text file";
        }
        if (!is_utf8(field)) {
            return line + "not UTF-8 text";
        }
    }
    return "";
}

// Whether a row holds a field for each named column, and beyond them only
// the empty cells of the header's empty columns.
bool CsvRequests::fits_header(const std::vector<std::string> &row) const {
    return row.size() >= columns_.size() && row.size() <= header_fields_ &&
           trailing_empty(row) >= row.size() - columns_.size();
}

// A cell's text as a number option reads it: in a file with decimal commas,
// its comma a point; empty, or the refusal of a number grouped in
// thousands, which a cell never holds.
std::string CsvRequests::cell_number(std::string &value) const {
    if (delimiter_ == ';') {
        if (is_grouped_number(value, '.')) {
            return grouped_number_refusal(value, '.', false) +
                   " (this file's decimal mark is a comma)";
        }
        std::replace(value.begin(), value.end(), ',', '.');
        return "";
    }
    if (is_grouped_number(value, ',')) {
        return grouped_number_refusal(value, ',', false);
    }
    if (value.find(',') != std::string::npos) {
        return quoted(value) +
               " is not one value: a cell holds a value or a range start:end:step, and a "
               "decimal comma is a number only in a file whose fields are separated by "
               "semicolons";
    }
    return "";
}

std::string CsvRequests::row_lists(const std::vector<std::string> &row, ValueLists &lists) const {
    if (!fits_header(row)) {
        const std::size_t empty = header_fields_ - columns_.size();
        return "holds " + std::to_string(row.size()) + " fields, the header " +
               std::to_string(columns_.size()) +
               (empty > 0 ? " and " + std::to_string(empty) + " empty (which only empty cells fill)"
                          : "");
    }
    for (std::size_t j = 0; j < columns_.size(); ++j) {
        std::string value = trimmed(row[j]);
        if (value.empty()) {
            continue;  // the command line's value, the option's default, or open
        }
        const Parameter &about = command_.parameters[columns_[j]];
        if (given_[columns_[j]]) {
            return "--" + about.name + " is given twice: on the command line and as " +
                   quoted(value) + " in column " + quoted(column_names_[j]) +
                   " (leave the cell empty to take the command line's)";
        }
        const std::string not_a_number = about.kind == Kind::Word ? "" : cell_number(value);
        if (!not_a_number.empty()) {
            return "--" + about.name + ": " + not_a_number;
        }
        ValueList list = read_value_list(value, about.kind, about.words);
        if (!list.error.empty()) {
            return list.unreadable ? value_refusal(about, list)
                                   : "--" + about.name + ": " + list.error;
        }
        lists[columns_[j]] = std::move(list);
    }
    return "";
}

bool CsvRequests::next(ValueLists &lists, std::string &problem) {
    std::vector<std::string> row;
    problem.clear();
    if (!read_record(row, problem)) {
        return false;
    }
    lists = lists_;
    const std::string refused = row_lists(row, lists);
    if (!refused.empty()) {
        problem = line_label() + refused;
        return false;
    }
    return true;
}

}  // namespace vantor_cli
