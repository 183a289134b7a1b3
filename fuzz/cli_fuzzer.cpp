// Runs the whole vantor program in-process on an argument vector made from
// the input: the input is split into words at white space and NUL bytes, and
// the words follow the program name. Option parsing, value lists and ranges,
// the checks and every subcommand are reached.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "front/vantor/run.h"
#include "fuzz/fuzz_target.h"

namespace {

// The longest useful request (design with every option) has about 30 words.
constexpr std::size_t kMaxWords = 40;

// A few rows per run: a grid of design searches would take minutes, and a
// larger grid only repeats the same paths.
constexpr std::size_t kLargestGrid = 4;

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

// The program prints its answers on standard output; run with
// -close_fd_mask=1 to keep them out of the fuzzer's log.
extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::vector<std::string> words = split_into_words(data, size);
    std::vector<const char *> argv{"vantor"};
    for (const std::string &word : words) {
        argv.push_back(word.c_str());
    }
    argv.push_back(nullptr);
    vantor_cli::RunLimits limits;
    limits.largest_grid = kLargestGrid;
    limits.progress = false;
    vantor_cli::run_vantor(static_cast<int>(argv.size() - 1), argv.data(), limits);
    return 0;
}
