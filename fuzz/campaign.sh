#!/usr/bin/env bash
# A fuzzing campaign: each named fuzzer (all six by default) explores for a
# time from a copy of its seed corpus, under the sanitizers of build-fuzz/,
# with its answer checks on. Run one whenever a change touches the library,
# mend every finding, keep its input in fuzz/corpus/NAME/ and record the
# campaign in docs/fuzzing.md. CI does not explore: it replays the corpus
# and a fixed number of inputs (.ci/checks.sh, run_fuzzer).
#
#   fuzz/campaign.sh [-m MINUTES] [-s SEED] [-j PARALLEL] [-o DIR] [NAME ...]
#
# Defaults: 20 minutes, seed 1, two fuzzers at a time, results in a new
# folder under /tmp. Prints one line per fuzzer: its seed, minutes,
# executions, the corpus it grew and the findings (reproducers) it left.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=20
seed=1
parallel=2
out=""
while getopts "m:s:j:o:h" option; do
    case $option in
        m) minutes=$OPTARG ;;
        s) seed=$OPTARG ;;
        j) parallel=$OPTARG ;;
        o) out=$OPTARG ;;
        *) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(driver power solve cli design ask)
[ -n "$out" ] || out=$(mktemp -d /tmp/vantor-campaign.XXXXXX)

# The longest input each fuzzer reads (its layout's size, or a command line).
declare -A max_len=([driver]=256 [power]=72 [solve]=52 [cli]=256 [design]=320 [ask]=192)

for name in "${names[@]}"; do
    if [ -z "${max_len[$name]:-}" ] || [ ! -x "build-fuzz/fuzz/fuzz_$name" ]; then
        echo "campaign: no fuzzer '$name' in build-fuzz/ (build it as docs/fuzzing.md says)" >&2
        exit 2
    fi
done

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

explore() {
    local name=$1 corpus="$out/corpus-$1" artifacts="$out/findings-$1/"
    mkdir -p "$corpus" "$artifacts"
    cp "fuzz/corpus/$name/"* "$corpus/"
    local seeds
    seeds=$(find "$corpus" -type f | wc -l)
    # -fork keeps exploring after a finding, so one campaign reports them all.
    "build-fuzz/fuzz/fuzz_$name" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
        -max_total_time=$((minutes * 60)) -seed="$seed" -timeout=120 \
        -max_len="${max_len[$name]}" -close_fd_mask=1 -artifact_prefix="$artifacts" \
        "$corpus" >"$out/$name.log" 2>&1 || true
    local executions grown findings
    executions=$(grep -Eo 'exec/s: [0-9]+|#[0-9]+' "$out/$name.log" | grep -Eo '^#[0-9]+' |
        tail -n 1 | tr -d '#')
    grown=$(($(find "$corpus" -type f | wc -l) - seeds))
    findings=$(find "$artifacts" -type f | wc -l)
    echo "$name seed $seed, $minutes min: ${executions:-0} executions, corpus +$grown," \
        "$findings findings ($artifacts)"
}

echo "campaign: ${names[*]}, $minutes min each, seed $seed, $parallel at a time; logs in $out"
running=0
for name in "${names[@]}"; do
    explore "$name" &
    running=$((running + 1))
    if [ "$running" -ge "$parallel" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait
