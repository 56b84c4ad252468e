#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while (default 60 s),
# growing its corpus in fuzz/corpus/<name>/. Not part of CI: the corpora are replayed
# by the ordinary test run.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DFOLIVEX_FUZZ=ON -DFOLIVEX_TESTS=OFF -DFOLIVEX_BENCH=OFF
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for f in "$root"/fuzz/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
for t in "${targets[@]}"; do
    cmake --build "$root/build-fuzz" --target "fuzz_$t"
    mkdir -p "$root/fuzz/corpus/$t"
    "$root/build-fuzz/bin/fuzz_$t" -max_total_time="$seconds" "$root/fuzz/corpus/$t"
done
