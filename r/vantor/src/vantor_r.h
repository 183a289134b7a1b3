/* The package's .Call routines (vantor_r.c), registered in init.c. */
#ifndef VANTOR_R_H
#define VANTOR_R_H

#include <Rinternals.h>

SEXP vantor_ask(SEXP question, SEXP inputs);
SEXP vantor_questions(void);
SEXP vantor_choice_words(SEXP choice);
SEXP vantor_reasons(void);
SEXP vantor_library_version(void);
SEXP vantor_default_alpha(SEXP markers);
SEXP vantor_model_inputs(void);
SEXP vantor_report_for_test(SEXP counts);
SEXP vantor_hook_installed_for_test(void);

#endif
