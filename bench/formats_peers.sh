#!/usr/bin/env bash
# Decoding time and peak resident memory of each bundled plug-in beside a peer, on the same
# photo-like file, in the same run:  bench/formats_peers.sh [BUILD_DIR]   (default: build)
# The files are made once into BUILD_DIR/bench-formats/. Pillow (Debian python3-pil) is
# the peer where it reads the format; Debian 12's Pillow reads neither HEIF, AVIF nor
# JPEG XL, so for those the library's own command-line decoder is the peer, writing PPM
# or Y4M to /dev/shm, process start included (a peer's time that is, if anything, long).
# The camera raws (DNGs made here from the photo: a Bayer mosaic with a full-size JPEG
# preview, which is what the plug-in shows, and one with a small preview, which makes it
# demosaic) have LibRaw's own sample programs as peers (Debian libraw-bin):
# simple_dcraw -e extracts the preview without decoding it, dcraw_emu -h demosaics at half
# size as the plug-in does.
# Memory, in MiB: "decode" is what one plug-in decode adds to the resident memory at its
# peak (the bitmap handed back, the plug-in's working rows, what its library holds), in a
# process that decodes only that file; "limit" is 1.3 times the picture at 24 bits plus
# 20 MiB. "host" and "peer" are the whole process's peak (/usr/bin/time %M) of the plug-in
# host loading the file into a page picture, and of the peer decoding it once.
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

if [ ! -f "$files/photo-raw.dng" ]; then
    "$python" - "$files" <<'PY'
import io, struct, sys
from PIL import Image
out = sys.argv[1]
photo = Image.open(f"{out}/photo.png").convert("RGB")
w, h = photo.size
# The photo's colours back to linear light, as 16-bit samples of an RGGB mosaic.
linear = [round((v / 255) ** 2.2 * 65535) for v in range(256)]
low, high = bytes(v & 255 for v in linear), bytes(v >> 8 for v in linear)
r, g, b = (c.tobytes() for c in photo.split())
mosaic = bytearray(w * h)
for y in range(0, h):
    row = slice(y * w, (y + 1) * w)
    first, second = (r, g) if y % 2 == 0 else (g, b)
    line = bytearray(w)
    line[0::2], line[1::2] = first[row][0::2], second[row][1::2]
    mosaic[row] = line
samples = bytearray(2 * w * h)
samples[0::2], samples[1::2] = mosaic.translate(low), mosaic.translate(high)

def short(tag, *v): return (tag, 3, len(v), struct.pack(f"<{len(v)}H", *v))
def long(tag, v): return (tag, 4, 1, struct.pack("<I", v))
def byte(tag, *v): return (tag, 1, len(v), bytes(v))
def ascii(tag, t): return (tag, 2, len(t) + 1, t.encode() + b"\0")
def rationals(tag, signed, *v):
    return (tag, 10 if signed else 5, len(v),
            b"".join(struct.pack("<iI", round(x * 10000), 10000) for x in v))

def tiff(dirs):
    """Little-endian TIFF of chained directories, each (entries, strip); tag 273 (the
    strip's offset) is filled in."""
    data = bytearray(b"II*\0" + struct.pack("<I", 8))
    for d, (entries, strip) in enumerate(dirs):
        entries = sorted(entries)
        extra = len(data) + 2 + 12 * len(entries) + 4
        values = bytearray()
        for e in entries:
            if len(e[3]) > 4:
                values += b"\0" * (len(values) % 2) + e[3]
        values += b"\0" * (len(values) % 2)
        strip_at = extra + len(values)
        data += struct.pack("<H", len(entries))
        for tag, kind, count, value in entries:
            data += struct.pack("<HHI", tag, kind, count)
            if tag == 273:
                data += struct.pack("<I", strip_at)
            elif len(value) > 4:
                extra += extra % 2
                data += struct.pack("<I", extra)
                extra += len(value)
            else:
                data += value.ljust(4, b"\0")
        following = strip_at + len(strip)
        data += struct.pack("<I", following + following % 2 if d + 1 < len(dirs) else 0)
        data += values + strip
        data += b"\0" * (len(data) % 2)
    return bytes(data)

raw = ([long(254, 0), long(256, w), long(257, h), short(258, 16), short(259, 1),
        short(262, 32803), ascii(271, "Folivex"), ascii(272, "Bench"), long(273, 0),
        short(274, 1), short(277, 1), long(278, h), long(279, len(samples)), short(284, 1),
        short(33421, 2, 2), byte(33422, 0, 1, 1, 2), byte(50706, 1, 4, 0, 0),
        byte(50707, 1, 1, 0, 0), ascii(50708, "Folivex Bench"), short(50717, 65535),
        rationals(50721, True, 3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557,
                  -0.2040, 1.0570),
        rationals(50728, False, 1, 1, 1), short(50778, 21)], bytes(samples))

def preview(width):
    picture = photo.resize((width, round(h * width / w)), Image.BILINEAR)
    jpeg = io.BytesIO()
    picture.save(jpeg, "JPEG", quality=90)
    return ([long(254, 1), long(256, picture.width), long(257, picture.height),
             short(258, 8, 8, 8), short(259, 7), short(262, 6), long(273, 0), short(277, 3),
             long(278, picture.height), long(279, len(jpeg.getvalue())), short(284, 1)],
            jpeg.getvalue())

open(f"{out}/photo.dng", "wb").write(tiff([raw, preview(w)]))
open(f"{out}/photo-raw.dng", "wb").write(tiff([raw, preview(256)]))
PY
fi

# Google Benchmark's filter for exactly one file name.
only() {
    local name=$1
    echo "^${name//./\\.}\$"
}

# Plug-in host: the median time (ms) of one file, from Google Benchmark's CSV. Each file is
# timed right before its peer, so that a machine whose load drifts weighs on both alike.
host_ms() {
    FOLIVEX_FORMAT_FILES=$files "$build/bench/bench_plugin_decode" --benchmark_format=csv \
        --benchmark_filter="$(only "$1")" --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true 2>/dev/null |
        awk -F, '/_median"?,/ { print $3 }'
}

# Plug-in host, one process per file: "decode MiB, megapixels, process peak MiB".
host_memory() {
    local name=$1 csv
    csv=$(FOLIVEX_FORMAT_FILES=$files /usr/bin/time -f "peak %M" -o /dev/shm/folivex-peak.txt \
        "$build/bench/bench_plugin_decode" --benchmark_filter="$(only "$name")" \
        --benchmark_min_time=0.001 --benchmark_format=csv 2>/dev/null)
    awk -F, -v peak="$(awk '/^peak/ { print $2 }' /dev/shm/folivex-peak.txt)" '
        NR == 1 { for (i = 1; i <= NF; ++i) { f = $i; gsub(/"/, "", f); col[f] = i } }
        NR == 2 { printf "%.1f %.2f %.1f\n", $col["decode_peak_MiB"], $col["megapixels"], peak / 1024 }' \
        <<<"$csv"
}

# A command's peak resident memory in MiB.
command_mib() {
    /usr/bin/time -f "%M" -o /dev/shm/folivex-peak.txt "$@" >/dev/null 2>&1
    awk '{ printf "%.1f\n", $1 / 1024 }' /dev/shm/folivex-peak.txt
}

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
        # --num_threads=0 is djxl's default, every core; 1 decodes on one thread.
        command_ms "djxl(PPM,1 thread)" djxl --num_threads=1 "$file" /dev/shm/folivex-peer.ppm ;;
    *-raw.dng)
        command_ms "dcraw_emu -h -w(PPM)" dcraw_emu -h -w -Z /dev/shm/folivex-peer.ppm "$file" ;;
    *.dng)
        # It writes the preview beside the raw: a copy in /dev/shm keeps the folder clean.
        cp "$file" /dev/shm/folivex-peer.dng
        command_ms "simple_dcraw -e(extracts, no decode)" simple_dcraw -e /dev/shm/folivex-peer.dng ;;
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

# The peer's peak resident memory (MiB) decoding the file once, as peer_ms times it.
peer_mib() {
    local file=$1
    case $file in
    *.heic | *.avif) command_mib heif-convert "$file" /dev/shm/folivex-peer.y4m ;;
    *.jxl) command_mib djxl --num_threads=1 "$file" /dev/shm/folivex-peer.ppm ;;
    *-raw.dng) command_mib dcraw_emu -h -w -Z /dev/shm/folivex-peer.ppm "$file" ;;
    *.dng)
        cp "$file" /dev/shm/folivex-peer.dng
        command_mib simple_dcraw -e /dev/shm/folivex-peer.dng ;;
    *) command_mib "$python" -c 'import sys
from PIL import Image
with Image.open(sys.argv[1]) as im:
    im.convert("RGB").load()' "$file" ;;
    esac
}

echo "nproc $(nproc); $(uptime)"
printf '%-12s %7s %10s %10s %6s | %7s %7s %7s %7s  %s\n' file size Folivex peer ratio \
    decode limit host peer "peer (memory in MiB)"
for file in "$files"/*; do
    name=$(basename "$file")
    ms=$(host_ms "$name")
    read -r peer tool < <(peer_ms "$file")
    read -r decode megapixels host < <(host_memory "$name")
    peer_peak=$(peer_mib "$file")
    awk -v n="$name" -v b="$(stat -c %s "$file")" -v ms="$ms" -v p="$peer" -v t="$tool" \
        -v d="$decode" -v mp="$megapixels" -v h="$host" -v pp="$peer_peak" \
        'BEGIN { printf "%-12s %6.1fM %7.1f ms %7.1f ms %5.2fx | %7.1f %7.1f %7.1f %7.1f  %s\n",
                 n, b / 1048576, ms, p, ms / p, d, 1.3 * mp * 3e6 / 1048576 + 20, h, pp, t }'
done
rm -f /dev/shm/folivex-peer.ppm /dev/shm/folivex-peer.y4m /dev/shm/folivex-peer.dng* \
    /dev/shm/folivex-peak.txt
