// The two entry points every fuzz target here defines, as libFuzzer calls
// them; replay_main.cpp calls them the same way.
#ifndef VANTOR_FUZZ_FUZZ_TARGET_H
#define VANTOR_FUZZ_FUZZ_TARGET_H

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

#endif
