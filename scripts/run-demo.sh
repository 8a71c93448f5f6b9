#!/usr/bin/env bash
# Installs the dependencies, builds, and plays the sample demo: in a window when there is
# a display, otherwise renders it off screen into a video file (atelier.avi) with a
# progress bar. Any arguments go to OrvPlayer instead (see build/bin/OrvPlayer --help).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Only the player is built; the tree stays configured with everything, so the test command
# that may follow builds and runs all the tests in it.
bash scripts/build.sh build -- OrvPlayer
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
