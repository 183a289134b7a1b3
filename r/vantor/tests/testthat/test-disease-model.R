# A disease model instead of an odds ratio: the package hands the model to the
# library, whose allelic test on it is the allelic test on the odds ratio and
# control rate at the marker; the marker's rates are checked against the
# model's own arithmetic, done here independently.

one_parameter_models <- c("multiplicative", "additive", "dominant", "recessive")

# The genotype relative risks (0, 1, 2 copies) of a one-parameter model.
relative_risks <- function(model, r) {
    switch(model, multiplicative = c(1, r, r^2), additive = c(1, r, 2 * r - 1),
           dominant = c(1, r, r), recessive = c(1, 1, r))
}

# The risk-allele rates at the marker among cases and unaffected controls,
# from the penetrances (Hardy-Weinberg population, prevalence K) and, for a
# marker in LD given as r^2 (marker allele frequency m = p), the chance that
# a risk (other) haplotype carries the marker allele.
marker_rates <- function(model, p, K, r, r_squared = NA) {
    genotypes <- c((1 - p)^2, 2 * p * (1 - p), p^2)
    risks <- relative_risks(model, r)
    penetrance <- K * risks / sum(genotypes * risks)
    cases <- genotypes * penetrance / K
    controls <- genotypes * (1 - penetrance) / (1 - K)
    m <- p
    D <- if (is.na(r_squared)) p * (1 - p) else sqrt(r_squared * p * (1 - p) * m * (1 - m))
    on_risk <- (p * m + D) / p
    on_other <- ((1 - p) * m - D) / (1 - p)
    copies <- (0:2 * on_risk + (2 - 0:2) * on_other) / 2
    c(case = sum(cases * copies), control = sum(controls * copies))
}

# The grid of the two-stage checks: every one-parameter model, prevalences
# 0.001 to 0.3, risk-allele frequencies 0.05 to 0.5, relative risks 1.1 to 2,
# the marker the causal variant (NA) or at r^2 0.5.
model_grid <- function() {
    expand.grid(model = one_parameter_models, prevalence = c(0.001, 0.03, 0.3),
                frequency = c(0.05, 0.2, 0.5), relative_risk = c(1.1, 1.5, 2),
                r_squared = c(NA, 0.5), stringsAsFactors = FALSE)
}

# The answer of `call` for one row: the data frame, or the refusal.
answer_or_refusal <- function(call) {
    tryCatch(call, vantor_invalid_input = function(e) e)
}

# A model's arguments for one row of the grid (r_squared only when given).
model_arguments <- function(row) {
    arguments <- list(frequency = row$frequency, prevalence = row$prevalence,
                      model = row$model, relative_risk = row$relative_risk)
    if (!is.na(row$r_squared)) {
        arguments$r_squared <- row$r_squared
    }
    arguments
}

test_that("the marker's rates are the model's, and its odds ratio theirs", {
    grid <- model_grid()
    checked <- 0L
    for (i in seq_len(nrow(grid))) {
        row <- grid[i, ]
        answer <- answer_or_refusal(do.call(vantor_power, c(list(cases = 1000, controls = 2000),
                                                            model_arguments(row))))
        expected <- marker_rates(row$model, row$frequency, row$prevalence, row$relative_risk,
                                 row$r_squared)
        if (inherits(answer, "vantor_invalid_input")) {
            # A penetrance above 1 is no model.
            risks <- relative_risks(row$model, row$relative_risk)
            genotypes <- c((1 - row$frequency)^2, 2 * row$frequency * (1 - row$frequency),
                           row$frequency^2)
            expect_gt(max(row$prevalence * risks / sum(genotypes * risks)), 1)
            expect_identical(answer$reason, "RISK_ABOVE_ONE")
            expect_identical(answer$argument, "relative_risk")
            next
        }
        label <- paste(unlist(row), collapse = " ")
        expect_equal(answer$marker_case_rate, expected[["case"]], tolerance = 1e-12,
                     label = label)
        expect_equal(answer$marker_control_rate, expected[["control"]], tolerance = 1e-12,
                     label = label)
        odds <- function(x) x / (1 - x)
        expect_equal(answer$marker_odds_ratio,
                     odds(expected[["case"]]) / odds(expected[["control"]]), tolerance = 1e-12,
                     label = label)
        checked <- checked + 1L
    }
    expect_gt(checked, 150L)
})

test_that("the allelic test on a model is the allelic test on its marker's odds ratio", {
    grid <- model_grid()
    grid$markers <- rep(c(1, 1000), length.out = nrow(grid))
    for (i in seq_len(nrow(grid))) {
        row <- grid[i, ]
        model <- answer_or_refusal(do.call(vantor_power,
                                           c(list(cases = c(500, 3000), controls = 2000,
                                                  markers = row$markers),
                                             model_arguments(row))))
        if (inherits(model, "vantor_invalid_input")) {
            next
        }
        # The level of the model's study-wide default (0.05 for 1000
        # markers), divided by the markers, is the allelic study's.
        expect_identical(model$marker_alpha, model$alpha / row$markers)
        allelic <- vantor_power(cases = c(500, 3000), controls = 2000,
                                odds_ratio = model$marker_odds_ratio,
                                control_rate = model$marker_control_rate,
                                alpha = model$marker_alpha)
        expect_identical(model$power, allelic$power, label = paste(unlist(row), collapse = " "))
        expect_identical(model$status, allelic$status)
        size <- do.call(vantor_sample_size, c(list(controls_per_case = 2, markers = row$markers),
                                              model_arguments(row)))
        twin <- vantor_sample_size(odds_ratio = model$marker_odds_ratio[1],
                                   control_rate = model$marker_control_rate[1],
                                   alpha = model$marker_alpha[1], controls_per_case = 2)
        for (column in c("cases", "controls", "power", "evaluations", "status")) {
            expect_identical(size[[column]], twin[[column]], label = column)
        }
    }
})

test_that("the geneticist's example: a relative risk is no odds ratio, and a marker loses power", {
    # Prevalence 0.1, risk allele at 0.2, relative risk 1.5 per copy, 1,000
    # cases and 2,000 controls at 5e-8.
    at <- vantor_power(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
                       relative_risk = 1.5, r_squared = c(1, 0.8))
    causal <- vantor_power(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
                           relative_risk = 1.5)
    expect_identical(causal$alpha, 5e-8)
    expect_gt(causal$power, 0.94)
    expect_lt(causal$power, 0.96)
    # r^2 = 1 with the marker's frequency the risk allele's is the causal
    # variant itself (to rounding); r^2 0.8 tags it and loses power.
    expect_equal(at$power[1], causal$power, tolerance = 1e-10)
    expect_lt(at$power[2], causal$power - 0.05)
    # With unaffected controls the odds ratio at the variant exceeds the
    # relative risk: typed as an odds ratio, 1.5 understates the effect.
    as_odds_ratio <- vantor_power(cases = 1000, controls = 2000, odds_ratio = 1.5,
                                  control_rate = causal$marker_control_rate)
    expect_gt(causal$marker_odds_ratio, 1.5)
    expect_lt(as_odds_ratio$power, causal$power)
    # D' = 1 with the same frequency is the causal variant too.
    coupled <- vantor_power(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
                            relative_risk = 1.5, d_prime = 1)
    expect_equal(coupled$power, causal$power, tolerance = 1e-10)
})

test_that("the level defaults by the number of markers", {
    answer <- vantor_power(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
                           relative_risk = 1.5, model = "additive", test = "trend",
                           markers = c(1, 1e6))
    expect_identical(answer$alpha, c(5e-8, 0.05))
    expect_identical(answer$marker_alpha, c(5e-8, 0.05 / 1e6))
    expect_identical(answer$alpha, c(.Call(vantor:::C_vantor_default_alpha, 1),
                                     .Call(vantor:::C_vantor_default_alpha, 1e6)))
    given <- vantor_power(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
                          relative_risk = 1.5, model = "additive", test = "trend",
                          markers = 1e6, alpha = 0.05)
    expect_identical(given$power, answer$power[2])
    # The odds-ratio question and the two-stage ones take the same default.
    expect_identical(vantor_odds_ratio(2000, 2000, 0.3, markers = 100)$alpha, c(0.05, 0.05))
    design <- vantor_two_stage_power(1000, 1000, 2000, 2000, odds_ratio = 1.3,
                                     control_rate = 0.3, stage1_alpha = 1e-3,
                                     markers = c(1, 1e6))
    expect_identical(design$alpha, c(5e-8, 0.05 / 1e6))
})

test_that("the genotype tests answer through the package as the library's one study", {
    # Every test and model, vectorised, equals the same study asked alone.
    grid <- expand.grid(test = vantor:::choice_words("test"), model = one_parameter_models,
                        stringsAsFactors = FALSE)
    together <- vantor_power(cases = 2000, controls = 3000, frequency = 0.3, prevalence = 0.05,
                             relative_risk = 1.4, model = grid$model, test = grid$test,
                             markers = 1e6)
    for (i in seq_len(nrow(grid))) {
        alone <- vantor_power(cases = 2000, controls = 3000, frequency = 0.3, prevalence = 0.05,
                              relative_risk = 1.4, model = grid$model[i], test = grid$test[i],
                              markers = 1e6)
        for (column in names(alone)) {
            expect_identical(together[[column]][i], alone[[column]], info = column)
        }
    }
    # A test that matches the model gains power over the allelic one, and the
    # recessive test sees little of a dominant effect.
    power_of <- function(model, test) {
        together$power[grid$model == model & grid$test == test]
    }
    expect_gt(power_of("recessive", "recessive"), power_of("recessive", "allelic"))
    expect_gt(power_of("dominant", "dominant"), power_of("dominant", "recessive"))
    # The detectable relative risk has the power asked for, and at that risk
    # the power question agrees bit for bit.
    found <- vantor_relative_risk(cases = 2000, controls = 3000, frequency = 0.3,
                                  prevalence = 0.05, model = "dominant", test = "dominant",
                                  target_power = 0.9)
    expect_identical(found$direction, c("above", "below"))
    expect_identical(found$status, c("found", "found"))
    expect_true(all(found$power >= 0.9))
    again <- vantor_power(cases = 2000, controls = 3000, frequency = 0.3, prevalence = 0.05,
                          model = "dominant", test = "dominant",
                          relative_risk = found$relative_risk)
    expect_identical(again$power, found$power)
    expect_identical(again$marker_odds_ratio, found$marker_odds_ratio)
    expect_gt(found$relative_risk[1], 1)
    expect_lt(found$relative_risk[2], 1)
})

test_that("two-stage designs on a model are the designs on its marker's odds ratio", {
    grid <- model_grid()
    methods <- vantor:::choice_words("method")
    grid$method <- rep(methods, length.out = nrow(grid))
    grid$markers <- rep(c(1, 1, 1000), length.out = nrow(grid))
    compared <- 0L
    for (i in seq_len(nrow(grid))) {
        row <- grid[i, ]
        arguments <- c(list(stage1_alpha = 1e-3, method = row$method, markers = row$markers),
                       model_arguments(row))
        marker <- answer_or_refusal(do.call(vantor_power, c(list(cases = 1000, controls = 1000),
                                                            model_arguments(row))))
        by_counts <- answer_or_refusal(do.call(vantor_two_stage_power,
                                               c(list(stage1_cases = 1500, stage1_controls = 1500,
                                                      stage2_cases = 2500,
                                                      stage2_controls = 2500, cost_ratio = 2),
                                                 arguments)))
        if (inherits(marker, "vantor_invalid_input")) {
            # The same refusal, naming the same input.
            expect_identical(by_counts$reason, marker$reason)
            expect_identical(by_counts$argument, marker$argument)
            next
        }
        twin <- list(odds_ratio = marker$marker_odds_ratio,
                     control_rate = marker$marker_control_rate,
                     alpha = by_counts$alpha, stage1_alpha = 1e-3, method = row$method)
        allelic <- do.call(vantor_two_stage_power,
                           c(list(stage1_cases = 1500, stage1_controls = 1500,
                                  stage2_cases = 2500, stage2_controls = 2500, cost_ratio = 2),
                             twin))
        label <- paste(unlist(row), collapse = " ")
        # The overall level, study-wide for 1000 markers, per marker in the design.
        expect_identical(by_counts$alpha, if (row$markers == 1) 5e-8 else 0.05 / 1000)
        for (column in c("power", "final_alpha", "stage1_weight", "cost", "status")) {
            expect_identical(by_counts[[column]], allelic[[column]], label = label, info = column)
        }
        of_total <- do.call(vantor_two_stage_power, c(list(total = 8000, stage1_share = 0.3),
                                                      arguments))
        allelic_total <- do.call(vantor_two_stage_power,
                                 c(list(total = 8000, stage1_share = 0.3), twin))
        expect_identical(of_total$power, allelic_total$power, label = label)
        compared <- compared + 1L
    }
    expect_gt(compared, 150L)
})

test_that("the design searches on a model are the searches on its marker's odds ratio", {
    model <- list(frequency = 0.2, prevalence = 0.1, relative_risk = 1.3, model = "additive",
                  r_squared = 0.5)
    marker <- do.call(vantor_power, c(list(cases = 1000, controls = 1000), model))
    twin <- list(odds_ratio = marker$marker_odds_ratio,
                 control_rate = marker$marker_control_rate)
    same <- function(f, ...) {
        a <- do.call(f, c(list(...), model))
        b <- do.call(f, c(list(...), twin))
        for (column in c("total", "stage1_cases", "stage2_cases", "stage1_alpha",
                         "final_alpha", "power", "cost", "one_stage_total", "relative_cost")) {
            expect_identical(a[[column]], b[[column]], info = column)
        }
    }
    same(vantor_smallest_total, stage1_share = 0.4, stage1_alpha = 1e-3)
    same(vantor_cheapest_design, method = "replication")
    same(vantor_most_powerful_design, budget = 5000, method = "replication")
})

test_that("an invalid model is refused with its own reason, naming the argument", {
    power <- function(...) {
        arguments <- list(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
                          relative_risk = 1.5)
        do.call(vantor_power, utils::modifyList(arguments, list(...)))
    }
    expect_identical(power()$status, "found")
    expect_refused(power(frequency = c(0.2, 0)), "frequency", "BAD_FREQUENCY", 2L)
    expect_refused(power(frequency = NA), "frequency", "BAD_FREQUENCY")
    expect_refused(power(prevalence = 1), "prevalence", "BAD_PREVALENCE")
    expect_refused(power(model = "quadratic"), "model", "BAD_MODEL")
    expect_refused(power(relative_risk = -1), "relative_risk", "BAD_RELATIVE_RISK")
    expect_refused(power(relative_risk = "1.5"), "relative_risk", "BAD_RELATIVE_RISK")
    # Additive risks of 2r - 1 below 0; a penetrance above 1.
    expect_refused(power(model = "additive", relative_risk = 0.4), "relative_risk",
                   "NEGATIVE_RISK")
    expect_refused(power(prevalence = 0.5, relative_risk = 4), "relative_risk", "RISK_ABOVE_ONE")
    expect_refused(power(controls_kind = "cases"), "controls_kind", "BAD_CONTROLS_KIND")
    expect_refused(power(marker_frequency = 1.2, d_prime = 0.5), "marker_frequency",
                   "BAD_MARKER_FREQUENCY")
    # Without LD the marker is the causal variant, whose frequency is the
    # risk allele's: the marker's own is not read.
    expect_identical(power(marker_frequency = 1.2)$power, power()$power)
    expect_refused(power(d_prime = 1.5), "d_prime", "BAD_LD")
    expect_refused(power(r_squared = c(0.5, -0.1)), "r_squared", "BAD_LD", 2L)
    # r^2 1 between alleles of frequencies 0.05 and 0.5 cannot be.
    expect_refused(power(frequency = 0.05, marker_frequency = 0.5, r_squared = 1), "r_squared",
                   "LD_BEYOND_FREQUENCIES")
    expect_refused(power(test = "quadratic"), "test", "BAD_TEST")
    expect_refused(power(test = "trend", count = "alleles"), "count",
                   "GENOTYPE_TEST_COUNTS_PEOPLE")
    expect_refused(power(test = "genotypic", variance = "unpooled"), "variance",
                   "GENOTYPIC_ONE_STATISTIC")
    expect_refused(power(markers = 0.5), "markers", "BAD_MARKERS")
    expect_refused(power(markers = 1e7, alpha = 1e-6), "alpha", "BAD_MARKER_ALPHA")
    expect_refused(vantor_power(1000, 2000, 1.3, 0.3, test = "trend"), "test",
                   "TEST_NEEDS_MODEL")
    expect_refused(vantor_relative_risk(1000, 2000, 0.2, 0.1, model = "free"), "model",
                   "NO_SINGLE_RISK")
    expect_refused(vantor_two_stage_power(1000, 1000, 2000, 2000, frequency = 0.2,
                                          prevalence = 0.1, relative_risk = 1.5,
                                          stage1_alpha = 1e-3, test = "trend"), "test",
                   "TWO_STAGES_NEED_ALLELIC")
    expect_refused(vantor_cheapest_design(frequency = 0.2, prevalence = 0.1, model = "additive",
                                          relative_risk = 0.2), "relative_risk",
                   "NEGATIVE_RISK")
})

test_that("the free model takes two risks", {
    free <- vantor_power(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
                         model = "free", heterozygote_risk = 1.5, homozygote_risk = 2.25)
    multiplicative <- vantor_power(cases = 1000, controls = 2000, frequency = 0.2,
                                   prevalence = 0.1, relative_risk = 1.5)
    expect_equal(free$power, multiplicative$power, tolerance = 1e-12)
    expect_equal(free$marker_odds_ratio, multiplicative$marker_odds_ratio, tolerance = 1e-12)
    population <- vantor_power(cases = 1000, controls = 2000, frequency = 0.2, prevalence = 0.1,
                               relative_risk = 1.5, controls_kind = "population")
    # Population controls carry the risk allele at its population frequency.
    expect_equal(population$marker_control_rate, 0.2, tolerance = 1e-14)
})

test_that("one description of the effect: a mix or a half stops", {
    expect_error(vantor_power(1000, 2000, odds_ratio = 1.3, control_rate = 0.3, frequency = 0.2,
                              prevalence = 0.1, relative_risk = 1.5), "not both")
    expect_error(vantor_power(1000, 2000, odds_ratio = 1.3, control_rate = 0.3,
                              model = "additive"), "not both")
    expect_error(vantor_sample_size(odds_ratio = 1.3, control_rate = 0.3, controls = 100,
                                    controls_kind = "population"), "not both")
    expect_error(vantor_two_stage_power(total = 1000, stage1_share = 0.3, odds_ratio = 1.3,
                                        stage1_alpha = 1e-3, r_squared = 0.5), "not both")
    expect_error(vantor_power(1000, 2000, odds_ratio = 1.3), "'control_rate' missing")
    expect_error(vantor_power(1000, 2000), "give the effect")
    expect_error(vantor_power(1000, 2000, frequency = 0.2, relative_risk = 1.5),
                 "'prevalence' missing")
    expect_error(vantor_power(1000, 2000, frequency = 0.2, prevalence = 0.1, relative_risk = 1.5,
                              d_prime = 0.9, r_squared = 0.5), "not both")
})
