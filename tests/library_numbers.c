/* Prints the library's numbers for a fixed grid of inputs, every double with
 * %.17g (all its bits), one line per question with what was asked. Two
 * builds of the library with other compilers or flags (CI builds one with
 * -march=x86-64-v3, where fused multiply-add is available) must print the
 * same lines: the library's results are defined to the last bit. Takes no
 * arguments; about a second. */
#include <stdio.h>

#include "numeric/MTH_noncentral_chi_square.h"
#include "numeric/MTH_normal_distribution.h"
#include "power/power_func.h"
#include "search/design.h"
#include "search/solve.h"

static void print_distributions(void) {
    for (int i = -80; i <= 80; ++i) {
        const double x = i / 10.0;
        printf("pnorm %g %.17g\n", x, MTH_pnorm(x));
        printf("pnorm_numerical %g %.17g\n", x, MTH_pnorm_numerical(x));
        printf("dnorm %g %.17g\n", x, MTH_dnorm(x));
    }
    for (int i = 1; i < 200; ++i) {
        const double p = i / 200.0;
        printf("qnorm %g %.17g\n", p, MTH_qnorm(p, 0.0));
    }
    double tail = 1.0;
    for (int e = 2; e <= 30; e += 2) {
        tail /= 100.0;
        printf("qnorm 1e-%d %.17g\n", e, MTH_qnorm(tail, 0.0));
    }
    for (int i = 1; i <= 40; ++i) {
        const double a = i / 4.0;
        printf("gammp %g %g %.17g\n", a, 2.0 * a / 3.0, gammp(a, 2.0 * a / 3.0));
    }
    static const double degrees[] = {1, 2, 3.5};
    static const double noncentralities[] = {0, 0.7, 12, 45, 480};
    for (int d = 0; d < 3; ++d) {
        for (int l = 0; l < 5; ++l) {
            for (int i = 0; i <= 12; ++i) {
                const double x = i * i * 5.0;
                printf("noncentral_chi_square %g %g %g %.17g\n", x, degrees[d], noncentralities[l],
                       MTH_noncentral_chi_square_upper(x, degrees[d], noncentralities[l]));
            }
        }
    }
}

static void print_single_stage(void) {
    static const double odds_ratios[] = {0.7, 1.1, 1.3, 2.0};
    static const double rates[] = {0.01, 0.3, 0.8};
    static const double alphas[] = {0.05, 5e-8};
    for (int n = 100; n <= 20000; n *= 3) {
        for (int o = 0; o < 4; ++o) {
            for (int r = 0; r < 3; ++r) {
                for (int a = 0; a < 2; ++a) {
                    PWR_design design = PWR_DESIGN_INIT;
                    design.sample_size[0][0] = n;
                    design.sample_size[0][1] = 2 * n;
                    design.odds_ratio = odds_ratios[o];
                    design.control_rate = rates[r];
                    design.alpha[0] = alphas[a];
                    printf("single %d %d %g %g %g %.17g\n", n, 2 * n, odds_ratios[o], rates[r],
                           alphas[a], PWR_get_power_for_single_step(&design, 0));
                }
            }
        }
    }
}

static void print_two_stage(void) {
    static const double alpha0s[] = {1e-2, 1e-3};
    for (int method = PWR_METHOD_REPLICATION; method <= PWR_METHOD_JOINT; ++method) {
        for (int s = 1; s <= 3; ++s) {
            for (int a = 0; a < 2; ++a) {
                PWR_design design = PWR_DESIGN_INIT;
                design.method = method;
                design.sample_size[0][0] = design.sample_size[0][1] = 1000 * s;
                design.sample_size[1][0] = design.sample_size[1][1] = 4000;
                design.odds_ratio = 1.3;
                design.control_rate = 0.3;
                design.alpha[0] = alpha0s[a];
                design.alpha[1] = PWR_DERIVE_LEVEL;
                design.alpha[2] = 5e-8;
                const double power = PWR_get_power_for_two_stage_method(&design, 0);
                printf("two-stage %d %d %g %.17g %.17g\n", method, 1000 * s, alpha0s[a], power,
                       design.alpha[1]);
            }
        }
    }
}

static void print_size(const char *question, const SLV_size_result *r) {
    printf("%s %d %d %d %.17g\n", question, r->status, r->cases, r->controls, r->power);
}

static void print_effect(const char *question, const SLV_effect_result *r) {
    printf("%s %d %.17g %.17g\n", question, r->status, r->odds_ratio, r->power);
}

static void print_solvers(void) {
    static const double odds_ratios[] = {1.1, 1.3, 1.8};
    for (int o = 0; o < 3; ++o) {
        SLV_size_result size;
        SLV_cases_for_ratio(1.0, odds_ratios[o], 0.3, 5e-8, 0.8, VANTOR_COUNT_PEOPLE, &size);
        print_size("cases_for_ratio", &size);
        SLV_cases_for_controls(20000, odds_ratios[o], 0.2, 1e-4, 0.9, VANTOR_COUNT_ALLELES, &size);
        print_size("cases_for_controls", &size);
        SLV_controls_for_cases(30000, odds_ratios[o], 0.4, 5e-8, 0.8, VANTOR_COUNT_PEOPLE, &size);
        print_size("controls_for_cases", &size);
    }
    for (int n = 500; n <= 8000; n *= 2) {
        SLV_effect_result effect;
        SLV_odds_ratio_above_one(n, n, 0.3, 5e-8, 0.8, &effect);
        print_effect("odds_ratio_above_one", &effect);
        SLV_odds_ratio_below_one(n, 2 * n, 0.1, 1e-3, 0.9, &effect);
        print_effect("odds_ratio_below_one", &effect);
    }
}

static void print_design(const char *question, const DSN_design_result *r) {
    printf("%s %d %lld %d %d %d %d %.17g %.17g %.17g %.17g %.17g %lld %.17g\n", question, r->status,
           (long long)r->total, r->cases[0], r->controls[0], r->cases[1], r->controls[1],
           r->stage1_weight, r->alpha[0], r->alpha[1], r->power, r->cost,
           (long long)r->one_stage_total, r->relative_cost);
}

static void print_designs(void) {
    for (int method = PWR_METHOD_REPLICATION; method <= PWR_METHOD_JOINT; ++method) {
        DSN_study study = {0, 1.3, 0.3, 5e-8, 0.5, VANTOR_COUNT_PEOPLE, PWR_VARIANCE_POOLED,
                           0, {0}, {0}};
        study.method = method;
        DSN_design_result result;
        DSN_smallest_total(&study, 0.4, 1e-3, 0.8, &result);
        print_design("smallest_total", &result);
        if (method != PWR_METHOD_JOINT) { /* the joint search takes about half a second */
            DSN_cheapest_design(&study, 0.8, 2.0, &result);
            print_design("cheapest_design", &result);
        }
    }
}

int main(void) {
    print_distributions();
    print_single_stage();
    print_two_stage();
    print_solvers();
    print_designs();
    return 0;
}
