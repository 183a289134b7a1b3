test_that("replication derives the second level in closed form", {
    result <- vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3, alpha = 1e-6,
                                     stage1_alpha = c(1e-2, 1e-3), method = "replication")
    expect_equal(result$final_alpha, 2 * 1e-6 / c(1e-2, 1e-3), tolerance = 1e-15)
    expect_true(all(result$status == "found"))
})

test_that("the product method's derived level meets its equation", {
    result <- vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3, alpha = 5e-8,
                                     stage1_alpha = 1e-2, method = "product")
    a1 <- result$final_alpha
    expect_equal(a1 * (1 + log(1e-2 / a1)), 5e-8, tolerance = 1e-9)
})

test_that("the joint method's power lies between its stage-1 and one-stage bounds", {
    result <- vantor_two_stage_power(1000, 1000, 2000, 2000, 1.3, 0.3, alpha = 5e-8,
                                     stage1_alpha = 1e-3, method = "joint")
    one_stage <- vantor_power(3000, 3000, 1.3, 0.3, 5e-8)$power
    stage1 <- vantor_power(1000, 1000, 1.3, 0.3, 1e-3)$power
    expect_lt(result$power, min(one_stage, stage1))
    expect_gt(result$power, 0.5 * one_stage)
    expect_identical(result$method, "joint")
    expect_identical(result$cost, 2000 + 1e-3 * 4000)
})

test_that("the smallest total is the power of its own design", {
    total <- vantor_smallest_total(odds_ratio = c(1.3, 1.5), control_rate = 0.3,
                                   stage1_share = 0.4,
                                   stage1_alpha = 1e-3, method = c("joint", "replication"))
    again <- vantor_two_stage_power(total$stage1_cases, total$stage1_controls,
                                    total$stage2_cases, total$stage2_controls,
                                    total$odds_ratio, 0.3, stage1_alpha = 1e-3,
                                    method = total$method)
    expect_identical(again$power, total$power)
    expect_true(all(total$power >= 0.8))
    expect_identical(total$total, total$stage1_cases + total$stage1_controls +
                         total$stage2_cases + total$stage2_controls)
})

test_that("the cheapest design costs less than the one-stage design and reaches the target", {
    design <- vantor_cheapest_design(odds_ratio = 1.3, control_rate = 0.3,
                                     method = "replication")
    expect_identical(design$status, "found")
    expect_gte(design$power, 0.8)
    expect_lt(design$cost, design$one_stage_total)
    expect_equal(design$relative_cost, design$cost / design$one_stage_total)
})

test_that("the most powerful design keeps within its budget", {
    design <- vantor_most_powerful_design(budget = c(3000, 6000, 1), odds_ratio = 1.3,
                                          control_rate = 0.3, method = "replication")
    expect_identical(design$status, c("found", "found", "not reachable"))
    expect_true(all(design$cost[1:2] <= design$budget[1:2]))
    expect_lt(design$power[1], design$power[2])
    expect_match(design$message[3], "budget does not pay")
})

test_that("the joint analysis answers unequal groups without a warning", {
    result <- vantor_two_stage_power(1000, 1000, 2000, c(2000, 2500), 1.3, 0.3,
                                     stage1_alpha = 1e-3)
    expect_identical(result$status, c("found", "found"))
})
