test_that("a grid equals its elements computed one by one", {
    grid <- vantor_power(cases = seq(500, 5000, 500), controls = 2000,
                         odds_ratio = c(1.2, 1.3), control_rate = 0.3, alpha = 5e-8)
    expect_identical(nrow(grid), 10L)
    expect_identical(grid$odds_ratio, rep(c(1.2, 1.3), 5))
    one_by_one <- vapply(seq_len(10), function(i) {
        vantor_power(grid$cases[i], 2000, grid$odds_ratio[i], 0.3, 5e-8)$power
    }, numeric(1L))
    expect_identical(grid$power, one_by_one)
    sizes <- vantor_sample_size(odds_ratio = c(1.2, 1.3), control_rate = 0.3,
                                controls = c(3000, 4000, 5000, 6000))
    expect_identical(sizes$cases[4], vantor_sample_size(odds_ratio = 1.3, control_rate = 0.3,
                                                        controls = 6000)$cases)
    designs <- vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3, stage1_alpha = 1e-3,
                                      method = c("replication", "product", "joint"))
    expect_identical(designs$power[3], vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3,
                                                              stage1_alpha = 1e-3)$power)
})

test_that("each row's status, reason and words are its own", {
    mixed <- vantor_power(cases = c(1, 2000, 2000, 1), controls = 10, odds_ratio = 1.3,
                          control_rate = 0.3,
                          variance = c("pooled", "pooled", "unpooled", "pooled"))
    for (row in seq_len(4)) {
        alone <- vantor_power(mixed$cases[row], 10, 1.3, 0.3, variance = mixed$variance[row])
        expect_identical(mixed[row, c("power", "status", "reason", "message")],
                         alone[1, c("power", "status", "reason", "message")], ignore_attr = TRUE)
    }
    expect_identical(mixed$reason, c("FEW_EXPECTED_ALLELES", "NONE", "NONE",
                                     "FEW_EXPECTED_ALLELES"))
    expect_identical(mixed$variance, c("pooled", "pooled", "unpooled", "pooled"))
})

test_that("a missing value stops the call rather than giving an NA row", {
    # Missing values were once NA rows; now the library refuses them as it
    # refuses any value out of range (test-failures.R checks every function),
    # and the rows before the refused one are not returned.
    expect_error(vantor_power(cases = c(1000, NA, 1000), controls = 1000, odds_ratio = 1.3,
                              control_rate = 0.3),
                 "invalid 'cases' \\(element 2\\)", class = "vantor_invalid_input")
    expect_error(vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, c(0.3, NA),
                                        stage1_alpha = 1e-3),
                 "invalid 'control_rate' \\(element 2\\)", class = "vantor_invalid_input")
})

test_that("a plot of a power grid draws with base graphics", {
    grid <- vantor_power(cases = seq(500, 5000, 500), controls = 2000,
                         odds_ratio = c(1.2, 1.3), control_rate = 0.3)
    grDevices::pdf(NULL)
    on.exit(grDevices::dev.off())
    expect_identical(plot(grid), grid)
})

test_that("the library's version is the package's", {
    expect_identical(vantor_library_version(),
                     as.character(utils::packageVersion("vantor")))
})
