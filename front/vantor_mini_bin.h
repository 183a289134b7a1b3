// The command-line driver as functions, so that tests and fuzzers can run it
// in-process.
#ifndef VANTOR_FRONT_VANTOR_MINI_BIN_H
#define VANTOR_FRONT_VANTOR_MINI_BIN_H

#include <cstdint>

#include "power/power_func.h"

// find_limit_number's answer when the target is still short at the largest
// size tried.
constexpr std::int32_t kNotReached = -2;

// Runs one request as the program would for this argument vector (argv[0]
// is the program name) and returns the exit status, always 0.
int run_vantor_mini_bin(int argc, const char *const *argv);

// Smallest size of group `group` (0 cases, 1 controls) at which the stage-0
// power reaches `target`: scans 1, 10, ..., 100000, then refines tenfold per
// level. Returns kNotReached if 100000 falls short and -1 if a power is not a
// number. Writes the last size of the scan into design.
std::int32_t find_limit_number(int group, double target, PWR_design *design);

// One refinement level: sizes start, start + step, ... until the target is
// reached, then the next level from the last size known to fall short.
// Works on its own copy of the design.
std::int32_t get_limit_number_rec(int group, std::int32_t start, std::int32_t step, double target,
                                  PWR_design design);

#endif
