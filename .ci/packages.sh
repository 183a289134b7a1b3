# Debian packages the checks need, and the one function that installs those
# missing. Sourced by .ci/run and .ci/extras.sh.

# The build, the tests (also under the sanitizers) and the benchmarks; the
# vantor program's option parser and JSON writer, and its manual page.
ci_core_packages=(cmake g++ libtsan2 clang libgtest-dev libbenchmark-dev
                  libcli11-dev nlohmann-json3-dev help2man)
# The installed package, the Python module (pandas for its data frames; venv,
# setuptools and wheel for pip's install of it), the fuzzers and static
# analysis.
ci_extra_packages=(pkg-config libclang-rt-14-dev clang-tidy clang-format python3
                   python3-matplotlib python3-pandas python3-venv python3-setuptools
                   python3-wheel)
# The R package: its build and check, its tests, its Rd pages, and its
# figures drawn with ggplot2 (the tests draw them with base graphics too).
ci_r_packages=(r-base-dev r-cran-testthat r-cran-roxygen2 r-cran-ggplot2)

# The web page: emscripten compiles the library, Chromium runs the page's tests
# (Node.js and npm are on the machine; playwright-core comes from the npm
# registry).
ci_web_packages=(emscripten chromium)

# Installs those of the named packages that are not installed yet.
install_missing_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "== installing: ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
}
