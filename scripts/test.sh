#!/usr/bin/env bash
# Installs the dependencies, builds, and runs every test: the normal build, then the
# AddressSanitizer + UndefinedBehaviorSanitizer build of the tests, then the fuzzers.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# No display and no GPU are needed: graphics run headless on EGL, audio on SDL's dummy driver.
export ORV_SNIFFER=${ORV_SNIFFER:-$(mktemp -d)/sniffer.txt}
jobs=$(nproc)

echo "== build (release with debug info)"
bash scripts/check-boundary.sh
bash scripts/build.sh build -DORV_BUILD_TESTS=ON -DORV_BUILD_BENCH=ON -DORV_BUILD_PLAYER=ON
echo "== tests"
ctest --test-dir build --output-on-failure --no-tests=error -j "$jobs"

echo "== build (address + undefined behaviour sanitizers)"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON \
    -DORV_BUILD_TESTS=ON -DORV_BUILD_BENCH=OFF -DORV_BUILD_PLAYER=OFF
echo "== tests under sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure --no-tests=error -j "$jobs"

if [ -x scripts/fuzz.sh ]; then
    echo "== fuzzers (bounded time)"
    bash scripts/fuzz.sh
fi
