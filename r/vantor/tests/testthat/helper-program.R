# The library's command-line program, found through VANTOR_MINI_BIN (CI sets
# it to the CMake build's program); tests that need it skip without it.
mini_bin <- function() {
    program <- Sys.getenv("VANTOR_MINI_BIN")
    if (!nzchar(program) || !file.exists(program)) {
        skip("VANTOR_MINI_BIN does not name the vantor_mini_bin program")
    }
    program
}

run_mini_bin <- function(program, words) {
    output <- system2(program, as.character(words), stdout = TRUE, stderr = FALSE)
    paste(output, collapse = "\n")
}

case_rate <- function(odds_ratio, rate) {
    odds_ratio * rate / (odds_ratio * rate + 1 - rate)
}
