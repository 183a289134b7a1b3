// Turns a fuzz input into the words of a command line: the input is split at
// white space and NUL bytes, and at most `most` words are kept (more only
// repeat the same paths).
#ifndef VANTOR_FUZZ_ARGUMENT_WORDS_H
#define VANTOR_FUZZ_ARGUMENT_WORDS_H

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline bool is_word_separator(std::uint8_t byte) { return byte == 0 || std::isspace(byte) != 0; }

inline std::vector<std::string> split_into_words(const std::uint8_t *data, std::size_t size,
                                                 std::size_t most) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i < size && words.size() < most; ++i) {
        if (!is_word_separator(data[i])) {
            word.push_back(static_cast<char>(data[i]));
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty() && words.size() < most) {
        words.push_back(word);
    }
    return words;
}

// The argument vector of `program` followed by the words, ending in a null
// pointer; the pointers point into `words`.
inline std::vector<const char *> argument_vector(const char *program,
                                                 const std::vector<std::string> &words) {
    std::vector<const char *> argv{program};
    for (const std::string &word : words) {
        argv.push_back(word.c_str());
    }
    argv.push_back(nullptr);
    return argv;
}

#endif
