#!/usr/bin/env bash
# Builds host.cpp against an installed Orv twice, as its users do: with CMake
# (find_package(OrvKernel), this folder's CMakeLists.txt) and with pkg-config (orvkernel.pc),
# and runs both builds. scripts/check-install.sh runs it on a temporary prefix,
# scripts/check-package.sh on /usr of a root where the Debian package is installed.
# Usage: tests/install/check-host.sh PREFIX WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
work=$2

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$here" -B "$work/cmake" "${generator[@]}" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
echo "host built with CMake:"
"$work/cmake/orv_host"

pc=$(find "$prefix"/lib* -name orvkernel.pc -print -quit)
if [ -z "$pc" ]; then
    echo "no orvkernel.pc under $prefix"
    exit 1
fi
export PKG_CONFIG_PATH=$(dirname "$pc")${PKG_CONFIG_PATH:+:$PKG_CONFIG_PATH}
mkdir -p "$work/pkg-config"
# shellcheck disable=SC2046 # the flags are words
c++ -std=c++20 "$here/host.cpp" -o "$work/pkg-config/orv_host" $(pkg-config --cflags --libs orvkernel)
echo "host built with pkg-config:"
LD_LIBRARY_PATH=$(pkg-config --variable=libdir orvkernel) "$work/pkg-config/orv_host"
