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

# The names of a disease model's numbers, as the glossary names them: the
# model's fields and the two ways of giving the marker's linkage
# disequilibrium (d_prime or r_squared, at most one).
model_numbers <- c("frequency", "prevalence", "relative_risk", "heterozygote_risk",
                   "homozygote_risk", "marker_frequency", "d_prime", "r_squared")

# The effect's inputs, from `frame`, the frame of the calling function: its
# odds_ratio and control_rate, or its disease model (frequency, prevalence,
# model, controls_kind and the numbers given), never a mix. An argument
# counts as given when it is not NULL (a number) or not left at its default
# (the model's words).
effect_inputs <- function(frame) {
    has <- function(name) exists(name, envir = frame, inherits = FALSE)
    given <- function(name) has(name) && !is.null(get(name, envir = frame))
    chosen <- function(name) has(name) && !eval(call("missing", as.name(name)), frame)
    allelic <- Filter(has, c("odds_ratio", "control_rate"))
    model <- c(Filter(given, model_numbers), Filter(chosen, c("model", "controls_kind")))
    if (any(vapply(allelic, given, logical(1L))) && length(model) > 0L) {
        stop("give the effect either as 'odds_ratio' and 'control_rate' or as a disease model ",
             "('frequency', 'prevalence', 'model', 'relative_risk', ...), not both: given ",
             paste0("'", c(Filter(given, allelic), model), "'", collapse = ", "), call. = FALSE)
    }
    if (length(allelic) > 0L && length(model) == 0L) {
        absent <- Filter(Negate(given), allelic)
        if (length(absent) > 0L) {
            stop("give the effect: 'odds_ratio' and 'control_rate', or a disease model ",
                 "('frequency', 'prevalence', 'model', 'relative_risk', ...); ",
                 paste0("'", absent, "'", collapse = " and "), " missing", call. = FALSE)
        }
        return(mget(allelic, envir = frame))
    }
    absent <- Filter(Negate(given), c("frequency", "prevalence"))
    if (length(absent) > 0L) {
        stop("a disease model needs 'frequency' and 'prevalence': ",
             paste0("'", absent, "'", collapse = " and "), " missing", call. = FALSE)
    }
    if (given("d_prime") && given("r_squared")) {
        stop("give the marker's linkage disequilibrium as 'd_prime' or as 'r_squared', ",
             "not both", call. = FALSE)
    }
    c(mget(c("frequency", "prevalence", "model", "controls_kind"), envir = frame),
      mget(Filter(given, model_numbers[-(1:2)]), envir = frame))
}

# The significance level: `alpha` as given, or the library's default for the
# number of markers (STU_default_alpha: 5e-8 for one marker, 0.05, the
# study-wide level, for more).
level_of <- function(alpha, markers) {
    if (!is.null(alpha)) {
        return(alpha)
    }
    .Call(C_vantor_default_alpha, as_input(markers, "markers"))
}
