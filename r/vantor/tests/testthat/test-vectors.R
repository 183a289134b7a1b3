test_that("a grid equals its elements computed one by one", {
    grid <- vantor_power(cases = seq(500, 5000, 500), controls = 2000,
                         odds_ratio = c(1.2, 1.3), rate = 0.3, alpha = 5e-8)
    expect_identical(nrow(grid), 10L)
    expect_identical(grid$odds_ratio, rep(c(1.2, 1.3), 5))
    one_by_one <- vapply(seq_len(10), function(i) {
        vantor_power(grid$cases[i], 2000, grid$odds_ratio[i], 0.3, 5e-8)$power
    }, numeric(1L))
    expect_identical(grid$power, one_by_one)
    sizes <- vantor_sample_size(odds_ratio = c(1.2, 1.3), rate = 0.3,
                                controls = c(3000, 4000, 5000, 6000))
    expect_identical(sizes$cases[4],
                     vantor_sample_size(odds_ratio = 1.3, rate = 0.3, controls = 6000)$cases)
})

test_that("a missing input gives NA in its element only", {
    grid <- vantor_power(cases = c(1000, NA, 1000, 1000), controls = 1000,
                         odds_ratio = c(1.3, 1.3, NaN, 1.3), rate = 0.3)
    expect_identical(is.na(grid$power), c(TRUE, FALSE, TRUE, FALSE)[c(2, 1, 3, 4)])
    expect_identical(grid$power[1], grid$power[4])
    sizes <- vantor_sample_size(odds_ratio = c(1.3, NA), rate = 0.3, controls = 3000)
    expect_true(all(is.na(sizes[2, c("cases", "achieved_power", "status", "message")])))
    expect_identical(sizes$status[1], "found")
    two <- vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, c(0.3, NA), alpha_stage1 = 1e-3,
                                  method = c("separate", NA))
    expect_true(is.na(two$achieved_power[2]) && !is.na(two$achieved_power[1]))
    expect_true(is.na(vantor_power(NA, 1000, 1.3, 0.3)$power))
})

test_that("a plot of a power grid draws with base graphics", {
    grid <- vantor_power(cases = seq(500, 5000, 500), controls = 2000,
                         odds_ratio = c(1.2, 1.3), rate = 0.3)
    grDevices::pdf(NULL)
    on.exit(grDevices::dev.off())
    expect_identical(plot(grid), grid)
})

test_that("the library's version is the package's", {
    expect_identical(vantor_library_version(),
                     as.character(utils::packageVersion("vantor")))
})
