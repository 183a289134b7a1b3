// The whole program as a function, so that tests and fuzzers can run it
// in-process.
#ifndef VANTOR_FRONT_VANTOR_RUN_H
#define VANTOR_FRONT_VANTOR_RUN_H

#include <cstddef>
#include <limits>

namespace vantor_cli {

// Exit statuses, as --help states them.
enum ExitStatus {
    kEveryRowFound = 0,   // every row found its answer (warnings included)
    kSomeNotReached = 1,  // some row's answer is not reachable; the others are answered
    kRefused = 2          // a usage or value error: nothing computed (a late refusal, of
                          // a file's row or of a grid's combination, comes after the rows
                          // before it are answered)
};

struct RunLimits {
    // Most requests of one run: none but the size_t's own for people; the
    // fuzzer keeps its runs short with a few.
    std::size_t most_requests = std::numeric_limits<std::size_t>::max();
    bool progress = true;  // a progress line when standard error is a terminal
    // Most simulated studies one request runs: the library's own limit for
    // people; the fuzzer keeps its runs short with a few.
    double most_replicates = 1e9;
    // Whether --figure writes its file: the fuzzer draws figures but keeps
    // them from the disk.
    bool write_files = true;
};

// Runs the program on this argument vector (argv[0] the program name),
// printing on standard output and standard error; returns the exit status.
// Requests are answered and written one at a time. While it runs, the
// library's reports go to a hook of the program's own (a line on standard
// error), never to standard output.
int run_vantor(int argc, const char *const *argv, const RunLimits &limits = RunLimits());

}  // namespace vantor_cli

#endif
