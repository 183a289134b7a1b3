// The two entry points every fuzz target here defines, as libFuzzer calls
// them; replay_main.cpp calls them the same way.
#ifndef VANTOR_FUZZ_FUZZ_TARGET_H
#define VANTOR_FUZZ_FUZZ_TARGET_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

// The answers the library and the driver print on standard output are noise
// to a fuzzer; sanitizer reports go to standard error and stay visible.
inline void silence_standard_output() {
    // A failed freopen leaves stdout closed, and writing to it then would be
    // undefined: stop instead.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::fputs("cannot send standard output to /dev/null\n", stderr);
        std::abort();
    }
}

#endif
