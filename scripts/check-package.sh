#!/usr/bin/env bash
# Builds the Debian package from a release tree and checks it as a new user meets it, in a
# fresh Debian 12 root (mmdebstrap, minbase) where nothing else is installed:
#   - `apt install ./orv_*.deb` (without recommends) must pull every run-time dependency by
#     name: afterwards no installed program or library may miss a shared library;
#   - OrvPlayer renders a headless still of the sample demo (EGL on Mesa's software
#     rasteriser: this fails when a Mesa driver loaded at run time is not in Depends);
#   - a host is built against the package with CMake and with pkg-config and run
#     (tests/install/check-host.sh), after installing a compiler, CMake and pkg-config.
# Needs root (mmdebstrap's root mode: chroot and mounts) and the Debian archive this machine's
# apt uses.
# Usage: scripts/check-package.sh [BUILD_DIR]   (default build-release)
# Environment: ORV_DEBIAN_MIRROR, a mirror's URL or a sources file (default: this machine's
# own Debian sources, so the root sees the archive apt here sees); ORV_PACKAGE_CACHE,
# the folder that keeps the downloaded .deb files between runs (default
# ~/.cache/orv-package-check; empty: no cache).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
default_sources=/etc/apt/sources.list.d/debian.sources
[ -f "$default_sources" ] || default_sources=/etc/apt/sources.list
mirror=${ORV_DEBIAN_MIRROR:-$default_sources}
cache=${ORV_PACKAGE_CACHE-${HOME:-/root}/.cache/orv-package-check}
step() { echo "-- $* ($(date +%T))"; }

step "package"
# The packager's prefix: the libraries go to the multiarch folder and orvkernel.pc says /usr.
bash scripts/build.sh "$build" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
rm -f "$build"/orv_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(find "$build" -maxdepth 1 -name 'orv_*.deb')
dpkg-deb --field "$deb" Package Version Depends Recommends
contents=$(dpkg-deb --contents "$deb")
for wanted in /usr/bin/OrvPlayer /libOrvKernel.so /libOrvPlatform.so /pkgconfig/orvkernel.pc \
    /cmake/OrvKernel/OrvKernelConfig.cmake /include/OrvKernel/kernel/OrvKernel.h \
    /include/OrvKernel/platform/d3d9.h; do
    if ! grep -qE -- "$wanted( -> .*)?\$" <<<"$contents"; then
        echo "the package lacks $wanted"
        exit 1
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"
cp "$deb" "$work/in/"
cp -r examples/Atelier tests/install "$work/in/"

# Runs in the new root, as root, after the package's installation; $1 is the package file.
cat >"$work/in/inside.sh" <<'EOF'
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
cd /root/orv
echo "-- apt install ./$(basename "$1") ($(date +%T))"
# The package lists are those mmdebstrap has just fetched.
apt install -y -q --no-install-recommends -o APT::Keep-Downloaded-Packages=true "./$(basename "$1")" \
    >apt.log 2>&1 || { cat apt.log; exit 1; }
missing=0
for f in $(dpkg -L orv); do
    case $f in */bin/* | *.so | *.so.*) ;; *) continue ;; esac
    [ -f "$f" ] && [ ! -L "$f" ] || continue
    if ldd "$f" | grep 'not found'; then
        echo "  ^ needed by $f"
        missing=1
    fi
done
[ "$missing" = 0 ] || exit 1
echo "-- headless still of the sample ($(date +%T))"
OrvPlayer --headless --mode 640x360 --screenshot /root/out/still.png --at 4 Atelier \
    >still.log 2>&1 || { cat still.log; exit 1; }
echo "-- hosts with CMake and pkg-config ($(date +%T))"
apt-get install -y -qq --no-install-recommends -o APT::Keep-Downloaded-Packages=true \
    g++ cmake make pkg-config >/dev/null
# Every library the package's files link with directly must come from a package that Depends
# names: one that is only there because another package pulled it in may be gone tomorrow.
# (objdump came with the compiler.)
depends=" $(dpkg-query -W -f='${Depends}' orv | sed 's/([^)]*)//g; s/[,|]/ /g') "
unnamed=0
for f in $(dpkg -L orv); do
    case $f in */bin/* | *.so | *.so.*) ;; *) continue ;; esac
    [ -f "$f" ] && [ ! -L "$f" ] || continue
    for lib in $(objdump -p "$f" | awk '/NEEDED/ { print $2 }'); do
        path=$(ldd "$f" | awk -v lib="$lib" '$1 == lib { print $3 }')
        [ -n "$path" ] || continue
        owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null || dpkg -S "$path" 2>/dev/null) || continue
        owner=${owner%%:*}
        [ "$owner" = orv ] && continue
        if [[ "$depends" != *" $owner "* ]]; then
            echo "$f links with $lib from $owner, which Depends does not name"
            unnamed=1
        fi
    done
done
[ "$unnamed" = 0 ] || exit 1
bash install/check-host.sh /usr /root/host
EOF

hooks=(--customize-hook="copy-in $work/in /root" --customize-hook='mv "$1"/root/in "$1"/root/orv'
    --customize-hook='mkdir "$1"/root/out'
    --customize-hook="chroot \"\$1\" bash /root/orv/inside.sh $(basename "$deb")"
    --customize-hook="copy-out /root/out $work")
if [ -n "$cache" ]; then
    # Downloaded packages come from, and go back to, the cache (mmdebstrap's own recipe).
    mkdir -p "$cache"
    hooks=(--skip=essential/unlink --skip=download/empty
        --setup-hook='mkdir -p "$1"/var/cache/apt/archives'
        --setup-hook="sync-in $cache /var/cache/apt/archives"
        "${hooks[@]}"
        --customize-hook="sync-out /var/cache/apt/archives $cache")
fi
# A root that is thrown away needs neither syncs to the disk nor documentation: both only
# cost time.
speed=(--dpkgopt=force-unsafe-io --dpkgopt='path-exclude=/usr/share/doc/*'
    --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*')
step "fresh Debian 12 root"
mmdebstrap --quiet --mode=root --variant=minbase --format=null "${speed[@]}" "${hooks[@]}" \
    bookworm /dev/null "$mirror"

still=$work/out/still.png
if [ "$(head -c 8 "$still" | od -An -tx1 | tr -d ' ')" != 89504e470d0a1a0a ] ||
    [ "$(stat -c %s "$still")" -lt 4096 ]; then
    echo "the still is not a picture of the demo: $(stat -c %s "$still" 2>/dev/null) bytes"
    exit 1
fi
step "package checked"
