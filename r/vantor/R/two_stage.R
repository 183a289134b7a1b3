# Two-stage studies. Stage 1 genotypes every marker, stage 2 only the markers
# that pass stage 1's level `stage1_alpha`; `alpha` is the overall level and
# the final decision's level, `final_alpha`, is derived from the two.

#' Power of a two-stage study
#'
#' The power and genotyping cost of a two-stage design, given its counts per
#' stage or a total and stage 1's share of it, at the overall level `alpha`
#' and stage 1's level `stage1_alpha`; the final decision's level is derived
#' so that the whole procedure has level `alpha`.
#'
#' @inheritParams vantor_power
#' @param stage1_cases,stage1_controls,stage2_cases,stage2_controls Cases and
#'   controls of stage 1 (genotyped on every marker) and stage 2 (on the
#'   markers that pass stage 1), in the unit of `count`. Give these four, or
#'   `total` and `stage1_share`.
#' @param alpha Overall significance level of the two-stage procedure
#'   (study-wide with more than one marker); not given, the library's default
#'   for `markers`: 5e-8 for one marker, 0.05 for more.
#' @param test The test of each stage: `"allelic"` (the library's default), or
#'   with a disease model counting people `"trend"`, `"dominant"` or
#'   `"recessive"`; `"genotypic"` (two degrees of freedom) has no two-stage
#'   analysis and is refused (`GENOTYPIC_ONE_STAGE`).
#' @param markers The number of markers tested, or the effective number of
#'   independent tests (any real number from 1; the library's default 1): it divides the
#'   overall level `alpha` (the design's own `alpha` column is then the
#'   per-marker overall level); `stage1_alpha` is already a per-marker share.
#' @param stage1_alpha The level at which stage 1 passes a marker on to stage
#'   2 (also the share of markers without effect stage 2 genotypes): at least
#'   `2 * alpha` for "replication" and "joint", above `alpha` for "product";
#'   below 1.
#' @param method The analysis: `"joint"` (the joint statistic of both stages),
#'   `"replication"` (stage 2 tests by itself the markers stage
#'   1 passed) or `"product"` (the product of the stages' p-values); not
#'   given, the library's default, `"joint"`.
#' @param cost_ratio Cost of a stage 2 genotype against a stage 1 one: finite
#'   and positive; not given, the library's default 1.
#' @param total,stage1_share Everyone of both stages (in the unit of `count`)
#'   and stage 1's share of it, strictly between 0 and 1: each stage has
#'   `case_fraction` of its people as cases (halves rounded up), so 1,000
#'   people with `stage1_share = 0.3` are 150 cases and 150 controls in stage
#'   1, 350 and 350 in stage 2.
#' @param case_fraction Cases' share of each stage, strictly between 0 and 1
#'   (the library's default 0.5); read with `total` and `stage1_share` only.
#' @param variance As for [vantor_power()]. The replication analysis, the
#'   one-stage comparison of the design functions and every analysis of a
#'   genotype test honour it; the allelic test's product and joint analyses
#'   use each stage's statistic with unit variance, the same either way.
#' @param stage1_cost_per_person,stage2_cost_per_person,stage2_cost_per_genotype,stage1_fixed_cost,stage2_fixed_cost
#'   Costs in money, in the planner's own unit, instead of `cost_ratio`
#'   (given together, refused: `COSTS_TWO_WAYS`); people are counted
#'   (`count = "people"`). `stage1_cost_per_person` is a person's cost in
#'   stage 1 (the array), required with any other; `stage2_cost_per_person`
#'   a person's in stage 2 beside the assays (samples, DNA, handling);
#'   `stage2_cost_per_genotype` one person's assay of one marker, which needs
#'   `markers` above 1; `stage1_fixed_cost` and `stage2_fixed_cost` each
#'   stage's fixed cost. Finite and at least 0 (stage 1's per person above
#'   0); not given, the library's 0. Given, the columns `cost_in_money` (the
#'   fixed costs, stage 1's people at their cost and stage 2's at theirs plus
#'   the genotypes of its `markers * stage1_alpha` markers) and
#'   `one_stage_cost_in_money` (everyone of the one-stage total on the array,
#'   with stage 1's fixed cost; NA where no one-stage total is worked out)
#'   are shown.
#' @details With a disease model instead of an odds ratio and control rate,
#'   the analyses run on the odds ratio and control rate at its marker
#'   (`marker_odds_ratio` and `marker_control_rate` of [vantor_power()]), bit
#'   for bit as if those were given.
#' @return A data frame of class `vantor_design` with the inputs given,
#'   then the design: `total`, the four counts, `stage1_weight` (stage 1's
#'   share of the joint statistic's information), `stage1_alpha`, the derived
#'   `final_alpha`, `alpha`, `power`, the genotyping `cost` per marker (stage
#'   1's total plus `cost_ratio * stage1_alpha` times stage 2's),
#'   `one_stage_total` and `relative_cost` (NA here: the design questions fill
#'   them), `evaluations`, the counting unit `count`, `status`, `reason` and
#'   `message`; with costs in money, `cost_in_money` and
#'   `one_stage_cost_in_money` before `direction`.
#' @examples
#' vantor_two_stage_power(stage1_cases = 1000, stage1_controls = 1000,
#'                        stage2_cases = 2000, stage2_controls = 2000,
#'                        odds_ratio = 1.3, control_rate = 0.3, stage1_alpha = 1e-3)
#' vantor_two_stage_power(total = 1000, stage1_share = 0.3, odds_ratio = 1.3,
#'                        control_rate = 0.3, stage1_alpha = 1e-3)
#' vantor_two_stage_power(total = 6000, stage1_share = 0.4, frequency = 0.2,
#'                        prevalence = 0.1, relative_risk = 1.5, r_squared = 0.8,
#'                        stage1_alpha = 1e-3)
#' @export
vantor_two_stage_power <- asking(c("stage1_cases", "stage1_controls", "stage2_cases",
                                   "stage2_controls", "odds_ratio", "control_rate", "alpha",
                                   "stage1_alpha", "method", "cost_ratio", "total", "stage1_share",
                                   "case_fraction", study_arguments, money_arguments),
                                 "vantor_design", list(stages = 2, solve = "power"))

#' Smallest total of a two-stage study for a target power
#'
#' The smallest total (both stages, both groups) whose two-stage power
#' reaches `target_power`, with stage 1 holding the share `stage1_share` of it
#' and passing markers at `stage1_alpha`.
#'
#' @inheritParams vantor_two_stage_power
#' @inheritParams vantor_sample_size
#' @param stage1_share Stage 1's share of the total, strictly between 0 and 1.
#' @param cases_available,controls_available,stage1_controls_available,stage2_controls_available
#'   The people there are, whom the answer keeps within: cases and controls
#'   for both stages together, controls for stage 1 (shared controls, say)
#'   and for stage 2, in people (the unit of `count`). Not given, not
#'   limited. A smallest total keeps `case_fraction`; with people limited and
#'   no `case_fraction` given, the design functions choose each stage's
#'   cases' share.
#' @param panel The most markers stage 2 can type: `markers * stage1_alpha`,
#'   the markers without effect expected to pass stage 1, stays within it.
#'   Needs `markers` above 1; not given, not limited. Given, or any people
#'   available, the columns `stage1_case_fraction`, `stage2_case_fraction`,
#'   `stage2_markers` and `binding_limit` are shown: the limit the design
#'   uses to within 1 % (`"none"`, `"cases_available"`,
#'   `"controls_available"`, `"stage1_controls_available"`,
#'   `"stage2_controls_available"` or `"panel"`).
#' @return A data frame of class `vantor_design` with the inputs given,
#'   then the design (the columns of [vantor_two_stage_power()]), its `power`,
#'   `cost` (at `cost_ratio`), the smallest one-stage total of the same power
#'   and its cost against it; with costs in money or limits, their columns.
#' @examples
#' vantor_smallest_total(odds_ratio = 1.3, control_rate = 0.3, stage1_share = 0.4,
#'                       stage1_alpha = 1e-3)
#' vantor_smallest_total(odds_ratio = 1.3, control_rate = 0.3, stage1_share = 0.4,
#'                       stage1_alpha = 1e-3, cases_available = 3000)
#' @export
vantor_smallest_total <- asking(c("odds_ratio", "control_rate", "alpha", "target_power",
                                  "stage1_share", "stage1_alpha", "method", "case_fraction",
                                  "cost_ratio", study_arguments, money_arguments,
                                  limit_arguments),
                                "vantor_design", list(stages = 2, solve = "size"))

#' The cheapest two-stage design for a target power
#'
#' The design (stage 1's share and level, and the total) of least genotyping
#' cost per marker, stage 1's total plus `cost_ratio * stage1_alpha` times
#' stage 2's, whose power reaches `target_power`;
#' `vantor_most_powerful_design()` answers the budget form: the design of
#' greatest power whose cost is at most `budget`. The overall level must
#' leave room for a stage 1 level up to 0.5: `alpha` at most 0.25 for
#' "replication" and "joint", below 0.5 for "product".
#'
#' With costs in money (`stage1_cost_per_person`, ...) the cost weighed is
#' `cost_in_money`, and `budget` is money. With people available or a
#' `panel`, the design keeps within them, and with people limited and no
#' `case_fraction` each stage's cases' share is searched too.
#'
#' A "joint" design takes about 0.3 s per element.
#'
#' @inheritParams vantor_smallest_total
#' @inheritParams vantor_two_stage_power
#' @param stage1_alpha,stage1_share Stage 1's level and its share of the
#'   total, as for [vantor_two_stage_power()]: given, kept and not searched.
#' @return A data frame of class `vantor_design` with the inputs given,
#'   then the design (the columns of [vantor_two_stage_power()]), its `power`
#'   and `cost`, `one_stage_total` (the one-stage total of the same power at
#'   `alpha`) and `relative_cost` (the cost against it); with costs in money
#'   or limits, their columns (see the arguments).
#' @examples
#' vantor_cheapest_design(odds_ratio = 1.3, control_rate = 0.3, method = "replication")
#' # A million markers, stage 2 genotypes three times as dear, at most 2,000
#' # of them in stage 2:
#' vantor_cheapest_design(frequency = 0.25, prevalence = 0.01, relative_risk = 1.3,
#'                        markers = 1e6, cost_ratio = 3, panel = 2000)
#' @export
vantor_cheapest_design <- asking(c("odds_ratio", "control_rate", "alpha", "target_power", "method",
                                   "cost_ratio", "case_fraction", "stage1_alpha", "stage1_share",
                                   study_arguments, money_arguments, limit_arguments),
                                 "vantor_design", list(stages = 2, solve = "design"))

#' @rdname vantor_cheapest_design
#' @param budget Genotyping budget per marker, in the unit of `count`, or
#'   money with costs in money: finite and positive. A budget too small for
#'   one case and one control in each stage gives a "not reachable" row.
#' @examples
#' vantor_most_powerful_design(budget = 3000, odds_ratio = 1.3, control_rate = 0.3,
#'                             method = "replication")
#' # 500,000 in money for an array at 100 a person and assays at 0.5 a
#' # genotype, with 3,000 cases and 6,000 controls to draw on:
#' vantor_most_powerful_design(budget = 5e5, odds_ratio = 1.3, control_rate = 0.3,
#'                             markers = 1e6, stage1_cost_per_person = 100,
#'                             stage2_cost_per_genotype = 0.5, cases_available = 3000,
#'                             controls_available = 6000)
#' @export
vantor_most_powerful_design <- asking(c("odds_ratio", "control_rate", "alpha", "method", "cost_ratio",
                                        "case_fraction", "stage1_alpha", "stage1_share",
                                        study_arguments, money_arguments, limit_arguments),
                                      "vantor_design", list(stages = 2, solve = "design"),
                                      required = "budget")
