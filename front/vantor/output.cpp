#include "front/vantor/output.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <nlohmann/json.hpp>
#include <tuple>

#include "front/vantor/messages.h"

namespace vantor_cli {

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

std::vector<std::string> shown_texts(const Row &row) {
    std::vector<std::string> texts;
    texts.reserve(row.size());
    for (const Cell &cell : row) {
        texts.push_back(shown_text(cell));
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

AnswerWriter::AnswerWriter(std::FILE *stream, Format format, std::vector<std::string> columns,
                           bool every, std::vector<bool> may_vary)
    : RowWriter(stream),
      format_(format),
      columns_(std::move(columns)),
      every_(every),
      may_vary_(std::move(may_vary)) {
    may_vary_.resize(columns_.size(), false);
}

void RowWriter::put(const std::string &text) {
    if (error_ == 0 && std::fwrite(text.data(), 1, text.size(), stream_) != text.size()) {
        error_ = errno != 0 ? errno : EIO;
    }
}

void RowWriter::flush() {
    if (error_ == 0 && std::fflush(stream_) != 0) {
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

std::string delimited_line(Format format, const std::vector<std::string> &texts) {
    return delimited(format, texts,
                     [](const std::string &text) -> const std::string & { return text; });
}

std::string AnswerWriter::delimited_line(const std::vector<std::string> &texts) const {
    return vantor_cli::delimited_line(format_, texts);
}

std::string AnswerWriter::delimited_line(const Row &row) const {
    return delimited(format_, row, [](const Cell &cell) { return machine_text(cell); });
}

std::string AnswerWriter::json_object(const Row &row) const {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (std::size_t i = 0; i < row.size(); ++i) {
        object[columns_[i]] = json_value(row[i]);
    }
    return indented(object.dump(2));
}

std::string AnswerWriter::table_line(const std::vector<std::string> &texts) const {
    return format_ == Format::Markdown ? markdown_line(texts)
                                       : aligned_line(texts, widths_, numeric_);
}

// The texts a table shows of a row: its shown columns and its note's number.
std::vector<std::string> AnswerWriter::table_texts(const Row &row) {
    if (every_) {
        return shown_texts(row);
    }
    std::vector<std::string> texts;
    texts.reserve(plan_.columns.size() + 1);
    for (const std::size_t i : plan_.columns) {
        texts.push_back(shown_text(row[i]));
    }
    const std::size_t note = notes_.number_of(row.back().text);
    if (plan_.note_column) {
        texts.push_back(note == 0 ? "-" : std::to_string(note));
    }
    return texts;
}

// Lays the table out by its kept rows and writes them: the inputs said
// once, the head, the rows.
void AnswerWriter::lay_out(bool more_rows) {
    std::vector<std::string> head = columns_;
    if (!every_) {
        plan_ = plan_table(columns_, kept_, may_vary_, more_rows);
        head.clear();
        for (const std::size_t i : plan_.columns) {
            head.push_back(columns_[i]);
        }
        if (plan_.note_column) {
            head.emplace_back("note");
        }
        first_ = kept_.empty() ? Row(columns_.size()) : kept_.front();
    }
    std::vector<std::vector<std::string>> texts;
    texts.reserve(kept_.size());
    for (const Row &row : kept_) {
        texts.push_back(table_texts(row));
    }
    widths_.assign(head.size(), 0);
    numeric_.assign(head.size(), false);
    for (std::size_t i = 0; i < head.size(); ++i) {
        // The note column holds numbers; any other holds its cells.
        const bool note = !every_ && i == plan_.columns.size();
        const std::size_t column = every_ || note ? i : plan_.columns[i];
        numeric_[i] = note;
        for (std::size_t r = 0; r < texts.size(); ++r) {
            widths_[i] = std::max(widths_[i], texts[r][i].size());
            numeric_[i] = numeric_[i] || (!note && is_number(kept_[r][column]));
        }
    }
    laid_out_ = true;
    const std::string said = every_ ? "" : said_once_text(columns_, plan_.said_once, first_);
    put(said.empty() ? said : said + "\n");
    put_head(head);
    for (const std::vector<std::string> &line : texts) {
        put(table_line(line));
    }
    kept_.clear();
    kept_.shrink_to_fit();
}

// Writes the table's head, widening each column to its name. A table for
// people breaks a name wider than its cells after a hyphen, over two lines
// (stage1- above controls), so that the table stays narrow; Markdown has a
// rule under its one-line head.
void AnswerWriter::put_head(const std::vector<std::string> &head) {
    std::vector<std::string> top(head.size());
    std::vector<std::string> bottom = head;
    for (std::size_t i = 0; i < head.size(); ++i) {
        if (format_ == Format::Table && !every_) {
            std::tie(top[i], bottom[i]) = head_lines(head[i], widths_[i]);
        }
        widths_[i] = std::max({widths_[i], top[i].size(), bottom[i].size()});
    }
    if (std::any_of(top.begin(), top.end(), [](const std::string &t) { return !t.empty(); })) {
        put(table_line(top));
    }
    put(table_line(bottom));
    if (format_ == Format::Markdown) {
        put(markdown_rule(numeric_));
    }
}

// Notes the columns said once or left out in which a row after the ones
// laid out has something else.
void AnswerWriter::note_late_changes(const Row &row) {
    const auto changed = [&](std::size_t i) {
        return columns_[i] != "reason" && shown_text(row[i]) != shown_text(first_[i]);
    };
    std::vector<std::size_t> watched = plan_.said_once;
    watched.insert(watched.end(), plan_.left_out.begin(), plan_.left_out.end());
    if (!plan_.note_column) {
        watched.push_back(columns_.size() - 1);
    }
    for (const std::size_t i : watched) {
        if (changed(i) &&
            std::find(changed_late_.begin(), changed_late_.end(), i) == changed_late_.end()) {
            changed_late_.push_back(i);
        }
    }
}

std::string AnswerWriter::late_changes_note() const {
    if (changed_late_.empty()) {
        return "";
    }
    std::string names;
    for (const std::size_t i : changed_late_) {
        names += (names.empty() ? "" : ", ") + columns_[i];
    }
    const std::string note = "note: rows after the first " + std::to_string(kRowsLaidOut) +
                             " differ in " + names +
                             ", which the table does not show; --all-columns shows every column";
    return format_ == Format::Markdown ? "- " + note + "\n" : wrapped(note, kTableWidth) + "\n";
}

void AnswerWriter::write_laid_out(const Row &row) {
    if (!every_) {
        note_late_changes(row);
    }
    put(table_line(table_texts(row)));
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
        case Format::Markdown:
            if (!laid_out_ && kept_.size() < kRowsLaidOut) {
                kept_.push_back(std::move(row));
                break;
            }
            if (!laid_out_) {
                lay_out(true);
            }
            write_laid_out(row);
            break;
    }
    return error() == 0;
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
        case Format::Markdown:
            if (!laid_out_) {
                lay_out(false);
            }
            if (!every_ && (!notes_.empty() || !changed_late_.empty())) {
                put("\n" + notes_.text(!plan_.note_column, format_ == Format::Markdown) +
                    late_changes_note());
            }
            break;
    }
    flush();
    return error() == 0;
}

bool ParagraphWriter::write(Row row) {
    put((rows_++ > 0 ? "\n" : "") + row.front().text + "\n");
    return error() == 0;
}

bool ParagraphWriter::finish() {
    flush();
    return error() == 0;
}

}  // namespace vantor_cli
