#!/usr/bin/env bash
# Configures and builds one build tree, Release unless an option says otherwise:
#   scripts/build.sh DIR [cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFOLIVEX_WERROR=ON "$@"
cmake --build "$dir" -j "$(nproc)"
