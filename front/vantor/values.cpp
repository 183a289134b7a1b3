#include "front/vantor/values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "front/vantor/messages.h"

namespace vantor_cli {

namespace {

// Characters a number may contain: digits, sign, point and exponent. This
// refuses what strtod would also take (hexadecimal, "inf", "nan").
bool is_number_text(const std::string &text) {
    return !text.empty() && text.find_first_not_of("0123456789+-.eE") == std::string::npos;
}

std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

const char *expected_form(Kind kind) {
    switch (kind) {
        case Kind::Count:
            return "a whole number such as 2000 or 2e3, a list 500,1000 or a range 500:5000:500";
        case Kind::Real:
            return "a number such as 0.3 or 5e-8, a list 1.1,1.2 or a range 0.1:0.5:0.1";
        case Kind::Word:
            break;
    }
    return "one of the words listed in --help";
}

// The refusal of an item that is not of the form its option takes.
std::string wrong_form_refusal(const std::string &item, Kind kind) {
    return quoted(item) + " is not " + expected_form(kind);
}

// Whole numbers are exact in a double up to 2^53; larger counts are refused
// before any conversion to an integer type.
constexpr double kLargestWholeNumber = 9007199254740992.0;

bool is_whole(double value) {
    return std::fabs(value) <= kLargestWholeNumber && std::floor(value) == value;
}

std::optional<double> read_number(const std::string &item, Kind kind) {
    const std::optional<double> value = read_real(item);
    if (!value || (kind == Kind::Count && !is_whole(*value))) {
        return std::nullopt;
    }
    return value;
}

// Whole numbers below this have at most 15 digits.
constexpr double kLargestRoundedWhole = 1e15;

// The i-th value of a range, rounded to 15 significant digits so that
// 0.1 + 2 * 0.1 is 0.3 and not 0.30000000000000004.
double range_value(double start, double step, std::size_t i) {
    const double offset = static_cast<double>(i) * step;
    const double value = start + offset;
    // Whole numbers of at most 15 digits add exactly and are their own
    // rounding: a range of counts skips the conversions, which would
    // dominate a large grid.
    if (is_whole(start) && is_whole(step) && std::fabs(start) < kLargestRoundedWhole &&
        std::fabs(offset) < kLargestRoundedWhole && std::fabs(value) < kLargestRoundedWhole) {
        return value;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return std::strtod(text, nullptr);
}

std::string read_range(const std::string &item, Kind kind, ValueList &list) {
    const std::vector<std::string> parts = split(item, ':');
    std::optional<double> numbers[3];
    for (std::size_t i = 0; i < 3 && parts.size() == 3; ++i) {
        numbers[i] = read_number(parts[i], kind);
    }
    if (parts.size() != 3 || !numbers[0] || !numbers[1] || !numbers[2]) {
        return quoted(item) + " is not a range start:end:step of " +
               (kind == Kind::Count ? "whole numbers" : "numbers");
    }
    const double start = *numbers[0];
    const double end = *numbers[1];
    const double step = *numbers[2];
    if (!(step > 0) || end < start) {
        return "the range " + quoted(item) +
               " needs a positive step and an end not below its start";
    }
    // Counted with a tolerance of a billionth of a step, so that 0.1:0.5:0.1
    // holds five values although 0.4 / 0.1 is a hair below 4.
    const double steps = std::floor((end - start) / step + 1e-9);
    if (!(steps < static_cast<double>(kLargestList))) {
        return "the range " + quoted(item) + " holds more than 10000000 values";
    }
    ValueItem range;
    range.start = start;
    range.step = step;
    range.count = static_cast<std::size_t>(steps) + 1;
    range.is_range = true;
    list.items.push_back(range);
    list.size += range.count;
    return "";
}

void add_value(double value, ValueList &list) {
    ValueItem item;
    item.start = value;
    list.items.push_back(item);
    ++list.size;
}

std::string read_word(const std::string &item, const std::vector<std::string> &words,
                      ValueList &list) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (item == words[i]) {
            add_value(static_cast<double>(i), list);
            return "";
        }
    }
    std::string known;
    for (const std::string &word : words) {
        known += (known.empty() ? "" : ", ") + word;
    }
    return quoted(item) + " is not one of " + known;
}

// The number before a percent sign ("30%" is 30), or nothing.
std::optional<double> percentage(const std::string &item) {
    if (item.size() < 2 || item.back() != '%') {
        return std::nullopt;
    }
    return read_real(item.substr(0, item.size() - 1));
}

std::string read_item(const std::string &item, Kind kind, const std::vector<std::string> &words,
                      ValueList &list) {
    if (kind == Kind::Word) {
        return read_word(item, words, list);
    }
    if (item.find(':') != std::string::npos) {
        return read_range(item, kind, list);
    }
    const std::optional<double> value = read_number(item, kind);
    if (!value) {
        list.unreadable = true;
        list.item = item;
        const std::optional<double> percent = percentage(item);
        if (percent && kind == Kind::Real) {
            list.meant = hundredth_text(*percent);
        }
        return wrong_form_refusal(item, kind);
    }
    add_value(*value, list);
    return "";
}

// Drops the exponent's plus sign and leading zeros: 5e-08 becomes 5e-8.
std::string tidy_exponent(std::string text) {
    const std::size_t e = text.find('e');
    if (e == std::string::npos) {
        return text;
    }
    std::string mantissa = text.substr(0, e);
    std::string exponent = text.substr(e + 1);
    const bool negative = !exponent.empty() && exponent[0] == '-';
    const std::size_t digits = exponent.find_first_not_of("+-0");
    exponent = digits == std::string::npos ? "0" : exponent.substr(digits);
    return mantissa + "e" + (negative ? "-" : "") + exponent;
}

std::string trimmed_item(const std::string &item) {
    const std::size_t first = item.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return item.substr(first, item.find_last_not_of(" \t") - first + 1);
}

bool all_digits(const std::string &text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// "0.05" for the text 0,05 (two digit runs around one comma); empty for any
// other text.
std::string decimal_comma_reading(const std::string &text) {
    const std::vector<std::string> parts = split(text, ',');
    if (parts.size() != 2 || !all_digits(parts[0]) || !all_digits(parts[1])) {
        return "";
    }
    return parts[0] + "." + parts[1];
}

std::string printed(const char *format, int digits, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, digits, value);
    return text;
}

}  // namespace

std::optional<double> read_real(const std::string &text) {
    if (!is_number_text(text)) {
        return std::nullopt;
    }
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

double item_value(const ValueItem &item, std::size_t offset) {
    return item.is_range ? range_value(item.start, item.step, offset) : item.start;
}

bool is_grouped_number(const std::string &text, char separator) {
    const std::vector<std::string> groups = split(text, separator);
    if (groups.size() < 2 || groups[0].size() > 3 || !all_digits(groups[0])) {
        return false;
    }
    return std::all_of(groups.begin() + 1, groups.end(), [](const std::string &group) {
        return group.size() == 3 && all_digits(group);
    });
}

std::string grouped_number_refusal(const std::string &text, char separator, bool list_hint) {
    std::string number = text;
    number.erase(std::remove(number.begin(), number.end(), separator), number.end());
    std::string list = text;
    if (list_hint) {
        list.clear();
        for (const std::string &item : split(text, separator)) {
            list += (list.empty() ? "" : ", ") + item;
        }
    }
    return quoted(text) + " reads as " + number + " with a thousands separator: write " + number +
           (list_hint ? " (a list is written with a space after each comma: " + quoted(list) + ")"
                      : "");
}

std::string hundredth_text(double value) {
    std::string text = exact_text(value / 100);
    const std::size_t point = text.find('.');
    if (point != std::string::npos && text.find('e') == std::string::npos &&
        text.size() - point < 3) {
        text += '0';
    }
    return text;
}

ValueList read_value_list(const std::string &text, Kind kind,
                          const std::vector<std::string> &words) {
    ValueList list;
    if (kind != Kind::Word && is_grouped_number(text, ',')) {
        list.error = grouped_number_refusal(text, ',', true);
        return list;
    }
    for (const std::string &item : split(text, ',')) {
        list.error = read_item(trimmed_item(item), kind, words, list);
        if (list.error.empty() && list.size > kLargestList) {
            list.error = quoted(text) + " holds more than 10000000 values";
        }
        if (!list.error.empty()) {
            list.items.clear();
            list.size = 0;
            return list;
        }
    }
    list.decimal_comma_reading = kind == Kind::Real ? decimal_comma_reading(text) : "";
    return list;
}

namespace {

// The fewest significant digits of a decimal that reads back to `value`
// (finite): those of the shortest round-trip form std::to_chars writes. The
// nearest decimal of that many digits then reads back too, so %.*g of them
// is exact; the loop after it only guards that argument.
int shortest_digits(double value) {
    std::array<char, 40> text{};
    const auto written =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::scientific);
    int digits = 0;
    for (const char *c = text.data(); c < written.ptr && *c != 'e'; ++c) {
        digits += *c >= '0' && *c <= '9' ? 1 : 0;
    }
    return std::max(digits, 1);
}

std::string shortest_exact_text(double value) {
    int digits = std::isfinite(value) ? shortest_digits(value) : 1;
    while (digits < 17 && std::strtod(printed("%.*g", digits, value).c_str(), nullptr) != value) {
        ++digits;
    }
    // Whole-number parts are written out (80, 5000), not as 8e1 or 5e3.
    const double magnitude = std::fabs(value);
    if (magnitude >= 1 && magnitude < 1e15) {
        const int integer_digits = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
        digits = std::max(digits, integer_digits);
    }
    return tidy_exponent(printed("%.*g", digits, value));
}

// Values from a million to 1e15 are printed in full, as whole numbers.
bool printed_in_full(double value) {
    return std::isfinite(value) && std::fabs(value) >= 1e6 && std::fabs(value) < 1e15;
}

// The relative difference below which a value and its rounding are one
// number that floating-point arithmetic has blurred.
constexpr double kRoundingNoise = 1e-12;

// `value` (finite, not 0, not printed in full) to six significant digits,
// rounded toward +infinity when `up`, else toward -infinity.
std::string directed_text(double value, bool up) {
    std::string nearest = tidy_exponent(printed("%.*g", 6, value));
    const double shown = std::strtod(nearest.c_str(), nullptr);
    // A level a few rounding errors short of a round number (0.0001 derived
    // as 9.9999999999999991e-5) is that number: the nearest. An effect has
    // no such allowance: it was solved to reach its target.
    const bool within_rounding =
        !up && std::fabs(shown - value) <= kRoundingNoise * std::fabs(value);
    if (within_rounding || (up ? shown >= value : shown <= value)) {
        return nearest;
    }
    // The nearest went the wrong way: one unit of the sixth digit back. The
    // digits d.ddddd and exponent are read from %.5e as whole numbers.
    const std::string scientific = printed("%.*e", 5, value);
    const std::size_t e = scientific.find('e');
    std::string digits = scientific.substr(0, e);
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    const bool negative = digits[0] == '-';
    long mantissa = std::strtol(digits.c_str() + (negative ? 1 : 0), nullptr, 10);
    long exponent = std::strtol(scientific.c_str() + e + 1, nullptr, 10);
    mantissa += up != negative ? 1 : -1;
    if (mantissa > 999999) {
        mantissa = 100000;
        ++exponent;
    } else if (mantissa < 100000) {
        mantissa = 999999;
        --exponent;
    }
    const std::string moved = std::string(negative ? "-" : "") + std::to_string(mantissa) + "e" +
                              std::to_string(exponent - 5);
    const double stepped = std::strtod(moved.c_str(), nullptr);
    return printed_in_full(stepped) ? printed("%.*f", 0, stepped)
                                    : tidy_exponent(printed("%.*g", 6, stepped));
}

}  // namespace

std::string exact_text(double value) {
    // A grid repeats its inputs row after row, and finding the fewest digits
    // takes up to 17 conversions each way: the last few texts are kept.
    struct Kept {
        std::uint64_t bits = 0;
        std::string text;
    };
    constexpr std::size_t kKept = 8;
    thread_local std::array<Kept, kKept> kept;
    thread_local std::size_t next = 0;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (const Kept &one : kept) {
        if (!one.text.empty() && one.bits == bits) {
            return one.text;
        }
    }
    Kept &slot = kept[next];
    next = (next + 1) % kKept;
    slot.bits = bits;
    slot.text = shortest_exact_text(value);
    return slot.text;
}

std::string measured_text(double value, Rounding rounding) {
    if (printed_in_full(value)) {
        const double whole = rounding == Rounding::Nearest               ? value
                             : (rounding == Rounding::Down || value < 1) ? std::floor(value)
                                                                         : std::ceil(value);
        return printed("%.*f", 0, whole);
    }
    if (!std::isfinite(value) || value == 0 || rounding == Rounding::Nearest ||
        (rounding == Rounding::AwayFromOne && value == 1)) {
        return tidy_exponent(printed("%.*g", 6, value));
    }
    return directed_text(value, rounding == Rounding::AwayFromOne && value > 1);
}

}  // namespace vantor_cli
