# Asking the library: the inputs recycled as R's arithmetic recycles them, the
# library's refusals as R conditions and its answers as data frames whose
# columns the library's description of its records lays out (vantor_r.c).

# The library's description of its questions, read once per session.
description <- local({
    questions <- NULL
    function() {
        if (is.null(questions)) {
            questions <<- .Call(C_vantor_questions)
        }
        questions
    }
})

# The question among `candidates` whose own arguments are exactly `inputs`.
question_asking <- function(inputs, candidates = names(description())) {
    for (name in candidates) {
        if (setequal(description()[[name]]$inputs, inputs)) {
            return(name)
        }
    }
    stop("vantor: internal error: no question takes ", paste(inputs, collapse = ", "),
         call. = FALSE)
}

# The words of a choice ("method", "variance", "count", "direction").
choice_words <- function(choice) {
    .Call(C_vantor_choice_words, choice)
}

# R's convention for a default listing every word: the first is meant.
first_if_all <- function(words, choice) {
    if (identical(words, choice_words(choice))) choice_words(choice)[1L] else words
}

# An input as the glue takes it: numbers as doubles, words as text. Anything
# else (a logical NA, a date) is passed on for the library to refuse: it is
# no number, and no word of a choice.
as_input <- function(x, name) {
    if (!is.atomic(x) || is.null(x)) {
        stop(sprintf("invalid '%s': must be a vector of numbers or words, not %s", name,
                     class(x)[1L]), call. = FALSE)
    }
    if (length(x) == 0L) {
        stop(sprintf("invalid '%s': must not be empty", name), call. = FALSE)
    }
    if (is.object(x)) {
        return(as.character(x))
    }
    if (is.numeric(x)) as.double(x) else as.vector(x)
}

# The length every input recycles to; a length that does not divide it stops.
recycled_length <- function(inputs) {
    lengths <- lengths(inputs)
    longest <- max(lengths)
    for (name in names(inputs)) {
        if (longest %% lengths[[name]] != 0L) {
            stop(sprintf(paste0("invalid '%s': its length %d does not recycle to %d, ",
                                "the length of the longest argument"),
                         name, lengths[[name]], longest), call. = FALSE)
        }
    }
    longest
}

# The condition of an input the library refused: an error of class
# "vantor_invalid_input" naming the argument and its element (as given, before
# recycling), with the library's words and the names of the reason and status.
invalid_input <- function(refused, element) {
    argument <- refused$argument
    where <- if (nzchar(argument)) sprintf("'%s' ", argument) else ""
    message <- sprintf("invalid %s(element %d): %s", where, element, refused$message)
    structure(class = c("vantor_invalid_input", "error", "condition"),
              list(message = message, call = NULL, reason = refused$reason,
                   status = refused$status, argument = argument, element = element))
}

# Asks `question` for every element of the recycled `inputs` (named as the
# glossary names them) and returns the inputs, then the answer's columns (an
# input the answer holds too is shown once, as answered). With `cross`, the
# name of a choice input, every element is asked once for each of its words.
ask <- function(question, inputs, class, cross = NULL) {
    given <- Map(as_input, inputs, names(inputs))
    others <- setdiff(names(given), cross)
    elements <- recycled_length(given[others])
    times <- if (is.null(cross)) 1L else length(given[[cross]])
    rows <- rep(seq_len(elements), each = times)
    recycled <- lapply(given[others], function(x) rep_len(x, elements)[rows])
    if (!is.null(cross)) {
        recycled[[cross]] <- rep(given[[cross]], times = elements)
        recycled <- recycled[names(given)]
    }
    answer <- .Call(C_vantor_ask, question, recycled)
    refused <- answer$refused
    if (!is.null(refused)) {
        row <- refused$element
        element <- if (identical(refused$argument, cross)) {
            (row - 1) %% times + 1
        } else if (refused$argument %in% names(given)) {
            (rows[row] - 1) %% length(given[[refused$argument]]) + 1
        } else {
            row
        }
        stop(invalid_input(refused, as.integer(element)))
    }
    warn_of_reports(attr(answer, "reports"))
    columns <- answer$columns
    structure(c(recycled[setdiff(names(recycled), names(columns))], columns),
              row.names = .set_row_names(length(rows)), class = c(class, "data.frame"))
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
