// The answer as rows of named cells, and its four renderings: an aligned
// table for people, CSV, TSV and JSON for scripts.
#ifndef VANTOR_FRONT_VANTOR_OUTPUT_H
#define VANTOR_FRONT_VANTOR_OUTPUT_H

#include <cstdint>
#include <string>
#include <vector>

namespace vantor_cli {

// One cell: missing (no answer, or an input left open), a whole number, a
// number with the text it is shown as, or a word.
struct Cell {
    enum class Type { Missing, Integer, Number, Text };
    Type type = Type::Missing;
    std::int64_t integer = 0;
    double number = 0;
    std::string text;

    static Cell missing() { return {}; }
    static Cell whole(std::int64_t value);
    // An input: shown in the fewest digits that give it back exactly.
    static Cell exact(double value);
    // A computed value: six significant digits; missing if not a number.
    static Cell measured(double value);
    static Cell word(std::string value);
};

using Row = std::vector<Cell>;

struct Table {
    std::vector<std::string> columns;
    std::vector<Row> rows;
};

enum class Format { Table, Csv, Tsv, Json };

// The names --format takes, in the order of Format.
const std::vector<std::string> &format_names();

std::string render(const Table &table, Format format);

}  // namespace vantor_cli

#endif
