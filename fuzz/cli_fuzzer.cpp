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
#include "fuzz/argument_words.h"
#include "fuzz/fuzz_target.h"

namespace {

// The longest useful request (design with every option) has about 30 words.
constexpr std::size_t kMaxWords = 40;

// A few rows per run: a grid of design searches would take minutes, and a
// larger grid only repeats the same paths.
constexpr std::size_t kLargestGrid = 4;

}  // namespace

// The program prints its answers on standard output; run with
// -close_fd_mask=1 to keep them out of the fuzzer's log.
extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::vector<std::string> words = split_into_words(data, size, kMaxWords);
    std::vector<const char *> argv = argument_vector("vantor", words);
    vantor_cli::RunLimits limits;
    limits.most_requests = kLargestGrid;
    limits.progress = false;
    vantor_cli::run_vantor(static_cast<int>(argv.size() - 1), argv.data(), limits);
    return 0;
}
