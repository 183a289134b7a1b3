#' Plot answers
#'
#' A figure of the answers of any vantor function asked for a grid: what was
#' solved against the input that varies most, one curve per value of a
#' second input that varies, the target power dashed across a plot of
#' power, a legend, the axes' titles and the library's caption naming the
#' study (everything the figure does not show: the test, the effect, the
#' level ...; the same sentence Python's `vantor.figure()` writes). Drawn with
#' ggplot2 where it is installed, base graphics otherwise.
#'
#' What is plotted (`y`) is what the answer solved: the `power` of
#' [vantor_power()] and [vantor_two_stage_power()]; the `cases` of
#' [vantor_sample_size()] (the `controls` when the cases were given); the
#' `odds_ratio` of [vantor_odds_ratio()] and the `relative_risk` of
#' [vantor_relative_risk()]; the `total` of [vantor_smallest_total()] and
#' [vantor_cheapest_design()], and the `power` of
#' [vantor_most_powerful_design()].
#'
#' @param x The answers: a data frame a vantor function returned (its rows
#'   may be a subset).
#' @param y The column plotted up the vertical axis, any column of numbers
#'   of the answers (`"power"`, `"cases"`, `"cost"` ...); not given, what
#'   the answer solved (above).
#' @param ... Further arguments for [graphics::plot()] (base graphics only).
#' @param target The target power drawn dashed across a plot of power;
#'   `NULL` draws none.
#' @param x_axis The input along the horizontal axis; not given, the input
#'   of numbers given with the most distinct values.
#' @param curves The input of which each value is a curve; not given, a
#'   second input that varies (both sides of 1 of a detectable effect count
#'   as the input `direction`), none when no other varies. More inputs
#'   varying than these two is an error: plot a subset of the rows.
#' @param engine `"auto"` (ggplot2 where installed, else base graphics),
#'   `"ggplot2"` or `"base"`.
#' @return With ggplot2, the ggplot object, printed (add layers to it and
#'   print it again). With base graphics, invisibly, the data plotted: a
#'   data frame with the columns `x`, `y` and `curve` (the legend's label of
#'   each point's curve, a factor in the legend's order; `NA` without
#'   curves), sorted by curve and `x`, with the attributes `x_title`,
#'   `y_title`, `target` and `caption`; the ggplot object's `data` is the
#'   same data frame.
#' @examples
#' grid <- expand.grid(cases = seq(500, 5000, 250), relative_risk = c(1.2, 1.3, 1.4))
#' answers <- vantor_power(cases = grid$cases, controls = 2000, frequency = 0.25,
#'                         prevalence = 0.01, relative_risk = grid$relative_risk,
#'                         markers = 1e6)
#' plot(answers)
#' plot(answers, engine = "base")
#' sizes <- vantor_sample_size(controls = seq(2000, 6000, 500), frequency = 0.25,
#'                             prevalence = 0.01, relative_risk = 1.3, markers = 1e6)
#' plot(sizes, engine = "base")
#' @export
plot.vantor_power <- function(x, y = NULL, ..., target = 0.8, x_axis = NULL, curves = NULL,
                              engine = c("auto", "ggplot2", "base")) {
    plot_answers(x, y, target, x_axis, curves, match.arg(engine), ...)
}

#' @rdname plot.vantor_power
#' @export
plot.vantor_sample_size <- plot.vantor_power

#' @rdname plot.vantor_power
#' @export
plot.vantor_odds_ratio <- plot.vantor_power

#' @rdname plot.vantor_power
#' @export
plot.vantor_relative_risk <- plot.vantor_power

#' @rdname plot.vantor_power
#' @export
plot.vantor_design <- plot.vantor_power

# Draws the figure of `answers` with `engine` and returns what the engine
# returns.
plot_answers <- function(answers, y, target, x_axis, curves, engine, ...) {
    inputs <- request_inputs(answers)
    y <- if (is.null(y)) solved_column(answers, inputs) else checked_column(answers, y, "y")
    shown <- shown_inputs(answers, inputs, x_axis, curves)
    data <- figure_data(answers, inputs, shown, y, if (y == "power") target)
    if (engine == "auto") {
        engine <- if (requireNamespace("ggplot2", quietly = TRUE)) "ggplot2" else "base"
    }
    if (engine == "ggplot2") draw_with_ggplot2(data) else draw_with_base(data, ...)
}

# The inputs the answers were asked with: those the vantor function kept
# (its attribute "inputs"), else, for answers whose columns were chosen, the
# columns named as inputs.
request_inputs <- function(answers) {
    kept <- attr(answers, "inputs")
    if (!is.null(kept)) {
        return(kept)
    }
    as.list(answers[intersect(names(answers), library_inputs()$name)])
}

# The column the answer solved, plotted unless `y` is given.
solved_column <- function(answers, inputs) {
    given <- function(name) !is.null(inputs[[name]])
    if (inherits(answers, "vantor_sample_size")) {
        return(if (given("cases")) "controls" else "cases")
    }
    if (inherits(answers, "vantor_odds_ratio")) {
        return("odds_ratio")
    }
    if (inherits(answers, "vantor_relative_risk")) {
        return("relative_risk")
    }
    if (inherits(answers, "vantor_design") && !identical(inputs[["solve"]], "power") &&
        !given("budget")) {
        return("total")
    }
    "power"
}

checked_column <- function(answers, name, argument) {
    if (!is.character(name) || length(name) != 1L || !name %in% names(answers)) {
        stop(sprintf("plot: %s = %s is no column of the answers", argument, deparse(name)),
             call. = FALSE)
    }
    name
}

# The inputs the figure shows: `x_axis` along the horizontal axis (given,
# or the input of numbers that varies most) and `curves` (given, or another
# that varies; "" for none). Any other input that varies is an error: its
# values would mix on one curve.
shown_inputs <- function(answers, inputs, x_axis, curves) {
    candidates <- intersect(c(names(inputs), "direction"), names(answers))
    distinct <- vapply(candidates, function(name) length(unique(answers[[name]])), integer(1))
    # The most distinct values first; of as many, the first given.
    ranked <- distinct[order(-distinct, method = "radix")]
    varying <- names(ranked)[ranked > 1L]
    if (is.null(x_axis)) {
        numeric <- varying[vapply(answers[varying], is.numeric, logical(1))]
        if (length(numeric) == 0L) {
            stop("plot: no input of numbers varies; give x_axis", call. = FALSE)
        }
        x_axis <- numeric[[1L]]
    }
    x_axis <- checked_column(answers, x_axis, "x_axis")
    others <- setdiff(varying, x_axis)
    curves <- if (is.null(curves)) c(others, "")[[1L]] else checked_column(answers, curves, "curves")
    if (curves == x_axis) {
        stop(sprintf("plot: %s is both along the axis and the curves", x_axis), call. = FALSE)
    }
    rest <- setdiff(others, curves)
    if (length(rest) > 0L) {
        stop(sprintf("plot: %s vary too; plot the rows of one value of each, or choose curves",
                     paste(rest, collapse = ", ")), call. = FALSE)
    }
    c(x = x_axis, curves = curves)
}

# The glossary's name in words: "relative_risk" is "relative risk",
# "stage1_cases" "stage 1 cases".
words_of <- function(name) {
    gsub("stage([0-9])", "stage \\1", gsub("_", " ", name, fixed = TRUE))
}

# Each value as a person reads it: a word as itself, a whole number in its
# digits, any other number in the fewest significant digits that read back to
# it (1.2, not 1.2000000000000002).
shortest <- function(values) {
    if (!is.numeric(values)) {
        return(as.character(values))
    }
    vapply(values, function(value) {
        if (is.finite(value) && value == round(value) && abs(value) < 1e15) {
            return(format(value, scientific = FALSE))
        }
        for (digits in 1:17) {
            text <- formatC(value, digits = digits, format = "g")
            if (as.numeric(text) == value) break
        }
        # The exponent as the program and the library write it: 5e-8, not 5e-08.
        sub("e\\+?(-?)0*([0-9])", "e\\1\\2", text)
    }, character(1))
}

# An axis's title: the column's words and, for a count, its unit.
axis_title <- function(name, unit) {
    counted <- library_inputs()$kind[match(name, library_inputs()$name)] %in% "count"
    if (counted) sprintf("%s (%s)", words_of(name), unit) else words_of(name)
}

# The library's caption of the figure: the inputs of its first row (the
# value kept where it is the same in every row, else the row's) without the
# two the figure shows. NA when the library refuses them.
figure_caption <- function(answers, inputs, shown) {
    first <- lapply(names(inputs), function(name) {
        if (length(inputs[[name]]) == 1L || !name %in% names(answers)) {
            inputs[[name]][1L]
        } else {
            answers[[name]][1L]
        }
    })
    words <- library_inputs()$name[library_inputs()$kind == "word"]
    first <- Map(as_input, first, names(inputs), names(inputs) %in% words)
    .Call(C_vantor_figure_caption, stats::setNames(first, names(inputs)),
          shown[["x"]], shown[["curves"]])
}

# Each row's curve as the legend names it ("relative risk 1.2"), a factor
# of the values in order (numbers ascending, words as they come); NA without
# curves.
curve_labels <- function(answers, curves) {
    if (!nzchar(curves)) {
        return(factor(rep(NA_character_, nrow(answers))))
    }
    values <- unique(answers[[curves]])
    values <- if (is.numeric(values)) sort(values) else values
    labels <- paste(words_of(curves), shortest(values))
    factor(labels[match(answers[[curves]], values)], levels = labels)
}

# What the figure shows, for either engine: a point per row (x, y and its
# curve's label), sorted by curve and x, and the titles, target and caption.
figure_data <- function(answers, inputs, shown, y, target) {
    data <- data.frame(x = answers[[shown[["x"]]]], y = answers[[y]],
                       curve = curve_labels(answers, shown[["curves"]]))
    data <- data[order(data$curve, data$x), , drop = FALSE]
    row.names(data) <- NULL
    unit <- answers$count[1L]
    structure(data, x_title = axis_title(shown[["x"]], unit), y_title = axis_title(y, unit),
              target = target, caption = figure_caption(answers, inputs, shown))
}

# The caption in lines of at most `width` characters.
caption_lines <- function(data, width) {
    caption <- attr(data, "caption")
    if (is.na(caption)) character() else strwrap(caption, width)
}

draw_with_ggplot2 <- function(data) {
    if (!requireNamespace("ggplot2", quietly = TRUE)) {
        stop("plot: engine \"ggplot2\" needs the package ggplot2: install.packages(\"ggplot2\")",
             call. = FALSE)
    }
    # The columns by name as symbols (ggplot2's tidy evaluation): no variable
    # of these names is meant here.
    mapping <- if (anyNA(data$curve)) {
        ggplot2::aes(x = !!as.name("x"), y = !!as.name("y"))
    } else {
        ggplot2::aes(x = !!as.name("x"), y = !!as.name("y"), colour = !!as.name("curve"))
    }
    figure <- ggplot2::ggplot(data, mapping) +
        ggplot2::geom_line(linewidth = 1) +
        ggplot2::labs(x = attr(data, "x_title"), y = attr(data, "y_title"), colour = NULL,
                      caption = paste(caption_lines(data, 100L), collapse = "\n")) +
        ggplot2::theme(plot.caption = ggplot2::element_text(hjust = 0))
    if (!is.null(attr(data, "target"))) {
        figure <- figure + ggplot2::geom_hline(yintercept = attr(data, "target"),
                                               linetype = "dashed", colour = "grey40")
    }
    print(figure)
    invisible(figure)
}

draw_with_base <- function(data, ...) {
    caption <- caption_lines(data, 90L)
    margins <- graphics::par("mar")
    on.exit(graphics::par(mar = margins))
    graphics::par(mar = pmax(margins, c(0, 0, length(caption) + 1, 0)))
    curves <- levels(data$curve)
    limits <- if (!is.null(attr(data, "target"))) c(0, 1) else range(data$y, na.rm = TRUE)
    graphics::plot(range(data$x, na.rm = TRUE), limits, type = "n",
                   xlab = attr(data, "x_title"), ylab = attr(data, "y_title"), ...)
    colours <- grDevices::hcl.colors(max(length(curves), 2L), "Dark 2")[seq_along(curves)]
    for (k in seq_len(max(length(curves), 1L))) {
        line <- if (length(curves) > 0L) data[data$curve %in% curves[[k]], ] else data
        graphics::lines(line$x, line$y, col = c(colours, "black")[[k]], lwd = 2)
    }
    if (!is.null(attr(data, "target"))) {
        graphics::abline(h = attr(data, "target"), lty = 2)
    }
    if (length(curves) > 0L) {
        graphics::legend("bottomright", legend = curves, col = colours, lwd = 2, bty = "n")
    }
    graphics::mtext(caption, side = 3, line = rev(seq_along(caption)) - 0.5, adj = 0,
                    cex = 0.8)
    invisible(data)
}
