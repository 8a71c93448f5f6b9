#!/usr/bin/env bash
# Configures and builds one build tree, as a developer build (warnings are errors).
# Usage: scripts/build.sh [BUILD_DIR] [extra cmake args...] [-- targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
# ccache, where installed, makes rebuilds of unchanged files (other trees, CI runs) free.
if command -v ccache >/dev/null; then
    generator+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
args=()
targets=()
while [ $# -gt 0 ]; do
    if [ "$1" = "--" ]; then
        shift
        targets=(--target "$@")
        break
    fi
    args+=("$1")
    shift
done
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" "${generator[@]}" -DORV_WERROR=ON "${args[@]}"
else
    cmake -S . -B "$dir" -DORV_WERROR=ON "${args[@]}" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
