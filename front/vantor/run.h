// The whole program as a function, so that tests and fuzzers can run it
// in-process.
#ifndef VANTOR_FRONT_VANTOR_RUN_H
#define VANTOR_FRONT_VANTOR_RUN_H

#include <cstddef>

namespace vantor_cli {

// Exit statuses, as --help states them.
enum ExitStatus {
    kEveryRowFound = 0,   // every row found its answer (warnings included)
    kSomeNotReached = 1,  // some row's answer is not reachable; the others are answered
    kRefused = 2          // a usage or value error: nothing computed
};

struct RunLimits {
    std::size_t largest_grid = 1000000;  // most requests of one run
    bool progress = true;                // a progress line when standard error is a terminal
};

// Runs the program on this argument vector (argv[0] the program name),
// printing on standard output and standard error; returns the exit status.
int run_vantor(int argc, const char *const *argv, const RunLimits &limits = RunLimits());

}  // namespace vantor_cli

#endif
