# The checks of continuous integration, one function each; .ci/run calls them
# in the order a developer wants to hear of failures. Sourced, not run: it
# expects $root (the repository), $work (a scratch folder) and $jobs.
# Each step with the seconds the run has taken so far, to see where its time goes.
step() { echo "== $* (at ${SECONDS} s)"; }
fail() { echo "CI: FAILED: $*" >&2; exit 1; }

# The one configuration of build/, the tested Release build: with the
# benchmarks, and the compile commands clang-tidy reads (configuring writes
# them and the generated header, so static analysis needs no compiling).
configure_main_build() {
    step "configure build/ (Release, benchmarks, compile commands)"
    cmake -S . -B build -DVANTOR_BUILD_BENCHMARKS=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
}

# Every relative link of README.md and docs/*.md names a file that exists.
check_documentation_links() {
    step "links of README.md and docs/"
    python3 .ci/check_docs.py links README.md docs/*.md || fail "documentation links"
}

build_and_test() {
    step "build, and run every test"
    cmake --build build -j"$jobs"
    ctest --test-dir build --no-tests=error --output-on-failure -j"$jobs"
}

# The `$ vantor ...` sessions of README.md and docs/ print what they show.
check_documentation_sessions() {
    step "the terminal sessions of README.md and docs/ against build/"
    PATH="$root/build:$PATH" python3 .ci/check_docs.py sessions README.md docs/*.md ||
        fail "a terminal session in the documentation prints other lines"
}

# The library compiled as a foreign build would (GNU mode, -O2, and
# -ffp-contract=fast, under which GCC fuses a*b+c wherever the target can)
# for x86-64-v3, which has fused multiply-add: the sources' own pragma must
# keep every vfmadd out, and the numbers must be build/'s to the last bit.
check_x86_64_v3() {
    step "x86-64-v3 build: the same numbers, bit for bit"
    if ! grep -qw avx2 /proc/cpuinfo || ! grep -qw fma /proc/cpuinfo; then
        echo "skipped: this processor lacks AVX2 or FMA, so an x86-64-v3 program cannot run here"
        return
    fi
    local out="$work/x86-64-v3" source objects=()
    mkdir -p "$out/generated/vantor"
    sh cmake/write_version_header.sh "$out/generated/vantor/version.h"
    while read -r source; do
        case $source in '#'* | '') continue ;; esac
        g++ -std=gnu++17 -O2 -march=x86-64-v3 -ffp-contract=fast -I. -I"$out/generated" \
            -c "$source" -o "$out/$(basename "$source" .cpp).o"
        objects+=("$out/$(basename "$source" .cpp).o")
    done <library_sources.txt
    if objdump -d "${objects[@]}" | grep -q vfmadd; then
        objdump -d "${objects[@]}" | grep -B20 vfmadd | head -40
        fail "the x86-64-v3 library fuses multiply-adds: a source lacks numeric/MTH_arithmetic_rule.h"
    fi
    cc -std=c99 -O2 -ffp-contract=off -I. -I"$out/generated" tests/library_numbers.c \
        "${objects[@]}" -lstdc++ -lm -o "$out/library_numbers"
    build/tests/library_numbers >"$out/default.txt"
    "$out/library_numbers" >"$out/v3.txt"
    diff -u "$out/default.txt" "$out/v3.txt" || fail "x86-64-v3 numbers differ from build/'s"
    echo "$(wc -l <"$out/v3.txt") numbers equal"
}

tests_under_sanitizers() {
    step "tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVANTOR_SANITIZE=ON >/dev/null
    cmake --build build-sanitize -j"$jobs"
    ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --test-dir build-sanitize --no-tests=error --output-on-failure -j"$jobs"
    step "threads under ThreadSanitizer"
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOR_TSAN=ON >/dev/null
    cmake --build build-tsan -j"$jobs" --target threads_test report_test
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        ctest --test-dir build-tsan -R '^(Threads|ReportHook)\.' --no-tests=error --output-on-failure
}

build_shared() {
    step "shared build"
    # Debian's Python runs the module's tests: it has NumPy and pandas.
    cmake -S . -B build-shared -DBUILD_SHARED_LIBS=ON -DPython3_EXECUTABLE=/usr/bin/python3 \
        >/dev/null
    cmake --build build-shared -j"$jobs" --target vantor vantor_mini_bin vantor_program vantor_manual
}

# Installs one build and checks what it installed: exactly the public
# headers CMake lists, and a C caller built with CMake, with pkg-config and
# from the C page's program (docs/c.md), all printing the expected lines.
check_installed_package() {
    local build=$1 prefix="$work/prefix-$1"
    step "install $build"
    cmake --install "$build" --prefix "$prefix" >/dev/null
    check_installed_headers "$build" "$prefix"
    step "build the C example against the installed $build with CMake"
    cmake -S examples/c -B "$work/example-$build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
    cmake --build "$work/example-$build" 2>&1 | tee "$work/example.log"
    if grep -q "warning" "$work/example.log"; then fail "C example compiles with warnings"; fi
    "$work/example-$build/power_example" >"$work/example-$build.out"
    check_example_output "$work/example-$build.out" "$prefix"
    check_pkg_config "$build" "$prefix" examples/c/power_example.c "$work/example-$build.out"
    check_installed_vantor "$prefix"
    # The C page's complete program is the C block that prints the version.
    awk '/^```c$/ {inside = 1; block = ""; next}
         /^```$/ && inside {inside = 0; if (block ~ /vantor_version\(\)/ && !done) {printf "%s", block; done = 1}}
         inside {block = block $0 "\n"}' docs/c.md >"$work/c_page.c"
    [ -s "$work/c_page.c" ] || fail "no C program printing vantor_version() in docs/c.md"
    check_pkg_config "$build" "$prefix" "$work/c_page.c" "$work/example-$build.out"
    # The study record's program, and the lines shown after it.
    awk '/^```c$/ {inside = 1; block = ""; next}
         /^```$/ && inside {inside = 0; if (block ~ /STU_study_init/) {printf "%s", block; found = 1}}
         inside {block = block $0 "\n"}' docs/c.md >"$work/study_page.c"
    awk '/^```text$/ && found {inside = 1; next}
         /^```$/ && inside {exit}
         inside {print}
         /STU_study_init/ {found = 1}' docs/c.md >"$work/study_page.out"
    [ -s "$work/study_page.c" ] && [ -s "$work/study_page.out" ] ||
        fail "no study program with its output in docs/c.md"
    check_pkg_config "$build" "$prefix" "$work/study_page.c" "$work/study_page.out"
}

# The installed vantor program has its manual page and, counting people,
# answers as vantor_mini_bin does with twice the counts in alleles.
check_installed_vantor() {
    local prefix=$1 people alleles
    step "installed vantor program and its manual page"
    [ -s "$prefix/share/man/man1/vantor.1" ] || fail "no manual page share/man/man1/vantor.1"
    people=$("$prefix/bin/vantor" power -n 500 -m 500 -o 1.3 -r 0.3 -a 0.05 -f csv |
             awk -F, 'NR == 1 {for (i = 1; i <= NF; i++) if ($i == "power") at = i}
                      NR == 2 {print $at}')
    alleles=$("$prefix/bin/vantor_mini_bin" SINGLE 1000 1000 1.3 0.3 0.05)
    awk -v a="$people" -v b="$alleles" 'BEGIN {exit !(a - b < 1e-6 && b - a < 1e-6)}' ||
        fail "installed vantor says power $people, vantor_mini_bin $alleles"
}

# The headers under include/ are exactly those of CMake's list.
check_installed_headers() {
    local build=$1 prefix=$2
    (cd "$prefix/include" && find . -type f | sed 's|^\./||' | sort) >"$work/installed-headers"
    sort "$build/public_headers.txt" >"$work/listed-headers"
    diff -u "$work/listed-headers" "$work/installed-headers" ||
        fail "installed headers differ from VANTOR_PUBLIC_HEADERS (- listed, + installed)"
}

# Builds a C source with cc and pkg-config as docs/c.md says (--static for a
# static library, an rpath for a shared one) and expects the lines of
# `expected`.
check_pkg_config() {
    local build=$1 prefix=$2 source=$3 expected=$4 program="$work/pkg-config-app"
    step "build $(basename "$source") against the installed $build with pkg-config"
    export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
    local flags
    if [ -e "$prefix/lib/libvantor.a" ]; then
        flags=$(pkg-config --cflags --libs --static vantor)
    else
        flags="$(pkg-config --cflags --libs vantor) -Wl,-rpath,$(pkg-config --variable=libdir vantor)"
    fi
    unset PKG_CONFIG_PATH
    # shellcheck disable=SC2086 # the flags are words
    cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$source" $flags -o "$program" ||
        fail "cc $source with pkg-config flags: $flags"
    "$program" >"$program.out"
    diff -u "$expected" "$program.out" || fail "$source prints other lines than examples/c"
}

check_example_output() {
    local output=$1 prefix=$2
    local expected_single
    expected_single="single-stage power=$("$prefix/bin/vantor_mini_bin" SINGLE 1000 1000 1.3 0.3 0.05)"
    [ "$(sed -n 1p "$output")" = "$expected_single" ] ||
        fail "C example: '$(sed -n 1p "$output")', program says '$expected_single'"
    # The second level is derived: 2 * overall / first = 2 * 0.0001 / 0.01.
    local expected_two_stage
    expected_two_stage="two-stage method=0 power=$(two_stage_power_from_python) alpha=0.01,0.02,0.0001"
    [ "$(sed -n 2p "$output")" = "$expected_two_stage" ] ||
        fail "C example: '$(sed -n 2p "$output")', expected '$expected_two_stage'"
    local expected_version
    expected_version="vantor $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --modversion vantor)"
    [ "$(sed -n 3p "$output")" = "$expected_version" ] ||
        fail "C example: '$(sed -n 3p "$output")', pkg-config says '$expected_version'"
    [ "$(wc -l <"$output")" -eq 3 ] || fail "C example prints other than three lines"
}

# The C example's two-stage request through the Python module: 1,000 and
# 2,000 alleles are 500 and 1,000 people per group; replication with the
# stage 1 level 0.01 and the overall level 0.0001, the final level derived.
two_stage_power_from_python() {
    VANTOR_LIBRARY="$root/build-shared/libvantor.so" python3 -B -c '
import sys; sys.path.insert(0, "python"); import vantor
r = vantor.two_stage_power(500, 500, 1000, 1000, 1.3, 0.3, stage1_alpha=0.01, alpha=0.0001,
                           method="replication")
print("%f" % r.power)'
}

check_python_module() {
    step "Python module tests"
    ctest --test-dir build-shared -R python_module --output-on-failure
    step "installed Python module finds the installed library"
    local prefix="$work/prefix-build-shared"
    # The program counts alleles: 1,000 alleles per group are 500 people.
    env -u VANTOR_LIBRARY PYTHONPATH="$prefix/share/vantor/python" python3 -B -c "
import vantor
assert vantor.load_library()._name.startswith('$prefix/lib/'), vantor.load_library()._name
print('%f' % vantor.single_stage_power(1000, 1000, 1.3, 0.3, alpha=0.05, count='alleles').power)
print('%f' % vantor.single_stage_power(500, 500, 1.3, 0.3, alpha=0.05).power)" >"$work/installed.out"
    local expected
    expected=$(build/vantor_mini_bin SINGLE 1000 1000 1.3 0.3 0.05)
    [ "$(cat "$work/installed.out")" = "$(printf '%s\n%s' "$expected" "$expected")" ] ||
        fail "installed Python module disagrees with the program"
}

# The README's Python line: pip builds the library and installs the module
# with it into a virtual environment that sees Debian's packages, with no
# network; the module then answers from another folder with its own library
# (or the one VANTOR_LIBRARY names), the program's numbers to the last digit.
check_python_package() {
    step "pip install --no-build-isolation ./python into a fresh virtual environment"
    local venv="$work/venv"
    /usr/bin/python3 -m venv --system-site-packages "$venv"
    PIP_DISABLE_PIP_VERSION_CHECK=1 "$venv/bin/pip" install --no-build-isolation ./python \
        >"$work/pip.log" 2>&1 || { cat "$work/pip.log"; fail "pip install ./python"; }
    build/vantor power --cases 1000,2000 --controls 2000 --odds-ratio 1.3 --control-rate 0.3 \
        --format csv >"$work/program-grid.csv"
    (cd "$work" && env -u VANTOR_LIBRARY "$venv/bin/python" -B -c "
import csv, vantor
assert vantor.load_library()._name.startswith('$venv/lib/'), vantor.load_library()._name
rows = vantor.single_stage_power(cases=[1000, 2000], controls=2000, odds_ratio=1.3,
                                 control_rate=0.3)
program = list(csv.DictReader(open('program-grid.csv')))
assert len(rows) == 2 == len(program)
for (_, ours), theirs in zip(rows.iterrows(), program):
    assert (ours.cases, ours.power) == (int(theirs['cases']), float(theirs['power'])), theirs
print('pip-installed module: two rows, the program\'s numbers')") ||
        fail "the pip-installed module"
    (cd "$work" && VANTOR_LIBRARY="$root/build-shared/libvantor.so" "$venv/bin/python" -B -c "
import vantor
assert vantor.load_library()._name == '$root/build-shared/libvantor.so'") ||
        fail "the pip-installed module does not take VANTOR_LIBRARY's library"
}

# The picture of docs/python.md: power against cases for a few relative
# risks, each curve's fewest cases from the library's size question.
check_power_curve_script() {
    step "power-curve picture script"
    VANTOR_LIBRARY="$root/build-shared/libvantor.so" /usr/bin/python3 examples/power_curve.py \
        --output "$work/power_curve.png" || fail "power_curve.py"
    [ "$(head -c 8 "$work/power_curve.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
        fail "power_curve.py wrote no PNG"
    check_genotype_simulation
}

# The simulation of the genotype tests on their grid of designs
# (docs/simulation.md), 100,000 replicates a design and the script's fixed
# seed: every test's gap to the simulation, for both calculations, within
# the largest measured with 1,000,000 replicates + 4 standard errors, and the
# default's loss to classic on the allelic and genotypic tests within the
# largest measured + 3. About 10 seconds.
check_genotype_simulation() {
    step "genotype tests simulated against their power"
    VANTOR_LIBRARY="$root/build-shared/libvantor.so" PYTHONPATH="$root/python" \
        /usr/bin/python3 examples/genotype_monte_carlo.py --replicates 100000 --check \
        >"$work/genotype_simulation.md" || fail "genotype_monte_carlo.py --check"
}

# The R package: its committed Rd pages and NAMESPACE are what roxygen2
# makes of its sources; R CMD build from the repository's library sources
# (r/build.sh), then R CMD check without the manual and without the checks
# that need the network. Any ERROR or WARNING fails, and so does a NOTE that
# r/vantor/README.md does not list.
check_r_package() {
    step "R package: Rd pages up to date"
    local copy="$work/r-roxygen"
    mkdir -p "$copy"
    cp -r r/vantor "$copy/"
    (cd "$copy/vantor" && Rscript -e 'roxygen2::roxygenise(load_code = "source")' >/dev/null 2>&1) ||
        fail "roxygen2 on r/vantor"
    diff -ru r/vantor/man "$copy/vantor/man" && diff -u r/vantor/NAMESPACE "$copy/vantor/NAMESPACE" ||
        fail "r/vantor/man or NAMESPACE differ from roxygen2's output: run roxygen2::roxygenise()"
    step "R package: R CMD build, R CMD check --no-manual"
    local out="$work/r-check"
    mkdir -p "$out"
    sh r/build.sh "$out" >"$out/build.log" 2>&1 || { cat "$out/build.log"; fail "R CMD build"; }
    (cd "$out" && VANTOR_MINI_BIN="$root/build/vantor_mini_bin" VANTOR_PROGRAM="$root/build/vantor" \
        MAKEFLAGS="-j$jobs" \
        _R_CHECK_CRAN_INCOMING_=false _R_CHECK_CRAN_INCOMING_REMOTE_=false \
        _R_CHECK_FUTURE_FILE_TIMESTAMPS_=false _R_CHECK_SYSTEM_CLOCK_=false \
        R CMD check --no-manual vantor_*.tar.gz >check.log 2>&1) ||
        { cat "$out/check.log"; fail "R CMD check"; }
    if grep -Eq '^\* checking .*(ERROR|WARNING)$' "$out/check.log"; then
        cat "$out/check.log"; fail "R CMD check: ERROR or WARNING"
    fi
    # The tests that compare with vantor_mini_bin and the vantor program skip
    # without them: in CI none may skip.
    grep -Eq '\[ FAIL 0 \| WARN [0-9]+ \| SKIP 0 \| PASS [0-9]+ \]' \
        "$out/vantor.Rcheck/tests/testthat.Rout" ||
        { cat "$out/vantor.Rcheck/tests/testthat.Rout"; fail "R package tests: a test skipped"; }
    local note
    { grep -E '^\* checking .* NOTE$' "$out/check.log" || true; } | sed -e 's/^\* //' -e 's/ \.\.\. NOTE$//' |
        while IFS= read -r note; do
            grep -qF "$note" r/vantor/README.md ||
                { cat "$out/check.log"; fail "R CMD check NOTE not in r/vantor/README.md: $note"; }
        done
    grep -E '^Status' "$out/check.log"
}

run_benchmarks_briefly() {
    step "benchmarks, one short pass (timings not checked)"
    build/bench/vantor_bench --benchmark_min_time=0.001 2>&1 | tail -n +4
}

# The vantor program streams its rows (Release build, not under the
# sanitizers): a single-stage grid of 2,000,000 rows is written whole, and
# its peak resident memory and that of a 1,000,000-row input file answered
# in JSON stay below 64 MB (times are printed, never judged). Peak resident set size is getrusage's
# ru_maxrss of the finished child, taken with wait4 (an upper bound: it
# counts the forking Python's pages before the program is executed).
check_vantor_streams() {
    step "vantor streams: a 2,000,000-row grid and a 1,000,000-row input file"
    python3 - "$root/build/vantor" "$work/million.csv" <<'PYTHON' || fail "vantor streaming"
import os, subprocess, sys, time

program, csv_path = sys.argv[1], sys.argv[2]
LARGEST_RSS_KB = 64 * 1024

def run(words, stdin=subprocess.DEVNULL):
    """Runs the program, counting its lines and keeping its last 4 KB; returns
    them with its exit status, peak resident size (KB) and seconds."""
    start = time.monotonic()
    child = subprocess.Popen([program] + words, stdin=stdin, stdout=subprocess.PIPE)
    lines, tail = 0, b""
    while chunk := child.stdout.read(1 << 20):
        lines += chunk.count(b"\n")
        tail = (tail + chunk)[-4096:]
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
    return lines, tail, os.waitstatus_to_exitcode(status), usage.ru_maxrss, seconds

def expect(holds, what):
    if not holds:
        sys.exit("vantor streaming: " + what)

lines, tail, status, rss, seconds = run(
    ["power", "--cases", "1:2000000:1", "--controls", "2000", "--odds-ratio", "1.3",
     "--control-rate", "0.3", "--alpha", "0.05", "--format", "csv"])
# Held in memory, the rows would take some 200 MB; the time is shown, not
# judged (a shared machine's speed varies; docs/speed.md states the speed).
print(f"2,000,000-row grid: {lines - 1} rows, {seconds:.1f} s, peak RSS {rss} KB")
expect(status == 0 and lines == 2000001, f"grid: exit status {status}, {lines} lines")
expect(tail.split(b"\n")[-2].startswith(b"people,2000000,2000,"), "grid: last row")
expect(rss < LARGEST_RSS_KB, f"grid: peak RSS {rss} KB, 64 MB or more")

with open(csv_path, "w") as rows:
    rows.write("cases,odds-ratio\n")
    rows.writelines(f"{1000 + i % 5000},{1.2 if i % 2 else 1.3}\n" for i in range(1000000))
lines, tail, status, rss, seconds = run(
    ["power", "--input", csv_path, "--controls", "2000", "--control-rate", "0.3", "--alpha", "5e-8",
     "--format", "json"])
print(f"1,000,000-row input file in JSON: {seconds:.1f} s, peak RSS {rss} KB")
# An object per row: as many lines as one row's object takes alone.
with open(csv_path + ".one", "w") as one:
    one.write("cases,odds-ratio\n1000,1.3\n")
per_row = run(["power", "--input", csv_path + ".one", "--controls", "2000", "--control-rate", "0.3",
               "--alpha", "5e-8", "--format", "json"])[0] - 2
expect(per_row > 10, f"JSON: one row takes {per_row} lines")
expect(status == 0 and lines == 1 + per_row * 1000000 + 1, f"JSON: exit status {status}, {lines} lines")
expect(tail.endswith(b"  }\n]\n"), "JSON: the array is not closed")
expect(rss < LARGEST_RSS_KB, f"JSON input: peak RSS {rss} KB, 64 MB or more")
PYTHON
}

# Replays one fuzzer's seed corpus and then runs a fixed number of inputs
# from a fixed seed: the same inputs on every machine, however fast, so a
# commit's verdict does not depend on the machine or its load. Any crash,
# sanitizer report, failed answer check, leak or input slower than the
# timeout fails. The timeout is generous because one two-stage call may
# legitimately run millions of integrand evaluations under the sanitizers.
# The inputs tried depend on nothing but the seed: addresses are not
# randomised (the order of sets of pointers, in the option parser, changes
# which branches run), comparisons' operands, some of them addresses, are
# not used as mutations, and the fuzzers are built without the stack-depth
# signal (fuzz/CMakeLists.txt). Exploring is a campaign of its own
# (fuzz/campaign.sh, docs/fuzzing.md).
run_fuzzer() {
    local name=$1 max_len=$2 runs=$3 corpus="$work/corpus-$1" artifacts="$work/artifacts-$1/"
    mkdir -p "$corpus" "$artifacts"
    cp "fuzz/corpus/$name/"* "$corpus/"
    step "fuzzing $name: its corpus, then $runs inputs from seed 1"
    if ! $fixed_addresses "build-fuzz/fuzz/fuzz_$name" -runs="$runs" -seed=1 -reload=0 \
            -use_cmp=0 -use_memmem=0 -timeout=120 -max_len="$max_len" -close_fd_mask=1 \
            -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus" \
            >"$work/fuzz-$name.log" 2>&1; then
        tail -n 60 "$work/fuzz-$name.log"
        for input in "$artifacts"*; do
            echo "reproducer $input:"; od -An -tx1 -v "$input"
        done
        fail "fuzzer $name"
    fi
    grep -E '^(Done|stat::number_of_executed_units)' "$work/fuzz-$name.log" || true
}

# The numbers of inputs take 40 s to two minutes each on two cores (2026, an
# x86-64 virtual machine), chosen to keep the whole run within half an hour;
# a slower machine takes longer to the same verdict.
fuzz() {
    step "libFuzzer build (clang, address and undefined-behaviour sanitizers)"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVANTOR_FUZZ=ON -DVANTOR_SANITIZE=ON \
        -DVANTOR_BUILD_TESTS=OFF >/dev/null
    cmake --build build-fuzz -j"$jobs"
    export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    fixed_addresses="setarch $(uname -m) -R"
    if ! $fixed_addresses true 2>/dev/null; then
        echo "CI: this machine cannot turn off address randomisation; the fuzzers' inputs may" \
            "differ from another machine's"
        fixed_addresses=""
    fi
    run_fuzzer driver 256 2000000
    run_fuzzer power 72 30000
    run_fuzzer solve 52 1500000
    run_fuzzer cli 256 10000
    run_fuzzer design 320 60000
    run_fuzzer ask 192 150000
}

# Builds the page with emscripten and runs its browser tests: the page opened
# from disk in headless Chromium, its numbers against the command line's, the
# WebAssembly module's against the native library's.
check_web_page() {
    step "web page: build with emscripten"
    bash web/build.sh "$work/web"
    step "web page: browser tests in headless Chromium"
    VANTOR_LIBRARY="$root/build-shared/libvantor.so" PYTHONPATH="$root/python" \
        python3 web/test/native_values.py >"$work/native.json"
    (cd web/test && npm ci --no-audit --no-fund >/dev/null)
    (cd web/test && VANTOR_WEB_DIST="$work/web" VANTOR_NATIVE_VALUES="$work/native.json" \
        VANTOR_PROGRAM="$root/build/vantor" node --test) || fail "web page tests"
}

static_analysis() {
    step "clang-format"
    git ls-files "*.c" "*.cpp" "*.h" | xargs clang-format --dry-run -Werror ||
        fail "clang-format: the files above need clang-format -i"
    step "clang-tidy"
    git ls-files '*.cpp' | grep -v '^examples/' |
        xargs -P"$jobs" -n1 clang-tidy -p build --quiet 2>/dev/null >"$work/tidy.log" ||
        { cat "$work/tidy.log"; fail "clang-tidy"; }
    clang-tidy --quiet examples/c/power_example.c -- -std=c99 -I. -Ibuild/generated 2>/dev/null ||
        fail "clang-tidy on the C example"
}

