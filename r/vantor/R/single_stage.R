#' Power of a one-stage case-control study
#'
#' The power of the two-sided allelic test (risk-allele rates of cases and
#' controls compared, normal approximation) for every combination given:
#' all numeric arguments are recycled to the longest, as R's arithmetic does.
#'
#' @param cases,controls Numbers of cases and controls: people (two alleles
#'   each) unless `count = "alleles"`; whole numbers from 1 to 1073741823
#'   people (2147483647 alleles).
#' @param odds_ratio Allelic odds ratio of cases against controls: positive
#'   and not 1.
#' @param rate Risk-allele rate (frequency) among controls, strictly between
#'   0 and 1.
#' @param alpha Two-sided significance level, from 1e-12 to below 1; the
#'   default is the genome-wide 5e-8.
#' @param count `"people"` (the default) or `"alleles"`: what `cases` and
#'   `controls` count.
#' @param statistic The allelic test's statistic: `"pooled"` (the default)
#'   takes its variance under no association from the pooled rate of cases
#'   and controls, as the allelic chi-square test does; `"unpooled"` takes
#'   each group's own rate, as the Wald statistic and many published power
#'   calculators do. Pooled is the default because it is the test
#'   association studies run (and [stats::power.prop.test()] computes).
#'   Anything else stops with the library's words.
#' @return A data frame of class `vantor_power`, one row per element, with the
#'   recycled inputs and `power`. A row with a missing input has power NA.
#'   [plot.vantor_power()] draws it.
#' @details The power is the library's `PWR_single_step_power` on allele
#'   counts (people times two). With the pooled statistic and equal groups
#'   it is the model of [stats::power.prop.test()] with `strict = TRUE` and
#'   `n` the alleles per group; the unpooled power is
#'   `pnorm(d / s - c) + pnorm(-d / s - c)`, `d` the difference of the case
#'   and control rates, `s` its standard error from each group's own rate
#'   and `c` the upper `alpha / 2` quantile.
#' @seealso [vantor_sample_size()] for the size that reaches a target power.
#' @examples
#' vantor_power(cases = 2000, controls = 2000, odds_ratio = 1.3, rate = 0.3)
#' grid <- vantor_power(cases = seq(500, 5000, 500), controls = 2000,
#'                      odds_ratio = c(1.2, 1.3), rate = 0.3, alpha = 5e-8)
#' head(grid)
#' @export
vantor_power <- function(cases, controls, odds_ratio, rate, alpha = 5e-8,
                         count = c("people", "alleles"), statistic = "pooled") {
    unit <- count_unit(count)
    code <- statistic_code(statistic)
    inputs <- recycle_numbers(list(cases = cases, controls = controls,
                                   odds_ratio = odds_ratio, rate = rate, alpha = alpha))
    result <- run_routine(C_vantor_single_power, inputs, names(inputs), unit, code)
    frame <- as.data.frame(c(inputs, result))
    attr(frame, "count") <- names(which(c(people = 2L, alleles = 1L) == unit))
    class(frame) <- c("vantor_power", "data.frame")
    frame
}

#' Sample size of a one-stage study for a target power
#'
#' The smallest number of cases (or controls) whose power reaches `power`,
#' with the other group's size fixed or in a fixed ratio. Give exactly one of
#' `controls`, `cases`, `controls_per_case` and `cases_per_control`.
#'
#' Because the power need not rise steadily with one group fixed, the answer
#' is the smallest size from which every larger size reaches the target.
#' When none does (the power levels off below it, or the size needed exceeds
#' the 32-bit allele range) the row says so in `status` and `message`; that
#' is not an error.
#'
#' @inheritParams vantor_power
#' @param power Target power: above `alpha` and below 1.
#' @param controls Fixed number of controls: solve for the cases.
#' @param cases Fixed number of cases: solve for the controls.
#' @param controls_per_case Controls per case: solve for the cases, the
#'   controls being `round(controls_per_case * cases)` (at least 1).
#' @param cases_per_control Cases per control: solve for the controls.
#' @return A data frame with the recycled inputs, `cases` and `controls` of
#'   the answer (in the unit of `count`), `achieved_power`, `status`
#'   ("found", "found with a warning", "not reachable") and the library's
#'   `message`. Answers are NA unless found.
#' @examples
#' vantor_sample_size(odds_ratio = 1.3, rate = 0.3, controls = 3000)
#' vantor_sample_size(odds_ratio = c(1.2, 1.3, 1.5), rate = 0.2,
#'                    controls_per_case = 1, power = 0.9)
#' @export
vantor_sample_size <- function(odds_ratio, rate, alpha = 5e-8, power = 0.8,
                               controls = NULL, cases = NULL, controls_per_case = NULL,
                               cases_per_control = NULL, count = c("people", "alleles"),
                               statistic = "pooled") {
    unit <- count_unit(count)
    code <- statistic_code(statistic)
    givens <- list(controls = controls, cases = cases, controls_per_case = controls_per_case,
                   cases_per_control = cases_per_control)
    given <- which(!vapply(givens, is.null, logical(1L)))
    if (length(given) != 1L) {
        stop("give exactly one of 'controls', 'cases', 'controls_per_case' and ",
             "'cases_per_control'", call. = FALSE)
    }
    inputs <- recycle_numbers(c(givens[given], list(odds_ratio = odds_ratio, rate = rate,
                                                    alpha = alpha, power = power)))
    result <- run_routine(C_vantor_size, inputs, names(inputs), unit, given - 1L, code)
    answer <- result[c("cases", "controls", "achieved_power")]
    answer[[names(givens)[given]]] <- NULL
    result_frame(inputs, answer, result, "vantor_sample_size")
}

#' The odds ratio a one-stage study detects
#'
#' The smallest odds ratio above 1 (or, with `direction = "below"`, the
#' largest below 1) such that the study's power reaches `power` there and at
#' every stronger effect.
#'
#' @inheritParams vantor_power
#' @inheritParams vantor_sample_size
#' @param direction `"above"` (the default): a risk allele, odds ratio above
#'   1; `"below"`: a protective allele.
#' @return A data frame with the recycled inputs, the detectable `odds_ratio`,
#'   its `achieved_power`, `status` and `message`. When the power levels off
#'   below the target however strong the effect, the row is "not reachable".
#' @examples
#' vantor_odds_ratio(cases = c(1000, 2000, 5000), controls = 5000, rate = 0.3)
#' vantor_odds_ratio(cases = 2000, controls = 2000, rate = 0.3, direction = "below")
#' @export
vantor_odds_ratio <- function(cases, controls, rate, alpha = 5e-8, power = 0.8,
                              direction = c("above", "below"),
                              count = c("people", "alleles"), statistic = "pooled") {
    unit <- count_unit(count)
    code <- statistic_code(statistic)
    direction <- match.arg(direction)
    inputs <- recycle_numbers(list(cases = cases, controls = controls, rate = rate,
                                   alpha = alpha, power = power))
    result <- run_routine(C_vantor_odds_ratio, inputs, names(inputs), unit,
                          if (direction == "above") 0L else 1L, code)
    result_frame(inputs, result[c("odds_ratio", "achieved_power")], result,
                 "vantor_odds_ratio")
}
