/* Every question asked through the study record answers, bit for bit, as the
 * solvers and design questions it is built on, over a grid of designs. A C
 * program: it also shows the public headers compile and link as C. Exits 0
 * when every answer agrees, 1 with the disagreements listed otherwise. */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "question/study.h"
#include "search/design.h"
#include "search/solve.h"

static int failures = 0;
static int questions = 0;

/* Bit for bit: the same value, sign of zero and not-a-number pattern. */
static int same_double(double a, double b) {
    uint64_t x = 0;
    uint64_t y = 0;
    memcpy(&x, &a, sizeof x);
    memcpy(&y, &b, sizeof y);
    return x == y;
}

static void expect(int holds, const char *what, int line) {
    ++questions;
    if (!holds) {
        ++failures;
        if (failures <= 20) {
            fprintf(stderr, "study_c_test: %s differs (grid line %d)\n", what, line);
        }
    }
}

static int same_design(const DSN_design_result *a, const DSN_design_result *b) {
    int i;
    int same = a->status == b->status && a->reason == b->reason && a->total == b->total &&
               same_double(a->stage1_weight, b->stage1_weight) && same_double(a->power, b->power) &&
               same_double(a->cost, b->cost) && a->one_stage_total == b->one_stage_total &&
               same_double(a->relative_cost, b->relative_cost) && a->evaluations == b->evaluations;
    for (i = 0; i < 2; ++i) {
        same = same && a->cases[i] == b->cases[i] && a->controls[i] == b->controls[i];
    }
    for (i = 0; i < 3; ++i) {
        same = same && same_double(a->alpha[i], b->alpha[i]);
    }
    return same;
}

static int same_size(const STU_size_result *a, const SLV_size_result *b, int32_t unit) {
    return a->status == b->status && a->reason == b->reason && a->cases == b->cases / unit &&
           a->controls == b->controls / unit && same_double(a->power, b->power) &&
           a->evaluations == b->evaluations;
}

static int same_effect(const SLV_effect_result *a, const SLV_effect_result *b) {
    return a->status == b->status && a->reason == b->reason &&
           same_double(a->odds_ratio, b->odds_ratio) && same_double(a->power, b->power) &&
           a->evaluations == b->evaluations;
}

static void single_stage(const STU_study *s, int64_t n, double per_unit, double target, int line) {
    const int32_t u = s->count;
    const double odds = s->effect.allelic.odds_ratio;
    const double rate = s->effect.allelic.control_rate;
    const int64_t partner = (int64_t)(per_unit * (double)n) + 1;
    STU_size_result size;
    SLV_size_result old_size;
    SLV_effect_result effect;
    SLV_effect_result old_effect;
    STU_power_result power;
    PWR_design design = PWR_DESIGN_INIT;

    STU_cases_for_controls(s, n, target, &size);
    SLV_cases_for_controls_with_statistic((int32_t)(n * u), odds, rate, s->alpha, target, u,
                                          s->variance, &old_size);
    expect(same_size(&size, &old_size, u), "cases for controls", line);
    STU_controls_for_cases(s, n, target, &size);
    SLV_controls_for_cases_with_statistic((int32_t)(n * u), odds, rate, s->alpha, target, u,
                                          s->variance, &old_size);
    expect(same_size(&size, &old_size, u), "controls for cases", line);
    STU_cases_for_ratio(s, per_unit, target, &size);
    SLV_cases_for_ratio_with_statistic(per_unit, odds, rate, s->alpha, target, u, s->variance,
                                       &old_size);
    expect(same_size(&size, &old_size, u), "cases for a ratio", line);
    STU_controls_for_ratio(s, per_unit, target, &size);
    SLV_controls_for_ratio_with_statistic(per_unit, odds, rate, s->alpha, target, u, s->variance,
                                          &old_size);
    expect(same_size(&size, &old_size, u), "controls for a ratio", line);

    STU_odds_ratio(s, n, partner, target, STU_ABOVE_ONE, &effect);
    SLV_odds_ratio_above_one_with_statistic((int32_t)(n * u), (int32_t)(partner * u), rate,
                                            s->alpha, target, s->variance, &old_effect);
    expect(same_effect(&effect, &old_effect), "odds ratio above one", line);
    STU_odds_ratio(s, n, partner, target, STU_BELOW_ONE, &effect);
    SLV_odds_ratio_below_one_with_statistic((int32_t)(n * u), (int32_t)(partner * u), rate,
                                            s->alpha, target, s->variance, &old_effect);
    expect(same_effect(&effect, &old_effect), "odds ratio below one", line);

    STU_power(s, n, partner, &power);
    design.odds_ratio = odds;
    design.control_rate = rate;
    design.alpha[0] = s->alpha;
    design.sample_size[0][0] = (int32_t)(n * u);
    design.sample_size[0][1] = (int32_t)(partner * u);
    expect(power.status <= VANTOR_FOUND_WITH_WARNING &&
               same_double(power.power, PWR_single_step_power(&design, 0, s->variance)),
           "power", line);
}

static void two_stage(const STU_study *s, int64_t n, double share, double target, int line) {
    const DSN_study old = {s->method,
                           s->effect.allelic.odds_ratio,
                           s->effect.allelic.control_rate,
                           s->alpha,
                           s->case_fraction,
                           s->count,
                           s->variance,
                           0,
                           {0},
                           {0}};
    const int64_t cases64[2] = {n / 3 + 1, n + 7};
    const int64_t controls64[2] = {n / 2 + 3, 2 * n};
    const int32_t cases32[2] = {(int32_t)cases64[0], (int32_t)cases64[1]};
    const int32_t controls32[2] = {(int32_t)controls64[0], (int32_t)controls64[1]};
    DSN_design_result a;
    DSN_design_result b;

    STU_two_stage_power(s, cases64, controls64, 1.0, &a);
    DSN_two_stage_power(&old, cases32, controls32, s->stage1_alpha, &b);
    expect(same_design(&a, &b), "two-stage power", line);
    STU_smallest_total(s, share, target, &a);
    DSN_smallest_total(&old, share, s->stage1_alpha, target, &b);
    expect(same_design(&a, &b), "smallest total", line);
    if (s->method != PWR_METHOD_JOINT) { /* the joint searches take a second each */
        STU_cheapest_design(s, target, 5.0, &a);
        DSN_cheapest_design(&old, target, 5.0, &b);
        expect(same_design(&a, &b), "cheapest design", line);
        STU_most_powerful_design(s, (double)(4 * n), 5.0, &a);
        DSN_most_powerful_design(&old, (double)(4 * n), 5.0, &b);
        expect(same_design(&a, &b), "most powerful design", line);
    }
}

int main(void) {
    static const double odds_ratios[] = {0.7, 1.15, 1.5, 3.0};
    static const double rates[] = {0.01, 0.3, 0.9};
    static const double alphas[] = {0.05, 1e-4, 5e-8};
    static const int64_t counts[] = {50, 2000};
    int line = 0;
    size_t o, r, a, c;
    int32_t statistic, unit, method;
    for (o = 0; o < sizeof odds_ratios / sizeof *odds_ratios; ++o) {
        for (r = 0; r < sizeof rates / sizeof *rates; ++r) {
            for (a = 0; a < sizeof alphas / sizeof *alphas; ++a) {
                for (c = 0; c < sizeof counts / sizeof *counts; ++c) {
                    for (statistic = 0; statistic <= 1; ++statistic) {
                        for (unit = 1; unit <= 2; ++unit) {
                            STU_study s;
                            STU_study_init(&s);
                            s.effect.allelic.odds_ratio = odds_ratios[o];
                            s.effect.allelic.control_rate = rates[r];
                            s.alpha = alphas[a];
                            s.variance = statistic;
                            s.count = unit;
                            ++line;
                            single_stage(&s, counts[c], 0.5 + (double)c, 0.8, line);
                            /* The two-stage searches cost more: half the grid,
                             * the joint analysis away from the weakest effect. */
                            if (statistic != unit - 1) {
                                continue;
                            }
                            for (method = 0; method <= 2; ++method) {
                                if (method == PWR_METHOD_JOINT && o == 1) {
                                    continue;
                                }
                                s.method = method;
                                s.stage1_alpha = alphas[a] < 1e-3 ? 1e-3 : 0.2;
                                s.case_fraction = method == 1 ? 1.0 / 3.0 : 0.5;
                                two_stage(&s, counts[c], 0.3, 0.8, line);
                            }
                        }
                    }
                }
            }
        }
    }
    printf("%d questions, %d disagreements\n", questions, failures);
    return failures == 0 ? 0 : 1;
}
