#!/usr/bin/env bash
# Albums from archives beside the same 100 photos in a plain folder, in one run:
#   bench/archives.sh [BUILD_DIR]       (default: build)
# The files are made once into BUILD_DIR/bench/archives-data (bench/archives_data.py; 7z
# from p7zip-full). Each figure comes from a process of its own, so that its peak resident
# memory is that work's; the times are medians of cold runs. Beside the listing stand GNU
# tar listing the same .tar.gz, and beside the solid archive 7z itself extracting its last
# photo, the floor of any jump to the end. Run it on an otherwise idle machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bench=$build/bench/bench_archives
python=/usr/bin/python3
[ -x "$bench" ] || { echo "archives.sh: $bench is not built" >&2; exit 1; }
command -v 7z >/dev/null || { echo "archives.sh: 7z is missing (scripts/setup.sh)" >&2; exit 1; }

data=$build/bench/archives-data
[ -e "$data/.complete" ] || echo "Making the test files in $data (once) ..." >&2
"$python" "$root/bench/archives_data.py" "$data"
export FOLIVEX_ARCHIVES_DIR=$data

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for name in ThumbnailCacheBuild WalkBackward ScrollJump; do
    for source in Folder Cbz Cb7; do
        "$bench" --benchmark_filter="^$name/$source/" --benchmark_repetitions=5 \
            --benchmark_out="$work/$name-$source.json" --benchmark_out_format=json >/dev/null 2>&1
    done
done
for name in ListingThroughThePage ListingOnTheUiThread; do
    "$bench" --benchmark_filter="^$name/" --benchmark_repetitions=3 \
        --benchmark_out="$work/$name.json" --benchmark_out_format=json >/dev/null 2>&1
done

"$python" - "$data" "$work" <<'PY'
import json, os, statistics, subprocess, sys, time

data, work = sys.argv[1:3]


def runs(file):
    with open(os.path.join(work, file + ".json")) as f:
        out = [r for r in json.load(f)["benchmarks"] if r.get("run_type") == "iteration"]
    for r in out:
        if r.get("error_occurred"):
            sys.exit("archives.sh: %s: %s" % (file, r.get("error_message")))
    return out


def figure(file):
    rs = runs(file)
    return statistics.median(r["real_time"] for r in rs), max(r["peak_rss_kB"] for r in rs) / 1024


def timed(args, repeat=3):
    best = []
    for _ in range(repeat):
        start = time.monotonic()
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        best.append((time.monotonic() - start) * 1000)
    return statistics.median(best)


rows = []
works = (("ThumbnailCacheBuild", "thumbnail cache, 100 photos 1920x1280, 128 px"),
         ("WalkBackward", "walk backward, 25 4-split spreads, 1024x768"),
         ("ScrollJump", "scroll-bar jump to the last spread and back"))
for name, label in works:
    folder_ms, folder_mb = figure(name + "-Folder")
    row = [label, "%.0f ms, %.0f MB" % (folder_ms, folder_mb)]
    for source, target in (("Cbz", 1.2), ("Cb7", 1.5)):
        ms, mb = figure(name + "-" + source)
        ratio = ms / folder_ms
        row.append("%.0f ms, %.0f MB (%.2fx%s)" % (ms, mb, ratio, "" if round(ratio, 2) <= target else " MISSED"))
    rows.append(row)
last = sorted(n for n in os.listdir(os.path.join(data, "photos")) if n.endswith(".jpg"))[-1]
inflate = ("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
           "for n in z.namelist():\n    z.read(n)\n")
rows.append(["Python zipfile: every photo of the .cbz inflated (peer)", "-",
             "%.0f ms" % timed([sys.executable, "-c", inflate, os.path.join(data, "photos.cbz")]), "-"])
cb7 = os.path.join(data, "photos.cb7")
rows.append(["7z: every photo of the .cb7 decoded (peer)", "-", "-", "%.0f ms" % timed(["7z", "t", cb7])])
rows.append(["7z: the last photo of the .cb7 extracted (peer)", "-", "-",
             "%.0f ms" % timed(["7z", "e", "-so", cb7, last])])

page = runs("ListingThroughThePage")
ui = runs("ListingOnTheUiThread")
tar_ms = timed(["tar", "-tzf", os.path.join(data, "many.tar.gz")])
listing = [
    ["listing 100,000-entry .tar.gz, on a worker (contents page)",
     "%.0f ms" % statistics.median(r["real_time"] for r in page),
     "longest UI-thread gap %.0f ms" % max(r["longest_ui_gap_ms"] for r in page),
     "%.0f MB" % (max(r["peak_rss_kB"] for r in page) / 1024)],
    ["the same on the UI thread (as before)",
     "%.0f ms" % statistics.median(r["real_time"] for r in ui),
     "longest UI-thread gap %.0f ms" % max(r["longest_ui_gap_ms"] for r in ui),
     "%.0f MB" % (max(r["peak_rss_kB"] for r in ui) / 1024)],
    ["GNU tar -tzf, same file (peer)", "%.0f ms" % tar_ms, "-", "-"],
]

photos = os.path.join(data, "photos")
size = sum(os.path.getsize(os.path.join(photos, n)) for n in os.listdir(photos)) / 100 / 1e6


def table(head, rows):
    widths = [max(len(r[i]) for r in rows + [head]) for i in range(len(head))]
    line = lambda r: "| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |"
    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))


nproc = subprocess.run(["nproc"], capture_output=True, text=True).stdout.strip()
print("nproc: %s; 100 photos of %.2f MB; time (median of 5 cold runs), peak resident memory"
      % (nproc, size))
table(("work", "folder", ".cbz (deflate), target 1.2x", ".cb7 (solid LZMA2), target 1.5x"), rows)
print()
table(("listing", "time", "UI thread", "peak memory"), listing)
PY
