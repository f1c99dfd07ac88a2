#!/usr/bin/env bash
# Takes a picture of Runeset as a user sees it, with a few sample shortcuts, on a private Xvfb.
#   bash scripts/screenshot.sh [--about] [OUT.png]
#     OUT.png   where to save it (default build/screenshots/runeset.png, or about.png with --about)
#     --about   open the About box first and take that
# Builds build/x86_64 (or $RUNE_BUILD_DIR) if needed. Runeset runs in its own Wine prefix,
# <build>/wine-shot, whose KeyMappings key is replaced by the samples at every run; the tests' prefix
# and yours stay untouched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

about=0
out=
for arg in "$@"; do
    case $arg in
        --about) about=1 ;;
        -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
        -*) echo "screenshot: unknown option $arg" >&2; exit 2 ;;
        *) out=$arg ;;
    esac
done
if [ -z "$out" ]; then
    [ $about = 1 ] && out=$root/build/screenshots/about.png || out=$root/build/screenshots/runeset.png
fi
case $out in /*) ;; *) out=$PWD/$out ;; esac
mkdir -p "$(dirname "$out")"

for tool in wine Xvfb import xdotool cmake ninja; do
    command -v $tool >/dev/null || { echo "screenshot: $tool is missing (bash scripts/deps.sh installs it)" >&2; exit 1; }
done

cd "$root"
build=${RUNE_BUILD_DIR:-build/x86_64}
case $build in /*) ;; *) build=$root/$build ;; esac
exe=$build/bin/runeset.exe
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target runeset >/dev/null

export RUNE_WINE_DIR=$build/wine-shot RUNE_XVFB=1
trap 'bash tests/wine-run.sh --stop >/dev/null 2>&1 || true' EXIT
eval "$(bash tests/wine-run.sh --env)"   # creates the prefix on first use, starts Xvfb and wineserver

key='HKCU\Software\Quillmarsh\Hotrune\KeyMappings'
wine reg delete "$key" /f >/dev/null 2>&1 || true
n=0
for text in '1 1 0 0 78 notepad' \
            '1 1 0 0 87 wordpad' \
            '0 0 1 1 53 eject.cd.tray' \
            '1 0 1 0 61 increase.volume' \
            '1 0 1 0 45 decrease.volume' \
            '1 1 1 1 96 standby' \
            '0 1 0 1 69 C:\WINDOWS\NOTEPAD.EXE' \
            '1 1 0 0 82 regedit'; do
    wine reg add "$key" /v $n /t REG_SZ /d "$text" /f >/dev/null 2>&1
    n=$((n + 1))
done

wine "$exe" >/dev/null 2>&1 &
sleep 3
if [ $about = 1 ]; then
    # A click on Runeset's title bar (it sits in the top left corner) makes it the active
    # window; then Alt+U presses "Abo&ut".
    xdotool mousemove 150 8 click 1
    sleep 0.5
    xdotool key alt+u
    sleep 1.5
fi
# The Wine desktop is 1024x768 in the top left corner of the screen.
import -window root -crop 1024x768+0+0 +repage "$out"
echo "screenshot: saved $out"
