#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address + undefined behaviour sanitizers) in
# build-fuzz/ and runs each for a bounded time, starting from the seeds under tests/.
# ORV_FUZZ_SECONDS sets the running time of each target (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."

out=build-fuzz
seconds=${ORV_FUZZ_SECONDS:-30}
mkdir -p "$out/obj"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -DORV_KERNEL_BUILDING -Ikernel)

# Compiles sources into build-fuzz/obj in parallel, only those changed since the last run.
compile() {
    local src obj
    for src in "$@"; do
        obj="$out/obj/$(echo "$src" | tr / _).o"
        if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ -n "$(find kernel -name '*.h' -newer "$obj")" ]; then
            echo "clang++ ${flags[*]} -c $src -o $obj"
        fi
    done | xargs -P "$(nproc)" -I{} sh -c '{}'
}

# LoadBMP: the surface library with the log it writes to.
sources=(tests/surface/fuzz/LoadBmpFuzzer.cpp kernel/surface/*.cpp kernel/core/OrvSniffer.cpp
         kernel/core/OrvObject.cpp)
echo "-- building orv_fuzz_loadbmp"
compile "${sources[@]}"
objects=()
for src in "${sources[@]}"; do objects+=("$out/obj/$(echo "$src" | tr / _).o"); done
clang++ "${flags[@]}" "${objects[@]}" -o "$out/orv_fuzz_loadbmp"

mkdir -p "$out/corpus_loadbmp"
echo "-- running orv_fuzz_loadbmp for ${seconds}s"
if ! ORV_SNIFFER=/dev/null "$out/orv_fuzz_loadbmp" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix="$out/" -print_final_stats=1 "$out/corpus_loadbmp" \
    tests/surface/fuzz/corpus >"$out/loadbmp.log" 2>&1; then
    tail -n 80 "$out/loadbmp.log"
    exit 1
fi
tail -n 5 "$out/loadbmp.log"
