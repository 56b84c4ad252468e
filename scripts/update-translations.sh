#!/usr/bin/env bash
# Brings translations/folivex_en.ts up to date with the texts of the code: new texts are
# added unfinished, texts no longer in the code are dropped. Translate the new entries
# (Qt Linguist, or by hand) and run the test "translations" afterwards.
# With an argument, updates that file instead (the test uses a temporary copy).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ts=${1:-$root/translations/folivex_en.ts}
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
cd "$root"
# The plain code marks its message patterns with FOLIVEX_TRANSLATE_NOOP (core/Error.h).
# No locations: a moved line must not change the catalogue.
"$lupdate" -silent -locations none -no-obsolete -extensions cpp,h \
    -tr-function-alias QT_TRANSLATE_NOOP+=FOLIVEX_TRANSLATE_NOOP \
    -source-language ja_JP -target-language en_US -I "$root" \
    app albumfile contents core dib loading options toolbars ui view \
    -ts "$ts"
