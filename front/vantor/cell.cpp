#include "front/vantor/cell.h"

#include <cmath>
#include <nlohmann/json.hpp>

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

Cell Cell::measured(double value, Rounding rounding) {
    if (std::isnan(value)) {
        return missing();
    }
    Cell cell;
    cell.type = Type::Number;
    cell.number = value;
    cell.text = measured_text(value, rounding);
    return cell;
}

Cell Cell::word(std::string value) {
    Cell cell;
    cell.type = Type::Text;
    cell.text = std::move(value);
    return cell;
}

const std::vector<std::string> &format_names() {
    static const std::vector<std::string> names{"table", "csv", "tsv", "json", "markdown"};
    return names;
}

bool for_people(Format format) { return format == Format::Table || format == Format::Markdown; }

std::string machine_text(const Cell &cell) {
    return cell.type == Cell::Type::Number && std::isfinite(cell.number) ? exact_text(cell.number)
                                                                         : cell.text;
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

}  // namespace vantor_cli
