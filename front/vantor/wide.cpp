#include "front/vantor/wide.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "front/vantor/messages.h"
#include "front/vantor/table_text.h"

namespace vantor_cli {

WideWriter::WideWriter(std::FILE *stream, Format format, std::vector<std::string> columns,
                       WideAxis down, WideAxis across, std::size_t cells)
    : RowWriter(stream),
      format_(format),
      columns_(std::move(columns)),
      down_(down),
      across_(across),
      cells_column_(cells),
      down_labels_(down.count),
      across_labels_(across.count),
      cells_(down.count * across.count),
      messages_(down.count * across.count),
      differs_(columns_.size(), false) {}

bool WideWriter::write(Row row) {
    const std::size_t request = rows_++;
    const std::size_t down = (request / down_.stride) % down_.count;
    const std::size_t across = (request / across_.stride) % across_.count;
    const std::size_t at = down * across_.count + across;
    down_labels_[down] = row[down_.column];
    across_labels_[across] = row[across_.column];
    cells_[at] = row[cells_column_];
    messages_[at] = row.back().text;
    if (request == 0) {
        first_ = std::move(row);
        return true;
    }
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const bool input = !row[i].computed && !first_[i].computed;
        differs_[i] = differs_[i] || (input && shown_text(row[i]) != shown_text(first_[i]));
    }
    return true;
}

std::string WideWriter::corner() const {
    return columns_[down_.column] + " \\ " + columns_[across_.column];
}

// The texts of the table's head and rows, as people read them: a cell's
// note's number after it when `marked`.
std::vector<std::vector<std::string>> WideWriter::lines(const std::vector<std::size_t> &notes,
                                                        bool marked) const {
    std::vector<std::vector<std::string>> lines(1 + down_.count);
    lines[0].push_back(corner());
    for (const Cell &label : across_labels_) {
        lines[0].push_back(shown_text(label));
    }
    for (std::size_t d = 0; d < down_.count; ++d) {
        lines[1 + d].push_back(shown_text(down_labels_[d]));
        for (std::size_t a = 0; a < across_.count; ++a) {
            const std::size_t at = d * across_.count + a;
            const bool mark = marked && notes[at] > 0;
            lines[1 + d].push_back(shown_text(cells_[at]) +
                                   (mark ? " [" + std::to_string(notes[at]) + "]" : ""));
        }
    }
    return lines;
}

namespace {

bool is_said_column(const std::string &name) {
    return name != "status" && name != "reason" && name != "message";
}

}  // namespace

// The notes below a table for people: the cells' messages (numbered when
// `numbered`), then any input that differs between cells.
std::string WideWriter::notes_text(const Notes &notes, bool numbered) const {
    std::string text = notes.text(!numbered, format_ == Format::Markdown);
    std::string varying;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (differs_[i] && i != down_.column && i != across_.column &&
            is_said_column(columns_[i])) {
            varying += (varying.empty() ? "" : ", ") + columns_[i];
        }
    }
    if (!varying.empty()) {
        const std::string note =
            "note: " + varying + " differs between cells; without --wide each row shows its own";
        text +=
            format_ == Format::Markdown ? "- " + note + "\n" : wrapped(note, kTableWidth) + "\n";
    }
    return text;
}

void WideWriter::write_for_people() {
    std::vector<std::size_t> said;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const bool input = !first_[i].computed && first_[i].type != Cell::Type::Missing;
        if (input && !differs_[i] && i != down_.column && i != across_.column &&
            is_said_column(columns_[i])) {
            said.push_back(i);
        }
    }
    Notes notes;
    std::vector<std::size_t> numbers(messages_.size());
    for (std::size_t at = 0; at < messages_.size(); ++at) {
        numbers[at] = notes.number_of(messages_[at]);
    }
    // The cells name their notes when the notes differ between them.
    const bool numbered = std::any_of(numbers.begin(), numbers.end(),
                                      [&](std::size_t n) { return n != numbers.front(); });
    const std::string said_text = said_once_text(columns_, said, first_);
    put(said_text.empty() ? "" : said_text + "\n");
    const bool markdown = format_ == Format::Markdown;
    put(columns_[cells_column_] + " by " + columns_[down_.column] + " (rows) and " +
        columns_[across_.column] + " (columns)" + (markdown ? "\n\n" : "\n"));
    const std::vector<std::vector<std::string>> texts = lines(numbers, numbered);
    std::vector<bool> numeric(texts[0].size(), true);
    numeric[0] = is_number(down_labels_[0]);
    std::vector<std::size_t> widths(texts[0].size(), 0);
    for (const std::vector<std::string> &line : texts) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            widths[i] = std::max(widths[i], line[i].size());
        }
    }
    for (std::size_t l = 0; l < texts.size(); ++l) {
        put(markdown ? markdown_line(texts[l]) : aligned_line(texts[l], widths, numeric));
        if (markdown && l == 0) {
            put(markdown_rule(numeric));
        }
    }
    const std::string below = notes_text(notes, numbered);
    put(below.empty() ? "" : "\n" + below);
}

void WideWriter::write_delimited() {
    std::vector<std::string> head{corner()};
    for (const Cell &label : across_labels_) {
        head.push_back(machine_text(label));
    }
    put(delimited_line(format_, head));
    for (std::size_t d = 0; d < down_.count; ++d) {
        std::vector<std::string> line{machine_text(down_labels_[d])};
        for (std::size_t a = 0; a < across_.count; ++a) {
            line.push_back(machine_text(cells_[d * across_.count + a]));
        }
        put(delimited_line(format_, line));
    }
}

void WideWriter::write_json() {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    object["cells"] = columns_[cells_column_];
    object["down"] = columns_[down_.column];
    object["across"] = columns_[across_.column];
    const auto values = [](const std::vector<Cell> &cells) {
        nlohmann::json array = nlohmann::json::array();
        for (const Cell &cell : cells) {
            array.push_back(json_value(cell));
        }
        return array;
    };
    object["down_values"] = values(down_labels_);
    object["across_values"] = values(across_labels_);
    nlohmann::json rows = nlohmann::json::array();
    for (std::size_t d = 0; d < down_.count; ++d) {
        rows.push_back(values(std::vector<Cell>(
            cells_.begin() + static_cast<std::ptrdiff_t>(d * across_.count),
            cells_.begin() + static_cast<std::ptrdiff_t>((d + 1) * across_.count))));
    }
    object["values"] = rows;
    put(object.dump(2) + "\n");
}

bool WideWriter::finish() {
    // A grid refused part way is no table: its refusal alone is told.
    if (rows_ == cells_.size()) {
        switch (format_) {
            case Format::Table:
            case Format::Markdown:
                write_for_people();
                break;
            case Format::Csv:
            case Format::Tsv:
                write_delimited();
                break;
            case Format::Json:
                write_json();
                break;
        }
    }
    flush();
    return error() == 0;
}

}  // namespace vantor_cli
