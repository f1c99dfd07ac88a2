#!/usr/bin/env bash
# Installs the Debian 12 packages this project needs to build and test, if any are missing.
# Installing needs root; when everything is present it needs nothing.
set -euo pipefail

packages=(
    cmake ninja-build
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    googletest
    wine wine64
    xvfb xdotool imagemagick
    util-linux
    clang libclang-rt-14-dev
    wixl msitools zip unzip
)

missing=()
for p in "${packages[@]}"; do
    if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "deps: all packages present"
    exit 0
fi

echo "deps: missing packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "deps: installing them needs root. Run as root:  bash scripts/deps.sh" >&2
    echo "      or by hand:  apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! apt-get update </dev/null; then
    echo "deps: apt-get update failed (no network or a broken source list?)" >&2
    exit 1
fi
if ! apt-get install -y --no-install-recommends "${missing[@]}" </dev/null; then
    echo "deps: apt-get install failed; trying one package at a time to tell which" >&2
    for p in "${missing[@]}"; do
        apt-get install -y --no-install-recommends "$p" </dev/null >/dev/null 2>&1 ||
            echo "deps: could not install: $p" >&2
    done
    exit 1
fi
# The compilers must be the -posix ones (std::mutex, GoogleTest).
for c in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix; do
    command -v "$c" >/dev/null || { echo "deps: $c still missing after install" >&2; exit 1; }
done
echo "deps: installed ${missing[*]}"
