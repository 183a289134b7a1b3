# plot() of answers: what each figure shows (its points, curves, titles,
# target and caption), with ggplot2 and with base graphics. The points are
# the answers' own columns; the program's figures are compared in
# test-program.R.

power_grid <- function() {
    grid <- expand.grid(cases = seq(500, 5000, 500), relative_risk = c(1.4, 1.2))
    vantor_power(cases = grid$cases, controls = 2000, frequency = 0.25, prevalence = 0.01,
                 relative_risk = grid$relative_risk, markers = 1e6)
}

# Draws on a device that keeps nothing.
plotted <- function(answers, ...) {
    grDevices::pdf(NULL)
    on.exit(grDevices::dev.off())
    plot(answers, ...)
}

# Each answer's point as the figure shows it: the rows of `answers`, the
# columns x, y and the curve's value, sorted as the figure sorts them.
expected_points <- function(answers, x, y, curves = NULL) {
    key <- if (is.null(curves)) rep(0, nrow(answers)) else answers[[curves]]
    order <- order(key, answers[[x]])
    list(x = answers[[x]][order], y = answers[[y]][order])
}

test_that("base graphics return the points, titles, target and caption drawn", {
    answers <- power_grid()
    drawn <- withVisible(plotted(answers, engine = "base"))
    expect_false(drawn$visible)
    data <- drawn$value
    expect_identical(names(data), c("x", "y", "curve"))
    expect_identical(as.list(data[c("x", "y")]),
                     expected_points(answers, "cases", "power", "relative_risk"))
    # One curve per relative risk, ascending, named by the glossary's words.
    expect_identical(levels(data$curve), c("relative risk 1.2", "relative risk 1.4"))
    expect_identical(as.vector(table(data$curve)), c(10L, 10L))
    expect_identical(attr(data, "x_title"), "cases (people)")
    expect_identical(attr(data, "y_title"), "power")
    expect_identical(attr(data, "target"), 0.8)
    # The caption names the study but not the two inputs the figure shows.
    caption <- attr(data, "caption")
    expect_match(caption, "2,000 controls", fixed = TRUE)
    expect_match(caption, "prevalence 0.01", fixed = TRUE)
    expect_match(caption, "level 0.05 (5e-8 per marker)", fixed = TRUE)
    expect_no_match(caption, "relative risk", fixed = TRUE)
    expect_no_match(caption, "500", fixed = TRUE)
    # The old call still draws, a target of NULL drawing none.
    expect_null(attr(plotted(answers, target = NULL, engine = "base"), "target"))
})

test_that("ggplot2 draws the same points with a line per curve, the target and the caption", {
    answers <- power_grid()
    figure <- plotted(answers, engine = "ggplot2")
    expect_s3_class(figure, "ggplot")
    expect_identical(figure$data, plotted(answers, engine = "base"))
    geoms <- vapply(figure$layers, function(layer) class(layer$geom)[1L], character(1))
    expect_identical(geoms, c("GeomLine", "GeomHline"))
    expect_identical(figure$layers[[2L]]$data$yintercept, 0.8)
    expect_identical(figure$layers[[2L]]$aes_params$linetype, "dashed")
    built <- ggplot2::ggplot_build(figure)
    expect_identical(sort(unique(built$data[[1L]]$group)), 1:2)
    expect_identical(built$data[[1L]]$y, figure$data$y)
    expect_identical(figure$labels$x, "cases (people)")
    expect_identical(figure$labels$y, "power")
    expect_identical(gsub("\n", " ", figure$labels$caption), attr(figure$data, "caption"))
    # The legend's entries, in order.
    expect_identical(built$plot$scales$get_scales("colour")$get_labels(),
                     c("relative risk 1.2", "relative risk 1.4"))
    # Ticks on both axes.
    expect_gt(length(stats::na.omit(built$layout$panel_params[[1L]]$x$get_labels())), 1L)
    expect_gt(length(stats::na.omit(built$layout$panel_params[[1L]]$y$get_labels())), 1L)
    # No target line where the figure is not of power.
    sizes <- vantor_sample_size(controls = seq(2000, 6000, 1000), frequency = 0.25,
                                prevalence = 0.01, relative_risk = 1.3, markers = 1e6)
    expect_identical(length(plotted(sizes, engine = "ggplot2")$layers), 1L)
})

test_that("each kind of answer plots what it solved against the input that varies most", {
    sizes <- vantor_sample_size(controls = seq(2000, 6000, 1000), frequency = 0.25,
                                prevalence = 0.01, relative_risk = 1.3, markers = 1e6)
    cases_given <- vantor_sample_size(cases = seq(2000, 6000, 1000), frequency = 0.25,
                                      prevalence = 0.01, relative_risk = 1.3, markers = 1e6)
    effects <- vantor_odds_ratio(cases = seq(1000, 5000, 1000), controls = 2000,
                                 control_rate = 0.3)
    risks <- vantor_relative_risk(cases = c(1000, 2000, 3000), controls = 2000,
                                  frequency = 0.25, prevalence = 0.01, direction = "above")
    methods <- rep(c("joint", "replication"), each = 3)
    cheapest <- vantor_cheapest_design(odds_ratio = c(1.2, 1.3, 1.4), control_rate = 0.3,
                                       method = methods)
    powers <- vantor_two_stage_power(total = seq(2000, 6000, 2000), stage1_share = 0.4,
                                     stage1_alpha = 0.01, odds_ratio = 1.3, control_rate = 0.3)
    budgets <- vantor_most_powerful_design(budget = c(2000, 3000, 4000), odds_ratio = 1.3,
                                           control_rate = 0.3)
    smallest <- vantor_smallest_total(odds_ratio = c(1.2, 1.3), control_rate = 0.3,
                                      stage1_share = 0.4, stage1_alpha = 0.01)
    cases <- list(
        list(sizes, "controls", "cases", NULL, "cases (people)"),
        list(cases_given, "cases", "controls", NULL, "controls (people)"),
        list(effects, "cases", "odds_ratio", "direction", "odds ratio"),
        list(risks, "cases", "relative_risk", NULL, "relative risk"),
        list(cheapest, "odds_ratio", "total", "method", "total (people)"),
        list(powers, "total", "power", NULL, "power"),
        list(budgets, "budget", "power", NULL, "power"),
        list(smallest, "odds_ratio", "total", NULL, "total (people)"))
    for (case in cases) {
        answers <- case[[1L]]
        label <- class(answers)[1L]
        data <- plotted(answers, engine = "base")
        expect_identical(as.list(data[c("x", "y")]),
                         expected_points(answers, case[[2L]], case[[3L]], case[[4L]]),
                         label = label)
        expect_identical(attr(data, "y_title"), case[[5L]], label = label)
        expect_identical(is.null(attr(data, "target")), case[[3L]] != "power", label = label)
        expect_identical(anyNA(data$curve), is.null(case[[4L]]), label = label)
        expect_false(is.na(attr(data, "caption")), label = label)
    }
    expect_identical(levels(plotted(effects, engine = "base")$curve),
                     c("direction above", "direction below"))
    expect_identical(levels(plotted(cheapest, engine = "base")$curve),
                     c("method joint", "method replication"))
})

test_that("x_axis, curves and y choose what is shown; a third input varying is an error", {
    answers <- power_grid()
    swapped <- plotted(answers, x_axis = "relative_risk", curves = "cases", engine = "base")
    expect_identical(as.list(swapped[c("x", "y")]),
                     expected_points(answers, "relative_risk", "power", "cases"))
    expect_identical(levels(swapped$curve)[1:2], c("cases 500", "cases 1000"))
    expect_identical(attr(swapped, "x_title"), "relative risk")
    expect_no_match(attr(swapped, "caption"), "relative risk", fixed = TRUE)
    rates <- plotted(answers, y = "marker_odds_ratio", engine = "base")
    expect_identical(rates$y, expected_points(answers, "cases", "marker_odds_ratio",
                                              "relative_risk")$y)
    expect_null(attr(rates, "target"))
    # A curve of the method leaves the analysis out of the caption.
    two_stage <- vantor_two_stage_power(total = rep(c(2000, 4000), 2), stage1_share = 0.4,
                                        stage1_alpha = 0.01, odds_ratio = 1.3,
                                        control_rate = 0.3,
                                        method = rep(c("joint", "replication"), each = 2))
    expect_no_match(attr(plotted(two_stage, engine = "base"), "caption"), "analysis",
                    fixed = TRUE)
    # Rows of one value of a third input plot; all of them do not.
    three <- vantor_power(cases = rep(c(1000, 2000), 4), controls = 2000, frequency = 0.25,
                          prevalence = 0.01, relative_risk = rep(c(1.2, 1.4), each = 2),
                          markers = rep(c(1, 1e6), each = 4))
    expect_error(plotted(three), "relative_risk vary too")
    expect_identical(nrow(plotted(three[three$relative_risk == 1.2, ], engine = "base")), 4L)
    expect_error(plotted(answers, y = "powr"), "y = \"powr\" is no column")
    expect_error(plotted(answers, x_axis = "cases", curves = "cases", engine = "base"),
                 "cases is both along the axis and the curves")
    expect_error(plotted(answers, engine = "lattice"), "should be one of")
})
