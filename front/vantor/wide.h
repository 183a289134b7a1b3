// A grid laid out as a grant shows it: one input down, one across, one of
// the answer's values in the cells.
#ifndef VANTOR_FRONT_VANTOR_WIDE_H
#define VANTOR_FRONT_VANTOR_WIDE_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "front/vantor/output.h"
#include "front/vantor/table_text.h"

namespace vantor_cli {

// The most cells a wide table holds: it is kept whole until written.
constexpr std::size_t kLargestWide = 1000000;

// One of a wide table's inputs: its column in the rows, and how the grid
// moves over its values (the number of values, and the requests one step
// of it spans).
struct WideAxis {
    std::size_t column = 0;
    std::size_t count = 1;
    std::size_t stride = 1;
};

// Takes a grid's rows, one per request in the grid's order, and writes them
// at finish() as a wide table: the down input's values as rows, the across
// input's as columns, column `cells` of each request's row in the cells. A
// table for people (aligned text or Markdown) says the other inputs once
// above it, with a caption naming the value, and the messages as notes
// below it (numbered in the cells when they differ); CSV and TSV write the
// head and rows only, every digit; JSON an object of the two inputs' values
// and the cells' rows. An input other than the two that differs between
// requests (a default that follows one of them) is noted. A grid that
// ends before its last request writes nothing.
class WideWriter : public RowWriter {
public:
    WideWriter(std::FILE *stream, Format format, std::vector<std::string> columns, WideAxis down,
               WideAxis across, std::size_t cells);

    bool write(Row row) override;
    bool finish() override;

private:
    [[nodiscard]] std::string corner() const;
    [[nodiscard]] std::vector<std::vector<std::string>> lines(const std::vector<std::size_t> &notes,
                                                              bool marked) const;
    void write_for_people();
    void write_delimited();
    void write_json();
    [[nodiscard]] std::string notes_text(const Notes &notes, bool numbered) const;

    Format format_;
    std::vector<std::string> columns_;
    WideAxis down_;
    WideAxis across_;
    std::size_t cells_column_;
    std::vector<Cell> down_labels_;
    std::vector<Cell> across_labels_;
    std::vector<Cell> cells_;
    std::vector<std::string> messages_;
    Row first_;
    std::vector<bool> differs_;  // an input column that differs between rows
};

}  // namespace vantor_cli

#endif
