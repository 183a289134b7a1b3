# Argument handling shared by every function: types, recycling, the unit, and
# turning the C routines' results into R's errors, warnings and data frames.

# The allele draws per counted unit, as the library numbers them.
count_unit <- function(count) {
    choices <- c("people", "alleles")
    if (identical(count, choices)) {
        count <- "people"
    }
    if (!is.character(count) || length(count) != 1L || is.na(count) ||
        !(count %in% choices)) {
        stop("invalid 'count': the counting unit must be \"people\" ",
             "(two alleles each) or \"alleles\"", call. = FALSE)
    }
    if (count == "people") 2L else 1L
}

# Checks that every argument is numeric (or all NA) and not empty, and
# recycles them to the longest length; a length that does not divide it stops.
recycle_numbers <- function(arguments) {
    for (name in names(arguments)) {
        x <- arguments[[name]]
        numeric_or_na <- is.numeric(x) || (is.logical(x) && all(is.na(x)))
        if (!numeric_or_na || is.object(x)) {
            stop(sprintf("invalid '%s': must be a numeric vector, not %s",
                         name, class(x)[1L]), call. = FALSE)
        }
        if (length(x) == 0L) {
            stop(sprintf("invalid '%s': must not be empty", name), call. = FALSE)
        }
    }
    lengths <- vapply(arguments, length, integer(1L))
    longest <- max(lengths)
    for (name in names(arguments)) {
        if (longest %% lengths[[name]] != 0L) {
            stop(sprintf(paste0("invalid '%s': its length %d does not recycle to %d, ",
                                "the length of the longest argument"),
                         name, lengths[[name]], longest), call. = FALSE)
        }
    }
    lapply(arguments, function(x) rep_len(as.double(x), longest))
}

# The analysis methods of two-stage studies, as names or the library's numbers.
method_numbers <- function(method) {
    names <- c("separate", "product", "joint")
    if (is.character(method) && !is.object(method)) {
        numbers <- match(method, names) - 1
        numbers[is.na(method)] <- NA
        bad <- which(!is.na(method) & is.na(numbers))
        if (length(bad) > 0L) {
            stop(sprintf(paste0("invalid 'method' (element %d): %s; the names are ",
                                "\"separate\", \"product\" and \"joint\""),
                         bad[1L], library_message(108L)), call. = FALSE)
        }
        return(numbers)
    }
    method
}

# The library's code of the allelic test's statistic, checked by the library:
# anything but "pooled" or "unpooled" stops with its words.
statistic_code <- function(statistic) {
    code <- -1L
    if (is.character(statistic) && length(statistic) == 1L && !is.na(statistic) &&
        statistic %in% c("pooled", "unpooled")) {
        code <- match(statistic, c("pooled", "unpooled")) - 1L
    }
    reason <- .Call(C_vantor_check_statistic, code)
    if (reason != 0L) {
        stop(sprintf("invalid 'statistic': %s", library_message(reason)), call. = FALSE)
    }
    code
}

library_message <- function(reason) {
    .Call(C_vantor_messages, reason)
}

# Runs one .Call routine on `inputs` (named in the order the routine checks
# them: `checked` names the argument of each check position), stops on a
# refused input and warns of the library's reports.
run_routine <- function(routine, inputs, checked, ...) {
    result <- .Call(routine, unname(inputs), ...)
    invalid <- result$invalid
    if (!is.null(invalid)) {
        stop(sprintf("invalid '%s' (element %d): %s", checked[[invalid[3L]]],
                     as.integer(invalid[2L]), library_message(invalid[1L])),
             call. = FALSE)
    }
    warn_of_reports(attr(result, "reports"))
    result$invalid <- NULL
    result
}

warn_of_reports <- function(reports) {
    if (!is.null(reports) && reports > 0L) {
        warning(sprintf(paste0("the vantor library reported MIN_FLAG %d time%s: a normal ",
                               "quantile of a probability of 0 or less was taken as -Inf"),
                        reports, if (reports == 1L) "" else "s"), call. = FALSE)
    }
}

# The status and message columns from the routines' codes.
status_columns <- function(result) {
    list(status = .Call(C_vantor_status_names, result$status),
         message = library_message(result$reason))
}

# A data frame of the inputs, then the answers, then the status and message.
result_frame <- function(inputs, answers, result, class) {
    frame <- as.data.frame(c(inputs, answers, status_columns(result)),
                           stringsAsFactors = FALSE)
    class(frame) <- c(class, "data.frame")
    frame
}

# Makes counts[i] library reports while computing element i, through the
# machinery every question uses; for the tests of the warning.
report_for_test <- function(counts) {
    inputs <- list(reports = as.double(counts))
    run_routine(C_vantor_report_for_test, inputs, names(inputs))$reports
}
