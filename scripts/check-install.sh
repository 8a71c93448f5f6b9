#!/usr/bin/env bash
# Installs a built tree into a temporary prefix, as a packager does, and checks the package:
# the kernel's installed headers are exactly those its umbrella header OrvKernel.h reaches
# (no private ones), the shared libraries export only public names (check-exports.sh), and
# a host program (tests/install) builds against it with find_package(OrvKernel) and with
# pkg-config (orvkernel.pc) and runs. Usage: scripts/check-install.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
include=$prefix/include/OrvKernel
libdir=$(dirname "$(find "$prefix" -name libOrvKernel.so -print -quit)")

# Public kernel headers: what OrvKernel.h includes, directly or not.
expected=$(c++ -std=c++20 -MM -MT x -I kernel -I platform/include kernel/OrvKernel.h |
    tr ' \\' '\n\n' | grep '^kernel/' | sed 's|^kernel/||' | sort -u)
installed=$(cd "$include/kernel" && find . -name '*.h' | sed 's|^\./||' | sort)
if [ "$expected" != "$installed" ]; then
    echo "installed kernel headers differ from those OrvKernel.h includes:"
    diff <(echo "$expected") <(echo "$installed") | grep '^[<>]' |
        sed 's/^</  missing:/; s/^>/  private, installed:/'
    exit 1
fi
echo "install: $(wc -l <<<"$installed") kernel headers, all reached from OrvKernel.h"

bash scripts/check-exports.sh "$include/platform" "$libdir/libOrvPlatform.so"
bash scripts/check-exports.sh "$include" "$libdir/libOrvKernel.so"

bash tests/install/check-host.sh "$prefix" "$work/host"
