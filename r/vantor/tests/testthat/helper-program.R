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

# The person-facing `vantor` program, found through VANTOR_PROGRAM (CI sets
# it); tests that need it skip without it.
vantor_program <- function() {
    program <- Sys.getenv("VANTOR_PROGRAM")
    if (!nzchar(program) || !file.exists(program)) {
        skip("VANTOR_PROGRAM does not name the vantor program")
    }
    program
}

# The numbers of one JSON column of `vantor ... --format json`, read from the
# full-precision text the program writes.
vantor_json_numbers <- function(program, words, column) {
    output <- system2(program, c(as.character(words), "--format", "json"), stdout = TRUE,
                      stderr = FALSE)
    pattern <- sprintf('^ *"%s": ([-+0-9.eE]+),?$', column)
    values <- sub(pattern, "\\1", grep(pattern, output, value = TRUE))
    as.numeric(values)
}
