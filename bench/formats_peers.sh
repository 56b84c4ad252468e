#!/usr/bin/env bash
# Decoding time of each bundled plug-in beside a peer, on the same photo-like file, in
# the same run:  bench/formats_peers.sh [BUILD_DIR]   (default: build)
# The files are made once into BUILD_DIR/bench-formats/. Pillow (Debian python3-pil) is
# the peer where it reads the format; Debian 12's Pillow reads neither HEIF, AVIF nor
# JPEG XL, so for those the library's own command-line decoder is the peer, writing PPM
# or Y4M to /dev/shm, process start included (a peer's time that is, if anything, long).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
files=$build/bench-formats
python=/usr/bin/python3
mkdir -p "$files"

if [ ! -f "$files/photo.avif" ]; then
    "$python" - "$files" <<'PY'
import sys
from PIL import Image, ImageFilter
out = sys.argv[1]
w, h = 3000, 2000
# Shading at several scales plus sensor-like noise: a coder has a photo's work to do.
def channel(seed_sigma, blur):
    n = Image.effect_noise((w // 8, h // 8), seed_sigma).filter(ImageFilter.GaussianBlur(blur))
    return n.resize((w, h), Image.BICUBIC)
r = Image.blend(channel(90, 3), Image.linear_gradient("L").resize((w, h)), 0.4)
g = Image.blend(channel(70, 6), Image.radial_gradient("L").resize((w, h)), 0.4)
b = channel(110, 2)
photo = Image.merge("RGB", (r, g, b))
fine = Image.merge("RGB", [Image.effect_noise((w, h), 24) for _ in range(3)])
photo = Image.blend(photo, fine, 0.12)
photo.save(f"{out}/photo.png", optimize=False, compress_level=6)
photo.quantize(256, dither=Image.FLOYDSTEINBERG).save(f"{out}/photo.gif")
photo.save(f"{out}/photo.tif", compression="tiff_lzw")
photo.save(f"{out}/photo.webp", quality=90)
PY
    heif-enc -q 90 -o "$files/photo.heic" "$files/photo.png" >/dev/null
    heif-enc -A -q 90 -o "$files/photo.avif" "$files/photo.png" >/dev/null
    cjxl -q 90 --quiet "$files/photo.png" "$files/photo.jxl"
fi

# Plug-in host: median time per file (ms), from Google Benchmark's CSV.
FOLIVEX_FORMAT_FILES=$files "$build/bench/bench_plugin_decode" --benchmark_format=csv \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
    awk -F, '/_median"?,/ { n = $1; gsub(/"/, "", n); sub(/_median$/, "", n); print n, $3 }' \
        >"$build/bench-formats.txt"

# A command's median time of 5 runs in milliseconds, then the peer's label.
command_ms() {
    local label=$1
    shift
    "$python" - "$label" "$@" <<'PY'
import statistics, subprocess, sys, time
label, command = sys.argv[1], sys.argv[2:]
t = []
for _ in range(5):
    s = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    t.append(time.perf_counter() - s)
print(f"{statistics.median(t) * 1000:.1f} {label}")
PY
}

# Peer: median of 5 in milliseconds, then its label.
peer_ms() {
    local file=$1
    case $file in
    *.heic | *.avif)
        command_ms "heif-convert(Y4M, no RGB step)" heif-convert "$file" /dev/shm/folivex-peer.y4m ;;
    *.jxl)
        command_ms "djxl(PPM,1 thread)" djxl --num_threads=0 "$file" /dev/shm/folivex-peer.ppm ;;
    *)
        "$python" - "$file" <<'PY'
import statistics, sys, time
from PIL import Image
f = sys.argv[1]
t = []
for _ in range(5):
    s = time.perf_counter()
    with Image.open(f) as im:
        im.convert("RGB").load()
    t.append(time.perf_counter() - s)
print(f"{statistics.median(t) * 1000:.1f} Pillow")
PY
        ;;
    esac
}

printf '%-12s %9s %10s %10s %7s  %s\n' file size Folivex peer ratio peer
while read -r name ms; do
    file=$files/$name
    read -r peer tool < <(peer_ms "$file")
    awk -v n="$name" -v b="$(stat -c %s "$file")" -v ms="$ms" -v p="$peer" -v t="$tool" \
        'BEGIN { printf "%-12s %8.1fM %8.1f ms %7.1f ms %6.2fx  %s\n", n, b / 1048576, ms, p, ms / p, t }'
done <"$build/bench-formats.txt"
rm -f /dev/shm/folivex-peer.ppm /dev/shm/folivex-peer.y4m
