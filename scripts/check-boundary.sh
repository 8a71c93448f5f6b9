#!/usr/bin/env bash
# The engine talks to the platform through platform/include only. Include paths keep the
# platform's own folders out of reach; this check keeps out the system libraries behind
# them (OpenGL, EGL, SDL, FFmpeg, the shader translators, the decoders), which no include
# path can hide.
set -euo pipefail
cd "$(dirname "$0")/.."

forbidden='(epoxy|GL|GLES[0-9]*|EGL|KHR|SDL2?|SDL[_a-z]*\.h|libav[a-z]*|libsw[a-z]*|glslang|spirv[_a-z]*|spirv_cross|SPIRV|assimp|zlib|sndfile|vorbis|kiss_?fft[a-z_]*|stb|imgui)'
hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]${forbidden}([/.<>\"])" kernel || true)
if [ -n "$hits" ]; then
    echo "kernel/ must reach the platform through platform/include only; found:"
    echo "$hits"
    exit 1
fi
echo "kernel/ includes no system graphics, window, audio or video library"
