// The parts of a table for people: which columns it shows, the inputs it
// says once above itself, the numbered notes below it, and its lines, as
// aligned text or as Markdown.
#ifndef VANTOR_FRONT_VANTOR_TABLE_TEXT_H
#define VANTOR_FRONT_VANTOR_TABLE_TEXT_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "front/vantor/cell.h"

namespace vantor_cli {

// The width a table's paragraphs (the inputs said once, the notes) are
// wrapped to, and the width a typical question's table keeps within.
constexpr std::size_t kTableWidth = 100;

// What a person sees in a cell: a dash where there is nothing.
const std::string &shown_text(const Cell &cell);

bool is_number(const Cell &cell);

// Which columns a table for people shows, laid out from its first rows.
struct TablePlan {
    std::vector<std::size_t> columns;    // shown, in the answer's order
    std::vector<std::size_t> said_once;  // inputs the same on every row, said above
    std::vector<std::size_t> left_out;   // columns neither shown nor said (empty, or all well)
    bool note_column = false;            // rows' notes differ: each row names its own
};

// The plan of a table whose columns are `names` (the last three "status",
// "reason" and "message" when the answer has them) from its first `rows`:
// an input (a cell not computed) the same on every row is said once unless
// rows follow and `may_vary` says they may change it; a computed column is
// shown unless it is empty on every row or (when no rows follow) is a
// marker's value that repeats its input on every row (marker-odds-ratio,
// odds-ratio); the status always; the reason unless
// every row's is NONE; the messages become notes, numbered by a column
// when they differ between rows. `more_rows`: rows follow the ones seen, so
// the notes get a column whenever any row has one.
TablePlan plan_table(const std::vector<std::string> &names, const std::vector<Row> &rows,
                     const std::vector<bool> &may_vary, bool more_rows);

// "count = people, cases = 2000, ...": the inputs said once, wrapped to the
// table's width; empty when there are none.
std::string said_once_text(const std::vector<std::string> &names,
                           const std::vector<std::size_t> &said, const Row &row);

// The distinct messages of an answer, numbered as they first come.
class Notes {
public:
    // The number of `message` among the notes (from 1), or 0 for none.
    std::size_t number_of(const std::string &message);
    [[nodiscard]] bool empty() const { return messages_.empty(); }
    // The notes below a table: "note 1: ..." (or "note: ..." when
    // `unnumbered`), as Markdown list items when `markdown`.
    [[nodiscard]] std::string text(bool unnumbered, bool markdown) const;

private:
    std::vector<std::string> messages_;
};

// The shortest name a head breaks: odds-ratio stays whole.
constexpr std::size_t kShortestBroken = 11;

// A column's head over two lines, {top, bottom}: broken after the hyphen
// that leaves the longer part shortest when `name` is wider than `width`
// (its cells') and has at least kShortestBroken characters, else {"", name}.
std::pair<std::string, std::string> head_lines(const std::string &name, std::size_t width);

// One line of a table: each text padded to its column's width, numbers to
// the right, words to the left; the last column unpadded.
std::string aligned_line(const std::vector<std::string> &texts,
                         const std::vector<std::size_t> &widths, const std::vector<bool> &numeric);

// One line of a Markdown table ("| a | b |"), a vertical bar in a text
// escaped; and the rule under its head, numbers aligned to the right.
std::string markdown_line(const std::vector<std::string> &texts);
std::string markdown_rule(const std::vector<bool> &numeric);

}  // namespace vantor_cli

#endif
