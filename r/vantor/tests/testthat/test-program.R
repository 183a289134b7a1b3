# The package and the `vantor` program compute with the same library: their
# numbers agree to the last bit (the program's JSON keeps every digit). The
# program's options and columns are the glossary's names with hyphens.

test_that("single-stage powers equal the vantor program's, bit for bit", {
    program <- vantor_program()
    alphas <- c(5e-8, 1e-6, 1e-4, 0.05)
    from_program <- vantor_json_numbers(program, c("power", "--cases", "1000,2500",
        "--controls", "1000", "--odds-ratio", "1.3", "--control-rate", "0.3", "--alpha",
        paste(alphas, collapse = ",")), "power")
    grid <- expand.grid(alpha = alphas, cases = c(1000, 2500))
    ours <- vantor_power(cases = grid$cases, controls = 1000, odds_ratio = 1.3,
                         control_rate = 0.3, alpha = grid$alpha)
    expect_identical(ours$power, from_program)
})

test_that("two-stage designs equal the vantor program's, counts, levels and cost", {
    program <- vantor_program()
    words <- c("two-stage", "--method", "joint", "--total", "6000", "--stage1-share", "0.3",
               "--odds-ratio", "1.3", "--control-rate", "0.3", "--alpha", "5e-8",
               "--stage1-alpha", "1e-3", "--cost-ratio", "2")
    ours <- vantor_two_stage_power(total = 6000, stage1_share = 0.3, odds_ratio = 1.3,
                                   control_rate = 0.3, alpha = 5e-8, stage1_alpha = 1e-3,
                                   method = "joint", cost_ratio = 2)
    for (column in c("power", "final_alpha", "stage1_cases", "stage2_controls", "cost")) {
        expect_identical(ours[[column]],
                         vantor_json_numbers(program, words, gsub("_", "-", column)),
                         label = column)
    }
    counts <- vantor_two_stage_power(900, 900, 2100, 2100, 1.3, 0.3, stage1_alpha = 1e-3,
                                     cost_ratio = 2)
    expect_identical(counts$power, ours$power)
})

test_that("a seed simulates the power the vantor program simulates, bit for bit", {
    program <- vantor_program()
    seeds <- c(20261208, 20261209)
    words <- c("power", "--cases", "2000", "--controls", "2000", "--odds-ratio", "1.2",
               "--control-rate", "0.3", "--alpha", "0.05", "--replicates", "1000000",
               "--seed", paste(seeds, collapse = ","))
    ours <- vantor_power(2000, 2000, 1.2, 0.3, alpha = 0.05, replicates = 1e6, seed = seeds)
    expect_identical(ours$simulated_power,
                     vantor_json_numbers(program, words, "simulated-power"))
    expect_identical(ours$standard_error, vantor_json_numbers(program, words, "standard-error"))
    expect_identical(ours$seed, seeds)
    expect_identical(ours$replicates, c(1e6, 1e6))
    # Another seed draws other studies of the same power: each a share of a
    # million with its binomial standard error, within four of them of the
    # normal approximation's power (stats::power.prop.test, on allele counts).
    expect_false(ours$simulated_power[1L] == ours$simulated_power[2L])
    share <- ours$simulated_power
    expect_identical(share * 1e6, round(share * 1e6))
    expect_equal(ours$standard_error, sqrt(share * (1 - share) / 1e6), tolerance = 1e-12)
    case_rate <- 1.2 * 0.3 / (1 - 0.3 + 1.2 * 0.3)
    approximation <- stats::power.prop.test(n = 4000, p1 = 0.3, p2 = case_rate,
                                            sig.level = 0.05, strict = TRUE)$power
    expect_true(all(abs(share - approximation) < 4 * ours$standard_error))
})

test_that("designs within a panel, people and money equal the vantor program's, bit for bit", {
    program <- vantor_program()
    design <- c("total", "stage1_cases", "stage2_cases", "stage1_controls", "stage2_controls",
                "stage1_weight", "stage1_alpha", "final_alpha", "power", "cost",
                "one_stage_total", "relative_cost", "stage1_case_fraction",
                "stage2_case_fraction", "stage2_markers")
    # The planning example: a million markers, stage 2 genotypes three times
    # as dear and at most 2,000 of them; then a budget in money with people
    # limited.
    planned <- list(
        list(arguments = list(frequency = 0.25, prevalence = 0.01, relative_risk = 1.3,
                              markers = 1e6, target_power = 0.8, cost_ratio = 3, panel = 2000,
                              method = "joint"),
             columns = design, limit = "panel"),
        list(arguments = list(budget = 5e5, odds_ratio = 1.3, control_rate = 0.3, markers = 1e6,
                              stage1_cost_per_person = 100, stage2_cost_per_genotype = 0.5,
                              cases_available = 3000, controls_available = 6000,
                              method = "joint"),
             columns = c(design, "cost_in_money", "one_stage_cost_in_money"),
             limit = "cases_available"))
    for (plan in planned) {
        words <- c("design", unlist(Map(function(name, value) {
            c(paste0("--", gsub("_", "-", name)), format(value, digits = 17))
        }, names(plan$arguments), plan$arguments), use.names = FALSE))
        ours <- do.call(if (is.null(plan$arguments$budget)) vantor_cheapest_design
                        else vantor_most_powerful_design, plan$arguments)
        expect_identical(ours$status, "found")
        for (column in plan$columns) {
            expect_identical(ours[[column]],
                             vantor_json_numbers(program, words, gsub("_", "-", column)),
                             label = column)
        }
        expect_identical(ours$binding_limit, plan$limit)
    }
})

test_that("a wide table is the vantor program's --wide, in the same layout, bit for bit", {
    program <- vantor_program()
    output <- system2(program, c("power", "--cases", "1000,1500,2000", "--relative-risk",
                                 "1.2,1.3,1.4", "--controls", "2000", "--frequency", "0.25",
                                 "--prevalence", "0.01", "--wide", "cases,relative-risk",
                                 "--format", "csv"), stdout = TRUE, stderr = FALSE)
    from_program <- utils::read.csv(text = output, check.names = FALSE, colClasses = "character")
    grid <- expand.grid(relative_risk = c(1.2, 1.3, 1.4), cases = c(1000, 1500, 2000))
    answers <- vantor_power(cases = grid$cases, controls = 2000, frequency = 0.25,
                            prevalence = 0.01, relative_risk = grid$relative_risk)
    ours <- vantor_wide(answers, "cases", "relative-risk")
    expect_identical(names(from_program)[1], "cases \\ relative-risk")
    expect_identical(dimnames(ours), list(cases = from_program[[1]],
                                          relative_risk = names(from_program)[-1]))
    expect_identical(unname(ours), unname(apply(as.matrix(from_program[-1]), 2, as.numeric)))
})

test_that("a wide table takes one answer per cell and names a missing column", {
    both_sides <- vantor_odds_ratio(cases = 1000, controls = 1000, control_rate = 0.3)
    expect_error(vantor_wide(both_sides, "cases", "controls", "odds_ratio"), "one answer")
    answers <- vantor_sample_size(controls = c(10, 5000), odds_ratio = 1.3, control_rate = 0.3)
    sizes <- vantor_wide(answers, "controls", "odds_ratio", "cases")
    expect_true(is.na(sizes[1, 1]))
    expect_identical(sizes[2, 1], answers$cases[2])
    expect_error(vantor_wide(answers, "controls", "odds_ratio", "powr"), "no column \"powr\"")
    rates <- vantor_power(cases = 1000, controls = c(1000, 1000, 1e6, 1e6), odds_ratio = 1.3,
                          control_rate = c(0.1, 0.25, 0.1, 0.25))
    expect_identical(dimnames(vantor_wide(rates, "controls", "control_rate")),
                     list(controls = c("1000", "1e+06"), control_rate = c("0.1", "0.25")))
})

test_that("a design's methods paragraph is the one the vantor program prints", {
    program <- vantor_program()
    printed <- vantor_methods_printed(program, c("design", "--frequency", "0.25",
        "--prevalence", "0.01", "--relative-risk", "1.3", "--markers", "1e6", "--method",
        "joint", "--target-power", "0.8"))
    ours <- vantor_methods(stages = 2, solve = "design", frequency = 0.25, prevalence = 0.01,
                           relative_risk = 1.3, markers = 1e6, method = "joint",
                           target_power = 0.8)
    expect_identical(ours, printed)
    # Both sides of 1: the program separates the answers' paragraphs by a
    # blank line.
    both <- vantor_methods(cases = 2000, controls = 2000, control_rate = 0.3, target_power = 0.8)
    expect_identical(paste(both, collapse = "\n\n"),
                     vantor_methods_printed(program, c("power", "--cases", "2000", "--controls",
                         "2000", "--control-rate", "0.3", "--target-power", "0.8")))
})

test_that("a figure's curves are the vantor program's powers, bit for bit", {
    program <- vantor_program()
    rows <- vantor_csv(program, c("power", "--cases", "500:5000:500", "--relative-risk",
                                  "1.2,1.4", "--frequency", "0.25", "--prevalence", "0.01",
                                  "--controls", "2000", "--markers", "1e6"))
    grid <- expand.grid(cases = seq(500, 5000, 500), relative_risk = c(1.2, 1.4))
    answers <- vantor_power(cases = grid$cases, controls = 2000, frequency = 0.25,
                            prevalence = 0.01, relative_risk = grid$relative_risk, markers = 1e6)
    grDevices::pdf(NULL)
    on.exit(grDevices::dev.off())
    for (engine in c("base", "ggplot2")) {
        plotted <- plot(answers, engine = engine)
        data <- if (engine == "base") plotted else plotted$data
        for (risk in c(1.2, 1.4)) {
            curve <- data[data$curve == paste("relative risk", risk), ]
            program_curve <- rows[rows$relative_risk == risk, ]
            expect_identical(curve$x, as.numeric(program_curve$cases), label = engine)
            expect_identical(curve$y, program_curve$power, label = engine)
        }
    }
})
