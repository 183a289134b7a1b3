#include "front/vantor/output.h"

#include <algorithm>
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

std::string render_delimited(const Table &table, char separator) {
    const auto field = [separator](const std::string &text) {
        return separator == ',' ? csv_field(text) : tsv_field(text);
    };
    std::string out;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        out += (i > 0 ? std::string(1, separator) : "") + field(table.columns[i]);
    }
    out += '\n';
    for (const Row &row : table.rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) {
                out += separator;
            }
            out += field(row[i].text);
        }
        out += '\n';
    }
    return out;
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

std::string render_json(const Table &table) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const Row &row : table.rows) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (std::size_t i = 0; i < row.size(); ++i) {
            object[table.columns[i]] = json_value(row[i]);
        }
        rows.push_back(std::move(object));
    }
    return rows.dump(2) + "\n";
}

// What a person sees in a cell: a dash where there is nothing.
const std::string &shown(const Cell &cell) {
    static const std::string dash = "-";
    return cell.type == Cell::Type::Missing ? dash : cell.text;
}

// Numbers right-aligned, words left-aligned; the last column (the message)
// is not padded.
std::string render_aligned(const Table &table) {
    std::vector<std::size_t> widths(table.columns.size());
    std::vector<bool> numeric(table.columns.size(), false);
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        widths[i] = table.columns[i].size();
    }
    for (const Row &row : table.rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], shown(row[i]).size());
            numeric[i] = numeric[i] || row[i].type == Cell::Type::Integer ||
                         row[i].type == Cell::Type::Number;
        }
    }
    const auto line = [&](const std::vector<std::string> &texts) {
        std::string out;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const bool last = i + 1 == texts.size();
            const std::string pad(widths[i] - texts[i].size(), ' ');
            out +=
                (i > 0 ? "  " : "") + (numeric[i] ? pad + texts[i] : texts[i] + (last ? "" : pad));
        }
        out.erase(out.find_last_not_of(' ') + 1);
        return out + "\n";
    };
    std::string out = line(table.columns);
    std::vector<std::string> texts(table.columns.size());
    for (const Row &row : table.rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            texts[i] = shown(row[i]);
        }
        out += line(texts);
    }
    return out;
}

}  // namespace

std::string render(const Table &table, Format format) {
    switch (format) {
        case Format::Csv:
            return render_delimited(table, ',');
        case Format::Tsv:
            return render_delimited(table, '\t');
        case Format::Json:
            return render_json(table);
        case Format::Table:
            break;
    }
    return render_aligned(table);
}

}  // namespace vantor_cli
