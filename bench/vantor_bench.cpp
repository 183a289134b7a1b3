// Timings of the normal distribution and its far tail, the noncentral
// chi-square tail of the genotypic test and its two-term weighted form, the
// single-stage power, the LIMIT search, the solvers, the two-stage power (the
// library's and the design searches' quick one) and the design questions. In
// a static build each two-stage benchmark also reports how many integrand
// evaluations one call takes; each solver reports its power evaluations.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "disease/disease_model.h"
#include "disease/genotype_tests.h"
#include "front/vantor_mini_bin.h"
#include "numeric/MTH_noncentral_chi_square.h"
#include "numeric/MTH_normal_distribution.h"
#include "numeric/MTH_normal_tail.h"
#include "numeric/MTH_report.h"
#include "numeric/quadratic_form.h"
#include "power/power_func.h"
#include "power/statistic.h"
#include "power/two_stage_quadrature.h"
#include "question/ask.h"
#include "question/study.h"
#include "search/design.h"
#include "search/solve.h"
#include "simulation/simulate.h"
#ifdef VANTOR_COUNT_INTEGRAND
#include "bench/integrand_counter.h"
#endif

namespace {

constexpr std::size_t kPoints = 64;

// kPoints evenly spaced values from first to last.
std::array<double, kPoints> spaced(double first, double last) {
    std::array<double, kPoints> values{};
    for (std::size_t i = 0; i < kPoints; ++i) {
        values[i] = first + (last - first) * static_cast<double>(i) / (kPoints - 1);
    }
    return values;
}

template <double (*Function)(double)>
void evaluate_over(benchmark::State &state, const std::array<double, kPoints> &points) {
    for (auto _ : state) {
        for (const double x : points) {
            benchmark::DoNotOptimize(Function(x));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPoints));
}

double qnorm(double p) { return MTH_qnorm(p, 1e-6); }

void drop_report(const char * /*what*/, void * /*context*/) {}

void BM_pnorm(benchmark::State &state) { evaluate_over<MTH_pnorm>(state, spaced(-7, 7)); }
void BM_pnorm_numerical(benchmark::State &state) {
    evaluate_over<MTH_pnorm_numerical>(state, spaced(-7, 7));
}
void BM_qnorm(benchmark::State &state) { evaluate_over<qnorm>(state, spaced(1e-9, 1 - 1e-9)); }

// The far normal tail from 4 to 37, as the two-stage integrands take it now
// and as they took it before (the incomplete gamma function's continued
// fraction).
double gcf_tail(double x) { return gcf(0.5, x * x / 2) / 2; }
void BM_normal_upper_tail(benchmark::State &state) {
    evaluate_over<MTH_normal_upper_tail>(state, spaced(4, 37));
}
void BM_gcf_tail(benchmark::State &state) { evaluate_over<gcf_tail>(state, spaced(4, 37)); }

// The genotypic (2-degree) test's power at alpha 5e-8, P(chi2_2(lambda) > -2 ln 5e-8),
// over noncentralities from 10 to 50.
double genotypic_power(double noncentrality) {
    static const double threshold = -2 * std::log(5e-8);
    return MTH_noncentral_chi_square_upper(threshold, 2, noncentrality);
}
void BM_noncentral_chi_square_genotypic(benchmark::State &state) {
    evaluate_over<genotypic_power>(state, spaced(10, 50));
}

// The same power with unequal weights, P(0.4 Y1^2 + 2.5 Y2^2 > -2 ln 5e-8)
// for means (m, m / 2), m from 0 to 10: from the level to near 1.
double weighted_genotypic_power(double mean) {
    static const double threshold = -2 * std::log(5e-8);
    return MTH_two_term_chi_square_upper(threshold, 0.4, mean, 2.5, mean / 2);
}
void BM_two_term_chi_square(benchmark::State &state) {
    evaluate_over<weighted_genotypic_power>(state, spaced(0, 10));
}

// The power of a disease model's test, as STU_power answers it (checks,
// the marker's genotype frequencies and the test).
void BM_disease_model_power(benchmark::State &state) {
    STU_study study;
    STU_study_init(&study);
    study.effect_kind = STU_EFFECT_DISEASE;
    DIS_model_init(&study.effect.disease);
    study.effect.disease.frequency = 0.2;
    study.effect.disease.prevalence = 0.1;
    study.effect.disease.relative_risk = 1.5;
    study.effect.disease.model = DIS_ADDITIVE;
    study.effect.disease.ld_kind = DIS_LD_R_SQUARED;
    study.effect.disease.ld = 0.8;
    study.test = static_cast<std::int32_t>(state.range(0));
    STU_power_result result;
    for (auto _ : state) {
        STU_power(&study, 1000, 2000, &result);
        benchmark::DoNotOptimize(result.power);
    }
}

PWR_design example_design() {
    PWR_design design = PWR_DESIGN_INIT;
    design.control_rate = 0.3;
    design.odds_ratio = 1.3;
    design.sample_size[0][0] = 1000;
    design.sample_size[0][1] = 1000;
    design.sample_size[1][0] = 2000;
    design.sample_size[1][1] = 2000;
    return design;
}

void BM_single_stage_power(benchmark::State &state) {
    PWR_design design = example_design();
    design.alpha[0] = 5e-8;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PWR_get_power_for_single_step(&design, 0));
    }
}

// A power asked by name, as every front end asks it (question/ask.h): the
// counts given, the question decided, the counts checked (the study as the
// last row found it), the answer laid out; and
// the same power asked of STU_power with a study record built by hand.
void BM_power_asked_by_name(benchmark::State &state) {
    ASK_request *request = ASK_request_new();
    const std::int32_t cases = ASK_input_index("cases");
    const std::int32_t controls = ASK_input_index("controls");
    const std::int32_t odds_ratio = ASK_input_index("odds_ratio");
    const std::int32_t control_rate = ASK_input_index("control_rate");
    const std::int32_t alpha = ASK_input_index("alpha");
    ASK_answer answers[ASK_MOST_ANSWERS];
    double count = 1;
    // As a grid is asked: what every row shares given once, the counts anew.
    ASK_give(request, odds_ratio, 1.3);
    ASK_give(request, control_rate, 0.3);
    ASK_give(request, alpha, 0.05);
    for (auto _ : state) {
        ASK_give(request, cases, count);
        ASK_give(request, controls, count);
        benchmark::DoNotOptimize(ASK_answer_request(request, answers));
        count = count < 10000 ? count + 1 : 1;
    }
    ASK_request_free(request);
}

void BM_power_asked_of_study(benchmark::State &state) {
    STU_study study;
    STU_study_init(&study);
    study.effect.allelic.odds_ratio = 1.3;
    study.effect.allelic.control_rate = 0.3;
    study.alpha = 0.05;
    STU_power_result result;
    std::int64_t count = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(STU_power(&study, count, count, &result));
        count = count < 10000 ? count + 1 : 1;
    }
}

// As `LIMIT Control 1000 0.8 1.3 0.3 0.05` searches.
void BM_limit_search(benchmark::State &state) {
    PWR_design design = example_design();
    design.alpha[0] = 0.05;
    for (auto _ : state) {
        PWR_design copy = design;
        benchmark::DoNotOptimize(find_limit_number(0, 0.8, &copy));
    }
}

// The geneticist's questions of the README: odds ratio 1.3, control rate
// 0.3, level 5e-8, power 0.8, counts in people.
constexpr double kOddsRatio = 1.3;
constexpr double kRate = 0.3;
constexpr double kGenomeWide = 5e-8;
constexpr double kTarget = 0.8;

template <typename Solve>
void count_power_evaluations(benchmark::State &state, const Solve &solve) {
    std::int32_t evaluations = 0;
    for (auto _ : state) {
        evaluations = solve();
        benchmark::ClobberMemory();
    }
    state.counters["power_evals"] = evaluations;
}

// Argument: controls per case, in tenths.
void BM_solve_cases_for_ratio(benchmark::State &state) {
    const double controls_per_case = static_cast<double>(state.range(0)) / 10;
    count_power_evaluations(state, [&] {
        SLV_size_result result;
        SLV_cases_for_ratio(controls_per_case, kOddsRatio, kRate, kGenomeWide, kTarget,
                            VANTOR_COUNT_PEOPLE, &result);
        return result.evaluations;
    });
}

// 5000 control people fixed.
void BM_solve_cases_for_controls(benchmark::State &state) {
    count_power_evaluations(state, [&] {
        SLV_size_result result;
        SLV_cases_for_controls(10000, kOddsRatio, kRate, kGenomeWide, kTarget, VANTOR_COUNT_PEOPLE,
                               &result);
        return result.evaluations;
    });
}

// Detectable odds ratios of 2000 case and 2000 control people.
void BM_solve_odds_ratio_above_one(benchmark::State &state) {
    count_power_evaluations(state, [&] {
        SLV_effect_result result;
        SLV_odds_ratio_above_one(4000, 4000, kRate, kGenomeWide, kTarget, &result);
        return result.evaluations;
    });
}

void BM_solve_odds_ratio_below_one(benchmark::State &state) {
    count_power_evaluations(state, [&] {
        SLV_effect_result result;
        SLV_odds_ratio_below_one(4000, 4000, kRate, kGenomeWide, kTarget, &result);
        return result.evaluations;
    });
}

// Two-stage designs of the README's study (odds ratio 1.3, rate 0.3, overall
// level 5e-8, 80 % power, equal groups, people). Argument: method.
DSN_study design_study(benchmark::State &state) {
    return {static_cast<std::int32_t>(state.range(0)),
            kOddsRatio,
            kRate,
            kGenomeWide,
            0.5,
            VANTOR_COUNT_PEOPLE,
            PWR_VARIANCE_POOLED,
            0,
            {0},
            {0}};
}

// Stage 0 holds 40 % of the people and is tested at 1e-3.
void BM_design_smallest_total(benchmark::State &state) {
    const DSN_study study = design_study(state);
    count_power_evaluations(state, [&] {
        DSN_design_result result;
        DSN_smallest_total(&study, 0.4, 1e-3, kTarget, &result);
        return result.evaluations;
    });
}

void BM_design_cheapest(benchmark::State &state) {
    const DSN_study study = design_study(state);
    count_power_evaluations(state, [&] {
        DSN_design_result result;
        DSN_cheapest_design(&study, kTarget, 1.0, &result);
        return result.evaluations;
    });
}

// A budget of 4000 people's genotyping per marker.
void BM_design_most_powerful(benchmark::State &state) {
    const DSN_study study = design_study(state);
    count_power_evaluations(state, [&] {
        DSN_design_result result;
        DSN_most_powerful_design(&study, 4000, 1.0, &result);
        return result.evaluations;
    });
}

// Designs under a plan, on the planning example's marker (odds ratio 1.3
// and rate 0.25 near its own, a million markers at 0.05 study-wide, stage
// 2 genotypes three times as dear). Argument: the plan:
//   0 a panel of 2,000 markers (cheapest design),
//   1 at most 3,000 cases and 6,000 controls, each stage's fraction
//     searched (cheapest design),
//   2 the same, most powerful within 1,831 genotypes per marker,
//   3 costs in money: an array at 50, 20 a stage 2 person and 0.02 a
//     genotype, 10,000 fixed, a panel of 5,000 (cheapest design).
void BM_design_planned(benchmark::State &state) {
    const DSN_study study = {PWR_METHOD_JOINT,    1.3, 0.25, 5e-8, 0.5, VANTOR_COUNT_PEOPLE,
                             PWR_VARIANCE_POOLED, 0,   {0},  {0}};
    DSN_plan plan;
    DSN_plan_init(&plan);
    plan.markers = 1e6;
    plan.costs.cost_ratio = 3;
    const std::int64_t kind = state.range(0);
    if (kind == 0) {
        plan.limits.panel = 2000;
    } else if (kind < 3) {
        plan.limits.cases_available = 3000;
        plan.limits.controls_available = 6000;
        plan.limits.per_stage_fractions = 1;
    } else {
        plan.costs.money = 1;
        plan.costs.stage1_cost_per_person = 50;
        plan.costs.stage2_cost_per_person = 20;
        plan.costs.stage2_cost_per_genotype = 0.02;
        plan.costs.fixed[1] = 1e4;
        plan.limits.panel = 5000;
    }
    count_power_evaluations(state, [&] {
        DSN_design_result result;
        if (kind == 2) {
            DSN_most_powerful_design_planned(&study, &plan, 1831, &result);
        } else {
            DSN_cheapest_design_planned(&study, &plan, kTarget, &result);
        }
        return result.evaluations;
    });
}

// The cheapest design of a 1-df genotype test: a recessive effect (relative
// risk 1.5, frequency 0.3, prevalence 0.05, a million markers at 0.05
// study-wide, stage 2 genotypes three times as dear), tested by the
// recessive test. Argument: method.
void BM_design_genotype_test(benchmark::State &state) {
    DSN_study study = {static_cast<std::int32_t>(state.range(0)),
                       1.0,
                       0.3,
                       5e-8,
                       0.5,
                       VANTOR_COUNT_PEOPLE,
                       PWR_VARIANCE_POOLED,
                       GEN_RECESSIVE,
                       {0},
                       {0}};
    DIS_model model;
    DIS_model_init(&model);
    model.model = DIS_RECESSIVE;
    model.frequency = 0.3;
    model.prevalence = 0.05;
    model.relative_risk = 1.5;
    DIS_marker marker{};
    DIS_marker_of(&model, &marker);
    study.odds_ratio = marker.odds_ratio;
    study.control_rate = marker.control_rate;
    for (int g = 0; g < 3; ++g) {
        study.case_genotypes[g] = marker.cases[g];
        study.control_genotypes[g] = marker.controls[g];
    }
    count_power_evaluations(state, [&] {
        DSN_design_result result;
        DSN_cheapest_design(&study, kTarget, 3.0, &result);
        return result.evaluations;
    });
}

// Arguments: method, and 1 to derive the second-decision level from the
// other two (0 gives all three).
void BM_two_stage(benchmark::State &state) {
    PWR_design design = example_design();
    design.method = static_cast<std::int32_t>(state.range(0));
    design.alpha[0] = 0.01;
    design.alpha[2] = 5e-8;
    if (state.range(1) != 0) {
        design.alpha[1] = PWR_DERIVE_LEVEL;
    } else {
        // Derived once here, so the timed calls get a consistent set.
        PWR_design first = design;
        first.alpha[1] = PWR_DERIVE_LEVEL;
        PWR_get_power_for_two_stage_method(&first, 0);
        design.alpha[1] = first.alpha[1];
    }
#ifdef VANTOR_COUNT_INTEGRAND
    const std::int64_t evaluations_before = integrand_evaluations();
#endif
    for (auto _ : state) {
        PWR_design copy = design;
        benchmark::DoNotOptimize(PWR_get_power_for_two_stage_method(&copy, 0));
    }
#ifdef VANTOR_COUNT_INTEGRAND
    state.counters["integrand_evals"] =
        benchmark::Counter(static_cast<double>(integrand_evaluations() - evaluations_before),
                           benchmark::Counter::kAvgIterations);
#endif
}

// The design searches' quick power of the same design (method 1 or 2), its
// second-decision level derived by the quick route (argument 1) or given.
void BM_quick_two_stage(benchmark::State &state) {
    PWR_design design = example_design();
    design.method = static_cast<std::int32_t>(state.range(0));
    design.alpha[0] = 0.01;
    const bool derive = state.range(1) != 0;
    const double weight = PWR_joint_weight(&design);
    const auto level = [&] {
        return design.method == PWR_METHOD_JOINT
                   ? PWR_quick_joint_stage1_level(design.alpha[0], 5e-8, weight)
                   : PWR_quick_product_stage1_level(design.alpha[0], 5e-8);
    };
    design.alpha[1] = level();
    for (auto _ : state) {
        if (derive) {
            design.alpha[1] = level();
        }
        benchmark::DoNotOptimize(PWR_quick_two_stage_power(&design));
    }
}

}  // namespace

// ---- Simulated power: the time per simulated study ------------------------

// Hardy-Weinberg genotypes of risk-allele rate 0.3 among controls, a
// multiplicative effect of odds ratio 1.2 among cases (rate 0.3396).
SIM_groups simulated_groups(std::int32_t draws) {
    SIM_groups groups{};
    groups.draws = draws;
    groups.control_rate = 0.3;
    groups.case_rate = 0.3396226415;
    const double q0 = groups.control_rate;
    const double q1 = groups.case_rate;
    const double controls[3] = {(1 - q0) * (1 - q0), 2 * q0 * (1 - q0), q0 * q0};
    const double cases[3] = {(1 - q1) * (1 - q1), 2 * q1 * (1 - q1), q1 * q1};
    for (int g = 0; g < 3; ++g) {
        groups.cases[g] = cases[g];
        groups.controls[g] = controls[g];
    }
    return groups;
}

// 2,000 + 2,000 people at level 0.05: test -1 the allelic test on allele
// counts, 0-4 the tests on genotype counts (GEN_ALLELIC ... GEN_GENOTYPIC).
void BM_simulated_single_stage(benchmark::State &state) {
    const auto test = static_cast<std::int32_t>(state.range(0));
    const bool alleles = test < 0;
    const SIM_groups groups = simulated_groups(alleles ? SIM_ALLELE_COUNTS : SIM_GENOTYPE_COUNTS);
    const std::int64_t count = alleles ? 4000 : 2000;
    SIM_run run{};
    run.replicates = 100000;
    run.seed = 1;
    SIM_result result{};
    for (auto _ : state) {
        SIM_single_stage_power(&groups, alleles ? GEN_ALLELIC : test, PWR_VARIANCE_POOLED, 0.05,
                               count, count, &run, &result);
        benchmark::DoNotOptimize(result.power);
    }
    state.SetItemsProcessed(state.iterations() * run.replicates);
}

// The recessive example: 10^6 studies of 4,053 + 15,760 people, genotypic test.
void BM_simulated_recessive_example(benchmark::State &state) {
    ASK_request *request = ASK_request_new();
    const std::pair<const char *, double> numbers[] = {
        {"frequency", 0.081}, {"prevalence", 0.0127}, {"relative_risk", 2.597}, {"cases", 4053},
        {"controls", 15760},  {"alpha", 5e-8},        {"replicates", 1e6}};
    for (const auto &[name, value] : numbers) {
        ASK_give(request, ASK_input_index(name), value);
    }
    ASK_give_word(request, ASK_input_index("model"), "recessive");
    ASK_give_word(request, ASK_input_index("test"), "genotypic");
    ASK_answer answers[ASK_MOST_ANSWERS];
    for (auto _ : state) {
        ASK_answer_request(request, answers);
        benchmark::DoNotOptimize(answers[0].simulated_power);
    }
    ASK_request_free(request);
    state.SetItemsProcessed(state.iterations() * 1000000);
}

// Two stages of 2,000 + 2,000 people each (allele counts), stage 1 at 1e-3.
void BM_simulated_two_stages(benchmark::State &state) {
    const SIM_groups groups = simulated_groups(SIM_ALLELE_COUNTS);
    SIM_two_stages design{static_cast<std::int32_t>(state.range(0)),
                          {1e-3, 1e-5, 5e-8},
                          0.5,
                          {4000, 4000},
                          {4000, 4000}};
    SIM_run run{};
    run.replicates = 100000;
    run.seed = 1;
    SIM_result result{};
    for (auto _ : state) {
        SIM_two_stage_power(&groups, PWR_VARIANCE_POOLED, &design, &run, &result);
        benchmark::DoNotOptimize(result.power);
    }
    state.SetItemsProcessed(state.iterations() * run.replicates);
}

BENCHMARK(BM_pnorm);
BENCHMARK(BM_normal_upper_tail);
BENCHMARK(BM_gcf_tail);
BENCHMARK(BM_noncentral_chi_square_genotypic);
BENCHMARK(BM_two_term_chi_square);
BENCHMARK(BM_qnorm);
BENCHMARK(BM_pnorm_numerical);
BENCHMARK(BM_single_stage_power);
BENCHMARK(BM_power_asked_by_name);
BENCHMARK(BM_power_asked_of_study);
BENCHMARK(BM_simulated_single_stage)->ArgName("test")->DenseRange(-1, 4);
BENCHMARK(BM_simulated_recessive_example)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_simulated_two_stages)->ArgName("method")->DenseRange(0, 2);
BENCHMARK(BM_disease_model_power)->ArgName("test")->DenseRange(0, 4);
BENCHMARK(BM_limit_search);
BENCHMARK(BM_solve_cases_for_ratio)->ArgName("ratio_x10")->Arg(10)->Arg(20);
BENCHMARK(BM_solve_cases_for_controls);
BENCHMARK(BM_solve_odds_ratio_above_one);
BENCHMARK(BM_solve_odds_ratio_below_one);
BENCHMARK(BM_design_smallest_total)
    ->ArgName("method")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_design_cheapest)->ArgName("method")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_design_most_powerful)
    ->ArgName("method")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_design_planned)->ArgName("plan")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_design_genotype_test)
    ->ArgName("method")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_two_stage)
    ->ArgNames({"method", "derived"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_quick_two_stage)
    ->ArgNames({"method", "derived"})
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The quantile reports "MIN_FLAG" for a probability of 0, which method-2
// calls at genome-wide levels reach several times per call. The benchmark
// drops the reports: written on standard output they would split the table.
int main(int argc, char **argv) {
    MTH_set_report_hook({drop_report, nullptr});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
