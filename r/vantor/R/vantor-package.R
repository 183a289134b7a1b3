#' vantor: power and sample size of case-control genetic association studies
#'
#' The vantor C library's answers in R's manner: every function is vectorised
#' over its arguments with R's recycling rules, counts people (two alleles
#' each) unless `count = "alleles"`, and takes the genome-wide level 5e-8
#' unless `alpha` is given (0.05, study-wide, with more than one marker). Arguments and columns are named as the project's
#' glossary (`docs/glossary.md`) names them, and the columns are laid out from
#' the library's own description of its records.
#'
#' * [vantor_ask()]: any question, by named inputs: the library decides which
#'   one they ask; [vantor_inputs()] lists the inputs.
#' * [vantor_power()]: power of a one-stage study.
#' * [vantor_sample_size()]: cases or controls that reach a target power.
#' * [vantor_odds_ratio()]: the odds ratio a study detects.
#' * [vantor_relative_risk()]: the relative risk of a disease model a study
#'   detects.
#'
#' The effect is an allelic odds ratio and control rate, or a disease model
#' (`frequency`, `prevalence`, `model`, `relative_risk` ...; see
#' [vantor_power()]), tested with the allelic or a genotype `test` among
#' `markers` markers.
#' * [vantor_two_stage_power()]: power and cost of a two-stage study, its final
#'   level derived.
#' * [vantor_smallest_total()], [vantor_cheapest_design()],
#'   [vantor_most_powerful_design()]: designing two-stage studies.
#' * [vantor_methods()]: the methods paragraph of an answer, for a proposal.
#' * `plot()` of any answer ([plot.vantor_power()]): a figure of what was
#'   solved, with ggplot2 or base graphics.
#'
#' Every function is a thin call of [vantor_ask()]: an argument left `NULL`
#' is not given, and the library applies its own default. Every input is
#' checked by the library: one it refuses (out of range, missing, text, a
#' count that is not whole) stops with an error of class
#' `vantor_invalid_input` in the library's words, naming the element, with the reason's name (`e$reason`, e.g. `"BAD_CASES"`)
#' and the status's (`e$status`, `"INVALID_INPUT"`). A solver or design that
#' finds no answer is a row with its status ("not reachable"), reason and
#' message, not an error. Reports of the library
#' ("MIN_FLAG": the quantile of a probability of 0 or less was asked for)
#' become one warning after the computation.
#'
#' @keywords internal
#' @useDynLib vantor, .registration = TRUE, .fixes = "C_"
"_PACKAGE"

#' The version of the vantor library the package was built from
#'
#' @return A string "MAJOR.MINOR.PATCH".
#' @examples
#' vantor_library_version()
#' @export
vantor_library_version <- function() {
    .Call(C_vantor_library_version)
}
