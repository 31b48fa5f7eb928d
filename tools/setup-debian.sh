#!/usr/bin/env bash
# Installs what the build and the test bench need on a Debian machine.
# Only missing packages are installed; a machine that has them all is left alone.
set -eu
packages=(
    cmake make g++ clang
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
    googletest
    wine64
    xvfb x11-apps imagemagick
    python3 zip
)
# The emulated i386 machine (tools/i386-bench), without what qemu merely
# recommends (graphics, firmware for other machines).
bare_packages=(qemu-system-x86 debootstrap cpio curl e2fsprogs)
missing_from() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}
missing=($(missing_from "${packages[@]}"))
missing_bare=($(missing_from "${bare_packages[@]}"))
[ ${#missing[@]} -eq 0 ] && [ ${#missing_bare[@]} -eq 0 ] && exit 0
if [ "$(id -u)" != 0 ]; then
    echo "setup: missing packages: ${missing[*]} ${missing_bare[*]} (run as root to install them)" >&2
    exit 1
fi
echo "setup: installing ${missing[*]} ${missing_bare[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
[ ${#missing[@]} -eq 0 ] || apt-get install -y -qq "${missing[@]}" >/dev/null
[ ${#missing_bare[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${missing_bare[@]}" >/dev/null
