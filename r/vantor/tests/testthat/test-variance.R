# The unpooled variance against R's own closed form:
# pnorm(d / s - c) + pnorm(-d / s - c), s from each group's own rate.
unpooled_power <- function(case_alleles, control_alleles, odds_ratio, rate, alpha) {
    p1 <- case_rate(odds_ratio, rate)
    s <- sqrt(p1 * (1 - p1) / case_alleles + rate * (1 - rate) / control_alleles)
    c <- qnorm(alpha / 2, lower.tail = FALSE)
    pnorm((p1 - rate) / s - c) + pnorm(-(p1 - rate) / s - c)
}

test_that("the unpooled power is the closed form, the pooled one the default", {
    grid <- expand.grid(cases = c(50, 1000, 2000, 30000), controls = c(400, 2000, 8000),
                        odds_ratio = c(0.7, 1.3, 2), control_rate = c(0.05, 0.3, 0.8),
                        alpha = c(0.05, 1e-4, 5e-8))
    ours <- vantor_power(grid$cases, grid$controls, grid$odds_ratio, grid$control_rate, grid$alpha,
                         variance = "unpooled")$power
    theirs <- unpooled_power(2 * grid$cases, 2 * grid$controls, grid$odds_ratio, grid$control_rate,
                             grid$alpha)
    expect_lt(max(abs(ours - theirs)), 1e-8)
    # 1,000 cases and 4,000 controls: the statistics part with unequal groups.
    expect_lt(abs(vantor_power(1000, 4000, 1.3, 0.3, variance = "unpooled")$power - 0.2789),
              5e-5)
    expect_identical(vantor_power(grid$cases, grid$controls, grid$odds_ratio, grid$control_rate,
                                  grid$alpha, variance = "pooled")$power,
                     vantor_power(grid$cases, grid$controls, grid$odds_ratio, grid$control_rate,
                                  grid$alpha)$power)
})

test_that("solved sizes and odds ratios reach the target by the closed form", {
    size <- vantor_sample_size(1.3, 0.3, controls_per_case = 4, variance = "unpooled")
    expect_identical(size$status, "found")
    expect_gte(unpooled_power(2 * size$cases, 2 * size$controls, 1.3, 0.3, 5e-8), 0.8)
    fewer <- size$cases - 1
    expect_lt(unpooled_power(2 * fewer, 8 * fewer, 1.3, 0.3, 5e-8), 0.8)
    controls <- vantor_sample_size(1.3, 0.3, cases = 3000, variance = "unpooled")$controls
    expect_gte(unpooled_power(6000, 2 * controls, 1.3, 0.3, 5e-8), 0.8)
    expect_lt(unpooled_power(6000, 2 * controls - 2, 1.3, 0.3, 5e-8), 0.8)
    for (direction in c("above", "below")) {
        effect <- vantor_odds_ratio(1000, 4000, 0.3, direction = direction,
                                    variance = "unpooled")
        expect_equal(unpooled_power(2000, 8000, effect$odds_ratio, 0.3, 5e-8), 0.8,
                     tolerance = 1e-8)
    }
})

test_that("replication is the product of unpooled stage powers; the others do not change", {
    result <- vantor_two_stage_power(600, 1200, 900, 1800, 1.3, 0.3, stage1_alpha = 1e-3,
                                     method = "replication", variance = "unpooled")
    expected <- unpooled_power(1200, 2400, 1.3, 0.3, 1e-3) *
        unpooled_power(1800, 3600, 1.3, 0.3, result$final_alpha)
    expect_lt(abs(result$power - expected), 1e-8)
    for (method in c("product", "joint")) {
        both <- vapply(c("pooled", "unpooled"), function(variance) {
            vantor_two_stage_power(600, 1200, 900, 1800, 1.3, 0.3, stage1_alpha = 1e-3,
                                   method = method, variance = variance)$power
        }, numeric(1L))
        expect_identical(both[[1]], both[[2]])
    }
    pooled <- vantor_smallest_total(1.3, 0.3, stage1_share = 0.4, stage1_alpha = 1e-3,
                                    method = "replication", case_fraction = 0.2)
    unpooled <- vantor_smallest_total(1.3, 0.3, stage1_share = 0.4, stage1_alpha = 1e-3,
                                      method = "replication", case_fraction = 0.2,
                                      variance = "unpooled")
    expect_gt(unpooled$total, pooled$total)
})

test_that("any other variance is refused by the library, in every function", {
    calls <- list(
        function(v) vantor_power(1000, 1000, 1.3, 0.3, variance = v),
        function(v) vantor_sample_size(1.3, 0.3, controls = 1000, variance = v),
        function(v) vantor_odds_ratio(1000, 1000, 0.3, variance = v),
        function(v) vantor_two_stage_power(10, 10, 10, 10, 1.3, 0.3, stage1_alpha = 1e-3,
                                           variance = v),
        function(v) vantor_smallest_total(1.3, 0.3, stage1_share = 0.4, stage1_alpha = 1e-3,
                                          variance = v),
        function(v) vantor_cheapest_design(1.3, 0.3, variance = v),
        function(v) vantor_most_powerful_design(5000, 1.3, 0.3, variance = v))
    for (call in calls) {
        for (variance in list("Pooled", "wald", NA, 1, c("pooled", "chi-square"))) {
            refused <- tryCatch(call(variance), vantor_invalid_input = function(e) e)
            expect_s3_class(refused, "vantor_invalid_input")
            expect_identical(refused$argument, "variance")
            expect_identical(refused$reason, "BAD_STATISTIC")
            expect_identical(refused$element, length(variance))
        }
    }
    # Like every other argument, the variance is recycled.
    both <- vantor_power(1000, 4000, 1.3, 0.3, variance = c("pooled", "unpooled"))
    expect_identical(both$power, c(vantor_power(1000, 4000, 1.3, 0.3)$power,
                                   vantor_power(1000, 4000, 1.3, 0.3,
                                                variance = "unpooled")$power))
})
