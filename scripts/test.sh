#!/usr/bin/env bash
# Installs what is missing, builds the plain and the sanitizer tree and runs every test
# in both.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure)
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DFOLIVEX_SANITIZE=ON \
    -DFOLIVEX_BENCH=OFF
(cd "$root/build-asan" && ctest --output-on-failure)
