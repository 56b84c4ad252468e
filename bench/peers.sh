#!/usr/bin/env bash
# Prints the program's figures beside Pillow's, for the same work on the same files in the
# same run, with the ratio: bench/peers.sh [BUILD_DIR] (default: build). The photos are
# made once into BUILD_DIR/bench/peers-photos. Run it on an otherwise idle machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bench=$build/bench/bench_peers
python=/usr/bin/python3 # Debian's python3-pil
[ -x "$bench" ] || { echo "peers.sh: $bench is not built" >&2; exit 1; }
"$python" -c 'import PIL' 2>/dev/null || { echo "peers.sh: python3-pil is missing (scripts/setup.sh)" >&2; exit 1; }

photos=$build/bench/peers-photos
if [ ! -e "$photos/big/.complete" ] || [ ! -e "$photos/camera/.complete" ]; then
    echo "Making the test photos in $photos (once) ..." >&2
fi
"$python" "$root/bench/peers_photos.py" "$photos"
export FOLIVEX_PEERS_DIR=$photos

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --benchmark_filter='^(CleanScaler|Spread4Split|Spread2Split|PrefetchedTurn|ThumbnailCache)' \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$work/folivex.json" --benchmark_out_format=json >&2
# The memory figure in a process of its own, so that the peak is one turn's.
"$bench" --benchmark_filter='^Memory4SplitTurn/' \
    --benchmark_out="$work/memory.json" --benchmark_out_format=json >/dev/null

"$python" - "$root/bench/peers_pillow.py" "$photos" "$work" <<'PY'
import json, os, subprocess, sys

pillow_script, photos, work = sys.argv[1:4]


def folivex(name, file="folivex.json"):
    with open(os.path.join(work, file)) as f:
        runs = json.load(f)["benchmarks"]
    for run in runs:
        if run.get("run_name", run["name"]).split("/")[0] == name and run.get("aggregate_name", "median") == "median":
            if run.get("error_occurred"):
                sys.exit(f"peers.sh: {name}: {run.get('error_message')}")
            return run
    sys.exit(f"peers.sh: no figure for {name}")


def pillow(*args):
    out = subprocess.run(["/usr/bin/python3", pillow_script, photos, *map(str, args)],
                         check=True, capture_output=True, text=True).stdout
    return json.loads(out)


def box(run):
    return int(run["box_w"]), int(run["box_h"])


rows = []
r = folivex("CleanScaler6000x4000")
p = pillow("scaler", *box(r))
rows.append(("clean scaler alone, 6000x4000 -> %dx%d" % box(r), "%.1f ms" % r["real_time"],
             "%.1f ms (BOX)" % p["ms"], "%.2fx the time" % (r["real_time"] / p["ms"])))
for name, task, label in (("Spread4Split1024x768", "spread4", "cold 4-split clean spread, 1024x768"),
                          ("Spread2Split1920x1080", "spread2", "cold 2-split clean spread, 1920x1080")):
    r = folivex(name)
    p = pillow(task, *box(r))
    rows.append(("%s (box %dx%d)" % ((label,) + box(r)), "%.0f ms" % r["real_time"],
                 "%.0f ms (draft + BOX)" % p["ms"], "%.2fx the time" % (r["real_time"] / p["ms"])))
r = folivex("PrefetchedTurn4Split1024x768")
rows.append(("prefetched 4-split turn, 1024x768 (key to spread, no animation)",
             "%.1f ms, %d UI-thread decodes" % (r["real_time"], r["ui_thread_decodes"]), "-", "-"))
for name, args, label, peer in (
        ("ThumbnailCache200x128", ("thumbs", "small"), "no EXIF thumbnails", "draft + BOX"),
        ("ThumbnailCacheCamera200x128", ("thumbs", "camera"), "camera EXIF thumbnails", "draft + BOX"),
        ("ThumbnailCacheCamera200x128", ("thumbs-exif", "camera"), "camera EXIF thumbnails",
         "EXIF thumbnail + BOX")):
    r = folivex(name)
    p = pillow(*args)
    ours = 1000 * r["pictures"] / r["real_time"]
    theirs = 1000 * p["pictures"] / p["ms"]
    rows.append(("thumbnail cache, %d photos 1920x1280, 128 px, %s" % (r["pictures"], label),
                 "%.0f per s" % ours, "%.0f per s (2 processes, %s)" % (theirs, peer),
                 "%.2fx the rate" % (ours / theirs)))
r = folivex("Memory4SplitTurn", "memory.json")
m = pillow("memory4", *box(r))
rows.append(("peak resident memory, one 4-split turn", "%.0f MB (%.0f MB before)" %
             (r["peak_rss_kB"] / 1024, r["rss_before_kB"] / 1024), "%.0f MB" % (m["peak_kB"] / 1024),
             "%.2fx the memory" % (r["peak_rss_kB"] / m["peak_kB"])))

sizes = [os.path.getsize(os.path.join(photos, "big", f)) for f in os.listdir(os.path.join(photos, "big"))
         if f.endswith(".jpg")]
print("nproc: %d; big photos 6000x4000 q90, %.1f MB each on average" % (os.cpu_count(), sum(sizes) / len(sizes) / 1e6))
head = ("work", "Folivex", "Pillow", "Folivex / Pillow")
widths = [max(len(row[i]) for row in rows + [head]) for i in range(4)]
line = lambda row: "| " + " | ".join(c.ljust(w) for c, w in zip(row, widths)) + " |"
print(line(head))
print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
for row in rows:
    print(line(row))
PY
