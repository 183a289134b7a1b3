// Feeds arbitrary inputs to the two-stage design questions and checks that
// each result is a status with the values that status promises, and that a
// found power is that of the design found: within the domain of
// fuzz/two_stage_checks.h it agrees with the independent reference, its
// derived final level meets the analysis's relation, and the
// power of given counts does not fall when every count is multiplied by a
// whole number. The input is read as packed little-endian fields, each zero
// when the input has run out:
//   int32 question (taken modulo 4), int32 method, int32 unit,
//   double odds_ratio, control_rate, alpha2, case_fraction, share, alpha0,
//   target_power, cost_ratio, budget, int32 cases[2], int32 controls[2],
//   uint32 multiplier, int32 statistic   (108 bytes)
// the growth check multiplying by 2 + multiplier % 63; the statistic is the
// study's. make_design_seeds.py writes seeds in this layout.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/byte_reader.h"
#include "fuzz/fuzz_target.h"
#include "fuzz/reports_fail.h"
#include "fuzz/two_stage_checks.h"
#include "search/design.h"
#include "status/status.h"

namespace {

struct Request {
    std::int32_t question;
    DSN_study study;
    double share;
    double stage1_alpha;
    double target;
    double cost_ratio;
    double budget;
    std::int32_t cases[2];
    std::int32_t controls[2];
    std::uint32_t multiplier;
};

Request read_request(ByteReader &reader) {
    Request r{};
    r.question = reader.take<std::int32_t>();
    r.study.method = reader.take<std::int32_t>();
    r.study.count = reader.take<std::int32_t>();
    r.study.odds_ratio = reader.take<double>();
    r.study.control_rate = reader.take<double>();
    r.study.alpha = reader.take<double>();
    r.study.case_fraction = reader.take<double>();
    r.share = reader.take<double>();
    r.stage1_alpha = reader.take<double>();
    r.target = reader.take<double>();
    r.cost_ratio = reader.take<double>();
    r.budget = reader.take<double>();
    for (int stage = 0; stage < 2; ++stage) {
        r.cases[stage] = reader.take<std::int32_t>();
        r.controls[stage] = reader.take<std::int32_t>();
    }
    r.multiplier = reader.take<std::uint32_t>();
    r.study.variance = reader.take<std::int32_t>();
    return r;
}

void require(bool holds, const char *what) {
    if (!holds) {
        std::fprintf(stderr, "design result broken: %s\n", what);
        std::abort();
    }
}

// What every status promises of the record.
void check(std::int32_t returned, const DSN_design_result &r) {
    require(returned == r.status, "returned status differs from the record's");
    require(r.status >= VANTOR_FOUND && r.status <= VANTOR_INVALID_INPUT, "status out of range");
    require(VANTOR_status_of_reason(r.reason) == r.status, "reason belongs to another status");
    require(std::strcmp(VANTOR_message(r.reason), "unknown reason code") != 0,
            "reason has no words");
    const bool found = r.status == VANTOR_FOUND || r.status == VANTOR_FOUND_WITH_WARNING;
    if (!found) {
        require(r.total == 0 && std::isnan(r.power), "values given without an answer");
        return;
    }
    require(r.total >= 4, "a found design with fewer than four counted units");
    for (int stage = 0; stage < 2; ++stage) {
        require(r.cases[stage] >= 1 && r.controls[stage] >= 1,
                "a found design with an empty group");
    }
    require(r.power >= -1e-12 && r.power <= 1 + 1e-12, "a found power outside [0, 1]");
    require(r.stage1_weight > 0 && r.stage1_weight < 1, "a found weight outside (0, 1)");
}

bool found(const DSN_design_result &r) {
    return r.status == VANTOR_FOUND || r.status == VANTOR_FOUND_WITH_WARNING;
}

// A found power is the power of the design found.
void check_power(const DSN_study &study, const DSN_design_result &r) {
    if (found(r)) {
        const PWR_design design = two_stage_reference::design_of_result(study, r);
        two_stage_checks::check_against_reference(design, r.power, study.variance);
        // Every design question derives the final level from the overall one.
        two_stage_checks::check_levels(design, 1);
    }
}

// The power of the counts times k is at least theirs.
void check_growth(const Request &q, const DSN_design_result &r) {
    const std::int64_t k = two_stage_checks::multiplier_of(q.multiplier);
    const PWR_design design = two_stage_reference::design_of_result(q.study, r);
    std::int32_t cases[2];
    std::int32_t controls[2];
    for (int stage = 0; stage < 2; ++stage) {
        const std::int64_t grown_cases = q.cases[stage] * k;
        const std::int64_t grown_controls = q.controls[stage] * k;
        if (grown_cases > VANTOR_LARGEST_COUNT || grown_controls > VANTOR_LARGEST_COUNT) {
            return;
        }
        cases[stage] = static_cast<std::int32_t>(grown_cases);
        controls[stage] = static_cast<std::int32_t>(grown_controls);
    }
    if (!found(r) || !two_stage_checks::in_checked_domain(design)) {
        return;
    }
    DSN_design_result grown{};
    DSN_two_stage_power(&q.study, cases, controls, q.stage1_alpha, &grown);
    // Grown counts may leave the allele range (people count twice).
    if (found(grown) && !(grown.power >= r.power - two_stage_checks::kFallTolerance)) {
        two_stage_checks::fail("power falls as every count grows",
                               two_stage_reference::design_of_result(q.study, grown), r.power,
                               grown.power);
    }
}

void ask(const Request &q) {
    DSN_design_result result{};
    switch (q.question & 3) {
        case 0:
            check(DSN_smallest_total(&q.study, q.share, q.stage1_alpha, q.target, &result), result);
            check_power(q.study, result);
            if (result.status == VANTOR_FOUND || result.status == VANTOR_FOUND_WITH_WARNING) {
                require(result.power >= q.target, "smallest total misses the target");
            }
            break;
        case 1:
            check(DSN_cheapest_design(&q.study, q.target, q.cost_ratio, &result), result);
            check_power(q.study, result);
            break;
        case 2:
            check(DSN_most_powerful_design(&q.study, q.budget, q.cost_ratio, &result), result);
            check_power(q.study, result);
            if (result.status == VANTOR_FOUND) {
                require(result.cost <= q.budget, "a design over its budget");
            }
            break;
        default:
            check(DSN_two_stage_power(&q.study, q.cases, q.controls, q.stage1_alpha, &result),
                  result);
            check_power(q.study, result);
            check_growth(q, result);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) {
    make_reports_fail();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ByteReader reader(data, size);
    ask(read_request(reader));
    return 0;
}
