// Feeds arbitrary numbers into the single- and two-stage power through a
// PWR_design, and checks each two-stage power within the domain of
// fuzz/two_stage_checks.h: against the independent reference, that a
// derived level meets its relation, and that it does not fall when every
// count is multiplied by a whole number. The input
// is read as packed little-endian fields, each zero when the input has run
// out:
//   int32 method, int32 stage, double alpha[3], int32 sample_size[2][2],
//   double control_rate, double odds_ratio, uint32 multiplier,
//   int32 statistic                                     (72 bytes)
// the growth check multiplying by 2 + multiplier % 63; the two-stage power
// is asked for again with the statistic (power/statistic.h).
// make_power_seeds.py writes seeds in this layout.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "fuzz/byte_reader.h"
#include "fuzz/fuzz_target.h"
#include "fuzz/two_stage_checks.h"
#include "numeric/MTH_report.h"
#include "power/power_func.h"
#include "power/statistic.h"

namespace {

// One request: a design, the stage argument for every call, the seed of
// the growth check's multiplier and a statistic.
struct PowerRequest {
    PWR_design design;
    std::int32_t stage;
    std::uint32_t multiplier;
    std::int32_t variance;
};

PowerRequest read_request(ByteReader &reader) {
    PowerRequest request{PWR_DESIGN_INIT, 0, 0, 0};
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
    request.multiplier = reader.take<std::uint32_t>();
    request.variance = reader.take<std::int32_t>();
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

// Equal, or both not a number.
bool same_number(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Each call gets a fresh copy: the operations write into the record.
void run_every_power(const PowerRequest &request) {
    const PWR_design &design = request.design;
    for (const std::int32_t single_stage : {0, 1, request.stage}) {
        PWR_design copy = design;
        (void)PWR_get_power_for_single_step(&copy, single_stage);
    }
    PWR_design copy = design;
    const double power = PWR_get_power_for_two_stage_method(&copy, request.stage);
    two_stage_checks::check_against_reference(copy, power);
    two_stage_checks::check_levels(copy, two_stage_checks::derived_level(design));
    two_stage_checks::check_growth(design, copy, power,
                                   two_stage_checks::multiplier_of(request.multiplier));
    PWR_design with_statistic = design;
    const double power_with_statistic = PWR_two_stage_power(&with_statistic, request.variance);
    if (request.variance == PWR_VARIANCE_UNPOOLED) {
        two_stage_checks::check_against_reference(with_statistic, power_with_statistic,
                                                  request.variance);
    } else if (request.variance == PWR_VARIANCE_POOLED &&
               !same_number(power, power_with_statistic)) {
        // The pooled statistic is the plain call's, to the bit.
        two_stage_checks::fail("the pooled statistic differs from the plain call", copy, power,
                               power_with_statistic);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) {
    MTH_set_report_hook({expect_known_report, nullptr});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ByteReader reader(data, size);
    const PowerRequest request = read_request(reader);
    run_every_power(request);
    return 0;
}
