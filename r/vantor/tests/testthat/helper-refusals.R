# Refusals as the tests expect them: an error of class "vantor_invalid_input"
# naming the argument and its element, in the library's words, with the names
# of the reason and the status.

library_reasons <- function() {
    reasons <- .Call(vantor:::C_vantor_reasons)
    as.data.frame(reasons, stringsAsFactors = FALSE)
}

library_words <- function(reason) {
    reasons <- library_reasons()
    reasons$message[match(reason, reasons$reason)]
}

refusal_of <- function(call) {
    tryCatch({
        call
        NULL
    }, vantor_invalid_input = function(e) e)
}

expect_refused <- function(call, argument, reason, element = 1L) {
    refused <- refusal_of(call)
    expect_s3_class(refused, c("vantor_invalid_input", "error", "condition"))
    if (is.null(refused)) {
        return(invisible())
    }
    expect_identical(refused$argument, argument)
    expect_identical(refused$reason, reason)
    expect_identical(refused$status, "INVALID_INPUT")
    expect_identical(refused$element, element)
    expect_identical(conditionMessage(refused),
                     sprintf("invalid '%s' (element %d): %s", argument, element,
                             library_words(reason)))
}
