// Runs the whole vantor program in-process on an argument vector and an
// input file made from the input. The bytes up to the first 0x01 byte are
// split into words at white space and NUL bytes, and the words follow the
// program name; a word "@" stands for the input file. The bytes after the
// 0x01 byte are the input file's, which is also standard input (so that
// "--input -" reads them too). Option parsing, value lists and ranges, CSV
// reading, the checks and every subcommand are reached. A run must end in
// one of the program's three exit statuses.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

constexpr std::uint8_t kFileStarts = 0x01;

std::string file_path;
int file_descriptor = -1;

void require(bool holds, const char *what) {
    if (!holds) {
        std::fprintf(stderr, "vantor program broken: %s\n", what);
        std::abort();
    }
}

// The input file holds exactly `bytes` and is read from its start, by name
// and as standard input.
void set_input_file(const std::uint8_t *bytes, std::size_t size) {
    require(ftruncate(file_descriptor, 0) == 0, "cannot empty the input file");
    require(pwrite(file_descriptor, bytes, size, 0) == static_cast<ssize_t>(size),
            "cannot write the input file");
    require(lseek(STDIN_FILENO, 0, SEEK_SET) == 0, "cannot rewind standard input");
}

}  // namespace

// The program prints its answers on standard output; run with
// -close_fd_mask=1 to keep them out of the fuzzer's log.
extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) {
    char path[] = "/tmp/vantor_cli_fuzz_XXXXXX";
    file_descriptor = mkstemp(path);
    require(file_descriptor >= 0, "cannot make the input file");
    const int reading = open(path, O_RDONLY);
    // Named through /proc, the file leaves nothing behind when the run ends.
    unlink(path);
    file_path = "/proc/self/fd/" + std::to_string(file_descriptor);
    require(reading >= 0 && dup2(reading, STDIN_FILENO) == STDIN_FILENO,
            "cannot make the input file standard input");
    close(reading);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::uint8_t *file_start = std::find(data, data + size, kFileStarts);
    const auto words_size = static_cast<std::size_t>(file_start - data);
    const std::size_t file_size = file_start == data + size ? 0 : size - words_size - 1;
    set_input_file(file_start + (file_size > 0 ? 1 : 0), file_size);
    std::vector<std::string> words = split_into_words(data, words_size, kMaxWords);
    std::replace(words.begin(), words.end(), std::string("@"), file_path);
    std::vector<const char *> argv = argument_vector("vantor", words);
    vantor_cli::RunLimits limits;
    limits.most_requests = kLargestGrid;
    limits.progress = false;
    limits.most_replicates = 1000;
    // Figures are drawn but never written: the words would name any path.
    limits.write_files = false;
    const int status =
        vantor_cli::run_vantor(static_cast<int>(argv.size() - 1), argv.data(), limits);
    require(status >= 0 && status <= 2, "an exit status other than 0, 1 and 2");
    return 0;
}
