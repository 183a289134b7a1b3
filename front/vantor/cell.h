// A cell of an answer's row, and the formats rows are written in.
#ifndef VANTOR_FRONT_VANTOR_CELL_H
#define VANTOR_FRONT_VANTOR_CELL_H

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "front/vantor/values.h"

namespace vantor_cli {

// One cell: missing (no answer, or an input left open), a whole number, a
// number with the text a person is shown, or a word. `computed` marks an
// answer's cell, as against an input's.
struct Cell {
    enum class Type { Missing, Integer, Number, Text };
    Type type = Type::Missing;
    std::int64_t integer = 0;
    double number = 0;
    std::string text;
    bool computed = false;

    static Cell missing() { return {}; }
    static Cell whole(std::int64_t value);
    // An input: shown in the fewest digits that give it back exactly.
    static Cell exact(double value);
    // A computed value: six significant digits for people, rounded as
    // asked; missing if not a number. Machine formats write it exactly.
    static Cell measured(double value, Rounding rounding = Rounding::Nearest);
    static Cell word(std::string value);
};

using Row = std::vector<Cell>;

enum class Format { Table, Csv, Tsv, Json, Markdown };

// The names --format takes, in the order of Format.
const std::vector<std::string> &format_names();

// Whether a format is for people (rounded numbers, a table laid out) rather
// than for scripts (every column, every digit).
bool for_people(Format format);

// A cell's text in a machine format: a number in the fewest digits that
// read back to the same double, else the text people see.
std::string machine_text(const Cell &cell);

// A cell as a JSON value: a number (null if not finite), a word, or null.
nlohmann::json json_value(const Cell &cell);

}  // namespace vantor_cli

#endif
