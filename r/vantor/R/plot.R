#' Plot a power grid
#'
#' Power against the number of cases, one line per odds ratio, with the
#' target power drawn as a dashed line. Base graphics only.
#'
#' @param x A result of [vantor_power()].
#' @param target Target power drawn across the plot; `NULL` draws none.
#' @param ... Further arguments for [graphics::plot()].
#' @return `x`, invisibly.
#' @examples
#' sizes <- expand.grid(cases = seq(500, 5000, 250), odds_ratio = c(1.2, 1.3, 1.4))
#' grid <- vantor_power(cases = sizes$cases, controls = 2000,
#'                      odds_ratio = sizes$odds_ratio, control_rate = 0.3)
#' plot(grid)
#' @export
plot.vantor_power <- function(x, target = 0.8, ...) {
    ratios <- sort(unique(x$odds_ratio[!is.na(x$odds_ratio)]))
    colours <- grDevices::hcl.colors(max(length(ratios), 2L), "Dark 2")[seq_along(ratios)]
    unit <- x$count[1L]
    graphics::plot(range(x$cases, na.rm = TRUE), c(0, 1), type = "n",
                   xlab = sprintf("cases (%s)", unit), ylab = "power", ...)
    for (k in seq_along(ratios)) {
        line <- x[!is.na(x$odds_ratio) & x$odds_ratio == ratios[k], ]
        line <- line[order(line$cases), ]
        graphics::lines(line$cases, line$power, col = colours[k], lwd = 2)
    }
    if (!is.null(target)) {
        graphics::abline(h = target, lty = 2)
    }
    graphics::legend("bottomright", legend = format(ratios), col = colours, lwd = 2,
                     title = "odds ratio", bty = "n")
    invisible(x)
}
