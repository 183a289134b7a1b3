#' Power of a one-stage case-control study
#'
#' The power of the two-sided allelic test (risk-allele rates of cases and
#' controls compared, normal approximation) for every combination given:
#' all arguments are recycled to the longest, as R's arithmetic does.
#'
#' @param cases,controls Numbers of cases and controls: people (two alleles
#'   each) unless `count = "alleles"`; whole numbers from 1 to 1073741823
#'   people (2147483647 alleles).
#' @param odds_ratio Allelic odds ratio of the risk allele, cases against
#'   controls: positive, finite and not 1.
#' @param control_rate Risk-allele rate among controls, strictly between 0
#'   and 1.
#' @param alpha Two-sided significance level, from 1e-12 to below 1; the
#'   default is genome-wide significance, 5e-8, as in every vantor front end.
#' @param count `"people"` (the default) or `"alleles"`: what every count,
#'   given or answered, counts.
#' @param variance The variance of the allelic test's statistic under no
#'   association: `"pooled"` (the default) takes it from the pooled rate of
#'   cases and controls, as the allelic chi-square test does; `"unpooled"`
#'   from each group's own rate, as the Wald test does. Pooled is the default
#'   because it is the test association studies run (and
#'   [stats::power.prop.test()] computes).
#' @return A data frame of class `vantor_power`, one row per element: the
#'   recycled inputs, the `power`, and the answer's `status`, `reason` (its
#'   name, e.g. `"FEW_EXPECTED_ALLELES"`, or `"NONE"`) and `message` (the
#'   library's words). [plot.vantor_power()] draws it.
#' @details Every function of the package asks the vantor library's checked
#'   questions (`power/study.h`) and lays its columns out from the library's
#'   description of its records (`power/records.h`), named as
#'   `docs/glossary.md` names them.
#'
#'   The power is the library's on allele counts (people times two). With the
#'   pooled variance and equal groups it is the model of
#'   [stats::power.prop.test()] with `strict = TRUE` and `n` the alleles per
#'   group; the unpooled power is `pnorm(d / s - c) + pnorm(-d / s - c)`, `d`
#'   the difference of the case and control rates, `s` its standard error from
#'   each group's own rate and `c` the upper `alpha / 2` quantile.
#'
#'   An input the library refuses stops with an error of class
#'   `vantor_invalid_input` naming the argument and its element, in the
#'   library's words, with the fields `reason` (e.g. `"BAD_CASES"`), `status`
#'   (`"INVALID_INPUT"`), `argument` and `element`. A missing value (`NA`),
#'   text (`"0x10"`, which is not read as 16), a count that is not a whole
#'   number and an infinite value are refused like any other value out of
#'   range.
#' @seealso [vantor_sample_size()] for the size that reaches a target power.
#' @examples
#' vantor_power(cases = 2000, controls = 2000, odds_ratio = 1.3, control_rate = 0.3)
#' grid <- vantor_power(cases = seq(500, 5000, 500), controls = 2000,
#'                      odds_ratio = c(1.2, 1.3), control_rate = 0.3, alpha = 5e-8)
#' head(grid)
#' tryCatch(vantor_power(2000, 2000, 1.3, control_rate = 0),
#'          vantor_invalid_input = function(e) e$reason)
#' @export
vantor_power <- function(cases, controls, odds_ratio, control_rate, alpha = 5e-8,
                         count = c("people", "alleles"), variance = "pooled") {
    ask("power", list(cases = cases, controls = controls, odds_ratio = odds_ratio,
                      control_rate = control_rate, alpha = alpha,
                      count = first_if_all(count, "count"), variance = variance),
        "vantor_power")
}

#' Sample size of a one-stage study for a target power
#'
#' The smallest number of cases (or controls) whose power reaches
#' `target_power`, with the other group's size fixed or in a fixed ratio.
#' Give exactly one of `controls`, `cases`, `controls_per_case` and
#' `cases_per_control`.
#'
#' Because the power need not rise steadily with one group fixed, the answer
#' is the smallest size from which every larger size reaches the target.
#' When none does (the power levels off below it, or the size needed exceeds
#' the 32-bit allele range) the row says so in `status`, `reason` and
#' `message`; that is not an error.
#'
#' @inheritParams vantor_power
#' @param target_power The power to reach: above `alpha` and below 1.
#' @param controls Fixed number of controls: solve for the cases.
#' @param cases Fixed number of cases: solve for the controls.
#' @param controls_per_case Controls per case: solve for the cases, the
#'   controls being `round(controls_per_case * cases)` (at least 1).
#' @param cases_per_control Cases per control: solve for the controls.
#' @return A data frame with the recycled inputs, then the answer's `cases`
#'   and `controls` (in the unit of `count`; the one given is shown once),
#'   their `power`, the power `evaluations` the search spent, `status`
#'   ("found", "found with a warning", "not reachable"), `reason` and
#'   `message`. Counts and power are NA unless found.
#' @examples
#' vantor_sample_size(odds_ratio = 1.3, control_rate = 0.3, controls = 3000)
#' vantor_sample_size(odds_ratio = c(1.2, 1.3, 1.5), control_rate = 0.2,
#'                    controls_per_case = 1, target_power = 0.9)
#' @export
vantor_sample_size <- function(odds_ratio, control_rate, alpha = 5e-8, target_power = 0.8,
                               controls = NULL, cases = NULL, controls_per_case = NULL,
                               cases_per_control = NULL, count = c("people", "alleles"),
                               variance = "pooled") {
    givens <- list(controls = controls, cases = cases, controls_per_case = controls_per_case,
                   cases_per_control = cases_per_control)
    given <- givens[!vapply(givens, is.null, logical(1L))]
    if (length(given) != 1L) {
        stop("give exactly one of 'controls', 'cases', 'controls_per_case' and ",
             "'cases_per_control'", call. = FALSE)
    }
    question <- question_asking(c(names(given), "target_power"))
    ask(question, c(given, list(odds_ratio = odds_ratio, control_rate = control_rate,
                                alpha = alpha, target_power = target_power,
                                count = first_if_all(count, "count"), variance = variance)),
        "vantor_sample_size")
}

#' The odds ratio a one-stage study detects
#'
#' The smallest odds ratio above 1 and the largest below 1 such that the
#' study's power reaches `target_power` there and at every stronger effect.
#'
#' @inheritParams vantor_power
#' @inheritParams vantor_sample_size
#' @param direction The sides of 1 asked, each for every element: both
#'   (`c("above", "below")`, the default: two rows per element, above first),
#'   `"above"` (a risk allele) or `"below"` (a protective allele).
#' @return A data frame with the recycled inputs, the `direction`, the
#'   detectable `odds_ratio`, its `power`, the `evaluations` spent, `status`,
#'   `reason` and `message`. When the power levels off below the target
#'   however strong the effect, the row is "not reachable".
#' @examples
#' vantor_odds_ratio(cases = c(1000, 2000, 5000), controls = 5000, control_rate = 0.3)
#' vantor_odds_ratio(cases = 2000, controls = 2000, control_rate = 0.3, direction = "below")
#' @export
vantor_odds_ratio <- function(cases, controls, control_rate, alpha = 5e-8, target_power = 0.8,
                              direction = c("above", "below"), count = c("people", "alleles"),
                              variance = "pooled") {
    ask("odds_ratio", list(cases = cases, controls = controls, control_rate = control_rate,
                           alpha = alpha, target_power = target_power, direction = direction,
                           count = first_if_all(count, "count"), variance = variance),
        "vantor_odds_ratio", cross = "direction")
}
