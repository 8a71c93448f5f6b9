#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address + undefined behaviour sanitizers) in
# build-fuzz/ and runs each for a bounded time, starting from the seeds under tests/.
# ORV_FUZZ_SECONDS sets the running time of each target (default 45).
set -euo pipefail
cd "$(dirname "$0")/.."

out=build-fuzz
seconds=${ORV_FUZZ_SECONDS:-45}
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -DORV_KERNEL_BUILDING -Ikernel)

# LoadBMP: the surface library with the log it writes to.
echo "-- building orv_fuzz_loadbmp"
clang++ "${flags[@]}" tests/surface/fuzz/LoadBmpFuzzer.cpp kernel/surface/*.cpp \
    kernel/audio/OrvSniffer.cpp kernel/core/OrvObject.cpp -o "$out/orv_fuzz_loadbmp"
mkdir -p "$out/corpus_loadbmp"
echo "-- running orv_fuzz_loadbmp for ${seconds}s"
if ! ORV_SNIFFER=/dev/null "$out/orv_fuzz_loadbmp" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix="$out/" -print_final_stats=1 "$out/corpus_loadbmp" \
    tests/surface/fuzz/corpus >"$out/loadbmp.log" 2>&1; then
    tail -n 80 "$out/loadbmp.log"
    exit 1
fi
tail -n 12 "$out/loadbmp.log"
