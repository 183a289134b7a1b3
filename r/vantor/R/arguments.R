# Asking the library: named inputs, recycled as R's arithmetic recycles them,
# each row one request of the library's (question/ask.h, through vantor_r.c);
# its refusals as R conditions and its answers as data frames whose columns
# the library's description of its records lays out. The library decides the
# question and applies every default: an argument left NULL is not given.

# The library's description of its inputs, read once per session.
library_inputs <- local({
    inputs <- NULL
    function() {
        if (is.null(inputs)) {
            inputs <<- as.data.frame(.Call(C_vantor_inputs), stringsAsFactors = FALSE)
        }
        inputs
    }
})

# An input as the glue takes it: numbers as doubles, anything else as text,
# which the library reads as a person's typing (a word, or a number in
# decimal notation; "0x10" and "NA" are no number). A word input's numbers
# are text too: a word is never given by its code.
as_input <- function(x, name, word) {
    if (!is.atomic(x) || is.null(x)) {
        stop(sprintf("invalid '%s': must be a vector of numbers or words, not %s", name,
                     class(x)[1L]), call. = FALSE)
    }
    if (length(x) == 0L) {
        stop(sprintf("invalid '%s': must not be empty", name), call. = FALSE)
    }
    if (word || is.object(x) || !is.numeric(x)) as.character(x) else as.double(x)
}

# The length every input recycles to; a length that does not divide it stops.
recycled_length <- function(inputs) {
    lengths <- lengths(inputs)
    longest <- max(c(lengths, 1L))
    for (name in names(inputs)) {
        if (longest %% lengths[[name]] != 0L) {
            stop(sprintf(paste0("invalid '%s': its length %d does not recycle to %d, ",
                                "the length of the longest argument"),
                         name, lengths[[name]], longest), call. = FALSE)
        }
    }
    longest
}

# The condition of a request the library refused: an error of class
# "vantor_invalid_input" in the library's words, naming the element (of the
# refused argument as given, before recycling; the row when the refusal names
# no argument), with the names of the reason and status.
invalid_input <- function(refused, element) {
    structure(class = c("vantor_invalid_input", "error", "condition"),
              list(message = sprintf("element %d: %s", element, refused$message), call = NULL,
                   reason = refused$reason, status = refused$status,
                   argument = refused$argument, element = element))
}

# The inputs of a request as the glue takes them: `inputs` (named as the
# glossary names them) and `fixed` (what the calling function's name states:
# the solve word, the stages), every name checked and every vector made
# numbers or words; `given` the inputs alone, `elements` their recycled
# length.
prepared_inputs <- function(inputs, fixed = list()) {
    described <- library_inputs()
    unknown <- setdiff(names(c(inputs, fixed)), described$name)
    if (length(unknown) > 0L) {
        stop(sprintf("no input is named %s; the inputs are %s",
                     paste0("'", unknown, "'", collapse = ", "),
                     paste(described$name, collapse = ", ")), call. = FALSE)
    }
    words <- described$name[described$kind == "word"]
    take <- function(values) Map(as_input, values, names(values), names(values) %in% words)
    given <- take(inputs)
    list(given = given, all = c(given, take(fixed)), elements = recycled_length(given))
}

# Stops with the refusal of a request the glue reports (`answer$refused`),
# naming the element of the refused input as given; else warns of the
# library's reports.
stop_if_refused <- function(answer, given) {
    refused <- answer$refused
    if (!is.null(refused)) {
        element <- if (refused$argument %in% names(given)) {
            (refused$row - 1) %% length(given[[refused$argument]]) + 1
        } else {
            refused$row
        }
        stop(invalid_input(refused, as.integer(element)))
    }
    warn_of_reports(attr(answer, "reports"))
}

# Asks the library one request per row of the recycled `inputs` and `fixed`
# (prepared_inputs) and returns the inputs given, then the answer's columns
# (an input the answer holds too is shown once, as answered); a row of a
# detectable effect on both sides of 1 is two rows. The request's inputs,
# as given, are the attribute "inputs" (a figure's caption asks them again).
ask <- function(inputs, class = character(), fixed = list()) {
    request <- prepared_inputs(inputs, fixed)
    given <- request$given
    answer <- .Call(C_vantor_ask, request$all)
    stop_if_refused(answer, given)
    columns <- simulation_shown(answer$columns, !is.null(given[["replicates"]]))
    columns <- plan_shown(columns, names(given))
    rows <- rep(seq_len(request$elements), each = answer$per_row)
    shown <- lapply(given[setdiff(names(given), names(columns))], function(x) {
        if (length(rows) == length(x)) x else rep_len(x, request$elements)[rows]
    })
    structure(c(shown, columns), row.names = .set_row_names(length(rows)),
              class = c(class, "data.frame"), inputs = request$all)
}

# The answer's columns of a simulated power (its head, question/answer.h):
# shown when `replicates` are given, NA in a row whose answer was not
# simulated (nothing found), as its simulated power and standard error are.
simulation_columns <- c("replicates", "seed", "simulated_power", "standard_error")

simulation_shown <- function(columns, simulated) {
    if (!simulated) {
        return(columns[setdiff(names(columns), simulation_columns)])
    }
    none <- columns[["replicates"]] == 0
    columns[["replicates"]][none] <- NA
    columns[["seed"]][none] <- NA
    columns
}

# The answer's columns of a plan, shown (as the program shows them) when one
# of their inputs is given: a design's cost in money and the one-stage
# study's with costs in money; with a limit, the limit reached, each stage's
# cases' share (which the searches choose when people are limited) and the
# markers stage 2 types.
plan_columns <- list(
    list(inputs = c("stage1_cost_per_person", "stage2_cost_per_person",
                    "stage2_cost_per_genotype", "stage1_fixed_cost", "stage2_fixed_cost"),
         columns = c("cost_in_money", "one_stage_cost_in_money")),
    list(inputs = c("cases_available", "controls_available", "stage1_controls_available",
                    "stage2_controls_available", "panel"),
         columns = c("binding_limit", "stage1_case_fraction", "stage2_case_fraction",
                     "stage2_markers")))

plan_shown <- function(columns, given) {
    for (group in plan_columns) {
        if (!any(group$inputs %in% given)) {
            columns <- columns[setdiff(names(columns), group$columns)]
        }
    }
    columns
}

# What the two-stage functions take of a plan: costs in money (all of them),
# and the people available and a panel (the sizes and designs).
money_arguments <- plan_columns[[1L]]$inputs
limit_arguments <- plan_columns[[2L]]$inputs

# The arguments every function of a study takes after its own: the counting
# unit, the test and the number of markers, and a disease model.
study_arguments <- c("count", "variance", "test", "markers", "frequency", "prevalence", "model",
                     "relative_risk", "heterozygote_risk", "homozygote_risk", "controls_kind",
                     "marker_frequency", "d_prime", "r_squared")

# What every function takes to simulate the power of the study it answers.
simulation_arguments <- c("replicates", "seed")

# A function of the package: `vantor_ask()` of its arguments (`required`
# first, which have no default; then `arguments` and the simulation's, NULL
# unless given; then any other input of the library, by name, in `...`) and
# of `fixed`, what its name states, answering with a data frame of class
# `class`.
asking <- function(arguments, class, fixed, required = character()) {
    arguments <- c(arguments, simulation_arguments)
    ask_with <- function(...) {
        frame <- environment()
        names <- setdiff(names(formals()), "...")
        given <- c(structure(lapply(names, get, envir = frame), names = names), list(...))
        ask(given[!vapply(given, is.null, logical(1L))], class, fixed)
    }
    formals(ask_with) <- c(structure(rep(alist(x = ), length(required)), names = required),
                           structure(rep(list(NULL), length(arguments)), names = arguments),
                           alist(... = ))
    ask_with
}

warn_of_reports <- function(reports) {
    if (!is.null(reports) && reports > 0L) {
        warning(sprintf(paste0("the vantor library reported MIN_FLAG %d time%s: a normal ",
                               "quantile of a probability of 0 or less was taken as -Inf"),
                        reports, if (reports == 1L) "" else "s"), call. = FALSE)
    }
}

# Makes counts[i] library reports, through the hook every question uses; for
# the tests of the warning.
report_for_test <- function(counts) {
    reports <- .Call(C_vantor_report_for_test, counts)
    warn_of_reports(attr(reports, "reports"))
    attr(reports, "reports") <- NULL
    reports
}

#' Ask the vantor library a question by named inputs
#'
#' The generic form of every function of the package: give any inputs by
#' their names in the project's glossary (`cases`, `controls`, `odds_ratio`,
#' `control_rate`, `target_power`, `stages`, `solve`, ...; see
#' [vantor_inputs()]) and the library decides the question they ask, applies
#' its defaults and checks every input. Inputs are recycled to the longest,
#' one question per element.
#'
#' Without `solve`, the question is the one the inputs leave open: without a
#' `target_power` the power; with one, the one of cases, controls and effect
#' not given (one stage) or the smallest total (`stages = 2`). `solve` names
#' it: `"power"`, `"size"`, `"effect"` or `"design"` (two stages), the target
#' power then defaulting to the library's 0.8.
#'
#' @param ... Named inputs: vectors of numbers (counts, rates, levels) or of
#'   words (`count`, `variance`, `test`, `model`, `method`, `direction`,
#'   `solve`, ...). `NULL` leaves an input open.
#' @return A data frame with the inputs given, then the answer's columns as
#'   the library describes its record: the answer's values, the `direction`
#'   of a detectable effect, the `controls` worked out from
#'   `controls_per_case`, the level `alpha` and counting unit `count` taken,
#'   the simulation's `replicates`, `seed`, `simulated_power` and
#'   `standard_error` when `replicates` is given, then `status`, `reason`
#'   and `message`. A detectable effect without a
#'   `direction` is two rows per element: above 1, then below. A refused
#'   input stops with an error of class `vantor_invalid_input` (see
#'   [vantor_power()]).
#' @examples
#' vantor_ask(cases = 2000, controls = 2000, odds_ratio = 1.3, control_rate = 0.3)
#' vantor_ask(controls = 3000, odds_ratio = 1.3, control_rate = 0.3, target_power = 0.9)
#' vantor_ask(cases = 2000, controls = 2000, control_rate = 0.3, solve = "effect")
#' vantor_ask(stages = 2, total = 6000, stage1_share = 0.4, stage1_alpha = 1e-3,
#'            odds_ratio = 1.3, control_rate = 0.3)
#' @export
vantor_ask <- function(...) {
    ask(named_inputs(list(...), "vantor_ask"))
}

# The inputs given to `caller` by name, those left NULL left out.
named_inputs <- function(inputs, caller) {
    if (length(inputs) > 0L && (is.null(names(inputs)) || !all(nzchar(names(inputs))))) {
        stop(sprintf("name every input of %s(), e.g. %s(cases = 2000, ...)", caller, caller),
             call. = FALSE)
    }
    inputs[!vapply(inputs, is.null, logical(1L))]
}

#' The inputs the vantor library takes
#'
#' @return A data frame, one row per input: its `name` (the glossary's),
#'   `kind` (`"count"`, `"number"` or `"word"`), the `choice` of a word, the
#'   `reason` refusing a value of it, the `default` taken when it is not given
#'   (in words; empty for none) and its `meaning`.
#' @examples
#' vantor_inputs()[, c("name", "kind", "default")]
#' @export
vantor_inputs <- function() {
    library_inputs()
}
