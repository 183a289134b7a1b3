# The project's shared table of requests, asked through vantor_ask() as an R
# user gives them: each answered with its listed status and reason, a
# refusal naming its listed argument, and the listed value (from independent
# mathematics) to six digits.

test_that("every request of the shared table is answered as the table says", {
    table <- shared_requests()
    expect_gte(nrow(table), 40L)
    reasons <- library_reasons()
    for (row in seq_len(nrow(table))) {
        request <- table[row, ]
        label <- sprintf("%s (%s)", request$inputs, request$what)
        inputs <- request_inputs(request$inputs)
        if (request$status == "INVALID_INPUT") {
            refused <- refusal_of(do.call(vantor_ask, inputs))
            expect_s3_class(refused, "vantor_invalid_input")
            expect_identical(refused$reason, request$reason, label = label)
            expect_identical(refused$status, request$status, label = label)
            expect_identical(refused$argument, request$input, label = label)
            expect_identical(refused$element, 1L, label = label)
            expect_true(grepl(request$input, conditionMessage(refused), fixed = TRUE),
                        label = label)
            next
        }
        answer <- do.call(vantor_ask, inputs)
        expect_identical(answer$reason[1L], request$reason, label = label)
        words <- reasons$status_words[match(request$status, reasons$status)]
        expect_identical(answer$status[1L], words, label = label)
        if (nzchar(request$field)) {
            value <- as.numeric(request$value)
            expect_lte(abs(answer[[request$field]][1L] - value), 5e-6 * abs(value),
                       label = label)
        }
    }
})

test_that("text is read as typed: decimal notation is a number, nothing else is", {
    expect_identical(request_inputs("alpha=0x10;cases=;count=people"),
                     list(alpha = "0x10", cases = NA, count = "people"))
    expect_identical(vantor_power("2000", 2000, 1.3, factor(0.3))$power,
                     vantor_power(2000, 2000, 1.3, 0.3)$power)
    refused <- expect_refused(vantor_power(2000, 2000, 1.3, "0x10"), "control_rate",
                              "BAD_CONTROL_RATE")
    expect_match(conditionMessage(refused), "^element 1: control_rate 0x10: ")
    # A missing value is shown as R writes it.
    refused <- expect_refused(vantor_power(c(10, NA), 10, 1.3, 0.3), "cases", "BAD_CASES", 2L)
    expect_match(conditionMessage(refused), "^element 2: cases NA: ")
    refused <- expect_refused(vantor_power(10, 10, 1.3, 0.3, variance = NA), "variance",
                              "BAD_VARIANCE")
    expect_match(conditionMessage(refused), "^element 1: variance NA: ")
    # A number given for a word is refused as the text it reads as.
    refused <- expect_refused(vantor_two_stage_power(10, 10, 10, 10, 1.3, 0.3,
                                                     stage1_alpha = 1e-3, method = 2),
                              "method", "BAD_METHOD")
    expect_match(conditionMessage(refused), "^element 1: method 2: ")
})
