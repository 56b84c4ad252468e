#!/usr/bin/env bash
# Installs what is missing, builds the Release tree (as a packager builds it, here with
# warnings as errors, which only adds to what a packager's build checks) and the sanitizer
# tree and runs every test in both; then builds the clang fuzz tree and runs every fuzz
# target for a few seconds from its corpus under ASan and UBSan (FUZZ_SMOKE_SECONDS,
# default 5), with a fixed seed so that every run tries the same inputs. Any failure, a
# fuzzer's crash included, fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Each stage's minutes in the log, to see where CI's time goes.
stage() { echo "test.sh: $1 at $((SECONDS / 60)) min $((SECONDS % 60)) s"; }
"$root/scripts/setup.sh"
stage "release build"
"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure)
stage "sanitizer build"
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DFOLIVEX_SANITIZE=ON \
    -DFOLIVEX_BENCH=OFF
(cd "$root/build-asan" && ctest --output-on-failure)
stage "fuzz smoke"
echo "fuzz smoke: every fuzz/*.cpp for ${FUZZ_SMOKE_SECONDS:-5} s"
FUZZ_SETUP=0 FUZZ_SEED=1 FUZZ_LABEL="fuzz smoke" "$root/scripts/fuzz.sh" "${FUZZ_SMOKE_SECONDS:-5}"
echo "fuzz smoke: passed"
stage "end"
