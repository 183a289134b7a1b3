// The answer as rows of named cells, and its four renderings, written as the
// rows come: an aligned table for people, CSV, TSV and JSON for scripts.
#ifndef VANTOR_FRONT_VANTOR_OUTPUT_H
#define VANTOR_FRONT_VANTOR_OUTPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
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

enum class Format { Table, Csv, Tsv, Json };

// The names --format takes, in the order of Format.
const std::vector<std::string> &format_names();

// The table lays its columns out by the first this many rows.
constexpr std::size_t kRowsLaidOut = 1000;

// Writes an answer row by row as the rows come, so that an answer of any
// length takes no more memory than one row (the table: kRowsLaidOut rows).
// CSV, TSV and JSON are written as each row comes; the table aligns its
// columns to the widest cells of its first kRowsLaidOut rows (or of all its
// rows when it has no more), and a wider cell after them widens only itself.
// Nothing is written before the first row or finish(): a run refused before
// its first row leaves its output empty.
class AnswerWriter {
public:
    AnswerWriter(std::FILE *stream, Format format, std::vector<std::string> columns);
    AnswerWriter(const AnswerWriter &) = delete;
    AnswerWriter &operator=(const AnswerWriter &) = delete;
    ~AnswerWriter() = default;

    // Writes (or, in a table's first rows, keeps) one row; false once a
    // write has failed.
    bool write(Row row);
    // Writes what is kept and the answer's end, and flushes; false once a
    // write has failed.
    bool finish();
    // The errno of the first failed write, or 0.
    [[nodiscard]] int error() const { return error_; }
    [[nodiscard]] std::size_t rows() const { return rows_; }

private:
    void lay_out();
    std::string table_line(const std::vector<std::string> &texts) const;
    std::string delimited_line(const std::vector<std::string> &texts) const;
    std::string delimited_line(const Row &row) const;
    std::string json_object(const Row &row) const;
    void put(const std::string &text);

    std::FILE *stream_;
    Format format_;
    std::vector<std::string> columns_;
    std::size_t rows_ = 0;
    int error_ = 0;
    std::vector<Row> kept_;  // a table's first rows, before it is laid out
    bool laid_out_ = false;
    std::vector<std::size_t> widths_;
    std::vector<bool> numeric_;
};

}  // namespace vantor_cli

#endif
