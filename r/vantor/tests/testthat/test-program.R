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
