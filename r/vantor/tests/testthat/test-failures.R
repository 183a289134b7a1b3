# What the package adds to the library's refusals: the element named is the
# refused argument's own (before recycling), the call stops before any row is
# returned, R's own shapes are checked, and library reports become a warning.

test_that("the element named is the argument's own, before recycling", {
    expect_refused(vantor_power(10, c(10, -1), 1.3, 0.3), "controls", "BAD_CONTROLS", 2L)
    expect_refused(vantor_power(rep(10, 6), 10, 1.3, c(0.3, 0.4, 2)), "control_rate",
                   "BAD_CONTROL_RATE", 3L)
    expect_refused(vantor_power(c(1000, NA), 1000, 1.3, 0.3), "cases", "BAD_CASES", 2L)
    expect_refused(vantor_two_stage_power(1000, 1000, c(2000, 2000, 0), 2000, 1.3, 0.3,
                                          stage1_alpha = 1e-3), "stage2_cases",
                   "BAD_CASES", 3L)
    # Both sides of 1 for every element: the refused one is the second case's.
    expect_refused(vantor_odds_ratio(c(10, 0), 10, 0.3), "cases", "BAD_CASES", 2L)
    expect_refused(vantor_odds_ratio(c(10, 20), 10, 0.3, direction = c("below", "sideways")),
                   "direction", "BAD_DIRECTION", 2L)
    # A refusal of the question as a whole names no argument, and the row.
    refused <- refusal_of(vantor_ask(cases = 1:3, controls = 10, controls_per_case = 1,
                                     odds_ratio = 1.3, control_rate = 0.3))
    expect_identical(refused$reason, "TWO_PARTNERS")
    expect_identical(refused$argument, "")
    expect_identical(refused$element, 1L)
})

test_that("a refused element stops the call rather than giving an NA row", {
    expect_error(vantor_power(cases = c(1000, NA, 1000), controls = 1000, odds_ratio = 1.3,
                              control_rate = 0.3),
                 "^element 2: cases ", class = "vantor_invalid_input")
    expect_error(vantor_cheapest_design(c(1.3, 1), 0.3, method = "replication"),
                 "^element 2: odds_ratio 1: ", class = "vantor_invalid_input")
})

test_that("wrong shapes, unknown names and old names stop naming the argument", {
    expect_error(vantor_power(10, numeric(), 1.3, 0.3), "invalid 'controls': must not be empty")
    expect_error(vantor_power(10, list(10), 1.3, 0.3), "invalid 'controls': must be a vector")
    expect_error(vantor_power(1:3, 10, 1.3, c(0.3, 0.4)),
                 "invalid 'control_rate': its length 2 does not recycle to 3")
    expect_error(vantor_ask(cases = 10, rate = 0.3), "no input is named 'rate'")
    expect_error(vantor_ask(10, controls = 10), "name every input")
    expect_error(vantor_most_powerful_design(odds_ratio = 1.3, control_rate = 0.3),
                 "\"budget\" is missing")
    # The names before the glossary are no inputs at all.
    expect_error(vantor_power(10, 10, 1.3, rate = 0.3), "no input is named 'rate'")
    expect_error(vantor_power(10, 10, 1.3, 0.3, statistic = "pooled"),
                 "no input is named 'statistic'")
    expect_error(vantor_sample_size(1.3, 0.3, power = 0.9, controls = 10),
                 "no input is named 'power'")
    expect_error(vantor_two_stage_power(cases1 = 10, controls1 = 10, cases2 = 10,
                                        controls2 = 10, odds_ratio = 1.3, control_rate = 0.3,
                                        alpha_stage1 = 1e-3), "no input is named 'cases1'")
})

test_that("nothing given is a question the library refuses as incomplete", {
    refused <- refusal_of(vantor_ask())
    expect_identical(refused$status, "INVALID_INPUT")
    expect_identical(refused$element, 1L)
    expect_refused(vantor_power(controls = 10, odds_ratio = 1.3, control_rate = 0.3), "cases",
                   "MISSING_OR_OPEN")
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

test_that("any other input of the library reaches a function by name, and one its question does not read is refused", {
    # The variance is not among vantor_odds_ratio's own arguments' defaults
    # to restate: given by name, it is the library's input all the same.
    unpooled <- vantor_odds_ratio(2000, 2000, 0.3, direction = "above", variance = "unpooled")
    asked <- vantor_ask(cases = 2000, controls = 2000, control_rate = 0.3, direction = "above",
                        variance = "unpooled", solve = "effect")
    expect_identical(unpooled$odds_ratio, asked$odds_ratio)
    refused <- tryCatch(vantor_power(2000, 2000, 1.3, 0.3, budget = 5000),
                        vantor_invalid_input = function(e) e)
    expect_identical(refused$reason, "INPUT_NOT_READ")
    expect_identical(refused$argument, "budget")
    expect_match(conditionMessage(refused), "budget 5000: ")
})

test_that("a plan the library refuses stops naming its input and element", {
    expect_refused(vantor_cheapest_design(1.3, 0.3, cost_ratio = 3, stage1_cost_per_person = 1),
                   "cost_ratio", "COSTS_TWO_WAYS")
    expect_refused(vantor_smallest_total(1.3, 0.3, stage1_share = 0.4, stage1_alpha = 1e-3,
                                         cost_ratio = c(1, 3), stage2_fixed_cost = 10,
                                         stage1_cost_per_person = 1),
                   "cost_ratio", "COSTS_TWO_WAYS")
    expect_refused(vantor_ask(stages = 2, total = 6000, stage1_share = 0.3, odds_ratio = 1.3,
                              control_rate = 0.3, stage1_alpha = 1e-3, markers = 1e4,
                              panel = 30), "panel", "LIMITS_NOT_READ")
    expect_refused(vantor_cheapest_design(1.3, 0.3, panel = c(1e4, 5)), "panel",
                   "PLAN_NEEDS_MARKERS")
    expect_refused(vantor_cheapest_design(1.3, 0.3, count = "alleles",
                                          stage1_cost_per_person = 3),
                   "count", "MONEY_COUNTS_PEOPLE")
    expect_refused(vantor_cheapest_design(1.3, 0.3, stage2_cost_per_person = 3),
                   "stage1_cost_per_person", "MISSING_INPUT")
    expect_refused(vantor_most_powerful_design(4000, 1.3, 0.3, stage1_cost_per_person = 3,
                                               stage1_fixed_cost = c(0, -1)),
                   "stage1_fixed_cost", "BAD_MONEY", 2L)
    expect_refused(vantor_most_powerful_design(4000, 1.3, 0.3, cases_available = c(2000, 2.5)),
                   "cases_available", "BAD_AVAILABLE", 2L)
    # Too few cases for any design is an answer saying so.
    few <- vantor_cheapest_design(1.3, 0.3, cases_available = 20)
    expect_identical(c(few$status, few$reason), c("not reachable", "CASES_AVAILABLE_TOO_FEW"))
})
