# R's own behaviour: arguments recycled to the longest, one request per row,
# the rows laid out as a data frame of the inputs given and the answer.

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

test_that("a detectable effect without a direction is two rows per element", {
    both <- vantor_odds_ratio(cases = c(1000, 5000), controls = 5000, control_rate = 0.3)
    expect_identical(both$cases, c(1000, 1000, 5000, 5000))
    expect_identical(both$direction, c("above", "below", "above", "below"))
    above <- vantor_odds_ratio(cases = c(1000, 5000), controls = 5000, control_rate = 0.3,
                               direction = "above")
    expect_identical(both$odds_ratio[c(1, 3)], above$odds_ratio)
    # A direction is recycled like any other argument: one per element.
    paired <- vantor_odds_ratio(cases = c(1000, 5000), controls = 5000, control_rate = 0.3,
                                direction = c("above", "below"))
    expect_identical(paired$odds_ratio, both$odds_ratio[c(1, 4)])
    expect_identical(paired$direction, c("above", "below"))
})

test_that("the inputs given come first, once, then the answer's columns", {
    sizes <- vantor_sample_size(odds_ratio = c(1.2, 1.3), control_rate = 0.3,
                                controls_per_case = 2, target_power = 0.9)
    expect_s3_class(sizes, c("vantor_sample_size", "data.frame"), exact = TRUE)
    expect_identical(head(names(sizes), 4),
                     c("odds_ratio", "control_rate", "target_power", "controls_per_case"))
    expect_identical(sizes$controls, sizes$cases * 2)
    expect_identical(tail(names(sizes), 3), c("status", "reason", "message"))
    expect_false(anyDuplicated(names(sizes)) > 0)
    # The cases given are the answer's: shown once, where the answer has them.
    fixed <- vantor_sample_size(odds_ratio = 1.3, control_rate = 0.3, cases = 5000)
    expect_identical(sum(names(fixed) == "cases"), 1L)
    expect_identical(fixed$cases, 5000)
    # The level and unit taken are columns whether given or not.
    expect_identical(vantor_power(2000, 2000, 1.3, 0.3)$alpha, 5e-8)
    expect_identical(vantor_power(2000, 2000, 1.3, 0.3, markers = 10)$alpha, 0.05)
    expect_identical(vantor_power(2000, 2000, 1.3, 0.3, count = "alleles")$count, "alleles")
    # The controls the library works out from a ratio.
    ratio <- vantor_ask(cases = c(1000, 1001), controls_per_case = 1.5, odds_ratio = 1.3,
                        control_rate = 0.3)
    expect_identical(ratio$controls, c(1500, 1502))
    expect_identical(ratio$power, vantor_power(c(1000, 1001), c(1500, 1502), 1.3, 0.3)$power)
})

test_that("vantor_ask takes any named inputs, and its functions are its thin calls", {
    expect_identical(vantor_ask(cases = 2000, controls = 2000, odds_ratio = 1.3,
                                control_rate = 0.3, solve = "power")[, -5],
                     unclass(vantor_power(2000, 2000, 1.3, 0.3)), ignore_attr = TRUE)
    expect_identical(vantor_ask(cases = 2000, controls = 2000, odds_ratio = NULL,
                                control_rate = 0.3, target_power = 0.8)$odds_ratio,
                     vantor_odds_ratio(2000, 2000, 0.3)$odds_ratio)
    expect_identical(vantor_ask(stages = 2, odds_ratio = 1.3, control_rate = 0.3,
                                stage1_share = 0.4, stage1_alpha = 1e-3,
                                target_power = 0.8)$total,
                     vantor_smallest_total(1.3, 0.3, stage1_share = 0.4,
                                           stage1_alpha = 1e-3)$total)
    inputs <- vantor_inputs()
    expect_true(all(c("name", "kind", "choice", "reason", "default", "meaning") %in%
                    names(inputs)))
    expect_true(all(c("cases", "stage1_cases", "solve", "stages") %in% inputs$name))
})

test_that("methods paragraphs recycle as the answers do, both sides one each", {
    rows <- vantor_ask(cases = c(1000, 2000), controls = 2000, control_rate = 0.3,
                       target_power = 0.8)
    paragraphs <- vantor_methods(cases = c(1000, 2000), controls = 2000, control_rate = 0.3,
                                 target_power = 0.8)
    expect_length(paragraphs, nrow(rows))
    # Above 1 then below, each the paragraph of its own direction, and each
    # naming the effect the answer found in four significant digits, rounded
    # away from 1 (an effect that still reaches the target).
    away_from_one <- function(effect) {
        scale <- 10^(3 - floor(log10(effect)))
        if (effect > 1) ceiling(effect * scale) / scale else floor(effect * scale) / scale
    }
    for (k in seq_len(nrow(rows))) {
        alone <- vantor_methods(cases = rows$cases[k], controls = 2000, control_rate = 0.3,
                                target_power = 0.8, direction = rows$direction[k])
        expect_identical(paragraphs[[k]], alone)
        shown <- formatC(away_from_one(rows$odds_ratio[k]), digits = 4, format = "fg")
        expect_match(paragraphs[[k]], paste0(": ", shown, "."), fixed = TRUE)
    }
    expect_match(paragraphs, sprintf("Calculated with vantor %s.", vantor_library_version()),
                 fixed = TRUE)
    # A refusal stops as vantor_ask stops, naming the element as given.
    refused <- function(call) tryCatch(call, vantor_invalid_input = function(e) e)
    ours <- refused(vantor_methods(cases = c(2000, 2.5), controls = 2000, odds_ratio = 1.3,
                                   control_rate = 0.3))
    asked <- refused(vantor_ask(cases = c(2000, 2.5), controls = 2000, odds_ratio = 1.3,
                                control_rate = 0.3))
    expect_s3_class(ours, "vantor_invalid_input")
    expect_identical(ours[c("message", "reason", "argument", "element")],
                     asked[c("message", "reason", "argument", "element")])
    expect_error(vantor_methods(2000, controls = 2000), "name every input of vantor_methods")
    expect_error(vantor_methods(casse = 2000), "no input is named 'casse'")
})

test_that("the library's version is the package's", {
    expect_identical(vantor_library_version(),
                     as.character(utils::packageVersion("vantor")))
})

test_that("each row's design keeps within its own limits and costs what its counts cost", {
    # The counts of each stage within the people available of the row, the
    # markers stage 2 types within its panel, the limit named used to 1 %.
    expect_within_limits <- function(d) {
        used <- list(cases_available = d$stage1_cases + d$stage2_cases,
                     controls_available = d$stage1_controls + d$stage2_controls,
                     stage1_controls_available = d$stage1_controls,
                     stage2_controls_available = d$stage2_controls,
                     panel = d$stage2_markers)
        expect_identical(d$status, rep("found", nrow(d)))
        expect_equal(d$stage2_markers, d$markers * d$stage1_alpha, tolerance = 1e-12)
        expect_identical(d$stage1_case_fraction,
                         d$stage1_cases / (d$stage1_cases + d$stage1_controls))
        for (limit in intersect(names(used), names(d))) {
            expect_true(all(used[[limit]] <= d[[limit]]), label = limit)
            reached <- d$binding_limit == limit
            expect_true(all(used[[limit]][reached] >= 0.99 * d[[limit]][reached]), label = limit)
        }
        expect_true(all(d$binding_limit %in% c("none", names(d))))
    }
    expect_within_limits(vantor_cheapest_design(frequency = 0.25, prevalence = 0.01,
                                                relative_risk = 1.3, markers = 1e6,
                                                cost_ratio = 3, panel = c(500, 2000, 1e5)))
    expect_within_limits(vantor_most_powerful_design(c(2500, 4000), 1.3, 0.3, markers = 1e4,
                                                     cases_available = c(3000, 2000),
                                                     controls_available = c(6000, 2500),
                                                     stage1_share = 0.4))
    expect_within_limits(vantor_cheapest_design(1.3, 0.3, method = "replication", markers = 10,
                                                stage1_controls_available = c(300, 800),
                                                stage2_controls_available = 3500))
    # Costs in money: the fixed costs, then each stage's people at their own
    # cost, stage 2's with the assays of its markers.
    costs <- list(stage1_cost_per_person = c(100, 80), stage2_cost_per_person = 20,
                  stage2_cost_per_genotype = c(0.5, 0), stage1_fixed_cost = 5000,
                  stage2_fixed_cost = c(300, 0), markers = 1e6)
    paid <- list(
        do.call(vantor_two_stage_power, c(list(900, 900, 2100, 2100, 1.3, 0.3,
                                               stage1_alpha = 1e-3), costs)),
        do.call(vantor_smallest_total, c(list(1.3, 0.3, stage1_share = 0.4,
                                              stage1_alpha = 1e-5), costs)),
        do.call(vantor_cheapest_design, c(list(1.3, 0.3, panel = 3000), costs)),
        do.call(vantor_most_powerful_design, c(list(5e5, 1.3, 0.3, cases_available = 2500),
                                               costs)))
    for (d in paid) {
        expect_identical(d$status, c("found", "found"))
        money <- d$stage1_fixed_cost + d$stage2_fixed_cost +
            (d$stage1_cases + d$stage1_controls) * d$stage1_cost_per_person +
            (d$stage2_cases + d$stage2_controls) *
            (d$stage2_cost_per_person + d$stage2_cost_per_genotype * d$markers * d$stage1_alpha)
        expect_equal(d$cost_in_money, money, tolerance = 1e-9)
        expect_identical(d$one_stage_cost_in_money,
                         d$stage1_fixed_cost + d$one_stage_total * d$stage1_cost_per_person)
    }
    expect_true(all(paid[[4L]]$cost_in_money <= 5e5))
})
