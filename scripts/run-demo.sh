#!/usr/bin/env bash
# Installs the dependencies, builds, and plays the sample demo: in a window when there is
# a display, otherwise renders it off screen into a video file (atelier.avi) with a
# progress bar. Any arguments go to OrvPlayer instead (see build/bin/OrvPlayer --help).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCH=OFF
if [ $# -gt 0 ]; then
    exec build/bin/OrvPlayer "$@"
fi
demo="$PWD/examples/Atelier"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/bin/OrvPlayer --windowed --mode 1280x720 "$demo"
fi
echo "No display: recording the sample demo into $PWD/atelier.avi"
build/bin/OrvPlayer --headless --mode 1280x720 --record "$PWD/atelier.avi" "$demo"
echo "Done: $PWD/atelier.avi"
