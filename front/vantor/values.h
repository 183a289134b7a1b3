// Reading the values of options: numbers, whole counts, words, lists and
// ranges, each read in full or refused with a message that says what the
// option takes.
#ifndef VANTOR_FRONT_VANTOR_VALUES_H
#define VANTOR_FRONT_VANTOR_VALUES_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vantor_cli {

// What an option takes.
enum class Kind {
    Count,  // a whole number: 2000, 2e3 and 2000.0 alike; 500.7 is refused
    Real,   // a finite number in C notation: 0.3, 5e-8; no percent sign, no decimal comma
    Word    // one of a fixed set of words, read as its position in the set
};

// The most values one list or range may expand to.
constexpr std::size_t kLargestList = 10000000;

// One item of a list: a single value, or a range start:end:step holding
// `count` values.
struct ValueItem {
    double start = 0;
    double step = 0;
    std::size_t count = 1;
    bool is_range = false;
};

// The values of one option, held as its items so that a range of ten million
// values takes no room; or the message saying why its text was refused.
struct ValueList {
    std::vector<ValueItem> items;
    std::size_t size = 0;  // the number of values of all items
    std::string error;     // empty when the text was read
    // The error is an item that is not a number at all (0x10, 2.5 for a
    // count, 1e400, nothing): the item, which the program refuses in the
    // library's words for the option.
    bool unreadable = false;
    std::string item;
    // What the person probably meant, when the refused text says it plainly
    // ("0.30" for 30%); empty otherwise.
    std::string meant;
    // A real option's text of two digit runs around one comma (0,05), read as
    // a list of two values but perhaps one number with a decimal comma: that
    // number's text (0.05), for a hint should a value of the list be refused.
    std::string decimal_comma_reading;
};

// The value at `offset` (below item.count) of one item. A range's values are
// counted, start + i step, never accumulated.
double item_value(const ValueItem &item, std::size_t offset);

// Reads an option's text: items separated by commas (spaces around an item
// ignored), each a value or (for numbers) an inclusive range start:end:step.
// `words` lists the words of a Word option. A number option's text that reads
// as one number grouped in thousands (2,500) is refused, never taken as a
// list: "2, 500" is the list.
ValueList read_value_list(const std::string &text, Kind kind,
                          const std::vector<std::string> &words = {});

// One number, the whole text read (no trailing text, finite); nothing when
// the text is not one.
std::optional<double> read_real(const std::string &text);

// Whether `text` reads as a whole number grouped in thousands by
// `separator`: 1 to 3 digits, then one or more groups of exactly 3 (2,500,
// 1,000,000 with a comma; 2.500 with a point).
bool is_grouped_number(const std::string &text, char separator);

// The refusal of a grouped number's text: how to write the number, and (for
// a command line) how to write a list.
std::string grouped_number_refusal(const std::string &text, char separator, bool list_hint);

// A value a hundredth as a proportion is written, at least two decimals
// (30 gives 0.30, 12.5 gives 0.125): the hint for a percentage.
std::string hundredth_text(double value);

// A value as a person typed it, in the fewest digits that read back to it
// exactly (5e-8, 0.3, 2000).
std::string exact_text(double value);

// Which way a computed value is rounded for people, so that a printed
// answer used again still reaches what it was solved for.
enum class Rounding {
    Nearest,
    Down,        // toward -infinity: a derived level (a smaller level is stricter)
    AwayFromOne  // a detectable effect (a larger effect has more power)
};

// A computed value to six significant digits (0.860058, 1.30215, 4.2e-9),
// rounded as asked; values from a million to 1e15 are printed in full, as
// whole numbers, rather than in powers of ten.
std::string measured_text(double value, Rounding rounding = Rounding::Nearest);

}  // namespace vantor_cli

#endif
