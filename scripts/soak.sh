#!/usr/bin/env bash
# The long soak: a run of STEPS seeded steps of real input for each seed, one after
# another, niced, against the built program (tests/e2e/soak.py). Each run leaves its
# figures (JSON), its per-step samples (CSV) and its log in OUT; a table of all runs ends
# the output, ready for docs/SOAK.md. Exits 1 when any run failed.
#
#   scripts/soak.sh [STEPS] [SEED...]        defaults: 5000 steps, seeds 11 12 13
#
# BIN_DIR names the program's folder (default build/bin), OUT the reports' folder
# (default build/soak). A failed run prints its seed and step; replay it with
#   python3 tests/e2e/soak.py --seed S --steps N --until STEP
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
steps=${1:-5000}
[ $# -gt 0 ] && shift
seeds=("$@")
[ ${#seeds[@]} -gt 0 ] || seeds=(11 12 13)
out=${OUT:-$root/build/soak}
bin=${BIN_DIR:-$root/build/bin}
mkdir -p "$out"
# A crash leaves its core in the run's folder, which a failed run keeps.
ulimit -c unlimited 2>/dev/null || true
status=0
for seed in "${seeds[@]}"; do
    echo "soak: seed $seed, $steps steps, program $bin"
    if FOLIVEX_BIN_DIR=$bin nice -n 10 /usr/bin/python3 "$root/tests/e2e/soak.py" \
        --seed "$seed" --steps "$steps" --report "$out/seed$seed.json" \
        --samples "$out/seed$seed.csv" >"$out/seed$seed.log" 2>&1; then
        echo "soak: seed $seed passed"
    else
        status=1
        echo "soak: seed $seed FAILED:"
        grep -a -A3 "SOAK FAILED" "$out/seed$seed.log" || tail -20 "$out/seed$seed.log"
    fi
done
/usr/bin/python3 - "$out" "${seeds[@]}" <<'PY'
import csv, json, os, sys
out, seeds = sys.argv[1], sys.argv[2:]
print("| seed | steps | time | RSS peak | RSS final | RSS growth, 2nd half | fds peak/final | threads peak/final | result |")
print("|---|---|---|---|---|---|---|---|---|")
for seed in seeds:
    rep, samples = os.path.join(out, "seed%s.json" % seed), os.path.join(out, "seed%s.csv" % seed)
    if os.path.exists(rep):
        r = json.load(open(rep))
        g = r["growth"].get("rss_kb", {})
        print("| %s | %d | %.0f min | %.0f MB | %.0f MB | %+.1f%% | %d/%d | %d/%d | passed |" % (
            seed, r["steps"], r["seconds"] / 60, r["rss_peak_kb"] / 1024, r["rss_final_kb"] / 1024,
            100 * g.get("growth", 0), r["fds_peak"], r["fds_final"], r["threads_peak"],
            r["threads_final"]))
    elif os.path.exists(samples):
        rows = list(csv.DictReader(open(samples)))
        if rows:
            rss = [int(x["rss_kb"]) for x in rows]
            print("| %s | %s | | %.0f MB | %.0f MB | | %s | %s | failed at step %s |" % (
                seed, len(rows), max(rss) / 1024, rss[-1] / 1024, rows[-1]["fds"],
                rows[-1]["threads"], rows[-1]["step"]))
PY
exit $status
