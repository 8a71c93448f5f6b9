#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (coverage + address and undefined behaviour
# sanitizers) in build-fuzz/ and runs each for a bounded time from its seeds under
# tests/fuzz/corpus. ORV_FUZZ_SECONDS sets the running time of each target (default 30).
# Targets are declared in tests/fuzz/CMakeLists.txt with orv_add_fuzzer (cmake/OrvFuzz.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build-fuzz
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if command -v ccache >/dev/null; then
    generator+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$dir/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DORV_FUZZ=ON -DORV_WERROR=ON -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF \
        -DORV_BUILD_PLAYER=OFF
else
    cmake -S . -B "$dir" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" --target orv_fuzzers
ORV_FUZZ_SECONDS=${ORV_FUZZ_SECONDS:-30} \
    ctest --test-dir "$dir" -L fuzz --output-on-failure --no-tests=error -j "$(nproc)"
