#' Lay a grid out wide
#'
#' The table a grant shows: one input's values down, another's across, one
#' of the answer's columns in the cells, such as power by cases and
#' relative risk, or the cases needed by allele frequency and relative risk.
#' The program's `--wide DOWN,ACROSS --cells NAME` lays out the same table
#' from its own grid, and Python's `wide_table()` from its calls.
#'
#' @param x A data frame of vantor answers: the result of any vantor
#'   function asked for a grid, such as [vantor_power()] of the columns of
#'   [expand.grid()].
#' @param down,across The names of the two inputs laid out: their values in
#'   the order they first come in `x` are the rows and the columns. The
#'   glossary's names, with underscores (`"relative_risk"`) or hyphens.
#' @param cells The column in the cells (default `"power"`; `"cases"`,
#'   `"odds_ratio"`, ... for a solved size or effect).
#' @return A matrix with a row per value of `down` and a column per value of
#'   `across`, named by them (`names(dimnames())` are `down` and `across`),
#'   `NA` where the answer has no value or `x` has no row; use
#'   [as.data.frame()] for a data frame. Two rows of `x` with the same pair
#'   of values (another input that varies too, or both sides of 1 of a
#'   detectable effect) are an error: a cell holds one answer.
#' @examples
#' grid <- expand.grid(cases = c(1000, 1500, 2000), relative_risk = c(1.2, 1.3, 1.4))
#' answers <- vantor_power(cases = grid$cases, controls = 2000, frequency = 0.25,
#'                         prevalence = 0.01, relative_risk = grid$relative_risk)
#' vantor_wide(answers, "cases", "relative_risk")
#' @export
vantor_wide <- function(x, down, across, cells = "power") {
    names <- vapply(list(down = down, across = across, cells = cells), function(name) {
        column <- gsub("-", "_", name, fixed = TRUE)
        if (!is.character(name) || length(name) != 1L || !column %in% names(x)) {
            stop(sprintf("vantor_wide: no column %s in the answers", deparse(name)), call. = FALSE)
        }
        column
    }, character(1))
    if (names[["down"]] == names[["across"]]) {
        stop("vantor_wide: down and across are the same column", call. = FALSE)
    }
    rows <- unique(x[[names[["down"]]]])
    columns <- unique(x[[names[["across"]]]])
    at <- cbind(match(x[[names[["down"]]]], rows), match(x[[names[["across"]]]], columns))
    if (anyDuplicated(at)) {
        stop(sprintf(paste("vantor_wide: two rows have the same %s and %s; a cell holds one",
                           "answer (another input varies too, or both sides of 1)"),
                     names[["down"]], names[["across"]]), call. = FALSE)
    }
    table <- matrix(x[[names[["cells"]]]][NA_integer_], length(rows), length(columns))
    table[at] <- x[[names[["cells"]]]]
    # Each value named on its own (1000 and 1e+06, not "1e+03" and "1e+06").
    label <- function(values) vapply(values, function(v) format(v, digits = 15L), character(1))
    dimnames(table) <- stats::setNames(list(label(rows), label(columns)),
                                       names[c("down", "across")])
    table
}
