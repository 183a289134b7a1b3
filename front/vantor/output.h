// The answer's rows and their renderings, written as the rows come: a table
// for people (aligned text or Markdown), CSV, TSV and JSON for scripts.
#ifndef VANTOR_FRONT_VANTOR_OUTPUT_H
#define VANTOR_FRONT_VANTOR_OUTPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "front/vantor/cell.h"
#include "front/vantor/table_text.h"

namespace vantor_cli {

// The table lays its columns out by the first this many rows.
constexpr std::size_t kRowsLaidOut = 1000;

// One CSV (quoted where needed) or TSV (tabs and line ends made spaces)
// line of `texts`.
std::string delimited_line(Format format, const std::vector<std::string> &texts);

// Where an answer's rows go, written as they come.
class RowWriter {
public:
    RowWriter(const RowWriter &) = delete;
    RowWriter &operator=(const RowWriter &) = delete;
    virtual ~RowWriter() = default;

    // Writes (or keeps, until it can be laid out) one row; false once a
    // write has failed.
    virtual bool write(Row row) = 0;
    // Writes what is kept and the answer's end, and flushes; false once a
    // write has failed.
    virtual bool finish() = 0;
    // The errno of the first failed write, or 0.
    [[nodiscard]] int error() const { return error_; }
    [[nodiscard]] std::size_t rows() const { return rows_; }

protected:
    explicit RowWriter(std::FILE *stream) : stream_(stream) {}
    void put(const std::string &text);
    void flush();
    std::size_t rows_ = 0;

private:
    std::FILE *stream_;
    int error_ = 0;
};

// Writes an answer one row per request, as the rows come, so that an
// answer of any length takes no more memory than one row (a table:
// kRowsLaidOut rows). CSV, TSV and JSON are written as each row comes,
// every column with every digit. A table for people (aligned text or
// Markdown) is laid out by its first kRowsLaidOut rows (or all its rows
// when it has no more): unless it shows `every` column, the inputs the same
// on every row are said once above it, the messages are numbered notes
// below it, and only the inputs that vary (or that `may_vary`, one flag per
// column, says later rows may change), the answers and the status are
// columns (plan_table). A wider cell after the rows laid out widens only
// itself; a later row that changes what was said once is noted below.
// Nothing is written before the first row or finish(): a run refused before
// its first row leaves its output empty. Unless it shows `every` column (the
// columns chosen), a row's last cell is its message.
class AnswerWriter : public RowWriter {
public:
    AnswerWriter(std::FILE *stream, Format format, std::vector<std::string> columns, bool every,
                 std::vector<bool> may_vary);

    bool write(Row row) override;
    bool finish() override;

private:
    void lay_out(bool more_rows);
    void write_laid_out(const Row &row);
    void put_head(const std::vector<std::string> &head);
    std::vector<std::string> table_texts(const Row &row);
    std::string table_line(const std::vector<std::string> &texts) const;
    std::string delimited_line(const std::vector<std::string> &texts) const;
    std::string delimited_line(const Row &row) const;
    std::string json_object(const Row &row) const;
    void note_late_changes(const Row &row);
    std::string late_changes_note() const;

    Format format_;
    std::vector<std::string> columns_;
    bool every_;
    std::vector<bool> may_vary_;
    std::vector<Row> kept_;  // a table's first rows, before it is laid out
    bool laid_out_ = false;
    TablePlan plan_;
    Row first_;  // the first row, whose inputs the table says once
    Notes notes_;
    std::vector<std::size_t> changed_late_;  // columns said once or left out that later changed
    std::vector<std::size_t> widths_;
    std::vector<bool> numeric_;
};

// Writes the text of each row's one cell as a paragraph, paragraphs
// separated by a blank line: the methods paragraphs of a run's answers.
class ParagraphWriter : public RowWriter {
public:
    explicit ParagraphWriter(std::FILE *stream) : RowWriter(stream) {}

    bool write(Row row) override;
    bool finish() override;
};

}  // namespace vantor_cli

#endif
