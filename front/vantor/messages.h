// Pieces of the program's one-line messages: a value echoed as typed but
// never whole when it is long nor across lines, and the nearest known word
// to one mistyped.
#ifndef VANTOR_FRONT_VANTOR_MESSAGES_H
#define VANTOR_FRONT_VANTOR_MESSAGES_H

#include <cstddef>
#include <string>
#include <vector>

namespace vantor_cli {

// The most characters of a value a message repeats.
constexpr std::size_t kLongestEcho = 60;

// `text` fit for a one-line message: control characters written as \n, \t,
// \r or \xHH, bytes that are not UTF-8 as \xHH, and cut after kLongestEcho
// characters with "…" (never inside a character).
std::string echoed(const std::string &text);

// echoed(text) between single quotes.
std::string quoted(const std::string &text);

// Whether `text` is UTF-8 throughout (no stray, overlong or surrogate forms).
bool is_utf8(const std::string &text);

// The word of `known` nearest to `word` (at most two letters added, dropped,
// changed or swapped, or `word` a prefix of it); empty when none is near.
std::string nearest_word(const std::string &word, const std::vector<std::string> &known);

// Text broken into lines of at most `width` characters at spaces (a word
// longer than the width stays whole); existing line ends are kept.
std::string wrapped(const std::string &text, std::size_t width);

}  // namespace vantor_cli

#endif
