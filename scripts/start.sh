#!/usr/bin/env bash
# Builds everything (incrementally) and starts Runeset under Wine on your display.
#   bash scripts/start.sh                    Runeset in a Wine desktop window on $DISPLAY
#   bash scripts/start.sh --screenshot F.png no display needed: runs it on a private Xvfb for a few
#                                            seconds and saves a picture of the screen to F.png
# Runeset gets its own Wine prefix, build/x86_64/wine-user, apart from the tests' prefix, so that the
# test run neither sees your shortcuts nor stops your Runeset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

shot=
if [ "${1:-}" = --screenshot ]; then
    shot=${2:-}
    [ -n "$shot" ] || { echo "start: --screenshot needs a file name, e.g. --screenshot runeset.png" >&2; exit 2; }
    case $shot in /*) ;; *) shot=$PWD/$shot ;; esac
fi

bash scripts/deps.sh || { echo "start: missing packages (see above)" >&2; exit 1; }
# A failure elsewhere (a test, the other architecture) must not keep Runeset from starting; a failure
# of Runeset itself must, or a stale build would start.
bash scripts/build.sh x86_64 i686 || echo "start: parts of the build failed (see above)" >&2

exe=build/x86_64/bin/runeset.exe
if [ -f "$exe" ] && ! cmake --build build/x86_64 --target runeset >/dev/null 2>&1; then
    echo "start: Runeset itself does not build; see the errors above or run: cmake --build build/x86_64 --target runeset" >&2
    exit 1
fi
if [ ! -f "$exe" ]; then
    echo "start: the build is done, but Runeset is not built yet ($exe does not exist)."
    [ -f build/i686/bin/runestop.exe ] && echo "       Runestop is: build/i686/bin/runestop.exe (32-bit), build/x86_64/bin/runestop.exe"
    exit 0
fi

export RUNE_WINE_DIR=$root/build/x86_64/wine-user
if [ -n "$shot" ]; then
    export RUNE_XVFB=1
    trap 'bash tests/wine-run.sh --stop >/dev/null 2>&1 || true' EXIT
    bash tests/wine-run.sh --env >/dev/null   # makes the prefix first (once, 10-20 s)
    bash tests/wine-run.sh "$exe" &
    display=$(cat "$RUNE_WINE_DIR/xvfb.display")
    # Wait for Runeset's window (Wine's first start of the session also starts its services).
    for _ in $(seq 60); do
        DISPLAY=:$display xdotool search --name '^Runeset' >/dev/null 2>&1 && break
        sleep 0.5
    done
    sleep 1   # let it finish painting
    DISPLAY=:$display import -window root -crop 1024x768+0+0 +repage "$shot"
    echo "start: screenshot saved to $shot"
    exit 0
fi

if [ -z "${DISPLAY:-}" ]; then
    cat >&2 <<MSG
start: Runeset is a desktop program and needs a display, but DISPLAY is not set.
       Run this from a graphical session (or with ssh -X), or take a screenshot instead:
           bash scripts/start.sh --screenshot runeset.png   (your shortcuts, as Runeset starts)
           bash scripts/screenshot.sh                       (with sample shortcuts)
MSG
    exit 1
fi
echo "start: starting Runeset on $DISPLAY (it appears inside a 'Default - Wine desktop' window)"
exec bash tests/wine-run.sh "$exe"
