# Every input is checked by the library: a refused one stops with an error of
# class "vantor_invalid_input" naming the argument and its element, in the
# library's words, with the names of the reason and the status.

test_that("the awkward inputs are refused with the project's reason and status", {
    base <- list(cases = 2000, controls = 2000, odds_ratio = 1.3, control_rate = 0.3,
                 alpha = 5e-8)
    model <- list(cases = 2000, controls = 2000, frequency = 0.3, prevalence = 0.1,
                  relative_risk = 1.3, alpha = 5e-8)
    expect_identical(do.call(vantor_power, base)$status, "found")
    expect_identical(do.call(vantor_power, model)$status, "found")
    awkward <- awkward_inputs()
    expect_gte(nrow(awkward), 12L)
    expect_true(all(awkward$effect %in% c("odds ratio", "disease model")))
    for (row in seq_len(nrow(awkward))) {
        input <- awkward[row, ]
        question <- if (input$effect == "disease model") model else base
        question[input$argument] <- list(awkward_value(input$value))
        refused <- refusal_of(do.call(vantor_power, question))
        label <- sprintf("%s = \"%s\" (%s)", input$argument, input$value, input$what)
        expect_s3_class(refused, "vantor_invalid_input")
        expect_identical(refused$reason, input$reason, label = label)
        expect_identical(refused$status, input$status, label = label)
        expect_identical(refused$argument, input$argument, label = label)
    }
    # 0x10 is text to R's functions, and text is no number however it reads.
    expect_identical(awkward_value("0x10"), "0x10")
    expect_refused(vantor_power("2000", 2000, 1.3, 0.3), "cases", "BAD_CASES")
    expect_refused(vantor_power(2000, 2000, 1.3, factor(0.3)), "control_rate",
                   "BAD_CONTROL_RATE")
})

test_that("one-stage inputs out of range are refused in the library's words", {
    expect_refused(vantor_power(0, 10, 1.3, 0.3), "cases", "BAD_CASES")
    expect_refused(vantor_power(10.5, 10, 1.3, 0.3), "cases", "BAD_CASES")
    expect_refused(vantor_power(1073741824, 10, 1.3, 0.3), "cases", "BAD_CASES")
    expect_identical(vantor_power(1073741824, 100, 1.3, 0.3, count = "alleles")$status,
                     "found")
    expect_refused(vantor_power(10, c(1, -1), 1.3, 0.3), "controls", "BAD_CONTROLS", 2L)
    expect_refused(vantor_power(10, 10, 1, 0.3), "odds_ratio", "BAD_ODDS_RATIO")
    expect_refused(vantor_power(10, 10, -Inf, 0.3), "odds_ratio", "BAD_ODDS_RATIO")
    expect_refused(vantor_power(10, 10, 1.3, 1), "control_rate", "BAD_CONTROL_RATE")
    expect_refused(vantor_power(10, 10, 1.3, 0.3, alpha = 1), "alpha", "BAD_ALPHA")
    expect_refused(vantor_power(10, 10, 1.3, 0.3, variance = "wald"), "variance",
                   "BAD_STATISTIC")
    expect_refused(vantor_power(10, 10, 1.3, 0.3, count = "persons"), "count", "BAD_UNIT")
    expect_refused(vantor_sample_size(1.3, 0.3, alpha = 0.05, target_power = 0.01,
                                      controls = 10), "target_power", "BAD_TARGET_POWER")
    expect_refused(vantor_sample_size(1.3, 0.3, controls_per_case = 0), "controls_per_case",
                   "BAD_RATIO")
    expect_refused(vantor_sample_size(1.3, 0.3, cases_per_control = -2), "cases_per_control",
                   "BAD_RATIO")
    expect_refused(vantor_sample_size(1.3, 0.3, cases = 0), "cases", "BAD_CASES")
    expect_refused(vantor_sample_size(1.3, 0.3, controls = Inf), "controls", "BAD_CONTROLS")
    expect_refused(vantor_odds_ratio(10, 10, control_rate = 0), "control_rate",
                   "BAD_CONTROL_RATE")
    expect_refused(vantor_odds_ratio(10, 10, 0.3, direction = "up"), "direction",
                   "BAD_DIRECTION")
})

test_that("two-stage inputs out of range are refused in the library's words", {
    power <- function(...) {
        arguments <- list(stage1_cases = 10, stage1_controls = 10, stage2_cases = 10,
                          stage2_controls = 10, odds_ratio = 1.3, control_rate = 0.3,
                          stage1_alpha = 1e-3)
        do.call(vantor_two_stage_power, utils::modifyList(arguments, list(...)))
    }
    expect_identical(power()$status, "found")
    expect_refused(power(method = "separate"), "method", "BAD_METHOD")
    expect_refused(power(method = 2), "method", "BAD_METHOD")
    expect_refused(power(stage2_cases = 0), "stage2_cases", "BAD_CASES")
    expect_refused(power(stage1_cases = 0, stage2_cases = 0), "stage1_cases", "BAD_CASES")
    expect_refused(power(stage1_controls = 0.5), "stage1_controls", "BAD_CONTROLS")
    expect_refused(power(stage2_controls = c(10, 1e400)), "stage2_controls", "BAD_CONTROLS", 2L)
    expect_refused(power(stage1_alpha = 5e-8), "stage1_alpha", "BAD_STAGE1_ALPHA")
    expect_refused(power(cost_ratio = 0), "cost_ratio", "BAD_COST_RATIO")
    of_total <- function(...) {
        arguments <- list(total = 1000, stage1_share = 0.3, odds_ratio = 1.3,
                          control_rate = 0.3, stage1_alpha = 1e-3)
        do.call(vantor_two_stage_power, utils::modifyList(arguments, list(...)))
    }
    expect_identical(of_total()$status, "found")
    expect_refused(of_total(stage1_share = 1), "stage1_share", "BAD_STAGE1_SHARE")
    expect_refused(of_total(case_fraction = 0), "case_fraction", "BAD_CASE_FRACTION")
    # Too few people for a case and a control in each stage: the total is
    # what was given.
    expect_refused(of_total(total = 3), "total", "BAD_CONTROLS")
    expect_refused(vantor_smallest_total(1.3, 0.3, stage1_share = 1, stage1_alpha = 1e-3),
                   "stage1_share", "BAD_STAGE1_SHARE")
    expect_refused(vantor_smallest_total(1.3, 0.3, stage1_share = 0.5, stage1_alpha = 1e-3,
                                         case_fraction = 0), "case_fraction",
                   "BAD_CASE_FRACTION")
    expect_refused(vantor_cheapest_design(1.3, 0.3, cost_ratio = 0), "cost_ratio",
                   "BAD_COST_RATIO")
    expect_refused(vantor_most_powerful_design(budget = Inf, 1.3, 0.3), "budget", "BAD_BUDGET")
})

test_that("a design's overall level without room for stage 1 is refused, not a row", {
    # Up to 0.25 leaves room for a stage 1 level of 0.5 with replication and
    # the joint analysis; the product needs only a level above the overall one.
    for (alpha in c(0.3, 0.5)) {
        expect_refused(vantor_cheapest_design(1.3, 0.3, alpha = alpha, method = "replication"),
                       "alpha", "BAD_DESIGN_ALPHA")
        expect_refused(vantor_most_powerful_design(3000, 1.3, 0.3, alpha = alpha),
                       "alpha", "BAD_DESIGN_ALPHA")
    }
    expect_identical(vantor_cheapest_design(1.3, 0.3, alpha = 0.25,
                                            method = "replication")$status, "found")
    expect_identical(vantor_cheapest_design(1.3, 0.3, alpha = 0.3, method = "product")$status,
                     "found")
})

test_that("a missing value is refused like any value out of range", {
    expect_refused(vantor_power(c(1000, NA), 1000, 1.3, 0.3), "cases", "BAD_CASES", 2L)
    expect_refused(vantor_power(1000, 1000, NaN, 0.3), "odds_ratio", "BAD_ODDS_RATIO")
    expect_refused(vantor_sample_size(odds_ratio = c(1.3, NA), control_rate = 0.3,
                                      controls = 3000), "odds_ratio", "BAD_ODDS_RATIO", 2L)
    expect_refused(vantor_odds_ratio(1000, 1000, 0.3, target_power = NA), "target_power",
                   "BAD_TARGET_POWER")
    expect_refused(vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, c(0.3, NA),
                                          stage1_alpha = 1e-3), "control_rate",
                   "BAD_CONTROL_RATE", 2L)
    expect_refused(vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3,
                                          stage1_alpha = 1e-3, method = c("joint", NA)),
                   "method", "BAD_METHOD", 2L)
    expect_refused(vantor_smallest_total(1.3, 0.3, stage1_share = 0.4, stage1_alpha = NA),
                   "stage1_alpha", "BAD_STAGE1_ALPHA")
    expect_refused(vantor_cheapest_design(1.3, 0.3, case_fraction = NA), "case_fraction",
                   "BAD_CASE_FRACTION")
    expect_refused(vantor_most_powerful_design(NA, 1.3, 0.3), "budget", "BAD_BUDGET")
    expect_refused(vantor_power(1000, 1000, 1.3, 0.3, variance = NA), "variance",
                   "BAD_STATISTIC")
})

test_that("the element named is the argument's own, before recycling", {
    expect_refused(vantor_power(rep(10, 6), 10, 1.3, c(0.3, 0.4, 2)), "control_rate",
                   "BAD_CONTROL_RATE", 3L)
    # Both directions of every element: the third row is the second case's.
    expect_refused(vantor_odds_ratio(c(10, 0), 10, 0.3), "cases", "BAD_CASES", 2L)
    expect_refused(vantor_odds_ratio(c(10, 20), 10, 0.3, direction = c("below", "sideways")),
                   "direction", "BAD_DIRECTION", 2L)
})

test_that("every reason of a refused input names an argument of the glossary", {
    reasons <- library_reasons()
    invalid <- reasons[reasons$status == "INVALID_INPUT", ]
    # The record's own fields, and the LD's kind, which the package sets from
    # which of d_prime and r_squared is given.
    of_record <- c("BAD_STUDY_SIZE", "BAD_EFFECT_KIND", "BAD_LD_KIND")
    expect_true(all(is.na(invalid$inputs[invalid$reason %in% of_record])))
    named <- unlist(strsplit(invalid$inputs[!invalid$reason %in% of_record], ","))
    expect_false(anyNA(named))
    expect_true(all(named %in% glossary_names()$R), info = paste(named, collapse = " "))
    expect_true(all(is.na(reasons$inputs[reasons$status != "INVALID_INPUT"])))
})

test_that("wrong shapes, old names and mixed forms stop naming the argument", {
    expect_error(vantor_power(10, numeric(), 1.3, 0.3), "invalid 'controls': must not be empty")
    expect_error(vantor_power(10, list(10), 1.3, 0.3), "invalid 'controls': must be a vector")
    expect_error(vantor_power(1:3, 10, 1.3, c(0.3, 0.4)),
                 "invalid 'control_rate': its length 2 does not recycle to 3")
    expect_error(vantor_sample_size(1.3, 0.3, controls = 10, cases = 10), "exactly one of")
    expect_error(vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3, stage1_alpha = 1e-3,
                                        total = 6000, stage1_share = 0.5), "either the four")
    expect_error(vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3, stage1_alpha = 1e-3,
                                        case_fraction = 0.3), "either the four")
    expect_error(vantor_two_stage_power(total = 6000, odds_ratio = 1.3, control_rate = 0.3,
                                        stage1_alpha = 1e-3), "either the four")
    # The names before the glossary are no arguments at all.
    expect_error(vantor_power(10, 10, 1.3, rate = 0.3), "unused argument")
    expect_error(vantor_power(10, 10, 1.3, 0.3, statistic = "pooled"), "unused argument")
    expect_error(vantor_sample_size(1.3, 0.3, power = 0.9, controls = 10), "unused argument")
    expect_error(vantor_two_stage_power(cases1 = 10, controls1 = 10, cases2 = 10,
                                        controls2 = 10, odds_ratio = 1.3, control_rate = 0.3,
                                        alpha_stage1 = 1e-3), "unused argument")
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
    # elements; 1000 cheapest joint designs take several seconds.
    interrupted <- tryCatch({
        setTimeLimit(elapsed = 0.5, transient = TRUE)
        vantor_cheapest_design(rep(1.3, 1000), 0.3)
    }, error = function(e) conditionMessage(e))
    setTimeLimit()
    expect_match(interrupted, "time limit")
    expect_false(.Call(vantor:::C_vantor_hook_installed_for_test))
    expect_warning(vantor:::report_for_test(1), "MIN_FLAG 1 time:")
})
