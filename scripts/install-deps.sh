#!/usr/bin/env bash
# Installs every Debian package Orv needs to build, test, benchmark and play.
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev
  libepoxy-dev libegl-dev libegl1-mesa-dev libgl1-mesa-dri libgbm-dev libsdl2-dev
  glslang-dev glslang-tools spirv-tools spirv-headers libspirv-cross-c-shared-dev
  zlib1g-dev libstb-dev libjpeg-dev
  libsndfile1-dev libvorbis-dev libkissfft-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev ffmpeg
  libimgui-dev
  libpixman-1-dev
  xvfb xauth xdotool # the editor's tests: a virtual display and real input events
  parallel slurm-wlm slurmctld slurmd slurm-client munge
  mmdebstrap # scripts/check-package.sh: the fresh Debian 12 root the package goes into
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
