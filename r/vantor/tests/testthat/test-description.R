# The package's arguments and columns are the library's description's
# (power/records.h) and the glossary's (docs/glossary.md): a field added to a
# record, a renamed word or a function drifting from either fails here.

questions <- function() .Call(vantor:::C_vantor_questions)

# One cheap call of each exported question, by the questions it asks.
examples <- list(
    vantor_power = list(
        questions = "power",
        call = function() vantor_power(2000, 2000, 1.3, 0.3)),
    vantor_sample_size = list(
        questions = c("cases_for_controls", "controls_for_cases", "cases_for_ratio",
                      "controls_for_ratio"),
        call = function() vantor_sample_size(1.3, 0.3, controls = 3000)),
    vantor_odds_ratio = list(
        questions = "odds_ratio",
        call = function() vantor_odds_ratio(2000, 2000, 0.3)),
    vantor_relative_risk = list(
        questions = "relative_risk",
        call = function() vantor_relative_risk(2000, 2000, 0.2, 0.1)),
    vantor_two_stage_power = list(
        questions = c("two_stage_power", "two_stage_power_of_total"),
        call = function() vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3,
                                                 stage1_alpha = 1e-3)),
    vantor_smallest_total = list(
        questions = "smallest_total",
        call = function() vantor_smallest_total(1.3, 0.3, stage1_share = 0.4,
                                                stage1_alpha = 1e-3)),
    vantor_cheapest_design = list(
        questions = "cheapest_design",
        call = function() vantor_cheapest_design(1.3, 0.3, method = "replication")),
    vantor_most_powerful_design = list(
        questions = "most_powerful_design",
        call = function() vantor_most_powerful_design(3000, 1.3, 0.3, method = "replication")))

# A disease model's inputs, as the library describes the model.
model_inputs <- function() .Call(vantor:::C_vantor_model_inputs)

# The questions whose effect is given (an odds ratio and control rate, or a
# disease model); the detectable relative risk asks for a model's risk.
takes_effect <- function(question) "odds_ratio" %in% questions()[[question]]$study_fields

# What a question reads: the study fields, a disease model where an effect is
# read, and its own arguments. The two-stage questions read the number of
# markers and the test too (the markers divide the overall level; a test
# other than the allelic one is refused), which their description does not
# list among the study fields.
inputs_of <- function(question) {
    read <- c(questions()[[question]]$study_fields, questions()[[question]]$inputs)
    if (takes_effect(question) || question == "relative_risk") {
        read <- c(read, model_inputs())
    }
    if ("method" %in% questions()[[question]]$study_fields) {
        read <- c(read, "markers", "test")
    }
    # The detectable relative risk is the one risk of a one-parameter model
    # (the free model, of two risks, is refused).
    setdiff(unique(read), if (question == "relative_risk") {
        c("relative_risk", "heterozygote_risk", "homozygote_risk")
    })
}

test_that("every question of the library is asked by one function", {
    expect_true(all(vapply(questions(), function(q) q$asked, logical(1L))))
    asked <- unlist(lapply(examples, `[[`, "questions"))
    expect_setequal(asked, names(questions()))
    expect_false(anyDuplicated(asked) > 0)
    exported <- setdiff(getNamespaceExports("vantor"), "vantor_library_version")
    expect_setequal(exported, names(examples))
})

test_that("each function's arguments are what its questions read", {
    for (name in names(examples)) {
        read <- unique(unlist(lapply(examples[[name]]$questions, inputs_of)))
        expect_setequal(names(formals(get(name, asNamespace("vantor")))), read)
    }
})

test_that("result columns are the inputs and the description's fields", {
    for (name in names(examples)) {
        frame <- examples[[name]]$call()
        question <- questions()[[examples[[name]]$questions[1L]]]
        fields <- question$columns
        expect_identical(tail(names(frame), length(fields)), fields, label = name)
        inputs <- head(names(frame), -length(fields))
        expect_true(all(inputs %in% inputs_of(question$name)), label = name)
        expect_false(any(inputs %in% fields), label = name)
        expect_setequal(c(inputs, fields),
                        union(intersect(inputs_of(question$name), names(frame)), fields))
    }
    # The design record as the glossary's people read it.
    design <- questions()$cheapest_design$columns
    expect_true(all(c("stage1_cases", "stage1_controls", "stage2_cases", "stage2_controls",
                      "stage1_weight", "stage1_alpha", "final_alpha", "alpha", "power", "cost",
                      "one_stage_total", "relative_cost", "evaluations", "status", "reason",
                      "message") %in% design))
})

test_that("every argument and column is the glossary's R name", {
    r_names <- glossary_names()$R
    r_names <- r_names[!is.na(r_names)]
    expect_true(all(c("control_rate", "stage1_alpha", "final_alpha", "target_power",
                      "variance") %in% r_names))
    for (name in names(examples)) {
        arguments <- names(formals(get(name, asNamespace("vantor"))))
        expect_true(all(arguments %in% r_names),
                    info = paste(name, paste(setdiff(arguments, r_names), collapse = " ")))
        columns <- names(examples[[name]]$call())
        expect_true(all(columns %in% r_names),
                    info = paste(name, paste(setdiff(columns, r_names), collapse = " ")))
    }
})

test_that("defaults are the glossary's and the choices the library's words", {
    glossary <- glossary_names()
    default_of <- function(name) glossary$default[match(name, glossary$R)]
    for (name in names(examples)) {
        arguments <- formals(get(name, asNamespace("vantor")))
        call <- examples[[name]]$call
        for (choice in intersect(names(arguments), c("method", "variance", "count"))) {
            words <- eval(arguments[[choice]])
            expect_true(all(words %in% vantor:::choice_words(choice)), info = choice)
            # A default listing every word means the first.
            expect_match(default_of(choice), words[1L], info = choice)
        }
        if ("alpha" %in% names(arguments)) {
            # NULL: the library's default for the number of markers.
            expect_null(arguments$alpha)
            expect_identical(eval(arguments$markers), as.numeric(default_of("markers")))
            # The glossary's first word is the one-marker level (0.05 with more).
            expect_identical(unique(call()$alpha),
                             as.numeric(sub(" .*", "", default_of("alpha"))))
        }
        for (word in intersect(names(arguments), c("test", "model", "controls_kind"))) {
            expect_identical(eval(arguments[[word]]), default_of(word), info = word)
            expect_true(eval(arguments[[word]]) %in% vantor:::choice_words(word), info = word)
        }
        for (absent in intersect(names(arguments), c("marker_frequency", "d_prime",
                                                     "r_squared"))) {
            # Not given: the risk allele's frequency, the marker the causal variant.
            expect_null(arguments[[absent]], info = absent)
        }
        if ("target_power" %in% names(arguments)) {
            expect_identical(eval(arguments$target_power),
                             as.numeric(sub(" .*", "", default_of("target_power"))))
        }
        for (number in intersect(names(arguments), c("cost_ratio", "case_fraction"))) {
            expect_identical(eval(arguments[[number]]), as.numeric(default_of(number)))
        }
    }
    # Both directions unless one is asked for.
    expect_identical(default_of("direction"), "both")
    expect_setequal(eval(formals(vantor_odds_ratio)$direction),
                    vantor:::choice_words("direction"))
    expect_identical(nrow(vantor_odds_ratio(2000, 2000, 0.3)), 2L)
})

test_that("counts come back in the unit asked and a total splits as the glossary says", {
    # 1,000 people with stage 1 share 0.3 and case fraction 0.5.
    split <- vantor_two_stage_power(total = 1000, stage1_share = 0.3, odds_ratio = 1.3,
                                    control_rate = 0.3, stage1_alpha = 1e-3)
    expect_identical(c(split$stage1_cases, split$stage1_controls, split$stage2_cases,
                       split$stage2_controls), c(150, 150, 350, 350))
    expect_identical(split$count, "people")
    same <- vantor_two_stage_power(150, 150, 350, 350, 1.3, 0.3, stage1_alpha = 1e-3)
    expect_identical(split$power, same$power)
    # The cost of stage 2 genotypes counts only the markers stage 1 passes.
    expect_identical(same$cost, 300 + 1e-3 * 700)
    priced <- vantor_two_stage_power(150, 150, 350, 350, 1.3, 0.3, stage1_alpha = 1e-3,
                                     cost_ratio = 4)
    expect_identical(priced$cost, 300 + 4 * 1e-3 * 700)
    expect_identical(priced$power, same$power)
    alleles <- vantor_two_stage_power(total = 2000, stage1_share = 0.3, odds_ratio = 1.3,
                                      control_rate = 0.3, stage1_alpha = 1e-3,
                                      count = "alleles")
    expect_identical(alleles$power, split$power)
    expect_identical(alleles$stage1_cases, 300)
})

test_that("a disease model's arguments are the library's description of the model", {
    # The R code sorts them into numbers and words; together they are the
    # model's described fields and the two ways of giving the marker's LD.
    expect_setequal(c(vantor:::model_numbers, "model", "controls_kind"), model_inputs())
    r_names <- glossary_names()$R
    expect_true(all(model_inputs() %in% r_names))
    # Every function that takes an effect takes the whole model.
    for (name in names(examples)) {
        arguments <- names(formals(get(name, asNamespace("vantor"))))
        if ("odds_ratio" %in% arguments) {
            expect_true(all(model_inputs() %in% arguments), info = name)
        }
    }
    # The marker columns of every single-stage answer.
    marker <- c("marker_alpha", "marker_case_rate", "marker_control_rate", "marker_odds_ratio")
    for (question in c("power", "cases_for_ratio", "relative_risk")) {
        expect_true(all(marker %in% questions()[[question]]$columns), info = question)
    }
    expect_true(all(marker %in% r_names))
})
