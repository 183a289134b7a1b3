# Refusals as the tests expect them: an error of class "vantor_invalid_input"
# in the library's words, naming the element, with the names of the reason,
# the status and the refused argument.

# The library's reasons: each one's name, its status's name and words.
library_reasons <- function() {
    as.data.frame(.Call(vantor:::C_vantor_reasons), stringsAsFactors = FALSE)
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
    # The library's words, which name the refused argument first.
    expect_true(startsWith(conditionMessage(refused),
                           sprintf("element %d: %s", element, argument)),
                label = conditionMessage(refused))
    invisible(refused)
}
