#include "front/vantor/table_text.h"

#include <algorithm>

#include "front/vantor/messages.h"

namespace vantor_cli {

const std::string &shown_text(const Cell &cell) {
    static const std::string dash = "-";
    return cell.type == Cell::Type::Missing ? dash : cell.text;
}

bool is_number(const Cell &cell) {
    return cell.type == Cell::Type::Integer || cell.type == Cell::Type::Number;
}

namespace {

// What the rows hold in one column.
struct ColumnSeen {
    bool computed = false;  // some cell is an answer's, not an input's
    bool empty = true;      // every cell is missing
    bool same = true;       // every cell shows the first's text
};

ColumnSeen seen_in(const std::vector<Row> &rows, std::size_t column) {
    ColumnSeen seen;
    for (const Row &row : rows) {
        const Cell &cell = row[column];
        seen.computed = seen.computed || cell.computed;
        seen.empty = seen.empty && cell.type == Cell::Type::Missing;
        seen.same = seen.same && shown_text(cell) == shown_text(rows.front()[column]);
    }
    return seen;
}

// Whether the notes get a column: the rows' messages differ (or, with rows
// still to come, any row has one).
bool notes_differ(const std::vector<Row> &rows, std::size_t column, bool more_rows) {
    return std::any_of(rows.begin(), rows.end(), [&](const Row &row) {
        return more_rows ? !row[column].text.empty()
                         : row[column].text != rows.front()[column].text;
    });
}

// Whether computed column `column` is a marker's value (marker-odds-ratio)
// that repeats, on every row that has it, the input of the rest of its name
// (odds-ratio: the marker is the causal variant): it adds nothing.
bool repeats_its_input(const std::vector<std::string> &names, const std::vector<Row> &rows,
                       std::size_t column, const std::vector<ColumnSeen> &seen) {
    const std::string prefix = "marker-";
    const std::string &name = names[column];
    if (name.rfind(prefix, 0) != 0) {
        return false;
    }
    const auto input = std::find(names.begin(), names.end(), name.substr(prefix.size()));
    if (input == names.end()) {
        return false;
    }
    const auto at = static_cast<std::size_t>(input - names.begin());
    return !seen[at].computed && !seen[at].empty &&
           std::all_of(rows.begin(), rows.end(), [&](const Row &row) {
               return row[column].type == Cell::Type::Missing ||
                      shown_text(row[column]) == shown_text(row[at]);
           });
}

}  // namespace

TablePlan plan_table(const std::vector<std::string> &names, const std::vector<Row> &rows,
                     const std::vector<bool> &may_vary, bool more_rows) {
    TablePlan plan;
    std::vector<ColumnSeen> seen(names.size());
    for (std::size_t i = 0; i < names.size() && !rows.empty(); ++i) {
        seen[i] = seen_in(rows, i);
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string &name = names[i];
        if (name == "message") {
            plan.note_column = !rows.empty() && notes_differ(rows, i, more_rows);
            continue;
        }
        if (rows.empty() || name == "status") {
            plan.columns.push_back(i);
            continue;
        }
        bool shown = !seen[i].empty;
        if (name == "reason") {
            shown = false;  // the notes say it in words
        } else if (!seen[i].computed && seen[i].same && !(more_rows && may_vary[i])) {
            if (!seen[i].empty) {
                plan.said_once.push_back(i);
            }
            shown = false;
        } else if (seen[i].computed && !more_rows) {
            shown = shown && !repeats_its_input(names, rows, i, seen);
        }
        (shown ? plan.columns : plan.left_out).push_back(i);
    }
    return plan;
}

std::string said_once_text(const std::vector<std::string> &names,
                           const std::vector<std::size_t> &said, const Row &row) {
    // Lines break between the pairs, never inside one.
    std::string text;
    std::size_t line_start = 0;
    for (const std::size_t i : said) {
        const std::string pair = names[i] + " = " + shown_text(row[i]);
        // The pair and a comma after it must fit.
        if (text.empty()) {
            text = pair;
        } else if (text.size() - line_start + 2 + pair.size() + 1 > kTableWidth) {
            text += ",\n";
            line_start = text.size();
            text += pair;
        } else {
            text += ", " + pair;
        }
    }
    return text.empty() ? text : text + "\n";
}

std::size_t Notes::number_of(const std::string &message) {
    if (message.empty()) {
        return 0;
    }
    const auto at = std::find(messages_.begin(), messages_.end(), message);
    if (at == messages_.end()) {
        messages_.push_back(message);
        return messages_.size();
    }
    return static_cast<std::size_t>(at - messages_.begin()) + 1;
}

std::string Notes::text(bool unnumbered, bool markdown) const {
    std::string text;
    for (std::size_t i = 0; i < messages_.size(); ++i) {
        const std::string label =
            unnumbered && messages_.size() == 1 ? "note" : "note " + std::to_string(i + 1);
        const std::string line = label + ": " + messages_[i];
        text += markdown ? "- " + line + "\n" : wrapped(line, kTableWidth) + "\n";
    }
    return text;
}

std::pair<std::string, std::string> head_lines(const std::string &name, std::size_t width) {
    std::pair<std::string, std::string> lines{"", name};
    if (name.size() <= std::max(width, kShortestBroken - 1)) {
        return lines;
    }
    std::size_t longer = name.size();
    for (std::size_t at = name.find('-'); at != std::string::npos; at = name.find('-', at + 1)) {
        const std::size_t top = at + 1;
        if (std::max(top, name.size() - top) < longer) {
            longer = std::max(top, name.size() - top);
            lines = {name.substr(0, top), name.substr(top)};
        }
    }
    return lines;
}

std::string aligned_line(const std::vector<std::string> &texts,
                         const std::vector<std::size_t> &widths, const std::vector<bool> &numeric) {
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const bool last = i + 1 == texts.size();
        const std::string pad(widths[i] - std::min(widths[i], texts[i].size()), ' ');
        out += (i > 0 ? "  " : "") + (numeric[i] ? pad + texts[i] : texts[i] + (last ? "" : pad));
    }
    out.erase(out.find_last_not_of(' ') + 1);
    return out + "\n";
}

std::string markdown_line(const std::vector<std::string> &texts) {
    std::string out = "|";
    for (const std::string &text : texts) {
        out += ' ';
        for (const char c : text) {
            out += c == '|' ? std::string("\\|") : std::string(1, c);
        }
        out += " |";
    }
    return out + "\n";
}

std::string markdown_rule(const std::vector<bool> &numeric) {
    std::string out = "|";
    for (const bool number : numeric) {
        out += number ? " ---: |" : " --- |";
    }
    return out + "\n";
}

}  // namespace vantor_cli
