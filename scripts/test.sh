#!/usr/bin/env bash
# Installs the dependencies, builds, and runs every test: the normal build and its tests, the
# installed package (headers, exports, a host program), a GCC release build of the libraries
# and the player and the Debian package made of it (installed into a fresh Debian 12 root),
# a Clang release build of the libraries, the player and the tests, the
# address + undefined behaviour sanitizer build of the tests, the thread sanitizer build of
# the tests that run threads, and the fuzzers.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# No display and no GPU are needed: graphics run headless on EGL, audio on a silent output.
# The log and the shader cache the test programs share live in a folder removed at the end.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ORV_SNIFFER=${ORV_SNIFFER:-$scratch/sniffer.txt}
export ORV_SHADER_CACHE=$scratch/shader_cache
jobs=$(nproc)
step() { echo "== $* ($(date +%T))"; }
run_tests() { ctest --test-dir "$@" --output-on-failure --no-tests=error -j "$jobs"; }
# A crash of LeakSanitizer itself at exit ("LeakSanitizer has encountered a fatal error", see
# intercept_tls_get_addr below) says nothing about a test that has passed. Those tests, and
# only when nothing else failed, run once more; a leak, a memory error, undefined behaviour
# or a failed test fails the step at once.
run_sanitized_tests() {
    local log=$scratch/sanitized-$1.log
    run_tests "$1" --output-log "$log" && return 0
    if ! grep -q "LeakSanitizer has encountered a fatal error" "$log" ||
        grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:|\[  FAILED  \]|\*\*\*(Failed|Timeout)|SegFault" "$log"; then
        return 1
    fi
    step "re-running the tests whose leak check crashed"
    ctest --test-dir "$1" --rerun-failed --output-on-failure
}

step "build (release with debug info)"
bash scripts/check-boundary.sh
bash scripts/build.sh build -DORV_BUILD_TESTS=ON -DORV_BUILD_BENCH=ON -DORV_BUILD_PLAYER=ON
step "tests"
run_tests build

step "installed package"
bash scripts/check-install.sh build

step "build (GCC, release: the libraries and the player, as a packager builds them)"
bash scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_PLAYER=ON
step "Debian package, installed with apt into a fresh Debian 12 root"
bash scripts/check-package.sh build-release

step "build (Clang, release)"
CC=clang CXX=clang++ bash scripts/build.sh build-clang -DCMAKE_BUILD_TYPE=Release \
    -DORV_BUILD_TESTS=ON -DORV_BUILD_BENCH=OFF -DORV_BUILD_PLAYER=ON
step "tests (Clang, release)"
run_tests build-clang

step "build (address + undefined behaviour sanitizers)"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON \
    -DORV_BUILD_TESTS=ON -DORV_BUILD_BENCH=OFF -DORV_BUILD_PLAYER=OFF
step "tests under address + undefined behaviour sanitizers"
# intercept_tls_get_addr=0: the runtime's own record of the thread storage of libraries
# loaded at run time (the graphics driver's) sometimes holds a nonsense range, and the leak
# check at exit then crashes in its tracer while scanning it. The C library allocates those
# blocks on the heap and keeps them in the thread's vector of them, so they are still scanned.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_sanitized_tests build-asan
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

step "build (thread sanitizer: the tests that run threads)"
bash scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_TSAN=ON \
    -DORV_BUILD_TESTS=ON -DORV_BUILD_BENCH=OFF -DORV_BUILD_PLAYER=OFF -- orv_threaded_tests
step "threaded tests under thread sanitizer"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp \
    run_tests build-tsan -L threaded

step "fuzzers (bounded time)"
bash scripts/fuzz.sh
step "done"
