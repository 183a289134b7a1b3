/* The package's .Call routines (vantor_r.c), registered in init.c. */
#ifndef VANTOR_R_H
#define VANTOR_R_H

#include <Rinternals.h>

SEXP vantor_ask(SEXP inputs);
SEXP vantor_methods_paragraphs(SEXP inputs);
SEXP vantor_figure_caption(SEXP inputs, SEXP x, SEXP curve);
SEXP vantor_inputs(void);
SEXP vantor_reasons(void);
SEXP vantor_library_version(void);
SEXP vantor_report_for_test(SEXP counts);
SEXP vantor_hook_installed_for_test(void);

#endif
