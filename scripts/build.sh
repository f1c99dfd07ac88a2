#!/usr/bin/env bash
# Configures (once) and builds both architectures into build/x86_64 and build/i686:
#   i686    the shipped 32-bit programs
#   x86_64  the same programs plus the tests, which run under 64-bit Wine
#   bash scripts/build.sh [x86_64|i686 ...]     (default: both)
#   bash scripts/build.sh --programs [arch ...] only what a user runs: runeset, runestop, hotrune
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

targets=()
if [ "${1:-}" = --programs ]; then
    targets=(--target runeset runestop hotrune)
    shift
fi

status=0
arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(x86_64 i686)
for arch in "${arches[@]}"; do
    dir=build/$arch
    toolchain=$root/cmake/mingw-$arch.cmake
    [ -f "$toolchain" ] || { echo "build: no toolchain file $toolchain" >&2; exit 1; }
    if [ ! -f "$dir/build.ninja" ]; then
        echo "== configure $dir"
        cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
    fi
    echo "== build $dir"
    # Keep going past a failing target, so one run shows every error and builds all it can.
    if ! cmake --build "$dir" "${targets[@]}" -- -k 0; then
        echo "build: FAILED in $dir (the errors are above)" >&2
        status=1
    fi
done
exit $status
