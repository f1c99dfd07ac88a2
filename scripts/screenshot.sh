#!/usr/bin/env bash
# Takes a picture of Runeset as a user sees it, with a few sample shortcuts, on a private Xvfb.
#   bash scripts/screenshot.sh [--about] [--dpi N] [OUT.png]
#     OUT.png   where to save it (default build/screenshots/runeset.png, or about.png with --about;
#               with --dpi the name ends in -N, e.g. runeset-144.png)
#     --about   open the About box first and take that
#     --dpi N   the screen's DPI (Wine's LogPixels): 96 is 100 %, 144 is 150 %, 192 is 200 %
# Builds build/x86_64 (or $RUNE_BUILD_DIR) if needed. Runeset runs in its own Wine prefix,
# <build>/wine-shot, whose KeyMappings key is replaced by the samples at every run; the tests' prefix
# and yours stay untouched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

about=0
dpi=
out=
while [ $# -gt 0 ]; do
    case $1 in
        --about) about=1 ;;
        --dpi) dpi=${2:-}; shift
               case $dpi in ''|*[!0-9]*) echo "screenshot: --dpi needs a number, e.g. 144" >&2; exit 2 ;; esac ;;
        -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
        -*) echo "screenshot: unknown option $1" >&2; exit 2 ;;
        *) out=$1 ;;
    esac
    shift
done
if [ -z "$out" ]; then
    [ $about = 1 ] && out=about || out=runeset
    out=$root/build/screenshots/$out${dpi:+-$dpi}.png
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

# Every run sets the DPI, so that one taken at 192 does not linger in the prefix. Above 150 %
# the main window outgrows 1024x768, so the Wine desktop takes the whole screen then.
for dpiKey in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
    wine reg add "$dpiKey" /v LogPixels /t REG_DWORD /d "${dpi:-96}" /f >/dev/null 2>&1
done
desktop=1024x768
[ "${dpi:-96}" -gt 144 ] && desktop=1280x1024
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d $desktop /f >/dev/null 2>&1
# The desktop takes its size when it is made: start the prefix's programs afresh.
bash tests/wine-run.sh --stop >/dev/null 2>&1 || true
eval "$(bash tests/wine-run.sh --env)"

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
# The Wine desktop sits in the top left corner of the screen.
import -window root -crop $desktop+0+0 +repage "$out"
echo "screenshot: saved $out"
