#' The methods paragraph of an answer
#'
#' The paragraph a grant proposal or a paper needs to say how an answer was
#' reached: the design and what was solved, the test and its variance, the
#' effect (an odds ratio or the disease model), the marker, the level and its
#' correction over the markers, how the power was computed (and simulated),
#' vantor's version and a reference for each method named. The library
#' writes it from the request and its answer, so the `vantor` program's
#' `--methods`, Python's `vantor.methods()` and the page give the same words
#' for the same request.
#'
#' @param ... Named inputs, as [vantor_ask()] takes them: recycled to the
#'   longest, one request per element.
#' @return A character vector with one paragraph per row of the answer
#'   [vantor_ask()] gives for the same inputs: one per element, two for a
#'   detectable effect on both sides of 1 (above, then below). A paragraph's
#'   lines (its sentences, the version's line, the references) each end with
#'   a newline but the last; [cat()] or [writeLines()] shows it. A refused
#'   input stops with an error of class `vantor_invalid_input`, as
#'   [vantor_ask()] does.
#' @examples
#' cat(vantor_methods(cases = 2000, controls = 2000, odds_ratio = 1.3,
#'                    control_rate = 0.3, alpha = 5e-8), "\n")
#' design <- vantor_methods(stages = 2, solve = "design", frequency = 0.25,
#'                          prevalence = 0.01, relative_risk = 1.3, markers = 1e6)
#' cat(design, sep = "\n")
#' @export
vantor_methods <- function(...) {
    request <- prepared_inputs(named_inputs(list(...), "vantor_methods"))
    answer <- .Call(C_vantor_methods_paragraphs, request$all)
    stop_if_refused(answer, request$given)
    answer$columns
}
