// Feeds arbitrary inputs to every solver and checks that each result is a
// status with the values that status promises. The input is read as packed
// little-endian fields, each zero when the input has run out:
//   int32 cases, int32 controls, int32 unit, double ratio, double odds_ratio,
//   double control_rate, double alpha, double target_power   (52 bytes)
// make_solve_seeds.py writes seeds in this layout.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/byte_reader.h"
#include "fuzz/fuzz_target.h"
#include "fuzz/reports_fail.h"
#include "search/solve.h"

namespace {

constexpr std::int32_t kBudget = 64;

struct Question {
    std::int32_t cases;
    std::int32_t controls;
    std::int32_t count;
    double ratio;
    double odds_ratio;
    double control_rate;
    double alpha;
    double target;
};

Question read_question(ByteReader &reader) {
    Question q{};
    q.cases = reader.take<std::int32_t>();
    q.controls = reader.take<std::int32_t>();
    q.count = reader.take<std::int32_t>();
    q.ratio = reader.take<double>();
    q.odds_ratio = reader.take<double>();
    q.control_rate = reader.take<double>();
    q.alpha = reader.take<double>();
    q.target = reader.take<double>();
    return q;
}

void require(bool holds, const char *what) {
    if (!holds) {
        std::fprintf(stderr, "solver result broken: %s\n", what);
        std::abort();
    }
}

void check_common(std::int32_t returned, std::int32_t status, std::int32_t reason,
                  std::int32_t evaluations) {
    require(returned == status, "returned status differs from the record's");
    require(status >= VANTOR_FOUND && status <= VANTOR_INVALID_INPUT, "status out of range");
    require(VANTOR_status_of_reason(reason) == status, "reason belongs to another status");
    require(std::strcmp(VANTOR_message(reason), "unknown reason code") != 0, "reason has no words");
    require(evaluations >= 0 && evaluations <= kBudget, "evaluation budget exceeded");
}

bool is_found(std::int32_t status) {
    return status == VANTOR_FOUND || status == VANTOR_FOUND_WITH_WARNING;
}

void check_size(std::int32_t returned, const SLV_size_result &r, double target) {
    check_common(returned, r.status, r.reason, r.evaluations);
    if (is_found(r.status)) {
        require(r.cases >= 1 && r.controls >= 1, "found sizes below 1");
        require(r.power >= target, "found sizes miss the target");
    } else {
        require(r.cases == 0 && r.controls == 0, "sizes given without an answer");
        require(std::isnan(r.power), "power given without an answer");
    }
}

void check_effect(std::int32_t returned, const SLV_effect_result &r, double target, bool above) {
    check_common(returned, r.status, r.reason, r.evaluations);
    if (is_found(r.status)) {
        require(above ? r.odds_ratio > 1 : (r.odds_ratio < 1 && r.odds_ratio > 0),
                "odds ratio on the wrong side of 1");
        require(r.power >= target, "found odds ratio misses the target");
    } else {
        require(std::isnan(r.odds_ratio) && std::isnan(r.power), "value given without an answer");
    }
}

void ask_every_solver(const Question &q) {
    SLV_size_result size{};
    check_size(SLV_cases_for_controls(q.controls, q.odds_ratio, q.control_rate, q.alpha, q.target,
                                      q.count, &size),
               size, q.target);
    check_size(SLV_controls_for_cases(q.cases, q.odds_ratio, q.control_rate, q.alpha, q.target,
                                      q.count, &size),
               size, q.target);
    check_size(SLV_cases_for_ratio(q.ratio, q.odds_ratio, q.control_rate, q.alpha, q.target,
                                   q.count, &size),
               size, q.target);
    check_size(SLV_controls_for_ratio(q.ratio, q.odds_ratio, q.control_rate, q.alpha, q.target,
                                      q.count, &size),
               size, q.target);
    SLV_effect_result effect{};
    check_effect(
        SLV_odds_ratio_above_one(q.cases, q.controls, q.control_rate, q.alpha, q.target, &effect),
        effect, q.target, true);
    check_effect(
        SLV_odds_ratio_below_one(q.cases, q.controls, q.control_rate, q.alpha, q.target, &effect),
        effect, q.target, false);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) {
    make_reports_fail();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ByteReader reader(data, size);
    ask_every_solver(read_question(reader));
    return 0;
}
