# Two-stage studies. Stage 1 is typed first on every marker, stage 2 only on
# the markers that pass stage 1 at level `alpha_stage1`; `alpha` is the
# overall level and the level of the second decision, `alpha_stage2`, is
# derived from the two (the library calls the stages 0 and 1).

method_names <- c("separate", "product", "joint")

# The columns of a design result that a question reports, named for R.
design_answer <- function(result, drop) {
    result[setdiff(c("total", "cases_stage1", "controls_stage1", "cases_stage2",
                     "controls_stage2", "stage1_share", "alpha_stage1", "alpha_stage2",
                     "achieved_power", "cost", "one_stage_total", "relative_cost"), drop)]
}

# The inputs with the method as its name.
named_method <- function(inputs) {
    inputs$method <- method_names[inputs$method + 1]
    inputs
}

#' Power of a two-stage study
#'
#' The power of a two-stage design with the given counts in each stage, at
#' overall level `alpha` and stage-1 level `alpha_stage1`; the level of the
#' second decision is derived so that the whole procedure has level `alpha`.
#'
#' @inheritParams vantor_power
#' @param cases1,controls1,cases2,controls2 Cases and controls of stage 1
#'   (typed on every marker) and stage 2 (typed on the markers that pass
#'   stage 1), in the unit of `count`.
#' @param alpha Overall significance level of the two-stage procedure.
#' @param alpha_stage1 Level at which stage 1 passes a marker: at least
#'   `2 * alpha` for methods "separate" and "joint", above `alpha` for
#'   "product"; below 1.
#' @param method The analysis: `"joint"` (joint statistic of both stages,
#'   the default), `"separate"` (each stage tested by itself, replication) or
#'   `"product"` (product of the stages' p-values); or the library's numbers
#'   0 (separate), 1 (product), 2 (joint). Recycled like the numbers.
#' @return A data frame with the recycled inputs, the `total` count, the
#'   weight `stage1_share` (stage 1's share of the effective size), the derived
#'   `alpha_stage2`, `achieved_power`, the genotyping `cost` per marker
#'   (`n1 + alpha_stage1 * n2`), `status` and `message`. The joint analysis
#'   takes each stage's mean from both groups and weighs stage 1 by its share
#'   of the effective size, so unequal groups are exact.
#' @param statistic The allelic test's statistic, as for [vantor_power()]:
#'   `"pooled"` (the default) or `"unpooled"`. The replication analysis
#'   (`"separate"`) and the one-stage comparison of the design functions
#'   honour it; the product and joint analyses use each stage's statistic
#'   with unit variance, the same either way.
#' @examples
#' vantor_two_stage_power(cases1 = 1000, controls1 = 1000, cases2 = 2000,
#'                        controls2 = 2000, odds_ratio = 1.3, rate = 0.3,
#'                        alpha = 5e-8, alpha_stage1 = 1e-3)
#' @export
vantor_two_stage_power <- function(cases1, controls1, cases2, controls2, odds_ratio, rate,
                                   alpha = 5e-8, alpha_stage1, method = "joint",
                                   count = c("people", "alleles"), statistic = "pooled") {
    unit <- count_unit(count)
    code <- statistic_code(statistic)
    inputs <- recycle_numbers(list(method = method_numbers(method), odds_ratio = odds_ratio,
                                   rate = rate, alpha = alpha, alpha_stage1 = alpha_stage1,
                                   cases1 = cases1, controls1 = controls1, cases2 = cases2,
                                   controls2 = controls2))
    checked <- c("method", "odds_ratio", "rate", "alpha", "cases1", "controls1", "cases2",
                 "controls2", "alpha_stage1")
    result <- run_routine(C_vantor_two_stage_power, inputs, checked, unit, code)
    answer <- design_answer(result, c("cases_stage1", "controls_stage1", "cases_stage2",
                                      "controls_stage2", "alpha_stage1", "one_stage_total",
                                      "relative_cost"))
    result_frame(named_method(inputs), answer, result, "vantor_design")
}

# Runs a design question: `given` are its own inputs, in the library's order
# (target or budget, stage-1 share, stage-1 level, cost ratio), zeros where
# unread.
design_question <- function(mode, method, odds_ratio, rate, alpha, case_fraction, given,
                            checked, unit, statistic) {
    code <- statistic_code(statistic)
    study <- list(method = method_numbers(method), odds_ratio = odds_ratio, rate = rate,
                  alpha = alpha, case_fraction = case_fraction)
    inputs <- recycle_numbers(c(study, given))
    all_inputs <- c(inputs[names(study)], list(target = 0, share = 0, alpha_stage1 = 0,
                                               cost_ratio = 0))
    all_inputs <- lapply(all_inputs, rep_len, length(inputs$method))
    position <- c(power = "target", budget = "target", stage1_share = "share",
                  alpha_stage1 = "alpha_stage1", cost_ratio = "cost_ratio")
    for (name in names(given)) {
        all_inputs[[position[[name]]]] <- inputs[[name]]
    }
    result <- run_routine(C_vantor_design, all_inputs, c(names(study), checked), unit, mode,
                          code)
    list(inputs = named_method(inputs), result = result)
}

#' Smallest total of a two-stage study for a target power
#'
#' The smallest total count (both stages, both groups) whose two-stage power
#' reaches `power`, with stage 1 holding the share `stage1_share` of it and
#' passing markers at `alpha_stage1`.
#'
#' @inheritParams vantor_two_stage_power
#' @param power Target power: above `alpha` and below 1.
#' @param stage1_share Stage 1's share of the total, strictly between 0 and 1.
#' @param case_fraction Cases' share of each stage, strictly between 0 and 1.
#' @return A data frame with the recycled inputs, the design (`total`, the
#'   four counts, `alpha_stage2`), its `achieved_power`, `cost`, `status`
#'   and `message`.
#' @examples
#' vantor_smallest_total(odds_ratio = 1.3, rate = 0.3, stage1_share = 0.4,
#'                       alpha_stage1 = 1e-3)
#' @export
vantor_smallest_total <- function(odds_ratio, rate, alpha = 5e-8, power = 0.8, stage1_share,
                                  alpha_stage1, method = "joint", case_fraction = 0.5,
                                  count = c("people", "alleles"), statistic = "pooled") {
    asked <- design_question(0L, method, odds_ratio, rate, alpha, case_fraction,
                             list(power = power, stage1_share = stage1_share,
                                  alpha_stage1 = alpha_stage1),
                             c("stage1_share", "alpha_stage1", "power"), count_unit(count),
                             statistic)
    answer <- design_answer(asked$result, c("stage1_share", "alpha_stage1", "one_stage_total",
                                            "relative_cost"))
    result_frame(asked$inputs, answer, asked$result, "vantor_design")
}

#' The cheapest two-stage design for a target power
#'
#' The design (stage-1 share and level, and the total) of least genotyping
#' cost per marker, `n1 + cost_ratio * alpha_stage1 * n2`, whose power
#' reaches `power`; `vantor_most_powerful_design()` answers the budget form:
#' the design of greatest power whose cost is at most `budget`.
#'
#' A method-"joint" design takes about 0.3 s per element.
#'
#' @inheritParams vantor_smallest_total
#' @param cost_ratio Cost of a genotype typed in stage 2 relative to one in
#'   stage 1: finite and positive.
#' @return A data frame with the recycled inputs, the design (`total`, the
#'   four counts, `stage1_share`, `alpha_stage1`, `alpha_stage2`), its
#'   `achieved_power` and `cost`, `one_stage_total` (the one-stage total of the
#'   same power at `alpha`) and `relative_cost` (cost over it), `status` and
#'   `message`.
#' @examples
#' vantor_cheapest_design(odds_ratio = 1.3, rate = 0.3, method = "separate")
#' @export
vantor_cheapest_design <- function(odds_ratio, rate, alpha = 5e-8, power = 0.8,
                                   method = "joint", cost_ratio = 1, case_fraction = 0.5,
                                   count = c("people", "alleles"), statistic = "pooled") {
    asked <- design_question(1L, method, odds_ratio, rate, alpha, case_fraction,
                             list(power = power, cost_ratio = cost_ratio),
                             c("power", "cost_ratio"), count_unit(count), statistic)
    result_frame(asked$inputs, design_answer(asked$result, character()), asked$result,
                 "vantor_design")
}

#' @rdname vantor_cheapest_design
#' @param budget Genotyping budget per marker, in the unit of `count`:
#'   finite and positive. A budget too small for one case and one control in
#'   each stage gives a "not reachable" row.
#' @examples
#' vantor_most_powerful_design(budget = 3000, odds_ratio = 1.3, rate = 0.3,
#'                             method = "separate")
#' @export
vantor_most_powerful_design <- function(budget, odds_ratio, rate, alpha = 5e-8,
                                        method = "joint", cost_ratio = 1, case_fraction = 0.5,
                                        count = c("people", "alleles"), statistic = "pooled") {
    asked <- design_question(2L, method, odds_ratio, rate, alpha, case_fraction,
                             list(budget = budget, cost_ratio = cost_ratio),
                             c("budget", "cost_ratio"), count_unit(count), statistic)
    result_frame(asked$inputs, design_answer(asked$result, character()), asked$result,
                 "vantor_design")
}
