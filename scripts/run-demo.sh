#!/usr/bin/env bash
# Installs the dependencies, builds, and runs the player.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF
exec build/bin/OrvPlayer "$@"
