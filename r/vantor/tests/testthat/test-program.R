# The package and the `vantor` program compute with the same library: their
# numbers agree to the last bit (the program's JSON keeps every digit).

test_that("single-stage powers equal the vantor program's, bit for bit", {
    program <- vantor_program()
    alphas <- c(5e-8, 1e-6, 1e-4, 0.05)
    from_program <- vantor_json_numbers(program, c("power", "--cases", "1000,2500",
        "--controls", "1000", "--odds-ratio", "1.3", "--rate", "0.3", "--alpha",
        paste(alphas, collapse = ",")), "power")
    grid <- expand.grid(alpha = alphas, cases = c(1000, 2500))
    ours <- vantor_power(cases = grid$cases, controls = 1000, odds_ratio = 1.3, rate = 0.3,
                         alpha = grid$alpha)
    expect_identical(ours$power, from_program)
})

test_that("two-stage powers and derived levels equal the vantor program's", {
    program <- vantor_program()
    from_program <- vantor_json_numbers(program, c("two-stage", "--method", "joint",
        "--total", "6000", "--share", "0.5", "--odds-ratio", "1.3", "--rate", "0.3",
        "--alpha", "5e-8", "--alpha0", "1e-3"), "power")
    ours <- vantor_two_stage_power(cases1 = 1500, controls1 = 1500, cases2 = 1500,
                                   controls2 = 1500, odds_ratio = 1.3, rate = 0.3,
                                   alpha = 5e-8, alpha_stage1 = 1e-3, method = "joint")
    expect_identical(ours$achieved_power, from_program)
    derived <- vantor_json_numbers(program, c("two-stage", "--method", "joint", "--total",
        "6000", "--share", "0.5", "--odds-ratio", "1.3", "--rate", "0.3", "--alpha", "5e-8",
        "--alpha0", "1e-3"), "alpha1")
    expect_identical(ours$alpha_stage2, derived)
})
