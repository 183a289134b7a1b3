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
// study's. A plan may follow (search/plan.h), asked when `planned` is odd:
//   int32 planned, double markers, int32 money, double stage1 cost per
//   person, stage2 cost per person, stage2 cost per genotype, fixed[2],
//   int64 cases_available, controls_available, stage controls[2],
//   double panel, fixed stage1_alpha, fixed share (0: searched),
//   int32 per_stage_fractions   (128 bytes)
// A planned answer keeps its limits and counts its costs as the plan says:
// both are recomputed from its counts. Then the study's test:
//   int32 test, int32 model, double frequency, prevalence, relative_risk,
//   int32 raw   (36 bytes)
// and, when `raw` is odd, six doubles: the cases' and the controls'
// genotype frequencies as given (48 bytes); otherwise they are the disease
// model's at its causal marker (zeros where the model is refused). A
// genotype test's found power agrees with the reference's bivariate normal
// of its stage statistics. make_design_seeds.py writes seeds in this layout.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "disease/disease_model.h"
#include "disease/genotype_tests.h"
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
    bool planned;
    DSN_plan plan;
};

// A level or share of 0 is none: searched.
double searched_if_zero(double value) {
    return value == 0 ? std::numeric_limits<double>::quiet_NaN() : value;
}

void read_plan(ByteReader &reader, Request &r) {
    DSN_plan_init(&r.plan);
    r.planned = reader.take<std::int32_t>() % 2 != 0;
    DSN_costs &k = r.plan.costs;
    r.plan.markers = reader.take<double>();
    k.cost_ratio = r.cost_ratio;
    k.money = reader.take<std::int32_t>();
    k.stage1_cost_per_person = reader.take<double>();
    k.stage2_cost_per_person = reader.take<double>();
    k.stage2_cost_per_genotype = reader.take<double>();
    k.fixed[0] = reader.take<double>();
    k.fixed[1] = reader.take<double>();
    DSN_limits &l = r.plan.limits;
    l.cases_available = reader.take<std::int64_t>();
    l.controls_available = reader.take<std::int64_t>();
    l.stage_controls_available[0] = reader.take<std::int64_t>();
    l.stage_controls_available[1] = reader.take<std::int64_t>();
    l.panel = reader.take<double>();
    l.stage1_alpha = searched_if_zero(reader.take<double>());
    l.stage1_share = searched_if_zero(reader.take<double>());
    l.per_stage_fractions = reader.take<std::int32_t>();
}

// The genotype frequencies of the study's test: as given, or the disease
// model's.
void read_test(ByteReader &reader, DSN_study &study) {
    study.test = reader.take<std::int32_t>();
    DIS_model model;
    DIS_model_init(&model);
    model.model = reader.take<std::int32_t>();
    model.frequency = reader.take<double>();
    model.prevalence = reader.take<double>();
    model.relative_risk = reader.take<double>();
    if (reader.take<std::int32_t>() % 2 != 0) {
        for (double &p : study.case_genotypes) {
            p = reader.take<double>();
        }
        for (double &p : study.control_genotypes) {
            p = reader.take<double>();
        }
        return;
    }
    if (DIS_check_model(&model) != VANTOR_REASON_NONE) {
        return;
    }
    DIS_marker marker{};
    DIS_marker_of(&model, &marker);
    for (int g = 0; g < 3; ++g) {
        study.case_genotypes[g] = marker.cases[g];
        study.control_genotypes[g] = marker.controls[g];
    }
}

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
    read_plan(reader, r);
    read_test(reader, r.study);
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
    if (found(r) && study.test != GEN_ALLELIC) {
        two_stage_checks::check_genotype_test(study, r);
        return;
    }
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
    if (!found(r) || !two_stage_checks::in_checked_domain(design) ||
        (q.study.test != GEN_ALLELIC && !two_stage_checks::genotypes_checked(q.study))) {
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

// ---- Planned questions --------------------------------------------------------

double relative_gap(double a, double b) { return std::fabs(a - b) / std::max(1.0, std::fabs(b)); }

// The plan's money for the counts found, summed as a planner would.
double money_of(const DSN_plan &plan, const DSN_design_result &r) {
    const DSN_costs &k = plan.costs;
    const double n1 = static_cast<double>(r.cases[0]) + r.controls[0];
    const double n2 = static_cast<double>(r.cases[1]) + r.controls[1];
    const double assays = k.stage2_cost_per_genotype * plan.markers * r.alpha[0];
    return k.fixed[0] + k.fixed[1] + n1 * k.stage1_cost_per_person +
           n2 * (k.stage2_cost_per_person + assays);
}

bool within(std::int64_t used, std::int64_t cap) { return cap == 0 || used <= cap; }

// What a found planned design keeps: the people available, the panel
// (design questions), its costs and its fractions.
void check_plan_kept(const DSN_plan &plan, const DSN_design_result &r, bool design_question) {
    if (!found(r)) {
        return;
    }
    // The limits are the design questions'; the power of given counts has none.
    const DSN_limits &l = plan.limits;
    const bool limited = design_question;
    require(!limited || within(std::int64_t{r.cases[0]} + r.cases[1], l.cases_available),
            "more cases than are available");
    require(!limited || within(std::int64_t{r.controls[0]} + r.controls[1], l.controls_available),
            "more controls than are available");
    for (int stage = 0; stage < 2; ++stage) {
        require(!limited || within(r.controls[stage], l.stage_controls_available[stage]),
                "more controls in a stage than it has");
        const double fraction = static_cast<double>(r.cases[stage]) /
                                (static_cast<double>(r.cases[stage]) + r.controls[stage]);
        require(relative_gap(r.case_fraction[stage], fraction) < 1e-15,
                "a case fraction that is not the counts'");
    }
    require(relative_gap(r.stage2_markers, plan.markers * r.alpha[0]) < 1e-15,
            "stage 2's markers are not markers x level");
    if (design_question && l.panel > 0) {
        require(r.stage2_markers <= l.panel * (1 + 1e-12), "stage 2's markers beyond the panel");
    }
    if (plan.costs.money == 1) {
        require(relative_gap(r.cost_in_money, money_of(plan, r)) < 1e-12,
                "a cost in money that is not the counts'");
    } else {
        require(std::isnan(r.cost_in_money), "a cost in money without costs in money");
    }
}

// The cost a budget bounds: money when the plan counts it.
double budgeted_cost(const DSN_plan &plan, const DSN_design_result &r) {
    return plan.costs.money == 1 ? r.cost_in_money : r.cost;
}

// A plan that limits nothing and counts genotypes answers as no plan does.
bool limits_nothing(const DSN_plan &plan) {
    const DSN_limits &l = plan.limits;
    return plan.costs.money == 0 && l.cases_available == 0 && l.controls_available == 0 &&
           l.stage_controls_available[0] == 0 && l.stage_controls_available[1] == 0 &&
           l.panel == 0 && std::isnan(l.stage1_alpha) && std::isnan(l.stage1_share) &&
           l.per_stage_fractions == 0 && plan.markers == 1;
}

bool same_bits(double a, double b) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// Every field of the two answers, numbers to the bit.
bool same_answer(const DSN_design_result &a, const DSN_design_result &b) {
    bool same = a.status == b.status && a.reason == b.reason && a.total == b.total &&
                a.one_stage_total == b.one_stage_total && a.evaluations == b.evaluations &&
                a.binding_limit == b.binding_limit;
    for (int stage = 0; stage < 2; ++stage) {
        same = same && a.cases[stage] == b.cases[stage] && a.controls[stage] == b.controls[stage] &&
               same_bits(a.case_fraction[stage], b.case_fraction[stage]);
    }
    for (int level = 0; level < 3; ++level) {
        same = same && same_bits(a.alpha[level], b.alpha[level]);
    }
    return same && same_bits(a.stage1_weight, b.stage1_weight) && same_bits(a.power, b.power) &&
           same_bits(a.cost, b.cost) && same_bits(a.relative_cost, b.relative_cost) &&
           same_bits(a.stage2_markers, b.stage2_markers) &&
           same_bits(a.cost_in_money, b.cost_in_money) &&
           same_bits(a.one_stage_cost_in_money, b.one_stage_cost_in_money);
}

void check_as_unplanned(const Request &q, const DSN_design_result &planned) {
    if (!limits_nothing(q.plan)) {
        return;
    }
    DSN_design_result plain{};
    if ((q.question & 3) == 1) {
        DSN_cheapest_design(&q.study, q.target, q.cost_ratio, &plain);
    } else {
        DSN_most_powerful_design(&q.study, q.budget, q.cost_ratio, &plain);
    }
    require(same_answer(plain, planned), "a plan limiting nothing answers otherwise than no plan");
}

void ask_planned(const Request &q) {
    DSN_design_result result{};
    const DSN_plan &plan = q.plan;
    switch (q.question & 3) {
        case 0:
            check(DSN_smallest_total_planned(&q.study, &plan, q.share, q.stage1_alpha, q.target,
                                             &result),
                  result);
            check_power(q.study, result);
            require(!found(result) || result.power >= q.target, "smallest total misses the target");
            check_plan_kept(plan, result, true);
            break;
        case 1:
            check(DSN_cheapest_design_planned(&q.study, &plan, q.target, &result), result);
            check_power(q.study, result);
            require(!found(result) || result.power >= q.target,
                    "cheapest design misses the target");
            require(!found(result) || std::isnan(plan.limits.stage1_alpha) ||
                        result.alpha[0] == plan.limits.stage1_alpha,
                    "a fixed stage 1 level not kept");
            check_plan_kept(plan, result, true);
            check_as_unplanned(q, result);
            break;
        case 2:
            check(DSN_most_powerful_design_planned(&q.study, &plan, q.budget, &result), result);
            check_power(q.study, result);
            require(!found(result) || budgeted_cost(plan, result) <= q.budget,
                    "a design over its budget");
            check_plan_kept(plan, result, true);
            check_as_unplanned(q, result);
            break;
        default:
            check(DSN_two_stage_power_planned(&q.study, &plan, q.cases, q.controls, q.stage1_alpha,
                                              &result),
                  result);
            check_power(q.study, result);
            check_plan_kept(plan, result, false);
            break;
    }
}

void ask(const Request &q) {
    if (q.planned) {
        ask_planned(q);
        return;
    }
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
