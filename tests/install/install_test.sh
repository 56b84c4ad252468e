#!/usr/bin/env bash
# Installs the build tree into a temporary DESTDIR under a prefix with a blank in it,
# then checks the installed tree as a desktop would use it: the command link, the
# plug-ins found by the installed program, its data kept in the user's config folder,
# and the launcher, AppStream and MIME files passed by their own validators.
#   install_test.sh BUILD_DIR SAMPLE_ALBUM
set -euo pipefail
build=$1
album=$2
prefix="/opt/folivex test"
app_id=org.folivex.Folivex

work=$(mktemp -d /tmp/folivex-install-XXXXXX)
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

DESTDIR="$work/root" cmake --install "$build" --prefix "$prefix" >/dev/null
root="$work/root$prefix"
program="$root/lib/folivex"

# The command is a relative link, so the staged tree works wherever it is unpacked.
[ "$(readlink "$root/bin/folivex")" = "../lib/folivex/folivex" ] ||
    fail "bin/folivex is not the relative link ../lib/folivex/folivex"
for f in folivex Change.WAV INSTALLED; do
    [ -f "$program/$f" ] || fail "$f missing from the program folder"
done
# Every plug-in the build made is installed, whichever folder of plugins/ made it.
for spi in "$build"/bin/*.spi; do
    [ -f "$program/$(basename "$spi")" ] || fail "$(basename "$spi") not installed"
done

# Started through the link, the program finds the plug-ins of its real folder.
formats=$("$root/bin/folivex" --formats)
grep -qxF "plug-in: $program/ifpnm.spi" <<<"$formats" ||
    fail "the installed program did not load $program/ifpnm.spi: $formats"
for pattern in '*.jpg' '*.bmp' '*.ppm'; do
    grep -qxF "format: $pattern" <<<"$formats" || fail "format $pattern not readable"
done

# The English catalogue and the Japanese manual page are installed, and the installed
# program finds the catalogue under share/: English for an English locale, the
# original Japanese for "C".
[ -f "$root/share/folivex/translations/folivex_en.qm" ] || fail "folivex_en.qm not installed"
[ -f "$root/share/man/ja/man1/folivex.1.gz" ] || fail "the Japanese manual page not installed"
LANG=en_US.UTF-8 LANGUAGE= LC_ALL= LC_MESSAGES= "$root/bin/folivex" --help | grep -q '^Usage: folivex' ||
    fail "the installed program did not find its English catalogue"
LANG=C LANGUAGE= LC_ALL= LC_MESSAGES= "$root/bin/folivex" --help | grep -q '^使い方: folivex' ||
    fail "the installed program in the C locale is not Japanese"

# The installed program runs offscreen on an album and keeps its data in
# $XDG_CONFIG_HOME/folivex/, never in the program folder (which is writable here).
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
"$root/bin/folivex" "$album" &
pid=$!
for _ in $(seq 1 300); do
    ls "$XDG_RUNTIME_DIR" | grep -q '^KestFolimo' && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
sleep 1
kill -TERM "$pid" 2>/dev/null || fail "the installed program ended by itself"
status=0
for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    fail "the installed program did not close on SIGTERM"
else
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "the installed program exited with $status"
fi
pid=
[ -f "$XDG_CONFIG_HOME/folivex/Folmo.INI" ] || fail "no Folmo.INI in \$XDG_CONFIG_HOME/folivex/"
for d in AJVs Cache; do
    [ -d "$XDG_CONFIG_HOME/folivex/$d" ] || fail "no $d/ in \$XDG_CONFIG_HOME/folivex/"
done
[ ! -e "$program/Folmo.INI" ] || fail "the installed program wrote into its program folder"

# Desktop files, checked by their own tools.
desktop="$root/share/applications/$app_id.desktop"
metainfo="$root/share/metainfo/$app_id.metainfo.xml"
mime="$root/share/mime/packages/$app_id-album.xml"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the launcher"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
grep -q '<screenshot' "$metainfo" || fail "the metainfo names no screenshot"
xmllint --noout "$mime" || fail "the MIME file is not well-formed XML"
mkdir -p "$work/mime/packages"
cp "$mime" "$work/mime/packages/"
update-mime-database "$work/mime" || fail "update-mime-database rejects the MIME file"
grep -q '^application/x-folivex-album:\*\.ajv$' "$work/mime/globs" ||
    fail "*.ajv does not map to application/x-folivex-album"
mimetypes=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n')
for type in application/x-folivex-album inode/directory image/jpeg image/bmp image/png image/heic \
    application/vnd.comicbook+zip \
    image/x-portable-pixmap; do
    grep -qxF "$type" <<<"$mimetypes" || fail "the launcher does not declare $type"
done

# Icons: the drawing itself and PNGs of the sizes their folders promise.
[ -s "$root/share/icons/hicolor/scalable/apps/$app_id.svg" ] || fail "no scalable icon"
png_size() { # width x height from the PNG header
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}
for size in 48 128 256; do
    png="$root/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    if [ ! -f "$png" ]; then
        fail "no ${size}x${size} icon"
    elif [ "$(png_size "$png")" != "${size}x${size}" ]; then
        fail "the ${size}x${size} icon is $(png_size "$png")"
    fi
done

[ "$failures" -eq 0 ] || exit 1
echo "installed tree checked"
