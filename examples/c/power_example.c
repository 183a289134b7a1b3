/* Power of one case-control design, from C.
 *
 * Prints three lines:
 *   single-stage power=<p>
 *   two-stage method=0 power=<p> alpha=<a0>,<a1>,<a2>
 *   vantor <version of the library>
 * The two-stage call is given the first-stage and overall levels and derives
 * the second-stage level, which it writes back into the design. */
#include <stdio.h>

#include "power/power_func.h"
#include "vantor/version.h"

static PWR_design make_design(void) {
    PWR_design design = PWR_DESIGN_INIT;
    design.control_rate = 0.3;       /* risk-allele rate among controls */
    design.odds_ratio = 1.3;         /* allelic odds ratio */
    design.sample_size[0][0] = 1000; /* stage 1 cases (index 0) */
    design.sample_size[0][1] = 1000; /* stage 1 controls */
    design.sample_size[1][0] = 2000; /* stage 2 cases (index 1) */
    design.sample_size[1][1] = 2000; /* stage 2 controls */
    return design;
}

static void print_single_stage_power(void) {
    PWR_design design = make_design();
    design.alpha[0] = 0.05;
    printf("single-stage power=%f\n", PWR_get_power_for_single_step(&design, 0));
}

static void print_two_stage_power(void) {
    PWR_design design = make_design();
    design.method = PWR_METHOD_REPLICATION;
    design.alpha[0] = 0.01;             /* first stage */
    design.alpha[1] = PWR_DERIVE_LEVEL; /* second decision: derived */
    design.alpha[2] = 0.0001;           /* overall */
    const double power = PWR_get_power_for_two_stage_method(&design, 0);
    printf("two-stage method=%d power=%f alpha=%g,%g,%g\n", (int)design.method, power,
           design.alpha[0], design.alpha[1], design.alpha[2]);
}

int main(void) {
    print_single_stage_power();
    print_two_stage_power();
    printf("vantor %s\n", vantor_version());
    return 0;
}
