#!/usr/bin/env bash
# Each end-to-end file N times in a row while stress-ng loads every core: a wait that only
# holds on a quiet machine shows up here. Niced, so the machine stays usable.
#
#   scripts/e2e_loop.sh [N] [test_FILE...]     defaults: 20 runs, every tests/e2e/test_*.py
#
# BIN_DIR names the program's folder (default build/bin), OUT the folder for the logs of
# failed runs (default build/e2e-loop). FOLIVEX_SOAK_STEPS sizes test_soak's runs (default
# 100 here). STRESS=0 leaves stress-ng out, for a machine that other work (soaks, builds)
# already loads; say what loaded it beside the results. Prints each file's passes; exits
# 1 when any run failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
n=${1:-20}
[ $# -gt 0 ] && shift
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
    for f in "$root"/tests/e2e/test_*.py; do files+=("$(basename "$f" .py)"); done
fi
out=${OUT:-$root/build/e2e-loop}
mkdir -p "$out"
[ "${STRESS:-1}" = 0 ] || command -v stress-ng >/dev/null || { echo "e2e loop: stress-ng missing (scripts/setup.sh)"; exit 1; }
load_text="under stress-ng --cpu $(nproc)"
if [ "${STRESS:-1}" = 0 ]; then
    load_text="beside the machine's other work (no stress-ng)"
else
    nice -n 10 stress-ng --cpu "$(nproc)" --timeout 0 --quiet &
    load=$!
    trap 'kill "$load" 2>/dev/null; wait "$load" 2>/dev/null || true' EXIT
fi
status=0
summary=()
for file in "${files[@]}"; do
    module=${file%.py}
    passes=0
    for i in $(seq 1 "$n"); do
        log="$out/$module.$i.log"
        start=$(date +%s)
        if FOLIVEX_BIN_DIR=${BIN_DIR:-$root/build/bin} PYTHONDONTWRITEBYTECODE=1 \
            FOLIVEX_SOAK_STEPS=${FOLIVEX_SOAK_STEPS:-100} \
            nice -n 10 /usr/bin/python3 "$root/tests/e2e/run.py" "$module" >"$log" 2>&1; then
            passes=$((passes + 1))
            rm -f "$log"
            echo "$module run $i: passed ($(($(date +%s) - start)) s)"
        else
            status=1
            echo "$module run $i: FAILED ($(($(date +%s) - start)) s), log $log"
        fi
    done
    summary+=("$module: $passes/$n")
done
echo "e2e loop $load_text, load average at the end $(cut -d' ' -f1-3 /proc/loadavg):"
printf '  %s\n' "${summary[@]}"
exit $status
