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

# The project's lists the package is checked against, copied into the package
# by its configure script from the repository (docs/glossary.md,
# tests/requests.csv).
project_file <- function(name) {
    path <- system.file("extdata", name, package = "vantor")
    if (!nzchar(path)) {
        stop("the package was built without inst/extdata/", name, ": build it with r/build.sh")
    }
    path
}

# The glossary's Names table as a data frame of text, one row per concept,
# columns as its header names them; `\u2014` (none) becomes NA and backticks go.
glossary_names <- function() {
    lines <- readLines(project_file("glossary.md"), encoding = "UTF-8")
    start <- grep("^## Names", lines)
    headings <- grep("^## ", lines)
    end <- min(c(headings[headings > start], length(lines) + 1))
    rows <- grep("^\\|", lines)
    rows <- rows[rows > start & rows < end]
    cells <- lapply(lines[rows], function(line) {
        trimws(strsplit(sub("^\\|(.*)\\|$", "\\1", line), "|", fixed = TRUE)[[1L]])
    })
    header <- cells[[1L]]
    body <- cells[-(1:2)]
    table <- as.data.frame(do.call(rbind, body), stringsAsFactors = FALSE)
    names(table) <- header
    table[] <- lapply(table, function(column) {
        column <- gsub("`", "", column)
        column[column == "\u2014"] <- NA
        column
    })
    table
}

# The shared table of requests, every cell as text.
shared_requests <- function() {
    utils::read.csv(project_file("requests.csv"), colClasses = "character",
                    na.strings = character())
}

# A request's inputs ("cases=2000;alpha=0x10;count=people") as R would give
# them: a decimal number as a number (1e400 is Inf, as R reads it), an empty
# value as NA, a word as its word and any other text as the text typed.
request_inputs <- function(text) {
    decimal <- "^[-+]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][-+]?[0-9]+)?$"
    pairs <- strsplit(strsplit(text, ";", fixed = TRUE)[[1L]], "=", fixed = TRUE)
    values <- lapply(pairs, function(pair) {
        value <- if (length(pair) > 1L) pair[[2L]] else ""
        if (!nzchar(value)) NA else if (grepl(decimal, value)) as.numeric(value) else value
    })
    stats::setNames(values, vapply(pairs, `[[`, "", 1L))
}

# The rows of `vantor ... --format csv`, every digit the program writes read
# back as R reads a number; columns named with underscores as in R.
vantor_csv <- function(program, words) {
    output <- system2(program, c(as.character(words), "--format", "csv"), stdout = TRUE,
                      stderr = FALSE)
    rows <- utils::read.csv(text = output, check.names = FALSE, stringsAsFactors = FALSE)
    stats::setNames(rows, gsub("-", "_", names(rows), fixed = TRUE))
}

# What the `vantor` program prints for `words` with --methods, its final
# newline left out.
vantor_methods_printed <- function(program, words) {
    output <- system2(program, c(as.character(words), "--methods"), stdout = TRUE,
                      stderr = FALSE)
    paste(output, collapse = "\n")
}
