# The package hands the library's doubles to R untouched: its numbers equal
# the program's printed ones bit for bit (the library's own numbers are
# checked against independent mathematics by the shared table of requests).

test_that("power equals vantor_mini_bin's printed power bit for bit", {
    program <- mini_bin()
    grid <- expand.grid(cases = c(1, 37, 1000, 25000), controls = c(2, 1000, 60001),
                        odds_ratio = c(0.5, 1.3, 2.5), control_rate = c(0.001, 0.3, 0.95),
                        alpha = c(0.05, 5e-8))
    ours <- vantor_power(grid$cases, grid$controls, grid$odds_ratio, grid$control_rate,
                         grid$alpha, count = "alleles")$power
    printed <- vapply(seq_len(nrow(grid)), function(i) {
        run_mini_bin(program, c("SINGLE", grid$cases[i], grid$controls[i],
                                format(grid$odds_ratio[i], digits = 17),
                                format(grid$control_rate[i], digits = 17),
                                format(grid$alpha[i], digits = 17)))
    }, character(1L))
    expect_identical(sprintf("%f", ours), printed)
})

test_that("the size for fixed controls equals vantor_mini_bin's search", {
    program <- mini_bin()
    designs <- data.frame(controls = c(2000, 5000, 800), target = c(0.8, 0.9, 0.5),
                          odds_ratio = c(1.3, 1.2, 2), control_rate = c(0.3, 0.4, 0.1),
                          alpha = c(0.05, 1e-3, 1e-4))
    ours <- vantor_sample_size(designs$odds_ratio, designs$control_rate, designs$alpha,
                               designs$target, controls = designs$controls, count = "alleles")
    printed <- vapply(seq_len(nrow(designs)), function(i) {
        run_mini_bin(program, c("LIMIT", "Control", designs$controls[i], designs$target[i],
                                designs$odds_ratio[i], designs$control_rate[i], designs$alpha[i]))
    }, character(1L))
    expect_identical(as.character(ours$cases), printed)
})
