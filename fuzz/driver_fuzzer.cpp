// Runs the whole command-line driver in-process on an argument vector made
// from the input: the input is split into words at white space and NUL bytes,
// and the words follow the program name.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "front/vantor_mini_bin.h"
#include "fuzz/fuzz_target.h"

namespace {

// More words than the longest request (LIMIT, seven) only repeat the same path.
constexpr std::size_t kMaxWords = 12;

bool is_separator(std::uint8_t byte) { return byte == 0 || std::isspace(byte) != 0; }

std::vector<std::string> split_into_words(const std::uint8_t *data, std::size_t size) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i < size && words.size() < kMaxWords; ++i) {
        if (!is_separator(data[i])) {
            word.push_back(static_cast<char>(data[i]));
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty() && words.size() < kMaxWords) {
        words.push_back(word);
    }
    return words;
}

}  // namespace

// The driver prints its answers on standard output, as the program does;
// run with -close_fd_mask=1 to keep them out of the fuzzer's log.
extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::vector<std::string> words = split_into_words(data, size);
    std::vector<const char *> argv{"vantor_mini_bin"};
    for (const std::string &word : words) {
        argv.push_back(word.c_str());
    }
    argv.push_back(nullptr);
    run_vantor_mini_bin(static_cast<int>(argv.size() - 1), argv.data());
    return 0;
}
