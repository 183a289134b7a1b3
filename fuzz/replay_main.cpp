// Runs a fuzz target once on every input file named on the command line, or
// on every file of a named directory. Builds without libFuzzer use this to
// replay the seed corpus as a regression test.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_target.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> read_file(const fs::path &path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

int replay_file(const fs::path &path) {
    const std::vector<std::uint8_t> input = read_file(path);
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return 1;
}

int replay(const fs::path &path) {
    if (!fs::is_directory(path)) {
        return replay_file(path);
    }
    int count = 0;
    for (const fs::directory_entry &entry : fs::directory_iterator(path)) {
        count += replay_file(entry.path());
    }
    return count;
}

}  // namespace

int main(int argc, char **argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        count += replay(argv[i]);
    }
    std::cerr << "replayed " << count << " inputs\n";
    return count > 0 ? 0 : 1;
}
