/* Registers the .Call routines and turns off lookup of unregistered
 * symbols, so that R calls exactly these entry points. */
#include <R.h>
#include <R_ext/Rdynload.h>
#include <Rinternals.h>

#include "vantor_r.h"

/* R keeps every routine as DL_FUNC; the cast goes through void (*)(void),
 * the type compilers accept as any function's, and R calls each routine
 * with its own number of arguments. */
#define ROUTINE(name, arguments) \
    { #name, (DL_FUNC)(void (*)(void))(&name), arguments }

static const R_CallMethodDef call_routines[] = {ROUTINE(vantor_ask, 1),
                                                ROUTINE(vantor_methods_paragraphs, 1),
                                                ROUTINE(vantor_figure_caption, 3),
                                                ROUTINE(vantor_inputs, 0),
                                                ROUTINE(vantor_reasons, 0),
                                                ROUTINE(vantor_library_version, 0),
                                                ROUTINE(vantor_report_for_test, 1),
                                                ROUTINE(vantor_hook_installed_for_test, 0),
                                                {NULL, NULL, 0}};

void R_init_vantor(DllInfo *dll) {
    R_registerRoutines(dll, NULL, call_routines, NULL, NULL);
    R_useDynamicSymbols(dll, FALSE);
    R_forceSymbols(dll, TRUE);
}
