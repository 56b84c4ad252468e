#!/usr/bin/env bash
# Installs what is missing, builds the plain and the sanitizer tree and runs every test
# in both; then builds and tests the Release tree as a packager would (FOLIVEX_WERROR off),
# builds the clang fuzz tree, and runs every fuzz target for a few seconds from its corpus
# under ASan and UBSan (FUZZ_SMOKE_SECONDS, default 5), with a fixed seed so that every
# run tries the same inputs. Any failure, a fuzzer's crash included, fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure)
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DFOLIVEX_SANITIZE=ON \
    -DFOLIVEX_BENCH=OFF
(cd "$root/build-asan" && ctest --output-on-failure)
# The tree a packager builds first: Release with the tests, warnings not errors.
echo "release: building build-rel (Release, tests on, FOLIVEX_WERROR off) and testing it"
"$root/scripts/build.sh" "$root/build-rel" -DCMAKE_BUILD_TYPE=Release -DFOLIVEX_WERROR=OFF
(cd "$root/build-rel" && ctest --output-on-failure)
echo "fuzz smoke: every fuzz/*.cpp for ${FUZZ_SMOKE_SECONDS:-5} s"
FUZZ_SETUP=0 FUZZ_SEED=1 FUZZ_LABEL="fuzz smoke" "$root/scripts/fuzz.sh" "${FUZZ_SMOKE_SECONDS:-5}"
echo "fuzz smoke: passed"
