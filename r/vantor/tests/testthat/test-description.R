# The package's arguments and columns are the library's inputs (question/ask.h)
# and the fields of its records (question/records.h), named as the glossary
# (docs/glossary.md) names them; no function restates a default.

functions <- c("vantor_power", "vantor_sample_size", "vantor_odds_ratio",
               "vantor_relative_risk", "vantor_two_stage_power", "vantor_smallest_total",
               "vantor_cheapest_design", "vantor_most_powerful_design")

# One cheap call of each function, and any other inputs.
examples <- list(
    vantor_power = function(...) vantor_power(2000, 2000, 1.3, 0.3, ...),
    vantor_sample_size = function(...) vantor_sample_size(1.3, 0.3, controls = 3000, ...),
    vantor_odds_ratio = function(...) vantor_odds_ratio(2000, 2000, 0.3, ...),
    vantor_relative_risk = function(...) vantor_relative_risk(2000, 2000, 0.2, 0.1, ...),
    vantor_two_stage_power = function(...) {
        vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3, stage1_alpha = 1e-3, ...)
    },
    vantor_smallest_total = function(...) {
        vantor_smallest_total(1.3, 0.3, stage1_share = 0.4, stage1_alpha = 1e-3, ...)
    },
    vantor_cheapest_design = function(...) {
        vantor_cheapest_design(1.3, 0.3, method = "replication", ...)
    },
    vantor_most_powerful_design = function(...) {
        vantor_most_powerful_design(3000, 1.3, 0.3, method = "replication", ...)
    })

test_that("the exported functions are the questions, the generic call, the lists and the layout", {
    expect_setequal(getNamespaceExports("vantor"),
                    c(functions, "vantor_ask", "vantor_inputs", "vantor_library_version",
                      "vantor_wide", "vantor_methods"))
    expect_setequal(names(examples), functions)
})

test_that("every argument is an input of the library, not given unless given", {
    inputs <- vantor_inputs()$name
    for (name in functions) {
        # `...` takes any other input of the library by name.
        arguments <- formals(get(name, asNamespace("vantor")))
        arguments <- arguments[names(arguments) != "..."]
        expect_true(all(names(arguments) %in% inputs),
                    info = paste(name, paste(setdiff(names(arguments), inputs), collapse = " ")))
        # The library applies its defaults: no argument restates one.
        defaults <- arguments[names(arguments) != "budget"]
        expect_true(all(vapply(defaults, is.null, logical(1L))), info = name)
    }
})

test_that("every argument and column is the glossary's R name", {
    r_names <- glossary_names()$R
    r_names <- r_names[!is.na(r_names)]
    expect_true(all(vantor_inputs()$name %in% c(r_names, "stages", "solve")))
    for (name in functions) {
        arguments <- setdiff(names(formals(get(name, asNamespace("vantor")))), "...")
        expect_true(all(arguments %in% r_names),
                    info = paste(name, paste(setdiff(arguments, r_names), collapse = " ")))
        columns <- names(examples[[name]]())
        expect_true(all(columns %in% r_names),
                    info = paste(name, paste(setdiff(columns, r_names), collapse = " ")))
    }
})

test_that("the answer's columns are the fields of its record, laid out in order", {
    design <- names(examples$vantor_cheapest_design())
    expect_true(all(c("total", "stage1_cases", "stage1_controls", "stage2_cases",
                      "stage2_controls", "stage1_weight", "stage1_alpha", "final_alpha", "alpha",
                      "power", "cost", "one_stage_total", "relative_cost", "evaluations",
                      "count", "status", "reason", "message") %in% design))
    marker <- c("marker_alpha", "marker_case_rate", "marker_control_rate", "marker_odds_ratio")
    for (name in c("vantor_power", "vantor_sample_size", "vantor_relative_risk")) {
        columns <- names(examples[[name]]())
        expect_true(all(marker %in% columns), info = name)
        expect_true(all(c("alpha", "count") %in% columns), info = name)
        expect_identical(tail(columns, 3), c("status", "reason", "message"), info = name)
    }
})

test_that("every function simulates with replicates and seed, and a seed needs them", {
    simulation <- c("replicates", "seed", "simulated_power", "standard_error")
    for (name in functions) {
        plain <- examples[[name]]()
        simulated <- examples[[name]](replicates = 200, seed = 11)
        expect_false(any(simulation %in% names(plain)), info = name)
        # The same columns, the simulation's before the status.
        expect_identical(names(simulated), append(names(plain), simulation,
                                                  length(plain) - 3L), info = name)
        # Both the same columns (each keeps its own inputs, which differ).
        expect_identical(simulated[names(plain)], plain[names(plain)], info = name)
        expect_identical(attr(simulated, "inputs")[c("replicates", "seed")],
                         list(replicates = 200, seed = 11), info = name)
        expect_true(all(simulated$replicates == 200 & simulated$seed == 11), info = name)
        expect_true(all(simulated$simulated_power >= 0 & simulated$simulated_power <= 1),
                    info = name)
        expect_refused(examples[[name]](seed = 11), "seed", "SEED_WITHOUT_REPLICATES")
    }
    # A row with nothing found simulates nothing: NA, as its power is.
    sizes <- vantor_sample_size(1.3, 0.3, controls = c(3000, 10), replicates = 200)
    expect_identical(is.na(sizes[, simulation]),
                     matrix(rep(c(FALSE, TRUE), 4L), 2L, dimnames = list(NULL, simulation)))
    expect_identical(sizes$seed[1L], 1)
})

test_that("the columns of costs in money and of limits are shown when one of their inputs is", {
    money <- c("cost_in_money", "one_stage_cost_in_money")
    limits <- c("stage1_case_fraction", "stage2_case_fraction", "stage2_markers",
                "binding_limit")
    in_money <- list(stage1_cost_per_person = 100, stage2_cost_per_person = 20)
    limited <- list(cases_available = 5000, stage2_controls_available = 4000)
    for (name in functions[grepl("two_stage|total|design", functions)]) {
        plain <- examples[[name]]()
        expect_false(any(c(money, limits) %in% names(plain)), info = name)
        if (name != "vantor_two_stage_power") {
            with_limits <- do.call(examples[[name]], limited)
            expect_identical(setdiff(names(with_limits), names(plain)), c(names(limited), limits),
                             info = name)
            expect_identical(with_limits$stage2_markers, with_limits$stage1_alpha, info = name)
        }
        # A budget in money is no budget of genotypes: the budget question
        # is asked with one it can reach.
        paid <- if (name == "vantor_most_powerful_design") {
            do.call(vantor_most_powerful_design, c(list(budget = 3e5, odds_ratio = 1.3,
                                                         control_rate = 0.3), in_money))
        } else {
            do.call(examples[[name]], in_money)
        }
        expect_true(all(money %in% names(paid)), info = name)
        expect_false(any(limits %in% names(paid)), info = name)
    }
    # The generic call lays out its columns by the same rule.
    expect_true(all(limits %in% names(vantor_ask(stages = 2, solve = "design", odds_ratio = 1.3,
                                                 control_rate = 0.3, panel = 10,
                                                 markers = 1e3))))
})
