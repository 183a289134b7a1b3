test_that("power equals power.prop.test's strict power for equal groups in alleles", {
    grid <- expand.grid(n = c(50, 400, 3000, 20000), odds_ratio = c(0.7, 1.15, 1.5, 3),
                        control_rate = c(0.02, 0.3, 0.8), alpha = c(0.05, 1e-4, 5e-8))
    ours <- vantor_power(grid$n, grid$n, grid$odds_ratio, grid$control_rate, grid$alpha,
                         count = "alleles")$power
    theirs <- mapply(function(n, odds_ratio, rate, alpha) {
        stats::power.prop.test(n = n, p1 = case_rate(odds_ratio, rate), p2 = rate,
                               sig.level = alpha, strict = TRUE)$power
    }, grid$n, grid$odds_ratio, grid$control_rate, grid$alpha)
    # The library's normal distribution function is accurate to about 1e-9.
    expect_lt(max(abs(ours - theirs)), 1e-8)
})

test_that("people count two alleles each", {
    people <- vantor_power(c(300, 1000), c(500, 900), 1.4, 0.25, 1e-3)$power
    alleles <- vantor_power(c(600, 2000), c(1000, 1800), 1.4, 0.25, 1e-3, count = "alleles")$power
    expect_identical(people, alleles)
})

test_that("power equals vantor_mini_bin's printed power bit for bit", {
    program <- mini_bin()
    grid <- expand.grid(cases = c(1, 37, 1000, 25000), controls = c(2, 1000, 60001),
                        odds_ratio = c(0.5, 1.3, 2.5), control_rate = c(0.001, 0.3, 0.95),
                        alpha = c(0.05, 5e-8))
    ours <- vantor_power(grid$cases, grid$controls, grid$odds_ratio, grid$control_rate,
                         grid$alpha,
                         count = "alleles")$power
    printed <- vapply(seq_len(nrow(grid)), function(i) {
        run_mini_bin(program, c("SINGLE", grid$cases[i], grid$controls[i],
                                format(grid$odds_ratio[i], digits = 17),
                                format(grid$control_rate[i], digits = 17),
                                format(grid$alpha[i], digits = 17)))
    }, character(1L))
    expect_identical(sprintf("%f", ours), printed)
})

test_that("the size for fixed controls equals vantor_mini_bin's search where the power rises", {
    program <- mini_bin()
    designs <- data.frame(controls = c(2000, 5000, 800), target = c(0.8, 0.9, 0.5),
                          odds_ratio = c(1.3, 1.2, 2), control_rate = c(0.3, 0.4, 0.1),
                          alpha = c(0.05, 1e-3, 1e-4))
    ours <- vantor_sample_size(designs$odds_ratio, designs$control_rate, designs$alpha,
                               designs$target,
                               controls = designs$controls, count = "alleles")
    printed <- vapply(seq_len(nrow(designs)), function(i) {
        run_mini_bin(program, c("LIMIT", "Control", designs$controls[i], designs$target[i],
                                designs$odds_ratio[i], designs$control_rate[i], designs$alpha[i]))
    }, character(1L))
    expect_identical(as.character(ours$cases), printed)
})

test_that("a size answer reaches the target and one fewer does not", {
    found <- vantor_sample_size(odds_ratio = c(1.2, 1.3, 1.5), control_rate = c(0.1, 0.3, 0.5),
                                controls = 20000, target_power = 0.8, alpha = 5e-8)
    expect_true(all(found$status == "found"))
    at <- vantor_power(found$cases, 20000, found$odds_ratio, found$control_rate, 5e-8)$power
    below <- vantor_power(found$cases - 1, 20000, found$odds_ratio, found$control_rate,
                          5e-8)$power
    expect_identical(at, found$power)
    expect_true(all(at >= 0.8) && all(below < 0.8))
})

test_that("ratio solvers keep the ratio", {
    both <- vantor_sample_size(odds_ratio = 1.3, control_rate = 0.3,
                               controls_per_case = c(1, 2))
    expect_identical(both$controls, both$cases * c(1, 2))
    other <- vantor_sample_size(odds_ratio = 1.3, control_rate = 0.3, cases_per_control = 2)
    expect_identical(other$cases, other$controls * 2)
    fixed_cases <- vantor_sample_size(odds_ratio = 1.3, control_rate = 0.3, cases = 5000)
    expect_identical(fixed_cases$cases, 5000)
    expect_gte(fixed_cases$power, 0.8)
})

test_that("a detectable odds ratio has the target power on its side of 1", {
    above <- vantor_odds_ratio(cases = c(1000, 5000), controls = 5000, control_rate = 0.3,
                               direction = "above")
    below <- vantor_odds_ratio(cases = c(1000, 5000), controls = 5000, control_rate = 0.3,
                               direction = "below")
    expect_true(all(above$odds_ratio > 1) && all(below$odds_ratio < 1))
    expect_true(all(diff(above$odds_ratio) < 0))
    at <- vantor_power(above$cases, 5000, above$odds_ratio, 0.3)$power
    expect_identical(at, above$power)
    expect_true(all(at >= 0.8))
    closer <- vantor_power(above$cases, 5000, 1 + (above$odds_ratio - 1) * (1 - 1e-6), 0.3)
    expect_true(all(closer$power < 0.8))
    # Both sides unless one is asked for: each element above, then below.
    both <- vantor_odds_ratio(cases = c(1000, 5000), controls = 5000, control_rate = 0.3)
    expect_identical(both$odds_ratio, c(rbind(above$odds_ratio, below$odds_ratio)))
    expect_identical(both$cases, c(1000, 1000, 5000, 5000))
    expect_identical(vantor_odds_ratio(cases = c(1000, 5000), controls = 5000,
                                       control_rate = 0.3, direction = c("above", "below")),
                     both)
})

test_that("an unreachable answer is a row with its status, not an error", {
    fixed <- vantor_sample_size(odds_ratio = c(1.3, 1.01), control_rate = 0.3, controls = 1000,
                                alpha = 0.05)
    expect_identical(fixed$status, c("found", "not reachable"))
    expect_match(fixed$message[2], "levels off below the target")
    expect_identical(fixed$reason, c("NONE", "LEVELS_OFF_WITH_GROUP_FIXED"))
    expect_true(is.na(fixed$cases[2]) && is.na(fixed$power[2]))
    effect <- vantor_odds_ratio(cases = 1, controls = 1, control_rate = 0.3, alpha = 1e-12)
    expect_identical(effect$status, c("not reachable", "not reachable"))
    expect_identical(effect$direction, c("above", "below"))
    expect_true(all(is.na(effect$odds_ratio)) && all(effect$reason != "NONE"))
})

test_that("equal groups need the alleles power.prop.test's n rounds up to", {
    designs <- data.frame(odds_ratio = c(1.2, 1.5, 0.8, 2),
                          control_rate = c(0.3, 0.1, 0.4, 0.05),
                          alpha = c(5e-8, 0.05, 1e-4, 1e-6),
                          target_power = c(0.8, 0.9, 0.5, 0.95))
    ours <- vantor_sample_size(designs$odds_ratio, designs$control_rate, designs$alpha,
                               designs$target_power,
                               controls_per_case = 1, count = "alleles")
    theirs <- mapply(function(odds_ratio, rate, alpha, power) {
        stats::power.prop.test(p1 = case_rate(odds_ratio, rate), p2 = rate, sig.level = alpha,
                               power = power, strict = TRUE, tol = 1e-10)$n
    }, designs$odds_ratio, designs$control_rate, designs$alpha, designs$target_power)
    expect_identical(ours$cases, ceiling(theirs))
    expect_identical(ours$controls, ours$cases)
})
