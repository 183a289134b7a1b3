/* Power of one case-control design, from C.
 *
 * Prints two lines:
 *   single-stage power=<p>
 *   two-stage method=0 power=<p> alpha=<a0>,<a1>,<a2>
 * The two-stage call is given the first-stage and overall levels and derives
 * the second-stage level, which it writes back into the design. */
#include <stdio.h>
#include <string.h>

#include "power/power_func.h"

/* The level a two-stage call works out for itself. */
#define DERIVE_LEVEL (-1.0)

static PWR_design make_design(void) {
    PWR_design design;
    memset(&design, 0, sizeof design);
    design.control_rate = 0.3;
    design.odds_ratio = 1.3;
    design.sample_size[0][0] = 1000; /* stage 0 cases */
    design.sample_size[0][1] = 1000; /* stage 0 controls */
    design.sample_size[1][0] = 2000; /* stage 1 cases */
    design.sample_size[1][1] = 2000; /* stage 1 controls */
    return design;
}

static void print_single_stage_power(void) {
    PWR_design design = make_design();
    design.alpha[0] = 0.05;
    printf("single-stage power=%f\n", PWR_get_power_for_single_step(&design, 0));
}

static void print_two_stage_power(void) {
    PWR_design design = make_design();
    design.method = 0;
    design.alpha[0] = 0.01;
    design.alpha[1] = DERIVE_LEVEL;
    design.alpha[2] = 0.0001;
    const double power = PWR_get_power_for_two_stage_method(&design, 0);
    printf("two-stage method=0 power=%f alpha=%g,%g,%g\n", power, design.alpha[0], design.alpha[1],
           design.alpha[2]);
}

int main(void) {
    print_single_stage_power();
    print_two_stage_power();
    return 0;
}
