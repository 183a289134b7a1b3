// Runs the whole command-line driver in-process on an argument vector made
// from the input: the input is split into words at white space and NUL bytes,
// and the words follow the program name.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "front/vantor_mini_bin.h"
#include "fuzz/argument_words.h"
#include "fuzz/fuzz_target.h"

namespace {

// More words than the longest request (LIMIT, seven) only repeat the same path.
constexpr std::size_t kMaxWords = 12;

}  // namespace

// The driver prints its answers on standard output, as the program does;
// run with -close_fd_mask=1 to keep them out of the fuzzer's log.
extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::vector<std::string> words = split_into_words(data, size, kMaxWords);
    std::vector<const char *> argv = argument_vector("vantor_mini_bin", words);
    run_vantor_mini_bin(static_cast<int>(argv.size() - 1), argv.data());
    return 0;
}
