#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a while,
# one after another, from its committed corpus.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     every fuzz/*.cpp when no target is named
# Environment:
#   FUZZ_RUNS=N      stop a target after N runs (whichever comes first with SECONDS)
#   FUZZ_BUILD=DIR   build tree (default build-fuzz)
#   FUZZ_SETUP=0     skip the package check (CI has just run it)
#   FUZZ_NICE=N      run the fuzzers under nice -n N (default 0)
#   FUZZ_LABEL=TEXT  start of every log line (default "fuzz")
#   FUZZ_SEED=N      libFuzzer's random seed (default: a new one per run); a fixed seed
#                    makes the mutations the same on every run, so a CI smoke fails on
#                    what a change did, not on what this run's luck found
# New inputs go to DIR/corpus/<target>/, never into fuzz/corpus/: the committed corpus
# is only read, so a run leaves the work tree clean. Crashes, leaks and hangs land in
# DIR/artifacts/<target>/ and make the script exit 1 after every target has run.
# Each target's outcome is appended to DIR/fuzz-results.tsv, and a summary table in the
# layout of docs/FUZZING.md is printed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD:-$root/build-fuzz}
runs=${FUZZ_RUNS:--1}
nice_level=${FUZZ_NICE:-0}
label=${FUZZ_LABEL:-fuzz}
seed_option=()
[ -z "${FUZZ_SEED:-}" ] || seed_option=(-seed="$FUZZ_SEED")

[ "${FUZZ_SETUP:-1}" = 0 ] || "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DFOLIVEX_FUZZ=ON -DFOLIVEX_TESTS=OFF -DFOLIVEX_BENCH=OFF -DFOLIVEX_WERROR=ON >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for f in "$root"/fuzz/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
build_targets=()
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build "$build" -j "$(nproc)" --target "${build_targets[@]}"

results=$build/fuzz-results.tsv
summary=()
failed=0
for t in "${targets[@]}"; do
    seed=$root/fuzz/corpus/$t
    work=$build/corpus/$t
    artifacts=$build/artifacts/$t
    log=$build/logs/$t.log
    mkdir -p "$seed" "$work" "$artifacts" "$(dirname "$log")"
    echo "$label: $t: start, up to ${seconds} s, seeds $(find "$seed" -type f | wc -l) files"
    status=0
    LSAN_OPTIONS=suppressions=$root/tests/lsan.supp nice -n "$nice_level" "$build/bin/fuzz_$t" -max_total_time="$seconds" -runs="$runs" "${seed_option[@]}" \
        -timeout=25 -rss_limit_mb=2560 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$work" "$seed" >"$log" 2>&1 || status=$?
    done_runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n1)
    done_secs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "$log" | tail -n1)
    [ -n "$done_runs" ] ||
        done_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    corpus=$(cat <(find "$work" -type f) <(find "$seed" -type f) | wc -l)
    # slow-unit-* files only say that one input took long by the wall clock, which a
    # niced run on a busy machine also produces; crashes, leaks, timeouts and
    # out-of-memory inputs are findings.
    found=$(find "$artifacts" -type f ! -name 'slow-unit-*' | wc -l)
    if [ "$status" -eq 0 ] && [ "$found" -eq 0 ]; then
        outcome=ok
    else
        outcome="FAILED (exit $status, $found artifact(s) in $artifacts)"
        failed=1
        grep -m1 -E 'ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error' "$log" ||
            tail -n 20 "$log"
    fi
    echo "$label: $t: ${done_runs:-0} runs in ${done_secs:-?} s, corpus $corpus files: $outcome"
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$t" "${done_runs:-0}" "${done_secs:-?}" "$corpus" \
        "$(date -u +%F)" "$outcome" >>"$results"
    summary+=("| \`$t\` | ${done_runs:-0} | ${done_secs:-?} s | $corpus | $(date -u +%F) | $outcome |")
done

echo
echo "| target | runs | time | corpus files | date | result |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${summary[@]}"
exit "$failed"
