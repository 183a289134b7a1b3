#include "front/vantor/output.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <nlohmann/json.hpp>

#include "front/vantor/values.h"

namespace vantor_cli {

Cell Cell::whole(std::int64_t value) {
    Cell cell;
    cell.type = Type::Integer;
    cell.integer = value;
    cell.text = std::to_string(value);
    return cell;
}

Cell Cell::exact(double value) {
    Cell cell;
    cell.type = Type::Number;
    cell.number = value;
    cell.text = exact_text(value);
    return cell;
}

Cell Cell::measured(double value) {
    if (std::isnan(value)) {
        return missing();
    }
    Cell cell;
    cell.type = Type::Number;
    cell.number = value;
    cell.text = measured_text(value);
    return cell;
}

Cell Cell::word(std::string value) {
    Cell cell;
    cell.type = Type::Text;
    cell.text = std::move(value);
    return cell;
}

const std::vector<std::string> &format_names() {
    static const std::vector<std::string> names{"table", "csv", "tsv", "json"};
    return names;
}

namespace {

std::string csv_field(const std::string &text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

// TSV has no quoting: a tab or line end inside a field becomes a space.
std::string tsv_field(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

nlohmann::json json_value(const Cell &cell) {
    switch (cell.type) {
        case Cell::Type::Integer:
            return cell.integer;
        case Cell::Type::Number:
            return std::isfinite(cell.number) ? nlohmann::json(cell.number) : nlohmann::json();
        case Cell::Type::Text:
            return cell.text;
        case Cell::Type::Missing:
            break;
    }
    return nullptr;
}

// What a person sees in a cell: a dash where there is nothing.
const std::string &shown(const Cell &cell) {
    static const std::string dash = "-";
    return cell.type == Cell::Type::Missing ? dash : cell.text;
}

bool is_number(const Cell &cell) {
    return cell.type == Cell::Type::Integer || cell.type == Cell::Type::Number;
}

std::vector<std::string> shown_texts(const Row &row) {
    std::vector<std::string> texts;
    texts.reserve(row.size());
    for (const Cell &cell : row) {
        texts.push_back(shown(cell));
    }
    return texts;
}

// Each line of `text` indented by two spaces: an object as an element of the
// answer's array. JSON strings hold no line ends (they are escaped).
std::string indented(const std::string &text) {
    std::string out = "  ";
    for (const char c : text) {
        out += c;
        if (c == '\n') {
            out += "  ";
        }
    }
    return out;
}

}  // namespace

AnswerWriter::AnswerWriter(std::FILE *stream, Format format, std::vector<std::string> columns)
    : stream_(stream), format_(format), columns_(std::move(columns)) {}

void AnswerWriter::put(const std::string &text) {
    if (error_ == 0 && std::fwrite(text.data(), 1, text.size(), stream_) != text.size()) {
        error_ = errno != 0 ? errno : EIO;
    }
}

namespace {

// One CSV or TSV line of the texts `text_of` takes from each item.
template <typename Texts, typename TextOf>
std::string delimited(Format format, const Texts &texts, TextOf text_of) {
    const char separator = format == Format::Csv ? ',' : '\t';
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        out += separator == ',' ? csv_field(text_of(texts[i])) : tsv_field(text_of(texts[i]));
    }
    return out + '\n';
}

}  // namespace

std::string AnswerWriter::delimited_line(const std::vector<std::string> &texts) const {
    return delimited(format_, texts,
                     [](const std::string &text) -> const std::string & { return text; });
}

std::string AnswerWriter::delimited_line(const Row &row) const {
    return delimited(format_, row,
                     [](const Cell &cell) -> const std::string & { return cell.text; });
}

std::string AnswerWriter::json_object(const Row &row) const {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (std::size_t i = 0; i < row.size(); ++i) {
        object[columns_[i]] = json_value(row[i]);
    }
    return indented(object.dump(2));
}

// Numbers right-aligned, words left-aligned; the last column (the message)
// is not padded. A cell wider than its column is written whole.
std::string AnswerWriter::table_line(const std::vector<std::string> &texts) const {
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const bool last = i + 1 == texts.size();
        const std::string pad(widths_[i] - std::min(widths_[i], texts[i].size()), ' ');
        out += (i > 0 ? "  " : "") + (numeric_[i] ? pad + texts[i] : texts[i] + (last ? "" : pad));
    }
    out.erase(out.find_last_not_of(' ') + 1);
    return out + "\n";
}

void AnswerWriter::lay_out() {
    widths_.resize(columns_.size());
    numeric_.assign(columns_.size(), false);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        widths_[i] = columns_[i].size();
    }
    for (const Row &row : kept_) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths_[i] = std::max(widths_[i], shown(row[i]).size());
            numeric_[i] = numeric_[i] || is_number(row[i]);
        }
    }
    laid_out_ = true;
    put(table_line(columns_));
    for (const Row &row : kept_) {
        put(table_line(shown_texts(row)));
    }
    kept_.clear();
    kept_.shrink_to_fit();
}

bool AnswerWriter::write(Row row) {
    const bool first = rows_ == 0;
    ++rows_;
    switch (format_) {
        case Format::Csv:
        case Format::Tsv:
            put((first ? delimited_line(columns_) : "") + delimited_line(row));
            break;
        case Format::Json:
            put((first ? "[\n" : ",\n") + json_object(row));
            break;
        case Format::Table:
            if (!laid_out_ && kept_.size() < kRowsLaidOut) {
                kept_.push_back(std::move(row));
                break;
            }
            if (!laid_out_) {
                lay_out();
            }
            put(table_line(shown_texts(row)));
            break;
    }
    return error_ == 0;
}

bool AnswerWriter::finish() {
    switch (format_) {
        case Format::Csv:
        case Format::Tsv:
            if (rows_ == 0) {
                put(delimited_line(columns_));
            }
            break;
        case Format::Json:
            put(rows_ == 0 ? "[]\n" : "\n]\n");
            break;
        case Format::Table:
            if (!laid_out_) {
                lay_out();
            }
            break;
    }
    if (error_ == 0 && std::fflush(stream_) != 0) {
        error_ = errno != 0 ? errno : EIO;
    }
    return error_ == 0;
}

}  // namespace vantor_cli
