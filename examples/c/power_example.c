/* Power of one case-control design, from C, asked by name.
 *
 * Prints three lines:
 *   single-stage power=<p>
 *   two-stage method=0 power=<p> alpha=<stage 1>,<final>,<overall>
 *   vantor <version of the library>
 * Counts are alleles here (two per person), as the two-question driver
 * vantor_mini_bin counts them. The two-stage request gives the stage 1 and
 * overall levels; the library derives the final level and answers with it. */
#include <stdio.h>

#include "vantor/vantor.h"

static void give(ASK_request *request, const char *name, double value) {
    ASK_give(request, ASK_input_index(name), value);
}

static ASK_request *allelic_request(void) {
    ASK_request *request = ASK_request_new();
    ASK_give_word(request, ASK_input_index("count"), "alleles");
    give(request, "odds_ratio", 1.3);   /* allelic odds ratio */
    give(request, "control_rate", 0.3); /* risk-allele rate among controls */
    return request;
}

static void print_single_stage_power(void) {
    ASK_request *request = allelic_request();
    give(request, "cases", 1000);
    give(request, "controls", 1000);
    give(request, "alpha", 0.05);
    ASK_answer answers[ASK_MOST_ANSWERS];
    ASK_answer_request(request, answers);
    printf("single-stage power=%f\n", ASK_result_number(&answers[0], "power"));
    ASK_request_free(request);
}

static void print_two_stage_power(void) {
    ASK_request *request = allelic_request();
    give(request, "stages", 2);
    give(request, "stage1_cases", 1000);
    give(request, "stage1_controls", 1000);
    give(request, "stage2_cases", 2000);
    give(request, "stage2_controls", 2000);
    ASK_give_word(request, ASK_input_index("method"), "replication");
    give(request, "stage1_alpha", 0.01);
    give(request, "alpha", 0.0001); /* overall; the final level is derived */
    ASK_answer answers[ASK_MOST_ANSWERS];
    ASK_answer_request(request, answers);
    const ASK_answer *a = &answers[0];
    printf("two-stage method=%d power=%f alpha=%g,%g,%g\n",
           REC_choice_code("method", "replication"), ASK_result_number(a, "power"),
           ASK_result_number(a, "stage1_alpha"), ASK_result_number(a, "final_alpha"),
           ASK_result_number(a, "alpha"));
    ASK_request_free(request);
}

int main(void) {
    print_single_stage_power();
    print_two_stage_power();
    printf("vantor %s\n", vantor_version());
    return 0;
}
