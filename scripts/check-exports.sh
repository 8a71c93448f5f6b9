#!/usr/bin/env bash
# Checks that shared libraries export only public names: nothing of the C++ standard library,
# of the libraries linked inside them (glslang, SPIRV-Tools, SPIRV-Cross, ...) or of the
# platform's internal classes, and every exported name is declared in the public headers.
# Usage: scripts/check-exports.sh PUBLIC_INCLUDE_DIR LIBRARY...
set -euo pipefail
include=$1
shift

words=$(mktemp)
trap 'rm -f "$words"' EXIT
grep -rhoE '[A-Za-z_][A-Za-z0-9_]*' --include='*.h' "$include" | sort -u >"$words"

std='^(std|__gnu_cxx|__cxxabiv1)::'
inside='glslang|spv::|spirv|SPIRV|Assimp|kiss_fft|pugi::|SDL_|^av[a-z]*_|^sws_'
internal='^(COrvGL|COrvFx|COrvEffect|COrvShaderCache|COrvDirect3D9|COrvD3DXBuffer|COrvImageFile|COrvX[A-Z]|COrvBmpFile|COrvDdsFile|COrvPpLexer|COrvTextureLevels|COrvDemoReader|CAvi(Reader|Writer|VideoEncoder)|CBass|CGdi|SOrv|Fx[A-Z])'

status=0
for lib in "$@"; do
    # Demangled names of the defined dynamic symbols, without "vtable for" and the like, the
    # argument list, or the return type of a function template.
    names=$(nm -D --defined-only "$lib" | awk 'NF == 3 && $2 != "A" { print $3 }' | c++filt |
        sed -E 's/^(typeinfo name for|typeinfo for|vtable for|VTT for|guard variable for|construction vtable for) //; s/\(.*//; s/^[A-Za-z_][A-Za-z0-9_*&]* ([A-Za-z_][A-Za-z0-9_]*(<|::))/\1/' |
        sort -u)
    bad=$(grep -E "$std|$inside|$internal" <<<"$names" || true)
    unknown=$(sed -E 's/^([A-Za-z_][A-Za-z0-9_]*).*/\1/' <<<"$names" | sort -u | comm -23 - "$words")
    count=$(wc -l <<<"$names")
    if [ -n "$bad$unknown" ]; then
        echo "$(basename "$lib"): exports names that are not public:"
        [ -n "$bad" ] && sed 's/^/  /' <<<"$bad"
        [ -n "$unknown" ] && sed 's/^/  not in the public headers: /' <<<"$unknown"
        status=1
    else
        echo "$(basename "$lib"): $count public names exported, nothing else"
    fi
done
exit $status
