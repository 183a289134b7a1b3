#' Power of a one-stage case-control study
#'
#' The power of the two-sided association test (the allelic test by default:
#' risk-allele rates of cases and controls compared, normal approximation)
#' for every combination given: all arguments are recycled to the longest,
#' as R's arithmetic does. The effect is an allelic odds ratio and the
#' control rate, or a disease model.
#'
#' @param cases,controls Numbers of cases and controls: people (two alleles
#'   each) unless `count = "alleles"`; whole numbers from 1 to 1073741823
#'   people (2147483647 alleles). Every argument defaults to `NULL`, not
#'   given: the library then takes its own default, named below, or refuses
#'   the question as incomplete.
#' @param odds_ratio Allelic odds ratio of the risk allele, cases against
#'   controls: positive, finite and not 1. Give it with `control_rate`, or
#'   give a disease model instead.
#' @param control_rate Risk-allele rate among controls, strictly between 0
#'   and 1.
#' @param alpha Two-sided significance level, from 1e-12 to below 1; with
#'   more than one marker the study-wide level, which the number of markers
#'   divides. Not given, the library's default for `markers`: genome-wide
#'   significance, 5e-8, for one marker (as in every vantor front end) and
#'   0.05, the study-wide level, for more.
#' @param ... Any other input of the library by its name ([vantor_inputs()]
#'   lists them): an input the function does not list is given this way, and
#'   one its question does not read is refused (`INPUT_NOT_READ`).
#' @param count `"people"` (the library's default) or `"alleles"`: what every
#'   count, given or answered, counts.
#' @param variance The variance of the allelic test's statistic under no
#'   association: `"pooled"` (the library's default) takes it from the pooled rate of
#'   cases and controls, as the allelic chi-square test does; `"unpooled"`
#'   from each group's own rate, as the Wald test does. Pooled is the default
#'   because it is the test association studies run (and
#'   [stats::power.prop.test()] computes).
#' @param calculation How a disease model's power is calculated:
#'   `"genotypes"` (the library's default for a disease model counting
#'   people) takes each group's variance under the alternative from its
#'   genotype distribution (the allelic test's, and the genotypic test's whole
#'   covariance); `"classic"` gives the published tools' formulas, the
#'   numbers of earlier versions bit for bit. An odds ratio, counts of
#'   alleles and two stages are always classic; every row shows its
#'   `calculation`.
#' @param test The association test: `"allelic"` (the library's default), `"trend"`
#'   (Cochran-Armitage), `"dominant"`, `"recessive"` or `"genotypic"` (two
#'   degrees of freedom). The genotype tests need a disease model, count
#'   people and the genotypic test has the pooled variance only.
#' @param markers The number of markers tested, or the effective number of
#'   independent tests (any real number from 1; the library's default 1): each marker is
#'   tested at `alpha / markers`, the per-marker level (`marker_alpha`).
#' @param frequency,prevalence A disease model instead of `odds_ratio` and
#'   `control_rate`: the risk allele's frequency in the population and the
#'   disease's prevalence, each strictly between 0 and 1.
#' @param model The genetic model of the genotype relative risks of 0, 1 and
#'   2 copies: `"multiplicative"` (the library's default; 1, r, r^2), `"additive"` (1,
#'   r, 2r - 1), `"dominant"` (1, r, r), `"recessive"` (1, 1, r) or `"free"`
#'   (1, `heterozygote_risk`, `homozygote_risk`).
#' @param relative_risk The genotype relative risk r of one copy for the
#'   one-parameter models: positive (at least 1/2 for `"additive"`).
#' @param heterozygote_risk,homozygote_risk The free model's relative risks
#'   of one and two copies.
#' @param controls_kind Who the controls are: `"unaffected"` (the library's default) or
#'   `"population"` (unscreened).
#' @param marker_frequency The frequency of the genotyped marker's allele
#'   coupled to the risk allele, read with `d_prime` or `r_squared` (without
#'   them the marker is the causal variant); not given, the risk allele's.
#' @param d_prime,r_squared The marker's linkage disequilibrium with the risk
#'   allele, as D' or as r^2 (from 0 to 1; give at most one). Neither: the
#'   marker is the causal variant.
#' @param replicates The number of studies to simulate, a whole number from 1
#'   to 1e9: given, the library also simulates the study each row answers
#'   (its counts and, for a detectable effect, the effect found), runs its
#'   test on every simulated study and adds the columns `replicates`, `seed`,
#'   `simulated_power` (the share that rejected) and `standard_error` (its
#'   binomial standard error). The `power` stays the formula's. Not given
#'   (`NULL`), nothing is simulated and those columns are absent.
#' @param seed The seed of the simulation's random numbers, a whole number
#'   from 0 to 2^53; not given, the library's 1. The same seed gives the same
#'   simulated power here, in Python and in the `vantor` program. Given
#'   without `replicates` it is refused (`SEED_WITHOUT_REPLICATES`).
#' @return A data frame of class `vantor_power`, one row per element: the
#'   inputs given (recycled), the `power`, what the test sees at the marker
#'   (`marker_alpha`, `marker_case_rate`, `marker_control_rate`,
#'   `marker_odds_ratio`), the level `alpha` and counting unit `count` taken,
#'   and the answer's `status`, `reason` (its name, e.g.
#'   `"FEW_EXPECTED_ALLELES"`, or `"NONE"`) and `message` (the library's
#'   words); with `replicates`, the simulation's columns before `status`.
#'   [plot.vantor_power()] draws it.
#' @details Every function of the package is [vantor_ask()] with the word
#'   its name states (`solve = "power"` here): the vantor library
#'   (`question/ask.h`) takes the arguments given as named inputs, decides the
#'   question, applies its defaults and checks every input, and the columns
#'   are laid out from its description of its records (`question/records.h`),
#'   named as `docs/glossary.md` names them.
#'
#'   The power is the library's on allele counts (people times two). With the
#'   pooled variance and equal groups it is the model of
#'   [stats::power.prop.test()] with `strict = TRUE` and `n` the alleles per
#'   group; the unpooled power is `pnorm(d / s - c) + pnorm(-d / s - c)`, `d`
#'   the difference of the case and control rates, `s` its standard error from
#'   each group's own rate and `c` the upper `alpha / 2` quantile.
#'
#'   A disease model (disease/disease_model.h) gives the genotype frequencies
#'   of cases and controls at the marker (Hardy-Weinberg equilibrium in the
#'   population, penetrances scaled to the prevalence); the allelic test on a
#'   disease model is the allelic test on the `marker_odds_ratio` and
#'   `marker_control_rate` it implies. Give the effect one way: an odds ratio
#'   with a disease model's arguments is refused.
#'
#'   An input the library refuses stops with an error of class
#'   `vantor_invalid_input` in the library's words, naming the element, e.g.
#'   `element 2: cases 2.5: the number of cases must be a whole number ...`,
#'   with the fields `reason` (e.g. `"BAD_CASES"`), `status`
#'   (`"INVALID_INPUT"`), `argument` (the refused argument, `""` when the
#'   refusal is of the question as a whole: a missing input, two
#'   descriptions of the effect) and `element` (of the refused argument as
#'   given, before recycling; else the row). A missing value (`NA`), text
#'   (`"0x10"`, which is not read as 16), a count that is not a whole number
#'   and an infinite value are refused like any other value out of range.
#' @seealso [vantor_sample_size()] for the size that reaches a target power,
#'   [vantor_relative_risk()] for the relative risk a study detects.
#' @examples
#' vantor_power(cases = 2000, controls = 2000, odds_ratio = 1.3, control_rate = 0.3)
#' grid <- vantor_power(cases = seq(500, 5000, 500), controls = 2000,
#'                      odds_ratio = c(1.2, 1.3), control_rate = 0.3, alpha = 5e-8)
#' head(grid)
#' # A disease model: prevalence 0.1, risk allele at 0.2, relative risk 1.5
#' # per copy; the marker genotyped at r^2 0.8 with it.
#' vantor_power(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
#'              relative_risk = 1.5, r_squared = c(1, 0.8))
#' vantor_power(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
#'              relative_risk = 1.5, model = "additive", test = "trend", markers = 1e6)
#' # The power of 100,000 simulated studies beside the formula's.
#' vantor_power(cases = 2000, controls = 2000, odds_ratio = 1.2, control_rate = 0.3,
#'              alpha = 0.05, replicates = 1e5, seed = 20261208)
#' tryCatch(vantor_power(2000, 2000, 1.3, control_rate = 0),
#'          vantor_invalid_input = function(e) e$reason)
#' @export
vantor_power <- asking(c("cases", "controls", "odds_ratio", "control_rate", "alpha", study_arguments,
                         "calculation"),
                       "vantor_power", list(solve = "power"))

#' Sample size of a one-stage study for a target power
#'
#' The smallest number of cases (or controls) whose power reaches
#' `target_power`, with the other group's size fixed or in a fixed ratio.
#' Give exactly one of `controls`, `cases`, `controls_per_case` and
#' `cases_per_control` (the library refuses any other number of them).
#'
#' Because the power need not rise steadily with one group fixed, the answer
#' is the smallest size from which every larger size reaches the target.
#' When none does (the power levels off below it, or the size needed exceeds
#' the 32-bit allele range) the row says so in `status`, `reason` and
#' `message`; that is not an error.
#'
#' @inheritParams vantor_power
#' @param target_power The power to reach: above `alpha` and below 1; not
#'   given, the library's default 0.8.
#' @param controls Fixed number of controls: solve for the cases.
#' @param cases Fixed number of cases: solve for the controls.
#' @param controls_per_case Controls per case: solve for the cases, the
#'   controls being `round(controls_per_case * cases)` (at least 1).
#' @param cases_per_control Cases per control: solve for the controls.
#' @return A data frame with the recycled inputs, then the answer's `cases`
#'   and `controls` (in the unit of `count`; the one given is shown once),
#'   their `power`, the power `evaluations` the search spent, what the test
#'   sees at the marker (`marker_alpha` ... `marker_odds_ratio`), `alpha`,
#'   `count`, `status`
#'   ("found", "found with a warning", "not reachable"), `reason` and
#'   `message`. Counts and power are NA unless found.
#' @examples
#' vantor_sample_size(odds_ratio = 1.3, control_rate = 0.3, controls = 3000)
#' vantor_sample_size(odds_ratio = c(1.2, 1.3, 1.5), control_rate = 0.2,
#'                    controls_per_case = 1, target_power = 0.9)
#' vantor_sample_size(frequency = 0.2, prevalence = 0.1, relative_risk = 1.5,
#'                    controls_per_case = 2)
#' @export
vantor_sample_size <- asking(c("odds_ratio", "control_rate", "alpha", "target_power", "controls",
                               "cases", "controls_per_case", "cases_per_control", study_arguments,
                               "calculation"),
                             "vantor_sample_size", list(solve = "size"))

#' The odds ratio a one-stage study detects
#'
#' The smallest odds ratio above 1 and the largest below 1 such that the
#' study's power reaches `target_power` there and at every stronger effect.
#'
#' @inheritParams vantor_power
#' @inheritParams vantor_sample_size
#' @param direction The side of 1 asked, recycled like every argument:
#'   `"above"` (a risk allele) or `"below"` (a protective allele); not given,
#'   both (two rows per element, above first).
#' @return A data frame with the inputs given, the detectable `odds_ratio`,
#'   its `power`, the `evaluations` spent, the `direction`, `alpha`, `count`,
#'   `status`, `reason` and `message`. When the power levels off below the target
#'   however strong the effect, the row is "not reachable".
#' @examples
#' vantor_odds_ratio(cases = c(1000, 2000, 5000), controls = 5000, control_rate = 0.3)
#' vantor_odds_ratio(cases = 2000, controls = 2000, control_rate = 0.3, direction = "below")
#' @export
vantor_odds_ratio <- asking(c("cases", "controls", "control_rate", "alpha", "target_power",
                              "direction", "count", "variance", "markers"),
                            "vantor_odds_ratio", list(solve = "effect"))

#' The relative risk a one-stage study detects
#'
#' The smallest genotype relative risk above 1 and the largest below 1 of a
#' one-parameter disease model (multiplicative, additive, dominant or
#' recessive; the free model has two risks and is refused) such that the
#' study's power reaches `target_power` there and at every stronger effect.
#'
#' @inheritParams vantor_power
#' @inheritParams vantor_odds_ratio
#' @return A data frame with the inputs given, the detectable
#'   `relative_risk`, its `power`, the `evaluations` spent, what the test
#'   sees at the marker there (`marker_alpha`, `marker_case_rate`,
#'   `marker_control_rate`, `marker_odds_ratio`), the `direction`, `alpha`,
#'   `count`, `status`, `reason` and `message`. When the power levels off below the target however strong the
#'   effect (or a risk would take a penetrance above 1), the row is "not
#'   reachable".
#' @examples
#' vantor_relative_risk(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1)
#' vantor_relative_risk(cases = 2000, controls = 2000, frequency = 0.3, prevalence = 0.05,
#'                      model = "dominant", test = "dominant", direction = "above")
#' @export
vantor_relative_risk <- asking(c("cases", "controls", "frequency", "prevalence", "model", "alpha",
                                 "target_power", "direction", "test", "markers", "controls_kind",
                                 "marker_frequency", "d_prime", "r_squared", "count", "variance",
                                 "calculation"),
                               "vantor_relative_risk", list(solve = "effect"))
