# Every refused input stops naming the argument, with the library's words.
expect_refused <- function(call, argument, words) {
    expect_error(call, paste0("invalid '", argument, "'.*", words))
}

test_that("single-stage arguments out of range stop with the library's words", {
    cases_words <- "the number of cases must be a whole number from 1 to 2147483647 alleles"
    expect_refused(vantor_power(0, 10, 1.3, 0.3), "cases", cases_words)
    expect_refused(vantor_power(10.5, 10, 1.3, 0.3), "cases", cases_words)
    expect_refused(vantor_power(1073741824, 10, 1.3, 0.3), "cases", cases_words)
    expect_refused(vantor_power(10, c(1, -1), 1.3, 0.3), "controls",
                   "the number of controls must be")
    expect_refused(vantor_power(10, 10, 1, 0.3), "odds_ratio",
                   "the odds ratio must be a positive number other than 1")
    expect_refused(vantor_power(10, 10, Inf, 0.3), "odds_ratio", "odds ratio")
    expect_refused(vantor_power(10, 10, 1.3, 1), "rate",
                   "the risk-allele rate among controls must lie strictly between 0 and 1")
    expect_refused(vantor_power(10, 10, 1.3, 0.3, alpha = 1e-13), "alpha",
                   "the significance level must be at least 1e-12 and below 1")
    expect_refused(vantor_sample_size(1.3, 0.3, alpha = 0.05, power = 0.01, controls = 10),
                   "power", "the target power must be above the significance level and below 1")
    expect_refused(vantor_sample_size(1.3, 0.3, controls_per_case = 0), "controls_per_case",
                   "the ratio of the two groups must be a positive number")
    expect_refused(vantor_sample_size(1.3, 0.3, cases_per_control = -2), "cases_per_control",
                   "the ratio of the two groups")
    expect_refused(vantor_sample_size(1.3, 0.3, cases = 0), "cases", cases_words)
    expect_refused(vantor_odds_ratio(10, 10, rate = 0), "rate", "risk-allele rate")
    expect_error(vantor_power(10, 10, 1.3, c(0.3, 2, 0.3)), "element 2")
})

test_that("two-stage arguments out of range stop with the library's words", {
    power <- function(...) {
        arguments <- list(cases1 = 10, controls1 = 10, cases2 = 10, controls2 = 10,
                          odds_ratio = 1.3, rate = 0.3, alpha = 5e-8, alpha_stage1 = 1e-3)
        do.call(vantor_two_stage_power, utils::modifyList(arguments, list(...)))
    }
    expect_refused(power(method = 3), "method",
                   "the two-stage method must be 0 \\(replication\\)")
    expect_refused(power(method = "replication"), "method", "the names are")
    expect_refused(power(cases2 = 0), "cases2", "the number of cases")
    expect_refused(power(controls1 = 0.5), "controls1", "the number of controls")
    expect_refused(power(alpha_stage1 = 5e-8), "alpha_stage1",
                   "the first-stage level must be below 1 and leave room")
    expect_refused(vantor_smallest_total(1.3, 0.3, stage1_share = 1, alpha_stage1 = 1e-3),
                   "stage1_share", "share")
    expect_refused(vantor_smallest_total(1.3, 0.3, stage1_share = 0.5, alpha_stage1 = 1e-3,
                                         case_fraction = 0), "case_fraction", "fraction")
    expect_refused(vantor_cheapest_design(1.3, 0.3, cost_ratio = 0), "cost_ratio", "cost")
    expect_refused(vantor_most_powerful_design(budget = Inf, 1.3, 0.3), "budget", "budget")
})

test_that("wrong types, lengths and units stop naming the argument", {
    expect_error(vantor_power("10", 10, 1.3, 0.3), "invalid 'cases': must be a numeric vector")
    expect_error(vantor_power(10, 10, factor(1), 0.3), "invalid 'odds_ratio'")
    expect_error(vantor_power(10, numeric(), 1.3, 0.3), "invalid 'controls': must not be empty")
    expect_error(vantor_power(1:3, 10, 1.3, c(0.3, 0.4)),
                 "invalid 'rate': its length 2 does not recycle to 3")
    expect_error(vantor_power(10, 10, 1.3, 0.3, count = "persons"), "invalid 'count'")
    expect_error(vantor_sample_size(1.3, 0.3, controls = 10, cases = 10), "exactly one of")
    expect_error(vantor_odds_ratio(10, 10, 0.3, direction = "up"), "'arg' should be one of")
})

test_that("library reports become one warning after the computation", {
    expect_warning(reports <- vantor:::report_for_test(c(1, 2)),
                   "the vantor library reported MIN_FLAG 3 times")
    expect_identical(reports, c(1, 2))
    expect_silent(vantor:::report_for_test(c(0, 0)))
    old <- options(warn = 2)
    on.exit(options(old))
    expect_error(vantor:::report_for_test(1), "MIN_FLAG 1 time:")
    # The counting hook is gone once the call returns: nothing is printed.
    expect_silent(vantor_power(10, 10, 1.3, 0.3))
})

test_that("an interrupted call puts the previous report hook back", {
    expect_false(.Call(vantor:::C_vantor_hook_installed_for_test))
    # The elapsed-time limit is raised where a user interrupt would be, between
    # elements; 1000 cheapest joint designs take several seconds (about 10 ms
    # each).
    interrupted <- tryCatch({
        setTimeLimit(elapsed = 0.5, transient = TRUE)
        vantor_cheapest_design(rep(1.3, 1000), 0.3)
    }, error = function(e) conditionMessage(e))
    setTimeLimit()
    expect_match(interrupted, "time limit")
    expect_false(.Call(vantor:::C_vantor_hook_installed_for_test))
    expect_warning(vantor:::report_for_test(1), "MIN_FLAG 1 time:")
})
