/* The package's .Call routines (vantor_r.c), registered in init.c. */
#ifndef VANTOR_R_H
#define VANTOR_R_H

#include <Rinternals.h>

SEXP vantor_single_power(SEXP inputs, SEXP unit, SEXP statistic);
SEXP vantor_size(SEXP inputs, SEXP unit, SEXP mode, SEXP statistic);
SEXP vantor_odds_ratio(SEXP inputs, SEXP unit, SEXP mode, SEXP statistic);
SEXP vantor_two_stage_power(SEXP inputs, SEXP unit, SEXP statistic);
SEXP vantor_design(SEXP inputs, SEXP unit, SEXP mode, SEXP statistic);
SEXP vantor_messages(SEXP reasons);
SEXP vantor_status_names(SEXP statuses);
SEXP vantor_library_version(void);
SEXP vantor_check_statistic(SEXP statistic);
SEXP vantor_report_for_test(SEXP inputs);
SEXP vantor_hook_installed_for_test(void);

#endif
