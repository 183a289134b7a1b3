// Feeds arbitrary numbers into the single- and two-stage power through a
// PWR_design. The input is read as packed little-endian fields, each zero
// when the input has run out:
//   int32 method, int32 stage, double alpha[3], int32 sample_size[2][2],
//   double control_rate, double odds_ratio            (64 bytes in all)
// make_power_seeds.py writes seeds in this layout.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "fuzz/byte_reader.h"
#include "fuzz/fuzz_target.h"
#include "numeric/MTH_report.h"
#include "power/power_func.h"

namespace {

// One request: a design and the stage argument for every call.
struct PowerRequest {
    PWR_design design;
    std::int32_t stage;
};

PowerRequest read_request(ByteReader &reader) {
    PowerRequest request{PWR_DESIGN_INIT, 0};
    request.design.method = reader.take<std::int32_t>();
    request.stage = reader.take<std::int32_t>();
    for (double &alpha : request.design.alpha) {
        alpha = reader.take<double>();
    }
    for (auto &stage_sizes : request.design.sample_size) {
        for (std::int32_t &size : stage_sizes) {
            size = reader.take<std::int32_t>();
        }
    }
    request.design.control_rate = reader.take<double>();
    request.design.odds_ratio = reader.take<double>();
    return request;
}

// The library's reports are not the fuzzer's output; the one report it knows
// is the quantile's "MIN_FLAG", and any other word is a finding.
void expect_known_report(const char *what, void * /*context*/) {
    if (std::strcmp(what, "MIN_FLAG") != 0) {
        std::fprintf(stderr, "unknown report from the library: %s\n", what);
        std::abort();
    }
}

// Each call gets a fresh copy: the operations write into the record.
void run_every_power(const PWR_design &design, std::int32_t stage) {
    for (const std::int32_t single_stage : {0, 1, stage}) {
        PWR_design copy = design;
        (void)PWR_get_power_for_single_step(&copy, single_stage);
    }
    PWR_design copy = design;
    (void)PWR_get_power_for_two_stage_method(&copy, stage);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) {
    MTH_set_report_hook({expect_known_report, nullptr});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ByteReader reader(data, size);
    const PowerRequest request = read_request(reader);
    run_every_power(request.design, request.stage);
    return 0;
}
